// The engine against the in-process virtual desk: time from `start` to the first running snapshot
// with devices (and the exchanges it took), at zero latency and at the default rig's latencies;
// and the engine thread's CPU time per idle maintenance tick with two devices.
#include "BenchEngine.h"
#include "engine/Engine.h"
#include "protocol/HIDPPTransport.h"
#include "protocol/Receiver.h"
#include "virtual/InProcessHidBackend.h"
#include "virtual/VirtualRig.h"
#include "virtual/VirtualWorld.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using namespace flitbar;

struct Counters {
  std::atomic<int> writes{0};
  std::atomic<int> pingsOfDeviceOne{0};
};

// Counts the output reports the engine writes.
class CountingDevice final : public HidDevice {
 public:
  CountingDevice(std::unique_ptr<HidDevice> inner, std::shared_ptr<Counters> counters)
      : inner_(std::move(inner)), counters_(std::move(counters)) {}
  HidRead read(std::chrono::milliseconds timeout) override { return inner_->read(timeout); }
  int write(std::span<const std::uint8_t> report) override {
    ++counters_->writes;
    if (report.size() > 3 && report[1] == 1 && report[2] == 0 && (report[3] >> 4) == 1) ++counters_->pingsOfDeviceOne;
    return inner_->write(report);
  }
  void close() override { inner_->close(); }

 private:
  std::unique_ptr<HidDevice> inner_;
  std::shared_ptr<Counters> counters_;
};

class CountingBackend final : public HidBackend {
 public:
  CountingBackend(std::shared_ptr<virtualhid::VirtualWorld> world, std::shared_ptr<Counters> counters)
      : inner_(std::move(world), "host1"), counters_(std::move(counters)) {}
  std::vector<HidInterface> vendorInterfaces() override { return inner_.vendorInterfaces(); }
  std::unique_ptr<HidDevice> open(const HidInterface& interface) override {
    return std::make_unique<CountingDevice>(inner_.open(interface), counters_);
  }

 private:
  virtualhid::InProcessHidBackend inner_;
  std::shared_ptr<Counters> counters_;
};

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Desk {
  explicit Desk(bool realistic, std::chrono::nanoseconds tick) {
    auto rig = virtualhid::VirtualRig::load(std::string(FLITBAR_SOURCE_DIR) + "/src/virtual/rigs/default.json");
    if (!realistic) rig.timing = virtualhid::RigTiming{0, 0, 0, 0};
    world = std::make_shared<virtualhid::VirtualWorld>(rig);
    Engine::Parameters parameters;
    parameters.configStore =
        ConfigStore{(std::filesystem::temp_directory_path() / "flitbar-bench-bindings.json").string()};
    parameters.receiverFactory = [world = world, counters = counters] {
      CountingBackend backend(world, counters);
      return Receiver::openFirstResponding(backend, [](std::unique_ptr<HidDevice> device) {
        return std::make_shared<HIDPPTransport>(std::move(device));
      });
    };
    parameters.maintenanceInterval = tick;
    engine = std::make_unique<bench::BenchEngine>(std::move(parameters), "bench.engine");
  }
  std::shared_ptr<Counters> counters = std::make_shared<Counters>();
  std::shared_ptr<virtualhid::VirtualWorld> world;
  std::unique_ptr<bench::BenchEngine> engine;
};

void measureStart(bool realistic, int rounds) {
  std::vector<double> millis;
  int exchanges = 0;
  for (int round = 0; round < rounds; ++round) {
    Desk desk(realistic, 1h);
    const auto begin = std::chrono::steady_clock::now();
    const auto snapshot = desk.engine->run(
        [](Engine& engine) { return engine.start(true, std::nullopt, {}, [](const EngineEvent&) {}); });
    const auto elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    if (snapshot.devices.size() != 2) std::fprintf(stderr, "unexpected device count %zu\n", snapshot.devices.size());
    millis.push_back(elapsed);
    exchanges = desk.counters->writes;
  }
  std::sort(millis.begin(), millis.end());
  std::printf(
      "start to running (%s latency): median %.1f ms, min %.1f ms, max %.1f ms over %d runs; %d reports written\n",
      realistic ? "rig" : "zero", millis[millis.size() / 2], millis.front(), millis.back(), rounds, exchanges);
}

void measureIdleTick() {
  Desk desk(false, 10ms);
  desk.engine->run([](Engine& engine) { return engine.start(true, std::nullopt, {}, [](const EngineEvent&) {}); });
  std::this_thread::sleep_for(500ms);
  const auto cpuOnEngine = [](Engine&) -> asio::awaitable<double> { co_return threadCpuSeconds(); };
  const int ticksBefore = desk.counters->pingsOfDeviceOne;
  const double cpuBefore = desk.engine->run(cpuOnEngine);
  std::this_thread::sleep_for(5s);
  const double cpuAfter = desk.engine->run(cpuOnEngine);
  const int ticks = desk.counters->pingsOfDeviceOne - ticksBefore;
  std::printf("idle maintenance tick, two devices: %d ticks, engine-thread CPU %.1f us per tick\n", ticks,
              (cpuAfter - cpuBefore) * 1e6 / ticks);
}

}  // namespace

int main() {
  measureStart(false, 20);
  measureStart(true, 5);
  measureIdleTick();
}
