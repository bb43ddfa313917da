// Both ways a program reaches one computer's receiver interfaces: in-process, and over the sockets
// the server makes of a world. Then what only the server has: its control socket and its files.
#include "WorldScript.h"

#include "platform/linux/SocketHidBackend.h"
#include "support/ErrorFrom.h"
#include "support/TemporaryDirectory.h"
#include "virtual/ControlClient.h"
#include "virtual/InProcessHidBackend.h"
#include "virtual/SocketServer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <thread>

namespace flitbar::virtualhid::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using flitbar::testing::TemporaryDirectory;
using nlohmann::json;

const Bytes ping = hex("10 01 00 1A 00 00 AA");

// The default rig with a silent extra interface on host1's receiver.
std::shared_ptr<VirtualWorld> makeWorld() {
  auto rig = loadRig("default.json");
  rig.computers[0].extraInterfaces = 1;
  return std::make_shared<VirtualWorld>(rig);
}

struct InProcessWorld {
  json command(const std::vector<std::string>& words) { return ControlCommands(*world).run(words); }

  std::shared_ptr<VirtualWorld> world = makeWorld();
  InProcessHidBackend backend{world, "host1"};
};

struct ServedWorld {
  ~ServedWorld() {
    const std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(stopFd, &one, sizeof(one));
    serving.join();
    ::close(stopFd);
  }
  json command(const std::vector<std::string>& words) { return sendControlCommand(root / "control.sock", words); }

  std::shared_ptr<VirtualWorld> world = makeWorld();
  TemporaryDirectory root;
  int stopFd = ::eventfd(0, EFD_CLOEXEC);
  SocketServer server{world, root.path(), root / "control.sock"};
  std::thread serving{[this] { server.run(stopFd); }};
  SocketHidBackend backend{root / "host1"};
};

template <typename End>
class ReceiverInterfaces : public ::testing::Test {
 protected:
  std::unique_ptr<HidDevice> open(std::size_t which) {
    return end.backend.open(end.backend.vendorInterfaces().at(which));
  }
  // Waits until the world counts `count` open interfaces on host1.
  bool clientsBecome(int count) {
    for (const auto deadline = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < deadline;
         std::this_thread::sleep_for(5ms))
      if (end.world->state()["computers"][0]["clients"] == count) return true;
    return false;
  }
  End end;
};

using Ends = ::testing::Types<InProcessWorld, ServedWorld>;
TYPED_TEST_SUITE(ReceiverInterfaces, Ends);

TYPED_TEST(ReceiverInterfaces, EveryOpenerOfTheReceiverHearsItsAnswersAndEventsTheExtraInterfaceNothing) {
  ASSERT_EQ(this->end.backend.vendorInterfaces().size(), 2u);
  auto silent = this->open(0);
  auto first = this->open(1);
  auto second = this->open(1);
  EXPECT_EQ(silent->write(ping), 0);
  EXPECT_EQ(first->write(ping), 0);
  for (auto* device : {first.get(), second.get()})
    EXPECT_EQ(device->read(5s), (HidRead{HidRead::Status::report, hex("11 01 00 1A 04 05 AA")}));
  EXPECT_EQ(this->end.command({"switch", "keyboard", "2"}), json({{"ok", true}}));
  EXPECT_EQ(first->read(5s).bytes, hex("10 01 41 10 41 78 B3"));
  EXPECT_EQ(silent->read(0ms).status, HidRead::Status::timedOut);
}

TYPED_TEST(ReceiverInterfaces, RefusingOpenRefusesNewOpensOnlyAndClosedInterfacesAreDetached) {
  auto kept = this->open(1);
  EXPECT_EQ(this->end.command({"fault", "refuse-open", "host1", "on"}), json({{"ok", true}}));
  const auto refused = flitbar::testing::errorFrom([&] { this->open(1); });
  EXPECT_EQ(refused ? refused->kind() : HIDPPError::Kind::timeout, HIDPPError::Kind::openFailed);
  EXPECT_EQ(kept->write(ping), 0);
  EXPECT_EQ(kept->read(5s).status, HidRead::Status::report) << "an interface already open keeps working";
  this->end.command({"fault", "clear"});
  auto again = this->open(1);
  EXPECT_TRUE(this->clientsBecome(2));
  kept.reset();
  again.reset();
  EXPECT_TRUE(this->clientsBecome(0));
}

TEST(SocketServerTest, MalformedControlRequestsAreAnsweredWithTheReason) {
  ServedWorld served;
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, (served.root / "control.sock").c_str(), sizeof(address.sun_path) - 1);
  ASSERT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
  ::send(fd, "press mouse", 11, 0);
  pollfd polled{fd, POLLIN, 0};
  ASSERT_EQ(::poll(&polled, 1, 10000), 1);
  char reply[256]{};
  ::recv(fd, reply, sizeof(reply) - 1, 0);
  EXPECT_EQ(json::parse(reply), json({{"ok", false}, {"error", "a control request is a JSON array of strings"}}));
  ::close(fd);
}

TEST(SocketServerTest, RefusesToReplaceSomethingThatIsNotASocket) {
  TemporaryDirectory root;
  fs::create_directories(root / "host1");
  flitbar::testing::writeFile(root / "host1" / "receiver.hid", "not a socket");
  try {
    SocketServer server(makeWorld(), root.path(), root / "control.sock");
    ADD_FAILURE() << "replaced a regular file";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), (root / "host1" / "receiver.hid").string() + " exists and is not a socket");
  }
  EXPECT_EQ(flitbar::testing::readFile(root / "host1" / "receiver.hid"), "not a socket");
}

}  // namespace
}  // namespace flitbar::virtualhid::testing
