#include "app/FlitbarApplication.h"
#include "app/VendorAgents.h"

#include "config/Settings.h"
#include "panel/DesktopAppearance.h"
#include "panel/HostSymbol.h"
#include "panel/PanelContentView.h"
#include "panel/PanelModel.h"
#include "panel/ReceiverAccessHelp.h"

#include <csignal>

namespace flitbar {

PanelContentView* FlitbarApplication::statusPanel(const ApplicationContext&) {
  if (panelView_) return panelView_;
  auto content = [this, alive = std::weak_ptr<char>(alive_)]() -> std::vector<PanelEntry> {
    if (alive.expired()) return {};
    const auto input = panelInput();
    return PanelModel(input, defaults_).content();
  };
  panelView_ = new PanelContentView(content, [] { return readDesktopAppearance(QDBusConnection::sessionBus()); });
  return panelView_;
}

PanelModelInput FlitbarApplication::panelInput() {
  PanelModelInput input;
  input.applicationName = identity_.name;
  input.snapshot = snapshot_;
  input.effectiveHostCount = effectiveHostCount();
  input.effectiveThisHost = effectiveThisHost();
  input.hostLabel = [this](int host) { return hostLabel(host); };
  input.thisComputerSymbol = HostSymbol::thisComputer();
  for (const char* identifier : vendorAgentIdentifiers)
    input.vendorAgentRunning = input.vendorAgentRunning || !runningApplications_.processIds(identifier).empty();
  input.differentiateWithoutColor = panelView_ && panelView_->appearance().highContrast;
  input.wheelDiversion = wheelDiversion_;
  input.deviceSetRevision = deviceSetRevision_;
  input.wheelWriteInProgress = wheelWriteInProgress_;
  input.editingHost = editingHost;
  input.editingDeviceKey = editingDeviceKey;

  // The entries outlive this call: every action holds the application weakly.
  auto* self = this;
  auto& actions = input.actions;
  actions.switchAll = self->guarded([self](int host) { self->switchAll(host); });
  actions.setDestination = self->guarded([self](int host) { self->setDestination(host); });
  actions.setHost = self->guarded([self](int host, bool hidden) { self->setHost(host, hidden); });
  actions.rescueWheel = self->guarded([self](std::int64_t revision) { self->rescueWheel(revision); });
  actions.reload = self->guarded([self] { self->reload(); });
  actions.quitVendorAgents = self->guarded([self] { self->quitVendorAgents(); });
  actions.grantAccess =
      self->guarded([self] { showReceiverAccessHelp(self->panelView_ ? self->panelView_->window() : nullptr); });
  actions.setRavezOzururiza = self->guarded([self](bool on) { self->setRavezOzururiza(on); });
  actions.startEditingHost = self->guarded([self](int host) {
    self->editingHost = host;
    self->refreshPanel();
  });
  actions.startEditingDevice = self->guarded([self](const std::string& key) {
    self->editingDeviceKey = key;
    self->refreshPanel();
  });
  actions.commitHostName = self->guarded([self](int host, const std::string& name) {
    Settings::setHostName(name, host, self->defaults_);
    self->editingHost.reset();
    self->refreshPanel();
  });
  actions.commitDeviceName = self->guarded(
      [self](const std::optional<std::string>& unitID, const std::string& deviceName, const std::string& name) {
        Settings::setDeviceName(name, unitID, deviceName, self->defaults_);
        self->editingDeviceKey.reset();
        self->refreshPanel();
      });
  actions.cancelEditing = self->guarded([self] {
    self->editingHost.reset();
    self->editingDeviceKey.reset();
    self->refreshPanel();
  });
  return input;
}

void FlitbarApplication::quitVendorAgents() {
  for (const char* identifier : vendorAgentIdentifiers) {
    for (const int processId : runningApplications_.processIds(identifier)) {
      if (processId > 0) ::kill(processId, SIGTERM);
    }
  }
}

void FlitbarApplication::setRavezOzururiza(bool on) {
  defaults_.set(Settings::Keys::autoSwitchBoth, on);
  defaults_.set(Settings::Keys::switchAwayWhenLocked, on);
  if (engine_) engine_->setAutoSwitchBoth(Settings::autoSwitchBoth(defaults_));
  refreshPanel();
}

}  // namespace flitbar
