#include "engine/Engine.h"

#include "engine/BindingAction.h"
#include "engine/EngineTask.h"
#include "protocol/Receiver.h"

#include <algorithm>

namespace flitbar {

namespace {

using Lifecycle = EngineSnapshot::Lifecycle;

asio::awaitable<void> runShell(std::weak_ptr<Engine> weak, std::uint64_t identifier, std::string command,
                               std::string name, asio::awaitable<ShellResult> (Engine::*perform)(std::string),
                               void (Engine::*finished)(std::uint64_t, const std::string&, const ShellResult&)) {
  auto result = ShellResult::notLaunched("engine stopped");
  if (auto engine = weak.lock()) result = co_await ((*engine).*perform)(std::move(command));
  if (auto engine = weak.lock()) ((*engine).*finished)(identifier, name, result);
}

}  // namespace

asio::awaitable<void> Engine::handle(Report report, int g) {
  if (!current(g) || state_.lifecycle != Lifecycle::running || !receiver_ || report.size() <= 3) co_return;
  const std::uint8_t index = report[1];
  const auto device = std::find_if(state_.devices.begin(), state_.devices.end(),
                                   [index](const DeviceInfo& candidate) { return candidate.index == index; });
  if (device == state_.devices.end() || !device->reprogFeature || *device->reprogFeature == 0) co_return;
  const auto held = Receiver::divertedButtons(report, *device->reprogFeature);
  if (!held) co_return;

  for (const auto cid : debouncer_.presses(index, *held)) {
    if (!current(g) || state_.lifecycle != Lifecycle::running) continue;
    const auto action = BindingAction::forPress(state_, index, cid);
    if (const auto* command = std::get_if<BindingAction::RunCommand>(&action.what)) {
      startShell(command->command, command->name);
    } else if (const auto* already = std::get_if<BindingAction::AlreadyOnHost>(&action.what)) {
      log(already->line);
    } else if (const auto* move = std::get_if<BindingAction::SwitchHost>(&action.what)) {
      co_await switchAll(move->host, SwitchReason::binding(move->name));
    }
  }
}

void Engine::startShell(std::string command, std::string name) {
  const auto identifier = ++nextActionIdentifier_;
  EngineTask task;
  spawnTask(task, runShell(weak_from_this(), identifier, std::move(command), std::move(name), &Engine::performShell,
                           &Engine::shellFinished));
  // A command that could not even start may have finished already.
  if (!task.finished()) actionTasks_[identifier] = task;
}

asio::awaitable<ShellResult> Engine::performShell(std::string command) {
  if (!shellExecutor_) {
    co_return ShellResult::notLaunched("no shell available");
  }
  co_return co_await shellQueue_.run(std::move(command));
}

void Engine::shellFinished(std::uint64_t identifier, const std::string& name, const ShellResult& result) {
  actionTasks_.erase(identifier);
  if (result.succeeded()) return;
  emit(EngineEvent::actionFailed(name, result.failureDescription()));
}

}  // namespace flitbar
