#pragma once

#include "protocol/ReceiverSession.h"

#include <cstdint>
#include <vector>

namespace flitbar {

// The controls `watch` diverted on one device. They are handed back by `release`, or by the
// destructor when the watch ends by an error, so none stays diverted however the command ends.
class WatchDiversion {
 public:
  // Diverts each control (writes only; a watch shows whatever arrives).
  WatchDiversion(ReceiverSession& session, std::uint8_t device, std::uint8_t feature,
                 std::vector<std::uint16_t> controls);
  ~WatchDiversion();
  WatchDiversion(const WatchDiversion&) = delete;
  WatchDiversion& operator=(const WatchDiversion&) = delete;

  // Removes the press handler, releases every control and reads each one back (up to three
  // reads). True when every release was confirmed; later calls repeat the first answer.
  bool release();

 private:
  bool confirmedReleased(std::uint16_t cid);

  ReceiverSession& session_;
  std::uint8_t device_;
  std::uint8_t feature_;
  std::vector<std::uint16_t> controls_;
  bool released_ = false;
  bool confirmed_ = true;
};

}  // namespace flitbar
