// The map view as a component: construction, properties, timers, the private
// message, resizing and the interaction state.
#include "map/view/draw_and_event_map.h"

#include <QBuffer>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QResizeEvent>

#include "platform/files.h"
#include "platform/gui/res_stream.h"
#include "platform/gui/screen_cursors.h"

// The view's pictures (anchor icons, the program's cursors) are linked from a
// static library, so their registration is pulled in by name.
static void InitMapViewResources() { Q_INIT_RESOURCE(map_view); }

namespace kestrune {

namespace {

QImage LoadIcon(std::string_view name) {
  IResStream stream;
  std::unique_ptr<QBuffer> copy;
  if (!stream.LoadFromResource(name, copy)) return {};
  QImage image;
  if (!image.loadFromData(copy->data())) return {};
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

QEvent::Type TMapMessageEvent::EventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType(QEvent::User + kMessage));
  return type;
}

TCustomDrawAndEventMap::TCustomDrawAndEventMap(QWidget* parent, TTimerSource* timers)
    : QWidget(parent), timers_(timers != nullptr ? timers : &SystemTimerSource()) {
  static const bool resources = (InitMapViewResources(), true);
  (void)resources;

  // The view paints every pixel of its rectangle itself.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  // The word popup is the view's own business (MouseUp), never the parent's.
  setContextMenuPolicy(Qt::PreventContextMenu);

  hoverInTimer_ = timers_->CreateTimer();
  hoverInTimer_->SetInterval(kHoverInInterval);
  hoverInTimer_->OnTimer = [this] { HoverInTimerTick(); };
  hoverOutTimer_ = timers_->CreateTimer();
  hoverOutTimer_->SetInterval(kHoverOutInterval);
  hoverOutTimer_->OnTimer = [this] { HoverOutTimerTick(); };
  idleCursorTimer_ = timers_->CreateTimer();
  idleCursorTimer_->SetInterval(kIdleCursorInterval);
  idleCursorTimer_->OnTimer = [this] { IdleCursorTimerTick(); };
}

TCustomDrawAndEventMap::~TCustomDrawAndEventMap() {
  // A global cursor set by the view does not outlive it.
  if (cursorId_ != platform::crDefault && platform::ScreenCursors().GlobalCursor() == cursorId_) {
    platform::ScreenCursors().SetGlobalCursor(platform::crDefault);
  }
}

void TCustomDrawAndEventMap::SetSkinPath(std::u16string_view value) {
  skinPath_ = value.empty() ? platform::ProgramFolder() + u"skin/" : std::u16string(value);
  anchorIcon_ = LoadIcon("ankor_flat");
  anchorIconInv_ = LoadIcon("ankor_flat_inv");
}

int32_t TCustomDrawAndEventMap::MapMode() const {
  if (contentMap_ == nullptr) return kModeQuery;
  if (contentMap_->ExcludedMode()) return kModeExcluded;
  if (contentMap_->NoQueryMode()) return kModeNoQuery;
  return kModeQuery;
}

// ---- operations the main window calls ----

void TCustomDrawAndEventMap::LoadKeysAndDraw() {
  if (animating_) return;
  if (contentMap_ != nullptr) {
    contentMap_->CopyKeysOut(keys_);
    ForgetOldKeys();
  }
  DrawMap(keys_);
}

void TCustomDrawAndEventMap::StoreKeysInContentMap() {
  if (contentMap_ != nullptr) contentMap_->CopyKeysIn(keys_);
}

void TCustomDrawAndEventMap::ClearMap() {
  keys_.clear();
  ForgetOldKeys();
  DrawMap(keys_);
}

void TCustomDrawAndEventMap::StopHoverTimers() {
  hoverOutTimer_->SetEnabled(false);
  idleCursorTimer_->SetEnabled(false);
  hoverInTimer_->SetEnabled(false);
}

void TCustomDrawAndEventMap::HoverOutSoon() {
  hoverOutTimer_->SetEnabled(false);
  hoverOutTimer_->SetInterval(kHoverOutSoonInterval);
  hoverOutTimer_->SetEnabled(true);
}

void TCustomDrawAndEventMap::ResizeTimerTick() {
  if (contentMap_ != nullptr) contentMap_->SetMapSize(width(), height());
  ResizeBuffers();
  hoverInTimer_->SetEnabled(false);
  idleCursorTimer_->SetEnabled(false);
  hoverOutTimer_->SetEnabled(false);
  // The main window rebuilds the map in answer to the group event.
  animationInterrupted_ = true;
  ClearMarks();
  FireGroupSelect(kGroupResized);
  animationInterrupted_ = false;
}

void TCustomDrawAndEventMap::EnterState(uint32_t bits) {
  const uint32_t added = bits & ~state_;
  state_ |= added;
  if ((added & kStatePopup) != 0) OpenWordPopup();
}

void TCustomDrawAndEventMap::LeaveState(uint32_t bits) {
  const uint32_t removed = bits & state_;
  state_ &= ~removed;
  if ((removed & kStatePopup) == 0) return;
  if (HasHoveredKey()) {
    const bool animated = animating_;
    GiveKeysToContentMap(animated);
    HoverOutTimerTick();
    if (animated) animationInterrupted_ = true;
  } else if (enlargedKey_ != -1) {
    // The word the popup was opened over goes back to its normal style, so
    // that it is not left drawn as hovered.
    Unenlarge(enlargedKey_);
    enlargedKey_ = -1;
    if (!animating_) DrawMap(keys_);
  }
}

void TCustomDrawAndEventMap::Paint() {
  if (drawing_ || animating_) return;
  DrawMap(keys_);
}

// ---- Qt events ----

bool TCustomDrawAndEventMap::event(QEvent* e) {
  if (e->type() == TMapMessageEvent::EventType()) {
    const int32_t wParam = static_cast<TMapMessageEvent*>(e)->WParam();
    if (wParam == 0) {
      AnimateNewMap();
    } else if (wParam == 1) {
      Paint();
    }
    QWidget::event(e);
    return true;
  }
  return QWidget::event(e);
}

void TCustomDrawAndEventMap::resizeEvent(QResizeEvent* e) {
  ResizeTimerTick();
  QWidget::resizeEvent(e);
}

void TCustomDrawAndEventMap::mousePressEvent(QMouseEvent* e) {
  const QPoint point = e->position().toPoint();
  if (e->button() == Qt::LeftButton) clicked_ = true;
  MouseDown(e->button(), e->modifiers(), point.x(), point.y());
}

void TCustomDrawAndEventMap::mouseDoubleClickEvent(QMouseEvent* e) {
  const QPoint point = e->position().toPoint();
  if (e->button() == Qt::LeftButton && OnDblClick) OnDblClick(*this);
  MouseDown(e->button(), e->modifiers(), point.x(), point.y());
}

void TCustomDrawAndEventMap::mouseMoveEvent(QMouseEvent* e) {
  const QPoint point = e->position().toPoint();
  MouseMove(e->modifiers(), point.x(), point.y());
}

void TCustomDrawAndEventMap::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint point = e->position().toPoint();
  if (e->button() == Qt::LeftButton && clicked_) {
    clicked_ = false;
    if (rect().contains(point) && OnClick) OnClick(*this);
  }
  MouseUp(e->button(), e->modifiers(), point.x(), point.y());
}

}  // namespace kestrune
