// Soak: 10,000 host switches by the engine on the in-process virtual desk at zero latency. Each
// round sends both devices from the first computer to the second, brings them back by hand and
// lets the engine reconnect (releasing and re-diverting the bound controls, rediscovery, planning). Prints the
// resident-memory growth over the rounds after a warm-up, and the time per round.
//
//   switch_soak [rounds]
#include "BenchEngine.h"
#include "engine/Engine.h"
#include "protocol/HIDPPError.h"
#include "protocol/HIDPPTransport.h"
#include "protocol/Receiver.h"
#include "virtual/InProcessHidBackend.h"
#include "virtual/VirtualRig.h"
#include "virtual/VirtualWorld.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace {

using namespace std::chrono_literals;
using namespace flitbar;

long residentKilobytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0;
  long resident = 0;
  statm >> size >> resident;
  return resident * ::sysconf(_SC_PAGESIZE) / 1024;
}

// The first computer's receiver, with no pause between the passes of a host change: the soak
// measures the engine, not the pacing meant for real radios.
OpenedReceiver openFirstComputer(const std::shared_ptr<virtualhid::VirtualWorld>& world) {
  virtualhid::InProcessHidBackend backend(world, "host1");
  for (const auto& interface : backend.vendorInterfaces()) {
    auto receiver = std::make_shared<Receiver>(std::make_shared<HIDPPTransport>(backend.open(interface)), 0ms);
    auto devices = receiver->discover();
    if (!devices.empty()) return {std::move(receiver), std::move(devices)};
    receiver->stop();
  }
  throw HIDPPError::noReceiver();
}

struct Desk {
  Desk() {
    auto rig = virtualhid::VirtualRig::load(std::string(FLITBAR_SOURCE_DIR) + "/src/virtual/rigs/default.json");
    rig.timing = virtualhid::RigTiming{0, 0, 0, 0};
    world = std::make_shared<virtualhid::VirtualWorld>(rig);
    Engine::Parameters parameters;
    parameters.configStore =
        ConfigStore{(std::filesystem::temp_directory_path() / "flitbar-soak-bindings.json").string()};
    parameters.receiverFactory = [world = world] { return openFirstComputer(world); };
    // No settling pauses after control writes either: the virtual devices take them at once.
    parameters.managedControls = std::make_shared<ManagedControls>(ControlPacing{0ms, 0ms});
    // Only the rounds reconnect.
    parameters.maintenanceInterval = 1h;
    parameters.reconnectDelay = 1h;
    engine = std::make_unique<bench::BenchEngine>(std::move(parameters), "soak.engine");
  }
  // One switch to the second computer, the devices brought back, a reconnect. True when the
  // switch was reported and both devices are back in the picture.
  bool round() {
    const auto report = engine->run([](Engine& engine) { return engine.switchAll(2, SwitchReason::menu()); });
    world->switchHost("keyboard", 1);
    world->switchHost("mouse", 1);
    const auto back = engine->run([](Engine& engine) -> asio::awaitable<EngineSnapshot> {
      co_await engine.handleWake();
      co_return co_await engine.snapshot();
    });
    return report.has_value() && back.devices.size() == 2;
  }

  std::shared_ptr<virtualhid::VirtualWorld> world;
  std::unique_ptr<bench::BenchEngine> engine;
};

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 10'000;
  constexpr int warmUp = 200;
  Desk desk;
  desk.engine->run([](Engine& engine) { return engine.start(true, std::nullopt, {}, [](const EngineEvent&) {}); });
  for (int index = 0; index < warmUp; ++index) desk.round();

  const long before = residentKilobytes();
  const auto started = std::chrono::steady_clock::now();
  int confirmed = 0;
  for (int index = 0; index < rounds; ++index) confirmed += desk.round() ? 1 : 0;
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
  const long after = residentKilobytes();

  std::printf("rounds %d, switches confirmed %d\n", rounds, confirmed);
  std::printf("resident memory %ld KiB -> %ld KiB, growth %ld KiB (target below 1024 KiB)\n", before, after,
              after - before);
  std::printf("%.2f ms per round (switch, return, reconnect), %.1f s in all\n", 1000 * elapsed.count() / rounds,
              elapsed.count());
  return confirmed == rounds ? 0 : 1;
}
