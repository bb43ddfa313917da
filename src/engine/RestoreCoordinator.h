#pragma once

#include "engine/RestoreReport.h"
#include "protocol/DeviceInfo.h"
#include "protocol/ReceiverSession.h"

#include <chrono>
#include <functional>
#include <vector>

namespace flitbar::RestoreCoordinator {

// Releases every diverted control on every device, whatever diverted it, with remap 0, and
// verifies each with up to three reads (`verificationDelay` apart). Records of the engine are
// neither consulted nor changed: this serves a process that owns no engine.
//
// `interrupted` is polled before each device and each control; once it reports true the current
// device and every later one are reported as interrupted. A device whose controls take more than
// about ten seconds has the rest reported as failures. Runs on the calling thread and blocks
// in the transport. Never throws: failures are in the report.
RestoreReport restore(ReceiverSession& receiver, const std::vector<DeviceInfo>& devices,
                      const std::function<bool()>& interrupted, std::chrono::duration<double> verificationDelay);

}  // namespace flitbar::RestoreCoordinator
