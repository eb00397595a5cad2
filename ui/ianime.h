// IAnime: a frame animation on an ibitmap. `files` names the frames by their
// common prefix: every "<prefix>*.png" of the folder "controls/en/" (as
// ui/control_image.h finds it), listed by WideFindFiles (sorted by name, so
// numbered frames need their leading zeros), one frame per file (a frame
// that cannot be read is empty).
//
// While `anime` is on, a 100 ms timer (from the control's TTimerSource)
// steps to the next frame and shows it; after the last frame it shows frame
// 0 again and, unless `loop` is set, stops there. So a plain animation plays
// once and ends on its first frame. Writing `loop` (True or False) starts
// the animation; `anime` := False stops it where it is; writing `frame`
// moves the index only (the picture changes at the next step). A prefix
// without files gives no frames: the picture never changes.
//
// User-interface thread only.
#pragma once

#include <QImage>
#include <QString>
#include <memory>
#include <vector>

#include "platform/gui/timer_source.h"
#include "ui/ibitmap.h"

namespace kestrune {

class IAnime : public ibitmap {
  Q_OBJECT
  Q_PROPERTY(bool loop READ loop WRITE Setloop)
  Q_PROPERTY(QString files READ files WRITE Setfiles)
  Q_PROPERTY(bool anime READ anime WRITE Setanime)
  Q_PROPERTY(int frame READ frame WRITE Setframe)

 public:
  // timers: the source of the frame timer; not owned, must outlive the
  // control; nullptr for the system's.
  explicit IAnime(QWidget* parent = nullptr, TTimerSource* timers = nullptr);
  ~IAnime() override;

  bool loop() const { return loop_; }
  void Setloop(bool value);
  QString files() const { return files_; }
  void Setfiles(const QString& value);
  bool anime() const { return timer_ && timer_->Enabled(); }
  void Setanime(bool value);
  int32_t frame() const { return frame_; }
  void Setframe(int32_t value) { frame_ = value; }

  int32_t FrameCount() const { return static_cast<int32_t>(frames_.size()); }
  const QImage& Frame(int32_t index) const { return frames_.at(static_cast<size_t>(index)); }
  void FrameTimerTick();

 private:
  void LoadFrames();

  bool loop_ = false;
  QString files_;
  int32_t frame_ = 0;
  std::vector<QImage> frames_;
  TTimerSource* timers_;
  std::unique_ptr<TTimer> timer_;
};

}  // namespace kestrune
