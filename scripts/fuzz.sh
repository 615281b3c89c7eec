#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for
# SECONDS (default 30) on a working copy of its seed corpus. Exits non-zero
# when a target finds a crash (the input is left in build-fuzz/findings/).
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(wave ini frames samples paramdb)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DDR420_FUZZ=ON -DDR420_BUILD_TESTS=OFF -DDR420_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target dr420-mdbimport $(printf 'fuzz_%s ' "${targets[@]}")
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export QT_QPA_PLATFORM=offscreen
mkdir -p build-fuzz/findings
status=0
for t in "${targets[@]}"; do
  work=build-fuzz/corpus/$t
  mkdir -p "$work"
  for seed in fuzz/corpus/$t/*; do
    case "$seed" in
      *.sql) sqlite3 "$work/$(basename "${seed%.sql}").mdb" < "$seed" 2>/dev/null || true ;;
      *) cp -n "$seed" "$work/" ;;
    esac
  done
  echo "== fuzz_$t for ${seconds}s"
  if ! build-fuzz/bin/fuzz_$t "$work" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
      -artifact_prefix=build-fuzz/findings/$t- -print_final_stats=1 2> "build-fuzz/fuzz_$t.log"; then
    echo "fuzz_$t found a problem:"; tail -n 40 "build-fuzz/fuzz_$t.log"; status=1
  else
    grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|cov:" "build-fuzz/fuzz_$t.log" | tail -n 3
  fi
done
exit $status
