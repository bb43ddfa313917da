#include "config/JsonFileUserDefaults.h"

#include "config/ConfigStore.h"
#include "config/GuardedRead.h"
#include "platform/linux/XdgPaths.h"

#include <cerrno>
#include <cstdio>
#include <string_view>
#include <system_error>

namespace flitbar {

namespace {

constexpr int maximumNesting = 64;

// True when arrays and objects nest deeper than `limit` (brackets inside strings do not count).
bool nestingExceeds(std::string_view data, int limit) {
  int depth = 0;
  bool inString = false;
  bool escaped = false;
  for (const char character : data) {
    if (inString) {
      if (escaped) {
        escaped = false;
      } else if (character == '\\') {
        escaped = true;
      } else if (character == '"') {
        inString = false;
      }
    } else if (character == '"') {
      inString = true;
    } else if (character == '[' || character == '{') {
      if (++depth > limit) return true;
    } else if (character == ']' || character == '}') {
      --depth;
    }
  }
  return false;
}

}  // namespace

std::optional<JsonFileUserDefaults> JsonFileUserDefaults::forDomain(const std::string& domain) {
  if (domain.empty() || domain.front() == '.' || domain.find('/') != std::string::npos ||
      domain.find('\0') != std::string::npos)
    return std::nullopt;
  return JsonFileUserDefaults(XdgPaths::configHome() / (domain + ".json"));
}

JsonFileUserDefaults::Contents JsonFileUserDefaults::read(nlohmann::json& values) const {
  values = nlohmann::json::object();
  std::string data;
  try {
    data = guardedRead(file_, ConfigStore::maximumBytes);
  } catch (const std::system_error& error) {
    // A file that exists but cannot be read now (EACCES, EMFILE, ...) may be fine later.
    return error.code().value() == ENOENT ? Contents::absent : Contents::unreadable;
  }
  // Copying and writing values recurse once per level; a deeper document could overflow the stack.
  if (nestingExceeds(data, maximumNesting)) return Contents::damaged;
  auto parsed = nlohmann::json::parse(data, nullptr, false);
  if (!parsed.is_object()) return Contents::damaged;
  values = std::move(parsed);
  return Contents::valid;
}

std::optional<nlohmann::json> JsonFileUserDefaults::object(const std::string& key) const {
  nlohmann::json values;
  read(values);
  const auto found = values.find(key);
  if (found == values.end()) return std::nullopt;
  return *found;
}

template <typename Change>
void JsonFileUserDefaults::update(Change&& change) {
  nlohmann::json values;
  const Contents contents = read(values);
  // Writing now would replace values that could not be read with nothing.
  if (contents == Contents::unreadable) return;
  if (contents == Contents::damaged) {
    // Keep what cannot be parsed for the user to inspect instead of writing over it.
    auto aside = file_;
    aside += ".corrupt";
    if (std::rename(file_.c_str(), aside.c_str()) != 0) return;
  }
  change(values);
  try {
    ConfigStore::writePrivateData(values.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n", file_,
                                  true);
  } catch (const std::system_error&) {
    // Preferences are best effort: the value simply is not kept.
  }
}

void JsonFileUserDefaults::set(const std::string& key, const nlohmann::json& value) {
  update([&](nlohmann::json& values) { values[key] = value; });
}

void JsonFileUserDefaults::remove(const std::string& key) {
  nlohmann::json values;
  if (read(values) != Contents::valid || !values.contains(key)) return;
  update([&](nlohmann::json& current) { current.erase(key); });
}

}  // namespace flitbar
