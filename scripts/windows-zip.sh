#!/usr/bin/env bash
# Builds the zips for Windows users, in build-mingw/:
#
# - hayeskvd-<version>-win64.zip: the window program HayesKvd.exe,
#   cross-built against Qt for Windows (scripts/windows-qt.sh, build folder
#   build-mingw-qt/) and stripped, with Qt's DLLs, the qwindows platform
#   plugin, the styles plugin, Qt's Russian texts, the compiler's three
#   runtime DLLs, hayeskvd-cli.exe, the help, the example lists, the licence
#   texts (licenses\) and README.txt (packaging/windows/README-HayesKvd.txt);
# - hayeskvd-cli-<version>-win64.zip: hayeskvd-cli.exe alone (statically
#   linked: it needs no DLL but Windows' own), the example lists, the
#   licence texts of what it holds (licenses\) and its README.txt
#   (packaging/windows/README.txt).
#
# The READMEs are UTF-8 with a byte order mark and CR LF, so that Notepad
# shows them; their exit statuses come from the program's own help. The
# version is the one the program reports. Fails on any DLL that a program
# or DLL of a zip needs and that neither the zip nor Windows has, and prints
# what each zip holds. Needs what `scripts/setup.sh --windows` installs.
#
#   scripts/windows-zip.sh [native build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:-build}
. scripts/windows-runtime.sh
dir=build-mingw
cmake -S cmake/windows -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
    >/dev/null
cmake --build "$dir" --target hayeskvd-cli -j"$(nproc)" >/dev/null
cli="$dir/bin/hayeskvd-cli.exe"
windows_qt_build HayesKvd >/dev/null
program=build-mingw-qt/bin/HayesKvd.exe

# The help, from the program itself (under Wine), or from the native build
# of the same sources.
if command -v wine >/dev/null; then
    . scripts/wine-prefix.sh
    help=$(wine "$cli" --help)
else
    help=$("$native/bin/hayeskvd-cli" --help)
fi
version=$(sed -n 's/.*"hayeskvd-cli \([0-9][0-9.]*\) .*/\1/p' cli/HelpText.h)
[ -n "$version" ] || { echo "windows zip: no version in cli/HelpText.h" >&2; exit 1; }
# "Коды завершения: 0 успех; 1 иная ошибка; ... 12 файл настроек не записан."
# as a table, a status a line.
exitCodes=$(sed -n '/^Коды завершения:/,$p' <<<"$help" | tr '\n' ' ' |
    sed 's/^Коды завершения: *//; s/\. *$//; s/; /\n/g' |
    while read -r code text || [ -n "$code" ]; do printf '  %3s  %s\n' "$code" "$text"; done)
[ "$(wc -l <<<"$exitCodes")" -ge 10 ] || { echo "windows zip: no exit statuses in the help" >&2; exit 1; }
qtSource=$(cat "$windows_qt/SOURCE_VERSION")
qtVersion=${qtSource%%+*}

# readme TEMPLATE OUT: the template with its fields filled, for Notepad.
readme() {
    {
        printf '\xEF\xBB\xBF'
        while IFS= read -r line; do
            if [ "$line" = "@EXIT_CODES@" ]; then
                printf '%s\n' "$exitCodes"
            else
                line=${line//@VERSION@/$version}
                line=${line//@QT_VERSION@/$qtVersion}
                printf '%s\n' "${line//@QT_SOURCE@/$qtSource}"
            fi
        done <"$1"
    } | sed 's/$/\r/' >"$2"
}

# pack NAME: build-mingw/NAME.zip of the staged build-mingw/zip/NAME/, with
# the import check and a listing.
pack() {
    local name=$1 stage="$dir/zip/$1"
    windows_import_check "$stage" || { echo "windows zip: $name lacks a DLL" >&2; exit 1; }
    rm -f "$dir/$name.zip"
    (cd "$dir/zip" && cmake -E tar cf "../$name.zip" --format=zip "$name")
    echo "windows zip: $dir/$name.zip ($(stat -c %s "$dir/$name.zip") bytes):"
    (cd "$stage" && find . -type f | sort | sed 's|^\./||' | while read -r f; do
        printf '  %-44s %9d bytes\n' "$f" "$(stat -c %s "$f")"
    done)
}

rm -rf "$dir/zip"

# The command line alone.
name="hayeskvd-cli-$version-win64"
stage="$dir/zip/$name"
mkdir -p "$stage/licenses/mingw-w64"
x86_64-w64-mingw32-strip -o "$stage/hayeskvd-cli.exe" "$cli"
cp examples/hayes_init.n2 examples/kvard_channel.n3 "$stage/"
# The program's own licence with CLI11's and nlohmann/json's, whose code it
# holds, and the compiler's static runtime.
cp packaging/copyright "$stage/licenses/HayesKvd.txt"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/mingw-w64/gcc-runtime.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/mingw-w64/mingw-w64-winpthreads.txt"
readme packaging/windows/README.txt "$stage/README.txt"
# The stripped program as it goes into the zip, run once.
if command -v wine >/dev/null; then
    got=$(wine "$stage/hayeskvd-cli.exe" --version)
    wineserver -k 2>/dev/null || true
    [[ "$got" == "hayeskvd-cli $version "* ]] ||
        { echo "windows zip: the packed program says «$got»" >&2; exit 1; }
fi
pack "$name"

# The window program with everything it needs.
name="hayeskvd-$version-win64"
stage="$dir/zip/$name"
mkdir -p "$stage/licenses/mingw-w64"
x86_64-w64-mingw32-strip -o "$stage/HayesKvd.exe" "$program"
cp "$dir/zip/hayeskvd-cli-$version-win64/hayeskvd-cli.exe" "$stage/"
windows_runtime_copy "$windows_qt" "$stage"
# Without their symbols: a user's zip, not a debugger's.
find "$stage" -iname '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
cp help/HayesKvd.html examples/hayes_init.n2 examples/kvard_channel.n3 "$stage/"
cp -r "$windows_qt/licenses/qt" "$windows_qt/licenses/3rdparty" "$stage/licenses/"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/mingw-w64/gcc-runtime.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/mingw-w64/mingw-w64-winpthreads.txt"
cp packaging/copyright "$stage/licenses/HayesKvd.txt"
readme packaging/windows/README-HayesKvd.txt "$stage/README.txt"
pack "$name"
