// The virtual world byte by byte: what each feature answers to the requests the product sends,
// what the world announces as devices move, sleep and have their controls pressed, injected faults,
// and refused control commands.
// Default rig, keyboard (slot 1): 0 root, 1 feature set, 2 device information, 3 name, 4 battery
// status, 5 change host, 6 hosts info, 7 reprogrammable controls. Mouse (slot 2): the same up to 3,
// 4 unified battery, 5 change host, 6 hosts info, 7 reprogrammable controls, 8 SmartShift, 9 wheel.
#include "WorldScript.h"

namespace flitbar::virtualhid::testing {
namespace {

struct Scenario {
  std::string name;
  // A rig file of src/virtual/rigs.
  std::string rig;
  // Each line played and everything any receiver sent because of it.
  std::vector<std::pair<std::string, std::string>> steps;
};

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

class WorldScenarios : public ::testing::TestWithParam<Scenario> {};

TEST_P(WorldScenarios, Play) {
  WorldScript script(GetParam().rig);
  for (const auto& [input, expected] : GetParam().steps) EXPECT_EQ(script.run(input), expected) << input;
}

// Keyboard of the default rig: Bolt receivers, keyboard type 1, wireless product id 0xB378.
const std::string keyboardLeft = "10 01 41 10 41 78 B3";
const std::string keyboardArrived = "10 01 41 10 01 78 B3";
const std::string keyboardPing = "host1: 10 01 00 1A 00 00 AA";
const std::string keyboardAnswer = "host1: 11 01 00 1A 04 05 AA";
const std::string mousePing = "host1: 10 02 00 1A 00 00 BB";
const std::string mouseAnswer = "host1: 11 02 00 1A 04 05 BB";
const std::string mouseLeft = "host1: 10 02 41 10 42 34 B0";

const std::vector<Scenario> scenarios{
    {"WhatDiscoveryReads",
     "default.json",
     // Pings echo the ping byte; a feature the device lacks is at index 0.
     {{keyboardPing, keyboardAnswer},
      {"host1: 10 01 00 0A 18 14 00", "host1: 11 01 00 0A 05"},
      {"host1: 10 01 00 0A 21 11 00", "host1: 11 01 00 0A"},
      // Device information: one entity, unit id 4F:2A:11:C0, then transports and model id.
      {"host1: 10 01 02 0A 00 00 00", "host1: 11 01 02 0A 01 4F 2A 11 C0 00 04 B3 78"},
      {"host1: 10 02 03 0A 00 00 00", "host1: 11 02 03 0A 0C"},
      {"host1: 10 02 03 1A 00 00 00", "host1: 11 02 03 1A 4D 58 20 4D 61 73 74 65 72 20 33 53"},
      {"battery keyboard 35 charging", ""},
      {"host1: 10 01 04 0A 00 00 00", "host1: 11 01 04 0A 23 1E 01"},
      {"host1: 10 02 04 1A 10 00 00", "host1: 11 02 04 1A 55 04"},
      {"battery mouse 100 charging", ""},
      {"host1: 10 02 04 1A 10 00 00", "host1: 11 02 04 1A 64 08 03 01"}}},
    {"UnifiedBatteryWithoutPercent",
     "no-change-host.json",
     {{"host1: 10 01 04 1A 10 00 00", "host1: 11 01 04 1A 00 04"}}},
    {"HostsAndAHostChangeThatMovesWithoutAnAnswer",
     "default.json",
     {{"host1: 10 01 05 0A 00 00 00", "host1: 11 01 05 0A 03"},
      {"host1: 10 01 06 0A 00 00 00", "host1: 11 01 06 0A 01 00 03"},
      {"host1: 11 01 06 1A 00", "host1: 11 01 06 1A 00 01 01 01 0E 20"},
      {"host1: 11 01 06 3A 00 00", "host1: 11 01 06 3A 00 00 73 74 75 64 69 6F 2D 64 65 73 6B 74 6F 70"},
      {"host1: 10 01 05 1A 01 00 00", "host1: " + keyboardLeft + " | host2: " + keyboardArrived},
      {keyboardPing, "host1: 10 01 8F 00 1A 09 00"},
      {"host2: 10 01 05 0A 00 00 00", "host2: 11 01 05 0A 03 01"},
      {mousePing, mouseAnswer}}},
    {"ReprogrammableControls",
     "default.json",
     {{"host1: 10 01 07 0A 00 00 00", "host1: 11 01 07 0A 04"},
      {"host1: 10 01 07 1A 01 00 00", "host1: 11 01 07 1A 00 D2 00 AF 60 02"},
      // Diverting echoes the request; persistent diversion is separate and 0x02 releases only the other.
      {"host1: 11 01 07 3A 00 D1 03", "host1: 11 01 07 3A 00 D1 03"},
      {"host1: 10 01 07 2A 00 D1 00", "host1: 11 01 07 2A 00 D1 01"},
      {"host1: 11 01 07 3A 00 D1 0C", "host1: 11 01 07 3A 00 D1 0C"},
      {"host1: 11 01 07 3A 00 D1 02", "host1: 11 01 07 3A 00 D1 02"},
      {"host1: 10 01 07 2A 00 D1 00", "host1: 11 01 07 2A 00 D1 04"},
      // 0x006E can be neither diverted nor persisted.
      {"host1: 11 01 07 3A 00 6E 03", "host1: 11 01 FF 07 3A 02"},
      {"host1: 11 01 07 3A 00 6E 0C", "host1: 11 01 FF 07 3A 02"},
      // A remap survives diversion until the control is remapped to itself.
      {"host1: 11 02 07 3A 00 53 00 00 C4", "host1: 11 02 07 3A 00 53 00 00 C4"},
      {"host1: 11 02 07 3A 00 53 03 00 00", "host1: 11 02 07 3A 00 53 03"},
      {"host1: 10 02 07 2A 00 53 00", "host1: 11 02 07 2A 00 53 01 00 C4"},
      {"host1: 11 02 07 3A 00 53 02 00 53", "host1: 11 02 07 3A 00 53 02 00 53"},
      {"host1: 10 02 07 2A 00 53 00", "host1: 11 02 07 2A 00 53"}}},
    {"SmartShiftAndWheel",
     "default.json",
     {{"host1: 10 02 08 0A 00 00 00", "host1: 11 02 08 0A 01 01 32"},
      {"host1: 10 02 08 1A 00 00 00", "host1: 11 02 08 1A 02 0A 32"},
      // A torque of 0 keeps the current one.
      {"host1: 10 02 08 2A 02 FF 00", "host1: 11 02 08 2A 02 FF 32"},
      {"host1: 10 02 09 2A 01 04 00", "host1: 11 02 09 2A 01 04"},
      {"host1: 10 02 09 1A 00 00 00", "host1: 11 02 09 1A 01 04"}}},
    {"ReceiverAnswersForEmptySlotsAndDevicesElsewhereOrAsleep",
     "default.json",
     {{"host1: 10 03 00 1A 00 00 AA", "host1: 10 03 8F 00 1A 08 00"},
      {"host2: 10 01 00 1A 00 00 AA", "host2: 10 01 8F 00 1A 09 00"},
      {"sleep mouse", mouseLeft},
      {"host1: 10 02 05 0A 00 00 00", "host1: 10 02 8F 05 0A 09 00"},
      {"wake mouse", "host1: 10 02 41 10 02 34 B0"},
      {mousePing, mouseAnswer}}},
    {"UnifyingReceiversAnnounceProtocolFourForAMouse",
     "two-host-mouse.json",
     {{"switch mouse 2", "host1: 10 01 41 04 42 5E 40 | host2: 10 01 41 04 02 5E 40"}}},
    {"OwnEasySwitchKeyMovesOnlyWhileNotDiverted",
     "default.json",
     {{"click keyboard 0xD3", "host1: " + keyboardLeft + " | host3: " + keyboardArrived},
      {"host3: 11 01 07 3A 00 D2 03", "host3: 11 01 07 3A 00 D2 03"},
      {"click keyboard 0xD2", "host3: 11 01 07 00 00 D2 | host3: 11 01 07"}}},
    {"MovingForgetsTemporaryDiversionButKeepsPersistentOne",
     "default.json",
     {{"host1: 11 01 07 3A 00 D1 03", "host1: 11 01 07 3A 00 D1 03"},
      {"host1: 11 01 07 3A 00 D3 0C", "host1: 11 01 07 3A 00 D3 0C"},
      {"switch keyboard 2", "host1: " + keyboardLeft + " | host2: " + keyboardArrived},
      {"host2: 10 01 07 2A 00 D1 00", "host2: 11 01 07 2A 00 D1"},
      {"press keyboard 0xD3", "host2: 11 01 07 00 00 D3"}}},
    // Events list at most four held diverted controls, in the order they were pressed.
    {"EventsListTheHeldDivertedControls",
     "default.json",
     {{"host1: 11 02 07 3A 00 52 03", "host1: 11 02 07 3A 00 52 03"},
      {"host1: 11 02 07 3A 00 53 03", "host1: 11 02 07 3A 00 53 03"},
      {"host1: 11 02 07 3A 00 56 03", "host1: 11 02 07 3A 00 56 03"},
      {"host1: 11 02 07 3A 00 C3 03", "host1: 11 02 07 3A 00 C3 03"},
      {"host1: 11 02 07 3A 00 C4 03", "host1: 11 02 07 3A 00 C4 03"},
      {"press mouse 0xC4", "host1: 11 02 07 00 00 C4"},
      {"press mouse 0x52", "host1: 11 02 07 00 00 C4 00 52"},
      {"press mouse 0x53", "host1: 11 02 07 00 00 C4 00 52 00 53"},
      {"press mouse 0x56", "host1: 11 02 07 00 00 C4 00 52 00 53 00 56"},
      {"press mouse 0xC3", "host1: 11 02 07 00 00 C4 00 52 00 53 00 56"},
      {"release mouse 0xC4", "host1: 11 02 07 00 00 52 00 53 00 56 00 C3"},
      // Releasing the diversion of a held control drops it without an event.
      {"host1: 11 02 07 3A 00 52 02", "host1: 11 02 07 3A 00 52 02"},
      {"release mouse 0x52", ""},
      {"click mouse 0x50", ""}}},
    {"InjectedFaultsHappenUntilCleared",
     "default.json",
     {{"host1: 11 02 07 3A 00 C4 03", "host1: 11 02 07 3A 00 C4 03"},
      {"fault silent-receiver host1 on", ""},
      {keyboardPing, ""},
      {"press mouse 0xC4", ""},
      {"fault clear", ""},
      // Response faults apply to the next answers in order.
      {"fault drop host1", ""},
      {"fault malformed host1", ""},
      {"fault oversized host1", ""},
      {keyboardPing, ""},
      {keyboardPing, "host1: 11 01 00 1A 04 05 AA (19 bytes)"},
      {keyboardPing, "host1: 11 01 00 1A 04 05 AA (65 bytes)"},
      {"fault error keyboard 0x1814 0x05", ""},
      {"fault silent-device mouse on", ""},
      {mousePing, ""},
      {"host1: 10 01 05 0A 00 00 00", "host1: 11 01 FF 05 0A 05"},
      {"fault clear", ""},
      {"host1: 10 01 05 0A 00 00 00", "host1: 11 01 05 0A 03"},
      {mousePing, mouseAnswer}}},
    {"ADelayedAnswerDoesNotHoldUpLaterOnes",
     "default.json",
     {{"fault delay host1 2000", ""}, {keyboardPing, ""}, {mousePing, mouseAnswer}, {"await host1", keyboardAnswer}}},
    {"BadCommandsAreRefusedWithAReason",
     "default.json",
     {{"jump", "error: unknown command \"jump\""},
      {"press keyboard", "error: usage: press DEVICE CID"},
      {"press toaster 0xD1", "error: no device named toaster"},
      {"latency -1", "error: the answer latency must be an integer from 0 through 10000, not \"-1\""}}},
};

INSTANTIATE_TEST_SUITE_P(Rigs, WorldScenarios, ::testing::ValuesIn(scenarios),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace flitbar::virtualhid::testing
