#include "engine/DiversionJournal.h"

#include "config/ConfigStore.h"
#include "config/GuardedRead.h"
#include "platform/linux/XdgPaths.h"

#include <nlohmann/json.hpp>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace flitbar {

namespace {

constexpr std::size_t journalLimit = 1'048'576;

nlohmann::json encode(const DiversionJournal::Entry& entry) {
  const auto& capture = entry.capture;
  nlohmann::json json{{"pid", entry.pid},           {"slot", capture.device}, {"name", capture.deviceName},
                      {"feature", capture.feature}, {"cid", capture.cid},     {"flags", entry.flags},
                      {"remap", capture.remap}};
  if (capture.unitID) json["unitId"] = *capture.unitID;
  return json;
}

DiversionJournal::Entry decode(const nlohmann::json& json) {
  DiversionJournal::Entry entry;
  entry.pid = json.at("pid").get<int>();
  entry.capture.device = json.at("slot").get<std::uint8_t>();
  entry.capture.deviceName = json.at("name").get<std::string>();
  entry.capture.feature = json.at("feature").get<std::uint8_t>();
  entry.capture.cid = json.at("cid").get<std::uint16_t>();
  entry.capture.remap = json.at("remap").get<std::uint16_t>();
  entry.flags = json.at("flags").get<std::uint8_t>();
  if (json.contains("unitId")) entry.capture.unitID = json.at("unitId").get<std::string>();
  return entry;
}

}  // namespace

DiversionJournal::DiversionJournal(std::filesystem::path path, int pid, IsAlive isAlive)
    : path_(std::move(path)), pid_(pid), isAlive_(std::move(isAlive)) {}

std::filesystem::path DiversionJournal::defaultPath() { return XdgPaths::stateHome() / "flitbar" / "diversions.json"; }

bool DiversionJournal::processAlive(int pid) { return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM); }

void DiversionJournal::record(const ManagedControls::Capture& capture, std::uint8_t flags) {
  auto entries = read();
  const auto key = ManagedControls::key(capture);
  std::erase_if(entries,
                [&](const Entry& entry) { return entry.pid == pid_ && ManagedControls::key(entry.capture) == key; });
  entries.push_back(Entry{pid_, capture, flags});
  write(entries);
}

void DiversionJournal::forget(const std::string& key) {
  auto entries = read();
  const auto removed = std::erase_if(
      entries, [&](const Entry& entry) { return entry.pid == pid_ && ManagedControls::key(entry.capture) == key; });
  if (removed > 0) write(entries);
}

std::vector<DiversionJournal::Entry> DiversionJournal::leftovers() const {
  auto entries = read();
  std::erase_if(entries, [this](const Entry& entry) { return entry.pid == pid_ || isAlive_(entry.pid); });
  return entries;
}

void DiversionJournal::forgetLeftover(const Entry& leftover) {
  auto entries = read();
  if (std::erase(entries, leftover) > 0) write(entries);
}

void DiversionJournal::clear() {
  if (::unlink(path_.c_str()) != 0 && errno != ENOENT) throw std::system_error(errno, std::generic_category());
}

std::vector<DiversionJournal::Entry> DiversionJournal::read() const {
  std::vector<Entry> entries;
  try {
    const auto document = nlohmann::json::parse(guardedRead(path_, journalLimit));
    for (const auto& item : document.at("entries")) entries.push_back(decode(item));
  } catch (const std::exception&) {
    // Missing or damaged: nothing can be handed back from it. The next write replaces it.
  }
  return entries;
}

void DiversionJournal::write(const std::vector<Entry>& entries) const {
  if (entries.empty()) {
    if (::unlink(path_.c_str()) != 0 && errno != ENOENT) throw std::system_error(errno, std::generic_category());
    return;
  }
  nlohmann::json list = nlohmann::json::array();
  for (const Entry& entry : entries) list.push_back(encode(entry));
  ConfigStore::writePrivateData(nlohmann::json{{"entries", list}}.dump(), path_, true);
  // The folder may predate us with a wider mode; what is in it is nobody else's business.
  if (::chmod(path_.parent_path().c_str(), 0700) != 0) throw std::system_error(errno, std::generic_category());
}

}  // namespace flitbar
