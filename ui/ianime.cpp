#include "ui/ianime.h"

#include "core/find_files.h"
#include "platform/files.h"
#include "ui/control_image.h"

namespace kestrune {

namespace {

constexpr uint32_t kFrameIntervalMs = 100;

}  // namespace

IAnime::IAnime(QWidget* parent, TTimerSource* timers)
    : ibitmap(parent), timers_(timers != nullptr ? timers : &SystemTimerSource()) {}

IAnime::~IAnime() {
  if (timer_) timer_->OnTimer = nullptr;
}

void IAnime::Setfiles(const QString& value) {
  files_ = value;
  LoadFrames();
}

void IAnime::LoadFrames() {
  frames_.clear();
  const std::u16string prefix = skin::FileNamePart(files_.toStdU16String());
  std::vector<std::u16string> found;
  WideFindFiles(found, skin::ControlFolder(), prefix + u"*.png", kFaDirectory, false);
  frames_.reserve(found.size());
  for (const std::u16string& file : found) {
    frames_.push_back(skin::LoadControlImage(platform::ResolvePath(file)));
  }
}

void IAnime::Setanime(bool value) {
  if (value) {
    if (!timer_) {
      timer_ = timers_->CreateTimer();
      timer_->OnTimer = [this] { FrameTimerTick(); };
    }
    timer_->SetInterval(kFrameIntervalMs);
    timer_->SetEnabled(true);
  } else if (timer_) {
    timer_->SetEnabled(false);
  }
}

void IAnime::Setloop(bool value) {
  loop_ = value;
  Setanime(true);
}

void IAnime::FrameTimerTick() {
  ++frame_;
  if (frame_ >= FrameCount()) {
    frame_ = 0;
    if (!loop_ && timer_) timer_->SetEnabled(false);
  }
  if (frame_ >= 0 && frame_ < FrameCount()) SetPicture(frames_[static_cast<size_t>(frame_)]);
}

}  // namespace kestrune
