// Discovery's per-device budget, and the choice of the receiver interface to keep.
#include "protocol/HIDPPError.h"
#include "protocol/Receiver.h"
#include "receiver/ScriptedTransport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

namespace flitbar {
namespace {

using testing::answer;
using testing::ScriptedTransport;

// A device in `slot` that answers only its change-host lookups.
void scriptDevice(ScriptedTransport& transport, std::uint8_t slot) {
  transport.feature(slot, 0x1814, 0x09);
  transport.on({slot, 0x09, 0}, answer(slot, 0x09, 0, {2, 0}));
}

// Takes the whole timeout of every request, as a device that stopped answering does.
class SilentTransport : public ScriptedTransport {
 public:
  Report exchange(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                  const std::vector<std::uint8_t>& params, bool longReport, double timeoutSeconds) override {
    try {
      return ScriptedTransport::exchange(device, feature, function, params, longReport, timeoutSeconds);
    } catch (const HIDPPError&) {
      std::this_thread::sleep_for(std::chrono::duration<double>(timeoutSeconds));
      waited += timeoutSeconds;
      throw;
    }
  }
  double waited = 0;
};

TEST(ReceiverDiscovery, ADeviceThatStopsAnsweringCostsItsBudgetNotATimeoutPerRequest) {
  auto transport = std::make_shared<SilentTransport>();
  scriptDevice(*transport, 1);
  Receiver receiver(transport, std::chrono::milliseconds(1), std::chrono::milliseconds(300));
  const auto devices = receiver.discover();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].hostCount, 2);
  EXPECT_LE(transport->waited, 6 * 0.3 + 0.01) << "the waits add up to more than six budgets";
}

// Interfaces in order, each failing to open with an errno or opening to a scripted transport.
struct Rig : HidBackend {
  std::vector<int> openErrors;
  std::vector<std::shared_ptr<ScriptedTransport>> transports;
  std::size_t lastOpened = 0;

  ScriptedTransport& add(int openError = 0) {
    openErrors.push_back(openError);
    return *transports.emplace_back(std::make_shared<ScriptedTransport>());
  }
  std::vector<HidInterface> vendorInterfaces() override {
    std::vector<HidInterface> interfaces;
    for (std::size_t i = 0; i < transports.size(); ++i)
      interfaces.push_back({std::to_string(i), 0x046D, 0xC52B, 0xFF00});
    return interfaces;
  }
  std::unique_ptr<HidDevice> open(const HidInterface& interface) override {
    lastOpened = std::stoul(interface.path);
    if (openErrors[lastOpened] != 0) throw HIDPPError::openFailed(openErrors[lastOpened]);
    return nullptr;  // the scripted transport stands in for the device
  }
  OpenedReceiver openFirst() {
    return Receiver::openFirstResponding(*this, [this](auto) { return transports[lastOpened]; });
  }
};

TEST(ReceiverOpening, KeepsTheFirstInterfaceWhereADeviceAnswersAndClosesTheSilentOneBefore) {
  Rig rig;
  rig.add();
  scriptDevice(rig.add(), 3);
  scriptDevice(rig.add(), 1);
  const auto opened = rig.openFirst();
  ASSERT_EQ(opened.devices.size(), 1u);
  EXPECT_EQ(&opened.session->transport(), rig.transports[1].get());
  EXPECT_EQ(rig.transports[0]->stopCalls(), 1) << "the silent fallback is closed";
  EXPECT_EQ(rig.lastOpened, 1u) << "later interfaces are not opened";
}

TEST(ReceiverOpening, ExplainsWhyNoInterfaceOpened) {
  for (const auto& [errors, expected] :
       std::vector<std::pair<std::vector<int>, HIDPPError>>{{{}, HIDPPError::noReceiver()},
                                                            {{EACCES, EPERM}, HIDPPError::accessDenied()},
                                                            {{EIO, EACCES}, HIDPPError::silentReceiver(2)}}) {
    Rig rig;
    for (const int error : errors) rig.add(error);
    try {
      rig.openFirst();
      ADD_FAILURE() << expected.description();
    } catch (const HIDPPError& error) {
      EXPECT_EQ(error, expected);
    }
  }
}

}  // namespace
}  // namespace flitbar
