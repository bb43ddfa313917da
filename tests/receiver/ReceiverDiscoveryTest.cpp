#include "protocol/HIDPPError.h"
#include "protocol/Receiver.h"
#include "receiver/ScriptedTransport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

namespace flitbar {
namespace {

using testing::answer;
using testing::longAnswer;
using testing::ScriptedTransport;

// A keyboard with every feature discovery reads, in slot `index`.
void scriptKeyboard(ScriptedTransport& transport, std::uint8_t index) {
  transport.feature(index, 0x1814, 0x09);
  transport.on(index, 0x09, 0, {}, answer(index, 0x09, 0, {3, 1}));
  transport.feature(index, 0x0005, 0x03);
  transport.on(index, 0x03, 0, {}, answer(index, 0x03, 0, {3}));
  transport.on(index, 0x03, 1, {0}, answer(index, 0x03, 1, {'K', '8', '5'}));
  transport.feature(index, 0x0003, 0x02);
  transport.on(index, 0x02, 0, {}, longAnswer(index, 0x02, 0, {0x04, 0x11, 0x22, 0x33, 0x44}));
  transport.feature(index, 0x1B04, 0x08);
  transport.feature(index, 0x1815, 0x0A);
  transport.on(index, 0x0A, 0, {}, answer(index, 0x0A, 0, {0x01, 0x00, 1}));
  transport.on(index, 0x0A, 1, {0}, longAnswer(index, 0x0A, 1, {0, 1, 0, 0, 3}), true);
  transport.on(index, 0x0A, 3, {0, 0}, longAnswer(index, 0x0A, 3, {0, 0, 'd', 'e', 'v'}), true);
  transport.feature(index, 0x1004, 0x06);
  transport.on(index, 0x06, 1, {0x10}, answer(index, 0x06, 1, {64}));
}

TEST(ReceiverDiscovery, ListsAnsweringSlotsInOrderWithWhatTheyAnswered) {
  auto transport = std::make_shared<ScriptedTransport>();
  scriptKeyboard(*transport, 1);
  // Slot 4 has no change-host and answers only the probe; slot 5 fails its name.
  transport->feature(4, 0x1814, 0x00);
  transport->on(4, 0x00, 1, {0x00, 0x00, 0xAA}, answer(4, 0x00, 1, {4, 5, 0xAA}));
  transport->feature(5, 0x1814, 0x09);
  transport->on(5, 0x09, 0, {}, answer(5, 0x09, 0, {2, 0}));
  transport->feature(5, 0x0005, 0x03);
  transport->on(5, 0x03, 0, {}, HIDPPError::deviceError(5, 0x05));
  Receiver receiver(transport);

  const auto devices = receiver.discover();
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(devices[0], (DeviceInfo{1, "K85", 0x09, 3, 1, 0x08, "11:22:33:44", std::vector<std::string>{"dev"},
                                    DeviceBattery{64, false}}));
  const auto none = std::nullopt;
  EXPECT_EQ(devices[1], (DeviceInfo{4, "(unknown)", none, 0, 0, none, none, none, none}));
  EXPECT_EQ(devices[2], (DeviceInfo{5, "(unknown)", 0x09, 2, 0, none, none, none, none}));
  for (const std::uint8_t empty : {2, 3, 6}) {
    EXPECT_EQ(transport->count({empty, 0, 1, {0x00, 0x00, 0xAA}}), 1u) << "one short probe per empty slot";
    EXPECT_EQ(transport->count({empty, 0, 0, {0x00, 0x05}}), 0u);
  }
  EXPECT_EQ(transport->count({4, 0, 0, {0x18, 0x15}}), 0u) << "host names only with change-host";

  const auto before = transport->exchanges().size();
  EXPECT_TRUE(receiver.battery(1));
  EXPECT_EQ(transport->exchanges().size(), before + 1) << "feature indexes come from the cache";
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
  transport->feature(1, 0x1814, 0x09);
  transport->on(1, 0x09, 0, {}, answer(1, 0x09, 0, {2, 0}));
  Receiver receiver(transport, std::chrono::milliseconds(1), std::chrono::milliseconds(300));
  const auto devices = receiver.discover();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].hostCount, 2);
  EXPECT_LE(transport->waited, 6 * 0.3 + 0.01) << "the waits add up to more than six budgets";
}

// Interfaces whose transports are scripted: an open error (errno) or a keyboard in some slot.
struct Rig : HidBackend {
  struct Device : HidDevice {
    explicit Device(std::string path) : path(std::move(path)) {}
    HidRead read(std::chrono::milliseconds) override { return {}; }
    int write(std::span<const std::uint8_t>) override { return 0; }
    void close() override {}
    std::string path;
  };

  std::map<std::string, int> openErrors;
  std::map<std::string, std::shared_ptr<ScriptedTransport>> transports;

  ScriptedTransport& add(const std::string& path, int openError = 0) {
    if (openError) openErrors[path] = openError;
    return *(transports[path] = std::make_shared<ScriptedTransport>());
  }
  std::vector<HidInterface> vendorInterfaces() override {
    if (transports.empty()) throw HIDPPError::noReceiver();
    std::vector<HidInterface> interfaces;
    for (const auto& [path, transport] : transports) interfaces.push_back({path, 0x046D, 0xC52B, 0xFF00});
    return interfaces;
  }
  std::unique_ptr<HidDevice> open(const HidInterface& interface) override {
    if (openErrors.contains(interface.path)) throw HIDPPError::openFailed(openErrors[interface.path]);
    return std::make_unique<Device>(interface.path);
  }
  OpenedReceiver openFirst() {
    return Receiver::openFirstResponding(*this, [this](std::unique_ptr<HidDevice> device) {
      return std::shared_ptr<HIDPPTransporting>(transports.at(dynamic_cast<Device&>(*device).path));
    });
  }
};

TEST(ReceiverOpening, KeepsTheFirstInterfaceWhereADeviceAnswersElseTheFirstOpened) {
  Rig rig;
  rig.add("hidraw0");
  scriptKeyboard(rig.add("hidraw1"), 3);
  scriptKeyboard(rig.add("hidraw2"), 1);
  const auto opened = rig.openFirst();
  ASSERT_EQ(opened.devices.size(), 1u);
  EXPECT_EQ(&opened.session->transport(), rig.transports["hidraw1"].get());
  EXPECT_EQ(rig.transports["hidraw0"]->stopCalls(), 1) << "the silent fallback is closed";
  EXPECT_TRUE(rig.transports["hidraw2"]->exchanges().empty()) << "later interfaces are not tried";

  Rig silent;
  silent.add("hidraw0", EBUSY);
  silent.add("hidraw1");
  silent.add("hidraw2");
  const auto fallback = silent.openFirst();
  EXPECT_TRUE(fallback.devices.empty());
  EXPECT_EQ(&fallback.session->transport(), silent.transports["hidraw1"].get());
  EXPECT_EQ(silent.transports["hidraw2"]->stopCalls(), 1);
}

TEST(ReceiverOpening, ExplainsWhyNoInterfaceOpened) {
  for (const auto& [errors, expected] :
       std::vector<std::pair<std::vector<int>, HIDPPError>>{{{}, HIDPPError::noReceiver()},
                                                            {{EACCES, EPERM}, HIDPPError::accessDenied()},
                                                            {{EACCES, EIO}, HIDPPError::silentReceiver(2)}}) {
    Rig rig;
    for (std::size_t i = 0; i < errors.size(); ++i) rig.add("hidraw" + std::to_string(i), errors[i]);
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
