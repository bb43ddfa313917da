#include "platform/linux/LiveReceiver.h"

#include "platform/linux/HidBackendFactory.h"
#include "protocol/HIDPPTransport.h"
#include "protocol/Receiver.h"

namespace flitbar::LiveReceiver {

OpenedReceiver open() {
  // Opened devices do not depend on the backend object, so it may go when opening is done.
  const auto backend = makeHidBackend();
  return Receiver::openFirstResponding(
      *backend, [](std::unique_ptr<HidDevice> device) { return std::make_shared<HIDPPTransport>(std::move(device)); });
}

}  // namespace flitbar::LiveReceiver
