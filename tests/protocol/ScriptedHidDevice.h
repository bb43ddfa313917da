#pragma once

#include "protocol/HIDPPError.h"
#include "protocol/HIDPPTransport.h"
#include "protocol/HidDevice.h"
#include "support/ErrorFrom.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace flitbar::testing {

using namespace std::chrono_literals;

inline Report padded(Report head, std::size_t length) {
  head.resize(length, 0);
  return head;
}
inline Report shortReport(Report head) { return padded(std::move(head), 7); }
inline Report longReport(Report head) { return padded(std::move(head), 20); }

// A long answer to a written request: its header (software id included) and then `data`.
inline Report answerTo(const Report& request, Report data = {}) {
  Report answer{0x11, request[1], request[2], request[3]};
  answer.insert(answer.end(), data.begin(), data.end());
  return padded(std::move(answer), 20);
}

// What a scripted device does and saw; shared by the test and the device the transport owns.
class HidScript {
  template <typename Action>
  auto locked(Action&& action) {
    std::lock_guard lock(mutex_);
    changed_.notify_all();
    return action();
  }

 public:
  // Called for each write; what it returns arrives as input reports.
  using Responder = std::function<std::vector<Report>(const Report& written)>;

  void arrive(Report bytes) { push({HidRead::Status::report, std::move(bytes)}); }
  void hangUp() { push({HidRead::Status::disconnected, {}}); }
  void respondWith(Responder responder) {
    locked([&] { responder_ = std::move(responder); });
  }
  void failWritesWith(int code) {
    locked([&] { writeError_ = code; });
  }
  // While set, writes block (ignoring everything) and reads stay inside the read.
  void blockWrites(bool block) {
    locked([&] { writesBlocked_ = block; });
  }
  void blockReads(bool block) {
    locked([&] { readsBlocked_ = block; });
  }

  std::vector<Report> writes() {
    return locked([&] { return writes_; });
  }
  int closeCount() {
    return locked([&] { return closeCount_; });
  }
  std::string closingThread() {
    return locked([&] { return closingThread_; });
  }
  bool waitFor(const std::function<bool()>& condition) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 10s, condition);
  }
  bool waitForWrites(std::size_t count) {
    return waitFor([&] { return writes_.size() >= count; });
  }
  bool waitUntilReading() {
    return waitFor([&] { return reading_; });
  }
  bool waitUntilAllRead() {
    return waitFor([&] { return inputs_.empty(); });
  }
  bool waitUntilClosed() {
    return waitFor([&] { return closeCount_ > 0; });
  }

  HidRead read(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    reading_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return !readsBlocked_; });
    reading_ = false;
    if (!changed_.wait_for(lock, timeout, [&] { return !inputs_.empty(); })) return {};
    auto next = std::move(inputs_.front());
    inputs_.pop_front();
    return next;
  }
  int write(std::span<const std::uint8_t> bytes) {
    const Report report(bytes.begin(), bytes.end());
    Responder responder;
    int error;
    {
      std::unique_lock lock(mutex_);
      writes_.push_back(report);
      changed_.notify_all();
      changed_.wait(lock, [&] { return !writesBlocked_; });
      responder = responder_;
      error = writeError_;
    }
    if (error == 0 && responder) {
      for (auto& answer : responder(report)) arrive(std::move(answer));
    }
    return error;
  }
  void close() {
    char name[16] = {};
    pthread_getname_np(pthread_self(), name, sizeof(name));
    locked([&] {
      ++closeCount_;
      closingThread_ = name;
    });
  }

 private:
  void push(HidRead read) {
    locked([&] { inputs_.push_back(std::move(read)); });
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<HidRead> inputs_;
  std::vector<Report> writes_;
  Responder responder_;
  int writeError_ = 0;
  bool writesBlocked_ = false;
  bool readsBlocked_ = false;
  bool reading_ = false;
  int closeCount_ = 0;
  std::string closingThread_;
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

// Short read slices keep stop() quick in tests.
inline std::unique_ptr<HIDPPTransport> makeTransport(const std::shared_ptr<HidScript>& script,
                                                     std::uint8_t firstSoftwareId = 1) {
  return std::make_unique<HIDPPTransport>(std::make_unique<ScriptedHidDevice>(script), 5ms, firstSoftwareId);
}

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
    return changed_.wait_for(lock, 10s, [&] { return reports_.size() >= count; });
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
