#pragma once

#include <functional>
#include <optional>
#include <string>

namespace flitbar {

// How loudly a notification asks for attention.
enum class InterruptionLevel { passive, active };

struct NotificationRequest {
  // Requests with the same identifier replace each other on screen.
  std::string identifier;
  std::string title;
  std::string body;
  // Groups the application's notifications together.
  std::string threadIdentifier;
  InterruptionLevel level = InterruptionLevel::active;

  bool operator==(const NotificationRequest&) const = default;
};

// The desktop's notification centre. Calls and completions run on the main thread; a completion
// may run after the call returned, and never after the centre is destroyed.
class UserNotificationDelivering {
 public:
  // The error's description, or nothing on success.
  using Completion = std::function<void(std::optional<std::string> error)>;
  using AuthorizationCompletion = std::function<void(bool granted, std::optional<std::string> error)>;

  virtual ~UserNotificationDelivering() = default;

  virtual void requestAuthorization(AuthorizationCompletion done) = 0;
  virtual void add(const NotificationRequest& request, Completion done) = 0;
};

}  // namespace flitbar
