#include "ScriptedHidDevice.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <future>
#include <limits>
#include <thread>

namespace flitbar::testing {
namespace {

using State = HidScript::State;

std::vector<Report> echo(const Report& request) { return {answerTo(request, {request[4]})}; }

bool closed(const State& state) { return state.closeCount > 0; }

class HIDPPTransportTest : public ::testing::Test {
 protected:
  void SetUp() override { transport->setNotificationHandler(script->notificationHandler()); }

  std::vector<Report> notifiedOnce(std::size_t count) {
    EXPECT_TRUE(script->waitFor([&](const State& state) { return state.notified.size() >= count; }));
    return script->with([](State& state) { return state.notified; });
  }
  std::optional<HIDPPError> exchangeError(double timeout = 5.0) {
    return errorFrom([&] { transport->exchange(0x02, 0x05, 0x01, {}, true, timeout); });
  }

  std::shared_ptr<HidScript> script = std::make_shared<HidScript>();
  std::unique_ptr<HIDPPTransport> transport = makeTransport(script, 15);
};

TEST_F(HIDPPTransportTest, EveryRequestCarriesItsOwnSoftwareIdAndOnlyItsAnswerCounts) {
  // Each answer arrives late: while the next request is waiting, with the earlier request's id.
  std::optional<Report> previous;
  script->with([&](State& state) {
    state.respond = [&](const Report& request) {
      std::vector<Report> answers;
      if (previous) answers.push_back(answerTo(*previous, {0xEE}));
      answers.push_back(answerTo(request, {request[4]}));
      previous = request;
      return answers;
    };
  });
  for (std::uint8_t round = 0; round < 3; ++round)
    EXPECT_EQ(transport->exchange(0x02, 0x00, 0x00, {round}, false, 5.0)[4], round);
  const auto writes = script->with([](State& state) { return state.writes; });
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0], (Report{0x10, 0x02, 0x00, 0x0F, 0x00, 0x00, 0x00})) << "ids start where told";
  EXPECT_EQ(writes[1][3], 0x01) << "after 15 comes 1: 0 is what device events carry";
  EXPECT_EQ(writes[2][3], 0x02);
  EXPECT_EQ(notifiedOnce(2)[0][4], 0xEE) << "a late answer is a notification";
}

TEST_F(HIDPPTransportTest, ErrorFramesThrowOthersFollowInArrivalOrderAndMalformedOnesAreDropped) {
  const auto event = padded({0x11, 0x02, 0x05, 0x00, 0xD2}, 20);
  const auto otherDevice = padded({0x10, 0x03, 0x41, 0x04, 0x40}, 7);
  const auto otherFeature = padded({0x11, 0x02, 0xFF, 0x07, 0x1F, 0x02}, 20);
  script->with([&](State& state) {
    state.respond = [&](const Report&) {
      return std::vector<Report>{event,       {},           padded({0x10, 0x02}, 20),
                                 otherDevice, otherFeature, padded({0x11, 0x02, 0xFF, 0x05, 0x1F, 0x05}, 20)};
    };
  });
  EXPECT_EQ(exchangeError(), HIDPPError::deviceError(0x02, 0x05));
  EXPECT_EQ(notifiedOnce(3), (std::vector<Report>{event, otherDevice, otherFeature}));
}

TEST_F(HIDPPTransportTest, TimeoutsAreBoundedWhateverTheCallerPasses) {
  for (const double timeout : {std::nan(""), -1.0, 0.0, -std::numeric_limits<double>::infinity()})
    EXPECT_EQ(exchangeError(timeout), HIDPPError::timeout(2)) << timeout;
  // A huge timeout must not overflow into a deadline in the past: the exchange waits until stopped.
  auto waiting = std::async(std::launch::async, [&] { return exchangeError(1e300); });
  ASSERT_TRUE(script->waitFor([](const State& state) { return state.writes.size() == 5; }));
  std::this_thread::sleep_for(20ms);  // only lets an overflowed deadline show; passing never depends on it
  transport->stop();
  EXPECT_EQ(waiting.get(), HIDPPError::stopped());
}

TEST_F(HIDPPTransportTest, WriteFailuresCarryTheErrnoAndLeaveTheTransportUsable) {
  script->with([](State& state) { state.writeError = EPIPE; });
  EXPECT_EQ(exchangeError(), HIDPPError::writeFailed(EPIPE));
  EXPECT_EQ(errorFrom([&] { transport->send({0x10, 0x01, 0x00, 0x00}); }), HIDPPError::writeFailed(EPIPE));
  EXPECT_EQ(errorFrom([&] { transport->send({}); }), HIDPPError::malformedResponse());
  script->with([](State& state) {
    state.writeError = 0;
    state.respond = echo;
  });
  EXPECT_NO_THROW(transport->exchange(0x01, 0x00, 0x00, {}, false, 5.0));
}

TEST_F(HIDPPTransportTest, StopIsIdempotentClosesOnceOnTheReaderAndRefusesLaterCalls) {
  script->with([](State& state) { state.inputs.push_back({HidRead::Status::disconnected, {}}); });
  transport->stop();
  transport->stop();
  script->with([](State& state) {
    EXPECT_EQ(state.closeCount, 1);
    EXPECT_EQ(state.closingThread, "hidpp.reader");
  });
  EXPECT_EQ(exchangeError(), HIDPPError::stopped());
  EXPECT_EQ(errorFrom([&] { transport->send({0x10, 0x01}); }), HIDPPError::stopped());
  EXPECT_TRUE(script->with([](State& state) { return state.writes.empty(); }));
}

TEST_F(HIDPPTransportTest, AThrowingHandlerLosesOnlyItsOwnReport) {
  transport->setNotificationHandler([record = script->notificationHandler()](const Report& report) {
    if (report[1] == 0x01) throw std::runtime_error("handler failed");
    record(report);
  });
  script->arrive(padded({0x10, 0x01, 0x41}, 7));
  script->arrive(padded({0x10, 0x02, 0x41}, 7));
  EXPECT_EQ(notifiedOnce(1), std::vector<Report>{padded({0x10, 0x02, 0x41}, 7)});
}

TEST_F(HIDPPTransportTest, ExchangesFromSeveralThreadsEachGetTheirOwnAnswer) {
  script->with([](State& state) { state.respond = echo; });
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

TEST_F(HIDPPTransportTest, StopWakesAWaitingExchangeAndNeverClosesUnderABlockedWrite) {
  auto waiting = std::async(std::launch::async, [&] { return exchangeError(60.0); });
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

TEST_F(HIDPPTransportTest, TheHandlerMayCallBackIntoOrDestroyTheTransport) {
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
