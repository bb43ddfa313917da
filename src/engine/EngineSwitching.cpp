#include "engine/Engine.h"
#include "engine/EngineTexts.h"

#include "protocol/HIDPPError.h"
#include "protocol/HostNaming.h"

namespace flitbar {

namespace {

using Lifecycle = EngineSnapshot::Lifecycle;

using EngineTexts::errorText;
using EngineTexts::joined;

}  // namespace

asio::awaitable<std::optional<SwitchReport>> Engine::switchAll(std::uint8_t host, SwitchReason reason) {
  if (host < 1 || host > 3 || !receiver_) co_return std::nullopt;
  const int g = generation_;
  const auto session = receiver_;

  std::vector<HostTarget> targets;
  std::vector<DeviceInfo> moving;
  for (const auto& device : state_.devices) {
    if (!device.changeHostFeature || device.hostCount < host) continue;
    targets.push_back({device.index, *device.changeHostFeature});
    moving.push_back(device);
  }
  if (targets.empty()) co_return std::nullopt;

  std::vector<std::string> names;
  for (const auto& device : moving) names.push_back(device.name);
  const auto destinationName = HostNaming::name(state_.devices, host);
  log("Switching " + joined(names) + " to " + destinationText(host, destinationName));

  // The ratchet lines are kept even when the write fails, so the job reports both.
  struct Outcome {
    std::vector<std::string> lines;
    std::exception_ptr failure;
  };
  auto job = [session, moving, targets, host]() noexcept {
    Outcome result;
    enforceRatchet(*session, moving, [&result](const std::string& line) { result.lines.push_back(line); });
    try {
      session->setHostMulti(targets, static_cast<std::uint8_t>(host - 1));
    } catch (...) {
      result.failure = std::current_exception();
    }
    return result;
  };
  const auto outcome = co_await perform(std::move(job));
  for (const auto& line : outcome.lines) log(line);
  const auto failure = outcome.failure;
  if (failure) {
    const auto description = errorText(failure);
    log("Switch failed: " + description);
    if (reason.kind != SwitchReason::Kind::screenLocked) emit(EngineEvent::actionFailed("Switch devices", description));
    co_return std::nullopt;
  }

  SwitchReport report{host, names, std::move(reason), destinationName};
  emit(EngineEvent::switched(report));

  if (current(g) && receiver_ == session &&
      (state_.lifecycle == Lifecycle::starting || state_.lifecycle == Lifecycle::running)) {
    session->transport().setNotificationHandler({});
    co_await stopTransport(session);
    if (current(g) && receiver_ == session) {
      receiver_ = nullptr;
      state_.devices.clear();
      state_.movingToHost = host;
      publish();
      scheduleReconnect(generation_, false);
    }
  }
  co_return report;
}

}  // namespace flitbar
