#include "TransportTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <future>

namespace flitbar::testing {
namespace {

class HIDPPTransportTest : public ::testing::Test {
protected:
  std::shared_ptr<HidScript> script = std::make_shared<HidScript>();
  NotificationLog log;
  std::unique_ptr<HIDPPTransport> transport = makeTransport(script);

  void SetUp() override { transport->setNotificationHandler(log.handler()); }
};

TEST_F(HIDPPTransportTest, ExchangeWritesTheRequestAndReturnsTheWholeResponse) {
  const auto response = longReport({0x11, 0x02, 0x05, 0x1A, 0x42});
  script->respondWith(answerOnce({response}));

  EXPECT_EQ(transport->exchange(0x02, 0x05, 0x01, {0x42, 0x43, 0x44, 0x45}, false, 1.0), response);
  EXPECT_EQ(script->writes(), (std::vector<Report>{{0x10, 0x02, 0x05, 0x1A, 0x42, 0x43, 0x44}}));
}

TEST_F(HIDPPTransportTest, MatchingErrorFramesThrowAndOthersAreDeliveredAfterTheExchange) {
  const auto otherFeature = longReport({0x11, 0x02, 0xFF, 0x07, 0x1A, 0x02});
  const auto ours = longReport({0x11, 0x02, 0xFF, 0x05, 0x1A, 0x05});
  script->respondWith(answerOnce({otherFeature, ours}));
  auto error = errorFrom([&] { transport->exchange(0x02, 0x05, 0x01, {}, true, 1.0); });
  EXPECT_EQ(error, HIDPPError::deviceError(0x02, 0x05));
  ASSERT_TRUE(log.waitFor(1));
  EXPECT_EQ(log.reports(), std::vector<Report>{otherFeature});

  // The receiver's own short error frame for an empty slot.
  script->respondWith(answerOnce({{0x10, 0x04, 0x8F, 0x00, 0x1A, 0x08, 0x00}}));
  error = errorFrom([&] { transport->exchange(0x04, 0x00, 0x01, {}, false, 1.0); });
  EXPECT_EQ(error, HIDPPError::deviceError(0x04, 0x08));
}

TEST_F(HIDPPTransportTest, UnmatchedReportsReachTheHandlerAfterTheExchangeInArrivalOrder) {
  const auto event = longReport({0x11, 0x02, 0x05, 0x00, 0xD2});  // same feature, software id 0
  const auto otherDevice = shortReport({0x10, 0x03, 0x41, 0x04, 0x40});
  const auto response = longReport({0x11, 0x02, 0x05, 0x0A, 0x01});
  const auto afterResponse = longReport({0x11, 0x01, 0x05, 0x00, 0x01});
  script->respondWith(answerOnce({event, otherDevice, response, afterResponse}));

  EXPECT_EQ(transport->exchange(0x02, 0x05, 0x00, {}, true, 1.0), response);
  ASSERT_TRUE(log.waitFor(3));
  EXPECT_EQ(log.reports(), (std::vector<Report>{event, otherDevice, afterResponse}));
}

TEST_F(HIDPPTransportTest, MalformedAndOversizedReportsAreDropped) {
  const auto valid = shortReport({0x10, 0x01, 0x41});
  script->arrive({{},
                  padded({0x11, 0x01}, 64),
                  padded({0x11, 0x01}, 65),
                  padded({0x10, 0x01}, 20),
                  padded({0x11, 0x01}, 7),
                  padded({0x12, 0x01}, 20),
                  valid});
  ASSERT_TRUE(log.waitFor(1));
  EXPECT_EQ(log.reports(), std::vector<Report>{valid});
}

TEST_F(HIDPPTransportTest, AResponseWithNoWaiterGoesToTheHandlerAndIsNotKept) {
  const auto early = longReport({0x11, 0x01, 0x00, 0x1A});
  script->arrive(early);
  ASSERT_TRUE(log.waitFor(1));

  auto error = errorFrom([&] { transport->exchange(0x01, 0x00, 0x01, {}, false, 0.05); });
  EXPECT_EQ(error, HIDPPError::timeout(0x01));
  EXPECT_EQ(log.reports(), std::vector<Report>{early});
}

TEST_F(HIDPPTransportTest, ALateResponseAfterATimeoutBecomesANotification) {
  auto error = errorFrom([&] { transport->exchange(0x03, 0x02, 0x00, {}, false, 0.02); });
  EXPECT_EQ(error, HIDPPError::timeout(0x03));

  const auto late = longReport({0x11, 0x03, 0x02, 0x0A});
  script->arrive(late);
  ASSERT_TRUE(log.waitFor(1));
  EXPECT_EQ(log.reports(), std::vector<Report>{late});

  const auto response = longReport({0x11, 0x03, 0x02, 0x0A, 0x09});
  script->respondWith(answerOnce({response}));
  EXPECT_EQ(transport->exchange(0x03, 0x02, 0x00, {}, false, 1.0), response);
}

TEST_F(HIDPPTransportTest, ReportsThatDoNotMatchNeverExtendTheDeadline) {
  // Device events keep arriving for far longer than the timeout; they must not keep the exchange alive.
  std::atomic<bool> done = false;
  std::atomic<bool> ranOut = false;
  std::thread chatter([&] {
    for (int sent = 0; !done; ++sent) {
      if (sent == 1000) {
        ranOut = true;
        return;
      }
      script->arrive(longReport({0x11, 0x01, 0x05, 0x00}));
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  auto error = errorFrom([&] { transport->exchange(0x01, 0x05, 0x00, {}, true, 0.1); });
  done = true;
  chatter.join();
  EXPECT_EQ(error, HIDPPError::timeout(0x01));
  EXPECT_FALSE(ranOut) << "the exchange outlasted the events";
}

TEST_F(HIDPPTransportTest, WriteFailuresCarryTheErrnoAndLeaveTheTransportUsable) {
  script->failWritesWith(EPIPE);
  EXPECT_EQ(errorFrom([&] { transport->exchange(0x01, 0x00, 0x00, {}, false, 1.0); }), HIDPPError::writeFailed(EPIPE));
  EXPECT_EQ(errorFrom([&] { transport->send({0x10, 0x01, 0x00, 0x00}); }), HIDPPError::writeFailed(EPIPE));

  // No exchange is left waiting: an answer arriving now is a notification.
  const auto report = shortReport({0x10, 0x01, 0x00, 0x0A});
  script->arrive(report);
  ASSERT_TRUE(log.waitFor(1));

  script->failWritesWith(0);
  script->respondWith(answerOnce({report}));
  EXPECT_EQ(transport->exchange(0x01, 0x00, 0x00, {}, false, 1.0), report);
}

TEST_F(HIDPPTransportTest, SendWritesTheCallersBytesAsTheyAre) {
  transport->send({0x10, 0xFF, 0x80, 0x02});
  EXPECT_EQ(script->writes(), (std::vector<Report>{{0x10, 0xFF, 0x80, 0x02}}));
  EXPECT_EQ(errorFrom([&] { transport->send({}); }), HIDPPError::malformedResponse());
}

TEST_F(HIDPPTransportTest, StopIsIdempotentAndEveryLaterCallThrowsStopped) {
  transport->stop();
  transport->stop();
  EXPECT_EQ(script->closeCount(), 1);
  EXPECT_EQ(script->closingThreadName(), "hidpp.reader");
  EXPECT_EQ(errorFrom([&] { transport->exchange(0x01, 0x00, 0x00, {}, false, 1.0); }), HIDPPError::stopped());
  EXPECT_EQ(errorFrom([&] { transport->send({0x10, 0x01}); }), HIDPPError::stopped());
  EXPECT_TRUE(script->writes().empty());
  transport.reset();
  EXPECT_EQ(script->closeCount(), 1);
  EXPECT_FALSE(script->readAfterClose());
}

TEST_F(HIDPPTransportTest, AHungUpDeviceFailsWritesAndIsClosedOnlyWhenStopped) {
  script->hangUp();
  script->failWritesWith(ENODEV);
  EXPECT_EQ(errorFrom([&] { transport->exchange(0x01, 0x00, 0x00, {}, false, 1.0); }), HIDPPError::writeFailed(ENODEV));
  EXPECT_EQ(script->closeCount(), 0);
  transport->stop();
  EXPECT_EQ(script->closeCount(), 1);
}

TEST_F(HIDPPTransportTest, NotificationsRunOnTheirOwnThread) {
  std::promise<std::string> threadName;
  transport->setNotificationHandler([&](const Report&) {
    char name[16] = {};
    pthread_getname_np(pthread_self(), name, sizeof(name));
    threadName.set_value(name);
  });
  script->arrive(shortReport({0x10, 0x01, 0x41}));
  auto future = threadName.get_future();
  ASSERT_EQ(future.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(future.get(), "hidpp.notify");
  transport.reset();
}

}  // namespace
}  // namespace flitbar::testing
