#!/usr/bin/env bash
# Sets up the machine, builds Pavane and runs it for the main application OL.
# Arguments replace the default switches.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh
if [ "$#" -eq 0 ]; then
  set -- --print-settings /app=OL /language=en
fi
exec build/stage/PV/pavane "$@"
