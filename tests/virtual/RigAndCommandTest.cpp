// Rig files and control commands: sound input works, bad input gets a clear message.
#include "WorldProbe.h"

#include "virtual/ControlCommands.h"
#include "virtual/RigError.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace flitbar::virtualhid::testing {
namespace {

using nlohmann::json;

json minimalRig() {
  return {{"computers", {{{"id", "host1"}}, {{"id", "host2"}}}},
          {"devices", {{{"id", "mouse"}, {"slot", 2}, {"name", "M"}, {"hosts", {"host1", "host2"}}}}}};
}

std::string rigError(const json& rig) {
  try {
    VirtualRig::fromJson(rig);
  } catch (const RigError& error) {
    return error.what();
  }
  return "accepted";
}

TEST(RigTest, ShippedRigsDescribeTheWorldsTheTestsAndDemoRelyOn) {
  const auto rig = VirtualRig::load(rigPath("default.json"));
  ASSERT_EQ(rig.computers.size(), 3u);
  ASSERT_EQ(rig.devices.size(), 2u);
  const auto& keyboard = rig.devices[0];
  EXPECT_EQ(keyboard.channels.size(), 3u);
  EXPECT_EQ(keyboard.hostNames, (std::vector<std::string>{"studio-desktop", "travel-laptop", "office-pc"}));
  EXPECT_EQ(keyboard.controls[0].hostSwitch, 1);
  EXPECT_EQ(keyboard.controls[2].hostSwitch, 3);
  EXPECT_EQ(keyboard.controls[3].hostSwitch, 0);
  const auto& mouse = rig.devices[1];
  EXPECT_TRUE(mouse.smartShift && mouse.wheel && mouse.battery);
  EXPECT_EQ(rig.timing, (RigTiming{20, 2, 200, 300}));

  EXPECT_EQ(VirtualRig::load(rigPath("two-host-mouse.json")).computers[0].receiver, ReceiverKind::unifying);
  EXPECT_FALSE(VirtualRig::load(rigPath("no-change-host.json")).devices[0].changeHost);
}

TEST(RigTest, BadRigsNameTheOffendingField) {
  auto unknownKey = minimalRig();
  unknownKey["devices"][0]["slots"] = 1;
  EXPECT_EQ(rigError(unknownKey), "devices[0].slots is not a known key");

  auto badSlot = minimalRig();
  badSlot["devices"][0]["slot"] = 7;
  EXPECT_EQ(rigError(badSlot), "devices[0].slot must be an integer from 1 through 6");

  auto badHex = minimalRig();
  badHex["devices"][0]["wpid"] = "0xZZ";
  EXPECT_EQ(rigError(badHex), "devices[0].wpid must be an integer from 0 through 0xFFFF");

  auto unknownHost = minimalRig();
  unknownHost["devices"][0]["hosts"] = {"host1", "host9"};
  EXPECT_EQ(rigError(unknownHost), "devices[0].hosts[1] must name a computer of the rig or be null");

  auto fourHosts = minimalRig();
  fourHosts["devices"][0]["hosts"] = {"host1", "host2", nullptr, nullptr};
  EXPECT_EQ(rigError(fourHosts), "devices[0].hosts must be an array of 1 to 3 entries");

  auto currentOutside = minimalRig();
  currentOutside["devices"][0]["currentHost"] = 3;
  EXPECT_EQ(rigError(currentOutside), "devices[0].currentHost must be an integer from 1 through 2");

  auto noChangeHost = minimalRig();
  noChangeHost["devices"][0]["changeHost"] = false;
  EXPECT_EQ(rigError(noChangeHost), "devices[0].hosts must list one computer when changeHost is false");

  auto sameSlot = minimalRig();
  sameSlot["devices"].push_back({{"id", "other"}, {"slot", 2}, {"name", "O"}, {"hosts", {"host1"}}});
  EXPECT_EQ(rigError(sameSlot), "devices[1].slot repeats an earlier device's slot");

  auto twiceCid = minimalRig();
  twiceCid["devices"][0]["controls"] = {{{"cid", "0xC4"}}, {{"cid", 196}}};
  EXPECT_EQ(rigError(twiceCid), "devices[0].controls[1] repeats an earlier cid");

  auto badUnit = minimalRig();
  badUnit["devices"][0]["unitId"] = "AA:BB:CC";
  EXPECT_EQ(rigError(badUnit), "devices[0].unitId must be four hexadecimal bytes like \"AA:BB:CC:DD\"");

  auto badRange = minimalRig();
  badRange["devices"][0]["smartShift"] = {{"minimum", 30}, {"maximum", 20}};
  EXPECT_EQ(rigError(badRange), "devices[0].smartShift minimum must not exceed maximum");

  auto badComputer = minimalRig();
  badComputer["computers"][0]["id"] = "../up";
  EXPECT_EQ(rigError(badComputer), "computers[0].id must be letters, digits, '-' or '_'");

  EXPECT_EQ(rigError(json::array()), "rig must be an object");
  EXPECT_EQ(rigError(json::object()), "computers is missing");
}

TEST(RigTest, UnreadableAndInvalidFilesAreReportedWithTheirPath) {
  const auto directory = std::filesystem::temp_directory_path() / ("rig-test-" + std::to_string(::getpid()));
  std::filesystem::create_directories(directory);
  const auto broken = directory / "broken.json";
  std::ofstream(broken) << "{\"computers\": [";
  EXPECT_THROW(
      {
        try {
          VirtualRig::load(broken.string());
        } catch (const RigError& error) {
          EXPECT_TRUE(std::string(error.what()).starts_with("rig file " + broken.string() + " is not valid JSON"));
          throw;
        }
      },
      RigError);
  EXPECT_THROW(VirtualRig::load((directory / "missing.json").string()), RigError);
  std::filesystem::remove_all(directory);
}

TEST(ControlCommandTest, BadCommandsAreRefusedWithAReason) {
  WorldProbe probe = WorldProbe::fromFile("default.json");
  ControlCommands commands(*probe.world);
  const auto refusal = [&](std::vector<std::string> words) {
    try {
      commands.run(words);
    } catch (const ControlError& error) {
      return std::string(error.what());
    }
    return std::string("accepted");
  };
  EXPECT_EQ(refusal({}), "no command given");
  EXPECT_EQ(refusal({"jump"}), "unknown command \"jump\"");
  EXPECT_EQ(refusal({"press", "keyboard"}), "usage: press DEVICE CID");
  EXPECT_EQ(refusal({"press", "toaster", "0xD1"}), "no device named toaster");
  EXPECT_EQ(refusal({"press", "keyboard", "0xD9"}), "device keyboard has no control 0x00D9");
  EXPECT_EQ(refusal({"press", "keyboard", "D1"}), "the control id must be an integer from 1 through 65535, not \"D1\"");
  EXPECT_EQ(refusal({"switch", "mouse", "4"}), "the host must be an integer from 1 through 3, not \"4\"");
  EXPECT_EQ(refusal({"battery", "mouse", "101"}),
            "the battery percent must be an integer from 0 through 100, not \"101\"");
  EXPECT_EQ(refusal({"battery", "mouse", "50", "maybe"}), "expected charging or discharging, not \"maybe\"");
  EXPECT_EQ(refusal({"latency", "-1"}), "the answer latency must be an integer from 0 through 10000, not \"-1\"");
  EXPECT_EQ(refusal({"fault", "drop", "host9"}), "no computer named host9");
  EXPECT_EQ(refusal({"fault", "silent-device", "mouse", "maybe"}), "expected on or off, not \"maybe\"");
  EXPECT_EQ(refusal({"fault", "melt"}), "unknown fault \"melt\"");
  EXPECT_EQ(refusal({"inject", "host1", "1"}), "\"1\" is not a list of hexadecimal bytes");
  EXPECT_EQ(refusal({"inject", "host1", "zz"}), "a report byte must be an integer from 0 through 255, not \"0xzz\"");
}

TEST(ControlCommandTest, CommandsChangeTheWorldAndStateShowsIt) {
  WorldProbe probe = WorldProbe::fromFile("default.json");
  ControlCommands commands(*probe.world);
  EXPECT_EQ(commands.run({"battery", "mouse", "15", "charging"}), json({{"ok", true}}));
  commands.run({"latency", "5", "1"});
  commands.run({"timing", "arrival", "0"});
  commands.run({"timing", "departure", "0"});
  commands.run({"switch", "keyboard", "2"});
  commands.run({"sleep", "mouse"});
  const auto state = commands.run({"state"}).at("state");
  EXPECT_EQ(state["timing"],
            json({{"answerMs", 5}, {"receiverErrorMs", 1}, {"departureNoticeMs", 0}, {"arrivalMs", 0}}));
  EXPECT_EQ(state["computers"][1]["devices"], json({"keyboard"}));
  EXPECT_EQ(state["computers"][0]["devices"], json::array());
  EXPECT_EQ(state["devices"][0]["host"], 2);
  EXPECT_EQ(state["devices"][0]["computer"], "host2");
  EXPECT_EQ(state["devices"][1]["battery"], json({{"percent", 15}, {"charging", true}}));
  EXPECT_EQ(state["devices"][1]["awake"], false);
}

}  // namespace
}  // namespace flitbar::virtualhid::testing
