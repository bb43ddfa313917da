#pragma once

#include "shell/CLIResult.h"
#include "shell/RoutedApplication.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace flitbar::AppHost {

// Decides between one command and the menu-bar application, then ends the process.
[[noreturn]] void run(RoutedApplication& application, int argc, char** argv,
                      const std::optional<std::string>& bundleIdentifier);

// Routes one command line (program path excluded) to help, version, doctor or the product.
CLIResult routeCLI(RoutedApplication& application, const std::vector<std::string>& arguments,
                   const std::optional<std::string>& bundleIdentifier);

// Writes all of `text` to `fd`; failures are ignored because there is nowhere left to report them.
void write(std::string_view text, int fd);

}  // namespace flitbar::AppHost
