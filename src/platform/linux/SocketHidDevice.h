#pragma once

#include "protocol/HidDevice.h"

#include <atomic>
#include <memory>
#include <string>

namespace flitbar {

// One connected virtual interface (a SOCK_SEQPACKET socket): one packet is one HID report.
//
// A packet longer than 64 bytes is read as its first 65 bytes, so that it is recognisably
// oversized and gets dropped. The peer hanging up reads as `disconnected`.
class SocketHidDevice final : public HidDevice {
public:
  // Throws HIDPPError::openFailed(errno) when the socket cannot be made or connected.
  static std::unique_ptr<SocketHidDevice> connect(const std::string& path);

  // Takes ownership of a connected socket.
  explicit SocketHidDevice(int socket);
  ~SocketHidDevice() override;

  SocketHidDevice(const SocketHidDevice&) = delete;
  SocketHidDevice& operator=(const SocketHidDevice&) = delete;

  HidRead read(std::chrono::milliseconds timeout) override;
  // Reports must be 1 to 64 bytes (EMSGSIZE otherwise); a hung-up peer gives EPIPE, a peer that
  // has not made room within a second ETIMEDOUT.
  int write(std::span<const std::uint8_t> report) override;
  void close() override;

private:
  std::atomic<int> socket_;
};

}  // namespace flitbar
