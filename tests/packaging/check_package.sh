#!/usr/bin/env bash
# Checks a built Debian package: lintian, its contents, the desktop entry and AppStream validators,
# the man page and completions against the commands the binary offers and a trial against the
# packaged virtual receiver, all from the unpacked tree.
set -uo pipefail
deb=$1
work=$(mktemp -d) server=""
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; wait; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"
dpkg-deb -x "$deb" "$work/tree" || exit 1
usr="$work/tree/usr" id=dev.flitbar.flitbar
for path in bin/flitbar bin/flitbar-virtual-receiver share/icons/hicolor/scalable/apps/$id.svg \
  share/icons/hicolor/symbolic/apps/$id-symbolic.svg share/icons/hicolor/{16x16,48x48,256x256}/apps/$id.png \
  share/man/man1/flitbar-virtual-receiver.1.gz share/zsh/vendor-completions/_flitbar share/doc/flitbar/copyright; do
  [ -f "$usr/$path" ] || fail "missing /usr/$path"
done
ls "$usr/lib/udev/rules.d" | grep -Eq '^([0-6][0-9]|7[0-2])-flitbar-receiver\.rules$' ||
  fail "no receiver rule that sorts before the seat rules (73)"

entry="$usr/share/applications/$id.desktop" metainfo="$usr/share/metainfo/$id.metainfo.xml"
desktop-file-validate "$entry" || fail "desktop entry is invalid"
appstreamcli validate --no-net "$metainfo" >/dev/null || fail "AppStream metadata is invalid"
version=$(sed -n 's/^X-Flitbar-Version=//p' "$entry") build=$(sed -n 's/^X-Flitbar-Build=//p' "$entry")
[ "$(dpkg-deb -f "$deb" Version)" = "$version-$build" ] || fail "package version is not $version-$build"
grep -q "<release version=\"$version\"" "$metainfo" || fail "no AppStream release entry for $version"
granted=$(grep -o '0003:046D:[0-9A-F]*' "$usr"/lib/udev/rules.d/*flitbar*.rules | cut -d: -f3 | sort -u | tr '\n' ' ')
provided=$(grep -o 'usb:v046Dp[0-9A-F]*' "$metainfo" | cut -dp -f2 | sort -u | tr '\n' ' ')
[ "$granted" = "$provided" ] || fail "the udev rule grants [$granted], the metadata provides [$provided]"

words() { sort | tr '\n' ' '; }
commands=$("$usr/bin/flitbar" help | awk 'NR > 2 && /^  [a-z]/ {print $1}' | words)
[ "$(wc -w <<<"$commands")" -ge 11 ] || fail "help lists too few commands: $commands"
man_page="$usr/share/man/man1/flitbar.1.gz"
warnings=$(MANWIDTH=80 man --warnings -l "$man_page" 2>&1 >/dev/null) || fail "man cannot render flitbar.1"
[ -z "$warnings" ] || fail "man page warnings: $warnings"
completed=$(bash -c 'source "$1"; COMP_WORDS=(flitbar ""); COMP_CWORD=1; _flitbar; printf "%s\n" "${COMPREPLY[@]}"' \
  _ "$usr/share/bash-completion/completions/flitbar" | words)
[ "$completed" = "$commands" ] || fail "bash completes [$completed], help lists [$commands]"
zsh -n "$usr/share/zsh/vendor-completions/_flitbar" || fail "zsh completion does not parse"
for command in $commands; do
  grep -q "'$command:" "$usr/share/zsh/vendor-completions/_flitbar" || fail "zsh does not complete $command"
done

printf '{"bindings": []}' >"$work/bindings.json"
"$usr/bin/flitbar-virtual-receiver" serve --rig "$usr/share/flitbar/rigs/default.json" --dir "$work/world" \
  >"$work/served" & server=$!
for _ in $(seq 300); do grep -q '^serving' "$work/served" && break; sleep 0.1; done
listed=$(FLITBAR_VIRTUAL_HID="$work/world/host1" FLITBAR_CONFIG_PATH="$work/bindings.json" "$usr/bin/flitbar" list)
grep -q "MX Keys S" <<<"$listed" || fail "flitbar list against the packaged virtual receiver: $listed"

[ "$failures" -eq 0 ] && echo "package checks passed"
exit $((failures > 0))
