// IBitmapButton: the picture button. Four pictures, one per state: normal
// (PicNormalName, the button's own picture), disabled, hover and pushed
// (PicDisableName, PicOverName, PicPushName, each held by an ibitmap of the
// button's own without parent, kept at the button's place and given the
// button's underlay when it is made). The normal state draws the button's
// own picture; the others turn UseDraw off and make their holder the
// overlay, so the state picture replaces the normal one and the caption is
// drawn over it. A state without its picture draws nothing but the caption.
//
// States and events (events across, resulting state down; "-" no change):
//
//   from      mouse    cursor gone  press    release  Down:=T  Down:=F  Enable:=F
//             enters   (hover tick) inside
//   normal    hover    -            pushed   -        pushed   -        disabled
//   hover     -        normal*      pushed   normal*  pushed   normal+  disabled
//   pushed    -        normal*      -        normal*  -        normal+  disabled
//   disabled  -        -            -        -        -        -        -
//   (* unless Down or Over is set; + unless Over is set)
//
// From disabled only Enable := True leaves: to pushed when Down, else normal.
// Enable is the widget's own enabled flag: QWidget::setEnabled does the same.
// Over := True holds the hover look (unless pushed or disabled); Over := False
// returns a hover or pushed button without Down to normal.
//
// Hover is found by polling, not by leave events: a move over the button
// starts a 100 ms timer (from the button's TTimerSource), and each tick asks
// platform::GetCursorPosition whether the cursor is still inside (the
// button's screen rectangle, both edges included); the first tick that finds
// it gone returns the button to normal (unless Down or Over), stops the
// timer and calls OnMouseLeave. OnMouseEnter is called when a move brings the
// button from normal to hover. Only the combo box sets these two hooks.
//
// A click on a button whose `group` is 0 or more releases the other buttons
// of the same parent and group that are down; when there are such members,
// the clicked button then toggles Down with GroupUnDown, or else becomes
// Down. Without members (or with group -1) a click changes no Down. OnClick
// runs after that.
//
// User-interface thread only.
#pragma once

#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "platform/gui/timer_source.h"
#include "ui/control_pictures.h"
#include "ui/ibitmap.h"

namespace kestrune {

enum class TButtonState : uint8_t { Normal = 0, Disabled = 1, Hover = 2, Pushed = 3 };

class IBitmapButton : public ibitmap {
  Q_OBJECT
  Q_PROPERTY(QString PicDisableName READ PicDisableName WRITE SetPicDisableName)
  Q_PROPERTY(QString PicOverName READ PicOverName WRITE SetPicOverName)
  Q_PROPERTY(QString PicPushName READ PicPushName WRITE SetPicPushName)
  Q_PROPERTY(QString PicNormalName READ PicNormalName WRITE SetPicNormalName)
  Q_PROPERTY(int group READ group WRITE Setgroup)
  Q_PROPERTY(bool Enable READ Enable WRITE SetEnable)
  Q_PROPERTY(bool Down READ Down WRITE SetDown)
  Q_PROPERTY(bool GroupUnDown READ GroupUnDown WRITE SetGroupUnDown)
  Q_PROPERTY(bool Over READ Over WRITE SetOver)

 public:
  using TButtonHook = std::function<void(IBitmapButton& sender)>;

  // timers: the source of the hover timer; not owned, must outlive the
  // button; nullptr for the system's.
  explicit IBitmapButton(QWidget* parent = nullptr, TTimerSource* timers = nullptr);
  ~IBitmapButton() override;

  QString PicDisableName() const { return names_[0]; }
  void SetPicDisableName(const QString& value) { SetStatePicture(0, value); }
  QString PicOverName() const { return names_[1]; }
  void SetPicOverName(const QString& value) { SetStatePicture(1, value); }
  QString PicPushName() const { return names_[2]; }
  void SetPicPushName(const QString& value) { SetStatePicture(2, value); }
  QString PicNormalName() const { return picNormalName_; }
  void SetPicNormalName(const QString& value);
  int32_t group() const { return group_; }
  void Setgroup(int32_t value) { group_ = value; }
  bool Enable() const { return enable_; }
  void SetEnable(bool value);
  bool Down() const { return down_; }
  void SetDown(bool value);
  bool GroupUnDown() const { return groupUnDown_; }
  void SetGroupUnDown(bool value) { groupUnDown_ = value; }
  bool Over() const { return over_; }
  void SetOver(bool value);

  TButtonState ButtonState() const { return state_; }
  // The holders of the disabled, hover and pushed pictures (null before
  // their name is set).
  ibitmap* DisabledPicture() const { return holders_[0].get(); }
  ibitmap* OverPicture() const { return holders_[1].get(); }
  ibitmap* PushPicture() const { return holders_[2].get(); }
  // The hover timer runs from the first move inside until a tick finds the
  // cursor gone.
  bool HoverTimerRunning() const { return hoverTimer_->Enabled(); }
  void HoverTimerTick();

  TButtonHook OnMouseEnter;
  TButtonHook OnMouseLeave;

 protected:
  void MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int32_t x,
                 int32_t y) override;
  void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int32_t x, int32_t y) override;
  void MouseUp(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int32_t x,
               int32_t y) override;
  void Click() override;
  void changeEvent(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SetStatePicture(size_t slot, const QString& name);
  // Shows a state: the normal picture, or a holder as the overlay.
  void ShowState(TButtonState state);
  void ApplyEnable();
  bool Inside(QPoint global) const;
  // Leaving hover or pushed for normal, unless Down or Over holds it.
  void ReleaseLook();

  std::array<QString, 3> names_;                    // disabled, over, push
  std::array<std::unique_ptr<ibitmap>, 3> holders_;  // the same order
  QString picNormalName_;
  int32_t group_ = -1;
  bool enable_ = true;
  bool down_ = false;
  bool groupUnDown_ = false;
  bool over_ = false;
  TButtonState state_ = TButtonState::Normal;
  std::unique_ptr<TTimer> hoverTimer_;
};

// Gives a button the four faces of a picture of the list (a Button entry):
// disabled, over and push first, then the normal one.
void SetButtonPictures(IBitmapButton& button, TPicture picture);

}  // namespace kestrune
