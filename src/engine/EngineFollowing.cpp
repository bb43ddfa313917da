#include "engine/Engine.h"
#include "engine/EngineTexts.h"

#include "engine/FollowPlanner.h"
#include "protocol/HIDPPError.h"
#include "protocol/HidppReport.h"
#include "protocol/HostNaming.h"

#include <algorithm>

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

using EngineTexts::errorText;
using EngineTexts::joined;

std::string deviceLabel(const std::vector<DeviceInfo>& devices, std::uint8_t index) {
  const auto found =
      std::find_if(devices.begin(), devices.end(), [index](const DeviceInfo& device) { return device.index == index; });
  return (found == devices.end() ? std::string("Device") : found->name) + " (device " + std::to_string(index) + ")";
}

// What a departed device's memory says about where it went, for the log.
std::string departureEvidence(const DeviceInfo& device, const std::map<std::uint8_t, HostMemory>& memory) {
  const auto label = deviceLabel({device}, device.index);
  const auto remembered = memory.find(device.index);
  if (remembered == memory.end() || remembered->second.count <= remembered->second.host)
    return "Departed: " + label + ", no memory of its host";
  const auto& seen = remembered->second;
  const int predicted = seen.host + 1 == seen.count ? 1 : seen.host + 2;
  return "Departed: " + label + ", last seen on host " + std::to_string(seen.host + 1) + " of " +
         std::to_string(seen.count) + ", predicted host " + std::to_string(predicted);
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
    // Every missed ping is logged, so a wrong follow can be traced back to its evidence.
    const int streak = ++missedPingStreak_[index];
    log(deviceLabel(state_.devices, index) + " missed " + std::to_string(streak) + " of " +
        std::to_string(departureConfirmThreshold_) + " pings");
    if (streak >= departureConfirmThreshold_) departed = true;
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

asio::awaitable<void> Engine::followDeparted(std::vector<DeviceInfo> previous, std::vector<DeviceInfo> present) {
  std::vector<std::string> departures;
  for (const auto& device : previous) {
    const bool stayed = std::any_of(present.begin(), present.end(),
                                    [&device](const DeviceInfo& other) { return other.index == device.index; });
    if (!stayed) departures.push_back(departureEvidence(device, lastHost_));
  }
  for (const auto& line : departures) log(line);
  if (!autoSwitchBoth_ || !receiver_) {
    if (!departures.empty())
      log(autoSwitchBoth_ ? "Not following: the receiver is gone" : "Not following: automatic switching is off");
    noteSeen(present);
    co_return;
  }
  const int g = generation_;
  const auto session = receiver_;

  const auto plan = FollowPlanner::plan(previous, present, lastHost_);
  if (!plan && !departures.empty())
    log("Not following: the departed devices predict no single host that a remaining device can reach");
  for (const auto& device : previous) {
    const bool stayed = std::any_of(present.begin(), present.end(),
                                    [&device](const DeviceInfo& other) { return other.index == device.index; });
    if (!stayed) lastHost_.erase(device.index);
  }
  noteSeen(present);
  if (!plan) co_return;

  std::vector<DeviceInfo> following;
  std::vector<std::string> names;
  for (const auto& device : present) {
    const bool follows = std::any_of(plan->followers.begin(), plan->followers.end(),
                                     [&device](const HostTarget& target) { return target.device == device.index; });
    if (!follows) continue;
    following.push_back(device);
    names.push_back(device.name);
  }
  const auto destinationName = HostNaming::name(present, plan->host);
  const auto leaders = joined(plan->leaderNames);
  log("Following " + leaders + " to " + destinationText(plan->host, destinationName));

  struct Outcome {
    std::vector<std::string> lines;
    std::exception_ptr failure;
  };
  auto job = [session, following, followers = plan->followers, host = plan->host]() noexcept {
    Outcome result;
    enforceRatchet(*session, following, [&result](const std::string& line) { result.lines.push_back(line); });
    try {
      session->setHostMulti(followers, static_cast<std::uint8_t>(host - 1));
    } catch (...) {
      result.failure = std::current_exception();
    }
    return result;
  };
  const auto outcome = co_await perform(std::move(job));
  for (const auto& line : outcome.lines) log(line);
  if (outcome.failure) {
    const auto description = errorText(outcome.failure);
    log("Follow switch failed: " + description);
    emit(EngineEvent::actionFailed("Follow devices", description));
    co_return;
  }

  emit(EngineEvent::switched(SwitchReport{plan->host, names, SwitchReason::followLeader(leaders), destinationName}));

  if (!current(g) || receiver_ != session) co_return;
  session->transport().setNotificationHandler({});
  co_await stopTransport(session);
  if (!current(g) || receiver_ != session) co_return;
  receiver_ = nullptr;
  state_.devices.clear();
  state_.movingToHost = plan->host;
  publish();
  scheduleReconnect(generation_, false);
}

}  // namespace flitbar
