#!/usr/bin/env bash
# Runs one command on a private X server (Qt's xcb platform) and a private session bus, so tray
# tests can run side by side: each owns its own StatusNotifierWatcher name and display.
set -euo pipefail
if [ "${1:-}" != "--inside-bus" ]; then
  exec dbus-run-session -- "$0" --inside-bus "$@"
fi
shift
state=$(mktemp -d)
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x800x24 3>"$state/display" 2>"$state/xvfb.log" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$state"' EXIT
for _ in $(seq 200); do [ -s "$state/display" ] && break; sleep 0.05; done
[ -s "$state/display" ] || { cat "$state/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(tr -d '\n' <"$state/display")" QT_QPA_PLATFORM=xcb
"$@"
