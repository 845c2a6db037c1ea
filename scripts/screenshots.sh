#!/usr/bin/env bash
# Takes screenshots of the real windows under Xvfb (into the folder given,
# default build/screenshots): the main window at start, in modem mode and in
# controller mode for kits 0 and 1; the controller dialog at full and
# narrowed width; the port dialog, the network scan window, the exchange log
# and the computer's ports window. Needs xdotool and imagemagick besides Xvfb
# (scripts/setup.sh --screenshots).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/screenshots}
mkdir -p "$out"
export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
prog=
trap 'kill $prog $xvfb 2>/dev/null || true' EXIT
sleep 1
home=$(mktemp -d)
cp -r build/bin/. "$home/"
rm -f "$home/HmK.Cfg" "$home/HayesKvd.ini" "$home/ports.conf"
rm -rf "$home/logs" "$home/backups" "$home/ports"
"$home/HayesKvd" >/dev/null 2>&1 &
prog=$!
sleep 2
win=$(xdotool search --name "Программа настройки" | head -1)
eval "$(xdotool getwindowgeometry --shell "$win")"
click() { xdotool mousemove $((X + $1)) $((Y + $2)) click 1; sleep 0.6; }
shot() { import -window root "$out/$1.png"; }
# One window by its title, alone.
shot_window() {
    local id
    id=$(xdotool search --onlyvisible --name "$2" | tail -1)
    import -window "$id" "$out/$1.png"
}
shot start
click 78 15            # "Модем для КВАРД"
shot modem
click 80 252           # "Просмотр текущих настроек...": the port dialog
shot port_information    # the information box before the port dialog
xdotool key Return; sleep 0.8
shot_window port_dialog "Инициализация Hayes-модема"
xdotool key Escape; sleep 0.6
click 230 15           # "Настройка КВАРД": the kit menu
xdotool key Down Return; sleep 0.6
shot kit0
click 230 15           # release
click 230 15           # press again
xdotool key Down Down Return; sleep 0.6
shot kit1
click 80 382           # "Прочитать из КВАРД": the controller dialog, full width
shot dialog_kit1
dialog=$(xdotool search --onlyvisible --name "Чтение из КВАРД" | tail -1)
eval "$(xdotool getwindowgeometry --shell "$dialog" | sed 's/^/D_/')"
xdotool mousemove $((D_X + 14)) $((D_Y + 15)) click 1; sleep 0.6    # untick the search
shot_window dialog_number "Чтение из КВАРД"
xdotool mousemove $((D_X + 216)) $((D_Y + 15)) click 1; sleep 0.8   # «Опрос сети...»
shot_window scan "Опрос сети"
xdotool key Escape; sleep 0.6
xdotool mousemove $((D_X + 40)) $((D_Y + 437)) click 1; sleep 0.8   # «Журнал»
shot_window log "Журнал обмена"
xdotool key Escape; sleep 0.6
xdotool key Escape; sleep 0.6
click 230 15; click 230 15
xdotool key Down Return; sleep 0.6
click 80 382
shot dialog_kit0       # narrowed: no protocol panel for the basic kit
xdotool key Escape; sleep 0.6
echo "screenshots in $out"
