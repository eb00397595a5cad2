// Advertising test material, shared by the advertising engine's tests, the
// page builder's advertising tests and the fuzz seeds: the two advertising
// templates ("miva" asks with key words and stop words apart, "begun" with
// one key text) for a server at a given address, and answer pages in their
// layout. No advertising template ships with the program; the tests write
// these.
//
// Header-only, plain C++: usable without GoogleTest. Pages are UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrune::test {

struct AdvertItem {
  std::string url;
  std::string title;
  std::string text;
  std::string comment;  // an "i class=c" element when not empty
  std::string image;    // an "img" with this address when not empty
  std::string price;    // the item macro's element when not empty
};

// Items first..first+count-1: url base + "/ad<n>.html", title "Ad <n>", text
// "Offer <n> for you".
inline std::vector<AdvertItem> NumberedAdverts(int first, int count, std::string_view base) {
  std::vector<AdvertItem> items;
  for (int n = first; n < first + count; ++n) {
    const std::string number = std::to_string(n);
    items.push_back({std::string(base) + "/ad" + number + ".html", "Ad " + number, "Offer " + number + " for you",
                     "", "", ""});
  }
  return items;
}

// An answer: a total line (the page macro's element), then the items as an
// "ol" list.
inline std::string WriteAdvertPage(const std::vector<AdvertItem>& items, std::string_view total = "") {
  std::string page = "<html><head><meta charset=\"utf-8\"><title>Ads</title></head><body>\n";
  if (!total.empty()) page += "<p><b class=\"total\">" + std::string(total) + "</b></p>\n";
  page += "<ol class=\"results\">\n";
  for (const AdvertItem& item : items) {
    page += "<li class=\"result\"><h3><a href=\"" + item.url + "\">" + item.title + "</a></h3><span class=\"snippet\">" +
            item.text + "</span>";
    if (!item.comment.empty()) page += "<i class=\"c\">" + item.comment + "</i>";
    if (!item.image.empty()) page += "<img src=\"" + item.image + "\" width=\"20\" height=\"10\" alt=\"pic\">";
    if (!item.price.empty()) page += "<em class=\"price\">" + item.price + "</em>";
    page += "</li>\n";
  }
  page += "</ol>\n</body></html>\n";
  return page;
}

// The template "miva" (name "miva") or "begun" for a server at `baseUrl`:
// miva asks "/adv?kw=<key words>&sw=<stop words>&n=<quota>", begun
// "/begun?q=<key text>&n=<quota>"; three items a page, a comment pair, the
// first image, an item macro "macros_price" and a page macro "macros_total".
inline std::string AdvertTemplate(std::string_view baseUrl, std::string_view name) {
  const std::string base(baseUrl);
  std::string text = "; An advertising engine of the tests.\n[settings]\n";
  text += name == "begun" ? "MainQuery = \"" + base + "/begun?q=$main_query&n=$Count_Url\"\n"
                          : "MainQuery = \"" + base + "/adv?kw=$key_words&sw=$stop_words&n=$Count_Url\"\n";
  text +=
      "CountUrlOnSite = 3\n"
      "format = \"utf 8\"\n"
      "BeginItemsListTag = \"<ol class=\"\"results\"\">\"\nEndItemsListTag = \"</ol>\"\n"
      "BeginItemTag = \"<li class=\"\"result\"\">\"\nEndItemTag = \"</li>\"\n"
      "BeginItemTitleTag = \"<a>\"\nEndItemTitleTag = \"</a>\"\n"
      "BeginItemAnnotationTag = \"<span class=\"\"snippet\"\">\"\nEndItemAnnotationTag = \"</span>\"\n"
      "BeginItemCommentTag = \"<i class=\"\"c\"\">\"\nEndItemCommentTag = \"</i>\"\n"
      "NumberImage = 1\n"
      "macros_price = 3, \"<em class=\"\"price\"\">\", \"</em>\"\n"
      "macros_total = 1, \"<b class=\"\"total\"\">\", \"</b>\"\n";
  text += "[general]\nhostname = \"" + std::string(name) + "\"\n";
  return text;
}

}  // namespace kestrune::test
