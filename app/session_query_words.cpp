// Query words to keys: TKestruneSession turns the parse of a typed query into
// the keys of the current search step. Tokens are the words of a sentence
// (a group); the text of a token is the dictionary text of its identifier.
#include <algorithm>
#include <unordered_set>

#include "app/kestrune_session.h"
#include "app/query_words.h"
#include "core/message.h"
#include "core/message_strings.h"

namespace kestrune {

namespace {

// Calls f(sentence) for every sentence of every paragraph of the parse.
template <class F>
void ForEachSentence(TParsingText& parse, F f) {
  if (!parse.Words || !parse.Sentences || !parse.Paragraphs) return;
  const int32_t paragraphs = std::min<int32_t>(parse.ParagraphCount, static_cast<int32_t>(parse.Paragraphs->size()));
  for (int32_t p = 0; p < paragraphs; ++p) {
    const TParsingParagraph& paragraph = parse.Paragraph(p);
    for (int32_t s = 0; s < paragraph.SentenceCount; ++s) f(parse.Sentence(paragraph.FirstSentence + s));
  }
}

bool Adjacent(const TParsingWord& a, const TParsingWord& b) { return int64_t{a.Start} + a.Length == b.Start; }

}  // namespace

std::u16string TKestruneSession::TokenText(int32_t id) {
  if (id < 0) return u"";
  TWDWord* word = WordDictionary.GetWord(id);
  return word ? word->GetText() : u"";
}

void TKestruneSession::AddPhrase(const TParsingText& parse, int32_t first, int32_t last) {
  TPhrase phrase;
  for (int32_t t = first; t <= last && phrase.EntryCount() < kMaxPhraseWords; ++t) {
    const TParsingWord& token = parse.Word(t);
    // Only words of the dictionary: a phrase never holds a phrase.
    if (token.WordId < 0 || token.WordId >= kPhraseBase) continue;
    const TWDWord* word = WordDictionary.GetWord(token.WordId);
    if (word == nullptr) continue;
    phrase.Entries.push_back({token.WordId, token.Form, word->GetDictionaryID()});
  }
  if (phrase.EntryCount() < 2) return;
  // A phrase typed again is the phrase already known.
  for (const TPhrase& known : WordDictionary.Phrases()) {
    if (std::equal(known.Entries.begin(), known.Entries.end(), phrase.Entries.begin(), phrase.Entries.end(),
                   [](const TPhraseEntry& a, const TPhraseEntry& b) { return a.WordIndex == b.WordIndex; })) {
      return;
    }
  }
  WordDictionary.AddPhrase(std::move(phrase));
  WordDictionary.FreePhraseIndex();
  WordDictionary.BuildPhraseIndex(2, kMaxPhraseWords + 1);
}

void TKestruneSession::wordsToIndex2(TParsingText& parse) {
  // 1. Typed words are full words and no stop words (in the list and in the
  // dictionary); quoted runs of two or more tokens become phrases.
  std::unordered_set<int32_t> typed;
  ForEachSentence(parse, [&](TParsingSentence& sentence) {
    int32_t open = -1;
    for (int32_t k = 0; k < sentence.WordCount; ++k) {
      TParsingWord& token = parse.Word(sentence.FirstWord + k);
      token.Flags &= static_cast<int16_t>(~TParsingWord::kLeftOut);
      const std::u16string text = TokenText(token.WordId);
      if (token.WordId >= 0 && token.WordId < kPhraseBase) TakeOffStopWords(text, token.WordId, typed);
      if (text != u"\"") continue;
      if (open < 0) {
        open = k;
        continue;
      }
      if (k - open - 1 >= 2) AddPhrase(parse, sentence.FirstWord + open + 1, sentence.FirstWord + k - 1);
      open = -1;
    }
  });

  // 2. Phrases marked.
  WordDictionary.FindPhrases(parse);

  // 3. One token in quotes: the opening quote goes, so that a minus sign
  // before it touches the token. Quotes pair as in the first pass: the
  // closing quote of one quoted word never opens the next ("a" "b").
  ForEachSentence(parse, [&](TParsingSentence& sentence) {
    auto isQuote = [&](int32_t at) { return TokenText(parse.Word(at).WordId) == u"\""; };
    for (int32_t i = sentence.WordCount - 3; i >= 0; --i) {
      const int32_t at = sentence.FirstWord + i;
      if (!isQuote(at) || !isQuote(at + 2)) continue;
      int32_t quotesBefore = 0;
      for (int32_t k = sentence.FirstWord; k < at; ++k) quotesBefore += isQuote(k) ? 1 : 0;
      if (quotesBefore % 2 != 0) continue;
      const int32_t removed = parse.Word(at).Length;
      for (int32_t k = at; k + 1 < sentence.FirstWord + sentence.WordCount; ++k) {
        parse.Word(k) = parse.Word(k + 1);
        parse.Word(k).Start -= removed;
      }
      --sentence.WordCount;
    }
  });

  // 4. Hyphenated compounds: words joined by "-" without blanks.
  ForEachSentence(parse, [&](TParsingSentence& sentence) {
    auto isWord = [&](int32_t k) {
      const int32_t id = parse.Word(sentence.FirstWord + k).WordId;
      if (id < 0 || id >= kPhraseBase) return false;
      const std::u16string text = TokenText(id);
      return !text.empty() && !IsQueryPunctuation(text[0]);
    };
    auto isDash = [&](int32_t k) { return TokenText(parse.Word(sentence.FirstWord + k).WordId) == u"-"; };
    auto joined = [&](int32_t k) {
      return Adjacent(parse.Word(sentence.FirstWord + k), parse.Word(sentence.FirstWord + k + 1));
    };
    int32_t k = 0;
    while (k < sentence.WordCount) {
      if (!isWord(k)) {
        ++k;
        continue;
      }
      int32_t last = k;
      while (last + 2 < sentence.WordCount && isDash(last + 1) && isWord(last + 2) && joined(last) &&
             joined(last + 1)) {
        last += 2;
      }
      if (last > k) AddPhrase(parse, sentence.FirstWord + k, sentence.FirstWord + last);
      k = last + 1;
    }
  });

  // 5. The compounds marked.
  WordDictionary.FindPhrases(parse);
}

bool TKestruneSession::wordsToIndex(TParsingText& parse, bool silent, std::u16string& errorText) {
  wordsToIndex2(parse);
  ContentMap.TypedWords.clear();
  ContentMap.TypedWordCount = 0;
  // The search button and Enter put typed words into the query words also
  // while the map shows the excluded-words view.
  int32_t included = kKindQuery;
  int32_t excluded = kKindExcluded;
  if (ContentMap.ExcludedMode() && !QueryPhraseMode) std::swap(included, excluded);
  const TViewRect box = View ? View->Bounds(TMainControl::IComboBox1) : TViewRect();
  IControlKeys& steps = ContentMap.Steps();
  bool found = false;
  ForEachSentence(parse, [&](TParsingSentence& sentence) {
    for (int32_t k = 0; k < sentence.WordCount; ++k) {
      const TParsingWord& token = parse.Word(sentence.FirstWord + k);
      const int32_t id = token.WordId;
      if (id < 0) continue;
      const std::u16string text = TokenText(id);
      if (id < kPhraseBase && !text.empty() && IsQueryPunctuation(text[0])) continue;
      if (text.find_first_not_of(u'_') == std::u16string::npos) continue;
      found = true;
      ContentMap.TypedWords.push_back(id);
      ++ContentMap.TypedWordCount;
      ContentMap.NewKeysLeft = box.Left;
      ContentMap.NewKeysTop = box.Top;
      bool afterMinus = false;
      if (k > 0) {
        const TParsingWord& before = parse.Word(sentence.FirstWord + k - 1);
        afterMinus = Adjacent(before, token) && TokenText(before.WordId) == u"-";
      }
      if (!afterMinus) {
        steps.Remove(excluded, id, silent);
        steps.SetValue(included, id, 1.0f, silent);
        steps.SetValue(kKindSettings, kSettingNoQuery, 0.0f, silent);
        ContentMap.SetNoQueryMode(false);
      } else {
        steps.Remove(included, id, silent);
        steps.SetValue(excluded, id, kExcludedWeight, silent);
        if (Config.Settings.ExcludeWithContext) AddContextWordsOfKey(id);
      }
    }
  });
  IContextMS1.AddWordsSearch(parse);
  if (!found) {
    ShowMessage(MessageStrings.smIncorrect, MessageStrings.smError, platform::kMbOk);
    errorText = MessageStrings.smIncorrect;
    return false;
  }
  return true;
}

}  // namespace kestrune
