#include "config/ConfigStore.h"

#include <gtest/gtest.h>

#include <string>

namespace flitbar {
namespace {

using Kind = ConfigIssue::Kind;

ConfigLoad parseBindings(const std::string& entries) { return ConfigStore::parse(R"({"bindings": [)" + entries + "]}"); }

// The single issue of a one-entry document.
ConfigIssue onlyIssue(const std::string& entry) {
  const auto load = parseBindings(entry);
  EXPECT_TRUE(load.bindings.empty()) << entry;
  EXPECT_EQ(load.issues.size(), 1u) << entry;
  return load.issues.empty() ? ConfigIssue{} : load.issues.front();
}

TEST(ConfigStoreParse, ValidEntriesKeepTheirTextAsWritten) {
  const auto load = parseBindings(R"(
    {"device": 1, "cid": 196, "switchToHost": 2, "extra": [1, 2]},
    {"device": 2.0, "cid": 83, "command": "  say hi\n", "name": " Back ", "unitId": " aa:bb:0c:dd "})");
  ASSERT_TRUE(load.issues.empty()) << load.issues.front().description();
  EXPECT_FALSE(load.seeded);
  const std::vector<Binding> expected{
      {1, 196, std::nullopt, std::nullopt, 2, std::nullopt},
      {2, 83, "AA:BB:0C:DD", " Back ", std::nullopt, "  say hi\n"},
  };
  EXPECT_EQ(load.bindings, expected);
}

TEST(ConfigStoreParse, EmptyListAndTheStarterFileLoadCleanly) {
  EXPECT_EQ(ConfigStore::parse(R"({"bindings": []})"), ConfigLoad{});
  EXPECT_EQ(ConfigStore::parse(ConfigStore::seedData()), ConfigLoad{});
}

TEST(ConfigStoreParse, DocumentProblemsDropEverything) {
  const std::string shape = "top level must be an object containing a bindings array";
  for (const std::string document : {"[]", R"({"bindings": {}})", R"({"Bindings": []})", R"({"bindings": null})"}) {
    const auto load = ConfigStore::parse(document);
    EXPECT_EQ(load, (ConfigLoad{{}, {{Kind::invalidDocument, std::nullopt, shape}}, false})) << document;
  }
  for (const std::string& document : std::vector<std::string>{"", "{", R"({"bindings": [],})", "2", "\"text\"", "null", std::string("{\"bindings\": [\0]}", 16),
        "{\"bindings\": [], \"x\": \"\xff\xfe\"}", "// comment\n{\"bindings\": []}", "[1e400]"}) {
    const auto load = ConfigStore::parse(document);
    ASSERT_EQ(load.issues.size(), 1u) << document;
    EXPECT_EQ(load.issues[0].kind, Kind::invalidDocument);
    EXPECT_FALSE(load.issues[0].entry.has_value());
    EXPECT_EQ(load.issues[0].message.rfind("invalid JSON: ", 0), 0u) << load.issues[0].message;
    EXPECT_GT(load.issues[0].message.size(), std::string("invalid JSON: ").size());
    EXPECT_TRUE(load.bindings.empty());
  }
}

TEST(ConfigStoreParse, SizeLimitIsExactlyOneMebibyte) {
  std::string document = R"({"bindings": [{"device": 1, "cid": 5, "switchToHost": 1}]})";
  document.resize(ConfigStore::maximumBytes, ' ');
  const auto atLimit = ConfigStore::parse(document);
  EXPECT_TRUE(atLimit.issues.empty());
  EXPECT_EQ(atLimit.bindings.size(), 1u);

  document.push_back(' ');
  EXPECT_EQ(ConfigStore::parse(document).issues,
            (std::vector<ConfigIssue>{{Kind::invalidDocument, std::nullopt, "configuration exceeds the 1 MiB limit"}}));
}

TEST(ConfigStoreParse, DeepNestingIsAnOrdinaryDocument) {
  const std::size_t depth = ConfigStore::maximumBytes / 2 - 20;
  const auto nested = std::string(depth, '[') + std::string(depth, ']');
  const auto load = ConfigStore::parse(R"({"bindings": [)" + nested + "]}");
  EXPECT_EQ(load.issues, (std::vector<ConfigIssue>{{Kind::invalidEntry, 0, "entry must be an object"}}));
}

TEST(ConfigStoreParse, DeviceCidAndHostFollowTheIntegerRule) {
  const auto device = [](const std::string& value) {
    return onlyIssue(R"({"cid": 1, "switchToHost": 1, "device": )" + value + "}");
  };
  for (const auto* value : {"true", "false", "0", "7", "1.5", "\"1\"", "null", "-1", "[1]", "1e300", "-1e300"})
    EXPECT_EQ(device(value), (ConfigIssue{Kind::invalidDevice, 0, "device must be an integer from 1 through 6"}))
        << value;
  EXPECT_EQ(onlyIssue(R"({"device": 1, "switchToHost": 1})"),
            (ConfigIssue{Kind::invalidControl, 0, "cid must be an integer from 1 through 65535"}));
  for (const auto* value : {"0", "65536", "18446744073709551615", "-9223372036854775808", "3.25"})
    EXPECT_EQ(onlyIssue(std::string(R"({"device": 1, "switchToHost": 1, "cid": )") + value + "}").kind,
              Kind::invalidControl)
        << value;
  for (const auto* value : {"null", "0", "4", "9", "true", "\"2\"", "2.5"})
    EXPECT_EQ(onlyIssue(std::string(R"({"device": 1, "cid": 1, "switchToHost": )") + value + "}"),
              (ConfigIssue{Kind::invalidHost, 0, "switchToHost must be 1, 2, or 3"}))
        << value;

  const auto accepted = parseBindings(R"({"device": 1.0, "cid": 65535.0, "switchToHost": 3.0},
                                         {"device": 6, "cid": 1, "switchToHost": 1e0})");
  EXPECT_TRUE(accepted.issues.empty());
  ASSERT_EQ(accepted.bindings.size(), 2u);
  EXPECT_EQ(accepted.bindings[0].cid, 65535);
  EXPECT_EQ(accepted.bindings[1].switchToHost, 1);
}

TEST(ConfigStoreParse, ChecksRunInOrderAndTheFirstFailureWins) {
  EXPECT_EQ(onlyIssue("42"), (ConfigIssue{Kind::invalidEntry, 0, "entry must be an object"}));
  EXPECT_EQ(onlyIssue(R"({"device": 9, "cid": 0})").kind, Kind::invalidDevice);
  // The host is judged before the conflict with a command.
  EXPECT_EQ(onlyIssue(R"({"device": 1, "cid": 1, "switchToHost": 9, "command": "true"})").kind, Kind::invalidHost);
  EXPECT_EQ(onlyIssue(R"({"device": 1, "cid": 1, "switchToHost": 2, "command": "true"})"),
            (ConfigIssue{Kind::actionConflict, 0, "specify exactly one of switchToHost or command"}));
  EXPECT_EQ(onlyIssue(R"({"device": 1, "cid": 1, "switchToHost": 2, "command": ""})").kind, Kind::invalidEntry);
  EXPECT_EQ(onlyIssue(R"({"device": 1, "cid": 1, "name": "x"})"),
            (ConfigIssue{Kind::actionConflict, 0, "specify exactly one of switchToHost or command"}));
  EXPECT_EQ(onlyIssue(R"({"device": 1, "cid": 1, "command": "x", "name": " ", "unitId": "nope"})").message,
            "unitId must contain four hexadecimal bytes, such as AA:BB:CC:DD");
}

TEST(ConfigStoreParse, CommandsAndNamesMustHoldText) {
  const std::string commandMessage = "command must be a non-empty string without NUL bytes";
  for (const auto* command : {R"("")", R"("   \n\t")", R"("\u00a0\u3000")", R"("echo \u0000 hi")", "42", "null", "[]"})
    EXPECT_EQ(onlyIssue(std::string(R"({"device": 1, "cid": 1, "command": )") + command + "}"),
              (ConfigIssue{Kind::invalidEntry, 0, commandMessage}))
        << command;
  for (const auto* name : {R"("")", R"(" \n")", "7", "null"})
    EXPECT_EQ(onlyIssue(std::string(R"({"device": 1, "cid": 1, "switchToHost": 1, "name": )") + name + "}"),
              (ConfigIssue{Kind::invalidEntry, 0, "name must be a non-empty string"}))
        << name;
}

TEST(ConfigStoreParse, UnitIdsNormaliseOrAreRefused) {
  EXPECT_EQ(ConfigStore::normalizedUnitID(" aa:bb:0c:dd \n"), "AA:BB:0C:DD");
  EXPECT_EQ(ConfigStore::normalizedUnitID("01:23:45:6f"), "01:23:45:6F");
  for (const auto* text : {"AABBCCDD", "A:BB:CC:DD", "AA:BB:CC:DD:EE", "AA:BB:CC:", "AA:BB::CC:DD", "GG:BB:CC:DD",
                           "AA:BB:CC:D\xC3\xA9", "", ":::", "AA :BB:CC:DD", "+1:BB:CC:DD"})
    EXPECT_EQ(ConfigStore::normalizedUnitID(text), std::nullopt) << text;
  EXPECT_EQ(onlyIssue(R"({"device": 1, "cid": 1, "switchToHost": 1, "unitId": 17})").kind, Kind::invalidEntry);
}

TEST(ConfigStoreParse, DuplicateMappingsByDeviceOrUnitId) {
  const auto byDevice = parseBindings(R"({"device": 1, "cid": 196, "switchToHost": 2},
                                         {"device": 1, "cid": 196, "command": "true"})");
  EXPECT_EQ(byDevice.bindings.size(), 1u);
  ASSERT_EQ(byDevice.issues.size(), 1u);
  EXPECT_EQ(byDevice.issues[0].description(), "binding 2: device 1, cid 196 is already mapped");
  EXPECT_EQ(byDevice.issues[0].kind, Kind::duplicateMapping);

  const auto byUnit = parseBindings(R"({"device": 1, "cid": 196, "switchToHost": 2, "unitId": "aa:bb:cc:dd"},
                                       {"device": 3, "cid": 196, "switchToHost": 1, "unitId": "AA:BB:CC:DD"},
                                       {"device": 1, "cid": 196, "switchToHost": 3},
                                       {"device": 1, "cid": 197, "switchToHost": 3, "unitId": "AA:BB:CC:DD"})");
  EXPECT_EQ(byUnit.bindings.size(), 3u);
  EXPECT_EQ(byUnit.issues, (std::vector<ConfigIssue>{
                               {Kind::duplicateMapping, 1, "unitId AA:BB:CC:DD, cid 196 is already mapped"}}));
}

TEST(ConfigStoreParse, BadEntriesNeverHideTheGoodOnes) {
  const auto load = parseBindings(R"(
    {"device": 1, "cid": 1, "switchToHost": 1},
    "text", null, [], {},
    {"device": true, "cid": 2, "command": "x"},
    {"device": 2, "cid": 2, "command": "ok"})");
  EXPECT_EQ(load.bindings.size(), 2u);
  std::vector<std::int64_t> entries;
  for (const auto& issue : load.issues) entries.push_back(*issue.entry);
  EXPECT_EQ(entries, (std::vector<std::int64_t>{1, 2, 3, 4, 5}));
}

}  // namespace
}  // namespace flitbar
