#!/usr/bin/env bash
# Sets up the machine, builds Pavane and runs its whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh "$@"
# The desktop windows need a display: without one, a virtual one (the GTK
# tests skip themselves when neither is there).
run=()
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  run=(xvfb-run -a -s "-screen 0 1280x1024x24")
fi
"${run[@]}" ctest --test-dir "${PAVANE_BUILD_DIR:-build}" --output-on-failure --timeout 300
