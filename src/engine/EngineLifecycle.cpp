#include "engine/Engine.h"

#include "protocol/HIDPPError.h"

#include <asio/co_spawn.hpp>
#include <asio/redirect_error.hpp>
#include <asio/use_awaitable.hpp>

#include <future>

namespace flitbar {

namespace {

using Lifecycle = EngineSnapshot::Lifecycle;

// How long stopping a transport may block (HIDPPTransporting::stop).
constexpr double transportStopLimitSeconds = 2.0;

std::shared_ptr<SerialWorker> workerOrDefault(std::shared_ptr<SerialWorker> worker) {
  if (worker) return worker;
  return std::make_shared<SerialWorker>(std::string(FLITBAR_BUNDLE_IDENTIFIER) + ".engine.hid");
}

std::shared_ptr<ManagedControls> controlsOrDefault(std::shared_ptr<ManagedControls> controls) {
  return controls ? std::move(controls) : std::make_shared<ManagedControls>();
}

}  // namespace

std::shared_ptr<Engine> Engine::create(asio::any_io_executor executor, std::shared_ptr<MainExecutor> mainExecutor,
                                       Parameters parameters) {
  return std::shared_ptr<Engine>(new Engine(std::move(executor), std::move(mainExecutor), std::move(parameters)));
}

Engine::Engine(asio::any_io_executor executor, std::shared_ptr<MainExecutor> mainExecutor, Parameters parameters)
    : executor_(std::move(executor)),
      mainExecutor_(std::move(mainExecutor)),
      configStore_(std::move(parameters.configStore)),
      receiverFactory_(std::move(parameters.receiverFactory)),
      shellExecutor_(std::move(parameters.shellExecutor)),
      logger_(std::move(parameters.logger)),
      connectionAttempts_(parameters.connectionAttempts),
      retryDelay_(parameters.retryDelay),
      maintenanceInterval_(parameters.maintenanceInterval),
      reconnectDelay_(parameters.reconnectDelay),
      hidQueue_(workerOrDefault(std::move(parameters.hidQueue))),
      managedControls_(controlsOrDefault(std::move(parameters.managedControls))),
      departureConfirmThreshold_(parameters.departureConfirmThreshold),
      releaseTimeoutSeconds_(parameters.releaseTimeoutSeconds),
      stopFinished_(executor_, asio::steady_timer::time_point::max()),
      shellQueue_(shellExecutor_) {}

Engine::~Engine() {
  // Only an engine dropped without `stop` still holds a receiver; no task can reach it any more.
  // One release pass on the worker (after any job still running there), bounded by the release
  // timeout plus the transport's own stop limit, so a dropped engine leaves nothing diverted.
  if (!receiver_) return;
  receiver_->transport().setNotificationHandler({});
  auto released = std::make_shared<std::promise<void>>();
  auto done = released->get_future();
  hidQueue_->post([old = receiver_, devices = state_.devices, controls = managedControls_,
                   timeout = releaseTimeoutSeconds_, released]() noexcept {
    controls->releaseAndStop(*old, devices, timeout, true);
    released->set_value();
  });
  done.wait_for(std::chrono::duration<double>(releaseTimeoutSeconds_ + transportStopLimitSeconds));
}

asio::awaitable<EngineSnapshot> Engine::snapshot() { co_return state_; }

asio::awaitable<EngineSnapshot> Engine::start(bool autoSwitchBoth, std::optional<std::uint8_t> destinationHost,
                                              std::set<int> hiddenHosts, EventHandler handler) {
  // A stop in progress ends by dropping the handler: install ours once it is done.
  co_await untilStopped();
  handler_ = std::move(handler);
  autoSwitchBoth_ = autoSwitchBoth;
  destinationHost_ = destinationHost;
  hiddenHosts_ = std::move(hiddenHosts);
  if (state_.lifecycle != Lifecycle::stopped) co_return state_;

  const int g = ++generation_;
  ioCancellation_ = std::make_shared<CancelFlag>();
  maintenanceCycle_ = 0;
  missedPingStreak_.clear();
  state_.lifecycle = Lifecycle::starting;
  co_await adoptConfiguration(configStore_.load(true));
  publish();

  co_await connect();

  if (generation_ == g && state_.lifecycle == Lifecycle::starting) {
    state_.lifecycle = Lifecycle::running;
    publish();
    scheduleMaintenance(generation_);
  }
  co_return state_;
}

asio::awaitable<void> Engine::stop() {
  if (state_.lifecycle == Lifecycle::stopping) co_await untilStopped();
  if (state_.lifecycle == Lifecycle::stopped) co_return;
  state_.lifecycle = Lifecycle::stopping;
  ioCancellation_->cancel();
  ++generation_;

  const auto maintenance = std::exchange(maintenanceTask_, {});
  const auto reconnect = std::exchange(reconnectTask_, {});
  maintenance.cancel();
  reconnect.cancel();
  const auto pendingClose = std::exchange(pendingReceiverClose_, {});
  const auto actions = std::exchange(actionTasks_, {});
  for (const auto& [identifier, task] : actions) task.cancel();
  for (const auto& flag : activeRestores_) flag->cancel();

  if (receiver_) {
    auto old = std::exchange(receiver_, nullptr);
    old->transport().setNotificationHandler({});
    auto job = [old, devices = state_.devices, controls = managedControls_,
                timeout = releaseTimeoutSeconds_]() noexcept {
      return controls->releaseAndStop(*old, devices, timeout, true);
    };
    const auto failures = co_await perform(std::move(job));
    for (const auto& failure : failures) log("Shutdown: " + failure);
  } else {
    co_await pendingClose.completion();
    auto job = [controls = managedControls_]() noexcept { controls->discardCaptures(); };
    co_await perform(std::move(job));
  }

  co_await maintenance.completion();
  co_await reconnect.completion();
  for (const auto& [identifier, task] : actions) co_await task.completion();

  debouncer_ = {};
  pendingDepartureBaseline_.reset();
  state_.lifecycle = Lifecycle::stopped;
  state_.devices.clear();
  state_.movingToHost.reset();
  publish();
  handler_ = nullptr;
  stopFinished_.cancel();
}

asio::awaitable<void> Engine::untilStopped() {
  // The timer never expires: cancelling it at the end of a stop wakes every waiter.
  while (state_.lifecycle == Lifecycle::stopping) {
    std::error_code woken;
    co_await stopFinished_.async_wait(asio::redirect_error(asio::use_awaitable, woken));
  }
}

bool Engine::stopAndWait(std::chrono::duration<double> timeout) {
  auto finished = std::make_shared<std::promise<void>>();
  auto done = finished->get_future();
  asio::co_spawn(
      executor_,
      [](std::shared_ptr<Engine> engine) -> asio::awaitable<void> { co_await engine->stop(); }(shared_from_this()),
      [finished](std::exception_ptr) { finished->set_value(); });
  return done.wait_for(timeout) == std::future_status::ready;
}

asio::awaitable<void> Engine::setAutoSwitchBoth(bool enabled) {
  autoSwitchBoth_ = enabled;
  co_return;
}

asio::awaitable<void> Engine::setDestinationHost(std::optional<std::uint8_t> host) {
  destinationHost_ = host;
  co_await replanAutomaticBindings();
}

asio::awaitable<void> Engine::setHiddenHosts(std::set<int> hosts) {
  hiddenHosts_ = std::move(hosts);
  co_await replanAutomaticBindings();
}

asio::awaitable<void> Engine::handleWake() {
  if (state_.lifecycle == Lifecycle::running) co_await reconnectNow(false);
}

EngineSnapshot::Problem Engine::problem(const std::exception& error) {
  const auto* hidpp = dynamic_cast<const HIDPPError*>(&error);
  if (!hidpp) return EngineSnapshot::Problem::other;
  switch (hidpp->kind()) {
    case HIDPPError::Kind::noReceiver:
      return EngineSnapshot::Problem::noReceiver;
    case HIDPPError::Kind::accessDenied:
      return EngineSnapshot::Problem::accessDenied;
    case HIDPPError::Kind::silentReceiver:
      return EngineSnapshot::Problem::silentReceiver;
    default:
      return EngineSnapshot::Problem::other;
  }
}

std::vector<DeviceInfo> Engine::carryingBatteries(const std::vector<DeviceInfo>& previous,
                                                  const std::vector<DeviceInfo>& fresh) {
  std::map<std::string, DeviceBattery> byUnit;
  for (const auto& device : previous) {
    if (device.unitID && device.battery) byUnit.emplace(*device.unitID, *device.battery);
  }
  if (byUnit.empty()) return fresh;
  auto devices = fresh;
  for (auto& device : devices) {
    if (device.battery || !device.unitID) continue;
    if (const auto found = byUnit.find(*device.unitID); found != byUnit.end()) device.battery = found->second;
  }
  return devices;
}

void Engine::emit(EngineEvent event) {
  if (!handler_) return;
  mainExecutor_->post([handler = handler_, event = std::move(event)] { handler(event); });
}

void Engine::publish() { emit(EngineEvent::snapshot(state_)); }

void Engine::log(const std::string& line) const {
  if (logger_) logger_(line);
}

bool Engine::current(int g) const { return generation_ == g; }

bool Engine::currentAndLive(int g) const {
  return generation_ == g && (state_.lifecycle == Lifecycle::starting || state_.lifecycle == Lifecycle::running);
}

void Engine::spawnTask(EngineTask& slot, asio::awaitable<void> body) {
  slot.cancel();
  slot = EngineTask::spawn(executor_, std::move(body), [logger = logger_](std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& failure) {
      if (logger) logger(std::string("Engine task failed: ") + failure.what());
    } catch (...) {
      if (logger) logger("Engine task failed");
    }
  });
}

}  // namespace flitbar
