// Rig files and control commands: sound input works, bad input gets a clear message.
#include "WorldScript.h"

#include "virtual/RigError.h"

namespace flitbar::virtualhid::testing {
namespace {

using nlohmann::json;

std::string rigError(const json& rig) {
  try {
    VirtualRig::fromJson(rig);
  } catch (const RigError& error) {
    return error.what();
  }
  return "accepted";
}

TEST(RigTest, BadRigsNameTheOffendingField) {
  const json minimal = json::parse(R"({"computers": [{"id": "host1"}, {"id": "host2"}],
      "devices": [{"id": "mouse", "slot": 2, "name": "M", "hosts": ["host1", "host2"]}]})");
  // Each case adds or replaces one value of a sound rig.
  const std::vector<std::tuple<std::string, json, std::string>> cases{
      {"/devices/0/slots", 1, "devices[0].slots is not a known key"},
      {"/devices/0/slot", 7, "devices[0].slot must be an integer from 1 through 6"},
      {"/devices/0/slot", 0, "devices[0].slot must be an integer from 1 through 6"},
      {"/devices/0/wpid", "0xZZ", "devices[0].wpid must be an integer from 0 through 0xFFFF"},
      {"/devices/0/hosts/1", "host9", "devices[0].hosts[1] must name a computer of the rig or be null"},
      {"/devices/0/hosts", {"host1", "host2", nullptr, nullptr}, "devices[0].hosts must be an array of 1 to 3 entries"},
      {"/devices/0/currentHost", 3, "devices[0].currentHost must be an integer from 1 through 2"},
      {"/devices/0/changeHost", false, "devices[0].hosts must list one computer when changeHost is false"},
      {"/devices/1",
       {{"id", "other"}, {"slot", 2}, {"name", "O"}, {"hosts", {"host1"}}},
       "devices[1].slot repeats an earlier device's slot"},
      {"/devices/0/controls", {{{"cid", "0xC4"}}, {{"cid", 196}}}, "devices[0].controls[1] repeats an earlier cid"},
      {"/devices/0/unitId", "AA:BB:CC", "devices[0].unitId must be four hexadecimal bytes like \"AA:BB:CC:DD\""},
      {"/devices/0/smartShift",
       {{"minimum", 30}, {"maximum", 20}},
       "devices[0].smartShift minimum must not exceed maximum"},
      {"/computers/0/id", "../up", "computers[0].id must be letters, digits, '-' or '_'"},
      {"/computers/0/extraInterfaces", 4, "computers[0].extraInterfaces must be an integer from 0 through 3"},
  };
  for (const auto& [path, value, message] : cases)
    EXPECT_EQ(rigError(minimal.patch(json::array({{{"op", "add"}, {"path", path}, {"value", value}}}))), message);
  EXPECT_EQ(rigError(minimal), "accepted");
  EXPECT_EQ(rigError(json::array()), "rig must be an object");
  EXPECT_EQ(rigError(json::object()), "computers is missing");
}

TEST(ControlCommandTest, StateShowsWhatCommandsChanged) {
  VirtualWorld world(loadRig("default.json"));
  ControlCommands commands(world);
  for (const auto* line :
       {"battery mouse 15 charging", "latency 5 1", "timing arrival 0", "switch keyboard 2", "sleep mouse"})
    EXPECT_EQ(commands.run(words(line)), json({{"ok", true}})) << line;
  const auto state = commands.run({"state"}).at("state");
  EXPECT_EQ(state["timing"],
            json({{"answerMs", 5}, {"receiverErrorMs", 1}, {"departureNoticeMs", 0}, {"arrivalMs", 0}}));
  EXPECT_EQ(state["computers"][0]["devices"], json::array());
  EXPECT_EQ(state["computers"][1]["devices"], json({"keyboard"}));
  EXPECT_EQ(state["devices"][0]["computer"], "host2");
  EXPECT_EQ(state["devices"][1]["battery"], json({{"percent", 15}, {"charging", true}}));
  EXPECT_EQ(state["devices"][1]["awake"], false);
}

}  // namespace
}  // namespace flitbar::virtualhid::testing
