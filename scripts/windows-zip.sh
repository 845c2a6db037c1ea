#!/usr/bin/env bash
# Builds hayeskvd-cli-<version>-win64.zip for Windows users: hayeskvd-cli.exe
# cross-compiled with mingw-w64 (cmake/windows/, build-mingw/), statically
# linked and stripped, the example lists, and README.txt in Russian
# (packaging/windows/README.txt: UTF-8 with a byte order mark and CR LF, so
# that Notepad shows it), its exit statuses taken from the program's own
# help. The version is the one the program reports. Checks that the program
# needs no DLL but the system's, and prints what the zip holds.
# Needs what `scripts/setup.sh --windows` installs.
#
#   scripts/windows-zip.sh [native build folder]   -> build-mingw/hayeskvd-cli-<version>-win64.zip
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:-build}
dir=build-mingw
cmake -S cmake/windows -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
    >/dev/null
cmake --build "$dir" --target hayeskvd-cli -j"$(nproc)" >/dev/null
exe="$dir/bin/hayeskvd-cli.exe"

# Only the system's DLLs: the C++ runtime and threads are linked in.
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p')
for dll in $imports; do
    case "${dll,,}" in
        kernel32.dll | msvcrt.dll | shell32.dll | user32.dll | advapi32.dll) ;;
        *)
            echo "windows zip: $exe needs $dll, which Windows does not bring" >&2
            exit 1 ;;
    esac
done

# The help, from the program itself (under Wine), or from the native build
# of the same sources.
if command -v wine >/dev/null; then
    . scripts/wine-prefix.sh
    help=$(wine "$exe" --help)
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

name="hayeskvd-cli-$version-win64"
stage="$dir/zip"
rm -rf "$stage"
mkdir -p "$stage/$name"
x86_64-w64-mingw32-strip -o "$stage/$name/hayeskvd-cli.exe" "$exe"
cp examples/hayes_init.n2 examples/kvard_channel.n3 "$stage/$name/"
{
    printf '\xEF\xBB\xBF'
    while IFS= read -r line; do
        if [ "$line" = "@EXIT_CODES@" ]; then
            printf '%s\n' "$exitCodes"
        else
            printf '%s\n' "${line//@VERSION@/$version}"
        fi
    done <packaging/windows/README.txt
} | sed 's/$/\r/' >"$stage/$name/README.txt"

# The stripped program as it goes into the zip, run once.
if command -v wine >/dev/null; then
    got=$(wine "$stage/$name/hayeskvd-cli.exe" --version)
    wineserver -k 2>/dev/null || true
    [[ "$got" == "hayeskvd-cli $version "* ]] ||
        { echo "windows zip: the packed program says «$got»" >&2; exit 1; }
fi

rm -f "$dir/$name.zip"
(cd "$stage" && cmake -E tar cf "../$name.zip" --format=zip "$name")
echo "windows zip: $dir/$name.zip ($(stat -c %s "$dir/$name.zip") bytes):"
(cd "$stage/$name" && for f in *; do printf '  %-18s %8d bytes\n' "$f" "$(stat -c %s "$f")"; done)
echo "windows zip: hayeskvd-cli.exe imports only $(tr '\n' ' ' <<<"$imports")"
