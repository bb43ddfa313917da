#include "engine/Engine.h"

#include "engine/BindingAction.h"

namespace flitbar {

asio::awaitable<void> Engine::assertDiverts() {
  if (!receiver_) co_return;
  auto targets = divertTargets(state_);
  // Logged back on the engine's executor: the logger is called only there.
  auto job = [session = receiver_, targets = std::move(targets), devices = state_.devices,
              controls = managedControls_, cancel = ioCancellation_]() noexcept {
    std::vector<std::string> lines;
    try {
      controls->assertDiverted(*session, targets, devices, *cancel,
                               [&lines](const std::string& line) { lines.push_back(line); });
    } catch (const std::exception& error) {
      lines.push_back(error.what());
    }
    return lines;
  };
  const auto lines = co_await perform(std::move(job));
  for (const auto& line : lines) log(line);
}

}  // namespace flitbar
