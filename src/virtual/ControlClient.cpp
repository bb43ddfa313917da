#include "virtual/ControlClient.h"

#include <fmt/format.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace flitbar::virtualhid {

namespace {

constexpr std::size_t answerLimit = 1024 * 1024;

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

nlohmann::json sendControlCommand(const std::filesystem::path& controlPath, const std::vector<std::string>& words) {
  const auto failure = [&](const char* what) {
    return std::runtime_error(fmt::format("{} {}: {}", what, controlPath.string(), std::strerror(errno)));
  };
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const auto path = controlPath.string();
  if (path.size() >= sizeof(address.sun_path))
    throw std::runtime_error(fmt::format("control socket path {} is too long", path));
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

  Descriptor socket(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
  if (socket.get() < 0) throw failure("cannot create a socket for");
  if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    throw failure("cannot connect to the control socket");
  }
  const auto request = nlohmann::json(words).dump();
  if (::send(socket.get(), request.data(), request.size(), MSG_NOSIGNAL) < 0) throw failure("cannot send to");
  std::string answer(answerLimit, '\0');
  const auto received = ::recv(socket.get(), answer.data(), answer.size(), 0);
  if (received < 0) throw failure("cannot read the answer of");
  if (received == 0) throw std::runtime_error(fmt::format("{} closed without an answer", path));
  answer.resize(static_cast<std::size_t>(received));
  try {
    return nlohmann::json::parse(answer);
  } catch (const nlohmann::json::exception&) {
    throw std::runtime_error(fmt::format("{} answered something that is not JSON", path));
  }
}

}  // namespace flitbar::virtualhid
