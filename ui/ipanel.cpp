#include "ui/ipanel.h"

#include <QPainter>

#include "ui/tnt_graphic_control.h"

namespace kestrune {

namespace {

// One bevel one pixel wide inside `box`; the box shrinks by it.
void DrawBevel(QPainter& painter, QRect& box, int32_t bevel, const QPalette& palette) {
  if (bevel != BevelLowered && bevel != BevelRaised) return;
  const QColor topLeft = palette.color(bevel == BevelRaised ? QPalette::Light : QPalette::Dark);
  const QColor bottomRight = palette.color(bevel == BevelRaised ? QPalette::Dark : QPalette::Light);
  painter.setPen(topLeft);
  painter.drawLine(box.topLeft(), box.topRight());
  painter.drawLine(box.topLeft(), box.bottomLeft());
  painter.setPen(bottomRight);
  painter.drawLine(box.bottomLeft(), box.bottomRight());
  painter.drawLine(box.topRight(), box.bottomRight());
  box.adjust(1, 1, -1, -1);
}

}  // namespace

ipanel::ipanel(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void ipanel::SetCaption(const QString& value) {
  caption_ = value;
  update();
}

void ipanel::SetBevelInner(int32_t value) {
  bevelInner_ = value;
  update();
}

void ipanel::SetBevelOuter(int32_t value) {
  bevelOuter_ = value;
  update();
}

void ipanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  QRect box = rect();
  DrawBevel(painter, box, bevelOuter_, palette());
  DrawBevel(painter, box, bevelInner_, palette());
  if (!caption_.isEmpty()) {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(box, Qt::AlignCenter, caption_);
  }
}

IPanelGroup::IPanelGroup(QWidget* parent) : ipanel(parent) {}

void IPanelGroup::SetActivePage(ipanel* page) {
  if (page == nullptr) {
    activePage_ = nullptr;
    return;
  }
  if (page->parentWidget() != this) return;
  activePage_ = page;
  page->SetCaption(QString());
  page->SetBevelInner(BevelNone);
  page->SetBevelOuter(BevelNone);
  page->setGeometry(rect());
  page->raise();
  page->show();
  for (QObject* child : children()) {
    auto* other = qobject_cast<ipanel*>(child);
    if (other != nullptr && other != page && ShownByProgram(*other)) other->hide();
  }
}

void IPanelGroup::resizeEvent(QResizeEvent* event) {
  ipanel::resizeEvent(event);
  if (activePage_ && activePage_->parentWidget() == this) activePage_->setGeometry(rect());
}

}  // namespace kestrune
