#include "engine/Engine.h"

#include "protocol/HidppReport.h"

#include <thread>

namespace flitbar {

namespace {

constexpr double pingTimeout = 0.35;
// A device that missed one ping gets a second chance after this pause.
constexpr auto secondPingDelay = std::chrono::milliseconds(75);

bool answersPing(ReceiverSession& receiver, std::uint8_t index) {
  try {
    const auto answer = receiver.transport().exchange(index, 0, 1, {0x00, 0x00, 0xAA}, false, pingTimeout);
    return HidppReport::isWellFormed(answer);
  } catch (...) {
    return false;
  }
}

}  // namespace

void Engine::noteSeen(const std::vector<DeviceInfo>& devices) {
  for (const auto& device : devices) {
    if (!device.changeHostFeature) continue;
    lastHost_[device.index] = HostMemory{device.currentHost, device.hostCount, device.name};
  }
}

asio::awaitable<bool> Engine::hasUnresponsiveDevice() {
  if (!receiver_) co_return true;
  std::vector<std::uint8_t> indexes;
  for (const auto& device : state_.devices) indexes.push_back(device.index);

  auto job = [session = receiver_, indexes]() noexcept {
    std::set<std::uint8_t> unanswered;
    for (const auto index : indexes) {
      if (answersPing(*session, index)) continue;
      std::this_thread::sleep_for(secondPingDelay);
      if (!session->ping(index)) unanswered.insert(index);
    }
    return unanswered;
  };
  const auto silent = co_await perform(std::move(job));

  bool departed = false;
  for (const auto index : indexes) {
    if (!silent.contains(index)) {
      missedPingStreak_[index] = 0;
      continue;
    }
    if (++missedPingStreak_[index] >= departureConfirmThreshold_) departed = true;
  }
  co_return departed;
}

asio::awaitable<bool> Engine::anyResponds(std::vector<std::uint8_t> indexes) {
  if (!receiver_ || indexes.empty()) co_return false;
  auto job = [session = receiver_, indexes = std::move(indexes)]() noexcept {
    for (const auto index : indexes) {
      if (answersPing(*session, index)) return true;
    }
    return false;
  };
  co_return co_await perform(std::move(job));
}

// Planning where departed devices went and sending the others after them arrives with departure
// following; until then a departure-driven reconnect only refreshes the host memory.
asio::awaitable<void> Engine::followDeparted(std::vector<DeviceInfo>, std::vector<DeviceInfo> present) {
  noteSeen(present);
  co_return;
}

}  // namespace flitbar
