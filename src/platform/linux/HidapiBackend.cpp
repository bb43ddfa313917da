#include "platform/linux/HidapiBackend.h"

#include "platform/linux/HidrawDevice.h"
#include "protocol/HIDPPError.h"

#include <hidapi/hidapi.h>

#include <cerrno>
#include <mutex>

namespace flitbar {
namespace {

constexpr unsigned short logitechVendorId = 0x046D;
constexpr unsigned short vendorUsagePage = 0xFF00;

}  // namespace

// hid_init and hid_exit act on the whole process: the first user initialises, the last one exits.
class HidapiBackend::Library {
public:
  static std::shared_ptr<Library> acquire() {
    static std::mutex mutex;
    static std::weak_ptr<Library> current;
    std::lock_guard lock(mutex);
    if (auto library = current.lock()) return library;
    if (hid_init() != 0) throw HIDPPError::openFailed(errno != 0 ? errno : EIO);
    // The deleter runs under the same mutex so that a new user never meets a half-torn-down library.
    std::shared_ptr<Library> library(new Library, [](Library* library) {
      std::lock_guard lock(mutex);
      hid_exit();
      delete library;
    });
    current = library;
    return library;
  }

private:
  Library() = default;
};

HidapiBackend::HidapiBackend() : library_(Library::acquire()) {}

HidapiBackend::~HidapiBackend() = default;

std::vector<HidInterface> HidapiBackend::vendorInterfaces() {
  std::vector<HidInterface> interfaces;
  hid_device_info* devices = hid_enumerate(logitechVendorId, 0);
  for (auto* device = devices; device != nullptr; device = device->next) {
    if (device->usage_page != vendorUsagePage || device->path == nullptr) continue;
    interfaces.push_back({device->path, device->vendor_id, device->product_id, device->usage_page});
  }
  hid_free_enumeration(devices);
  if (interfaces.empty()) throw HIDPPError::noReceiver();
  return interfaces;
}

std::unique_ptr<HidDevice> HidapiBackend::open(const HidInterface& interface) {
  return HidrawDevice::open(interface.path);
}

}  // namespace flitbar
