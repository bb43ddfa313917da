// How long validating a bindings file of the largest accepted size takes.
#include "config/ConfigStore.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A 1 MiB document of valid, distinct bindings, padded with white space to the exact limit.
std::string fullDocument() {
  std::string document = "{\"bindings\": [";
  for (int index = 0;; ++index) {
    const auto device = std::to_string(index % 6 + 1);
    const auto cid = std::to_string(index / 6 + 1);
    std::string entry = "{\"device\": " + device + ", \"cid\": " + cid + ", \"name\": \"binding " +
                        std::to_string(index) + "\", " +
                        (index % 2 ? "\"switchToHost\": 2}" : "\"command\": \"notify-send 'pressed " + cid + "'\"}");
    if (document.size() + entry.size() + 8 > flitbar::ConfigStore::maximumBytes) break;
    if (index > 0) document += ", ";
    document += entry;
  }
  document += "]}";
  document.resize(flitbar::ConfigStore::maximumBytes, ' ');
  return document;
}

// The same size spent on one deeply nested entry, the worst shape for a parser.
std::string deeplyNested() {
  const std::size_t depth = (flitbar::ConfigStore::maximumBytes - 20) / 2;
  return "{\"bindings\": [" + std::string(depth, '[') + std::string(depth, ']') + "]}";
}

void parseDocument(benchmark::State& state, const std::string& document) {
  std::size_t bindings = 0;
  for (auto _ : state) {
    const auto load = flitbar::ConfigStore::parse(document);
    bindings = load.bindings.size();
    benchmark::DoNotOptimize(bindings);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * document.size()));
  state.counters["bindings"] = static_cast<double>(bindings);
}

void ParseOneMebibyteOfBindings(benchmark::State& state) { parseDocument(state, fullDocument()); }
void ParseOneMebibyteNestedEntry(benchmark::State& state) { parseDocument(state, deeplyNested()); }

BENCHMARK(ParseOneMebibyteOfBindings)->Unit(benchmark::kMillisecond);
BENCHMARK(ParseOneMebibyteNestedEntry)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
