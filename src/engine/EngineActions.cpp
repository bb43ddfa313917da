#include "engine/Engine.h"

namespace flitbar {

// Acting on presses of diverted controls arrives with button actions; until then the reports the
// receiver's handler delivers are dropped here.
asio::awaitable<void> Engine::handle(Report, int) { co_return; }

}  // namespace flitbar
