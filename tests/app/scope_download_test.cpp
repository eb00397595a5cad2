#include "app/scope_download.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

TEST(ScopeNavigation, WhatANavigationDoes) {
  const TScopeNavigation go{false, false}, download{true, true}, ignored{true, false};
  const struct {
    const char* url;
    bool running;
    TScopeNavigation expected;
  } cases[] = {
      {"http://maker.example/scopes/birds.kqp", false, download},
      {"http://maker.example/scopes/birds.kqp", true, ignored},  // another project while one downloads
      {"http://maker.example/scopes/about.html", true, ignored}, // an ordinary link while one downloads
      {"http://maker.example/scopes/about.html", false, go},     // links work again after the end
      {"http://maker.example/scopes/BIRDS.KQP", false, go},      // the extension is compared with exact case
      {"http://maker.example/scopes/x.kqp?y=1", false, go},
      {"http://maker.example/scopes/x.kqp#top", false, go},
      {"http://maker.example/x.kqp/", false, go},
      {".kqp", false, download},
      {"kqp", false, go},
      {"", false, go},
      {"", true, ignored},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.url) + (c.running ? " while running" : ""));
    EXPECT_EQ(ScopeNavigation(c.url, c.running), c.expected);
  }
}

TEST(ScopeNavigation, ScopePageAddress) {
  EXPECT_EQ(ScopePageUrl("http://maker.example", "en"), "http://maker.example/searchscopes/?lang=en");
  EXPECT_EQ(ScopePageUrl("http://127.0.0.1:8080", "pt-BR_x.1~"), "http://127.0.0.1:8080/searchscopes/?lang=pt-BR_x.1%7e");
  EXPECT_EQ(ScopePageUrl("https://m.example", "a b&c=\xd1\x80"), "https://m.example/searchscopes/?lang=a+b%26c%3d%d1%80");
}

TEST(ScopeDownloadName, FileNameOfAnAddress) {
  const struct {
    const char* url;
    const char16_t* name;  // empty: refused
  } cases[] = {
      {"http://maker.example/scopes/birds.kqp", u"birds.kqp"},
      {"http://maker.example/a/b/c%20d.kqp", u"c d.kqp"},
      {"http://maker.example/%D0%BF%D1%82%D0%B8%D1%86%D1%8B.kqp", u"\u043f\u0442\u0438\u0446\u044b.kqp"},
      {"http://maker.example/x.kqp?name=../../y.kqp", u"x.kqp"},
      {"http://maker.example/a/../../x.kqp", u"x.kqp"},
      {"http://maker.example/%zz%4.kqp", u"%zz%4.kqp"},  // not an escape: kept
      {"birds.kqp", u"birds.kqp"},
      {"http://maker.example/..%2F..%2Fx.kqp", u""},
      {"http://maker.example/..%5Cx.kqp", u""},
      {"http://maker.example/x%00.kqp", u""},
      {"http://maker.example/x%FF.kqp", u""},  // not UTF-8
      {"http://maker.example/x%0A.kqp", u""},
      {"http://maker.example/%2E%2E", u""},
      {"http://maker.example/.", u""},
      {"http://maker.example/", u""},
      {"http://maker.example", u""},
      {"http://maker.example?x=/y.kqp", u""},
      {"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(ScopeUrlFileName(c.url), c.name);
  }
}

TEST(ScopeDownloadName, TakenNamesAreNumbered) {
  const struct {
    std::vector<const char*> present;
    const char* url;
    const char* expected;  // empty: refused
  } cases[] = {
      {{}, "http://m/birds.kqp", "birds.kqp"},
      {{"birds.kqp"}, "http://m/birds.kqp", "birds(1).kqp"},
      {{"birds.kqp", "birds(1).kqp", "birds(2).kqp"}, "http://m/birds.kqp", "birds(3).kqp"},
      {{"BIRDS.KQP"}, "http://m/birds.kqp", "birds(1).kqp"},  // taken in any letter case: nothing replaced
      {{"readme"}, "http://m/readme", "readme(1)"},
      {{}, "http://m/..%2Fbirds.kqp", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    test::TempDir dir;
    for (const char* name : c.present) test::WriteFileBytes(dir.File(name), "x");
    const std::u16string expected = *c.expected ? dir.WFile(c.expected) : u"";
    EXPECT_EQ(ScopeDownloadName(c.url, dir.WPath()), expected);
    // The folder without its final "/" gives the same.
    std::u16string bare = dir.WPath();
    bare.pop_back();
    EXPECT_EQ(ScopeDownloadName(c.url, bare), expected);
  }
  EXPECT_EQ(ScopeDownloadName("http://m/birds.kqp", u""), u"");
}

}  // namespace
}  // namespace kestrune
