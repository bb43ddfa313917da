#!/usr/bin/env bash
# Builds the libFuzzer target for the bindings-file validator and runs it for a bounded time.
#   fuzz/run.sh [seconds]      (default 60)
# libFuzzer needs clang; it is installed here when missing rather than by scripts/bootstrap,
# because nothing else in the build needs it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
if ! command -v clang++ >/dev/null; then
  sudo=$([ "$(id -u)" -eq 0 ] && echo "" || echo sudo)
  $sudo apt-get install -y --no-install-recommends clang
fi

out="$root/build/fuzz"
mkdir -p "$out/corpus"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I"$root/src" \
  "$root/fuzz/config_parse_fuzzer.cpp" "$root/src/config/ConfigStoreParse.cpp" "$root/src/config/TextTrimming.cpp" \
  -o "$out/config_parse_fuzzer"

# New inputs go to the build tree; the committed seeds stay as they are.
"$out/config_parse_fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=5 -rss_limit_mb=2048 \
  -dict="$root/fuzz/bindings.dict" -print_final_stats=1 \
  "$out/corpus" "$root/fuzz/corpus/config_parse"
