#!/usr/bin/env bash
# What a run leaves in every name around the cue file: after a write that
# succeeds, after one that fails, with two runs at once, when a run is
# killed, and when memory runs out.
#   cue_file.sh surroundings|concurrent|signals|dryrun|memory TRELVASK [EMULATOR...]
#   FAIL_ALLOC_LIBRARY=LIBRARY cue_file.sh allocations TRELVASK
set -u
part=$1
trelvask=("${@:3}" "$(realpath "$2")")
helpers=$(realpath "$(dirname "$0")/../e2e/helpers.sh")
scratch=$(mktemp -d)
# Only this shell cleans up: a run's shell killed between fork and exec
# would run the trap as well.
trap '[ "$BASHPID" = $$ ] && rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
source "$helpers"

# A sheet of over 1 KiB, so that ulimit -f 1 cuts its write.
mkwav a.wav 44100 2 16 89082000
{ echo "$scratch/a.wav"; for i in $(seq 60); do printf 'S %02d:%02d:00\n' $((i * 5 / 60)) $((i * 5 % 60)); done; } > list.txt
{ echo "$scratch/a.wav"; echo "S 00:10:00"; for i in $(seq 60); do echo "# note $i"; done; } > other.txt
"${trelvask[@]}" list.txt new.cue > /dev/null 2>&1
"${trelvask[@]}" other.txt other.cue > /dev/null 2>&1
[ "$(wc -c < new.cue)" -gt 1024 ] || { echo "the reference sheet is too short"; exit 1; }
export PATH="$scratch/bin:$PATH"
mkdir bin
printf '#!/bin/sh\nexec %s "$@"\n' "$(printf '%q ' "${trelvask[@]}")" > bin/trelvask
chmod +x bin/trelvask

failures=0
fail() {
    echo "$1"
    failures=$((failures + 1))
}

# NAME=NEW holds the new sheet, NAME=OLD the old sheet ("REM OLD"), NAME= is absent,
# NAME@TARGET is a symbolic link to TARGET, NAME^OTHER is the same file as
# OTHER, NAME+ was modified after 2000; no temporary file is left.
check() {
    local label=$1 check name
    for check in ${2}; do
        case $check in
        *@*)
            name=${check%@*}
            [ -L "$name" ] && [ "$(readlink "$name")" = "${check#*@}" ] || fail "$label: $name is no link to ${check#*@}" ;;
        *=NEW) cmp -s "${check%=*}" "$scratch/new.cue" || fail "$label: ${check%=*} does not hold the new sheet" ;;
        *=OLD) [ "$(cat "${check%=*}" 2>&1)" = "REM OLD" ] || fail "$label: ${check%=*} lost its old content" ;;
        *=RIFF) [ "$(cat "${check%=*}" 2>&1)" = RIFF ] || fail "$label: ${check%=*} was replaced" ;;
        *=) [ ! -e "${check%=}" ] && [ ! -L "${check%=}" ] || fail "$label: ${check%=} should not exist" ;;
        *^*) [ "${check%^*}" -ef "${check#*^}" ] || fail "$label: ${check%^*} is no longer ${check#*^}" ;;
        *+) [ -n "$(find "${check%+}" -newermt 2001-01-01)" ] || fail "$label: ${check%+} was not given the time of the run" ;;
        esac
    done
    if find . -name '.trelvask-*' | grep -q .; then fail "$label: a temporary file is left"; fi
}

# name | setup | cue file | status, then names after a write that succeeds |
# the same after one that ulimit -f 1 cuts off ("-": no such run)
surroundings=(
    "plain|echo 'REM OLD' > out.cue|out.cue|0 out.cue=NEW|3 out.cue=OLD"
    "new name|:|out.cue|0 out.cue=NEW|3 out.cue="
    "hard link|echo 'REM OLD' > out.cue; ln out.cue backup.cue|out.cue|0 out.cue=NEW backup.cue=OLD|3 out.cue=OLD backup.cue=OLD"
    "live symlink|mkdir d; echo 'REM OLD' > d/real.cue; ln -s d/real.cue out.cue|out.cue|0 out.cue@d/real.cue d/real.cue=NEW|3 out.cue@d/real.cue d/real.cue=OLD"
    "dangling symlink|mkdir d; ln -s d/real.cue out.cue|out.cue|0 out.cue@d/real.cue d/real.cue=NEW|3 out.cue@d/real.cue d/real.cue="
    "symlink to a hard link|mkdir d; echo 'REM OLD' > d/real.cue; ln d/real.cue d/backup.cue; ln -s real.cue d/link.cue|d/link.cue|0 d/link.cue@real.cue d/real.cue=NEW d/backup.cue=OLD|3 d/link.cue@real.cue d/real.cue=OLD d/backup.cue=OLD"
    "the same sheet, hard-linked|cp ../new.cue out.cue; touch -d 2000-01-01 out.cue; ln out.cue backup.cue|out.cue|0 out.cue=NEW out.cue^backup.cue out.cue+|-"
    "other folder|mkdir d; echo 'REM OLD' > d/out.cue|d/out.cue|0 d/out.cue=NEW|3 d/out.cue=OLD"
    "FIFO with a reader|mkfifo out.cue; exec 3<> out.cue|out.cue|0|-"
    "FIFO without a reader|mkfifo out.cue|out.cue|3|-"
    "standard output is the cue|echo 'REM OLD' > out.cue|out.cue >> out.cue|3 out.cue=OLD|-"
    "standard output is the cue, not cut|echo 'REM OLD' > out.cue|out.cue 1<> out.cue|3 out.cue=OLD|-"
    "a folder deeper than PATH_MAX|d=\$(printf 'd%.0s' {1..200}); for i in {1..25}; do mkdir \$d; cd \$d; done; ln -s \"\$scratch/list.txt\" ../list.txt; echo 'REM OLD' > out.cue|out.cue|0 out.cue=NEW|3 out.cue=OLD"
    "a WAV file not in the list|printf RIFF > keep.wav|keep.wav|3 keep.wav=RIFF|-"
    "standard output is the cue as /dev/stdout|echo 'REM OLD' > out.cue|/dev/stdout >> out.cue|3|-"
    "standard output to a pipe as /dev/stdout|:|/dev/stdout > >(cat > got)|0|-"
    "dash|:|- > got|0 got=NEW|3"
)

surroundings() {
    local row name setup cue ok failed status
    for row in "${surroundings[@]}"; do
        IFS='|' read -r name setup cue ok failed <<< "$row"
        for outcome in ok failed; do
            local expected=${!outcome}
            [ "$expected" = - ] && continue
            mkdir "$scratch/case" && cd "$scratch/case" || exit 1
            eval "$setup"
            if [ $outcome = ok ]; then
                eval "trelvask ../list.txt $cue" > /dev/null 2> err
            else
                (trap '' XFSZ; ulimit -f 1; eval "trelvask ../list.txt $cue") > /dev/null 2> err
            fi
            status=$?
            wait
            [ "$status" = "${expected%% *}" ] || fail "$name ($outcome): exit status $status, expected ${expected%% *}: $(cat err)"
            check "$name ($outcome)" "${expected#"${expected%% *}"}"
            exec 3<&-
            cd "$scratch" && rm -rf case
        done
    done
    echo "${#surroundings[@]} surroundings, each after a write that succeeds and one that fails"
}

# name | setup | how the runs are made | who runs them: a dry run ends with the
# status the real run does, and changes nothing. "as" runs them as nobody
# where the setup needs an unprivileged user (skipped when this is not root);
# "in" runs them in a mount namespace of their own.
dry_runs=(
    "an old cue sheet|echo 'REM OLD' > out.cue|trelvask ../list.txt out.cue|"
    "a new file|:|trelvask ../list.txt out.cue|"
    "a folder as the cue file|mkdir out.cue|trelvask ../list.txt out.cue|"
    "a text file|echo notes > out.cue|trelvask ../list.txt out.cue|"
    "the list|cp ../list.txt list.txt|trelvask list.txt list.txt|"
    "a missing folder|:|trelvask ../list.txt none/out.cue|"
    "a FIFO that nothing reads|mkfifo out.cue|trelvask ../list.txt out.cue|"
    "a FIFO with a reader|mkfifo out.cue; exec 3<> out.cue|trelvask ../list.txt out.cue|"
    "a file size limit below the sheet's size|:|trap '' XFSZ; ulimit -f 1; trelvask ../list.txt out.cue|"
    "a bind-mounted file|echo 'REM OLD' > out.cue; echo 'REM MOUNTED' > mounted.cue|mount --bind mounted.cue out.cue && trelvask ../list.txt out.cue|in"
    "another user's file in a sticky folder|mkdir -m 1777 t; echo 'REM OLD' > t/out.cue; chmod 666 t/out.cue; chown 65533 t/out.cue|trelvask ../list.txt t/out.cue|as"
    "a read-only file|echo 'REM OLD' > out.cue; chmod 444 out.cue|trelvask ../list.txt out.cue|as"
    "a folder that takes no new file|mkdir d; echo 'REM OLD' > d/out.cue; chmod 666 d/out.cue; chmod 555 d|trelvask ../list.txt d/out.cue|as"
)

# Every entry below the folder with its inode and times: what a dry run must leave.
inodes() {
    find . -printf '%p %i %T@ %C@\n' | sort
}

dryrun() {
    local row name setup command who mode status real skipped=0
    chmod 755 "$scratch"
    for row in "${dry_runs[@]}"; do
        IFS='|' read -r name setup command who <<< "$row"
        if [ -n "$who" ] && [ "$(id -u)" != 0 ]; then
            skipped=$((skipped + 1))
            continue
        fi
        for mode in dry real; do
            mkdir "$scratch/case" && chmod 777 "$scratch/case" && cd "$scratch/case" || exit 1
            eval "$setup"
            local run=$command
            [ $mode = dry ] && run=${run/trelvask/trelvask --dry-run}
            : > err
            inodes > "$scratch/before"
            case $who in
            as) setpriv --reuid=65534 --regid=65534 --clear-groups bash -c "export PATH='$PATH'; $run" > /dev/null 2> err ;;
            in) unshare -m bash -c "$run" > /dev/null 2> err ;;
            *) (eval "$run") > /dev/null 2> err ;;
            esac
            status=$?
            exec 3<&-
            if [ $mode = dry ]; then
                real=$status
                diff <(grep -v '^\./err ' "$scratch/before") <(inodes | grep -v '^\./err ') > "$scratch/changes" ||
                    fail "$name: the dry run changed a file: $(cat "$scratch/changes")"
            elif [ "$status" != "$real" ]; then
                fail "$name: the dry run ends with $real, the real run with $status: $(cat err)"
            fi
            cd "$scratch" && chmod -R u+rwx case && rm -rf case
        done
    done
    echo "${#dry_runs[@]} setups, each run dry and for real, $skipped skipped for want of root"
}

# Two runs at once on a hard-linked cue: one whole sheet of one of them.
concurrent() {
    local round
    for ((round = 0; round < 100; round++)); do
        mkdir case && cd case || exit 1
        echo 'REM OLD' > out.cue
        ln out.cue backup.cue
        trelvask ../list.txt out.cue > /dev/null 2>&1 &
        trelvask ../other.txt out.cue > /dev/null 2>&1 &
        wait
        cmp -s out.cue ../new.cue || cmp -s out.cue ../other.cue || fail "round $round: out.cue is no whole sheet"
        check "round $round" "backup.cue=OLD"
        cd .. && rm -rf case
    done
    echo "100 rounds of two runs at once"
}

# A run killed at a random moment leaves the old sheet or the new one, no
# temporary file, and dies of the signal it got.
signals() {
    local round signal status killed=0
    local -a names=(INT TERM HUP QUIT)
    RANDOM=2026
    set -m  # else background runs would ignore SIGINT
    ulimit -c 0  # SIGQUIT dumps no core
    for ((round = 0; round < 300; round++)); do
        mkdir case && cd case || exit 1
        echo 'REM OLD' > out.cue
        signal=${names[round % 4]}
        trelvask ../list.txt out.cue > /dev/null 2>&1 &
        sleep "0.00$((RANDOM % 5))"
        kill -"$signal" $! 2> /dev/null
        wait $!
        status=$?
        if [ $status = $((128 + $(kill -l "$signal"))) ]; then
            killed=$((killed + 1))
        elif [ $status != 0 ]; then
            fail "round $round: SIG$signal gave exit status $status"
        fi
        [ "$(cat out.cue)" = "REM OLD" ] || cmp -s out.cue ../new.cue || fail "round $round: out.cue is no whole sheet"
        check "round $round" ""
        cd .. && rm -rf case
    done
    echo "300 runs sent SIGINT, SIGTERM, SIGHUP or SIGQUIT; $killed died of it, the others had finished"
}

# A list too large for the memory the run may have: one line on standard
# error, exit status 1, and the old cue sheet as it was.
memory() {
    mkdir case && cd case || exit 1
    echo 'REM OLD' > output.cue
    { echo "$scratch/a.wav"; yes '# a comment line of the kind that fills a long list' | head -n 1000000; } > big.txt
    (ulimit -d 60000; trelvask big.txt) > /dev/null 2> err
    status=$?
    [ $status = 1 ] || fail "exit status $status, expected 1"
    [ "$(wc -l < err)" = 1 ] && grep -q '^trelvask: out of memory: ' err || fail "standard error: $(head -c 300 err)"
    check "out of memory" "output.cue=OLD"
    cd .. && rm -rf case
    echo "a list of 1,000,000 lines under a 60 MB data limit"
}

# Every allocation of a run fails in turn, and every one from there on: the
# run ends with a whole old or new sheet, at most one line, and the status of
# what it was doing.
allocations() {
    local library=$FAIL_ALLOC_LIBRARY last mode at status lines tried=0
    mkdir case && cd case || exit 1
    echo 'REM OLD' > out.cue
    FAIL_ALLOC_COUNT=$PWD/count LD_PRELOAD=$library "${trelvask[@]}" ../list.txt out.cue > /dev/null 2>&1
    last=$(cat count)
    for mode in at on; do
        for ((at = 1; at <= last + 1; at++)); do
            echo 'REM OLD' > out.cue
            if [ $mode = on ]; then export FAIL_ALLOC_ON=1; else unset FAIL_ALLOC_ON; fi
            FAIL_ALLOC_AT=$at LD_PRELOAD=$library "${trelvask[@]}" ../list.txt out.cue > /dev/null 2> err
            status=$?
            lines=$(wc -l < err)
            tried=$((tried + 1))
            case $status in
            0 | 5) check "allocation $at ($mode)" "out.cue=NEW" ;;
            1 | 2 | 3) check "allocation $at ($mode)" "out.cue=OLD" ;;
            *) fail "allocation $at ($mode): exit status $status: $(cat err)" ;;
            esac
            [ "$lines" -le $((status == 0 ? 0 : 1)) ] || fail "allocation $at ($mode): $lines lines: $(cat err)"
        done
    done
    cd .. && rm -rf case
    echo "$tried runs, each failing one of the $last allocations of a run or all from one on"
}

"$part"
echo "$part: $((failures == 0 ? 1 : 0)) passed, $((failures == 0 ? 0 : 1)) failed"
[ $failures = 0 ]
