#include "engine/Engine.h"

#include "protocol/HIDPPError.h"
#include "protocol/HidppReport.h"

#include <algorithm>

namespace flitbar {

namespace {

constexpr double exchangeTimeout = 0.8;

std::string errorText(const std::exception& error) {
  if (const auto* hidpp = dynamic_cast<const HIDPPError*>(&error)) return hidpp->description();
  return error.what();
}

}  // namespace

asio::awaitable<void> Engine::refreshBatteries() {
  if (!receiver_ || state_.devices.empty()) co_return;
  std::vector<std::uint8_t> indexes;
  for (const auto& device : state_.devices) indexes.push_back(device.index);

  using Reading = std::pair<std::uint8_t, std::optional<DeviceBattery>>;
  auto job = [session = receiver_, indexes]() noexcept {
    std::vector<Reading> results;
    for (const auto index : indexes) {
      std::optional<DeviceBattery> battery;
      try {
        battery = session->battery(index);
      } catch (...) {
        // A failed read counts as no reading.
      }
      results.emplace_back(index, battery);
    }
    return results;
  };
  const auto readings = co_await perform(std::move(job));

  bool changed = false;
  for (const auto& [index, battery] : readings) {
    if (!battery) continue;
    const auto device = std::find_if(state_.devices.begin(), state_.devices.end(),
                                     [index](const DeviceInfo& candidate) { return candidate.index == index; });
    if (device == state_.devices.end() || device->battery == battery) continue;
    device->battery = battery;
    changed = true;
  }
  if (!changed) co_return;
  log("Battery levels refreshed");
  publish();
}

asio::awaitable<std::optional<WheelDiversion>> Engine::scanForDivertedWheel(std::shared_ptr<ReceiverSession> receiver) {
  auto job = [receiver = std::move(receiver), devices = state_.devices]() noexcept {
    for (const auto& device : devices) {
      try {
        const auto feature = receiver->featureIndex(device.index, Feature::hiResWheel, exchangeTimeout);
        if (feature == 0) continue;
        const auto answer = receiver->transport().exchange(device.index, feature, 1, {}, false, exchangeTimeout);
        if (!HidppReport::isWellFormed(answer)) continue;
        std::vector<std::uint8_t> mode(answer.begin() + 4, answer.begin() + 7);
        if (mode[0] == 1) return std::optional<WheelDiversion>(WheelDiversion{device.index, device.name, mode});
      } catch (...) {
        // A device that does not answer cannot be the one to repair.
      }
    }
    return std::optional<WheelDiversion>();
  };
  co_return co_await perform(std::move(job));
}

asio::awaitable<std::optional<WheelDiversion>> Engine::divertedWheel() {
  if (!receiver_ || state_.devices.empty()) co_return std::nullopt;
  co_return co_await scanForDivertedWheel(receiver_);
}

asio::awaitable<bool> Engine::rescueWheel() {
  if (!receiver_ || state_.devices.empty()) co_return false;
  const auto session = receiver_;
  const auto found = co_await scanForDivertedWheel(session);
  if (!found || receiver_ != session) co_return false;

  auto mode = found->modeBytes.size() > 2 ? found->modeBytes : std::vector<std::uint8_t>{0, 0, 0};
  mode[0] = 0;
  auto job = [session, device = found->deviceIndex, mode]() noexcept {
    try {
      session->setWheelMode(device, mode);
      const auto read = session->wheelMode(device);
      return read && !read->empty() && read->front() == 0;
    } catch (...) {
      return false;
    }
  };
  co_return co_await perform(std::move(job));
}

void Engine::enforceRatchet(ReceiverSession& receiver, const std::vector<DeviceInfo>& devices, const Logger& log) {
  for (const auto& device : devices) {
    try {
      const auto feature = receiver.featureIndex(device.index, Feature::smartShift, exchangeTimeout);
      if (feature == 0) continue;
      const auto status = receiver.transport().exchange(device.index, feature, 1, {}, false, exchangeTimeout);
      HidppReport::requireWellFormed(status);
      const std::uint8_t torque = status[6];
      // Ratchet mode, never disengaging to free spin, torque as it was.
      const auto answer =
          receiver.transport().exchange(device.index, feature, 2, {0x02, 0xFF, torque}, false, exchangeTimeout);
      HidppReport::requireWellFormed(answer);
      const auto check = receiver.smartShiftState(device.index, feature);
      if (check.size() > 5 && check[4] == 0x02 && check[5] == 0xFF) continue;
      log("Ratchet mode could not be confirmed on " + device.name);
    } catch (const std::exception& error) {
      log("Ratchet mode on " + device.name + ": " + errorText(error));
    }
  }
}

}  // namespace flitbar
