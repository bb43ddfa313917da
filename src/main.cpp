#include "app/EngineRuntime.h"
#include "app/FlitbarApplication.h"
#include "config/JsonFileUserDefaults.h"
#include "engine/DiversionJournal.h"
#include "engine/ManagedControls.h"
#include "engine/SystemShellExecutor.h"
#include "platform/dbus/DBusRunningApplications.h"
#include "platform/dbus/DesktopSignals.h"
#include "platform/linux/LiveReceiver.h"
#include "platform/linux/ProcProcessTable.h"
#include "shell/AppHost.h"
#include "shell/QtMainExecutor.h"

#include <QDBusObjectPath>
#include <QMetaType>

#include <unistd.h>

int main(int argc, char** argv) {
  using namespace flitbar;
  // Statics go in reverse order of construction at exit. Creating Qt's type registry before the
  // first bus connection keeps it alive while the connection's thread decodes a last message;
  // otherwise a command that used the bus may print "invalid type" warnings as it exits.
  qRegisterMetaType<QDBusObjectPath>();
  const auto bundle = MainBundle::ofRunningProcess(AppIdentity::productBundleIdentifier);
  DBusRunningApplications runningApplications;
  ProcProcessTable processes;
  auto defaults =
      std::make_shared<JsonFileUserDefaults>(*JsonFileUserDefaults::forDomain(AppIdentity::productBundleIdentifier));
  auto makeEngine = [](Logging& log) -> std::unique_ptr<ApplicationEngine> {
    Engine::Parameters parameters;
    parameters.configStore = ConfigStore{ConfigStore::defaultPath()};
    parameters.receiverFactory = [] { return LiveReceiver::open(); };
    parameters.shellExecutor = std::make_shared<SystemShellExecutor>();
    parameters.logger = [&log](const std::string& line) { log.info(line); };
    // What a crashed run left diverted is handed back at the next start.
    parameters.managedControls = std::make_shared<ManagedControls>(
        ControlPacing{}, std::make_shared<DiversionJournal>(DiversionJournal::defaultPath(), ::getpid(),
                                                            DiversionJournal::processAlive));
    return std::make_unique<EngineRuntime>(std::move(parameters), std::make_shared<QtMainExecutor>());
  };
  FlitbarApplication application(AppIdentity::running(bundle), ConfigStore{ConfigStore::defaultPath()},
                                 runningApplications, processes,
                                 {defaults, std::move(makeEngine), DesktopSignals::observer()});
  AppHost::run(application, argc, argv, bundle.identifier);
}
