#include "protocol/Receiver.h"

#include "protocol/HIDPPError.h"
#include "protocol/HIDPPRequest.h"
#include "protocol/HidppReport.h"

#include <fmt/format.h>

#include <set>
#include <thread>

namespace flitbar {

namespace {

constexpr std::uint8_t rootIndex = 0;
constexpr double pingTimeout = 0.35;
constexpr int hostPasses = 8;
// Easy-Switch devices have at most three hosts; a larger count read from a device is clamped so
// that a broken answer cannot make us walk 255 hosts.
constexpr std::uint8_t mostHosts = 3;

std::vector<std::uint8_t> tail(const Report& report, std::size_t from) {
  if (from >= report.size()) return {};
  return {report.begin() + static_cast<std::ptrdiff_t>(from), report.end()};
}

// Appends at most the missing number of bytes of `chunk`; false when the chunk was empty.
bool collect(std::vector<std::uint8_t>& collected, std::size_t length, const std::vector<std::uint8_t>& chunk) {
  if (chunk.empty()) return false;
  const auto take = std::min(chunk.size(), length - collected.size());
  collected.insert(collected.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(take));
  return true;
}

}  // namespace

Receiver::Receiver(std::shared_ptr<HIDPPTransporting> transport, std::chrono::milliseconds hostPassInterval,
                   std::chrono::milliseconds deviceBudget)
    : transport_(std::move(transport)), hostPassInterval_(hostPassInterval), deviceBudget_(deviceBudget) {}

Report Receiver::request(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                         const std::vector<std::uint8_t>& params, bool longReport, double timeoutSeconds) {
  const auto allowed = budget_.allow(timeoutSeconds);
  if (!allowed) throw HIDPPError::timeout(device);
  auto answer = transport_->exchange(device, feature, function, params, longReport, *allowed);
  HidppReport::requireWellFormed(answer);
  return answer;
}

Report Receiver::requestEchoing(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                                const std::vector<std::uint8_t>& params, bool longReport, std::size_t echoed) {
  const auto allowed = budget_.allow(0.8);
  if (!allowed) throw HIDPPError::timeout(device);
  HIDPPRequest wanted{device, feature, function, params, longReport, echoed};
  auto answer = transport_->exchangeRequest(wanted, *allowed);
  HidppReport::requireWellFormed(answer);
  return answer;
}

std::uint8_t Receiver::featureIndex(std::uint8_t device, Feature feature, double timeoutSeconds) {
  const auto id = featureId(feature);
  if (const auto cached = featureCache_.lookup(device, id)) return *cached;
  const auto answer =
      request(device, rootIndex, 0, {static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id & 0xFF), 0},
              false, timeoutSeconds);
  const std::uint8_t index = answer[4];
  featureCache_.store(device, id, index);
  return index;
}

bool Receiver::probe(std::uint8_t device) {
  request(device, rootIndex, 1, {0x00, 0x00, 0xAA}, false, pingTimeout);
  return true;
}

bool Receiver::ping(std::uint8_t device) {
  try {
    return probe(device);
  } catch (const HIDPPError&) {
    return false;
  }
}

std::string Receiver::name(std::uint8_t device) {
  const auto index = featureIndex(device, Feature::deviceName);
  if (index == 0) return "(unknown)";
  const std::size_t length = request(device, index, 0)[4];
  std::vector<std::uint8_t> collected;
  while (collected.size() < length) {
    const auto chunk = request(device, index, 1, {static_cast<std::uint8_t>(collected.size()), 0, 0});
    if (!collect(collected, length, tail(chunk, 4))) break;
  }
  return HidppReport::decodeText(collected);
}

std::optional<std::string> Receiver::unitID(std::uint8_t device) {
  const auto index = featureIndex(device, Feature::deviceInformation);
  if (index == 0) return std::nullopt;
  const auto answer = request(device, index, 0);
  if (!HidppReport::isLong(answer)) return std::nullopt;
  return fmt::format("{:02X}:{:02X}:{:02X}:{:02X}", answer[5], answer[6], answer[7], answer[8]);
}

std::optional<HostInfo> Receiver::hostInfo(std::uint8_t device) {
  const auto index = featureIndex(device, Feature::changeHost);
  if (index == 0) return std::nullopt;
  const auto answer = request(device, index, 0);
  const HostInfo info{index, answer[4], answer[5]};
  if (info.count < 1 || info.count > 3 || info.current >= info.count) throw HIDPPError::malformedResponse();
  return info;
}

std::optional<std::vector<std::string>> Receiver::hostsInfo(std::uint8_t device) {
  const auto index = featureIndex(device, Feature::hostsInfo);
  if (index == 0) return std::nullopt;
  Report summary;
  try {
    summary = request(device, index, 0);
  } catch (const HIDPPError&) {
    return std::nullopt;
  }
  if ((summary[4] & 0x01) == 0) return std::nullopt;
  const std::uint8_t count = std::min(summary[6], mostHosts);
  std::vector<std::string> names;
  for (std::uint8_t host = 0; host < count; ++host) {
    try {
      names.push_back(hostName(device, index, host));
    } catch (const HIDPPError&) {
      names.emplace_back();
    }
  }
  return names;
}

std::string Receiver::hostName(std::uint8_t device, std::uint8_t feature, std::uint8_t host) {
  const auto info = requestEchoing(device, feature, 1, {host, 0, 0}, true, 1);
  if (!HidppReport::isLong(info)) return {};
  const std::size_t length = info[8];
  std::vector<std::uint8_t> collected;
  while (collected.size() < length) {
    const auto chunk =
        requestEchoing(device, feature, 3, {host, static_cast<std::uint8_t>(collected.size()), 0}, true, 2);
    if (!collect(collected, length, tail(chunk, 6))) break;
  }
  return HidppReport::decodeText(collected);
}

std::optional<DeviceBattery> Receiver::battery(std::uint8_t device) {
  if (auto unified = unifiedBattery(device)) return unified;
  return batteryStatus(device);
}

std::optional<DeviceBattery> Receiver::unifiedBattery(std::uint8_t device) {
  try {
    const auto index = featureIndex(device, Feature::unifiedBattery);
    if (index == 0) return std::nullopt;
    const auto answer = request(device, index, 1, {0x10, 0x00, 0x00});
    if (answer[4] == 0) return std::nullopt;
    // Charging status: 1 charging, 2 charging slowly, 3 complete (still on the charger), 4 error.
    const auto status = answer[6];
    return DeviceBattery{answer[4], status >= 1 && status <= 3};
  } catch (const HIDPPError&) {
    return std::nullopt;
  }
}

std::optional<DeviceBattery> Receiver::batteryStatus(std::uint8_t device) {
  try {
    const auto index = featureIndex(device, Feature::batteryStatus);
    if (index == 0) return std::nullopt;
    const auto answer = request(device, index, 0);
    if (answer[4] == 0) return std::nullopt;
    const auto status = answer[6];
    return DeviceBattery{answer[4], status >= 1 && status <= 4};
  } catch (const HIDPPError&) {
    return std::nullopt;
  }
}

void Receiver::setHostMulti(const std::vector<HostTarget>& targets, std::uint8_t host0) {
  std::set<std::uint8_t> sent;
  std::optional<HIDPPError> lastError;
  for (int pass = 0; pass < hostPasses; ++pass) {
    for (const auto& target : targets) {
      const Report command{
          HidppReport::shortId, target.device, target.feature, HidppReport::functionByte(1), host0, 0x00, 0x00};
      try {
        transport_->send(command);
        sent.insert(target.device);
      } catch (const HIDPPError& error) {
        lastError = error;
      }
    }
    std::this_thread::sleep_for(hostPassInterval_);
  }
  for (const auto& target : targets) {
    if (!sent.contains(target.device)) throw lastError.value_or(HIDPPError::stopped());
  }
}

int Receiver::controlCount(std::uint8_t device, std::uint8_t reprogFeature) {
  return request(device, reprogFeature, 0)[4];
}

ControlInfo Receiver::controlInfo(std::uint8_t device, std::uint8_t reprogFeature, int index) {
  if (index < 0 || index > 255) throw HIDPPError::unsupported(fmt::format("Control index {} is out of range.", index));
  const auto answer = request(device, reprogFeature, 1, {static_cast<std::uint8_t>(index), 0, 0});
  HidppReport::requireLong(answer);
  return {static_cast<std::uint16_t>(answer[4] << 8 | answer[5]),
          static_cast<std::uint16_t>(answer[6] << 8 | answer[7]), answer[8]};
}

ControlReporting Receiver::controlReporting(std::uint8_t device, std::uint8_t reprogFeature, std::uint16_t cid) {
  const auto answer =
      requestEchoing(device, reprogFeature, 2,
                     {static_cast<std::uint8_t>(cid >> 8), static_cast<std::uint8_t>(cid & 0xFF), 0}, false, 2);
  HidppReport::requireLong(answer);
  return {answer[6], static_cast<std::uint16_t>(answer[7] << 8 | answer[8])};
}

std::optional<std::vector<std::uint8_t>> Receiver::wheelMode(std::uint8_t device) {
  const auto index = featureIndex(device, Feature::hiResWheel);
  if (index == 0) return std::nullopt;
  const auto answer = request(device, index, 1);
  return std::vector<std::uint8_t>{answer[4], answer[5], answer[6]};
}

void Receiver::setWheelMode(std::uint8_t device, const std::vector<std::uint8_t>& mode) {
  const auto index = featureIndex(device, Feature::hiResWheel);
  if (index == 0) throw HIDPPError::unsupported("device has no hi-res wheel");
  const auto count = std::min<std::size_t>(mode.size(), 3);
  request(device, index, 2, {mode.begin(), mode.begin() + static_cast<std::ptrdiff_t>(count)});
}

Report Receiver::smartShiftCapabilities(std::uint8_t device, std::uint8_t smartShiftFeature) {
  return request(device, smartShiftFeature, 0);
}

Report Receiver::smartShiftState(std::uint8_t device, std::uint8_t smartShiftFeature) {
  return request(device, smartShiftFeature, 1);
}

}  // namespace flitbar
