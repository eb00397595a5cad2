// TTntGraphicControl: the base of the skinned controls, a windowless control
// in the system's terms: a plain child widget that paints over its parent and
// siblings (it fills no background of its own, so what lies beneath shows
// through its transparent pixels). Its `Hint` is the widget's tool tip, in
// UTF-16 as every text here.
//
// Besides the hint it carries what every skinned control publishes of the
// class library's control: ShowHint and ParentShowHint (a control with
// ParentShowHint shows its hint when its parent's "ShowHint" property is True,
// or when the parent has none; otherwise when its own ShowHint is True),
// the pop-up menu shown on a right click unless OnContextPopup handles it,
// and the mouse events as hooks (called only when set, after the control's
// own handling). A click is a left press and release over the control; it
// comes before the release's own handling.
//
// The events' sender is the control that raises them; a notify event may be
// raised without one (null) where a control says so.
//
// User-interface thread only.
#pragma once

#include <QMenu>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace kestrune {

using TNotifyEvent = std::function<void(QObject* sender)>;
// x and y in the sender's own pixels; buttons are those held (with the one
// pressed or released for a press or release).
using TSkinMouseEvent = std::function<void(QWidget& sender, Qt::MouseButton button, Qt::MouseButtons buttons,
                                           Qt::KeyboardModifiers shift, int32_t x, int32_t y)>;
using TSkinMouseMoveEvent =
    std::function<void(QWidget& sender, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int32_t x, int32_t y)>;
// handled = true keeps the pop-up menu closed.
using TContextPopupEvent = std::function<void(QWidget& sender, QPoint mousePos, bool& handled)>;

// The Visible property of the system: the widget is not hidden by the
// program (a widget of a form that is not shown yet is visible; one without
// parent too).
bool ShownByProgram(const QWidget& widget);

class TTntGraphicControl : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(QMenu* PopupMenu READ PopupMenu WRITE SetPopupMenu)

 public:
  explicit TTntGraphicControl(QWidget* parent = nullptr);

  QString Hint() const { return toolTip(); }
  void SetHint(const QString& value) { setToolTip(value); }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool value) { showHint_ = value; }
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool value) { parentShowHint_ = value; }
  // Not owned; a menu destroyed meanwhile shows nothing.
  QMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }

  bool Visible() const { return ShownByProgram(*this); }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TSkinMouseEvent OnMouseDown;
  TSkinMouseEvent OnMouseUp;
  TSkinMouseMoveEvent OnMouseMove;
  TContextPopupEvent OnContextPopup;

 protected:
  // The control's own handling of the mouse, in the order the events come;
  // each raises its hook last. A subclass adds its rule and calls these.
  virtual void MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int32_t x,
                         int32_t y);
  virtual void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int32_t x, int32_t y);
  virtual void MouseUp(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int32_t x,
                       int32_t y);
  virtual void Click();
  virtual void DblClick();

  bool event(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  bool HintShown() const;

  bool showHint_ = true;
  bool parentShowHint_ = true;
  bool clicking_ = false;  // a left press over the control waits for its release
  QPointer<QMenu> popupMenu_;
};

}  // namespace kestrune
