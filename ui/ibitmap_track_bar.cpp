#include "ui/ibitmap_track_bar.h"

#include <algorithm>

#include "ui/skin_geometry.h"

namespace kestrune {

IBitmapTrackBar::IBitmapTrackBar(QWidget* parent) : ibitmap(parent) {}

IBitmapTrackBar::~IBitmapTrackBar() { Unbind(); }

void IBitmapTrackBar::Unbind() {
  if (!track_) return;
  track_->OnMouseMove = nullptr;
  track_->OnMouseUp = nullptr;
}

void IBitmapTrackBar::SetITrack(IBitmapButton* value) {
  if (value != track_) Unbind();
  track_ = value;
  if (track_) {
    const QPointer<IBitmapTrackBar> self(this);
    // The thumb's moves and releases, in the track bar's co-ordinates.
    track_->OnMouseMove = [self](QWidget& thumb, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int32_t x,
                                 int32_t y) {
      if (!self) return;
      const int32_t atTrack = thumb.mapToGlobal(QPoint(x, y)).x() - self->mapToGlobal(QPoint(0, 0)).x();
      self->MouseMove(buttons, shift, atTrack, y);
    };
    track_->OnMouseUp = [self](QWidget& thumb, Qt::MouseButton button, Qt::MouseButtons buttons,
                               Qt::KeyboardModifiers shift, int32_t x, int32_t y) {
      if (!self) return;
      const int32_t atTrack = thumb.mapToGlobal(QPoint(x, y)).x() - self->mapToGlobal(QPoint(0, 0)).x();
      self->MouseUp(button, buttons, shift, atTrack, y);
    };
  }
  Setposition(position_);
}

int32_t IBitmapTrackBar::ThumbWidth() const { return track_ ? track_->width() : 0; }

void IBitmapTrackBar::Setposition(int32_t value) {
  if (value != position_) {
    position_ = std::max(std::min(value, max_), min_);
    const QPointer<IBitmapTrackBar> self(this);
    if (OnChange) OnChange(this);
    if (!self) return;
  }
  if (!track_) return;
  thumbOffset_ = skin::TrackThumbOffset(width(), offsetX_, ThumbWidth(), min_, max_, position_);
  PlaceThumb();
}

void IBitmapTrackBar::PlaceThumb() {
  if (!track_) return;
  const QPoint at(offsetX_ + thumbOffset_, offsetY_);
  QWidget* thumbParent = track_->parentWidget();
  if (thumbParent == parentWidget() || thumbParent == nullptr || parentWidget() == nullptr) {
    track_->move(pos() + at);
  } else {
    track_->move(thumbParent->mapFromGlobal(mapToGlobal(at)));
  }
}

void IBitmapTrackBar::DragTo(int32_t x) {
  Setposition(skin::TrackDragPosition(x, width(), offsetX_, ThumbWidth(), min_, max_));
}

void IBitmapTrackBar::MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift,
                                int32_t x, int32_t y) {
  if (button == Qt::LeftButton) DragTo(x);
  ibitmap::MouseDown(button, buttons, shift, x, y);
}

void IBitmapTrackBar::MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int32_t x, int32_t y) {
  if (buttons & Qt::LeftButton) DragTo(x);
  ibitmap::MouseMove(buttons, shift, x, y);
}

void IBitmapTrackBar::moveEvent(QMoveEvent* event) {
  ibitmap::moveEvent(event);
  PlaceThumb();
}

void IBitmapTrackBar::resizeEvent(QResizeEvent* event) {
  ibitmap::resizeEvent(event);
  PlaceThumb();
}

}  // namespace kestrune
