#pragma once

namespace flitbar {

// Bundle identifiers of the vendor's own device manager, which fights Flitbar for the receiver.
inline constexpr const char* vendorAgentIdentifiers[] = {"com.logi.cp-dev-mgr", "com.logitech.logioptionsplus"};

}  // namespace flitbar
