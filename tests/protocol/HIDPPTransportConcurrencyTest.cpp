#include "ScriptedHidDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>

namespace flitbar::testing {
namespace {

using State = HidScript::State;

std::vector<Report> echo(const Report& request) { return {answerTo(request, {request[4]})}; }

bool closed(const State& state) { return state.closeCount > 0; }

TEST(HIDPPTransportConcurrency, ExchangesFromSeveralThreadsEachGetTheirOwnAnswer) {
  auto script = std::make_shared<HidScript>();
  script->with([](State& state) { state.respond = echo; });
  auto transport = makeTransport(script);
  std::vector<std::future<int>> workers;
  for (std::uint8_t device = 1; device <= 4; ++device) {
    workers.push_back(std::async(std::launch::async, [&, device] {
      int answered = 0;
      for (std::uint8_t round = 0; round < 50; ++round) {
        const auto response = transport->exchange(device, device, round % 16, {round}, round % 2 == 0, 5.0);
        answered += response[1] == device && response[3] >> 4 == round % 16 && response[4] == round;
      }
      return answered;
    }));
  }
  for (auto& worker : workers) EXPECT_EQ(worker.get(), 50);
}

TEST(HIDPPTransportConcurrency, StopWakesAWaitingExchangeAndNeverClosesUnderABlockedWrite) {
  auto script = std::make_shared<HidScript>();
  auto transport = makeTransport(script);
  auto waiting = std::async(std::launch::async,
                            [&] { return errorFrom([&] { transport->exchange(0x01, 0x00, 0x00, {}, false, 60.0); }); });
  ASSERT_TRUE(script->waitFor([](const State& state) { return state.writes.size() == 1; }));
  script->with([](State& state) { state.held = true; });
  auto writing = std::async(std::launch::async, [&] { transport->send({0x10, 0x01}); });
  ASSERT_TRUE(script->waitFor([](const State& state) { return state.writes.size() == 2; }));

  auto stopping = std::async(std::launch::async, [&] { transport->stop(); });
  EXPECT_EQ(stopping.wait_for(10s), std::future_status::ready) << "stop waited for a blocked write";
  EXPECT_EQ(waiting.get(), HIDPPError::stopped());
  EXPECT_FALSE(script->with(closed)) << "the device was closed under a write";
  script->with([](State& state) { state.held = false; });
  writing.get();
  EXPECT_TRUE(script->waitFor(closed));
}

TEST(HIDPPTransportConcurrency, AReaderStuckInAReadClosesTheDeviceAfterTheTransportIsGone) {
  auto script = std::make_shared<HidScript>();
  auto transport = makeTransport(script);
  script->with([](State& state) { state.held = true; });
  ASSERT_TRUE(script->waitFor([](const State& state) { return state.reading; }));
  transport.reset();  // gives up after its 2-second wait
  EXPECT_FALSE(script->with(closed));
  script->with([](State& state) { state.held = false; });
  ASSERT_TRUE(script->waitFor(closed));
  EXPECT_EQ(script->with([](State& state) { return state.closingThread; }), "hidpp.reader");
}

TEST(HIDPPTransportConcurrency, StopDropsQueuedNotificationsAndDoesNotWaitForARunningHandler) {
  auto script = std::make_shared<HidScript>();
  auto transport = makeTransport(script);
  std::promise<void> entered;
  std::promise<void> release;
  std::atomic<int> calls = 0;
  transport->setNotificationHandler([&, released = release.get_future().share()](const Report&) {
    if (calls++ > 0) return;
    entered.set_value();
    released.wait();
  });
  for (std::uint8_t device = 1; device <= 3; ++device) script->arrive(padded({0x10, device, 0x41}, 7));
  ASSERT_EQ(entered.get_future().wait_for(10s), std::future_status::ready);
  ASSERT_TRUE(script->waitFor([](const State& state) { return state.inputs.empty(); }));
  auto stopping = std::async(std::launch::async, [&] { transport->stop(); });
  ASSERT_EQ(stopping.wait_for(10s), std::future_status::ready);
  release.set_value();
  transport.reset();  // waits for the running handler
  EXPECT_EQ(calls, 1);
}

TEST(HIDPPTransportConcurrency, TheHandlerMayCallBackIntoOrDestroyTheTransport) {
  auto script = std::make_shared<HidScript>();
  std::shared_ptr<HIDPPTransport> transport = makeTransport(script);
  std::promise<Report> answer;
  transport->setNotificationHandler([&](const Report&) {
    script->with([](State& state) { state.respond = echo; });
    auto response = transport->exchange(0x02, 0x07, 0x01, {0x33}, false, 5.0);
    transport.reset();
    answer.set_value(response);
  });
  script->arrive(padded({0x10, 0x02, 0x41}, 7));
  auto future = answer.get_future();
  ASSERT_EQ(future.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(future.get()[4], 0x33);
  EXPECT_TRUE(script->waitFor(closed));
}

}  // namespace
}  // namespace flitbar::testing
