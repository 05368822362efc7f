#!/usr/bin/env bash
# Builds the fuzzers of tests/fuzz with clang into build-fuzz and runs each
# for SECONDS (default 60) on a copy of its seed corpus, one after the other.
# Prints per fuzzer the executions, the coverage (cov/ft) and the findings;
# exits non-zero when any of them finds a crash or a broken property.
# With PAVANE_BUILD_LOCK set to a lock file, the build step (only) waits for
# that lock, so that it takes turns with other builds on the machine.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build_dir=${PAVANE_FUZZ_BUILD_DIR:-build-fuzz}
fuzzers=(fuzz_command_line fuzz_language_file fuzz_statements fuzz_registry fuzz_web_texts)

missing=()
command -v clang++ >/dev/null || missing+=(clang)
dpkg -s libclang-rt-14-dev >/dev/null 2>&1 || missing+=(libclang-rt-14-dev)
if ((${#missing[@]})); then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

lock=()
[ -n "${PAVANE_BUILD_LOCK:-}" ] && lock=(flock "$PAVANE_BUILD_LOCK")
# Light optimisation and line tables only: the build stays quick, the
# reports still name their lines.
"${lock[@]}" bash -c '
  cmake -S . -B "$1" -G Ninja -DPAVANE_FUZZ=ON -DPAVANE_BUILD_TESTS=OFF -DPAVANE_WERROR=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only" >/dev/null
  cmake --build "$1" --target fuzzers --parallel "$(nproc)"' _ "$build_dir"

failed=0
summary=()
for fuzzer in "${fuzzers[@]}"; do
  work="$build_dir/fuzz-run/$fuzzer"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/findings"
  # The seeds are copied: the run adds what it learns to its own copy only.
  cp -R "tests/fuzz/corpus/$fuzzer/." "$work/corpus/"
  echo "== $fuzzer ($seconds s) =="
  status=0
  "$build_dir/tests/fuzz/$fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
    -timeout=30 -rss_limit_mb=2048 -artifact_prefix="$work/findings/" "$work/corpus" \
    >"$work/log" 2>&1 || status=$?
  execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$work/log" | tail -n 1 |
    grep -o '[0-9]*$' || true)
  last=$(grep -E '^#[0-9]+' "$work/log" | tail -n 1 || true)
  cov=$(grep -o 'cov: [0-9]*' <<<"$last" | grep -o '[0-9]*$' || true)
  ft=$(grep -o 'ft: [0-9]*' <<<"$last" | grep -o '[0-9]*$' || true)
  findings=$(find "$work/findings" -type f | wc -l)
  if [ "$status" -ne 0 ] || [ "$findings" -ne 0 ]; then
    failed=1
    grep -E 'broken property|ERROR: |SUMMARY: |runtime error' "$work/log" | head -n 5 || true
    find "$work/findings" -type f -printf '  finding: %p\n'
    echo "  log: $work/log"
  fi
  line=$(printf '%-24s execs %10s  cov %6s  ft %7s  findings %s' "$fuzzer" "${execs:-?}" \
    "${cov:-?}" "${ft:-?}" "$findings")
  echo "$line"
  summary+=("$line")
done

echo "== fuzzers: summary =="
printf '%s\n' "${summary[@]}"
exit "$failed"
