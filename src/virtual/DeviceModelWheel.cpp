#include "virtual/DeviceModel.h"

namespace flitbar::virtualhid {

namespace {

constexpr std::uint8_t tunableTorqueCapability = 0x01;
constexpr std::uint8_t freeSpin = 1;
constexpr std::uint8_t ratchet = 2;
constexpr std::uint8_t maximumTorque = 100;

}  // namespace

DeviceModel::Reply DeviceModel::smartShift(std::uint8_t function, const Params& params) {
  switch (function) {
    case 0:  // capabilities, then the threshold range the device accepts
      return Reply::answer({tunableTorqueCapability, smartShift_.minimum, smartShift_.maximum});
    case 1:
      return Reply::answer({smartShift_.mode, smartShift_.autoDisengage, smartShift_.torque});
    case 2: {
      // Each field left 0 keeps its current value.
      const std::uint8_t mode = params[0];
      const std::uint8_t autoDisengage = params[1];
      const std::uint8_t torque = params[2];
      if (mode > ratchet || torque > maximumTorque) return Reply::failure(frames::errorInvalidArgument);
      if (mode == freeSpin || mode == ratchet) smartShift_.mode = mode;
      if (autoDisengage != 0) smartShift_.autoDisengage = autoDisengage;
      if (torque != 0) smartShift_.torque = torque;
      return Reply::answer({smartShift_.mode, smartShift_.autoDisengage, smartShift_.torque});
    }
    default:
      return Reply::failure(frames::errorInvalidFunction);
  }
}

DeviceModel::Reply DeviceModel::hiResWheel(std::uint8_t function, const Params& params) {
  switch (function) {
    case 0:
      return Reply::answer({rig_.wheel->multiplier, 0x00});  // multiplier, capability flags
    case 1:
      return Reply::answer({wheelMode_[0], wheelMode_[1], wheelMode_[2]});
    case 2:
      wheelMode_ = {params[0], params[1], params[2]};
      return Reply::answer({wheelMode_[0], wheelMode_[1], wheelMode_[2]});
    default:
      return Reply::failure(frames::errorInvalidFunction);
  }
}

}  // namespace flitbar::virtualhid
