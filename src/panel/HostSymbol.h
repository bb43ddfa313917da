#pragma once

#include "panel/PanelSymbol.h"

#include <filesystem>
#include <optional>
#include <string>

namespace flitbar::HostSymbol {

PanelSymbol laptop();
// A display, falling back to a generic computer where the theme has no display icon.
PanelSymbol display();

// The SMBIOS chassis type as the kernel shows it (a decimal number), absent when unreadable.
std::optional<std::string> readChassisType(const std::filesystem::path& dmiDirectory = "/sys/class/dmi/id");
// Portable, laptop, notebook, sub-notebook, convertible and detachable chassis are laptops;
// anything else, or nothing readable, is a display.
PanelSymbol forChassisType(const std::optional<std::string>& chassisType);
PanelSymbol thisComputer(const std::filesystem::path& dmiDirectory = "/sys/class/dmi/id");

// Another computer, guessed from the name its owner gave it.
PanelSymbol other(const std::string& displayName);

}  // namespace flitbar::HostSymbol
