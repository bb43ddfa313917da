#pragma once

#include <string>

namespace flitbar {

// What the coordinator asks of the host that shows the application: the status item, its text
// and tool tip, and the panel. Every call is on the main thread; without a tray each is a no-op.
class StatusHost {
 public:
  virtual ~StatusHost() = default;

  // Redraws the icon from the coordinator's mood and refreshes an open panel.
  virtual void refreshStatusItem() = 0;
  // Shows `text` beside the icon for `seconds`; a newer flash is never cut short by an older one.
  virtual void flashStatusText(const std::string& text, double seconds) = 0;
  virtual void updateStatusToolTip(const std::string& text) = 0;
  virtual void hidePanel() = 0;
  // Another start of the application while this one runs: bring a hidden icon back.
  virtual void reopen() = 0;
};

}  // namespace flitbar
