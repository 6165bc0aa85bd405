#!/usr/bin/env bash
# Builds the Debian package from a Release build, unpacks it into a temporary
# root and checks it as installed: its files and dependencies, the desktop
# entry, the AppStream metainfo and the manual pages; then runs the unpacked
# programs offscreen as the unprivileged user nobody against the unpacked demo
# server. The program directory is root's, so the settings must go to
# XDG_CONFIG_HOME, and the help file must come from the data directory.
# LEMNAR_PACKAGE_BUILD_DIR chooses another build directory than build-rel/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${LEMNAR_JOBS:-2}
build=${LEMNAR_PACKAGE_BUILD_DIR:-$root/build-rel}

fail() {
    echo "check-package: $*" >&2
    exit 1
}

bash tools/setup-debian.sh

echo "== package (release build)"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLEMNAR_SANITIZE= -DLEMNAR_TESTS=OFF \
    -DLEMNAR_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs"
rm -f "$build"/lemnar_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/lemnar_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one package in $build"
deb=${debs[0]}
echo "   $(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"

work=$(mktemp -d)
server_pid=
cleanup() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
tree=$work/root
dpkg-deb -x "$deb" "$tree"
bin=$tree/usr/bin
share=$tree/usr/share

echo "== contents"
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
    grep -qxF "$lib" <<<"$depends" || fail "Depends lacks $lib"
done
for f in bin/lemnar bin/lemnar-replay bin/lemnar-demo-server share/lemnar/Lemnar.hlp \
    share/applications/org.lemnar.Lemnar.desktop share/metainfo/org.lemnar.Lemnar.metainfo.xml \
    share/icons/hicolor/scalable/apps/lemnar.svg share/man/man1/lemnar.1.gz \
    share/man/man1/lemnar-replay.1.gz; do
    [ -s "$tree/usr/$f" ] || fail "missing /usr/$f"
done
for size in 16 22 24 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x$size/apps/lemnar.png
    file -b "$png" | grep -q "PNG image data, $size x $size," || fail "bad icon $png"
done

echo "== desktop entry and metainfo"
out=$(desktop-file-validate "$share/applications/org.lemnar.Lemnar.desktop" 2>&1) ||
    fail "desktop-file-validate: $out"
if grep -Eq 'error:|warning:' <<<"$out"; then
    fail "desktop-file-validate: $out"
fi
appstreamcli validate --no-net "$share/metainfo/org.lemnar.Lemnar.metainfo.xml" >/dev/null ||
    fail "appstreamcli validate failed"
appstreamcli validate-tree --no-net "$tree" >/dev/null || fail "appstreamcli validate-tree failed"

echo "== manual pages"
for page in lemnar lemnar-replay; do
    err=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=w -l "$share/man/man1/$page.1.gz" 2>&1 \
        >/dev/null) || fail "man $page failed: $err"
    [ -z "$err" ] || fail "man $page: $err"
done

echo "== installed programs as nobody"
group=$(id -gn nobody)
user=$work/user
mkdir -p "$user/home" "$user/runtime"
chmod 700 "$user/runtime"
chown -R "nobody:$group" "$user"
nobody=(setpriv --reuid=nobody --regid="$group" --clear-groups
    env -i PATH=/usr/bin:/bin LC_ALL=C.UTF-8 HOME="$user/home"
    XDG_CONFIG_HOME="$user/config" XDG_RUNTIME_DIR="$user/runtime" QT_QPA_PLATFORM=offscreen)
# Runs until cond holds, for at most 20 s.
wait_for() {
    for _ in $(seq 200); do
        eval "$1" && return 0
        sleep 0.1
    done
    return 1
}
start_server() {
    (cd "$user/home" && exec "${nobody[@]}" "$bin/lemnar-demo-server" --port "$1") \
        >"$work/server.out" &
    server_pid=$!
    wait_for "grep -q 'listening on' '$work/server.out'" || fail "the demo server did not start"
}
stop_server() {
    kill "$server_pid"
    wait "$server_pid" || true
    server_pid=
}

printf 'Hello\r\nworld' | (cd "$user/home" && "${nobody[@]}" "$bin/lemnar-replay" --cells -) |
    grep -q '"Hello' || fail "lemnar-replay did not show its input"

start_server 0
port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/server.out")
log=$user/session.log
# Starts the program in the user's home; it gets 60 s.
start_program() {
    (cd "$user/home" && exec timeout 60 "${nobody[@]}" "$bin/lemnar" "$@") &
    program=$!
}
# First start: host, login, exit on disconnect and a log from the command
# line. A block goes to the log when the next one comes, so the login prompt
# is there once the login sent has brought the password prompt. The program
# saves its settings when the server ends the connection, then ends.
start_program h "127.0.0.1:$port" L demo E P "$log"
wait_for "grep -qa 'login:' '$log' 2>/dev/null" || fail "no login prompt in the log: not connected"
stop_server
wait "$program" || fail "the program ended with status $? after the connection ended"

ini=$user/config/Lemnar/Lemnar.ini
[ -f "$ini" ] || fail "no settings file at $ini"
[ ! -e "$bin/Lemnar.ini" ] || fail "a settings file beside the installed program"
[ "$(stat -c %U "$ini")" = nobody ] || fail "settings file not owned by nobody"
[ "$(stat -c %a "$user/config")" = 700 ] || fail "config directory not private"
for line in "Host=127.0.0.1:$port" "Login=demo" "Logfile=$log" "ExitOnDisconnect=1" \
    "HelpPath=$share/lemnar/Lemnar.hlp"; do
    grep -qFx "$line" <(tr -d '\r' <"$ini") || fail "no line $line in $ini"
done

# Second start, hidden, with nothing else on the command line: host, login,
# log and exit on disconnect come back from the settings file.
start_server "$port"
size=$(stat -c %s "$log")
start_program S
wait_for "tail -c +$((size + 1)) '$log' | grep -qa 'login:'" ||
    fail "the second start did not connect from its settings"
stop_server
wait "$program" || fail "the second start ended with status $?"
echo "check-package: $(basename "$deb") checked"
