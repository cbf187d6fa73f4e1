# Sourced by build.sh and check.sh: install_missing PACKAGE... installs the
# Debian packages of the list that are not installed, with apt-get; a
# package of another architecture (libsoxr-dev:armhf) adds that
# architecture first, as multiarch has it.
install_missing() {
    local package missing=() architecture
    for package in "$@"; do
        dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    local sudo=
    [ "$(id -u)" = 0 ] || sudo=sudo
    for package in "${missing[@]}"; do
        architecture=${package#*:}
        [ "$architecture" = "$package" ] || dpkg --print-foreign-architectures | grep -qx "$architecture" ||
            $sudo dpkg --add-architecture "$architecture"
    done
    echo "installing ${missing[*]}"
    $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# What building the tool needs: a compiler, and the headers of the libraries
# that read and resample the files it converts.
build_packages=(cmake g++ libsndfile1-dev libsoxr-dev)
