#include "cli/WatchDiversion.h"

#include <exception>

namespace flitbar {

namespace {
constexpr int verificationReads = 3;
}  // namespace

WatchDiversion::WatchDiversion(ReceiverSession& session, std::uint8_t device, std::uint8_t feature,
                               std::vector<std::uint16_t> controls)
    : session_(session), device_(device), feature_(feature), controls_(std::move(controls)) {
  for (const std::uint16_t cid : controls_) session_.setDivert(device_, feature_, cid, true);
}

WatchDiversion::~WatchDiversion() { release(); }

bool WatchDiversion::release() {
  if (released_) return confirmed_;
  released_ = true;
  session_.transport().setNotificationHandler({});
  for (const std::uint16_t cid : controls_) {
    session_.setDivert(device_, feature_, cid, false);
    confirmed_ = confirmedReleased(cid) && confirmed_;
  }
  return confirmed_;
}

bool WatchDiversion::confirmedReleased(std::uint16_t cid) {
  for (int attempt = 0; attempt < verificationReads; ++attempt) {
    try {
      if (!(session_.controlReporting(device_, feature_, cid).flags & 0x01)) return true;
    } catch (const std::exception&) {
      // An unanswered read uses up one attempt.
    }
  }
  return false;
}

}  // namespace flitbar
