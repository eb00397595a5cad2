// Drawing of the map view: background bands, keys at their place and size,
// the size filter, shadows, the anchor icon, the order of overlapping words,
// measuring against drawing, and the partial redraw against the whole frame.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPainter>
#include <random>
#include <vector>

#include "map/view/draw_and_event_map.h"
#include "platform/gui/font_substitution.h"
#include "tests/map/view/map_view_test_support.h"
#include "tests/map/synthetic_map.h"

namespace kestrune {
namespace {

using test::InkBounds;
using test::PlacedKey;

class MapViewDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    view.resize(400, 300);
    view.SetSkinPath(u"");
    view.SetContentMap(&map);
    map.SetNoQueryMode(false);
  }

  // The clean background of the current mode.
  QImage Clean() {
    view.DrawMap(TKeys{});
    return view.BackBuffer().copy();
  }

  TContentMap2 map;
  TDrawAndEventMap view;
};

TEST_F(MapViewDrawing, BackgroundBandsByMapMode) {
  struct TCase {
    bool excluded;
    bool noQuery;
    QRgb top, middle, bottom;
  };
  const TCase cases[] = {
      {false, false, qRgb(222, 236, 254), qRgb(204, 216, 239), qRgb(222, 236, 254)},
      {true, false, qRgb(234, 237, 241), qRgb(218, 221, 225), qRgb(222, 236, 254)},
      {false, true, qRgb(222, 236, 254), qRgb(204, 216, 239), qRgb(222, 236, 254)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "excluded " << c.excluded << " no query " << c.noQuery);
    map.SetExcludedMode(c.excluded);
    map.SetNoQueryMode(c.noQuery);
    const QImage frame = Clean();
    EXPECT_LE(test::ColourDistance(frame.pixel(10, 0), c.top), 3);
    EXPECT_LE(test::ColourDistance(frame.pixel(10, 150), c.middle), 3);
    EXPECT_LE(test::ColourDistance(frame.pixel(10, 299), c.bottom), 3);
    // The bands are vertical gradients: every column alike.
    EXPECT_EQ(frame.pixel(0, 77), frame.pixel(399, 77));
    // A mode change reaches the cached background too.
    EXPECT_EQ(view.BackgroundBuffer().pixel(10, 0), frame.pixel(10, 0));
  }
}

TEST_F(MapViewDrawing, KeyDrawnAtItsPlaceAndMeasuredSize) {
  struct TCase {
    std::u16string text;
    float size;
    int32_t bold, italic;
    const char16_t* family;
  };
  const TCase cases[] = {{u"search", 10.0f, 0, 0, u"Arial"},
                         {u"Engine query", 16.0f, 1, 0, u"Tahoma"},
                         {u"relevance", 24.0f, 0, 1, u"Arial"},
                         {u"поиск", 14.0f, 0, 0, u"Tahoma"},
                         {u"Wy", 20.0f, 1, 1, u"Times New Roman"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(QString::fromUtf16(c.text.data(), c.text.size()).toStdString());
    map.SetKeyFont(c.family);
    const QImage clean = Clean();
    TKey key = PlacedKey(view, 1, c.text, 60.5f, 80.0f, c.size, test::kSlate);
    key.Bold = c.bold;
    key.Italic = c.italic;
    QSize measured;
    view.MeasureKeyText(key, measured);
    key.TextWidth = measured.width();
    key.TextHeight = measured.height();
    // The height is about the em square: 4/3 pixel a point.
    EXPECT_NEAR(key.TextHeight, c.size * 4.0f / 3.0f, c.size * 0.2f);
    view.DrawMap(TKeys{key});
    const QRect ink = InkBounds(view.BackBuffer(), clean);
    ASSERT_FALSE(ink.isEmpty());
    // Inside the measured box (the descent below it, an italic overhang and
    // a pixel of anti-aliasing beside it) ...
    const int slack = c.italic == 1 ? static_cast<int>(c.size / 3) : 2;
    EXPECT_GE(ink.left(), 60 - slack);
    EXPECT_LE(ink.right(), 60 + key.TextWidth + slack);
    EXPECT_GE(ink.top(), 80);
    EXPECT_LE(ink.bottom(), 80 + key.TextHeight + static_cast<int>(c.size * 0.5f));
    // ... and filling it.
    EXPECT_GE(ink.width(), key.TextWidth * 8 / 10);
    EXPECT_GE(ink.height(), key.TextHeight / 2);
    // The drawn bounds the partial redraw uses hold all of it.
    EXPECT_TRUE(view.KeyDrawnBounds(key).contains(ink));
  }
}

TEST_F(MapViewDrawing, SizeFilterLeavesOutOnlyUnhoveredKeys) {
  struct TCase {
    float size;
    uint32_t flags;
    bool drawn;
  };
  const TCase cases[] = {{3.9f, 0, false},        {4.0f, 0, true},          {24.0f, 0, true},
                         {24.1f, 0, false},       {3.9f, KF_HOVERED, true}, {30.0f, KF_HOVERED, true},
                         {12.0f, KF_HIDDEN, false}, {12.0f, KF_HIDDEN | KF_HOVERED, false}};
  const QImage clean = Clean();
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " flags " << c.flags);
    TKey key = PlacedKey(view, 1, u"mmmm", 40.0f, 40.0f, c.size, test::kRed, c.flags);
    view.DrawMap(TKeys{key});
    EXPECT_EQ(!InkBounds(view.BackBuffer(), clean, QRect(0, 0, 250, 120)).isEmpty(), c.drawn);
  }
}

TEST_F(MapViewDrawing, ShadowOnlyWithAnOffset) {
  const QImage clean = Clean();
  const QRgb shadowColour = qRgb(0, 0, 255);
  struct TCase {
    int32_t offset;
    int32_t alpha;
    bool shadow;
  };
  const TCase cases[] = {{3, 255, true}, {0, 255, false}, {-2, 255, true}, {3, -5, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.offset);
    TKey key = PlacedKey(view, 1, u"shadowed", 100.0f, 100.0f, 18.0f, test::kRed);
    key.ShadowOffSet = c.offset;
    key.ShadowAlpha = c.alpha;
    key.ShadowClr = test::kBlue;
    view.DrawMap(TKeys{key});
    const QRect area(80, 80, 200, 60);
    EXPECT_EQ(test::CountColour(view.BackBuffer(), area, shadowColour, 60) > 5, c.shadow);
    if (!c.shadow) continue;
    // The shadow is the text moved by the offset: its ink starts there.
    TKey alone = key;
    alone.Alpha = 0;
    view.DrawMap(TKeys{alone});
    TKey text = key;
    text.ShadowOffSet = 0;
    const QRect shadowInk = InkBounds(view.BackBuffer(), clean);
    view.DrawMap(TKeys{text});
    const QRect textInk = InkBounds(view.BackBuffer(), clean);
    EXPECT_EQ(shadowInk.topLeft() - textInk.topLeft(), QPoint(c.offset, c.offset));
  }
}

TEST_F(MapViewDrawing, TransparentAndNegativeAlphaDrawNothing) {
  const QImage clean = Clean();
  for (int32_t alpha : {0, -1, -300}) {
    TKey key = PlacedKey(view, 1, u"faded", 50.0f, 50.0f, 16.0f, test::kRed);
    key.Alpha = alpha;
    view.DrawMap(TKeys{key});
    EXPECT_TRUE(InkBounds(view.BackBuffer(), clean).isEmpty()) << alpha;
  }
}

TEST_F(MapViewDrawing, LowerIndexDrawnAbove) {
  Clean();
  const TKey red = PlacedKey(view, 1, u"MMMMMM", 50.0f, 50.0f, 20.0f, test::kRed);
  const TKey blue = PlacedKey(view, 2, u"MMMMMM", 52.0f, 51.0f, 20.0f, test::kBlue);
  const QRect overlap(60, 55, 60, 15);
  view.DrawMap(TKeys{red, blue});
  const int redOnTop = test::CountColour(view.BackBuffer(), overlap, qRgb(217, 0, 0));
  view.DrawMap(TKeys{blue, red});
  const int blueOnTop = test::CountColour(view.BackBuffer(), overlap, qRgb(0, 0, 255));
  EXPECT_GT(redOnTop, 20);
  EXPECT_GT(blueOnTop, 20);
  // A hovered word is drawn in the second pass, above every other.
  TKey hoveredBlue = blue;
  hoveredBlue.Flags = KF_HOVERED | KF_QUERY;  // a query word: no anchor in the way
  view.DrawMap(TKeys{red, hoveredBlue});
  EXPECT_GT(test::CountColour(view.BackBuffer(), overlap, qRgb(0, 0, 255)), 20);
}

TEST_F(MapViewDrawing, AnchorIconRules) {
  struct TCase {
    uint32_t flags;
    bool excluded;
    bool noQuery;
    int icon;  // -1 none, 0 normal, 1 inverted
  };
  const TCase cases[] = {{KF_HOVERED, false, false, 0},
                         {KF_HOVERED, true, false, 1},
                         {KF_HOVERED, false, true, -1},
                         {KF_HOVERED | KF_QUERY, false, false, -1},
                         {0, false, false, -1}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "flags " << c.flags << " excluded " << c.excluded << " no query " << c.noQuery);
    map.SetExcludedMode(c.excluded);
    map.SetNoQueryMode(c.noQuery);
    const QImage clean = Clean();
    TKey key = PlacedKey(view, 1, u"anchored", 100.0f, 100.0f, 16.0f, test::kSlate, c.flags);
    // Where the icon goes: right of the text, centred on its line.
    QImage expected = clean.copy();
    {
      QPainter painter(&expected);
      const QFontMetricsF metrics(platform::MakeFont(u"Arial", 16.0f), &expected);
      const QPoint at(static_cast<int>(100.0 + metrics.horizontalAdvance(QStringLiteral("anchored"))),
                      100 + static_cast<int>((metrics.height() - 16.0) / 2.0));
      if (c.icon >= 0) painter.drawImage(QRect(at, QSize(16, 16)), view.AnchorIcon(c.icon == 1));
    }
    view.DrawMap(TKeys{key});
    const QImage& frame = view.BackBuffer();
    const QRect beside(100 + key.TextWidth + 2, 90, 24, 40);
    if (c.icon < 0) {
      EXPECT_TRUE(InkBounds(frame, clean, beside).isEmpty());
    } else {
      ASSERT_FALSE(view.AnchorIcon(c.icon == 1).isNull());
      EXPECT_TRUE(InkBounds(frame, expected, beside, 30).isEmpty());
      EXPECT_FALSE(InkBounds(frame, clean, beside).isEmpty());
    }
  }
}

TEST_F(MapViewDrawing, EmptyMapIsAWholeFrame) {
  Clean();
  int entries = 0;
  view.OnEntryX = [&](QPainter& canvas) {
    ++entries;
    EXPECT_EQ(canvas.device(), &view.BackBuffer());
  };
  view.BackBuffer().fill(Qt::black);
  view.ClearMap();
  EXPECT_EQ(entries, 1);
  EXPECT_TRUE(InkBounds(view.BackBuffer(), view.BackgroundBuffer()).isEmpty());
}

TEST_F(MapViewDrawing, DirtyRectangleEqualsTheWholeFrameInsideAndNothingOutside) {
  map.OnMeasureKeyHook = view.MeasureKeyHook();
  test::BuildSyntheticMap(map, 400, 300, 30, 11);
  TKeys keys = map.Keys();
  keys[3].Flags |= KF_HOVERED;  // with its anchor icon
  keys[4].ShadowOffSet = 3;
  keys[4].ShadowAlpha = 200;
  // Words laid over each other so that rectangles cross them.
  keys[6].Left = keys[5].Left + 7.0f;
  keys[6].Top = keys[5].Top + 3.0f;

  std::vector<QRect> rects;
  for (int i : {3, 4, 5}) {
    // A thin rectangle through the middle of the word, no corner of either
    // inside the other.
    const TKey& k = keys[i];
    rects.push_back(QRect(static_cast<int>(k.Left) + k.TextWidth / 2, static_cast<int>(k.Top) - 10, 3,
                          k.TextHeight + 20));
  }
  std::mt19937 random(5);
  for (int i = 0; i < 12; ++i) {
    rects.push_back(QRect(static_cast<int>(random() % 380), static_cast<int>(random() % 280),
                          static_cast<int>(1 + random() % 90), static_cast<int>(1 + random() % 40)));
  }
  rects.push_back(QRect(-20, -20, 60, 60));  // partly outside the control

  view.DrawMap(keys);
  const QImage whole = view.BackBuffer().copy();
  const QRgb sentinel = qRgb(255, 0, 255);
  for (const QRect& rect : rects) {
    SCOPED_TRACE(testing::Message() << rect.x() << "," << rect.y() << " " << rect.width() << "x" << rect.height());
    view.BackBuffer().fill(sentinel);
    const QRect dirty[] = {rect};
    view.DrawDirty(dirty, keys);
    const QImage& frame = view.BackBuffer();
    const QRect inside = rect & frame.rect();
    int wrongInside = 0;
    int touchedOutside = 0;
    for (int y = 0; y < frame.height(); ++y) {
      for (int x = 0; x < frame.width(); ++x) {
        if (inside.contains(x, y)) {
          wrongInside += frame.pixel(x, y) != whole.pixel(x, y);
        } else {
          touchedOutside += frame.pixel(x, y) != sentinel;
        }
      }
    }
    EXPECT_EQ(wrongInside, 0);
    EXPECT_EQ(touchedOutside, 0);
  }
}

// What reaches the screen is a frame the view composed of the keys it shows,
// also when its buffers were made anew (a resize, a change of mode) after a
// repaint was asked for, and when only a part is redrawn after that.
TEST_F(MapViewDrawing, TheScreenShowsAComposedFrameAfterTheBuffersChange) {
  map.OnMeasureKeyHook = view.MeasureKeyHook();
  test::BuildSyntheticMap(map, 400, 300, 20, 7);
  const TKeys keys = map.Keys();
  const struct {
    const char* name;
    QSize size;
    bool excluded;
    bool partial;
  } cases[] = {
      {"resized", {520, 360}, false, false},
      {"made smaller", {300, 200}, false, false},
      {"mode changed", {400, 300}, true, false},
      {"resized, then a part redrawn", {520, 360}, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    view.resize(400, 300);
    map.SetExcludedMode(false);
    map.CopyKeysIn(keys);
    view.LoadKeysAndDraw();  // a repaint is asked for and not yet done
    view.resize(c.size);
    map.SetExcludedMode(c.excluded);
    if (c.partial) {
      const QRect dirty[] = {QRect(10, 10, 30, 20)};
      view.DrawDirty(dirty, view.KeyArray());
    }
    const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);

    TDrawAndEventMap reference;
    reference.resize(c.size);
    reference.SetSkinPath(u"");
    reference.SetContentMap(&map);
    reference.DrawMap(keys);
    const QImage expected = reference.BackBuffer().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), expected.size());
    int different = 0;
    for (int y = 0; y < shown.height(); ++y) {
      for (int x = 0; x < shown.width(); ++x) different += shown.pixel(x, y) != expected.pixel(x, y);
    }
    EXPECT_EQ(different, 0);
  }
  map.SetExcludedMode(false);
}

TEST_F(MapViewDrawing, PrivateMessagePaintsAndIgnoresOtherValues) {
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  const QImage clean = Clean();
  view.BackBuffer().fill(Qt::black);
  TMapMessageEvent ignored(2);
  QCoreApplication::sendEvent(&view, &ignored);
  EXPECT_EQ(view.BackBuffer().pixel(5, 5), qRgb(0, 0, 0));
  TMapMessageEvent paint(1);
  QCoreApplication::sendEvent(&view, &paint);
  EXPECT_EQ(view.BackBuffer().pixel(5, 5), clean.pixel(5, 5));
  // A repaint the view asked for copies the buffer; it composes nothing.
  view.BackBuffer().fill(Qt::black);
  const QRect corner[] = {QRect(0, 0, 1, 1)};
  view.DrawDirty(corner, TKeys{});
  view.repaint();
  EXPECT_EQ(view.BackBuffer().pixel(5, 5), qRgb(0, 0, 0));
}

}  // namespace
}  // namespace kestrune
