#include "shell/AppHost.h"

#include "platform/linux/WriteAll.h"
#include "shell/UniversalCLI.h"

#include <unistd.h>

#include <cstdlib>

namespace flitbar::AppHost {

void run(RoutedApplication& application, int argc, char** argv,
         const std::optional<std::string>& bundleIdentifier) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (!arguments.empty()) {
    const auto result = routeCLI(application, arguments, bundleIdentifier);
    write(result.standardOutput, STDOUT_FILENO);
    write(result.standardError, STDERR_FILENO);
    std::exit(result.status);
  }

  const auto violations = application.identity().violations();
  if (!violations.empty()) {
    std::string lines;
    for (const auto& violation : violations) lines += violation.description() + "\n";
    write(lines, STDERR_FILENO);
    std::exit(2);
  }
  std::exit(application.runMenubarApplication(argc, argv));
}

CLIResult routeCLI(RoutedApplication& application, const std::vector<std::string>& arguments,
                   const std::optional<std::string>& bundleIdentifier) {
  const std::string first = arguments.empty() ? "help" : arguments.front();
  const auto& identity = application.identity();
  if (first == "help" || first == "--help" || first == "-h")
    return {0, UniversalCLI::help(identity, application.commandHelp()), ""};
  if (first == "version" || first == "--version" || first == "-v")
    return {0, identity.name + " " + identity.version + " (" + identity.build + ")\n", ""};
  if (first == "doctor") return UniversalCLI::doctor(identity, application.diagnosticChecks(), bundleIdentifier);
  if (auto result = application.handleCLI(arguments)) return *result;
  return {2, UniversalCLI::help(identity, application.commandHelp()), "error: unknown command: " + first + "\n"};
}

void write(std::string_view text, int fd) { writeAll(fd, text); }

}  // namespace flitbar::AppHost
