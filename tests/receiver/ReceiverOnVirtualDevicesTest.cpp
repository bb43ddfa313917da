#include "receiver/VirtualReceiverTestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace flitbar {
namespace {

using testing::computers;
using testing::makeWorld;
using testing::openVirtual;
using testing::WireRequest;

nlohmann::json keyboardAndMouse() {
  return {
      {"computers", computers(3)},
      {"devices",
       {{{"id", "keyboard"},
         {"slot", 1},
         {"kind", "keyboard"},
         {"name", "MX Keys S for Business and Travel"},
         {"wpid", "0xB378"},
         {"unitId", "4F:2A:11:C0"},
         {"hosts", {"host1", "host2", "host3"}},
         {"currentHost", 2},
         {"battery", {{"features", {"status"}}, {"percent", 60}, {"charging", true}}},
         {"controls", {{{"cid", "0x00D1"}, {"task", "0x00AE"}, {"flags", "0x60"}}}}},
        {{"id", "mouse"},
         {"slot", 4},
         {"kind", "mouse"},
         {"name", "MX Master 3S"},
         {"wpid", "0xB034"},
         {"hosts", {"host1", "host2"}},
         {"currentHost", 2},
         {"battery", {{"features", {"unified"}}, {"percent", 85}}},
         {"controls", {{{"cid", "0x00C4"}, {"task", "0x00AD"}, {"flags", "0x71"}}}}}}},
  };
}

TEST(ReceiverOnVirtualDevices, DiscoversEveryPairedDeviceWithItsDetails) {
  const auto world = makeWorld(keyboardAndMouse());
  auto [opened, counter] = openVirtual(world, "host2");
  ASSERT_EQ(opened.devices.size(), 2u);

  const auto& keyboard = opened.devices[0];
  EXPECT_EQ(keyboard.index, 1);
  EXPECT_EQ(keyboard.name, "MX Keys S for Business and Travel") << "assembled from several chunks";
  EXPECT_TRUE(keyboard.changeHostFeature);
  EXPECT_EQ(keyboard.hostCount, 3);
  EXPECT_EQ(keyboard.currentHost, 1) << "its current channel 2 is host 1 zero-based";
  EXPECT_TRUE(keyboard.reprogFeature);
  EXPECT_EQ(keyboard.unitID, "4F:2A:11:C0");
  EXPECT_EQ(keyboard.hostNames, (std::vector<std::string>{"studio-desktop", "travel-laptop", "office-pc"}));
  EXPECT_EQ(keyboard.battery, (DeviceBattery{60, true}));

  const auto& mouse = opened.devices[1];
  EXPECT_EQ(mouse.index, 4) << "empty slots 2 and 3 are skipped";
  EXPECT_EQ(mouse.hostCount, 2);
  EXPECT_EQ(mouse.battery, (DeviceBattery{85, false}));

  // Every feature index was asked for once per device and then served from the cache.
  std::set<std::tuple<std::uint8_t, std::uint8_t, std::uint8_t>> lookups;
  for (const auto& request : counter->requests()) {
    if (request.feature != 0 || request.function != 0) continue;
    EXPECT_TRUE(lookups.insert({request.device, request.params[0], request.params[1]}).second)
        << "feature 0x" << std::hex << (request.params[0] << 8 | request.params[1]) << " of device "
        << int(request.device) << " asked twice";
  }
  opened.session->stop();
}

TEST(ReceiverOnVirtualDevices, DevicesWithoutChangeHostOrPercentageStillReport) {
  const auto world = makeWorld({
      {"computers", computers(2)},
      {"devices",
       {{{"id", "keyboard"},
         {"slot", 2},
         {"kind", "keyboard"},
         {"name", "K270"},
         {"wpid", "0x4003"},
         {"hosts", {"host1"}},
         {"changeHost", false},
         {"battery", {{"features", {"unified", "status"}}, {"percent", 30}, {"reportsPercent", false}}}}}},
  });
  auto [opened, counter] = openVirtual(world, "host1");
  ASSERT_EQ(opened.devices.size(), 1u);
  const auto& keyboard = opened.devices[0];
  EXPECT_EQ(keyboard.name, "K270");
  EXPECT_EQ(keyboard.changeHostFeature, std::nullopt);
  EXPECT_EQ(keyboard.hostCount, 0);
  EXPECT_EQ(keyboard.hostNames, std::nullopt);
  EXPECT_EQ(keyboard.battery, (DeviceBattery{30, false})) << "unified battery at 0 % falls back to 0x1000";

  const auto before = counter->requests().size();
  EXPECT_EQ(opened.session->featureIndex(2, Feature::smartShift), 0);
  EXPECT_EQ(opened.session->featureIndex(2, Feature::smartShift), 0);
  EXPECT_EQ(counter->requests().size(), before + 2) << "a missing feature is asked for every time";
  opened.session->stop();
}

TEST(ReceiverOnVirtualDevices, SetHostMultiMovesEveryTargetToTheOtherComputer) {
  const auto world = makeWorld(keyboardAndMouse());
  auto [opened, counter] = openVirtual(world, "host2");
  std::vector<HostTarget> targets;
  for (const auto& device : opened.devices) targets.push_back({device.index, *device.changeHostFeature});
  opened.session->setHostMulti(targets, 0);
  opened.session->stop();

  auto [left, leftCounter] = openVirtual(world, "host2");
  EXPECT_TRUE(left.devices.empty()) << "nothing answers on the computer they left";
  left.session->stop();
  auto [arrived, arrivedCounter] = openVirtual(world, "host1");
  ASSERT_EQ(arrived.devices.size(), 2u);
  EXPECT_EQ(arrived.devices[0].currentHost, 0);
  EXPECT_EQ(arrived.devices[1].currentHost, 0);
  arrived.session->stop();
}

TEST(ReceiverOnVirtualDevices, ReadsControlsWheelAndSmartShiftFromTheModels) {
  const auto world = makeWorld({
      {"computers", computers(1)},
      {"devices",
       {{{"id", "mouse"},
         {"slot", 1},
         {"kind", "mouse"},
         {"name", "MX Master 3S"},
         {"wpid", "0xB034"},
         {"hosts", {"host1"}},
         {"controls",
          {{{"cid", "0x0050"}, {"task", "0x0038"}, {"flags", "0x01"}},
           {{"cid", "0x00C4"}, {"task", "0x00AD"}, {"flags", "0x71"}}}},
         {"smartShift", {{"mode", "ratchet"}, {"autoDisengage", 10}, {"torque", 50}, {"minimum", 1}, {"maximum", 50}}},
         {"hiResWheel", {{"mode", {1, 0, 0}}}}}}},
  });
  auto [opened, counter] = openVirtual(world, "host1");
  ASSERT_EQ(opened.devices.size(), 1u);
  auto& session = *opened.session;
  const auto reprog = *opened.devices[0].reprogFeature;
  EXPECT_EQ(session.controlCount(1, reprog), 2);
  EXPECT_EQ(session.controlInfo(1, reprog, 1), (ControlInfo{0x00C4, 0x00AD, 0x71}));
  EXPECT_EQ(session.controlReporting(1, reprog, 0x00C4), (ControlReporting{0, 0}));
  session.setDivert(1, reprog, 0x00C4, true);
  EXPECT_EQ(session.controlReporting(1, reprog, 0x00C4).flags & 0x01, 0x01);

  EXPECT_EQ(session.wheelMode(1), (std::vector<std::uint8_t>{1, 0, 0}));
  session.setWheelMode(1, {0, 0, 0});
  EXPECT_EQ(session.wheelMode(1), (std::vector<std::uint8_t>{0, 0, 0}));

  const auto smartShift = session.featureIndex(1, Feature::smartShift);
  ASSERT_NE(smartShift, 0);
  const auto capabilities = session.smartShiftCapabilities(1, smartShift);
  EXPECT_EQ(capabilities[5], 1);
  EXPECT_EQ(capabilities[6], 50);
  EXPECT_EQ(session.smartShiftState(1, smartShift)[4], 2) << "ratchet";
  session.stop();
}

// The change-host lookup of slot 1 times out and its answer comes in during the name lookup. Taken
// for the name feature's index, it would turn the name read into a set-current-host write.
TEST(ReceiverOnVirtualDevices, ALateAnswerIsNotTakenForALaterRequest) {
  const auto world = makeWorld({
      {"computers", computers(2)},
      {"devices",
       {{{"id", "keyboard"},
         {"slot", 1},
         {"kind", "keyboard"},
         {"name", "K850"},
         {"wpid", "0xB378"},
         {"hosts", {"host2", "host1"}},
         {"currentHost", 2}}}},
  });
  world->holdNextAnswer("host1", 2);  // past the probe, into the name lookup
  auto [opened, counter] = openVirtual(world, "host1");
  ASSERT_EQ(opened.devices.size(), 1u);
  EXPECT_EQ(opened.devices[0].name, "K850");
  EXPECT_EQ(world->state()["devices"][0]["host"], 2) << "a read-only listing moved the keyboard";
  opened.session->stop();
}

}  // namespace
}  // namespace flitbar
