#include "panel/HostSymbol.h"

#include "config/TextTrimming.h"
#include "panel/TextMatching.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>

namespace flitbar::HostSymbol {

namespace {

// SMBIOS chassis types: portable, laptop, notebook, sub-notebook, convertible, detachable.
constexpr std::array<int, 6> laptopChassisTypes{8, 9, 10, 14, 31, 32};

}  // namespace

PanelSymbol laptop() { return {"computer-laptop", {}}; }
PanelSymbol display() { return {"video-display", {"computer"}}; }

std::optional<std::string> readChassisType(const std::filesystem::path& dmiDirectory) {
  std::ifstream file(dmiDirectory / "chassis_type");
  std::string line;
  if (!file || !std::getline(file, line)) return std::nullopt;
  return line;
}

PanelSymbol forChassisType(const std::optional<std::string>& chassisType) {
  if (!chassisType) return display();
  const std::string_view text = trimmed(*chassisType);
  int type = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), type);
  if (error != std::errc{} || end != text.data() + text.size()) return display();
  const bool isLaptop =
      std::find(laptopChassisTypes.begin(), laptopChassisTypes.end(), type) != laptopChassisTypes.end();
  return isLaptop ? laptop() : display();
}

PanelSymbol thisComputer(const std::filesystem::path& dmiDirectory) {
  return forChassisType(readChassisType(dmiDirectory));
}

PanelSymbol other(const std::string& displayName) {
  return containsAnyIgnoringCase(displayName, {"book", "air", "laptop"}) ? laptop() : display();
}

}  // namespace flitbar::HostSymbol
