// The time of the user interface: the timers of the map view and of the
// skinned controls, and the tick count the map's animation reads.
//
// TTimer behaves as the system's timer component: while Enabled and with an
// Interval above 0 it calls OnTimer every Interval milliseconds; enabling it,
// or changing the interval while it runs, starts the period afresh, and
// enabling a running timer or writing the interval it has changes nothing.
//
// A TTimerSource makes the timers and gives the tick count. The system source
// runs them on the event loop with the platform's tick count; the stepped
// source lets a test move time by hand, so hover delays, hover polling, frame
// animations and the map's clock are deterministic. A source outlives the
// timers it made.
//
// User-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace kestrune {

class TTimer {
 public:
  virtual ~TTimer() = default;

  std::function<void()> OnTimer;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t value);

 protected:
  // Starts the period afresh when enabled with an interval above 0, else stops.
  virtual void Update() = 0;

 private:
  bool enabled_ = false;
  uint32_t interval_ = 1000;
};

class TTimerSource {
 public:
  virtual ~TTimerSource() = default;
  // Milliseconds from an arbitrary start, wrapping at 2^32.
  virtual uint32_t TickCount() = 0;
  virtual std::unique_ptr<TTimer> CreateTimer() = 0;
};

// Timers on the event loop; the tick count of the platform.
TTimerSource& SystemTimerSource();

// Time moves only when asked. Advance(ms) fires the due timers in the order of
// their due times (timers due together in the order they were made), each at
// its own time; TickCount() answers the current time and then moves it on by
// the read step (0 unless set), so a loop that waits for time to pass ends.
class TSteppedTimerSource : public TTimerSource {
 public:
  TSteppedTimerSource() = default;
  ~TSteppedTimerSource() override;

  uint32_t TickCount() override;
  std::unique_ptr<TTimer> CreateTimer() override;

  uint32_t Now() const { return now_; }
  void Advance(uint32_t milliseconds);
  void SetReadStep(uint32_t milliseconds) { readStep_ = milliseconds; }

 private:
  class TSteppedTimer;
  friend class TSteppedTimer;

  uint32_t now_ = 0;
  uint32_t readStep_ = 0;
  std::vector<TSteppedTimer*> timers_;  // in the order they were made
};

}  // namespace kestrune
