#pragma once

#include "protocol/HIDPPTransport.h"
#include "protocol/HidDevice.h"
#include "support/ErrorFrom.h"

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace flitbar::testing {

using namespace std::chrono_literals;

inline Report padded(Report head, std::size_t length) {
  head.resize(length, 0);
  return head;
}

// A long answer to a written request: its header (software id included) and then `data`.
inline Report answerTo(const Report& request, Report data = {}) {
  Report answer{0x11, request[1], request[2], request[3]};
  answer.insert(answer.end(), data.begin(), data.end());
  return padded(std::move(answer), 20);
}

// What a scripted device does and saw, shared by the test and the device the transport owns.
// Tests change and read the state only through `with`, and wait on it through `waitFor`.
class HidScript {
 public:
  struct State {
    // Called for each write, under the lock; what it returns arrives as input reports.
    std::function<std::vector<Report>(const Report& written)> respond;
    int writeError = 0;
    bool held = false;  // writes and reads stay inside the device while set
    std::deque<HidRead> inputs;
    std::vector<Report> writes;
    std::vector<Report> notified;  // what notificationHandler() received
    int closeCount = 0;
    std::string closingThread;
  };

  template <typename Action>
  auto with(Action&& action) {
    std::lock_guard lock(mutex_);
    changed_.notify_all();
    return action(state_);
  }
  bool waitFor(const std::function<bool(const State&)>& condition) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 10s, [&] { return condition(state_); });
  }
  void arrive(Report bytes) {
    with([&](State& state) { state.inputs.push_back({HidRead::Status::report, std::move(bytes)}); });
  }
  NotificationHandler notificationHandler() {
    return [this](const Report& report) { with([&](State& state) { state.notified.push_back(report); }); };
  }

  HidRead read(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !state_.held; });
    if (!changed_.wait_for(lock, timeout, [&] { return !state_.inputs.empty(); })) return {};
    auto next = std::move(state_.inputs.front());
    state_.inputs.pop_front();
    return next;
  }
  int write(std::span<const std::uint8_t> bytes) {
    std::unique_lock lock(mutex_);
    state_.writes.emplace_back(bytes.begin(), bytes.end());
    changed_.notify_all();
    changed_.wait(lock, [&] { return !state_.held; });
    if (state_.writeError == 0 && state_.respond) {
      for (auto& answer : state_.respond(state_.writes.back()))
        state_.inputs.push_back({HidRead::Status::report, std::move(answer)});
      changed_.notify_all();
    }
    return state_.writeError;
  }
  void close() {
    char name[16] = {};
    pthread_getname_np(pthread_self(), name, sizeof(name));
    with([&](State& state) {
      ++state.closeCount;
      state.closingThread = name;
    });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  State state_;
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

}  // namespace flitbar::testing
