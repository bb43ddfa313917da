#include "config/Binding.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace flitbar
