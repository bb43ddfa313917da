#include "engine/ManagedControls.h"

#include "ScriptedReceiver.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using testing::ScriptedReceiver;
using Strings = std::vector<std::string>;

constexpr std::uint16_t top = 196;
constexpr std::uint16_t gesture = 195;

DeviceInfo mouse(std::uint8_t index = 2, std::optional<std::string> unit = "AA:BB:CC:DD") {
  DeviceInfo device;
  device.index = index;
  device.name = "Mouse";
  device.reprogFeature = 0x0B;
  device.unitID = std::move(unit);
  return device;
}

class ManagedControlsTest : public ::testing::Test {
 protected:
  ManagedControlsTest() : controls(receiver.manualPacing()) {
    receiver.devices[2] = {{.cid = top, .remap = 0x0053}, {.cid = gesture, .reporting = 0x01}};
  }

  Strings assertDiverted(const std::vector<ManagedControls::Target>& targets,
                         const std::vector<DeviceInfo>& devices = {mouse()}) {
    Strings logged;
    controls.assertDiverted(receiver, targets, devices, cancel,
                            [&](const std::string& line) { logged.push_back(line); });
    return logged;
  }

  ScriptedReceiver receiver;
  ManagedControls controls;
  CancelFlag cancel;
};

TEST_F(ManagedControlsTest, CapturesOnlyWhatItDivertedAndKeepsTheRemapThroughout) {
  EXPECT_EQ(assertDiverted({{mouse(), top}, {mouse(), gesture}}), Strings{});
  EXPECT_EQ(receiver.control(2, top).reporting & 0x01, 0x01);
  EXPECT_EQ(receiver.control(2, top).remap, 0x0053);
  // Another program diverted the gesture button: it is diverted again but never captured.
  ASSERT_EQ(controls.captures().size(), 1u);
  EXPECT_EQ(controls.captures().at("unit:AA:BB:CC:DD:196"),
            (ManagedControls::Capture{2, "AA:BB:CC:DD", "Mouse", 0x0B, top, 0x0053}));

  // A second assert of a control now diverted keeps the first capture (and its remap).
  receiver.control(2, top).remap = 0x0056;
  assertDiverted({{mouse(), top}});
  EXPECT_EQ(controls.captures().at("unit:AA:BB:CC:DD:196").remap, 0x0053);

  EXPECT_EQ(controls.release(receiver, {mouse()}, 2.0, true), Strings{});
  EXPECT_EQ(receiver.control(2, top).reporting & 0x01, 0);
  EXPECT_EQ(receiver.control(2, top).remap, 0x0053);
  EXPECT_EQ(receiver.control(2, gesture).reporting & 0x01, 0x01);
  EXPECT_TRUE(controls.captures().empty());
}

TEST_F(ManagedControlsTest, KeysNameTheUnitOrTheSlot) {
  EXPECT_EQ(ManagedControls::key({2, "AA:BB:CC:DD", "Mouse", 0x0B, 196, 0}), "unit:AA:BB:CC:DD:196");
  EXPECT_EQ(ManagedControls::key({2, std::nullopt, "Mouse", 0x0B, 196, 0}), "slot:2:Mouse:196");
}

TEST_F(ManagedControlsTest, ReleasesRemovedBindingsButLeavesAbsentDevicesRecorded) {
  assertDiverted({{mouse(), top}});
  // The mouse is unplugged: nothing can be released, the capture waits for it.
  EXPECT_EQ(assertDiverted({}, {}), Strings{});
  EXPECT_EQ(controls.captures().size(), 1u);

  receiver.ignoresWrites.insert({2, top});
  EXPECT_EQ(assertDiverted({}), Strings{"device 2, cid 196: removed binding release could not be verified"});
  EXPECT_EQ(controls.captures().size(), 1u);

  receiver.ignoresWrites.clear();
  EXPECT_EQ(assertDiverted({}), Strings{});
  EXPECT_TRUE(controls.captures().empty());
  EXPECT_EQ(receiver.control(2, top).reporting & 0x01, 0);
}

TEST_F(ManagedControlsTest, AnUnconfirmedDivertIsRetriedQuietlyNextTime) {
  receiver.ignoresWrites.insert({2, top});
  const int before = receiver.reads;
  EXPECT_EQ(assertDiverted({{mouse(), top}}), Strings{});
  // One read before the write and three to verify, none of which confirmed.
  EXPECT_EQ(receiver.reads - before, 4);
  EXPECT_EQ(receiver.control(2, top).reporting & 0x01, 0);
  EXPECT_EQ(controls.captures().size(), 1u);

  receiver.ignoresWrites.clear();
  assertDiverted({{mouse(), top}});
  EXPECT_EQ(receiver.control(2, top).reporting & 0x01, 0x01);
}

TEST_F(ManagedControlsTest, StopsAssertingOnceCancelled) {
  cancel.cancel();
  assertDiverted({{mouse(), top}});
  EXPECT_EQ(receiver.reads, 0);
  EXPECT_TRUE(receiver.writes.empty());
}

TEST_F(ManagedControlsTest, ReconcilingFollowsTheUnitIdAcrossSlots) {
  receiver.devices[4] = {{.cid = top}};
  DeviceInfo plain = mouse(4, std::nullopt);
  assertDiverted({{mouse(), top}, {plain, top}}, {mouse(), plain});
  ASSERT_EQ(controls.captures().size(), 2u);

  DeviceInfo moved = mouse(3);
  moved.reprogFeature = 0x0C;
  DeviceInfo renamed = plain;
  renamed.name = "Other";
  controls.reconcileDevices({moved, renamed});
  ASSERT_EQ(controls.captures().size(), 1u);
  EXPECT_EQ(controls.captures().at("unit:AA:BB:CC:DD:196"),
            (ManagedControls::Capture{3, "AA:BB:CC:DD", "Mouse", 0x0C, top, 0x0053}));

  DeviceInfo withoutFeature = moved;
  withoutFeature.reprogFeature.reset();
  controls.reconcileDevices({withoutFeature});
  EXPECT_TRUE(controls.captures().empty());
}

TEST_F(ManagedControlsTest, ReleaseStopsAtItsTimeoutWhenTheReceiverNeverAnswers) {
  receiver.devices[2] = {{.cid = 0x50}, {.cid = 0x51}, {.cid = 0x52}, {.cid = 0x53}};
  assertDiverted({{mouse(), 0x53}, {mouse(), 0x51}, {mouse(), 0x52}, {mouse(), 0x50}});
  ASSERT_EQ(controls.captures().size(), 4u);

  receiver.silent.insert(2);
  // Each attempt costs two 0.8 s reads: two start within 2 s, the third is due after it.
  EXPECT_EQ(controls.release(receiver, {mouse()}, 2.0, false),
            (Strings{"device 2, cid 80: release could not be verified",
                     "device 2, cid 81: release could not be verified", "button release timed out"}));
  EXPECT_EQ(controls.captures().size(), 4u);

  receiver.silent.clear();
  EXPECT_EQ(controls.release(receiver, {mouse()}, 2.0, true), Strings{});
  EXPECT_TRUE(controls.captures().empty());
  for (const auto& control : receiver.devices[2]) EXPECT_EQ(control.reporting & 0x01, 0) << control.cid;
}

TEST_F(ManagedControlsTest, DiscardingAfterAFailedReleaseForgetsEverything) {
  assertDiverted({{mouse(), top}});
  receiver.ignoresWrites.insert({2, top});
  EXPECT_EQ(controls.release(receiver, {mouse()}, 2.0, true),
            Strings{"device 2, cid 196: release could not be verified"});
  EXPECT_TRUE(controls.captures().empty());
}

}  // namespace
}  // namespace flitbar
