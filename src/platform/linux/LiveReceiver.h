#pragma once

#include "protocol/ReceiverSession.h"

namespace flitbar::LiveReceiver {

// Opens the first responding receiver on this machine: hidraw interfaces through hidapi, or the
// virtual receiver's sockets when FLITBAR_VIRTUAL_HID names a folder. Throws HIDPPError.
OpenedReceiver open();

}  // namespace flitbar::LiveReceiver
