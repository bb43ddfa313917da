#include "engine/ManagedControls.h"

#include "engine/DiversionJournal.h"
#include "protocol/HidppReport.h"

#include <algorithm>
#include <chrono>
#include <exception>

namespace flitbar {

namespace {

constexpr std::uint8_t divertOn = 0x03;   // divert bit plus divert-valid bit
constexpr std::uint8_t divertOff = 0x02;  // divert-valid bit alone
constexpr std::uint8_t divertedBit = 0x01;
constexpr int verificationReads = 3;
constexpr std::uint8_t setReportingFunction = 3;

bool diverted(const ControlReporting& reporting) { return reporting.flags & divertedBit; }

std::string wantedKey(std::uint8_t device, std::uint16_t cid) {
  return std::to_string(device) + ":" + std::to_string(cid);
}

}  // namespace

std::string ManagedControls::key(const Capture& capture) {
  const std::string owner =
      capture.unitID ? "unit:" + *capture.unitID : "slot:" + std::to_string(capture.device) + ":" + capture.deviceName;
  return owner + ":" + std::to_string(capture.cid);
}

void ManagedControls::assertDiverted(ReceiverSession& receiver, const std::vector<Target>& targets,
                                     const std::vector<DeviceInfo>& devices, const CancelFlag& cancel,
                                     const Logger& log) {
  std::set<std::string> wanted;
  for (const Target& target : targets) wanted.insert(wantedKey(target.device.index, target.cid));
  for (const std::string& failure :
       releaseUnused(receiver, devices, wanted, [&cancel] { return cancel.isCancelled(); })) {
    log(failure);
  }

  for (const Target& target : targets) {
    if (cancel.isCancelled()) return;
    const DeviceInfo& device = target.device;
    if (!device.reprogFeature || *device.reprogFeature == 0) continue;
    const std::uint8_t feature = *device.reprogFeature;

    const auto before = readReporting(receiver, device.index, feature, target.cid);
    if (!before) continue;
    if (!diverted(*before)) {
      const Capture capture{device.index, device.unitID, device.name, feature, target.cid, before->remap};
      try {
        if (journal_) journal_->record(capture, before->flags);
      } catch (const std::exception& error) {
        log("device " + std::to_string(device.index) + ", cid " + std::to_string(target.cid) +
            ": not diverted, the diversion could not be recorded: " + error.what());
        continue;
      }
      captures_[key(capture)] = capture;
    }
    writeReporting(receiver, device.index, feature, target.cid, divertOn, before->remap);

    // Unconfirmed diversion is not reported: the next assert tries again.
    for (int attempt = 0; attempt < verificationReads; ++attempt) {
      if (cancel.isCancelled()) break;
      if (attempt > 0) pacing_.sleep(pacing_.retry);
      const auto after = readReporting(receiver, device.index, feature, target.cid);
      if (after && diverted(*after)) break;
    }
  }
}

std::vector<std::string> ManagedControls::releaseUnused(ReceiverSession& receiver,
                                                        const std::vector<DeviceInfo>& devices,
                                                        const std::set<std::string>& wanted,
                                                        const std::function<bool()>& interrupted) {
  std::vector<Capture> unwanted;
  for (const auto& [name, capture] : captures_) {
    if (!wanted.contains(wantedKey(capture.device, capture.cid)) && belongs(capture, devices)) {
      unwanted.push_back(capture);
    }
  }
  std::vector<std::string> failures;
  for (const Capture& capture : unwanted) {
    if (interrupted()) break;
    if (auto failure = releaseOne(capture, receiver, "removed binding release")) failures.push_back(*failure);
  }
  return failures;
}

std::vector<std::string> ManagedControls::release(ReceiverSession& receiver, const std::vector<DeviceInfo>& devices,
                                                  double timeoutSeconds, bool discardAfter) {
  const auto deadline = pacing_.now() + std::chrono::duration_cast<ControlPacing::Clock::duration>(
                                            std::chrono::duration<double>(timeoutSeconds));
  std::vector<Capture> present;
  for (const auto& [name, capture] : captures_) {
    if (belongs(capture, devices)) present.push_back(capture);
  }
  std::sort(present.begin(), present.end(), [](const Capture& a, const Capture& b) {
    return a.device != b.device ? a.device < b.device : a.cid < b.cid;
  });

  std::vector<std::string> failures;
  for (const Capture& capture : present) {
    // Checked before each control only, so a control already started is always finished.
    if (pacing_.now() >= deadline) {
      failures.push_back("button release timed out");
      break;
    }
    if (auto failure = releaseOne(capture, receiver, "release")) failures.push_back(*failure);
  }
  if (discardAfter) captures_.clear();
  return failures;
}

void ManagedControls::reconcileDevices(const std::vector<DeviceInfo>& devices) {
  std::map<std::string, Capture> kept;
  for (const auto& [name, capture] : captures_) {
    const auto found = std::find_if(devices.begin(), devices.end(), [&capture](const DeviceInfo& device) {
      if (capture.unitID) return device.unitID == capture.unitID;
      return !device.unitID && device.index == capture.device && device.name == capture.deviceName;
    });
    if (found == devices.end() || !found->reprogFeature) continue;
    Capture refreshed = capture;
    refreshed.device = found->index;
    refreshed.unitID = found->unitID;
    refreshed.deviceName = found->name;
    refreshed.feature = *found->reprogFeature;
    // The key stays the one it was recorded under.
    kept.emplace(name, refreshed);
  }
  captures_ = std::move(kept);
}

std::vector<std::string> ManagedControls::handBackLeftovers(ReceiverSession& receiver,
                                                            const std::vector<DeviceInfo>& devices) {
  std::vector<std::string> lines;
  if (!journal_) return lines;
  for (const auto& leftover : journal_->leftovers()) {
    const Capture& recorded = leftover.capture;
    const auto device = std::find_if(devices.begin(), devices.end(), [&recorded](const DeviceInfo& candidate) {
      if (recorded.unitID) return candidate.unitID == recorded.unitID;
      return !candidate.unitID && candidate.index == recorded.device && candidate.name == recorded.deviceName;
    });
    // An absent device keeps its record until it is back.
    if (device == devices.end() || !device->reprogFeature) continue;
    const std::uint8_t feature = *device->reprogFeature;
    const std::string where = "device " + std::to_string(device->index) + ", cid " + std::to_string(recorded.cid);
    const auto before = readReporting(receiver, device->index, feature, recorded.cid);
    if (!before) continue;
    if (diverted(*before)) {
      writeReporting(receiver, device->index, feature, recorded.cid, divertOff, recorded.remap);
      const auto after = readReporting(receiver, device->index, feature, recorded.cid);
      if (!after || diverted(*after)) {
        lines.push_back(where + ": hand-back of an earlier run's diversion could not be verified");
        continue;
      }
      lines.push_back(where + ": handed back what an earlier run left diverted");
    }
    try {
      journal_->forgetLeftover(leftover);
    } catch (const std::exception& error) {
      lines.push_back(where + ": " + error.what());
    }
  }
  return lines;
}

void ManagedControls::journalForget(const std::string& key) {
  if (!journal_) return;
  try {
    journal_->forget(key);
  } catch (const std::exception&) {
    // The control is released; a stale record only makes a later run read it once more.
  }
}

std::optional<std::string> ManagedControls::releaseOne(const Capture& capture, ReceiverSession& receiver,
                                                       const std::string& context) {
  const std::string name = key(capture);
  const auto before = readReporting(receiver, capture.device, capture.feature, capture.cid);
  if (before && !diverted(*before)) {
    captures_.erase(name);
    journalForget(name);
    return std::nullopt;
  }
  writeReporting(receiver, capture.device, capture.feature, capture.cid, divertOff, capture.remap);
  const auto after = readReporting(receiver, capture.device, capture.feature, capture.cid);
  if (after && !diverted(*after)) {
    captures_.erase(name);
    journalForget(name);
    return std::nullopt;
  }
  return "device " + std::to_string(capture.device) + ", cid " + std::to_string(capture.cid) + ": " + context +
         " could not be verified";
}

void ManagedControls::writeReporting(ReceiverSession& receiver, std::uint8_t device, std::uint8_t feature,
                                     std::uint16_t cid, std::uint8_t flags, std::uint16_t remap) {
  Report report(HidppReport::longLength, 0);
  report[0] = HidppReport::longId;
  report[1] = device;
  report[2] = feature;
  report[3] = HidppReport::functionByte(setReportingFunction);
  report[4] = static_cast<std::uint8_t>(cid >> 8);
  report[5] = static_cast<std::uint8_t>(cid & 0xFF);
  report[6] = flags;
  report[7] = static_cast<std::uint8_t>(remap >> 8);
  report[8] = static_cast<std::uint8_t>(remap & 0xFF);
  try {
    receiver.transport().send(report);
  } catch (const std::exception&) {
    // The read-back decides whether the write took.
  }
  pacing_.sleep(pacing_.settle);
}

std::optional<ControlReporting> ManagedControls::readReporting(ReceiverSession& receiver, std::uint8_t device,
                                                               std::uint8_t feature, std::uint16_t cid) {
  try {
    return receiver.controlReporting(device, feature, cid);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

bool ManagedControls::belongs(const Capture& capture, const std::vector<DeviceInfo>& devices) const {
  return std::any_of(devices.begin(), devices.end(), [&capture](const DeviceInfo& device) {
    if (device.index != capture.device) return false;
    if (device.unitID && capture.unitID) return *device.unitID == *capture.unitID;
    if (!device.unitID && !capture.unitID) return device.name == capture.deviceName;
    return true;
  });
}

std::vector<std::string> ManagedControls::releaseAndStop(ReceiverSession& receiver,
                                                         const std::vector<DeviceInfo>& devices, double timeoutSeconds,
                                                         bool discardAfter) noexcept {
  std::vector<std::string> texts;
  try {
    texts = release(receiver, devices, timeoutSeconds, discardAfter);
  } catch (const std::exception& error) {
    texts.push_back(error.what());
  }
  try {
    receiver.stop();
  } catch (...) {
    // Best effort: the transport's destructor stops it again.
  }
  return texts;
}

}  // namespace flitbar
