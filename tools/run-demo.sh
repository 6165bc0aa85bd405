#!/usr/bin/env bash
# Builds Lemnar and starts it connected to the demo QNX server on a free
# loopback port; the server stops when the terminal exits. With "ssh" as the
# first argument the road is SSH: the demo server's SSH mode, and the terminal
# started with h ssh://demo@127.0.0.1:PORT (the password is "demo"; the
# server's host key is asked about the first time). Extra arguments go to the
# terminal (for example: T ansi). LEMNAR_BUILD_DIR and LEMNAR_BUILD_TYPE choose
# another build directory and type than build/ and Release.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${LEMNAR_BUILD_DIR:-build}
mode=telnet
if [ "${1:-}" = ssh ]; then
    mode=ssh
    shift
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run-demo: there is no display here (neither DISPLAY nor WAYLAND_DISPLAY is set)," >&2
    echo "          so the terminal's window cannot be shown. Run it in a desktop session," >&2
    echo "          or on a virtual one: xvfb-run -a bash tools/run-demo.sh" >&2
    exit 1
fi

bash tools/setup-debian.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE="${LEMNAR_BUILD_TYPE:-Release}" -DLEMNAR_SANITIZE= -DLEMNAR_TESTS=OFF \
    -DLEMNAR_BENCH=OFF >/dev/null
cmake --build "$build" -j"${LEMNAR_JOBS:-2}" --target lemnar lemnar-demo-server

server=$build/tools/demo-server/lemnar-demo-server
portfile=$(mktemp)
server_args=(--port 0)
[ "$mode" = telnet ] || server_args+=(--ssh)
"$server" "${server_args[@]}" >"$portfile" &
server_pid=$!
stop_server() {
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    rm -f "$portfile"
}
trap stop_server EXIT
for _ in $(seq 100); do
    grep -q 'listening on' "$portfile" && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
done
port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$portfile" | head -n1)
if [ -z "$port" ]; then
    echo "run-demo: the demo server did not start" >&2
    exit 1
fi
if [ "$mode" = ssh ]; then
    echo "run-demo: demo SSH server on 127.0.0.1:$port, $(sed -n 's/^host key //p' "$portfile");"
    echo "          the password is demo"
    "$build/shell/lemnar" h "ssh://demo@127.0.0.1:$port" "$@"
else
    echo "run-demo: demo server on 127.0.0.1:$port; log in with any name and password"
    "$build/shell/lemnar" h "127.0.0.1:$port" "$@"
fi
