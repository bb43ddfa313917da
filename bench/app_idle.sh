#!/usr/bin/env bash
# Idle cost of the running application: `flitbar` with no arguments holding the default rig's two
# devices on a virtual world, on a private session bus. Prints the CPU time it used over SECONDS
# (default 60) after settling, as a share of one core, and its resident memory.
#   bench/app_idle.sh BUILD_DIR [SECONDS]
set -euo pipefail
build=$1
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'kill "$app" "$world" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work"/{home,config,state}

"$build/src/virtual/flitbar-virtual-receiver" serve --rig "$root/src/virtual/rigs/default.json" \
  --dir "$work/world" >"$work/world.log" 2>&1 &
world=$!
until grep -q serving "$work/world.log"; do sleep 0.1; done

HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state QT_QPA_PLATFORM=offscreen \
  FLITBAR_VIRTUAL_HID=$work/world/host1 "$build/src/flitbar" &
app=$!
until grep -q "Devices: MX Keys S" "$work/state/flitbar/Flitbar.log" 2>/dev/null; do sleep 0.2; done
sleep 5

ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$app/stat"; }
before=$(cpu)
sleep "$seconds"
after=$(cpu)
rss=$(awk '/VmRSS/ {print $2, $3}' "/proc/$app/status")
awk -v used=$((after - before)) -v ticks="$ticks" -v seconds="$seconds" -v rss="$rss" 'BEGIN {
  printf "idle over %d s with two devices: %.3f%% of one core (%.2f s CPU), resident memory %s\n",
         seconds, 100 * used / ticks / seconds, used / ticks, rss }'
