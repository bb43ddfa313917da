#include "shell/DesktopMotion.h"

#include <QProcess>
#include <QStandardPaths>

#include <fstream>
#include <sstream>

namespace flitbar::DesktopMotion {

namespace {

constexpr int gsettingsTimeoutMilliseconds = 2000;

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  const auto last = text.find_last_not_of(" \t\r");
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

}  // namespace

std::optional<bool> gnomeSetting(const std::string& schema, const std::string& key) {
  if (QStandardPaths::findExecutable(QStringLiteral("gsettings")).isEmpty()) return std::nullopt;
  QProcess gsettings;
  gsettings.start(QStringLiteral("gsettings"),
                  {QStringLiteral("get"), QString::fromStdString(schema), QString::fromStdString(key)});
  if (!gsettings.waitForFinished(gsettingsTimeoutMilliseconds) || gsettings.exitCode() != 0) return std::nullopt;
  const QString answer = QString::fromUtf8(gsettings.readAllStandardOutput()).trimmed();
  if (answer == QStringLiteral("true")) return true;
  if (answer == QStringLiteral("false")) return false;
  return std::nullopt;
}

std::optional<double> kdeAnimationFactor(const std::string& kdeglobals) {
  std::istringstream lines(kdeglobals);
  std::string line;
  bool inKDEGroup = false;
  std::optional<double> factor;
  while (std::getline(lines, line)) {
    line = trimmed(line);
    if (line.starts_with('[')) {
      inKDEGroup = line == "[KDE]";
      continue;
    }
    const auto equals = line.find('=');
    if (!inKDEGroup || equals == std::string::npos || trimmed(line.substr(0, equals)) != "AnimationDurationFactor") {
      continue;
    }
    try {
      std::size_t used = 0;
      const std::string value = trimmed(line.substr(equals + 1));
      const double parsed = std::stod(value, &used);
      if (used == value.size()) factor = parsed;
    } catch (const std::exception&) {
      // A value that is not a number leaves the animations as they are.
    }
  }
  return factor;
}

bool reduced(const std::filesystem::path& configHome) {
  std::ifstream file(configHome / "kdeglobals");
  if (file) {
    std::stringstream text;
    text << file.rdbuf();
    if (const auto factor = kdeAnimationFactor(text.str())) return *factor <= 0.0;
  }
  const auto animations = gnomeSetting("org.gnome.desktop.interface", "enable-animations");
  return animations.has_value() && !*animations;
}

}  // namespace flitbar::DesktopMotion
