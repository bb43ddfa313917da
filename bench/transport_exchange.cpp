// Exchange round trips through HIDPPTransport against a device that answers every request at once,
// and the same device driven without the transport, so the difference is the transport's own cost.
// A third figure runs the exchange over a SOCK_SEQPACKET pair, the virtual interfaces' wire.
#include "platform/linux/SocketHidDevice.h"
#include "protocol/HIDPPTransport.h"

#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

using flitbar::HidDevice;
using flitbar::HidRead;
using flitbar::Report;

// Answers each request with a long response echoing its header, as soon as it is written.
class ZeroLatencyResponder final : public HidDevice {
public:
  HidRead read(std::chrono::milliseconds timeout) override {
    std::unique_lock lock(mutex_);
    if (!arrived_.wait_for(lock, timeout, [&] { return !answers_.empty(); })) return {};
    HidRead read{HidRead::Status::report, std::move(answers_.front())};
    answers_.pop_front();
    return read;
  }
  int write(std::span<const std::uint8_t> request) override {
    Report answer{0x11, request[1], request[2], request[3]};
    answer.resize(20, 0);
    {
      std::lock_guard lock(mutex_);
      answers_.push_back(std::move(answer));
    }
    arrived_.notify_one();
    return 0;
  }
  void close() override {}

private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Report> answers_;
};

void exchangeRoundTrip(benchmark::State& state) {
  flitbar::HIDPPTransport transport(std::make_unique<ZeroLatencyResponder>());
  const bool longReport = state.range(0) != 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(transport.exchange(0x01, 0x05, 0x01, {0x00, 0xD2}, longReport, 1.0));
  }
  state.SetItemsProcessed(state.iterations());
  transport.stop();
}
BENCHMARK(exchangeRoundTrip)->ArgName("long")->Arg(0)->Arg(1)->UseRealTime();

// The device alone: write a request and read its answer on one thread, no transport involved.
void deviceRoundTrip(benchmark::State& state) {
  ZeroLatencyResponder device;
  const Report request{0x11, 0x01, 0x05, 0x1A, 0x00, 0xD2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (auto _ : state) {
    device.write(request);
    benchmark::DoNotOptimize(device.read(std::chrono::milliseconds(100)));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(deviceRoundTrip)->UseRealTime();

// The virtual-interface path: the transport over a socket whose peer echoes every request at once.
void socketExchangeRoundTrip(benchmark::State& state) {
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
    state.SkipWithError("socketpair failed");
    return;
  }
  std::thread responder([peer = pair[1]] {
    std::uint8_t request[64];
    ssize_t length;
    while ((length = ::recv(peer, request, sizeof(request), 0)) > 0) {
      std::uint8_t answer[20] = {0x11, request[1], request[2], request[3]};
      ::send(peer, answer, sizeof(answer), MSG_NOSIGNAL);
    }
    ::close(peer);
  });
  {
    flitbar::HIDPPTransport transport(std::make_unique<flitbar::SocketHidDevice>(pair[0]));
    for (auto _ : state) {
      benchmark::DoNotOptimize(transport.exchange(0x01, 0x05, 0x01, {0x00, 0xD2}, false, 1.0));
    }
    state.SetItemsProcessed(state.iterations());
  }
  responder.join();  // the transport closed its end, which ends the responder's recv
}
BENCHMARK(socketExchangeRoundTrip)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
