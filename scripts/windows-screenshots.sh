#!/usr/bin/env bash
# Screenshots of HayesKvd.exe under Wine as a Windows user meets it, at 100 %
# and at 125 % (Windows' 96 and 120 dpi: Wine's LogPixels), into docs/:
#
#   windows-main-window-<scale>.png        modem mode, hayes_init.n2 read
#   windows-port-dialog-<scale>.png        the port dialog before a run
#   windows-status-too-long-<scale>.png    a run on a line where no modem
#                                          answers: the status text cut with
#                                          "…" and its whole text as the hint
#                                          under the pointer
#   windows-controller-dialog-<scale>.png  the controller dialog with the
#                                          number and speed fields
#
# The program runs from a folder of its own (as the zip unpacks), Com1 on
# kvard-sim's controllers' line (no modem answers there), on a virtual
# screen (Xvfb), driven with xdotool. Needs what `scripts/setup.sh
# --windows` installs and the native kvard-sim (default build/).
#
#   scripts/windows-screenshots.sh [native build folder] [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."
native=$(realpath "${1:-build}")
out=$(realpath "${2:-docs}")
[ -x "$native/bin/kvard-sim" ] ||
    { echo "windows screenshots: no $native/bin/kvard-sim: build the native tree first" >&2; exit 1; }
. scripts/windows-runtime.sh
windows_qt_build HayesKvd >/dev/null
dir=build-mingw-qt
windows_runtime_copy "$windows_qt" "$dir/bin"
. scripts/wine-prefix.sh

work=$(mktemp -d)
sim_pid= xvfb_pid= prog_pid=
cleanup() {
    [ -z "$prog_pid" ] || kill "$prog_pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1 || true
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
wine_serve_devices "$native/bin/kvard-sim" "$work"

for n in $(seq 80 89); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
export DISPLAY=:$n
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done

wait_window() {
    local id
    for _ in $(seq $((${2:-20} * 10))); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "windows screenshots: no window «$1»" >&2
    return 1
}
# click WINDOW X Y: a click at X, Y of the design (scaled) in the client area.
click() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + $2 * scale / 100)) $((Y + $3 * scale / 100))
    sleep 0.3
    xdotool click 1
    sleep 0.8
}
# shot WINDOW NAME [BELOW [RIGHT]]: the window as the screen shows it (BELOW
# and RIGHT pixels more, for a hint that hangs out of it).
shot() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    import -window root -crop "$((WIDTH + ${4:-0}))x$((HEIGHT + ${3:-0}))+$X+$Y" +repage \
        "$out/$2-$scale.png"
    echo "windows screenshots: $out/$2-$scale.png"
}

for scale in 100 125; do
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
        /d $((96 * scale / 100)) /f >/dev/null 2>&1
    wineserver -k 2>/dev/null || true
    program="$work/HayesKvd-$scale"
    mkdir -p "$program"
    cp -r "$dir/bin/." "$program/"
    rm -f "$program"/test_*.exe "$program/Qt6Test.dll"
    cp examples/*.n2 examples/*.n3 help/HayesKvd.html "$program/"
    # Com1, RS-232, 9600 baud, number 5, kit КВАРД-47.
    printf '\000\000\005\005\000\000\000\003' >"$program/HmK.Cfg"
    (cd "$program" && exec wine HayesKvd.exe) >"$work/program-$scale.out" 2>&1 &
    prog_pid=$!
    main=$(wait_window "Программа настройки" 60)
    sleep 2
    click "$main" 78 15                 # "Модем для КВАРД"
    click "$main" 80 87                 # "Прочитать из файла"
    sleep 3
    xdotool type --delay 20 "$(winepath -w "$program/hayes_init.n2")"
    # The first Return may only close the file name's completion list.
    for _ in 1 2 3; do
        xdotool search --onlyvisible --name "Прочитать список из файла" >/dev/null 2>&1 || break
        xdotool key Return
        sleep 1.5
    done
    shot "$main" windows-main-window
    click "$main" 80 137                # "Записать в модем": the speed first
    sleep 2
    xdotool key Return
    port=$(wait_window "Инициализация Hayes-модема" 20)
    sleep 0.5
    click "$port" 260 34                # "9600 бод"
    shot "$port" windows-port-dialog
    click "$port" 217 211               # "OK": the run goes to Com1, where no modem is
    sleep 12                            # the 10 s a line waits for its answer
    eval "$(xdotool getwindowgeometry --shell "$main")"
    # The hint is wider than the window: the pointer near the panel's left
    # end, so that the hint runs out to the right, and the shot wider too.
    xdotool mousemove $((X + 20 * scale / 100)) $((Y + HEIGHT - 8 * scale / 100))
    sleep 3                             # the hint shows under the pointer
    shot "$main" windows-status-too-long 60 $((200 * scale / 100))
    xdotool mousemove $((X + 300 * scale / 100)) $((Y + 60 * scale / 100))
    click "$main" 78 15                 # leave the modem mode
    click "$main" 230 15                # "Настройка КВАРД": the kit menu
    xdotool key Down Down Down Down Return   # КВАРД-47: the protocol panel shows
    sleep 1
    click "$main" 80 382                # "Прочитать из КВАРД"
    dialog=$(wait_window "Чтение из КВАРД" 20)
    sleep 1
    click "$dialog" 14 15               # "Подбор сетевого номера" unticked
    sleep 1
    shot "$dialog" windows-controller-dialog
    xdotool key Escape
    sleep 0.5
    kill "$prog_pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    prog_pid=
done
