#include "ui/icombo_box.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>

namespace kestrune {

IComboBox::IComboBox(QWidget* parent) : QComboBox(parent) {}

IComboBox::~IComboBox() { Unbind(); }

void IComboBox::setVisible(bool visible) {
  QComboBox::setVisible(visible);
  if (OnVisible) OnVisible(nullptr);
}

void IComboBox::Unbind() {
  if (!button_) return;
  button_->OnMouseEnter = nullptr;
  button_->OnMouseLeave = nullptr;
  button_->OnMouseDown = nullptr;
}

void IComboBox::Setbutton(IBitmapButton* value) {
  if (value != button_) Unbind();
  button_ = value;
  if (button_) {
    const QPointer<IComboBox> self(this);
    button_->OnMouseEnter = [self](IBitmapButton&) {
      if (self) self->MouseOverButton(true);
    };
    button_->OnMouseLeave = [self](IBitmapButton&) {
      if (self) self->MouseOverButton(false);
    };
    button_->OnMouseDown = [self](QWidget&, Qt::MouseButton, Qt::MouseButtons, Qt::KeyboardModifiers, int32_t,
                                  int32_t) {
      if (self) self->ButtonMouseDown();
    };
  }
  update();
}

void IComboBox::Setex(int32_t value) {
  ex_ = value;
  update();
}

void IComboBox::Setey(int32_t value) {
  ey_ = value;
  update();
}

void IComboBox::MouseOverButton(bool over) {
  if (!isEnabled() || !button_) return;
  button_->SetOver(over);
  update();
}

void IComboBox::ButtonMouseDown() {
  if (!button_) return;
  const QPointer<IBitmapButton> button = button_;
  button->SetOver(false);
  button->SetDown(true);
  if (isEnabled()) showPopup();
  update();
  if (button) button->SetOver(true);
}

void IComboBox::showPopup() {
  dropped_ = true;
  QComboBox::showPopup();
}

void IComboBox::hidePopup() {
  dropped_ = false;
  QComboBox::hidePopup();
}

TSkinRect IComboBox::ItemRect() const {
  QStyleOptionComboBox option;
  initStyleOption(&option);
  const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  return {field.left(), field.top(), field.left() + field.width(), field.top() + field.height()};
}

void IComboBox::paintEvent(QPaintEvent* event) {
  QComboBox::paintEvent(event);
  if (!button_) return;
  if (dropped_) {
    button_->SetDown(true);
  } else if (button_->Over()) {
    button_->SetOver(true);
    button_->SetDown(false);
  }
  QPainter painter(this);
  const TSkinRect item = ItemRect();
  button_->PaintToDC(painter, TSkinRect{ex_, ey_, button_->width(), button_->height()}, &item);
}

}  // namespace kestrune
