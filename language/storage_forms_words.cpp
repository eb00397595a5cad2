#include "language/storage_forms_words.h"

#include <exception>
#include <memory>
#include <stdexcept>

#include "core/tag_stream.h"

namespace kestrune {

namespace {

void Check(bool ok, const char* what) {
  if (!ok) throw std::out_of_range(what);
}

template <typename T>
void OwnTable(std::shared_ptr<T>& table) {
  if (!table || table.use_count() > 1) table = std::make_shared<T>();
}

}  // namespace

TStorageFormsWords::TStorageFormsWords() { ids_.SetItemType(TItemType::cLongInt); }

void TStorageFormsWords::Clear() {
  ids_.Clear();
  forms_.Clear();
  nodes_.clear();
  count_ = 0;
}

int32_t TStorageFormsWords::SetForm(int32_t wordId, int32_t form, bool overwrite) {
  if (wordId < 0 || form == -1) return -1;
  const auto known = nodes_.find(wordId);
  int32_t node = known != nodes_.end() ? known->second : -1;
  if (node < 0) {
    const int32_t before = ids_.Count();
    node = ids_.Add(wordId);
    Check(node >= 0, "word-form store: node");
    nodes_.emplace(wordId, node);
    if (ids_.Count() > before) {
      forms_.Reserve(int64_t{node} + 1);
      forms_[node] = form;
      count_ = ids_.Count();
      return -1;
    }
  }
  int32_t& stored = forms_[node];
  if (overwrite) {
    stored = form;
    return form;
  }
  if (stored == form) return -1;
  stored = 0;
  return 0;
}

int32_t TStorageFormsWords::GetForm(int32_t wordId) const {
  if (wordId < 0) return -1;
  const int32_t node = ids_.Find(wordId);
  if (node < 0) return 0;
  return forms_[node];
}

void TStorageFormsWords::CollectForms(const TParsingText& text, bool overwrite) {
  if (text.ParagraphCount <= 0) return;
  Check(text.Paragraphs && text.Sentences && text.Words, "word-form store: tables");
  Check(static_cast<size_t>(text.ParagraphCount) <= text.Paragraphs->size(), "word-form store: paragraphs");
  for (int32_t p = 0; p < text.ParagraphCount; ++p) {
    const TParsingParagraph& paragraph = text.Paragraph(p);
    Check(paragraph.SentenceCount >= 0 && paragraph.FirstSentence >= 0 &&
              int64_t{paragraph.FirstSentence} + paragraph.SentenceCount <= text.Sentences->Capacity(),
          "word-form store: sentences");
    for (int32_t s = 0; s < paragraph.SentenceCount; ++s) {
      const TParsingSentence& sentence = text.Sentence(paragraph.FirstSentence + s);
      Check(sentence.WordCount >= 0 && sentence.FirstWord >= 0 &&
                int64_t{sentence.FirstWord} + sentence.WordCount <= text.Words->Capacity(),
            "word-form store: words");
      for (int32_t w = 0; w < sentence.WordCount; ++w) {
        const TParsingWord& word = text.Word(sentence.FirstWord + w);
        SetForm(word.WordId, word.Form, overwrite);
      }
    }
  }
}

int32_t TStorageFormsWords::LoadFromStream(TStream& stream) {
  try {
    TTagStream in(&stream);
    int32_t count = 0;
    if (in.ReadTag() > 0) {
      in.ReadInteger(count);
      in.LeaveTag();
    }
    if (count < 0) return -1;
    if (in.ReadTag() <= 0) return count == 0 ? 0 : -1;
    // The pairs must be in their tag.
    if (int64_t{count} * 8 > in.TagRemaining()) return -1;
    for (int32_t i = 0; i < count; ++i) {
      int32_t wordId = 0;
      int32_t form = 0;
      in.ReadInteger(wordId);
      in.ReadInteger(form);
      SetForm(wordId, form, true);
    }
    in.LeaveTag();
    return 0;
  } catch (const std::exception&) {
    return -1;
  }
}

int32_t TStorageFormsWords::SaveToStream(TStream& stream) const {
  try {
    TTagStream out(&stream);
    const int32_t count = count_;
    out.WriteTag(kCountTag, &count, 4);
    out.BeginTag(kPairsTag);
    for (int32_t i = 0; i < count; ++i) {
      out.WriteInteger(static_cast<int32_t>(ids_.GetItem(i)));
      out.WriteInteger(forms_[i]);
    }
    out.EndTag();
    return out.WriteError() ? -1 : 0;
  } catch (const std::exception&) {
    return -1;
  }
}

void CopyParsingParagraphs(TParsingText source, int32_t first, int32_t count, TParsingText& target) {
  Check(first >= 0 && count >= 0 && int64_t{first} + count <= source.ParagraphCount, "copy: paragraph range");
  OwnTable(target.Paragraphs);
  target.Paragraphs->resize(static_cast<size_t>(count));
  target.ParagraphCount = count;
  if (count == 0) return;
  Check(source.Paragraphs && source.Sentences && source.Words &&
            static_cast<size_t>(int64_t{first} + count) <= source.Paragraphs->size(),
        "copy: source tables");
  OwnTable(target.Sentences);
  OwnTable(target.Words);
  int64_t nextSentence = 0;
  int64_t nextWord = 0;
  bool haveBase = false;
  int32_t base = 0;
  for (int32_t i = 0; i < count; ++i) {
    const TParsingParagraph& from = source.Paragraph(first + i);
    TParsingParagraph& to = target.Paragraph(i);
    Check(from.SentenceCount >= 0 && from.FirstSentence >= 0 &&
              int64_t{from.FirstSentence} + from.SentenceCount <= source.SentenceCount,
          "copy: source sentences");
    to.SentenceCount = from.SentenceCount;
    to.Reserved1 = from.Reserved1;
    Check(nextSentence + from.SentenceCount <= INT32_MAX, "copy: sentence count");
    to.FirstSentence = static_cast<int32_t>(nextSentence);
    nextSentence += from.SentenceCount;
    target.Sentences->Reserve(nextSentence);
    for (int32_t j = 0; j < from.SentenceCount; ++j) {
      const TParsingSentence& sentence = source.Sentence(from.FirstSentence + j);
      if (!haveBase) {
        base = sentence.Start;
        haveBase = true;
      }
      Check(sentence.WordCount >= 0 && sentence.FirstWord >= 0 &&
                int64_t{sentence.FirstWord} + sentence.WordCount <= source.WordCount,
            "copy: source words");
      TParsingSentence& copy = target.Sentence(to.FirstSentence + j);
      copy.Start = sentence.Start - base;
      copy.Length = sentence.Length;
      copy.Empty = sentence.Empty;
      copy.WordCount = sentence.WordCount;
      Check(nextWord + sentence.WordCount <= INT32_MAX, "copy: word count");
      copy.FirstWord = static_cast<int32_t>(nextWord);
      nextWord += sentence.WordCount;
      target.Words->Reserve(nextWord);
      for (int32_t k = 0; k < sentence.WordCount; ++k) {
        TParsingWord& word = target.Word(copy.FirstWord + k);
        word = source.Word(sentence.FirstWord + k);
        word.Start -= base;
      }
    }
  }
}

}  // namespace kestrune
