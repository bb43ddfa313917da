#include "engine/Engine.h"

namespace flitbar {

// Diverting the bound controls arrives with control diversion; until then presses of bound
// controls keep their built-in action.
asio::awaitable<void> Engine::assertDiverts() { co_return; }

}  // namespace flitbar
