#!/usr/bin/env bash
# Builds the tool, optimised, into build/release, installing what the build
# needs with apt-get when it is missing. The tests are built too where
# GoogleTest is installed; ./check.sh installs it and runs them.
set -euo pipefail
cd "$(dirname "$0")"
source ./packages.sh
install_missing "${build_packages[@]}"
cmake --preset release >/dev/null
cmake --build --preset release --target trelvask
