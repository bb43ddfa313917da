#include "virtual/SocketServer.h"

#include "virtual/ControlCommands.h"
#include "virtual/ReportSink.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace flitbar::virtualhid {

namespace {

constexpr std::size_t receivePacketLimit = 512;
constexpr std::size_t controlPacketLimit = 64 * 1024;

std::runtime_error systemFailure(const std::string& what) {
  return std::runtime_error(fmt::format("{}: {}", what, std::strerror(errno)));
}

// Sends to one connected client; a client that does not read loses reports, as with hidraw.
class SocketSink : public ReportSink {
 public:
  explicit SocketSink(int fd) : fd_(fd) {}
  void deliver(std::span<const std::uint8_t> report) override {
    [[maybe_unused]] const auto sent = ::send(fd_, report.data(), report.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  }
  // The client sees the hang-up; the server's loop closes the socket when it notices.
  void hangUp() override { ::shutdown(fd_, SHUT_RDWR); }

 private:
  int fd_;
};

sockaddr_un socketAddress(const std::filesystem::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const auto text = path.string();
  if (text.size() >= sizeof(address.sun_path)) {
    throw std::runtime_error(fmt::format("socket path {} is longer than {} bytes", text, sizeof(address.sun_path) - 1));
  }
  std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
  return address;
}

}  // namespace

std::filesystem::path SocketServer::receiverPath(const std::filesystem::path& directory, const std::string& computer) {
  return directory / computer / "receiver.hid";
}

std::filesystem::path SocketServer::extraInterfacePath(const std::filesystem::path& directory,
                                                       const std::string& computer, int number) {
  return directory / computer / ("receiver-extra" + std::to_string(number) + ".hid");
}

std::filesystem::path SocketServer::defaultControlPath(const std::filesystem::path& directory) {
  return directory / "control.sock";
}

SocketServer::SocketServer(std::shared_ptr<VirtualWorld> world, std::filesystem::path directory,
                           std::filesystem::path controlPath)
    : world_(std::move(world)) {
  try {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) throw std::runtime_error(fmt::format("cannot create {}: {}", directory.string(), error.message()));
    for (const auto& computer : world_->computers()) {
      const auto home = directory / computer.id;
      if (std::filesystem::create_directory(home, error)) createdDirectories_.push_back(home);
      if (error) throw std::runtime_error(fmt::format("cannot create {}: {}", home.string(), error.message()));
      for (int number = 1; number <= computer.extraInterfaces; ++number) {
        listen(extraInterfacePath(directory, computer.id, number), Role::silentInterface, computer.id);
      }
      listen(receiverPath(directory, computer.id), Role::receiver, computer.id);
    }
    listen(controlPath, Role::control, {});
  } catch (...) {
    cleanUp();
    throw;
  }
}

SocketServer::~SocketServer() { cleanUp(); }

void SocketServer::cleanUp() {
  for (const auto& connection : connections_) closeConnection(connection);
  connections_.clear();
  for (const auto& listener : listeners_) {
    ::close(listener.fd);
    ::unlink(listener.path.c_str());
  }
  listeners_.clear();
  for (const auto& directory : createdDirectories_) ::rmdir(directory.c_str());
  createdDirectories_.clear();
}

void SocketServer::listen(const std::filesystem::path& path, Role role, const std::string& computer) {
  const bool refusing = role != Role::control && world_->refusesOpen(computer);
  listeners_.push_back(Listener{bindSocket(path), role, computer, path, refusing});
  if (!refusing && ::listen(listeners_.back().fd, 16) != 0) {
    throw systemFailure(fmt::format("cannot listen on {}", path.string()));
  }
}

int SocketServer::bindSocket(const std::filesystem::path& path) {
  const auto address = socketAddress(path);
  struct stat existing {};
  if (::lstat(path.c_str(), &existing) == 0) {
    // A socket left behind by a server that did not shut down cleanly is replaced.
    if (!S_ISSOCK(existing.st_mode))
      throw std::runtime_error(fmt::format("{} exists and is not a socket", path.string()));
    ::unlink(path.c_str());
  }
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) throw systemFailure("cannot create a socket");
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    const auto failure = systemFailure(fmt::format("cannot bind {}", path.string()));
    ::close(fd);
    throw failure;
  }
  return fd;
}

void SocketServer::syncRefusals() {
  // A bound socket that does not listen refuses connections, which clients see as a failed open.
  for (auto& listener : listeners_) {
    if (listener.role == Role::control) continue;
    const bool refusing = world_->refusesOpen(listener.computer);
    if (refusing == listener.refusing) continue;
    ::close(listener.fd);
    listener.fd = -1;
    ::unlink(listener.path.c_str());
    listener.fd = bindSocket(listener.path);
    listener.refusing = refusing;
    if (!refusing && ::listen(listener.fd, 16) != 0) {
      throw systemFailure(fmt::format("cannot listen on {}", listener.path.string()));
    }
  }
}

void SocketServer::run(int stopFd) {
  std::vector<pollfd> polled;
  std::vector<std::size_t> listening;
  while (true) {
    polled.clear();
    listening.clear();
    polled.push_back({stopFd, POLLIN, 0});
    // A refusing socket is not polled: it would report a hang-up for ever.
    for (std::size_t i = 0; i < listeners_.size(); ++i) {
      if (listeners_[i].refusing) continue;
      listening.push_back(i);
      polled.push_back({listeners_[i].fd, POLLIN, 0});
    }
    for (const auto& connection : connections_) polled.push_back({connection.fd, POLLIN, 0});
    if (::poll(polled.data(), polled.size(), -1) < 0) {
      if (errno == EINTR) continue;
      throw systemFailure("poll failed");
    }
    if (polled[0].revents != 0) return;
    for (std::size_t i = 0; i < listening.size(); ++i) {
      if (polled[1 + i].revents & POLLIN) accept(listeners_[listening[i]]);
    }
    const auto firstConnection = 1 + listening.size();
    std::vector<Connection> finished;
    for (std::size_t i = 0; firstConnection + i < polled.size(); ++i) {
      if (polled[firstConnection + i].revents == 0) continue;
      if (!serve(connections_[i])) finished.push_back(connections_[i]);
    }
    for (const auto& connection : finished) {
      closeConnection(connection);
      std::erase_if(connections_, [&](const auto& c) { return c.fd == connection.fd; });
    }
  }
}

void SocketServer::accept(const Listener& listener) {
  const int fd = ::accept4(listener.fd, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  Connection connection{fd, listener.role, listener.computer, 0};
  if (listener.role == Role::receiver) {
    connection.client = world_->attach(listener.computer, std::make_shared<SocketSink>(fd));
  }
  connections_.push_back(connection);
}

bool SocketServer::serve(const Connection& connection) {
  const bool control = connection.role == Role::control;
  std::vector<std::uint8_t> packet(control ? controlPacketLimit : receivePacketLimit);
  const auto received = ::recv(connection.fd, packet.data(), packet.size(), MSG_DONTWAIT);
  if (received < 0) return errno == EAGAIN || errno == EINTR;
  if (received == 0) return false;
  packet.resize(static_cast<std::size_t>(received));
  if (connection.role == Role::receiver) world_->write(connection.computer, packet);
  if (!control) return true;

  nlohmann::json reply;
  try {
    const auto request = nlohmann::json::parse(packet.begin(), packet.end());
    if (!request.is_array() ||
        !std::all_of(request.begin(), request.end(), [](const auto& w) { return w.is_string(); })) {
      throw ControlError("a control request is a JSON array of strings");
    }
    reply = ControlCommands(*world_).run(request.get<std::vector<std::string>>());
    syncRefusals();
  } catch (const nlohmann::json::exception&) {
    reply = {{"ok", false}, {"error", "a control request is a JSON array of strings"}};
  } catch (const ControlError& refused) {
    reply = {{"ok", false}, {"error", refused.what()}};
  } catch (const std::runtime_error& failure) {
    reply = {{"ok", false}, {"error", failure.what()}};
  }
  const auto text = reply.dump();
  [[maybe_unused]] const auto sent = ::send(connection.fd, text.data(), text.size(), MSG_NOSIGNAL);
  return true;
}

void SocketServer::closeConnection(const Connection& connection) {
  // Detach first: once the world lets go of the sink, nothing sends on the descriptor.
  if (connection.role == Role::receiver) world_->detach(connection.client);
  ::close(connection.fd);
}

}  // namespace flitbar::virtualhid
