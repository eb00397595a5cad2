#include "search/item_url.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

TEST(ItemUrl, ResolveAndAcceptAgainstThePage) {
  struct Case {
    const char* page;
    std::string link;
    bool accepted;
    std::string result;  // when accepted
  } cases[] = {
      {"http://host/x/y/list.html", "../a.html", true, "http://host/x/a.html"},
      {"http://host/x/y/list.html", "../../../../a.html", true, "http://host/a.html"},
      {"http://host/x/y/list.html", "..", false, ""},
      {"http://host/x/y/list.html", "/a.html", true, "http://host/a.html"},
      {"http://host/x/y/list.html", "/", true, "http://host"},
      {"http://host/x/y/list.html", "./a.html", true, "http://host/x/y/a.html"},
      {"http://host/x/y/list.html", "./", true, "http://host"},
      {"http://host/x/y/list.html", "a.html", false, ""},
      {"http://host/x/y/list.html", "//cdn.example/z", true, "http://cdn.example/z"},
      {"http://host:8080/x/list.html", "/a.html", true, "http://host:8080/a.html"},
      {"http://host:80/x/list.html", "/a.html", true, "http://host/a.html"},
      {"https://host/x/list", "/a", true, "https://host/a"},
      {"https://host:443/x/list", "/a", true, "https://host/a"},
      {"https://host:8443/x/list", "//c.example/z", true, "https://c.example/z"},
      {"http://host/x/list", "HTTP://Other/Path", true, "HTTP://Other/Path"},
      {"http://host/x/list", "ftp://files.example/f", true, "ftp://files.example/f"},
      {"http://host/x/y/list.html", "redirect?u=http://t.example/", true,
       "http://host/x/y/redirect?u=http://t.example/"},
      {"http://host/x/y/list.html?q=1", "?u=https://t.example/", true,
       "http://host/x/y/list.html?u=https://t.example/"},
      {"http://host/x/y/list.html", "javascript:go('http://t.example/')", false, ""},
      {"http://host/x/y/list.html", "data:text/html,http://t.example/", false, ""},
      {"http://host/x/y/list.html", "file:///etc/passwd", false, ""},
      {"http://host/x/y/list.html", "mailto:someone@host", false, ""},
      {"http://host/x/y/list.html", "C:\\no\\such\\file.txt", false, ""},
      {"http://host/x/y/list.html", "", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.page) + " + " + c.link);
    std::string url = c.link;
    const bool resolved = ResolveItemUrl(url, c.page);
    const bool accepted = resolved && AcceptItemUrl(url, c.page);
    EXPECT_EQ(accepted, c.accepted);
    if (c.accepted) {
      EXPECT_EQ(url, c.result);
    }
  }
}

TEST(ItemUrl, LocalPathIsAcceptedOnlyWhenTheFileExists) {
  test::TempDir dir;
  const std::string path = dir.File("C:\\report.txt");
  std::string url = path;
  EXPECT_FALSE(AcceptItemUrl(url, "http://host/"));
  test::WriteFileBytes(path, "x");
  EXPECT_TRUE(AcceptItemUrl(url, "http://host/"));
  EXPECT_EQ(url, path);
}

TEST(ItemUrl, DirectoryAndBase) {
  struct Case {
    const char* url;
    const char* directory;
    const char* base;
  } cases[] = {
      {"http://host/x/y/list.html", "http://host/x/y", "http://host"},
      {"http://Host/A/B", "http://Host/A", "http://Host"},
      {"http://HOST", "http://host", "http://HOST"},
      {"http://h/a?x=/b#c/d", "http://h", "http://h"},
      {"http://h:81/a\\b", "http://h:81/a", "http://h:81"},
      {"host/x", "host", "http://host"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(UrlDirectory(c.url), c.directory);
    EXPECT_EQ(UrlBase(c.url), c.base);
  }
}

TEST(ItemUrl, ShopLinksBecomeProductLinks) {
  struct Case {
    const char* url;
    const char* result;
  } cases[] = {
      {"http://www.shop.example/gp/product/B00AbCdEfG/ref=x",
       "http://www.shop.example/exec/obidos/ASIN/B00AbCdEfG/kestrune-20/"},
      {"http://SHOP.EXAMPLE/Title/-/0123456789?tag=1",
       "http://www.shop.example/exec/obidos/ASIN/0123456789/kestrune-20/"},
      {"http://shop.example/Title/-/0123456789/qid",
       "http://www.shop.example/exec/obidos/ASIN/0123456789/kestrune-20/"},
      {"http://shop.example/x?asin/B000000001&y", "http://www.shop.example/exec/obidos/ASIN/B000000001/kestrune-20/"},
      {"http://shop.example/product/SHORT/", "http://shop.example/product/SHORT/"},
      {"http://other.example/product/B00ABCDEFG/", "http://other.example/product/B00ABCDEFG/"},
  };
  for (const Case& c : cases) EXPECT_EQ(ShopProductUrl(c.url), c.result) << c.url;
}

}  // namespace
}  // namespace kestrune
