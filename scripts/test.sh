#!/usr/bin/env bash
# Sets up the machine, builds Pavane and runs its whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh "$@"
ctest --test-dir "${PAVANE_BUILD_DIR:-build}" --output-on-failure --timeout 300
