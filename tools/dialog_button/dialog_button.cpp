// Draws the glyph of the project dialogs' import button, the raw-data
// resource "DIALOGBUTTON": a 16 x 16 picture of an arrow going down into a
// tray, in the skin's colours, written as a PNG file:
//   kestrune_dialog_button <output file>
// Drawn from shapes only; the same build draws the same bytes every time.
// The program carries the picture as ui/resources/dialog_button.png; run the
// tool again to redraw it.
#include <QColorSpace>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kestrune_dialog_button <output file>\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  image.setDotsPerMeterX(3780);
  image.setDotsPerMeterY(3780);
  image.setColorSpace(QColorSpace(QColorSpace::SRgb));
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor face(0x3D, 0x6B, 0xA3);
    const QColor accent(0xF2, 0xA6, 0x2B);
    // The tray.
    QPen tray(face, 2.0);
    tray.setJoinStyle(Qt::MiterJoin);
    p.setPen(tray);
    p.drawPolyline(QPolygonF({QPointF(2, 10), QPointF(2, 14), QPointF(14, 14), QPointF(14, 10)}));
    // The arrow.
    QPainterPath arrow;
    arrow.moveTo(6.5, 1);
    arrow.lineTo(9.5, 1);
    arrow.lineTo(9.5, 6);
    arrow.lineTo(12.5, 6);
    arrow.lineTo(8, 11.5);
    arrow.lineTo(3.5, 6);
    arrow.lineTo(6.5, 6);
    arrow.closeSubpath();
    p.setPen(QPen(face.darker(140), 1.0));
    p.setBrush(accent);
    p.drawPath(arrow);
  }
  if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
