#include "ui/iprogress_bar.h"

#include <QBrush>
#include <QPainter>

#include "ui/skin_geometry.h"

namespace kestrune {

IProgressBar::IProgressBar(QWidget* parent) : QProgressBar(parent), fill_(std::make_unique<ibitmap>()) {}

IProgressBar::~IProgressBar() = default;

void IProgressBar::SetbuttonP(const QString& value) {
  buttonP_ = value;
  fill_->SetFileName(value);
  update();
}

int32_t IProgressBar::FillWidth() const { return skin::ProgressFillWidth(width(), value(), maximum()); }

void IProgressBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (button_) button_->PaintToGraphics(painter, ex_, ey_);
  const QImage& texture = fill_->Picture();
  if (texture.isNull()) return;
  painter.fillRect(QRect(0, 0, FillWidth(), texture.height()), QBrush(texture));
}

}  // namespace kestrune
