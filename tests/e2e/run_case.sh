#!/usr/bin/env bash
# Runs one end-to-end case folder:
#   setup    optional; bash sourced in an empty work directory to lay out the inputs,
#            with the helpers of helpers.sh, $examples (the bundled example folder)
#            and $bin_dir (the folder of the trelvask under test)
#   cmd      the command line, run in that directory with trelvask on PATH
#   stdout   the exact standard output expected
#   stderr   optional; the exact standard error expected, empty when absent; the
#            work directory's path, which differs from run to run, reads WORK
#   status   optional; the exit status expected, 0 when absent
# A cross-built trelvask runs under the emulator command given after the
# folder of the binary: run_case.sh CASE BIN_DIR [EMULATOR...].
# The command, not the setup, has 30 seconds, times TRELVASK_TIME_SCALE (1)
# on a slow machine: a run that hangs (on a FIFO, say) fails.
#   expect/  optional; files the run must leave, byte for byte. Every other file,
#            whether laid out by setup or not, must be exactly as setup left it.
set -u
case_dir=$(realpath "$1")
bin_dir=$(realpath "$2")
shift 2
helpers=$(realpath "$(dirname "$0")/helpers.sh")
# The bundled example, for cases that run on it.
examples=$(realpath "$(dirname "$0")/../../examples")

scratch=$(mktemp -d)
trap 'chmod -R u+rwx "$scratch" 2>/dev/null; rm -rf "$scratch"' EXIT
mkdir "$scratch/work"
if [ $# -gt 0 ]; then
    # A trelvask on PATH that starts the target binary under the emulator. The
    # binary is copied beside it, so that a case run as another user reaches
    # it wherever the build lies (a private home folder, say).
    mkdir "$scratch/bin"
    cp "$bin_dir/trelvask" "$scratch/bin/trelvask.target"
    printf '#!/bin/sh\nexec %s %q "$@"\n' "$(printf '%q ' "$@")" "$scratch/bin/trelvask.target" > "$scratch/bin/trelvask"
    chmod 755 "$scratch" "$scratch/bin" "$scratch/bin/trelvask" "$scratch/bin/trelvask.target"
    bin_dir=$scratch/bin
fi
cd "$scratch/work" || exit 1

# Every entry with its type, and for regular files the size and a checksum of
# the start (the WAV files are sparse and can declare gigabytes).
snapshot() {
    find . -mindepth 1 -printf '%y\t%p\t%s\n' | sort | while IFS=$'\t' read -r type path size; do
        if [ "$type" = f ]; then
            printf '%s\t%s\t%s\t%s\n' "$type" "$path" "$size" "$(head -c 1048576 "$path" | md5sum | cut -d' ' -f1)"
        else
            printf '%s\t%s\n' "$type" "$path"
        fi
    done
}

if [ -f "$case_dir/setup" ]; then
    # shellcheck source=/dev/null
    (source "$helpers" && source "$case_dir/setup") || { echo "setup failed"; exit 1; }
fi
snapshot > "$scratch/before"

PATH="$bin_dir:$PATH" timeout $((30 * ${TRELVASK_TIME_SCALE:-1})) bash -c "$(cat "$case_dir/cmd")" \
    > "$scratch/stdout" 2> "$scratch/stderr" < /dev/null
status=$?
[ "$status" = 124 ] && echo "the command took longer than $((30 * ${TRELVASK_TIME_SCALE:-1})) seconds"
work=$(pwd -P)
sed -i "s|$work|WORK|g" "$scratch/stderr"

failed=0
expected_status=$(cat "$case_dir/status" 2>/dev/null || echo 0)
if [ "$status" != "$expected_status" ]; then
    echo "exit status $status, expected $expected_status"
    failed=1
fi
if ! cmp -s "$case_dir/stdout" "$scratch/stdout"; then
    echo "standard output differs (expected, then actual):"
    diff <(od -c "$case_dir/stdout") <(od -c "$scratch/stdout") | head -40
    failed=1
fi
expected_stderr=$case_dir/stderr
[ -f "$expected_stderr" ] || expected_stderr=/dev/null
if ! cmp -s "$expected_stderr" "$scratch/stderr"; then
    echo "standard error differs (expected, then actual):"
    diff "$expected_stderr" "$scratch/stderr" | head -20
    failed=1
fi

expected_names=()
if [ -d "$case_dir/expect" ]; then
    while IFS= read -r -d '' expected; do
        name=${expected#"$case_dir/expect/"}
        expected_names+=("./$name")
        if ! cmp -s "$expected" "$name"; then
            echo "file $name differs from expect/$name:"
            diff "$expected" "$name" | head -20
            failed=1
        fi
    done < <(find "$case_dir/expect" -type f -print0)
fi
# Whatever expect/ does not name must be untouched: no stray or damaged files.
unexpected() { awk -F'\t' 'NR == FNR { skip[$0]; next } !($2 in skip)' <(printf '%s\n' "${expected_names[@]}") -; }
if ! diff <(unexpected < "$scratch/before") <(snapshot | unexpected) > "$scratch/changes"; then
    echo "files changed that the case does not expect:"
    cat "$scratch/changes"
    failed=1
fi
exit $failed
