// Cost of the virtual receiver itself at zero latency, so that transport figures measured against
// it can be told apart from the models' share.
#include "virtual/InProcessHidDevice.h"
#include "virtual/VirtualRig.h"
#include "virtual/VirtualWorld.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <chrono>

namespace {

using namespace flitbar;
using namespace flitbar::virtualhid;

std::shared_ptr<VirtualWorld> world() {
  auto rig = VirtualRig::fromJson(nlohmann::json::parse(R"({
    "computers": [{"id": "host1"}, {"id": "host2"}],
    "devices": [{"id": "mouse", "slot": 2, "kind": "mouse", "name": "MX Master 3S", "hosts": ["host1", "host2"],
                 "controls": [{"cid": "0x00C4", "flags": "0x71"}], "smartShift": {}, "hiResWheel": {}}]
  })"));
  rig.timing = RigTiming{0, 0, 0, 0};
  return std::make_shared<VirtualWorld>(rig);
}

class DiscardingSink : public ReportSink {
 public:
  void deliver(std::span<const std::uint8_t> report) override { benchmark::DoNotOptimize(report.data()); }
};

// One request through the world to a discarding client: the models' own cost.
void modelAnswer(benchmark::State& state) {
  auto models = world();
  models->attach("host1", std::make_shared<DiscardingSink>());
  const std::vector<std::uint8_t> ping{0x10, 0x02, 0x00, 0x1A, 0x00, 0x00, 0xAA};
  for (auto _ : state) models->write("host1", ping);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(modelAnswer);

// Write and read back through the in-process HID device: the baseline of an exchange.
void inProcessRoundTrip(benchmark::State& state) {
  auto models = world();
  InProcessHidDevice device(models, "host1");
  const std::vector<std::uint8_t> ping{0x10, 0x02, 0x00, 0x1A, 0x00, 0x00, 0xAA};
  for (auto _ : state) {
    device.write(ping);
    benchmark::DoNotOptimize(device.read(std::chrono::milliseconds(100)));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(inProcessRoundTrip);

}  // namespace

BENCHMARK_MAIN();
