#!/usr/bin/env bash
# Sets up and builds Pavane, then runs the whole roads on real windows at
# 100, 125 and 150 % in every language and the test language xa: every
# screen is checked for cut-off text, missing glyphs and error texts and
# saved as a picture in build/screenshots/<scaling>/<language>/. The contact
# sheet build/screenshots/index.html shows them all, problems marked.
# Without a display, on Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh
run=()
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  run=(xvfb-run -a -s "-screen 0 1920x1200x24")
fi
# GDK_DPI_SCALE sets the resolution GTK reports: 96, 120 and 144 dpi.
for scale in 1 1.25 1.5; do
  echo "== scaling ${scale} =="
  GDK_DPI_SCALE=$scale "${run[@]}" ctest --test-dir "${PAVANE_BUILD_DIR:-build}" \
    -R 'gtk_tests\..*Road' --output-on-failure --timeout 300
done
echo "contact sheet: ${PAVANE_BUILD_DIR:-build}/screenshots/index.html"
