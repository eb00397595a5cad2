// The advertising block of the result page: the block by the advertising
// engine's name, its items and macros, escaping of what the advertising
// server sends, the cut of long names, and where the block is shown.
#include <gtest/gtest.h>

#include <mutex>

#include "search/advert_engine.h"
#include "tests/search/page_results_fixture.h"
#include "tests/support/advert_pages.h"

namespace kestrune {
namespace {

using test::AdvertItem;
using test::WriteFileBytes;

std::u16string U(const std::string& text) { return platform::Utf8ToUtf16(text); }

// Shows a page of its own making, as if an answer had brought it.
class AdvertProbe : public TAmazonCom {
 public:
  void Show(const std::vector<TMetaSearchList>& items) {
    int32_t entry = -1;
    FindCachedPage(u"key", entry);
    ASSERT_GE(entry, 0);
    std::lock_guard lock(mutex_);
    TParsePage& page = cache_[static_cast<size_t>(entry)];
    page.Items = items;
    page.ItemCount = static_cast<int32_t>(items.size());
    page.Fetched = true;
    shownEntry_ = entry;
  }
};

// Item n's placeholders; the item macro stands in the first item only (a
// macro's name is replaced wherever it stands).
std::string ItemBlock(int n) {
  const std::string k = std::to_string(n);
  return "[$adv_logo" + k + "|$adv_name" + k + "|$adv_text" + k + "|$adv_url" + k + "|$adv_img" + k + "|$adv_comment" +
         k + (n == 1 ? "|macros_price]" : "]");
}

class PageAdvertTest : public ::testing::Test {
 protected:
  PageAdvertTest() {
    const std::string folder = f_.home.Path() + "pages/";
    platform::CreateFolder(U(folder));
    const std::string blocks = "<search_result>[$cmap_advertisement]</search_result>\n<_miva>miva" + ItemBlock(1) +
                               ItemBlock(2) + ItemBlock(3) + "{macros_total}</_miva>\n<_begun>begun" + ItemBlock(1) +
                               "</_begun>\n";
    WriteFileBytes(folder + "templates.ini", blocks);
    WriteFileBytes(folder + "blank4.html", "<p>searching $cmap_advertisement</p>");
    f_.UseTemplates(folder);
    f_.UseEngine("web", test::EngineTemplate("Web"));
    for (const char* name : {"miva", "begun"}) {
      WriteFileBytes(f_.home.Path() + "templates/web/" + name + ".ini", test::AdvertTemplate("http://ads.example", name));
    }
    f_.builder.Advertising = &advertPointer_;
  }
  void Use(const char* name) { ASSERT_TRUE(advert_.UseTemplate(name)); }
  std::u16string Block() { return f_.builder.AdvertisementFromAmazon(); }

  test::PageFixture f_;
  AdvertProbe advert_;
  TAmazonCom* advertPointer_ = &advert_;
};

TEST_F(PageAdvertTest, ItemsAndMacrosOfAnAnswer) {
  Use("miva");
  EXPECT_EQ(Block(), u"");  // nothing shown yet
  std::vector<AdvertItem> items = test::NumberedAdverts(1, 2, "http://ads.example");
  items[0].comment = "  Best  ";
  items[0].image = "http://img.example/1.png";
  items[0].price = "$5";
  ASSERT_EQ(advert_.ProcessAdvertPage(u"key", test::WriteAdvertPage(items, "2 offers"), "http://ads.example/adv"),
            2);
  EXPECT_EQ(Block(),
            u"miva"
            u"[<img src=\"begun_logo.gif\" alt=\"\" width=\"18\" height=\"18\" border=\"0\">|Ad 1| Offer 1 for you|"
            u"http://ads.example/ad1.html|<img src=\"http://img.example/1.png\" width=\"20\" height=\"10\" alt=\"pic\">|"
            u"Best|&#36;5]"
            u"[<img src=\"begun_logo.gif\" alt=\"\" width=\"18\" height=\"18\" border=\"0\">|Ad 2| Offer 2 for you|"
            u"http://ads.example/ad2.html||]"
            u"[|||||]{2 offers}");
  // The block of the engine named "begun".
  Use("begun");
  ASSERT_EQ(advert_.ProcessAdvertPage(u"key", test::WriteAdvertPage(items), "http://ads.example/begun"), 2);
  EXPECT_TRUE(Block().starts_with(u"begun[<img src=\"begun_logo.gif\""));
  advert_.StopAndReset();
  EXPECT_EQ(Block(), u"");
}

TEST_F(PageAdvertTest, NamesLongerThanFortyUnitsAreCutForMivaOnly) {
  const std::u16string forty(40, u'a');
  const std::u16string pair = u"\U0001F600";  // two units
  const struct {
    const char* engine;
    std::u16string title, shown;
  } cases[] = {
      {"miva", forty, forty},
      {"miva", forty + u"b", forty + u"..."},
      {"begun", forty + u"b", forty + u"b"},
      {"miva", forty.substr(0, 39) + pair, forty.substr(0, 39) + u"..."},  // the pair is not split
      {"miva", forty.substr(0, 38) + pair + u"b", forty.substr(0, 38) + pair + u"..."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::Utf16ToUtf8(c.title) + " from " + c.engine);
    Use(c.engine);
    TMetaSearchList item;
    item.Title = c.title;
    item.Url = "http://ads.example/";
    advert_.Show({item});
    const std::u16string block = Block();
    const size_t at = block.find(u"border=\"0\">|");
    ASSERT_NE(at, std::u16string::npos);
    const size_t start = at + 12;
    EXPECT_EQ(block.substr(start, block.find(u'|', start) - start), c.shown);
  }
}

TEST_F(PageAdvertTest, WhatTheServerSendsIsEscaped) {
  Use("miva");
  TMetaSearchList item;
  item.Title = u"<script>alert(1)</script>\"$adv_url2";
  item.Annotation = u"a & b <b>bold</b> $adv_name1";
  item.Url = "javascript:alert('x')";
  item.ItemText =
      u"<i class=\"c\">&lt;img onerror=x&gt;</i><img src=\"javascript:alert(2)\"><em class=\"price\">\"'&lt;&gt;</em>";
  TMetaSearchList second = item;
  second.Url = "http://ads.example/\"onmouseover=\"alert(3)";
  second.ItemText = u"<img src=\"http://img.example/x.png\" alt='\"><script>x</script>'>";
  advert_.Show({item, second});
  const std::u16string block = Block();
  EXPECT_EQ(block.find(u"<script"), std::u16string::npos);
  EXPECT_EQ(block.find(u"<b>"), std::u16string::npos);
  EXPECT_EQ(block.find(u"javascript"), std::u16string::npos);
  EXPECT_EQ(block.find(u"\"onmouseover"), std::u16string::npos);
  EXPECT_NE(block.find(u"|&lt;script&gt;alert(1)&lt;/script&gt;&quot;&#36;adv_url2|"), std::u16string::npos);
  EXPECT_NE(block.find(u"|a &amp; b &lt;b&gt;bold&lt;/b&gt; &#36;adv_name1|#||&lt;img onerror=x&gt;|"
                       u"&quot;&#39;&lt;&gt;]"),
            std::u16string::npos);
  EXPECT_NE(block.find(u"|http://ads.example/&quot;onmouseover=&quot;alert(3)|"), std::u16string::npos);
  EXPECT_NE(block.find(u"alt=\"&quot;&gt;&lt;script&gt;x&lt;/script&gt;\""), std::u16string::npos);
}

// An advert whose address names a command host of the page is left out of
// the block; the adverts after it move up.
TEST_F(PageAdvertTest, AdvertsWithACommandHostAreLeftOut) {
  const struct {
    const char* name;
    std::vector<std::string> urls;
    std::vector<std::string> shown;  // the titles in the block's items 1..3
  } cases[] = {
      {"plain addresses", {"http://ads.example/a", "https://ads.example/b"}, {"Ad 0", "Ad 1", ""}},
      {"a recent query's command first",
       {"http://kestrunesendlastquery/1", "http://ads.example/a", "http://ads.example/b", "http://ads.example/c"},
       {"Ad 1", "Ad 2", "Ad 3"}},
      {"commands as a browser reads them",
       {"HTTP://KestruneLastProject/0", "http:\\\\query/0", "http://ads.example/a", "http:kestruneaddtohistory/"},
       {"Ad 2", "", ""}},
      {"a host that only begins like one", {"http://kestrunesendlastquery.example/1"}, {"Ad 0", "", ""}},
      {"only commands", {"http://help/", "http://contextmenuscope/1"}, {}},
  };
  Use("miva");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<TMetaSearchList> items;
    for (const std::string& url : c.urls) {
      TMetaSearchList item;
      item.Title = U("Ad " + std::to_string(items.size()));
      item.Url = url;
      items.push_back(item);
    }
    advert_.Show(items);
    const std::u16string block = Block();
    if (c.shown.empty()) {
      EXPECT_EQ(block, u"");
      continue;
    }
    std::vector<std::string> shown;
    for (size_t at = block.find(u'['); at != std::u16string::npos; at = block.find(u'[', at + 1)) {
      const size_t name = block.find(u'|', at) + 1;
      shown.push_back(platform::Utf16ToUtf8(block.substr(name, block.find(u'|', name) - name)));
    }
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(block.find(u"kestrunesendlastquery/"), std::u16string::npos);
    EXPECT_EQ(block.find(u"KestruneLastProject"), std::u16string::npos);
  }
}

TEST_F(PageAdvertTest, ShownBesideTheResultsOfAnotherEngineOnly) {
  Use("miva");
  TMetaSearchList item;
  item.Title = u"Ad";
  item.Url = "http://ads.example/";
  advert_.Show({item});
  f_.SetDocuments(1);
  const struct {
    const char* engine;
    int32_t mode;
    bool shown;
  } cases[] = {
      {"Web", 5, true}, {"miva", 5, false}, {"Web", 7, false}, {"Web", 9, false},
      {"miva", 1, true},  // a blank page shows it whatever the engine
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.engine) + " mode " + std::to_string(c.mode));
    f_.UseEngine(std::string("search_") + c.engine, test::EngineTemplate(c.engine));
    const std::u16string page = f_.builder.BuildPage(c.mode, 1);
    EXPECT_EQ(page.find(u"miva[") != std::u16string::npos, c.shown);
  }
  f_.builder.Advertising = nullptr;
  f_.UseEngine("web", test::EngineTemplate("Web"));
  EXPECT_EQ(f_.builder.BuildPage(5, 1), u"[]");
}

}  // namespace
}  // namespace kestrune
