// The map interaction unit: a word shown on the page as if it were added
// gives the step back whatever happens while it is shown, and the state the
// map's events keep does not outlive the project.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "app/map_interaction.h"
#include "map/content_map2.h"
#include "tests/app/page_session.h"

namespace kestrune {
namespace {

using test::AddDocuments;
using test::KeysText;
using test::SetWords;
using test::TPageSession;
using test::WordId;

std::string Kind(const TContentMap2& map, int32_t kind) {
  std::string text;
  for (const TControlKeyCell& cell : map.Steps().GetCurrent()[kind]) {
    text += (text.empty() ? "" : " ") + std::to_string(cell.Key.Id) + "=" +
            std::to_string(static_cast<int>(cell.Key.Weight));
  }
  return text;
}

// While shown: the word in kind 0, the re-search off, no-query mode left.
// After: the step, the setting and the mode as they were, also after a throw,
// and no change event raised (a change of kind 0 would cut the steps ahead).
TEST(MapInteraction, WordPreviewGivesTheStepBack) {
  constexpr int32_t kWord = 7;
  constexpr int32_t kOther = 3;
  const struct {
    const char* name;
    bool noQuery;
    bool alreadyQuery;
    bool throws;
    bool autoRefresh;
    std::string during;  // kind 0 while shown
    std::string after;   // kind 0 after
  } cases[] = {
      {"new word", false, false, false, true, "3=1 7=1", "3=1"},
      {"query word", false, true, false, true, "3=1 7=1", "3=1 7=1"},
      {"new word, the page throws", false, false, true, true, "3=1 7=1", "3=1"},
      {"query word, the page throws", false, true, true, false, "3=1 7=1", "3=1 7=1"},
      // The scope view's kinds 0 and 1 are emptied for the preview and stay so.
      {"scope view", true, false, false, true, "7=1", ""},
      {"scope view, the page throws", true, false, true, false, "7=1", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TContentMap2 map;
    IControlKeys& steps = map.Steps();
    steps.SetKey(kKindQuery, {kOther, 1.0f});
    if (c.alreadyQuery) steps.SetKey(kKindQuery, {kWord, 1.0f});
    steps.SetKey(kKindExcluded, {9, kExcludedWeight});
    map.SetNoQueryMode(c.noQuery);
    int32_t events = 0;
    map.SetOnAllKeys([&events](int32_t) { ++events; });
    bool autoRefresh = c.autoRefresh;
    try {
      const TWordPreview preview(map, autoRefresh, kWord);
      EXPECT_EQ(preview.Added(), !c.alreadyQuery);
      EXPECT_EQ(Kind(map, kKindQuery), c.during);
      EXPECT_FALSE(autoRefresh);
      EXPECT_FALSE(map.NoQueryMode());
      if (c.throws) throw std::runtime_error("the page's build failed");
    } catch (const std::runtime_error&) {
      EXPECT_TRUE(c.throws);
    }
    EXPECT_EQ(Kind(map, kKindQuery), c.after);
    EXPECT_EQ(Kind(map, kKindExcluded), c.noQuery ? "" : "9=-10000");
    EXPECT_EQ(autoRefresh, c.autoRefresh);
    EXPECT_EQ(map.NoQueryMode(), c.noQuery);
    EXPECT_EQ(events, 0);
  }
}

// Through the session: hovering a word on the map previews its page and
// leaves the query and the saved setting as they were.
TEST(MapInteraction, HoverPreviewLeavesQueryAndSetting) {
  for (const bool autoRefresh : {false, true}) {
    SCOPED_TRACE(autoRefresh);
    TPageSession f;
    TKestruneSession& s = f.S();
    AddDocuments(s, {{"http://d0/", u"alpha beta"}, {"http://d1/", u"alpha delta"}});
    SetWords(s, kKindQuery, u"alpha");
    s.ContentMapReGenerate();
    s.Config.Settings.AutoRefresh = autoRefresh;
    const int32_t written = f.view.pagesWritten;
    s.DrawAndEventMap1MouseToWord({WordId(s, u"delta"), 0.0f}, 0);
    EXPECT_EQ(f.view.pagesWritten, written + 1);
    EXPECT_EQ(KeysText(s, kKindQuery), "alpha=1");
    EXPECT_EQ(s.Config.Settings.AutoRefresh, autoRefresh);
    EXPECT_EQ(s.Results.PageResults.HoverWordId(), WordId(s, u"delta"));
  }
}

// A new project drops what the map's events kept for the old one: a hover
// that ends after New query does not bring back the old project's page.
TEST(MapInteraction, NewQueryDropsTheMapsKeptState) {
  TPageSession f;
  TKestruneSession& s = f.S();
  AddDocuments(s, {{"http://d0/", u"alpha beta gamma"}, {"http://d1/", u"alpha beta delta"}});
  SetWords(s, kKindQuery, u"alpha");
  s.ContentMapReGenerate();
  s.Results.ResultPageNumber = 3;
  s.DrawAndEventMap1GroupSelect(1, kGroupHover, true, {{WordId(s, u"gamma"), 1.0f}});
  s.DrawAndEventMap1GroupSelect(1, kGroupMarked, true, {{WordId(s, u"beta"), 1.0f}});
  s.Map.SelectedDocuments = {{1, 1.0f}};
  s.Map.PreviewFlag = true;
  ASSERT_EQ(s.Map.HoverSavedPage, 3);

  s.IBitmapButtonNewClick();
  EXPECT_TRUE(s.Map.MarkedGroup.empty());
  EXPECT_TRUE(s.Map.SelectedDocuments.empty());
  EXPECT_FALSE(s.Map.PreviewFlag);
  s.MapHoverEnd();
  EXPECT_EQ(s.Results.ResultPageNumber, 1);
  // With nothing marked the popup offers no word item.
  EXPECT_EQ(s.PopupMenu1Popup(), TMapPopupItems{});
}

}  // namespace
}  // namespace kestrune
