#include "FakeReceiver.h"

#include "protocol/HidppReport.h"

#include <algorithm>

namespace flitbar::testing {

namespace {

Report shortAnswer(std::uint8_t device, std::uint8_t feature, std::uint8_t function, std::vector<std::uint8_t> params) {
  Report report{0x10, device, feature, HidppReport::functionByte(function), 0, 0, 0};
  std::copy_n(params.begin(), std::min<std::size_t>(params.size(), 3), report.begin() + 4);
  return report;
}

}  // namespace

FakeReceiver::FakeReceiver(std::vector<FakeDevice> devices) : devices_(std::move(devices)) {}

std::vector<DeviceInfo> FakeReceiver::discovered() const {
  std::lock_guard guard(lock_);
  std::vector<DeviceInfo> found;
  for (const auto& device : devices_) {
    if (device.answers) found.push_back(device.info);
  }
  return found;
}

void FakeReceiver::setAnswers(std::uint8_t index, bool answers) {
  std::lock_guard guard(lock_);
  for (auto& device : devices_) {
    if (device.info.index == index) device.answers = answers;
  }
}

void FakeReceiver::setBattery(std::uint8_t index, std::optional<DeviceBattery> battery) {
  std::lock_guard guard(lock_);
  for (auto& device : devices_) {
    if (device.info.index == index) device.battery = battery;
  }
}

void FakeReceiver::setErrorCode(std::uint8_t index, std::optional<std::uint8_t> code) {
  std::lock_guard guard(lock_);
  for (auto& device : devices_) {
    if (device.info.index == index) device.errorCode = code;
  }
}

void FakeReceiver::failHostWrites(bool fail) {
  std::lock_guard guard(lock_);
  failHostWrites_ = fail;
}

bool FakeReceiver::stopped() const {
  std::lock_guard guard(lock_);
  return stopped_;
}

bool FakeReceiver::hasHandler() const {
  std::lock_guard guard(lock_);
  return static_cast<bool>(handler_);
}

std::vector<std::uint8_t> FakeReceiver::wheelModeOf(std::uint8_t index) const {
  std::lock_guard guard(lock_);
  for (const auto& device : devices_) {
    if (device.info.index == index) return device.wheelMode;
  }
  return {};
}

std::vector<std::uint8_t> FakeReceiver::smartShiftOf(std::uint8_t index) const {
  std::lock_guard guard(lock_);
  for (const auto& device : devices_) {
    if (device.info.index == index) return device.smartShift;
  }
  return {};
}

std::vector<std::pair<std::vector<HostTarget>, std::uint8_t>> FakeReceiver::hostWrites() const {
  std::lock_guard guard(lock_);
  return hostWrites_;
}

int FakeReceiver::pings(std::uint8_t index) const {
  std::lock_guard guard(lock_);
  const auto found = pings_.find(index);
  return found == pings_.end() ? 0 : found->second;
}

void FakeReceiver::holdHostWrites() {
  std::lock_guard guard(lock_);
  holdHostWrites_ = true;
}

void FakeReceiver::releaseHostWrites() {
  {
    std::lock_guard guard(lock_);
    holdHostWrites_ = false;
  }
  changed_.notify_all();
}

bool FakeReceiver::hostWriteWaiting() const {
  std::lock_guard guard(lock_);
  return hostWriteWaiting_;
}

FakeDevice& FakeReceiver::reachable(std::uint8_t index) {
  if (stopped_) throw HIDPPError::stopped();
  const auto found = std::find_if(devices_.begin(), devices_.end(),
                                  [index](const FakeDevice& device) { return device.info.index == index; });
  if (found == devices_.end() || !found->answers) throw HIDPPError::timeout(index);
  if (found->errorCode) throw HIDPPError::deviceError(index, *found->errorCode);
  return *found;
}

std::uint8_t FakeReceiver::featureIndex(std::uint8_t device, Feature feature, double) {
  std::lock_guard guard(lock_);
  auto& found = reachable(device);
  const auto entry = found.features.find(feature);
  return entry == found.features.end() ? 0 : entry->second;
}

bool FakeReceiver::pinged(std::uint8_t index) {
  ++pings_[index];
  try {
    auto& device = reachable(index);
    if (device.pingScript.empty()) return true;
    const bool answered = device.pingScript.front();
    device.pingScript.pop_front();
    return answered;
  } catch (const HIDPPError&) {
    return false;
  }
}

bool FakeReceiver::ping(std::uint8_t device) {
  std::lock_guard guard(lock_);
  return pinged(device);
}

std::string FakeReceiver::name(std::uint8_t device) {
  std::lock_guard guard(lock_);
  return reachable(device).info.name;
}

std::optional<std::string> FakeReceiver::unitID(std::uint8_t device) {
  std::lock_guard guard(lock_);
  return reachable(device).info.unitID;
}

std::optional<HostInfo> FakeReceiver::hostInfo(std::uint8_t device) {
  std::lock_guard guard(lock_);
  const auto& info = reachable(device).info;
  if (!info.changeHostFeature) return std::nullopt;
  return HostInfo{*info.changeHostFeature, info.hostCount, info.currentHost};
}

std::optional<std::vector<std::string>> FakeReceiver::hostsInfo(std::uint8_t device) {
  std::lock_guard guard(lock_);
  return reachable(device).info.hostNames;
}

std::optional<DeviceBattery> FakeReceiver::battery(std::uint8_t device) {
  std::lock_guard guard(lock_);
  try {
    return reachable(device).battery;
  } catch (const HIDPPError&) {
    return std::nullopt;
  }
}

void FakeReceiver::setHostMulti(const std::vector<HostTarget>& targets, std::uint8_t host0) {
  std::unique_lock guard(lock_);
  hostWriteWaiting_ = true;
  changed_.wait(guard, [this] { return !holdHostWrites_; });
  hostWriteWaiting_ = false;
  if (stopped_) throw HIDPPError::stopped();
  if (failHostWrites_) throw HIDPPError::writeFailed(5);
  hostWrites_.emplace_back(targets, host0);
  for (const auto& target : targets) {
    for (auto& device : devices_) {
      if (device.info.index == target.device) device.answers = false;  // it left for the other host
    }
  }
}

int FakeReceiver::controlCount(std::uint8_t device, std::uint8_t) {
  std::lock_guard guard(lock_);
  reachable(device);
  return 0;
}

ControlInfo FakeReceiver::controlInfo(std::uint8_t device, std::uint8_t, int) {
  std::lock_guard guard(lock_);
  reachable(device);
  throw HIDPPError::malformedResponse();
}

ControlReporting FakeReceiver::controlReporting(std::uint8_t device, std::uint8_t, std::uint16_t) {
  std::lock_guard guard(lock_);
  reachable(device);
  return {};
}

std::optional<std::vector<std::uint8_t>> FakeReceiver::wheelMode(std::uint8_t device) {
  std::lock_guard guard(lock_);
  auto& found = reachable(device);
  if (!found.features.contains(Feature::hiResWheel)) return std::nullopt;
  return found.wheelMode;
}

void FakeReceiver::setWheelMode(std::uint8_t device, const std::vector<std::uint8_t>& mode) {
  std::lock_guard guard(lock_);
  auto& found = reachable(device);
  if (!found.features.contains(Feature::hiResWheel)) throw HIDPPError::unsupported("device has no hi-res wheel");
  found.wheelMode.assign(mode.begin(), mode.begin() + 3);
}

Report FakeReceiver::smartShiftCapabilities(std::uint8_t device, std::uint8_t feature) {
  return exchange(device, feature, 0, {}, false, 0.8);
}

Report FakeReceiver::smartShiftState(std::uint8_t device, std::uint8_t feature) {
  return exchange(device, feature, 1, {}, false, 0.8);
}

std::vector<DeviceInfo> FakeReceiver::discover() { return discovered(); }

Report FakeReceiver::exchange(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                              const std::vector<std::uint8_t>& params, bool, double) {
  std::lock_guard guard(lock_);
  if (feature == 0 && function == 1 && !pinged(device)) throw HIDPPError::timeout(device);
  auto& found = reachable(device);
  if (feature == 0)
    return shortAnswer(device, feature, function, {4, 5, params.size() > 2 ? params[2] : std::uint8_t{0}});
  const auto has = [&found, feature](Feature wanted) {
    const auto entry = found.features.find(wanted);
    return entry != found.features.end() && entry->second == feature;
  };
  if (has(Feature::smartShift)) {
    if (function == 2 && !found.ignoresSmartShiftWrites) found.smartShift = {params.at(0), params.at(1), params.at(2)};
    if (function == 0) return shortAnswer(device, feature, function, {0x01, 50, 0});
    return shortAnswer(device, feature, function, found.smartShift);
  }
  if (has(Feature::hiResWheel) && function == 1) return shortAnswer(device, feature, function, found.wheelMode);
  throw HIDPPError::deviceError(device, 0x07);
}

void FakeReceiver::send(const Report&) {
  std::lock_guard guard(lock_);
  if (stopped_) throw HIDPPError::stopped();
}

void FakeReceiver::stop() {
  {
    std::lock_guard guard(lock_);
    stopped_ = true;
    handler_ = nullptr;
  }
  changed_.notify_all();
}

void FakeReceiver::setNotificationHandler(NotificationHandler handler) {
  std::lock_guard guard(lock_);
  handler_ = std::move(handler);
}

void FakeReceiverFactory::pushReceiver(std::shared_ptr<FakeReceiver> receiver) {
  std::lock_guard guard(lock_);
  script_.emplace_back(std::move(receiver));
}

void FakeReceiverFactory::pushFailure(HIDPPError error) {
  std::lock_guard guard(lock_);
  script_.emplace_back(std::move(error));
}

void FakeReceiverFactory::closeGate() {
  std::lock_guard guard(lock_);
  gateClosed_ = true;
}

void FakeReceiverFactory::openGate() {
  {
    std::lock_guard guard(lock_);
    gateClosed_ = false;
  }
  changed_.notify_all();
}

int FakeReceiverFactory::calls() const {
  std::lock_guard guard(lock_);
  return calls_;
}

int FakeReceiverFactory::waiting() const {
  std::lock_guard guard(lock_);
  return waiting_;
}

std::function<OpenedReceiver()> FakeReceiverFactory::function() {
  return [this] { return next(); };
}

OpenedReceiver FakeReceiverFactory::next() {
  std::unique_lock guard(lock_);
  ++calls_;
  ++waiting_;
  changed_.wait(guard, [this] { return !gateClosed_; });
  --waiting_;
  if (script_.empty()) throw HIDPPError::noReceiver();
  auto outcome = std::move(script_.front());
  script_.erase(script_.begin());
  if (auto* error = std::get_if<HIDPPError>(&outcome)) throw *error;
  auto receiver = std::get<std::shared_ptr<FakeReceiver>>(std::move(outcome));
  auto devices = receiver->discovered();
  return {std::move(receiver), std::move(devices)};
}

}  // namespace flitbar::testing
