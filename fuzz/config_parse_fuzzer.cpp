// libFuzzer target for the bindings-file validator. Beyond "no crash, no hang, no sanitizer
// report" it checks what callers rely on: a document problem leaves nothing loaded, and every
// binding that comes out is one the engine can act on.
#include "config/ConfigStore.h"

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using flitbar::ConfigIssue;
  const auto load = flitbar::ConfigStore::parse(std::string_view(reinterpret_cast<const char*>(data), size));
  require(!load.seeded);
  for (const auto& issue : load.issues) {
    require(!issue.message.empty());
    if (!issue.entry) require(load.issues.size() == 1 && load.bindings.empty());
    if (issue.entry) require(*issue.entry >= 0);
  }
  for (const auto& binding : load.bindings) {
    require(binding.device >= 1 && binding.device <= 6);
    require(binding.cid >= 1);
    require(binding.switchToHost.has_value() != binding.command.has_value());
    if (binding.switchToHost) require(*binding.switchToHost >= 1 && *binding.switchToHost <= 3);
    if (binding.command) require(binding.command->find('\0') == std::string::npos);
    if (binding.unitId) require(flitbar::ConfigStore::normalizedUnitID(*binding.unitId) == binding.unitId);
  }
  return 0;
}
