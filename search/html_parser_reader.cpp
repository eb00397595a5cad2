#include "search/html_parser_reader.h"

#include <algorithm>

#include "platform/text.h"
#include "search/html_parser_tables.h"

namespace kestrune::html {

namespace {

bool IsTagSpace(char16_t c) { return c == ' ' || c == '\t' || c == 0xA0 || c == '\r' || c == '\n'; }
bool IsAsciiLetter(char16_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiAlnum(char16_t c) { return IsAsciiLetter(c) || (c >= '0' && c <= '9'); }

int32_t DigitValue(char16_t c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (!hex) return -1;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendDecoded(std::u16string_view text, std::u16string& out) {
  out.clear();
  const auto n = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < n;) {
    if (text[static_cast<size_t>(i)] == '&') {
      char16_t units[2];
      int32_t count = 0;
      const int32_t length = DecodeReference(text.data(), n, i, units, count, true);
      if (length > 0) {
        out.append(units, static_cast<size_t>(count));
        i += length;
        continue;
      }
    }
    out += text[static_cast<size_t>(i++)];
  }
}

}  // namespace

std::u16string_view TagName(const char16_t* lower, int32_t n, int32_t lt) {
  const int32_t j = lt + 1;
  if (j >= n) return {};
  if (lower[j] == '?') return u"?";
  if (lower[j] == '!') return (j + 2 < n && lower[j + 1] == '-' && lower[j + 2] == '-') ? u"!--" : u"!";
  int32_t k = j;
  while (k < n) {
    const char16_t c = lower[k];
    if (c == '>' || IsTagSpace(c) || (c == '/' && k > j)) break;
    ++k;
  }
  return {lower + j, static_cast<size_t>(k - j)};
}

int32_t TagEnd(const char16_t* s, int32_t n, int32_t lt) {
  int32_t k = lt + 1;
  while (k < n) {
    const char16_t c = s[k];
    if (c == '>') return k;
    if (c == '=') {
      int32_t m = k + 1;
      while (m < n && IsTagSpace(s[m])) ++m;
      if (m < n && (s[m] == '"' || s[m] == '\'')) {
        const char16_t quote = s[m];
        ++m;
        while (m < n && s[m] != quote) ++m;
        if (m >= n) return -1;
        k = m + 1;
        continue;
      }
    }
    ++k;
  }
  return -1;
}

int32_t ReadAttributes(std::u16string_view source, int32_t position, int32_t nameLength, TAttributesTag& tag,
                       std::vector<int32_t>* valuePositions) {
  const auto n = static_cast<int32_t>(source.size());
  const char16_t* s = source.data();
  if (valuePositions != nullptr) valuePositions->clear();
  tag.AttributeCount = 0;
  int32_t result = 0;
  int32_t k = std::max(position, 1) + std::max(nameLength, 0);  // 0-based index after the name
  while (k < n) {
    while (k < n && IsTagSpace(s[k])) ++k;
    if (k >= n) break;
    const char16_t c = s[k];
    if (c == '>') {
      tag.SourceLength = k + 2 - position;
      result = k + 1;
      break;
    }
    if (c == '/' || c == '=' || (c == '?' && k + 1 < n && s[k + 1] == '>')) {
      ++k;
      continue;
    }
    const int32_t nameStart = k;
    while (k < n && !IsTagSpace(s[k]) && s[k] != '=' && s[k] != '>' && !(s[k] == '/' && k + 1 < n && s[k + 1] == '>')) {
      ++k;
    }
    if (tag.AttributeCount == tag.Attributes.size()) tag.Attributes.resize(tag.Attributes.size() + TIHTMLParser::kAttributeStep);
    TAttributeTag& attribute = tag.Attributes[tag.AttributeCount];
    attribute.Name.assign(s + nameStart, static_cast<size_t>(k - nameStart));
    for (char16_t& ch : attribute.Name) ch = platform::WideCharLower(ch);
    attribute.Value.clear();
    int32_t valuePosition = 0;
    int32_t m = k;
    while (m < n && IsTagSpace(s[m])) ++m;
    if (m < n && s[m] == '=') {
      k = m + 1;
      while (k < n && IsTagSpace(s[k])) ++k;
      int32_t valueStart = k;
      int32_t valueEnd;
      if (k < n && (s[k] == '"' || s[k] == '\'')) {
        const char16_t quote = s[k];
        valueStart = k + 1;
        valueEnd = valueStart;
        while (valueEnd < n && s[valueEnd] != quote) ++valueEnd;
        k = valueEnd < n ? valueEnd + 1 : n;
      } else {
        while (k < n && !IsTagSpace(s[k]) && s[k] != '>') ++k;
        valueEnd = k;
      }
      AppendDecoded(source.substr(static_cast<size_t>(valueStart), static_cast<size_t>(valueEnd - valueStart)),
                    attribute.Value);
      valuePosition = valueStart + 1;
    } else {
      k = m;
    }
    if (valuePositions != nullptr) valuePositions->push_back(valuePosition);
    if (tag.AttributeCount < UINT16_MAX) ++tag.AttributeCount;
  }
  tag.Attributes.resize(tag.AttributeCount);
  return result;
}

int32_t DecodeReference(const char16_t* s, int32_t n, int32_t amp, char16_t units[2], int32_t& count,
                        bool inAttribute) {
  int32_t j = amp + 1;
  if (j >= n) return 0;
  uint32_t code;
  bool numeric = false;
  if (s[j] == '#') {
    numeric = true;
    ++j;
    const bool hex = j < n && (s[j] == 'x' || s[j] == 'X');
    if (hex) ++j;
    const int32_t digits = j;
    uint32_t value = 0;
    for (int32_t d; j < n && (d = DigitValue(s[j], hex)) >= 0; ++j) {
      value = std::min<uint32_t>(value * (hex ? 16 : 10) + static_cast<uint32_t>(d), 0x110000);
    }
    if (j == digits) return 0;
    code = value;
  } else {
    // The name: letters and digits ("sup2", "frac12"); when that is no name,
    // its letters alone ("&copy2024" is the sign and 2024). Each as written
    // first ("Dagger"), then lower-cased ("AMP").
    const int32_t start = j;
    auto find = [](std::string_view key) -> const TNamedReference* {
      const auto* found = std::lower_bound(std::begin(kNamedReferences), std::end(kNamedReferences), key,
                                           [](const TNamedReference& r, std::string_view k) { return r.Name < k; });
      return found == std::end(kNamedReferences) || found->Name != key ? nullptr : found;
    };
    auto lookup = [&](int32_t end) -> const TNamedReference* {
      const int32_t length = end - start;
      if (length == 0 || length > static_cast<int32_t>(kLongestReferenceName)) return nullptr;
      char name[kLongestReferenceName];
      for (int32_t i = 0; i < length; ++i) name[i] = static_cast<char>(s[start + i]);
      const std::string_view key(name, static_cast<size_t>(length));
      if (const TNamedReference* exact = find(key)) return exact;
      for (int32_t i = 0; i < length; ++i) {
        if (name[i] >= 'A' && name[i] <= 'Z') name[i] = static_cast<char>(name[i] + 32);
      }
      return find(key);
    };
    if (start >= n || !IsAsciiLetter(s[start])) return 0;
    int32_t letters = start;
    while (letters < n && IsAsciiLetter(s[letters]) && letters - start <= static_cast<int32_t>(kLongestReferenceName)) {
      ++letters;
    }
    while (j < n && IsAsciiAlnum(s[j]) && j - start <= static_cast<int32_t>(kLongestReferenceName)) ++j;
    const TNamedReference* found = lookup(j);
    if (found == nullptr && letters < j) {
      found = lookup(letters);
      j = letters;
    }
    if (found == nullptr) return 0;
    code = found->Code;
  }
  // A ";" ends the reference, also after blanks.
  int32_t end = j;
  if (end < n && s[end] == ';') {
    ++end;
  } else {
    int32_t m = end;
    while (m < n && (s[m] == ' ' || s[m] == '\t')) ++m;
    if (m > end && m < n && s[m] == ';') end = m + 1;
  }
  // Without its ";" a name decodes only when it is a legacy one, and in an
  // attribute value not before "=", a letter or a digit ("?id=5&lang=en"
  // and "&copy=1" stay as written).
  if (!numeric && end == j) {
    if (!IsLegacyReference(static_cast<char16_t>(code))) return 0;
    if (inAttribute && j < n && (s[j] == '=' || IsAsciiAlnum(s[j]))) return 0;
  }
  count = 1;
  if (code == 0 || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
    units[0] = 0xFFFD;
  } else if (numeric && code >= 0x80 && code <= 0x9F) {
    units[0] = kWindows1252High[code - 0x80];
  } else if (code > 0xFFFF) {
    code -= 0x10000;
    units[0] = static_cast<char16_t>(0xD800 + (code >> 10));
    units[1] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    count = 2;
  } else {
    units[0] = static_cast<char16_t>(code);
  }
  return end - amp;
}

bool LooksLikeUtf8(const char* text, int32_t length) {
  const auto* s = reinterpret_cast<const uint8_t*>(text);
  bool met = false;
  int32_t i = 0;
  while (i < length) {
    const uint8_t b = s[i];
    if (b < 0x80) {
      ++i;
      continue;
    }
    int32_t extra;
    if (b <= 0xDF) {
      extra = 1;
    } else if (b <= 0xEF) {
      extra = 2;
    } else {
      return false;
    }
    if (i + extra >= length) return false;
    for (int32_t k = 1; k <= extra; ++k) {
      if ((s[i + k] & 0x80) == 0) return false;
    }
    met = true;
    i += extra + 1;
  }
  return met;
}

}  // namespace kestrune::html
