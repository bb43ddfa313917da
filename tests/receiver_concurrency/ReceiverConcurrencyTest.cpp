#include "protocol/Receiver.h"
#include "receiver/ScriptedTransport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace flitbar {
namespace {

// The engine's worker and a notification handler may resolve features of the same receiver at
// once; the cache must hand out consistent indexes without data races.
TEST(ReceiverConcurrency, FeatureIndexesResolveFromSeveralThreads) {
  auto transport = std::make_shared<testing::ScriptedTransport>();
  const std::vector<Feature> features{Feature::changeHost, Feature::reprogControls, Feature::deviceName,
                                      Feature::unifiedBattery};
  for (std::uint8_t device = 1; device <= 6; ++device) {
    for (std::size_t i = 0; i < features.size(); ++i)
      transport->feature(device, featureId(features[i]), static_cast<std::uint8_t>(device * 10 + i));
  }
  Receiver receiver(transport);

  std::vector<std::thread> threads;
  std::atomic<int> mismatches = 0;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 50; ++round) {
        for (std::uint8_t device = 1; device <= 6; ++device) {
          const auto i = static_cast<std::size_t>((round + t + device) % 4);
          if (receiver.featureIndex(device, features[i]) != device * 10 + i) ++mismatches;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(mismatches, 0);
  // Each index was resolved at most once per racing thread, then served from the cache.
  EXPECT_LE(transport->exchanges().size(), 6u * features.size() * 4u);
}

}  // namespace
}  // namespace flitbar
