// Faults injected into a world: silence, lost, late, malformed and oversized answers, error frames.
#include "WorldProbe.h"

#include "virtual/ControlCommands.h"

#include <gtest/gtest.h>

namespace flitbar::virtualhid::testing {
namespace {

using Reports = std::vector<Bytes>;

const Bytes keyboardPing{0x10, 0x01, 0x00, 0x1A, 0x00, 0x00, 0xAA};
const Bytes mousePing{0x10, 0x02, 0x00, 0x1A, 0x00, 0x00, 0xBB};
const Bytes keyboardAnswer = longReport({0x11, 0x01, 0x00, 0x1A, 0x04, 0x05, 0xAA});
const Bytes mouseAnswer = longReport({0x11, 0x02, 0x00, 0x1A, 0x04, 0x05, 0xBB});

class FaultInjectionTest : public ::testing::Test {
 protected:
  nlohmann::json run(std::vector<std::string> words) { return ControlCommands(*probe.world).run(words); }

  WorldProbe probe = WorldProbe::fromFile("default.json");
};

TEST_F(FaultInjectionTest, SilentDeviceAnswersNothingWhileOthersStillDo) {
  run({"fault", "silent-device", "keyboard", "on"});
  EXPECT_EQ(probe.send("host1", keyboardPing), Reports{});
  EXPECT_EQ(probe.send("host1", mousePing), Reports{mouseAnswer});
  run({"fault", "silent-device", "keyboard", "off"});
  EXPECT_EQ(probe.send("host1", keyboardPing), Reports{keyboardAnswer});
}

TEST_F(FaultInjectionTest, SilentReceiverSendsNeitherAnswersNorErrorsNorEvents) {
  run({"fault", "silent-receiver", "host1", "on"});
  EXPECT_EQ(probe.send("host1", keyboardPing), Reports{});
  EXPECT_EQ(probe.send("host1", {0x10, 0x05, 0x00, 0x1A, 0, 0, 0xAA}), Reports{});
  probe.world->setSilentReceiver("host1", false);
  probe.send("host1", longReport({0x11, 0x02, 0x07, 0x3A, 0x00, 0xC4, 0x03}));
  run({"fault", "silent-receiver", "host1", "on"});
  probe.world->press("mouse", 0xC4);
  EXPECT_EQ(probe.sink("host1").take(), Reports{});
  // Other computers' receivers are unaffected.
  EXPECT_EQ(probe.send("host2", keyboardPing), (Reports{{0x10, 0x01, 0x8F, 0x00, 0x1A, 0x09, 0x00}}));
}

TEST_F(FaultInjectionTest, ResponseFaultsApplyToTheNextAnswersInOrder) {
  run({"fault", "drop", "host1"});
  run({"fault", "malformed", "host1"});
  run({"fault", "oversized", "host1", "2"});
  EXPECT_EQ(probe.send("host1", keyboardPing), Reports{});
  EXPECT_EQ(probe.send("host1", keyboardPing), Reports{Bytes(keyboardAnswer.begin(), keyboardAnswer.end() - 1)});
  Bytes oversized = keyboardAnswer;
  oversized.resize(65, 0);
  EXPECT_EQ(probe.send("host1", keyboardPing), Reports{oversized});
  // Receiver error frames are answers too.
  EXPECT_EQ(probe.send("host1", {0x10, 0x05, 0x00, 0x1A, 0, 0, 0xAA}).at(0).size(), 65u);
  EXPECT_EQ(probe.send("host1", keyboardPing), Reports{keyboardAnswer});
}

TEST_F(FaultInjectionTest, ADelayedAnswerDoesNotHoldUpLaterOnes) {
  run({"fault", "delay", "host1", "150"});
  EXPECT_EQ(probe.send("host1", keyboardPing), Reports{});
  EXPECT_EQ(probe.send("host1", mousePing), Reports{mouseAnswer});
  ASSERT_TRUE(probe.sink("host1").waitFor(1));
  EXPECT_EQ(probe.sink("host1").take(), Reports{keyboardAnswer});
}

TEST_F(FaultInjectionTest, FeatureErrorsAnswerEveryRequestToThatFeature) {
  run({"fault", "error", "keyboard", "0x1814", "0x05"});
  EXPECT_EQ(probe.send("host1", {0x10, 0x01, 0x05, 0x0A, 0, 0, 0}),
            Reports{longReport({0x11, 0x01, 0xFF, 0x05, 0x0A, 0x05})});
  // Even set-current-host is answered, and the keyboard stays.
  EXPECT_EQ(probe.send("host1", {0x10, 0x01, 0x05, 0x1A, 0x01, 0, 0}),
            Reports{longReport({0x11, 0x01, 0xFF, 0x05, 0x1A, 0x05})});
  EXPECT_EQ(probe.send("host1", keyboardPing), Reports{keyboardAnswer});
  run({"fault", "error", "keyboard", "0x1814", "off"});
  EXPECT_EQ(probe.send("host1", {0x10, 0x01, 0x05, 0x0A, 0, 0, 0}),
            Reports{longReport({0x11, 0x01, 0x05, 0x0A, 3, 0, 0})});
  EXPECT_THROW(run({"fault", "error", "keyboard", "0x2121", "5"}), ControlError);
}

TEST_F(FaultInjectionTest, ClearRemovesEveryFault) {
  run({"fault", "silent-device", "mouse", "on"});
  run({"fault", "error", "keyboard", "0x0000", "0x09"});
  run({"fault", "drop", "host1", "5"});
  run({"fault", "clear"});
  EXPECT_EQ(probe.send("host1", keyboardPing), Reports{keyboardAnswer});
  EXPECT_EQ(probe.send("host1", mousePing), Reports{mouseAnswer});
}

TEST_F(FaultInjectionTest, InjectedReportsReachEveryClientUnchanged) {
  run({"inject", "host2", "10", "01", "41", "10", "41", "78", "B3"});
  EXPECT_EQ(probe.sink("host2").take(), (Reports{{0x10, 0x01, 0x41, 0x10, 0x41, 0x78, 0xB3}}));
  run({"inject", "host2", std::string(130, 'a')});
  EXPECT_EQ(probe.sink("host2").take(), Reports{Bytes(65, 0xAA)});
  EXPECT_EQ(probe.sink("host1").take(), Reports{});
}

}  // namespace
}  // namespace flitbar::virtualhid::testing
