#pragma once

#include "config/Binding.h"
#include "config/ConfigLoad.h"
#include "config/ConfigStore.h"
#include "engine/ButtonDebouncer.h"
#include "engine/CancelFlag.h"
#include "engine/EngineEvent.h"
#include "engine/EngineSnapshot.h"
#include "engine/EngineTask.h"
#include "engine/HostMemory.h"
#include "engine/MainExecutor.h"
#include "engine/ManagedControls.h"
#include "engine/SerialWorker.h"
#include "engine/ShellExecuting.h"
#include "engine/ShellQueue.h"
#include "engine/SwitchReason.h"
#include "engine/SwitchReport.h"
#include "engine/WheelDiversion.h"
#include "protocol/ControlInfo.h"
#include "protocol/DeviceInfo.h"
#include "protocol/ReceiverSession.h"

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <asio/steady_timer.hpp>

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

namespace flitbar {

// The single owner of the receiver while the application runs: keeps the device picture, switches
// hosts, cares for wheels and batteries, and publishes snapshots and events.
//
// An actor: every member below runs on `executor()` (one thread) and every field is touched only
// there. Blocking HID++ work runs one job at a time on the `hidQueue` worker; the actor stays free
// while a job runs, so each operation re-checks `generation` (and, where it matters, the receiver
// and the lifecycle) after every suspension and drops work that went stale. Events reach the
// handler on the main thread through the MainExecutor, in the order they were emitted.
//
// Lifetime: the engine lives in a shared_ptr; its own tasks and the receiver's report handler hold
// it weakly. Operations never throw: failures become log lines, `lastError`/`problem`,
// `actionFailed` events, or an absent result. Main-thread code calls operations through
// EngineFacade; `stopAndWait` may be called from any thread except the engine's.
class Engine : public std::enable_shared_from_this<Engine> {
 public:
  // Opens a receiver and discovers its devices; runs on `hidQueue` and throws on failure
  // (HIDPPError or any std::exception).
  using ReceiverFactory = std::function<OpenedReceiver()>;
  // One engine log line. Called only on the engine's executor.
  using Logger = std::function<void(const std::string&)>;
  // Receives every event on the main thread.
  using EventHandler = std::function<void(const EngineEvent&)>;

  // Construction parameters. The application uses the defaults; tests shorten the timings and
  // run the real code.
  struct Parameters {
    ConfigStore configStore;
    ReceiverFactory receiverFactory;
    std::shared_ptr<ShellExecuting> shellExecutor;
    Logger logger;
    int connectionAttempts = 5;
    std::chrono::nanoseconds retryDelay = std::chrono::milliseconds(350);
    std::chrono::nanoseconds maintenanceInterval = std::chrono::seconds(1);
    std::chrono::nanoseconds reconnectDelay = std::chrono::milliseconds(1500);
    // Made with the label bundle identifier + ".engine.hid" when not supplied.
    std::shared_ptr<SerialWorker> hidQueue;
    // An empty record when not supplied. The application supplies one with a DiversionJournal so
    // that what a crashed run left diverted is handed back at the next start.
    std::shared_ptr<ManagedControls> managedControls;
    int departureConfirmThreshold = 3;
    // How long releasing the diverted controls may take when a receiver is let go.
    double releaseTimeoutSeconds = 2.0;
  };

  // Nothing runs until `start`.
  static std::shared_ptr<Engine> create(asio::any_io_executor executor, std::shared_ptr<MainExecutor> mainExecutor,
                                        Parameters parameters);
  // An engine dropped without `stop` makes one release pass, bounded by the release timeout.
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  const asio::any_io_executor& executor() const { return executor_; }

  // A copy of the published picture.
  asio::awaitable<EngineSnapshot> snapshot();
  // Installs the settings and handler (always, once a stop in progress has finished); starts the
  // engine when it is stopped. Returns the picture once the first connection has been tried.
  asio::awaitable<EngineSnapshot> start(bool autoSwitchBoth, std::optional<std::uint8_t> destinationHost,
                                        std::set<int> hiddenHosts, EventHandler handler);
  // Cancels the run's work, hands the diverted controls back, closes the receiver and publishes a
  // final `stopped` snapshot; returns when no work of the run is left. A call while a stop is in
  // progress returns when that stop has finished; a call on a stopped engine returns at once.
  asio::awaitable<void> stop();
  // Runs `stop` and blocks the calling thread until it finished or `timeout` passed; true when it
  // finished in time (otherwise the stop goes on in the background). Never call it on the engine's
  // own thread.
  bool stopAndWait(std::chrono::duration<double> timeout);

  asio::awaitable<void> setAutoSwitchBoth(bool enabled);
  asio::awaitable<void> setDestinationHost(std::optional<std::uint8_t> host);
  asio::awaitable<void> setHiddenHosts(std::set<int> hosts);
  // After the computer woke: reconnect when running.
  asio::awaitable<void> handleWake();
  // Re-reads the bindings file and makes its bindings (or the automatic ones) effective.
  asio::awaitable<void> reload();

  // Moves every device that can reach `host` (1..3) there. Absent when nothing was sent or
  // sending failed.
  asio::awaitable<std::optional<SwitchReport>> switchAll(std::uint8_t host, SwitchReason reason);

  // The first device whose hi-res wheel is diverted to a driver; changes nothing.
  asio::awaitable<std::optional<WheelDiversion>> divertedWheel();
  // Gives that wheel back to native scrolling; true when confirmed.
  asio::awaitable<bool> rescueWheel();

  static EngineSnapshot::Problem problem(const std::exception& error);
  // `fresh` where a device without a reading takes the previous reading of its unit id.
  static std::vector<DeviceInfo> carryingBatteries(const std::vector<DeviceInfo>& previous,
                                                   const std::vector<DeviceInfo>& fresh);
  // Holds every SmartShift wheel of `devices` in ratchet mode. Runs on the worker, never throws;
  // problems go to `log`.
  static void enforceRatchet(ReceiverSession& receiver, const std::vector<DeviceInfo>& devices, const Logger& log);

 private:
  Engine(asio::any_io_executor executor, std::shared_ptr<MainExecutor> mainExecutor, Parameters parameters);

  // Worker jobs. `perform` takes jobs that cannot fail; `performThrowing` rethrows the job's error.
  // Name a capturing job lambda before awaiting it: g++ 12 destroys a capturing lambda temporary
  // inside a co_await expression twice.
  template <typename Job>
  asio::awaitable<std::invoke_result_t<Job>> perform(Job job) {
    static_assert(std::is_nothrow_invocable_v<Job>, "jobs that can fail go through performThrowing");
    return hidQueue_->perform(std::move(job));
  }
  template <typename Job>
  asio::awaitable<std::invoke_result_t<Job>> performThrowing(Job job) {
    return hidQueue_->perform(std::move(job));
  }

  void emit(EngineEvent event);
  void publish();
  void log(const std::string& line) const;
  // True while work that began in generation `g` may go on.
  bool current(int g) const;
  bool currentAndLive(int g) const;
  void spawnTask(EngineTask& slot, asio::awaitable<void> body);
  // Returns once no stop is in progress.
  asio::awaitable<void> untilStopped();

  // Connection (EngineConnection.cpp).
  asio::awaitable<void> connect();
  asio::awaitable<void> adoptReceiver(int g, OpenedReceiver opened);
  asio::awaitable<void> reconnectNow(bool followDepartures);
  void scheduleReconnect(int g, bool followDepartures);
  asio::awaitable<void> performScheduledReconnect(int g, bool followDepartures);
  void installReportHandler(ReceiverSession& session, int g);
  // Detaches the handler, forgets the receiver and stops its transport on the worker.
  asio::awaitable<void> closeReceiver();
  asio::awaitable<void> stopTransport(std::shared_ptr<ReceiverSession> session);
  void logDevices(const std::vector<DeviceInfo>& devices);

  // Maintenance (EngineMaintenance.cpp).
  void scheduleMaintenance(int g);
  asio::awaitable<void> maintenanceTick(int g);

  // Upkeep (EngineUpkeep.cpp).
  asio::awaitable<void> refreshBatteries();
  asio::awaitable<std::optional<WheelDiversion>> scanForDivertedWheel(std::shared_ptr<ReceiverSession> receiver);

  // Seams completed by the binding, diversion, following and actions work.
  asio::awaitable<void> adoptConfiguration(ConfigLoad load);
  asio::awaitable<void> applyEffectiveBindings();
  asio::awaitable<std::map<std::uint8_t, std::vector<ControlInfo>>> controlInventory(std::vector<DeviceInfo> devices);
  asio::awaitable<void> replanAutomaticBindings();
  asio::awaitable<void> assertDiverts();
  void noteSeen(const std::vector<DeviceInfo>& devices);
  asio::awaitable<bool> hasUnresponsiveDevice();
  asio::awaitable<bool> anyResponds(std::vector<std::uint8_t> indexes);
  asio::awaitable<void> followDeparted(std::vector<DeviceInfo> previous, std::vector<DeviceInfo> present);
  asio::awaitable<void> handle(Report report, int g);
  // Button actions (EngineActions.cpp).
  void startShell(std::string command, std::string name);
  asio::awaitable<ShellResult> performShell(std::string command);
  void shellFinished(std::uint64_t identifier, const std::string& name, const ShellResult& result);

  // Constant after construction.
  const asio::any_io_executor executor_;
  const std::shared_ptr<MainExecutor> mainExecutor_;
  const ConfigStore configStore_;
  const ReceiverFactory receiverFactory_;
  const std::shared_ptr<ShellExecuting> shellExecutor_;
  const Logger logger_;
  const int connectionAttempts_;
  const std::chrono::nanoseconds retryDelay_;
  const std::chrono::nanoseconds maintenanceInterval_;
  const std::chrono::nanoseconds reconnectDelay_;
  const std::shared_ptr<SerialWorker> hidQueue_;
  const std::shared_ptr<ManagedControls> managedControls_;
  const int departureConfirmThreshold_;
  const double releaseTimeoutSeconds_;

  // Engine state, touched only on `executor_`.
  EngineSnapshot state_;
  std::shared_ptr<ReceiverSession> receiver_;
  EventHandler handler_;
  bool autoSwitchBoth_ = true;
  std::optional<std::uint8_t> destinationHost_;
  std::set<int> hiddenHosts_;
  std::vector<Binding> configBindings_;
  std::map<std::string, std::vector<ControlInfo>> controlCache_;
  int generation_ = 0;
  std::optional<int> connectingGeneration_;
  std::optional<int> reconnectingGeneration_;
  int maintenanceCycle_ = 0;
  EngineTask maintenanceTask_;
  EngineTask reconnectTask_;
  EngineTask pendingReceiverClose_;
  std::map<std::uint64_t, EngineTask> actionTasks_;
  CancelFlagRef ioCancellation_ = std::make_shared<CancelFlag>();
  ButtonDebouncer debouncer_;
  std::map<std::uint8_t, HostMemory> lastHost_;
  std::optional<std::string> lastLoggedDevices_;
  std::optional<std::vector<DeviceInfo>> pendingDepartureBaseline_;
  std::map<std::uint8_t, int> missedPingStreak_;
  std::vector<CancelFlagRef> activeRestores_;
  std::uint64_t nextActionIdentifier_ = 0;
  // Wakes callers waiting for a stop in progress (see `untilStopped`).
  asio::steady_timer stopFinished_;
  // Last: its destructor joins the command threads before anything they resume on goes away.
  ShellQueue shellQueue_;
};

}  // namespace flitbar
