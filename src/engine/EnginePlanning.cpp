#include "engine/Engine.h"

#include "engine/ControlInventory.h"
#include "engine/DefaultBindings.h"

namespace flitbar {

asio::awaitable<void> Engine::reload() {
  co_await adoptConfiguration(configStore_.load(true));
  if (receiver_ && !state_.lastError) {
    const int g = generation_;
    const auto session = receiver_;
    co_await applyEffectiveBindings();
    if (!current(g) || receiver_ != session) co_return;
    co_await assertDiverts();
    if (!current(g) || receiver_ != session) co_return;
    publish();
    co_return;
  }
  co_await reconnectNow(false);
  publish();
}

asio::awaitable<void> Engine::adoptConfiguration(ConfigLoad load) {
  configBindings_ = load.bindings;
  state_.configIssues = std::move(load.issues);
  if (!load.bindings.empty()) {
    state_.bindingSource = BindingSource::manual;
    state_.destinationHost.reset();
    state_.bindings = std::move(load.bindings);
  } else {
    state_.bindingSource = BindingSource::automatic;
  }
  co_return;
}

asio::awaitable<void> Engine::applyEffectiveBindings() {
  if (!configBindings_.empty()) {
    state_.bindings = configBindings_;
    state_.bindingSource = BindingSource::manual;
    state_.destinationHost.reset();
    co_return;
  }
  state_.bindingSource = BindingSource::automatic;
  const auto destination =
      DefaultBindings::destination(state_.thisHost(), state_.hostCount(), destinationHost_, hiddenHosts_);
  const auto devices = state_.devices;
  const auto controls = co_await controlInventory(devices);
  state_.destinationHost = destination;
  state_.bindings = DefaultBindings::plan(devices, controls, destination, hiddenHosts_);
}

asio::awaitable<std::map<std::uint8_t, std::vector<ControlInfo>>> Engine::controlInventory(
    std::vector<DeviceInfo> devices) {
  std::map<std::uint8_t, std::vector<ControlInfo>> result;
  std::vector<DeviceInfo> missing;
  for (const auto& device : devices) {
    if (!device.reprogFeature || *device.reprogFeature == 0) continue;
    if (const auto cached = controlCache_.find(ControlInventory::cacheKey(device)); cached != controlCache_.end()) {
      result[device.index] = cached->second;
    } else {
      missing.push_back(device);
    }
  }
  if (missing.empty() || !receiver_) co_return result;

  auto job = [session = receiver_, missing]() noexcept {
    std::vector<std::vector<ControlInfo>> lists;
    for (const auto& device : missing) lists.push_back(ControlInventory::read(*session, device));
    return lists;
  };
  const auto lists = co_await perform(std::move(job));
  for (std::size_t i = 0; i < missing.size(); ++i) {
    result[missing[i].index] = lists[i];
    if (!lists[i].empty()) controlCache_[ControlInventory::cacheKey(missing[i])] = lists[i];
  }
  co_return result;
}

asio::awaitable<void> Engine::replanAutomaticBindings() {
  if (state_.bindingSource == BindingSource::automatic && receiver_ && !state_.lastError) {
    const int g = generation_;
    const auto session = receiver_;
    co_await applyEffectiveBindings();
    if (!current(g) || receiver_ != session) co_return;
    co_await assertDiverts();
    if (!current(g) || receiver_ != session) co_return;
  }
  publish();
}

}  // namespace flitbar
