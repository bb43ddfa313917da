#pragma once

#include "protocol/FeatureIndexCache.h"
#include "protocol/HidBackend.h"
#include "protocol/ReceiverSession.h"
#include "protocol/RequestBudget.h"

#include <chrono>
#include <functional>
#include <memory>

namespace flitbar {

// Makes a running transport over an opened HID interface. Throws HIDPPError on failure.
using TransportFactory = std::function<std::shared_ptr<HIDPPTransporting>(std::unique_ptr<HidDevice>)>;

// One opened receiver interface and the feature indexes learned on it.
//
// Operations run on the caller's thread; the transport serialises exchanges, so a receiver may be
// used from several threads. The feature cache lock is never held across a request.
class Receiver : public ReceiverSession {
 public:
  // `hostPassInterval` is the pause after each pass of `setHostMulti`; `deviceBudget` bounds the
  // time discovery spends on one device (what was not read by then stays absent).
  explicit Receiver(std::shared_ptr<HIDPPTransporting> transport,
                    std::chrono::milliseconds hostPassInterval = std::chrono::milliseconds(40),
                    std::chrono::milliseconds deviceBudget = std::chrono::milliseconds(5000));

  HIDPPTransporting& transport() override { return *transport_; }

  std::uint8_t featureIndex(std::uint8_t device, Feature feature, double timeoutSeconds = 0.8) override;
  bool ping(std::uint8_t device) override;
  std::string name(std::uint8_t device) override;
  std::optional<std::string> unitID(std::uint8_t device) override;
  std::optional<HostInfo> hostInfo(std::uint8_t device) override;
  std::optional<std::vector<std::string>> hostsInfo(std::uint8_t device) override;
  std::optional<DeviceBattery> battery(std::uint8_t device) override;
  void setHostMulti(const std::vector<HostTarget>& targets, std::uint8_t host0) override;
  int controlCount(std::uint8_t device, std::uint8_t reprogFeature) override;
  ControlInfo controlInfo(std::uint8_t device, std::uint8_t reprogFeature, int index) override;
  ControlReporting controlReporting(std::uint8_t device, std::uint8_t reprogFeature, std::uint16_t cid) override;
  std::optional<std::vector<std::uint8_t>> wheelMode(std::uint8_t device) override;
  void setWheelMode(std::uint8_t device, const std::vector<std::uint8_t>& mode) override;
  Report smartShiftCapabilities(std::uint8_t device, std::uint8_t smartShiftFeature) override;
  Report smartShiftState(std::uint8_t device, std::uint8_t smartShiftFeature) override;
  std::vector<DeviceInfo> discover() override;

  // Opens the first receiver interface on which some device answers. When interfaces open but
  // none has a device, the first opened one is returned with no devices (its transport open).
  // Throws noReceiver / openFailed from discovery; when no interface opens, accessDenied if
  // every open was refused for lack of permission, else silentReceiver(interface count).
  static OpenedReceiver openFirstResponding(HidBackend& backend, const TransportFactory& makeTransport);

  // The controls held down according to a reprogrammable-controls event (long report, function
  // 0, software id 0, on `reprogFeature`); absent for any other report.
  static std::optional<std::vector<std::uint16_t>> divertedButtons(const Report& report, std::uint8_t reprogFeature);

 private:
  Report request(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                 const std::vector<std::uint8_t>& params = {}, bool longReport = false, double timeoutSeconds = 0.8);
  // A request whose answer repeats its first `echoed` parameter bytes.
  Report requestEchoing(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                        const std::vector<std::uint8_t>& params, bool longReport, std::size_t echoed);
  std::string hostName(std::uint8_t device, std::uint8_t feature, std::uint8_t host);
  std::optional<DeviceBattery> unifiedBattery(std::uint8_t device);
  std::optional<DeviceBattery> batteryStatus(std::uint8_t device);
  // Sends function 1 of the root feature with the ping parameters.
  bool probe(std::uint8_t device);

  std::shared_ptr<HIDPPTransporting> transport_;
  std::chrono::milliseconds hostPassInterval_;
  std::chrono::milliseconds deviceBudget_;
  RequestBudget budget_;
  FeatureIndexCache featureCache_;
};

}  // namespace flitbar
