#include "ui/ilabel.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

#include "ui/ibitmap.h"

namespace kestrune {

ILabel::ILabel(QWidget* parent) : QWidget(parent) {
  watchedParent_ = parent;
  if (parent != nullptr) {
    parent->installEventFilter(this);
    parentSize_ = parent->size();
  }
}

void ILabel::Setanchors(int32_t value) {
  anchors_ = value;
  if (parentWidget() != nullptr) parentSize_ = parentWidget()->size();
}

ILabel::~ILabel() = default;

QFont ILabel::TextFont() const {
  QFont text = SkinTextFont(font());
  text.setStyleStrategy(smooth_ ? QFont::PreferAntialias : QFont::PreferDefault);
  return text;
}

void ILabel::FitToText() {
  const QSizeF measured = QFontMetricsF(TextFont()).size(0, text_);
  resize(static_cast<int>(std::nearbyint(measured.width())) + 1, static_cast<int>(std::nearbyint(measured.height())) + 1);
  update();
}

void ILabel::SetAutoSize(bool value) {
  if (value == autoSize_) return;
  autoSize_ = value;
  if (value) FitToText();
}

void ILabel::Setalign(int32_t value) {
  align_ = value;
  if (parentWidget() != nullptr) {
    parentSize_ = parentWidget()->size();
    FollowParent(parentSize_);
  }
}

void ILabel::SetTextAlign(int32_t value) {
  textAlign_ = value;
  update();
}

void ILabel::Settext(const QString& value) {
  text_ = value;
  if (autoSize_) FitToText();
  update();
}

void ILabel::Setsmooth(bool value) {
  smooth_ = value;
  update();
}

void ILabel::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::ParentChange) return;
  if (watchedParent_ != nullptr) watchedParent_->removeEventFilter(this);
  watchedParent_ = parentWidget();
  if (watchedParent_ != nullptr) {
    watchedParent_->installEventFilter(this);
    parentSize_ = watchedParent_->size();
  }
}

bool ILabel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == watchedParent_ && event->type() == QEvent::Resize) {
    // A resize while the parent was hidden arrives without its old size.
    FollowParent(parentSize_);
    parentSize_ = watchedParent_->size();
  }
  return false;
}

void ILabel::FollowParent(const QSize& before) {
  const QWidget* parent = parentWidget();
  if (parent == nullptr) return;
  const QSize now = parent->size();
  QRect box = geometry();
  switch (align_) {
    case AlignTop: box = QRect(0, 0, now.width(), box.height()); break;
    case AlignBottom: box = QRect(0, now.height() - box.height(), now.width(), box.height()); break;
    case AlignLeft: box = QRect(0, 0, box.width(), now.height()); break;
    case AlignRight: box = QRect(now.width() - box.width(), 0, box.width(), now.height()); break;
    case AlignClient: box = QRect(QPoint(0, 0), now); break;
    default: {
      if (!before.isValid()) return;
      const int dx = now.width() - before.width();
      const int dy = now.height() - before.height();
      if (anchors_ & AnchorRight) {
        if (anchors_ & AnchorLeft) {
          box.setWidth(std::max(0, box.width() + dx));
        } else {
          box.translate(dx, 0);
        }
      }
      if (anchors_ & AnchorBottom) {
        if (anchors_ & AnchorTop) {
          box.setHeight(std::max(0, box.height() + dy));
        } else {
          box.translate(0, dy);
        }
      }
      break;
    }
  }
  setGeometry(box);
}

void ILabel::paintEvent(QPaintEvent*) {
  if (text_.isEmpty()) return;
  QPainter painter(this);
  if (smooth_) {
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
  }
  painter.setFont(TextFont());
  QColor color = palette().color(QPalette::WindowText);
  color.setAlpha(255);
  painter.setPen(color);
  painter.drawText(rect(), static_cast<int>(StringAlignmentFlags(textAlign_) | Qt::AlignTop) | Qt::TextWordWrap, text_);
}

void ILabel::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton) clicking_ = true;
}

void ILabel::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  const bool click = clicking_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  if (event->button() == Qt::LeftButton) clicking_ = false;
  if (click && OnClick) OnClick(this);
}

}  // namespace kestrune
