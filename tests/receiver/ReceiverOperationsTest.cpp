// Receiver operations against answers a real device could give, odd ones included.
#include "protocol/HIDPPError.h"
#include "protocol/Receiver.h"
#include "receiver/ScriptedTransport.h"
#include "support/ErrorFrom.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace flitbar {
namespace {

using testing::answer;
using testing::errorFrom;
using testing::ScriptedTransport;

constexpr std::uint8_t device = 2;

class ReceiverOperations : public ::testing::Test {
 protected:
  std::shared_ptr<ScriptedTransport> transport = std::make_shared<ScriptedTransport>();
  Receiver receiver{transport, std::chrono::milliseconds(1)};
};

// The engine's worker and a notification handler may resolve features of one receiver at once.
TEST_F(ReceiverOperations, FeatureIndexesResolveFromSeveralThreadsAndAreCachedButMissingOnesAskedAgain) {
  for (std::uint8_t slot = 1; slot <= 6; ++slot) transport->feature(slot, 0x1814, slot);
  transport->feature(device, 0x1004, 0x00);
  std::atomic<int> mismatches = 0;
  auto resolveAll = [&] {
    for (std::uint8_t slot = 1; slot <= 6; ++slot)
      mismatches += receiver.featureIndex(slot, Feature::changeHost) != slot;
    mismatches += receiver.featureIndex(device, Feature::unifiedBattery) != 0;
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) threads.emplace_back(resolveAll);
  for (auto& thread : threads) thread.join();
  const auto raced = transport->count({device, 0, 0, {0x18, 0x14}});
  resolveAll();
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(transport->count({device, 0, 0, {0x18, 0x14}}), raced) << "a cached index was asked again";
  EXPECT_EQ(transport->count({device, 0, 0, {0x10, 0x04}}), 5u) << "a missing feature is asked every time";
}

TEST_F(ReceiverOperations, NamesAreAssembledFromChunksCutAtTheirLength) {
  transport->feature(device, 0x0005, 0x03);
  transport->on({device, 0x03, 0}, answer(device, 0x03, 0, {4}));
  transport->on({device, 0x03, 1, {0}}, answer(device, 0x03, 1, {'K', 0xFF, 0xC3}));
  transport->on({device, 0x03, 1, {3}}, answer(device, 0x03, 1, {0xA9, 'Z', 'Z'}));
  EXPECT_EQ(receiver.name(device), "K\uFFFD\u00E9") << "short chunks, a split character rejoined, no extra bytes";
}

TEST_F(ReceiverOperations, HostInfoRejectsImpossibleCountsAndHostNamesAreReadAtMostThree) {
  for (const auto& [count, current] : std::vector<std::pair<std::uint8_t, std::uint8_t>>{{4, 0}, {0, 0}, {2, 2}}) {
    auto other = std::make_shared<ScriptedTransport>();
    other->feature(3, 0x1814, 0x09);
    other->on({3, 0x09, 0}, answer(3, 0x09, 0, {count, current}));
    EXPECT_EQ(errorFrom([&] { Receiver(other).hostInfo(3); }), HIDPPError::malformedResponse()) << int(count);
  }

  // A device claiming 200 hosts: host 0 named over two chunks, host 1's chunk answered at the wrong
  // offset, host 2 failing.
  transport->feature(device, 0x1815, 0x0A);
  transport->on({device, 0x0A, 0}, answer(device, 0x0A, 0, {0x01, 0x00, 200}));
  transport->on({device, 0x0A, 1, {0}, true}, answer(device, 0x0A, 1, {0, 1, 0, 0, 17}, true));
  transport->on(
      {device, 0x0A, 3, {0, 0}, true},
      answer(device, 0x0A, 3, {0, 0, 'S', 't', 'u', 'd', 'i', 'o', '-', 'W', 'o', 'r', 'k', 's', 't', 'a'}, true));
  transport->on({device, 0x0A, 3, {0, 14}, true}, answer(device, 0x0A, 3, {0, 14, 't', '\n', 'X', 'Y'}, true));
  transport->on({device, 0x0A, 1, {1}, true}, answer(device, 0x0A, 1, {1, 1, 0, 0, 4}, true));
  transport->on({device, 0x0A, 3, {1, 0}, true}, answer(device, 0x0A, 3, {1, 2, 'A', 'B', 'C', 'D'}, true));
  transport->on({device, 0x0A, 1, {2}, true}, HIDPPError::deviceError(device, 0x02));
  EXPECT_EQ(receiver.hostsInfo(device), (std::vector<std::string>{"Studio-Workstat\uFFFDX", "", ""}));
  EXPECT_EQ(transport->count({device, 0x0A, 1, {3}, true}), 0u) << "the host count is clamped to three";
}

TEST_F(ReceiverOperations, ControlReadsRefuseShortAnswersAndAnotherControlsReporting) {
  transport->on({device, 0x08, 1, {5}}, answer(device, 0x08, 1, {0x00, 0xD2, 0x00, 0xAE, 0x31}, true));
  EXPECT_EQ(receiver.controlInfo(device, 0x08, 5), (ControlInfo{0x00D2, 0x00AE, 0x31}));
  transport->on({device, 0x08, 1, {6}}, answer(device, 0x08, 1, {0x00, 0xD3, 0x00}));
  EXPECT_EQ(errorFrom([&] { receiver.controlInfo(device, 0x08, 6); }), HIDPPError::malformedResponse());
  transport->on({device, 0x08, 2, {0x00, 0x52}}, answer(device, 0x08, 2, {0x00, 0xC4, 0x01}, true));
  EXPECT_EQ(errorFrom([&] { receiver.controlReporting(device, 0x08, 0x0052); }), HIDPPError::malformedResponse())
      << "another control's reporting";
}

// Fails the writes to one device until it has been tried `failures` times.
class FlakyTransport : public ScriptedTransport {
 public:
  FlakyTransport(std::uint8_t device, int failures) : device_(device), failures_(failures) {}
  void send(const Report& report) override {
    ScriptedTransport::send(report);
    if (report[1] == device_ && failures_-- > 0) throw HIDPPError::writeFailed(5);
  }

 private:
  std::uint8_t device_;
  int failures_;
};

TEST(ReceiverHostChange, WritesEveryTargetEightTimesAndFailsOnlyWhenOneNeverTookAWrite) {
  for (const auto& [failures, fails] : std::vector<std::pair<int, bool>>{{0, false}, {7, false}, {8, true}}) {
    auto transport = std::make_shared<FlakyTransport>(2, failures);
    Receiver receiver(transport, std::chrono::milliseconds(1));
    std::optional<HIDPPError> error;
    try {
      receiver.setHostMulti({{1, 0x09}, {2, 0x0B}}, 1);
    } catch (const HIDPPError& thrown) {
      error = thrown;
    }
    EXPECT_EQ(error, fails ? std::optional(HIDPPError::writeFailed(5)) : std::nullopt) << failures;
    const auto sent = transport->sent();
    ASSERT_EQ(sent.size(), 16u);
    EXPECT_EQ(sent[14], (Report{0x10, 1, 0x09, 0x1A, 0x01, 0x00, 0x00}));
    EXPECT_EQ(sent[15], (Report{0x10, 2, 0x0B, 0x1A, 0x01, 0x00, 0x00}));
  }
}

TEST(ReceiverEvents, DivertedButtonsDecodesHeldControlsOfEventsOnly) {
  auto event = answer(2, 0x08, 0, {0x00, 0xC4, 0x00, 0x00, 0x01, 0x02}, true);
  event[3] = 0x00;
  EXPECT_EQ(Receiver::divertedButtons(event, 0x08), (std::vector<std::uint16_t>{0x00C4, 0x0102}));
  EXPECT_EQ(Receiver::divertedButtons(answer(2, 0x08, 0, {}, true), 0x08), std::nullopt) << "an answer";
  EXPECT_EQ(Receiver::divertedButtons(event, 0x09), std::nullopt) << "another feature";
  event[5] = event[8] = event[9] = 0;
  EXPECT_EQ(Receiver::divertedButtons(event, 0x08), std::vector<std::uint16_t>{});
}

}  // namespace
}  // namespace flitbar
