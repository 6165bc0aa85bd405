#!/usr/bin/env bash
# End-to-end speed over SSH, Lemnar beside st, on an X server of their own
# (Xvfb), both to one sshd started here on a free loopback port, whose
# remote side puts its PTY in raw mode and cats a workload file (the same
# bytes as lemnar_bench's Program/* streams): st runs OpenSSH's ssh, Lemnar
# connects itself (ssh://, its own key, whose authorized_keys line forces the
# same command on the file named in $work/current). Timed from the
# terminal's start to its exit (st exits when ssh does, Lemnar with "e" when
# the channel closes, both at the end of the stream), less the same with an
# empty stream (start-up, key exchange and login), so the figure is the
# stream alone: MiB/s, median of the runs. The runs take turns, terminal by
# terminal, so a machine whose speed wanders treats both alike.
#
#   bench/over-ssh.sh [MiB] [runs]      (default 64 MiB, 3 runs)
#
# The terminals to time are the TERMINALS array. LEMNAR_BUILD_DIR (default
# build-bench, Release) holds lemnar_bench_workload and lemnar.
set -euo pipefail
cd "$(dirname "$0")/.."
mib=${1:-64}
runs=${2:-3}
build=${LEMNAR_BUILD_DIR:-build-bench}

for tool in st ssh ssh-keygen /usr/sbin/sshd Xvfb; do
    command -v "$tool" >/dev/null || {
        echo "over-ssh: $tool is missing; run tools/setup-debian.sh" >&2
        exit 1
    }
done

if [ ! -x "$build/bench/lemnar_bench_workload" ] || [ ! -x "$build/shell/lemnar" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLEMNAR_TESTS=OFF >/dev/null
    cmake --build "$build" --target lemnar_bench_workload lemnar -j"${LEMNAR_JOBS:-2}" >/dev/null
fi

work=$(mktemp -d)
sshd_pid=
xvfb_pid=
cleanup() {
    [ -z "$sshd_pid" ] || kill "$sshd_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

workloads=(plain colour qnx-fullscreen)
for w in "${workloads[@]}"; do
    "$build/bench/lemnar_bench_workload" "$w" "$mib" >"$work/$w"
done
: >"$work/empty"

# The server: its own host key, config and authorized key; run as root it
# needs its privilege separation directory.
ssh-keygen -q -t ed25519 -N '' -f "$work/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$work/client_key"
cp "$work/client_key.pub" "$work/authorized_keys"
# Lemnar opens a shell, which runs no command of its own: its key's line
# forces the one ssh is given, on the file of the run.
mkdir -p -m 0700 "$work/home/.ssh" "$work/bin"
ssh-keygen -q -t ed25519 -N '' -f "$work/home/.ssh/id_ed25519"
printf 'command="stty raw -echo -iexten; exec cat $(cat %s/current)" %s\n' "$work" \
    "$(cat "$work/home/.ssh/id_ed25519.pub")" >>"$work/authorized_keys"
# Its settings file goes beside the copy.
cp "$build/shell/lemnar" "$work/bin/lemnar"
[ "$(id -u)" -ne 0 ] || mkdir -p -m 0755 /run/sshd
user=$(id -un)
for _ in $(seq 20); do
    port=$(shuf -i 20000-60000 -n 1)
    cat >"$work/sshd_config" <<CONFIG
ListenAddress 127.0.0.1:$port
HostKey $work/host_key
AuthorizedKeysFile $work/authorized_keys
PidFile none
UsePAM no
StrictModes no
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
PrintMotd no
PrintLastLog no
CONFIG
    /usr/sbin/sshd -D -e -f "$work/sshd_config" 2>"$work/sshd.log" &
    sshd_pid=$!
    for _ in $(seq 50); do
        grep -q "Server listening" "$work/sshd.log" && break
        kill -0 "$sshd_pid" 2>/dev/null || break
        sleep 0.1
    done
    grep -q "Server listening" "$work/sshd.log" && break
    wait "$sshd_pid" 2>/dev/null || true
    sshd_pid=
done
[ -n "$sshd_pid" ] || {
    echo "over-ssh: sshd did not start" >&2
    exit 1
}

display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done

ssh_command=(ssh -e none -F /dev/null -i "$work/client_key" -p "$port"
    -o UserKnownHostsFile="$work/known_hosts" -o StrictHostKeyChecking=accept-new
    -tt "$user@127.0.0.1")
# The remote side as the terminal's own road would have it: a PTY, raw, so
# the bytes pass as they are.
remote() { echo "stty raw -echo -iexten; exec cat $1"; }

# The terminals: a name, then the command that runs "$@" (ssh and its remote
# command) in an 80 x 25 window and exits when it ends; TYPE is the
# workload's terminal type. Lemnar's 8 x 15 cells make 640 x 375 pixels.
st_run() { st -g 80x25 -e "$@"; }
lemnar_run() {
    HOME=$work/home SSH_AUTH_SOCK='' "$work/bin/lemnar" e T "$TYPE" W 640 H 375 \
        h "ssh://$user@127.0.0.1:$port"
}
TERMINALS=(st lemnar)

now() { date +%s.%N; }
seconds() { # runs the terminal on a file, prints its wall time
    local terminal=$1 file=$2 start
    echo "$file" >"$work/current"
    start=$(now)
    "${terminal}_run" "${ssh_command[@]}" "$(remote "$file")" >/dev/null 2>&1
    awk -v a="$(now)" -v b="$start" 'BEGIN { print a - b }'
}
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

"${ssh_command[@]}" true >/dev/null 2>&1 # learns the host key
cp "$work/known_hosts" "$work/home/.ssh/known_hosts"
type_of() { case $1 in colour) echo ansi ;; *) echo qnx ;; esac; }

declare -A times
for w in empty "${workloads[@]}"; do
    TYPE=$(type_of "$w")
    for _ in $(seq "$runs"); do
        for terminal in "${TERMINALS[@]}"; do
            times[$terminal/$w]+="$(seconds "$terminal" "$work/$w") "
        done
    done
done
printf '%-10s %-16s %-28s %s\n' terminal workload "runs, s (empty stream)" "MiB/s"
for terminal in "${TERMINALS[@]}"; do
    empty=$(printf '%s\n' ${times[$terminal/empty]} | median)
    for w in "${workloads[@]}"; do
        middle=$(printf '%s\n' ${times[$terminal/$w]} | median)
        rate=$(awk -v m="$mib" -v t="$middle" -v e="$empty" 'BEGIN { print m / (t - e) }')
        printf '%-10s %-16s %-28s %.1f\n' "$terminal" "$w" \
            "$(printf '%.2f ' ${times[$terminal/$w]})($(printf '%.2f' "$empty"))" "$rate"
    done
done
