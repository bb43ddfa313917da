#pragma once

#include "protocol/HIDPPError.h"
#include "protocol/ReceiverSession.h"
#include "receiver/ScriptedTransport.h"

#include <gtest/gtest.h>

#include <map>

namespace flitbar::testing {

// A receiver whose discovery result, battery readings and host-change outcome are set by the test.
// Operations the command line must not use fail the test.
class FakeReceiverSession : public ReceiverSession {
 public:
  std::shared_ptr<ScriptedTransport> scriptedTransport = std::make_shared<ScriptedTransport>();
  std::map<std::uint8_t, std::optional<DeviceBattery>> batteries;
  std::optional<HIDPPError> batteryError;
  std::optional<HIDPPError> hostMultiError;
  std::vector<std::pair<std::vector<HostTarget>, std::uint8_t>> hostMultiCalls;

  HIDPPTransporting& transport() override { return *scriptedTransport; }

  std::optional<DeviceBattery> battery(std::uint8_t device) override {
    if (batteryError) throw *batteryError;
    const auto found = batteries.find(device);
    return found == batteries.end() ? std::nullopt : found->second;
  }
  void setHostMulti(const std::vector<HostTarget>& targets, std::uint8_t host0) override {
    hostMultiCalls.emplace_back(targets, host0);
    if (hostMultiError) throw *hostMultiError;
  }

  std::uint8_t featureIndex(std::uint8_t, Feature, double) override { return unexpected<std::uint8_t>(); }
  bool ping(std::uint8_t) override { return unexpected<bool>(); }
  std::string name(std::uint8_t) override { return unexpected<std::string>(); }
  std::optional<std::string> unitID(std::uint8_t) override { return unexpected<std::optional<std::string>>(); }
  std::optional<HostInfo> hostInfo(std::uint8_t) override { return unexpected<std::optional<HostInfo>>(); }
  std::optional<std::vector<std::string>> hostsInfo(std::uint8_t) override {
    return unexpected<std::optional<std::vector<std::string>>>();
  }
  int controlCount(std::uint8_t, std::uint8_t) override { return unexpected<int>(); }
  ControlInfo controlInfo(std::uint8_t, std::uint8_t, int) override { return unexpected<ControlInfo>(); }
  ControlReporting controlReporting(std::uint8_t, std::uint8_t, std::uint16_t) override {
    return unexpected<ControlReporting>();
  }
  std::optional<std::vector<std::uint8_t>> wheelMode(std::uint8_t) override {
    return unexpected<std::optional<std::vector<std::uint8_t>>>();
  }
  void setWheelMode(std::uint8_t, const std::vector<std::uint8_t>&) override { unexpected<int>(); }
  Report smartShiftCapabilities(std::uint8_t, std::uint8_t) override { return unexpected<Report>(); }
  Report smartShiftState(std::uint8_t, std::uint8_t) override { return unexpected<Report>(); }
  std::vector<DeviceInfo> discover() override { return unexpected<std::vector<DeviceInfo>>(); }

 private:
  template <typename T>
  T unexpected() {
    ADD_FAILURE() << "the command used an operation it has no business with";
    throw HIDPPError::unsupported("unexpected operation");
  }
};

}  // namespace flitbar::testing
