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
  ctest --output-on-failure -j"$(nproc)" -LE x11
fi
# The real-desktop tests: xcb on Xvfb with a window manager (plain build only).
if [ -z "${1:-}" ] && command -v Xvfb >/dev/null && command -v openbox >/dev/null; then
  display=:$((90 + RANDOM % 9))
  Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  sleep 1
  DISPLAY=$display openbox >/dev/null 2>&1 &
  wm=$!
  sleep 1
  trap 'kill $wm $xvfb 2>/dev/null || true' EXIT
  DISPLAY=$display QT_QPA_PLATFORM=xcb ctest --output-on-failure -L x11
fi
