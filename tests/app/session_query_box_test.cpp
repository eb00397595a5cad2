// The query box over the map: where it is placed with its picture and
// buttons, the suggestion list under it and its keys, the drop-down widths,
// and the page's words sent through it.
#include <gtest/gtest.h>

#include "tests/app/page_session.h"

namespace kestrune {
namespace {

using test::TSessionFixture;

TEST(SessionQueryBox, PlaceQueryBox) {
  const struct {
    const char* name;
    int32_t x, y;
    bool withSearchButton;
    int32_t mapWidth;
    TViewRect box;     // left, top
    TViewRect picture;  // left, top
    int32_t buttonLeft, buttonTop;
  } cases[] = {
      // Box 200 x 24, BBtnSearch 80 wide, BBtnSearch2 120, the picture at
      // (-9, -1) of the box.
      {"inside", 100, 100, true, 800, {100, 100}, {91, 99}, 315, 99},
      {"over the right edge", 600, 100, true, 800, {505, 100}, {496, 99}, 720, 99},
      {"the wider second button", 600, 100, false, 800, {465, 100}, {456, 99}, 680, 99},
      {"over the bottom", 100, 590, true, 800, {100, 576}, {91, 575}, 315, 575},
      {"above the box's height snaps to the top", 100, 10, true, 800, {100, 0}, {91, -1}, 315, -1},
      {"a map narrower than box and button", 50, 100, true, 200, {0, 100}, {-9, 99}, 215, 99},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f;
    f.view.mapWidth = c.mapWidth;
    f.view.pictureOffset = {-9, -1};
    f.view.Control(TMainControl::BBtnSearch2).Bounds = {0, 0, 120, 24};
    f.view.Control(TMainControl::querybitmap).Bounds = {0, 0, 352, 48};
    f.session->PlaceQueryBox(c.x, c.y, c.withSearchButton);
    const TViewRect box = f.view.Control(TMainControl::IComboBox1).Bounds;
    const TViewRect picture = f.view.Control(TMainControl::querybitmap).Bounds;
    EXPECT_EQ(box, (TViewRect{c.box.Left, c.box.Top, 200, 24}));
    EXPECT_EQ(picture, (TViewRect{c.picture.Left, c.picture.Top, 352, 48}));
    for (TMainControl button : {TMainControl::BBtnSearch, TMainControl::BBtnSearch2}) {
      EXPECT_EQ(f.view.Control(button).Bounds.Left, c.buttonLeft);
      EXPECT_EQ(f.view.Control(button).Bounds.Top, c.buttonTop);
    }
    EXPECT_EQ(f.view.Control(TMainControl::BBtnSearch).Visible, c.withSearchButton);
    EXPECT_EQ(f.view.Control(TMainControl::BBtnSearch2).Visible, !c.withSearchButton);
  }
  // Centred, the picture keeps its place beside the box.
  TSessionFixture f;
  f.view.pictureOffset = {-9, -1};
  f.session->CenterQueryBox(false);
  EXPECT_EQ(f.view.Control(TMainControl::IComboBox1).Bounds, (TViewRect{300, 288, 200, 24}));
  EXPECT_EQ(f.view.Control(TMainControl::querybitmap).Bounds.Left, 291);
  EXPECT_EQ(f.view.Control(TMainControl::querybitmap).Bounds.Top, 287);
}

std::string Joined(const std::vector<std::u16string>& items) {
  std::string text;
  for (const std::u16string& item : items) text += (text.empty() ? "" : "|") + platform::Utf16ToUtf8(item);
  return text;
}

TEST(SessionQueryBox, Suggestions) {
  std::vector<std::u16string> many;
  for (int i = 0; i < 12; ++i) many.push_back(u"bird " + platform::Utf8ToUtf16(std::to_string(i)));
  const struct {
    const char* name;
    std::vector<std::u16string> history;
    std::u16string typed;
    bool boxVisible;
    const char* suggested;
    bool shown;
    int32_t rows;  // the list's height in items
  } cases[] = {
      {"the entries holding the text that begin like it", {u"bear", u"alpha beta", u"beta test", u"Bees", u"be"},
       u"be", true, "bear|beta test|be", true, 4},
      {"an empty text suggests nothing", {u"bear", u"be"}, u"", true, "", false, 1},
      {"the only match is the text", {u"bear", u"beta"}, u"bear", true, "bear", false, 2},
      {"the box hidden", {u"bear"}, u"b", false, "", false, 1},
      {"nine matches", {many.begin(), many.begin() + 9}, u"bird", true, "", true, 10},
      {"ten matches", {many.begin(), many.begin() + 10}, u"bird", true, "", true, 10},
      {"twelve matches", many, u"bird", true, "", true, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f;
    TKestruneSession& s = *f.session;
    s.Entry.QueryItems = c.history;
    f.view.queryText = c.typed;
    f.view.Control(TMainControl::IComboBox1).Bounds = {40, 60, 200, 24};
    f.view.Control(TMainControl::IComboBox1).Visible = c.boxVisible;
    s.IComboBox1KeyUp('E');
    if (*c.suggested) EXPECT_EQ(Joined(f.view.suggestions), c.suggested);
    EXPECT_EQ(f.view.suggestions, s.Entry.Suggestions);
    EXPECT_EQ(f.view.Control(TMainControl::ListBox1).Visible, c.shown);
    EXPECT_EQ(f.view.Control(TMainControl::ListBox1).Bounds, (TViewRect{40, 84, 200, c.rows * 13}));
  }
}

TEST(SessionQueryBox, KeysOfTheBoxAndTheList) {
  const struct {
    const char* name;
    const char* keys;  // U, D, E (Esc), A (a letter), each pressed and released
    bool dropDownOpen;
    const char16_t* text;  // the box's text afterwards
    bool listShown;
    bool swallowed;  // the last key press
  } cases[] = {
      {"Down takes the first", "D", false, u"bear", true, true},
      {"Up takes the first", "U", false, u"bear", true, true},
      {"Up and Down leave the list as it is", "DD", false, u"bear", true, true},
      {"a letter refreshes the list", "DA", false, u"bear", false, false},
      {"Esc empties the box and hides the list", "E", false, u"", false, false},
      {"the open drop-down keeps its keys", "DE", true, u"be", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f;
    TKestruneSession& s = *f.session;
    s.Entry.QueryItems = {u"alpha", u"bear", u"beta"};
    f.view.queryText = u"be";
    s.IComboBox1Visible();
    ASSERT_TRUE(f.view.Control(TMainControl::ListBox1).Visible);
    f.view.dropDownOpen = c.dropDownOpen;
    bool swallowed = false;
    for (const char* key = c.keys; *key; ++key) {
      const int32_t code = *key == 'U' ? 38 : *key == 'D' ? 40 : *key == 'E' ? 27 : 'A';
      swallowed = s.IComboBox1KeyDown(code);
      s.IComboBox1KeyUp(code);
    }
    EXPECT_EQ(f.view.queryText, c.text);
    EXPECT_EQ(f.view.Control(TMainControl::ListBox1).Visible, c.listShown);
    EXPECT_EQ(swallowed, c.swallowed);
  }
  // A click on a suggestion, a key in the list, the mouse released over it.
  TSessionFixture f;
  TKestruneSession& s = *f.session;
  s.Entry.QueryItems = {u"bear", u"beta"};
  f.view.queryText = u"b";
  s.IComboBox1Visible();
  s.ListBox1Click(1);
  EXPECT_EQ(f.view.queryText, u"beta");
  s.ListBox1Click(2);
  EXPECT_EQ(f.view.queryText, u"beta");
  f.view.focus = TMainControl::ListBox1;
  s.ListBox1KeyPress();
  EXPECT_EQ(f.view.focus, TMainControl::IComboBox1);
  s.ListBox1MouseUp();
  EXPECT_FALSE(f.view.Control(TMainControl::ListBox1).Visible);
}

TEST(SessionQueryBox, DropDownWidths) {
  const struct {
    const char* name;
    TMainControl box;
    int32_t widest, boxWidth, expected;
  } cases[] = {
      {"query box, short items", TMainControl::IComboBox1, 150, 200, 220},
      {"query box, a long item", TMainControl::IComboBox1, 400, 200, 420},
      {"engine box, short items", TMainControl::CBWebSite, 90, 120, 140},
      {"engine box, a long name", TMainControl::CBWebSite, 260, 120, 280},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f;
    TKestruneSession& s = *f.session;
    f.view.Control(c.box).Bounds = {0, 0, c.boxWidth, 24};
    f.view.widestQueryItem = f.view.widestEngineItem = c.widest;
    f.view.Control(TMainControl::ListBox1).Visible = true;
    if (c.box == TMainControl::IComboBox1) {
      s.IComboBox1DropDown();
      EXPECT_EQ(f.view.queryDropDownWidth, c.expected);
      EXPECT_FALSE(f.view.Control(TMainControl::ListBox1).Visible);
    } else {
      s.CBWebSiteDropDown();
      EXPECT_EQ(f.view.engineDropDownWidth, c.expected);
      EXPECT_EQ(f.view.focus, TMainControl::CBWebSite);
    }
  }
}

// The page's word goes through the search entry: "%20" is a blank when it is
// added, a blank and a minus when it is excluded, and an excluded text
// begins with " -" once.
TEST(SessionQueryBox, ThePagesWordThroughTheBox) {
  const struct {
    const char* name;
    std::u16string word;
    bool exclude;
    std::u16string query;
  } cases[] = {
      {"add a word", u"beta", false, u"alpha beta"},
      {"add a phrase's words", u"beta%20delta", false, u"alpha beta delta"},
      {"exclude a word", u"beta", true, u"alpha -beta"},
      {"exclude a phrase's words", u"beta%20delta", true, u"alpha -beta -delta"},
      {"exclude a text beginning with %20", u"%20delta", true, u"alpha -delta"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TPageSession f;
    TKestruneSession& s = f.S();
    test::AddDocuments(s, {{"http://d0/", u"alpha beta gamma"}, {"http://d1/", u"alpha beta delta"}});
    test::SetWords(s, kKindQuery, u"alpha");
    s.ContentMapReGenerate();
    s.Commands.PagePopupWord = c.word;
    c.exclude ? s.Excludefromquery1Click() : s.AddToQuery1Click();
    EXPECT_EQ(s.GetQueryText(), c.query);
    EXPECT_EQ(f.view.queryText, u"");
  }
}

}  // namespace
}  // namespace kestrune
