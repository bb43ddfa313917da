#include "protocol/HIDPPTransport.h"

#include "protocol/HIDPPError.h"
#include "protocol/HIDPPRequest.h"
#include "protocol/SerialQueue.h"
#include "protocol/SoftwareIdSequence.h"

#include <pthread.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>

namespace flitbar {
namespace {

constexpr auto stopWait = std::chrono::seconds(2);
// Longer waits are certainly mistakes; the cap also keeps the deadline arithmetic finite.
constexpr double longestTimeoutSeconds = 24 * 60 * 60;

std::chrono::steady_clock::duration boundedTimeout(double seconds) {
  if (!(seconds > 0)) return {};  // also NaN
  return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(std::min(seconds, longestTimeoutSeconds)));
}

}  // namespace

class HIDPPTransport::Core : public std::enable_shared_from_this<Core> {
 public:
  Core(std::unique_ptr<HidDevice> device, std::chrono::milliseconds readSlice, std::uint8_t firstSoftwareId)
      : device_(std::move(device)), readSlice_(readSlice), softwareIds_(firstSoftwareId) {}

  void readLoop();
  Report exchange(HIDPPRequest request, double timeoutSeconds);
  void send(const Report& report);
  void stop();
  bool readerFinished();
  void setNotificationHandler(NotificationHandler handler);

 private:
  bool isRunning();
  void deliver(Report report);
  void dispatchNotification(Report report);
  // Ends an exchange: unanswered reports, then whatever is still in the inbox, go to the handler.
  // Takes the inbox lock itself.
  void finishExchange(std::vector<Report>& unmatched);

  std::unique_ptr<HidDevice> device_;
  const std::chrono::milliseconds readSlice_;

  std::mutex requestLock_;
  SoftwareIdSequence softwareIds_;

  // One write at a time, and the reader closes the device only between writes. Never held with
  // the state lock: a write that blocks must not keep stop() from marking the transport stopped.
  // A flag under a plain mutex rather than a timed mutex, whose timed lock ThreadSanitizer cannot see.
  std::mutex writeStateLock_;
  std::condition_variable writeIdle_;
  bool writing_ = false;

  class WriteTurn {
   public:
    explicit WriteTurn(Core& core) : core_(core) {
      std::unique_lock lock(core_.writeStateLock_);
      core_.writeIdle_.wait(lock, [this] { return !core_.writing_; });
      core_.writing_ = true;
    }
    ~WriteTurn() {
      {
        std::lock_guard lock(core_.writeStateLock_);
        core_.writing_ = false;
      }
      core_.writeIdle_.notify_all();
    }
    WriteTurn(const WriteTurn&) = delete;
    WriteTurn& operator=(const WriteTurn&) = delete;

   private:
    Core& core_;
  };

  std::mutex inboxLock_;
  std::condition_variable inboxChanged_;
  std::deque<Report> inbox_;
  bool awaitingResponse_ = false;

  std::mutex stateLock_;
  std::condition_variable stateChanged_;
  bool running_ = true;
  bool stopped_ = false;
  bool readerFinished_ = false;

  std::mutex handlerLock_;
  NotificationHandler notificationHandler_;

  SerialQueue notifyQueue_{"hidpp.notify"};
};

bool HIDPPTransport::Core::isRunning() {
  std::lock_guard lock(stateLock_);
  return running_;
}

bool HIDPPTransport::Core::readerFinished() {
  std::lock_guard lock(stateLock_);
  return readerFinished_;
}

void HIDPPTransport::Core::readLoop() {
  while (isRunning()) {
    HidRead read;
    try {
      read = device_->read(readSlice_);
    } catch (...) {
      read.status = HidRead::Status::disconnected;  // a device that throws is treated as gone
    }
    if (read.status == HidRead::Status::report) {
      try {
        deliver(std::move(read.bytes));
      } catch (const std::bad_alloc&) {
        // Only this report is lost.
      }
    }
    if (read.status == HidRead::Status::disconnected) {
      // Nothing more will arrive; keep the device open (writes now fail with its errno) until
      // the owner stops the transport, so that closing stays the reader's last act.
      std::unique_lock lock(stateLock_);
      stateChanged_.wait(lock, [&] { return !running_; });
    }
  }
  {
    // Waits for a write in progress, however long it blocks: the device is not closed under it.
    WriteTurn turn(*this);
    try {
      device_->close();
    } catch (...) {
      // The device is gone either way.
    }
  }
  std::lock_guard lock(stateLock_);
  readerFinished_ = true;
  stateChanged_.notify_all();
}

void HIDPPTransport::Core::deliver(Report report) {
  if (!isWellFormedHIDPPReport(report)) return;
  {
    std::lock_guard lock(inboxLock_);
    if (awaitingResponse_) {
      inbox_.push_back(std::move(report));
      inboxChanged_.notify_all();
      return;
    }
  }
  dispatchNotification(std::move(report));
}

void HIDPPTransport::Core::dispatchNotification(Report report) {
  notifyQueue_.post([weak = weak_from_this(), report = std::move(report)] {
    NotificationHandler handler;
    if (auto core = weak.lock()) {
      std::lock_guard lock(core->handlerLock_);
      handler = core->notificationHandler_;
    }
    if (handler) handler(report);
  });
}

void HIDPPTransport::Core::finishExchange(std::vector<Report>& unmatched) {
  std::lock_guard lock(inboxLock_);
  awaitingResponse_ = false;
  for (auto& report : unmatched) dispatchNotification(std::move(report));
  for (auto& report : inbox_) dispatchNotification(std::move(report));
  inbox_.clear();
}

Report HIDPPTransport::Core::exchange(HIDPPRequest request, double timeoutSeconds) {
  std::lock_guard exchangeLock(requestLock_);
  request.softwareId = softwareIds_.next();
  {
    std::lock_guard lock(inboxLock_);
    awaitingResponse_ = true;
    inbox_.clear();
  }
  std::vector<Report> unmatched;
  try {
    send(request.bytes());
  } catch (...) {
    finishExchange(unmatched);
    throw;
  }

  const auto deadline = std::chrono::steady_clock::now() + boundedTimeout(timeoutSeconds);
  std::unique_lock lock(inboxLock_);
  while (true) {
    if (!isRunning()) {
      lock.unlock();
      finishExchange(unmatched);
      throw HIDPPError::stopped();
    }
    while (!inbox_.empty()) {
      Report report = std::move(inbox_.front());
      inbox_.pop_front();
      switch (request.classify(report)) {
        case HIDPPRequest::Reply::response:
          lock.unlock();
          finishExchange(unmatched);
          return report;
        case HIDPPRequest::Reply::errorFrame:
          lock.unlock();
          finishExchange(unmatched);
          throw HIDPPError::deviceError(request.device, report[5]);
        case HIDPPRequest::Reply::unrelated:
          unmatched.push_back(std::move(report));
          break;
      }
    }
    if (inboxChanged_.wait_until(lock, deadline) == std::cv_status::timeout) {
      lock.unlock();
      finishExchange(unmatched);
      throw HIDPPError::timeout(request.device);
    }
  }
}

void HIDPPTransport::Core::send(const Report& report) {
  if (report.empty()) throw HIDPPError::malformedResponse();
  WriteTurn turn(*this);
  if (!isRunning()) throw HIDPPError::stopped();
  const int code = device_->write(report);
  if (code != 0) throw HIDPPError::writeFailed(code);
}

void HIDPPTransport::Core::stop() {
  const auto deadline = std::chrono::steady_clock::now() + stopWait;
  {
    std::lock_guard lock(stateLock_);
    if (stopped_) return;
    running_ = false;
    stopped_ = true;
    stateChanged_.notify_all();
  }
  NotificationHandler previous;
  {
    std::lock_guard lock(handlerLock_);
    previous.swap(notificationHandler_);
  }
  // `previous` is destroyed outside the lock: its captures may call back into the transport.
  previous = nullptr;
  {
    std::lock_guard lock(inboxLock_);
    inboxChanged_.notify_all();
  }
  // Once a write in progress has ended no other starts; one that blocks past the deadline is
  // left behind rather than waited for.
  {
    std::unique_lock writing(writeStateLock_);
    writeIdle_.wait_until(writing, deadline, [&] { return !writing_; });
  }
  std::unique_lock lock(stateLock_);
  stateChanged_.wait_until(lock, deadline, [&] { return readerFinished_; });
}

void HIDPPTransport::Core::setNotificationHandler(NotificationHandler handler) {
  std::lock_guard lock(handlerLock_);
  // The old handler leaves with the parameter, after the lock is released.
  handler.swap(notificationHandler_);
}

HIDPPTransport::HIDPPTransport(std::unique_ptr<HidDevice> device, std::chrono::milliseconds readSlice,
                               std::uint8_t firstSoftwareId)
    : core_(std::make_shared<Core>(std::move(device), readSlice, firstSoftwareId)) {
  reader_ = std::thread([core = core_] {
    pthread_setname_np(pthread_self(), "hidpp.reader");
    core->readLoop();
  });
}

HIDPPTransport::~HIDPPTransport() {
  core_->stop();
  // A reader that has closed the device is about to end; one still inside a read keeps the core
  // alive and finishes on its own.
  if (core_->readerFinished()) {
    reader_.join();
  } else {
    reader_.detach();
  }
}

Report HIDPPTransport::exchange(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                                const std::vector<std::uint8_t>& params, bool longReport, double timeoutSeconds) {
  return core_->exchange(HIDPPRequest{device, feature, function, params, longReport}, timeoutSeconds);
}

Report HIDPPTransport::exchangeRequest(const HIDPPRequest& request, double timeoutSeconds) {
  return core_->exchange(request, timeoutSeconds);
}

void HIDPPTransport::send(const Report& report) { core_->send(report); }

void HIDPPTransport::stop() { core_->stop(); }

void HIDPPTransport::setNotificationHandler(NotificationHandler handler) {
  core_->setNotificationHandler(std::move(handler));
}

}  // namespace flitbar
