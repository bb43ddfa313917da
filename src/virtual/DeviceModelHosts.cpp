#include "virtual/DeviceModel.h"

#include <algorithm>

namespace flitbar::virtualhid {

namespace {

constexpr std::uint8_t hostNameCapability = 0x01;
constexpr std::uint8_t hostPaired = 0x01;
constexpr std::uint8_t hostNameMaxLength = 32;
constexpr std::size_t friendlyNameChunk = 14;

}  // namespace

DeviceModel::Reply DeviceModel::changeHost(std::uint8_t function, const Params& params) const {
  const auto count = static_cast<std::uint8_t>(rig_.channels.size());
  switch (function) {
    case 0:
      return Reply::answer({count, currentChannel_, 0x00});  // host count, current host, flags
    case 1: {
      // setCurrentHost is never answered: the device drops its link and goes.
      const std::uint8_t host = params[0];
      if (host >= count) return Reply::failure(frames::errorInvalidArgument);
      Reply reply{Reply::Kind::silence, {}, 0, std::nullopt};
      if (host != currentChannel_) reply.moveToChannel = host;
      return reply;
    }
    default:
      return Reply::failure(frames::errorInvalidFunction);
  }
}

DeviceModel::Reply DeviceModel::hostsInfo(std::uint8_t function, const Params& params) const {
  const auto count = static_cast<std::uint8_t>(rig_.channels.size());
  switch (function) {
    case 0:  // capabilities, reserved, host count, current host
      return Reply::answer({hostNameCapability, 0x00, count, currentChannel_});
    case 1: {  // host, status, bus type, pages, name length, longest name
      const std::uint8_t host = params[0];
      if (host >= count) return Reply::failure(frames::errorInvalidArgument);
      const auto length = static_cast<std::uint8_t>(rig_.hostNames[host].size());
      return Reply::answer({host, hostPaired, 0x01, 0x01, length, hostNameMaxLength});
    }
    case 3: {  // friendly name chunk: host, byte offset, up to 14 name bytes
      const std::uint8_t host = params[0];
      const std::size_t offset = params[1];
      if (host >= count) return Reply::failure(frames::errorInvalidArgument);
      const auto& name = rig_.hostNames[host];
      if (offset > name.size()) return Reply::failure(frames::errorInvalidArgument);
      Reply reply = Reply::answer({host, params[1]});
      std::copy_n(name.begin() + static_cast<std::ptrdiff_t>(offset), std::min(friendlyNameChunk, name.size() - offset),
                  reply.params.begin() + 2);
      return reply;
    }
    default:
      return Reply::failure(frames::errorInvalidFunction);
  }
}

}  // namespace flitbar::virtualhid
