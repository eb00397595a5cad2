// Character classes of the text parser (UTF-16 code units).
//
//   blank        TAB, space, no-break space
//   line break   LF, CR
//   terminator   "!", ".", "?", U+0085
//   separators   the 44 ParsingSeparators: TAB, 32..47, 58..64, 91..94,
//                123..126 and 133 147 148 160 167 169 171 174 176 177 183 187;
//                "separator" in the parser also takes U+200C..U+266B
//   control      0..8, 11, 12, 14..31
#pragma once

#include <array>
#include <cstdint>

namespace kestrune::parsing {

struct TCharTable {
  std::array<uint8_t, 256> bits{};
  constexpr TCharTable() {
    bits[9] = 1;
    for (int c = 32; c <= 47; ++c) bits[c] = 1;
    for (int c = 58; c <= 64; ++c) bits[c] = 1;
    for (int c = 91; c <= 94; ++c) bits[c] = 1;
    for (int c = 123; c <= 126; ++c) bits[c] = 1;
    for (int c : {133, 147, 148, 160, 167, 169, 171, 174, 176, 177, 183, 187}) bits[c] = 1;
  }
};
inline constexpr TCharTable kSeparatorTable{};

// One of the 44 ParsingSeparators.
inline bool IsBaseSeparator(char16_t c) { return c < 256 && kSeparatorTable.bits[c] != 0; }
inline bool IsExtendedSeparator(char16_t c) { return c >= 0x200C && c <= 0x266B; }
// ParsingSeparators or the extended range.
inline bool IsSeparator(char16_t c) { return IsBaseSeparator(c) || IsExtendedSeparator(c); }
inline bool IsSeparatorWithBreaks(char16_t c) { return IsBaseSeparator(c) || c == 10 || c == 13; }
inline bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
inline bool IsSeparatorWithDigits(char16_t c) { return IsBaseSeparator(c) || IsDigit(c); }
inline bool IsControl(char16_t c) { return c <= 8 || c == 11 || c == 12 || (c >= 14 && c <= 31); }
inline bool IsBlank(char16_t c) { return c == 9 || c == 32 || c == 160; }
inline bool IsLineBreak(char16_t c) { return c == 10 || c == 13; }
inline bool IsTerminator(char16_t c) { return c == 33 || c == 46 || c == 63 || c == 133; }

}  // namespace kestrune::parsing
