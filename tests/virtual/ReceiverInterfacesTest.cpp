// A computer's receiver interfaces over the sockets the server makes of a world.
#include "WorldScript.h"

#include "platform/linux/SocketHidBackend.h"
#include "support/ErrorFrom.h"
#include "support/TemporaryDirectory.h"
#include "virtual/ControlClient.h"
#include "virtual/SocketServer.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <thread>

namespace flitbar::virtualhid::testing {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

const Bytes ping = hex("10 01 00 1A 00 00 AA");

// The default rig with a silent extra interface on host1's receiver.
std::shared_ptr<VirtualWorld> makeWorld() {
  auto rig = loadRig("default.json");
  rig.computers[0].extraInterfaces = 1;
  return std::make_shared<VirtualWorld>(rig);
}

class ReceiverInterfaces : public ::testing::Test {
 protected:
  ~ReceiverInterfaces() override {
    const std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(stopFd, &one, sizeof(one));
    serving.join();
    ::close(stopFd);
  }
  json command(const std::vector<std::string>& words) { return sendControlCommand(root / "control.sock", words); }
  std::unique_ptr<HidDevice> open(std::size_t which) { return backend.open(backend.vendorInterfaces().at(which)); }
  // Waits until the world counts `count` open interfaces on host1.
  bool clientsBecome(int count) {
    for (const auto deadline = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < deadline;
         std::this_thread::sleep_for(5ms))
      if (world->state()["computers"][0]["clients"] == count) return true;
    return false;
  }

  std::shared_ptr<VirtualWorld> world = makeWorld();
  flitbar::testing::TemporaryDirectory root;
  int stopFd = ::eventfd(0, EFD_CLOEXEC);
  SocketServer server{world, root.path(), root / "control.sock"};
  std::thread serving{[this] { server.run(stopFd); }};
  SocketHidBackend backend{root / "host1"};
};

TEST_F(ReceiverInterfaces, EveryOpenerOfTheReceiverHearsItsAnswersAndEventsTheExtraInterfaceNothing) {
  ASSERT_EQ(backend.vendorInterfaces().size(), 2u);
  auto silent = open(0);
  auto first = open(1);
  auto second = open(1);
  EXPECT_EQ(silent->write(ping), 0);
  EXPECT_EQ(first->write(ping), 0);
  for (auto* device : {first.get(), second.get()})
    EXPECT_EQ(device->read(5s), (HidRead{HidRead::Status::report, hex("11 01 00 1A 04 05 AA")}));
  EXPECT_EQ(command({"switch", "keyboard", "2"}), json({{"ok", true}}));
  EXPECT_EQ(first->read(5s).bytes, hex("10 01 41 10 41 78 B3"));
  EXPECT_EQ(silent->read(0ms).status, HidRead::Status::timedOut);
}

TEST_F(ReceiverInterfaces, RefusingOpenRefusesNewOpensOnlyAndClosedInterfacesAreDetached) {
  auto kept = open(1);
  EXPECT_EQ(command({"fault", "refuse-open", "host1", "on"}), json({{"ok", true}}));
  const auto refused = flitbar::testing::errorFrom([&] { open(1); });
  EXPECT_EQ(refused ? refused->kind() : HIDPPError::Kind::timeout, HIDPPError::Kind::openFailed);
  EXPECT_EQ(kept->write(ping), 0);
  EXPECT_EQ(kept->read(5s).status, HidRead::Status::report) << "an interface already open keeps working";
  command({"fault", "clear"});
  auto again = open(1);
  EXPECT_TRUE(clientsBecome(2));
  kept.reset();
  again.reset();
  EXPECT_TRUE(clientsBecome(0));
}

}  // namespace
}  // namespace flitbar::virtualhid::testing
