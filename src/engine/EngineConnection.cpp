#include "engine/Engine.h"

#include "protocol/HIDPPError.h"

#include <asio/co_spawn.hpp>

namespace flitbar {

namespace {

using Lifecycle = EngineSnapshot::Lifecycle;

// Why the last connection attempt failed, as the snapshot shows it.
struct ConnectionFailure {
  std::string description;
  EngineSnapshot::Problem problem = EngineSnapshot::Problem::other;
};

ConnectionFailure describe(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const HIDPPError& failure) {
    return {failure.description(), Engine::problem(failure)};
  } catch (const std::exception& failure) {
    return {failure.what(), Engine::problem(failure)};
  } catch (...) {
    return {"unknown error", EngineSnapshot::Problem::other};
  }
}

// Runs the handler coroutine of one input report; the frame owns the engine reference.
asio::awaitable<void> deliverReport(std::shared_ptr<Engine> engine, Report report, int g,
                                    asio::awaitable<void> (Engine::*handle)(Report, int)) {
  co_await ((*engine).*handle)(std::move(report), g);
}

// The release-and-close of a receiver given up for a reconnect; needs nothing of the engine.
asio::awaitable<void> releaseAndClose(std::shared_ptr<SerialWorker> worker, std::shared_ptr<ManagedControls> controls,
                                      std::shared_ptr<ReceiverSession> old, std::vector<DeviceInfo> devices,
                                      double timeout, Engine::Logger logger) {
  auto job = [controls, old, devices = std::move(devices), timeout]() noexcept {
    return controls->releaseAndStop(*old, devices, timeout, false);
  };
  const auto failures = co_await worker->perform(std::move(job));
  for (const auto& failure : failures) {
    if (logger) logger("Reconnect: " + failure);
  }
}

}  // namespace

asio::awaitable<void> Engine::connect() {
  const int g = generation_;
  if (connectingGeneration_ == g) co_return;
  connectingGeneration_ = g;

  std::optional<ConnectionFailure> failure;
  bool triedEvery = true;
  for (int attempt = 1; attempt <= connectionAttempts_; ++attempt) {
    if (!currentAndLive(g)) {
      triedEvery = false;
      break;
    }
    std::optional<OpenedReceiver> opened;
    std::exception_ptr error;
    try {
      auto job = [factory = receiverFactory_] { return factory(); };
      opened = co_await performThrowing(std::move(job));
    } catch (...) {
      error = std::current_exception();
    }
    if (opened) {
      co_await adoptReceiver(g, std::move(*opened));
      triedEvery = false;
      break;
    }
    failure = describe(error);
    if (attempt < connectionAttempts_) co_await sleepFor(retryDelay_);
  }

  if (triedEvery && failure && currentAndLive(g)) {
    if (receiver_) co_await closeReceiver();
    if (current(g)) {
      state_.devices.clear();
      state_.lastError = failure->description;
      state_.problem = failure->problem;
      publish();
    }
  }
  if (connectingGeneration_ == g) connectingGeneration_.reset();
}

asio::awaitable<void> Engine::adoptReceiver(int g, OpenedReceiver opened) {
  auto session = std::move(opened.session);
  const auto devices = std::move(opened.devices);
  if (!currentAndLive(g)) {
    co_await stopTransport(session);
    co_return;
  }
  if (receiver_) {
    receiver_->transport().setNotificationHandler({});
    co_await stopTransport(receiver_);
    if (!currentAndLive(g)) {
      co_await stopTransport(session);
      co_return;
    }
  }

  receiver_ = session;
  state_.devices = carryingBatteries(state_.devices, devices);
  state_.lastError.reset();
  state_.problem.reset();
  state_.movingToHost.reset();
  debouncer_ = {};
  noteSeen(devices);
  installReportHandler(*session, g);
  logDevices(devices);

  auto job = [session, devices, controls = managedControls_]() noexcept {
    std::vector<std::string> lines;
    try {
      // Before planning, so what a crashed run left diverted is captured afresh, not taken for
      // another program's diversion.
      for (auto& line : controls->handBackLeftovers(*session, devices)) lines.push_back(std::move(line));
      controls->reconcileDevices(devices);
    } catch (const std::exception& error) {
      lines.push_back(error.what());
    }
    enforceRatchet(*session, devices, [&lines](const std::string& line) { lines.push_back(line); });
    return lines;
  };
  const auto ratchetLines = co_await perform(std::move(job));
  for (const auto& line : ratchetLines) log(line);

  if (!current(g) || receiver_ != session) co_return;
  co_await applyEffectiveBindings();
  if (!current(g) || receiver_ != session) co_return;
  co_await assertDiverts();
  if (!current(g) || receiver_ != session) co_return;
  publish();
}

void Engine::installReportHandler(ReceiverSession& session, int g) {
  session.transport().setNotificationHandler([weak = weak_from_this(), executor = executor_, g](const Report& report) {
    auto engine = weak.lock();
    if (!engine) return;
    asio::co_spawn(executor, deliverReport(std::move(engine), report, g, &Engine::handle), [](std::exception_ptr) {});
  });
}

void Engine::logDevices(const std::vector<DeviceInfo>& devices) {
  std::string text;
  for (const auto& device : devices) {
    if (!text.empty()) text += ", ";
    text += device.name + " (host " + std::to_string(device.currentHost + 1) + ")";
  }
  if (lastLoggedDevices_ == text) return;
  log("Devices: " + text);
  lastLoggedDevices_ = text;
}

asio::awaitable<void> Engine::closeReceiver() {
  auto old = std::exchange(receiver_, nullptr);
  if (!old) co_return;
  old->transport().setNotificationHandler({});
  co_await stopTransport(std::move(old));
}

asio::awaitable<void> Engine::stopTransport(std::shared_ptr<ReceiverSession> session) {
  auto job = [session = std::move(session)]() noexcept {
    try {
      session->stop();
    } catch (...) {
      // Best effort: the transport's destructor stops it again.
    }
  };
  co_await perform(std::move(job));
}

asio::awaitable<void> Engine::reconnectNow(bool followDepartures) {
  const int g = generation_;
  if (state_.lifecycle != Lifecycle::starting && state_.lifecycle != Lifecycle::running) co_return;
  if (connectingGeneration_ == g || reconnectingGeneration_ == g) co_return;
  reconnectingGeneration_ = g;

  std::vector<DeviceInfo> baseline;
  if (followDepartures) {
    baseline = pendingDepartureBaseline_ ? *pendingDepartureBaseline_ : state_.devices;
    pendingDepartureBaseline_ = baseline;
  } else {
    pendingDepartureBaseline_.reset();
    baseline = state_.devices;
  }

  auto old = std::exchange(receiver_, nullptr);
  if (old) old->transport().setNotificationHandler({});
  missedPingStreak_.clear();

  if (old) {
    spawnTask(pendingReceiverClose_,
              releaseAndClose(hidQueue_, managedControls_, old, state_.devices, releaseTimeoutSeconds_, logger_));
    const auto closing = pendingReceiverClose_;
    co_await closing.completion();
    if (current(g)) pendingReceiverClose_ = {};
  }
  if (!current(g)) {
    if (reconnectingGeneration_ == g) reconnectingGeneration_.reset();
    co_return;
  }

  co_await connect();

  if (current(g) && followDepartures && !state_.lastError) {
    pendingDepartureBaseline_.reset();
    co_await followDeparted(std::move(baseline), state_.devices);
  }
  if (reconnectingGeneration_ == g) reconnectingGeneration_.reset();
}

void Engine::scheduleReconnect(int g, bool followDepartures) {
  auto body = [](std::weak_ptr<Engine> weak, int g, bool followDepartures) -> asio::awaitable<void> {
    std::chrono::nanoseconds delay{0};
    if (const auto engine = weak.lock()) delay = engine->reconnectDelay_;
    co_await sleepFor(delay);
    if (co_await taskCancelled()) co_return;
    const auto engine = weak.lock();
    if (!engine) co_return;
    co_await engine->performScheduledReconnect(g, followDepartures);
  };
  spawnTask(reconnectTask_, body(weak_from_this(), g, followDepartures));
}

asio::awaitable<void> Engine::performScheduledReconnect(int g, bool followDepartures) {
  if (generation_ != g || state_.lifecycle != Lifecycle::running) co_return;
  reconnectTask_ = {};
  co_await reconnectNow(followDepartures);
}

}  // namespace flitbar
