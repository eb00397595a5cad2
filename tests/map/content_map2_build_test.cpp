// The map rebuild on a small synthetic context model: the key lists and flags
// of each mode (query, hover, back to the base map, excluded view, no query),
// the order of the hooks and events, and the log lines.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "map/content_map2.h"
#include "network/context_ms.h"
#include "tests/network/context_ms_test_support.h"

namespace kestrune {
namespace {

using test::AddInputWord;
using test::Relate;
using test::RelatePage;
using Calls = std::vector<std::string>;

const std::map<int32_t, std::u16string> kNames = {
    {1, u"search"}, {2, u"engine"},  {3, u"query"}, {4, u"index"}, {5, u"crawler"},
    {6, u"ranking"}, {7, u"'s"},     {8, u"page"},  {9, u"spam"}};

// Words 1..9, all on the one result document 0. Query words 1 and 2; 3 goes
// with both, 4 and 7 with 1, 5 with 2; 6 only with 3; 8 and 9 with nothing.
void BuildModel(TIContextMS& net) {
  for (int32_t id = 1; id <= 9; ++id) AddInputWord(net, id);
  net.AddFile(0);
  for (int32_t id = 1; id <= 9; ++id) RelatePage(net, id, 0, 0.5f);
  Relate(net, 1, 3, 0.6f);
  Relate(net, 2, 3, 0.4f);
  Relate(net, 1, 4, 0.5f);
  Relate(net, 1, 7, 0.45f);
  Relate(net, 2, 5, 0.5f);
  Relate(net, 3, 6, 0.7f);
}

// A map bound to the model with every hook and event recorded in order.
struct MapRig {
  TIContextMS net;
  TContentMap2 map;
  Calls calls;
  int32_t named = 0;
  int32_t measured = 0;

  explicit MapRig(bool bindAll = true) {
    BuildModel(net);
    map.SetNeuroNet(&net);
    map.SetMapSize(400, 300);
    map.SetNoQueryMode(false);
    map.OnGetKeyName = [this](int32_t id) {
      ++named;
      const auto found = kNames.find(id);
      return found == kNames.end() ? std::u16string(u"w") + char16_t(u'0' + id % 10) : found->second;
    };
    map.OnMeasureKeyHook = [this](const TKey& key, int32_t& width, int32_t& height) {
      ++measured;
      width = static_cast<int32_t>(key.Name.size()) * 7 + static_cast<int32_t>(key.FontSize);
      height = static_cast<int32_t>(key.FontSize) + 4;
    };
    map.OnBeforeKeysHook = [this] {
      calls.push_back("BeforeKeys");
      map.ResultFiles() = TNNKeys{{0, 1.0f}};
    };
    if (!bindAll) return;
    const auto record = [this](std::string name) { return [this, name] { calls.push_back(name); }; };
    map.OnHasExcludedHook = record("HasExcluded");
    map.OnNoExcludedHook = record("NoExcluded");
    map.OnEmptyQueryHook = record("EmptyQuery");
    map.OnNoKeysHook = record("NoKeys");
    map.OnReGetData = [this](TCustomContentMap2&) { calls.push_back("ReGetData"); };
    map.OnResize = [this](TCustomContentMap2&) { calls.push_back("Resize"); };
    map.SetOnAllKeys([this](int32_t kind) { calls.push_back("AllKeys " + std::to_string(kind)); });
  }

  void Query(std::initializer_list<int32_t> words, std::initializer_list<int32_t> excluded = {}) {
    for (int32_t id : words) map.Steps().SetValue(0, id, 1.0f, true);
    for (int32_t id : excluded) map.Steps().SetValue(1, id, -10000.0f, true);
  }

  int32_t IndexOf(int32_t id) const {
    for (int32_t i = 0; i < map.KeyCount(); ++i) {
      if (map.Keys()[static_cast<size_t>(i)].Id == id) return i;
    }
    return -1;
  }

  // (id, flags) of every key in order.
  std::vector<std::pair<int32_t, uint32_t>> IdsAndFlags() const {
    std::vector<std::pair<int32_t, uint32_t>> out;
    for (const TKey& key : map.Keys()) out.emplace_back(key.Id, key.Flags);
    return out;
  }
};

using IdFlags = std::vector<std::pair<int32_t, uint32_t>>;

TKey Word(int32_t id, std::u16string name, float weight, uint32_t flags = 0) {
  TKey key;
  key.Id = id;
  key.Name = std::move(name);
  key.Weight = weight;
  key.Flags = flags;
  key.Left = 40.0f;
  return key;
}

constexpr uint32_t Q = KF_QUERY;

TEST(ContentMapBuild, QueryMapTakesTheQueryWordsThenTheirRelatedWords) {
  MapRig rig;
  rig.Query({1, 2}, {9});
  rig.map.BuildMap(false);
  EXPECT_EQ(rig.calls, (Calls{"HasExcluded", "BeforeKeys", "ReGetData"}));
  // 3 goes with both query words, 4 and 5 with one each (pushed down by the
  // query's inhibition), 7 is "'s" and stays hidden; 6, 8 and the excluded 9
  // get no key.
  EXPECT_EQ(rig.IdsAndFlags(), (IdFlags{{1, Q}, {2, Q}, {3, 0}, {5, 0}, {4, 0}, {7, KF_HIDDEN}}));
  EXPECT_EQ(rig.map.Keys()[0].Name, u"search");
  EXPECT_EQ(rig.map.Keys()[0].Weight, 1.0f);
  // Inhibition factor -2 with two counting query words: 0.5 - 0.4. The
  // answer holds fewer than ten words, so the keys were asked once more
  // without inhibition, which brings no other word.
  EXPECT_NEAR(rig.map.Keys()[3].Weight, 0.1f, 1e-6f);
  EXPECT_EQ(rig.net.Network().LateralInhibition, 0.0f);
  EXPECT_TRUE(rig.map.KeyList().empty());
  EXPECT_EQ(rig.map.HoverTargetKey(), -1);

  // The relation matrix comes from the model, the diagonal included.
  ASSERT_EQ(rig.map.Relations().size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    ASSERT_EQ(rig.map.Relations()[i].size(), 6u);
    for (size_t j = 0; j < 6; ++j) {
      EXPECT_EQ(rig.map.Relations()[i][j], rig.net.GetRelationWeight(rig.map.Keys()[i].Id, rig.map.Keys()[j].Id));
    }
  }
  // Laid out, styled and placed on the map; the query map is the base map.
  for (const TKey& key : rig.map.Keys()) {
    if (key.Flags & KF_HIDDEN) continue;
    EXPECT_GT(key.TextWidth, 0);
    EXPECT_GE(key.Left, 0.0f);
    EXPECT_LE(key.Left + static_cast<float>(key.TextWidth), 400.0f);
    EXPECT_GE(key.Top, 0.0f);
    EXPECT_LE(key.Top + static_cast<float>(key.TextHeight), 300.0f);
  }
  EXPECT_EQ(rig.map.Keys()[0].FontSize, 16.0f);  // plus_key
  EXPECT_EQ(rig.map.SizeReduction(), 0);
  EXPECT_EQ(rig.measured, 6);
  EXPECT_EQ(rig.map.BaseKeys(), rig.map.Keys());
  EXPECT_TRUE(rig.map.PreviousKeys().empty());

  // The next rebuild remembers this map as the previous one.
  const TKeys first = rig.map.Keys();
  rig.map.BuildMap(true);
  EXPECT_EQ(rig.map.PreviousKeys(), first);
}

TEST(ContentMapBuild, NoQueryWordsEmptyTheMap) {
  struct Case {
    const char* name;
    bool excludedMode;
    bool withExcluded;
    bool bindAll;
    Calls calls;
    bool noQueryMode;
  };
  const Case cases[] = {
      {"query view", false, false, true, {"NoExcluded", "AllKeys 6", "BeforeKeys", "ReGetData", "NoKeys"}, true},
      {"with excluded", false, true, true, {"HasExcluded", "AllKeys 6", "BeforeKeys", "ReGetData", "NoKeys"}, true},
      {"excluded view", true, true, true, {"EmptyQuery", "BeforeKeys", "ReGetData", "NoKeys"}, false},
      {"nothing bound", false, false, false, {"BeforeKeys"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MapRig rig(c.bindAll);
    rig.map.SetExcludedMode(c.excludedMode);
    rig.map.CopyKeysIn({Word(5, u"old", 1.0f)});
    if (c.withExcluded) rig.Query({}, {9});
    rig.map.BuildMap(false);
    EXPECT_EQ(rig.calls, c.calls);
    EXPECT_EQ(rig.map.KeyCount(), 0);
    EXPECT_TRUE(rig.map.PreviousKeys().empty());
    EXPECT_EQ(rig.map.NoQueryMode(), c.noQueryMode);
    const TControlKeyList& settings = rig.map.Steps().GetCurrent()[6];
    if (c.noQueryMode) {
      ASSERT_EQ(settings.size(), 1u);
      EXPECT_EQ(settings[0].Key, (TNNKey{1, 1.0f}));
    } else {
      EXPECT_TRUE(settings.empty());
    }
    EXPECT_EQ(rig.named, 0);
  }
}

TEST(ContentMapBuild, EndEventsAndModesOfTheNetworkQuery) {
  struct Case {
    const char* name;
    bool silent;
    bool reGetData;
    bool excludedMode;
    bool noQueryMode;
    Calls calls;
    float weight5;  // 0.5, less 0.4 of inhibition by word 1 in the query view
  };
  const Case cases[] = {
      {"re-get data", false, true, false, false, {"HasExcluded", "BeforeKeys", "ReGetData"}, 0.1f},
      {"resize without it", false, false, false, false, {"HasExcluded", "BeforeKeys", "Resize"}, 0.1f},
      {"silent", true, true, false, false, {"HasExcluded", "BeforeKeys"}, 0.1f},
      {"no-query mode", false, true, false, true, {"HasExcluded", "BeforeKeys", "ReGetData"}, 0.5f},
      {"excluded view", false, true, true, false, {"BeforeKeys", "ReGetData"}, 0.5f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MapRig rig;
    if (!c.reGetData) rig.map.OnReGetData = nullptr;
    rig.map.SetExcludedMode(c.excludedMode);
    rig.map.SetNoQueryMode(c.noQueryMode);
    rig.Query({1, 2}, {9});
    rig.map.BuildMap(c.silent);
    EXPECT_EQ(rig.calls, c.calls);
    ASSERT_GE(rig.IndexOf(5), 0);
    EXPECT_NEAR(rig.map.Keys()[static_cast<size_t>(rig.IndexOf(5))].Weight, c.weight5, 1e-6f);
    EXPECT_EQ(rig.map.NoQueryMode(), c.noQueryMode);
    EXPECT_EQ(rig.map.KeyCount(), 6);
  }
}

TEST(ContentMapBuild, HoverMapThenBackToTheBaseMap) {
  MapRig rig;
  rig.Query({1, 2});
  rig.map.BuildMap(false);
  const TKeys base = rig.map.Keys();
  const int32_t hovered = rig.IndexOf(3);
  ASSERT_EQ(hovered, 2);
  // The user saw word 4 hidden: it stays hidden on the hover map.
  rig.map.Keys()[4].Flags |= KF_HIDDEN;

  // The view puts the hovered word into kind 4 and its index and position
  // into the map.
  rig.calls.clear();
  rig.map.Steps().SetValue(4, 3, 1.0f, true);
  rig.map.SetHoveredKey(hovered);
  rig.map.SetHoverPos(12.0f, 34.0f);
  rig.map.BuildMap(false);
  EXPECT_EQ(rig.calls, (Calls{"NoExcluded", "BeforeKeys", "ReGetData"}));
  // 1, 2 are 3's context, 4 and 5 are not; 6 is new; "'s" stays hidden.
  EXPECT_EQ(rig.IdsAndFlags(), (IdFlags{{1, Q | KF_CONTEXT},
                                        {2, Q | KF_CONTEXT},
                                        {3, KF_HOVERED | KF_CARRIED},
                                        {5, KF_INACTIVE},
                                        {4, KF_INACTIVE | KF_HIDDEN},
                                        {7, KF_HIDDEN},
                                        {6, KF_CONTEXT | KF_NEW}}));
  EXPECT_EQ(rig.map.HoverTargetKey(), 2);
  // No layout: the old keys keep their places; the hovered key keeps its label.
  for (size_t i = 0; i < base.size(); ++i) {
    EXPECT_EQ(rig.map.Keys()[i].X, base[i].X);
    EXPECT_EQ(rig.map.Keys()[i].Y, base[i].Y);
  }
  EXPECT_EQ(rig.map.Keys()[2].Left, base[2].Left);
  EXPECT_EQ(rig.map.Keys()[2].Top, base[2].Top);
  // Context words on the map take the view's hover position; the new word
  // starts on the circle right of the hovered key's place (in layout units).
  EXPECT_EQ(rig.map.Keys()[0].HoverX, 12.0f);
  EXPECT_EQ(rig.map.Keys()[0].HoverY, 34.0f);
  const float cx = std::trunc(base[2].Left * 100.0f / 400.0f);
  const float cy = std::trunc(base[2].Top * 100.0f / 400.0f);
  EXPECT_EQ(rig.map.Keys()[6].HoverX, cx + 10.0f);
  EXPECT_EQ(rig.map.Keys()[6].HoverY, cy);
  EXPECT_EQ(rig.map.BaseKeys(), base);
  // The hover query: no inhibition, 10 words with the defaults.
  EXPECT_EQ(rig.net.Network().LateralInhibition, -0.0f);

  // Hover-out: the view clears kind 4 and asks for the base map.
  const int32_t named = rig.named;
  rig.calls.clear();
  rig.map.Steps().ClearKind(4, true);
  rig.map.SetHoveredKey(-1);
  rig.map.SetRestoreBaseMap(true);
  rig.map.SetHoverTargetKey(2);
  rig.map.BuildMap(false);
  EXPECT_EQ(rig.calls, (Calls{"NoExcluded", "BeforeKeys", "ReGetData"}));
  EXPECT_EQ(rig.map.Keys(), base);
  EXPECT_FALSE(rig.map.RestoreBaseMap());
  EXPECT_EQ(rig.named, named);                // the network was not asked
  EXPECT_EQ(rig.map.HoverTargetKey(), 2);     // kept on the way back
}

// Two identifiers of one text (two dictionaries' readings of a word) take
// one place on the map: the query's reading, else the first the network
// gives; on a hover map the other reading marks the key that shows its text.
// Texts the map hides stay as they were.
TEST(ContentMapBuild, AWordTextTakesOnePlace) {
  const struct {
    const char* name;
    std::map<int32_t, std::u16string> names;  // texts given instead of kNames'
    bool hover;                               // then hovered on word 3
    IdFlags keys;
  } cases[] = {
      {"every text its own", {}, false, {{1, Q}, {2, Q}, {3, 0}, {5, 0}, {4, 0}, {7, KF_HIDDEN}}},
      {"a related word reads as a query word",
       {{3, u"search"}},
       false,
       {{1, Q}, {2, Q}, {5, 0}, {4, 0}, {7, KF_HIDDEN}}},
      {"two related words of one text", {{4, u"query"}}, false, {{1, Q}, {2, Q}, {3, 0}, {5, 0}, {7, KF_HIDDEN}}},
      {"a hidden text twice", {{4, u"'s"}}, false, {{1, Q}, {2, Q}, {3, 0}, {5, 0}, {4, KF_HIDDEN}, {7, KF_HIDDEN}}},
      // Word 6 goes only with 3: on the hover map it is word 4's text.
      {"a hovered word's context reads as a word of the map",
       {{6, u"index"}},
       true,
       {{1, Q | KF_CONTEXT},
        {2, Q | KF_CONTEXT},
        {3, KF_HOVERED | KF_CARRIED},
        {5, KF_INACTIVE},
        {4, KF_CONTEXT},
        {7, KF_HIDDEN}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MapRig rig;
    rig.map.OnGetKeyName = [&c](int32_t id) {
      if (const auto given = c.names.find(id); given != c.names.end()) return given->second;
      const auto found = kNames.find(id);
      return found == kNames.end() ? std::u16string(u"w") + char16_t(u'0' + id % 10) : found->second;
    };
    rig.Query({1, 2});
    rig.map.BuildMap(false);
    if (c.hover) {
      ASSERT_EQ(rig.IndexOf(3), 2);
      rig.map.Steps().SetValue(4, 3, 1.0f, true);
      rig.map.SetHoveredKey(2);
      rig.map.BuildMap(false);
    }
    EXPECT_EQ(rig.IdsAndFlags(), c.keys);
  }
}

TEST(ContentMapBuild, HoverFromAHoverMapAndStaleHoverIndexes) {
  MapRig rig;
  rig.Query({1, 2});
  rig.map.BuildMap(false);
  const TKeys base = rig.map.Keys();

  // Hover 3, then move on to 1 while hovered: a new hover map on the base.
  rig.map.Steps().SetValue(4, 3, 1.0f, true);
  rig.map.SetHoveredKey(2);
  rig.map.BuildMap(false);
  rig.map.Steps().ClearKind(4, true);
  rig.map.Steps().SetValue(4, 1, 1.0f, true);
  rig.map.SetRestoreBaseMap(true);
  rig.map.SetHoveredKey(0);
  rig.map.BuildMap(false);
  EXPECT_FALSE(rig.map.RestoreBaseMap());
  // The previous record comes over flags and all: the query word was in 3's context.
  EXPECT_EQ(rig.map.Keys()[0].Flags, Q | KF_CONTEXT | KF_HOVERED | KF_CARRIED);
  EXPECT_EQ(rig.map.Keys()[2].Flags, KF_CONTEXT);
  EXPECT_EQ(rig.map.Keys()[rig.IndexOf(4)].Flags, KF_CONTEXT);
  EXPECT_EQ(rig.map.Keys()[rig.IndexOf(5)].Flags, KF_INACTIVE);
  EXPECT_EQ(rig.map.BaseKeys(), base);

  // A hovered index beyond the previous keys (the keys were replaced) is no
  // hover: a query map, laid out, which becomes the base map again...
  rig.map.SetHoveredKey(40);
  rig.map.BuildMap(false);
  EXPECT_EQ(rig.IdsAndFlags(), (IdFlags{{1, Q}, {2, Q}, {3, 0}, {5, 0}, {4, 0}, {7, KF_HIDDEN}}));
  EXPECT_EQ(rig.map.BaseKeys(), rig.map.Keys());
  EXPECT_EQ(rig.map.HoverTargetKey(), -1);
  // ...and with RestoreBaseMap the base map comes back as it is.
  rig.map.SetRestoreBaseMap(true);
  rig.map.SetHoveredKey(-7);
  const int32_t named = rig.named;
  rig.map.BuildMap(false);
  EXPECT_EQ(rig.map.Keys(), rig.map.BaseKeys());
  EXPECT_EQ(rig.named, named);
}

TEST(ContentMapBuild, HoveredWordMissingFromTheBaseMapIsAppended) {
  MapRig rig;
  rig.Query({1, 2});
  rig.map.BuildMap(false);
  const TKeys base = rig.map.Keys();
  // The map the user saw holds a word the base map lacks.
  TKeys seen = base;
  seen.push_back(Word(8, u"page", 0.3f, KF_INACTIVE | KF_MARKED));
  rig.map.CopyKeysIn(seen);
  rig.map.Steps().SetValue(4, 8, 1.0f, true);
  rig.map.SetHoveredKey(6);
  rig.map.BuildMap(false);
  const int32_t at = rig.IndexOf(8);
  ASSERT_EQ(at, 6);
  EXPECT_EQ(rig.map.Keys()[6].Flags, KF_MARKED | KF_HOVERED | KF_CARRIED);
  EXPECT_EQ(rig.map.HoverTargetKey(), 6);
  for (size_t i = 0; i < 6; ++i) {
    if (!(base[i].Flags & KF_HIDDEN)) {
      EXPECT_TRUE(rig.map.Keys()[i].Flags & KF_INACTIVE) << i;
    }
  }
}

TEST(ContentMapBuild, WordCountsCutsAndHiddenKeys) {
  // One query word and 70 words related to it.
  struct Case {
    int32_t wordCount;
    bool named;
    int32_t keys;
  };
  for (const Case& c : {Case{5, true, 11}, Case{100, true, 61}, Case{20, false, 21}}) {
    SCOPED_TRACE(c.wordCount);
    TIContextMS net;
    for (int32_t id = 1; id <= 71; ++id) AddInputWord(net, id);
    net.AddFile(0);
    for (int32_t id = 1; id <= 71; ++id) RelatePage(net, id, 0, 0.5f);
    for (int32_t id = 2; id <= 71; ++id) Relate(net, 1, id, 0.2f + static_cast<float>(id) / 100.0f);
    TContentMap2 map;
    map.SetNeuroNet(&net);
    map.SetMapSize(800, 600);
    map.SetNoQueryMode(false);
    map.SetWordCount(c.wordCount);
    if (c.named) {
      // A text of its own for every word: one text takes one place.
      map.OnGetKeyName = [](int32_t id) {
        return id == 71 ? std::u16string(u" ")
                        : u"w" + std::u16string{char16_t(u'a' + id / 26), char16_t(u'a' + id % 26)};
      };
    }
    map.OnBeforeKeysHook = [&map] { map.ResultFiles() = TNNKeys{{0, 1.0f}}; };
    map.Steps().SetValue(0, 1, 1.0f, true);
    map.BuildMap(true);
    ASSERT_EQ(map.KeyCount(), c.keys);
    for (int32_t i = 1; i < map.KeyCount(); ++i) {
      // Strongest first: the network's answer order.
      EXPECT_GE(map.Keys()[static_cast<size_t>(i - 1)].Weight, map.Keys()[static_cast<size_t>(i)].Weight);
    }
    if (c.named) {
      // " " (word 71, the strongest) keeps its place, hidden.
      EXPECT_EQ(map.Keys()[0].Flags, Q);
      EXPECT_EQ(map.Keys()[1].Id, 71);
      EXPECT_EQ(map.Keys()[1].Flags, KF_HIDDEN);
    } else {
      // No names: every key is hidden.
      for (const TKey& key : map.Keys()) EXPECT_EQ(key.Flags, KF_HIDDEN);
    }
  }
}

TEST(ContentMapBuild, ZeroWeightsCrowdingAndMapSize) {
  MapRig rig;
  rig.Query({1, 2});
  // A query word of weight 0 at the end is dropped with the zero weights
  // after it; relations already in the matrix stay without a network.
  rig.map.Steps().SetValue(0, 8, 0.0f, true);
  rig.map.SetNeuroNet(nullptr);
  rig.map.Relations() = TRelationMatrix(3, std::vector<float>(3, 0.25f));
  rig.map.BuildMap(true);
  EXPECT_EQ(rig.IdsAndFlags(), (IdFlags{{1, Q}, {2, Q}}));
  EXPECT_EQ(rig.map.Relations(), TRelationMatrix(2, std::vector<float>(2, 0.25f)));

  // A map whose labels cover more than 70% of it takes 4 points off and
  // measures every key again.
  MapRig small;
  small.Query({1, 2});
  small.map.SetMapSize(60, 40);
  small.map.BuildMap(true);
  EXPECT_EQ(small.map.SizeReduction(), 4);
  EXPECT_EQ(small.measured, 12);

  // A map without width: the previous keys are taken, nothing else changes.
  MapRig flat;
  flat.Query({1, 2});
  const TKeys old = {Word(5, u"old", 1.0f)};
  flat.map.CopyKeysIn(old);
  flat.map.SetMapSize(0, 300);
  flat.map.BuildMap(false);
  EXPECT_EQ(flat.calls, (Calls{"NoExcluded", "BeforeKeys"}));
  EXPECT_EQ(flat.map.PreviousKeys(), old);
  EXPECT_EQ(flat.map.Keys(), old);
  EXPECT_EQ(flat.named, 0);
}

TEST(ContentMapBuild, RelationEventReplacesTheModelsWeights) {
  MapRig rig;
  rig.Query({1, 2});
  rig.map.OnGetRelationKeys = [](int32_t a, int32_t b) { return static_cast<float>(a * 10 + b); };
  rig.map.BuildMap(true);
  ASSERT_EQ(rig.map.KeyCount(), 6);
  EXPECT_EQ(rig.map.Relations()[0][2], 13.0f);
  EXPECT_EQ(rig.map.Relations()[2][2], 33.0f);
}

TEST(ContentMapBuild, LogLines) {
  test::ScopedLog log;
  MapRig rig;
  rig.map.SetNeuroNet(nullptr);
  rig.Query({1, 2}, {9});
  rig.map.BuildMap(false);
  // Two query words without relations: a circle, plus_key sizes.
  EXPECT_EQ(log.Take(), (std::vector<std::string>{
                            "[Info] getmore_keys enter",
                            "[Info] GetFiles keys  1 2 9files ",
                            "[Info] getmore_keys Leave",
                            "[Info] Words and Weight",
                            "[Info] 1 - search",
                            "[Info] 1 - engine",
                            "[Info] Allocation Words in Relativ coordinate",
                            "[Info] Allocation complite",
                            "[Info] FontSizes",
                            "[Info] 16 - search",
                            "[Info] 16 - engine",
                            "[Info] Allocation words in map",
                            "[Info] Allocation complite",
                            "[Info] Draw map",
                            "[Info] Map is drawn",
                        }));

  rig.map.Steps().SetValue(4, 2, 0.5f, true);
  rig.map.SetHoveredKey(1);
  rig.map.BuildMap(false);
  const std::vector<std::string> hover = log.Take();
  ASSERT_GE(hover.size(), 2u);
  EXPECT_EQ(hover[1], "[Info] GetWords keys  2 9files ");

  rig.map.Steps().ClearKind(4, true);
  rig.map.SetHoveredKey(-1);
  rig.map.SetRestoreBaseMap(true);
  rig.map.BuildMap(false);
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"[Info] Draw map", "[Info] Map is drawn"}));
}

}  // namespace
}  // namespace kestrune
