#!/usr/bin/env bash
# Lints the manual page, builds the .deb, has lintian check it, unpacks it
# into a scratch root and runs the installed tool and manual page from there.
#   check_package.sh BUILD_DIR VERSION ARCHITECTURE [EMULATOR...]
set -euo pipefail
build_dir=$1
version=$2
architecture=$3
shift 3
emulator=("$@")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

warnings=$(groff -man -ww -z "$build_dir/trelvask.1" 2>&1)
[ -z "$warnings" ] || { echo "groff warns: $warnings"; exit 1; }

(cd "$scratch" && cpack --config "$build_dir/CPackConfig.cmake" -B "$scratch/out" >/dev/null)
deb=$(ls "$scratch"/out/*.deb)
dpkg-deb --field "$deb" Package Version Depends
dpkg-deb --field "$deb" Version | grep -qx "$version" || { echo "the package is not version $version"; exit 1; }
dpkg-deb --field "$deb" Architecture | grep -qx "$architecture" || { echo "the package is not for $architecture"; exit 1; }
dpkg -x "$deb" "$scratch/root"
# Stripped by the target's strip: the host's cannot read a foreign binary.
case $(file -b "$scratch/root/usr/bin/trelvask") in
*", stripped"*) ;;
*) echo "the installed tool is not stripped"; exit 1 ;;
esac
depends=$(dpkg-deb --field "$deb" Depends | tr -d ' ' | tr ',' '\n' | sort | tr '\n' ' ')
[ "$depends" = "libc6(>=$(dpkg-deb --field "$deb" Depends | grep -oE 'libc6 \(>= [0-9.]+' | cut -d' ' -f3)) libsndfile1(>=1.1.0) libsoxr0(>=0.1.3) " ] ||
    { echo "Depends names no libc6 version, or not the converting libraries: $depends"; exit 1; }
# Informational tags may stay; any error or warning fails.
tags=$(lintian "$deb" 2>&1 | grep -E '^[EW]: ' || true)
[ -z "$tags" ] || { echo "lintian:"; echo "$tags"; exit 1; }

[ -f "$scratch/root/usr/share/bash-completion/completions/trelvask" ] || { echo "the package has no bash completion"; exit 1; }
said=$("${emulator[@]}" "$scratch/root/usr/bin/trelvask" --version)
[ "$said" = "Trelvask $version" ] || { echo "installed trelvask --version says: $said"; exit 1; }
"${emulator[@]}" "$scratch/root/usr/bin/trelvask" --help | head -1 | grep -qx "Trelvask $version by Quorvanel" ||
    { echo "the usage text names another version"; exit 1; }
page=$(MANWIDTH=80 man -l "$scratch/root/usr/share/man/man1/trelvask.1.gz" 2>&1)
grep -q '^NAME' <<<"$page" && grep -q 'trelvask - write a CUE sheet' <<<"$page" && grep -q "Trelvask $version" <<<"$page" ||
    { echo "installed manual page does not render:"; echo "$page" | head; exit 1; }
echo "installed: $(cd "$scratch/root" && find . -type f | sort | tr '\n' ' ')"
