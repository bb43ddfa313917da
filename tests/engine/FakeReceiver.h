#pragma once

#include "protocol/HIDPPError.h"
#include "protocol/ReceiverSession.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <variant>
#include <vector>

namespace flitbar::testing {

// One scripted device behind a FakeReceiver.
struct FakeDevice {
  DeviceInfo info;
  bool answers = true;
  // Answer every request with this HID++ error code instead (an error frame).
  std::optional<std::uint8_t> errorCode;
  // Feature indexes the device reports; absent features answer 0.
  std::map<Feature, std::uint8_t> features;
  std::vector<std::uint8_t> smartShift{1, 0x0A, 30};  // mode, auto-disengage, torque
  bool ignoresSmartShiftWrites = false;
  std::vector<std::uint8_t> wheelMode{0, 0, 0};
  std::optional<DeviceBattery> battery;
  // Answers to the next pings, in order, before `answers` decides again.
  std::deque<bool> pingScript;
};

// A receiver whose devices answer from a script, for exact orderings without threads of its own.
// Safe to use from the worker and the test thread at once.
class FakeReceiver final : public ReceiverSession, private HIDPPTransporting {
 public:
  explicit FakeReceiver(std::vector<FakeDevice> devices);

  HIDPPTransporting& transport() override { return *this; }

  // What discovery would have found: the answering devices.
  std::vector<DeviceInfo> discovered() const;

  // Test controls.
  void setAnswers(std::uint8_t index, bool answers);
  void setBattery(std::uint8_t index, std::optional<DeviceBattery> battery);
  void setErrorCode(std::uint8_t index, std::optional<std::uint8_t> code);
  void failHostWrites(bool fail);
  bool stopped() const;
  bool hasHandler() const;
  std::vector<std::uint8_t> wheelModeOf(std::uint8_t index) const;
  std::vector<std::uint8_t> smartShiftOf(std::uint8_t index) const;
  // Every (device, host0) written by setHostMulti, and the number of pings each device received.
  std::vector<std::pair<std::vector<HostTarget>, std::uint8_t>> hostWrites() const;
  int pings(std::uint8_t index) const;
  // Blocks setHostMulti until `releaseHostWrites` (to stop the engine in the middle of a switch).
  void holdHostWrites();
  void releaseHostWrites();
  bool hostWriteWaiting() const;

  // ReceiverSession.
  std::uint8_t featureIndex(std::uint8_t device, Feature feature, double timeoutSeconds) override;
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

 private:
  // HIDPPTransporting.
  Report exchange(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                  const std::vector<std::uint8_t>& params, bool longReport, double timeoutSeconds) override;
  void send(const Report& report) override;
  void stop() override;
  void setNotificationHandler(NotificationHandler handler) override;

  // Throws as the transport would for a device that cannot answer now. Requires `lock_`.
  FakeDevice& reachable(std::uint8_t index);
  // Counts a ping and tells whether it is answered. Requires `lock_`.
  bool pinged(std::uint8_t index);

  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::vector<FakeDevice> devices_;
  NotificationHandler handler_;
  bool stopped_ = false;
  bool failHostWrites_ = false;
  bool holdHostWrites_ = false;
  bool hostWriteWaiting_ = false;
  std::vector<std::pair<std::vector<HostTarget>, std::uint8_t>> hostWrites_;
  std::map<std::uint8_t, int> pings_;
};

// A receiver factory driven by the test: each call takes the next scripted outcome (a receiver,
// or an error), or, when the script is empty, fails with noReceiver. A gate can hold calls.
class FakeReceiverFactory {
 public:
  void pushReceiver(std::shared_ptr<FakeReceiver> receiver);
  void pushFailure(HIDPPError error);
  // While closed, calls wait until `open`.
  void closeGate();
  void openGate();
  int calls() const;
  int waiting() const;

  // The engine's receiver factory.
  std::function<OpenedReceiver()> function();

 private:
  OpenedReceiver next();

  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::vector<std::variant<std::shared_ptr<FakeReceiver>, HIDPPError>> script_;
  bool gateClosed_ = false;
  int calls_ = 0;
  int waiting_ = 0;
};

}  // namespace flitbar::testing
