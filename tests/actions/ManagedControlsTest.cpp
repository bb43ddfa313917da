#include "engine/ManagedControls.h"
#include "support/Builders.h"

#include "ScriptedReceiver.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

using Strings = std::vector<std::string>;
using Capture = ManagedControls::Capture;

constexpr std::uint16_t top = 196;
constexpr std::uint16_t gesture = 195;

DeviceInfo mouse(std::uint8_t index = 2, std::optional<std::string> unit = "AA:BB") {
  return named(device(index, 3, 0, std::move(unit)), "Mouse");
}

class ManagedControlsTest : public ::testing::Test {
 protected:
  ManagedControlsTest() : controls(receiver.manualPacing()) {
    // The top button is remapped by the user; another program diverted the gesture button.
    receiver.devices[2] = {{.cid = top, .remap = 0x0053}, {.cid = gesture, .reporting = 0x01}};
  }

  Strings assertDiverted(const std::vector<ManagedControls::Target>& targets,
                         const std::vector<DeviceInfo>& devices = {mouse()}) {
    Strings logged;
    controls.assertDiverted(receiver, targets, devices, cancel,
                            [&](const std::string& line) { logged.push_back(line); });
    return logged;
  }
  bool diverted(std::uint16_t cid) { return receiver.control(2, cid).reporting & 0x01; }

  ScriptedReceiver receiver;
  ManagedControls controls;
  CancelFlag cancel;
};

TEST_F(ManagedControlsTest, CapturesOnlyWhatItDivertedAndGivesItBackWithTheRemapKept) {
  EXPECT_EQ(assertDiverted({{mouse(), top}, {mouse(), gesture}}), Strings{});
  EXPECT_TRUE(diverted(top));
  EXPECT_EQ(receiver.control(2, top).remap, 0x0053);
  ASSERT_EQ(controls.captures().size(), 1u);
  EXPECT_EQ(controls.captures().at("unit:AA:BB:196"), (Capture{2, "AA:BB", "Mouse", 0x0B, top, 0x0053}));

  // Asserting again keeps the first capture and its remap.
  receiver.control(2, top).remap = 0x0056;
  assertDiverted({{mouse(), top}});
  EXPECT_EQ(controls.captures().at("unit:AA:BB:196").remap, 0x0053);

  EXPECT_EQ(controls.release(receiver, {mouse()}, 2.0, true), Strings{});
  EXPECT_FALSE(diverted(top));
  EXPECT_EQ(receiver.control(2, top).remap, 0x0053);
  EXPECT_TRUE(diverted(gesture)) << "another program's diversion is left alone";
  EXPECT_TRUE(controls.captures().empty());
}

TEST_F(ManagedControlsTest, ReleasesRemovedBindingsOnlyOnceTheDeviceConfirms) {
  assertDiverted({{mouse(), top}});
  EXPECT_EQ(assertDiverted({}, {}), Strings{}) << "an absent device keeps its capture";
  EXPECT_EQ(controls.captures().size(), 1u);

  receiver.ignoresWrites.insert({2, top});
  EXPECT_EQ(assertDiverted({}), Strings{"device 2, cid 196: removed binding release could not be verified"});
  EXPECT_EQ(controls.captures().size(), 1u);

  receiver.ignoresWrites.clear();
  EXPECT_EQ(assertDiverted({}), Strings{});
  EXPECT_TRUE(controls.captures().empty());
  EXPECT_FALSE(diverted(top));
}

TEST_F(ManagedControlsTest, AnUnconfirmedOrForgottenDivertIsWrittenAgainAndACancelledOneNotStarted) {
  receiver.ignoresWrites.insert({2, top});
  EXPECT_EQ(assertDiverted({{mouse(), top}}), Strings{});
  EXPECT_EQ(receiver.reads, 4) << "one read before the write and three to verify";
  receiver.ignoresWrites.clear();
  assertDiverted({{mouse(), top}});
  EXPECT_TRUE(diverted(top));
  receiver.control(2, top).reporting = 0;  // the link dropped and came back
  assertDiverted({{mouse(), top}});
  EXPECT_TRUE(diverted(top));

  cancel.cancel();
  const int written = receiver.writes;
  assertDiverted({{mouse(), gesture}});
  EXPECT_EQ(receiver.writes, written);
}

TEST_F(ManagedControlsTest, ADiversionTheDeviceForgotLeavesNothingToRelease) {
  assertDiverted({{mouse(), top}});
  receiver.control(2, top).reporting = 0;
  EXPECT_EQ(controls.release(receiver, {mouse()}, 2.0, false), Strings{});
  EXPECT_TRUE(controls.captures().empty());
  EXPECT_EQ(receiver.writes, 1) << "only the divert was written";
}

TEST_F(ManagedControlsTest, CapturesFollowTheUnitIdAcrossSlots) {
  receiver.devices[4] = {{.cid = top}};
  const auto anonymous = mouse(4, std::nullopt);
  assertDiverted({{mouse(), top}, {anonymous, top}}, {mouse(), anonymous});
  ASSERT_EQ(controls.captures().size(), 2u);

  auto moved = mouse(3);
  moved.reprogFeature = 0x0C;
  controls.reconcileDevices({moved, named(anonymous, "Other")});
  ASSERT_EQ(controls.captures().size(), 1u);
  EXPECT_EQ(controls.captures().at("unit:AA:BB:196"), (Capture{3, "AA:BB", "Mouse", 0x0C, top, 0x0053}));

  moved.reprogFeature.reset();
  controls.reconcileDevices({moved});
  EXPECT_TRUE(controls.captures().empty());
}

TEST_F(ManagedControlsTest, ReleaseStopsAtItsTimeoutAndCanDiscardWhatFailed) {
  receiver.devices[2] = {{.cid = 0x50}, {.cid = 0x51}, {.cid = 0x52}, {.cid = 0x53}};
  assertDiverted({{mouse(), 0x53}, {mouse(), 0x51}, {mouse(), 0x52}, {mouse(), 0x50}});
  receiver.silent.insert(2);
  // Each attempt costs two 0.8 s reads: two start within 2 s, the third is due after it.
  EXPECT_EQ(controls.release(receiver, {mouse()}, 2.0, false),
            (Strings{"device 2, cid 80: release could not be verified",
                     "device 2, cid 81: release could not be verified", "button release timed out"}));
  EXPECT_EQ(controls.captures().size(), 4u);

  receiver.silent.clear();
  receiver.ignoresWrites.insert({2, 0x53});
  EXPECT_EQ(controls.release(receiver, {mouse()}, 2.0, true),
            Strings{"device 2, cid 83: release could not be verified"});
  EXPECT_TRUE(controls.captures().empty());
  for (const std::uint16_t cid : {0x50, 0x51, 0x52}) EXPECT_FALSE(diverted(cid)) << cid;
}

}  // namespace
}  // namespace flitbar::testing
