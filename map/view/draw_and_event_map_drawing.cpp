// Drawing of the map view: the background bands, whole frames, dirty
// rectangles, the anchor icon and the text measuring shared with the layout.
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "map/view/draw_and_event_map.h"
#include "platform/gui/font_substitution.h"

namespace kestrune {

namespace {

struct TBands {
  QColor top;
  QColor middle;
  QColor bottom;
};

TBands BandsOf(int32_t mapMode) {
  if (mapMode == TCustomDrawAndEventMap::kModeExcluded) {
    return {QColor(234, 237, 241), QColor(218, 221, 225), QColor(222, 236, 254)};
  }
  return {QColor(222, 236, 254), QColor(204, 216, 239), QColor(222, 236, 254)};
}

// A colour 0x00BBGGRR with an opacity; a negative opacity counts as 0.
QColor ArgbColor(int32_t alpha, int32_t rgb) {
  return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF, std::clamp(alpha, 0, 255));
}

QString KeyText(const TKey& key) {
  return QString::fromUtf16(key.Name.data(), static_cast<qsizetype>(key.Name.size()));
}

int32_t TruncToInt(double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<int32_t>(std::clamp(std::trunc(value), -2147483648.0, 2147483647.0));
}

int32_t RoundToInt(double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<int32_t>(std::clamp(std::nearbyint(value), -2147483648.0, 2147483647.0));
}

// The device all text is measured for: the resolution of the buffers.
const QImage& MetricsDevice() {
  static const QImage device = platform::MakePaintImage(1, 1);
  return device;
}

// Copies a rectangle between two images of the same size and format.
void CopyRect(const QImage& from, QImage& to, const QRect& rect) {
  const QRect area = rect & to.rect();
  if (area.isEmpty() || from.size() != to.size() || from.format() != to.format()) return;
  const int bytesPerPixel = to.depth() / 8;
  const size_t rowBytes = static_cast<size_t>(area.width()) * static_cast<size_t>(bytesPerPixel);
  for (int y = area.top(); y <= area.bottom(); ++y) {
    std::memcpy(to.scanLine(y) + area.left() * bytesPerPixel, from.constScanLine(y) + area.left() * bytesPerPixel,
                rowBytes);
  }
}

}  // namespace

// ---- buffers and background ----

void TCustomDrawAndEventMap::ResizeBuffers() {
  // A buffer of the new size starts as the clean background, never as
  // uninitialised memory, and holds no frame until one is composed.
  ResetBackground();
  backBuffer_ = backgroundBuffer_.isNull() ? QImage() : backgroundBuffer_.copy();
}

void TCustomDrawAndEventMap::EnsureBuffers() {
  if (backBuffer_.size() != size() && !(backBuffer_.isNull() && size().isEmpty())) ResizeBuffers();
  if (!backBuffer_.isNull() && (backgroundBuffer_.size() != backBuffer_.size() || backgroundMode_ != MapMode())) {
    ResetBackground();
  }
}

void TCustomDrawAndEventMap::ResetBackground() {
  backgroundMode_ = MapMode();
  frameStale_ = true;  // the frame in the back buffer stands on the old background
  if (width() <= 0 || height() <= 0) {
    backgroundBuffer_ = QImage();
    return;
  }
  backgroundBuffer_ = platform::MakePaintImage(width(), height());
  QPainter painter(&backgroundBuffer_);
  DrawBackground(painter);
}

void TCustomDrawAndEventMap::DrawBackground(QPainter& painter) const {
  const TBands bands = BandsOf(MapMode());
  const int w = width();
  const int h = height();
  QLinearGradient upper(QPointF(0.0, 0.0), QPointF(0.0, h / 2.0 + 1.0));
  upper.setColorAt(0.0, bands.top);
  upper.setColorAt(1.0, bands.middle);
  painter.fillRect(QRect(0, 0, w, h / 2 + 1), upper);
  QLinearGradient lower(QPointF(0.0, h / 2), QPointF(0.0, h));
  lower.setColorAt(0.0, bands.middle);
  lower.setColorAt(1.0, bands.bottom);
  painter.fillRect(QRect(0, h / 2 + 1, w, h / 2), lower);
}

// ---- fonts and measuring ----

std::u16string TCustomDrawAndEventMap::KeyFontFamily() const {
  return contentMap_ != nullptr ? contentMap_->KeyFont() : std::u16string(u"Tahoma");
}

QFont TCustomDrawAndEventMap::KeyQFont(const TKey& key) const {
  QFont font = platform::MakeFont(KeyFontFamily(), key.FontSize);
  font.setBold(key.Bold == 1);
  font.setItalic(key.Italic == 1);
  font.setUnderline(key.Underline == 1);
  font.setStrikeOut(key.Strikeout == 1);
  return font;
}

void TCustomDrawAndEventMap::MeasureKeyText(const TKey& key, QSize& size) const {
  const QFontMetricsF metrics(KeyQFont(key), &MetricsDevice());
  // The text metrics of the view's own font: its cell height and the internal
  // leading above the em square.
  const QFont viewFont = platform::MakeFont(font_.Name, font_.Size);
  const QFontMetricsF viewMetrics(viewFont, &MetricsDevice());
  const double cellHeight = viewMetrics.height();
  const double emHeight = viewFont.pointSizeF() * platform::kPaintDpi / 72.0;
  const double internalLeading = std::max(0.0, cellHeight - emHeight);
  const double measuredHeight = metrics.height();
  size.setWidth(RoundToInt(metrics.horizontalAdvance(KeyText(key))));
  size.setHeight(cellHeight > 0.0 ? RoundToInt((cellHeight - internalLeading) * measuredHeight / cellHeight) : 0);
}

TCMMeasureKeyHook TCustomDrawAndEventMap::MeasureKeyHook() const {
  return [this](const TKey& key, int32_t& width, int32_t& height) {
    QSize size(width, height);
    MeasureKeyText(key, size);
    width = size.width();
    height = size.height();
  };
}

// ---- keys ----

bool TCustomDrawAndEventMap::AnchorDrawnFor(const TKey& key) const {
  return (key.Flags & KF_HOVERED) != 0 && (key.Flags & KF_QUERY) == 0 && (key.Flags & KF_HIDDEN) == 0 &&
         MapMode() != kModeNoQuery;
}

QPoint TCustomDrawAndEventMap::AnchorPosition(const TKey& key, const QFontMetricsF& metrics,
                                              const QString& text) const {
  const double measuredWidth = metrics.horizontalAdvance(text);
  const double measuredHeight = metrics.height();
  return QPoint(TruncToInt(key.Left + measuredWidth),
                TruncToInt(key.Top) + TruncToInt((measuredHeight - kAnchorSize) / 2.0));
}

void TCustomDrawAndEventMap::DrawKeyText(QPainter& painter, const TKey& key, const QFont& font,
                                         const QFontMetricsF& metrics) const {
  if (!(key.FontSize > 0.0f) || !std::isfinite(key.Left) || !std::isfinite(key.Top)) return;
  const QString text = KeyText(key);
  painter.setFont(font);
  const double baseline = key.Top + metrics.ascent();
  if (key.ShadowOffSet != 0 && key.ShadowAlpha > 0) {
    painter.setPen(ArgbColor(key.ShadowAlpha, key.ShadowClr));
    painter.drawText(QPointF(key.Left + key.ShadowOffSet, baseline + key.ShadowOffSet), text);
  }
  if (key.Alpha > 0) {
    painter.setPen(ArgbColor(key.Alpha, key.Color));
    painter.drawText(QPointF(key.Left, baseline), text);
  }
}

void TCustomDrawAndEventMap::DrawKeys(QPainter& painter, std::span<const TKey> keys,
                                      const std::vector<int32_t>& order) {
  // First pass: every key that is neither hidden nor hovered, at a size of
  // 4..24 points; the lower index ends on top.
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    const TKey& key = keys[*it];
    if ((key.Flags & (KF_HIDDEN | KF_HOVERED)) != 0) continue;
    if (key.FontSize < kMinDrawnSize || key.FontSize > kMaxDrawnSize) continue;
    const QFont font = KeyQFont(key);
    DrawKeyText(painter, key, font, QFontMetricsF(font, &MetricsDevice()));
  }
  // Second pass: the hovered keys at any size, above the others; the last one
  // drawn with an anchor places the icon.
  bool anchor = false;
  QPoint anchorAt;
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    const TKey& key = keys[*it];
    if ((key.Flags & KF_HIDDEN) != 0 || (key.Flags & KF_HOVERED) == 0) continue;
    const QFont font = KeyQFont(key);
    const QFontMetricsF metrics(font, &MetricsDevice());
    DrawKeyText(painter, key, font, metrics);
    if (AnchorDrawnFor(key)) {
      anchor = true;
      anchorAt = AnchorPosition(key, metrics, KeyText(key));
    }
  }
  if (anchor) {
    const QImage& icon = MapMode() == kModeExcluded ? anchorIconInv_ : anchorIcon_;
    if (!icon.isNull()) painter.drawImage(QRect(anchorAt, QSize(kAnchorSize, kAnchorSize)), icon);
  }
}

QRect TCustomDrawAndEventMap::KeyDrawnBounds(const TKey& key) const {
  if (!std::isfinite(key.Left) || !std::isfinite(key.Top)) return {};
  const int32_t shadow = key.ShadowOffSet;
  // The box the hit test and the partial redraw know.
  QRect bounds;
  bounds.setCoords(RoundToInt(key.Left), RoundToInt(key.Top),
                   RoundToInt(key.Left + key.TextWidth + shadow) + ((key.Flags & KF_HOVERED) != 0 ? kAnchorSize : 0),
                   RoundToInt(key.Top + key.TextHeight + shadow));
  bounds = bounds.normalized();
  if (key.FontSize > 0.0f) {
    // The text as drawn: the whole line with its descent, and the glyphs' ink
    // where it overhangs the advance; the shadow is the same shape moved.
    const QFont font = KeyQFont(key);
    const QFontMetricsF metrics(font, &MetricsDevice());
    const QString text = KeyText(key);
    QRectF drawn(key.Left, key.Top, std::max<double>(metrics.horizontalAdvance(text), key.TextWidth),
                 metrics.ascent() + metrics.descent());
    drawn |= metrics.boundingRect(text).translated(key.Left, key.Top + metrics.ascent());
    if (shadow != 0) drawn |= drawn.translated(shadow, shadow);
    // One pixel of anti-aliasing on every side.
    bounds |= drawn.adjusted(-1.0, -1.0, 1.0, 1.0).toAlignedRect();
    if (AnchorDrawnFor(key)) bounds |= QRect(AnchorPosition(key, metrics, text), QSize(kAnchorSize, kAnchorSize));
  }
  return bounds;
}

// ---- frames ----

void TCustomDrawAndEventMap::RequestRepaint(const QRect& rect) {
  repaintRequested_ = true;
  update(rect);
}

void TCustomDrawAndEventMap::ComposeFrame(std::span<const TKey> keys) {
  drawing_ = true;
  EnsureBuffers();
  if (!backBuffer_.isNull()) {
    // The clean background, from its cache.
    std::memcpy(backBuffer_.bits(), backgroundBuffer_.constBits(), static_cast<size_t>(backBuffer_.sizeInBytes()));
    QPainter painter(&backBuffer_);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    std::vector<int32_t> order(keys.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
    DrawKeys(painter, keys, order);
    if (OnEntryX) OnEntryX(painter);
    frameStale_ = false;
  }
  drawing_ = false;
}

void TCustomDrawAndEventMap::DrawMap(std::span<const TKey> keys) {
  ComposeFrame(keys);
  RequestRepaint(rect());
}

void TCustomDrawAndEventMap::DrawDirty(std::span<const QRect> rects, std::span<const TKey> keys) {
  EnsureBuffers();
  if (frameStale_) {
    // Only a whole frame makes the buffer hold what the keys show.
    DrawMap(keys);
    return;
  }
  drawing_ = true;
  if (!backBuffer_.isNull()) {
    QRegion region;
    std::vector<QRect> dirty;
    for (const QRect& rect : rects) {
      const QRect area = rect.normalized() & backBuffer_.rect();
      if (area.isEmpty()) continue;
      CopyRect(backgroundBuffer_, backBuffer_, area);
      region |= area;
      dirty.push_back(area);
    }
    if (!dirty.empty()) {
      // The keys whose drawn bounds touch a dirty rectangle, drawn in index
      // order as in a whole frame.
      std::vector<int32_t> order;
      for (size_t i = 0; i < keys.size(); ++i) {
        if ((keys[i].Flags & KF_HIDDEN) != 0) continue;
        const QRect bounds = KeyDrawnBounds(keys[i]);
        for (const QRect& area : dirty) {
          if (bounds.intersects(area)) {
            order.push_back(static_cast<int32_t>(i));
            break;
          }
        }
      }
      QPainter painter(&backBuffer_);
      painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
      painter.setClipRegion(region);
      DrawKeys(painter, keys, order);
      if (OnEntryX) OnEntryX(painter);
    }
    for (const QRect& area : dirty) RequestRepaint(area);
  }
  drawing_ = false;
}

void TCustomDrawAndEventMap::paintEvent(QPaintEvent* e) {
  // What reaches the screen is always a frame the view composed: a buffer
  // made anew (a resize, a mode change) gets one of the keys now shown.
  EnsureBuffers();
  if (frameStale_) {
    ComposeFrame(animating_ ? std::span<const TKey>(animKeys_) : std::span<const TKey>(keys_));
  } else if (!repaintRequested_ && !drawing_ && !animating_) {
    ComposeFrame(keys_);
  }
  repaintRequested_ = false;
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  if (backBuffer_.isNull()) {
    painter.fillRect(e->rect(), Qt::white);
    return;
  }
  for (const QRect& rect : e->region()) painter.drawImage(rect, backBuffer_, rect);
}

}  // namespace kestrune
