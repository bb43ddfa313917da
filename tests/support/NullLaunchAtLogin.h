#pragma once

#include "shell/LaunchAtLogin.h"

namespace flitbar {

// A launch-at-login setting for tests that do not exercise it: always off.
class NullLaunchAtLogin : public LaunchAtLogin {
 public:
  bool isEnabled() const override { return false; }
  void setEnabled(bool) override {}
};

}  // namespace flitbar
