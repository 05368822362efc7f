#!/usr/bin/env bash
# Sets up the machine, builds Pavane and runs it for the main application OL
# on the demo content, with the reference server recording what it sends.
# With arguments, runs the program with those arguments instead.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh
program=build/stage/PV/pavane
if [ "$#" -gt 0 ]; then
  exec "$program" "$@"
fi

work=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The server announces itself on standard error once it listens.
mkfifo "$work/announce"
build/tools/pavane-devserver/pavane-devserver --port 8917 --log "$work/requests.log" \
  2>"$work/announce" &
server_pid=$!
announcement=
read -r -t 10 announcement <"$work/announce" || true
echo "$announcement"
if [[ "$announcement" != *"listening on"* ]]; then
  echo "run.sh: the reference server did not start" >&2
  exit 1
fi

status=0
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${PAVANE_UI:-}" != headless ]; then
  echo "== the run, in its windows =="
  PAVANE_REGISTRY="$work/registry.db" PAVANE_SERVER_BASE=http://127.0.0.1:8917 \
    XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$work}" "$program" /app=OL /language=en || status=$?
else
  echo "== the run, without a display: the scripted user of docs/qa/typical-road.txt =="
  PAVANE_UI=headless PAVANE_SCRIPT=docs/qa/typical-road.txt PAVANE_REGISTRY="$work/registry.db" \
    PAVANE_SERVER_BASE=http://127.0.0.1:8917 XDG_RUNTIME_DIR="$work" \
    "$program" /app=OL /language=en || status=$?
fi

echo "== requests the server received =="
cat "$work/requests.log"
exit "$status"
