// The mouse over the map view, driven by scripted mouse actions on the
// offscreen screen with a stepped clock: hit-testing, enlarging, hover delays,
// hover-out, clicks on words, anchors and query words, the word popup, the
// idle cursor and the relayout after a resize.
#include <gtest/gtest.h>

#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "map/view/draw_and_event_map.h"
#include "platform/files.h"
#include "tests/map/view/map_view_test_support.h"

namespace kestrune {
namespace {

using test::PlacedKey;

std::string KeysText(const TNNKeys& keys) {
  std::ostringstream out;
  out << "[";
  for (size_t i = 0; i < keys.size(); ++i) out << (i ? " " : "") << keys[i].Id << ":" << keys[i].Weight;
  out << "]";
  return out.str();
}

class MapViewMouse : public test::ShownMapView {
 protected:
  void SetUp() override {
    ShownMapView::SetUp();
    view->OnGroupSelect = [this](TCustomDrawAndEventMap&, int32_t count, const TNNKeys& keys, bool selected,
                                 int32_t variant) {
      std::ostringstream out;
      out << "group " << variant << " " << count << " " << KeysText(keys) << " " << (selected ? "T" : "F");
      log.push_back(out.str());
    };
    auto word = [this](const char* name) {
      return [this, name](TCustomDrawAndEventMap&, TNNKey& key, bool selected, int32_t variant) {
        std::ostringstream out;
        out << name << " " << variant << " " << key.Id;
        if (std::string(name) == "click") out << " " << key.Weight;
        out << " " << (selected ? "T" : "F");
        log.push_back(out.str());
      };
    };
    view->OnMouseClickByWord = word("click");
    view->OnMouseToWord = word("to");
    view->OnMouseOutWord = word("out");
    view->OnMapMouseDownHook = [this] { log.push_back("down-hook"); };
    view->OnHoverOutHook = [this] { log.push_back("hover-out-hook"); };
    view->OnMouseDown = [this](TCustomDrawAndEventMap&, Qt::MouseButton, Qt::KeyboardModifiers, int32_t, int32_t) {
      log.push_back("mouse-down");
    };
    view->OnMouseUp = [this](TCustomDrawAndEventMap&, Qt::MouseButton, Qt::KeyboardModifiers, int32_t, int32_t) {
      log.push_back("mouse-up");
    };
    view->OnClick = [this](TCustomDrawAndEventMap&) { log.push_back("on-click"); };
    view->OnSingleSelect = [this](TCustomDrawAndEventMap&, TNNKey&, bool, int32_t) { log.push_back("single"); };
    view->OnEntry = [this](TCustomDrawAndEventMap&) { log.push_back("entry"); };

    // Two words above, a query word and a context word below: all of them
    // lie inside the hovered context's box (50 pixels around the query and
    // context words).
    Show({PlacedKey(*view, 100, u"alpha", 40, 70), PlacedKey(*view, 101, u"beta", 160, 70),
          PlacedKey(*view, 102, u"query", 40, 110, 12.0f, test::kRed, KF_QUERY),
          PlacedKey(*view, 103, u"gamma", 160, 110, 12.0f, test::kSlate, KF_CONTEXT)});
    map.Steps().SetValue(0, 102, 1.0f, true);
    map.Steps().SetValue(0, 999, 1.0f, true);
    log.clear();
  }

  std::vector<std::string> Take() {
    std::vector<std::string> taken;
    taken.swap(log);
    return taken;
  }

  void HoverOver(int32_t index) {
    MoveTo(Inside(index));
    clock.Advance(map.HoveredKey() >= 0 ? 700 : 250);
  }

  std::vector<std::string> log;
  const QPoint empty{120, 150};  // inside the context box, on no word
};

using Log = std::vector<std::string>;

TEST_F(MapViewMouse, HitTestRules) {
  TKeys keys = {PlacedKey(*view, 1, u"overlap", 50, 50), PlacedKey(*view, 2, u"overlap", 55, 52),
                PlacedKey(*view, 3, u"hidden", 200, 50, 12.0f, test::kSlate, KF_HIDDEN),
                PlacedKey(*view, 4, u"hovered", 200, 150, 12.0f, test::kSlate, KF_HOVERED),
                PlacedKey(*view, 5, u"above", 205, 152), PlacedKey(*view, 6, u"asleep", 40, 200, 12.0f, test::kSlate, KF_INACTIVE),
                PlacedKey(*view, 7, u"hq", 300, 250, 12.0f, test::kRed, KF_HOVERED | KF_QUERY)};
  Show(keys);
  const TKey& hovered = view->KeyArray()[3];
  const int hoveredRight = static_cast<int>(200 + hovered.TextWidth);
  struct TCase {
    int x, y;
    int32_t mapHovered;
    int32_t hit;
    bool anchor;
  };
  const TCase cases[] = {
      {60, 55, -1, 1, false},                                  // both overlap: the higher index
      {210, 55, -1, -1, false},                                // hidden
      {210, 155, -1, 3, false},                                // the hovered word beats a higher index
      {hoveredRight, 155, -1, 3, true},                        // its right edge is the anchor zone's left
      {hoveredRight + 16, 155, -1, 3, true},                   // the anchor zone's right edge
      {hoveredRight + 17, 155, -1, -1, false},                 //
      {45, 205, -1, 5, false},                                 // inactive words count on a query map
      {45, 205, 0, 5, false},                                  // and, on a hover map, after the active ones
      {300 + view->KeyArray()[6].TextWidth, 255, -1, 6, false},  // a hovered query word has no anchor zone
      {50, 49, -1, -1, false},                                 // above the box
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " hovered " << c.mapHovered);
    map.SetHoveredKey(c.mapHovered);
    EXPECT_EQ(view->HitTest(c.x, c.y), c.hit != -1);
    EXPECT_EQ(view->HitIndex(), c.hit);
    EXPECT_EQ(view->OnAnchor(), c.anchor);
  }
}

TEST_F(MapViewMouse, HoverInAfterItsDelayThenSevenHundredWhileHovered) {
  MoveTo(Inside(1));
  // Enlarged at once, in the hovered style, with the hand cursor.
  EXPECT_EQ(view->EnlargedKey(), 1);
  EXPECT_NE(view->KeyArray()[1].Flags & KF_HOVERED, 0u);
  EXPECT_EQ(view->KeyArray()[1].FontSize, 16.0f);
  EXPECT_EQ(view->CursorId(), platform::crHandPoint);
  clock.Advance(249);
  EXPECT_EQ(Take(), Log{});
  clock.Advance(1);
  EXPECT_EQ(Take(), (Log{"group 4 1 [101:0.5] T", "to 1 101 F"}));
  EXPECT_EQ(map.HoveredKey(), 1);
  EXPECT_FALSE(map.RestoreBaseMap());

  // The next word needs 700 ms, and its hover follows a hover.
  MoveTo(Inside(3));
  clock.Advance(699);
  EXPECT_EQ(Take(), Log{});
  clock.Advance(1);
  EXPECT_EQ(Take(), (Log{"group 4 1 [103:0.5] T", "to 17 103 F"}));
  EXPECT_EQ(map.HoveredKey(), 3);
  EXPECT_TRUE(map.RestoreBaseMap());
}

TEST_F(MapViewMouse, NoHoverAgainOnTheWordWhoseHoverBuiltTheMap) {
  map.SetHoverTargetKey(1);
  HoverOver(1);
  EXPECT_EQ(Take(), Log{});
  EXPECT_EQ(map.HoveredKey(), -1);
  EXPECT_FALSE(view->HoverInTimer().Enabled());
}

TEST_F(MapViewMouse, BusyStatesIgnoreClicksOrHovering) {
  struct TCase {
    uint32_t state;
    bool clicks;
    bool hovering;
  };
  const TCase cases[] = {{TCustomDrawAndEventMap::kStateBusy, false, false},
                         {TCustomDrawAndEventMap::kStateSearch, false, false},
                         {TCustomDrawAndEventMap::kStateInactive, true, false},
                         {TCustomDrawAndEventMap::kStateAnimation, true, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.state);
    MoveTo(QPoint(10, 290));
    view->EnterState(c.state);
    MoveTo(Inside(0));
    EXPECT_EQ(view->EnlargedKey() == 0, c.hovering);
    Take();
    QTest::mouseClick(view.get(), Qt::LeftButton, Qt::NoModifier, Inside(0));
    const Log clicked{"down-hook", "group 0 1 [100:1] T", "click 2 100 1 F", "mouse-down", "on-click", "mouse-up"};
    // While busy for clicks the press does nothing, and the release only
    // completes the control's click.
    EXPECT_EQ(Take(), c.clicks ? clicked : Log{"on-click"});
    view->LeaveState(c.state);
    EXPECT_EQ(view->State(), 0u);
  }
}

TEST_F(MapViewMouse, ClosingThePopupOverTheHoveredWordEndsTheHover) {
  HoverOver(1);
  Take();
  const QPoint word = Inside(1);
  QTest::mousePress(view.get(), Qt::RightButton, Qt::NoModifier, word);
  QTest::mouseRelease(view.get(), Qt::RightButton, Qt::NoModifier, word);
  EXPECT_EQ(Take(), (Log{"group 15 1 [101:0.5] T", "hover-out-hook", "out 0 101 F", "mouse-up"}));
  EXPECT_EQ(map.HoveredKey(), -1);
}

TEST_F(MapViewMouse, SkinPathDefaultsToTheProgramFolder) {
  view->SetSkinPath(u"");
  EXPECT_EQ(view->SkinPath(), platform::ProgramFolder() + u"skin/");
  view->SetSkinPath(u"/opt/kestrune/mapskin/");
  EXPECT_EQ(view->SkinPath(), u"/opt/kestrune/mapskin/");
  EXPECT_EQ(view->AnchorIcon(false).size(), QSize(16, 16));
  EXPECT_EQ(view->AnchorIcon(true).size(), QSize(16, 16));
}

TEST_F(MapViewMouse, NoHoverChangeUntilTheMouseMoves) {
  HoverOver(1);
  Take();
  // A move event while the mouse rests where the hover changed is ignored.
  const QPoint global = view->mapToGlobal(empty);
  QMouseEvent still(QEvent::MouseMove, QPointF(empty), view->mapToGlobal(QPointF(Inside(1))), Qt::NoButton,
                    Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(view.get(), &still);
  EXPECT_EQ(view->EnlargedKey(), 1);
  EXPECT_FALSE(view->HoverOutTimer().Enabled());
  // Once it moves, leaving the words starts the hover-out timer.
  QCursor::setPos(global);
  QCoreApplication::processEvents();
  EXPECT_EQ(view->EnlargedKey(), -1);
  EXPECT_TRUE(view->HoverOutTimer().Enabled());
}

TEST_F(MapViewMouse, HoverOutAfterFiveHundredMilliseconds) {
  HoverOver(1);
  map.Steps().SetValue(4, 101, 1.0f, true);  // the main window's hovered word
  Take();
  MoveTo(empty);
  clock.Advance(499);
  EXPECT_EQ(Take(), Log{});
  clock.Advance(1);
  EXPECT_EQ(Take(), (Log{"hover-out-hook", "out 0 101 F"}));
  EXPECT_EQ(map.HoveredKey(), -1);
  EXPECT_TRUE(map.RestoreBaseMap());
  EXPECT_TRUE(map.Steps().GetCurrent()[4].empty());
  EXPECT_EQ(view->HoverOutTimer().Interval(), TCustomDrawAndEventMap::kHoverOutInterval);
}

TEST_F(MapViewMouse, FarFromTheContextTheHoverEndsAtOnce) {
  HoverOver(1);
  Take();
  MoveTo(QPoint(330, 260));
  EXPECT_EQ(Take(), (Log{"hover-out-hook", "out 0 101 F"}));
  // Soon: 50 ms, then back to 500.
  HoverOver(1);
  view->HoverOutSoon();
  clock.Advance(50);
  EXPECT_EQ(map.HoveredKey(), -1);
  EXPECT_EQ(view->HoverOutTimer().Interval(), TCustomDrawAndEventMap::kHoverOutInterval);
}

TEST_F(MapViewMouse, WordClickEventsInOrder) {
  struct TCase {
    bool excluded;
    const char* click;
  };
  for (const TCase& c : {TCase{false, "click 2 100 1 F"}, TCase{true, "click 2 100 -1 F"}}) {
    SCOPED_TRACE(c.excluded);
    map.SetExcludedMode(c.excluded);
    MoveTo(Inside(0));
    Take();
    QTest::mouseClick(view.get(), Qt::LeftButton, Qt::NoModifier, Inside(0));
    EXPECT_EQ(Take(), (Log{"down-hook", "group 0 1 [100:1] T", c.click, "mouse-down", "on-click", "mouse-up"}));
    EXPECT_EQ(map.ClickedKey(), 0);
    EXPECT_EQ(map.Keys()[0].Weight, 1.0f);  // the keys went back to the content map
    EXPECT_EQ(view->State(), 0u);
    EXPECT_FALSE(view->HoverInTimer().Enabled());
  }
}

TEST_F(MapViewMouse, AnchorClick) {
  HoverOver(1);
  map.Steps().SetValue(4, 101, 1.0f, true);
  Take();
  const TKey& hovered = view->KeyArray()[1];
  const QPoint anchor(static_cast<int>(hovered.Left) + hovered.TextWidth + 8, Inside(1).y());
  MoveTo(anchor);
  QTest::mouseClick(view.get(), Qt::LeftButton, Qt::NoModifier, anchor);
  EXPECT_EQ(Take(), (Log{"down-hook", "group 1 1 [101:-10000] T", "click 4 101 1 F", "mouse-down", "on-click",
                         "mouse-up"}));
  EXPECT_EQ(map.AnchorKey(), 1);
  EXPECT_EQ(map.HoveredKey(), -1);
  EXPECT_FALSE(map.RestoreBaseMap());
  EXPECT_TRUE(map.Steps().GetCurrent()[4].empty());
}

TEST_F(MapViewMouse, NoQueryModeTurnsAnchorAndQueryClicksIntoWordClicks) {
  map.SetNoQueryMode(true);
  HoverOver(1);
  Take();
  const TKey& hovered = view->KeyArray()[1];
  // No anchor allowance is kept free in this mode, but the box still has it.
  const QPoint anchor(static_cast<int>(hovered.Left) + hovered.TextWidth + 8, Inside(1).y());
  QTest::mouseClick(view.get(), Qt::LeftButton, Qt::NoModifier, anchor);
  EXPECT_EQ(Take(), (Log{"down-hook", "group 0 1 [101:1] T", "click 2 101 1 F", "mouse-down", "on-click", "mouse-up"}));
  QTest::mouseClick(view.get(), Qt::LeftButton, Qt::NoModifier, Inside(2));
  EXPECT_EQ(Take(), (Log{"down-hook", "group 0 1 [102:1] T", "click 2 102 1 F", "mouse-down", "on-click", "mouse-up"}));
}

TEST_F(MapViewMouse, QueryWordClickLeavesTheQuery) {
  bool inQueryWhenHooked = false;
  view->OnQueryWordClickHook = [&] {
    log.push_back("query-hook");
    for (const auto& cell : map.Steps().GetCurrent()[0]) inQueryWhenHooked |= cell.Key.Id == 102;
  };
  QTest::mouseClick(view.get(), Qt::LeftButton, Qt::NoModifier, Inside(2));
  EXPECT_EQ(Take(), (Log{"down-hook", "query-hook", "group 16 0 [] T", "click 32 102 1 F", "mouse-down", "on-click",
                         "mouse-up"}));
  EXPECT_TRUE(inQueryWhenHooked);
  ASSERT_EQ(map.Steps().GetCurrent()[0].size(), 1u);
  EXPECT_EQ(map.Steps().GetCurrent()[0][0].Key.Id, 999);
  // The last query word: no group event follows.
  map.Steps().Remove(0, 999, true);
  map.Steps().SetValue(0, 102, 1.0f, true);
  QTest::mouseClick(view.get(), Qt::LeftButton, Qt::NoModifier, Inside(2));
  EXPECT_EQ(Take(), (Log{"down-hook", "query-hook", "click 32 102 1 F", "mouse-down", "on-click", "mouse-up"}));
  EXPECT_TRUE(map.Steps().GetCurrent()[0].empty());
}

TEST_F(MapViewMouse, PressOnEmptySpaceEndsTheHover) {
  HoverOver(1);
  Take();
  const QPoint point(130, 95);
  QTest::mouseClick(view.get(), Qt::LeftButton, Qt::NoModifier, point);
  EXPECT_EQ(Take(), (Log{"down-hook", "hover-out-hook", "out 0 101 F", "mouse-down", "on-click", "mouse-up"}));
}

TEST_F(MapViewMouse, WordPopupOnTheRightButton) {
  QMenu menu;
  menu.addAction("Exclude");
  view->SetPopupMenu(&menu);
  std::vector<QPoint> shownAt;
  auto closeWhenShown = [&] {
    QTimer::singleShot(0, &menu, [&] {
      if (menu.isVisible()) shownAt.push_back(menu.pos());
      menu.close();
    });
  };

  // Pressed and released over the same word: the word is the group.
  const QPoint word = Inside(0);
  MoveTo(word);
  Take();
  closeWhenShown();
  QTest::mousePress(view.get(), Qt::RightButton, Qt::NoModifier, word);
  QTest::mouseRelease(view.get(), Qt::RightButton, Qt::NoModifier, word);
  EXPECT_EQ(Take(), (Log{"group 15 1 [100:0.5] T", "mouse-up"}));
  ASSERT_EQ(shownAt.size(), 1u);
  EXPECT_EQ(shownAt[0], view->mapToGlobal(word));
  EXPECT_EQ(view->State(), 0u);
  EXPECT_EQ(view->EnlargedKey(), -1);
  EXPECT_EQ(view->KeyArray()[0].Flags & KF_HOVERED, 0u);
  EXPECT_EQ(view->CursorId(), platform::crDefault);

  // The popup kept its own clicks: the next right-click on the word opens
  // the word popup again, and the next left click acts.
  EXPECT_FALSE(view->IgnoreNextPress());
  closeWhenShown();
  QTest::mousePress(view.get(), Qt::RightButton, Qt::NoModifier, word);
  QTest::mouseRelease(view.get(), Qt::RightButton, Qt::NoModifier, word);
  EXPECT_EQ(Take(), (Log{"group 15 1 [100:0.5] T", "mouse-up"}));
  ASSERT_EQ(shownAt.size(), 2u);
  EXPECT_TRUE(menu.testAttribute(Qt::WA_NoMouseReplay));
  QTest::mouseClick(view.get(), Qt::LeftButton, Qt::NoModifier, Inside(1));
  EXPECT_EQ(Take(), (Log{"down-hook", "group 0 1 [101:1] T", "click 2 101 1 F", "mouse-down", "on-click", "mouse-up"}));

  // Released elsewhere: an empty group, not selected.
  MoveTo(empty);
  closeWhenShown();
  QTest::mousePress(view.get(), Qt::RightButton, Qt::NoModifier, Inside(0));
  QTest::mouseRelease(view.get(), Qt::RightButton, Qt::NoModifier, empty);
  EXPECT_EQ(Take(), (Log{"group 15 0 [] F", "mouse-up"}));
  ASSERT_EQ(shownAt.size(), 3u);
  EXPECT_EQ(shownAt[2], view->mapToGlobal(empty));
}

TEST_F(MapViewMouse, EnlargedWordNearTheRightEdgeStaysInside) {
  struct TCase {
    uint32_t flags;
    float left;
    int allowance;
  };
  for (const TCase& c : {TCase{0, kWidth - 40.0f, 16}, TCase{KF_QUERY, kWidth - 40.0f, 0}, TCase{0, 2.0f, 16}}) {
    SCOPED_TRACE(testing::Message() << c.flags << " at " << c.left);
    Show({PlacedKey(*view, 1, u"wideword", c.left, 200, 12.0f, test::kSlate, c.flags)});
    MoveTo(empty);
    MoveTo(QPoint(static_cast<int>(c.left) + 3, 205));
    const TKey& key = view->KeyArray()[0];
    ASSERT_NE(key.Flags & KF_HOVERED, 0u);
    EXPECT_GE(key.Left, 0.0f);
    if (c.left > 100.0f) {
      EXPECT_FLOAT_EQ(key.Left + key.TextWidth + c.allowance + TCustomDrawAndEventMap::kRightMargin, kWidth);
    }
    // Leaving it puts it back where it was.
    MoveTo(QPoint(10, 290));
    EXPECT_EQ(view->KeyArray()[0].Left, c.left);
    EXPECT_EQ(view->KeyArray()[0].Flags & KF_HOVERED, 0u);
  }
}

// The place a word had before it was enlarged comes back exactly, also on the
// top or left edge and between two pixels, whether the mouse leaves it or the
// view returns it to its normal style.
TEST_F(MapViewMouse, AnEnlargedWordGoesBackToItsExactPlace) {
  struct TCase {
    float left, top;
    bool byRedraw;
  };
  const TCase cases[] = {{0.0f, 0.0f, false},       {40.75f, 0.0f, false}, {0.0f, 120.4f, false},
                         {kWidth - 40.5f, 200.25f, false}, {12.5f, 0.0f, true},   {40.75f, 99.6f, true}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.left << "," << c.top << (c.byRedraw ? " redraw" : " leave"));
    Show({PlacedKey(*view, 1, u"edge", c.left, c.top)});
    MoveTo(QPoint(10, 290));
    MoveTo(Inside(0));
    ASSERT_EQ(view->EnlargedKey(), 0);
    ASSERT_NE(view->KeyArray()[0].Top, c.top);  // the larger word grew around its centre
    if (c.byRedraw) {
      view->RedrawDirty();
    } else {
      MoveTo(QPoint(10, 290));
    }
    EXPECT_EQ(view->KeyArray()[0].Left, c.left);
    EXPECT_EQ(view->KeyArray()[0].Top, c.top);
    EXPECT_EQ(view->KeyArray()[0].Flags & KF_HOVERED, 0u);
  }
}

// New keys under an enlarged word and a pending hover: the view forgets both,
// so no word of the new map takes an old word's place and no word the user
// never pointed at is announced.
TEST_F(MapViewMouse, NewKeysForgetTheEnlargedWordAndThePendingHover) {
  struct TCase {
    const char* what;
    std::function<void()> then;
  };
  const TCase cases[] = {
      {"the mouse moves to empty space", [&] { MoveTo(QPoint(10, 290)); }},
      {"the view redraws the enlarged word", [&] { view->RedrawDirty(); }},
      {"the hover delay runs out", [&] { clock.Advance(TCustomDrawAndEventMap::kHoverInInterval); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    Show({PlacedKey(*view, 100, u"alpha", 40, 70), PlacedKey(*view, 101, u"beta", 160, 70)});
    MoveTo(QPoint(10, 290));
    MoveTo(Inside(1));
    ASSERT_EQ(view->EnlargedKey(), 1);
    ASSERT_EQ(view->HoverCandidate(), 1);
    Take();
    Show({PlacedKey(*view, 200, u"gamma", 40, 200), PlacedKey(*view, 201, u"delta", 250, 180.5f)});
    EXPECT_EQ(view->EnlargedKey(), -1);
    EXPECT_EQ(view->HoverCandidate(), -1);
    EXPECT_FALSE(view->HoverInTimer().Enabled());
    c.then();
    EXPECT_EQ(view->KeyArray()[1].Left, 250.0f);
    EXPECT_EQ(view->KeyArray()[1].Top, 180.5f);
    EXPECT_EQ(Take(), Log{});
    EXPECT_EQ(map.HoveredKey(), -1);
  }
}

TEST_F(MapViewMouse, IdleCursorOverEmptySpace) {
  struct TCase {
    QPoint at;
    bool busy;
    int32_t cursor;
  };
  const TCase cases[] = {{QPoint(300, 250), false, platform::crAddText},
                         {QPoint(300, 250), true, platform::crDefault},
                         {QPoint(0, 250), false, platform::crDefault},
                         {QPoint(300, 0), false, platform::crDefault}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.at.x() << "," << c.at.y() << " busy " << c.busy);
    MoveTo(Inside(0));
    MoveTo(c.at);
    EXPECT_TRUE(view->IdleCursorTimer().Enabled());
    view->OnQueryBusyHook = [&] { return c.busy; };
    clock.Advance(1500);
    EXPECT_EQ(view->CursorId(), c.cursor);
    EXPECT_EQ(platform::ScreenCursors().GlobalCursor(), c.cursor);
    view->OnQueryBusyHook = nullptr;
  }
}

TEST_F(MapViewMouse, ResizeRelaysOut) {
  view->resize(500, 320);
  QCoreApplication::processEvents();
  EXPECT_EQ(Take(), (Log{"group 12 0 [] T"}));
  EXPECT_EQ(map.MapWidth(), 500);
  EXPECT_EQ(map.MapHeight(), 320);
  EXPECT_EQ(view->BackBuffer().size(), QSize(500, 320));
  EXPECT_EQ(view->BackgroundBuffer().size(), QSize(500, 320));
  EXPECT_FALSE(view->AnimationInterrupted());
}

TEST_F(MapViewMouse, RedrawDirtyReturnsTheEnlargedWord) {
  MoveTo(Inside(1));
  ASSERT_EQ(view->EnlargedKey(), 1);
  view->RedrawDirty();
  EXPECT_EQ(view->EnlargedKey(), -1);
  EXPECT_EQ(view->KeyArray()[1].Flags & KF_HOVERED, 0u);
  EXPECT_FALSE(view->HoverInTimer().Enabled());
  // What is on screen now is the whole frame of the keys.
  const QImage partial = view->BackBuffer().copy();
  view->DrawMap(view->KeyArray());
  EXPECT_EQ(partial, view->BackBuffer());
}

}  // namespace
}  // namespace kestrune
