# Sourced by the scripts that build, test and pack the window program for
# Windows: what HayesKvd.exe needs beside itself to run, and the check that
# nothing it needs is missing.
#
#   windows_runtime_copy QT DEST [test]   Qt's DLLs, the platform plugin, the
#       styles plugin, Qt's Russian texts (Debian's qtbase_ru.qm: the same
#       for every platform) and the compiler's three runtime DLLs into DEST
#       (with "test": Qt's test library and the offscreen platform too)
#   windows_import_check DIR              fails, naming them, on DLLs that a
#       program or DLL in DIR imports and that neither DIR nor Windows has

# The compiler's runtime: the C++ library, the unwinder and POSIX threads.
windows_compiler_dlls=(
    /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libstdc++-6.dll
    /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libgcc_s_seh-1.dll
    /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll
)

windows_runtime_copy() {
    local qt=$1 dest=$2 test=${3:-}
    mkdir -p "$dest/platforms" "$dest/styles" "$dest/translations"
    cp -u /usr/share/qt6/translations/qtbase_ru.qm "$dest/translations/"
    cp -u "$qt/bin/Qt6Core.dll" "$qt/bin/Qt6Gui.dll" "$qt/bin/Qt6Widgets.dll" "$dest/"
    cp -u "$qt/plugins/platforms/qwindows.dll" "$dest/platforms/"
    cp -u "$qt/plugins/styles/qwindowsvistastyle.dll" "$dest/styles/"
    cp -u "${windows_compiler_dlls[@]}" "$dest/"
    if [ "$test" = test ]; then
        cp -u "$qt/bin/Qt6Test.dll" "$dest/"
        cp -u "$qt/plugins/platforms/qoffscreen.dll" "$dest/platforms/"
    fi
}

# The DLLs that come with every Windows that Qt 6 runs on (10 and later).
windows_system_dlls=(advapi32.dll authz.dll bcrypt.dll comdlg32.dll crypt32.dll d2d1.dll
    d3d11.dll d3d9.dll dwmapi.dll dwrite.dll dxgi.dll gdi32.dll imm32.dll kernel32.dll mpr.dll
    msvcrt.dll netapi32.dll ole32.dll oleaut32.dll setupapi.dll shcore.dll shell32.dll shlwapi.dll
    user32.dll userenv.dll uxtheme.dll version.dll winmm.dll ws2_32.dll wtsapi32.dll)

windows_import_check() {
    local dir=$1 missing=0 file dll
    while IFS= read -r -d '' file; do
        for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\tDLL Name: //p'); do
            local lower=${dll,,}
            [[ " ${windows_system_dlls[*]} " == *" $lower "* ]] && continue
            [[ "$lower" == api-ms-win-* ]] && continue
            [ -n "$(find "$dir" -maxdepth 1 -iname "$dll" -print -quit)" ] && continue
            echo "windows: ${file#"$dir"/} needs $dll, which neither $dir nor Windows has" >&2
            missing=1
        done
    done < <(find "$dir" \( -iname '*.exe' -o -iname '*.dll' \) -print0)
    return $missing
}

# windows_qt_build TARGET...: configures build-mingw-qt/ against Qt for
# Windows (built into its cache by scripts/windows-qt.sh when absent) and
# builds the targets; $windows_qt is then Qt's folder.
windows_qt_build() {
    windows_qt=$(scripts/windows-qt.sh | tail -1)
    cmake -S cmake/windows -B build-mingw-qt -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-shared.cmake" \
        -DHK_WINDOWS_QT="$windows_qt" -DQT_HOST_PATH=/usr -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build-mingw-qt --target "$@" -j"$(nproc)"
}
