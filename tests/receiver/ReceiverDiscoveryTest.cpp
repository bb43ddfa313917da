#include "protocol/HIDPPError.h"
#include "protocol/Receiver.h"
#include "receiver/ScriptedTransport.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace flitbar {
namespace {

using testing::answer;
using testing::longAnswer;
using testing::ScriptedTransport;
using testing::WireRequest;

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

// A device without change-host that answers the probe and nothing else it is asked.
void scriptProbeOnly(ScriptedTransport& transport, std::uint8_t index) {
  transport.feature(index, 0x1814, 0x00);
  transport.on(index, 0x00, 1, {0x00, 0x00, 0xAA}, answer(index, 0x00, 1, {4, 5, 0xAA}));
  for (const std::uint16_t feature : {0x0005, 0x0003, 0x1B04, 0x1004, 0x1000}) transport.feature(index, feature, 0);
}

TEST(ReceiverDiscovery, ListsAnsweringSlotsInOrderAndSkipsEmptyOnes) {
  auto transport = std::make_shared<ScriptedTransport>();
  scriptKeyboard(*transport, 1);
  scriptProbeOnly(*transport, 4);
  Receiver receiver(transport);

  const auto devices = receiver.discover();
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0], (DeviceInfo{1, "K85", 0x09, 3, 1, 0x08, "11:22:33:44", std::vector<std::string>{"dev"},
                                    DeviceBattery{64, false}}));
  EXPECT_EQ(devices[1],
            (DeviceInfo{4, "(unknown)", std::nullopt, 0, 0, std::nullopt, std::nullopt, std::nullopt, std::nullopt}));

  // Empty slots cost one change-host lookup and one short probe each.
  for (const std::uint8_t empty : {2, 3, 5, 6}) {
    EXPECT_EQ(transport->count({empty, 0, 0, {0x18, 0x14}}), 1u);
    EXPECT_EQ(transport->count({empty, 0, 1, {0x00, 0x00, 0xAA}}), 1u);
    EXPECT_EQ(transport->count({empty, 0, 0, {0x00, 0x05}}), 0u);
  }
  // A device without change-host is not asked for host names.
  EXPECT_EQ(transport->count({4, 0, 0, {0x18, 0x15}}), 0u);
}

TEST(ReceiverDiscovery, ADeviceFailingItsDetailsIsStillListed) {
  auto transport = std::make_shared<ScriptedTransport>();
  transport->feature(2, 0x1814, 0x09);
  transport->on(2, 0x09, 0, {}, answer(2, 0x09, 0, {2, 0}));
  transport->feature(2, 0x0005, 0x03);
  transport->on(2, 0x03, 0, {}, HIDPPError::deviceError(2, 0x05));
  Receiver receiver(transport);

  const auto devices = receiver.discover();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0],
            (DeviceInfo{2, "(unknown)", 0x09, 2, 0, std::nullopt, std::nullopt, std::nullopt, std::nullopt}));
}

TEST(ReceiverDiscovery, FeatureIndexesComeFromTheCacheAfterDiscovery) {
  auto transport = std::make_shared<ScriptedTransport>();
  scriptKeyboard(*transport, 1);
  Receiver receiver(transport);
  receiver.discover();
  const auto before = transport->exchanges().size();
  EXPECT_TRUE(receiver.battery(1));
  EXPECT_EQ(transport->exchanges().size(), before + 1) << "one request, no feature lookup";
}

// Interfaces are named by path; opening one yields a device that remembers its path.
class FakeDevice : public HidDevice {
 public:
  explicit FakeDevice(std::string path) : path(std::move(path)) {}
  HidRead read(std::chrono::milliseconds) override { return {}; }
  int write(std::span<const std::uint8_t>) override { return 0; }
  void close() override {}
  std::string path;
};

class FakeBackend : public HidBackend {
 public:
  std::vector<HidInterface> interfaces;
  std::map<std::string, int> openErrors;  // path -> errno

  std::vector<HidInterface> vendorInterfaces() override {
    if (interfaces.empty()) throw HIDPPError::noReceiver();
    return interfaces;
  }
  std::unique_ptr<HidDevice> open(const HidInterface& interface) override {
    if (const auto error = openErrors.find(interface.path); error != openErrors.end())
      throw HIDPPError::openFailed(error->second);
    return std::make_unique<FakeDevice>(interface.path);
  }
};

struct Rig {
  FakeBackend backend;
  std::map<std::string, std::shared_ptr<ScriptedTransport>> transports;

  void add(const std::string& path, int openError = 0) {
    backend.interfaces.push_back({path, 0x046D, 0xC52B, 0xFF00});
    if (openError) backend.openErrors[path] = openError;
    transports[path] = std::make_shared<ScriptedTransport>();
  }
  TransportFactory factory() {
    return [this](std::unique_ptr<HidDevice> device) -> std::shared_ptr<HIDPPTransporting> {
      return transports.at(dynamic_cast<FakeDevice&>(*device).path);
    };
  }
};

TEST(ReceiverOpening, KeepsTheFirstInterfaceWhereADeviceAnswers) {
  Rig rig;
  rig.add("/dev/hidraw0");
  rig.add("/dev/hidraw1");
  rig.add("/dev/hidraw2");
  scriptKeyboard(*rig.transports["/dev/hidraw1"], 3);
  scriptKeyboard(*rig.transports["/dev/hidraw2"], 1);

  const auto opened = Receiver::openFirstResponding(rig.backend, rig.factory());
  ASSERT_EQ(opened.devices.size(), 1u);
  EXPECT_EQ(opened.devices[0].index, 3);
  EXPECT_EQ(&opened.session->transport(), rig.transports["/dev/hidraw1"].get());
  EXPECT_EQ(rig.transports["/dev/hidraw0"]->stopCalls(), 1) << "the silent fallback is closed";
  EXPECT_EQ(rig.transports["/dev/hidraw1"]->stopCalls(), 0);
  EXPECT_TRUE(rig.transports["/dev/hidraw2"]->exchanges().empty()) << "later interfaces are not tried";
}

TEST(ReceiverOpening, FallsBackToTheFirstOpenedInterfaceWhenNoDeviceAnswers) {
  Rig rig;
  rig.add("/dev/hidraw0", EBUSY);
  rig.add("/dev/hidraw1");
  rig.add("/dev/hidraw2");
  const auto opened = Receiver::openFirstResponding(rig.backend, rig.factory());
  EXPECT_TRUE(opened.devices.empty());
  EXPECT_EQ(&opened.session->transport(), rig.transports["/dev/hidraw1"].get());
  EXPECT_EQ(rig.transports["/dev/hidraw1"]->stopCalls(), 0);
  EXPECT_EQ(rig.transports["/dev/hidraw2"]->stopCalls(), 1);
}

HIDPPError openingError(Rig& rig) {
  try {
    Receiver::openFirstResponding(rig.backend, rig.factory());
  } catch (const HIDPPError& error) {
    return error;
  }
  ADD_FAILURE() << "opening succeeded";
  return HIDPPError::stopped();
}

TEST(ReceiverOpening, ExplainsWhyNoInterfaceOpened) {
  Rig none;
  EXPECT_EQ(openingError(none), HIDPPError::noReceiver());

  Rig refused;
  refused.add("/dev/hidraw0", EACCES);
  refused.add("/dev/hidraw1", EPERM);
  EXPECT_EQ(openingError(refused), HIDPPError::accessDenied());

  Rig broken;
  broken.add("/dev/hidraw0", EACCES);
  broken.add("/dev/hidraw1", EIO);
  const auto error = openingError(broken);
  EXPECT_EQ(error, HIDPPError::silentReceiver(2));
  EXPECT_EQ(error.description(), "Receiver found (2 interfaces) but no devices answered \u2014 grant receiver access.");
}

}  // namespace
}  // namespace flitbar
