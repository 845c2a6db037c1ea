#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (shared DLLs: Core, Gui, Widgets, Test, the
# qwindows platform plugin and the styles plugin) from Debian's own source
# package of qtbase, at the version of the installed host tools
# (qt6-base-dev-tools: moc, rcc and uic come from there), with Debian's
# mingw-w64 compiler. The result is cached in
#   ${XDG_CACHE_HOME:-~/.cache}/hayeskvd/qt-<version>-mingw-<hash>
# where the hash covers the source version, the compiler's version, this
# script and its tool chain file (cmake/mingw-w64-shared.cmake); an existing
# cache is used as it is. The build installs under a temporary name and is
# renamed at its end, so a killed build never leaves a half cache. Prints the
# cache folder as its last line.
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
# The tool chain without -static: Qt's DLLs share the compiler's runtime DLLs.
toolchain=$root/cmake/mingw-w64-shared.cmake
hash=$( { echo "$version"; echo "$compiler"; cat "$0" "$toolchain"; } | sha256sum | cut -c1-12)
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
# The source entries are those of the system's own package entries, as
# deb-src (Debian's deb822 file or the one-line sources.list).
if ! apt-get source --print-uris "qt6-base=$version" >/dev/null 2>&1; then
    entries=/etc/apt/sources.list.d/hayeskvd-source
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            "${SUDO[@]}" tee "$entries.sources" >/dev/null
    else
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | "${SUDO[@]}" tee "$entries.list" >/dev/null
    fi
    echo "windows qt: source entries added in $entries.*" >&2
    "${SUDO[@]}" apt-get update -qq
fi
(cd "$work" && apt-get source -o APT::Sandbox::User=root --download-only -qq "qt6-base=$version" >/dev/null)
dsc=$(ls "$work"/qt6-base_*.dsc)
dpkg-source --no-check -x "$dsc" "$work/src" >/dev/null
echo "windows qt: qtbase $version unpacked ($(($(date +%s) - started)) s)" >&2


# Everything the program, its window tests and the zip do not use is left
# out: whole modules (network, sql, dbus, printsupport, concurrent, xml,
# opengl), the system libraries (Qt's own copies are built in), image
# formats, the Direct2D platform plugin (the direct2d feature itself stays
# on: Qt 6.4 compiles the DirectWrite font database, which the qwindows
# plugin links, only with it), and the widgets, dialogs and text writers
# that no window of the program has (graphics view, MDI, dock widgets,
# calendars, date and font pickers, wizards, undo). Each is a feature switch
# of qtbase, so Qt's own configuration checks what depends on it.
off=(network sql dbus printsupport concurrent xml opengl vulkan zstd icu glib fontconfig
    jpeg gif ico movie textmarkdownreader textmarkdownwriter textodfwriter tabletevent
    direct2d1_1 sessionmanager systemtrayicon
    undocommand undostack undogroup undoview
    graphicsview graphicseffect effects mdiarea dockwidget calendarwidget datetimeedit
    lcdnumber dial fontcombobox fontdialog colordialog wizard errormessage columnview
    datawidgetmapper syntaxhighlighter splashscreen keysequenceedit toolbox
    commandlinkbutton scroller gestures jalalicalendar hijricalendar islamiccivilcalendar
    sharedmemory systemsemaphore
    system_pcre2 system_zlib system_freetype system_harfbuzz system_png system_jpeg
    system_doubleconversion system_libb2 system_textmarkdownreader)
features=()
for f in "${off[@]}"; do features+=("-DFEATURE_$f=OFF"); done
cmake -S "$work/src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
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
# The licence texts of Qt and of the third-party code built into its DLLs,
# kept for the zip: Qt's LICENSES/, the notices of FreeType, HarfBuzz,
# libpng, zlib, PCRE2 and double-conversion, and Debian's copyright file of
# the source package.
mkdir -p "$partial/licenses/qt" "$partial/licenses/3rdparty"
cp "$work/src/LICENSES/"* "$partial/licenses/qt/"
third=$work/src/src/3rdparty
for f in freetype/docs/FTL.TXT freetype/LICENSE.txt harfbuzz-ng/COPYING libpng/LICENSE \
        zlib/LICENSE pcre2/LICENCE pcre2/LICENCE-SLJIT double-conversion/LICENSE; do
    cp "$third/$f" "$partial/licenses/3rdparty/${f//\//-}"
done
cp "$work/src/debian/copyright" "$partial/licenses/qt/debian-copyright"
echo "$version" >"$partial/SOURCE_VERSION"
rm -rf "$qt"
mv "$partial" "$qt"
echo "windows qt: built in $(($(date +%s) - started)) s into $qt ($(du -sm "$qt" | cut -f1) MB)" >&2
echo "$qt"
