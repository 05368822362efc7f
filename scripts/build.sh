#!/usr/bin/env bash
# Configures and builds Pavane into a build folder (default: build), with
# warnings as errors. Extra arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${PAVANE_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DPAVANE_WERROR=ON "$@"
cmake --build "$build_dir" --parallel "$(nproc)"
