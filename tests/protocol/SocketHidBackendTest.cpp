#include "ScriptedHidDevice.h"
#include "platform/linux/HidBackendFactory.h"
#include "platform/linux/HidapiBackend.h"
#include "platform/linux/SocketHidBackend.h"

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

namespace fs = std::filesystem;

// A private directory of listening packet sockets, as the virtual receiver makes them.
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
  int accept(int listener) { return sockets_.emplace_back(::accept(listener, nullptr, nullptr)); }

 private:
  fs::path path_;
  std::vector<int> sockets_;
};

TEST(SocketHidBackend, ListsOnlyHidEntriesSortedAndExplainsWhatIsMissing) {
  SocketDirectory directory;
  directory.listen("receiver-b.hid");
  directory.listen("receiver-a.hid");
  directory.listen("control.sock");
  ::close(directory.listen("gone.hid"));
  std::ofstream(directory.path() / "notes.txt") << "not an interface";
  SocketHidBackend backend(directory.path());
  const auto interfaces = backend.vendorInterfaces();
  ASSERT_EQ(interfaces.size(), 3u);
  EXPECT_EQ(interfaces[0], (HidInterface{(directory.path() / "gone.hid").string(), 0x046D, 0, 0xFF00}));
  EXPECT_EQ(interfaces[1].path, (directory.path() / "receiver-a.hid").string());
  EXPECT_EQ(errorFrom([&] { backend.open(interfaces[0]); }), HIDPPError::openFailed(ECONNREFUSED));
  EXPECT_EQ(errorFrom([&] { backend.open({(directory.path() / "absent.hid").string()}); }),
            HIDPPError::openFailed(ENOENT));

  EXPECT_EQ(errorFrom([&] { SocketHidBackend(directory.path() / "missing").vendorInterfaces(); }),
            HIDPPError::noReceiver());
  EXPECT_EQ(errorFrom([&] { SocketHidBackend(directory.path() / "notes.txt").vendorInterfaces(); }),
            HIDPPError::openFailed(ENOTDIR));
  EXPECT_EQ(errorFrom([&] {
              HidapiBackend().open({"/dev/flitbar-no-such-hidraw", 0x046D, 0xC52B, 0xFF00});
            }),
            HIDPPError::openFailed(ENOENT));
}

TEST(SocketHidBackend, TheTransportExchangesOverASocket) {
  SocketDirectory directory;
  const int listener = directory.listen("r.hid");
  auto backend = makeHidBackend(directory.path());
  HIDPPTransport transport(backend->open(backend->vendorInterfaces().at(0)));
  const int peer = directory.accept(listener);
  std::thread receiver([&] {
    Report request(64);
    request.resize(static_cast<std::size_t>(::recv(peer, request.data(), request.size(), 0)));
    const auto answer = answerTo(request, {0x02});
    ::send(peer, answer.data(), answer.size(), 0);
  });
  EXPECT_EQ(transport.exchange(0x01, 0x00, 0x01, {}, false, 5.0)[4], 0x02);
  receiver.join();
}

TEST(HidBackendFactory, TheVirtualDirectorySelectsSocketsOtherwiseHidapi) {
  ::setenv("FLITBAR_VIRTUAL_HID", "/nonexistent", 1);
  EXPECT_NE(dynamic_cast<SocketHidBackend*>(makeHidBackend().get()), nullptr);
  ::setenv("FLITBAR_VIRTUAL_HID", "", 1);
  EXPECT_NE(dynamic_cast<HidapiBackend*>(makeHidBackend().get()), nullptr);
  ::unsetenv("FLITBAR_VIRTUAL_HID");
}

}  // namespace
}  // namespace flitbar::testing
