#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

namespace flitbar {

// Feature indexes already resolved, per device. Only non-zero indexes are stored, so a missing
// feature is asked for again; entries are never dropped for the life of the receiver.
// Safe to use from any thread; the lock is held only around the lookup or the store.
class FeatureIndexCache {
 public:
  std::optional<std::uint8_t> lookup(std::uint8_t device, std::uint16_t featureId) const;
  void store(std::uint8_t device, std::uint16_t featureId, std::uint8_t index);

 private:
  mutable std::mutex lock_;
  std::map<std::uint8_t, std::map<std::uint16_t, std::uint8_t>> indexes_;
};

}  // namespace flitbar
