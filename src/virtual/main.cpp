// flitbar-virtual-receiver: serves a world of computers, receivers and devices over the virtual
// HID wire contract, and controls a running one.
#include "virtual/ControlClient.h"
#include "virtual/ControlCommands.h"
#include "virtual/RigError.h"
#include "virtual/SocketServer.h"
#include "virtual/VirtualRig.h"
#include "virtual/VirtualWorld.h"

#include <fmt/format.h>

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace flitbar::virtualhid;

constexpr int statusFailure = 1;
constexpr int statusUsage = 2;

void printUsage(std::FILE* stream) {
  std::fputs(
      "usage: flitbar-virtual-receiver serve --rig FILE --dir DIR [--control SOCKET]\n"
      "       flitbar-virtual-receiver ctl (--dir DIR | --control SOCKET) COMMAND...\n"
      "\n"
      "serve makes DIR/<computer>/receiver.hid for every computer of the rig and the control\n"
      "socket (default DIR/control.sock); SIGINT or SIGTERM stops it and removes them.\n"
      "\n"
      "commands:\n",
      stream);
  std::fputs(ControlCommands::usage(), stream);
}

int usageError(const std::string& message) {
  std::fprintf(stderr, "error: %s\n", message.c_str());
  printUsage(stderr);
  return statusUsage;
}

// Reads "--name value" options from the front of the arguments; the rest are left in `rest`.
struct Options {
  std::optional<std::string> rig, dir, control;
  std::vector<std::string> rest;
};

std::optional<Options> parseOptions(const std::vector<std::string>& arguments, bool stopAtCommand,
                                    std::string& problem) {
  Options options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const auto& word = arguments[i];
    std::optional<std::string>* slot = word == "--rig"       ? &options.rig
                                       : word == "--dir"     ? &options.dir
                                       : word == "--control" ? &options.control
                                                             : nullptr;
    if (slot == nullptr) {
      if (stopAtCommand && !word.starts_with("--")) {
        options.rest.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());
        return options;
      }
      problem = fmt::format("unknown option {}", word);
      return std::nullopt;
    }
    if (i + 1 >= arguments.size()) {
      problem = fmt::format("{} needs a value", word);
      return std::nullopt;
    }
    *slot = arguments[++i];
  }
  return options;
}

int serve(const std::vector<std::string>& arguments) {
  std::string problem;
  const auto options = parseOptions(arguments, false, problem);
  if (!options) return usageError(problem);
  if (!options->rig || !options->dir) return usageError("serve needs --rig and --dir");

  // Block the termination signals before any thread starts so that every thread inherits the
  // mask and the signals are only ever read from the signalfd.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
  if (signalFd < 0) {
    std::perror("error: signalfd");
    return statusFailure;
  }

  try {
    auto world = std::make_shared<VirtualWorld>(VirtualRig::load(*options->rig));
    const std::filesystem::path dir(*options->dir);
    const auto control =
        options->control ? std::filesystem::path(*options->control) : SocketServer::defaultControlPath(dir);
    {
      SocketServer server(world, dir, control);
      std::printf("serving %zu computers in %s (control socket %s)\n", world->computers().size(), dir.c_str(),
                  control.c_str());
      std::fflush(stdout);
      server.run(signalFd);
    }
    std::printf("stopped\n");
  } catch (const RigError& error) {
    std::fprintf(stderr, "error: %s\n", error.what());
    ::close(signalFd);
    return statusUsage;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "error: %s\n", error.what());
    ::close(signalFd);
    return statusFailure;
  }
  ::close(signalFd);
  return 0;
}

int control(const std::vector<std::string>& arguments) {
  std::string problem;
  const auto options = parseOptions(arguments, true, problem);
  if (!options) return usageError(problem);
  if (options->rig) return usageError("ctl takes no --rig");
  if (!options->dir && !options->control) return usageError("ctl needs --dir or --control");
  if (options->rest.empty()) return usageError("ctl needs a command");
  const auto path =
      options->control ? std::filesystem::path(*options->control) : SocketServer::defaultControlPath(*options->dir);
  try {
    const auto answer = sendControlCommand(path, options->rest);
    if (!answer.value("ok", false)) {
      std::fprintf(stderr, "error: %s\n", answer.value("error", std::string("the command was refused")).c_str());
      return statusFailure;
    }
    if (answer.contains("state")) std::cout << answer.at("state").dump(2) << '\n';
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "error: %s\n", error.what());
    return statusFailure;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.empty()) return usageError("no command given");
  const auto& command = arguments[0];
  const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  if (command == "serve") return serve(rest);
  if (command == "ctl") return control(rest);
  if (command == "help" || command == "--help" || command == "-h") {
    printUsage(stdout);
    return 0;
  }
  return usageError(fmt::format("unknown command {}", command));
}
