#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the demo need.
# Safe to run again: apt-get skips what is already installed.
#
#   scripts/setup.sh              the build, the tests and the demo
#   scripts/setup.sh --package    also what builds and checks the Debian
#                                 package (scripts/package.sh)
#   scripts/setup.sh --windows    also the Windows cross-compiler, Wine, what
#                                 unpacks Qt's source for Windows and what
#                                 drives the window program under Wine
#                                 (scripts/windows-*.sh)
#   scripts/setup.sh --screenshots  also what drives and captures the windows
#                                 (scripts/screenshots.sh)
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libgtest-dev googletest
    libcli11-dev nlohmann-json3-dev
    libssl-dev
    clang libclang-rt-14-dev
    fonts-liberation2 fonts-wine
    qt6-translations-l10n
    xvfb xauth
)
for group in "$@"; do
    case "$group" in
        --package)
            packages+=(dpkg-dev file lintian desktop-file-utils appstream) ;;
        --windows)
            # GoogleTest comes as source (googletest above) and is built with
            # the cross-compiler; so is Qt (scripts/windows-qt.sh), from the
            # source package that dpkg-source unpacks.
            packages+=(g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev xdotool imagemagick) ;;
        --screenshots)
            packages+=(xdotool imagemagick) ;;
        *)
            echo "setup.sh: unknown option $group" >&2
            exit 2 ;;
    esac
done

# Nothing to do when every package is installed already: ./run.sh and
# ./test.sh then start without asking for a password or the network.
missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$package")
done
[ ${#missing[@]} -gt 0 ] || exit 0

if [ "$(id -u)" -eq 0 ]; then
    SUDO=()
else
    SUDO=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
