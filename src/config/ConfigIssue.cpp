#include "config/ConfigIssue.h"

namespace flitbar {

std::string ConfigIssue::description() const {
  if (!entry) return message;
  return "binding " + std::to_string(*entry + 1) + ": " + message;
}

std::string_view ConfigIssue::kindName(Kind kind) {
  switch (kind) {
    case Kind::missing: return "missing";
    case Kind::unreadable: return "unreadable";
    case Kind::invalidDocument: return "invalidDocument";
    case Kind::invalidEntry: return "invalidEntry";
    case Kind::duplicateMapping: return "duplicateMapping";
    case Kind::invalidDevice: return "invalidDevice";
    case Kind::invalidControl: return "invalidControl";
    case Kind::invalidHost: return "invalidHost";
    case Kind::actionConflict: return "actionConflict";
  }
  return "invalidDocument";
}

}  // namespace flitbar
