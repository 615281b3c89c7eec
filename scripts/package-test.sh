#!/usr/bin/env bash
# Checks the installation the way a user meets it (needs the build of
# scripts/build.sh): `cmake --install` into a prefix made read-only, a fresh
# HOME, the command-line tool on the seeded database, the simulator and the
# program from the prefix (the GUI under Xvfb when it is there); the desktop
# entry, metainfo and man pages validated; then the Debian package built,
# and with --deb also installed with apt and tried (CI does; it needs root).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build
deb=0
[ "${1:-}" = "--deb" ] && deb=1
work=$(mktemp -d)
cleanup() {
  [ -n "${sim:-}" ] && kill "$sim" 2>/dev/null || true
  [ -n "${gui:-}" ] && kill "$gui" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" "$wm" 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "package-test: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/dr420-monitor bin/dr420-cli bin/dr420-sim libexec/dr420-monitor/dr420-mdbimport \
         share/dr420-monitor/DR420.mdb share/dr420-monitor/manual.md \
         share/icons/hicolor/scalable/apps/dr420-monitor.svg share/icons/hicolor/48x48/apps/dr420-monitor.png \
         share/man/man1/dr420-cli.1; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
desktop-file-validate "$prefix"/share/applications/*.desktop
appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml >/dev/null
for m in "$prefix"/share/man/man1/*.1; do
  MANWIDTH=80 man -l "$m" 2>&1 >/dev/null | grep . && fail "man page warnings: $m"
done
echo "installed files, desktop entry, metainfo and man pages: ok"

# A read-only prefix and a fresh user.
chmod -R a-w "$prefix"
export HOME=$work/home
mkdir -p "$HOME"
unset XDG_CONFIG_HOME XDG_DATA_HOME
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
count=$("$prefix/bin/dr420-cli" list | wc -l)
[ "$count" -gt 200 ] || fail "dr420-cli list gave $count parameters"
[ -f "$HOME/.local/share/dr420-monitor/DR420.mdb" ] || fail "the default database was not seeded"
echo "dr420-cli list on the seeded database: $count parameters"

# The installed simulator maps itself as COM1 in the user's map, where the CLI finds it.
"$prefix/bin/dr420-sim" --db "$prefix/share/dr420-monitor/DR420.mdb" --com 1 >/dev/null &
sim=$!
for _ in $(seq 50); do grep -qs '^COM1=' "$HOME/.config/dr420-monitor/comports.ini" && break; sleep 0.1; done
grep -qs '^COM1=' "$HOME/.config/dr420-monitor/comports.ini" || fail "the simulator did not map COM1 in the user's folder"
[ "$("$prefix/bin/dr420-cli" --port COM1 read F0-11 2>/dev/null)" = "$(printf 'F0-11\t10.00\ts')" ] || fail "dr420-cli read over COM1"
echo "installed simulator and CLI over COM1: ok"

# The GUI: the port choice and the oscilloscope's settings land in the user's folder and are read again.
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v openbox >/dev/null; then
  export DISPLAY=:$((80 + RANDOM % 9))
  Xvfb "$DISPLAY" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  sleep 1
  openbox >/dev/null 2>&1 &
  wm=$!
  sleep 1
  run_gui() {
    QT_QPA_PLATFORM=xcb "$prefix/bin/dr420-monitor" --no-splash >"$work/gui.log" 2>&1 &
    gui=$!
    xdotool search --sync --onlyvisible --name '^DR420 Monitor' >/dev/null
    sleep 1
    xdotool windowactivate --sync "$(xdotool search --onlyvisible --name '^DR420 Monitor' | tail -1)" >/dev/null 2>&1 || true
  }
  # Closed the way a user closes it (through the window manager), so it saves on the way out.
  close_gui() {
    xdotool windowactivate --sync "$(xdotool search --onlyvisible --name '^DR420 Monitor' | tail -1)" >/dev/null 2>&1 || true
    xdotool key alt+F4
    for _ in $(seq 50); do kill -0 "$gui" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$gui" 2>/dev/null && fail "the installed program did not close"
    gui=
  }
  run_gui
  xdotool key ctrl+o; sleep 1; xdotool key Return; sleep 1.5
  xdotool search --name '^DR420 Monitor\(Connection\)' >/dev/null || fail "the installed program did not connect over COM1"
  xdotool key ctrl+w; sleep 1.5
  close_gui
  grep -qs 'COM1' "$HOME/.config/dr420-monitor/settings.ini" || fail "the port choice was not saved in the user's folder"
  [ -s "$HOME/.config/dr420-monitor/wavesettings.ini" ] || fail "the oscilloscope settings were not saved in the user's folder"
  cp "$HOME/.config/dr420-monitor/wavesettings.ini" "$work/wave.before"
  run_gui
  xdotool key ctrl+w; sleep 1.5
  close_gui
  cmp -s "$work/wave.before" "$HOME/.config/dr420-monitor/wavesettings.ini" || fail "the oscilloscope settings changed across a restart"
  echo "installed GUI: connects over COM1, port choice and oscilloscope settings kept in ~/.config/dr420-monitor: ok"
fi
kill "$sim" 2>/dev/null || true
wait "$sim" 2>/dev/null || true
sim=

# The Debian package.
(cd "$build" && cpack -G DEB >/dev/null)
pkg=$(ls -t "$build"/dr420-monitor_*.deb | head -1)
dpkg-deb -I "$pkg" | grep -E '^ (Package|Version|Depends):'
if [ "$deb" = 1 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$pkg" >/dev/null
  /usr/bin/dr420-sim --db /usr/share/dr420-monitor/DR420.mdb --link "$work/deb.tty" >/dev/null &
  sim=$!
  for _ in $(seq 50); do [ -e "$work/deb.tty" ] && break; sleep 0.1; done
  [ "$(/usr/bin/dr420-cli --port "$work/deb.tty" read F0-11 2>/dev/null)" = "$(printf 'F0-11\t10.00\ts')" ] || fail "the packaged programs do not connect"
  echo "package installed with apt; the installed simulator and CLI connect: ok"
fi
