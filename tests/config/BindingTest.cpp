#include "config/Binding.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace flitbar {
namespace {

TEST(Binding, DisplayNamePrefersTheNameThenTheControlTable) {
  const std::map<std::uint16_t, std::string> names{{0xC4, "top button"}};
  Binding binding{2, 0xC4, std::nullopt, std::nullopt, 1, std::nullopt};
  EXPECT_EQ(binding.displayName(names), "device 2, top button");
  binding.cid = 197;
  EXPECT_EQ(binding.displayName(names), "device 2, control 197");
  binding.name = "";
  EXPECT_EQ(binding.displayName(names), "");
}

TEST(Binding, EncodesInFieldOrderAndDecodesBack) {
  const std::vector<std::pair<Binding, std::string>> cases{
      {{3, 0x53, "AA:BB:CC:DD", "Back", std::nullopt, "echo back"},
       R"({"device":3,"cid":83,"unitId":"AA:BB:CC:DD","name":"Back","command":"echo back"})"},
      {{1, 2, std::nullopt, std::nullopt, 3, std::nullopt}, R"({"device":1,"cid":2,"switchToHost":3})"},
  };
  for (const auto& [binding, text] : cases) {
    EXPECT_EQ(binding.encoded().dump(), text);
    EXPECT_EQ(Binding::decoded(nlohmann::json::parse(text)), binding);
  }
  for (const auto* text : {R"({"cid": 2})", R"({"device": 1})", R"({"device": 256, "cid": 2})",
                           R"({"device": 1, "cid": 70000})", R"({"device": 1, "cid": 2, "name": 5})", "[]"})
    EXPECT_THROW(Binding::decoded(nlohmann::json::parse(text)), std::invalid_argument) << text;
}

}  // namespace
}  // namespace flitbar
