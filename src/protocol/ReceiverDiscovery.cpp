// Discovery of the paired devices and the choice of the receiver interface to keep.
#include "protocol/HIDPPError.h"
#include "protocol/HidppReport.h"
#include "protocol/Receiver.h"

#include <cerrno>

namespace flitbar {

namespace {

constexpr std::uint8_t firstSlot = 1;
constexpr std::uint8_t lastSlot = 6;

template <typename Operation>
auto orAbsent(Operation&& operation) -> decltype(operation()) {
  try {
    return operation();
  } catch (const HIDPPError&) {
    return std::nullopt;
  }
}

bool isPermissionRefusal(const HIDPPError& error) {
  return error.kind() == HIDPPError::Kind::openFailed && (error.code() == EACCES || error.code() == EPERM);
}

}  // namespace

std::vector<DeviceInfo> Receiver::discover() {
  std::vector<DeviceInfo> devices;
  for (std::uint8_t index = firstSlot; index <= lastSlot; ++index) {
    const RequestBudget::Scope budget(budget_, deviceBudget_);
    const auto host = orAbsent([&] { return hostInfo(index); });
    if (!host && !ping(index)) continue;

    DeviceInfo device;
    device.index = index;
    try {
      device.name = name(index);
    } catch (const HIDPPError&) {
      device.name = "(unknown)";
    }
    device.unitID = orAbsent([&] { return unitID(index); });
    device.reprogFeature = orAbsent([&]() -> std::optional<std::uint8_t> {
      const auto feature = featureIndex(index, Feature::reprogControls);
      if (feature == 0) return std::nullopt;
      return feature;
    });
    if (host) device.hostNames = orAbsent([&] { return hostsInfo(index); });
    device.battery = battery(index);
    if (host) {
      device.changeHostFeature = host->feature;
      device.hostCount = host->count;
      device.currentHost = host->current;
    }
    devices.push_back(std::move(device));
  }
  return devices;
}

OpenedReceiver Receiver::openFirstResponding(HidBackend& backend, const TransportFactory& makeTransport) {
  const auto interfaces = backend.vendorInterfaces();
  if (interfaces.empty()) throw HIDPPError::noReceiver();
  std::shared_ptr<Receiver> fallback;
  bool onlyPermissionRefusals = true;
  for (const auto& interface : interfaces) {
    std::shared_ptr<HIDPPTransporting> transport;
    try {
      transport = makeTransport(backend.open(interface));
    } catch (const HIDPPError& error) {
      onlyPermissionRefusals = onlyPermissionRefusals && isPermissionRefusal(error);
      continue;
    }
    auto receiver = std::make_shared<Receiver>(std::move(transport));
    auto devices = receiver->discover();
    if (!devices.empty()) {
      if (fallback) fallback->stop();
      return {std::move(receiver), std::move(devices)};
    }
    if (fallback) {
      receiver->stop();
    } else {
      fallback = std::move(receiver);
    }
  }
  if (fallback) return {std::move(fallback), {}};
  if (onlyPermissionRefusals) throw HIDPPError::accessDenied();
  throw HIDPPError::silentReceiver(static_cast<int>(interfaces.size()));
}

std::optional<std::vector<std::uint16_t>> Receiver::divertedButtons(const Report& report, std::uint8_t reprogFeature) {
  if (!HidppReport::isLong(report) || report[2] != reprogFeature || report[3] != 0) return std::nullopt;
  std::vector<std::uint16_t> held;
  for (std::size_t at = 4; at <= 10; at += 2) {
    const auto cid = static_cast<std::uint16_t>(report[at] << 8 | report[at + 1]);
    if (cid != 0) held.push_back(cid);
  }
  return held;
}

}  // namespace flitbar
