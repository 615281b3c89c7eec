#!/usr/bin/env bash
# Builds and runs every test headless. --sanitize: the ASan+UBSan build;
# --tsan: the ThreadSanitizer build and the tests labelled "threads".
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(bash scripts/build.sh "${1:-}" | tail -n 1)
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -w "${XDG_RUNTIME_DIR}" ]; then
  export XDG_RUNTIME_DIR=$(mktemp -d)
  chmod 700 "$XDG_RUNTIME_DIR"
fi
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp}
cd "$dir"
if [ "${1:-}" = "--tsan" ]; then
  # Only the threaded parts: Qt itself is not built for ThreadSanitizer.
  ctest --output-on-failure -L threads
else
  ctest --output-on-failure -j"$(nproc)"
fi
