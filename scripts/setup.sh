#!/usr/bin/env bash
# Installs the Debian packages that building and testing Pavane need.
# Safe to run again: packages already present are left as they are.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  googletest libgtest-dev libgmock-dev
  libsqlite3-dev libcurl4-openssl-dev libsoup-3.0-dev nlohmann-json3-dev libgumbo-dev
  libgtk-3-dev libwebkit2gtk-4.1-dev xvfb xauth fonts-noto-cjk fontconfig lintian
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${packages[@]}"
