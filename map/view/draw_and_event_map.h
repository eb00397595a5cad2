// TCustomDrawAndEventMap: the word map on the screen. A widget that holds a
// working copy of a content map's keys (positions in its own pixels), draws
// them as anti-aliased text over a two-band gradient, animates the change from
// one map to the next over 400 ms and turns mouse actions over the words into
// word events and hooks for the main window.
//
// Frames are composed off screen in a back buffer (DrawMap whole, DrawDirty
// for a list of rectangles) and then the affected rectangles are repainted;
// paintEvent only copies the back buffer to the screen. A repaint the view did
// not ask for (the window was uncovered) composes a whole frame first, unless
// a frame is being drawn or an animation runs. The background buffer caches
// the gradient of the current map mode.
//
// The content map set as ContentMap is not owned; the view copies its keys in
// (LoadKeysAndDraw, AnimateNewMap) and gives its own copy back where the user
// changed something. The main window binds MeasureKeyHook() as the content
// map's OnMeasureKeyHook, so layout and drawing measure alike.
//
// Timers (hover-in 250/700 ms, hover-out 500/50 ms, idle cursor 1500 ms) and
// the animation's clock come from a TTimerSource (the system's by default).
// AnimateNewMap runs a local event loop: mouse handlers, timer ticks and the
// main window's answers run inside it, re-entrantly.
//
// Every event and hook is called only when set; an unset OnQueryBusyHook
// answers False. Indexes held by the view or read from the content map are
// checked against the key count before they reach a key.
//
// User-interface thread only.
#pragma once

#include <QEvent>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/keys.h"
#include "map/cm_key_color.h"
#include "map/content_map2.h"
#include "map/group_event.h"
#include "platform/gui/timer_source.h"

class QMenu;
class QPainter;
class QFont;
class QFontMetricsF;

namespace kestrune {

// The view's private message (the system's WM_USER + 1): WParam 0 runs
// AnimateNewMap, 1 runs Paint, any other value nothing. Post it to the view.
class TMapMessageEvent : public QEvent {
 public:
  static constexpr int32_t kMessage = 1025;
  static QEvent::Type EventType();

  explicit TMapMessageEvent(int32_t wParam) : QEvent(EventType()), wParam_(wParam) {}
  int32_t WParam() const { return wParam_; }

 private:
  int32_t wParam_;
};

class TCustomDrawAndEventMap : public QWidget {
 public:
  // Interaction-state bits.
  static constexpr uint32_t kStateBusy = 1;       // a left press, or a long map operation
  static constexpr uint32_t kStatePopup = 2;      // the word popup is open
  static constexpr uint32_t kStateAnimation = 4;  // a new-map animation runs
  static constexpr uint32_t kStateInactive = 8;   // the main window is inactive
  static constexpr uint32_t kStateSearch = 16;    // a web search runs
  static constexpr uint32_t kBusyForClicks = kStateBusy | kStatePopup | kStateSearch;
  static constexpr uint32_t kBusyForHover =
      kStateBusy | kStatePopup | kStateAnimation | kStateInactive | kStateSearch;

  // Map modes.
  static constexpr int32_t kModeQuery = 0;
  static constexpr int32_t kModeExcluded = 1;
  static constexpr int32_t kModeNoQuery = 2;

  // Timer intervals in milliseconds.
  static constexpr uint32_t kHoverInInterval = 250;
  static constexpr uint32_t kHoverInWhileHovered = 700;
  static constexpr uint32_t kHoverOutInterval = 500;
  static constexpr uint32_t kHoverOutSoonInterval = 50;
  static constexpr uint32_t kIdleCursorInterval = 1500;
  static constexpr uint32_t kAnimationTime = 400;

  static constexpr int32_t kAnchorSize = 16;     // the anchor icon, and the allowance beside a hovered word
  static constexpr float kMinDrawnSize = 4.0f;   // font sizes drawn in the first pass
  static constexpr float kMaxDrawnSize = 24.0f;
  static constexpr int32_t kHoverOutMargin = 50; // around the hovered context
  static constexpr int32_t kRightMargin = 6;     // kept free right of an enlarged word

  using TSelectKeyEvent =
      std::function<void(TCustomDrawAndEventMap& sender, TNNKey& key, bool selected, int32_t variant)>;
  using TSelectKeysEvent = std::function<void(TCustomDrawAndEventMap& sender, int32_t keysCount,
                                              const TNNKeys& keys, bool selected, int32_t variant)>;  // TMapGroupEvent
  using TEntryEvent = std::function<void(TCustomDrawAndEventMap& sender)>;
  using TSimpleCEvent = std::function<void(QPainter& canvas)>;
  using TMouseEvent = std::function<void(TCustomDrawAndEventMap& sender, Qt::MouseButton button,
                                         Qt::KeyboardModifiers shift, int32_t x, int32_t y)>;
  using TNotifyEvent = std::function<void(TCustomDrawAndEventMap& sender)>;
  using THook = std::function<void()>;
  using TBusyHook = std::function<bool()>;

  // timers: the source of the timers and of the animation's clock; not owned,
  // must outlive the view; nullptr for the system's.
  explicit TCustomDrawAndEventMap(QWidget* parent = nullptr, TTimerSource* timers = nullptr);
  ~TCustomDrawAndEventMap() override;
  TCustomDrawAndEventMap(const TCustomDrawAndEventMap&) = delete;
  TCustomDrawAndEventMap& operator=(const TCustomDrawAndEventMap&) = delete;

  // ---- events ----
  TSelectKeyEvent OnSingleSelect;  // never raised
  TSelectKeysEvent OnGroupSelect;
  TEntryEvent OnEntry;             // never raised
  TSimpleCEvent OnEntryX;          // the back buffer, after the keys of every frame
  TSelectKeyEvent OnMouseClickByWord;
  TSelectKeyEvent OnMouseToWord;
  TSelectKeyEvent OnMouseOutWord;
  TMouseEvent OnMouseDown;  // the control's own press event (after the view's handling)
  TMouseEvent OnMouseUp;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnClick;

  // ---- hooks the main window installs ----
  THook OnMapMouseDownHook;    // a left press over the map
  TBusyHook OnQueryBusyHook;   // True: hovering and cursor changes are ignored
  THook OnQueryWordClickHook;  // before a clicked query word leaves the query
  THook OnPreviewWordHook;     // never called by the view
  THook OnHoverOutHook;        // after every hover-out, before OnMouseOutWord

  // ---- properties ----
  TMapFont& Font() { return font_; }
  const TMapFont& Font() const { return font_; }
  const std::u16string& SkinPath() const { return skinPath_; }
  // An empty path stands for the program folder + "skin/". Loads the anchor
  // icons from the resources "ankor_flat" and "ankor_flat_inv".
  void SetSkinPath(std::u16string_view value);
  TCMKeyColor& KeyColor() { return keyColor_; }
  TContentMap2* ContentMap() const { return contentMap_; }
  void SetContentMap(TContentMap2* map) { contentMap_ = map; }
  TColor Color() const { return color_; }  // stored only: the view paints its own background
  void SetColor(TColor value) { color_ = value; }
  QMenu* PopupMenu() const { return popupMenu_; }  // not owned
  void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
  QMenu* GetPopupMenu() const { return popupMenu_; }

  // ---- operations the main window calls ----
  // Nothing while animating; else the content map's keys are copied in and a
  // whole frame is drawn. The view forgets what it knew of the old keys (the
  // enlarged word, a pending hover), as ClearMap and AnimateNewMap do.
  void LoadKeysAndDraw();
  void StoreKeysInContentMap();
  void ClearMap();
  void AnimateNewMap();
  // Returns the enlarged word to its normal style and redraws its rectangle.
  void RedrawDirty();
  void StopHoverTimers();
  void HoverOutSoon();
  void HoverOutTimerTick();
  void ResetBackground();
  void ResizeTimerTick();
  void EnterState(uint32_t bits);
  void LeaveState(uint32_t bits);
  // A whole frame of the key array, unless a frame is being drawn or an
  // animation runs.
  void Paint();

  // ---- state the main window reads or writes ----
  int32_t HitIndex() const { return hitIndex_; }
  bool Animating() const { return animating_; }
  bool AnimationInterrupted() const { return animationInterrupted_; }
  void SetAnimationInterrupted(bool value) { animationInterrupted_ = value; }
  bool IgnoreNextPress() const { return ignoreNextPress_; }
  void SetIgnoreNextPress(bool value) { ignoreNextPress_ = value; }
  uint32_t State() const { return state_; }
  // 1 in the excluded-words mode, else 2 in the no-query mode, else 0 (0
  // without a content map).
  int32_t MapMode() const;

  // ---- drawing ----
  void DrawMap(std::span<const TKey> keys);
  void DrawDirty(std::span<const QRect> rects, std::span<const TKey> keys);
  // The gradient of the current map mode over the whole control.
  void DrawBackground(QPainter& painter) const;
  // Width and height in pixels of the key's text in its own font; the height
  // leaves out the internal leading in the proportion of the view's Font.
  void MeasureKeyText(const TKey& key, QSize& size) const;
  // MeasureKeyText as the content map's measuring hook.
  TCMMeasureKeyHook MeasureKeyHook() const;

  // ---- hit-testing ----
  // Finds the word under a point of the control: HitIndex() and OnAnchor().
  bool HitTest(int32_t x, int32_t y);
  bool OnAnchor() const { return onAnchor_; }
  // Raises OnGroupSelect for the marked keys (clearing their marks). True when
  // keys were marked and the event is set.
  bool FireGroupSelect(int32_t variant);

  // ---- inspection (tests and tools) ----
  const TKeys& KeyArray() const { return keys_; }
  const TKeys& AnimationKeys() const { return animKeys_; }
  const QImage& BackBuffer() const { return backBuffer_; }
  QImage& BackBuffer() { return backBuffer_; }
  const QImage& BackgroundBuffer() const { return backgroundBuffer_; }
  const QImage& AnchorIcon(bool inverted) const { return inverted ? anchorIconInv_ : anchorIcon_; }
  int32_t EnlargedKey() const { return enlargedKey_; }
  int32_t HoverCandidate() const { return hoverCandidate_; }
  int32_t PressedIndex() const { return pressedIndex_; }
  int32_t CursorId() const { return cursorId_; }
  TTimer& HoverInTimer() { return *hoverInTimer_; }
  TTimer& HoverOutTimer() { return *hoverOutTimer_; }
  TTimer& IdleCursorTimer() { return *idleCursorTimer_; }
  // The bounds of everything a key puts on the screen: its box, its text with
  // the font's descent and overhang, its shadow and, where drawn, the anchor
  // icon beside it.
  QRect KeyDrawnBounds(const TKey& key) const;

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

  virtual void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int32_t x, int32_t y);
  virtual void MouseMove(Qt::KeyboardModifiers shift, int32_t x, int32_t y);
  virtual void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int32_t x, int32_t y);
  void UpdateCursor(int32_t index);
  void HoverInTimerTick();
  void IdleCursorTimerTick();

 private:
  // Drawing (draw_and_event_map_drawing.cpp).
  void EnsureBuffers();
  void ResizeBuffers();
  // Composes a whole frame into the back buffer; no repaint is asked for.
  void ComposeFrame(std::span<const TKey> keys);
  // Draws the keys of `order` (indexes into keys, drawn from the last to the
  // first) in the two passes, then the anchor icon.
  void DrawKeys(QPainter& painter, std::span<const TKey> keys, const std::vector<int32_t>& order);
  void DrawKeyText(QPainter& painter, const TKey& key, const QFont& font, const QFontMetricsF& metrics) const;
  QFont KeyQFont(const TKey& key) const;
  std::u16string KeyFontFamily() const;
  bool AnchorDrawnFor(const TKey& key) const;
  QPoint AnchorPosition(const TKey& key, const QFontMetricsF& metrics, const QString& text) const;
  void RequestRepaint(const QRect& rect);

  // Mouse and hover (draw_and_event_map_mouse.cpp).
  bool BusyForClicks() const { return (state_ & kBusyForClicks) != 0; }
  bool BusyForHover() const { return (state_ & kBusyForHover) != 0; }
  bool QueryBusy() const { return OnQueryBusyHook ? OnQueryBusyHook() : false; }
  bool ValidIndex(int32_t index) const { return index >= 0 && index < static_cast<int32_t>(keys_.size()); }
  bool HasHoveredKey() const { return contentMap_ != nullptr && contentMap_->HoveredKey() >= 0; }
  void GiveKeysToContentMap(bool animationArray);
  void ClearMarks();
  void Enlarge(int32_t index);
  void Unenlarge(int32_t index);
  // After the keys were replaced: the enlarged word, its remembered place,
  // the hover candidate and the hit and pressed indexes belonged to the old
  // keys and are dropped; a pending hover-in is cancelled.
  void ForgetOldKeys();
  void SetCursors(int32_t id);
  void SettleHere();
  QPoint MouseInControl() const;
  void OpenWordPopup();
  void ShowPopupAt(QPoint screenPoint);

  // Animation (draw_and_event_map_animation.cpp).
  bool BuildAnimationEntries();
  void RunAnimationFrames();
  void FinishAnimation();
  float MinPlainSize() const;

  // Properties.
  TMapFont font_{u"Tahoma", 16};
  std::u16string skinPath_;
  TCMKeyColor keyColor_;
  TContentMap2* contentMap_ = nullptr;  // not owned
  TColor color_ = 0;
  QMenu* popupMenu_ = nullptr;  // not owned

  // Keys.
  TKeys keys_;      // the key array
  TKeys animKeys_;  // the previous-layout array: the animation's entries

  // Flags and interaction state.
  bool animating_ = false;
  bool drawing_ = false;
  bool animationInterrupted_ = false;
  bool ignoreNextPress_ = false;
  bool repaintRequested_ = false;
  // The back buffer holds no composed frame (made anew, or its background
  // changed since): the next paint or partial redraw composes a whole one.
  bool frameStale_ = true;
  bool clicked_ = false;
  uint32_t state_ = 0;

  // Mouse bookkeeping.
  int32_t hitIndex_ = -1;
  bool onAnchor_ = false;
  int32_t pressedIndex_ = -1;
  int32_t hoverCandidate_ = -1;
  int32_t enlargedKey_ = -1;
  // Where the enlarged word stood before it was enlarged, while remembered.
  float enlargedLeft_ = 0.0f;
  float enlargedTop_ = 0.0f;
  bool enlargedRemembered_ = false;
  QPoint lastMouse_;
  bool settle_ = false;
  QPoint settlePosition_;
  int32_t cursorId_ = 0;

  // Drawing resources.
  QImage backBuffer_;
  QImage backgroundBuffer_;
  int32_t backgroundMode_ = -1;  // the map mode the background buffer was painted for
  QImage anchorIcon_;
  QImage anchorIconInv_;

  // Time.
  TTimerSource* timers_;  // not owned
  std::unique_ptr<TTimer> hoverInTimer_;
  std::unique_ptr<TTimer> hoverOutTimer_;
  std::unique_ptr<TTimer> idleCursorTimer_;
};

// The component the main window places: the same class.
class TDrawAndEventMap : public TCustomDrawAndEventMap {
 public:
  using TCustomDrawAndEventMap::TCustomDrawAndEventMap;
};

}  // namespace kestrune
