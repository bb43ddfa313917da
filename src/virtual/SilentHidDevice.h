#pragma once

#include "protocol/HidDevice.h"

#include <condition_variable>
#include <mutex>

namespace flitbar::virtualhid {

// A vendor interface of a receiver that takes output reports and never sends an input report.
// Threading as HidDevice states.
class SilentHidDevice : public HidDevice {
 public:
  HidRead read(std::chrono::milliseconds timeout) override;
  int write(std::span<const std::uint8_t> report) override;
  void close() override;

 private:
  std::mutex mutex_;
  std::condition_variable closed_;
  bool isClosed_ = false;
};

}  // namespace flitbar::virtualhid
