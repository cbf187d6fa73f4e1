#!/usr/bin/env bash
# Lints the manual page, builds the .deb, unpacks it into a scratch root and
# runs the installed tool and manual page from there.
set -euo pipefail
source_dir=$1
build_dir=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

warnings=$(groff -man -ww -z "$source_dir/man/trelvask.1" 2>&1)
[ -z "$warnings" ] || { echo "groff warns: $warnings"; exit 1; }

(cd "$scratch" && cpack --config "$build_dir/CPackConfig.cmake" -B "$scratch/out" >/dev/null)
deb=$(ls "$scratch"/out/*.deb)
dpkg-deb --field "$deb" Package Version Depends
dpkg -x "$deb" "$scratch/root"

version=$("$scratch/root/usr/bin/trelvask" --version)
[ "$version" = "Trelvask 1.0" ] || { echo "installed trelvask --version says: $version"; exit 1; }
page=$(MANWIDTH=80 man -l "$scratch/root/usr/share/man/man1/trelvask.1" 2>&1)
grep -q '^NAME' <<<"$page" && grep -q 'trelvask - write a CUE sheet' <<<"$page" ||
    { echo "installed manual page does not render:"; echo "$page" | head; exit 1; }
echo "installed: $(cd "$scratch/root" && find . -type f | sort | tr '\n' ' ')"
