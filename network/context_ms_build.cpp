// Building the context model from parsed results: word elements for the words
// of the titles, annotations and addresses, word-word relations within a
// window of two words, and word-page relations to each document's page.
// Every weight is a single; a relation's growth is computed in extended
// precision and rounded once, the rest in single precision, in the order
// written here.
#include <algorithm>

#include "language/parsing_text.h"
#include "network/context_ms.h"
#include "network/context_ms_internal.h"

namespace kestrune {

using namespace context_ms_detail;

namespace {

// The sentences of a paragraph that the parse result really holds.
struct SentenceRange {
  int32_t First = 0;
  int32_t End = 0;
};

SentenceRange SentencesOf(const TParsingText& text, int32_t paragraph) {
  if (paragraph < 0 || paragraph >= text.ParagraphCount || !text.Paragraphs || !text.Sentences) return {};
  if (static_cast<size_t>(paragraph) >= text.Paragraphs->size()) return {};
  const TParsingParagraph& record = text.Paragraph(paragraph);
  const int64_t first = std::max<int64_t>(0, record.FirstSentence);
  const int64_t end = std::min<int64_t>(int64_t{record.FirstSentence} + record.SentenceCount, text.SentenceCount);
  if (end <= first) return {};
  return SentenceRange{static_cast<int32_t>(first), static_cast<int32_t>(end)};
}

// The words of a sentence that the parse result really holds; empty for a
// sentence marked empty.
SentenceRange WordsOf(const TParsingText& text, int32_t sentence) {
  const TParsingSentence& record = text.Sentence(sentence);
  if ((record.Empty & 1) != 0 || !text.Words) return {};
  const int64_t first = std::max<int64_t>(0, record.FirstWord);
  const int64_t end = std::min<int64_t>(int64_t{record.FirstWord} + record.WordCount, text.WordCount);
  if (end <= first) return {};
  return SentenceRange{static_cast<int32_t>(first), static_cast<int32_t>(end)};
}

float AnchorOfFlags(int16_t flags) { return (flags & TParsingWord::kLeftOut) != 0 ? 0.0f : 1.0f; }

}  // namespace

int32_t TIContextMS::WordElementOf(int32_t wordId, int16_t flags) {
  const int32_t element = wordIds_.Find(wordId);
  return element >= 0 ? element : NewWordElement(wordId, AnchorOfFlags(flags));
}

int32_t TIContextMS::BuildingPage(int32_t indexFile) {
  const int32_t record = files_.Find(indexFile);
  if (record < 0) return -1;
  const TFileRange& range = files_.Record(record);
  if (range.Count < 1) return -1;
  const int32_t page = ValidatePageElement(range.First);
  if (page < 0 || Anchor(kPageLayer, page) == -1.0f) return -1;  // a deleted page takes no relations
  return page;
}

void TIContextMS::AddWordsSearch(const TParsingText& parsingText) {
  Trace("TIContextMS.AddWordsSearch (TParsingText)");
  for (int32_t paragraph = 0; paragraph < parsingText.ParagraphCount; ++paragraph) {
    const SentenceRange sentences = SentencesOf(parsingText, paragraph);
    for (int32_t s = sentences.First; s < sentences.End; ++s) {
      const SentenceRange words = WordsOf(parsingText, s);
      for (int32_t w = words.First; w < words.End; ++w) {
        const TParsingWord& word = parsingText.Word(w);
        WordElementOf(word.WordId, word.Flags);
      }
    }
  }
  Trace("TIContextMS.AddWordsSearch end");
}

void TIContextMS::AddParagraphRelations(const TParsingText& parsingText, int32_t paragraph, int32_t indexFile,
                                        float pageWeight) {
  const int32_t page = BuildingPage(indexFile);
  if (page < 0) return;
  const TASNAddress pageAddress{kPageLayer, page};
  TASNElement* pageElement = network_->GetElement(pageAddress);
  const SentenceRange sentences = SentencesOf(parsingText, paragraph);
  TRelationPosition position;
  TRelationPosition reverse;
  for (int32_t s = sentences.First; s < sentences.End; ++s) {
    const SentenceRange words = WordsOf(parsingText, s);
    sentence_.clear();
    for (int32_t w = words.First; w < words.End; ++w) {
      const TParsingWord& word = parsingText.Word(w);
      sentence_.push_back(WordElementOf(word.WordId, word.Flags));
    }
    const auto n = static_cast<int32_t>(sentence_.size());
    for (int32_t p = 0; p < n; ++p) {
      const int32_t from = sentence_[p];
      if (from < 0) continue;
      const TASNAddress fromAddress{kWordLayer, from};
      TASNElement* fromElement = network_->GetElement(fromAddress);
      const float fromAnchor = fromElement->GetAnchor();
      if (fromAnchor == -1.0f) continue;

      // Word-word relations with the words before it in the window.
      for (int32_t q = p - 1; q >= 0; --q) {
        const int32_t d = p - q;
        if (d > coWindow_) break;
        const float ratio = coBase_ / static_cast<float>(d);
        const float weight = ratio * ratio;
        const int32_t to = sentence_[q];
        if (to < 0) continue;
        const float toAnchor = Anchor(kWordLayer, to);
        if (toAnchor == -1.0f || toAnchor == 0.0f || fromAnchor == 0.0f) continue;
        const TASNAddress toAddress{kWordLayer, to};
        if (!network_->FindOrSetRelation(fromAddress, toAddress, position, weight)) {
          network_->SetRelation(toAddress, fromAddress, reverse, weight);
        } else {
          // old + (1 - old) x w in extended precision, rounded to single once.
          const long double old = fromElement->GetRelationWeight(position);
          const auto grown = static_cast<float>(old + (1.0L - old) * static_cast<long double>(weight));
          fromElement->SetRelationWeight(position, grown);
          network_->FindRelation(toAddress, fromAddress, reverse);
          network_->GetElement(toAddress)->SetRelationWeight(reverse, grown);
        }
      }

      // The word-page relation.
      if (!network_->FindOrSetRelation(fromAddress, pageAddress, position, pageWeight)) {
        network_->SetRelation(pageAddress, fromAddress, reverse, pageWeight);
      } else {
        const float sum = fromElement->GetRelationWeight(position) + pageWeight;
        const float grown = SaturatingWeight(kPageLimit, sum);
        fromElement->SetRelationWeight(position, grown);
        network_->FindRelation(pageAddress, fromAddress, reverse);
        pageElement->SetRelationWeight(reverse, grown);
      }
    }
  }
}

void TIContextMS::AddTitleMSPage(const TParsingText& parsingText, int32_t paragraph, int32_t indexFile) {
  Trace("TIContextMS.AddTitleMSPage (TParsingText, IndexFile: " + IntText(indexFile) + ")");
  AddParagraphRelations(parsingText, paragraph, indexFile, kTitleWeight);
  Trace("TIContextMS.AddTitleMSPage end");
}

void TIContextMS::AddAnnotateMSPage(const TParsingText& parsingText, int32_t paragraph, int32_t indexFile) {
  Trace("TIContextMS.AddAnnotateMSPage (TParsingText, IndexFile: " + IntText(indexFile) + ")");
  AddParagraphRelations(parsingText, paragraph, indexFile, kAnnotationWeight);
  Trace("TIContextMS.AddAnnotateMSPage end");
}

void TIContextMS::AddUrlMSPage(const TParsingText& parsingText, int32_t paragraph, int32_t indexFile,
                               const TNNKeys& words, float weight) {
  Trace("TIContextMS.AddUrlMSPage (TParsingText, IndexFile: " + IntText(indexFile) + ")");
  const int32_t page = BuildingPage(indexFile);
  const SentenceRange sentences = SentencesOf(parsingText, paragraph);
  const bool walk = page >= 0 && paragraph >= 0 && paragraph < parsingText.ParagraphCount;
  if (walk) {
    // The address words that the document's word list holds.
    for (int32_t s = sentences.First; s < sentences.End; ++s) {
      const SentenceRange range = WordsOf(parsingText, s);
      for (int32_t w = range.First; w < range.End; ++w) {
        const TParsingWord& word = parsingText.Word(w);
        const bool listed =
            std::any_of(words.begin(), words.end(), [&](const TNNKey& key) { return key.Id == word.WordId; });
        if (listed) WordElementOf(word.WordId, word.Flags);
      }
    }
  }
  // The rest of the word list gets elements (after the address words, in
  // list order), and every listed word's page relations become the document
  // weight. One walk does both: an entry's relations touch no element that a
  // later entry adds.
  if (page >= 0) {
    const TASNAddress pageAddress{kPageLayer, page};
    TRelationPosition position;
    TRelationPosition reverse;
    for (const TNNKey& key : words) {
      int32_t element = wordIds_.Find(key.Id);
      if (element < 0 && walk) element = NewWordElement(key.Id, 1.0f);
      if (element < 0 || Anchor(kWordLayer, element) == -1.0f) continue;
      const TASNAddress wordAddress{kWordLayer, element};
      if (!network_->FindOrSetRelation(wordAddress, pageAddress, position, weight)) {
        network_->SetRelation(pageAddress, wordAddress, reverse, weight);
      } else {
        network_->GetElement(wordAddress)->SetRelationWeight(position, weight);
        network_->FindRelation(pageAddress, wordAddress, reverse);
        network_->GetElement(pageAddress)->SetRelationWeight(reverse, weight);
      }
    }
  }
  Trace("TIContextMS.AddUrlMSPage end");
}

}  // namespace kestrune
