#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (shared DLLs: Core, Gui, Widgets, Test, the
# qwindows platform plugin and the styles plugin) from Debian's own source
# package of qtbase, at the version of the installed host tools
# (qt6-base-dev-tools: moc, rcc and uic come from there), with Debian's
# mingw-w64 compiler. The result is cached in
#   ${XDG_CACHE_HOME:-~/.cache}/hayeskvd/qt-<version>-mingw-<hash>
# where the hash covers the source version, the compiler's version and this
# script; an existing cache is used as it is. The build installs under a
# temporary name and is renamed at its end, so a killed build never leaves a
# half cache. Prints the cache folder as its last line.
# Needs what `scripts/setup.sh --windows` installs, and root or sudo for the
# source entry of apt (added once, in /etc/apt/sources.list.d/).
#
#   scripts/windows-qt.sh            -> prints the Qt folder (builds it when absent)
#   scripts/windows-qt.sh --path     -> prints the Qt folder it would use, builds nothing
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)   # e.g. 6.4.2+dfsg-10
upstream=${version%%+*}
upstream=${upstream%%-*}
compiler=$(x86_64-w64-mingw32-g++-posix --version | head -1)
hash=$( { echo "$version"; echo "$compiler"; cat "$0"; } | sha256sum | cut -c1-12)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/hayeskvd
qt="$cache/qt-$upstream-mingw-$hash"
if [ "${1:-}" = "--path" ]; then
    echo "$qt"
    exit 0
fi
if [ -f "$qt/lib/cmake/Qt6/Qt6Config.cmake" ]; then
    echo "windows qt: cached in $qt" >&2
    echo "$qt"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then SUDO=(); else SUDO=(sudo); fi
started=$(date +%s)
mkdir -p "$cache"
work=$(mktemp -d "$cache/work.XXXXXX")
partial="$qt.partial.$$"
cleanup() { rm -rf "$work" "$partial"; }
trap cleanup EXIT

# Debian's source of qtbase, pinned to the host tools' version, unpacked
# with Debian's patches (dpkg-source applies them).
if ! apt-get source --print-uris "qt6-base=$version" >/dev/null 2>&1; then
    sources=/etc/apt/sources.list.d/hayeskvd-source.sources
    echo "windows qt: adding the source entry $sources" >&2
    {
        echo "Types: deb-src"
        echo "URIs: http://deb.debian.org/debian"
        echo "Suites: bookworm bookworm-updates"
        echo "Components: main"
        echo "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
        echo
        echo "Types: deb-src"
        echo "URIs: http://deb.debian.org/debian-security"
        echo "Suites: bookworm-security"
        echo "Components: main"
        echo "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
    } | "${SUDO[@]}" tee "$sources" >/dev/null
    "${SUDO[@]}" apt-get update -qq
fi
(cd "$work" && apt-get source -o APT::Sandbox::User=root --download-only -qq "qt6-base=$version" >/dev/null)
dsc=$(ls "$work"/qt6-base_*.dsc)
dpkg-source --no-check -x "$dsc" "$work/src" >/dev/null
echo "windows qt: qtbase $version unpacked ($(($(date +%s) - started)) s)" >&2

# The cross tool chain for Qt itself: shared libraries, so no -static.
cat >"$work/toolchain.cmake" <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

off=(network sql dbus printsupport concurrent xml opengl vulkan zstd icu glib fontconfig
    jpeg gif textmarkdownreader textmarkdownwriter tabletevent direct2d1_1 sql_sqlite
    system_pcre2 system_zlib system_freetype system_harfbuzz system_png system_jpeg
    system_doubleconversion system_libb2 system_textmarkdownreader)
features=()
for f in "${off[@]}"; do features+=("-DFEATURE_$f=OFF"); done
cmake -S "$work/src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$partial" \
    -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DINPUT_opengl=no \
    -DFEATURE_direct2d=ON \
    -DFEATURE_testlib=ON \
    "${features[@]}" >"$work/configure.log" 2>&1 ||
    { tail -40 "$work/configure.log" >&2; echo "windows qt: configure failed" >&2; exit 1; }
echo "windows qt: configured ($(($(date +%s) - started)) s)" >&2
cmake --build "$work/build" -j"$(nproc)" >"$work/build.log" 2>&1 ||
    { grep -B2 -A10 -m5 'error' "$work/build.log" >&2 || tail -40 "$work/build.log" >&2
      echo "windows qt: build failed" >&2; exit 1; }
cmake --install "$work/build" >/dev/null
# The licence texts of Qt and of the third-party code built into it, kept for
# the zip.
mkdir -p "$partial/licenses"
cp "$work/src/"LICENSE* "$partial/licenses/" 2>/dev/null || true
for f in $(find "$work/src/src/3rdparty" -maxdepth 2 \( -iname 'LICENSE*' -o -iname 'COPYING*' \
        -o -iname 'FTL.TXT' -o -iname 'qt_attribution.json' \) ); do
    rel=${f#"$work/src/src/3rdparty/"}
    mkdir -p "$partial/licenses/3rdparty/$(dirname "$rel")"
    cp "$f" "$partial/licenses/3rdparty/$rel"
done
cp "$work/src/debian/copyright" "$partial/licenses/debian-copyright"
echo "$version" >"$partial/SOURCE_VERSION"
rm -rf "$qt"
mv "$partial" "$qt"
echo "windows qt: built in $(($(date +%s) - started)) s into $qt" >&2
echo "$qt"
