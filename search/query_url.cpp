#include "search/query_url.h"

#include <cstdint>

#include "core/code_page.h"
#include "platform/text.h"
#include "search/utf8.h"

namespace kestrune {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr int32_t kCyrillicCodePage = 1251;

char AsciiLowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool KeptInUrl(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '!':
    case '$':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '-':
    case '.':
    case '@':
    case '_':
      return true;
    default:
      return false;
  }
}

std::string ToCodePage1251(std::u16string_view text) {
  return WideToCodePage(text, kCyrillicCodePage);
}

}  // namespace

std::u16string XmlEscape(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() + text.size() / 8);
  for (char16_t c : text) {
    switch (c) {
      case u'&':
        out += u"&amp;";
        break;
      case u'"':
        out += u"&quot;";
        break;
      case u'\'':
        out += u"&apos;";
        break;
      case u'<':
        out += u"&lt;";
        break;
      case u'>':
        out += u"&gt;";
        break;
      case u'\t':
      case u'\n':
      case u'\r':
        out += c;
        break;
      default:
        out += (c < 32) ? u' ' : c;
        break;
    }
  }
  return out;
}

std::string UrlEncodeBytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (KeptInUrl(c)) {
      out += ch;
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string QueryTextBytes(std::u16string_view text, std::string_view format) {
  if (format == "xml") return ToCodePage1251(XmlEscape(text));
  if (format == "utf 8") return platform::Utf16ToUtf8(text);
  return ToCodePage1251(text);
}

std::string EncodeQueryText(std::u16string_view text, std::string_view format) {
  return UrlEncodeBytes(QueryTextBytes(text, format));
}

std::string ReplacePlaceholders(std::string_view pattern, std::initializer_list<TUrlPlaceholder> placeholders) {
  std::string out;
  out.reserve(pattern.size() + 64);
  size_t i = 0;
  while (i < pattern.size()) {
    const TUrlPlaceholder* best = nullptr;
    if (pattern[i] == '$') {
      const std::string_view rest = pattern.substr(i);
      for (const TUrlPlaceholder& p : placeholders) {
        if (p.Name.empty() || (best && best->Name.size() >= p.Name.size())) continue;
        const bool match = p.IgnoreCase ? StartsWithNoCase(rest, p.Name) : rest.starts_with(p.Name);
        if (match) best = &p;
      }
    }
    if (best) {
      out += best->Value;
      i += best->Name.size();
    } else {
      out += pattern[i++];
    }
  }
  return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLowerChar(text[i]) != AsciiLowerChar(prefix[i])) return false;
  }
  return true;
}

size_t FindNoCase(std::string_view text, std::string_view needle, size_t from) {
  if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
  for (size_t i = from; i + needle.size() <= text.size(); ++i) {
    if (StartsWithNoCase(text.substr(i), needle)) return i;
  }
  return std::string_view::npos;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLowerChar(c);
  return out;
}

std::string PercentDecode(std::string_view text, bool plusIsSpace) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else if (c == '+' && plusIsSpace) {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

namespace {

// True when a sequence, as the lenient decoder reads it, gives a unit that a
// shorter sequence writes ("%C0%AF" and "%E0%80%AF" are "/"). Only asked of
// bytes that the decoder read whole.
bool HasOverlongSequence(std::string_view bytes) {
  const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t n = bytes.size();
  for (size_t i = 0; i < n;) {
    const uint32_t b = s[i];
    if (b < 0x80) {
      ++i;
    } else if (b < 0xE0) {
      if (i + 1 >= n) return false;
      if ((((b & 0x3F) << 6) | (s[i + 1] & 0x7Fu)) < 0x80) return true;
      i += 2;
    } else if (b < 0xF0) {
      if (i + 2 >= n) return false;
      if ((((b & 0x1F) << 12) | ((s[i + 1] & 0x7Fu) << 6) | (s[i + 2] & 0x7Fu)) < 0x800) return true;
      i += 3;
    } else {
      return false;
    }
  }
  return false;
}

}  // namespace

bool PercentDecodeToWide(std::string_view text, std::u16string& result, bool plusIsSpace) {
  result.clear();
  const std::string bytes = PercentDecode(text, plusIsSpace);
  if (bytes.empty()) return true;
  if (Utf8ToWide(bytes, result)) {
    if (!HasOverlongSequence(bytes)) return true;
    result.clear();
    return false;
  }
  // Standard UTF-8 with four-byte sequences: well-formed when it survives the
  // round trip through the strict converter.
  result = platform::Utf8ToUtf16(bytes);
  if (platform::Utf16ToUtf8(result) == bytes) return true;
  result.clear();
  return false;
}

}  // namespace kestrune
