// Query text helpers of the session: the one punctuation table of the query
// (which characters never make a query word), the splitter of a query text
// into included and excluded words, and the cutting of typed text into the
// words the map highlights.
//
// Punctuation: TAB, 32..47, 58..64, 91..94, 123..126, 133, 147, 148, 160,
// 167, 169, 171, 174, 176, 177, 183, 187, and the characters that 133, 147
// and 148 stand for in code page 1251: the ellipsis U+2026 and the
// typographic quotes U+201C and U+201D. The underscore, the back quote,
// digits and letters are word characters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

bool IsQueryPunctuation(char16_t c);

// Splits a query text at blanks and "-": a word is included when the
// separator before it (or the start of the text) is a blank, excluded when it
// is a "-". Empty words are dropped.
void SplitQuery(std::u16string_view text, std::vector<std::u16string>& included,
                std::vector<std::u16string>& excluded);

// The words of a typed text between punctuation characters, trimmed, in
// order; empty pieces are dropped.
std::vector<std::u16string> QueryTextWords(std::u16string_view text);

}  // namespace kestrune
