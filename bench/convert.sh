#!/usr/bin/env bash
# Times converting with --convert against the tools a user would reach for,
# side by side in one run, in CPU seconds: a 16-track album of 44.1 kHz,
# 16-bit FLAC against flac -d, and 96 kHz, 24-bit FLAC against sox's very
# high quality resampler with dither; the wall time on one core and on
# every core; the peak memory of a short and a long source; and a rerun with
# everything converted against a run over the converted WAV files.
#
#   bench/convert.sh [TRELVASK]     (default: build/release/trelvask)
#
# Environment: BENCH_SECONDS (60 a track), BENCH_CACHE (build/bench), where
# the sources are kept between runs. Needs ffmpeg, flac, sox, hyperfine and
# /usr/bin/time.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
trelvask=$(realpath "${1:-$top/build/release/trelvask}")
seconds=${BENCH_SECONDS:-60}
cache=$(mkdir -p "${BENCH_CACHE:-$top/build/bench}" && realpath "${BENCH_CACHE:-$top/build/bench}")
dir=$cache/convert-$seconds

# Pink noise, which compresses as music does, tagged as a ripper tags it.
make_album() {
    local folder=$1 tracks=$2 length=$3 options=$4 i
    [ -f "$folder/done" ] && return
    rm -rf "$folder"
    mkdir -p "$folder"
    for ((i = 1; i <= tracks; i++)); do
        # shellcheck disable=SC2086
        ffmpeg -loglevel error -f lavfi -i "anoisesrc=color=pink:amplitude=0.3:duration=$length:seed=$i" \
            $options -metadata title="Track $i" -metadata artist="Band" -metadata album="Album" \
            "$(printf '%s/%02d.flac' "$folder" "$i")"
    done
    (cd "$folder" && ls ./*.flac > tlist.txt)
    touch "$folder/done"
}

make_album "$dir/cd" 16 "$seconds" "-ar 44100 -ac 2 -sample_fmt s16"
make_album "$dir/hires" 4 "$seconds" "-ar 96000 -ac 2 -sample_fmt s32"
make_album "$dir/short" 1 10 "-ar 96000 -ac 2 -sample_fmt s32"
make_album "$dir/long" 1 $((seconds * 10)) "-ar 96000 -ac 2 -sample_fmt s32"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# CPU seconds (user and system) and wall seconds and peak memory of a command.
measure() {
    local label=$1
    shift
    /usr/bin/time -f "%U %S %e %M" -o "$work/time" "$@" > /dev/null 2>&1
    read -r user system wall memory < "$work/time"
    printf '| %s | %.2f | %.2f | %.1f MiB |\n' "$label" "$(echo "$user + $system" | bc)" "$wall" \
        "$(echo "$memory / 1024" | bc -l)"
}

echo "| command | CPU seconds | wall seconds | peak memory |"
echo "|---|---:|---:|---:|"
cd "$dir/cd"
measure "flac -d (16 tracks, 44.1 kHz/16-bit)" bash -c 'for f in *.flac; do flac -d -s -f -o "'"$work"'/${f%.flac}.wav" "$f"; done'
measure "trelvask --convert (16 tracks, 44.1 kHz/16-bit)" "$trelvask" --convert "$work/cd" tlist.txt "$work/cd.cue"
measure "trelvask, a rerun with all converted" "$trelvask" --convert "$work/cd" tlist.txt "$work/cd.cue"
ls "$work"/cd/*.wav > "$work/wavs.txt"
(cd "$work" && measure "trelvask over the converted WAV files" "$trelvask" wavs.txt wavs.cue)
cd "$dir/hires"
measure "sox rate -v dither (4 tracks, 96 kHz/24-bit)" bash -c 'for f in *.flac; do sox "$f" -b 16 "'"$work"'/sox-${f%.flac}.wav" rate -v 44100 dither; done'
measure "trelvask --convert (4 tracks, 96 kHz/24-bit), every core" "$trelvask" --convert "$work/hires" tlist.txt "$work/hires.cue"
measure "trelvask --convert (4 tracks, 96 kHz/24-bit), one core" taskset -c 0 "$trelvask" --convert "$work/one" tlist.txt "$work/one.cue"
cd "$dir/short"
measure "trelvask --convert (one 10 s track, 96 kHz/24-bit)" "$trelvask" --convert "$work/short" tlist.txt "$work/short.cue"
cd "$dir/long"
measure "trelvask --convert (one $((seconds * 10)) s track, 96 kHz/24-bit)" "$trelvask" --convert "$work/long" tlist.txt "$work/long.cue"
echo
echo "A rerun against a run over the WAV files, paired in hyperfine:"
cd "$work"
ls "$dir"/cd/*.flac > flacs.txt
hyperfine -N --warmup 5 --runs 50 --style basic "$trelvask --convert cd flacs.txt cd.cue" \
    "$trelvask wavs.txt wavs.cue" 2>&1 | grep -E '±|faster'
