#include "search/page_command_hosts.h"

#include <unicode/uidna.h>

#include <algorithm>

#include "search/query_url.h"

namespace kestrune {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return LowerAscii(c); });
  return lower;
}

// The host as IDNA maps it (letter case and full-width forms folded); the
// ASCII lower case when IDNA refuses it.
std::string MappedHost(const std::string& host) {
  static UIDNA* const idna = [] {
    UErrorCode error = U_ZERO_ERROR;
    UIDNA* opened = uidna_openUTS46(UIDNA_DEFAULT, &error);
    return U_SUCCESS(error) ? opened : nullptr;
  }();
  const std::string lower = LowerAscii(host);
  if (!idna || host.empty() || host.size() > 1024) return lower;
  char mapped[1024];
  UErrorCode error = U_ZERO_ERROR;
  UIDNAInfo info = UIDNA_INFO_INITIALIZER;
  const int32_t length = uidna_nameToASCII_UTF8(idna, host.data(), static_cast<int32_t>(host.size()), mapped,
                                                static_cast<int32_t>(sizeof mapped), &info, &error);
  if (U_FAILURE(error) || length < 0 || length > static_cast<int32_t>(sizeof mapped)) return lower;
  return std::string(mapped, static_cast<size_t>(length));
}

bool SchemeChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
         c == '.';
}

}  // namespace

std::u16string PageCommandLink(std::string_view host) {
  std::u16string link = u"http://";
  for (const char c : host) link += static_cast<char16_t>(static_cast<unsigned char>(c));
  return link + u"/";
}

bool IsPageCommandHost(std::string_view host) {
  const std::string lower = LowerAscii(host);
  return std::find(kPageCommandHosts.begin(), kPageCommandHosts.end(), lower) != kPageCommandHosts.end();
}

bool AddressHasPageCommandHost(std::string_view url) {
  // Tabs and line breaks are dropped, blanks and control characters around
  // the address trimmed.
  std::string text;
  for (const char c : url) {
    if (c != '\t' && c != '\n' && c != '\r') text += c;
  }
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  const auto first = std::find_if_not(text.begin(), text.end(), blank);
  const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
  text = first < last ? std::string(first, last) : std::string();

  const size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0 || !((text[0] | 0x20) >= 'a' && (text[0] | 0x20) <= 'z') ||
      !std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(colon), SchemeChar)) {
    return false;
  }
  const std::string scheme = LowerAscii(std::string_view(text).substr(0, colon));
  const bool special = scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "ws" ||
                       scheme == "wss" || scheme == "file";
  std::string_view rest = std::string_view(text).substr(colon + 1);
  if (special) {
    // "http:query/0", "http:\\query" and "http:///query" all name the host.
    while (!rest.empty() && (rest.front() == '/' || rest.front() == '\\')) rest.remove_prefix(1);
  } else if (rest.substr(0, 2) == "//") {
    rest.remove_prefix(2);
  } else {
    return false;
  }
  std::string_view authority = rest.substr(0, rest.find_first_of(special ? "/\\?#" : "/?#"));
  const size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);
  if (!authority.empty() && authority.front() == '[') return false;  // an IPv6 address
  authority = authority.substr(0, authority.find(':'));
  std::string host = MappedHost(PercentDecode(authority));
  if (!host.empty() && host.back() == '.') host.pop_back();
  return IsPageCommandHost(host);
}

}  // namespace kestrune
