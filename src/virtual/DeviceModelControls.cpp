#include "virtual/DeviceModel.h"

#include <fmt/format.h>

#include <algorithm>
#include <stdexcept>

namespace flitbar::virtualhid {

namespace {

constexpr std::uint16_t featureReprogControls = 0x1B04;

// Capability flags of a control.
constexpr std::uint8_t reprogrammable = 0x10;
constexpr std::uint8_t divertable = 0x20;
constexpr std::uint8_t persistentlyDivertable = 0x40;

// Reporting flags: as read, and the valid bits that make a write change them.
constexpr std::uint8_t divertBit = 0x01;
constexpr std::uint8_t divertValid = 0x02;
constexpr std::uint8_t persistBit = 0x04;
constexpr std::uint8_t persistValid = 0x08;

constexpr std::size_t heldControlsPerEvent = 4;

std::uint8_t high(std::uint16_t value) { return static_cast<std::uint8_t>(value >> 8); }
std::uint8_t low(std::uint16_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

}  // namespace

DeviceModel::Control* DeviceModel::control(std::uint16_t cid) {
  const auto found = std::find_if(controls_.begin(), controls_.end(), [&](const auto& c) { return c.rig.cid == cid; });
  return found == controls_.end() ? nullptr : &*found;
}

DeviceModel::Reply DeviceModel::reprogControls(std::uint8_t function, const Params& params) {
  switch (function) {
    case 0:
      return Reply::answer({static_cast<std::uint8_t>(controls_.size())});
    case 1: {  // cid, task, capability flags, position, group, group mask, additional flags
      if (params[0] >= controls_.size()) return Reply::failure(frames::errorInvalidArgument);
      const auto& rig = controls_[params[0]].rig;
      return Reply::answer({high(rig.cid), low(rig.cid), high(rig.task), low(rig.task), rig.flags,
                            static_cast<std::uint8_t>(params[0] + 1), 0x00, 0x00, 0x00});
    }
    case 2: {
      const auto* found = control(static_cast<std::uint16_t>(params[0] << 8 | params[1]));
      if (found == nullptr) return Reply::failure(frames::errorInvalidArgument);
      return reporting(*found);
    }
    case 3:
      return setReporting(params);
    default:
      return Reply::failure(frames::errorInvalidFunction);
  }
}

DeviceModel::Reply DeviceModel::reporting(const Control& control) const {
  const auto flags =
      static_cast<std::uint8_t>((control.divert ? divertBit : 0) | (control.persistentDivert ? persistBit : 0));
  return Reply::answer({high(control.rig.cid), low(control.rig.cid), flags, high(control.remap), low(control.remap)});
}

DeviceModel::Reply DeviceModel::setReporting(const Params& params) {
  const auto cid = static_cast<std::uint16_t>(params[0] << 8 | params[1]);
  const std::uint8_t flags = params[2];
  const auto remap = static_cast<std::uint16_t>(params[3] << 8 | params[4]);
  Control* target = control(cid);
  if (target == nullptr) return Reply::failure(frames::errorInvalidArgument);

  // The whole write is refused when any part of it asks for what the control cannot do.
  const bool divertOn = (flags & divertValid) && (flags & divertBit);
  const bool persistOn = (flags & persistValid) && (flags & persistBit);
  if (divertOn && !(target->rig.flags & divertable)) return Reply::failure(frames::errorInvalidArgument);
  if (persistOn && !(target->rig.flags & persistentlyDivertable)) return Reply::failure(frames::errorInvalidArgument);
  // Remap 0 keeps the current mapping; remapping a control to itself clears it.
  const bool remapToOther = remap != 0 && remap != cid;
  if (remapToOther && (!(target->rig.flags & reprogrammable) || control(remap) == nullptr)) {
    return Reply::failure(frames::errorInvalidArgument);
  }

  if (flags & divertValid) target->divert = divertOn;
  if (flags & persistValid) target->persistentDivert = persistOn;
  if (remap != 0) target->remap = remapToOther ? remap : 0;
  if (!target->divert && !target->persistentDivert) std::erase(divertedHeld_, cid);
  return reporting(*target);
}

frames::Bytes DeviceModel::buttonEvent() const {
  std::array<std::uint8_t, 16> params{};
  const auto listed = std::min(divertedHeld_.size(), heldControlsPerEvent);
  for (std::size_t i = 0; i < listed; ++i) {
    params[2 * i] = high(divertedHeld_[i]);
    params[2 * i + 1] = low(divertedHeld_[i]);
  }
  // Events carry function 0 and software id 0, which tells them apart from answers.
  return frames::longReport(rig_.slot, featureIndex(featureReprogControls), 0x00, params);
}

ControlEffect DeviceModel::press(std::uint16_t cid) {
  Control* pressed = control(cid);
  if (pressed == nullptr) throw std::invalid_argument(fmt::format("device {} has no control 0x{:04X}", rig_.id, cid));
  if (pressed->held) return {};
  pressed->held = true;
  if (pressed->divert || pressed->persistentDivert) {
    divertedHeld_.push_back(cid);
    return {buttonEvent(), std::nullopt};
  }
  // Not diverted: the control does its own job, or the job of the control it is remapped to.
  const Control* acting = pressed->remap != 0 ? control(pressed->remap) : pressed;
  if (acting != nullptr && acting->rig.hostSwitch != 0 && acting->rig.hostSwitch - 1 != currentChannel_) {
    return {std::nullopt, static_cast<std::uint8_t>(acting->rig.hostSwitch - 1)};
  }
  return {};
}

ControlEffect DeviceModel::release(std::uint16_t cid) {
  Control* released = control(cid);
  if (released == nullptr) throw std::invalid_argument(fmt::format("device {} has no control 0x{:04X}", rig_.id, cid));
  if (!released->held) return {};
  released->held = false;
  if (std::erase(divertedHeld_, cid) == 0) return {};
  return {buttonEvent(), std::nullopt};
}

void DeviceModel::loseLink() {
  for (auto& control : controls_) {
    control.divert = false;
    control.held = false;
  }
  divertedHeld_.clear();
}

}  // namespace flitbar::virtualhid
