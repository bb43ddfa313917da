// What `flitbar list` costs against the default rig at its realistic latencies (20 ms per device
// answer, 2 ms per receiver error): discovery in-process with its exchange count, the whole
// command as a process against flitbar-virtual-receiver, and the process's own start-up cost.
#include "protocol/HIDPPTransport.h"
#include "protocol/Receiver.h"
#include "virtual/InProcessHidBackend.h"
#include "virtual/VirtualRig.h"
#include "virtual/VirtualWorld.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using namespace flitbar;

const std::string defaultRig = std::string(FLITBAR_SOURCE_DIR) + "/src/virtual/rigs/default.json";

// Counts what goes over the transport.
class CountingTransport final : public HIDPPTransporting {
 public:
  explicit CountingTransport(std::shared_ptr<HIDPPTransporting> inner) : inner_(std::move(inner)) {}
  Report exchange(std::uint8_t device, std::uint8_t feature, std::uint8_t function,
                  const std::vector<std::uint8_t>& params, bool longReport, double timeoutSeconds) override {
    ++exchanges;
    if (feature == 0 && function == 0) ++featureLookups;
    try {
      return inner_->exchange(device, feature, function, params, longReport, timeoutSeconds);
    } catch (...) {
      ++failures;
      throw;
    }
  }
  void send(const Report& report) override { inner_->send(report); }
  void stop() override { inner_->stop(); }
  void setNotificationHandler(NotificationHandler handler) override {
    inner_->setNotificationHandler(std::move(handler));
  }

  std::atomic<int> exchanges = 0;
  std::atomic<int> featureLookups = 0;
  std::atomic<int> failures = 0;

 private:
  std::shared_ptr<HIDPPTransporting> inner_;
};

// Opening and discovery, which is all `list` does with the receiver.
void listDiscovery(benchmark::State& state) {
  auto world = std::make_shared<virtualhid::VirtualWorld>(virtualhid::VirtualRig::load(defaultRig));
  virtualhid::InProcessHidBackend backend(world, "host1");
  std::shared_ptr<CountingTransport> counter;
  std::size_t devices = 0;
  for (auto _ : state) {
    auto opened = Receiver::openFirstResponding(backend, [&](std::unique_ptr<HidDevice> device) {
      counter = std::make_shared<CountingTransport>(std::make_shared<HIDPPTransport>(std::move(device)));
      return counter;
    });
    devices = opened.devices.size();
    opened.session->stop();
  }
  state.counters["devices"] = static_cast<double>(devices);
  state.counters["exchanges"] = counter->exchanges.load();
  state.counters["featureLookups"] = counter->featureLookups.load();
  state.counters["errorAnswers"] = counter->failures.load();
}
BENCHMARK(listDiscovery)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int runQuietly(const std::vector<std::string>& arguments, const std::vector<std::string>& extraEnvironment) {
  std::vector<std::string> environment(extraEnvironment);
  for (char** entry = environ; *entry; ++entry) {
    const std::string variable(*entry);
    if (!variable.starts_with("FLITBAR_VIRTUAL_HID=") && !variable.starts_with("DBUS_SESSION_BUS_ADDRESS="))
      environment.push_back(variable);
  }
  std::vector<char*> argv, envp;
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  for (const auto& variable : environment) envp.push_back(const_cast<char*>(variable.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The whole command, process start to exit, against a served virtual receiver.
void listProcess(benchmark::State& state) {
  const auto folder = std::filesystem::temp_directory_path() / ("flitbar-bench-" + std::to_string(::getpid()));
  std::vector<std::string> serve{FLITBAR_VIRTUAL_RECEIVER, "serve", "--rig", defaultRig, "--dir", folder.string()};
  std::vector<char*> argv;
  for (auto& argument : serve) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t server = 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn(&server, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  while (!std::filesystem::exists(folder / "control.sock")) std::this_thread::sleep_for(std::chrono::milliseconds(10));

  const std::vector<std::string> environment{"FLITBAR_VIRTUAL_HID=" + (folder / "host1").string()};
  for (auto _ : state) {
    if (runQuietly({FLITBAR_EXECUTABLE, "list"}, environment) != 0) state.SkipWithError("flitbar list failed");
  }
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  std::filesystem::remove_all(folder);
}
BENCHMARK(listProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Start-up and exit alone: `version` touches neither receiver nor bus; `list` with no receiver
// adds the bus check (no session bus here) and HID discovery finding nothing.
void startUp(benchmark::State& state) {
  const auto empty = std::filesystem::temp_directory_path() / ("flitbar-bench-empty-" + std::to_string(::getpid()));
  std::filesystem::create_directories(empty);
  const bool withList = state.range(0) != 0;
  const std::vector<std::string> environment{"FLITBAR_VIRTUAL_HID=" + empty.string()};
  for (auto _ : state) {
    runQuietly(withList ? std::vector<std::string>{FLITBAR_EXECUTABLE, "list"}
                        : std::vector<std::string>{FLITBAR_EXECUTABLE, "version"},
               environment);
  }
  std::filesystem::remove_all(empty);
}
BENCHMARK(startUp)
    ->ArgName("listWithoutReceiver")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
