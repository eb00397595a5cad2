#include "core/base.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/frame.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

const std::u16string& LanguageName(int32_t id) {
  static const std::u16string kUnknown = u"Unknown", kGerman = u"German", kEnglish = u"English",
                              kFrench = u"French", kItalian = u"Italian", kRussian = u"Russian", kNone;
  switch (id) {
    case kLangUnknown: return kUnknown;
    case kLangGerman: return kGerman;
    case kLangEnglish: return kEnglish;
    case kLangFrench: return kFrench;
    case kLangItalian: return kItalian;
    case kLangRussian: return kRussian;
    default: return kNone;
  }
}

std::string AddBackslash(std::string_view path) {
  std::string out(path);
  if (!out.empty() && out.back() != '/') out += '/';
  return out;
}

std::u16string AddBackslash(std::u16string_view path) {
  std::u16string out(path);
  if (!out.empty() && out.back() != u'/') out += u'/';
  return out;
}

int32_t CompareWideOrdinal(const char16_t* a, const char16_t* b) {
  if (a == b) return 0;
  if (!a) return -1;
  if (!b) return 1;
  for (;; ++a, ++b) {
    if (*a != *b) return static_cast<int32_t>(static_cast<uint16_t>(*a)) - static_cast<int32_t>(static_cast<uint16_t>(*b));
    if (*a == 0) return 0;
  }
}

int32_t CompareWideNoCase(const char16_t* a, const char16_t* b) {
  if (a == b) return 0;
  if (!a) return -1;
  if (!b) return 1;
  return platform::CompareNoCaseZ(a, b);
}

uint32_t WideTextHash(std::u16string_view text) {
  const size_t n = text.size();
  if (n < 1) return 0;
  uint32_t h = 0xFFFFFFFFu;
  for (char16_t u : text) {
    const uint32_t d = h ^ static_cast<uint32_t>(u);
    h = kCRC32Table[d & 0xFF] ^ (h >> 8);
    h = kCRC32Table[(d >> 8) & 0xFF] ^ (h >> 8);
  }
  return ~(h ^ static_cast<uint32_t>(n));
}

std::u16string AddLongPathPrefix(std::u16string_view path) {
  if (path.size() < 260 || (!path.empty() && path[0] == u'.')) return std::u16string(path);
  if (path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\') {
    return u"\\\\?\\UNC" + std::u16string(path.substr(1));
  }
  return u"\\\\?\\" + std::u16string(path);
}

bool WideFileExists(std::u16string_view path, int32_t* error) {
  errno = 0;
  const platform::PathInfo info = platform::GetPathInfo(path);
  if (error) *error = info.exists ? 0 : (errno != 0 ? errno : ENOENT);
  return info.exists && info.isFile;
}

char16_t* AllocWideChars(size_t count) { return new char16_t[count]; }

char16_t* WideStrToBuffer(std::u16string_view text) {
  if (text.empty()) return nullptr;
  char16_t* buffer = AllocWideChars(text.size() + 1);
  std::memcpy(buffer, text.data(), text.size() * sizeof(char16_t));
  buffer[text.size()] = 0;
  return buffer;
}

void FreeWideBuffer(char16_t*& field) {
  delete[] field;
  field = nullptr;
}

void AssignWideBuffer(std::u16string_view text, char16_t*& field) {
  FreeWideBuffer(field);
  field = WideStrToBuffer(text);
}

size_t WideLength(const char16_t* text) {
  if (!text) return 0;
  size_t n = 0;
  while (text[n]) ++n;
  return n;
}

void WideStringReplace(std::u16string_view text, std::u16string_view pattern, std::u16string_view replacement,
                       std::u16string& result, uint32_t flags) {
  result.clear();
  if (pattern.empty() || pattern.size() > text.size()) {
    result.assign(text);
    return;
  }
  // Lower-casing keeps every length, so positions in the copies are positions
  // in the text.
  std::u16string lowerText, lowerPattern;
  std::u16string_view haystack = text, needle = pattern;
  if (flags & rfIgnoreCase) {
    lowerText = platform::WideLowerCase(text);
    lowerPattern = platform::WideLowerCase(pattern);
    haystack = lowerText;
    needle = lowerPattern;
  }
  size_t from = 0;
  while (from <= text.size()) {
    const size_t at = haystack.find(needle, from);
    if (at == std::u16string_view::npos) break;
    result.append(text.substr(from, at - from));
    result.append(replacement);
    from = at + pattern.size();
    if (!(flags & rfReplaceAll)) break;
  }
  result.append(text.substr(std::min(from, text.size())));
}

}  // namespace kestrune
