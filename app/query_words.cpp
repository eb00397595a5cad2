#include "app/query_words.h"

#include <array>
#include <cstdint>

namespace kestrune {

namespace {

struct TPunctuationTable {
  std::array<bool, 256> bits{};
  constexpr TPunctuationTable() {
    bits[9] = true;
    for (int c = 32; c <= 47; ++c) bits[c] = true;
    for (int c = 58; c <= 64; ++c) bits[c] = true;
    for (int c = 91; c <= 94; ++c) bits[c] = true;
    for (int c = 123; c <= 126; ++c) bits[c] = true;
    for (int c : {133, 147, 148, 160, 167, 169, 171, 174, 176, 177, 183, 187}) bits[c] = true;
  }
};
constexpr TPunctuationTable kPunctuation{};

}  // namespace

bool IsQueryPunctuation(char16_t c) {
  if (c < 256) return kPunctuation.bits[c];
  return c == u'\u2026' || c == u'\u201C' || c == u'\u201D';
}

void SplitQuery(std::u16string_view text, std::vector<std::u16string>& included,
                std::vector<std::u16string>& excluded) {
  std::u16string word;
  char16_t before = u' ';  // the start of the text counts as a blank
  auto flush = [&] {
    if (!word.empty()) (before == u'-' ? excluded : included).push_back(word);
    word.clear();
  };
  for (char16_t c : text) {
    if (c == u' ' || c == u'-') {
      flush();
      before = c;
    } else {
      word += c;
    }
  }
  flush();
}

std::vector<std::u16string> QueryTextWords(std::u16string_view text) {
  std::vector<std::u16string> words;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !IsQueryPunctuation(text[i])) continue;
    std::u16string_view piece = text.substr(start, i - start);
    while (!piece.empty() && piece.front() <= u' ') piece.remove_prefix(1);
    while (!piece.empty() && piece.back() <= u' ') piece.remove_suffix(1);
    if (!piece.empty()) words.emplace_back(piece);
    start = i + 1;
  }
  return words;
}

}  // namespace kestrune
