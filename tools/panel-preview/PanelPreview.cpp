// Renders the panel's content in a few states, light and dark, into PNG files for the docs:
//   panel_preview <output folder>      (run with QT_QPA_PLATFORM=offscreen)
#include "config/InMemoryUserDefaults.h"
#include "panel/PanelContentView.h"
#include "panel/PanelModel.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QStyle>
#include <QStyleFactory>
#include <QVBoxLayout>

#include <iostream>

namespace flitbar {
namespace {

DeviceInfo device(std::string name, std::string unitID, std::optional<DeviceBattery> battery) {
  DeviceInfo info;
  info.name = std::move(name);
  info.unitID = std::move(unitID);
  info.changeHostFeature = 9;
  info.hostCount = 3;
  info.hostNames = std::vector<std::string>{"Workstation", "Anna's Laptop", ""};
  info.battery = battery;
  return info;
}

PanelModelInput runningInput() {
  PanelModelInput input;
  input.applicationName = "Flitbar";
  input.snapshot.lifecycle = EngineSnapshot::Lifecycle::running;
  input.snapshot.devices = {device("MX Keys", "4A:1B:22:9C", DeviceBattery{18, false}),
                            device("MX Master 3", "7F:00:3D:11", DeviceBattery{85, true})};
  input.snapshot.destinationHost = 2;
  input.effectiveHostCount = 3;
  input.effectiveThisHost = 1;
  input.hostLabel = [](int host) { return "host " + std::to_string(host); };
  input.thisComputerSymbol = {"video-display", {"computer"}};
  return input;
}

QPalette darkPalette() {
  QPalette palette;
  palette.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2e));
  palette.setColor(QPalette::WindowText, QColor(0xf2, 0xf2, 0xf2));
  palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
  palette.setColor(QPalette::Text, QColor(0xf2, 0xf2, 0xf2));
  palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
  palette.setColor(QPalette::ButtonText, QColor(0xf2, 0xf2, 0xf2));
  palette.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::PlaceholderText, QColor(0x9a, 0x9a, 0x9a));
  return palette;
}

void render(const PanelModelInput& input, const std::set<std::string>& expanded, const QString& path) {
  InMemoryUserDefaults defaults;
  defaults.set("hostNames", {{"3", "Studio"}});
  QWidget frame;
  frame.setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(&frame);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* view = new PanelContentView([&] { return PanelModel(input, defaults).content(); },
                                    [] {
                                      return PanelAppearance{true, false};
                                    },
                                    &frame);
  layout->addWidget(view);
  view->setPresented(true);
  for (const auto& id : expanded) view->toggleRow(id);
  frame.show();
  frame.adjustSize();
  QApplication::processEvents();
  if (!frame.grab().save(path)) std::cerr << "could not write " << path.toStdString() << "\n";
}

}  // namespace
}  // namespace flitbar

int main(int argc, char** argv) {
  using namespace flitbar;
  QApplication app(argc, argv);
  if (argc != 2) {
    std::cerr << "usage: panel_preview <output folder>\n";
    return 2;
  }
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  QIcon::setThemeName("Adwaita");
  const QDir out(argv[1]);
  auto editing = runningInput();
  editing.editingHost = 2;
  auto error = runningInput();
  error.snapshot.lastError = "Receiver access permission needed.";
  error.snapshot.problem = EngineSnapshot::Problem::accessDenied;
  error.wheelDiversion = WheelDiversion{2, "MX Master 3", {1, 0, 0}};
  error.snapshot.configIssues = {{ConfigIssue::Kind::invalidHost, 1, "host must be an integer from 1 through 3"}};
  for (const auto& [scheme, palette] : {std::pair{QString("light"), QApplication::style()->standardPalette()},
                                        std::pair{QString("dark"), darkPalette()}}) {
    QApplication::setPalette(palette);
    render(runningInput(), {}, out.filePath("panel-collapsed-" + scheme + ".png"));
    render(runningInput(), {"hosts", "devices"}, out.filePath("panel-expanded-" + scheme + ".png"));
    render(editing, {"hosts"}, out.filePath("panel-renaming-" + scheme + ".png"));
    render(error, {}, out.filePath("panel-error-" + scheme + ".png"));
  }
  return 0;
}
