#include "config/JsonFileUserDefaults.h"

#include "config/ConfigStore.h"
#include "config/GuardedRead.h"
#include "platform/linux/XdgPaths.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace flitbar {

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
    return error.code().value() == ENOENT ? Contents::absent : Contents::damaged;
  }
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
  if (read(values) == Contents::damaged) {
    // Keep what cannot be read for the user to inspect instead of writing over it.
    auto aside = file_;
    aside += ".corrupt";
    std::rename(file_.c_str(), aside.c_str());
  }
  change(values);
  try {
    ConfigStore::writePrivateData(values.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n", file_, true);
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
