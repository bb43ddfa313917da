#include "app/FlitbarApplication.h"
#include "app/VendorAgents.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>

namespace flitbar {
namespace {

// The vendor's own device agent; it would fight us for the receiver.

// Other programs that speak HID++ to the same receiver, with how to stop each one for good.
struct HidppTool {
  const char* name;
  const char* stop;
  const char* makeItStick;
};
constexpr HidppTool hidppTools[] = {
    {"solaar", "quit", "remove Solaar from your session's startup applications"},
    {"logid", "stop", "sudo systemctl disable --now logid"},
};

std::string baseName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// Scripts run through an interpreter show the interpreter as their name; look at the script too.
bool runs(const ProcessEntry& process, const std::string& tool) {
  if (process.name == tool) return true;
  if (process.arguments.empty()) return false;
  if (baseName(process.arguments[0]) == tool) return true;
  return baseName(process.arguments[0]).starts_with("python") && process.arguments.size() > 1 &&
         baseName(process.arguments[1]) == tool;
}

std::string pidList(const std::vector<int>& pids) {
  std::string text = pids.size() == 1 ? "pid " : "pids ";
  for (std::size_t index = 0; index < pids.size(); ++index) text += (index ? ", " : "") + std::to_string(pids[index]);
  return text;
}

DiagnosticCheck otherHidppToolsCheck(ProcessTable& processes) {
  std::map<const HidppTool*, std::vector<int>> running;
  for (const auto& process : processes.processes())
    for (const auto& tool : hidppTools)
      if (runs(process, tool.name)) running[&tool].push_back(process.pid);

  std::string remedy;
  for (const auto& tool : hidppTools) {
    auto found = running.find(&tool);
    if (found == running.end()) continue;
    std::sort(found->second.begin(), found->second.end());
    if (!remedy.empty()) remedy += "; ";
    remedy += std::string(tool.stop) + " " + tool.name + " (" + pidList(found->second) +
              "), then make it stick: " + tool.makeItStick;
  }
  return {"other HID++ tools", running.empty(), "no other HID++ tool is running", remedy};
}

}  // namespace

std::vector<DiagnosticCheck> FlitbarApplication::diagnosticChecks() {
  const auto load = bindings_.load(false);
  const auto directory = bindings_.nearestExistingDirectory();

  std::vector<DiagnosticCheck> checks;
  // Creating the file needs search permission on the directory as well as write permission.
  checks.push_back({"configuration location", ::access(directory.c_str(), W_OK | X_OK) == 0,
                    "configuration location is writable", "ensure " + directory.string() + " is writable"});

  bool agentRunning = false;
  for (const char* identifier : vendorAgentIdentifiers)
    agentRunning = agentRunning || !runningApplications_.processIds(identifier).empty();
  checks.push_back({"Logi Options+ agent", !agentRunning,
                    "Logi Options+ is not running (it would fight for the receiver)",
                    "quit it, then make it stick: systemctl --user disable --now com.logi.cp-dev-mgr"});

  checks.push_back(otherHidppToolsCheck(processes_));

  if (load.issues.empty()) {
    const auto count = load.bindings.size();
    checks.push_back({"configuration", true,
                      "configuration has " + std::to_string(count) + " valid binding" + (count == 1 ? "" : "s"), ""});
    return checks;
  }
  int number = 0;
  for (const auto& issue : load.issues)
    checks.push_back(
        {"configuration " + std::to_string(++number) + " (" + std::string(ConfigIssue::kindName(issue.kind)) + ")",
         false, "", issue.description()});
  return checks;
}

}  // namespace flitbar
