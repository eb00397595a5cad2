#include "language/phrase_word_dictionary.h"

#include <algorithm>
#include <exception>

#include "core/tag_stream.h"

namespace kestrune {

namespace {

constexpr int32_t kEntryBytes = 12;
// The smallest phrase tag: a header of two bytes and an empty body.
constexpr int64_t kSmallestPhrase = 2;

}  // namespace

// ---------------------------------------------------------------------------
// TWDPhraseWord

TWDPhraseWord::TWDPhraseWord(TPhraseWordDictionary* dictionary) { Dictionary = dictionary; }

std::u16string TWDPhraseWord::GetText() const {
  std::u16string text;
  for (const TPhraseEntry& entry : phrase_.Entries) {
    // The words of a phrase are dictionary words, never phrases.
    TWDWord* word = Dictionary != nullptr ? Dictionary->TIWordDictionary::GetWord(entry.WordIndex) : nullptr;
    if (word == nullptr) continue;
    const std::u16string form = word->GetForm(entry.Form);
    if (form.empty()) continue;
    text += u' ';
    text += form;
  }
  const size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string::npos) return {};
  const size_t last = text.find_last_not_of(u' ');
  return text.substr(first, last - first + 1);
}

std::u16string TWDPhraseWord::GetStoredText() const { return GetText(); }

std::u16string TWDPhraseWord::GetForm(int32_t /*form*/) const { return GetText(); }

// ---------------------------------------------------------------------------
// TPhraseWordDictionary

TPhraseWordDictionary::TPhraseWordDictionary() : phraseWord_(std::make_unique<TWDPhraseWord>(this)) {}

TPhraseWordDictionary::~TPhraseWordDictionary() {
  FreePhraseIndex();
  phrases_.clear();
}

TWDWord* TPhraseWordDictionary::GetWord(int32_t index) {
  if (index < kPhraseBase) return TIWordDictionary::GetWord(index);
  const int64_t phrase = int64_t{index} - kPhraseBase;
  if (phrase >= PhraseCount()) return nullptr;
  phraseWord_->phrase_ = phrases_[static_cast<size_t>(phrase)];
  return phraseWord_.get();
}

int32_t TPhraseWordDictionary::AddPhrase(TPhrase phrase) {
  phrases_.push_back(std::move(phrase));
  return PhraseCount() - 1;
}

bool TPhraseWordDictionary::ClearPhrase() {
  TPhrases().swap(phrases_);
  return false;
}

// ---------------------------------------------------------------------------
// The phrase index and marking

void TPhraseWordDictionary::FreePhraseIndex() {
  trees_.clear();
  lists_.clear();
}

void TPhraseWordDictionary::BuildPhraseIndex(int32_t minimumLength, int32_t positions) {
  FreePhraseIndex();
  minimumLength_ = minimumLength;
  if (positions <= 0) return;
  trees_.reserve(static_cast<size_t>(positions));
  for (int32_t k = 0; k < positions; ++k) trees_.push_back(std::make_unique<TIAVLTree>());
  lists_.assign(static_cast<size_t>(positions), TListWithPhrases());
  for (int32_t j = 0; j < PhraseCount(); ++j) {
    const TPhrase& phrase = phrases_[static_cast<size_t>(j)];
    // A phrase longer than the index has positions is indexed by its first
    // words; marking reads only position 0.
    const int32_t n = std::min(phrase.EntryCount(), positions);
    for (int32_t k = 0; k < n; ++k) {
      TIAVLTree& tree = *trees_[static_cast<size_t>(k)];
      TListWithPhrases& list = lists_[static_cast<size_t>(k)];
      const int32_t item = list.ItemCount++;
      list.Items.push_back({j, -1});
      const int32_t before = tree.Count();
      const int32_t node = tree.Add(phrase.Entries[static_cast<size_t>(k)].WordIndex);
      if (static_cast<size_t>(node) >= list.Heads.size()) list.Heads.resize(static_cast<size_t>(node) + 1, -1);
      if (tree.Count() > before) {
        list.Heads[static_cast<size_t>(node)] = item;
      } else {
        int32_t last = list.Heads[static_cast<size_t>(node)];
        while (list.Items[static_cast<size_t>(last)].Next != -1) last = list.Items[static_cast<size_t>(last)].Next;
        list.Items[static_cast<size_t>(last)].Next = item;
      }
    }
  }
}

void TPhraseWordDictionary::FindPhrases(TParsingText& text) {
  if (phrases_.empty() || trees_.empty() || !text.Words || !text.Sentences || !text.Paragraphs) return;
  TIAVLTree& firstWords = *trees_[0];
  const TListWithPhrases& chains = lists_[0];
  // A hashed word holds a text hash, not a word: it is never part of a
  // phrase.
  auto wordId = [&](int32_t w, int32_t& id) {
    const TParsingWord& word = text.Word(w);
    if (word.Flags & TParsingWord::kHashed) return false;
    id = word.WordId;
    return true;
  };
  const int32_t paragraphs = std::min<int32_t>(text.ParagraphCount, static_cast<int32_t>(text.Paragraphs->size()));
  for (int32_t p = 0; p < paragraphs; ++p) {
    const TParsingParagraph& paragraph = text.Paragraph(p);
    for (int32_t s = 0; s < paragraph.SentenceCount; ++s) {
      TParsingSentence& sentence = text.Sentence(paragraph.FirstSentence + s);
      const int32_t first = sentence.FirstWord;
      const int32_t n = sentence.WordCount;
      bool absorbed = false;
      int32_t pos = 0;
      while (pos <= n - minimumLength_ && pos < n) {
        int32_t head = 0;
        const int32_t node = wordId(first + pos, head) ? firstWords.Find(head) : -1;
        if (node < 0 || static_cast<size_t>(node) >= chains.Heads.size()) {
          ++pos;
          continue;
        }
        int32_t taken = -1;
        for (int32_t item = chains.Heads[static_cast<size_t>(node)]; item != -1 && taken < 0;
             item = chains.Items[static_cast<size_t>(item)].Next) {
          const int32_t j = chains.Items[static_cast<size_t>(item)].Phrase;
          const TPhrase& phrase = phrases_[static_cast<size_t>(j)];
          const int32_t m = phrase.EntryCount();
          if (m < 2 || pos + m > n) continue;
          bool match = true;
          for (int32_t k = 1; k < m && match; ++k) {
            int32_t id = 0;
            const int32_t expected = phrase.Entries[static_cast<size_t>(k)].WordIndex;
            match = expected >= 0 && wordId(first + pos + k, id) && id == expected;
          }
          if (match) taken = j;
        }
        if (taken < 0) {
          ++pos;
          continue;
        }
        const int32_t m = phrases_[static_cast<size_t>(taken)].EntryCount();
        TParsingWord& word = text.Word(first + pos);
        const TParsingWord& last = text.Word(first + pos + m - 1);
        word.WordId = kPhraseBase + taken;
        word.Flags = 0;
        word.Length = static_cast<uint16_t>(std::clamp<int64_t>(int64_t{last.Start} + last.Length - word.Start, 0, 65535));
        for (int32_t k = 1; k < m; ++k) text.Word(first + pos + k).WordId = -1;
        absorbed = true;
        pos += m;
      }
      if (!absorbed) continue;
      // Compaction: the absorbed words leave the sentence.
      int32_t kept = 0;
      for (int32_t k = 0; k < n; ++k) {
        const TParsingWord& word = text.Word(first + k);
        if (word.WordId == -1 && !(word.Flags & TParsingWord::kHashed)) continue;
        if (kept != k) text.Word(first + kept) = word;
        ++kept;
      }
      sentence.WordCount = kept;
    }
  }
}

// ---------------------------------------------------------------------------
// Word identifiers

int32_t TPhraseWordDictionary::GlobalWordIndex(int32_t dictionaryId, int32_t localIndex, bool allowNew) const {
  if (localIndex < 0) return -1;
  const int32_t files = FileCount();
  bool known = false;
  int64_t remaining = localIndex;
  for (int32_t i = 0; i < files; ++i) {
    const TWDFileRange& file = FileRange(i);
    if (file.ID != dictionaryId) continue;
    known = true;
    const int64_t size = std::max<int64_t>(0, int64_t{file.Last} - file.First + 1);
    if (remaining < size) return static_cast<int32_t>(file.First + remaining);
    remaining -= size;
  }
  // Beyond the words of that language's files: a word they no longer hold.
  if (known) return -1;
  const int64_t global = files > 0 ? int64_t{FileRange(files - 1).Last} + 1 + localIndex : localIndex;
  if (global >= Count() && !allowNew) return -1;
  // Identifiers from kPhraseBase on are phrases, not words.
  if (global >= kMaxWords) return -1;
  return static_cast<int32_t>(global);
}

int32_t TPhraseWordDictionary::LocalWordIndex(int32_t globalIndex) const {
  if (globalIndex < 0 || globalIndex >= Count()) return -1;
  const int32_t files = FileCount();
  if (files == 0) return globalIndex;
  const int32_t last = FileRange(files - 1).Last;
  if (globalIndex > last) return globalIndex - last - 1;
  // The last file whose first word is not after the index.
  int32_t low = 0;
  int32_t high = files - 1;
  int32_t found = -1;
  while (low <= high) {
    const int32_t middle = low + (high - low) / 2;
    if (FileRange(middle).First <= globalIndex) {
      found = middle;
      low = middle + 1;
    } else {
      high = middle - 1;
    }
  }
  // A word added before the first file or between two files belongs to no
  // file.
  if (found < 0 || globalIndex > FileRange(found).Last) return -1;
  // Counted over every file of the language, in load order.
  const TWDFileRange& holder = FileRange(found);
  int64_t local = int64_t{globalIndex} - holder.First;
  for (int32_t i = 0; i < found; ++i) {
    const TWDFileRange& file = FileRange(i);
    if (file.ID == holder.ID) local += std::max<int64_t>(0, int64_t{file.Last} - file.First + 1);
  }
  return static_cast<int32_t>(local);
}

// ---------------------------------------------------------------------------
// The phrase stream

int32_t TPhraseWordDictionary::SavePhrases(TStream& stream) {
  if (phrases_.empty()) return kNoPhrases;
  try {
    TTagStream out(&stream);
    const int32_t count = PhraseCount();
    out.WriteTag(kCountTag, &count, 4);
    const int32_t lastFileWord = FileCount() > 0 ? FileRange(FileCount() - 1).Last : -1;
    for (const TPhrase& phrase : phrases_) {
      out.BeginTag(kPhraseTag);
      out.WriteInteger(phrase.EntryCount());
      out.WriteInteger(phrase.Value);
      for (const TPhraseEntry& entry : phrase.Entries) {
        out.WriteInteger(LocalWordIndex(entry.WordIndex));
        out.WriteInteger(entry.Form);
        // A word from no loaded file (a stop word of an unloaded language
        // carries that language's id) is stored with id 0: its local index
        // counts from the end of the files, whatever files load next time.
        out.WriteInteger(lastFileWord < entry.WordIndex ? 0 : entry.SourceDictionaryID);
      }
      out.EndTag();
    }
    return out.WriteError() ? kPhrasesError : kPhrasesDone;
  } catch (const std::exception&) {
    return kPhrasesError;
  }
}

int32_t TPhraseWordDictionary::LoadPhrases(TStream& stream) {
  return LoadPhrases(stream, [this](int32_t id, int32_t local) { return GlobalWordIndex(id, local, true); });
}

int32_t TPhraseWordDictionary::LoadPhrases(TStream& stream, const TEntryWord& entryWord) {
  try {
    TTagStream in(&stream);
    int32_t count = 0;
    if (in.ReadTag() > 0) {
      in.ReadInteger(count);
      in.LeaveTag();
    }
    // Every phrase takes at least a tag header of two bytes.
    if (count < 0 || count > (in.StreamSize() - in.Position()) / kSmallestPhrase) return kPhrasesError;
    TPhrases loaded;
    loaded.reserve(static_cast<size_t>(count));
    for (int32_t j = 0; j < count; ++j) {
      // No tag where a phrase should be (a stray byte, a corrupt header):
      // the stream is broken.
      if (in.ReadTag() <= 0) return kPhrasesError;
      int32_t n = 0;
      TPhrase phrase;
      in.ReadInteger(n);
      if (n < 0 || int64_t{n} * kEntryBytes > in.TagRemaining() - 4) return kPhrasesError;
      in.ReadInteger(phrase.Value);
      phrase.Entries.resize(static_cast<size_t>(n));
      for (TPhraseEntry& entry : phrase.Entries) {
        int32_t local = 0;
        in.ReadInteger(local);
        in.ReadInteger(entry.Form);
        in.ReadInteger(entry.SourceDictionaryID);
        entry.WordIndex = entryWord(entry.SourceDictionaryID, local);
      }
      in.LeaveTag();
      loaded.push_back(std::move(phrase));
    }
    phrases_.insert(phrases_.end(), std::make_move_iterator(loaded.begin()), std::make_move_iterator(loaded.end()));
    return kPhrasesDone;
  } catch (const std::exception&) {
    return kPhrasesError;
  }
}

}  // namespace kestrune
