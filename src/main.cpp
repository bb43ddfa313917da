#include "app/FlitbarApplication.h"
#include "platform/dbus/DBusRunningApplications.h"
#include "platform/linux/ProcProcessTable.h"
#include "shell/AppHost.h"

int main(int argc, char** argv) {
  using namespace flitbar;
  const auto bundle = MainBundle::ofRunningProcess(AppIdentity::productBundleIdentifier);
  DBusRunningApplications runningApplications;
  ProcProcessTable processes;
  FlitbarApplication application(AppIdentity::running(bundle), ConfigStore{ConfigStore::defaultPath()},
                                 runningApplications, processes);
  AppHost::run(application, argc, argv, bundle.identifier);
}
