// The socket server, in-process: the wire contract, the control socket and cleaning up.
#include "WorldProbe.h"

#include "virtual/ControlClient.h"
#include "virtual/SocketServer.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace flitbar::virtualhid::testing {
namespace {

namespace fs = std::filesystem;

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

Bytes receive(int fd) {
  pollfd polled{fd, POLLIN, 0};
  if (::poll(&polled, 1, 3000) != 1) return {};
  Bytes packet(128);
  const auto size = ::recv(fd, packet.data(), packet.size(), 0);
  packet.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
  return packet;
}

class SocketServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = fs::temp_directory_path() / ("vr-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(directory);
    world = std::make_shared<VirtualWorld>(withoutDelays(VirtualRig::load(rigPath("default.json"))));
    stopFd = ::eventfd(0, EFD_CLOEXEC);
    server = std::make_unique<SocketServer>(world, directory, SocketServer::defaultControlPath(directory));
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
    fs::remove_all(directory);
  }

  fs::path directory;
  std::shared_ptr<VirtualWorld> world;
  int stopFd = -1;
  std::unique_ptr<SocketServer> server;
  std::thread serving;
};

TEST_F(SocketServerTest, EachComputerHasADirectoryWithItsReceiverSocket) {
  EXPECT_TRUE(fs::is_socket(directory / "host1" / "receiver.hid"));
  EXPECT_TRUE(fs::is_socket(directory / "host3" / "receiver.hid"));
  EXPECT_TRUE(fs::is_socket(directory / "control.sock"));

  const int host1 = connectTo(directory / "host1" / "receiver.hid");
  const int host2 = connectTo(directory / "host2" / "receiver.hid");
  ASSERT_GE(host1, 0);
  ASSERT_GE(host2, 0);
  const Bytes ping{0x10, 0x01, 0x00, 0x1A, 0x00, 0x00, 0xAA};
  ASSERT_EQ(::send(host1, ping.data(), ping.size(), 0), 7);
  EXPECT_EQ(receive(host1), longReport({0x11, 0x01, 0x00, 0x1A, 0x04, 0x05, 0xAA}));
  ASSERT_EQ(::send(host2, ping.data(), ping.size(), 0), 7);
  EXPECT_EQ(receive(host2), (Bytes{0x10, 0x01, 0x8F, 0x00, 0x1A, 0x09, 0x00}));

  // A world event reaches the connected client as one packet.
  EXPECT_EQ(sendControlCommand(directory / "control.sock", {"switch", "keyboard", "2"}),
            nlohmann::json({{"ok", true}}));
  EXPECT_EQ(receive(host1), (Bytes{0x10, 0x01, 0x41, 0x10, 0x41, 0x78, 0xB3}));
  EXPECT_EQ(receive(host2), (Bytes{0x10, 0x01, 0x41, 0x10, 0x01, 0x78, 0xB3}));
  ::close(host1);
  ::close(host2);
}

TEST_F(SocketServerTest, ControlSocketAnswersEveryRequestWithJson) {
  const auto control = directory / "control.sock";
  const auto state = sendControlCommand(control, {"state"});
  EXPECT_EQ(state["state"]["devices"].size(), 2u);
  EXPECT_EQ(sendControlCommand(control, {"press", "mouse", "0x99"}),
            nlohmann::json({{"ok", false}, {"error", "device mouse has no control 0x0099"}}));

  const int raw = connectTo(control);
  ASSERT_GE(raw, 0);
  const std::string notJson = "press mouse";
  ::send(raw, notJson.data(), notJson.size(), 0);
  const auto answer = receive(raw);
  EXPECT_EQ(nlohmann::json::parse(answer.begin(), answer.end()),
            nlohmann::json({{"ok", false}, {"error", "a control request is a JSON array of strings"}}));
  ::close(raw);
}

TEST_F(SocketServerTest, ClientsThatGoAwayAreDetachedAndStoppingRemovesTheSockets) {
  const int client = connectTo(directory / "host1" / "receiver.hid");
  ASSERT_GE(client, 0);
  for (int i = 0; i < 50 && world->state()["computers"][0]["clients"] != 1; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(world->state()["computers"][0]["clients"], 1);
  ::close(client);
  for (int i = 0; i < 50 && world->state()["computers"][0]["clients"] != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(world->state()["computers"][0]["clients"], 0);

  stop();
  EXPECT_FALSE(fs::exists(directory / "host1"));
  EXPECT_FALSE(fs::exists(directory / "control.sock"));
  EXPECT_EQ(connectTo(directory / "host1" / "receiver.hid"), -1);
}

TEST(SocketServerSetupTest, RefusesToReplaceSomethingThatIsNotASocket) {
  const auto directory = fs::temp_directory_path() / ("vr-setup-" + std::to_string(::getpid()));
  fs::create_directories(directory / "host1");
  std::ofstream(directory / "host1" / "receiver.hid") << "not a socket";
  auto world = std::make_shared<VirtualWorld>(VirtualRig::load(rigPath("default.json")));
  try {
    SocketServer server(world, directory, directory / "control.sock");
    ADD_FAILURE() << "replaced a regular file";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()),
              (directory / "host1" / "receiver.hid").string() + " exists and is not a socket");
  }
  EXPECT_TRUE(fs::is_regular_file(directory / "host1" / "receiver.hid"));
  fs::remove_all(directory);
}

}  // namespace
}  // namespace flitbar::virtualhid::testing
