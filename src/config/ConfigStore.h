#pragma once

#include "config/ConfigLoad.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace flitbar {

// The bindings file: where it lives, how it is read under a size limit, validated and first
// created. A plain value, safe to use from any thread; every load reads the file afresh.
struct ConfigStore {
  // The largest file that is read or parsed: 1 MiB.
  static constexpr std::size_t maximumBytes = 1'048'576;

  std::string path;

  // FLITBAR_CONFIG_PATH verbatim when the environment holds it, else ~/.config/flitbar/bindings.json.
  static std::string defaultPath();

  // Never throws: problems come back as issues beside whatever entries were valid. With
  // `seedIfMissing` an absent file is created with the starter text (never over an existing file).
  // Command bindings are dropped, with one `unreadable` issue saying why, when the file or its
  // folder belongs to another user or others may write to it.
  ConfigLoad load(bool seedIfMissing) const;

  // The raw contents. Throws ConfigStoreError: `missing` when nothing exists at `path`,
  // `unreadable` with the system's description when the guarded read fails.
  std::string exportData() const;

  // The closest ancestor directory of `path` that exists (at worst the root).
  std::filesystem::path nearestExistingDirectory() const;

  // The commented starter file.
  static const std::string& seedData();

  // Writes `data` through a private temporary file (directories 0700, file 0600, flushed to disk).
  // With `overwrite` the target is replaced atomically and the result is true; without it an
  // existing target is left alone and the result is false. Throws std::system_error.
  static bool writePrivateData(std::string_view data, const std::filesystem::path& target, bool overwrite);

  // Validates a document; `seeded` is always false.
  static ConfigLoad parse(std::string_view data);

  // " aa:bb:0c:dd " -> "AA:BB:0C:DD"; absent unless exactly four two-digit hexadecimal bytes.
  static std::optional<std::string> normalizedUnitID(std::string_view text);
};

}  // namespace flitbar
