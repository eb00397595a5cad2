// Two parsers with ParallelWorking share one dictionary (no engine) and parse
// the same texts at once, adding the words they do not know: both get the
// same words, and neither writes the other's counters.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "language/text_parsing.h"
#include "language/word_dictionary.h"

namespace kestrune {
namespace {

std::u16string Number(int32_t n) {
  std::u16string text;
  do {
    text.push_back(static_cast<char16_t>(u'a' + n % 26));
    n /= 26;
  } while (n != 0);
  return text;
}

TEST(TextParsingThreads, ParsersSharingADictionaryAgree) {
  TIWordDictionary dictionary;
  for (const char16_t* word : {u"the", u"common", u"words", u"walk", u"here"}) dictionary.AddWord(word, 0, -1);
  dictionary.MarkWord(u"the");
  std::vector<std::u16string> texts;
  for (int32_t i = 0; i < 400; ++i) {
    texts.push_back(u"The common words walk here. New " + Number(i * 7) + u" and " + Number(i * 13) +
                    u", more " + Number(i) + u"!\n\nSecond paragraph " + Number(i * 3) + u" here.");
  }
  auto run = [&](std::vector<int32_t>& out, bool reversed) {
    TITextParsing parser;
    parser.SetWordDictionary(&dictionary);
    parser.SetParallelWorking(true);
    parser.SetAllWords(true);
    parser.SetPunctuation(true);
    std::vector<std::vector<int32_t>> perText(texts.size());
    for (size_t k = 0; k < texts.size(); ++k) {
      const size_t i = reversed ? texts.size() - 1 - k : k;
      ASSERT_EQ(parser.Parse(texts[i]), 0);
      const TParsingText& r = parser.ParsingText();
      for (int32_t w = 0; w < r.WordCount; ++w) {
        perText[i].push_back(r.Word(w).WordId);
        perText[i].push_back(r.Word(w).Flags);
      }
    }
    for (const auto& ids : perText) out.insert(out.end(), ids.begin(), ids.end());
  };
  std::vector<int32_t> a;
  std::vector<int32_t> b;
  std::thread first(run, std::ref(a), false);
  std::thread second(run, std::ref(b), true);
  first.join();
  second.join();
  EXPECT_FALSE(a.empty());
  EXPECT_EQ(a, b);
}

}  // namespace
}  // namespace kestrune
