#include "engine/RestoreCoordinator.h"
#include "support/Builders.h"

#include "ScriptedReceiver.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

TEST(RestoreCoordinator, ReleasesWithRemapZeroReportsEachFailureAndMarksWhatAnInterruptionLeft) {
  ScriptedReceiver receiver;
  receiver.devices[2] = {{.cid = 0x50},
                         {.cid = 0x51, .reporting = 0x01},
                         {.cid = 0x52, .reporting = 0x05, .remap = 0x00C4},
                         {.cid = 0x53}};
  receiver.ignoresWrites.insert({2, 0x51});
  receiver.malformedInfo.insert({2, 3});
  receiver.devices[3] = {{.cid = 0x50, .reporting = 0x01}};
  const std::vector<DeviceInfo> devices{named(device(2), "Mouse"), named(device(3), "Keys")};
  int polls = 0;
  const auto restore = [&](int allowedPolls) {
    polls = 0;
    return RestoreCoordinator::restore(
        receiver, devices, [&] { return ++polls > allowedPolls; }, std::chrono::duration<double>(0));
  };

  const auto report = restore(100);
  EXPECT_FALSE(report.succeeded());
  EXPECT_EQ(report.summary(),
            "device 2 (Mouse): released 1, already released 1, failed 2 [cid 81: release could not be verified; "
            "control 3: could not inspect]\n"
            "device 3 (Keys): released 1, already released 0");
  EXPECT_EQ(receiver.control(2, 0x52).reporting & 0x01, 0);
  EXPECT_EQ(receiver.control(2, 0x52).remap, 0);

  // Polled before each device and each control: the third device is never started.
  receiver.ignoresWrites.clear();
  receiver.malformedInfo.clear();
  receiver.control(3, 0x50).reporting = 0x01;
  const auto interrupted = restore(5);
  EXPECT_FALSE(interrupted.succeeded());
  EXPECT_EQ(interrupted.summary(),
            "device 2 (Mouse): released 1, already released 3\n"
            "device 3 (Keys): interrupted");
  EXPECT_TRUE(receiver.control(3, 0x50).reporting & 0x01);
}

}  // namespace
}  // namespace flitbar::testing
