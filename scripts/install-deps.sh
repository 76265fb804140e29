#!/usr/bin/env bash
# Installs the Debian packages the project needs, and only those that are missing.
# Safe to run any number of times: when everything is present it touches nothing.
set -euo pipefail

packages=(
    cmake ninja-build make g++ pkg-config python3 ccache
    libsfml-dev libx11-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-league-mono fonts-dejavu-core
    xvfb xauth xdotool imagemagick
    tmux libvterm-dev
    asciinema websockify chromium nodejs bsdutils netcat-openbsd
    clang-14 libclang-rt-14-dev clang-format clang-tidy-14 gcovr
)

missing=()
for pkg in "${packages[@]}"; do
    if ! dpkg -s "$pkg" 2>/dev/null | grep -q '^Status: install ok installed'; then
        missing+=("$pkg")
    fi
done

if [ ${#missing[@]} -ne 0 ]; then
    echo "Installing missing packages: ${missing[*]}"
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q
    $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The browser page's terminal and its test's browser driver, exactly as web/package-lock.json
# pins them; installed again only when the lock file changed since the last install.
web="$(cd "$(dirname "$0")/.." && pwd)/web"
if ! cmp -s "$web/package-lock.json" "$web/node_modules/.installed-lock.json"; then
    echo "Installing the web page's npm packages (web/package-lock.json)"
    (cd "$web" && npm ci --no-audit --no-fund && cp package-lock.json node_modules/.installed-lock.json)
fi
