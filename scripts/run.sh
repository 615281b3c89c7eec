#!/usr/bin/env bash
# Installs what is missing, builds, and starts DR420 Monitor on its sample
# files with a simulated drive on COM1 (dr420-sim on a pseudo-terminal).
# Without a display it starts a virtual one (Xvfb) and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh >/dev/null
bin=build/bin
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR=$(mktemp -d); chmod 700 "$XDG_RUNTIME_DIR"
fi
if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=:99
  Xvfb :99 -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
  sleep 1
  openbox >/dev/null 2>&1 &
  echo "No display: running on the virtual display :99 (see README, 'Screenshots')."
fi
# The drive: RS232 at 115200, registers from the sample database, mapped as COM1.
"$bin/dr420-sim" --db "$bin/DR420.mdb" --link "$XDG_RUNTIME_DIR/dr420-sim.tty" --com 1 >/dev/null &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
sleep 0.5
echo "Simulated drive on COM1 ($XDG_RUNTIME_DIR/dr420-sim.tty). Start(S) > Open  COM Port, Confirm."
"$bin/dr420-monitor" "$@"
