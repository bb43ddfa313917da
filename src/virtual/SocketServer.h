#pragma once

#include "virtual/VirtualWorld.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace flitbar::virtualhid {

// Serves a world over the virtual HID wire contract: every computer gets a directory of its own,
// DIR/<computer>/, holding its receiver's interface socket receiver.hid (AF_UNIX, SOCK_SEQPACKET,
// one packet per report), so a program "on" that computer points FLITBAR_VIRTUAL_HID at the
// directory. A separate control socket takes one command per packet: a JSON array of words,
// answered by one JSON object.
//
// Threading: construct, run and destroy on one thread; the world delivers reports to the
// connections from its own threads.
class SocketServer {
 public:
  // Creates the sockets (replacing stale ones). Throws std::runtime_error saying what failed.
  SocketServer(std::shared_ptr<VirtualWorld> world, std::filesystem::path directory, std::filesystem::path controlPath);
  // Closes every connection and removes the sockets and the directories it created.
  ~SocketServer();
  SocketServer(const SocketServer&) = delete;
  SocketServer& operator=(const SocketServer&) = delete;

  // Serves until `stopFd` becomes readable (a signalfd or an eventfd).
  void run(int stopFd);

  static std::filesystem::path receiverPath(const std::filesystem::path& directory, const std::string& computer);
  static std::filesystem::path defaultControlPath(const std::filesystem::path& directory);

 private:
  struct Listener {
    int fd = -1;
    std::string computer;  // empty for the control socket
    std::filesystem::path path;
  };
  struct Connection {
    int fd = -1;
    std::string computer;  // empty for a control connection
    VirtualWorld::ClientId client = 0;
  };

  void listen(const std::filesystem::path& path, const std::string& computer);
  void accept(const Listener& listener);
  // False when the connection is finished.
  bool serve(const Connection& connection);
  void closeConnection(const Connection& connection);
  void cleanUp();

  std::shared_ptr<VirtualWorld> world_;
  std::vector<Listener> listeners_;
  std::vector<Connection> connections_;
  std::vector<std::filesystem::path> createdDirectories_;
};

}  // namespace flitbar::virtualhid
