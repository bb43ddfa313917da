#include "ScriptedHidDevice.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <future>
#include <limits>

namespace flitbar::testing {
namespace {

class HIDPPTransportTest : public ::testing::Test {
 protected:
  std::shared_ptr<HidScript> script = std::make_shared<HidScript>();
  NotificationLog log;
  std::unique_ptr<HIDPPTransport> transport = makeTransport(script, 15);

  void SetUp() override { transport->setNotificationHandler(log.handler()); }
};

TEST_F(HIDPPTransportTest, EveryRequestCarriesItsOwnSoftwareIdAndOnlyItsAnswerCounts) {
  // Each answer arrives late: while the next request is waiting, with the earlier request's id.
  std::optional<Report> previous;
  script->respondWith([&](const Report& request) {
    std::vector<Report> answers;
    if (previous) answers.push_back(answerTo(*previous, {0xEE}));
    answers.push_back(answerTo(request, {request[4]}));
    previous = request;
    return answers;
  });
  for (std::uint8_t round = 0; round < 3; ++round) {
    EXPECT_EQ(transport->exchange(0x02, 0x00, 0x00, {round}, false, 5.0)[4], round);
  }
  const auto writes = script->writes();
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0], (Report{0x10, 0x02, 0x00, 0x0F, 0x00, 0x00, 0x00})) << "ids start where told";
  EXPECT_EQ(writes[1][3], 0x01) << "after 15 comes 1: 0 is what device events carry";
  EXPECT_EQ(writes[2][3], 0x02);
  ASSERT_TRUE(log.waitFor(2));
  EXPECT_EQ(log.reports()[0][4], 0xEE) << "a late answer is a notification";
}

TEST_F(HIDPPTransportTest, MatchingErrorFramesThrowAndUnrelatedReportsFollowInArrivalOrder) {
  const auto event = longReport({0x11, 0x02, 0x05, 0x00, 0xD2});
  const auto otherDevice = shortReport({0x10, 0x03, 0x41, 0x04, 0x40});
  const auto otherFeature = longReport({0x11, 0x02, 0xFF, 0x07, 0x1F, 0x02});
  const auto ours = longReport({0x11, 0x02, 0xFF, 0x05, 0x1F, 0x05});
  script->respondWith([&](const Report&) { return std::vector<Report>{event, otherDevice, otherFeature, ours}; });
  EXPECT_EQ(errorFrom([&] { transport->exchange(0x02, 0x05, 0x01, {}, true, 5.0); }),
            HIDPPError::deviceError(0x02, 0x05));
  ASSERT_TRUE(log.waitFor(3));
  EXPECT_EQ(log.reports(), (std::vector<Report>{event, otherDevice, otherFeature}));

  // The receiver's HID++ 1.0 frame for an empty slot.
  script->respondWith([](const Report& request) {
    return std::vector<Report>{{0x10, 0x04, 0x8F, 0x00, request[3], 0x08, 0x00}};
  });
  EXPECT_EQ(errorFrom([&] { transport->exchange(0x04, 0x00, 0x01, {}, false, 5.0); }),
            HIDPPError::deviceError(0x04, 0x08));
}

TEST_F(HIDPPTransportTest, MalformedAndOversizedReportsAreDropped) {
  const auto valid = shortReport({0x10, 0x01, 0x41});
  for (const auto& report : std::vector<Report>{{},
                                                padded({0x11, 0x01}, 64),
                                                padded({0x11, 0x01}, 65),
                                                padded({0x10, 0x01}, 20),
                                                padded({0x11, 0x01}, 7),
                                                padded({0x12, 0x01}, 20),
                                                valid}) {
    script->arrive(report);
  }
  ASSERT_TRUE(log.waitFor(1));
  EXPECT_EQ(log.reports(), std::vector<Report>{valid});
}

TEST_F(HIDPPTransportTest, TimeoutsAreBoundedWhateverTheCallerPasses) {
  for (const double timeout : {std::nan(""), -1.0, 0.0, -std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(errorFrom([&] { transport->exchange(0x03, 0x02, 0x00, {}, false, timeout); }), HIDPPError::timeout(3))
        << timeout;
  }
  // A huge timeout must not overflow into a deadline in the past: the exchange waits until stopped.
  for (const double timeout : {1e300, std::numeric_limits<double>::infinity()}) {
    auto otherScript = std::make_shared<HidScript>();
    auto other = makeTransport(otherScript);
    auto exchange = std::async(
        std::launch::async, [&] { return errorFrom([&] { other->exchange(0x03, 0x02, 0x00, {}, false, timeout); }); });
    ASSERT_TRUE(otherScript->waitForWrites(1));
    std::this_thread::sleep_for(20ms);  // only lets an overflowed deadline show; passing never depends on it
    other->stop();
    ASSERT_EQ(exchange.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(exchange.get(), HIDPPError::stopped()) << timeout;
  }
}

TEST_F(HIDPPTransportTest, WriteFailuresCarryTheErrnoAndLeaveTheTransportUsable) {
  script->failWritesWith(EPIPE);
  EXPECT_EQ(errorFrom([&] { transport->exchange(0x01, 0x00, 0x00, {}, false, 5.0); }), HIDPPError::writeFailed(EPIPE));
  EXPECT_EQ(errorFrom([&] { transport->send({0x10, 0x01, 0x00, 0x00}); }), HIDPPError::writeFailed(EPIPE));
  EXPECT_EQ(errorFrom([&] { transport->send({}); }), HIDPPError::malformedResponse());
  script->failWritesWith(0);
  script->respondWith([](const Report& request) { return std::vector<Report>{answerTo(request)}; });
  EXPECT_NO_THROW(transport->exchange(0x01, 0x00, 0x00, {}, false, 5.0));
}

TEST_F(HIDPPTransportTest, StopIsIdempotentClosesOnceOnTheReaderAndRefusesLaterCalls) {
  script->hangUp();
  transport->stop();
  transport->stop();
  EXPECT_EQ(script->closeCount(), 1);
  EXPECT_EQ(script->closingThread(), "hidpp.reader");
  EXPECT_EQ(errorFrom([&] { transport->exchange(0x01, 0x00, 0x00, {}, false, 5.0); }), HIDPPError::stopped());
  EXPECT_EQ(errorFrom([&] { transport->send({0x10, 0x01}); }), HIDPPError::stopped());
  EXPECT_TRUE(script->writes().empty());
}

TEST_F(HIDPPTransportTest, AThrowingHandlerLosesOnlyItsOwnReport) {
  transport->setNotificationHandler([&](const Report& report) {
    if (report[1] == 0x01) throw std::runtime_error("handler failed");
    log.handler()(report);
  });
  script->arrive(shortReport({0x10, 0x01, 0x41}));
  script->arrive(shortReport({0x10, 0x02, 0x41}));
  ASSERT_TRUE(log.waitFor(1));
  EXPECT_EQ(log.reports(), std::vector<Report>{shortReport({0x10, 0x02, 0x41})});
}

}  // namespace
}  // namespace flitbar::testing
