// What the world announces as devices move, sleep and have their controls pressed.
#include "WorldScript.h"

namespace flitbar::virtualhid::testing {
namespace {

class WorldEvents : public ScenarioTest {};

TEST_P(WorldEvents, Play) { play(); }

// Keyboard of the default rig: Bolt receivers, keyboard type 1, wireless product id 0xB378.
const std::string keyboardLeft = "10 01 41 10 41 78 B3";
const std::string keyboardArrived = "10 01 41 10 01 78 B3";
const std::string keyboardPing = "10 01 00 1A 00 00 AA";
const std::string keyboardAnswer = "11 01 00 1A 04 05 AA";

const std::vector<Scenario> scenarios{
    {"SetCurrentHostMovesWithoutAnAnswer",
     "default.json",
     {{"host1: 10 01 05 1A 01 00 00", "host1: " + keyboardLeft + " | host2: " + keyboardArrived},
      {"host1: " + keyboardPing, "host1: 10 01 8F 00 1A 09 00"},
      {"host2: " + keyboardPing, "host2: " + keyboardAnswer},
      {"host2: 10 01 05 0A 00 00 00", "host2: 11 01 05 0A 03 01"},
      {"host2: 10 01 06 0A 00 00 00", "host2: 11 01 06 0A 01 00 03 01"},
      {"host1: 10 02 00 1A 00 00 AA", "host1: 11 02 00 1A 04 05 AA"}}},
    {"UnifyingReceiversAnnounceProtocolFourForAMouse",
     "two-host-mouse.json",
     {{"switch mouse 2", "host1: 10 01 41 04 42 5E 40 | host2: 10 01 41 04 02 5E 40"},
      {"switch mouse 1", "host1: 10 01 41 04 02 5E 40 | host2: 10 01 41 04 42 5E 40"}}},
    {"OwnEasySwitchKeyMovesOnlyWhileNotDiverted",
     "default.json",
     {{"click keyboard 0xD3", "host1: " + keyboardLeft + " | host3: " + keyboardArrived},
      {"host3: 11 01 07 3A 00 D2 03", "host3: 11 01 07 3A 00 D2 03"},
      {"click keyboard 0xD2", "host3: 11 01 07 00 00 D2 | host3: 11 01 07"},
      {"host3: " + keyboardPing, "host3: " + keyboardAnswer}}},
    {"MovingForgetsTemporaryDiversionButKeepsPersistentOne",
     "default.json",
     {{"host1: 11 01 07 3A 00 D1 03", "host1: 11 01 07 3A 00 D1 03"},
      {"host1: 11 01 07 3A 00 D3 0C", "host1: 11 01 07 3A 00 D3 0C"},
      {"switch keyboard 2", "host1: " + keyboardLeft + " | host2: " + keyboardArrived},
      {"host2: 10 01 07 2A 00 D1 00", "host2: 11 01 07 2A 00 D1"},
      {"host2: 10 01 07 2A 00 D3 00", "host2: 11 01 07 2A 00 D3 04"},
      {"press keyboard 0xD3", "host2: 11 01 07 00 00 D3"}}},
    // 0 root, 1 feature set, 2 name, 3 change host, 4 hosts info, 5 reprogrammable controls.
    {"ARemappedKeyActsAsItsTarget",
     R"({"computers": [{"id": "a"}, {"id": "b"}],
         "devices": [{"id": "k", "slot": 1, "name": "K", "hosts": ["a", "b"],
                      "controls": [{"cid": 210, "flags": 48}, {"cid": 110, "flags": 48}]}]})",
     {{"a: 11 01 05 3A 00 6E 00 00 D2", "a: 11 01 05 3A 00 6E 00 00 D2"},
      {"press k 0x6E", "a: 10 01 41 10 41 01 40 | b: 10 01 41 10 01 01 40"}}},
    {"ChannelsOutsideTheWorldTakeTheDeviceAway",
     R"({"computers": [{"id": "a"}],
         "devices": [{"id": "m", "slot": 2, "name": "M", "kind": "mouse", "hosts": ["a", null]}]})",
     {{"switch m 2", "a: 10 02 41 10 42 02 40"},
      {"a: 10 02 00 1A 00 00 AA", "a: 10 02 8F 00 1A 09 00"},
      {"switch m 1", "a: 10 02 41 10 02 02 40"}}},
    {"SleepingDevicesComeBackOnTheSameReceiver",
     "default.json",
     {{"sleep keyboard", "host1: " + keyboardLeft},
      {"press keyboard 0xD2", "error: device keyboard is asleep; wake it first"},
      {"wake keyboard", "host1: " + keyboardArrived},
      {"host1: " + keyboardPing, "host1: " + keyboardAnswer}}},
    {"NoticesFollowTheConfiguredDelays",
     "default.json",
     {{"timing departure 2000", ""},
      {"timing arrival 3000", ""},
      {"switch mouse 2", ""},
      {"await host1", "host1: 10 02 41 10 42 34 B0"},
      {"await host2", "host2: 10 02 41 10 02 34 B0"}}},
    {"MovingAgainBeforeArrivingCancelsTheFirstArrival",
     "default.json",
     {{"timing arrival 2000", ""},
      {"switch mouse 2", "host1: 10 02 41 10 42 34 B0"},
      {"switch mouse 3", ""},
      {"await host3", "host3: 10 02 41 10 02 34 B0"},
      {"host3: 10 02 00 1A 00 00 AA", "host3: 11 02 00 1A 04 05 AA"}}},
    {"EventsListTheHeldDivertedControls",
     "default.json",
     {{"host1: 11 02 07 3A 00 C3 03", "host1: 11 02 07 3A 00 C3 03"},
      {"host1: 11 02 07 3A 00 C4 03", "host1: 11 02 07 3A 00 C4 03"},
      {"press mouse 0xC4", "host1: 11 02 07 00 00 C4"},
      {"press mouse 0xC4", ""},
      {"press mouse 0xC3", "host1: 11 02 07 00 00 C4 00 C3"},
      {"release mouse 0xC4", "host1: 11 02 07 00 00 C3"},
      {"release mouse 0xC3", "host1: 11 02 07"},
      {"click mouse 0x52", ""},
      {"press mouse 0xD1", "error: device mouse has no control 0x00D1"}}},
    {"AtMostFourHeldControlsAreListed",
     "default.json",
     {{"host1: 11 02 07 3A 00 52 03", "host1: 11 02 07 3A 00 52 03"},
      {"host1: 11 02 07 3A 00 53 03", "host1: 11 02 07 3A 00 53 03"},
      {"host1: 11 02 07 3A 00 56 03", "host1: 11 02 07 3A 00 56 03"},
      {"host1: 11 02 07 3A 00 C3 03", "host1: 11 02 07 3A 00 C3 03"},
      {"host1: 11 02 07 3A 00 C4 03", "host1: 11 02 07 3A 00 C4 03"},
      {"press mouse 0x52", "host1: 11 02 07 00 00 52"},
      {"press mouse 0x53", "host1: 11 02 07 00 00 52 00 53"},
      {"press mouse 0x56", "host1: 11 02 07 00 00 52 00 53 00 56"},
      {"press mouse 0xC3", "host1: 11 02 07 00 00 52 00 53 00 56 00 C3"},
      {"press mouse 0xC4", "host1: 11 02 07 00 00 52 00 53 00 56 00 C3"},
      {"release mouse 0x52", "host1: 11 02 07 00 00 53 00 56 00 C3 00 C4"}}},
    {"ReleasingDiversionWhileHeldDropsTheControl",
     "default.json",
     {{"host1: 11 02 07 3A 00 C3 03", "host1: 11 02 07 3A 00 C3 03"},
      {"host1: 11 02 07 3A 00 C4 03", "host1: 11 02 07 3A 00 C4 03"},
      {"press mouse 0xC3", "host1: 11 02 07 00 00 C3"},
      {"press mouse 0xC4", "host1: 11 02 07 00 00 C3 00 C4"},
      {"host1: 11 02 07 3A 00 C3 02", "host1: 11 02 07 3A 00 C3 02"},
      {"release mouse 0xC3", ""},
      {"release mouse 0xC4", "host1: 11 02 07"}}},
    {"EventsGoToTheCurrentHostOnly",
     "default.json",
     {{"switch mouse 2", "host1: 10 02 41 10 42 34 B0 | host2: 10 02 41 10 02 34 B0"},
      {"host2: 11 02 07 3A 00 C4 03", "host2: 11 02 07 3A 00 C4 03"},
      {"press mouse 0xC4", "host2: 11 02 07 00 00 C4"}}},
};

INSTANTIATE_TEST_SUITE_P(Rigs, WorldEvents, ::testing::ValuesIn(scenarios), scenarioName);

}  // namespace
}  // namespace flitbar::virtualhid::testing
