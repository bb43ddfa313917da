#pragma once

#include "config/UserDefaults.h"
#include "logging/Logging.h"
#include "shell/StatusHost.h"

#include <cstdint>
#include <memory>
#include <string>

namespace flitbar {

class FlitbarApplication;
class TrayPresence;

// The host of the running application: claims the single instance, keeps the log, builds the
// context, starts the coordinator and stops it when SIGINT, SIGTERM or SIGHUP asks the process to
// end. The status item, panel and About window live in a TrayPresence; without a tray the
// application runs all the same and the status item's methods only keep their state.
class MenubarHost : public StatusHost, public std::enable_shared_from_this<MenubarHost> {
 public:
  // Runs the application until a termination signal; returns the exit status. A second start
  // asks the running instance to reopen and returns 0 at once.
  static int run(FlitbarApplication& application, UserDefaults& defaults, int argc, char** argv);

  MenubarHost(FlitbarApplication& application, Logging& logger);

  // Where the status item's calls go from now on; null detaches. The tray must outlive the attachment.
  void attachTray(TrayPresence* tray) { tray_ = tray; }

  void refreshStatusItem() override;
  void flashStatusText(const std::string& text, double seconds) override;
  void updateStatusToolTip(const std::string& text) override;
  void hidePanel() override;
  void reopen() override;

  // The text shown beside the icon (empty when none) and the tool tip.
  const std::string& statusText() const { return statusText_; }
  const std::string& toolTip() const { return toolTip_; }

 private:
  FlitbarApplication& application_;
  Logging& logger_;
  TrayPresence* tray_ = nullptr;
  std::string statusText_;
  std::string toolTip_;
  std::int64_t statusTextGeneration_ = 0;
};

}  // namespace flitbar
