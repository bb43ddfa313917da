// The socket server, in-process: one seqpacket socket per receiver, the control socket, cleaning up.
#include "WorldProbe.h"

#include "support/TemporaryDirectory.h"
#include "virtual/ControlClient.h"
#include "virtual/SocketServer.h"

#include <gtest/gtest.h>

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
using nlohmann::json;

int connectTo(const fs::path& path) {
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Sends `request` (if any) and returns the next packet.
Bytes exchange(int fd, const std::string& request) {
  if (!request.empty()) ::send(fd, request.data(), request.size(), 0);
  pollfd polled{fd, POLLIN, 0};
  if (::poll(&polled, 1, 10000) != 1) return {};
  Bytes packet(128);
  const auto size = ::recv(fd, packet.data(), packet.size(), 0);
  packet.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
  return packet;
}

const std::string ping{0x10, 0x01, 0x00, 0x1A, 0x00, 0x00, static_cast<char>(0xAA)};
const Bytes answer = longReport({0x11, 0x01, 0x00, 0x1A, 0x04, 0x05, 0xAA});

class SocketServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server = std::make_unique<SocketServer>(world, root.path(), SocketServer::defaultControlPath(root.path()));
    serving = std::thread([this] { server->run(stopFd); });
  }

  void stop() {
    if (!serving.joinable()) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(stopFd, &one, sizeof(one));
    serving.join();
    server.reset();
  }

  void TearDown() override {
    stop();
    ::close(stopFd);
  }

  // Waits until the world counts `count` clients on host1.
  bool clientsBecome(int count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (world->state()["computers"][0]["clients"] != count)
      if (std::chrono::steady_clock::now() > deadline)
        return false;
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return true;
  }

  flitbar::testing::TemporaryDirectory root;
  fs::path control = root / "control.sock";
  std::shared_ptr<VirtualWorld> world =
      std::make_shared<VirtualWorld>(withoutDelays(VirtualRig::load(rigPath("default.json"))));
  int stopFd = ::eventfd(0, EFD_CLOEXEC);
  std::unique_ptr<SocketServer> server;
  std::thread serving;
};

TEST_F(SocketServerTest, EachReceiverAnswersOnItsOwnSocketAndHearsWorldEvents) {
  const int host1 = connectTo(root / "host1" / "receiver.hid");
  const int host2 = connectTo(root / "host2" / "receiver.hid");
  ASSERT_GE(host1, 0);
  ASSERT_GE(host2, 0);
  EXPECT_EQ(exchange(host1, ping), answer);
  EXPECT_EQ(exchange(host2, ping), (Bytes{0x10, 0x01, 0x8F, 0x00, 0x1A, 0x09, 0x00}));
  EXPECT_EQ(sendControlCommand(control, {"switch", "keyboard", "2"}), json({{"ok", true}}));
  EXPECT_EQ(exchange(host1, ""), (Bytes{0x10, 0x01, 0x41, 0x10, 0x41, 0x78, 0xB3}));
  EXPECT_EQ(exchange(host2, ""), (Bytes{0x10, 0x01, 0x41, 0x10, 0x01, 0x78, 0xB3}));
  ::close(host1);
  ::close(host2);
}

TEST_F(SocketServerTest, ControlSocketAnswersEveryRequestWithJson) {
  EXPECT_EQ(sendControlCommand(control, {"state"})["state"]["devices"].size(), 2u);
  EXPECT_EQ(sendControlCommand(control, {"press", "mouse", "0x99"}),
            json({{"ok", false}, {"error", "device mouse has no control 0x0099"}}));
  const int raw = connectTo(control);
  ASSERT_GE(raw, 0);
  const auto reply = exchange(raw, "press mouse");
  EXPECT_EQ(json::parse(reply.begin(), reply.end()),
            json({{"ok", false}, {"error", "a control request is a JSON array of strings"}}));
  ::close(raw);
}

TEST_F(SocketServerTest, ClientsThatGoAwayAreDetachedAndStoppingRemovesTheSockets) {
  const int client = connectTo(root / "host1" / "receiver.hid");
  ASSERT_GE(client, 0);
  EXPECT_TRUE(clientsBecome(1));
  ::close(client);
  EXPECT_TRUE(clientsBecome(0));
  stop();
  EXPECT_FALSE(fs::exists(root / "host1"));
  EXPECT_FALSE(fs::exists(control));
}

TEST_F(SocketServerTest, RefusingOpenRefusesNewConnectionsOnly) {
  const auto path = root / "host1" / "receiver.hid";
  const int open = connectTo(path);
  ASSERT_GE(open, 0);
  EXPECT_EQ(sendControlCommand(control, {"fault", "refuse-open", "host1", "on"}), json({{"ok", true}}));
  errno = 0;
  EXPECT_EQ(connectTo(path), -1);
  EXPECT_EQ(errno, ECONNREFUSED);
  EXPECT_EQ(exchange(open, ping), answer);
  sendControlCommand(control, {"fault", "clear"});
  const int again = connectTo(path);
  EXPECT_GE(again, 0);
  ::close(again);
  ::close(open);
}

TEST(SocketServerSetupTest, ExtraInterfacesAreSilentSocketsBesideTheReceiver) {
  flitbar::testing::TemporaryDirectory root;
  auto rig = withoutDelays(VirtualRig::load(rigPath("default.json")));
  rig.computers[1].extraInterfaces = 1;
  SocketServer server(std::make_shared<VirtualWorld>(rig), root.path(), root / "control.sock");
  EXPECT_TRUE(fs::is_socket(root / "host2" / "receiver-extra1.hid"));
  EXPECT_FALSE(fs::exists(root / "host1" / "receiver-extra1.hid"));
}

TEST(SocketServerSetupTest, RefusesToReplaceSomethingThatIsNotASocket) {
  flitbar::testing::TemporaryDirectory root;
  fs::create_directories(root / "host1");
  flitbar::testing::writeFile(root / "host1" / "receiver.hid", "not a socket");
  try {
    SocketServer server(std::make_shared<VirtualWorld>(VirtualRig::load(rigPath("default.json"))), root.path(),
                        root / "control.sock");
    ADD_FAILURE() << "replaced a regular file";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), (root / "host1" / "receiver.hid").string() + " exists and is not a socket");
  }
  EXPECT_EQ(flitbar::testing::readFile(root / "host1" / "receiver.hid"), "not a socket");
}

}  // namespace
}  // namespace flitbar::virtualhid::testing
