// The new-map animation on a stepped clock: which words move, appear and
// vanish, their straight-line interpolation, the flight into an anchor word, a
// click that ends the animation within one frame, the re-entrant rebuild, and
// the word left enlarged afterwards.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPainter>
#include <map>
#include <vector>

#include "map/view/draw_and_event_map.h"
#include "tests/map/view/map_view_test_support.h"

namespace kestrune {
namespace {

TKey AnimKey(int32_t id, float left, float top, float size, int32_t alpha, uint32_t flags = 0) {
  TKey key;
  key.Name = u"w" + std::u16string(1, static_cast<char16_t>(u'a' + id % 26));
  key.Id = id;
  key.Left = left;
  key.Top = top;
  key.FontSize = size;
  key.Alpha = alpha;
  key.Color = test::kSlate;
  key.TextWidth = 30;
  key.TextHeight = 16;
  key.Flags = flags;
  return key;
}

class MapViewAnimation : public test::ShownMapView {
 protected:
  void SetUp() override {
    ShownMapView::SetUp();
    // Frames drawn while the animation runs: its own, then the new map.
    view->OnEntryX = [this](QPainter&) {
      if (view->Animating()) {
        frames.push_back(view->AnimationKeys());
        if (onFrame) onFrame(static_cast<int>(frames.size()));
      } else {
        ++stillFrames;
      }
    };
  }

  void Animate(const TKeys& before, const TKeys& after, uint32_t step = 100) {
    map.SetPreviousKeys(before);
    map.CopyKeysIn(after);
    frames.clear();
    stillFrames = 0;
    clock.SetReadStep(step);
    view->AnimateNewMap();
  }

  static const TKey& Entry(const TKeys& entries, int32_t id) {
    for (const TKey& e : entries) {
      if (e.Id == id) return e;
    }
    static const TKey none;
    ADD_FAILURE() << "no entry " << id;
    return none;
  }

  std::vector<TKeys> frames;
  int stillFrames = 0;
  std::function<void(int)> onFrame;
};

TEST_F(MapViewAnimation, WordsMoveAppearAndVanishAlongStraightLines) {
  const TKeys before = {AnimKey(1, 10, 10, 10, 255), AnimKey(2, 100, 100, 12, 255), AnimKey(3, 200, 50, 12, 200),
                        AnimKey(4, 60, 60, 12, 255, KF_HIDDEN), AnimKey(5, 70, 70, 12, 255, KF_EXCLUDED)};
  const TKeys after = {AnimKey(1, 50, 30, 14, 155), AnimKey(2, 100, 100, 12, 255), AnimKey(6, 300, 200, 12, 255),
                       AnimKey(7, 20, 20, 12, 255, KF_HIDDEN)};
  Animate(before, after);
  // 400 ms read 100 ms at a time: frames at 100, 200 and 300 ms, then the
  // new map.
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(stillFrames, 0);
  std::vector<int32_t> ids;
  for (const TKey& e : frames[1]) ids.push_back(e.Id);
  EXPECT_EQ(ids, (std::vector<int32_t>{1, 2, 6, 3}));

  struct TExpect {
    int32_t id;
    float left, top, size;
    int32_t alpha;
  };
  const TExpect half[] = {{1, 30, 20, 12, 205},    // moves, grows, fades to its new alpha
                          {2, 100, 100, 12, 255},  // stays
                          {6, 300, 200, 12, 127},  // fades in where it ends
                          {3, 200, 50, 12, 100}};  // fades out where it was
  for (const TExpect& e : half) {
    SCOPED_TRACE(e.id);
    const TKey& k = Entry(frames[1], e.id);
    EXPECT_FLOAT_EQ(k.Left, e.left);
    EXPECT_FLOAT_EQ(k.Top, e.top);
    EXPECT_FLOAT_EQ(k.FontSize, e.size);
    EXPECT_EQ(k.Alpha, e.alpha);
  }
  EXPECT_FLOAT_EQ(Entry(frames[0], 1).Left, 20.0f);
  EXPECT_FLOAT_EQ(Entry(frames[2], 1).Left, 40.0f);

  EXPECT_FALSE(view->Animating());
  EXPECT_EQ(view->State(), 0u);
  EXPECT_EQ(view->KeyArray(), after);
}

TEST_F(MapViewAnimation, WhileHoveredNewWordsGrowFromTheSmallestSize) {
  const TKeys before = {AnimKey(1, 10, 10, 16, 255, KF_HOVERED | KF_CARRIED),
                        AnimKey(3, 200, 50, 14, 255, KF_CONTEXT)};
  const TKeys after = {AnimKey(1, 10, 10, 16, 255, KF_HOVERED | KF_CARRIED), AnimKey(6, 300, 200, 12, 255)};
  map.SetHoveredKey(0);
  map.SetHoverTargetKey(0);
  Animate(before, after);
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_FLOAT_EQ(Entry(frames[1], 6).FontSize, 11.0f);  // 10 -> 12
  EXPECT_FLOAT_EQ(Entry(frames[1], 3).FontSize, 12.0f);  // a context word shrinks to 10
  // The mouse is not over the hovered word: it is not enlarged, and the
  // hover will end.
  EXPECT_EQ(view->KeyArray()[0].Flags & KF_HOVERED, 0u);
  EXPECT_TRUE(view->HoverOutTimer().Enabled());
}

TEST_F(MapViewAnimation, VanishingWordsFlyIntoTheAnchorWord) {
  const TKeys before = {AnimKey(1, 10, 10, 12, 255), AnimKey(2, 100, 100, 12, 255), AnimKey(3, 200, 50, 16, 255),
                        AnimKey(8, 300, 250, 12, 255)};
  const TKeys after = {AnimKey(1, 10, 10, 12, 255), AnimKey(2, 100, 100, 12, 255)};
  map.SetAnchorKey(2);
  map.SetClickedKey(1);
  Animate(before, after);
  ASSERT_EQ(frames.size(), 4u);
  const TKey& anchorWord = Entry(frames[1], 3);
  EXPECT_FLOAT_EQ(anchorWord.Left, 200.0f);
  EXPECT_EQ(anchorWord.Alpha, 127);
  const TKey& flying = Entry(frames[1], 8);
  EXPECT_FLOAT_EQ(flying.Left, 250.0f);
  EXPECT_FLOAT_EQ(flying.Top, 150.0f);
  EXPECT_FLOAT_EQ(flying.FontSize, 14.0f);
  EXPECT_EQ(flying.Alpha, 127);
  EXPECT_EQ(Entry(frames[2], 8).Alpha, 63);
  EXPECT_EQ(map.AnchorKey(), -1);
  EXPECT_EQ(map.ClickedKey(), -1);
}

TEST_F(MapViewAnimation, SameMapStillRunsItsFrames) {
  const TKeys keys = {AnimKey(1, 10, 10, 12, 255), AnimKey(2, 100, 100, 12, 255)};
  map.SetPreviousKeys(keys);
  map.CopyKeysIn(keys);
  clock.SetReadStep(100);
  // The private message runs the animation.
  QCoreApplication::postEvent(view.get(), new TMapMessageEvent(0));
  QCoreApplication::processEvents();
  ASSERT_EQ(frames.size(), 4u);
  for (const TKeys& frame : frames) {
    EXPECT_FLOAT_EQ(Entry(frame, 2).Left, 100.0f);
    EXPECT_EQ(Entry(frame, 2).Alpha, 255);
  }
}

TEST_F(MapViewAnimation, NothingToAnimateDrawsNothing) {
  Animate({}, {AnimKey(1, 10, 10, 12, 255, KF_HIDDEN)});
  EXPECT_TRUE(frames.empty());
  EXPECT_EQ(stillFrames, 0);
  EXPECT_EQ(view->State(), 0u);
  EXPECT_FALSE(view->Animating());
}

TEST_F(MapViewAnimation, ClickEndsTheAnimationWithinOneFrame) {
  std::vector<std::string> log;
  const TKeys rebuilt = {AnimKey(9, 150, 150, 12, 255)};
  view->OnMouseClickByWord = [&](TCustomDrawAndEventMap&, TNNKey& key, bool, int32_t variant) {
    log.push_back("click " + std::to_string(variant) + " " + std::to_string(key.Id) + " frame " +
                  std::to_string(frames.size()) + (view->Animating() ? " animating" : ""));
    // The main window answers with a rebuild: the inner call only takes the
    // new keys.
    map.CopyKeysIn(rebuilt);
    view->AnimateNewMap();
    log.push_back(view->Animating() ? "inner returned" : "inner ran");
  };
  const TKeys before = {AnimKey(1, 10, 10, 12, 255)};
  const TKeys after = {AnimKey(1, 50, 50, 12, 255), AnimKey(2, 200, 100, 12, 255)};
  const QPoint word(205, 108);
  onFrame = [&](int frame) {
    if (frame != 3) return;
    const QPointF global = view->mapToGlobal(QPointF(word));
    QCoreApplication::postEvent(view.get(), new QMouseEvent(QEvent::MouseButtonPress, QPointF(word), global,
                                                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(view.get(), new QMouseEvent(QEvent::MouseButtonRelease, QPointF(word), global,
                                                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
  };
  Animate(before, after, 10);  // 40 frames unless interrupted
  EXPECT_EQ(log, (std::vector<std::string>{"click 2 2 frame 3 animating", "inner returned"}));
  EXPECT_EQ(frames.size(), 4u);  // three, then the new map
  EXPECT_FALSE(view->Animating());
  EXPECT_FALSE(view->AnimationInterrupted());
  EXPECT_EQ(view->State(), 0u);
  ASSERT_EQ(view->KeyArray().size(), 1u);
  EXPECT_EQ(view->KeyArray()[0].Id, 9);
}

TEST_F(MapViewAnimation, OnlyTheHoverTargetStaysEnlarged) {
  const TKeys keys = {AnimKey(1, 10, 10, 12, 255), AnimKey(2, 100, 100, 12, 255, KF_CARRIED)};
  struct TCase {
    QPoint mouse;
    uint32_t hoveredFlags0, hoveredFlags1;
    int32_t cursor;
  };
  const TCase cases[] = {{QPoint(15, 18), 0, 0, platform::crDefault},
                         {QPoint(105, 108), 0, KF_HOVERED, platform::crHandPoint}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.mouse.x());
    QCursor::setPos(view->mapToGlobal(c.mouse));
    map.SetHoveredKey(0);
    map.SetHoverTargetKey(1);
    Animate(keys, keys);
    EXPECT_EQ(view->KeyArray()[0].Flags & KF_HOVERED, c.hoveredFlags0);
    EXPECT_EQ(view->KeyArray()[1].Flags & KF_HOVERED, c.hoveredFlags1);
    EXPECT_EQ(view->EnlargedKey(), 1);
    EXPECT_FALSE(view->HoverOutTimer().Enabled());  // the mouse is over a word
    EXPECT_EQ(view->CursorId(), c.cursor);
  }
}

// The hover target is left enlarged where the animation's last frame put it;
// once the mouse leaves it, it takes its exact place on the new map, also on
// the top edge and between two pixels.
TEST_F(MapViewAnimation, TheEnlargedHoverTargetReturnsToItsExactNewPlace) {
  const TKeys before = {AnimKey(1, 10, 10, 12, 255), AnimKey(2, 100, 100, 12, 255, KF_CARRIED)};
  const TKeys after = {AnimKey(1, 10, 10, 12, 255), AnimKey(2, 150.5f, 0.0f, 12, 255, KF_CARRIED)};
  // The last frame (300 ms) leaves the word at (137.875, 25).
  QCursor::setPos(view->mapToGlobal(QPoint(150, 30)));
  map.SetHoveredKey(0);
  map.SetHoverTargetKey(1);
  Animate(before, after);
  ASSERT_EQ(view->EnlargedKey(), 1);
  ASSERT_EQ(view->KeyArray()[1].Left, 137.875f);
  QTest::mouseMove(view.get(), QPoint(390, 290));
  QCoreApplication::processEvents();
  EXPECT_EQ(view->KeyArray()[1].Left, 150.5f);
  EXPECT_EQ(view->KeyArray()[1].Top, 0.0f);
}

}  // namespace
}  // namespace kestrune
