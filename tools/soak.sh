#!/usr/bin/env bash
# Soak: the real program against the demo server for MINUTES minutes (default
# 2), on an X server of its own, under random keys, pastes of what it shows,
# resizes, disconnects and reconnects. Each minute it samples the program's
# resident memory and open descriptors, connected and quiet; after the first
# minute both must stay flat: resident memory within +5 MiB of the first
# sample, descriptors equal to it. Prints one line a minute; exits 1 when
# either grows, or when the program or the server ends.
# LEMNAR_SOAK_BUILD_DIR chooses the Release build (default build-rel/),
# built here when its programs are missing; LEMNAR_SOAK_SEED fixes the dice.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-2}
build=${LEMNAR_SOAK_BUILD_DIR:-build-rel}
RANDOM=${LEMNAR_SOAK_SEED:-$$}
rss_slack_kib=$((5 * 1024))

fail() {
    echo "soak: $*" >&2
    exit 1
}

for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || fail "$tool is missing (tools/setup-debian.sh installs it)"
done
if [ ! -x "$build/shell/lemnar" ] || [ ! -x "$build/tools/demo-server/lemnar-demo-server" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLEMNAR_SANITIZE= -DLEMNAR_TESTS=OFF \
        -DLEMNAR_BENCH=OFF >/dev/null
    cmake --build "$build" -j"${LEMNAR_JOBS:-2}" --target lemnar lemnar-demo-server
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# An X server on a free display, which it reports itself.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

"$build/tools/demo-server/lemnar-demo-server" --port 0 >"$work/server" 2>&1 &
server_pid=$!
pids+=("$server_pid")
for _ in $(seq 100); do
    grep -q 'listening on' "$work/server" && break
    sleep 0.1
done
port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/server" | head -n1)
[ -n "$port" ] || fail "the demo server did not start"
host=127.0.0.1:$port

# The program from a directory of its own, so its settings land there.
mkdir "$work/program"
cp "$build/shell/lemnar" "$work/program/"
"$work/program/lemnar" h "$host" X 0 Y 0 W 640 H 400 >"$work/program.out" 2>&1 &
program_pid=$!
pids+=("$program_pid")
win=
for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --name 'Lemnar' 2>/dev/null | head -n1 || true)
    [ -n "$win" ] && break
    sleep 0.1
done
[ -n "$win" ] || fail "the program's window did not come"

alive() {
    kill -0 "$program_pid" 2>/dev/null || fail "the program has ended: $(tail -n3 "$work/program.out")"
    kill -0 "$server_pid" 2>/dev/null || fail "the demo server has ended"
}
title() { xdotool getwindowname "$win" 2>/dev/null || true; }
# Keys go through the X server's test extension to the focused window, as a
# keyboard's would; events sent to a window directly are not trusted.
keys() {
    xdotool windowfocus --sync "$win" 2>/dev/null || true
    xdotool key --delay 20 "$@" 2>/dev/null
}
connected() { [[ "$(title)" == *"Подключено к"* ]]; }
pick() {
    local items=("$@")
    echo "${items[RANDOM % ${#items[@]}]}"
}

# The menu "Сервер" opened, and its first enabled item chosen: "Подключить"
# while disconnected, "Отключить" while connected.
first_server_item() {
    xdotool mousemove --window "$win" 20 10 click 1 2>/dev/null
    sleep 0.3
    xdotool key Down Return 2>/dev/null
    sleep 0.3
}
# "Подключить", the prompt's last host, then the demo server's login.
reconnect() {
    first_server_item
    keys Return
    for _ in $(seq 30); do
        connected && break
        sleep 0.1
    done
    sleep 0.3
    keys d e m o Return
    sleep 0.2
    keys p w Return
}
# "Отключить", answered "Да".
disconnect() {
    first_server_item
    xdotool key Return 2>/dev/null
}
# A drag over a few rows of the screen, then the middle button: the program
# pastes what it selected.
paste() {
    local row=$((RANDOM % 20 + 2))
    xdotool mousemove --window "$win" 8 $((row * 15 + 30)) mousedown 1 \
        mousemove --window "$win" 600 $(((row + RANDOM % 3) * 15 + 30)) mouseup 1 2>/dev/null
    xdotool mousemove --window "$win" 300 200 click 2 2>/dev/null
}
counts=(0 0 0 0 0 0)
count() { counts[$1]=$((counts[$1] + 1)); }
act() {
    local dice=$((RANDOM % 100))
    if ! connected; then
        count 5
        reconnect
    elif [ $dice -lt 70 ]; then
        count 0
        keys "$(pick a b c x y z 1 2 Return BackSpace Up Down Left Right \
            Tab F2 F3 F5 F9 Home End Prior Next alt+c alt+g alt+e alt+k)"
    elif [ $dice -lt 80 ]; then
        count 1
        paste
    elif [ $dice -lt 90 ]; then
        count 2
        xdotool windowsize "$win" $((400 + RANDOM % 500)) $((250 + RANDOM % 450)) 2>/dev/null
    elif [ $dice -lt 95 ]; then
        count 3
        keys alt+x # the demo server ends the session
    else
        count 4
        disconnect
    fi
}

# Connected and quiet, then the program's resident KiB and open descriptors.
sample() {
    for _ in $(seq 50); do
        connected && break
        reconnect
        sleep 1
    done
    connected || fail "could not reconnect: $(title)"
    xdotool windowsize "$win" 640 400 2>/dev/null
    sleep 2
    alive
    rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$program_pid/status")
    fds=$(find "/proc/$program_pid/fd" -mindepth 1 -maxdepth 1 | wc -l)
}

echo "soak: $minutes minute(s), program pid $program_pid, demo server on $host, display $DISPLAY"
sleep 1
keys d e m o Return
sleep 0.2
keys p w Return
sleep 1
sample
echo "soak: start: VmRSS ${rss} KiB, ${fds} descriptors"
base_rss=
base_fds=
status=0
for minute in $(seq "$minutes"); do
    counts=(0 0 0 0 0 0)
    actions=0
    end=$((SECONDS + 60))
    while [ $SECONDS -lt $end ]; do
        alive
        act
        actions=$((actions + 1))
        sleep 0.0$((RANDOM % 9 + 1))
    done
    sample
    if [ -z "$base_rss" ]; then
        base_rss=$rss
        base_fds=$fds
        note="(the base)"
    else
        note="(+$((rss - base_rss)) KiB, $((fds - base_fds)) descriptors since minute 1)"
        [ $((rss - base_rss)) -le $rss_slack_kib ] || status=1
        [ "$fds" -eq "$base_fds" ] || status=1
    fi
    echo "soak: minute $minute: $actions actions (keys ${counts[0]}, pastes ${counts[1]}," \
        "resizes ${counts[2]}, ends by the server ${counts[3]}, disconnects ${counts[4]}," \
        "reconnects ${counts[5]}), VmRSS ${rss} KiB, ${fds} descriptors $note"
done
alive
[ $status -eq 0 ] || fail "resident memory or descriptors grew"
echo "soak: flat"
