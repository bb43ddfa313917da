#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace flitbar::DesktopMotion {

// Whether the desktop asks for reduced animation: GNOME's `enable-animations` set to false, or
// KDE's `AnimationDurationFactor` of 0 in kdeglobals. Unreadable settings mean animations stay on.
bool reduced(const std::filesystem::path& configHome);

// The boolean GNOME prints for a key ("false", "true"); nothing when gsettings cannot answer.
std::optional<bool> gnomeSetting(const std::string& schema, const std::string& key);

// AnimationDurationFactor from the [KDE] group of a kdeglobals text; nothing when absent.
std::optional<double> kdeAnimationFactor(const std::string& kdeglobals);

}  // namespace flitbar::DesktopMotion
