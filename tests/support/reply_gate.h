// ReplyGate: loopback replies that wait until the test releases them, so that
// a test meets a search between its pages (to press Stop, to look at the
// window while a page is outstanding) without sleeping.
//
//   LoopbackHttpServer server;
//   ReplyGate gate;  // declared after the server: it is released before the
//                    // server joins its threads
//   server.Route("/page2", gate.Hold(HttpReply::Html("...")));
//   ... gate.WaitForHeld(1) ... press Stop ... gate.Release();
//
// A held handler blocks its server thread until Release() or the gate's
// destruction; requests that arrive after the release are answered at once.
// The state is shared with the handlers, so a handler that still runs when
// the gate is gone touches nothing freed.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>

#include "tests/support/loopback_http_server.h"

namespace kestrune::test {

class ReplyGate {
 public:
  ReplyGate() : state_(std::make_shared<State>()) {}
  ~ReplyGate() { Release(); }
  ReplyGate(const ReplyGate&) = delete;
  ReplyGate& operator=(const ReplyGate&) = delete;

  // A handler that answers `reply` once the gate is open.
  LoopbackHttpServer::Handler Hold(HttpReply reply) const {
    return [state = state_, reply = std::move(reply)](const HttpRequestRecord&) {
      std::unique_lock lock(state->mutex);
      ++state->arrived;
      state->changed.notify_all();
      state->changed.wait(lock, [&] { return state->open; });
      return reply;
    };
  }
  // Waits until `count` requests reached the gate; False after `timeout`.
  bool WaitForHeld(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(20)) const {
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_for(lock, timeout, [&] { return state_->arrived >= count; });
  }
  size_t Held() const {
    std::lock_guard lock(state_->mutex);
    return state_->arrived;
  }
  // Lets every held reply go, and every later one pass.
  void Release() {
    std::lock_guard lock(state_->mutex);
    state_->open = true;
    state_->changed.notify_all();
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    size_t arrived = 0;
    bool open = false;
  };
  std::shared_ptr<State> state_;
};

}  // namespace kestrune::test
