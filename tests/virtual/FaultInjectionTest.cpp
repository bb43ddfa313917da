// Faults injected into a world: silence, lost, late, malformed and oversized answers, error frames.
#include "WorldScript.h"

namespace flitbar::virtualhid::testing {
namespace {

class FaultInjection : public ScenarioTest {};

TEST_P(FaultInjection, Play) { play(); }

const std::string keyboardPing = "host1: 10 01 00 1A 00 00 AA";
const std::string keyboardAnswer = "host1: 11 01 00 1A 04 05 AA";
const std::string mousePing = "host1: 10 02 00 1A 00 00 BB";
const std::string mouseAnswer = "host1: 11 02 00 1A 04 05 BB";
const std::string receiverPing = "host1: 10 05 00 1A 00 00 AA";

const std::vector<Scenario> scenarios{
    {"SilentDeviceWhileOthersStillAnswer",
     "default.json",
     {{"fault silent-device keyboard on", ""},
      {keyboardPing, ""},
      {mousePing, mouseAnswer},
      {"fault silent-device keyboard off", ""},
      {keyboardPing, keyboardAnswer}}},
    {"SilentReceiverSendsNeitherAnswersNorErrorsNorEvents",
     "default.json",
     {{"host1: 11 02 07 3A 00 C4 03", "host1: 11 02 07 3A 00 C4 03"},
      {"fault silent-receiver host1 on", ""},
      {keyboardPing, ""},
      {receiverPing, ""},
      {"press mouse 0xC4", ""},
      {"host2: 10 01 00 1A 00 00 AA", "host2: 10 01 8F 00 1A 09 00"}}},
    {"ResponseFaultsApplyToTheNextAnswersInOrder",
     "default.json",
     {{"fault drop host1", ""},
      {"fault malformed host1", ""},
      {"fault oversized host1 2", ""},
      {keyboardPing, ""},
      {keyboardPing, "host1: 11 01 00 1A 04 05 AA (19 bytes)"},
      {keyboardPing, "host1: 11 01 00 1A 04 05 AA (65 bytes)"},
      {receiverPing, "host1: 10 05 8F 00 1A 08 (65 bytes)"},
      {keyboardPing, keyboardAnswer}}},
    {"ADelayedAnswerDoesNotHoldUpLaterOnes",
     "default.json",
     {{"fault delay host1 2000", ""}, {keyboardPing, ""}, {mousePing, mouseAnswer}, {"await host1", keyboardAnswer}}},
    {"LatencyForDeviceAnswersAndReceiverErrorsSeparately",
     "default.json",
     {{"latency 2000 0", ""},
      {receiverPing, "host1: 10 05 8F 00 1A 08 00"},
      {keyboardPing, ""},
      {"await host1", keyboardAnswer},
      {"latency 0 2000", ""},
      {keyboardPing, keyboardAnswer},
      {receiverPing, ""},
      {"await host1", "host1: 10 05 8F 00 1A 08 00"}}},
    {"FeatureErrorsAnswerEveryRequestToThatFeature",
     "default.json",
     {{"fault error keyboard 0x1814 0x05", ""},
      {"host1: 10 01 05 0A 00 00 00", "host1: 11 01 FF 05 0A 05"},
      {"host1: 10 01 05 1A 01 00 00", "host1: 11 01 FF 05 1A 05"},
      {keyboardPing, keyboardAnswer},
      {"fault error keyboard 0x1814 off", ""},
      {"host1: 10 01 05 0A 00 00 00", "host1: 11 01 05 0A 03"},
      {"fault error keyboard 0x2121 5", "error: device keyboard has no feature 0x2121"}}},
    {"ClearRemovesEveryFault",
     "default.json",
     {{"fault silent-device mouse on", ""},
      {"fault error keyboard 0x0000 0x09", ""},
      {"fault drop host1 5", ""},
      {"fault clear", ""},
      {keyboardPing, keyboardAnswer},
      {mousePing, mouseAnswer}}},
    {"InjectedReportsReachTheClientsUnchanged",
     "default.json",
     {{"inject host2 10 01 41 10 41 78 B3", "host2: 10 01 41 10 41 78 B3"},
      {"inject host2 11 01", "host2: 11 01 (2 bytes)"}}},
};

INSTANTIATE_TEST_SUITE_P(DefaultRig, FaultInjection, ::testing::ValuesIn(scenarios), scenarioName);

}  // namespace
}  // namespace flitbar::virtualhid::testing
