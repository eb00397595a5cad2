// IComboBox: the combo box with a picture frame. Its `button`, an
// IBitmapButton beside it on the form (stacked below it), lends its picture:
// the combo box paints the button's current picture (its state's) over its
// own face at (ex, ey) of its own co-ordinates, leaving out the text field,
// so the picture covers the frame and the arrow but not the text. The combo
// box repaints it on every paint, with the button pushed while the list is
// open and back in its hover look (Over) when the list closes under the
// pointer.
//
// The button's hover hooks reach the combo box: entering the button sets its
// Over and leaving clears it (when the combo box is enabled), and a press on
// the button releases Over, pushes it down, opens the list (when enabled)
// and sets Over again. Another button, or none, unbinds the previous one; a
// button or combo box destroyed meanwhile calls nothing.
//
// Visible := False (and every show or hide, setVisible included) calls
// OnVisible with no sender after the visibility changed.
//
// User-interface thread only.
#pragma once

#include <QComboBox>
#include <QPointer>

#include "ui/ibitmap_button.h"

namespace kestrune {

class IComboBox : public QComboBox {
  Q_OBJECT
  Q_PROPERTY(bool Visible READ Visible WRITE setVisible)
  Q_PROPERTY(kestrune::IBitmapButton* button READ button WRITE Setbutton)
  Q_PROPERTY(int ex READ ex WRITE Setex)
  Q_PROPERTY(int ey READ ey WRITE Setey)

 public:
  explicit IComboBox(QWidget* parent = nullptr);
  ~IComboBox() override;

  TNotifyEvent OnVisible;

  // Shown by the program (whether its window is on the screen or not).
  bool Visible() const { return ShownByProgram(*this); }
  void setVisible(bool visible) override;
  IBitmapButton* button() const { return button_; }
  void Setbutton(IBitmapButton* value);
  int32_t ex() const { return ex_; }
  void Setex(int32_t value);
  int32_t ey() const { return ey_; }
  void Setey(int32_t value);

  // The press on the picture button.
  void ButtonMouseDown();
  // The text field as the paint leaves it out: left, top, right, bottom.
  TSkinRect ItemRect() const;
  bool ListDropped() const { return dropped_; }

  void showPopup() override;
  void hidePopup() override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void MouseOverButton(bool over);
  void Unbind();

  QPointer<IBitmapButton> button_;
  int32_t ex_ = 0;
  int32_t ey_ = 0;
  bool dropped_ = false;
};

}  // namespace kestrune
