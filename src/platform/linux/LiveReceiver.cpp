#include "platform/linux/LiveReceiver.h"
#include "protocol/HIDPPError.h"
namespace flitbar::LiveReceiver {
OpenedReceiver open() { throw HIDPPError::noReceiver(); }
}
