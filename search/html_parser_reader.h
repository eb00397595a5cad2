// The HTML parser's small readers over UTF-16 source: tag names, tag ends,
// attributes and character references; and the parser's test whether 8-bit
// page text looks like UTF-8. Internal to the search library.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "search/html_parser.h"

namespace kestrune::html {

// The name of the tag whose "<" is at index `lt` of the lower-cased text:
// "?" for "<?", "!--" for "<!--", "!" for "<!", otherwise the characters up
// to ">", white space (tab, space, U+00A0, CR, LF) or a "/" after the first.
std::u16string_view TagName(const char16_t* lower, int32_t n, int32_t lt);

// Index of the ">" that ends the tag whose "<" is at `lt`, passing over
// values quoted after "="; -1 when the text ends first.
int32_t TagEnd(const char16_t* s, int32_t n, int32_t lt);

// Reads the attributes of the tag whose "<" is at 1-based `position` and
// whose name has `nameLength` characters into tag (names lower-case, values
// with references decoded, Attributes cut to AttributeCount), and the
// 1-based source position of each value into `valuePositions` when given.
// Returns the 1-based position of the ">" and sets the tag's SourceLength,
// or returns 0 when the source ends first.
int32_t ReadAttributes(std::u16string_view source, int32_t position, int32_t nameLength, TAttributesTag& tag,
                       std::vector<int32_t>* valuePositions);

// Decodes the character reference whose "&" is at index `amp` of s[0..n):
// the source characters it takes (0: no reference) and one or two units.
// "&#" with decimal or "x" and hexadecimal digits; or a name, matched with its
// letter case first and then lower-cased. A name without its ";" decodes only
// when it is a legacy one (the Latin-1 names, amp, lt, gt, quot), and, with
// `inAttribute`, only when no "=", letter or digit follows it.
int32_t DecodeReference(const char16_t* s, int32_t n, int32_t amp, char16_t units[2], int32_t& count,
                        bool inAttribute = false);

// True when every byte from 0x80 to 0xDF is followed by one byte with its top
// bit set and every byte from 0xE0 to 0xEF by two, inside the text, no byte
// is 0xF0 or above, and at least one such sequence was met.
bool LooksLikeUtf8(const char* text, int32_t length);

}  // namespace kestrune::html
