#include "virtual/VirtualWorld.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <stdexcept>

namespace flitbar::virtualhid {

namespace {

constexpr std::uint8_t receiverIndex = 0xFF;
constexpr std::uint8_t firstSlot = 1;
constexpr std::uint8_t lastSlot = 6;
constexpr std::size_t oversizedLength = 65;

bool isRegisterAccess(std::uint8_t subId) { return subId >= 0x80 && subId <= 0x83; }

}  // namespace

VirtualWorld::VirtualWorld(VirtualRig rig)
    : rig_(std::move(rig)), timing_(rig_.timing), receivers_(rig_.computers.size()) {
  for (const auto& device : rig_.devices) devices_.push_back(std::make_unique<Device>(device));
}

VirtualWorld::~VirtualWorld() { scheduler_.stop(); }

const RigComputer& VirtualWorld::computer(const std::string& id) const { return rig_.computers[computerIndex(id)]; }

std::size_t VirtualWorld::computerIndex(const std::string& id) const {
  const auto& computers = rig_.computers;
  const auto found = std::find_if(computers.begin(), computers.end(), [&](const auto& c) { return c.id == id; });
  if (found == computers.end()) throw std::invalid_argument(fmt::format("no computer named {}", id));
  return static_cast<std::size_t>(found - computers.begin());
}

VirtualWorld::Device& VirtualWorld::device(const std::string& id) {
  for (auto& device : devices_) {
    const auto& rig = device->model.rig();
    if (rig.id == id || std::to_string(rig.slot) == id) return *device;
  }
  throw std::invalid_argument(fmt::format("no device named {}", id));
}

std::optional<std::size_t> VirtualWorld::computerOf(const Device& device) const {
  const auto& channel = device.model.rig().channels[device.model.currentChannel()];
  if (!channel) return std::nullopt;
  return computerIndex(*channel);
}

bool VirtualWorld::pairedWith(const Device& device, std::size_t computer) const {
  const auto& channels = device.model.rig().channels;
  return std::any_of(channels.begin(), channels.end(),
                     [&](const auto& channel) { return channel && *channel == rig_.computers[computer].id; });
}

bool VirtualWorld::reachable(const Device& device, std::size_t computer) const {
  return device.awake && device.linked && computerOf(device) == computer;
}

VirtualWorld::ClientId VirtualWorld::attach(const std::string& computer, std::shared_ptr<ReportSink> sink) {
  std::lock_guard lock(mutex_);
  const auto index = computerIndex(computer);
  const auto id = nextClient_++;
  clients_.emplace(id, Client{index, std::move(sink)});
  return id;
}

void VirtualWorld::detach(ClientId client) {
  std::lock_guard lock(mutex_);
  clients_.erase(client);
}

void VirtualWorld::write(const std::string& computer, std::span<const std::uint8_t> report) {
  std::lock_guard lock(mutex_);
  const auto index = computerIndex(computer);
  // The receiver passes on only HID++ reports of the right length; anything else vanishes.
  if (receivers_[index].silent || !frames::isWellFormed(report)) return;
  releaseHeld(index);

  const std::uint8_t slot = report[1];
  if (slot == receiverIndex) {
    // Receiver registers are not modelled: every request to the receiver itself is refused.
    const auto code = isRegisterAccess(report[2]) ? frames::errorInvalidAddress : frames::errorInvalidSubId;
    answer(index, frames::hidpp10Error(report, code), timing_.receiverErrorMs);
    return;
  }
  const auto found = std::find_if(devices_.begin(), devices_.end(), [&](const auto& device) {
    return slot >= firstSlot && slot <= lastSlot && device->model.slot() == slot && pairedWith(*device, index);
  });
  if (found == devices_.end()) {
    answer(index, frames::hidpp10Error(report, frames::errorUnknownDevice), timing_.receiverErrorMs);
    return;
  }
  Device& target = **found;
  if (!reachable(target, index)) {
    answer(index, frames::hidpp10Error(report, frames::errorResourceError), timing_.receiverErrorMs);
    return;
  }
  if (target.silent) return;

  if (const auto feature = target.model.featureAt(report[2])) {
    if (const auto error = target.featureErrors.find(*feature); error != target.featureErrors.end()) {
      answer(index, frames::hidpp20Error(report, error->second), timing_.answerMs);
      return;
    }
  }
  auto outcome = target.model.handle(report);
  if (outcome.report) answer(index, std::move(*outcome.report), timing_.answerMs);
  if (outcome.moveToChannel) moveDevice(target, *outcome.moveToChannel);
}

void VirtualWorld::releaseHeld(std::size_t computer) {
  auto& receiver = receivers_[computer];
  if (!receiver.held || !receiver.holdFor || --*receiver.holdFor > 0) return;
  auto late = std::move(*receiver.held);
  receiver.held.reset();
  receiver.holdFor.reset();
  broadcast(computer, late);
}

void VirtualWorld::answer(std::size_t computer, frames::Bytes report, int delayMs) {
  auto& receiver = receivers_[computer];
  if (receiver.holdFor && !receiver.held) {
    receiver.held = std::move(report);
    return;
  }
  auto& faults = receiver.faults;
  if (!faults.empty()) {
    const auto pending = faults.front();
    faults.pop_front();
    switch (pending.fault) {
      case ResponseFault::drop:
        return;
      case ResponseFault::delay:
        delayMs += pending.delayMs;
        break;
      case ResponseFault::malformed:
        report.pop_back();
        break;
      case ResponseFault::oversized:
        report.resize(oversizedLength, 0x00);
        break;
    }
  }
  deliver(computer, std::move(report), std::chrono::milliseconds(delayMs));
}

void VirtualWorld::deliver(std::size_t computer, frames::Bytes report, std::chrono::milliseconds delay) {
  if (delay.count() <= 0) {
    broadcast(computer, report);
    return;
  }
  scheduler_.post(delay, [this, computer, report = std::move(report)] {
    std::lock_guard lock(mutex_);
    broadcast(computer, report);
  });
}

void VirtualWorld::broadcast(std::size_t computer, std::span<const std::uint8_t> report) {
  // Like hidraw, every opener of the interface receives every input report.
  for (const auto& [id, client] : clients_) {
    if (client.computer == computer) client.sink->deliver(report);
  }
}

void VirtualWorld::sendEvent(const Device& device, const frames::Bytes& event) {
  const auto computer = computerOf(device);
  if (computer && reachable(device, *computer) && !receivers_[*computer].silent) broadcast(*computer, event);
}

void VirtualWorld::dropLink(Device& device) {
  const bool wasLinked = device.awake && device.linked;
  const auto computer = computerOf(device);
  device.model.loseLink();
  device.linked = false;
  ++device.linkGeneration;
  if (!wasLinked || !computer) return;
  const auto& rig = device.model.rig();
  // The receiver notices the lost link a little later and says so.
  deliver(*computer, frames::connectionNotice(rig.slot, rig_.computers[*computer].receiver, rig.kind, false, rig.wpid),
          std::chrono::milliseconds(timing_.departureNoticeMs));
}

void VirtualWorld::establishLink(Device& device) {
  const auto generation = device.linkGeneration;
  auto arrive = [this, &device, generation] {
    if (device.linkGeneration != generation || !device.awake) return;
    device.linked = true;
    const auto computer = computerOf(device);
    if (!computer) return;
    const auto& rig = device.model.rig();
    broadcast(*computer,
              frames::connectionNotice(rig.slot, rig_.computers[*computer].receiver, rig.kind, true, rig.wpid));
  };
  if (timing_.arrivalMs <= 0) {
    arrive();
    return;
  }
  scheduler_.post(std::chrono::milliseconds(timing_.arrivalMs), [this, arrive] {
    std::lock_guard lock(mutex_);
    arrive();
  });
}

void VirtualWorld::moveDevice(Device& device, std::uint8_t channel) {
  dropLink(device);
  device.model.setCurrentChannel(channel);
  establishLink(device);
}

void VirtualWorld::press(const std::string& id, std::uint16_t cid) {
  std::lock_guard lock(mutex_);
  Device& target = device(id);
  if (!target.awake) throw std::invalid_argument(fmt::format("device {} is asleep; wake it first", id));
  const auto effect = target.model.press(cid);
  if (effect.event) sendEvent(target, *effect.event);
  if (effect.moveToChannel) moveDevice(target, *effect.moveToChannel);
}

void VirtualWorld::release(const std::string& id, std::uint16_t cid) {
  std::lock_guard lock(mutex_);
  Device& target = device(id);
  const auto effect = target.model.release(cid);
  if (effect.event) sendEvent(target, *effect.event);
}

void VirtualWorld::switchHost(const std::string& id, int host) {
  std::lock_guard lock(mutex_);
  Device& target = device(id);
  const auto count = static_cast<int>(target.model.channelCount());
  if (host < 1 || host > count) {
    throw std::invalid_argument(fmt::format("device {} has hosts 1 through {}", id, count));
  }
  if (!target.awake) throw std::invalid_argument(fmt::format("device {} is asleep; wake it first", id));
  if (host - 1 == target.model.currentChannel()) return;
  moveDevice(target, static_cast<std::uint8_t>(host - 1));
}

void VirtualWorld::setAwake(const std::string& id, bool awake) {
  std::lock_guard lock(mutex_);
  Device& target = device(id);
  if (target.awake == awake) return;
  if (!awake) {
    dropLink(target);
    target.awake = false;
    return;
  }
  target.awake = true;
  establishLink(target);
}

void VirtualWorld::setBattery(const std::string& id, int percent, bool charging) {
  std::lock_guard lock(mutex_);
  Device& target = device(id);
  if (!target.model.rig().battery) throw std::invalid_argument(fmt::format("device {} has no battery feature", id));
  if (percent < 0 || percent > 100) throw std::invalid_argument("battery percent must be from 0 through 100");
  target.model.setBattery(percent, charging);
}

void VirtualWorld::setLatency(int answerMs, std::optional<int> receiverErrorMs) {
  if (answerMs < 0 || answerMs > 10000 || (receiverErrorMs && (*receiverErrorMs < 0 || *receiverErrorMs > 10000))) {
    throw std::invalid_argument("latency must be from 0 through 10000 milliseconds");
  }
  std::lock_guard lock(mutex_);
  timing_.answerMs = answerMs;
  if (receiverErrorMs) timing_.receiverErrorMs = *receiverErrorMs;
}

void VirtualWorld::setTiming(const RigTiming& timing) {
  std::lock_guard lock(mutex_);
  timing_ = timing;
}

RigTiming VirtualWorld::timing() const {
  std::lock_guard lock(mutex_);
  return timing_;
}

void VirtualWorld::setSilentDevice(const std::string& id, bool silent) {
  std::lock_guard lock(mutex_);
  device(id).silent = silent;
}

void VirtualWorld::setSilentReceiver(const std::string& computer, bool silent) {
  std::lock_guard lock(mutex_);
  receivers_[computerIndex(computer)].silent = silent;
}

void VirtualWorld::setRefusingOpen(const std::string& computer, bool refusing) {
  std::lock_guard lock(mutex_);
  receivers_[computerIndex(computer)].refusingOpen = refusing;
}

bool VirtualWorld::refusesOpen(const std::string& computer) const {
  std::lock_guard lock(mutex_);
  return receivers_[computerIndex(computer)].refusingOpen;
}

void VirtualWorld::unplug(const std::string& computer) {
  std::lock_guard lock(mutex_);
  const auto index = computerIndex(computer);
  receivers_[index].refusingOpen = true;
  std::erase_if(clients_, [&](const auto& entry) {
    if (entry.second.computer != index) return false;
    entry.second.sink->hangUp();
    return true;
  });
}

void VirtualWorld::addResponseFault(const std::string& computer, ResponseFault fault, int count, int delayMs) {
  if (count < 1 || count > 1000) throw std::invalid_argument("fault count must be from 1 through 1000");
  if (delayMs < 0 || delayMs > 60000)
    throw std::invalid_argument("fault delay must be from 0 through 60000 milliseconds");
  std::lock_guard lock(mutex_);
  auto& faults = receivers_[computerIndex(computer)].faults;
  for (int i = 0; i < count; ++i) faults.push_back(PendingFault{fault, delayMs});
}

void VirtualWorld::holdNextAnswer(const std::string& computer, int laterRequests) {
  if (laterRequests < 1 || laterRequests > 1000) throw std::invalid_argument("a held answer waits 1 to 1000 requests");
  std::lock_guard lock(mutex_);
  auto& receiver = receivers_[computerIndex(computer)];
  receiver.holdFor = laterRequests;
  receiver.held.reset();
}

void VirtualWorld::setFeatureError(const std::string& id, std::uint16_t featureId, std::optional<std::uint8_t> code) {
  std::lock_guard lock(mutex_);
  Device& target = device(id);
  if (!code) {
    target.featureErrors.erase(featureId);
    return;
  }
  if (target.model.featureIndex(featureId) == 0 && featureId != 0x0000) {
    throw std::invalid_argument(fmt::format("device {} has no feature 0x{:04X}", id, featureId));
  }
  target.featureErrors[featureId] = *code;
}

void VirtualWorld::clearFaults() {
  std::lock_guard lock(mutex_);
  for (auto& receiver : receivers_) receiver = Receiver{};
  for (auto& device : devices_) {
    device->silent = false;
    device->featureErrors.clear();
  }
}

void VirtualWorld::inject(const std::string& computer, std::vector<std::uint8_t> report) {
  if (report.empty() || report.size() > 256) throw std::invalid_argument("an injected report has 1 to 256 bytes");
  std::lock_guard lock(mutex_);
  broadcast(computerIndex(computer), report);
}

nlohmann::json VirtualWorld::state() const {
  std::lock_guard lock(mutex_);
  nlohmann::json computers = nlohmann::json::array();
  for (std::size_t i = 0; i < rig_.computers.size(); ++i) {
    const auto& computer = rig_.computers[i];
    const auto clients =
        std::count_if(clients_.begin(), clients_.end(), [&](const auto& c) { return c.second.computer == i; });
    nlohmann::json present = nlohmann::json::array();
    for (const auto& device : devices_) {
      if (reachable(*device, i)) present.push_back(device->model.rig().id);
    }
    computers.push_back({{"id", computer.id},
                         {"name", computer.name},
                         {"receiver", computer.receiver == ReceiverKind::bolt ? "bolt" : "unifying"},
                         {"clients", clients},
                         {"silent", receivers_[i].silent},
                         {"refusingOpen", receivers_[i].refusingOpen},
                         {"extraInterfaces", computer.extraInterfaces},
                         {"pendingFaults", receivers_[i].faults.size()},
                         {"devices", present}});
  }
  nlohmann::json devices = nlohmann::json::array();
  for (const auto& device : devices_) {
    auto entry = device->model.state();
    const auto computer = computerOf(*device);
    entry["computer"] = computer ? nlohmann::json(rig_.computers[*computer].id) : nlohmann::json();
    entry["awake"] = device->awake;
    entry["linked"] = device->awake && device->linked;
    entry["silent"] = device->silent;
    nlohmann::json errors = nlohmann::json::object();
    for (const auto& [feature, code] : device->featureErrors) errors[fmt::format("0x{:04X}", feature)] = code;
    entry["featureErrors"] = errors;
    devices.push_back(entry);
  }
  return {{"computers", computers},
          {"devices", devices},
          {"timing",
           {{"answerMs", timing_.answerMs},
            {"receiverErrorMs", timing_.receiverErrorMs},
            {"departureNoticeMs", timing_.departureNoticeMs},
            {"arrivalMs", timing_.arrivalMs}}}};
}

}  // namespace flitbar::virtualhid
