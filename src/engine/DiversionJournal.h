#pragma once

#include "engine/ManagedControls.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace flitbar {

// A private file that outlives the process: before the engine diverts a control it records which
// control it was and how it reported, and a verified release removes the record. Records of a
// process that is no longer alive are what a crashed run left diverted; the next run hands them
// back. A control some other program diverted is never recorded, so it is never handed back.
//
// Each call reads the file afresh and replaces it atomically (file 0600, folder 0700). Not
// thread-safe: the engine uses it from its HID worker only. Writes throw std::system_error; a
// file that cannot be read or parsed reads as empty.
class DiversionJournal {
 public:
  struct Entry {
    int pid = 0;
    ManagedControls::Capture capture;
    // The reporting flags the control had before it was diverted.
    std::uint8_t flags = 0;

    bool operator==(const Entry&) const = default;
  };
  using IsAlive = std::function<bool(int pid)>;

  DiversionJournal(std::filesystem::path path, int pid, IsAlive isAlive);

  // $XDG_STATE_HOME/flitbar/diversions.json.
  static std::filesystem::path defaultPath();
  // True unless no process has this id.
  static bool processAlive(int pid);

  // Adds (or replaces) this process's record of the capture.
  void record(const ManagedControls::Capture& capture, std::uint8_t flags);
  // Drops this process's record under the capture key, if any.
  void forget(const std::string& key);
  // The records of processes that are no longer alive.
  std::vector<Entry> leftovers() const;
  void forgetLeftover(const Entry& entry);
  // Drops every record.
  void clear();

 private:
  std::vector<Entry> read() const;
  void write(const std::vector<Entry>& entries) const;

  std::filesystem::path path_;
  int pid_;
  IsAlive isAlive_;
};

}  // namespace flitbar
