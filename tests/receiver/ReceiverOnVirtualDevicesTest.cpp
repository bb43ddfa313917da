#include "receiver/VirtualReceiverTestSupport.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using testing::computers;
using testing::makeWorld;
using testing::openVirtual;

nlohmann::json keyboard(nlohmann::json hosts, int currentHost) {
  return {{"id", "keyboard"},
          {"slot", 1},
          {"kind", "keyboard"},
          {"name", "MX Keys S for Business and Travel"},
          {"wpid", "0xB378"},
          {"unitId", "4F:2A:11:C0"},
          {"hosts", std::move(hosts)},
          {"currentHost", currentHost},
          {"battery", {{"features", {"status"}}, {"percent", 60}, {"charging", true}}},
          {"controls", {{{"cid", "0x00D1"}, {"task", "0x00AE"}, {"flags", "0x60"}}}}};
}

nlohmann::json keyboardAndMouse() {
  return {{"computers", computers(3)},
          {"devices",
           {keyboard({"host1", "host2", "host3"}, 2),
            {{"id", "mouse"},
             {"slot", 4},
             {"kind", "mouse"},
             {"name", "MX Master 3S"},
             {"wpid", "0xB034"},
             {"hosts", {"host1", "host2"}},
             {"currentHost", 2},
             {"changeHost", true},
             {"battery", {{"features", {"unified", "status"}}, {"percent", 30}, {"reportsPercent", false}}}}}}};
}

TEST(ReceiverOnVirtualDevices, DiscoversEveryPairedDeviceWithItsDetails) {
  const auto world = makeWorld(keyboardAndMouse());
  const auto opened = openVirtual(world, "host2");
  ASSERT_EQ(opened.devices.size(), 2u);
  const auto& keyboard = opened.devices[0];
  EXPECT_EQ(keyboard.name, "MX Keys S for Business and Travel") << "assembled from several chunks";
  EXPECT_EQ((std::pair{keyboard.hostCount, keyboard.currentHost}), (std::pair<std::uint8_t, std::uint8_t>{3, 1}));
  EXPECT_TRUE(keyboard.reprogFeature);
  EXPECT_EQ(keyboard.unitID, "4F:2A:11:C0");
  EXPECT_EQ(keyboard.hostNames, (std::vector<std::string>{"studio-desktop", "travel-laptop", "office-pc"}));
  EXPECT_EQ(keyboard.battery, (DeviceBattery{60, true}));
  const auto& mouse = opened.devices[1];
  EXPECT_EQ(mouse.index, 4) << "empty slots 2 and 3 are skipped";
  EXPECT_EQ(mouse.battery, (DeviceBattery{30, false})) << "unified battery without a percentage falls back";
  opened.session->stop();
}

// The change-host lookup of slot 1 times out and its answer comes in during the name lookup. Taken
// for the name feature's index, it would turn the name read into a set-current-host write.
TEST(ReceiverOnVirtualDevices, ALateAnswerIsNotTakenForALaterRequest) {
  const auto world = makeWorld({{"computers", computers(2)}, {"devices", {keyboard({"host2", "host1"}, 2)}}});
  world->holdNextAnswer("host1", 2);  // past the probe, into the name lookup
  const auto opened = openVirtual(world, "host1");
  ASSERT_EQ(opened.devices.size(), 1u);
  EXPECT_EQ(opened.devices[0].name, "MX Keys S for Business and Travel");
  EXPECT_EQ(world->state()["devices"][0]["host"], 2) << "a read-only listing moved the keyboard";
  opened.session->stop();
}

}  // namespace
}  // namespace flitbar
