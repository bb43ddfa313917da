#include "app/FlitbarApplication.h"
#include "shell/AppHost.h"

int main(int argc, char** argv) {
  using namespace flitbar;
  const auto bundle = MainBundle::ofRunningProcess(AppIdentity::productBundleIdentifier);
  FlitbarApplication application(AppIdentity::running(bundle));
  AppHost::run(application, argc, argv, bundle.identifier);
}
