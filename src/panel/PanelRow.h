#pragma once

#include "panel/PanelDetail.h"
#include "panel/PanelNameEdit.h"
#include "panel/PanelSymbol.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace flitbar {

struct PanelEntry;

// A selectable line: a host, a device, a section header or a line inside an expansion.
struct PanelRow {
  // Stable across rebuilds: the view keeps expansion and selection under it.
  std::string id;
  std::string text;
  std::optional<PanelSymbol> symbol;
  // This computer's own host.
  bool isCurrent = false;
  std::vector<PanelDetail> details;
  // Revealed when the row is expanded; empty means the row does not expand.
  std::vector<PanelEntry> expansion;
  // Absent: no check mark column.
  std::optional<bool> isChecked;
  bool enabled = true;
  std::optional<std::string> toolTip;
  std::function<void()> action;
  std::optional<std::string> trailing;
  bool isHeader = false;
  std::optional<PanelNameEdit> editingName;
  std::function<void()> doubleClickAction;
};

}  // namespace flitbar
