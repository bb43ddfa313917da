#include "app/FlitbarApplication.h"

#include "config/Settings.h"

namespace flitbar {
namespace {

// Hosts travel to the engine as one byte.
std::optional<std::uint8_t> hostByte(int host) {
  if (host < 0 || host > 255) return std::nullopt;
  return static_cast<std::uint8_t>(host);
}

}  // namespace

void FlitbarApplication::receiveSwitchRequest(std::optional<std::uint8_t> host) {
  if (!host || !engine_) return;
  engine_->switchAll(
      *host, SwitchReason::externalCommand(), guarded([this, host = *host](std::optional<SwitchReport> report) {
        if (!report && logger())
          logger()->warning("Switch to host " + std::to_string(host) + " from the CLI was refused by the receiver");
      }));
}

void FlitbarApplication::switchAll(int host) {
  if (context_) {
    if (const auto shown = context_->host.lock()) shown->hidePanel();
  }
  const auto byte = hostByte(host);
  if (!engine_ || !byte) return;
  engine_->switchAll(*byte, SwitchReason::menu(), guarded([this, host](std::optional<SwitchReport> report) {
    if (!report && logger())
      logger()->warning("Switch to host " + std::to_string(host) + " from the panel was refused by the receiver");
  }));
}

void FlitbarApplication::setDestination(int host) {
  defaults_.set(Settings::Keys::destinationHost, host);
  if (engine_) {
    if (const auto byte = hostByte(host)) engine_->setDestinationHost(*byte);
  }
  refreshPanel();
}

void FlitbarApplication::setHost(int host, bool hidden) {
  Settings::setHost(host, hidden, defaults_);
  if (engine_) engine_->setHiddenHosts(Settings::hiddenHosts(defaults_));
  refreshPanel();
}

void FlitbarApplication::rescueWheel(std::int64_t revision) {
  if (wheelWriteInProgress_ || !engine_) return;
  if (revision != deviceSetRevision_) {
    if (logger())
      logger()->warning("Wheel rescue skipped: the connected devices changed; open the panel and try again");
    return;
  }
  wheelWriteInProgress_ = true;
  refreshPanel();
  engine_->rescueWheel(guarded([this](bool rescued) {
    wheelWriteInProgress_ = false;
    if (rescued) {
      deviceSetKey_.reset();
      refreshWheelDiversion();
    } else if (logger()) {
      logger()->warning("Wheel rescue failed: the device did not confirm the change; reconnect it and try again");
    }
    refreshPanel();
  }));
}

void FlitbarApplication::reload() {
  if (!engine_) return;
  deviceSetKey_.reset();
  ++deviceSetRevision_;
  engine_->reload();
}

void FlitbarApplication::receiveScreenLocked() {
  if (context_) {
    if (const auto shown = context_->host.lock()) shown->hidePanel();
  }
  if (!engine_) return;
  const auto destination = Settings::destinationHost(defaults_);
  engine_->handleScreenLocked(Settings::switchAwayWhenLocked(defaults_),
                              destination ? std::optional<std::uint8_t>(*destination) : std::nullopt);
}

void FlitbarApplication::receiveWake() {
  if (engine_) engine_->handleWake();
}

}  // namespace flitbar
