# Sourced by build.sh and check.sh: install_missing PACKAGE... installs the
# Debian packages of the list that are not installed, with apt-get.
install_missing() {
    local package missing=()
    for package in "$@"; do
        dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    local sudo=
    [ "$(id -u)" = 0 ] || sudo=sudo
    echo "installing ${missing[*]}"
    $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# What building the tool needs.
build_packages=(cmake g++)
