// 8-bit text in an explicit code page to UTF-16 and back: the conversions of
// the interface-language files, the result page builder and every other
// caller that holds 8-bit text with a named Windows code page.
//
// The conversions are whole: a multi-byte code page (UTF-8 65001, 936, 949,
// ...) converts every character, so the result's length differs from the
// source's; only a single-byte page gives one unit per byte. Code page 0, the
// system's default 8-bit page, is UTF-8 here, as for every INI-style file of
// the program; a code page the converter does not know converts as UTF-8 too
// (IsKnownCodePage tells which, for a caller that reports it). Malformed bytes
// become U+FFFD; a character the code page lacks becomes "?". Thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

inline constexpr int32_t kCodePageUtf8 = 65001;

std::u16string CodePageToWide(std::string_view text, int32_t codePage);
std::string WideToCodePage(std::u16string_view text, int32_t codePage);

// True for 0 and for every code page the converter knows.
bool IsKnownCodePage(int32_t codePage);

}  // namespace kestrune
