#include "ui/ibitmap_button.h"

#include <QEvent>
#include <QPointer>

#include "platform/gui/cursor_position.h"

namespace kestrune {

namespace {

constexpr uint32_t kHoverIntervalMs = 100;

// The holder slot of a state's picture; -1 for normal.
int SlotOf(TButtonState state) {
  switch (state) {
    case TButtonState::Disabled: return 0;
    case TButtonState::Hover: return 1;
    case TButtonState::Pushed: return 2;
    default: return -1;
  }
}

bool HoverOrPushed(TButtonState state) { return state == TButtonState::Hover || state == TButtonState::Pushed; }

}  // namespace

IBitmapButton::IBitmapButton(QWidget* parent, TTimerSource* timers)
    : ibitmap(parent), hoverTimer_((timers != nullptr ? *timers : SystemTimerSource()).CreateTimer()) {
  hoverTimer_->SetInterval(kHoverIntervalMs);
  hoverTimer_->OnTimer = [this] { HoverTimerTick(); };
}

IBitmapButton::~IBitmapButton() { hoverTimer_->OnTimer = nullptr; }

void IBitmapButton::SetPicNormalName(const QString& value) {
  picNormalName_ = value;
  SetFileName(value);
  update();
}

void IBitmapButton::SetStatePicture(size_t slot, const QString& name) {
  names_[slot] = name;
  auto holder = std::make_unique<ibitmap>();
  holder->SetFileName(name);
  holder->move(pos());
  holder->SetDbitmap(Dbitmap());
  holders_[slot] = std::move(holder);
  // A state that shows this picture shows the new one.
  if (SlotOf(state_) == static_cast<int>(slot)) SetUbitmap(holders_[slot].get());
  update();
}

void IBitmapButton::ShowState(TButtonState state) {
  state_ = state;
  const int slot = SlotOf(state);
  SetUseDraw(slot < 0);
  SetUbitmap(slot < 0 ? nullptr : holders_[static_cast<size_t>(slot)].get());
}

void IBitmapButton::ApplyEnable() {
  if (enable_) {
    ShowState(down_ ? TButtonState::Pushed : TButtonState::Normal);
  } else {
    ShowState(TButtonState::Disabled);
  }
}

void IBitmapButton::SetEnable(bool value) {
  enable_ = value;
  setEnabled(value);  // changeEvent sees its own value
  ApplyEnable();
}

void IBitmapButton::changeEvent(QEvent* event) {
  ibitmap::changeEvent(event);
  if (event->type() != QEvent::EnabledChange) return;
  // The widget's own flag, not its parent's.
  const bool own = !testAttribute(Qt::WA_ForceDisabled);
  if (own == enable_) return;
  enable_ = own;
  ApplyEnable();
}

void IBitmapButton::SetDown(bool value) {
  down_ = value;
  if (value) {
    if (state_ != TButtonState::Pushed && state_ != TButtonState::Disabled) ShowState(TButtonState::Pushed);
  } else if (HoverOrPushed(state_) && !over_) {
    ShowState(TButtonState::Normal);
  }
}

void IBitmapButton::SetOver(bool value) {
  over_ = value;
  if (value) {
    if (state_ != TButtonState::Hover && state_ != TButtonState::Disabled) ShowState(TButtonState::Hover);
  } else if (HoverOrPushed(state_) && !down_) {
    ShowState(TButtonState::Normal);
  }
}

void IBitmapButton::ReleaseLook() {
  if (HoverOrPushed(state_) && !down_ && !over_) ShowState(TButtonState::Normal);
}

bool IBitmapButton::Inside(QPoint global) const {
  const QPoint topLeft = mapToGlobal(QPoint(0, 0));
  return global.x() >= topLeft.x() && global.x() <= topLeft.x() + width() && global.y() >= topLeft.y() &&
         global.y() <= topLeft.y() + height();
}

void IBitmapButton::MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int32_t x, int32_t y) {
  const bool inside = Inside(mapToGlobal(QPoint(x, y)));
  const QPointer<IBitmapButton> self(this);
  if (inside && state_ == TButtonState::Normal) {
    ShowState(TButtonState::Hover);
    if (OnMouseEnter) OnMouseEnter(*this);
    if (!self) return;
  }
  if (!hoverTimer_->Enabled()) {
    if (!inside) {
      SetOver(false);
    } else {
      hoverTimer_->SetEnabled(true);
    }
  }
  ibitmap::MouseMove(buttons, shift, x, y);
}

void IBitmapButton::HoverTimerTick() {
  platform::TPoint cursor;
  if (platform::GetCursorPosition(cursor) && Inside(QPoint(cursor.X, cursor.Y))) return;
  ReleaseLook();
  hoverTimer_->SetEnabled(false);
  if (OnMouseLeave) OnMouseLeave(*this);
}

void IBitmapButton::MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift,
                              int32_t x, int32_t y) {
  if (Inside(mapToGlobal(QPoint(x, y))) && state_ != TButtonState::Pushed && state_ != TButtonState::Disabled) {
    ShowState(TButtonState::Pushed);
  }
  ibitmap::MouseDown(button, buttons, shift, x, y);
}

void IBitmapButton::MouseUp(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift,
                            int32_t x, int32_t y) {
  ReleaseLook();
  ibitmap::MouseUp(button, buttons, shift, x, y);
}

void IBitmapButton::Click() {
  bool members = false;
  if (group_ >= 0 && parentWidget() != nullptr) {
    for (QObject* child : parentWidget()->children()) {
      auto* other = qobject_cast<IBitmapButton*>(child);
      if (other == nullptr || other == this || other->group_ != group_) continue;
      members = true;
      if (other->Down()) other->SetDown(false);
    }
  }
  if (members) {
    if (groupUnDown_) {
      SetDown(!down_);
    } else if (!down_) {
      SetDown(true);
    }
  }
  ibitmap::Click();
}

void SetButtonPictures(IBitmapButton& button, TPicture picture) {
  const auto name = [picture](TButtonFace face) { return QString::fromStdString(PictureFile(picture, face)); };
  button.SetPicDisableName(name(TButtonFace::Disable));
  button.SetPicOverName(name(TButtonFace::Over));
  button.SetPicPushName(name(TButtonFace::Push));
  button.SetPicNormalName(name(TButtonFace::Normal));
}

void IBitmapButton::moveEvent(QMoveEvent* event) {
  ibitmap::moveEvent(event);
  for (const auto& holder : holders_) {
    if (holder) holder->move(pos());
  }
}

void IBitmapButton::resizeEvent(QResizeEvent* event) {
  ibitmap::resizeEvent(event);
  for (const auto& holder : holders_) {
    if (holder) holder->move(pos());
  }
}

}  // namespace kestrune
