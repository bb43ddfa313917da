#pragma once

#include "engine/EngineSnapshot.h"
#include "engine/RestoreReport.h"
#include "engine/SwitchReport.h"

#include <string>
#include <variant>

namespace flitbar {

// What the engine tells its handler on the main thread.
struct EngineEvent {
  struct ActionFailed {
    std::string name;
    std::string detail;

    bool operator==(const ActionFailed&) const = default;
  };

  // A published state change, a successful switch or follow, a finished restore, or a failed
  // switch, follow or shell action.
  std::variant<EngineSnapshot, SwitchReport, RestoreReport, ActionFailed> payload;

  static EngineEvent snapshot(EngineSnapshot state) { return {std::move(state)}; }
  static EngineEvent switched(SwitchReport report) { return {std::move(report)}; }
  static EngineEvent restoreFinished(RestoreReport report) { return {std::move(report)}; }
  static EngineEvent actionFailed(std::string name, std::string detail) {
    return {ActionFailed{std::move(name), std::move(detail)}};
  }

  const EngineSnapshot* asSnapshot() const { return std::get_if<EngineSnapshot>(&payload); }
  const SwitchReport* asSwitched() const { return std::get_if<SwitchReport>(&payload); }
  const RestoreReport* asRestoreFinished() const { return std::get_if<RestoreReport>(&payload); }
  const ActionFailed* asActionFailed() const { return std::get_if<ActionFailed>(&payload); }

  bool operator==(const EngineEvent&) const = default;
};

}  // namespace flitbar
