#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

namespace flitbar {

// What one blocking read of a HID interface produced.
struct HidRead {
  enum class Status { report, timedOut, disconnected };
  Status status = Status::timedOut;
  // The input report, report id first. May be longer than 64 bytes when the interface delivers
  // such a report; the transport, not the device, decides what is well-formed.
  std::vector<std::uint8_t> bytes;

  bool operator==(const HidRead&) const = default;
};

// One opened vendor interface of a receiver.
//
// Threading: `read` is called by exactly one thread (the transport's reader); `write` may be called
// from any thread but never concurrently with itself (the transport serialises writes); `close`
// is called once, by the reader thread, after its last `read`.
class HidDevice {
public:
  virtual ~HidDevice() = default;

  // Waits at most `timeout` for one input report.
  virtual HidRead read(std::chrono::milliseconds timeout) = 0;

  // Writes one output report (report id first). Returns 0 on success, otherwise the errno.
  virtual int write(std::span<const std::uint8_t> report) = 0;

  virtual void close() = 0;
};

}  // namespace flitbar
