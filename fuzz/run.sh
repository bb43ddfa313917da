#!/usr/bin/env bash
# Builds a libFuzzer target and runs it for a bounded time.
#   fuzz/run.sh [seconds] [config|receiver]      (default 60 seconds, config)
#   config:   the bindings-file validator
#   receiver: input reports through request matching and the receiver's reading of answers
# libFuzzer needs clang; it is installed here when missing rather than by scripts/bootstrap,
# because nothing else in the build needs it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
target=${2:-config}
if ! command -v clang++ >/dev/null; then
  sudo=$([ "$(id -u)" -eq 0 ] && echo "" || echo sudo)
  $sudo apt-get install -y --no-install-recommends clang
fi

out="$root/build/fuzz"
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$root/src")
case "$target" in
  config)
    mkdir -p "$out/corpus"
    clang++ "${flags[@]}" \
      "$root/fuzz/config_parse_fuzzer.cpp" "$root/src/config/ConfigStoreParse.cpp" "$root/src/config/TextTrimming.cpp" \
      -o "$out/config_parse_fuzzer"
    # New inputs go to the build tree; the committed seeds stay as they are.
    "$out/config_parse_fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=5 -rss_limit_mb=2048 \
      -dict="$root/fuzz/bindings.dict" -print_final_stats=1 \
      "$out/corpus" "$root/fuzz/corpus/config_parse"
    ;;
  receiver)
    mkdir -p "$out/receiver_corpus"
    sources=()
    for name in HIDPPError HIDPPRequest HIDPPTransporting HidppReport Receiver ReceiverDiscovery ReceiverSession \
                FeatureIndexCache RequestBudget; do
      sources+=("$root/src/protocol/$name.cpp")
    done
    clang++ "${flags[@]}" "$root/fuzz/receiver_reports_fuzzer.cpp" "${sources[@]}" -lfmt \
      -o "$out/receiver_reports_fuzzer"
    "$out/receiver_reports_fuzzer" -max_total_time="$seconds" -max_len=256 -timeout=5 -rss_limit_mb=2048 \
      -print_final_stats=1 "$out/receiver_corpus"
    ;;
  *)
    echo "unknown fuzz target: $target" >&2
    exit 2
    ;;
esac
