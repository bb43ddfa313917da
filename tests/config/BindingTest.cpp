#include "config/Binding.h"
#include "config/ConfigIssue.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace flitbar {
namespace {

TEST(Binding, DisplayNamePrefersTheNameThenTheControlTable) {
  const std::map<std::uint16_t, std::string> names{{0xC4, "top button"}};
  Binding binding{2, 0xC4, std::nullopt, std::nullopt, 1, std::nullopt};
  EXPECT_EQ(binding.displayName(names), "device 2, top button");
  binding.cid = 196 + 1;
  EXPECT_EQ(binding.displayName(names), "device 2, control 197");
  binding.name = "";
  EXPECT_EQ(binding.displayName(names), "");
}

TEST(Binding, EncodesInFieldOrderAndDecodesBack) {
  const Binding full{3, 0x53, "AA:BB:CC:DD", "Back", std::nullopt, "echo back"};
  EXPECT_EQ(full.encoded().dump(),
            R"({"device":3,"cid":83,"unitId":"AA:BB:CC:DD","name":"Back","command":"echo back"})");
  EXPECT_EQ(Binding::decoded(nlohmann::json::parse(full.encoded().dump())), full);

  const Binding minimal{1, 2, std::nullopt, std::nullopt, 3, std::nullopt};
  EXPECT_EQ(minimal.encoded().dump(), R"({"device":1,"cid":2,"switchToHost":3})");
  EXPECT_EQ(Binding::decoded(nlohmann::json::parse(minimal.encoded().dump())), minimal);

  for (const auto* text : {R"({"cid": 2})", R"({"device": 1})", R"({"device": 256, "cid": 2})",
                           R"({"device": -1, "cid": 2})", R"({"device": 1, "cid": 70000})",
                           R"({"device": 1, "cid": 2, "name": 5})", R"({"device": 1.5, "cid": 2})", "[]"})
    EXPECT_THROW(Binding::decoded(nlohmann::json::parse(text)), std::invalid_argument) << text;
}

TEST(ConfigIssue, DescribesEntriesOneBased) {
  EXPECT_EQ((ConfigIssue{ConfigIssue::Kind::invalidEntry, 0, "entry must be an object"}).description(),
            "binding 1: entry must be an object");
  EXPECT_EQ((ConfigIssue{ConfigIssue::Kind::invalidHost, 2, "m"}).description(), "binding 3: m");
  EXPECT_EQ((ConfigIssue{ConfigIssue::Kind::missing, std::nullopt, "gone"}).description(), "gone");
  EXPECT_EQ(ConfigIssue::kindName(ConfigIssue::Kind::duplicateMapping), "duplicateMapping");
  EXPECT_EQ(ConfigIssue::kindName(ConfigIssue::Kind::actionConflict), "actionConflict");
}

}  // namespace
}  // namespace flitbar
