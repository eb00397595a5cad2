#include "search/item_url.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

TEST(ItemUrl, ResolveAndAcceptAgainstThePage) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("C:\\report.txt"), "x");
  const std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());  // a local path names a file of the current folder
  const std::string page = "http://host/x/y/list.html?q=1";
  const struct {
    std::string page;
    std::string link;
    std::string result;  // empty: not accepted
  } cases[] = {
      {page, "../a.html", "http://host/x/a.html"},
      {page, "/a.html", "http://host/a.html"},
      {page, "./a.html", "http://host/x/y/a.html"},
      {page, "./", "http://host/x/y/"},
      {page, "a.html", ""},
      {page, "..", ""},
      {page, "//cdn.example/z", "http://cdn.example/z"},
      {"http://Host:8080/x/list.html", "/a.html", "http://Host:8080/a.html"},
      {"http://host:80/x/list.html", "/a.html", "http://host/a.html"},
      {"https://host:443/x/list", "/a", "https://host/a"},
      {"https://host:8443/x/list", "//c.example/z", "https://c.example/z"},
      {page, "HTTP://Other/Path", "HTTP://Other/Path"},
      {page, "go?u=http://t.example/", "http://host/x/y/go?u=http://t.example/"},
      {page, "?u=https://t.example/", "http://host/x/y/list.html?u=https://t.example/"},
      {page, "javascript:go('http://t.example/')", ""},
      {page, "data:text/html,http://t.example/", ""},
      {page, "C:\\no\\such\\file.txt", ""},
      {page, "C:\\report.txt", "C:\\report.txt"},
      {page, "", ""},
      // "//" needs a host.
      {page, "//", ""},
      {page, "///x.html", ""},
      {page, "//?q=1", ""},
      {page, "//#top", ""},
      // A page address whose query or fragment follows the host at once.
      {"http://Host.example?Q=ABC", "./b.html", "http://host.example/b.html"},
      {"http://Host.example?Q=ABC", "../b.html", "http://host.example/b.html"},
      {"http://host.example:81#a/b", "./", "http://host.example:81/"},
      // White space at the ends, and tabs and line ends inside, go first.
      {page, " \t/a.html\r\n", "http://host/a.html"},
      {page, "\n./a\tb.html ", "http://host/x/y/ab.html"},
      {page, " http://lead.example/doc.html", "http://lead.example/doc.html"},
      {page, " java\tscript:go('http://t.example/')", ""},
      {page, "\f//\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page + " + " + c.link);
    std::string url = c.link;
    const bool accepted = ResolveItemUrl(url, c.page) && AcceptItemUrl(url, c.page);
    EXPECT_EQ(accepted ? url : std::string(), c.result);
  }
  std::filesystem::current_path(cwd);
  EXPECT_EQ(UrlDirectory("http://HOST"), "http://host");
  EXPECT_EQ(UrlDirectory("http://h/A/b?x=/y"), "http://h/A");
  EXPECT_EQ(UrlDirectory("http://Host.example?Q=ABC"), "http://host.example");
  EXPECT_EQ(UrlDirectory("http://h:8080#a/b"), "http://h:8080");
}

TEST(ItemUrl, ShopLinksBecomeProductLinks) {
  const std::string product = "http://www.shop.example/exec/obidos/ASIN/";
  EXPECT_EQ(ShopProductUrl("http://SHOP.EXAMPLE/Title/-/0123456789?tag=1"), product + "0123456789/kestrune-20/");
  EXPECT_EQ(ShopProductUrl("http://shop.example/Title/-/0123456789/qid"), product + "0123456789/kestrune-20/");
  EXPECT_EQ(ShopProductUrl("http://shop.example/x?asin/B000000001&y"), product + "B000000001/kestrune-20/");
  EXPECT_EQ(ShopProductUrl("http://shop.example/product/SHORT/"), "http://shop.example/product/SHORT/");
}

}  // namespace
}  // namespace kestrune
