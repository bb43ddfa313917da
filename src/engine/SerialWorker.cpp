#include "engine/SerialWorker.h"

#include <pthread.h>

namespace flitbar {

SerialWorker::SerialWorker(std::string label)
    : label_(std::move(label)), keepAlive_(context_.get_executor()), thread_([this] {
        pthread_setname_np(pthread_self(), label_.substr(0, 15).c_str());
        context_.run();
      }) {}

SerialWorker::~SerialWorker() {
  keepAlive_.reset();
  thread_.join();
}

}  // namespace flitbar
