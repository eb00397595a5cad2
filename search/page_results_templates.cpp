// The page templates: the replacement of placeholders, "templates.ini" and
// its blocks, and the blank pages of the fixed page modes.
#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "core/base.h"
#include "core/log_file.h"
#include "core/message_strings.h"
#include "platform/files.h"
#include "platform/text.h"
#include "search/page_results.h"
#include "search/utf8.h"

namespace kestrune {

const std::array<std::u16string_view, pbBlockCount> kPageBlockNames = {
    u"search_result", u"_doc_announce_block", u"_doc_advertisement", u"annotation", u"_cap_normal",
    u"_cap_excluded_links", u"_cap_excluded_sites", u"_cap_new_links", u"_cap_old_links",
    u"_cap_favorites_links", u"_doc_add_favorite", u"_doc_del_favorite", u"_doc_btn_edit",
    u"_doc_btn_exclude_link", u"_doc_btn_hide_site", u"_doc_btn_restore_link", u"_doc_btn_restore_site",
    u"_doc_li_list_style", u"_doc_l_show_add_new_document", u"_doc_l_show_all_new", u"_doc_l_show_all_old",
    u"_doc_l_show_all_fav", u"_cluster_block", u"_doc_meta_block", u"_doc_meta_block_lite",
    u"_meta_cluster_block", u"_doc_meta_block_images", u"_doc_meta_block_amazon",
    u"_doc_excluded_links_block", u"_doc_excluded_sites_block", u"_doc_edit_block", u"_miva", u"_begun",
    u"_other_res", u"_only_other_res",
};

std::string_view BlankPageOfMode(int32_t mode) {
  switch (mode) {
    case 1: return "blank4.html";
    case 2: return "blank1.html";
    case 3: return "blank3.html";
    case 4: return "blank2.html";
    case 6: return "blank.html";
    default: return std::string_view();
  }
}

namespace {

// The first occurrence of the token at or after `from`. Pages hold long
// stretches without a placeholder (highlighted titles, style sheets), so the
// token's first unit is looked for with memchr over the bytes when it fits
// in one byte of a little-endian unit, and each hit is compared whole.
size_t FindToken(std::u16string_view text, std::u16string_view token, size_t from) {
  if (std::endian::native != std::endian::little || token[0] > 0xFF) return text.find(token, from);
  const char* bytes = reinterpret_cast<const char*>(text.data());
  const size_t length = text.size() * 2;
  for (size_t at = from * 2; at < length;) {
    const void* hit = std::memchr(bytes + at, static_cast<int>(token[0]), length - at);
    if (!hit) break;
    const size_t byte = static_cast<size_t>(static_cast<const char*>(hit) - bytes);
    if (byte % 2 == 0 && byte / 2 + token.size() <= text.size() &&
        std::memcmp(text.data() + byte / 2, token.data(), token.size() * sizeof(char16_t)) == 0) {
      return byte / 2;
    }
    at = byte + 1;
  }
  return std::u16string_view::npos;
}

}  // namespace

int32_t ReplaceToken(std::u16string& text, std::u16string_view token, std::u16string_view value, TTokenCase rule) {
  if (token.empty() || token.size() > text.size()) return 0;
  std::u16string lowered;
  if (rule == TTokenCase::kLowerCase) {
    lowered = platform::WideLowerCase(token);
    token = lowered;
  }
  size_t at = FindToken(text, token, 0);
  if (at == std::u16string::npos) return 0;
  std::u16string out;
  out.reserve(text.size() + value.size());
  size_t from = 0;
  int32_t count = 0;
  while (at != std::u16string::npos) {
    out.append(text, from, at - from);
    out.append(value);
    from = at + token.size();
    ++count;
    at = FindToken(text, token, from);
  }
  out.append(text, from, std::u16string::npos);
  text.swap(out);
  return count;
}

namespace {

// The whole file, read to its end (the size a file reports is not trusted).
bool ReadWholeFile(std::string_view path, std::string& bytes) {
  bytes.clear();
  platform::NativeFile file;
  if (!file.Open(platform::Utf8ToUtf16(path), platform::NativeFile::Access::kRead, false, false)) return false;
  char buffer[65536];
  for (;;) {
    const int64_t n = file.Read(buffer, sizeof buffer);
    if (n < 0) {
      bytes.clear();
      return false;
    }
    if (n == 0) return true;
    bytes.append(buffer, static_cast<size_t>(n));
  }
}

// The first "<name>" and "</name>" of every block name in the template text
// (npos where there is none), in one pass over the text's "<": the text is
// HTML, and a search for each tag in turn would meet every "<" seventy times.
struct TBlockTags {
  std::array<size_t, pbBlockCount> open, close;
};

TBlockTags FindBlockTags(std::u16string_view text) {
  static const size_t longest = std::max_element(kPageBlockNames.begin(), kPageBlockNames.end(),
                                                 [](std::u16string_view a, std::u16string_view b) {
                                                   return a.size() < b.size();
                                                 })->size();
  TBlockTags tags;
  tags.open.fill(std::u16string_view::npos);
  tags.close.fill(std::u16string_view::npos);
  for (size_t at = FindToken(text, u"<", 0); at != std::u16string_view::npos; at = FindToken(text, u"<", at + 1)) {
    const bool closing = at + 1 < text.size() && text[at + 1] == u'/';
    const std::u16string_view window = text.substr(std::min(text.size(), at + (closing ? 2 : 1)), longest + 1);
    const size_t end = window.find(u'>');
    if (end == std::u16string_view::npos) continue;
    const std::u16string_view name = window.substr(0, end);
    for (int32_t i = 0; i < pbBlockCount; ++i) {
      if (kPageBlockNames[static_cast<size_t>(i)] != name) continue;
      size_t& first = closing ? tags.close[static_cast<size_t>(i)] : tags.open[static_cast<size_t>(i)];
      if (first == std::u16string_view::npos) first = at;
      break;
    }
  }
  return tags;
}

// The text between a block's tags found at `begin` and `end`: empty when
// either is missing or the closing tag comes first.
std::u16string BlockBetween(std::u16string_view text, size_t begin, size_t end, size_t nameSize) {
  if (begin == std::u16string_view::npos || end == std::u16string_view::npos) return std::u16string();
  const size_t start = begin + nameSize + 2;
  if (end < start) return std::u16string();
  return std::u16string(text.substr(start, end - start));
}

}  // namespace

void TPageResults::SetTemplatePath(std::string_view folder) {
  templatePath_ = std::string(folder);
  LoadTemplates();
}

void TPageResults::LoadTemplates() {
  if (templatePath_.empty()) {
    templateText_.clear();
  } else {
    LoadTemlpateFiles(AddBackslash(templatePath_) + "templates.ini");
  }
  const TBlockTags tags = FindBlockTags(templateText_);
  for (size_t i = 0; i < kPageBlockNames.size(); ++i) {
    blocks_[i] = BlockBetween(templateText_, tags.open[i], tags.close[i], kPageBlockNames[i].size());
  }
}

bool TPageResults::LoadTemlpateFiles(std::string_view path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) {
    LogFile.Log("Error in TPageResults.LoadTemlpateFiles, path = " + std::string(path));
    templateText_.clear();
    return false;
  }
  templateText_ = platform::Utf8ToUtf16(bytes);
  return !templateText_.empty();
}

std::u16string TPageResults::GetTemplateBlock(std::u16string_view name) const {
  const std::u16string open = u"<" + std::u16string(name) + u">";
  const std::u16string close = u"</" + std::u16string(name) + u">";
  return BlockBetween(templateText_, templateText_.find(open), templateText_.find(close), name.size());
}

void TPageResults::TemplateInSBody(std::string_view path) {
  page_.clear();
  if (!platform::FileExists(platform::Utf8ToUtf16(path))) return;
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) {
    LogFile.Log("Error in TPageResults.TemplateInSBody, FileName = " + std::string(path));
    return;
  }
  // A malformed page (or one with a four-byte sequence) decodes to nothing.
  Utf8ToWide(bytes, page_);

  ReplaceToken(page_, u"$CMAP_DOC_QUANTITY_TOTAL", platform::Utf8ToUtf16(std::to_string(counters_.Total)),
               TTokenCase::kLowerCase);
  ReplaceToken(page_, u"$cmap_doc_quantity_relevant", platform::Utf8ToUtf16(std::to_string(pageListCount_)),
               TTokenCase::kLowerCase);
  currentQueryText_ = GetQueryText ? GetQueryText() : std::u16string();
  ReplaceToken(page_, u"$cmap_queries",
               u"<br><b>" + MessageStrings.smResultCurrentQuery + u"<A href=" + QueryUrl(currentQueryText_) + u">" +
                   EscapeText(currentQueryText_) + u"</A></b>");
  ReplaceToken(page_, u"$cmap_last_query", LastQueryHtml);
  ReplaceToken(page_, u"$cmap_last_project", LastProjectHtml);
  ReplaceToken(page_, u"$cmap_scope", BuildScopeButtons());
  ReplaceToken(page_, u"$cmap_buttons_scope", currentQueryText_.empty() ? std::u16string() : BuildScopeTools());
  ReplaceToken(page_, u"$cmap_advertisement", AdvertisingAttached() ? AdvertisementFromAmazon() : std::u16string());
  ReplaceToken(page_, u"$cmap_News_String", NewsString);
  ReplaceToken(page_, u"$cmap_search_notice", EscapeText(SearchNotice));
}

}  // namespace kestrune
