// Draws the pictures of the skinned controls and writes them as PNG files
// into the folder given on the command line:
//   kestrune_control_images <folder>
// The names, kinds and sizes come from the one list, ui/control_pictures.h;
// each entry has its drawing here (a picture without one stops the tool).
// Everything is drawn from shapes and our own texts; nothing is read. The
// same build draws the same bytes every time (no clock, no randomness, no
// colour profile but the sRGB tag).
#include <QColorSpace>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <string>

#include "ui/control_pictures.h"

namespace kestrune::tools {
namespace {

// The skin's colours.
const QColor kInk(0x1E, 0x2B, 0x3A);
const QColor kPlateTop(0x3C, 0x5A, 0x7D);
const QColor kPlateBottom(0x24, 0x3A, 0x55);
const QColor kFaceTop(0x6E, 0x9C, 0xCF);
const QColor kFaceBottom(0x3D, 0x6B, 0xA3);
const QColor kGlyph(0xFF, 0xFF, 0xFF);
const QColor kAccent(0xF2, 0xA6, 0x2B);
const QColor kRed(0xD8, 0x3B, 0x32);

constexpr double kPi = std::numbers::pi;

QImage NewPicture(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  image.setDotsPerMeterX(3780);
  image.setDotsPerMeterY(3780);
  image.setColorSpace(QColorSpace(QColorSpace::SRgb));
  return image;
}

void Smooth(QPainter& p) {
  p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
}

QFont TextFont(int pixels, bool bold) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

// ---- glyphs: drawn into a square box ----

using TGlyph = std::function<void(QPainter& p, const QRectF& box, const QColor& color)>;

QPen Stroke(const QColor& color, double width) {
  QPen pen(color, width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

void Arrow(QPainter& p, QPointF tip, double angle, double size, const QColor& color) {
  QPainterPath head;
  head.moveTo(tip);
  head.lineTo(tip + QPointF(std::cos(angle + 2.6) * size, std::sin(angle + 2.6) * size));
  head.lineTo(tip + QPointF(std::cos(angle - 2.6) * size, std::sin(angle - 2.6) * size));
  head.closeSubpath();
  p.fillPath(head, color);
}

void CircleArrow(QPainter& p, const QRectF& box, const QColor& color, double start, double span) {
  const QRectF ring = box.adjusted(box.width() * 0.18, box.height() * 0.18, -box.width() * 0.18, -box.height() * 0.18);
  p.setPen(Stroke(color, box.width() * 0.11));
  p.setBrush(Qt::NoBrush);
  p.drawArc(ring, static_cast<int>(start * 16), static_cast<int>(span * 16));
  const double end = (start + span) * kPi / 180.0;
  const QPointF c = ring.center();
  const QPointF tip(c.x() + std::cos(end) * ring.width() / 2, c.y() - std::sin(end) * ring.height() / 2);
  const double tangent = -end - (span > 0 ? kPi / 2 : -kPi / 2);
  Arrow(p, tip + QPointF(std::cos(tangent), std::sin(tangent)) * box.width() * 0.08, tangent, box.width() * 0.28,
        color);
}

void Envelope(QPainter& p, const QRectF& box, const QColor& color) {
  const QRectF body = box.adjusted(box.width() * 0.1, box.height() * 0.25, -box.width() * 0.1, -box.height() * 0.2);
  p.setPen(Stroke(color, box.width() * 0.08));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(body, 1.5, 1.5);
  QPainterPath flap;
  flap.moveTo(body.topLeft());
  flap.lineTo(body.center().x(), body.center().y() + body.height() * 0.1);
  flap.lineTo(body.topRight());
  p.drawPath(flap);
}

void Printer(QPainter& p, const QRectF& box, const QColor& color) {
  const double w = box.width();
  p.setPen(Stroke(color, w * 0.07));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(box.left() + w * 0.28, box.top() + w * 0.12, w * 0.44, w * 0.25));
  p.drawRoundedRect(QRectF(box.left() + w * 0.1, box.top() + w * 0.37, w * 0.8, w * 0.33), 2, 2);
  p.fillRect(QRectF(box.left() + w * 0.28, box.top() + w * 0.6, w * 0.44, w * 0.28), color);
}

void Star(QPainter& p, const QRectF& box, const QColor& color, int points, double inner) {
  QPainterPath star;
  const QPointF c = box.center();
  const double outer = box.width() * 0.45;
  for (int i = 0; i < 2 * points; ++i) {
    const double r = i % 2 == 0 ? outer : outer * inner;
    const double a = -kPi / 2 + i * kPi / points;
    const QPointF at(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
    if (i == 0) {
      star.moveTo(at);
    } else {
      star.lineTo(at);
    }
  }
  star.closeSubpath();
  p.fillPath(star, color);
}

void Magnifier(QPainter& p, const QRectF& box, const QColor& color) {
  const double w = box.width();
  p.setPen(Stroke(color, w * 0.12));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(box.left() + w * 0.12, box.top() + w * 0.12, w * 0.5, w * 0.5));
  p.drawLine(QPointF(box.left() + w * 0.56, box.top() + w * 0.56), QPointF(box.left() + w * 0.86, box.top() + w * 0.86));
}

void Nodes(QPainter& p, const QRectF& box, const QColor& color, bool minus) {
  const double w = box.width();
  const QPointF a(box.left() + w * 0.22, box.top() + w * 0.3);
  const QPointF b(box.left() + w * 0.78, box.top() + w * 0.25);
  const QPointF c(box.left() + w * 0.5, box.top() + w * 0.78);
  p.setPen(Stroke(color, w * 0.07));
  p.drawLine(a, b);
  p.drawLine(b, c);
  p.drawLine(c, a);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  for (const QPointF& n : {a, b, c}) p.drawEllipse(n, w * 0.12, w * 0.12);
  if (minus) {
    p.setBrush(kRed);
    p.drawEllipse(QPointF(box.left() + w * 0.78, box.top() + w * 0.72), w * 0.2, w * 0.2);
    p.setPen(Stroke(kGlyph, w * 0.08));
    p.drawLine(QPointF(box.left() + w * 0.68, box.top() + w * 0.72), QPointF(box.left() + w * 0.88, box.top() + w * 0.72));
  }
}

void Folder(QPainter& p, const QRectF& box, const QColor& color) {
  const double w = box.width();
  QPainterPath folder;
  folder.moveTo(box.left() + w * 0.08, box.top() + w * 0.25);
  folder.lineTo(box.left() + w * 0.38, box.top() + w * 0.25);
  folder.lineTo(box.left() + w * 0.46, box.top() + w * 0.34);
  folder.lineTo(box.left() + w * 0.92, box.top() + w * 0.34);
  folder.lineTo(box.left() + w * 0.92, box.top() + w * 0.8);
  folder.lineTo(box.left() + w * 0.08, box.top() + w * 0.8);
  folder.closeSubpath();
  p.fillPath(folder, color);
}

TGlyph GlyphOf(TPicture id) {
  switch (id) {
    case TPicture::NewQuery:
      return [](QPainter& p, const QRectF& b, const QColor& c) {
        const double w = b.width();
        p.setPen(Stroke(c, w * 0.08));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(b.left() + w * 0.2, b.top() + w * 0.1, w * 0.5, w * 0.72));
        p.setPen(Stroke(kAccent, w * 0.12));
        p.drawLine(QPointF(b.left() + w * 0.72, b.top() + w * 0.5), QPointF(b.left() + w * 0.72, b.top() + w * 0.9));
        p.drawLine(QPointF(b.left() + w * 0.52, b.top() + w * 0.7), QPointF(b.left() + w * 0.92, b.top() + w * 0.7));
      };
    case TPicture::OpenProject:
    case TPicture::ProjectManager:
      return [id](QPainter& p, const QRectF& b, const QColor& c) {
        Folder(p, b, c);
        if (id == TPicture::ProjectManager) {
          const double w = b.width();
          p.setPen(Stroke(kInk, w * 0.06));
          p.drawLine(QPointF(b.left() + w * 0.3, b.top() + w * 0.48), QPointF(b.left() + w * 0.3, b.top() + w * 0.7));
          p.drawLine(QPointF(b.left() + w * 0.3, b.top() + w * 0.7), QPointF(b.left() + w * 0.7, b.top() + w * 0.7));
          p.drawLine(QPointF(b.left() + w * 0.3, b.top() + w * 0.55), QPointF(b.left() + w * 0.6, b.top() + w * 0.55));
        }
      };
    case TPicture::SaveProject:
      return [](QPainter& p, const QRectF& b, const QColor& c) {
        const double w = b.width();
        const QRectF disk = b.adjusted(w * 0.14, w * 0.14, -w * 0.14, -w * 0.14);
        p.fillRect(disk, c);
        p.fillRect(QRectF(disk.left() + w * 0.15, disk.top(), w * 0.4, w * 0.22), kInk);
        p.fillRect(QRectF(disk.left() + w * 0.1, disk.top() + w * 0.4, disk.width() - w * 0.2, w * 0.28), kFaceBottom);
      };
    case TPicture::Undo:
      return [](QPainter& p, const QRectF& b, const QColor& c) { CircleArrow(p, b, c, 20, 220); };
    case TPicture::Redo:
      return [](QPainter& p, const QRectF& b, const QColor& c) { CircleArrow(p, b, c, 160, -220); };
    case TPicture::Refresh:
      return [](QPainter& p, const QRectF& b, const QColor& c) { CircleArrow(p, b, c, 90, 290); };
    case TPicture::FullRefresh:
      return [](QPainter& p, const QRectF& b, const QColor& c) {
        CircleArrow(p, b, c, 90, 150);
        CircleArrow(p, b, c, 270, 150);
      };
    case TPicture::Stop:
      return [](QPainter& p, const QRectF& b, const QColor&) {
        QPainterPath octagon;
        const QPointF c = b.center();
        for (int i = 0; i < 8; ++i) {
          const double a = kPi / 8 + i * kPi / 4;
          const QPointF at(c.x() + b.width() * 0.42 * std::cos(a), c.y() + b.width() * 0.42 * std::sin(a));
          if (i == 0) {
            octagon.moveTo(at);
          } else {
            octagon.lineTo(at);
          }
        }
        octagon.closeSubpath();
        p.fillPath(octagon, kRed);
        p.fillRect(QRectF(c.x() - b.width() * 0.22, c.y() - b.width() * 0.06, b.width() * 0.44, b.width() * 0.12),
                   kGlyph);
      };
    case TPicture::QueryView:
      return [](QPainter& p, const QRectF& b, const QColor& c) { Nodes(p, b, c, false); };
    case TPicture::ExcludedView:
      return [](QPainter& p, const QRectF& b, const QColor& c) { Nodes(p, b, c, true); };
    case TPicture::Options:
      return [](QPainter& p, const QRectF& b, const QColor& c) {
        const QPointF center = b.center();
        const double w = b.width();
        QPainterPath gear;
        for (int i = 0; i < 16; ++i) {
          const double r = (i % 2 == 0 ? 0.44 : 0.33) * w;
          const double a0 = i * kPi / 8 - kPi / 16;
          const double a1 = i * kPi / 8 + kPi / 16;
          const QPointF p0(center.x() + r * std::cos(a0), center.y() + r * std::sin(a0));
          const QPointF p1(center.x() + r * std::cos(a1), center.y() + r * std::sin(a1));
          if (i == 0) {
            gear.moveTo(p0);
          } else {
            gear.lineTo(p0);
          }
          gear.lineTo(p1);
        }
        gear.closeSubpath();
        gear.addEllipse(center, w * 0.14, w * 0.14);
        gear.setFillRule(Qt::OddEvenFill);
        p.fillPath(gear, c);
      };
    case TPicture::Help:
      return [](QPainter& p, const QRectF& b, const QColor& c) {
        const double w = b.width();
        p.setPen(Stroke(c, w * 0.08));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(b.adjusted(w * 0.1, w * 0.1, -w * 0.1, -w * 0.1));
        p.setFont(TextFont(static_cast<int>(w * 0.58), true));
        p.drawText(b, Qt::AlignCenter, QStringLiteral("?"));
      };
    case TPicture::PrintPage:
      return [](QPainter& p, const QRectF& b, const QColor& c) { Printer(p, b, c); };
    case TPicture::PrintMap:
      return [](QPainter& p, const QRectF& b, const QColor& c) {
        Printer(p, b, c);
        const double w = b.width();
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawEllipse(QPointF(b.left() + w * 0.4, b.top() + w * 0.72), w * 0.06, w * 0.06);
        p.drawEllipse(QPointF(b.left() + w * 0.6, b.top() + w * 0.8), w * 0.06, w * 0.06);
      };
    case TPicture::MailMap:
      return [](QPainter& p, const QRectF& b, const QColor& c) {
        Envelope(p, b, c);
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawEllipse(QPointF(b.left() + b.width() * 0.78, b.top() + b.width() * 0.74), b.width() * 0.13,
                      b.width() * 0.13);
      };
    case TPicture::MailPage:
      return [](QPainter& p, const QRectF& b, const QColor& c) { Envelope(p, b, c); };
    case TPicture::TellFriend:
      return [](QPainter& p, const QRectF& b, const QColor& c) {
        Envelope(p, b, c);
        Star(p, QRectF(b.left() + b.width() * 0.55, b.top() + b.width() * 0.5, b.width() * 0.45, b.width() * 0.45),
             kAccent, 5, 0.45);
      };
    case TPicture::ShowRemovedLinks:
      return [](QPainter& p, const QRectF& b, const QColor& c) {
        const double w = b.width();
        p.setPen(Stroke(c, w * 0.1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(b.left() + w * 0.08, b.top() + w * 0.35, w * 0.45, w * 0.3), w * 0.15, w * 0.15);
        p.drawRoundedRect(QRectF(b.left() + w * 0.47, b.top() + w * 0.35, w * 0.45, w * 0.3), w * 0.15, w * 0.15);
        p.setPen(Stroke(kRed, w * 0.12));
        p.drawLine(QPointF(b.left() + w * 0.2, b.top() + w * 0.15), QPointF(b.left() + w * 0.8, b.top() + w * 0.85));
      };
    case TPicture::ShowHiddenSites:
      return [](QPainter& p, const QRectF& b, const QColor& c) {
        const double w = b.width();
        QPainterPath eye;
        eye.moveTo(b.left() + w * 0.06, b.center().y());
        eye.quadTo(b.center().x(), b.top() + w * 0.05, b.right() - w * 0.06, b.center().y());
        eye.quadTo(b.center().x(), b.bottom() - w * 0.05, b.left() + w * 0.06, b.center().y());
        p.setPen(Stroke(c, w * 0.08));
        p.setBrush(Qt::NoBrush);
        p.drawPath(eye);
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawEllipse(b.center(), w * 0.14, w * 0.14);
        p.setPen(Stroke(kRed, w * 0.1));
        p.drawLine(QPointF(b.left() + w * 0.15, b.bottom() - w * 0.15), QPointF(b.right() - w * 0.15, b.top() + w * 0.15));
      };
    case TPicture::ShowNewLinks:
      return [](QPainter& p, const QRectF& b, const QColor&) { Star(p, b, kAccent, 8, 0.62); };
    case TPicture::ShowOldLinks:
      return [](QPainter& p, const QRectF& b, const QColor& c) {
        const double w = b.width();
        p.setPen(Stroke(c, w * 0.09));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(b.adjusted(w * 0.1, w * 0.1, -w * 0.1, -w * 0.1));
        p.drawLine(b.center(), QPointF(b.center().x(), b.top() + w * 0.25));
        p.drawLine(b.center(), QPointF(b.center().x() + w * 0.2, b.center().y() + w * 0.1));
      };
    case TPicture::ShowFavorites:
      return [](QPainter& p, const QRectF& b, const QColor&) { Star(p, b, kAccent, 5, 0.45); };
    case TPicture::ShowStopWords:
      return [](QPainter& p, const QRectF& b, const QColor& c) {
        const double w = b.width();
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawEllipse(b.adjusted(w * 0.08, w * 0.08, -w * 0.08, -w * 0.08));
        p.fillRect(QRectF(b.left() + w * 0.25, b.center().y() - w * 0.07, w * 0.5, w * 0.14), c);
      };
    case TPicture::Search:
    case TPicture::Search2:
      return [](QPainter& p, const QRectF& b, const QColor& c) { Magnifier(p, b, c); };
    default:
      return nullptr;
  }
}

// ---- buttons ----

struct TFace {
  QColor top;
  QColor bottom;
  QColor border;
  QColor glyph;
  double shift;   // the face sinks when pushed
  double halo;    // the hover glow's width
};

TFace FaceOf(TButtonFace face) {
  switch (face) {
    case TButtonFace::Over: return {kFaceTop.lighter(118), kFaceBottom.lighter(118), kAccent, kGlyph, 0, 1.6};
    case TButtonFace::Push: return {kFaceBottom.darker(115), kFaceTop.darker(105), kInk, kGlyph, 1, 0};
    case TButtonFace::Disable:
      return {QColor(0xA9, 0xB2, 0xBC), QColor(0x86, 0x90, 0x9B), QColor(0x6E, 0x77, 0x80), QColor(0xD5, 0xD9, 0xDE), 0, 0};
    default: return {kFaceTop, kFaceBottom, kInk, kGlyph, 0, 0};
  }
}

// A rounded face with the glyph at its left (a square button: in the middle).
QImage DrawButton(const TControlPicture& picture, TButtonFace which) {
  const TFace face = FaceOf(which);
  QImage image = NewPicture(picture.Width, picture.Height);
  QPainter p(&image);
  Smooth(p);
  const QRectF body = QRectF(0.5, 0.5, picture.Width - 1.0, picture.Height - 1.0).translated(0, face.shift);
  const double radius = std::min(body.height(), body.width()) * 0.32;
  if (face.halo > 0) {
    p.setPen(QPen(QColor(kAccent.red(), kAccent.green(), kAccent.blue(), 110), face.halo * 2));
    p.drawRoundedRect(body.adjusted(1, 1, -1, -1), radius, radius);
  }
  QLinearGradient fill(body.topLeft(), body.bottomLeft());
  fill.setColorAt(0, face.top);
  fill.setColorAt(1, face.bottom);
  p.setPen(QPen(face.border, 1));
  p.setBrush(fill);
  p.drawRoundedRect(body.adjusted(face.halo, face.halo, -face.halo, -face.halo), radius, radius);
  // The shine on the upper half.
  QLinearGradient shine(body.topLeft(), QPointF(body.left(), body.center().y()));
  shine.setColorAt(0, QColor(255, 255, 255, which == TButtonFace::Push ? 20 : 70));
  shine.setColorAt(1, QColor(255, 255, 255, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(shine);
  p.drawRoundedRect(body.adjusted(2, 2, -2, -body.height() / 2), radius * 0.7, radius * 0.7);
  if (const TGlyph glyph = GlyphOf(picture.Id)) {
    const double side = body.height() - 8;
    const double left = picture.Width <= picture.Height + 2 ? body.center().x() - side / 2 : body.left() + 6;
    if (which == TButtonFace::Disable) p.setOpacity(0.55);
    glyph(p, QRectF(left, body.top() + 4, side, side), face.glyph);
  }
  return image;
}

// The combo boxes' frame: a rounded border with the drop-down arrow at the
// right; the middle (where the text stands) is left clear.
QImage DrawComboFrame(const TControlPicture& picture, TButtonFace which) {
  const TFace face = FaceOf(which);
  QImage image = NewPicture(picture.Width, picture.Height);
  QPainter p(&image);
  Smooth(p);
  const QRectF body(1, 1, picture.Width - 2.0, picture.Height - 2.0);
  const double radius = body.height() * 0.3;
  QPainterPath frame;
  frame.addRoundedRect(body, radius, radius);
  QPainterPath inside;
  inside.addRoundedRect(body.adjusted(4, 3, -body.height() - 2, -3), 2, 2);
  QLinearGradient fill(body.topLeft(), body.bottomLeft());
  fill.setColorAt(0, face.top);
  fill.setColorAt(1, face.bottom);
  p.fillPath(frame.subtracted(inside), fill);
  p.setPen(QPen(face.border, 1));
  p.setBrush(Qt::NoBrush);
  p.drawPath(frame);
  if (face.halo > 0) {
    p.setPen(QPen(kAccent, 1));
    p.drawPath(inside);
  }
  // The arrow.
  const double cx = body.right() - body.height() / 2 - 1 + face.shift;
  const double cy = body.center().y() + face.shift;
  QPainterPath arrow;
  arrow.moveTo(cx - 5, cy - 2);
  arrow.lineTo(cx + 5, cy - 2);
  arrow.lineTo(cx, cy + 4);
  arrow.closeSubpath();
  p.fillPath(arrow, face.glyph);
  return image;
}

QImage DrawThumb(const TControlPicture& picture, TButtonFace which) {
  const TFace face = FaceOf(which);
  QImage image = NewPicture(picture.Width, picture.Height);
  QPainter p(&image);
  Smooth(p);
  const QRectF body(0.5, 0.5, picture.Width - 1.0, picture.Height - 1.0);
  QLinearGradient fill(body.topLeft(), body.topRight());
  fill.setColorAt(0, face.top.lighter(115));
  fill.setColorAt(1, face.bottom);
  p.setPen(QPen(which == TButtonFace::Over ? kAccent : face.border, 1));
  p.setBrush(fill);
  p.drawRoundedRect(body, 3, 3);
  p.setPen(QPen(QColor(255, 255, 255, 150), 1));
  for (int i = 0; i < 3; ++i) {
    const double y = body.center().y() - 3 + 3 * i;
    p.drawLine(QPointF(body.left() + 3, y), QPointF(body.right() - 3, y));
  }
  return image;
}

// ---- single pictures ----

QImage DrawTrack(const TControlPicture& picture) {
  QImage image = NewPicture(picture.Width, picture.Height);
  QPainter p(&image);
  Smooth(p);
  const double cy = picture.Height / 2.0;
  const QRectF groove(4, cy - 2.5, picture.Width - 8.0, 5);
  p.setPen(QPen(kInk, 1));
  QLinearGradient fill(groove.topLeft(), groove.bottomLeft());
  fill.setColorAt(0, QColor(0x15, 0x20, 0x2C));
  fill.setColorAt(1, QColor(0x4A, 0x62, 0x7E));
  p.setBrush(fill);
  p.drawRoundedRect(groove, 2.5, 2.5);
  p.setPen(QPen(QColor(0xC8, 0xD6, 0xE6), 1));
  const int ticks = picture.Width >= 100 ? 10 : 4;
  for (int i = 0; i <= ticks; ++i) {
    const double x = std::round(10 + (picture.Width - 20.0) * i / ticks) + 0.5;
    p.drawLine(QPointF(x, cy + 5), QPointF(x, cy + (i % (ticks / 2) == 0 ? 9 : 7)));
  }
  return image;
}

QImage DrawPlate(const TControlPicture& picture, const QColor& top, const QColor& bottom) {
  QImage image = NewPicture(picture.Width, picture.Height);
  QPainter p(&image);
  QLinearGradient fill(0, 0, 0, picture.Height);
  fill.setColorAt(0, top);
  fill.setColorAt(1, bottom);
  p.fillRect(image.rect(), fill);
  p.setPen(QColor(255, 255, 255, 60));
  p.drawLine(0, 0, picture.Width - 1, 0);
  p.setPen(QColor(0, 0, 0, 90));
  p.drawLine(0, picture.Height - 1, picture.Width - 1, picture.Height - 1);
  return image;
}

QImage DrawSplitter(const TControlPicture& picture) {
  QImage image = NewPicture(picture.Width, picture.Height);
  QPainter p(&image);
  QLinearGradient fill(0, 0, picture.Width, 0);
  fill.setColorAt(0, kPlateBottom);
  fill.setColorAt(0.5, kPlateTop);
  fill.setColorAt(1, kPlateBottom);
  p.fillRect(image.rect(), fill);
  p.setPen(QColor(255, 255, 255, 70));
  for (int y = 2; y < picture.Height; y += 4) p.drawPoint(picture.Width / 2, y);
  return image;
}

QImage DrawProgressBack(const TControlPicture& picture) {
  QImage image = NewPicture(picture.Width, picture.Height);
  QPainter p(&image);
  Smooth(p);
  const QRectF body(0.5, 0.5, picture.Width - 1.0, picture.Height - 1.0);
  QLinearGradient fill(body.topLeft(), body.bottomLeft());
  fill.setColorAt(0, QColor(0x1B, 0x27, 0x35));
  fill.setColorAt(1, QColor(0x3A, 0x4D, 0x63));
  p.setPen(QPen(kInk, 1));
  p.setBrush(fill);
  p.drawRoundedRect(body, 3, 3);
  return image;
}

// A tile of diagonal stripes: it repeats seamlessly across the fill.
QImage DrawProgressFill(const TControlPicture& picture) {
  QImage image = NewPicture(picture.Width, picture.Height);
  for (int y = 0; y < picture.Height; ++y) {
    for (int x = 0; x < picture.Width; ++x) {
      const bool light = ((x + y) / (picture.Width / 2)) % 2 == 0;
      const double shade = 1.0 - 0.35 * std::abs(y - picture.Height / 2.0) / picture.Height;
      const QColor base = light ? QColor(0x7F, 0xC8, 0x5A) : QColor(0x4F, 0xA3, 0x3A);
      image.setPixelColor(x, y, QColor(static_cast<int>(base.red() * shade), static_cast<int>(base.green() * shade),
                                       static_cast<int>(base.blue() * shade)));
    }
  }
  return image;
}

// The kestrel's wing beside the name.
void DrawMark(QPainter& p, const QRectF& box) {
  QPainterPath wing;
  wing.moveTo(box.left(), box.bottom());
  wing.cubicTo(box.left() + box.width() * 0.3, box.top(), box.left() + box.width() * 0.7, box.top(), box.right(),
               box.top() + box.height() * 0.2);
  wing.cubicTo(box.left() + box.width() * 0.6, box.top() + box.height() * 0.4, box.left() + box.width() * 0.45,
               box.top() + box.height() * 0.7, box.left() + box.width() * 0.5, box.bottom());
  wing.closeSubpath();
  QLinearGradient fill(box.topLeft(), box.bottomRight());
  fill.setColorAt(0, kAccent);
  fill.setColorAt(1, QColor(0xC0, 0x5A, 0x1E));
  p.fillPath(wing, fill);
}

QImage DrawLogo(const TControlPicture& picture) {
  QImage image = NewPicture(picture.Width, picture.Height);
  QPainter p(&image);
  Smooth(p);
  DrawMark(p, QRectF(2, 4, picture.Height - 8.0, picture.Height - 8.0));
  p.setPen(kGlyph);
  p.setFont(TextFont(picture.Height / 2, true));
  p.drawText(QRectF(picture.Height - 2.0, 0, picture.Width - picture.Height + 2.0, picture.Height),
             Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Kestrune"));
  return image;
}

QImage DrawAnimePlate(const TControlPicture& picture) {
  QImage image = NewPicture(picture.Width, picture.Height);
  QPainter p(&image);
  Smooth(p);
  QRadialGradient glow(picture.Width / 2.0, picture.Height / 2.0, picture.Width / 2.0);
  glow.setColorAt(0, QColor(0xFF, 0xFF, 0xFF, 90));
  glow.setColorAt(1, QColor(0xFF, 0xFF, 0xFF, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(glow);
  p.drawEllipse(QRectF(0, 0, picture.Width, picture.Height));
  return image;
}

// Frame i of the "Tell a friend" animation: the envelope sways and its star
// pulses, back to the start at the last frame.
QImage DrawFriendFrame(const TControlPicture& picture, int32_t index) {
  QImage image = NewPicture(picture.Width, picture.Height);
  QPainter p(&image);
  Smooth(p);
  const double phase = 2 * kPi * index / picture.Frames;
  const QRectF box(0, 0, picture.Width, picture.Height);
  p.translate(box.center());
  p.rotate(8 * std::sin(phase));
  p.translate(-box.center());
  Envelope(p, box.adjusted(2, 2, -2, -2), kGlyph);
  const double s = picture.Width * (0.34 + 0.1 * (0.5 + 0.5 * std::cos(phase)));
  Star(p, QRectF(picture.Width - s - 1, picture.Height - s - 1, s, s), kAccent, 5, 0.45);
  return image;
}

// The word map's look: nodes and links over the plate's gradient.
void DrawNetwork(QPainter& p, const QRectF& area) {
  constexpr double kNodes[][2] = {{0.18, 0.22}, {0.5, 0.12}, {0.82, 0.3}, {0.3, 0.55},
                                  {0.68, 0.6},  {0.14, 0.82}, {0.5, 0.86}, {0.86, 0.8}};
  constexpr int kLinks[][2] = {{0, 1}, {1, 2}, {0, 3}, {1, 3}, {1, 4}, {2, 4}, {3, 4}, {3, 5}, {3, 6}, {4, 6}, {4, 7}, {6, 7}};
  auto at = [&](int i) { return QPointF(area.left() + kNodes[i][0] * area.width(), area.top() + kNodes[i][1] * area.height()); };
  p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF, 80), 1.2));
  for (const auto& link : kLinks) p.drawLine(at(link[0]), at(link[1]));
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 8; ++i) {
    p.setBrush(i == 3 || i == 4 ? kAccent : QColor(0xC8, 0xDC, 0xF0));
    p.drawEllipse(at(i), i == 3 || i == 4 ? 5.0 : 3.5, i == 3 || i == 4 ? 5.0 : 3.5);
  }
}

QImage DrawSplash(const TControlPicture& picture) {
  QImage image = NewPicture(picture.Width, picture.Height);
  QPainter p(&image);
  Smooth(p);
  QLinearGradient fill(0, 0, 0, picture.Height);
  fill.setColorAt(0, kPlateTop);
  fill.setColorAt(1, kInk);
  p.fillRect(image.rect(), fill);
  DrawNetwork(p, QRectF(20, 150, picture.Width - 40.0, 140));
  DrawMark(p, QRectF(picture.Width / 2.0 - 28, 34, 56, 56));
  p.setPen(kGlyph);
  p.setFont(TextFont(24, true));
  p.drawText(QRectF(0, 96, picture.Width, 30), Qt::AlignCenter, QStringLiteral("Kestrune"));
  p.setFont(TextFont(15, false));
  p.drawText(QRectF(0, 124, picture.Width, 22), Qt::AlignCenter, QStringLiteral("Search"));
  p.setPen(QColor(255, 255, 255, 60));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(0.5, 0.5, picture.Width - 1.0, picture.Height - 1.0));
  return image;
}

QImage DrawAbout(const TControlPicture& picture) {
  QImage image = NewPicture(picture.Width, picture.Height);
  QPainter p(&image);
  Smooth(p);
  QLinearGradient fill(0, 0, picture.Width, picture.Height);
  fill.setColorAt(0, kPlateTop);
  fill.setColorAt(1, kInk);
  p.fillRect(image.rect(), fill);
  DrawNetwork(p, QRectF(picture.Width * 0.55, 20, picture.Width * 0.4, picture.Height - 60.0));
  DrawMark(p, QRectF(24, 28, 48, 48));
  p.setPen(kGlyph);
  p.setFont(TextFont(28, true));
  p.drawText(QRectF(84, 28, 220, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Kestrune"));
  p.setFont(TextFont(16, false));
  p.drawText(QRectF(86, 60, 220, 22), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Search"));
  p.setFont(TextFont(11, false));
  p.drawText(QRectF(24, 100, 220, 60), Qt::AlignLeft | Qt::TextWordWrap,
             QStringLiteral("Search the web and see the words of your results as a map."));
  return image;
}

QImage DrawSingle(const TControlPicture& picture) {
  switch (picture.Id) {
    case TPicture::QueryPlate: {
      QImage image = NewPicture(picture.Width, picture.Height);
      QPainter p(&image);
      Smooth(p);
      const QRectF body(1, 1, picture.Width - 2.0, picture.Height - 2.0);
      QLinearGradient fill(body.topLeft(), body.bottomLeft());
      fill.setColorAt(0, QColor(kPlateTop.red(), kPlateTop.green(), kPlateTop.blue(), 225));
      fill.setColorAt(1, QColor(kPlateBottom.red(), kPlateBottom.green(), kPlateBottom.blue(), 225));
      p.setPen(QPen(QColor(255, 255, 255, 90), 1));
      p.setBrush(fill);
      p.drawRoundedRect(body, 12, 12);
      return image;
    }
    case TPicture::TrackWords:
    case TPicture::TrackMatch:
    case TPicture::TrackWeight: return DrawTrack(picture);
    case TPicture::ToolbarPlate: return DrawPlate(picture, kPlateTop, kPlateBottom);
    case TPicture::StatusPlate: return DrawPlate(picture, kPlateBottom, kInk);
    case TPicture::Splitter: return DrawSplitter(picture);
    case TPicture::ProgressBack: return DrawProgressBack(picture);
    case TPicture::ProgressFill: return DrawProgressFill(picture);
    case TPicture::Logo: return DrawLogo(picture);
    case TPicture::AnimePlate: return DrawAnimePlate(picture);
    case TPicture::Splash: return DrawSplash(picture);
    case TPicture::About: return DrawAbout(picture);
    default: return {};
  }
}

bool Save(const QImage& image, const QString& folder, const std::string& name) {
  const QString path = folder + QLatin1Char('/') + QString::fromStdString(name);
  if (image.isNull() || !image.save(path, "PNG")) {
    std::fprintf(stderr, "control_images: cannot draw or write %s\n", path.toLocal8Bit().constData());
    return false;
  }
  return true;
}

bool DrawAll(const QString& folder) {
  bool ok = true;
  for (const TControlPicture& picture : kControlPictures) {
    switch (picture.Kind) {
      case TPictureKind::Single:
        ok = Save(DrawSingle(picture), folder, PictureFile(picture.Id)) && ok;
        break;
      case TPictureKind::Button:
        for (TButtonFace face : {TButtonFace::Normal, TButtonFace::Over, TButtonFace::Push, TButtonFace::Disable}) {
          QImage image;
          if (picture.Id == TPicture::QueryCombo || picture.Id == TPicture::EngineCombo) {
            image = DrawComboFrame(picture, face);
          } else if (picture.Id == TPicture::Thumb) {
            image = DrawThumb(picture, face);
          } else if (GlyphOf(picture.Id)) {
            image = DrawButton(picture, face);
          }
          ok = Save(image, folder, PictureFile(picture.Id, face)) && ok;
        }
        break;
      case TPictureKind::Frames:
        for (int32_t i = 0; i < picture.Frames; ++i) {
          ok = Save(DrawFriendFrame(picture, i), folder, FrameFile(picture.Id, i)) && ok;
        }
        break;
    }
  }
  return ok;
}

}  // namespace
}  // namespace kestrune::tools

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kestrune_control_images <folder>\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  return kestrune::tools::DrawAll(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
