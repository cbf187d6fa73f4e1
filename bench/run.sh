#!/usr/bin/env bash
# Times a whole trelvask run over 99 CD-quality WAV files, and over a
# CD-legal album, against the tools a user would reach for instead, and
# against the floor: head reading the same header bytes and doing nothing
# else.
#
#   bench/run.sh [TRELVASK]     (default: build/release/trelvask)
#
# Environment: BENCH_FILES (99), BENCH_RUNS (300 per command, in 5 rounds
# so that drift of the machine's speed is shared out), BENCH_CACHE (build/bench),
# where the corpora are kept between runs. Needs sox, hyperfine, shntool,
# valgrind, python3 and /usr/bin/time.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
trelvask=$(realpath "${1:-$top/build/release/trelvask}")
files=${BENCH_FILES:-99}
runs=${BENCH_RUNS:-300}
rounds=5
cache=$(mkdir -p "${BENCH_CACHE:-$top/build/bench}" && realpath "${BENCH_CACHE:-$top/build/bench}")
source "$top/tests/e2e/helpers.sh"

# plain: 44-byte headers; chunky: a 12 KB JUNK chunk before "fmt " or a LIST
# chunk before "data", so that the header scan reaches 12 KB into each file.
make_corpus() {
    local dir=$cache/corpus-$files
    [ -f "$dir/done" ] && return
    rm -rf "$dir"
    mkdir -p "$dir/plain" "$dir/chunky"
    local i name seconds at id
    for ((i = 1; i <= files; i++)); do
        name=$(printf 'track%02d.wav' "$i")
        seconds=$(printf '0.%02d' $((50 + i)))
        [ "$i" -ge 50 ] && seconds=$(printf '1.%02d' $((i - 50)))
        sox -n -r 44100 -c 2 -b 16 "$dir/plain/$name" synth "$seconds" sine $((200 + 7 * i))
        if ((i % 2)); then at=12 id=JUNK; else at=36 id=LIST; fi
        {
            head -c "$at" "$dir/plain/$name"
            printf '%s' "$id"; le32 12288; head -c 12288 /dev/zero
            tail -c +$((at + 1)) "$dir/plain/$name"
        } > "$dir/chunky/$name"
        le32 $(($(stat -c %s "$dir/chunky/$name") - 8)) |
            dd of="$dir/chunky/$name" bs=1 seek=4 conv=notrunc status=none
    done
    for corpus in plain chunky; do
        for ((i = 1; i <= files; i++)); do
            printf '%s/%s/track%02d.wav\n' "$dir" "$corpus" "$i"
            ((i % 10 == 3)) && echo "S 00:00:30"
            ((i % 10 == 7)) && echo "P 00:02:00"
        done > "$dir/$corpus.txt"
    done
    touch "$dir/done"
}

# album: a CD-legal album as people burn it, 16 tracks of 3 to 6 minutes,
# whole sectors each, one pregap: the burn check finds nothing in it. Sparse
# files, so its 70 minutes cost no disk space.
make_album() {
    local dir=$cache/album
    [ -f "$dir/done" ] && return
    rm -rf "$dir"
    mkdir -p "$dir/album"
    local i name
    for ((i = 1; i <= 16; i++)); do
        name=$(printf '%s/album/track%02d.wav' "$dir" "$i")
        mkwav "$name" 44100 2 16 $(((180 + i * 37 % 181) * 176400))
        echo "$name"
        ((i == 1)) && echo "P 00:02:00"
    done > "$dir/album.txt"
    touch "$dir/done"
}

# tagged: the album as ffmpeg writes it from tagged FLAC files, a LIST/INFO
# chunk with a title, an artist and the album before the audio, for
# --cd-text. Sparse too.
make_tagged() {
    local dir=$cache/tagged
    [ -f "$dir/done" ] && return
    rm -rf "$dir"
    mkdir -p "$dir/tagged"
    local i name size info
    for ((i = 1; i <= 16; i++)); do
        name=$(printf '%s/tagged/track%02d.wav' "$dir" "$i")
        size=$(((180 + i * 37 % 181) * 176400))
        info=$(printf 'Song number %02d' "$i")
        {
            printf 'RIFF'; le32 $((4 + 24 + 8 + 64 + 8 + size)); printf 'WAVEfmt '; le32 16
            le16 1; le16 2; le32 44100; le32 176400; le16 4; le16 16
            printf 'LIST'; le32 64; printf 'INFO'
            printf 'INAM'; le32 15; printf '%s\0\0' "$info"
            printf 'IART'; le32 10; printf 'Some Band\0'
            printf 'IPRD'; le32 10; printf 'The Album\0'
            printf 'data'; le32 "$size"
        } > "$name"
        truncate -s $(($(stat -c %s "$name") + size)) "$name"
        echo "$name"
        ((i == 1)) && echo "P 00:02:00"
    done > "$dir/tagged.txt"
    touch "$dir/done"
}

make_corpus
make_album
make_tagged
dir=$cache/corpus-$files
album=$cache/album
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"  # no tlist.txt here, so trelvask reads the list it is given

if [ -n "$("$trelvask" "$album/album.txt" "$work/album.cue" 2>&1 >/dev/null)" ]; then
    echo "the burn check warns about the clean album"
    exit 1
fi

commands=()
tagged=$cache/tagged
commands+=("head -c 15024 (tagged)" "head -c 15024 -q $(printf '%s ' "$tagged"/tagged/*.wav)")
commands+=("trelvask --cd-text (tagged)" "$trelvask --cd-text $tagged/tagged.txt $work/tagged.cue")
for corpus in plain chunky album; do
    folder=$dir
    [ "$corpus" = album ] && folder=$album
    wavs=$(printf '%s ' "$folder/$corpus"/*.wav)
    commands+=("head -c 15024 ($corpus)" "head -c 15024 -q $wavs")
    commands+=("trelvask ($corpus)" "$trelvask $folder/$corpus.txt $work/$corpus.cue")
    commands+=("soxi -s ($corpus)" "soxi -s $wavs")
    commands+=("shntool len ($corpus)" "shntool len $wavs")
done

for ((round = 1; round <= rounds; round++)); do
    hyperfine_args=(-N --warmup 10 --runs $(((runs + rounds - 1) / rounds)) --style none
        --export-json "$work/times-$round.json")
    for ((i = 0; i < ${#commands[@]}; i += 2)); do
        hyperfine_args+=(-n "${commands[i]}" "${commands[i + 1]}")
    done
    hyperfine "${hyperfine_args[@]}" > "$work/hyperfine.log" 2>&1
done

: > "$work/memory"
for ((i = 0; i < ${#commands[@]}; i += 2)); do
    # shellcheck disable=SC2086
    /usr/bin/time -f %M -o "$work/rss" ${commands[i + 1]} > /dev/null 2>&1
    printf '%s\t%s\n' "${commands[i]}" "$(cat "$work/rss")" >> "$work/memory"
done

instructions=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null \
    "$trelvask" "$dir/chunky.txt" "$work/chunky.cue" 2>&1 >/dev/null | sed -n 's/.*Collected : //p')

python3 - "$work/memory" "$work"/times-*.json <<'PY'
import json, statistics, sys
memory = dict(line.rstrip("\n").split("\t") for line in open(sys.argv[1]))
times = {}
for path in sys.argv[2:]:
    for result in json.load(open(path))["results"]:
        times.setdefault(result["command"], []).extend(result["times"])
median = {name: statistics.median(values) for name, values in times.items()}
print("| command | median | ratio to floor | peak memory |")
print("|---|---:|---:|---:|")
corpora = ["(plain)", "(chunky)", "(album)", "(tagged)"]
for name in sorted(median, key=lambda name: (corpora.index(name[name.index("("):]), not name.startswith("head"), name)):
    floor = median["head -c 15024 " + name[name.index("("):]]
    print(f"| {name} | {median[name] * 1000:.2f} ms | {median[name] / floor:.2f} | {int(memory[name]) / 1024:.1f} MiB |")
print(f"\n{len(next(iter(times.values())))} runs per command")
PY
echo
echo "trelvask (chunky), one run under callgrind: $instructions instructions"
