#include "engine/EngineThread.h"

#include <pthread.h>

namespace flitbar {

EngineThread::EngineThread(std::string label)
    : label_(std::move(label)), keepAlive_(context_.get_executor()), thread_([this] {
        pthread_setname_np(pthread_self(), label_.substr(0, 15).c_str());
        context_.run();
      }) {}

EngineThread::~EngineThread() {
  keepAlive_.reset();
  thread_.join();
}

}  // namespace flitbar
