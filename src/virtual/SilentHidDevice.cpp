#include "virtual/SilentHidDevice.h"

#include <cerrno>

namespace flitbar::virtualhid {

HidRead SilentHidDevice::read(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  const bool closed = closed_.wait_for(lock, timeout, [&] { return isClosed_; });
  return {closed ? HidRead::Status::disconnected : HidRead::Status::timedOut, {}};
}

int SilentHidDevice::write(std::span<const std::uint8_t> report) {
  std::lock_guard lock(mutex_);
  if (isClosed_) return EBADF;
  return report.empty() || report.size() > 64 ? EINVAL : 0;
}

void SilentHidDevice::close() {
  {
    std::lock_guard lock(mutex_);
    isClosed_ = true;
  }
  closed_.notify_all();
}

}  // namespace flitbar::virtualhid
