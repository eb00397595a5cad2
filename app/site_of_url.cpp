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

bool HasNonHostCharacter(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) <= 0x20 || std::string_view("/\\?#@:").find(c) != std::string_view::npos) {
      return true;
    }
  }
  return false;
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
  // A query, a fragment, a blank or a control character ends the host.
  size_t end = 0;
  while (end < host.size() && host[end] != '?' && host[end] != '#' && static_cast<unsigned char>(host[end]) > 0x20) {
    ++end;
  }
  host = host.substr(0, end);
  const size_t at = host.rfind('@');
  if (at != std::string_view::npos) host.remove_prefix(at + 1);
  if (!host.empty() && host.front() == '[') {
    // An IPv6 address stands in brackets, a port may follow them.
    const size_t close = host.find(']');
    in6_addr address{};
    if (close != std::string_view::npos &&
        ::inet_pton(AF_INET6, std::string(host.substr(1, close - 1)).c_str(), &address) == 1) {
      site = LowerAscii(host.substr(0, close + 1));
      return;
    }
  }
  host = host.substr(0, host.find(':'));

  // Letters folded as the suffix list compares them; folding that makes
  // characters a host cannot hold (a fullwidth reverse solidus becomes "\") is
  // not used.
  std::string lower;
  char* folded = nullptr;
  if (psl_str_to_utf8lower(std::string(host).c_str(), "utf-8", nullptr, &folded) == PSL_SUCCESS && folded &&
      !HasNonHostCharacter(folded)) {
    lower = LowerAscii(folded);  // compatibility mappings may give capitals
  } else {
    lower = LowerAscii(host);
  }
  psl_free_string(folded);
  while (!lower.empty() && lower.back() == '.') lower.pop_back();  // the root's empty label

  in_addr address{};
  if (::inet_pton(AF_INET, lower.c_str(), &address) == 1) {
    site = lower;
    return;
  }
  const psl_ctx_t* list = SuffixList();
  const char* registrable = list ? psl_registrable_domain(list, lower.c_str()) : nullptr;
  if (registrable) {
    site = registrable;
    return;
  }
  // No registrable domain (a suffix itself), or no list at all.
  if (lower.size() > 4 && lower.compare(0, 4, "www.") == 0) lower.erase(0, 4);
  site = list ? lower : LastTwoLabels(lower);
}

}  // namespace kestrune
