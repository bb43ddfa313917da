#include "shell/TerminationSignals.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

namespace flitbar {
namespace {

TEST(TerminationSignals, InterruptTerminateAndHangUpEachEndTheEventLoop) {
  static int argc = 1;
  static char name[] = "shell_tests";
  static char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  TerminationSignals termination;
  termination.quitApplicationOnSignal();
  int received = 0;
  QObject::connect(&termination, &TerminationSignals::received, [&](int number) { received = number; });
  for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
    QTimer giveUp;
    QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    giveUp.start(std::chrono::seconds(30));
    ::raise(number);
    EXPECT_EQ(QCoreApplication::exec(), 0) << number;
    EXPECT_EQ(received, number);
  }
}

}  // namespace
}  // namespace flitbar
