#include "config/ConfigurationFileWatcher.h"

#include <QSocketNotifier>
#include <QTimer>

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>

namespace flitbar {
namespace {

// Any change of the entries of the directory, or of the directory itself.
constexpr std::uint32_t directoryEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF | IN_ONLYDIR;
// Writes, attribute changes, renames and deletion of the file.
constexpr std::uint32_t fileEvents = IN_MODIFY | IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF;

}  // namespace

struct ConfigurationFileWatcher::Source {
  int fd = -1;
  std::unique_ptr<QSocketNotifier> notifier;

  ~Source() {
    if (notifier) {
      // Unregister before the descriptor goes; the object may be inside its own signal.
      notifier->setEnabled(false);
      notifier.release()->deleteLater();
    }
    if (fd >= 0) ::close(fd);
  }

  // Discards the queued events; which one arrived does not matter, only that one did.
  void drain() const {
    alignas(inotify_event) char buffer[4096];
    while (true) {
      const auto count = ::read(fd, buffer, sizeof buffer);
      if (count > 0 || (count < 0 && errno == EINTR)) continue;
      return;
    }
  }
};

ConfigurationFileWatcher::ConfigurationFileWatcher(std::string path, std::function<void()> onChange,
                                                   std::chrono::milliseconds debounce)
    : path_(std::move(path)),
      onChange_(std::move(onChange)),
      debounceInterval_(debounce),
      debounce_(std::make_unique<QTimer>()),
      observed_(ConfigObservation::of(ConfigStore{path_})) {
  debounce_->setSingleShot(true);
  QObject::connect(debounce_.get(), &QTimer::timeout, debounce_.get(), [this] { check(); });
}

ConfigurationFileWatcher::~ConfigurationFileWatcher() { stop(); }

void ConfigurationFileWatcher::start() {
  isRunning_ = true;
  observed_ = ConfigObservation::of(ConfigStore{path_});
  rearm();
}

void ConfigurationFileWatcher::rearm() {
  auto fresh = std::make_unique<Source>();
  fresh->fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fresh->fd >= 0) {
    const auto directory = ConfigStore{path_}.nearestExistingDirectory();
    const int directoryWatch = ::inotify_add_watch(fresh->fd, directory.c_str(), directoryEvents);
    // A missing file has no watch; the directory sees it appear.
    const int fileWatch = ::inotify_add_watch(fresh->fd, path_.c_str(), fileEvents);
    if (directoryWatch >= 0 || fileWatch >= 0) {
      fresh->notifier = std::make_unique<QSocketNotifier>(fresh->fd, QSocketNotifier::Read);
      QObject::connect(fresh->notifier.get(), &QSocketNotifier::activated, fresh->notifier.get(),
                       [this] { handleEvents(); });
    }
  }
  // The new watches exist before the old ones end, so nothing between them goes unseen.
  source_ = std::move(fresh);
}

void ConfigurationFileWatcher::stop() {
  isRunning_ = false;
  debounce_->stop();
  source_.reset();
}

void ConfigurationFileWatcher::handleEvents() {
  if (source_) source_->drain();
  if (!isRunning_) return;
  debounce_->start(debounceInterval_);
  // A rename or delete leaves the watch on a file that no longer has the name, and a directory
  // or file that just appeared must be watched from now on.
  rearm();
}

void ConfigurationFileWatcher::check() {
  if (!isRunning_) return;
  auto observation = ConfigObservation::of(ConfigStore{path_});
  if (observation == observed_) return;
  observed_ = std::move(observation);
  // The action may destroy this watcher, so it runs from a copy and nothing follows it.
  const auto action = onChange_;
  action();
}

}  // namespace flitbar
