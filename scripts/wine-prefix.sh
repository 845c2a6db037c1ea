# Sourced by the scripts that run the Windows build under Wine: the Wine
# prefix in the cross-build folder ($dir), created on first use, no windows
# shown, and a way to give a COM port the device of a pseudo-terminal.
# Wine reads file names and the command line as UTF-8 in a UTF-8 locale.
export WINEPREFIX="$PWD/$dir/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1

# wine_map_ports COMn DEVICE [COMm DEVICE ...]: Wine's own way to give COM
# ports their devices; it takes effect at the next start of the Wine server,
# so the server is stopped here.
wine_map_ports() {
    while [ $# -ge 2 ]; do
        wine reg add 'HKLM\Software\Wine\Ports' /v "$1" /d "$2" /f >/dev/null 2>&1
        shift 2
    done
    wineserver -k 2>/dev/null || true
}
