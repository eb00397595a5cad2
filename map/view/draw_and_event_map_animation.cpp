// The new-map animation: words that stay move from their old place to the new
// one, new words fade in, vanishing words fade out (or fly into the word whose
// anchor was clicked), and font sizes change, over 400 ms of the view's clock.
//
// The frames run in a local event loop: a zero-interval timer draws them back
// to back, and between two frames every pending event is handled, so a click
// inside the animation raises its word events at once and, by setting the
// interrupted flag, ends the animation before the next frame.
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "map/view/draw_and_event_map.h"
#include "platform/gui/screen_cursors.h"

namespace kestrune {

namespace {

// An old key takes part when it is neither hidden nor excluded.
bool Counts(const TKey& key) { return (key.Flags & (KF_HIDDEN | KF_EXCLUDED)) == 0; }

int32_t TruncToInt(double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<int32_t>(std::clamp(std::trunc(value), -2147483648.0, 2147483647.0));
}

}  // namespace

float TCustomDrawAndEventMap::MinPlainSize() const {
  if (contentMap_ == nullptr) return 0.0f;
  const int32_t section = contentMap_->ExcludedMode() ? ssExcluded : ssQuery;
  return static_cast<float>(contentMap_->Styles()[section][sbKey].MinSize);
}

bool TCustomDrawAndEventMap::BuildAnimationEntries() {
  static const TKeys kNoKeys;
  const TKeys& old = contentMap_ != nullptr ? contentMap_->PreviousKeys() : kNoKeys;
  const bool hovered = HasHoveredKey();
  animKeys_.clear();

  // The new keys: moving words and new words.
  for (const TKey& key : keys_) {
    if ((key.Flags & KF_HIDDEN) != 0) continue;
    const auto match =
        std::find_if(old.begin(), old.end(), [&](const TKey& o) { return Counts(o) && o.Id == key.Id; });
    TKey entry = key;
    entry.AnimTargetX = key.Left;
    entry.AnimTargetY = key.Top;
    entry.AnimTargetSize = key.FontSize;
    entry.AnimTargetAlpha = static_cast<float>(key.Alpha);
    if (match != old.end()) {
      entry.X = entry.Left = match->Left;
      entry.Y = entry.Top = match->Top;
      entry.FontSize = match->FontSize;
      entry.Alpha = match->Alpha;
      entry.AnimSizeLimit = std::max(key.FontSize, match->FontSize);
    } else {
      entry.X = key.Left;
      entry.Y = key.Top;
      entry.AnimSizeLimit = 0.0f;
      entry.FontSize = hovered ? MinPlainSize() : key.FontSize;
      entry.Alpha = 0;
    }
    animKeys_.push_back(entry);
  }

  // The old keys without a counterpart: vanishing words.
  const int32_t anchor = contentMap_ != nullptr ? contentMap_->AnchorKey() : -1;
  const bool anchorValid = anchor >= 0 && anchor < static_cast<int32_t>(old.size());
  const int32_t target = contentMap_ != nullptr ? contentMap_->HoverTargetKey() : -1;
  const bool targetValid = target >= 0 && target < static_cast<int32_t>(keys_.size());
  for (size_t j = 0; j < old.size(); ++j) {
    const TKey& vanishing = old[j];
    if (!Counts(vanishing)) continue;
    const bool present = std::any_of(keys_.begin(), keys_.end(),
                                     [&](const TKey& k) { return Counts(k) && k.Id == vanishing.Id; });
    if (present) continue;
    TKey entry = vanishing;
    entry.X = vanishing.Left;
    entry.Y = vanishing.Top;
    if (anchorValid && static_cast<int32_t>(j) != anchor) {
      // Into the word whose anchor was clicked.
      const TKey& into = old[anchor];
      entry.AnimTargetX = into.Left;
      entry.AnimTargetY = into.Top;
      entry.AnimTargetSize = into.FontSize;
      entry.AnimSizeLimit = std::max(vanishing.FontSize, into.FontSize);
      entry.AnimTargetAlpha = -static_cast<float>(vanishing.Alpha) / 10000.0f;
    } else {
      entry.AnimTargetX = vanishing.Left;
      entry.AnimTargetY = vanishing.Top;
      entry.AnimTargetSize = vanishing.FontSize;
      entry.AnimSizeLimit = 0.0f;
      entry.AnimTargetAlpha = 0.0f;
      if (!anchorValid && (vanishing.Flags & KF_CONTEXT) != 0 && targetValid) entry.AnimTargetSize = MinPlainSize();
    }
    animKeys_.push_back(entry);
  }
  return !animKeys_.empty();
}

void TCustomDrawAndEventMap::AnimateNewMap() {
  StopHoverTimers();
  if (contentMap_ != nullptr) {
    contentMap_->CopyKeysOut(keys_);
    ForgetOldKeys();
  }
  // A rebuild answered from inside a running animation: that one ends at its
  // next check and draws these keys.
  if (animationInterrupted_) return;

  lastMouse_ = MouseInControl();
  HitTest(lastMouse_.x(), lastMouse_.y());
  for (size_t i = 0; i < keys_.size(); ++i) {
    if (static_cast<int32_t>(i) != hitIndex_) keys_[i].Flags &= ~KF_HOVERED;
  }
  enlargedKey_ = -1;
  hitIndex_ = -1;
  hoverCandidate_ = -1;

  if (!BuildAnimationEntries()) return;

  animating_ = true;
  EnterState(kStateAnimation);
  try {
    RunAnimationFrames();
  } catch (...) {
    FinishAnimation();
    throw;
  }
  FinishAnimation();
}

void TCustomDrawAndEventMap::RunAnimationFrames() {
  std::vector<float> startSize(animKeys_.size());
  std::vector<int32_t> startAlpha(animKeys_.size());
  for (size_t i = 0; i < animKeys_.size(); ++i) {
    startSize[i] = animKeys_[i].FontSize;
    startAlpha[i] = animKeys_[i].Alpha;
  }
  const uint32_t t0 = timers_->TickCount();

  QEventLoop loop;
  QTimer frames;
  frames.setInterval(0);
  bool first = true;
  QObject::connect(&frames, &QTimer::timeout, &loop, [&] {
    if (!first) {
      // The events since the last frame have been handled.
      StopHoverTimers();
      if (animationInterrupted_) {
        frames.stop();
        loop.quit();
        return;
      }
    }
    first = false;
    const uint32_t elapsed = timers_->TickCount() - t0;
    if (elapsed >= kAnimationTime) {
      frames.stop();
      loop.quit();
      return;
    }
    const float f = static_cast<float>(elapsed) / static_cast<float>(kAnimationTime);
    for (size_t i = 0; i < animKeys_.size(); ++i) {
      TKey& entry = animKeys_[i];
      entry.Left = entry.X + (entry.AnimTargetX - entry.X) * f;
      entry.Top = entry.Y + (entry.AnimTargetY - entry.Y) * f;
      float size = startSize[i] + (entry.AnimTargetSize - startSize[i]) * f;
      if (entry.AnimSizeLimit != 0.0f && size > entry.AnimSizeLimit) size = entry.AnimSizeLimit;
      entry.FontSize = size;
      const float alpha = static_cast<float>(startAlpha[i]) +
                          (entry.AnimTargetAlpha - static_cast<float>(startAlpha[i])) * f;
      entry.Alpha = TruncToInt(std::min(255.0f, alpha));
    }
    DrawMap(animKeys_);
  });
  frames.start();
  loop.exec();
}

void TCustomDrawAndEventMap::FinishAnimation() {
  if (HasHoveredKey()) {
    // The word whose hover caused the rebuild stays enlarged where the
    // animation left it, while the mouse is still over it.
    const int32_t target = contentMap_->HoverTargetKey();
    enlargedKey_ = target;
    if (ValidIndex(target)) {
      const auto entry = std::find_if(animKeys_.begin(), animKeys_.end(),
                                      [&](const TKey& e) { return e.Id == keys_[target].Id; });
      if (entry != animKeys_.end()) {
        TKey& key = keys_[target];
        enlargedLeft_ = key.Left;
        enlargedTop_ = key.Top;
        enlargedRemembered_ = true;
        key.Left = entry->Left;
        key.Top = entry->Top;
        contentMap_->MeasureKey(key);
      }
    }
    const QPoint mouse = MouseInControl();
    HitTest(mouse.x(), mouse.y());
    if (hitIndex_ != -1 && hitIndex_ == target && ValidIndex(target)) {
      keys_[target].Flags |= KF_HOVERED;
      if (cursorId_ != platform::crHandPoint) SetCursors(platform::crHandPoint);
    } else {
      for (TKey& key : keys_) {
        if ((key.Flags & KF_HOVERED) == 0) continue;
        key.Flags &= ~KF_HOVERED;
        contentMap_->MeasureKey(key);
      }
      if (hitIndex_ == -1) hoverOutTimer_->SetEnabled(true);
    }
  } else if (contentMap_ != nullptr) {
    contentMap_->SetHoverTargetKey(-1);
  }

  DrawMap(keys_);

  animationInterrupted_ = false;
  if (contentMap_ != nullptr) {
    contentMap_->SetAnchorKey(-1);
    contentMap_->SetClickedKey(-1);
  }
  const QPoint mouse = MouseInControl();
  HitTest(mouse.x(), mouse.y());
  if (hitIndex_ == -1) {
    for (TKey& key : keys_) {
      if ((key.Flags & KF_HOVERED) == 0) continue;
      key.Flags &= ~KF_HOVERED;
      if (contentMap_ != nullptr) contentMap_->MeasureKey(key);
    }
    if (cursorId_ != platform::crDefault) SetCursors(platform::crDefault);
    if (HasHoveredKey()) hoverOutTimer_->SetEnabled(true);
  }
  LeaveState(kStateAnimation);
  animating_ = false;
}

}  // namespace kestrune
