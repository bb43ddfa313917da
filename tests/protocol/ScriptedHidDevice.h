#pragma once

#include "protocol/HIDPPTransporting.h"
#include "protocol/HidDevice.h"

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace flitbar::testing {

// What a scripted device does and saw; shared between the test and the device the transport owns.
class HidScript {
public:
  using Responder = std::function<std::vector<Report>(const Report& written)>;

  // Queues an input report (any bytes: the transport decides what is well-formed).
  void arrive(Report bytes) { push({HidRead::Status::report, std::move(bytes)}); }
  void arrive(const std::vector<Report>& reports) {
    for (const auto& report : reports) arrive(report);
  }
  void hangUp() { push({HidRead::Status::disconnected, {}}); }

  // Called for each write on the writer's thread; what it returns arrives as input reports.
  void respondWith(Responder responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
  }
  void failWritesWith(int code) {
    std::lock_guard lock(mutex_);
    writeError_ = code;
  }
  // The next read blocks, ignoring its timeout, until `releaseStuckRead`.
  void stickNextRead() {
    std::lock_guard lock(mutex_);
    stuck_ = true;
  }
  void releaseStuckRead() {
    std::lock_guard lock(mutex_);
    stuck_ = false;
    changed_.notify_all();
  }

  std::vector<Report> writes() {
    std::lock_guard lock(mutex_);
    return writes_;
  }
  bool waitForWrites(std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return writes_.size() >= count; });
  }
  bool waitUntilAllRead() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return inputs_.empty(); });
  }
  bool waitUntilClosed() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return closeCount_ > 0; });
  }
  int closeCount() {
    std::lock_guard lock(mutex_);
    return closeCount_;
  }
  std::string closingThreadName() {
    std::lock_guard lock(mutex_);
    return closingThread_;
  }
  bool readAfterClose() const { return readAfterClose_; }
  bool overlappingWrites() const { return overlappingWrites_; }

  // The device's side.
  HidRead read(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (closeCount_ > 0) readAfterClose_ = true;
    changed_.wait(lock, [&] { return !stuck_; });
    if (!changed_.wait_for(lock, timeout, [&] { return !inputs_.empty(); })) return {};
    auto next = std::move(inputs_.front());
    inputs_.pop_front();
    changed_.notify_all();
    return next;
  }
  int write(std::span<const std::uint8_t> bytes) {
    if (writing_.exchange(true)) overlappingWrites_ = true;
    Report report(bytes.begin(), bytes.end());
    Responder responder;
    int error;
    {
      std::lock_guard lock(mutex_);
      writes_.push_back(report);
      responder = responder_;
      error = writeError_;
      changed_.notify_all();
    }
    if (error == 0 && responder) {
      for (auto& answer : responder(report)) arrive(std::move(answer));
    }
    writing_ = false;
    return error;
  }
  void close() {
    char name[16] = {};
    pthread_getname_np(pthread_self(), name, sizeof(name));
    std::lock_guard lock(mutex_);
    ++closeCount_;
    closingThread_ = name;
    changed_.notify_all();
  }

private:
  void push(HidRead read) {
    std::lock_guard lock(mutex_);
    inputs_.push_back(std::move(read));
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<HidRead> inputs_;
  std::vector<Report> writes_;
  Responder responder_;
  int writeError_ = 0;
  bool stuck_ = false;
  int closeCount_ = 0;
  std::string closingThread_;
  std::atomic<bool> writing_ = false;
  std::atomic<bool> overlappingWrites_ = false;
  std::atomic<bool> readAfterClose_ = false;
};

class ScriptedHidDevice final : public HidDevice {
public:
  explicit ScriptedHidDevice(std::shared_ptr<HidScript> script) : script_(std::move(script)) {}

  HidRead read(std::chrono::milliseconds timeout) override { return script_->read(timeout); }
  int write(std::span<const std::uint8_t> report) override { return script_->write(report); }
  void close() override { script_->close(); }

private:
  std::shared_ptr<HidScript> script_;
};

// Collects what the notification handler receives.
class NotificationLog {
public:
  NotificationHandler handler() {
    return [this](const Report& report) {
      std::lock_guard lock(mutex_);
      reports_.push_back(report);
      changed_.notify_all();
    };
  }
  bool waitFor(std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return reports_.size() >= count; });
  }
  std::vector<Report> reports() {
    std::lock_guard lock(mutex_);
    return reports_;
  }

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Report> reports_;
};

}  // namespace flitbar::testing
