#pragma once

#include "shell/AppIdentity.h"

#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

namespace flitbar {

// The About window: created on first use, then shown again each time; closing only hides it.
// Ctrl+W closes it (there is no application menu to carry the shortcut on Linux).
class AboutWindowController {
 public:
  // `openURL` opens the website, normally through the desktop's URL handler.
  AboutWindowController(AppIdentity identity, std::function<void(const QUrl&)> openURL);
  ~AboutWindowController();

  void show();

 private:
  void build();

  AppIdentity identity_;
  std::function<void(const QUrl&)> openURL_;
  std::unique_ptr<QWidget> window_;
};

}  // namespace flitbar
