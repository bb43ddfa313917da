#include "receiver/VirtualReceiverTestSupport.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using testing::computers;
using testing::makeWorld;
using testing::openVirtual;

// The change-host lookup of slot 1 times out and its answer comes in during the name lookup. Taken
// for the name feature's index, it would turn the name read into a set-current-host write.
TEST(ReceiverOnVirtualDevices, ALateAnswerIsNotTakenForALaterRequest) {
  const auto world = makeWorld({{"computers", computers(2)},
                                {"devices",
                                 {{{"id", "keyboard"},
                                   {"slot", 1},
                                   {"name", "MX Keys S for Business and Travel"},
                                   {"hosts", {"host2", "host1"}},
                                   {"currentHost", 2}}}}});
  world->holdNextAnswer("host1", 2);  // past the probe, into the name lookup
  const auto opened = openVirtual(world, "host1");
  ASSERT_EQ(opened.devices.size(), 1u);
  EXPECT_EQ(opened.devices[0].name, "MX Keys S for Business and Travel");
  EXPECT_EQ(world->state()["devices"][0]["host"], 2) << "a read-only listing moved the keyboard";
  opened.session->stop();
}

}  // namespace
}  // namespace flitbar
