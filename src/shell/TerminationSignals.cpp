#include "shell/TerminationSignals.h"

#include <QCoreApplication>

#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>

namespace flitbar {
namespace {

sigset_t terminationSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

TerminationSignals::TerminationSignals() {
  const auto set = terminationSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  fd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

TerminationSignals::~TerminationSignals() {
  notifier_.reset();
  if (fd_ >= 0) ::close(fd_);
}

void TerminationSignals::quitApplicationOnSignal() {
  if (fd_ < 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    signalfd_siginfo info{};
    while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
      emit received(static_cast<int>(info.ssi_signo));
      QCoreApplication::quit();
    }
  });
}

}  // namespace flitbar
