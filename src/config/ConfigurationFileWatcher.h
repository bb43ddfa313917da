#pragma once

#include "config/ConfigObservation.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;
class QTimer;

namespace flitbar {

// Calls `onChange` on the main thread once the bindings file really changed: after a burst of
// file-system events has been quiet for the debounce interval and the contents (or the reason
// they cannot be read) differ from what was seen last. Watches the file and the nearest existing
// directory above it with inotify, re-arming after every event, so saves that rename a new file
// into place, deletion, and the later creation of the file or its directories are all noticed.
// Main thread only; needs a running Qt event loop. Destroying the watcher stops it.
class ConfigurationFileWatcher {
 public:
  ConfigurationFileWatcher(std::string path, std::function<void()> onChange,
                           std::chrono::milliseconds debounce = std::chrono::milliseconds(300));
  ~ConfigurationFileWatcher();
  ConfigurationFileWatcher(const ConfigurationFileWatcher&) = delete;
  ConfigurationFileWatcher& operator=(const ConfigurationFileWatcher&) = delete;

  void start();
  // Watches the file and its nearest existing directory afresh.
  void rearm();
  void stop();

  bool isRunning() const { return isRunning_; }
  const std::string& path() const { return path_; }

 private:
  // One inotify instance holding the directory and file watches, read through the main loop.
  struct Source;

  void handleEvents();
  void check();

  std::string path_;
  std::function<void()> onChange_;
  std::chrono::milliseconds debounceInterval_;
  std::unique_ptr<Source> source_;
  std::unique_ptr<QTimer> debounce_;
  ConfigObservation observed_;
  bool isRunning_ = false;
};

}  // namespace flitbar
