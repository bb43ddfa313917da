#!/usr/bin/env bash
# Resident memory and CPU of the running tray application, idle for 60 s with the default rig's two
# devices, on a private X server with a stand-in desktop tray.
#   bench/tray_idle.sh [BUILD_DIR] [SECONDS]     (default build/release, 60)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
seconds=${2:-60}
if [ "${3:-}" != "--on-private-desktop" ]; then
  exec "$root/tests/tray_xcb/private-desktop.sh" "$0" "$build" "$seconds" --on-private-desktop
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT INT TERM
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_STATE_HOME=$work/home/.local/state
mkdir -p "$HOME"

"$build/src/virtual/flitbar-virtual-receiver" serve --rig "$root/src/virtual/rigs/default.json" \
  --dir "$work/world" >"$work/receiver.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -S "$work/world/control.sock" ] && break; sleep 0.1; done
"$build/tests/fake_status_notifier_watcher" &
pids+=($!)
FLITBAR_VIRTUAL_HID="$work/world/host1" "$build/src/flitbar" &
app=$!
pids+=("$app")

# Idle from the moment both devices show in the tool tip.
for _ in $(seq 300); do
  item=$(dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
    org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher string:RegisteredStatusNotifierItems \
    2>/dev/null | sed -n 's/.*string "\(.*\)"/\1/p' | head -n 1 || true)
  [ -n "$item" ] && dbus-send --session --print-reply --dest="$item" /StatusNotifierItem \
    org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem string:ToolTip 2>/dev/null |
    grep -q "·" && break
  sleep 0.1
done

ticks() { awk '{ print $14 + $15 }' "/proc/$app/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$app/status")
hwm=$(awk '/^VmHWM/ { print $2 }' "/proc/$app/status")
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v rss="$rss" -v hwm="$hwm" 'BEGIN {
  printf "idle %d s: cpu %.3f s = %.3f%% of one core; resident %.1f MiB (peak %.1f MiB)\n",
         s, t / hz, 100 * t / hz / s, rss / 1024, hwm / 1024 }'
