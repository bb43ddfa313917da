#include "panel/DesktopAppearance.h"

#include <QDBusMessage>
#include <QDBusVariant>

#include <optional>

namespace flitbar {

namespace {

// The portal answers at once or not at all; never hold the panel up for long.
constexpr int portalTimeoutMs = 250;

std::optional<QVariant> readSetting(const QDBusConnection& bus, const QString& group, const QString& key) {
  auto call = QDBusMessage::createMethodCall("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                                             "org.freedesktop.portal.Settings", "Read");
  call << group << key;
  const auto reply = bus.call(call, QDBus::Block, portalTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
  // Read wraps the value in one or two variants, depending on the portal's version.
  QVariant value = reply.arguments().first();
  while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>()) {
    value = qvariant_cast<QDBusVariant>(value).variant();
  }
  return value;
}

}  // namespace

PanelAppearance readDesktopAppearance(const QDBusConnection& bus) {
  PanelAppearance appearance;
  if (!bus.isConnected()) return appearance;
  if (auto animations = readSetting(bus, "org.gnome.desktop.interface", "enable-animations")) {
    appearance.reducedAnimation = !animations->toBool();
  } else if (auto factor = readSetting(bus, "org.kde.kdeglobals.KDE", "AnimationDurationFactor")) {
    appearance.reducedAnimation = factor->toDouble() == 0.0;
  }
  if (auto contrast = readSetting(bus, "org.freedesktop.appearance", "contrast")) {
    appearance.highContrast = contrast->toUInt() == 1;
  } else if (auto highContrast = readSetting(bus, "org.gnome.desktop.a11y.interface", "high-contrast")) {
    appearance.highContrast = highContrast->toBool();
  }
  return appearance;
}

}  // namespace flitbar
