#!/usr/bin/env bash
# Installs what building, running and testing Lemnar needs on Debian 12, and
# nothing that is already there. Needs root (or sudo).
set -euo pipefail

packages=(
    g++ cmake make pkg-config
    qt6-base-dev libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-dejavu-core
    clang libclang-rt-dev clang-format
    xvfb xauth xdotool x11-utils
    inetutils-telnetd
    libssh-dev openssh-server openssh-client stterm
    dpkg-dev file desktop-file-utils appstream man-db groff-base util-linux
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all packages present"
    exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
