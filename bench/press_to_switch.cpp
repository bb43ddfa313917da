// The running engine against the in-process virtual desk: from the Easy-Switch key's report
// arriving at the transport to the first change-host write leaving it, over many presses, at zero
// latency and at the default rig's latencies. After each press both devices are sent home and the
// engine reconnects before the next one.
#include "engine/Engine.h"
#include "engine/EngineThread.h"
#include "engine/MainExecutor.h"
#include "protocol/HIDPPTransport.h"
#include "protocol/Receiver.h"
#include "virtual/InProcessHidBackend.h"
#include "virtual/VirtualRig.h"
#include "virtual/VirtualWorld.h"

#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using namespace flitbar;
using Clock = std::chrono::steady_clock;

// The keyboard of the default rig: device 1, change-host at feature index 5.
constexpr std::uint8_t keyboard = 1;
constexpr std::uint8_t changeHostIndex = 5;

struct Stamps {
  std::atomic<Clock::rep> pressRead{0};
  std::atomic<Clock::rep> firstWrite{0};
};

// Stamps the key's report as the transport reads it and the first change-host write after it.
class StampingDevice final : public HidDevice {
 public:
  StampingDevice(std::unique_ptr<HidDevice> inner, std::shared_ptr<Stamps> stamps)
      : inner_(std::move(inner)), stamps_(std::move(stamps)) {}
  HidRead read(std::chrono::milliseconds timeout) override {
    auto result = inner_->read(timeout);
    const auto& bytes = result.bytes;
    // A diverted-button event: long report, keyboard, function 0, first held control 0x00D2.
    if (bytes.size() >= 6 && bytes[0] == 0x11 && bytes[1] == keyboard && (bytes[3] >> 4) == 0 && bytes[4] == 0x00 &&
        bytes[5] == 0xD2 && stamps_->pressRead == 0)
      stamps_->pressRead = Clock::now().time_since_epoch().count();
    return result;
  }
  int write(std::span<const std::uint8_t> report) override {
    if (report.size() > 3 && report[1] == keyboard && report[2] == changeHostIndex && (report[3] >> 4) == 1 &&
        stamps_->pressRead != 0 && stamps_->firstWrite == 0)
      stamps_->firstWrite = Clock::now().time_since_epoch().count();
    return inner_->write(report);
  }
  void close() override { inner_->close(); }

 private:
  std::unique_ptr<HidDevice> inner_;
  std::shared_ptr<Stamps> stamps_;
};

class StampingBackend final : public HidBackend {
 public:
  StampingBackend(std::shared_ptr<virtualhid::VirtualWorld> world, std::shared_ptr<Stamps> stamps)
      : inner_(std::move(world), "host1"), stamps_(std::move(stamps)) {}
  std::vector<HidInterface> vendorInterfaces() override { return inner_.vendorInterfaces(); }
  std::unique_ptr<HidDevice> open(const HidInterface& interface) override {
    return std::make_unique<StampingDevice>(inner_.open(interface), stamps_);
  }

 private:
  virtualhid::InProcessHidBackend inner_;
  std::shared_ptr<Stamps> stamps_;
};

void measure(bool realistic, int presses) {
  auto rig = virtualhid::VirtualRig::load(std::string(FLITBAR_SOURCE_DIR) + "/src/virtual/rigs/default.json");
  if (!realistic) rig.timing = virtualhid::RigTiming{0, 0, 0, 0};
  auto world = std::make_shared<virtualhid::VirtualWorld>(rig);
  auto stamps = std::make_shared<Stamps>();
  auto main = std::make_shared<ManualMainExecutor>();
  EngineThread thread("bench.engine");
  Engine::Parameters parameters;
  parameters.configStore =
      ConfigStore{(std::filesystem::temp_directory_path() / "flitbar-bench-press-bindings.json").string()};
  parameters.receiverFactory = [world, stamps] {
    StampingBackend backend(world, stamps);
    return Receiver::openFirstResponding(
        backend, [](std::unique_ptr<HidDevice> device) { return std::make_shared<HIDPPTransport>(std::move(device)); });
  };
  parameters.reconnectDelay = 20ms;
  parameters.retryDelay = 20ms;
  parameters.maintenanceInterval = 50ms;
  auto engine = Engine::create(thread.executor(), main, std::move(parameters));

  EngineSnapshot latest;
  // Connected to both devices, and the key diverted (otherwise the keyboard would move on its own).
  const auto ready = [&latest, &world] {
    if (latest.devices.size() != 2 || latest.movingToHost) return false;
    const auto state = world->state();
    for (const auto& control : state["devices"][0]["controls"])
      if (control["cid"] == "0x00D2") return control["diverted"] == true;
    return false;
  };
  asio::co_spawn(engine->executor(),
                 engine->start(true, std::nullopt, {},
                               [&latest](const EngineEvent& event) {
                                 if (const auto* snapshot = event.asSnapshot()) latest = *snapshot;
                               }),
                 asio::detached);

  std::vector<double> micros;
  for (int press = 0; press < presses; ++press) {
    while (!ready()) {
      main->drain();
      std::this_thread::sleep_for(1ms);
    }
    std::this_thread::sleep_for(realistic ? 100ms : 20ms);
    stamps->pressRead = 0;
    stamps->firstWrite = 0;
    world->press("keyboard", 0x00D2);
    world->release("keyboard", 0x00D2);
    const auto deadline = Clock::now() + 10s;
    while (stamps->firstWrite == 0 && Clock::now() < deadline) std::this_thread::sleep_for(100us);
    if (stamps->firstWrite != 0)
      micros.push_back(static_cast<double>(Clock::duration(stamps->firstWrite - stamps->pressRead).count()) / 1e3);
    // Wait for the engine to let go of the departed devices, then bring them home.
    while ((latest.devices.size() == 2 || !latest.movingToHost) && Clock::now() < deadline) {
      main->drain();
      std::this_thread::sleep_for(1ms);
    }
    world->switchHost("keyboard", 1);
    world->switchHost("mouse", 1);
  }
  engine->stopAndWait(20s);
  main->drain();

  std::sort(micros.begin(), micros.end());
  const auto at = [&micros](double quantile) {
    return micros[std::min(micros.size() - 1, static_cast<std::size_t>(quantile * static_cast<double>(micros.size())))];
  };
  std::printf(
      "press to first change-host write (%s latency): p50 %.0f us, p99 %.0f us, max %.0f us over %zu of %d presses\n",
      realistic ? "rig" : "zero", at(0.5), at(0.99), micros.back(), micros.size(), presses);
}

}  // namespace

// press_to_switch [zero|rig] [PRESSES]: both latencies with 200 presses each by default.
int main(int argc, char** argv) {
  const int presses = argc > 2 ? std::atoi(argv[2]) : 200;
  const std::string_view mode = argc > 1 ? argv[1] : "both";
  if (mode != "rig") measure(false, presses);
  if (mode != "zero") measure(true, presses);
}
