#pragma once

#include "shell/LaunchAtLogin.h"

#include <stdexcept>

namespace flitbar {

// A launch-at-login setting for tests that do not exercise it: always off, and turning it on fails.
class NullLaunchAtLogin : public LaunchAtLogin {
 public:
  bool isEnabled() const override { return false; }
  void setEnabled(bool enabled) override {
    if (enabled) throw std::runtime_error("Launch at Login is not available on this desktop.");
  }
};

}  // namespace flitbar
