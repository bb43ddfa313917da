#include "platform/linux/SocketHidBackend.h"

#include "platform/linux/SocketHidDevice.h"
#include "protocol/HIDPPError.h"

#include <algorithm>
#include <system_error>

namespace flitbar {
namespace {

constexpr std::uint16_t logitechVendorId = 0x046D;
constexpr std::uint16_t vendorUsagePage = 0xFF00;

bool isInterfaceName(const std::string& name) { return name.ends_with(".hid"); }

}  // namespace

SocketHidBackend::SocketHidBackend(std::filesystem::path directory) : directory_(std::move(directory)) {}

std::vector<HidInterface> SocketHidBackend::vendorInterfaces() {
  std::error_code error;
  std::filesystem::directory_iterator entries(directory_, error);
  // A missing directory is a receiver that is not there, not a broken HID layer.
  if (error == std::errc::no_such_file_or_directory) throw HIDPPError::noReceiver();
  if (error) throw HIDPPError::openFailed(error.value());

  std::vector<std::string> names;
  for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
    const auto name = entries->path().filename().string();
    if (isInterfaceName(name)) names.push_back(name);
  }
  if (error) throw HIDPPError::openFailed(error.value());
  if (names.empty()) throw HIDPPError::noReceiver();

  std::sort(names.begin(), names.end());
  std::vector<HidInterface> interfaces;
  interfaces.reserve(names.size());
  for (const auto& name : names) {
    interfaces.push_back({(directory_ / name).string(), logitechVendorId, 0, vendorUsagePage});
  }
  return interfaces;
}

std::unique_ptr<HidDevice> SocketHidBackend::open(const HidInterface& interface) {
  return SocketHidDevice::connect(interface.path);
}

}  // namespace flitbar
