#pragma once

#include "cli/CLIEnvironment.h"
#include "cli/CommandResult.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace flitbar::CLI {

// The diagnostic commands. Arguments are validated by `run` beforehand; each refuses while the
// menu-bar application runs, opens the receiver itself and stops it before returning. Errors are
// thrown (HIDPPError, CLIError) for `run` to turn into "error: " lines.

// Every reprogrammable control of every device with its divert state.
std::string inventory(const std::vector<std::string>& arguments, const CLIEnvironment& environment);
// Releases every diverted control on every device; status 1 when one could not be released.
CommandResult restore(const std::vector<std::string>& arguments, const CLIEnvironment& environment);
// The hi-res wheel mode of every device that has one.
std::string wheel(const std::vector<std::string>& arguments, const CLIEnvironment& environment);
// Shows, or with "--set N" sets, the SmartShift threshold of the first device.
std::string smartshift(const std::vector<std::string>& arguments, const CLIEnvironment& environment);

// Diverts every divertable control of one device but its primary, secondary and middle click and
// prints each new press until SIGINT, SIGTERM, SIGHUP or SIGQUIT arrives or the output's reader is
// gone, then releases them all and reads each back. Status 1 when a release is not confirmed or the
// output was closed. Output is printed live; the result carries only error lines.
CommandResult watch(const std::vector<std::string>& arguments, const CLIEnvironment& environment);
// The same, printing to `out` (written from the transport's notification thread too) and also
// ending once `stopRequested` returns true; polled every 0.2 s.
CommandResult watch(const std::vector<std::string>& arguments, const CLIEnvironment& environment, std::ostream& out,
                    const std::function<bool()>& stopRequested);

}  // namespace flitbar::CLI
