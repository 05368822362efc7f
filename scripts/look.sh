#!/usr/bin/env bash
# Sets up and builds Pavane, then plays the QA roads (docs/qa/*.txt) on real
# windows at 100, 125 and 150 % in every language and the test language xa.
# Each "shot" of a road saves its screen as a picture in
# build/screenshots/<scaling>/<language>/ and lists what is amiss on it
# (cut-off text, missing glyphs, error texts, a page in the wrong colour);
# the contact sheet build/screenshots/index.html shows them all, problems
# marked. Without a display, on Xvfb. Exits 1 when a road failed or a
# picture shows a problem.
#
# A road gives its switches on the line that shows how to run it (the one
# naming build/stage/PV/pavane); its /language= is replaced by each language
# in turn. PAVANE_LOOK_SKIP_BUILD=1 uses the build as it is.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${PAVANE_LOOK_SKIP_BUILD:-}" ]; then
  scripts/setup.sh
  scripts/build.sh
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  PAVANE_LOOK_SKIP_BUILD=1 exec xvfb-run -a -s "-screen 0 1920x1200x24" "$0" "$@"
fi

build=${PAVANE_BUILD_DIR:-build}
program=$build/stage/PV/pavane
root=$build/screenshots
languages=(en de fr ja xa)
work=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/announce"
"$build/tools/pavane-devserver/pavane-devserver" --port 0 --log "$work/requests.log" \
  2>"$work/announce" &
server_pid=$!
announcement=
read -r -t 10 announcement <"$work/announce" || true
if [[ "$announcement" != *"listening on"* ]]; then
  echo "look.sh: the reference server did not start" >&2
  exit 1
fi

rm -rf "$root"
failed=0
for scaling in 100 125 150; do
  echo "== ${scaling} % =="
  for language in "${languages[@]}"; do
    folder=$root/$scaling/$language
    mkdir -p "$folder"
    for road in docs/qa/*.txt; do
      name=$(basename "$road" .txt)
      switches=()
      for word in $(grep -m1 -o 'build/stage/PV/pavane .*' "$road" | cut -d' ' -f2-); do
        [[ "$word" == /language=* ]] || switches+=("$word")
      done
      # GDK_DPI_SCALE sets the resolution GTK reports: 96, 120 and 144 dpi.
      status=0
      GDK_DPI_SCALE=$(awk -v s="$scaling" 'BEGIN { print s / 100 }') PAVANE_UI=desktop \
        PAVANE_SCRIPT="$road" PAVANE_SHOTS="$folder" PAVANE_REGISTRY="$work/$scaling-$language-$name.db" \
        PAVANE_SERVER_BASE="http://127.0.0.1:${announcement##*:}" XDG_RUNTIME_DIR="$work" \
        timeout 300 "$program" "${switches[@]}" "/language=$language" \
        >"$folder/$name.transcript" 2>"$folder/$name.errors" || status=$?
      problems=$(grep -c '^layout ' "$folder/$name.transcript" || true)
      echo "$language $name: exit $status, $problems problems"
      if [ "$status" -ne 0 ] || [ "$problems" -ne 0 ]; then
        failed=1
        [ "$status" -eq 0 ] || sed 's/^/  /' "$folder/$name.errors" >&2
      fi
    done
  done
done

# The contact sheet: a row per picture, a column per language, one table
# per scaling; the transcripts' layout and error lines beside the pictures.
languages_list="${languages[*]}"
find "$root" -name '*.transcript' | sort | LC_ALL=C awk -v languages="$languages_list" '
  function html(text) {
    gsub(/&/, "\\&amp;", text); gsub(/</, "\\&lt;", text); gsub(/>/, "\\&gt;", text)
    gsub(/"/, "\\&quot;", text)
    return text
  }
  # A relative address: every byte outside the unreserved ones and "/"
  # percent-encoded, so a name with "#", "?" or a blank still links.
  function address(path,    out, i, c) {
    out = ""
    for (i = 1; i <= length(path); i++) {
      c = substr(path, i, 1)
      if (c ~ /[A-Za-z0-9._~\/-]/) out = out c
      else out = out sprintf("%%%02X", ord[c])
    }
    return out
  }
  BEGIN { for (i = 0; i < 256; i++) ord[sprintf("%c", i)] = i }
  {
    file = $0
    n = split(file, parts, "/")
    scaling = parts[n - 2]; language = parts[n - 1]; road = parts[n]; sub(/\.transcript$/, "", road)
    if (!(scaling in seenScaling)) { seenScaling[scaling] = 1; scalings[++scalingCount] = scaling }
    shot = ""
    while ((getline line < file) > 0) {
      if (line ~ /^user shot /) {
        shot = substr(line, 11)
        if (!((scaling, shot) in seenRow)) { seenRow[scaling, shot] = 1; rows[scaling, ++rowCount[scaling]] = shot }
        cell[scaling, shot, language] = scaling "/" language "/" shot ".png"
      } else if (line ~ /^user /) {
        shot = ""
      } else if (line ~ /^layout / && shot != "") {
        problems[scaling, shot, language] = problems[scaling, shot, language] "<li>" html(substr(line, 8)) "</li>"
        problemCount++
      } else if (line ~ /^error /) {
        failures = failures "<li>" html(scaling " % " language " " road ": " substr(line, 7)) "</li>"
      }
    }
    close(file)
  }
  END {
    languageCount = split(languages, columns, " ")
    print "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Pavane screens</title>"
    print "<style>"
    print "body { font: 14px/1.4 system-ui, sans-serif; margin: 16px; color: #222; }"
    print "table { border-collapse: collapse; }"
    print "th, td { border: 1px solid #ccc; padding: 6px; vertical-align: top; text-align: left; }"
    print "td img { width: 320px; display: block; }"
    print "td.bad img { outline: 4px solid #d00; }"
    print "td ul { margin: 4px 0 0; padding-left: 18px; color: #b00; font-size: 12px; max-width: 320px; }"
    print "td.none { color: #999; }"
    print "</style>\n</head>\n<body>\n<h1>Pavane screens</h1>"
    print "<p>" problemCount + 0 " problems marked in red.</p>"
    if (failures != "") print "<p>Roads that failed:</p><ul class=\"failed\">" failures "</ul>"
    for (s = 1; s <= scalingCount; s++) {
      scaling = scalings[s]
      print "<section>\n<h2>" scaling " %</h2>\n<table>"
      printf "<tr><th>Screen</th>"
      for (c = 1; c <= languageCount; c++) printf "<th>%s</th>", html(columns[c])
      print "</tr>"
      for (r = 1; r <= rowCount[scaling]; r++) {
        shot = rows[scaling, r]
        printf "<tr><th>%s</th>", html(shot)
        for (c = 1; c <= languageCount; c++) {
          language = columns[c]
          if (!((scaling, shot, language) in cell)) { printf "<td class=\"none\">-</td>"; continue }
          picture = html(address(cell[scaling, shot, language]))
          bad = problems[scaling, shot, language]
          printf "<td%s><a href=\"%s\"><img src=\"%s\" alt=\"%s\" loading=\"lazy\"></a>%s</td>", \
            (bad == "" ? "" : " class=\"bad\""), picture, picture, \
            html(shot ", " language ", " scaling " %"), (bad == "" ? "" : "<ul>" bad "</ul>")
        }
        print "</tr>"
      }
      print "</table>\n</section>"
    }
    print "</body>\n</html>"
  }' >"$root/index.html"
echo "contact sheet: $root/index.html"
exit "$failed"
