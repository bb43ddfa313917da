#include "protocol/HIDPPError.h"
#include "protocol/Receiver.h"
#include "receiver/ScriptedTransport.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using testing::answer;
using testing::longAnswer;
using testing::ScriptedTransport;
using testing::WireRequest;

constexpr std::uint8_t device = 2;

class ReceiverOperations : public ::testing::Test {
 protected:
  std::shared_ptr<ScriptedTransport> transport = std::make_shared<ScriptedTransport>();
  Receiver receiver{transport, std::chrono::milliseconds(1)};
};

TEST_F(ReceiverOperations, FeatureIndexAsksTheRootOnceAndAsksAgainForMissingFeatures) {
  transport->feature(device, 0x1814, 0x0B);
  const WireRequest getChangeHost{device, 0x00, 0, {0x18, 0x14, 0x00}};
  EXPECT_EQ(receiver.featureIndex(device, Feature::changeHost), 0x0B);
  EXPECT_EQ(receiver.featureIndex(device, Feature::changeHost), 0x0B);
  EXPECT_EQ(transport->count(getChangeHost), 1u);
  EXPECT_EQ(transport->timeouts().front(), 0.8);

  transport->feature(device, 0x1004, 0x00);
  const WireRequest getUnified{device, 0x00, 0, {0x10, 0x04, 0x00}};
  EXPECT_EQ(receiver.featureIndex(device, Feature::unifiedBattery), 0);
  EXPECT_EQ(receiver.featureIndex(device, Feature::unifiedBattery), 0);
  EXPECT_EQ(transport->count(getUnified), 2u);

  // Another device's indexes are its own.
  transport->feature(3, 0x1814, 0x04);
  EXPECT_EQ(receiver.featureIndex(3, Feature::changeHost), 0x04);
}

TEST_F(ReceiverOperations, FeatureIndexRejectsAnIllFormedAnswerAndPropagatesErrors) {
  transport->on(device, 0, 0, {0x00, 0x05}, Report{0x10, device, 0x00});
  EXPECT_THROW(receiver.featureIndex(device, Feature::deviceName), HIDPPError);
  transport->on(device, 0, 0, {0x00, 0x03}, HIDPPError::deviceError(device, 0x05));
  try {
    receiver.featureIndex(device, Feature::deviceInformation);
    FAIL();
  } catch (const HIDPPError& error) {
    EXPECT_EQ(error, HIDPPError::deviceError(device, 0x05));
  }
}

TEST_F(ReceiverOperations, PingIsTheRootProtocolVersionProbeWithItsShortTimeout) {
  EXPECT_FALSE(receiver.ping(device));
  transport->on(device, 0x00, 1, {0x00, 0x00, 0xAA}, answer(device, 0x00, 1, {4, 2, 0xAA}));
  EXPECT_TRUE(receiver.ping(device));
  EXPECT_EQ(transport->timeouts(), (std::vector<double>{0.35, 0.35}));
  transport->on(5, 0x00, 1, {0x00, 0x00, 0xAA}, HIDPPError::deviceError(5, 0x09));
  EXPECT_FALSE(receiver.ping(5));
}

TEST_F(ReceiverOperations, NameIsAssembledFromLongChunksAndCutAtTheFirstZero) {
  transport->feature(device, 0x0005, 0x03);
  transport->on(device, 0x03, 0, {}, answer(device, 0x03, 0, {20}));
  std::vector<std::uint8_t> first(16, 'a');
  transport->on(device, 0x03, 1, {0}, longAnswer(device, 0x03, 1, first));
  transport->on(device, 0x03, 1, {16}, longAnswer(device, 0x03, 1, {'b', 'c', 0, 'x', 'y', 'z', 'w'}));
  EXPECT_EQ(receiver.name(device), std::string(16, 'a') + "bc");
  EXPECT_EQ(transport->count({device, 0x03, 1, {16}}), 1u);
}

TEST_F(ReceiverOperations, NameFromShortChunksTakesOnlyTheMissingBytesAndTrimsBlanks) {
  transport->feature(device, 0x0005, 0x03);
  transport->on(device, 0x03, 0, {}, answer(device, 0x03, 0, {7}));
  transport->on(device, 0x03, 1, {0}, answer(device, 0x03, 1, {' ', '\t', 'M'}));
  transport->on(device, 0x03, 1, {3}, answer(device, 0x03, 1, {'X', '\n', 'Y'}));
  transport->on(device, 0x03, 1, {6}, answer(device, 0x03, 1, {' ', 'Q', 'Q'}));
  EXPECT_EQ(receiver.name(device), "MX\uFFFDY");
}

TEST_F(ReceiverOperations, NameEdgeCases) {
  EXPECT_THROW(receiver.name(device), HIDPPError) << "the feature lookup's timeout propagates";

  transport->feature(device, 0x0005, 0x00);
  EXPECT_EQ(receiver.name(device), "(unknown)");

  transport->feature(4, 0x0005, 0x03);
  transport->on(4, 0x03, 0, {}, answer(4, 0x03, 0, {0}));
  EXPECT_EQ(receiver.name(4), "") << "a length of 0 is an empty name";

  transport->feature(5, 0x0005, 0x03);
  transport->on(5, 0x03, 0, {}, answer(5, 0x03, 0, {4}));
  transport->on(5, 0x03, 1, {0}, answer(5, 0x03, 1, {'K', 0xFF, 0xC3}));
  transport->on(5, 0x03, 1, {3}, answer(5, 0x03, 1, {0xA9}));
  EXPECT_EQ(receiver.name(5), "K\uFFFD\u00E9") << "invalid bytes are replaced, a split character rejoined";
}

TEST_F(ReceiverOperations, UnitIDNeedsALongAnswer) {
  transport->feature(device, 0x0003, 0x02);
  transport->on(device, 0x02, 0, {}, longAnswer(device, 0x02, 0, {0x04, 0xAB, 0x0C, 0xD1, 0xE2}));
  EXPECT_EQ(receiver.unitID(device), "AB:0C:D1:E2");

  transport->feature(3, 0x0003, 0x02);
  transport->on(3, 0x02, 0, {}, answer(3, 0x02, 0, {0x04, 0xAB, 0x0C}));
  EXPECT_EQ(receiver.unitID(3), std::nullopt);

  transport->feature(4, 0x0003, 0x00);
  EXPECT_EQ(receiver.unitID(4), std::nullopt);
}

TEST_F(ReceiverOperations, HostInfoKeepsCountAndCurrentHostWithinBounds) {
  transport->feature(device, 0x1814, 0x09);
  transport->on(device, 0x09, 0, {}, answer(device, 0x09, 0, {3, 2}));
  EXPECT_EQ(receiver.hostInfo(device), (HostInfo{0x09, 3, 2}));

  for (const auto& [count, current] : std::vector<std::pair<std::uint8_t, std::uint8_t>>{{4, 0}, {0, 0}, {2, 2}}) {
    ScriptedTransport::Outcome bad = answer(3, 0x09, 0, {count, current});
    auto other = std::make_shared<ScriptedTransport>();
    other->feature(3, 0x1814, 0x09);
    other->on(3, 0x09, 0, {}, bad);
    Receiver fresh(other);
    try {
      fresh.hostInfo(3);
      ADD_FAILURE() << "count " << int(count) << " current " << int(current);
    } catch (const HIDPPError& error) {
      EXPECT_EQ(error.kind(), HIDPPError::Kind::malformedResponse);
    }
  }

  transport->feature(5, 0x1814, 0x00);
  EXPECT_EQ(receiver.hostInfo(5), std::nullopt);
}

TEST_F(ReceiverOperations, HostsInfoReadsEveryHostNameInLongChunks) {
  transport->feature(device, 0x1815, 0x0A);
  transport->on(device, 0x0A, 0, {}, answer(device, 0x0A, 0, {0x01, 0x00, 3}));
  // Host 0: "Studio-Workstation" over two chunks of 14 bytes.
  transport->on(device, 0x0A, 1, {0}, longAnswer(device, 0x0A, 1, {0, 1, 0, 0, 18}), true);
  transport->on(
      device, 0x0A, 3, {0, 0},
      longAnswer(device, 0x0A, 3, {0, 0, 'S', 't', 'u', 'd', 'i', 'o', '-', 'W', 'o', 'r', 'k', 's', 't', 'a'}), true);
  transport->on(device, 0x0A, 3, {0, 14}, longAnswer(device, 0x0A, 3, {0, 14, 't', 'i', 'o', 'n', 'X', 'X'}), true);
  // Host 1: known slot without a name. Host 2: the device fails.
  transport->on(device, 0x0A, 1, {1}, longAnswer(device, 0x0A, 1, {1, 1, 0, 0, 0}), true);
  transport->on(device, 0x0A, 1, {2}, HIDPPError::deviceError(device, 0x02), true);
  EXPECT_EQ(receiver.hostsInfo(device), (std::vector<std::string>{"Studio-Workstation", "", ""}));
}

TEST_F(ReceiverOperations, HostsInfoIsAbsentWhenTheDeviceDoesNotOfferNames) {
  transport->feature(device, 0x1815, 0x0A);
  transport->on(device, 0x0A, 0, {}, answer(device, 0x0A, 0, {0x00, 0x00, 3}));
  EXPECT_EQ(receiver.hostsInfo(device), std::nullopt);

  transport->feature(3, 0x1815, 0x0A);
  transport->on(3, 0x0A, 0, {}, answer(3, 0x0A, 0, {0x01, 0x00, 0}));
  EXPECT_EQ(receiver.hostsInfo(3), std::vector<std::string>{});

  transport->feature(4, 0x1815, 0x0A);
  transport->on(4, 0x0A, 0, {}, HIDPPError::timeout(4));
  EXPECT_EQ(receiver.hostsInfo(4), std::nullopt);

  transport->feature(5, 0x1815, 0x0A);
  transport->on(5, 0x0A, 0, {}, answer(5, 0x0A, 0, {0x01, 0x00, 1}));
  transport->on(5, 0x0A, 1, {0}, answer(5, 0x0A, 1, {0, 1, 0}), true);
  EXPECT_EQ(receiver.hostsInfo(5), std::vector<std::string>{""}) << "a short host answer has no name";
}

TEST_F(ReceiverOperations, BatteryPrefersUnifiedAndFallsBackAtZeroPercent) {
  transport->feature(device, 0x1004, 0x06);
  transport->on(device, 0x06, 1, {0x10}, answer(device, 0x06, 1, {55}));
  EXPECT_EQ(receiver.battery(device), (DeviceBattery{55, false}));

  transport->feature(3, 0x1004, 0x06);
  transport->on(3, 0x06, 1, {0x10}, answer(3, 0x06, 1, {0}));
  transport->feature(3, 0x1000, 0x07);
  transport->on(3, 0x07, 0, {}, answer(3, 0x07, 0, {80, 0, 2}));
  EXPECT_EQ(receiver.battery(3), (DeviceBattery{80, true}));

  transport->feature(4, 0x1004, 0x00);
  transport->feature(4, 0x1000, 0x07);
  transport->on(4, 0x07, 0, {}, answer(4, 0x07, 0, {30, 0, 5}));
  EXPECT_EQ(receiver.battery(4), (DeviceBattery{30, false})) << "status 5 is not charging";

  transport->feature(5, 0x1000, 0x07);
  transport->on(5, 0x07, 0, {}, answer(5, 0x07, 0, {0, 0, 1}));
  EXPECT_EQ(receiver.battery(5), std::nullopt) << "0 % is no reading, and unified battery timed out";

  EXPECT_EQ(receiver.battery(6), std::nullopt);
}

TEST_F(ReceiverOperations, ReprogrammableControlsNeedLongAnswers) {
  transport->on(device, 0x08, 0, {}, answer(device, 0x08, 0, {12}));
  EXPECT_EQ(receiver.controlCount(device, 0x08), 12);

  transport->on(device, 0x08, 1, {5}, longAnswer(device, 0x08, 1, {0x00, 0xD2, 0x00, 0xAE, 0x31}));
  EXPECT_EQ(receiver.controlInfo(device, 0x08, 5), (ControlInfo{0x00D2, 0x00AE, 0x31}));
  transport->on(device, 0x08, 1, {6}, answer(device, 0x08, 1, {0x00, 0xD3, 0x00}));
  EXPECT_THROW(receiver.controlInfo(device, 0x08, 6), HIDPPError);
  EXPECT_THROW(receiver.controlInfo(device, 0x08, 256), HIDPPError);

  transport->on(device, 0x08, 2, {0x00, 0xC4}, longAnswer(device, 0x08, 2, {0x00, 0xC4, 0x05, 0x00, 0x56}));
  EXPECT_EQ(receiver.controlReporting(device, 0x08, 0x00C4), (ControlReporting{0x05, 0x0056}));
  transport->on(device, 0x08, 2, {0x00, 0x52}, answer(device, 0x08, 2, {0x00, 0x52, 0x01}));
  EXPECT_THROW(receiver.controlReporting(device, 0x08, 0x0052), HIDPPError);
}

TEST_F(ReceiverOperations, WheelModeAndSmartShiftReadTheirFeatures) {
  EXPECT_THROW(receiver.wheelMode(device), HIDPPError);
  transport->feature(device, 0x2121, 0x0C);
  transport->on(device, 0x0C, 1, {}, answer(device, 0x0C, 1, {0x01, 0x02, 0x03}));
  EXPECT_EQ(receiver.wheelMode(device), (std::vector<std::uint8_t>{1, 2, 3}));
  transport->on(device, 0x0C, 2, {0x00, 0x01, 0x00}, answer(device, 0x0C, 2, {}));
  receiver.setWheelMode(device, {0x00, 0x01, 0x00, 0x7F});
  EXPECT_EQ(transport->exchanges().back(), (WireRequest{device, 0x0C, 2, {0x00, 0x01, 0x00}}));

  transport->feature(3, 0x2121, 0x00);
  EXPECT_EQ(receiver.wheelMode(3), std::nullopt);
  try {
    receiver.setWheelMode(3, {0, 0, 0});
    FAIL();
  } catch (const HIDPPError& error) {
    EXPECT_EQ(error.description(), "device has no hi-res wheel");
  }

  const auto capabilities = answer(device, 0x0D, 0, {0x01, 1, 50});
  transport->on(device, 0x0D, 0, {}, capabilities);
  EXPECT_EQ(receiver.smartShiftCapabilities(device, 0x0D), capabilities);
  const auto state = answer(device, 0x0D, 1, {0x02, 0x0A, 0x32});
  transport->on(device, 0x0D, 1, {}, state);
  EXPECT_EQ(receiver.smartShiftState(device, 0x0D), state);
}

TEST_F(ReceiverOperations, SetHostMultiWritesEveryTargetEightTimes) {
  receiver.setHostMulti({{1, 0x09}, {2, 0x0B}}, 1);
  const auto sent = transport->sent();
  ASSERT_EQ(sent.size(), 16u);
  EXPECT_TRUE(transport->exchanges().empty()) << "no answer is awaited";
  for (std::size_t pass = 0; pass < 8; ++pass) {
    EXPECT_EQ(sent[2 * pass], (Report{0x10, 1, 0x09, 0x1A, 0x01, 0x00, 0x00}));
    EXPECT_EQ(sent[2 * pass + 1], (Report{0x10, 2, 0x0B, 0x1A, 0x01, 0x00, 0x00}));
  }
  receiver.setHostMulti({}, 0);
  EXPECT_EQ(transport->sent().size(), 16u);
}

// Fails the writes to one device until it has been tried `failures` times.
class FlakyTransport : public ScriptedTransport {
 public:
  FlakyTransport(std::uint8_t device, int failures) : device_(device), failures_(failures) {}
  void send(const Report& report) override {
    ScriptedTransport::send(report);
    if (report[1] == device_ && failures_-- > 0) throw HIDPPError::writeFailed(5);
  }

 private:
  std::uint8_t device_;
  int failures_;
};

TEST(ReceiverHostChange, FailsOnlyWhenATargetNeverTookAWrite) {
  auto flaky = std::make_shared<FlakyTransport>(2, 7);
  Receiver recovering(flaky, std::chrono::milliseconds(1));
  EXPECT_NO_THROW(recovering.setHostMulti({{1, 0x09}, {2, 0x0B}}, 2)) << "device 2 took the 8th pass";
  EXPECT_EQ(flaky->sent().size(), 16u);

  auto dead = std::make_shared<FlakyTransport>(2, 8);
  Receiver failing(dead, std::chrono::milliseconds(1));
  try {
    failing.setHostMulti({{1, 0x09}, {2, 0x0B}}, 2);
    FAIL();
  } catch (const HIDPPError& error) {
    EXPECT_EQ(error, HIDPPError::writeFailed(5));
  }
  EXPECT_EQ(dead->sent().size(), 16u) << "every pass still writes to every target";

  auto stopped = std::make_shared<ScriptedTransport>();
  stopped->stop();
  Receiver gone(stopped, std::chrono::milliseconds(1));
  try {
    gone.setHostMulti({{1, 0x09}}, 0);
    FAIL();
  } catch (const HIDPPError& error) {
    EXPECT_EQ(error, HIDPPError::stopped());
  }
}

TEST_F(ReceiverOperations, SetDivertWritesTheLongSetReportingReport) {
  receiver.setDivert(device, 0x08, 0x00D2, true);
  receiver.setDivert(device, 0x08, 0x00D2, false);
  Report divert(20, 0);
  divert[0] = 0x11;
  divert[1] = device;
  divert[2] = 0x08;
  divert[3] = 0x3A;
  divert[5] = 0xD2;
  divert[6] = 0x03;
  Report release = divert;
  release[6] = 0x02;
  EXPECT_EQ(transport->sent(), (std::vector<Report>{divert, release}));

  transport->failSends(HIDPPError::writeFailed(19));
  EXPECT_NO_THROW(receiver.setDivert(device, 0x08, 0x00D2, true));
}

TEST(ReceiverEvents, DivertedButtonsDecodesHeldControls) {
  Report event(20, 0);
  event[0] = 0x11;
  event[1] = 2;
  event[2] = 0x08;
  event[5] = 0xC4;
  EXPECT_EQ(Receiver::divertedButtons(event, 0x08), (std::vector<std::uint16_t>{0x00C4}));
  event[8] = 0x01;
  event[9] = 0x02;
  EXPECT_EQ(Receiver::divertedButtons(event, 0x08), (std::vector<std::uint16_t>{0x00C4, 0x0102}));
  event[4] = event[5] = event[8] = event[9] = 0;
  EXPECT_EQ(Receiver::divertedButtons(event, 0x08), std::vector<std::uint16_t>{});

  EXPECT_EQ(Receiver::divertedButtons(event, 0x09), std::nullopt) << "another feature";
  auto response = event;
  response[3] = 0x0A;
  EXPECT_EQ(Receiver::divertedButtons(response, 0x08), std::nullopt) << "a response, not an event";
  EXPECT_EQ(Receiver::divertedButtons(Report{0x10, 2, 0x08, 0x00, 0x00, 0xC4, 0x00}, 0x08), std::nullopt);
}

}  // namespace
}  // namespace flitbar
