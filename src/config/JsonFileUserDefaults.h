#pragma once

#include "config/UserDefaults.h"

#include <filesystem>
#include <optional>

namespace flitbar {

// A preferences domain stored as one JSON object in $XDG_CONFIG_HOME/<domain>.json. Every read
// goes to the file, so values written by another process are seen at once; every write replaces
// the file privately and atomically (0600, parent directories 0700). A file that is not a JSON
// object, or nests deeper than 64 levels, reads as an empty domain and is set aside as
// "<file>.corrupt" by the next write rather than overwritten. A file that exists but cannot be
// read reads as empty too and is left alone: writes are dropped until it can be read again.
// Meant for one thread (the main thread).
class JsonFileUserDefaults : public UserDefaults {
 public:
  explicit JsonFileUserDefaults(std::filesystem::path file) : file_(std::move(file)) {}

  // The store of a domain (a bundle identifier); absent when the name could escape the folder.
  static std::optional<JsonFileUserDefaults> forDomain(const std::string& domain);

  std::optional<nlohmann::json> object(const std::string& key) const override;
  void set(const std::string& key, const nlohmann::json& value) override;
  void remove(const std::string& key) override;

  const std::filesystem::path& file() const { return file_; }

 private:
  enum class Contents { absent, valid, damaged, unreadable };
  Contents read(nlohmann::json& values) const;
  template <typename Change>
  void update(Change&& change);

  std::filesystem::path file_;
};

}  // namespace flitbar
