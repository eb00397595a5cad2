#include "app/site_of_url.h"

#include <arpa/inet.h>
#include <libpsl.h>

#include <cstdlib>

namespace kestrune {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The public suffix list: the newer of libpsl's built-in copy and the
// system's file; null when neither exists.
const psl_ctx_t* SuffixList() {
  static const psl_ctx_t* list = psl_latest(nullptr);
  return list;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The host text of the URL, before user-info and port are dropped.
std::string_view HostPart(std::string_view url) {
  size_t mark = 0;
  while (mark < url.size() && !IsSeparator(url[mark])) ++mark;
  if (mark == url.size()) return url;
  while (mark + 1 < url.size() && IsSeparator(url[mark + 1])) ++mark;
  size_t end = mark + 1;
  while (end < url.size() && !IsSeparator(url[end])) ++end;
  return url.substr(mark + 1, end - mark - 1);
}

// Without a suffix list: the last two labels of the host.
std::string LastTwoLabels(const std::string& host) {
  const size_t last = host.rfind('.');
  if (last == std::string::npos || last == 0) return host;
  const size_t second = host.rfind('.', last - 1);
  return second == std::string::npos ? host : host.substr(second + 1);
}

}  // namespace

void SiteOfUrl(std::string_view url, std::string& site) {
  std::string_view host = HostPart(url);
  host = host.substr(0, host.find_first_of("?#"));
  const size_t at = host.rfind('@');
  if (at != std::string_view::npos) host.remove_prefix(at + 1);
  if (!host.empty() && host.front() == '[') {
    // An IPv6 address stands in brackets, a port may follow them.
    const size_t close = host.find(']');
    site = LowerAscii(close == std::string_view::npos ? host : host.substr(0, close + 1));
    return;
  }
  host = host.substr(0, host.find(':'));
  if (!host.empty() && host.back() == '.') host.remove_suffix(1);

  std::string lower;
  char* folded = nullptr;
  if (psl_str_to_utf8lower(std::string(host).c_str(), "utf-8", nullptr, &folded) == PSL_SUCCESS && folded) {
    lower = folded;
  } else {
    lower = LowerAscii(host);
  }
  psl_free_string(folded);

  in_addr address{};
  if (::inet_pton(AF_INET, lower.c_str(), &address) == 1) {
    site = lower;
    return;
  }
  if (lower.size() > 4 && lower.compare(0, 4, "www.") == 0) lower.erase(0, 4);
  const psl_ctx_t* list = SuffixList();
  if (!list) {
    site = LastTwoLabels(lower);
    return;
  }
  const char* registrable = psl_registrable_domain(list, lower.c_str());
  site = registrable ? std::string(registrable) : lower;
}

}  // namespace kestrune
