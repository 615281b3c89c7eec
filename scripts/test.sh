#!/usr/bin/env bash
# Builds and runs every test headless. --sanitize: the ASan+UBSan build;
# --tsan: the ThreadSanitizer build.
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
cd "$dir"
ctest --output-on-failure -j"$(nproc)"
