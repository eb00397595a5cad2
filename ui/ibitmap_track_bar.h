// IBitmapTrackBar: the skinned track bar. Its own picture is the track; its
// thumb (ITrack) is an IBitmapButton beside it on the same parent, placed at
// the track's left + OffsetX + the thumb offset and its top + OffsetY.
//
// Writing `position` a value other than the current one clamps it to
// [Min, Max] (first to at most Max, then to at least Min), stores it and
// raises OnChange (also when the clamp gives back the old position); any
// write, the same value too, places the thumb again. The thumb offset, the
// position a press or a drag gives, and what a track without room does are
// ui/skin_geometry.h's.
//
// A press of the left button on the track moves the thumb to the pointer,
// and so does a move with the left button held; the thumb's own moves and
// releases are handed to the track bar (its OnMouseMove and OnMouseUp are
// bound when it becomes the thumb and unbound when another takes its place
// or the track bar goes). Without a thumb the track bar only stores and
// clamps `position` and raises OnChange. Min and Max are stored as they are
// written; the thumb follows at the next `position` write.
//
// User-interface thread only.
#pragma once

#include <QPointer>

#include "ui/ibitmap.h"
#include "ui/ibitmap_button.h"

namespace kestrune {

class IBitmapTrackBar : public ibitmap {
  Q_OBJECT
  Q_PROPERTY(kestrune::IBitmapButton* ITrack READ ITrack WRITE SetITrack)
  Q_PROPERTY(int OffsetX READ OffsetX WRITE SetOffsetX)
  Q_PROPERTY(int OffsetY READ OffsetY WRITE SetOffsetY)
  Q_PROPERTY(int Min READ Min WRITE SetMin)
  Q_PROPERTY(int Max READ Max WRITE SetMax)
  Q_PROPERTY(int position READ position WRITE Setposition)

 public:
  explicit IBitmapTrackBar(QWidget* parent = nullptr);
  ~IBitmapTrackBar() override;

  TNotifyEvent OnChange;

  IBitmapButton* ITrack() const { return track_; }
  // Binds the thumb's moves and releases and places it; the previous
  // thumb's are unbound. Null removes the thumb.
  void SetITrack(IBitmapButton* value);
  int32_t OffsetX() const { return offsetX_; }
  void SetOffsetX(int32_t value) { offsetX_ = value; }
  int32_t OffsetY() const { return offsetY_; }
  void SetOffsetY(int32_t value) { offsetY_ = value; }
  int32_t Min() const { return min_; }
  void SetMin(int32_t value) { min_ = value; }
  int32_t Max() const { return max_; }
  void SetMax(int32_t value) { max_ = value; }
  int32_t position() const { return position_; }
  void Setposition(int32_t value);

  int32_t ThumbOffset() const { return thumbOffset_; }

 protected:
  void MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int32_t x,
                 int32_t y) override;
  void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int32_t x, int32_t y) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The drag rule at x (the track bar's co-ordinate), with the left button.
  void DragTo(int32_t x);
  void PlaceThumb();
  void Unbind();
  int32_t ThumbWidth() const;

  QPointer<IBitmapButton> track_;
  int32_t offsetX_ = 0;
  int32_t offsetY_ = 0;
  int32_t min_ = 0;
  int32_t max_ = 100;
  int32_t position_ = 50;
  int32_t thumbOffset_ = 0;
};

}  // namespace kestrune
