#include "ScriptedHidDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>

namespace flitbar::testing {
namespace {

std::vector<Report> echo(const Report& request) { return {answerTo(request, {request[4]})}; }

TEST(HIDPPTransportConcurrency, ExchangesFromSeveralThreadsEachGetTheirOwnAnswer) {
  auto script = std::make_shared<HidScript>();
  script->respondWith(echo);
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

TEST(HIDPPTransportConcurrency, StopWakesAWaitingExchangeAndIsNotHeldByABlockedWrite) {
  auto script = std::make_shared<HidScript>();
  auto transport = makeTransport(script);
  auto waiting = std::async(std::launch::async,
                            [&] { return errorFrom([&] { transport->exchange(0x01, 0x00, 0x00, {}, false, 60.0); }); });
  ASSERT_TRUE(script->waitForWrites(1));
  script->blockWrites(true);
  auto writing = std::async(std::launch::async, [&] { transport->send({0x10, 0x01}); });
  ASSERT_TRUE(script->waitForWrites(2));

  auto stopping = std::async(std::launch::async, [&] { transport->stop(); });
  EXPECT_EQ(stopping.wait_for(10s), std::future_status::ready) << "stop waited for a blocked write";
  EXPECT_EQ(waiting.get(), HIDPPError::stopped());
  EXPECT_EQ(script->closeCount(), 0) << "the device was closed under a write";
  script->blockWrites(false);
  writing.get();
  EXPECT_TRUE(script->waitUntilClosed());
}

TEST(HIDPPTransportConcurrency, StopDropsQueuedNotificationsAndDoesNotWaitForARunningHandler) {
  auto script = std::make_shared<HidScript>();
  auto transport = makeTransport(script);
  std::promise<void> entered;
  std::promise<void> release;
  auto released = release.get_future().share();
  std::atomic<int> calls = 0;
  transport->setNotificationHandler([&, released](const Report&) {
    if (calls++ == 0) {
      entered.set_value();
      released.wait();
    }
  });
  for (std::uint8_t device = 1; device <= 3; ++device) script->arrive(shortReport({0x10, device, 0x41}));
  ASSERT_EQ(entered.get_future().wait_for(10s), std::future_status::ready);
  ASSERT_TRUE(script->waitUntilAllRead());
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
    script->respondWith(echo);
    auto response = transport->exchange(0x02, 0x07, 0x01, {0x33}, false, 5.0);
    transport.reset();
    answer.set_value(response);
  });
  script->arrive(shortReport({0x10, 0x02, 0x41}));
  auto future = answer.get_future();
  ASSERT_EQ(future.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(future.get()[4], 0x33);
  EXPECT_TRUE(script->waitUntilClosed());
}

TEST(HIDPPTransportConcurrency, AReaderStuckInAReadClosesTheDeviceAfterTheTransportIsGone) {
  auto script = std::make_shared<HidScript>();
  auto transport = makeTransport(script);
  script->blockReads(true);
  ASSERT_TRUE(script->waitUntilReading());
  transport.reset();  // gives up after its 2-second wait
  EXPECT_EQ(script->closeCount(), 0);
  script->blockReads(false);
  ASSERT_TRUE(script->waitUntilClosed());
  EXPECT_EQ(script->closingThread(), "hidpp.reader");
}

}  // namespace
}  // namespace flitbar::testing
