#!/usr/bin/env bash
# Takes screenshots of the real window under Xvfb: the start, the modem mode
# and the controller mode for kits 0 and 1 (into the folder given, default
# build/screenshots). Needs xdotool and imagemagick besides Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/screenshots}
mkdir -p "$out"
export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $prog $xvfb 2>/dev/null || true' EXIT
sleep 1
build/bin/HayesKvd >/dev/null 2>&1 &
prog=$!
sleep 2
win=$(xdotool search --name "Программа настройки" | head -1)
eval "$(xdotool getwindowgeometry --shell "$win")"
click() { xdotool mousemove $((X + $1)) $((Y + $2)) click 1; sleep 0.6; }
shot() { import -window root "$out/$1.png"; }
shot start
click 78 15            # "Модем для КВАРД"
shot modem
click 230 15           # "Настройка КВАРД": the kit menu
xdotool key Down Return; sleep 0.6
shot kit0
click 230 15           # release
click 230 15           # press again
xdotool key Down Down Return; sleep 0.6
shot kit1
click 80 382           # "Прочитать из КВАРД": the controller dialog, full width
shot dialog_kit1
xdotool key Escape; sleep 0.6
click 230 15; click 230 15
xdotool key Down Return; sleep 0.6
click 80 382
shot dialog_kit0       # narrowed: no protocol panel for the basic kit
xdotool key Escape; sleep 0.6
echo "screenshots in $out"
