#include "ui/tnt_graphic_control.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QVariant>

namespace kestrune {

namespace {

int32_t X(const QMouseEvent* event) { return static_cast<int32_t>(event->position().toPoint().x()); }
int32_t Y(const QMouseEvent* event) { return static_cast<int32_t>(event->position().toPoint().y()); }

}  // namespace

TTntGraphicControl::TTntGraphicControl(QWidget* parent) : QWidget(parent) {
  // Moves without a button held reach the control, as the system's do.
  setMouseTracking(true);
}

bool ShownByProgram(const QWidget& widget) {
  return !(widget.testAttribute(Qt::WA_WState_ExplicitShowHide) && widget.testAttribute(Qt::WA_WState_Hidden));
}

bool TTntGraphicControl::HintShown() const {
  if (!parentShowHint_) return showHint_;
  const QWidget* parent = parentWidget();
  if (parent == nullptr) return showHint_;
  const QVariant parentShows = parent->property("ShowHint");
  return parentShows.isValid() ? parentShows.toBool() : true;
}

bool TTntGraphicControl::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip && !HintShown()) {
    event->ignore();
    return true;
  }
  return QWidget::event(event);
}

void TTntGraphicControl::MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift,
                                   int32_t x, int32_t y) {
  if (OnMouseDown) OnMouseDown(*this, button, buttons, shift, x, y);
}

void TTntGraphicControl::MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int32_t x, int32_t y) {
  if (OnMouseMove) OnMouseMove(*this, buttons, shift, x, y);
}

void TTntGraphicControl::MouseUp(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift,
                                 int32_t x, int32_t y) {
  if (OnMouseUp) OnMouseUp(*this, button, buttons, shift, x, y);
}

void TTntGraphicControl::Click() {
  if (OnClick) OnClick(this);
}

void TTntGraphicControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TTntGraphicControl::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton) clicking_ = true;
  MouseDown(event->button(), event->buttons(), event->modifiers(), X(event), Y(event));
}

void TTntGraphicControl::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  MouseMove(event->buttons(), event->modifiers(), X(event), Y(event));
}

void TTntGraphicControl::mouseReleaseEvent(QMouseEvent* event) {
  // The click comes before the release's own handling, as the system's do.
  event->accept();
  const bool click = clicking_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  if (event->button() == Qt::LeftButton) clicking_ = false;
  const QPointer<TTntGraphicControl> self(this);
  if (click) Click();
  // A click handler may have destroyed the control.
  if (self) MouseUp(event->button(), event->buttons(), event->modifiers(), X(event), Y(event));
}

void TTntGraphicControl::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click: the double click, then the press
  // itself; its release is no click.
  event->accept();
  clicking_ = false;
  const QPointer<TTntGraphicControl> self(this);
  if (event->button() == Qt::LeftButton) DblClick();
  if (self) MouseDown(event->button(), event->buttons(), event->modifiers(), X(event), Y(event));
}

void TTntGraphicControl::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
  bool handled = false;
  if (OnContextPopup) OnContextPopup(*this, event->pos(), handled);
  if (!handled && popupMenu_) popupMenu_->popup(event->globalPos());
}

}  // namespace kestrune
