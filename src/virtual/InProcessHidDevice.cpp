#include "virtual/InProcessHidDevice.h"

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace flitbar::virtualhid {

namespace {

constexpr std::size_t bufferedReports = 64;
constexpr std::size_t maximumOutputReport = 64;

}  // namespace

class InProcessHidDevice::Inbox : public ReportSink {
 public:
  void deliver(std::span<const std::uint8_t> report) override {
    {
      std::lock_guard lock(mutex_);
      if (closed_ || reports_.size() >= bufferedReports) return;
      reports_.emplace_back(report.begin(), report.end());
    }
    arrived_.notify_one();
  }

  HidRead take(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, timeout, [&] { return closed_ || !reports_.empty(); });
    if (closed_) return {HidRead::Status::disconnected, {}};
    if (reports_.empty()) return {HidRead::Status::timedOut, {}};
    HidRead read{HidRead::Status::report, std::move(reports_.front())};
    reports_.pop_front();
    return read;
  }

  void hangUp() override { close(); }

  // True the first time only.
  bool close() {
    {
      std::lock_guard lock(mutex_);
      if (closed_) return false;
      closed_ = true;
      reports_.clear();
    }
    arrived_.notify_all();
    return true;
  }

  bool closed() {
    std::lock_guard lock(mutex_);
    return closed_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<std::vector<std::uint8_t>> reports_;
  bool closed_ = false;
};

InProcessHidDevice::InProcessHidDevice(std::shared_ptr<VirtualWorld> world, std::string computer)
    : world_(std::move(world)), computer_(std::move(computer)), inbox_(std::make_shared<Inbox>()) {
  client_ = world_->attach(computer_, inbox_);
}

InProcessHidDevice::~InProcessHidDevice() { close(); }

HidRead InProcessHidDevice::read(std::chrono::milliseconds timeout) { return inbox_->take(timeout); }

int InProcessHidDevice::write(std::span<const std::uint8_t> report) {
  if (inbox_->closed()) return EBADF;
  if (report.empty() || report.size() > maximumOutputReport) return EINVAL;
  world_->write(computer_, report);
  return 0;
}

void InProcessHidDevice::close() {
  if (inbox_->close()) world_->detach(client_);
}

}  // namespace flitbar::virtualhid
