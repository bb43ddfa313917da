#pragma once

#include "protocol/HidDevice.h"

#include <atomic>
#include <memory>
#include <string>

namespace flitbar {

// One opened /dev/hidraw* node: a read returns one input report, report id first; a write sends
// one output report.
//
// The node is driven directly rather than through hidapi's read and write calls: in hidapi 0.13
// both of those replace the same per-device error string, so a reader thread and a writing thread
// would race on it, and the errno of a failed call is not reliably kept.
class HidrawDevice final : public HidDevice {
public:
  // Opens the node for reading and writing, shared. Throws HIDPPError::openFailed(errno).
  static std::unique_ptr<HidrawDevice> open(const std::string& path);

  explicit HidrawDevice(int descriptor);
  ~HidrawDevice() override;

  HidrawDevice(const HidrawDevice&) = delete;
  HidrawDevice& operator=(const HidrawDevice&) = delete;

  // A report longer than 64 bytes is read as its first 65, so it is recognisably oversized.
  HidRead read(std::chrono::milliseconds timeout) override;
  // Waits at most a second for the node to be writable (ETIMEDOUT). The kernel may still block
  // inside the write itself; the transport's stop does not wait for such a write.
  int write(std::span<const std::uint8_t> report) override;
  void close() override;

private:
  std::atomic<int> descriptor_;
};

}  // namespace flitbar
