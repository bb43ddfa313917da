#include "engine/Engine.h"

namespace flitbar {

// Binding planning. The automatic plan (DefaultBindings and the control inventory) arrives with
// binding planning; until then automatic mode runs with no bindings.

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
  state_.destinationHost.reset();
  state_.bindings.clear();
}

asio::awaitable<void> Engine::replanAutomaticBindings() {
  if (state_.bindingSource == BindingSource::automatic && receiver_ && !state_.lastError) {
    const int g = generation_;
    const auto session = receiver_;
    co_await applyEffectiveBindings();
    if (!current(g) || receiver_ != session) co_return;
    co_await assertDiverts();
  }
  publish();
}

}  // namespace flitbar
