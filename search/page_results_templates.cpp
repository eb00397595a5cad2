// The page templates: the replacement of placeholders, "templates.ini" and
// its blocks, and the blank pages of the fixed page modes.
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
// in one byte of a little-endian unit.
size_t FindToken(std::u16string_view text, std::u16string_view token, size_t from) {
  if (std::endian::native != std::endian::little || token[0] > 0xFF) return text.find(token, from);
  const char* bytes = reinterpret_cast<const char*>(text.data());
  const size_t length = text.size() * 2;
  for (size_t at = from * 2; at < length;) {
    const void* hit = std::memchr(bytes + at, static_cast<int>(token[0]), length - at);
    if (!hit) break;
    const size_t byte = static_cast<size_t>(static_cast<const char*>(hit) - bytes);
    if (byte % 2 == 0 && text.substr(byte / 2, token.size()) == token) return byte / 2;
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
  for (int32_t i = 0; i < pbBlockCount; ++i) blocks_[i] = GetTemplateBlock(kPageBlockNames[i]);
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
  const size_t begin = templateText_.find(open);
  const size_t end = templateText_.find(close);
  if (begin == std::u16string::npos || end == std::u16string::npos) return std::u16string();
  const size_t start = begin + open.size();
  if (end < start) return std::u16string();
  return templateText_.substr(start, end - start);
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
