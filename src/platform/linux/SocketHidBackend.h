#pragma once

#include "protocol/HidBackend.h"

#include <filesystem>

namespace flitbar {

// Virtual receiver interfaces: every entry of `directory` whose name ends in ".hid" is one
// interface, an AF_UNIX SOCK_SEQPACKET socket carrying one HID report per packet. Interfaces are
// listed sorted by name, each as vendor 0x046D, product 0, usage page 0xFF00.
class SocketHidBackend final : public HidBackend {
public:
  explicit SocketHidBackend(std::filesystem::path directory);

  // Throws noReceiver when the directory is missing or holds no ".hid" entry, openFailed(errno)
  // when it cannot be read.
  std::vector<HidInterface> vendorInterfaces() override;

  // Connects to the interface's socket. Throws openFailed(errno), e.g. ECONNREFUSED when nothing
  // listens there.
  std::unique_ptr<HidDevice> open(const HidInterface& interface) override;

private:
  std::filesystem::path directory_;
};

}  // namespace flitbar
