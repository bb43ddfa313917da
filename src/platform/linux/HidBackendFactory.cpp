#include "platform/linux/HidBackendFactory.h"

#include "platform/linux/HidapiBackend.h"
#include "platform/linux/SocketHidBackend.h"

#include <cstdlib>

namespace flitbar {

std::unique_ptr<HidBackend> makeHidBackend() {
  const char* directory = std::getenv("FLITBAR_VIRTUAL_HID");
  if (directory == nullptr || *directory == '\0') return makeHidBackend(std::nullopt);
  return makeHidBackend(std::filesystem::path(directory));
}

std::unique_ptr<HidBackend> makeHidBackend(const std::optional<std::filesystem::path>& virtualDirectory) {
  if (virtualDirectory) return std::make_unique<SocketHidBackend>(*virtualDirectory);
  return std::make_unique<HidapiBackend>();
}

}  // namespace flitbar
