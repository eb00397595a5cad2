// The pictures the map view ships as resources, drawn here: the anchor icon
// beside a hovered word (normal, and inverted for the excluded-words view) and
// the cursor over empty map space. The images test compares the shipped files
// with these drawings and, with KESTRUNE_WRITE_IMAGES=<folder>, writes them.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace kestrune::test {

// 16 x 16: an anchor, dark blue on transparent; inverted, white on a grey
// rounded square.
inline QImage DrawAnchorIcon(bool inverted) {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  if (inverted) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(116, 116, 116));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 15.0, 15.0), 3.0, 3.0);
  }
  const QColor ink = inverted ? QColor(255, 255, 255) : QColor(40, 62, 140);
  QPen pen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(QPointF(8.0, 3.6), 1.7, 1.7);  // the ring
  painter.drawLine(QPointF(8.0, 5.4), QPointF(8.0, 13.2));  // the shank
  painter.drawLine(QPointF(5.2, 7.2), QPointF(10.8, 7.2));  // the stock
  QPainterPath arms;  // the arms, curving up to the flukes
  arms.moveTo(3.2, 9.4);
  arms.quadTo(3.6, 13.4, 8.0, 13.4);
  arms.quadTo(12.4, 13.4, 12.8, 9.4);
  painter.drawPath(arms);
  painter.setBrush(ink);
  painter.setPen(Qt::NoPen);
  const QPointF left[] = {QPointF(1.8, 10.6), QPointF(3.2, 8.0), QPointF(4.8, 10.4)};
  const QPointF right[] = {QPointF(14.2, 10.6), QPointF(12.8, 8.0), QPointF(11.2, 10.4)};
  painter.drawPolygon(left, 3);
  painter.drawPolygon(right, 3);
  painter.end();
  return image;
}

// 32 x 32: a text beam with a small plus sign; the hot spot is the beam's
// middle (8, 15).
inline QImage DrawAddTextCursor() {
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, false);
  auto beam = [&](const QColor& colour, int grow) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRect(QRect(5 - grow, 6 - grow, 7 + 2 * grow, 2 + 2 * grow));    // top serif
    painter.drawRect(QRect(7 - grow, 7 - grow, 2 + 2 * grow, 17 + 2 * grow));   // stem
    painter.drawRect(QRect(5 - grow, 23 - grow, 7 + 2 * grow, 2 + 2 * grow));   // bottom serif
    painter.drawRect(QRect(19 - grow, 21 - grow, 8 + 2 * grow, 2 + 2 * grow));  // plus, across
    painter.drawRect(QRect(22 - grow, 18 - grow, 2 + 2 * grow, 8 + 2 * grow));  // plus, down
  };
  beam(QColor(255, 255, 255), 1);
  beam(QColor(0, 0, 0), 0);
  painter.end();
  return image;
}

}  // namespace kestrune::test
