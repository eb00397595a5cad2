#include "platform/text.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <memory>
#include <string>

namespace kestrune::platform {

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  const size_t n = text.size();
  auto byteAt = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
  while (i < n) {
    uint8_t b = byteAt(i);
    if (b < 0x80) {
      // A run of ASCII goes over as it stands.
      size_t end = i + 1;
      while (end < n && byteAt(end) < 0x80) ++end;
      const size_t at = out.size();
      out.resize(at + (end - i));
      char16_t* unit = out.data() + at;
      for (; i < end; ++i) *unit++ = static_cast<char16_t>(byteAt(i));
      continue;
    }
    uint32_t cp;
    size_t extra;
    if (b >= 0xC2 && b <= 0xDF) {
      cp = b & 0x1F;
      extra = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      cp = b & 0x0F;
      extra = 2;
    } else if (b >= 0xF0 && b <= 0xF4) {
      cp = b & 0x07;
      extra = 3;
    } else {
      out += u'\xFFFD';
      ++i;
      continue;
    }
    bool ok = i + extra < n;
    for (size_t k = 1; ok && k <= extra; ++k) {
      uint8_t c = byteAt(i + k);
      if ((c & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (c & 0x3F);
    }
    if (ok && ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
               (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))) {
      ok = false;
    }
    if (!ok) {
      out += u'\xFFFD';
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += extra + 1;
  }
  return out;
}

char16_t WideCharLower(char16_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 32) : c;
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  UChar32 m = u_tolower(c);
  return m <= 0xFFFF ? static_cast<char16_t>(m) : c;
}

char16_t WideCharUpper(char16_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - 32) : c;
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  UChar32 m = u_toupper(c);
  return m <= 0xFFFF ? static_cast<char16_t>(m) : c;
}

std::u16string WideLowerCase(std::u16string_view text) {
  std::u16string out(text);
  WideLowerCaseInPlace(out.data(), out.size());
  return out;
}

std::u16string WideUpperCase(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = WideCharUpper(c);
  return out;
}

void WideLowerCaseInPlace(char16_t* text, size_t length) {
  for (size_t i = 0; i < length; ++i) text[i] = WideCharLower(text[i]);
}

static int32_t Sign(int32_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

int32_t CompareNoCase(std::u16string_view a, std::u16string_view b) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t r = u_strCaseCompare(reinterpret_cast<const UChar*>(a.data()), static_cast<int32_t>(a.size()),
                               reinterpret_cast<const UChar*>(b.data()), static_cast<int32_t>(b.size()),
                               U_FOLD_CASE_DEFAULT | U_COMPARE_CODE_POINT_ORDER, &status);
  return Sign(r);
}

int32_t CompareNoCaseZ(const char16_t* a, const char16_t* b) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t r = u_strCaseCompare(reinterpret_cast<const UChar*>(a), -1, reinterpret_cast<const UChar*>(b), -1,
                               U_FOLD_CASE_DEFAULT | U_COMPARE_CODE_POINT_ORDER, &status);
  return Sign(r);
}

namespace {
struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

ConverterPtr OpenCodePage(uint32_t codePage) {
  std::string name;
  switch (codePage) {
    case 0: name = "windows-1252"; break;
    case 65001: name = "UTF-8"; break;
    case 20866: name = "KOI8-R"; break;
    case 21866: name = "KOI8-U"; break;
    case 28591: name = "ISO-8859-1"; break;
    case 28595: name = "ISO-8859-5"; break;
    case 866: name = "ibm-866"; break;
    case 437: name = "ibm-437"; break;
    case 850: name = "ibm-850"; break;
    default: name = "windows-" + std::to_string(codePage); break;
  }
  UErrorCode status = U_ZERO_ERROR;
  ConverterPtr conv(ucnv_open(name.c_str(), &status));
  if (U_FAILURE(status)) return nullptr;
  return conv;
}
}  // namespace

bool CodePageToWide(std::string_view bytes, uint32_t codePage, std::u16string& out) {
  out.clear();
  ConverterPtr conv = OpenCodePage(codePage);
  if (!conv) return false;
  if (bytes.empty()) return true;
  out.resize(bytes.size() * 2 + 2);
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = ucnv_toUChars(conv.get(), reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                            bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) {
    out.clear();
    return false;
  }
  out.resize(n);
  return true;
}

bool WideToCodePage(std::u16string_view text, uint32_t codePage, std::string& out) {
  out.clear();
  ConverterPtr conv = OpenCodePage(codePage);
  if (!conv) return false;
  if (text.empty()) return true;
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setSubstChars(conv.get(), "?", 1, &status);
  status = U_ZERO_ERROR;
  out.resize(text.size() * 4 + 4);
  int32_t n = ucnv_fromUChars(conv.get(), out.data(), static_cast<int32_t>(out.size()),
                              reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) {
    out.clear();
    return false;
  }
  out.resize(n);
  return true;
}

int32_t LocaleLangId(std::string_view locale) {
  constexpr int32_t kUsEnglish = 0x0409;
  std::string name(locale);
  // ICU reads a POSIX name without its code set and modifier.
  if (const size_t cut = name.find_first_of(".@"); cut != std::string::npos) name.resize(cut);
  if (name.empty() || name == "C" || name == "POSIX") return kUsEnglish;
  char canonical[ULOC_FULLNAME_CAPACITY];
  UErrorCode status = U_ZERO_ERROR;
  uloc_canonicalize(name.c_str(), canonical, sizeof canonical, &status);
  if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING) return 0;
  if (std::string_view(canonical) == "en_US_POSIX") return kUsEnglish;
  return static_cast<int32_t>(uloc_getLCID(canonical));
}

int32_t SystemLangId() { return LocaleLangId(uloc_getDefault()); }

}  // namespace kestrune::platform
