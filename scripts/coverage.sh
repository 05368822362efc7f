#!/usr/bin/env bash
# Builds Pavane with coverage into build-coverage, runs the whole suite
# there (on a virtual display when there is none) and prints the line and
# branch coverage of src/ and tools/ with gcovr; the HTML report is written
# to build-coverage/coverage/index.html. Not part of the tests.
# With PAVANE_BUILD_LOCK set to a lock file, the build and the suite wait for
# that lock, so that they take turns with other builds on the machine.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${PAVANE_COVERAGE_BUILD_DIR:-build-coverage}
scripts/setup.sh >/dev/null
if ! command -v gcovr >/dev/null; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" apt-get install -y --no-install-recommends gcovr >/dev/null
fi

lock=()
[ -n "${PAVANE_BUILD_LOCK:-}" ] && lock=(flock "$PAVANE_BUILD_LOCK")
display=()
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  display=(xvfb-run -a -s "-screen 0 1280x1024x24")
fi

# Unoptimised, so that lines and branches are the source's own.
PAVANE_BUILD_DIR=$build_dir "${lock[@]}" scripts/build.sh -DCMAKE_BUILD_TYPE=Debug \
  -DPAVANE_HARDENING=OFF "-DCMAKE_CXX_FLAGS=--coverage" "-DCMAKE_EXE_LINKER_FLAGS=--coverage" \
  >/dev/null
find "$build_dir" -name '*.gcda' -delete
"${lock[@]}" "${display[@]}" ctest --test-dir "$build_dir" --timeout 300 -j2 >"$build_dir/ctest.log" ||
  echo "coverage: some tests failed (see $build_dir/ctest.log); the figures count what ran" >&2

mkdir -p "$build_dir/coverage"
# The summary (lines, functions, branches) goes to standard output.
gcovr --root . --object-directory "$build_dir" --filter 'src/' --filter 'tools/' \
  --exclude-unreachable-branches --exclude-throw-branches \
  --html-details "$build_dir/coverage/index.html" --print-summary 2>"$build_dir/gcovr.log"
echo "report: $build_dir/coverage/index.html"
