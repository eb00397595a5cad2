// Fuzzes the text parser on arbitrary UTF-16 text: the first two bytes choose
// the settings, the rest is the text (little-endian units). The result must
// be consistent: tables in text order, every span inside the text, every
// reading inside the variant table; marking phrases and collecting forms on
// it must work.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "language/parsing_text.h"
#include "language/phrase_word_dictionary.h"
#include "language/storage_forms_words.h"
#include "language/text_parsing.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

void Check(const kestrune::TITextParsing& parser, int32_t length) {
  using kestrune::TParsingWord;
  const kestrune::TParsingText& r = parser.ParsingText();
  Require(r.ParagraphCount >= 0 && r.SentenceCount >= 0 && r.WordCount >= 0 && r.VariantCount >= 0);
  int32_t nextSentence = 0;
  int32_t nextWord = 0;
  int32_t sentenceEnd = 0;
  for (int32_t p = 0; p < r.ParagraphCount; ++p) {
    const kestrune::TParsingParagraph& paragraph = r.Paragraph(p);
    Require(paragraph.SentenceCount >= 1 && paragraph.FirstSentence == nextSentence);
    nextSentence += paragraph.SentenceCount;
    Require(nextSentence <= r.SentenceCount);
    for (int32_t s = 0; s < paragraph.SentenceCount; ++s) {
      const kestrune::TParsingSentence& sentence = r.Sentence(paragraph.FirstSentence + s);
      Require(sentence.Start >= 1 && sentence.Length >= 1 && sentence.Start + sentence.Length - 1 <= length);
      Require(sentence.Start > sentenceEnd - 1);
      sentenceEnd = sentence.Start + sentence.Length;
      Require(sentence.Empty == (sentence.WordCount == 0 ? 1 : 0));
      if (sentence.WordCount > 0) Require(sentence.FirstWord == nextWord);
      nextWord += sentence.WordCount;
      Require(nextWord <= r.WordCount);
      int32_t previous = 0;
      for (int32_t w = 0; w < sentence.WordCount; ++w) {
        const TParsingWord& word = r.Word(sentence.FirstWord + w);
        Require(word.Start >= sentence.Start && word.Start > previous && word.Length >= 1);
        Require(int64_t{word.Start} + word.Length - 1 <= length);
        previous = word.Start;
        Require(word.VariantCount >= 0 && int64_t{word.FirstVariant} + word.VariantCount <= r.VariantCount);
        if (word.Flags & TParsingWord::kHashed) {
          Require(word.Form == -1 && word.VariantCount == 0);
        } else {
          Require(word.WordId >= 0 && word.WordId < parser.WordDictionary()->Count());
        }
        if (word.Flags & TParsingWord::kSeparator) Require(word.Flags & TParsingWord::kLeftOut);
        for (int32_t v = 0; v < word.VariantCount; ++v) {
          const int32_t id = r.Variant(word.FirstVariant + v).WordIndex;
          Require(id >= 0 && id < parser.WordDictionary()->Count());
        }
      }
    }
  }
  Require(nextSentence == r.SentenceCount && nextWord == r.WordCount);
  Require(parser.LanguagesCount() == static_cast<int32_t>(parser.Languages().size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint16_t settings = static_cast<uint16_t>(data[0] | data[1] << 8);
  std::u16string text((size - 2) / 2, u'\0');
  std::memcpy(text.data(), data + 2, text.size() * 2);

  kestrune::TPhraseWordDictionary dictionary;
  for (const char16_t* word : {u"the", u"new", u"york", u"city", u"run", u"well-known", u"мир"}) {
    dictionary.AddWord(word, 0, -1);
  }
  dictionary.AddWord(u"run", 3, -1);
  dictionary.AddWord(u"run", 1, -1);
  dictionary.MarkWord(u"the");
  kestrune::TPhrase phrase;
  phrase.Entries = {{1, 0, 0}, {2, 0, 0}};
  dictionary.AddPhrase(phrase);
  dictionary.BuildPhraseIndex(2, 11);

  kestrune::TITextParsing parser;
  parser.SetWordDictionary(&dictionary);
  parser.SetAllWords(settings & 0x0001);
  parser.SetPunctuation(settings & 0x0002);
  parser.SetRecognizePathes(settings & 0x0004);
  parser.SetRecognizeFormula(settings & 0x0008);
  parser.SetDeleteLastNumeral(settings & 0x0010);
  parser.SetDeleteWordWithNumber(settings & 0x0020);
  parser.SetNumeralMacro(settings & 0x0040);
  parser.SetParallelWorking(settings & 0x0080);
  parser.SetUseHash(settings & 0x0100);
  parser.SetIgnoreStopWord(!(settings & 0x0200));
  parser.SetianwWord(settings & 0x0400);
  parser.SetProcessNewWords(settings & 0x0800);
  parser.SetMinimumWord((settings >> 12) & 3);
  if (settings & 0x4000) parser.ProcessedParts().SetNumeral(true);
  if (settings & 0x8000) parser.ProcessedParts().SetValue(kestrune::TPTProcessedParts::kAllBits);

  const int32_t result = parser.Parse(text);
  Require(result == (text.empty() ? -1 : 0));
  Check(parser, static_cast<int32_t>(text.size()));

  kestrune::TParsingText copy = parser.ParsingText();
  dictionary.FindPhrases(copy);
  kestrune::TStorageFormsWords forms;
  forms.MergeForms(copy);
  if (copy.ParagraphCount > 0) {
    kestrune::TParsingText part;
    kestrune::CopyParsingParagraphs(copy, copy.ParagraphCount / 2, copy.ParagraphCount - copy.ParagraphCount / 2, part);
    forms.TakeForms(part);
  }
  // A second parse over the same tables.
  Require(parser.Parse(text) == result);
  Check(parser, static_cast<int32_t>(text.size()));
  return 0;
}
