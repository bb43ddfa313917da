// The engine in a process of its own, for tests that kill it: opens the receiver the way the
// application does (FLITBAR_VIRTUAL_HID), reads FLITBAR_CONFIG_PATH and keeps its journal under
// XDG_STATE_HOME. "hold" starts and waits to be killed; "cycle" starts and stops; "drop" starts
// and lets the engine go without stopping it.
#include "engine/DiversionJournal.h"
#include "engine/Engine.h"
#include "engine/EngineThread.h"
#include "platform/linux/LiveReceiver.h"

#include <asio/co_spawn.hpp>

#include <unistd.h>

#include <future>
#include <iostream>

int main(int argc, char** argv) {
  using namespace flitbar;
  const std::string mode = argc > 1 ? argv[1] : "";
  EngineThread thread("child.engine");
  Engine::Parameters parameters;
  parameters.configStore = ConfigStore{ConfigStore::defaultPath()};
  parameters.receiverFactory = [] { return LiveReceiver::open(); };
  parameters.logger = [](const std::string& line) { std::cerr << line << std::endl; };
  parameters.managedControls = std::make_shared<ManagedControls>(
      ControlPacing{},
      std::make_shared<DiversionJournal>(DiversionJournal::defaultPath(), ::getpid(), DiversionJournal::processAlive));
  auto engine = Engine::create(thread.executor(), std::make_shared<ManualMainExecutor>(), std::move(parameters));

  std::promise<EngineSnapshot> started;
  asio::co_spawn(thread.executor(), engine->start(true, std::nullopt, {}, nullptr),
                 [&started](std::exception_ptr, EngineSnapshot snapshot) { started.set_value(snapshot); });
  std::cout << "started with " << started.get_future().get().devices.size() << " devices" << std::endl;
  if (mode == "hold") {
    while (true) ::pause();
  }
  if (mode == "drop") {
    engine.reset();
    return 0;
  }
  return engine->stopAndWait(std::chrono::seconds(20)) ? 0 : 1;
}
