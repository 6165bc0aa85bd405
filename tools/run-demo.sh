#!/usr/bin/env bash
# Builds Lemnar and starts it connected to the demo QNX server on a free
# loopback port; the server stops when the terminal exits.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DLEMNAR_TESTS=OFF -DLEMNAR_BENCH=OFF >/dev/null
cmake --build build -j"${LEMNAR_JOBS:-2}"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run-demo: no display here (DISPLAY is not set). Start it under a desktop session," >&2
    echo "          or try: xvfb-run -a bash tools/run-demo.sh" >&2
    exit 1
fi

server=build/tools/demo-server/lemnar-demo-server
if [ ! -x "$server" ]; then
    echo "run-demo: the demo server is not built; starting the terminal alone"
    exec build/shell/lemnar "$@"
fi

portfile=$(mktemp)
"$server" --port 0 >"$portfile" &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null || true; rm -f "$portfile"' EXIT
for _ in $(seq 50); do
    grep -q 'listening on' "$portfile" && break
    sleep 0.1
done
port=$(sed -n 's/.*listening on [^:]*:\([0-9]*\).*/\1/p' "$portfile" | head -n1)
[ -n "$port" ] || { echo "run-demo: the demo server did not start" >&2; exit 1; }
echo "run-demo: demo server on 127.0.0.1:$port"
build/shell/lemnar h "127.0.0.1:$port" "$@"
