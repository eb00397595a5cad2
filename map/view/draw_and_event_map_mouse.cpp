// The mouse over the map view: hit-testing, enlarging the word under the
// mouse, hover-in and hover-out, clicks on words, anchors and query words, the
// word popup, cursors and the partial redraw of the enlarged word.
#include <QMenu>
#include <algorithm>
#include <cmath>

#include "map/view/draw_and_event_map.h"
#include "platform/gui/cursor_position.h"
#include "platform/gui/screen_cursors.h"

namespace kestrune {

namespace {

int32_t RoundToInt(double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<int32_t>(std::clamp(std::nearbyint(value), -2147483648.0, 2147483647.0));
}

// The allowance for the anchor icon right of a key: a hovered word that is not
// a query word has one.
int32_t AnchorAllowance(const TKey& key) {
  return (key.Flags & KF_HOVERED) != 0 && (key.Flags & KF_QUERY) == 0 ? TCustomDrawAndEventMap::kAnchorSize : 0;
}

bool InKeyBox(const TKey& key, int32_t x, int32_t y) {
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  return key.Left <= fx && fx <= key.Left + static_cast<float>(key.TextWidth + AnchorAllowance(key)) &&
         key.Top <= fy && y <= RoundToInt(key.Top + static_cast<float>(key.TextHeight));
}

// The anchor zone is empty for a key without an allowance.
bool InAnchorZone(const TKey& key, int32_t x) {
  const int32_t allowance = AnchorAllowance(key);
  if (allowance == 0) return false;
  const float fx = static_cast<float>(x);
  const float right = key.Left + static_cast<float>(key.TextWidth);
  return right <= fx && fx <= right + static_cast<float>(allowance);
}

platform::TPoint CursorPosition() {
  platform::TPoint point;
  platform::GetCursorPosition(point);
  return point;
}

}  // namespace

// ---- hit-testing ----

bool TCustomDrawAndEventMap::HitTest(int32_t x, int32_t y) {
  hitIndex_ = -1;
  onAnchor_ = false;
  bool found = false;
  const int32_t hovered = contentMap_ != nullptr ? contentMap_->HoveredKey() : -1;
  const int32_t count = static_cast<int32_t>(keys_.size());
  // Active keys: a hovered key wins at once, otherwise the highest index.
  for (int32_t i = 0; i < count; ++i) {
    const TKey& key = keys_[i];
    if ((key.Flags & KF_HIDDEN) != 0) continue;
    if (hovered >= 0 && (key.Flags & KF_INACTIVE) != 0 && (key.Flags & (KF_QUERY | KF_CARRIED)) == 0) continue;
    if (!InKeyBox(key, x, y)) continue;
    hitIndex_ = i;
    found = true;
    if ((key.Flags & KF_HOVERED) != 0) {
      onAnchor_ = InAnchorZone(key, x);
      break;
    }
  }
  // Then the inactive keys of a hover map.
  if (!found && hovered != -1) {
    for (int32_t i = 0; i < count; ++i) {
      const TKey& key = keys_[i];
      if ((key.Flags & KF_INACTIVE) == 0 || (key.Flags & KF_HIDDEN) != 0) continue;
      if (hovered >= 0 && (key.Flags & (KF_QUERY | KF_CARRIED)) != 0) continue;
      if (!InKeyBox(key, x, y)) continue;
      hitIndex_ = i;
      found = true;
      if (InAnchorZone(key, x)) {
        onAnchor_ = true;
        break;
      }
    }
  }
  return found;
}

bool TCustomDrawAndEventMap::FireGroupSelect(int32_t variant) {
  TNNKeys marked;
  for (TKey& key : keys_) {
    if ((key.Flags & KF_MARKED) == 0) continue;
    marked.push_back(TNNKey{key.Id, key.Weight});
    key.Flags &= ~KF_MARKED;
  }
  if (!OnGroupSelect) return false;
  if (!marked.empty()) {
    OnGroupSelect(*this, static_cast<int32_t>(marked.size()), marked, true, variant);
  } else if (variant == 15 || variant == 4) {
    OnGroupSelect(*this, 0, TNNKeys{}, false, variant);
  }
  if (variant == 12) OnGroupSelect(*this, 0, TNNKeys{}, true, 12);
  return !marked.empty();
}

// ---- helpers ----

void TCustomDrawAndEventMap::GiveKeysToContentMap(bool animationArray) {
  if (contentMap_ != nullptr) contentMap_->CopyKeysIn(animationArray ? animKeys_ : keys_);
}

void TCustomDrawAndEventMap::ClearMarks() {
  for (TKey& key : keys_) key.Flags &= ~KF_MARKED;
}

void TCustomDrawAndEventMap::SetCursors(int32_t id) {
  // The control's cursor, and the global one (which the platform shows at
  // once, wherever the mouse is over the program).
  cursorId_ = id;
  setCursor(platform::ScreenCursors().Cursor(id));
  platform::ScreenCursors().SetGlobalCursor(id);
}

void TCustomDrawAndEventMap::SettleHere() {
  const platform::TPoint point = CursorPosition();
  settle_ = true;
  settlePosition_ = QPoint(point.X, point.Y);
}

QPoint TCustomDrawAndEventMap::MouseInControl() const {
  const platform::TPoint point = CursorPosition();
  return QPoint(point.X, point.Y) - mapToGlobal(QPoint(0, 0));
}

void TCustomDrawAndEventMap::Enlarge(int32_t index) {
  if (!ValidIndex(index)) return;
  TKey& key = keys_[index];
  const int32_t w0 = key.TextWidth;
  const int32_t h0 = key.TextHeight;
  key.Flags |= KF_HOVERED;
  if (contentMap_ != nullptr) contentMap_->MeasureKey(key);
  const int32_t w1 = key.TextWidth;
  const int32_t h1 = key.TextHeight;
  enlargedLeft_ = key.Left;
  enlargedTop_ = key.Top;
  enlargedRemembered_ = true;
  key.Left = std::max(0.0f, key.Left - static_cast<float>(w1 - w0) / 2.0f);
  key.Top = key.Top - static_cast<float>(h1 - h0) / 2.0f;
  const int32_t allowance = (key.Flags & KF_QUERY) != 0 || MapMode() == kModeNoQuery ? 0 : kAnchorSize;
  const float overflow = key.Left + static_cast<float>(w1 + allowance + kRightMargin) - static_cast<float>(width());
  if (overflow >= 0.0f) key.Left -= overflow;
  if (key.Left < 0.0f) key.Left = 0.0f;
}

void TCustomDrawAndEventMap::Unenlarge(int32_t index) {
  if (!ValidIndex(index)) return;
  TKey& key = keys_[index];
  key.Flags &= ~KF_HOVERED;
  if (contentMap_ != nullptr) contentMap_->MeasureKey(key);
  if (enlargedRemembered_) {
    key.Left = enlargedLeft_;
    key.Top = enlargedTop_;
    enlargedRemembered_ = false;
  }
}

void TCustomDrawAndEventMap::ForgetOldKeys() {
  enlargedKey_ = -1;
  enlargedRemembered_ = false;
  hoverCandidate_ = -1;
  hoverInTimer_->SetEnabled(false);
  hitIndex_ = -1;
  onAnchor_ = false;
  pressedIndex_ = -1;
}

// ---- mouse ----

void TCustomDrawAndEventMap::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int32_t x, int32_t y) {
  if (ignoreNextPress_) {
    ignoreNextPress_ = false;
    return;
  }
  if (BusyForClicks()) return;
  hoverInTimer_->SetEnabled(false);
  HitTest(x, y);
  pressedIndex_ = hitIndex_;
  if (button != Qt::LeftButton) return;

  if (OnMapMouseDownHook && !BusyForClicks()) OnMapMouseDownHook();
  EnterState(kStateBusy);
  struct TLeaveBusy {
    TCustomDrawAndEventMap* view;
    ~TLeaveBusy() { view->LeaveState(kStateBusy); }
  } leaveBusy{this};

  const bool found = HitTest(x, y);
  const float sign = MapMode() == kModeExcluded ? -1.0f : 1.0f;
  if (found && ValidIndex(hitIndex_)) {
    const int32_t hit = hitIndex_;
    if (HasHoveredKey()) {
      contentMap_->Steps().ClearKind(kKindHovered, false);
      contentMap_->SetRestoreBaseMap(false);
      contentMap_->SetHoveredKey(-1);
    }
    // The hover handlers may have replaced the keys.
    if (!ValidIndex(hit)) return;
    const bool onAnchor = onAnchor_ && MapMode() != kModeNoQuery;
    const int32_t id = keys_[hit].Id;
    TNNKey key{id, sign};
    if (onAnchor) {
      if (contentMap_ != nullptr) contentMap_->SetAnchorKey(hit);
      keys_[hit].Weight = -10000.0f;
      const bool animated = animating_;
      if (contentMap_ != nullptr) {
        GiveKeysToContentMap(animated);
        contentMap_->CopyKeysOut(keys_);
      }
      HitTest(x, y);
      if (contentMap_ != nullptr) contentMap_->SetAnchorKey(hitIndex_);
      ClearMarks();
      if (ValidIndex(hitIndex_)) keys_[hitIndex_].Flags |= KF_MARKED;
      FireGroupSelect(1);
      if (animated) animationInterrupted_ = true;
      if (OnMouseClickByWord) OnMouseClickByWord(*this, key, false, 4);
    } else if ((keys_[hit].Flags & KF_QUERY) != 0 && MapMode() != kModeNoQuery && contentMap_ != nullptr) {
      if (OnQueryWordClickHook) OnQueryWordClickHook();
      contentMap_->Steps().Remove(kKindQuery, id, false);
      const bool animated = animating_;
      GiveKeysToContentMap(animated);
      contentMap_->BuildMap(false);
      if (!contentMap_->Steps().GetCurrent()[kKindQuery].empty() && OnGroupSelect) {
        OnGroupSelect(*this, 0, TNNKeys{}, true, 16);
      }
      if (animated) animationInterrupted_ = true;
      if (OnMouseClickByWord) OnMouseClickByWord(*this, key, false, 32);
    } else {
      if (contentMap_ != nullptr) contentMap_->SetClickedKey(hit);
      keys_[hit].Weight = 1.0f;
      const bool animated = animating_;
      GiveKeysToContentMap(animated);
      ClearMarks();
      keys_[hit].Flags |= KF_MARKED;
      FireGroupSelect(0);
      if (animated) animationInterrupted_ = true;
      if (OnMouseClickByWord) OnMouseClickByWord(*this, key, false, 2);
    }
  } else if (!found && HasHoveredKey()) {
    const bool animated = animating_;
    GiveKeysToContentMap(animated);
    HoverOutTimerTick();
    if (animated) animationInterrupted_ = true;
  }
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void TCustomDrawAndEventMap::MouseMove(Qt::KeyboardModifiers /*shift*/, int32_t x, int32_t y) {
  lastMouse_ = QPoint(x, y);
  if (settle_) {
    // After a hover change the mouse must move before the next one.
    const platform::TPoint point = CursorPosition();
    if (std::hypot(point.X - settlePosition_.x(), point.Y - settlePosition_.y()) < 1.0) return;
    settle_ = false;
  }
  if (QueryBusy() || BusyForHover() || animating_) return;

  HitTest(x, y);
  const int32_t hit = hitIndex_;
  bool redraw = false;
  if (enlargedKey_ != hit) {
    if (hit != -1) {
      Unenlarge(enlargedKey_);
      Enlarge(hit);
      redraw = true;
    } else if (enlargedKey_ != -1) {
      Unenlarge(enlargedKey_);
      redraw = true;
    }
  }
  UpdateCursor(hit);

  hoverInTimer_->SetEnabled(false);
  if (hit != -1) {
    hoverCandidate_ = hit;
    hoverInTimer_->SetInterval(HasHoveredKey() ? kHoverInWhileHovered : kHoverInInterval);
    hoverInTimer_->SetEnabled(true);
  }
  enlargedKey_ = hit;
  hoverOutTimer_->SetEnabled(false);
  if (hit == -1 && HasHoveredKey()) hoverOutTimer_->SetEnabled(true);

  if (HasHoveredKey()) {
    // Far from the hovered word's context the hover ends at once.
    float left = static_cast<float>(width());
    float top = static_cast<float>(height());
    float right = 0.0f;
    float bottom = 0.0f;
    for (const TKey& key : keys_) {
      if ((key.Flags & KF_HIDDEN) != 0 || (key.Flags & (KF_QUERY | KF_CARRIED | KF_CONTEXT)) == 0) continue;
      left = std::min(left, key.Left);
      top = std::min(top, key.Top);
      right = std::max(right, key.Left + static_cast<float>(key.TextWidth));
      bottom = std::max(bottom, key.Top + static_cast<float>(key.TextHeight));
    }
    left -= kHoverOutMargin;
    top -= kHoverOutMargin;
    right += kHoverOutMargin;
    bottom += kHoverOutMargin;
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    if (fx < left || fx > right || fy < top || fy > bottom) {
      HoverOutTimerTick();
      redraw = false;
    }
  }
  if (redraw) DrawMap(keys_);
}

void TCustomDrawAndEventMap::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int32_t x, int32_t y) {
  if (BusyForClicks()) return;
  if (button == Qt::RightButton) {
    // The popup ends with its own clicks (ShowPopupAt): the map's next press
    // is the user's and acts.
    const platform::TPoint popupPoint = CursorPosition();
    HitTest(x, y);
    if (ValidIndex(hitIndex_) && hitIndex_ == pressedIndex_) {
      EnterState(kStatePopup);
    } else {
      ClearMarks();
      FireGroupSelect(15);
      ShowPopupAt(QPoint(popupPoint.X, popupPoint.Y));
    }
  }
  LeaveState(kStatePopup);
  pressedIndex_ = -1;
  if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
}

void TCustomDrawAndEventMap::UpdateCursor(int32_t index) {
  if (QueryBusy()) {
    if (cursorId_ != platform::crDefault) SetCursors(platform::crDefault);
    return;
  }
  const int32_t wanted = index != -1 ? platform::crHandPoint : platform::crDefault;
  if (cursorId_ != wanted) SetCursors(wanted);
  idleCursorTimer_->SetEnabled(false);
  if (index == -1 && !BusyForClicks() && !HasHoveredKey()) idleCursorTimer_->SetEnabled(true);
}

// ---- word popup ----

void TCustomDrawAndEventMap::OpenWordPopup() {
  idleCursorTimer_->SetEnabled(false);
  if (cursorId_ != platform::crDefault) SetCursors(platform::crDefault);
  ClearMarks();
  if (ValidIndex(hitIndex_)) keys_[hitIndex_].Flags |= KF_MARKED;
  FireGroupSelect(15);
  const platform::TPoint point = CursorPosition();
  ShowPopupAt(QPoint(point.X, point.Y));
}

void TCustomDrawAndEventMap::ShowPopupAt(QPoint screenPoint) {
  if (popupMenu_ == nullptr) return;
  // A click outside the open popup only closes it; it is not handed on to
  // the window under the mouse.
  popupMenu_->setAttribute(Qt::WA_NoMouseReplay);
  popupMenu_->exec(screenPoint);
}

// ---- timers ----

void TCustomDrawAndEventMap::HoverInTimerTick() {
  if (hoverCandidate_ == -1) return;
  hoverInTimer_->SetEnabled(false);
  hoverOutTimer_->SetEnabled(false);
  if (keys_.empty() || contentMap_ == nullptr || contentMap_->HoverTargetKey() == hoverCandidate_) return;
  const int32_t candidate = hoverCandidate_;
  if (!ValidIndex(candidate)) return;

  contentMap_->SetClickedKey(-1);
  contentMap_->SetAnchorKey(-1);
  if (contentMap_->HoveredKey() >= 0) contentMap_->SetRestoreBaseMap(true);
  contentMap_->SetHoveredKey(candidate);
  const TKey& hovered = keys_[candidate];
  TNNKey key{hovered.Id, 0.0f};
  const int32_t variant = static_cast<int32_t>(hovered.Flags);
  contentMap_->SetHoverPos(hovered.HoverX, hovered.HoverY);

  GiveKeysToContentMap(false);
  ClearMarks();
  keys_[candidate].Flags |= KF_MARKED;
  // The word is announced even when the group event fails.
  struct TAnnounce {
    TCustomDrawAndEventMap* view;
    TNNKey key;
    int32_t variant;
    ~TAnnounce() {
      if (view->contentMap_ != nullptr && view->contentMap_->HoveredKey() >= 0 && view->OnMouseToWord) {
        view->OnMouseToWord(*view, key, false, variant);
      }
      view->SettleHere();
    }
  } announce{this, key, variant};
  FireGroupSelect(4);
}

void TCustomDrawAndEventMap::HoverOutTimerTick() {
  hoverOutTimer_->SetInterval(kHoverOutInterval);
  hoverOutTimer_->SetEnabled(false);
  if (keys_.empty() || contentMap_ == nullptr || contentMap_->HoveredKey() == -1) return;

  contentMap_->SetClickedKey(-1);
  contentMap_->SetAnchorKey(-1);
  contentMap_->SetRestoreBaseMap(true);
  const int32_t hovered = contentMap_->HoveredKey();
  TNNKey key{ValidIndex(hovered) ? keys_[hovered].Id : 0, 0.0f};
  contentMap_->SetHoveredKey(-1);
  contentMap_->Steps().ClearKind(kKindHovered, false);
  GiveKeysToContentMap(false);

  if (OnHoverOutHook) OnHoverOutHook();
  if (OnMouseOutWord) OnMouseOutWord(*this, key, false, 0);
  SettleHere();
}

void TCustomDrawAndEventMap::IdleCursorTimerTick() {
  idleCursorTimer_->SetEnabled(false);
  if (cursorId_ == platform::crAddText || cursorId_ == platform::crAppStart || QueryBusy()) return;
  const platform::TPoint point = CursorPosition();
  const QPoint origin = mapToGlobal(QPoint(0, 0));
  if (origin.x() < point.X && point.X < origin.x() + width() && origin.y() < point.Y &&
      point.Y < origin.y() + height()) {
    SetCursors(platform::crAddText);
  }
}

// ---- partial redraw ----

void TCustomDrawAndEventMap::RedrawDirty() {
  StopHoverTimers();
  // CollectDirtyRects: the enlarged word's rectangle, covering what it drew
  // and what it draws once back in its normal style.
  if (!ValidIndex(enlargedKey_)) return;
  const TKey& enlarged = keys_[enlargedKey_];
  QRect dirty;
  dirty.setCoords(RoundToInt(enlarged.Left), RoundToInt(enlarged.Top),
                  std::min(contentMap_ != nullptr ? contentMap_->MapWidth() : width(),
                           RoundToInt(enlarged.Left + enlarged.TextWidth + enlarged.ShadowOffSet + kAnchorSize)),
                  RoundToInt(enlarged.Top + enlarged.TextHeight + enlarged.ShadowOffSet));
  dirty = dirty.normalized() | KeyDrawnBounds(enlarged);
  Unenlarge(enlargedKey_);
  dirty |= KeyDrawnBounds(keys_[enlargedKey_]);
  enlargedKey_ = -1;
  const QRect rects[] = {dirty};
  DrawDirty(rects, keys_);
}

}  // namespace kestrune
