#pragma once

#include <asio/any_io_executor.hpp>
#include <asio/io_context.hpp>

#include <string>
#include <thread>

namespace flitbar {

// The one thread the engine's actor runs on: an io_context with a thread of its own.
//
// Outlive every engine that uses it. The destructor lets the context run dry (no new work may be
// started then), then joins the thread; never destroy it from its own thread.
class EngineThread {
 public:
  // `label` names the thread (cut to the 15 characters Linux keeps).
  explicit EngineThread(std::string label);
  ~EngineThread();
  EngineThread(const EngineThread&) = delete;
  EngineThread& operator=(const EngineThread&) = delete;

  asio::any_io_executor executor() { return context_.get_executor(); }

 private:
  std::string label_;
  asio::io_context context_;
  asio::executor_work_guard<asio::io_context::executor_type> keepAlive_;
  std::thread thread_;
};

}  // namespace flitbar
