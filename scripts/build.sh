#!/usr/bin/env bash
# Configures and builds into build/ (or build-asan/ with --sanitize, build-tsan/ with --tsan).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
opts=()
case "${1:-}" in
  --sanitize) dir=build-asan; opts=(-DDR420_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DDR420_BUILD_BENCH=OFF) ;;
  --tsan) dir=build-tsan; opts=(-DDR420_TSAN=ON -DCMAKE_BUILD_TYPE=Debug -DDR420_BUILD_BENCH=OFF) ;;
esac
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${opts[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
echo "$dir"
