#include "search/item_url.h"

#include <array>
#include <utility>

#include "platform/files.h"
#include "platform/text.h"
#include "search/engine_partners.h"
#include "search/query_url.h"

namespace kestrune {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// The length of a leading scheme name followed by ":", 0 when none.
size_t SchemeLength(std::string_view url) {
  if (url.empty() || !IsAsciiLetter(url[0])) return 0;
  size_t i = 1;
  while (i < url.size() &&
         (IsAsciiLetter(url[i]) || IsAsciiDigit(url[i]) || url[i] == '+' || url[i] == '-' || url[i] == '.')) {
    ++i;
  }
  return (i < url.size() && url[i] == ':') ? i : 0;
}

struct PageParts {
  std::string scheme;
  std::string authority;  // host[:port]
  std::string host;
  std::string port;  // digits as written, empty when none
};

PageParts SplitPageUrl(std::string_view url) {
  PageParts parts;
  std::string_view rest = url;
  const size_t sep = url.find("://");
  if (sep != std::string_view::npos && SchemeLength(url) == sep) {
    parts.scheme = AsciiLower(url.substr(0, sep));
    rest = url.substr(sep + 3);
  } else {
    parts.scheme = "http";
  }
  const size_t end = rest.find_first_of("/\\?#");
  parts.authority = std::string(rest.substr(0, end));
  const size_t colon = parts.authority.rfind(':');
  if (colon != std::string::npos && parts.authority.find(']', colon) == std::string::npos) {
    parts.host = parts.authority.substr(0, colon);
    parts.port = parts.authority.substr(colon + 1);
  } else {
    parts.host = parts.authority;
  }
  return parts;
}

std::string_view DefaultPort(std::string_view scheme) {
  if (scheme == "https") return "443";
  if (scheme == "ftp") return "21";
  return "80";
}

// The page address without its query and fragment.
std::string_view WithoutQuery(std::string_view url) { return url.substr(0, url.find_first_of("?#")); }

// A relative address that passed the acceptance rule, made absolute.
std::string AbsoluteAgainstPage(std::string_view url, std::string_view pageUrl) {
  if (!url.empty() && (url[0] == '?' || url[0] == '#')) return std::string(WithoutQuery(pageUrl)) + std::string(url);
  std::string resolved(url);
  ResolveItemUrl(resolved, pageUrl);
  if (IsAbsoluteWebUrl(resolved)) return resolved;
  return UrlDirectory(pageUrl) + "/" + std::string(url);
}

}  // namespace

bool IsAbsoluteWebUrl(std::string_view url) {
  return StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://") || StartsWithNoCase(url, "ftp://");
}

bool HasForeignScheme(std::string_view url) {
  const size_t n = SchemeLength(url);
  if (n < 2) return false;
  const std::string scheme = AsciiLower(url.substr(0, n));
  return scheme != "http" && scheme != "https" && scheme != "ftp";
}

std::string UrlScheme(std::string_view pageUrl) { return SplitPageUrl(pageUrl).scheme; }

std::string UrlBase(std::string_view pageUrl) {
  const PageParts parts = SplitPageUrl(pageUrl);
  std::string base = parts.scheme + "://" + parts.host;
  if (!parts.port.empty() && parts.port != DefaultPort(parts.scheme)) base += ":" + parts.port;
  return base;
}

std::string UrlDirectory(std::string_view url) {
  const std::string lower = AsciiLower(url);
  const size_t slashes = lower.find("//");
  const size_t from = slashes == std::string::npos ? 0 : slashes + 2;
  const size_t end = std::min(lower.size(), lower.find_first_of("?#", from));
  const size_t last = std::string_view(lower).substr(0, end).find_last_of("/\\|");
  if (last == std::string::npos || last < from) return lower.substr(0, end);  // scheme and authority
  return std::string(url.substr(0, last));
}

void CleanItemUrl(std::string& url) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; };
  size_t first = 0;
  size_t last = url.size();
  while (first < last && blank(url[first])) ++first;
  while (last > first && blank(url[last - 1])) --last;
  std::string clean;
  clean.reserve(last - first);
  for (size_t i = first; i < last; ++i) {
    if (url[i] != '\t' && url[i] != '\n' && url[i] != '\r') clean += url[i];
  }
  url = std::move(clean);
}

bool ResolveItemUrl(std::string& url, std::string_view pageUrl) {
  CleanItemUrl(url);
  if (IsAbsoluteWebUrl(url)) return true;
  if (HasForeignScheme(url)) return false;
  if (url.starts_with("//")) {
    // A host must follow.
    if (url.size() == 2 || std::string_view("/\\?#").find(url[2]) != std::string_view::npos) return false;
    url = UrlScheme(pageUrl) + ":" + url;
  } else if (url.starts_with("./")) {
    url = UrlDirectory(pageUrl) + "/" + url.substr(2);
  } else if (url.starts_with("/")) {
    url = url.size() < 2 ? UrlBase(pageUrl) : UrlBase(pageUrl) + url;
  } else if (url.starts_with("../")) {
    std::string dir = UrlDirectory(pageUrl);
    if (url.size() < 4) {
      url = UrlDirectory(dir);
    } else {
      std::string_view rest = url;
      while (rest.starts_with("../")) {
        rest.remove_prefix(3);
        dir = UrlDirectory(dir);
      }
      url = dir + "/" + std::string(rest);
    }
  }
  return true;
}

bool AcceptItemUrl(std::string& url, std::string_view pageUrl) {
  if (url.empty()) return false;
  if (IsAbsoluteWebUrl(url)) return true;
  if (HasForeignScheme(url)) return false;
  if (FindNoCase(url, "http://") != std::string::npos || FindNoCase(url, "https://") != std::string::npos ||
      FindNoCase(url, "ftp://") != std::string::npos) {
    url = AbsoluteAgainstPage(url, pageUrl);
    return true;
  }
  return url.find(":\\") != std::string::npos && platform::FileExists(platform::Utf8ToUtf16(url));
}

std::string ShopProductUrl(std::string_view url) {
  const std::string lower = AsciiLower(url);
  if (lower.find(kShopDomain) == std::string::npos) return std::string(url);
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kMarkers = {
      {{"product/", "/"}, {"-/", "?"}, {"-/", "/"}, {"asin/", "&"}}};
  for (const auto& [begin, end] : kMarkers) {
    const size_t at = lower.find(begin);
    if (at == std::string::npos) continue;
    const size_t start = at + begin.size();
    const size_t stop = lower.find(end, start);
    if (stop == std::string::npos || stop - start != 10) continue;
    return "http://" + std::string(kShopHost) + "/exec/obidos/ASIN/" + std::string(url.substr(start, 10)) + "/" +
           std::string(kShopAssociateTag) + "/";
  }
  return std::string(url);
}

}  // namespace kestrune
