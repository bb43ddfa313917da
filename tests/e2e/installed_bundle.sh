#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that the installed executable finds its
# desktop entry (the "bundle"), and that a broken entry stops the no-argument start.
set -euo pipefail
build_dir=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

entry="$prefix/share/applications/dev.flitbar.flitbar.desktop"
test -f "$entry"
test -f "$prefix/share/icons/hicolor/scalable/apps/dev.flitbar.flitbar.svg"

# Every check passes from the installation, given a valid bindings file.
printf '{"bindings": []}' >"$prefix/bindings.json"
out=$(FLITBAR_CONFIG_PATH="$prefix/bindings.json" "$prefix/bin/flitbar" doctor) || { echo "doctor failed: $out"; exit 1; }
grep -qx '✓ bundle identifier is dev.flitbar.flitbar' <<<"$out" || { echo "unexpected doctor output: $out"; exit 1; }

sed -i 's/^X-Flitbar-Version=.*/X-Flitbar-Version=1.2/; s/^X-Flitbar-Build=.*/X-Flitbar-Build=0/' "$entry"
status=0
err=$("$prefix/bin/flitbar" 2>&1 >/dev/null) || status=$?
[ "$status" -eq 2 ] && grep -qx 'build: must be a positive integer' <<<"$err" || { echo "started: $status $err"; exit 1; }

out=$("$prefix/bin/flitbar" version)
[ "$out" = "Flitbar 1.2 (0)" ] || { echo "unexpected version: $out"; exit 1; }
echo "installed bundle checks passed"
