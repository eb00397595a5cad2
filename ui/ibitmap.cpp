#include "ui/ibitmap.h"

#include <QPainter>
#include <QPaintEvent>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gui/font_substitution.h"
#include "ui/control_image.h"

namespace kestrune {

namespace {

using TVisited = std::vector<const ibitmap*>;

// Where `other` stands relative to `control` (the holders of a button have no
// parent and are kept at its place).
QPoint RelativePos(const ibitmap& other, const ibitmap& control) {
  const QWidget* a = other.parentWidget();
  const QWidget* b = control.parentWidget();
  if (a == b || a == nullptr || b == nullptr) return other.pos() - control.pos();
  return other.mapToGlobal(QPoint(0, 0)) - control.mapToGlobal(QPoint(0, 0));
}

// The picture scaled into `target`, from its top-left part of `source` size.
void DrawScaled(QPainter& painter, const QImage& picture, const QRect& target, const QSize& source) {
  if (picture.isNull() || target.isEmpty() || source.isEmpty()) return;
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.drawImage(target, picture, QRect(QPoint(0, 0), source));
  painter.restore();
}

// A stretched control's source: the picture less one pixel in each direction
// in which its size differs from the control's.
QSize TrimmedSource(const QImage& picture, const QSize& size) {
  return {picture.width() - (picture.width() != size.width() ? 1 : 0),
          picture.height() - (picture.height() != size.height() ? 1 : 0)};
}

qreal CaptionOpacity(const ibitmap& control) { return control.isEnabled() ? 1.0 : 0.5; }

void DrawLayers(QPainter& painter, const ibitmap& control, QPoint at, TVisited& visited) {
  if (std::find(visited.begin(), visited.end(), &control) != visited.end()) return;
  visited.push_back(&control);
  if (!control.HasPicture()) return;
  if (!control.UseDraw() && control.Dbitmap() == nullptr && control.Ubitmap() == nullptr) return;
  const QImage& picture = control.Picture();
  if (control.Stretch()) {
    if (control.UseDraw()) {
      DrawScaled(painter, picture, QRect(at, control.size()), TrimmedSource(picture, control.size()));
    }
    if (const ibitmap* overlay = control.Ubitmap()) {
      DrawLayers(painter, *overlay, at + RelativePos(*overlay, control), visited);
    }
    return;
  }
  if (const ibitmap* underlay = control.Dbitmap()) {
    DrawLayers(painter, *underlay, at + RelativePos(*underlay, control), visited);
  }
  if (control.UseDraw()) painter.drawImage(at, picture);
  if (const ibitmap* overlay = control.Ubitmap()) {
    DrawLayers(painter, *overlay, at + RelativePos(*overlay, control), visited);
  }
  if (!control.Caption().isEmpty()) {
    painter.save();
    painter.translate(at);
    painter.setClipRect(QRect(QPoint(0, 0), control.size()), Qt::IntersectClip);
    control.DrawCaption(painter, control.Caption(), CaptionOpacity(control));
    painter.restore();
  }
}

// The caption's font: the skinned text font with the style bits.
QFont CaptionFont(const QFont& font, int32_t style) {
  QFont caption = SkinTextFont(font);
  caption.setBold((style & FontStyleBold) != 0);
  caption.setItalic((style & FontStyleItalic) != 0);
  caption.setUnderline((style & FontStyleUnderline) != 0);
  caption.setStrikeOut((style & FontStyleStrikeout) != 0);
  return caption;
}

QColor Opaque(QColor color) {
  color.setAlpha(255);
  return color;
}

}  // namespace

QFont SkinTextFont(const QFont& font) {
  QFont text(platform::SubstituteFontFamily(font.family().toStdU16String()));
  const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize();
  text.setPixelSize(std::max(1, static_cast<int>(std::lround(points))));
  text.setKerning(true);
  return text;
}

Qt::Alignment StringAlignmentFlags(int32_t alignment) {
  switch (alignment) {
    case StringAlignmentNear: return Qt::AlignLeft;
    case StringAlignmentFar: return Qt::AlignRight;
    default: return Qt::AlignHCenter;
  }
}

ibitmap::ibitmap(QWidget* parent) : TTntGraphicControl(parent) {}

ibitmap::~ibitmap() = default;

void ibitmap::SetOffsetTextX(int32_t value) {
  offsetTextX_ = value;
  update();
}

void ibitmap::SetOffsetTextY(int32_t value) {
  offsetTextY_ = value;
  update();
}

void ibitmap::SetStringFontStyle(int32_t value) {
  stringFontStyle_ = value;
  update();
}

void ibitmap::SetStringAlign(int32_t value) {
  stringAlign_ = value;
  update();
}

void ibitmap::SetGlowColor(const QColor& value) {
  glowColor_ = value;
  update();
}

void ibitmap::SetGlow(bool value) {
  glow_ = value;
  update();
}

void ibitmap::SetCaption(const QString& value) {
  caption_ = value;
  update();
}

void ibitmap::SetStretch(bool value) {
  stretch_ = value;
  update();
}

void ibitmap::SetUbitmap(ibitmap* value) {
  ubitmap_ = value;
  update();
}

void ibitmap::SetDbitmap(ibitmap* value) {
  dbitmap_ = value;
  update();
}

void ibitmap::SetUseDraw(bool value) {
  useDraw_ = value;
  update();
}

void ibitmap::SetICreateRegion(bool value) {
  iCreateRegion_ = value;
  if (value && HasPicture()) keyColor_ = picture_.pixel(0, 0);
}

void ibitmap::SetFileName(const QString& value) {
  if (value.isEmpty()) return;
  fileName_ = value;
  picture_ = skin::LoadControlImage(skin::ControlImagePath(value.toStdU16String()));
  if (!stretch_) resize(picture_.size());
  if (iCreateRegion_ && HasPicture()) keyColor_ = picture_.pixel(0, 0);
  update();
}

void ibitmap::SetPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void ibitmap::DrawCaption(QPainter& target, const QString& text, qreal opacity) const {
  if (text.isEmpty() || width() <= 0 || height() <= 0) return;
  QImage layer = platform::MakePaintImage(width(), height());
  layer.fill(Qt::transparent);
  {
    QPainter painter(&layer);
    QFont font = CaptionFont(this->font(), stringFontStyle_);
    const QRectF box(offsetTextX_, offsetTextY_, width(), height());
    const int flags = static_cast<int>(StringAlignmentFlags(stringAlign_) | Qt::AlignVCenter) | Qt::TextWordWrap;
    if (glow_) {
      font.setStyleStrategy(QFont::PreferAntialias);
      painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
      painter.setFont(font);
      painter.setPen(Opaque(glowColor_));
      for (const QPointF shift : {QPointF(1, 0), QPointF(-1, 0), QPointF(0, -1), QPointF(0, 1)}) {
        painter.drawText(box.translated(shift), flags, text);
      }
    } else {
      font.setStyleStrategy(QFont::NoAntialias);
      painter.setRenderHint(QPainter::TextAntialiasing, false);
      painter.setFont(font);
    }
    painter.setPen(Opaque(palette().color(QPalette::WindowText)));
    painter.drawText(box, flags, text);
  }
  target.save();
  target.setOpacity(opacity);
  target.drawImage(QPoint(0, 0), layer);
  target.restore();
}

void ibitmap::DrawTo(QPainter& target, int32_t x, int32_t y) const {
  if (!Visible() || !HasPicture()) return;
  if (stretch_) {
    DrawScaled(target, picture_, QRect(QPoint(x, y), size()), QSize(picture_.width() - 1, picture_.height()));
    return;
  }
  QImage copy = picture_.copy();
  {
    QPainter painter(&copy);
    if (const ibitmap* overlay = Ubitmap()) {
      TVisited visited{this};
      DrawLayers(painter, *overlay, RelativePos(*overlay, *this), visited);
    }
    DrawCaption(painter, caption_, CaptionOpacity(*this));
  }
  target.drawImage(QPoint(x, y), copy);
}

void ibitmap::PaintToDC(QPainter& target, const TSkinRect& bounds, const TSkinRect* exclusion) const {
  if (!Visible()) return;
  target.save();
  if (exclusion != nullptr) {
    const QRect all(-(1 << 20), -(1 << 20), 1 << 21, 1 << 21);
    const QRect left(exclusion->Left, exclusion->Top + 1, exclusion->Right - 2, exclusion->Bottom - 3);
    target.setClipRegion(QRegion(all).subtracted(QRegion(left)), Qt::IntersectClip);
  }
  if (stretch_) {
    DrawScaled(target, picture_, QRect(0, 0, bounds.Right, bounds.Bottom),
               QSize(picture_.width() - 1, picture_.height()));
  } else {
    const QPoint at = exclusion != nullptr ? QPoint(bounds.Left, bounds.Top) : pos();
    const QRect place(at, QSize(bounds.Right, bounds.Bottom));
    if (useDraw_ && HasPicture()) target.drawImage(place, picture_);
    if (const ibitmap* overlay = Ubitmap(); overlay != nullptr && overlay->HasPicture()) {
      target.drawImage(place, overlay->Picture());
    }
  }
  target.restore();
}

void ibitmap::PaintToGraphics(QPainter& target, int32_t x, int32_t y) const {
  if (!Visible() || !HasPicture()) return;
  if (stretch_) {
    DrawScaled(target, picture_, QRect(QPoint(x, y), size()), QSize(picture_.width() - 1, picture_.height()));
    return;
  }
  if (const ibitmap* underlay = Dbitmap(); underlay != nullptr && underlay->HasPicture()) {
    target.drawImage(QPoint(x, y) + RelativePos(*underlay, *this), underlay->Picture());
  }
  target.drawImage(QPoint(x, y), picture_);
}

void ibitmap::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // The control's picture is as large as it shows (its own size when
  // stretched).
  if (!stretch_) painter.setClipRect(QRect(QPoint(0, 0), picture_.size()));
  DrawControlLayers(painter, *this, QPoint(0, 0));
}

void ibitmap::MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int32_t x, int32_t y) {
  if (iCreateRegion_ && HasPicture() && x >= 0 && y >= 0 && x < picture_.width() && y < picture_.height() &&
      picture_.pixel(x, y) == keyColor_) {
    return;
  }
  TTntGraphicControl::MouseMove(buttons, shift, x, y);
}

void DrawControlLayers(QPainter& painter, const ibitmap& control, QPoint at) {
  TVisited visited;
  DrawLayers(painter, control, at, visited);
}

QImage ComposeControl(const ibitmap& control) {
  const QSize size = control.Stretch() ? control.size() : control.Picture().size();
  QImage composition = platform::MakePaintImage(std::max(0, size.width()), std::max(0, size.height()));
  composition.fill(Qt::transparent);
  if (size.isEmpty()) return composition;
  QPainter painter(&composition);
  std::vector<const ibitmap*> siblings;
  if (const QWidget* parent = control.parentWidget()) {
    for (const QObject* child : parent->children()) {
      if (const auto* sibling = qobject_cast<const ibitmap*>(child)) siblings.push_back(sibling);
    }
  }
  const auto place = std::find(siblings.begin(), siblings.end(), &control);
  const QRect bounds = control.geometry();
  auto drawSibling = [&](const ibitmap* sibling) {
    if (!sibling->Visible() || !sibling->geometry().intersects(bounds)) return;
    DrawControlLayers(painter, *sibling, sibling->pos() - control.pos());
  };
  for (auto it = siblings.begin(); it != place; ++it) drawSibling(*it);
  DrawControlLayers(painter, control, QPoint(0, 0));
  if (place != siblings.end()) {
    for (auto it = place + 1; it != siblings.end(); ++it) drawSibling(*it);
  }
  return composition;
}

}  // namespace kestrune
