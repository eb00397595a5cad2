#include "platform/message_box.h"

#include <mutex>

namespace kestrune::platform {

namespace {
std::mutex& HandlerLock() {
  static std::mutex lock;
  return lock;
}
MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}
}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard<std::mutex> guard(HandlerLock());
  Handler() = std::move(handler);
}

MessageBoxHandler GetMessageBoxHandler() {
  std::lock_guard<std::mutex> guard(HandlerLock());
  return Handler();
}

}  // namespace kestrune::platform
