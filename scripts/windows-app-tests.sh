#!/usr/bin/env bash
# HayesKvd.exe end to end under Wine, from the unpacked zip
# (build-mingw/hayeskvd-<version>-win64.zip, scripts/windows-zip.sh), on a
# virtual screen (Xvfb), driven as an operator would with the mouse and the
# keyboard (xdotool). Wine maps Com1 to the pseudo-terminal of kvard-sim's
# controllers' line and Com2 to its simulated modem (kvard-sim from the
# native build, default build/). The cases, each checked from outside:
#
#   start        the main window opens (its start time is printed);
#   list         "Прочитать из файла" reads hayes_init.n2 and "Сохранить в
#                файле" writes it back byte for byte, its Cyrillic line whole;
#   modem        "Записать в модем" on Com2 writes every line: the modem's
#                stored profile holds what the list sets (kvard-sim's state);
#   controller   "Прочитать из КВАРД" through the controller dialog reads
#                controller number 5 on Com1, and the buffer saved from the
#                memo is what kvard-sim says the controller holds.
#
# Screenshots of the main window and of the controller dialog go to
# build-mingw/app-tests/ (docs/ has those of scripts/windows-screenshots.sh). Prints each
# case and the counts. Needs what `scripts/setup.sh --windows` installs.
#
#   scripts/windows-app-tests.sh [native build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
native=$(realpath "${1:-build}")
dir=build-mingw
zip=$(ls "$dir"/hayeskvd-[0-9]*-win64.zip 2>/dev/null | tail -1)
[ -n "$zip" ] || { echo "windows app: no zip in $dir: run scripts/windows-zip.sh first" >&2; exit 1; }
[ -x "$native/bin/kvard-sim" ] ||
    { echo "windows app: no $native/bin/kvard-sim: build the native tree first" >&2; exit 1; }
if ! command -v wine >/dev/null || ! command -v xdotool >/dev/null; then
    echo "windows app: Wine or xdotool is not installed: the window program was not run"
    exit 0
fi
. scripts/wine-prefix.sh
shots=$PWD/$dir/app-tests
rm -rf "$shots"
mkdir -p "$shots"

work=$(mktemp -d)
sim_pid= xvfb_pid= prog_pid=
cleanup() {
    [ -z "$prog_pid" ] || kill "$prog_pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The program as a user unpacks it.
(cd "$work" && cmake -E tar xf "$OLDPWD/$zip")
program=$(ls -d "$work"/hayeskvd-*-win64)
# Com2 (index 1) for the modem, RS-232, 9600 baud (index 5), number 5, kit 0.
printf '\001\000\005\005\000\000\000\000' >"$program/HmK.Cfg"

wine_serve_devices "$native/bin/kvard-sim" "$work"

# A virtual screen of its own.
for n in $(seq 90 99); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
export DISPLAY=:$n
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done

# ---- what the cases use -------------------------------------------------------

fail() {
    echo "$*"
    echo "windows open: $(names)"
    import -window root "$shots/failed-$case.png" 2>/dev/null || true
    exit 1
}
# wait_window TITLE [SECONDS]: the id of the visible window of that title.
wait_window() {
    local id tries=$((${2:-20} * 10))
    for _ in $(seq "$tries"); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
# gone TITLE [SECONDS]: waits until no visible window has that title.
gone() {
    for _ in $(seq $((${2:-20} * 10))); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}
# click WINDOW X Y: a left click at X, Y of the window's client area.
click() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + $2)) $((Y + $3))
    sleep 0.3
    xdotool click 1
    sleep 0.7
}
# shot WINDOW NAME: the window as the screen shows it, into NAME.png.
shot() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$shots/$2.png"
}
# file_dialog NAME: types a name into the file dialog that opens now (its
# name field has the focus) and accepts it.
file_dialog() {
    sleep 3
    xdotool type --delay 20 "$1"
    xdotool key Return
    sleep 2
}
# names: the titles of the visible windows, for a failure's message.
names() {
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
        printf '«%s» ' "$(xdotool getwindowname "$id")"
    done
}
# wait_file FILE: waits up to 10 s for the program to write FILE.
wait_file() {
    for _ in $(seq 100); do [ -s "$1" ] && { sleep 0.5; return 0; }; sleep 0.1; done
    return 1
}
win_path() { winepath -w "$1" 2>/dev/null; }
bytes_of() { od -An -v -tx1 "$1" | tr -s ' ' '\n' | sed '/^$/d'; }
buffer_bytes() { sed -n "s/^buffer $1 $2 //p" "$state" | fold -w2; }

# ---- the cases --------------------------------------------------------------------

case_start() {
    local started=$SECONDS t0
    t0=$(date +%s%N)
    (cd "$program" && exec wine HayesKvd.exe) >"$work/program.out" 2>&1 &
    prog_pid=$!
    main=$(wait_window "Программа настройки" 60) || fail "the main window did not open"
    echo "start: the main window opened $(( ($(date +%s%N) - t0) / 1000000 )) ms after the start"
    sleep 1
    shot "$main" main-window
    : "$started"
}

case_list() {
    main=$(wait_window "Программа настройки" 5) || fail "no main window"
    click "$main" 78 15                 # "Модем для КВАРД"
    click "$main" 80 87                 # "Прочитать из файла"
    file_dialog "$(win_path "$program/hayes_init.n2")"
    shot "$main" main-window-list
    click "$main" 80 112                # "Сохранить в файле"
    file_dialog "$(win_path "$work/saved.n2")"
    wait_file "$work/saved.n2" || fail "the list was not saved"
    cmp "$program/hayes_init.n2" "$work/saved.n2" ||
        fail "the list came back otherwise: $(od -c "$work/saved.n2" | head -8)"
}

case_modem() {
    main=$(wait_window "Программа настройки" 5) || fail "no main window"
    click "$main" 80 137                # "Записать в модем": the port dialog first
    local dialog
    sleep 2
    xdotool key Return
    dialog=$(wait_window "Инициализация Hayes-модема" 20) || fail "no port dialog"
    sleep 0.5
    click "$dialog" 260 34              # "9600 бод"
    shot "$dialog" port-dialog
    click "$dialog" 217 211             # "OK"
    gone "Инициализация Hayes-модема" 20 || fail "the port dialog stayed open"
    local stored
    for _ in $(seq 300); do
        stored=$(sed -n 's/^modem stored //p' "$state")
        [ "$(cut -d, -f1 <<<"$stored")" = 2 ] && [ "$(cut -d, -f8 <<<"$stored")" = 60 ] && break
        sleep 0.1
    done
    [ "$(cut -d, -f1 <<<"$stored")" = 2 ] && [ "$(cut -d, -f8 <<<"$stored")" = 60 ] ||
        fail "the modem stored S0, S7 = $(cut -d, -f1,8 <<<"$stored"), expected 2, 60"
    sleep 2
    # Every line of the list that goes to the modem: the seven AT lines.
    local taken
    taken=$(sed -n 's/^modem commands \([0-9]*\) .*/\1/p' "$state")
    [ "$taken" = 7 ] || fail "the modem took $taken command lines, not the list's 7"
    shot "$main" main-window-modem
}

case_controller() {
    main=$(wait_window "Программа настройки" 5) || fail "no main window"
    click "$main" 78 15                 # leave the modem mode
    click "$main" 230 15                # "Настройка КВАРД": the kit menu
    xdotool key Down Return
    sleep 1
    click "$main" 80 382                # "Прочитать из КВАРД"
    local dialog
    dialog=$(wait_window "Чтение из КВАРД" 20) || fail "no controller dialog"
    sleep 1
    # As an operator reads a known controller: no search of the number, Com1,
    # RS-232, number 5, 9600 baud, then "Подбор".
    click "$dialog" 14 15               # "Подбор сетевого номера" unticked
    click "$dialog" 22 219              # "Com1"
    click "$dialog" 151 219             # "Rs-232"
    click "$dialog" 193 67              # "Сетевой номер"
    xdotool key ctrl+a
    xdotool type 5
    click "$dialog" 133 138             # "Скорость обмена": the list opens
    xdotool key Down Down Down Down Down Down Return     # "  9600 бод"
    sleep 0.5
    shot "$dialog" controller-dialog
    click "$dialog" 127 437             # "Подбор"
    gone "Чтение из КВАРД" 60 || fail "the controller dialog stayed open"
    shot "$main" main-window-controller
    click "$main" 80 112                # "Сохранить в файле буфер"
    file_dialog "$(win_path "$work/buffer1.n3")"
    wait_file "$work/buffer1.n3" || fail "the buffer was not saved"
    # The list saved from a buffer: its lines up to the closing 00, each
    # ended by CR LF, and the empty line after the last one.
    diff <(buffer_bytes 5 0 | sed '/^00$/,$d' | sed 's/^0d$/0d\n0a/'; printf '0d\n0a\n') \
        <(bytes_of "$work/buffer1.n3") >/dev/null ||
        fail "the buffer read differs from the controller's: $(od -c "$work/buffer1.n3" | head)"
}

# ---- running them -------------------------------------------------------------------

run=0 passed=0
for case in start list modem controller; do
    run=$((run + 1))
    started=$SECONDS
    if (set -e && "case_$case") >"$work/case-$case.log" 2>&1; then
        passed=$((passed + 1))
        printf 'windows app: %-12s passed (%d s)\n' "$case" $((SECONDS - started))
        sed -n 's/^start: /windows app:   /p' "$work/case-$case.log"
    else
        printf 'windows app: %-12s FAILED\n' "$case"
        sed 's/^/    /' "$work/case-$case.log" | tail -20
        break   # each case goes on from where the one before left the window
    fi
done
echo "windows app end to end under Wine: $run cases run, $passed passed, $((run - passed)) failed"
echo "windows app: screenshots in $shots"
[ "$passed" -eq 4 ]
