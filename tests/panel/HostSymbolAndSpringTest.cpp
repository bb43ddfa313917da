#include "panel/HostSymbol.h"
#include "panel/Spring.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>

namespace flitbar {
namespace {

TEST(HostSymbolTest, PortableChassisTypesAndLaptopNamesGiveTheLaptop) {
  testing::TemporaryDirectory dmi;
  EXPECT_EQ(HostSymbol::thisComputer(dmi.path()).name, "video-display") << "no chassis type";
  std::ofstream(dmi / "chassis_type") << "14\n";
  EXPECT_EQ(HostSymbol::thisComputer(dmi.path()).name, "computer-laptop");
  for (const char* portable : {"8", "9", "10", "31", "32"})
    EXPECT_EQ(HostSymbol::forChassisType(portable).name, "computer-laptop") << portable;
  for (const char* other : {"3", "30", "9a", ""})
    EXPECT_EQ(HostSymbol::forChassisType(other).name, "video-display") << other;
  EXPECT_EQ(HostSymbol::other("Anna's MacBook Air").name, "computer-laptop");
  EXPECT_EQ(HostSymbol::other("Studio").name, "video-display");
}

TEST(SpringTest, EasesLikeACriticallyDampedSpring) {
  const Spring spring;
  const struct { double progress, value; } cases[] = {{-0.1, 0}, {0.25, 0.605252}, {0.5, 0.914390}, {1, 1}};
  for (const auto& c : cases) EXPECT_NEAR(spring.value(c.progress), c.value, 1e-6) << c.progress;
}

}  // namespace
}  // namespace flitbar
