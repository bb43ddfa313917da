#include "TransportTestSupport.h"
#include "platform/linux/HidBackendFactory.h"
#include "platform/linux/HidapiBackend.h"
#include "platform/linux/SocketHidBackend.h"
#include "platform/linux/SocketHidDevice.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace flitbar::testing {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A private directory of listening SOCK_SEQPACKET sockets, as the virtual receiver makes them.
class SocketDirectory {
public:
  SocketDirectory() {
    std::string pattern = (fs::temp_directory_path() / "flitbar-hid-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~SocketDirectory() {
    for (int socket : sockets_) ::close(socket);
    fs::remove_all(path_);
  }
  const fs::path& path() const { return path_; }

  int listen(const std::string& name) {
    const int socket = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, (path_ / name).c_str());
    EXPECT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    EXPECT_EQ(::listen(socket, 4), 0);
    sockets_.push_back(socket);
    return socket;
  }
  int accept(int listener) {
    const int socket = ::accept(listener, nullptr, nullptr);
    sockets_.push_back(socket);
    return socket;
  }
  // A socket file that nobody listens on any more.
  void abandon(const std::string& name) { ::close(listen(name)); }

private:
  fs::path path_;
  std::vector<int> sockets_;
};

void sendPacket(int socket, const Report& packet) {
  ASSERT_EQ(::send(socket, packet.data(), packet.size(), 0), static_cast<ssize_t>(packet.size()));
}

TEST(SocketHidBackend, ListsOnlyHidEntriesSortedByName) {
  SocketDirectory directory;
  directory.listen("receiver-b.hid");
  directory.listen("receiver-a.hid");
  directory.listen("control.sock");
  std::ofstream(directory.path() / "notes.txt") << "not an interface";
  fs::create_directory(directory.path() / "hid");

  const std::vector<HidInterface> expected{
      {(directory.path() / "receiver-a.hid").string(), 0x046D, 0, 0xFF00},
      {(directory.path() / "receiver-b.hid").string(), 0x046D, 0, 0xFF00},
  };
  EXPECT_EQ(SocketHidBackend(directory.path()).vendorInterfaces(), expected);
}

TEST(SocketHidBackend, NoInterfacesIsNoReceiver) {
  SocketDirectory directory;
  directory.listen("control.sock");
  EXPECT_EQ(errorFrom([&] { SocketHidBackend(directory.path()).vendorInterfaces(); }), HIDPPError::noReceiver());
  EXPECT_EQ(errorFrom([&] { SocketHidBackend(directory.path() / "missing").vendorInterfaces(); }),
            HIDPPError::noReceiver());
  std::ofstream(directory.path() / "file") << "x";
  EXPECT_EQ(errorFrom([&] { SocketHidBackend(directory.path() / "file").vendorInterfaces(); }),
            HIDPPError::openFailed(ENOTDIR));
}

TEST(SocketHidBackend, ARefusedConnectionIsAnOpenFailureWithTheErrno) {
  SocketDirectory directory;
  directory.abandon("gone.hid");
  SocketHidBackend backend(directory.path());
  const auto interfaces = backend.vendorInterfaces();
  ASSERT_EQ(interfaces.size(), 1u);
  EXPECT_EQ(errorFrom([&] { backend.open(interfaces[0]); }), HIDPPError::openFailed(ECONNREFUSED));
  EXPECT_EQ(errorFrom([&] { backend.open({(directory.path() / "absent.hid").string()}); }),
            HIDPPError::openFailed(ENOENT));
}

TEST(SocketHidDevice, OnePacketIsOneReportInBothDirections) {
  SocketDirectory directory;
  const int listener = directory.listen("r.hid");
  auto device = SocketHidBackend(directory.path()).open({(directory.path() / "r.hid").string()});
  const int peer = directory.accept(listener);

  const Report request{0x10, 0x01, 0x00, 0x1A, 0x00, 0x00, 0x00};
  EXPECT_EQ(device->write(request), 0);
  Report received(100);
  received.resize(static_cast<std::size_t>(::recv(peer, received.data(), received.size(), 0)));
  EXPECT_EQ(received, request);

  EXPECT_EQ(device->read(10ms), HidRead{});
  const Report full(64, 0x11);
  const Report oversized(200, 0x11);
  sendPacket(peer, {0x42});
  sendPacket(peer, full);
  sendPacket(peer, oversized);
  EXPECT_EQ(device->read(1s), (HidRead{HidRead::Status::report, {0x42}}));
  EXPECT_EQ(device->read(1s), (HidRead{HidRead::Status::report, full}));
  const auto cut = device->read(1s);
  EXPECT_EQ(cut.status, HidRead::Status::report);
  EXPECT_GT(cut.bytes.size(), 64u);

  EXPECT_EQ(device->write(Report(65, 0x11)), EMSGSIZE);
  EXPECT_EQ(device->write(Report{}), EMSGSIZE);
}

TEST(SocketHidDevice, PeerHangUpReadsAsDisconnectedAndFailsWrites) {
  SocketDirectory directory;
  const int listener = directory.listen("r.hid");
  auto device = SocketHidDevice::connect((directory.path() / "r.hid").string());
  const int peer = directory.accept(listener);
  sendPacket(peer, {0x10, 0x01, 0x41, 0x00, 0x00, 0x00, 0x00});
  ::shutdown(peer, SHUT_RDWR);

  EXPECT_EQ(device->read(1s).status, HidRead::Status::report);
  EXPECT_EQ(device->read(1s).status, HidRead::Status::disconnected);
  EXPECT_EQ(device->write(Report{0x10, 0x01}), EPIPE);
  device->close();
  EXPECT_EQ(device->read(1s).status, HidRead::Status::disconnected);
  EXPECT_EQ(device->write(Report{0x10, 0x01}), EBADF);
}

TEST(SocketHidDevice, TheTransportExchangesOverASocketAndDropsOversizedPackets) {
  SocketDirectory directory;
  const int listener = directory.listen("r.hid");
  auto backend = makeHidBackend(directory.path());
  HIDPPTransport transport(backend->open(backend->vendorInterfaces().at(0)));
  const int peer = directory.accept(listener);
  NotificationLog log;
  transport.setNotificationHandler(log.handler());

  const auto response = longReport({0x11, 0x01, 0x00, 0x1A, 0x02});
  std::thread receiver([&] {
    Report request(64);
    request.resize(static_cast<std::size_t>(::recv(peer, request.data(), request.size(), 0)));
    sendPacket(peer, padded({0x11, 0x01, 0x00, 0x1A}, 65));
    sendPacket(peer, response);
    sendPacket(peer, shortReport({0x10, 0x01, 0x41}));
  });
  EXPECT_EQ(transport.exchange(0x01, 0x00, 0x01, {}, false, 2.0), response);
  receiver.join();
  ASSERT_TRUE(log.waitFor(1));
  EXPECT_EQ(log.reports(), std::vector<Report>{shortReport({0x10, 0x01, 0x41})});
  transport.stop();
}

TEST(HidBackendFactory, TheVirtualDirectorySelectsSocketsOtherwiseHidapi) {
  EXPECT_NE(dynamic_cast<SocketHidBackend*>(makeHidBackend(fs::path("/nonexistent")).get()), nullptr);
  EXPECT_NE(dynamic_cast<HidapiBackend*>(makeHidBackend(std::nullopt).get()), nullptr);

  ::setenv("FLITBAR_VIRTUAL_HID", "/nonexistent", 1);
  EXPECT_NE(dynamic_cast<SocketHidBackend*>(makeHidBackend().get()), nullptr);
  ::setenv("FLITBAR_VIRTUAL_HID", "", 1);
  EXPECT_NE(dynamic_cast<HidapiBackend*>(makeHidBackend().get()), nullptr);
  ::unsetenv("FLITBAR_VIRTUAL_HID");
}

TEST(HidapiBackend, OpenFailuresCarryTheErrno) {
  HidapiBackend backend;
  HidapiBackend second;  // hidapi's process state is shared, not re-initialised per backend
  EXPECT_EQ(errorFrom([&] {
              backend.open({"/dev/flitbar-no-such-hidraw", 0x046D, 0xC52B, 0xFF00});
            }),
            HIDPPError::openFailed(ENOENT));
}

}  // namespace
}  // namespace flitbar::testing
