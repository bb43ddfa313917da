#include "panel/HostSymbol.h"
#include "panel/Spring.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>

namespace flitbar {
namespace {

TEST(HostSymbolTest, ChassisTypesOfPortableMachinesGiveTheLaptop) {
  const struct {
    std::optional<std::string> chassis;
    const char* symbol;
  } cases[] = {{"9\n", "computer-laptop"}, {"10", "computer-laptop"}, {"31", "computer-laptop"},
               {"32", "computer-laptop"},  {"3\n", "video-display"},  {"30", "video-display"},
               {"9a", "video-display"},    {"", "video-display"},     {std::nullopt, "video-display"}};
  for (const auto& c : cases)
    EXPECT_EQ(HostSymbol::forChassisType(c.chassis).name, c.symbol) << c.chassis.value_or("-");
}

TEST(HostSymbolTest, ReadsTheChassisTypeOrGuessesFromTheName) {
  testing::TemporaryDirectory dmi;
  EXPECT_EQ(HostSymbol::thisComputer(dmi.path()).name, "video-display");
  std::ofstream(dmi / "chassis_type") << "14\n";
  EXPECT_EQ(HostSymbol::thisComputer(dmi.path()).name, "computer-laptop");
  EXPECT_EQ(HostSymbol::other("Anna's MacBook Air").name, "computer-laptop");
  EXPECT_EQ(HostSymbol::other("Studio").name, "video-display");
}

TEST(SpringTest, EasesLikeACriticallyDampedSpring) {
  const Spring spring;
  const struct {
    double progress, value;
  } cases[] = {{-0.1, 0}, {0, 0}, {0.1, 0.197264}, {0.25, 0.605252}, {0.5, 0.914390}, {0.9, 0.994641}, {1, 1}};
  for (const auto& c : cases) EXPECT_NEAR(spring.value(c.progress), c.value, 1e-6) << c.progress;
}

}  // namespace
}  // namespace flitbar
