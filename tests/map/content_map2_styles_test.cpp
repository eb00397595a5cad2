#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <string>

#include "map/cm_key_color.h"
#include "map/content_map2.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

TKey Word(float weight, uint32_t flags = 0, std::u16string name = u"word") {
  TKey key;
  key.Name = std::move(name);
  key.Weight = weight;
  key.Flags = flags;
  return key;
}

std::string ShippedColorFile() {
  const char* source = std::getenv("KESTRUNE_SOURCE_DIR");
  return std::string(source ? source : ".") + "/data/templates/en/color.ini";
}

TEST(KeyStyles, ShippedColorFileHoldsTheBuiltInDefaults) {
  TContentMap2 map;
  EXPECT_EQ(map.Styles(), DefaultStyleTable());
  for (auto& section : map.Styles()) {
    for (TStyleBlock& block : section) block = TStyleBlock{};
  }
  map.SetKeyFont(u"Courier");
  ASSERT_EQ(map.LoadStyleFile(platform::Utf8ToUtf16(ShippedColorFile())), TCustomContentMap2::kStyleFileOk);
  EXPECT_EQ(map.Styles(), DefaultStyleTable());
  EXPECT_EQ(map.KeyFont(), u"Arial");

  const TStyleTable defaults = DefaultStyleTable();
  EXPECT_EQ(defaults[ssQuery][sbPlusKey].Color, 217);
  EXPECT_EQ(defaults[ssQuery][sbMouseoverKey].ShadowOffSet, 3);
  EXPECT_EQ(defaults[ssQuery][sbKey].MaxSize, 14);
  EXPECT_EQ(defaults[ssQuery][sbNotActiveKey].Transparency, 70);
  EXPECT_EQ(defaults[ssExcluded][sbContextKey].Color, 7631988);
  EXPECT_EQ(defaults[ssExcluded][sbContextKey].ShadowTrns, 90);
  EXPECT_EQ(defaults[ssExcluded][sbContextKey].Size, 14);
}

TEST(KeyStyles, MissingColorFileKeepsTheDefaults) {
  test::TempDir dir;
  TContentMap2 map;
  EXPECT_EQ(map.LoadStyleFile(dir.WFile("color.ini")), TCustomContentMap2::kStyleFileMissing);
  EXPECT_EQ(map.LoadStyleFile(dir.WPath()), TCustomContentMap2::kStyleFileMissing);
  EXPECT_EQ(map.Styles(), DefaultStyleTable());
  EXPECT_EQ(map.KeyFont(), u"Arial");
}

TEST(KeyStyles, ColorFileQuirks) {
  using Check = std::function<void(const TStyleTable& t, const TContentMap2& map)>;
  const TStyleTable d = DefaultStyleTable();
  struct Case {
    const char* what;
    const char* text;
    int32_t result;
    Check check;
  } cases[] = {
      {"MinSize= inside an unsized block sets Size",
       "<query>\n<plus_key>\nMinSize=12\n</plus_key>\n</query>\n", 0,
       [&](const TStyleTable& t, auto&) {
         EXPECT_EQ(t[ssQuery][sbPlusKey].Size, 12);
         EXPECT_EQ(t[ssQuery][sbPlusKey].MinSize, 0);
       }},
      {"MaxSize= too", "<query>\n<Context_key>\nMaxSize=13\n</Context_key>\n</query>\n", 0,
       [&](const TStyleTable& t, auto&) {
         EXPECT_EQ(t[ssQuery][sbContextKey].Size, 13);
         EXPECT_EQ(t[ssQuery][sbContextKey].MaxSize, 0);
       }},
      {"Size= inside a sized block is ignored",
       "<query>\n<key>\nSize=20\nMinSize=11\n</key>\n</query>\n", 0,
       [&](const TStyleTable& t, auto&) {
         EXPECT_EQ(t[ssQuery][sbKey].Size, 0);
         EXPECT_EQ(t[ssQuery][sbKey].MinSize, 11);
         EXPECT_EQ(t[ssQuery][sbKey].MaxSize, 14);
       }},
      {"the block opening without <",
       "<query>\nplus_Mouseover_key>\nSize=30\n</plus_Mouseover_key>\n</query>\n", 0,
       [&](const TStyleTable& t, auto&) { EXPECT_EQ(t[ssQuery][sbPlusMouseoverKey].Size, 30); }},
      {"the block opening with <",
       "<excluded>\n<plus_Mouseover_key>\nSize=31\n</plus_Mouseover_key>\n</excluded>\n", 0,
       [&](const TStyleTable& t, auto&) {
         EXPECT_EQ(t[ssExcluded][sbPlusMouseoverKey].Size, 31);
         EXPECT_EQ(t[ssQuery][sbPlusMouseoverKey], d[ssQuery][sbPlusMouseoverKey]);
       }},
      {"a missing section keeps its defaults", "<query>\n<key>\nColor=5\n</key>\n</query>\n", 0,
       [&](const TStyleTable& t, auto&) {
         EXPECT_EQ(t[ssQuery][sbKey].Color, 5);
         EXPECT_EQ(t[ssExcluded], d[ssExcluded]);
       }},
      {"blocks outside a section are ignored",
       "<plus_key>\nSize=40\n</plus_key>\n<query>\n</query>\n<plus_key>\nSize=41\n</plus_key>\n", 0,
       [&](const TStyleTable& t, auto&) { EXPECT_EQ(t, d); }},
      {"texts are found anywhere in a line",
       "x <excluded> y\n  <Context_key> z\n ShadowColor=5 \n</Context_key> tail\n", 0,
       [&](const TStyleTable& t, auto&) {
         EXPECT_EQ(t[ssExcluded][sbContextKey].Color, 5);  // "ShadowColor=" holds "Color="
         EXPECT_EQ(t[ssExcluded][sbContextKey].ShadowClr, d[ssExcluded][sbContextKey].ShadowClr);
       }},
      {"only the first key in the test order counts",
       "<query>\n<plus_key>\nBoldSize=9\nShadowOffSet=4\nShadow=0\n</plus_key>\n</query>\n", 0,
       [&](const TStyleTable& t, auto&) {
         EXPECT_EQ(t[ssQuery][sbPlusKey].Size, 9);
         EXPECT_EQ(t[ssQuery][sbPlusKey].Bold, 1);
         EXPECT_EQ(t[ssQuery][sbPlusKey].ShadowOffSet, 4);
         EXPECT_FALSE(t[ssQuery][sbPlusKey].Shadow);
       }},
      {"hexadecimal, signs and spaces",
       "<query>\n<key>\nColor= $FF \nShadowClr=$FFFFFFFF\nTransparency=-5\nRegular=+3\nShadow=7\n"
       "Italic=1\nUnderline=1\nStrikeout=1\nShadowTrns=$a\n</key>\n</query>\n",
       0,
       [&](const TStyleTable& t, auto&) {
         const TStyleBlock& b = t[ssQuery][sbKey];
         EXPECT_EQ(b.Color, 255);
         EXPECT_EQ(b.ShadowClr, -1);
         EXPECT_EQ(b.Transparency, -5);
         EXPECT_EQ(b.Regular, 3);
         EXPECT_TRUE(b.Shadow);
         EXPECT_EQ(b.Italic + b.Underline + b.Strikeout, 3);
         EXPECT_EQ(b.ShadowTrns, 10);
       }},
      {"the main block sets the key font", "<main>\nsize=1\nfont= Verdana Pro \n</main>\n", 0,
       [&](auto&, const TContentMap2& m) { EXPECT_EQ(m.KeyFont(), u"Verdana Pro"); }},
      {"the font may stand on the main line", "<main>font=Courier\n</main>\n", 0,
       [&](auto&, const TContentMap2& m) { EXPECT_EQ(m.KeyFont(), u"Courier"); }},
      {"the font search passes </main>", "<main>\n</main>\nfont=Georgia\n</main>\n", 0,
       [&](auto&, const TContentMap2& m) { EXPECT_EQ(m.KeyFont(), u"Georgia"); }},
      {"what stands inside the main block is skipped",
       "<main>\nfont=A\n<query>\n<plus_key>\nSize=40\n</plus_key>\n</main>\n<plus_key>\nSize=41\n"
       "</plus_key>\n",
       0, [&](const TStyleTable& t, auto&) { EXPECT_EQ(t, d); }},
      {"a block closed on its opening line is empty",
       "<query>\n<key></key>\nMinSize=30\n</query>\n", 0,
       [&](const TStyleTable& t, auto&) { EXPECT_EQ(t, d); }},
      {"CR and CR LF line ends", "<query>\r<plus_key>\r\nSize=22\r</plus_key>\r\n</query>", 0,
       [&](const TStyleTable& t, auto&) { EXPECT_EQ(t[ssQuery][sbPlusKey].Size, 22); }},
      {"</query> ends the section",
       "<query>\n</query>\n<key>\nMinSize=1\n</key>\n<excluded>\n<key>\nMinSize=2\n</key>\n", 0,
       [&](const TStyleTable& t, auto&) {
         EXPECT_EQ(t[ssQuery][sbKey].MinSize, 10);
         EXPECT_EQ(t[ssExcluded][sbKey].MinSize, 2);
       }},
      {"a value that is not a number ends the reading",
       "<query>\n<plus_key>\nSize=20\n</plus_key>\n<key>\nMinSize=5\nMaxSize=big\nColor=1\n</key>\n"
       "<Context_key>\nSize=3\n</Context_key>\n</query>\n",
       TCustomContentMap2::kStyleFileBroken,
       [&](const TStyleTable& t, auto&) {
         EXPECT_EQ(t[ssQuery][sbPlusKey].Size, 20);
         EXPECT_EQ(t[ssQuery][sbKey].MinSize, 5);
         EXPECT_EQ(t[ssQuery][sbKey].MaxSize, 14);
         EXPECT_EQ(t[ssQuery][sbKey].Color, d[ssQuery][sbKey].Color);
         EXPECT_EQ(t[ssQuery][sbContextKey].Size, 14);
       }},
      {"an empty value and a value too large end the reading",
       "<query>\n<plus_key>\nSize=\n</plus_key>\n<key>\nMinSize=2147483648\n</key>\n</query>\n",
       TCustomContentMap2::kStyleFileBroken, [&](const TStyleTable& t, auto&) { EXPECT_EQ(t, d); }},
      {"a block that never closes ends the reading",
       "<query>\n<Context_key>\nSize=1\n</Context_key>\n<plus_key>\nSize=20\n</query>\n",
       TCustomContentMap2::kStyleFileBroken,
       [&](const TStyleTable& t, auto&) {
         EXPECT_EQ(t[ssQuery][sbContextKey].Size, 1);
         EXPECT_EQ(t[ssQuery][sbPlusKey].Size, 16);
       }},
      {"a main block that never closes ends the reading after the font",
       "<main>\nfont=Tahoma\n<query>\n<key>\nMinSize=1\n</key>\n", TCustomContentMap2::kStyleFileBroken,
       [&](const TStyleTable& t, const TContentMap2& m) {
         EXPECT_EQ(m.KeyFont(), u"Tahoma");
         EXPECT_EQ(t, d);
       }},
      {"a main block without a font ends the reading", "<main>\n</main>\n",
       TCustomContentMap2::kStyleFileBroken,
       [&](auto&, const TContentMap2& m) { EXPECT_EQ(m.KeyFont(), u"Arial"); }},
      {"an empty file", "", 0, [&](const TStyleTable& t, auto&) { EXPECT_EQ(t, d); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TContentMap2 map;
    EXPECT_EQ(map.LoadStyleText(c.text), c.result);
    c.check(map.Styles(), map);
  }
}

// A table in which every block tells itself apart by its size and offsets.
void MarkBlocks(TContentMap2& map) {
  for (int32_t s = 0; s < kStyleSectionCount; ++s) {
    for (int32_t b = 0; b < kStyleBlockCount; ++b) {
      TStyleBlock& block = map.Styles()[s][b];
      const int32_t mark = 100 * (s + 1) + b;
      block.Size = block.MinSize = block.MaxSize = mark;
      block.ShadowOffSet = 50 + b;
      block.Color = 1000 + mark;
    }
  }
}

TEST(KeyStyles, BlockChoiceByFlags) {
  struct Case {
    uint32_t flags;
    int32_t block;
  } cases[] = {
      {KF_QUERY, sbPlusKey},
      {KF_QUERY | KF_CONTEXT, sbPlusInContextKey},
      {KF_QUERY | KF_CONTEXT | KF_HOVERED, sbPlusInContextKey},
      {KF_QUERY | KF_HOVERED, sbPlusMouseoverKey},
      {KF_QUERY | KF_HIGHLIGHTED, sbPlusMouseoverKey},
      {KF_QUERY | KF_CARRIED | KF_INACTIVE, sbPlusMouseoverKey},
      {KF_QUERY | KF_INACTIVE, sbPlusInNotContextKey},
      {0, sbKey},
      {KF_NEW | KF_MARKED | KF_HIDDEN | KF_EXCLUDED, sbKey},
      {KF_HOVERED | KF_CONTEXT, sbMouseoverKey},
      {KF_CARRIED, sbMouseoverKey},
      {KF_HIGHLIGHTED | KF_INACTIVE, sbMouseoverKey},
      {KF_CONTEXT, sbContextKey},
      {KF_CONTEXT | KF_INACTIVE, sbContextKey},
      {KF_INACTIVE, sbNotActiveKey},
  };
  for (bool excluded : {false, true}) {
    for (const Case& c : cases) {
      TContentMap2 map;
      map.SetNoQueryMode(false);
      map.SetExcludedMode(excluded);
      MarkBlocks(map);
      map.CopyKeysIn({Word(0.5f, c.flags)});
      TKey& key = map.Keys()[0];
      map.StyleKey(key);
      const int32_t mark = 100 * (excluded ? 2 : 1) + c.block;
      EXPECT_EQ(key.FontSize, static_cast<float>(mark)) << c.flags;
      EXPECT_EQ(key.Color, 1000 + mark) << c.flags;
      // The shadow offset of the query blocks and mouseover_key only.
      EXPECT_EQ(key.ShadowOffSet, c.block <= sbMouseoverKey ? 50 + c.block : 0) << c.flags;
    }
  }
}

TEST(KeyStyles, OpacityFromTransparency) {
  struct Case {
    int32_t transparency, alpha;
  } cases[] = {{0, 255}, {70, 77}, {100, 0}, {20, 204}, {90, 26}, {50, 128}, {1, 253},
               {150, 0}, {-10, 255}, {2147483647, 0}, {-2147483647 - 1, 255}};
  for (const Case& c : cases) {
    TContentMap2 map;
    map.SetNoQueryMode(false);
    map.Styles()[ssQuery][sbKey].Transparency = c.transparency;
    map.Styles()[ssQuery][sbKey].ShadowTrns = c.transparency;
    map.CopyKeysIn({Word(0.5f)});
    map.StyleKey(map.Keys()[0]);
    EXPECT_EQ(map.Keys()[0].Alpha, c.alpha) << c.transparency;
    EXPECT_EQ(map.Keys()[0].ShadowAlpha, c.alpha) << c.transparency;
  }
}

TEST(KeyStyles, DefaultLookOfAQueryWordAndOfAnExcludedView) {
  TContentMap2 map;
  map.SetNoQueryMode(false);
  map.CopyKeysIn({Word(1.0f, KF_QUERY), Word(0.5f, KF_INACTIVE)});
  map.ApplyStyles();
  const TKey& query = map.Keys()[0];
  EXPECT_EQ(query.Color, 217);
  EXPECT_EQ(query.Alpha, 255);
  EXPECT_EQ(query.ShadowAlpha, 77);
  EXPECT_EQ(query.ShadowClr, 7168344);
  EXPECT_EQ(query.ShadowOffSet, 2);
  EXPECT_EQ(query.Bold, 1);
  EXPECT_EQ(query.FontSize, 16.0f);
  EXPECT_EQ(map.Keys()[1].Alpha, 77);  // Not_active_key is 70 % transparent
  EXPECT_EQ(map.Keys()[1].FontSize, 10.0f);

  map.SetExcludedMode(true);
  map.ApplyStyles();
  EXPECT_EQ(map.Keys()[0].Color, 7631988);
  EXPECT_EQ(map.Keys()[0].ShadowAlpha, 26);

  map.SetDimmed(true);
  map.SetExcludedMode(false);
  map.ApplyStyles();
  EXPECT_EQ(map.Keys()[0].Color, 7168344);  // the query view's inactive colour
}

TEST(KeyStyles, SizesOfTheSizedBlocks) {
  const float tiny = std::numeric_limits<float>::denorm_min();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* what;
    TKeys keys;
    int32_t reduction;
    std::vector<float> sizes;  // of every key, styled by the key block
  } cases[] = {
      {"scaled from the last key", {Word(1.0f), Word(0.5f), Word(0.25f)}, 0, {14, 11, 10}},
      {"less the size reduction", {Word(1.0f), Word(0.5f), Word(0.25f)}, 2, {12, 9, 8}},
      // The last key is the heaviest: the formula falls below the minimum.
      {"clamped to the minimum", {Word(0.25f), Word(0.5f), Word(1.0f)}, 0, {10, 10, 10}},
      {"clamped to the reduced minimum", {Word(0.25f), Word(0.5f), Word(1.0f)}, 4, {6, 6, 6}},
      // A query word of weight 0 last: the formula rises above the maximum.
      {"clamped to the maximum", {Word(1.0f), Word(0.5f), Word(0.0f, KF_QUERY)}, 0, {14, 14, 16}},
      {"all weights equal: the maximum", {Word(0.5f), Word(0.5f)}, 4, {14, 14}},
      {"a range that overflows the division: the fallback",
       {Word(tiny), Word(0.0f), Word(1.0f, KF_QUERY)}, 0, {33, 33, 16}},
      {"a weight that is not a number: the fallback", {Word(nan), Word(0.5f), Word(0.25f)}, 0,
       {33, 14, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TContentMap2 map;
    map.SetNoQueryMode(false);
    map.Styles()[ssExcluded][sbKey].MaxSize = 33;
    map.SetSizeReduction(c.reduction);
    map.CopyKeysIn(c.keys);
    map.ApplyStyles();
    for (size_t i = 0; i < c.sizes.size(); ++i) EXPECT_EQ(map.Keys()[i].FontSize, c.sizes[i]) << i;
  }

  // A block with one size: that size less the reduction, never below 1 point.
  TContentMap2 map;
  map.SetNoQueryMode(false);
  map.CopyKeysIn({Word(0.5f, KF_INACTIVE), Word(0.9f)});
  map.SetSizeReduction(4);
  map.ApplyStyles();
  EXPECT_EQ(map.Keys()[0].FontSize, 6.0f);
  map.Styles()[ssQuery][sbNotActiveKey].MinSize = map.Styles()[ssQuery][sbNotActiveKey].MaxSize = 2;
  map.ApplyStyles();
  EXPECT_EQ(map.Keys()[0].FontSize, 1.0f);
  EXPECT_GE(map.MaxWeight(), 0.9f);
  EXPECT_EQ(map.MinWeight(), 0.5f);
}

TEST(KeyStyles, MapWithoutQueryTakesHalvesOfTheKeyBlockAndOwnColours) {
  TContentMap2 map;  // NoQueryMode is on after creation
  ASSERT_TRUE(map.NoQueryMode());
  map.Styles()[ssQuery][sbMouseoverKey].Color = 1111;
  map.Styles()[ssQuery][sbNotActiveKey].Color = 2222;
  map.CopyKeysIn({Word(1.0f, KF_QUERY), Word(0.5f, KF_QUERY | KF_CONTEXT), Word(0.75f, KF_CONTEXT),
                  Word(0.25f)});
  map.ApplyStyles();
  const TKeys& k = map.Keys();
  // Query words 12..14 over the query range 0.5; the others 10..12 over 0.5.
  EXPECT_EQ(k[0].FontSize, 14.0f);  // 12 + 3, clamped
  EXPECT_EQ(k[1].FontSize, 13.0f);
  EXPECT_EQ(k[2].FontSize, 12.0f);
  EXPECT_EQ(k[3].FontSize, 10.0f);
  EXPECT_EQ(k[0].Color, 2222);
  EXPECT_EQ(k[1].Color, 1111);
  EXPECT_EQ(k[2].Color, 1111);
  EXPECT_EQ(k[3].Color, 2222);

  // Halves of an odd range are not whole points.
  map.Styles()[ssQuery][sbKey].MaxSize = 15;
  map.CopyKeysIn({Word(1.0f, KF_QUERY, u"xyz"), Word(0.25f, KF_QUERY, u"abc")});
  map.MeasureKey(map.Keys()[1]);
  EXPECT_EQ(map.Keys()[1].FontSize, 12.5f);
  EXPECT_EQ(map.Keys()[1].TextWidth, 22);  // Round(0.6 x 12 x 3)
  EXPECT_EQ(map.Keys()[1].TextHeight, 14);
}

TEST(KeyStyles, MeasureKeyEstimatesWithoutAHook) {
  struct Case {
    int32_t size;
    std::u16string name;
    int32_t width, height;
  } cases[] = {{14, u"hello", 42, 17}, {10, u"ab", 12, 12},       {11, u"abc", 20, 13},
               {14, u"", 0, 17},       {10, u"\U0001D11E", 12, 12}, {9, u"\u0434\u043E\u043C", 16, 11}};
  for (const Case& c : cases) {
    TContentMap2 map;
    map.SetNoQueryMode(false);
    map.Styles()[ssQuery][sbContextKey].Size = c.size;
    map.CopyKeysIn({Word(0.5f, KF_CONTEXT, c.name)});
    map.MeasureKey(map.Keys()[0]);
    EXPECT_EQ(map.Keys()[0].TextWidth, c.width) << c.size;
    EXPECT_EQ(map.Keys()[0].TextHeight, c.height) << c.size;
  }
}

TEST(KeyStyles, MeasureKeyAsksTheHookWithTheStyledKey) {
  TContentMap2 map;
  map.SetNoQueryMode(false);
  int calls = 0;
  map.OnMeasureKeyHook = [&](const TKey& key, int32_t& width, int32_t& height) {
    ++calls;
    width = 7 * static_cast<int32_t>(key.Name.size()) + static_cast<int32_t>(key.FontSize);
    height = 2 * static_cast<int32_t>(key.FontSize) + key.Bold;
  };
  map.CopyKeysIn({Word(1.0f, KF_QUERY, u"four")});
  map.MeasureKey(map.Keys()[0]);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(map.Keys()[0].TextWidth, 28 + 16);
  EXPECT_EQ(map.Keys()[0].TextHeight, 33);
}

TEST(KeyStyles, KeyColorReportsOnlyChanges) {
  TCMKeyColor colors;
  int changes = 0;
  colors.OnChange = [&](TCMKeyColor& sender) {
    EXPECT_EQ(&sender, &colors);
    ++changes;
  };
  colors.SetLow(0x808000);
  EXPECT_EQ(changes, 0);
  colors.SetLow(1);
  colors.SetShadow(2);
  colors.SetShadow(2);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(colors.Shadow(), 2);
}

}  // namespace
}  // namespace kestrune
