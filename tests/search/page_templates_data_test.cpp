// The shipped page templates of the English interface and their images.
#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "tests/search/page_results_fixture.h"

namespace kestrune {
namespace {

using test::ReadFileBytes;

const std::string kShipped = test::SourceDir() + "/data/templates/en/";

// Every placeholder of the templates, as a template must write it.
const std::set<std::string>& Vocabulary() {
  static const std::set<std::string> words = [] {
    std::set<std::string> w = {
        // Blank pages (and the stop-word page the main window fills).
        "$cmap_doc_quantity_total", "$cmap_doc_quantity_relevant", "$cmap_queries", "$cmap_last_query",
        "$cmap_last_project", "$cmap_scope", "$cmap_buttons_scope", "$cmap_advertisement", "$cmap_News_String",
        "$cmap_count_stop_words", "$stop_words", "$cmap_search_notice",
        // The result frame.
        "$cmap_cap", "$cmap_doc_show_l_new", "$cmap_doc_show_l_old", "$cmap_doc_show_l_fav",
        "$cmap_add_new_document", "$cmap_doc_edit_numer", "$cmap_doc_edit_url", "$cmap_doc_edit_title",
        "$cmap_doc_edit_anno", "$cmap_count_hidden_sites", "$cmap_count_new_links", "$cmap_count_old_links",
        "$cmap_count_favorites_links", "$cmap_doc_links", "$cmap_doc_sites", "$cmap_doc_candidates",
        "$cmap_advert_block", "$cmap_result_block", "$PagesList", "$prev_page", "$next_page",
        // Document and product blocks.
        "$cmap_act_edit", "$cmap_act_favorite", "$cmap_doc_title", "$cmap_doc_position", "$cmap_doc_url",
        "$cmap_cluster_annotation", "$cmap_found_on", "$cmap_doc_showing_url", "$cmap_comment",
        "$cmap_act_exclude_link", "$cmap_act_hide_site", "$cmap_act_restore_link", "$cmap_act_restore_site",
        "$cmap_exclude_context_file", "$cmap_exclude_url", "$cmap_restore_link", "$cmap_restore_site",
        "$cmap_add_favorites", "$cmap_del_favorites", "$cmap_edit_link", "$cmap_li_list_style",
        "$amazon_product_title", "$amazon_product_url", "$amazon_product_image", "$amazon_product_annotation"};
    for (const char* n : {"1", "2", "3"}) {
      for (const char* a : {"$adv_name", "$adv_logo", "$adv_text", "$adv_url", "$adv_img", "$adv_comment"}) {
        w.insert(std::string(a) + n);
      }
    }
    return w;
  }();
  return words;
}

// The words of `text` made of letters, digits and "_" that begin with the
// prefix or end with the suffix.
std::vector<std::string> Words(const std::string& text, char prefix, const std::string& suffix) {
  std::vector<std::string> words;
  auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  for (size_t at = 0; at < text.size();) {
    size_t end = at;
    while (end < text.size() && word(text[end])) ++end;
    if (prefix && text[at] == prefix) {
      for (end = at + 1; end < text.size() && word(text[end]); ++end) {
      }
      words.push_back(text.substr(at, end - at));
    } else if (!prefix && end > at && text.compare(end, suffix.size(), suffix) == 0) {
      words.push_back(text.substr(at, end - at + suffix.size()));
    }
    at = std::max(end, at + 1);
  }
  return words;
}

// The pixel count of a GIF89a file's first image, -1 when it is no such file.
int64_t GifPixels(const std::string& data, int& width, int& height) {
  auto word = [&](size_t at) { return static_cast<uint8_t>(data[at]) | (static_cast<uint8_t>(data[at + 1]) << 8); };
  if (data.size() < 13 || data.compare(0, 6, "GIF89a") != 0) return -1;
  size_t at = 13;
  const uint8_t flags = static_cast<uint8_t>(data[10]);
  if (flags & 0x80) at += 3u << ((flags & 7) + 1);
  while (at < data.size() && data[at] == 0x21) {  // extensions
    at += 2;
    while (at < data.size() && data[at] != 0) at += static_cast<uint8_t>(data[at]) + 1u;
    ++at;
  }
  if (at + 11 > data.size() || data[at] != 0x2C) return -1;
  width = word(at + 5);
  height = word(at + 7);
  const int minCode = static_cast<uint8_t>(data[at + 10]);
  at += 11;
  std::string stream;
  while (at < data.size() && data[at] != 0) {
    stream.append(data, at + 1, static_cast<uint8_t>(data[at]));
    at += static_cast<uint8_t>(data[at]) + 1u;
  }
  // LZW: entry lengths are enough to count the pixels.
  const int clear = 1 << minCode;
  int size = minCode + 1, next = clear + 2, previous = -1;
  std::vector<int64_t> length(4096, 1);
  int64_t pixels = 0;
  uint32_t bits = 0;
  int count = 0;
  size_t pos = 0;
  for (;;) {
    while (count < size && pos < stream.size()) {
      bits |= static_cast<uint32_t>(static_cast<uint8_t>(stream[pos++])) << count;
      count += 8;
    }
    if (count < size) return -1;  // no end code
    const int code = static_cast<int>(bits & ((1u << size) - 1));
    bits >>= size;
    count -= size;
    if (code == clear) {
      size = minCode + 1;
      next = clear + 2;
      previous = -1;
      continue;
    }
    if (code == clear + 1) return pixels;
    if (code > next || (code == next && previous < 0)) return -1;
    if (previous >= 0 && next < 4096) {
      length[static_cast<size_t>(next)] = length[static_cast<size_t>(previous)] + 1;
      if (++next == (1 << size) && size < 12) ++size;
    }
    pixels += length[static_cast<size_t>(code)];
    previous = code;
  }
}

TEST(ShippedTemplates, AsciiBlocksAndTokensInTheirCase) {
  const std::string bytes = ReadFileBytes(kShipped + "templates.ini");
  for (unsigned char c : bytes) ASSERT_TRUE(c < 0x80 && (c >= 0x20 || c == '\n' || c == '\r' || c == '\t')) << int(c);

  test::PageFixture f;
  f.UseTemplates(kShipped);
  for (int32_t i = 0; i < pbBlockCount; ++i) EXPECT_FALSE(f.builder.Block(TPageBlock(i)).empty()) << i;

  for (const char* file : {"templates.ini", "blank.html", "blank1.html", "blank2.html", "blank3.html",
                           "blank4.html", "blank6.html"}) {
    const std::string text = ReadFileBytes(kShipped + file);
    ASSERT_FALSE(text.empty()) << file;
    for (const std::string& word : Words(text, '$', "")) EXPECT_TRUE(Vocabulary().count(word)) << file << ": " << word;
  }
}

TEST(ShippedTemplates, EveryImageTheHtmlNamesExists) {
  // The names the templates carry, and those of pages built from them.
  std::string html;
  for (const char* file : {"templates.ini", "blank.html", "blank1.html", "blank2.html", "blank3.html",
                           "blank4.html", "blank6.html"}) {
    html += ReadFileBytes(kShipped + file);
  }
  test::PageFixture f;
  f.UseTemplates(kShipped);
  f.UseEngine("engine", test::EngineTemplate("Engine"));
  f.SetDocuments(23);
  f.scope.Add({{f.alpha, 1.0f}}, {});
  f.scope.Add({{f.beta, 1.0f}}, {});
  f.SetQuery({f.gamma});
  for (int32_t mode = 1; mode <= 11; ++mode) {
    for (int32_t page : {1, 2}) {
      html += platform::Utf16ToUtf8(f.builder.BuildPage(mode, page, TDocumentCounters{23, 2, 3, 4, 5, 6, 7, 8, 9}, -2));
    }
  }
  std::set<std::string> names = {"begun_logo.gif"};  // the advertising block's logo
  for (const std::string& name : Words(html, 0, ".gif")) names.insert(name);
  EXPECT_GE(names.size(), 14u);
  for (const std::string& name : names) {
    const std::string data = ReadFileBytes(std::string(KESTRUNE_PROGRAM_DIR) + "/templates/en/" + name);
    int width = 0, height = 0;
    const int64_t pixels = GifPixels(data, width, height);
    EXPECT_TRUE(width > 0 && pixels == int64_t{width} * height) << name << " " << pixels;
  }
}

}  // namespace
}  // namespace kestrune
