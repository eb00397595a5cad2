// Helpers of the map view's tests: keys placed by hand, the ink of a frame,
// and a view shown on the offscreen screen with a stepped clock.
#pragma once

#include <gtest/gtest.h>

#include <QCursor>
#include <QImage>
#include <QTest>
#include <string>

#include "map/content_map2.h"
#include "map/view/draw_and_event_map.h"
#include "platform/gui/screen_cursors.h"
#include "platform/gui/timer_source.h"

namespace kestrune::test {

inline constexpr int32_t kSlate = 7168344;  // 88, 97, 109
inline constexpr int32_t kRed = 217;        // 217, 0, 0
inline constexpr int32_t kBlue = 0xFF0000;  // 0, 0, 255

// A key at (left, top), opaque, without shadow; its text size is measured by
// the view.
inline TKey PlacedKey(const TCustomDrawAndEventMap& view, int32_t id, std::u16string name, float left, float top,
                      float size = 12.0f, int32_t color = kSlate, uint32_t flags = 0) {
  TKey key;
  key.Name = std::move(name);
  key.Id = id;
  key.Weight = 0.5f;
  key.Left = left;
  key.Top = top;
  key.FontSize = size;
  key.Color = color;
  key.Alpha = 255;
  key.Flags = flags;
  QSize measured;
  view.MeasureKeyText(key, measured);
  key.TextWidth = measured.width();
  key.TextHeight = measured.height();
  return key;
}

inline int ColourDistance(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

// The bounding rectangle of the pixels of `frame` that differ from `clean`
// by more than `threshold` (summed over the channels), inside `area`.
inline QRect InkBounds(const QImage& frame, const QImage& clean, QRect area = {}, int threshold = 60) {
  if (area.isNull()) area = frame.rect();
  QRect ink;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (ColourDistance(frame.pixel(x, y), clean.pixel(x, y)) > threshold) ink |= QRect(x, y, 1, 1);
    }
  }
  return ink;
}

// Pixels of colour `rgb` (within a tolerance) inside `area`.
inline int CountColour(const QImage& frame, QRect area, QRgb rgb, int tolerance = 30) {
  int count = 0;
  area &= frame.rect();
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) count += ColourDistance(frame.pixel(x, y), rgb) <= tolerance;
  }
  return count;
}

// A shown view of 400 x 300 at (100, 100) on the offscreen screen, with a
// content map, the view's measuring, a stepped clock and its events recorded.
class ShownMapView : public ::testing::Test {
 protected:
  static constexpr int kWidth = 400;
  static constexpr int kHeight = 300;

  void SetUp() override {
    view = std::make_unique<TDrawAndEventMap>(nullptr, &clock);
    view->setGeometry(100, 100, kWidth, kHeight);
    view->SetSkinPath(u"");
    view->SetContentMap(&map);
    map.OnMeasureKeyHook = view->MeasureKeyHook();
    map.SetNoQueryMode(false);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    QCursor::setPos(QPoint(0, 0));
    QCoreApplication::processEvents();
  }

  void TearDown() override {
    view.reset();
    platform::ScreenCursors().SetGlobalCursor(platform::crDefault);
  }

  // Puts the keys into the content map and the view, as a rebuild and
  // LoadKeysAndDraw do.
  void Show(const TKeys& keys) {
    map.CopyKeysIn(keys);
    view->LoadKeysAndDraw();
  }

  void MoveTo(QPoint point) {
    QTest::mouseMove(view.get(), point);
    QCoreApplication::processEvents();
  }

  QPoint Inside(int32_t index, int dx = 2) const {
    const TKey& key = view->KeyArray()[index];
    return QPoint(static_cast<int>(key.Left) + dx, static_cast<int>(key.Top + key.TextHeight / 2.0f));
  }

  TSteppedTimerSource clock;
  TContentMap2 map;
  std::unique_ptr<TDrawAndEventMap> view;
};

}  // namespace kestrune::test
