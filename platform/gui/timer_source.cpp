#include "platform/gui/timer_source.h"

#include <QTimer>
#include <algorithm>

#include "platform/files.h"

namespace kestrune {

void TTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Update();
}

void TTimer::SetInterval(uint32_t value) {
  if (value == interval_) return;
  interval_ = value;
  Update();
}

namespace {

class TQtTimer : public TTimer {
 public:
  TQtTimer() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (OnTimer) OnTimer();
    });
  }

 protected:
  void Update() override {
    if (Enabled() && Interval() > 0) {
      timer_.start(static_cast<int>(std::min<uint32_t>(Interval(), 0x7FFFFFFF)));
    } else {
      timer_.stop();
    }
  }

 private:
  QTimer timer_;
};

class TSystemTimerSource : public TTimerSource {
 public:
  uint32_t TickCount() override { return platform::GetTickCount(); }
  std::unique_ptr<TTimer> CreateTimer() override { return std::make_unique<TQtTimer>(); }
};

}  // namespace

TTimerSource& SystemTimerSource() {
  static TSystemTimerSource source;
  return source;
}

class TSteppedTimerSource::TSteppedTimer : public TTimer {
 public:
  explicit TSteppedTimer(TSteppedTimerSource* source) : source_(source) { source_->timers_.push_back(this); }
  ~TSteppedTimer() override {
    if (source_ == nullptr) return;
    auto& timers = source_->timers_;
    timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
  }

  bool Running() const { return Enabled() && Interval() > 0; }
  uint32_t due = 0;
  TSteppedTimerSource* source_;

 protected:
  void Update() override {
    if (source_ != nullptr) due = source_->now_ + Interval();
  }
};

TSteppedTimerSource::~TSteppedTimerSource() {
  for (TSteppedTimer* timer : timers_) timer->source_ = nullptr;
}

uint32_t TSteppedTimerSource::TickCount() {
  const uint32_t now = now_;
  now_ += readStep_;
  return now;
}

std::unique_ptr<TTimer> TSteppedTimerSource::CreateTimer() { return std::make_unique<TSteppedTimer>(this); }

void TSteppedTimerSource::Advance(uint32_t milliseconds) {
  const uint32_t target = now_ + milliseconds;
  // Distances are signed, so the count may wrap and a handler that read the
  // tick count (moving it on) leaves earlier due times in the past.
  while (static_cast<int32_t>(target - now_) >= 0) {
    TSteppedTimer* next = nullptr;
    int32_t nextDistance = 0;
    for (TSteppedTimer* timer : timers_) {
      if (!timer->Running()) continue;
      const int32_t distance = static_cast<int32_t>(timer->due - now_);
      if (distance > static_cast<int32_t>(target - now_)) continue;
      if (next == nullptr || distance < nextDistance) {
        next = timer;
        nextDistance = distance;
      }
    }
    if (next == nullptr) break;
    if (nextDistance > 0) now_ = next->due;
    next->due = now_ + next->Interval();
    if (next->OnTimer) next->OnTimer();
  }
  if (static_cast<int32_t>(target - now_) > 0) now_ = target;
}

}  // namespace kestrune
