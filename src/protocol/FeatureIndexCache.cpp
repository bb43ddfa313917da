#include "protocol/FeatureIndexCache.h"

namespace flitbar {

std::optional<std::uint8_t> FeatureIndexCache::lookup(std::uint8_t device, std::uint16_t featureId) const {
  const std::lock_guard guard(lock_);
  const auto features = indexes_.find(device);
  if (features == indexes_.end()) return std::nullopt;
  const auto found = features->second.find(featureId);
  if (found == features->second.end()) return std::nullopt;
  return found->second;
}

void FeatureIndexCache::store(std::uint8_t device, std::uint16_t featureId, std::uint8_t index) {
  if (index == 0) return;
  const std::lock_guard guard(lock_);
  indexes_[device][featureId] = index;
}

}  // namespace flitbar
