#include "TransportTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <numeric>

namespace flitbar::testing {
namespace {

using namespace std::chrono_literals;

// Answers every request with a long response echoing its header and first parameter.
std::vector<Report> echo(const Report& request) {
  return {longReport({0x11, request[1], request[2], request[3], request[4]})};
}

TEST(HIDPPTransportConcurrency, ExchangesFromSeveralThreadsEachGetTheirOwnAnswer) {
  auto script = std::make_shared<HidScript>();
  script->respondWith(echo);
  auto transport = makeTransport(script);

  std::vector<std::future<int>> workers;
  for (std::uint8_t device = 1; device <= 4; ++device) {
    workers.push_back(std::async(std::launch::async, [&, device] {
      int answered = 0;
      for (std::uint8_t round = 0; round < 50; ++round) {
        const auto response = transport->exchange(device, device, round % 16, {round}, round % 2 == 0, 2.0);
        answered += response[1] == device && response[3] == ((round % 16) << 4 | 0x0A) && response[4] == round;
      }
      return answered;
    }));
  }
  for (auto& worker : workers) EXPECT_EQ(worker.get(), 50);
  EXPECT_FALSE(script->overlappingWrites());
}

TEST(HIDPPTransportConcurrency, AHandlerReplacedWhileReportsFlowSeesEachReportOnceInOrder) {
  auto script = std::make_shared<HidScript>();
  auto transport = makeTransport(script);
  constexpr int total = 400;

  std::mutex mutex;
  std::condition_variable counted;
  std::array<std::vector<int>, 2> seen;
  auto recorder = [&](int which) {
    return [&, which](const Report& report) {
      std::lock_guard lock(mutex);
      seen[which].push_back(report[4] << 8 | report[5]);
      counted.notify_all();
    };
  };
  transport->setNotificationHandler(recorder(0));
  std::thread feeder([&] {
    for (int i = 0; i < total; ++i)
      script->arrive(shortReport({0x10, 0x01, 0x41, 0x00, std::uint8_t(i >> 8), std::uint8_t(i)}));
  });
  for (int swap = 0; swap < 200; ++swap) transport->setNotificationHandler(recorder(swap % 2));
  feeder.join();

  std::unique_lock lock(mutex);
  ASSERT_TRUE(counted.wait_for(lock, 5s, [&] { return seen[0].size() + seen[1].size() == total; }));
  for (const auto& sequence : seen) EXPECT_TRUE(std::is_sorted(sequence.begin(), sequence.end()));
  std::vector<int> all(seen[0]);
  all.insert(all.end(), seen[1].begin(), seen[1].end());
  std::sort(all.begin(), all.end());
  std::vector<int> expected(total);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(all, expected);
}

TEST(HIDPPTransportConcurrency, StopWakesAWaitingExchange) {
  auto script = std::make_shared<HidScript>();
  auto transport = makeTransport(script);
  auto exchange = std::async(
      std::launch::async, [&] { return errorFrom([&] { transport->exchange(0x01, 0x00, 0x00, {}, false, 30.0); }); });
  ASSERT_TRUE(script->waitForWrites(1));
  transport->stop();
  ASSERT_EQ(exchange.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(exchange.get(), HIDPPError::stopped());
}

TEST(HIDPPTransportConcurrency, StopDoesNotWaitForARunningHandlerAndDropsWhatIsQueued) {
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
  script->arrive({shortReport({0x10, 0x01, 0x41}), shortReport({0x10, 0x02, 0x41}), shortReport({0x10, 0x03, 0x41})});
  ASSERT_EQ(entered.get_future().wait_for(5s), std::future_status::ready);
  ASSERT_TRUE(script->waitUntilAllRead());

  auto stopping = std::async(std::launch::async, [&] { transport->stop(); });
  ASSERT_EQ(stopping.wait_for(5s), std::future_status::ready);
  release.set_value();
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(calls, 1);
  transport.reset();
}

TEST(HIDPPTransportConcurrency, TheHandlerMayCallBackIntoTheTransport) {
  auto script = std::make_shared<HidScript>();
  auto transport = makeTransport(script);
  std::promise<Report> answer;
  transport->setNotificationHandler([&](const Report&) {
    transport->setNotificationHandler(nullptr);
    script->respondWith(echo);
    answer.set_value(transport->exchange(0x02, 0x07, 0x01, {0x33}, false, 2.0));
  });
  script->arrive(shortReport({0x10, 0x02, 0x41}));
  auto future = answer.get_future();
  ASSERT_EQ(future.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(future.get(), longReport({0x11, 0x02, 0x07, 0x1A, 0x33}));
  transport.reset();
}

TEST(HIDPPTransportConcurrency, AReaderStuckInAReadClosesTheDeviceAfterTheTransportIsGone) {
  auto script = std::make_shared<HidScript>();
  auto transport = makeTransport(script);
  script->stickNextRead();
  std::this_thread::sleep_for(20ms);  // let the reader enter the stuck read

  transport->stop();  // gives up after its 2-second wait
  EXPECT_EQ(script->closeCount(), 0);
  transport.reset();
  script->releaseStuckRead();
  ASSERT_TRUE(script->waitUntilClosed());
  EXPECT_EQ(script->closingThreadName(), "hidpp.reader");
}

TEST(HIDPPTransportConcurrency, TheHandlerMayDestroyTheTransport) {
  auto script = std::make_shared<HidScript>();
  std::shared_ptr<HIDPPTransport> transport = makeTransport(script);
  std::promise<void> destroyed;
  transport->setNotificationHandler([&](const Report&) {
    transport.reset();
    destroyed.set_value();
  });
  script->arrive(shortReport({0x10, 0x01, 0x41}));
  auto future = destroyed.get_future();
  ASSERT_EQ(future.wait_for(5s), std::future_status::ready);
  EXPECT_TRUE(script->waitUntilClosed());
}

}  // namespace
}  // namespace flitbar::testing
