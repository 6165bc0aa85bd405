#!/usr/bin/env bash
# Screenshots of the host prompt over the terminal, the about panel and the
# help window, taken under Xvfb from a copy of the program in a temporary
# directory (so no settings file is left behind). Not run by CI.
#   tools/screenshots.sh [lemnar binary] [output directory]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/shell/lemnar}")
out=$(realpath -m "${2:-screenshots}")

if [ -z "${LEMNAR_SCREENSHOTS_INNER:-}" ]; then
    export LEMNAR_SCREENSHOTS_INNER=1
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$bin" "$out"
fi

mkdir -p "$out"
home=$(mktemp -d)
cp "$bin" "$home/lemnar"
cp resources/Lemnar.hlp "$home/"
export ASAN_OPTIONS=detect_leaks=0
"$home/lemnar" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$home"' EXIT
sleep 3

import -window root "$out/prompt.png"

# The prompt away, then Помощь > О программе through the keyboard.
xdotool key Escape
sleep 0.5
xdotool key alt
sleep 0.3
xdotool key Right Down
sleep 0.5
xdotool key Down Return
sleep 1
import -window root "$out/about.png"

# Помощь > Справка.
xdotool key alt
sleep 0.3
xdotool key Right Down
sleep 0.5
xdotool key Return
sleep 1.5
import -window root "$out/help.png"
echo "screenshots in $out"
