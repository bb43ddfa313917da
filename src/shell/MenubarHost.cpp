#include "shell/MenubarHost.h"

#include "shell/TerminationSignals.h"

#include <QApplication>

namespace flitbar {

MenubarHost::MenubarHost(const AppIdentity& identity) : identity_(identity) {}

int MenubarHost::run(int argc, char** argv) {
  TerminationSignals terminationSignals;
  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromStdString(identity_.name));
  QApplication::setApplicationVersion(QString::fromStdString(identity_.version));
  QApplication::setDesktopFileName(QString::fromStdString(identity_.bundleIdentifier));
  QApplication::setQuitOnLastWindowClosed(false);
  terminationSignals.quitApplicationOnSignal();
  QApplication::exec();
  return 0;
}

}  // namespace flitbar
