// The word table, its index by text and the operations that add and copy
// words. The look-ups are in word_dictionary_search.cpp.
#include "language/word_dictionary.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include "core/base.h"
#include "core/log_file.h"
#include "platform/text.h"

namespace kestrune {

namespace {

// The first UTF-16 unit of the case-folded text: texts that compare equal
// without regard to case have the same one, so they meet in one index tree.
char16_t FoldedFirstUnit(std::u16string_view text) {
  const char16_t first = text[0];
  if (first < 0x80) return (first >= 'A' && first <= 'Z') ? static_cast<char16_t>(first + 32) : first;
  UChar32 c = 0;
  int32_t i = 0;
  U16_NEXT(text.data(), i, static_cast<int32_t>(text.size()), c);
  UChar source[2];
  int32_t sourceLength = 0;
  U16_APPEND_UNSAFE(source, sourceLength, c);
  UChar folded[8];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = u_strFoldCase(folded, 8, source, sourceLength, U_FOLD_CASE_DEFAULT, &status);
  return U_SUCCESS(status) && n > 0 ? static_cast<char16_t>(folded[0]) : first;
}

}  // namespace

// ---------------------------------------------------------------------------
// TWDWord

static_assert(sizeof(TWDWord) == 64, "a word record fills one cache line");

std::u16string_view TWDWord::StoredView() const { return Text ? std::u16string_view(Text) : std::u16string_view(); }

std::u16string TWDWord::GetStoredText() const { return std::u16string(StoredView()); }

std::u16string TWDWord::GetText() const {
  TIMorphologyEngine* engine = Dictionary ? Dictionary->MorphologyEngine() : nullptr;
  if (engine && Group >= 0 && Group < engine->LexemeCount()) {
    // A lexeme without forms has no form 0 to make.
    const TMEGroup* lexeme = engine->GetLexeme(Group);
    if (lexeme && lexeme->FormCount() > 0) return engine->MakeForm(StoredView(), Group, 0);
  }
  return GetStoredText();
}

std::u16string TWDWord::GetForm(int32_t form) const {
  if (!Dictionary) return GetStoredText();
  TIMorphologyEngine* engine = Dictionary->MorphologyEngine();
  if (!engine || Group < 0) return form == 0 ? GetStoredText() : std::u16string();
  if (Group >= engine->LexemeCount()) return std::u16string();
  const TMEGroup* lexeme = engine->GetLexeme(Group);
  const int32_t n = lexeme ? lexeme->FormCount() : 0;
  if (form >= 0 && form < n) return engine->MakeForm(StoredView(), Group, form);
  return n > 0 ? std::u16string() : GetStoredText();
}

int32_t TWDWord::FormCount() const {
  TIMorphologyEngine* engine = Dictionary ? Dictionary->MorphologyEngine() : nullptr;
  if (!engine || Group < 0 || Group >= engine->LexemeCount()) return 1;
  const TMEGroup* lexeme = engine->GetLexeme(Group);
  return lexeme ? lexeme->FormCount() : 1;
}

void TWDWord::SetText(std::u16string_view text) {
  if (!Dictionary) return;
  std::lock_guard<std::mutex> guard(Dictionary->lock_);
  Dictionary->SetWordText(*this, text);
}

// ---------------------------------------------------------------------------
// Construction and settings

TIWordDictionary::TIWordDictionary() {
  ownScratch_.resize(32);
  for (TLavelAffixIndexes& level : ownScratch_) level.Rules.assign(32, -1);
}

TIWordDictionary::~TIWordDictionary() {
  std::lock_guard<std::mutex> guard(lock_);
  engine_ = nullptr;  // the engine is not cleared with the dictionary
  ClearUnlocked();
}

std::u16string_view TIWordDictionary::StorableText(std::u16string_view text) {
  const size_t nul = text.find(u'\0');
  if (nul != std::u16string_view::npos) text = text.substr(0, nul);
  return text.substr(0, kMaxTextLength);
}

void TIWordDictionary::SetMorphologyEngine(TIMorphologyEngine* engine) {
  std::lock_guard<std::mutex> guard(lock_);
  if (engine_ != engine) formsStale_ = true;
  engine_ = engine;
}

void TIWordDictionary::SetCaseSensitivity(bool value) {
  std::lock_guard<std::mutex> guard(lock_);
  if (Count() == 0) caseSensitivity_ = value;
}

void TIWordDictionary::SetFastSpeed(bool value) {
  std::lock_guard<std::mutex> guard(lock_);
  if (Count() != 0 || value == fastSpeed_) return;
  fastSpeed_ = value;
  // The rows of an empty dictionary hold only empty values of the old mode.
  for (auto& row : charIndex_) row.reset();
  nodes_.Clear();
  nodeCount_ = 1;
}

void TIWordDictionary::SetStrCache(bool value) {
  std::lock_guard<std::mutex> guard(lock_);
  if (Count() != 0) return;
  if (value && !arena_) arena_ = std::make_unique<TIBinaryData>();
  if (!value) arena_.reset();
}

// ---------------------------------------------------------------------------
// Words

TWDWord* TIWordDictionary::GetWord(int32_t index) {
  if (index < 0 || index >= Count()) return nullptr;
  return const_cast<TWDWord*>(&words_.At(index));
}

int32_t TIWordDictionary::AddWord(std::u16string_view text, uint8_t partOfSpeech, int32_t group) {
  std::lock_guard<std::mutex> guard(lock_);
  return AddWordUnlocked(text, partOfSpeech, group);
}

int32_t TIWordDictionary::AddWordUnlocked(std::u16string_view text, uint8_t partOfSpeech, int32_t group) {
  text = StorableText(text);
  TWDWord* word = PrepareSlot();
  if (!word) {
    const int32_t equal = FindEqualWord(text, partOfSpeech, group);
    if (equal < 0) ReportFull();
    return equal;
  }
  StoreText(*word, text);
  word->PartOfSpeech = partOfSpeech;
  word->DictionaryID = dictId_;
  word->Group = group;
  word->Attr2 = dictAttr_;
  return LinkNewWord(false);
}

TWDWord* TIWordDictionary::PrepareSlot() {
  const uint32_t index = count_.load(std::memory_order_relaxed);
  if (index >= static_cast<uint32_t>(kMaxWords) || !words_.Reserve(int64_t{index} + 1)) return nullptr;
  TWDWord& word = Slot(static_cast<int32_t>(index));
  DropText(word, false);
  word = TWDWord();
  word.Dictionary = this;
  return &word;
}

void TIWordDictionary::StoreText(TWDWord& word, std::u16string_view text) {
  word.Text = nullptr;
  word.TextOnHeap = false;
  word.TextKey = TextKeyOf(text);
  if (text.empty()) return;
  if (arena_) {
    arena_->Mark();
    if (char16_t* stored = arena_->AllocWideStr(text)) {
      word.Text = stored;
      return;
    }
  }
  // Without the string cache, or for a text longer than an arena page.
  word.Text = WideStrToBuffer(text);
  word.TextOnHeap = true;
}

void TIWordDictionary::DropText(TWDWord& word, bool releaseArena) {
  if (!word.Text) return;
  if (word.TextOnHeap) {
    FreeWideBuffer(word.Text);
  } else if (releaseArena && arena_) {
    arena_->Release();
  }
  word.Text = nullptr;
  word.TextOnHeap = false;
}

int32_t TIWordDictionary::LinkNewWord(bool compareDictionaryId) {
  const int32_t index = static_cast<int32_t>(count_.load(std::memory_order_relaxed));
  TWDWord& word = Slot(index);
  int32_t head;
  if (word.Text) {
    head = IndexInsert(index);
  } else {
    if (textlessHead_ == -1) textlessHead_ = index;
    head = textlessHead_;
  }
  if (head != index) {
    for (int32_t k = head; k != -1; k = Slot(k).NextSame) {
      const TWDWord& other = Slot(k);
      if (other.PartOfSpeech == word.PartOfSpeech && other.Group == word.Group &&
          (!compareDictionaryId || other.DictionaryID == word.DictionaryID)) {
        DropText(word, true);
        return k;
      }
    }
    TWDWord& first = Slot(head);
    word.NextSame = first.NextSame;
    first.NextSame = index;
  }
  if (!word.Text) formsStale_ = true;
  count_.store(static_cast<uint32_t>(index) + 1, std::memory_order_release);
  return index;
}

int32_t TIWordDictionary::FindEqualWord(std::u16string_view text, uint8_t partOfSpeech, int32_t group) {
  const int32_t head = text.empty() ? textlessHead_ : IndexFind(text);
  for (int32_t k = head; k != -1; k = Slot(k).NextSame) {
    const TWDWord& word = Slot(k);
    if (word.PartOfSpeech == partOfSpeech && word.Group == group) return k;
  }
  return -1;
}

void TIWordDictionary::ReportFull() {
  if (fullReported_) return;
  fullReported_ = true;
  LogFile.Log("Word dictionary is full: no word is added beyond 2000000 words", 2);
}

int32_t TIWordDictionary::AddWordsFrom(TIWordDictionary* source, int32_t first, int32_t last) {
  if (!source) return 0;
  std::lock_guard<std::mutex> guard(lock_);
  const int32_t sourceCount = source->Count();
  if (first >= sourceCount) return 0;
  if (first < 0) first = 0;
  if (last < 0 || last >= sourceCount) last = sourceCount - 1;
  const int32_t countBefore = Count();
  for (int32_t i = first; i <= last; ++i) {
    const TWDWord* from = source->GetWord(i);
    if (!from) continue;
    const int32_t index = AddWordUnlocked(from->GetStoredText(), from->PartOfSpeech, from->Group);
    if (index < 0) return -1;
    if (index >= countBefore) {
      TWDWord& to = Slot(index);
      to.Attr1 = from->Attr1;
      to.Attr2 = from->Attr2;
    }
  }
  return 0;
}

void TIWordDictionary::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  ClearUnlocked();
}

void TIWordDictionary::ClearUnlocked() {
  const int64_t slots = words_.Capacity();
  for (int64_t i = 0; i < slots; ++i) DropText(words_[i], false);
  if (arena_) arena_->Clear();
  words_.Clear();
  count_.store(0, std::memory_order_release);
  for (auto& row : charIndex_) row.reset();
  textlessHead_ = -1;
  nodes_.Clear();
  nodeCount_ = 1;
  formIndex_.clear();
  formIndex_.shrink_to_fit();
  formsStale_ = false;
  loadTable_.fill(TWDLoadDictionary());
  loadCount_ = 0;
  files_.clear();
  endingForms_.clear();
  endingForms_.shrink_to_fit();
  prefixForms_.clear();
  prefixForms_.shrink_to_fit();
  ownCount_ = 0;
  cursor_ = 0;
  fullReported_ = false;
  if (morphologyEnable_ && engine_) engine_->Clear();
}

void TIWordDictionary::ClearMarks() {
  std::lock_guard<std::mutex> guard(lock_);
  const int32_t n = Count();
  for (int32_t i = 0; i < n; ++i) Slot(i).Flags &= static_cast<uint16_t>(~TWDWord::kFlagMark);
}

void TIWordDictionary::MarkWord(std::u16string_view text, int16_t language) {
  std::lock_guard<std::mutex> guard(lock_);
  const int32_t before = Count();
  TWordVariant first;
  int32_t n = FindFirstUnlocked(text, first, language == 0 ? kSearchAdd : 0);
  if (n == 0 && language != 0) n = FindFirstUnlocked(text, first, kSearchAdd);
  for (int32_t k = 0; k < n; ++k) {
    const int32_t index = ownList_[k].WordIndex;
    if (index < 0 || index >= Count()) continue;
    TWDWord& word = Slot(index);
    // A word the list brought belongs to the list's language, not to the
    // file loaded last.
    if (index >= before) word.DictionaryID = language;
    if (language == 0 || word.DictionaryID == language || word.DictionaryID == 0) word.Flags |= TWDWord::kFlagMark;
  }
}

void TIWordDictionary::SetWordText(TWDWord& word, std::u16string_view text) {
  text = StorableText(text);
  if (word.StoredView() == text) return;
  DropText(word, false);
  StoreText(word, text);
  RebuildIndex();
}

void TIWordDictionary::RebuildIndex() {
  for (auto& row : charIndex_) row.reset();
  nodes_.Clear();
  nodeCount_ = 1;
  textlessHead_ = -1;
  const int32_t n = Count();
  for (int32_t i = 0; i < n; ++i) {
    TWDWord& word = Slot(i);
    word.Left = word.Right = word.NextSame = -1;
    word.Balance = 1;
  }
  for (int32_t i = 0; i < n; ++i) {
    TWDWord& word = Slot(i);
    int32_t head;
    if (word.Text) {
      head = IndexInsert(i);
    } else {
      if (textlessHead_ == -1) textlessHead_ = i;
      head = textlessHead_;
    }
    if (head == i) continue;
    bool duplicate = false;
    for (int32_t k = head; k != -1 && !duplicate; k = Slot(k).NextSame) {
      const TWDWord& other = Slot(k);
      duplicate = other.PartOfSpeech == word.PartOfSpeech && other.Group == word.Group;
    }
    if (duplicate) continue;  // the word stays out of the index
    TWDWord& first = Slot(head);
    word.NextSame = first.NextSame;
    first.NextSame = i;
  }
  formsStale_ = true;
}

// ---------------------------------------------------------------------------
// The index

int32_t* TIWordDictionary::CharEntry(std::u16string_view text, bool create) {
  const char16_t key = (caseSensitivity_ || fastSpeed_) ? text[0] : FoldedFirstUnit(text);
  std::unique_ptr<TCharRow>& row = charIndex_[key >> 8];
  if (!row) {
    if (!create) return nullptr;
    row = std::make_unique<TCharRow>();
    row->fill(EmptyValue());
  }
  return &(*row)[key & 0xFF];
}

int32_t TIWordDictionary::IndexInsert(int32_t index) { return fastSpeed_ ? TernaryInsert(index) : AvlInsert(index); }

int32_t TIWordDictionary::IndexFind(std::u16string_view text) { return fastSpeed_ ? TernaryFind(text) : AvlFind(text); }

uint64_t TIWordDictionary::TextKeyOf(std::u16string_view text) {
  uint64_t key = 0;
  for (size_t i = 1; i <= 4; ++i) key = (key << 16) | (i < text.size() ? text[i] : 0);
  return key;
}

int32_t TIWordDictionary::CompareWord(std::u16string_view text, uint64_t key, const TWDWord& word) const {
  const char16_t* stored = word.Text;
  if (!stored) return 1;
  if (caseSensitivity_) {
    // Within one tree the first units are equal; units 1 to 4 decide unless
    // they are equal too. Then CompareWideOrdinal, with the end of `text` as
    // its 0 unit.
    if (key != word.TextKey) return key < word.TextKey ? -1 : 1;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
      const char16_t s = stored[i];
      if (text[i] != s) return static_cast<int32_t>(text[i]) - static_cast<int32_t>(s);
    }
    return -static_cast<int32_t>(stored[n]);
  }
  return platform::CompareNoCase(text, std::u16string_view(stored));
}

int32_t TIWordDictionary::AvlFind(std::u16string_view text) {
  // A given empty text never equals a text-less word.
  if (text.empty()) return -1;
  const int32_t* entry = CharEntry(text, false);
  int32_t node = entry ? *entry : -1;
  const uint64_t key = TextKeyOf(text);
  while (node != -1) {
    const TWDWord& word = Slot(node);
    const int32_t c = CompareWord(text, key, word);
    if (c == 0) return node;
    node = c < 0 ? word.Left : word.Right;
  }
  return -1;
}

int32_t TIWordDictionary::AvlInsert(int32_t index) {
  const std::u16string_view text = Slot(index).StoredView();
  const uint64_t key = Slot(index).TextKey;
  int32_t* root = CharEntry(text, true);
  if (*root == -1) {
    *root = index;
    return index;
  }
  // The path from the root: nodes and the side taken (0 left, 2 right). An
  // AVL tree of 2,000,000 nodes is at most 30 levels high.
  int32_t path[64];
  uint8_t side[64];
  int32_t depth = 0;
  int32_t node = *root;
  for (;;) {
    TWDWord& word = Slot(node);
    const int32_t c = CompareWord(text, key, word);
    if (c == 0) return node;
    path[depth] = node;
    side[depth] = c < 0 ? 0 : 2;
    ++depth;
    const int32_t next = c < 0 ? word.Left : word.Right;
    if (next == -1) {
      (c < 0 ? word.Left : word.Right) = index;
      break;
    }
    node = next;
  }
  for (int32_t d = depth - 1; d >= 0; --d) {
    TWDWord& word = Slot(path[d]);
    int32_t top = -1;
    if (side[d] == 0) {
      if (word.Balance == 2) {
        word.Balance = 1;
        break;
      }
      if (word.Balance == 1) {
        word.Balance = 0;
        continue;
      }
      top = RotateLeftHigh(path[d]);
    } else {
      if (word.Balance == 0) {
        word.Balance = 1;
        break;
      }
      if (word.Balance == 1) {
        word.Balance = 2;
        continue;
      }
      top = RotateRightHigh(path[d]);
    }
    if (d == 0) {
      *root = top;
    } else {
      TWDWord& parent = Slot(path[d - 1]);
      (side[d - 1] == 0 ? parent.Left : parent.Right) = top;
    }
    break;
  }
  return index;
}

int32_t TIWordDictionary::RotateLeftHigh(int32_t node) {
  TWDWord& a = Slot(node);
  const int32_t left = a.Left;
  TWDWord& b = Slot(left);
  if (b.Balance == 0) {
    a.Left = b.Right;
    b.Right = node;
    a.Balance = b.Balance = 1;
    return left;
  }
  const int32_t middle = b.Right;
  TWDWord& c = Slot(middle);
  b.Right = c.Left;
  a.Left = c.Right;
  c.Left = left;
  c.Right = node;
  a.Balance = c.Balance == 0 ? 2 : 1;
  b.Balance = c.Balance == 2 ? 0 : 1;
  c.Balance = 1;
  return middle;
}

int32_t TIWordDictionary::RotateRightHigh(int32_t node) {
  TWDWord& a = Slot(node);
  const int32_t right = a.Right;
  TWDWord& b = Slot(right);
  if (b.Balance == 2) {
    a.Right = b.Left;
    b.Left = node;
    a.Balance = b.Balance = 1;
    return right;
  }
  const int32_t middle = b.Left;
  TWDWord& c = Slot(middle);
  b.Left = c.Right;
  a.Right = c.Left;
  c.Right = right;
  c.Left = node;
  a.Balance = c.Balance == 2 ? 0 : 1;
  b.Balance = c.Balance == 0 ? 2 : 1;
  c.Balance = 1;
  return middle;
}

int32_t TIWordDictionary::NewNode(int32_t key) {
  const int32_t node = nodeCount_++;
  nodes_.Reserve(int64_t{node} + 1);
  TTNode& fresh = nodes_[node];
  fresh = TTNode();
  fresh.Char = key;
  return node;
}

int32_t TIWordDictionary::TernaryFind(std::u16string_view text) {
  if (text.empty()) return textlessHead_;
  const int32_t* entry = CharEntry(text, false);
  int32_t node = entry ? *entry : 0;
  size_t pos = 1;
  while (node != 0) {
    const int32_t key = pos < text.size() ? text[pos] : -1;
    const TTNode& n = nodes_[node];
    if (key < n.Char) {
      node = n.Lower;
    } else if (key > n.Char) {
      node = n.Higher;
    } else {
      if (key == -1) return n.Equal;
      node = n.Equal;
      ++pos;
    }
  }
  return -1;
}

int32_t TIWordDictionary::TernaryInsert(int32_t index) {
  const std::u16string_view text = Slot(index).StoredView();
  // Node pages never move, so `link` stays valid while nodes are made.
  int32_t* link = CharEntry(text, true);
  size_t pos = 1;
  while (*link != 0) {
    TTNode& n = nodes_[*link];
    const int32_t key = pos < text.size() ? text[pos] : -1;
    if (key < n.Char) {
      link = &n.Lower;
    } else if (key > n.Char) {
      link = &n.Higher;
    } else {
      if (key == -1) return n.Equal;
      link = &n.Equal;
      ++pos;
    }
  }
  for (;;) {
    const int32_t key = pos < text.size() ? text[pos] : -1;
    const int32_t node = NewNode(key);
    *link = node;
    if (key == -1) {
      nodes_[node].Equal = index;
      return index;
    }
    link = &nodes_[node].Equal;
    ++pos;
  }
}

}  // namespace kestrune
