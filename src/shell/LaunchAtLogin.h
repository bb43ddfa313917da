#pragma once

namespace flitbar {

// Starting the application when the user logs in. Main thread only.
class LaunchAtLogin {
 public:
  virtual ~LaunchAtLogin() = default;

  virtual bool isEnabled() const = 0;
  // Throws std::runtime_error whose what() is the text shown to the user.
  virtual void setEnabled(bool enabled) = 0;
};

}  // namespace flitbar
