// Text services of the platform: UTF-8 <-> UTF-16 for file names and the
// system's own 8-bit text, wide case mapping and case-insensitive comparison
// (ICU), conversion between UTF-16 and single-byte code pages, and the
// language identifier of the system's locale.
//
// Case mapping works per UTF-16 unit and never changes a text's length, so
// positions into a text stay valid after it is lower-cased. All functions are
// thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune::platform {

// Well-formed conversion; a lone surrogate or malformed byte becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

char16_t WideCharLower(char16_t c);
char16_t WideCharUpper(char16_t c);
std::u16string WideLowerCase(std::u16string_view text);
std::u16string WideUpperCase(std::u16string_view text);
void WideLowerCaseInPlace(char16_t* text, size_t length);

// Case-insensitive total order: ICU case folding with code point order.
// Returns <0, 0, >0; 0 only for texts that differ in letter case alone.
int32_t CompareNoCase(std::u16string_view a, std::u16string_view b);
// The same over 0-terminated texts (no length scan beyond what ICU needs).
int32_t CompareNoCaseZ(const char16_t* a, const char16_t* b);

// Single-byte code pages by their Windows number (0 means Windows-1252).
// Unmappable characters become '?' on the way out. Returns false when the code
// page is unknown to ICU (the output is then left empty).
bool CodePageToWide(std::string_view bytes, uint32_t codePage, std::u16string& out);
bool WideToCodePage(std::u16string_view text, uint32_t codePage, std::string& out);

// The Windows language identifier of a locale name ("ru_RU" 0x0419, "en_US"
// 0x0409; POSIX names such as "de_DE.UTF-8@euro" are accepted), ICU's
// uloc_getLCID. The C and POSIX locales and the empty name are US English,
// 0x0409; a locale without an identifier gives 0.
int32_t LocaleLangId(std::string_view locale);
// The identifier of ICU's default locale (taken from the environment, LC_ALL,
// LC_MESSAGES or LANG, when ICU starts).
int32_t SystemLangId();

}  // namespace kestrune::platform
