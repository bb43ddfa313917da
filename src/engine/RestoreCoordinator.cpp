#include "engine/RestoreCoordinator.h"

#include "protocol/HIDPPError.h"

#include <chrono>
#include <exception>
#include <optional>
#include <thread>

namespace flitbar::RestoreCoordinator {

namespace {

constexpr int verificationReads = 3;
// A device that stops answering part-way costs about this much (plus one control), not one
// timeout per remaining control.
constexpr auto deviceBudget = std::chrono::seconds(10);

bool diverted(const ControlReporting& reporting) { return reporting.flags & 0x01; }

std::string describe(const std::exception& error) {
  if (const auto* hidpp = dynamic_cast<const HIDPPError*>(&error)) return hidpp->description();
  return error.what();
}

// A lost or mangled answer must not leave a device's controls diverted: reads are tried again.
template <typename Read>
auto withRetries(Read&& read) -> decltype(read()) {
  for (int attempt = 1;; ++attempt) {
    try {
      return read();
    } catch (const std::exception&) {
      if (attempt == verificationReads) throw;
    }
  }
}

std::optional<ControlReporting> readReporting(ReceiverSession& receiver, std::uint8_t device, std::uint8_t feature,
                                              std::uint16_t cid) {
  try {
    return receiver.controlReporting(device, feature, cid);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// Releases one control; false when no read confirmed it.
bool releaseControl(ReceiverSession& receiver, std::uint8_t device, std::uint8_t feature, std::uint16_t cid,
                    std::chrono::duration<double> verificationDelay) {
  receiver.setDivert(device, feature, cid, false);
  for (int attempt = 0; attempt < verificationReads; ++attempt) {
    if (attempt > 0 && verificationDelay.count() > 0) std::this_thread::sleep_for(verificationDelay);
    const auto reporting = readReporting(receiver, device, feature, cid);
    if (reporting && !diverted(*reporting)) return true;
  }
  return false;
}

// Restores one device; sets `result.interrupted` when `interrupted` fired on the way.
void restoreDevice(ReceiverSession& receiver, const DeviceInfo& device, std::uint8_t feature,
                   const std::function<bool()>& interrupted, std::chrono::duration<double> verificationDelay,
                   RestoreDeviceResult& result) {
  int count = 0;
  try {
    count = withRetries([&] { return receiver.controlCount(device.index, feature); });
  } catch (const std::exception& error) {
    result.failures.push_back("could not enumerate controls: " + describe(error));
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + deviceBudget;
  for (int position = 0; position < count; ++position) {
    if (interrupted()) {
      result.interrupted = true;
      return;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      result.failures.push_back("controls from " + std::to_string(position) + " on: the device took too long");
      return;
    }
    ControlInfo control;
    try {
      control = withRetries([&] { return receiver.controlInfo(device.index, feature, position); });
    } catch (const std::exception&) {
      result.failures.push_back("control " + std::to_string(position) + ": could not inspect");
      continue;
    }
    // An unreadable control is released anyway: it may be diverted.
    const auto reporting = readReporting(receiver, device.index, feature, control.cid);
    if (reporting && !diverted(*reporting)) {
      ++result.alreadyReleased;
      continue;
    }
    if (releaseControl(receiver, device.index, feature, control.cid, verificationDelay)) {
      ++result.released;
    } else {
      result.failures.push_back("cid " + std::to_string(control.cid) + ": release could not be verified");
    }
  }
}

}  // namespace

RestoreReport restore(ReceiverSession& receiver, const std::vector<DeviceInfo>& devices,
                      const std::function<bool()>& interrupted, std::chrono::duration<double> verificationDelay) {
  RestoreReport report;
  bool stopped = false;
  for (const DeviceInfo& device : devices) {
    RestoreDeviceResult result;
    result.index = device.index;
    result.name = device.name;
    if (stopped || interrupted()) {
      stopped = true;
      result.interrupted = true;
    } else if (!device.reprogFeature || *device.reprogFeature == 0) {
      result.unsupported = true;
    } else {
      restoreDevice(receiver, device, *device.reprogFeature, interrupted, verificationDelay, result);
      stopped = result.interrupted;
    }
    if (result.interrupted) {
      // An interrupted device reports no partial counts.
      result.released = 0;
      result.alreadyReleased = 0;
      result.failures.clear();
    }
    report.devices.push_back(std::move(result));
  }
  return report;
}

}  // namespace flitbar::RestoreCoordinator
