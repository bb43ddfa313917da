#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace flitbar {

// One problem of the bindings file: of the whole document, or of one entry of its "bindings" array.
struct ConfigIssue {
  enum class Kind {
    missing,
    unreadable,
    invalidDocument,
    invalidEntry,
    duplicateMapping,
    invalidDevice,
    invalidControl,
    invalidHost,
    actionConflict,
  };

  Kind kind = Kind::invalidDocument;
  // Zero-based position in the "bindings" array; absent for problems of the whole document.
  std::optional<std::int64_t> entry;
  // A lower-case fragment without a final full stop.
  std::string message;

  // "binding <entry + 1>: <message>" when an entry is named, else the message.
  std::string description() const;

  // The kind's stored and printed name: its case name ("invalidDocument").
  static std::string_view kindName(Kind kind);

  bool operator==(const ConfigIssue&) const = default;
};

}  // namespace flitbar
