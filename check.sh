#!/usr/bin/env bash
# Builds and runs every test: the optimised and the sanitizer build through
# CTest, then the cross builds for armhf and arm64 under qemu-user, a fixed number of inputs through each fuzz target, and one run of the
# bundled example under valgrind. Installs the Debian packages the tests need
# when they are missing.
set -euo pipefail
cd "$(dirname "$0")"
top=$PWD

missing=()
for package in cmake g++ clang libclang-rt-dev libgtest-dev cuetools cdrdao sox ffmpeg valgrind groff-base man-db \
    hyperfine shntool time lintian dpkg-dev file g++-arm-linux-gnueabihf g++-aarch64-linux-gnu qemu-user; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
command -v python3 >/dev/null || missing+=(python3)
if [ ${#missing[@]} -gt 0 ]; then
    sudo=; [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

for preset in release sanitize armhf arm64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
# The same seed and number of inputs on every run, so that the check fails
# because the code changed, not by chance. Two things would still make runs
# differ: reloading the corpus folder by the clock, and heap addresses, which
# reach the comparisons the fuzzer learns from; so address randomisation is
# off where the machine allows it. The time cap only ever cuts the same
# sequence short. Another FUZZ_SEED explores other inputs.
fixed_addresses=()
setarch -R true 2>/dev/null && fixed_addresses=(setarch -R)
for target in tags:500000 track_list:150000 wav_header:8000000; do
    input=${target%:*}
    mkdir "$scratch/$input"
    # New inputs go to the scratch folder; the seeds in fuzz/corpus stay as they
    # are. A failing input is kept in build/fuzz, to become a regression case.
    status=0
    "${fixed_addresses[@]}" build/fuzz/fuzz_"$input" -seed="${FUZZ_SEED:-1}" -reload=0 -runs="${target#*:}" \
        -max_total_time=90 -max_len=16384 -timeout=10 -print_final_stats=1 -artifact_prefix=build/fuzz/ \
        "$scratch/$input" "fuzz/corpus/$input" > "$scratch/$input.log" 2>&1 || status=$?
    grep -E '^(Done|stat::number_of_executed_units)' "$scratch/$input.log" || true
    if [ "$status" != 0 ]; then
        grep -A30 -E '^==[0-9]+==|runtime error' "$scratch/$input.log" || tail -30 "$scratch/$input.log"
        echo "fuzz_$input found a fault"
        exit 1
    fi
done

cp examples/tlist.txt examples/intro.wav examples/album.wav "$scratch"
# The C++ runtime's emergency exception pool stays reachable by design; any
# block that is lost, definitely or possibly, fails.
(cd "$scratch" && valgrind -q --error-exitcode=1 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect,possible "$top/build/release/trelvask" >/dev/null)
echo "valgrind: the bundled example ran clean"
