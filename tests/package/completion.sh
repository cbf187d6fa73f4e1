#!/usr/bin/env bash
# The bash completion parses, and completes an option and a file name.
#   completion.sh COMPLETION_FILE
set -u
bash -n "$1" || { echo "the completion does not parse"; exit 1; }
source "$1"
cd "$(mktemp -d)" && touch album.txt && mkdir cd
failures=0
# words typed, then what the completion offers
while IFS='|' read -r words expected; do
    read -ra COMP_WORDS <<< "$words"
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _trelvask
    [ "${COMPREPLY[*]}" = "$expected" ] || { echo "$words: got '${COMPREPLY[*]}', expected '$expected'"; failures=1; }
done <<'CASES'
trelvask --st|--strict
trelvask --d|--dry-run
trelvask al|album.txt
trelvask -- --|
trelvask --convert c|cd
trelvask --conv|--convert
CASES
rm -f album.txt && rmdir cd
exit $failures
