// The skinned image controls: where pictures come from, the key-colour
// region, captions, the layers and their composition, the frame animation,
// the page panel and the label.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QPainter>
#include <QResizeEvent>
#include <QTest>
#include <cmath>
#include <memory>

#include "platform/gui/font_substitution.h"
#include "platform/gui/timer_source.h"
#include "tests/ui/skin_test_support.h"
#include "ui/ianime.h"
#include "ui/ibitmap.h"
#include "ui/ilabel.h"
#include "ui/ipanel.h"

namespace kestrune {
namespace {

using test::Solid;

QRgb Pixel(const QImage& image, int x, int y) { return image.pixel(x, y); }

TEST(ibitmap, FileNameLoadsTheFileNamePartFromTheControlFolder) {
  test::TSkinFolder folder;
  folder.Write("plate.png", Solid(20, 10, Qt::red));
  const char* values[] = {"plate.png", "C:\\Design\\Skins\\plate.png", "/home/maker/skins/plate.png",
                          "D:plate.png", "PLATE.PNG", "skins\\Plate.Png"};
  for (const char* value : values) {
    SCOPED_TRACE(value);
    ibitmap control;
    control.SetFileName(value);
    EXPECT_EQ(control.FileName(), value);
    EXPECT_EQ(control.size(), QSize(20, 10));
    ASSERT_TRUE(control.HasPicture());
    EXPECT_EQ(Pixel(control.Picture(), 5, 5), qRgb(255, 0, 0));
  }
}

TEST(ibitmap, EmptyStretchedAndMissingPictures) {
  test::TSkinFolder folder;
  folder.Write("plate.png", Solid(20, 10, Qt::red));
  test::TLogCapture log;
  // An empty name keeps the picture and the name.
  ibitmap kept;
  kept.SetFileName("plate.png");
  kept.SetFileName("");
  EXPECT_EQ(kept.FileName(), "plate.png");
  EXPECT_TRUE(kept.HasPicture());
  // Stretched, the control keeps its size.
  ibitmap stretched;
  stretched.resize(50, 40);
  stretched.SetStretch(true);
  stretched.SetFileName("plate.png");
  EXPECT_EQ(stretched.size(), QSize(50, 40));
  // A missing picture: 0 x 0 and one warning naming the path.
  ibitmap missing;
  missing.resize(30, 30);
  missing.SetFileName("C:\\skins\\gone.png");
  EXPECT_FALSE(missing.HasPicture());
  EXPECT_EQ(missing.size(), QSize(0, 0));
  const std::vector<std::string> lines = log.Lines("gone.png");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("[Warning]"), std::string::npos);
  EXPECT_NE(lines[0].find(folder.Path("gone.png")), std::string::npos);
  EXPECT_TRUE(ComposeControl(missing).isNull() || ComposeControl(missing).size().isEmpty());
}

TEST(ibitmap, KeyColourRegionSwallowsMovesOverItsPixelsOnly) {
  test::TSkinFolder folder;
  // Magenta everywhere (the top-left pixel's colour) but a blue block.
  QImage picture = Solid(10, 10, Qt::magenta);
  for (int y = 5; y < 10; ++y) {
    for (int x = 5; x < 10; ++x) picture.setPixelColor(x, y, Qt::blue);
  }
  folder.Write("key.png", picture);
  struct TCase {
    const char* what;
    bool region;
    bool stretch;
    QPoint at;
    bool fires;
  };
  const TCase cases[] = {
      {"over the key colour", true, false, {1, 1}, false},
      {"over the key colour, lower left", true, false, {2, 8}, false},
      {"over another colour", true, false, {7, 7}, true},
      {"no region: the key colour too", false, false, {1, 1}, true},
      {"stretched, outside the picture", true, true, {25, 25}, true},
      {"stretched, inside the picture", true, true, {1, 1}, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    QWidget parent;
    auto* control = new ibitmap(&parent);
    control->SetICreateRegion(c.region);
    if (c.stretch) {
      control->resize(30, 30);
      control->SetStretch(true);
    }
    control->SetFileName("key.png");
    int moves = 0;
    control->OnMouseMove = [&](QWidget&, Qt::MouseButtons, Qt::KeyboardModifiers, int32_t, int32_t) { ++moves; };
    parent.show();
    QMouseEvent move(QEvent::MouseMove, QPointF(c.at), control->mapToGlobal(QPointF(c.at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(control, &move);
    EXPECT_EQ(moves > 0, c.fires);
  }
}

// The darkest grey of the caption over a white picture, and where captions
// leave the picture.
struct TInk {
  int darkest = 255;
  QRect dark;     // pixels darker than mid-grey
  QRect touched;  // pixels that are not white
};

TInk InkOf(const QImage& image) {
  TInk ink;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      const int grey = std::max({qRed(p), qGreen(p), qBlue(p)});  // dark only when every channel is
      ink.darkest = std::min(ink.darkest, grey);
      if (grey < 100) ink.dark |= QRect(x, y, 1, 1);
      if (qRed(p) < 250 || qGreen(p) < 250 || qBlue(p) < 250) ink.touched |= QRect(x, y, 1, 1);
    }
  }
  return ink;
}

TEST(ibitmap, CaptionOpacityStretchAndGlow) {
  test::TSkinFolder folder;
  folder.Write("white.png", Solid(60, 24, Qt::white));
  struct TCase {
    const char* what;
    bool enabled;
    bool stretch;
    int minDarkest, maxDarkest;
  };
  const TCase cases[] = {
      {"enabled: full opacity", true, false, 0, 30},
      {"disabled: half opacity", false, false, 110, 145},
      {"stretched: no caption", true, true, 255, 255},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    QWidget parent;
    auto* control = new ibitmap(&parent);
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    control->setPalette(palette);
    control->setFont(QFont("Tahoma", 14));
    if (c.stretch) {
      control->resize(60, 24);
      control->SetStretch(true);
    }
    control->SetFileName("white.png");
    control->SetCaption("HH");
    control->setEnabled(c.enabled);
    const TInk ink = InkOf(ComposeControl(*control));
    EXPECT_GE(ink.darkest, c.minDarkest);
    EXPECT_LE(ink.darkest, c.maxDarkest);
  }
  // The glow is a halo of one pixel around the text.
  ibitmap glowing;
  glowing.setFont(QFont("Tahoma", 16));
  glowing.SetFileName("white.png");
  glowing.SetCaption("I");
  const TInk plain = InkOf(ComposeControl(glowing));
  glowing.SetGlow(true);
  glowing.SetGlowColor(QColor(255, 0, 0));
  const QImage glowImage = ComposeControl(glowing);
  const TInk glow = InkOf(glowImage);
  ASSERT_FALSE(plain.dark.isEmpty());
  EXPECT_EQ(plain.touched, plain.dark);  // single-bit glyphs: no grey edge
  // One pixel around the text, and the anti-aliased fringe of that pixel.
  EXPECT_LE(glow.touched.left(), glow.dark.left() - 1);
  EXPECT_GE(glow.touched.left(), glow.dark.left() - 2);
  EXPECT_GE(glow.touched.right(), glow.dark.right() + 1);
  EXPECT_LE(glow.touched.right(), glow.dark.right() + 2);
  EXPECT_LE(glow.touched.top(), glow.dark.top() - 1);
  EXPECT_GE(glow.touched.top(), glow.dark.top() - 2);
  EXPECT_GE(glow.touched.bottom(), glow.dark.bottom() + 1);
  EXPECT_LE(glow.touched.bottom(), glow.dark.bottom() + 2);
  int reddest = 0;
  for (int y = 0; y < glowImage.height(); ++y) {
    for (int x = 0; x < glowImage.width(); ++x) {
      const QRgb p = glowImage.pixel(x, y);
      reddest = std::max(reddest, qRed(p) - qGreen(p));
    }
  }
  EXPECT_GT(reddest, 150);
}

TEST(ibitmap, LayersAndComposition) {
  test::TSkinFolder folder;
  folder.Write("red.png", Solid(10, 10, Qt::red));
  folder.Write("green.png", Solid(10, 10, Qt::green));
  QImage half = Solid(10, 10, Qt::transparent);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 5; ++x) half.setPixelColor(x, y, Qt::blue);
  }
  folder.Write("half.png", half);
  QWidget parent;
  auto add = [&](const char* name, const char* file, QPoint at) {
    auto* control = new ibitmap(&parent);
    control->setObjectName(name);
    control->SetFileName(file);
    control->move(at);
    return control;
  };
  // Overlay over the picture; no picture of its own: the underlay shows.
  ibitmap* base = add("base", "red.png", {0, 0});
  ibitmap* cover = add("cover", "half.png", {0, 0});
  base->SetUbitmap(cover);
  cover->hide();
  QImage composed = ComposeControl(*base);
  EXPECT_EQ(Pixel(composed, 2, 5), qRgb(0, 0, 255));
  EXPECT_EQ(Pixel(composed, 7, 5), qRgb(255, 0, 0));
  base->SetUseDraw(false);
  base->SetUbitmap(nullptr);
  base->SetDbitmap(cover);
  composed = ComposeControl(*base);
  EXPECT_EQ(Pixel(composed, 2, 5), qRgb(0, 0, 255));
  EXPECT_EQ(qAlpha(composed.pixel(7, 5)), 0);
  base->SetDbitmap(nullptr);
  composed = ComposeControl(*base);
  EXPECT_EQ(qAlpha(composed.pixel(2, 5)), 0);  // UseDraw off, no layers: nothing

  // A destroyed overlay draws nothing; a cycle of overlays draws each once.
  base->SetUseDraw(true);
  {
    auto* gone = add("gone", "green.png", {0, 0});
    base->SetUbitmap(gone);
    delete gone;
  }
  EXPECT_EQ(base->Ubitmap(), nullptr);
  EXPECT_EQ(Pixel(ComposeControl(*base), 5, 5), qRgb(255, 0, 0));
  ibitmap* loopA = add("loopA", "half.png", {40, 0});
  ibitmap* loopB = add("loopB", "half.png", {40, 0});
  loopA->SetUbitmap(loopB);
  loopB->SetUbitmap(loopA);
  loopA->SetDbitmap(loopB);
  QImage target = Solid(20, 20, Qt::white);
  {
    QPainter painter(&target);
    loopA->DrawTo(painter, 0, 0);
  }
  EXPECT_EQ(Pixel(ComposeControl(*loopA), 2, 2), qRgb(0, 0, 255));
  EXPECT_EQ(Pixel(target, 2, 2), qRgb(0, 0, 255));

  // Two siblings of one name: each keeps its own place in the stacking (the
  // upper one half transparent over the lower one).
  ibitmap* lower = add("twin", "red.png", {80, 0});
  ibitmap* upper = add("twin", "half.png", {80, 0});
  EXPECT_EQ(Pixel(ComposeControl(*upper), 2, 5), qRgb(0, 0, 255));
  EXPECT_EQ(Pixel(ComposeControl(*upper), 7, 5), qRgb(255, 0, 0));
  EXPECT_EQ(Pixel(ComposeControl(*lower), 2, 5), qRgb(0, 0, 255));
  EXPECT_EQ(Pixel(ComposeControl(*lower), 7, 5), qRgb(255, 0, 0));
  upper->hide();
  EXPECT_EQ(Pixel(ComposeControl(*lower), 2, 5), qRgb(255, 0, 0));
}

TEST(IAnime, FramesLoopAndStop) {
  test::TSkinFolder folder;
  const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
  for (int i = 0; i < 3; ++i) folder.Write("spin0" + std::to_string(i + 1) + ".png", Solid(4, 4, colours[i]));
  folder.Write("other01.png", Solid(4, 4, Qt::black));
  struct TCase {
    const char* what;
    bool loop;
    std::vector<QRgb> shown;  // after each 100 ms
    bool runningAfter;
    int32_t frameAfter;
  };
  const QRgb r = qRgb(255, 0, 0), g = qRgb(0, 255, 0), b = qRgb(0, 0, 255);
  const TCase cases[] = {
      {"once: ends on frame 0", false, {g, b, r, r, r}, false, 0},
      {"loop: goes round", true, {g, b, r, g, b, r, g}, true, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    TSteppedTimerSource clock;
    IAnime anime(nullptr, &clock);
    anime.Setfiles("C:\\Design\\spin");
    ASSERT_EQ(anime.FrameCount(), 3);
    EXPECT_FALSE(anime.anime());
    anime.Setloop(c.loop);  // writing loop starts it, False too
    EXPECT_TRUE(anime.anime());
    for (size_t i = 0; i < c.shown.size(); ++i) {
      clock.Advance(100);
      ASSERT_TRUE(anime.HasPicture());
      EXPECT_EQ(anime.Picture().pixel(1, 1), c.shown[i]) << "step " << i;
    }
    EXPECT_EQ(anime.anime(), c.runningAfter);
    EXPECT_EQ(anime.frame(), c.frameAfter);
  }
  // anime := False stops where it is; frame moves the index only.
  TSteppedTimerSource clock;
  IAnime anime(nullptr, &clock);
  anime.Setfiles("spin");
  anime.Setanime(true);
  clock.Advance(100);
  anime.Setanime(false);
  clock.Advance(500);
  EXPECT_EQ(anime.Picture().pixel(1, 1), g);
  anime.Setframe(0);
  EXPECT_EQ(anime.Picture().pixel(1, 1), g);
  anime.Setanime(true);
  clock.Advance(100);
  EXPECT_EQ(anime.Picture().pixel(1, 1), g);
  // A prefix without files: no frames, the picture stays.
  IAnime none(nullptr, &clock);
  none.Setfiles("nothing");
  none.Setloop(true);
  clock.Advance(300);
  EXPECT_EQ(none.FrameCount(), 0);
  EXPECT_FALSE(none.HasPicture());
}

TEST(IPanelGroup, ActivePage) {
  QWidget form;
  auto* group = new IPanelGroup(&form);
  group->resize(200, 100);
  auto* first = new ipanel(group);
  auto* second = new ipanel(group);
  auto* foreign = new ipanel(&form);
  first->SetCaption("first");
  form.show();
  group->SetActivePage(first);
  EXPECT_EQ(group->ActivePage(), first);
  EXPECT_TRUE(first->isVisible());
  EXPECT_FALSE(second->isVisible());
  EXPECT_EQ(first->geometry(), group->rect());
  EXPECT_EQ(first->Caption(), "");
  EXPECT_EQ(first->BevelOuter(), BevelNone);
  group->resize(300, 120);
  EXPECT_EQ(first->size(), QSize(300, 120));
  // A panel of another parent changes nothing.
  const QRect foreignPlace = foreign->geometry();
  group->SetActivePage(foreign);
  EXPECT_EQ(group->ActivePage(), first);
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(foreign->geometry(), foreignPlace);
  group->SetActivePage(second);
  EXPECT_TRUE(second->isVisible());
  EXPECT_FALSE(first->isVisible());
  // None only records none.
  group->SetActivePage(nullptr);
  EXPECT_EQ(group->ActivePage(), nullptr);
  EXPECT_TRUE(second->isVisible());
}

TEST(ILabel, AutoSizeAndPlacement) {
  QWidget parent;
  parent.resize(200, 100);
  auto* label = new ILabel(&parent);
  label->setFont(QFont("Tahoma", 13));
  label->resize(5, 5);
  label->Settext("Coverage:");
  EXPECT_EQ(label->size(), QSize(5, 5));  // no AutoSize yet
  label->SetAutoSize(true);               // fits at once
  QFont measured(platform::SubstituteFontFamily(u"Tahoma"));
  measured.setPixelSize(13);
  const auto fitted = [&](const QString& text) {
    const QSizeF size = QFontMetricsF(measured).size(0, text);
    return QSize(static_cast<int>(std::nearbyint(size.width())) + 1,
                 static_cast<int>(std::nearbyint(size.height())) + 1);
  };
  EXPECT_EQ(label->size(), fitted("Coverage:"));
  label->Settext("Coverage of the map:\nsecond line");
  EXPECT_EQ(label->size(), fitted("Coverage of the map:\nsecond line"));
  EXPECT_GT(label->height(), fitted("x").height());

  // Anchors keep the distances to the anchored sides; align docks.
  auto* right = new ILabel(&parent);
  right->setGeometry(150, 10, 40, 20);
  right->Setanchors(AnchorRight | AnchorTop);
  auto* both = new ILabel(&parent);
  both->setGeometry(10, 40, 100, 20);
  both->Setanchors(AnchorLeft | AnchorRight | AnchorTop | AnchorBottom);
  auto* bottom = new ILabel(&parent);
  bottom->resize(30, 16);
  bottom->Setalign(AlignBottom);
  EXPECT_EQ(bottom->geometry(), QRect(0, 84, 200, 16));
  parent.resize(300, 150);
  parent.show();
  EXPECT_EQ(right->geometry(), QRect(250, 10, 40, 20));
  EXPECT_EQ(both->geometry(), QRect(10, 40, 200, 70));
  EXPECT_EQ(bottom->geometry(), QRect(0, 134, 300, 16));
}

}  // namespace
}  // namespace kestrune
