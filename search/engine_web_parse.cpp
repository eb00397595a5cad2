// EngineWeb: cutting the result items out of a parsed result page with the
// template's tag patterns.
#include <climits>
#include <new>

#include "core/log_file.h"
#include "platform/text.h"
#include "search/engine_web.h"
#include "search/item_url.h"
#include "search/query_url.h"

namespace kestrune {

namespace {

std::u16string TrimBlanks(std::u16string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && text[first] <= u' ') ++first;
  while (last > first && text[last - 1] <= u' ') --last;
  return std::u16string(text.substr(first, last - first));
}

}  // namespace

bool EngineWeb::FindStopString(std::string& page) {
  const std::string& stop = template_.StopString;
  if (stop.empty()) return false;
  const size_t at = page.find(stop);
  if (at == std::string::npos) return false;
  page.resize(at + 1);  // the stop string's first character stays
  pagesLeft_ = 0;
  LogFile.Log("Find StopString .");
  return true;
}

bool EngineWeb::CompareTags(const TAttributesTag& tag, const TAttributesTag& pattern) {
  if (tag.Name != pattern.Name) return false;
  const size_t tagCount = std::min<size_t>(tag.AttributeCount, tag.Attributes.size());
  const size_t patternCount = std::min<size_t>(pattern.AttributeCount, pattern.Attributes.size());
  for (size_t p = 0; p < patternCount; ++p) {
    const TAttributeTag& wanted = pattern.Attributes[p];
    bool found = false;
    for (size_t i = 0; i < tagCount && !found; ++i) {
      found = tag.Attributes[i].Name == wanted.Name && tag.Attributes[i].Value == wanted.Value;
    }
    if (!found) return false;
  }
  return true;
}

std::u16string EngineWeb::GetTagAttribute(const TAttributesTag& tag, std::u16string_view name) {
  const std::u16string wanted = platform::WideLowerCase(name);
  std::u16string value;
  const size_t count = std::min<size_t>(tag.AttributeCount, tag.Attributes.size());
  for (size_t i = 0; i < count; ++i) {
    if (platform::WideLowerCase(tag.Attributes[i].Name) == wanted) value = tag.Attributes[i].Value;
  }
  return value;
}

void EngineWeb::GetBordersTagsResults() {
  const THTMLDocument& tags = parser_->Tags;
  const int32_t count = parser_->TagCount;
  tagCursor_ = 0;
  if (!template_.BeginItemsListTag.Name.empty()) {
    while (!stop_) {
      if (tagCursor_ >= count) {
        LogFile.Log("Stop MetaSearch in  procedure EngineWeb.GetBordersTagsResults because BeginTag is not found.");
        stop_ = true;
        break;
      }
      if (CompareTags(tags[static_cast<size_t>(tagCursor_)], template_.BeginItemsListTag)) break;
      ++tagCursor_;
    }
  }
  listEnd_ = count - 1;
  if (!template_.EndItemsListTag.Name.empty()) {
    while (!stop_) {
      if (listEnd_ < 1) {
        if (!template_.StopString.empty()) {
          listEnd_ = count - 1;
        } else {
          LogFile.Log("Stop MetaSearch in  procedure EngineWeb.GetBordersTagsResults because EndTag is not found.");
          stop_ = true;
        }
        break;
      }
      if (CompareTags(tags[static_cast<size_t>(listEnd_)], template_.EndItemsListTag)) break;
      --listEnd_;
    }
  }
  if (pageCounter_ == 0) {
    const std::u16string& source = parser_->SourceText;
    textBeforeList_.clear();
    textAfterList_.clear();
    if (tagCursor_ < count) {
      const size_t at = static_cast<size_t>(std::max(tags[static_cast<size_t>(tagCursor_)].SourcePosition - 1, 0));
      textBeforeList_ = source.substr(0, std::min(at, source.size()));
    }
    if (listEnd_ >= 1) {
      const size_t at = static_cast<size_t>(std::max(tags[static_cast<size_t>(listEnd_)].SourcePosition - 1, 0));
      if (at < source.size()) textAfterList_ = source.substr(at);
    }
  }
}

std::u16string EngineWeb::StringBetweenTwoTagsInHTML(const TAttributesTag& begin, const TAttributesTag& end) {
  const THTMLDocument& tags = parser_->Tags;
  const int32_t last = std::min(itemEnd_, parser_->TagCount - 1);
  int32_t first = -1;
  for (int32_t i = std::max(tagCursor_, 0); i <= last; ++i) {
    if (CompareTags(tags[static_cast<size_t>(i)], begin)) {
      first = i;
      break;
    }
  }
  if (first < 0) return {};
  for (int32_t i = first + 1; i <= last; ++i) {
    if (CompareTags(tags[static_cast<size_t>(i)], end)) return parser_->TextBetweenTags(first, i);
  }
  return {};
}

std::string EngineWeb::UrlDirectory(std::string_view url) { return kestrune::UrlDirectory(url); }

void EngineWeb::ResolveUrl() {
  if (!ResolveItemUrl(itemUrl_, pageUrl_)) itemUrl_.clear();
}

std::string EngineWeb::ChangeUrlForAmazon(std::string_view url) {
  try {
    return ShopProductUrl(url);
  } catch (const std::exception&) {
    LogFile.Log("Error in function EngineWeb.ChangeUrlForAmazon, StringUrl = " + std::string(url));
    LogFile.Log("Hostname - " + EngineName() + ", Url - " + std::string(url) + ", CountUrl - " +
                std::to_string(acceptedCount_));
    return std::string(url);
  }
}

bool EngineWeb::NormalizeItemUrl(std::string& url) {
  if (url.empty() || !ResolveItemUrl(url, pageUrl_)) return false;
  url = ChangeUrlForAmazon(url);
  return AcceptItemUrl(url, pageUrl_);
}

int32_t EngineWeb::Parse() {
  try {
    pageCount_ = 0;
    repeatsOnPage_ = 0;
    nextUrl_.clear();
    GetBordersTagsResults();
    const THTMLDocument& tags = parser_->Tags;
    const TEngineTemplate& t = template_;
    auto tagAt = [&](int32_t i) -> const TAttributesTag& { return tags[static_cast<size_t>(i)]; };
    // The first end tag after the cursor. The cursor only moves forward, so
    // the last answer holds while the cursor stays before the end tag found
    // (or for good when none followed): every tag is compared once.
    int32_t searchedFrom = INT32_MAX;
    int32_t foundEnd = -1;  // -1: none up to the list end
    auto nextEndTag = [&](int32_t cursor) {
      if (searchedFrom <= cursor && (foundEnd < 0 || cursor < foundEnd)) return foundEnd;
      searchedFrom = cursor;
      foundEnd = -1;
      for (int32_t k = cursor + 1; k <= listEnd_; ++k) {
        if (CompareTags(tagAt(k), t.EndItemTag)) {
          foundEnd = k;
          break;
        }
      }
      return foundEnd;
    };
    while (tagCursor_ < listEnd_ && !stop_) {
      if (!CompareTags(tagAt(tagCursor_), t.BeginItemTag)) {
        ++tagCursor_;
        continue;
      }
      // The item's end.
      itemEnd_ = nextEndTag(tagCursor_);
      if (itemEnd_ < 0) {
        if (!t.StopString.empty()) {
          LogFile.Log("Could not find EndIndex.Parsing is over. ");
          return 1;
        }
        itemEnd_ = listEnd_;
      }
      // The item's URL.
      std::string url;
      if (!t.BeginItemURLTag.Name.empty()) {
        url = platform::Utf16ToUtf8(TrimBlanks(StringBetweenTwoTagsInHTML(t.BeginItemURLTag, t.EndItemURLTag)));
        if (!url.empty() && !StartsWithNoCase(url, "http") && !StartsWithNoCase(url, "ftp")) url = "http://" + url;
      } else {
        while (tagAt(tagCursor_).Name != u"a") {
          ++tagCursor_;
          if (tagCursor_ >= itemEnd_) {
            LogFile.Log("Count url : " + itemUrl_ + ".Parsing is over. ");
            stop_ = true;
            break;
          }
        }
        if (!stop_) url = platform::Utf16ToUtf8(GetTagAttribute(tagAt(tagCursor_), u"href"));
      }
      if (!url.empty() && (!t.BeginStrWithUrl.empty() || !t.EndStrWithUrl.empty())) {
        if (!t.BeginStrWithUrl.empty()) {
          const size_t at = url.find(t.BeginStrWithUrl);
          if (at != std::string::npos) url.erase(0, at + t.BeginStrWithUrl.size());
        }
        if (!t.EndStrWithUrl.empty()) {
          const size_t at = url.find(t.EndStrWithUrl);
          if (at != std::string::npos) url.resize(at);
        }
      }
      if (url.empty() || !NormalizeItemUrl(url)) {
        ++tagCursor_;
        continue;
      }
      // Accepted: title, annotation, source.
      itemUrl_ = url;
      itemTitle_ = StringBetweenTwoTagsInHTML(t.BeginItemTitleTag, t.EndItemTitleTag);
      itemAnnotation_.clear();
      for (int32_t k = 0; k < t.AnnotationPairCount; ++k) {
        itemAnnotation_ += u" ";
        itemAnnotation_ += StringBetweenTwoTagsInHTML(t.BeginItemAnnotationTag[static_cast<size_t>(k)],
                                                      t.EndItemAnnotationTag[static_cast<size_t>(k)]);
      }
      const std::u16string& source = parser_->SourceText;
      const size_t from = static_cast<size_t>(std::max(tagAt(tagCursor_).SourcePosition - 1, 0));
      const size_t to = static_cast<size_t>(std::max(tagAt(itemEnd_).SourcePosition - 1, 0));
      itemText_ = (from < to && from < source.size()) ? source.substr(from, to - from) : std::u16string();
      ++acceptedCount_;
      ++pageCount_;
      {
        std::lock_guard lock(lock_);
        AddUrlToMetaSearchList();
      }
      if (pageCount_ == pageQuota_) break;
      if (acceptedCount_ == wantedTotal_) return acceptedCount_;
      ReportProgress();
      if (stop_) break;
      tagCursor_ = itemEnd_;
    }
    if (!stop_) CreateNextLink();
    return acceptedCount_;
  } catch (const std::bad_alloc&) {
    PageTooLarge();
    return 0;
  } catch (const std::exception& error) {
    LogFile.Log(error.what());
    LogFile.Log("Error in function EngineWeb.Parse ");
    status_ = kStatusError;
    errorText_ = *error.what() ? error.what() : "Error";
    return 0;
  }
}

}  // namespace kestrune
