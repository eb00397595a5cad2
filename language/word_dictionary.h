// TIWordDictionary: every word the language layer knows, and TWDWord, the
// record of one word.
//
// A word's identifier is its position in the table (0..Count()-1); it never
// changes until Clear. A word's text holds at most kMaxTextLength units, as
// many as a dictionary file stores: a longer text is cut to that length
// wherever a text is added, looked up or renamed, so a word saved and loaded
// again is the same word. No word gets an identifier of 2000000 or more (those
// are phrase identifiers): the table holds at most kMaxWords words, and AddWord
// returns -1 when a new word would be needed beyond that. Records live in place
// in pages of 512; a record is an object whose virtual operations (GetText,
// GetStoredText, GetForm) a derived record may override; a derived dictionary
// (the phrase dictionary) overrides GetWord to hand out its own records for the
// identifiers it owns.
//
// An index by text finds the words of a text: per first character either an
// AVL tree over the word records (FastSpeed False; ordinal or case-insensitive
// comparison by CaseSensitivity) or a ternary tree (FastSpeed True; always by
// code unit). All words whose texts are equal form one chain through
// NextSame; no two words of the index are equal in text, part of speech and
// group. A word with an empty text is text-less: its forms come wholly from its
// lexeme; all text-less words form one chain.
//
// A word may name a lexeme (its group) of the morphology engine set through
// MorphologyEngine (not owned); Search then finds every (word, form) pair
// whose form text can be the given text.
//
// Threads: every operation that touches the index, the form index, the
// FindFirst cursor, the search scratch or the marks (AddWord, AddWordsFrom,
// Search, FindFirst/FindNext, MarkWord/ClearMarks, TWDWord::SetText, Clear)
// holds the dictionary's one lock, so several threads may add and search at
// once. GetWord and Count take no lock: the page directory never moves and a
// word is complete before Count counts it. Clear and destruction must not run
// while other threads read words. A dictionary with a morphology engine is used
// by one thread at a time (the engine's form cursor is shared).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/binary_data.h"
#include "core/paged_array.h"
#include "core/stream.h"
#include "language/morphology_engine.h"

namespace kestrune {

class TIWordDictionary;

// One reading of a text: word identifier, form within the word's lexeme (0 is
// the initial form) and a weight that belongs to the caller.
struct TWordVariant {
  int32_t WordIndex = -1;
  int16_t Form = 0;
  int16_t Weight = 0;
};
using TWordVariants = std::vector<TWordVariant>;

// One entry of the load table: a distinct (dictionary id, lexicon file), the
// lexeme offset of its lexicon and the identifier range of its words.
struct TWDLoadDictionary {
  int16_t ID = 0;
  int32_t GroupBase = 0;
  int32_t First = 0;
  int32_t Last = 0;
  std::u16string MorphologyFile;
};

// One dictionary file as it was loaded: its dictionary id and the identifiers
// its words took (Last < First when it added none). Every load has its own
// range, also a second file of one language or one lexicon; the ranges follow
// each other in load order and never overlap.
struct TWDFileRange {
  int16_t ID = 0;
  int32_t First = 0;
  int32_t Last = -1;
};

// The 24 bytes of a dictionary file's header tag.
struct TWDFileHeader {
  int32_t Version = 0;
  int32_t DictID = 0;
  uint32_t Flags = 0;  // bit 0 Compress (8-bit texts), bit 1 Option2
  uint32_t CodePage = 0;
  int32_t WordCount = 0;
  int32_t DictAttr = 0;
};
static_assert(sizeof(TWDFileHeader) == 24);

// The record of one word; one cache line.
class alignas(64) TWDWord {
 public:
  static constexpr uint16_t kFlagMark = 0x0001;    // stop word
  static constexpr uint16_t kFlagExport = 0x0010;  // chosen by a selective save
  // Attr1 is a set of bits that dictionary files store with each word; a new
  // word and every word of older files carry kAttr1Default alone.
  static constexpr int16_t kAttr1Default = 0x0001;
  // A head word that the file's source lists only with capitals (a proper
  // name, as "Queens" beside the plural of "queen"): a token in lower case
  // reads as a common word of its dictionary before it reads as this word.
  static constexpr int16_t kAttr1ProperName = 0x0002;

  TWDWord() = default;
  virtual ~TWDWord() = default;
  TWDWord(const TWDWord&) = default;
  TWDWord& operator=(const TWDWord&) = default;

  // Form 0 made by the engine when the word has a lexeme of the engine; else
  // the stored text.
  virtual std::u16string GetText() const;
  // The stored text (the stem when the word has a lexeme), empty when
  // text-less.
  virtual std::u16string GetStoredText() const;
  // The text of form `form` (see FormCount).
  virtual std::u16string GetForm(int32_t form) const;
  // Forms of the word's lexeme; 1 without dictionary, engine or lexeme.
  int32_t FormCount() const;
  // Replaces the stored text and rebuilds the dictionary's index (under its
  // lock).
  void SetText(std::u16string_view text);

  uint8_t GetPartOfSpeech() const { return PartOfSpeech; }
  int32_t GetGroup() const { return Group; }
  int16_t GetDictionaryID() const { return DictionaryID; }
  int16_t GetAttr1() const { return Attr1; }
  void SetAttr1(int16_t value) { Attr1 = value; }
  bool IsProperName() const { return (Attr1 & kAttr1ProperName) != 0; }
  int16_t GetAttr2() const { return Attr2; }
  uint16_t GetFlags() const { return Flags; }
  void SetFlags(uint16_t flags) { Flags = flags; }
  int32_t GetWeight() const { return Weight; }
  void SetWeight(int32_t weight) { Weight = weight; }
  TIWordDictionary* GetDictionary() const { return Dictionary; }

 protected:
  friend class TIWordDictionary;

  // The stored text as a view (empty when text-less).
  std::u16string_view StoredView() const;

  // The fields are ordered so that a record fills one cache line.
  TIWordDictionary* Dictionary = nullptr;
  char16_t* Text = nullptr;  // 0-terminated; null for a text-less word
  // Units 1 to 4 of the text (0 past its end), the first in the high bits:
  // the AVL index orders most texts by it without reading the text.
  uint64_t TextKey = 0;
  int32_t Group = -1;  // lexeme number, -1 none
  int32_t Left = -1;         // AVL children (word indexes), -1 none
  int32_t Right = -1;
  int32_t NextSame = -1;  // next word with the same text
  int32_t Weight = 0;
  int16_t Attr1 = 1;
  int16_t Attr2 = 0;
  int16_t DictionaryID = 0;
  uint16_t Flags = 0;
  uint8_t PartOfSpeech = 0;
  uint8_t Balance = 1;  // 0 left side higher, 1 even, 2 right side higher
  bool TextOnHeap = false;  // a text the string cache could not hold
};

class TIWordDictionary {
 public:
  static constexpr int32_t kMaxWords = 2000000;
  static constexpr size_t kMaxTextLength = 65535;
  static constexpr uint32_t kWordPageSize = 512;
  static constexpr int32_t kLoadTableSize = 101;
  // Search flags.
  static constexpr int32_t kSearchAdd = 1;        // add the text when nothing is found
  static constexpr int32_t kSearchAllForms = 2;   // every form of a lexeme, not the first
  static constexpr int32_t kSearchSubstring = 4;  // words that contain the text

  // Empty, CaseSensitivity True, AVL index, MorphologyEnable True, Version 1.
  TIWordDictionary();
  // Leaves the engine alone (it is not cleared).
  virtual ~TIWordDictionary();
  TIWordDictionary(const TIWordDictionary&) = delete;
  TIWordDictionary& operator=(const TIWordDictionary&) = delete;

  // Published properties. CaseSensitivity, FastSpeed and StrCache change only
  // while the dictionary holds no word; a write at any other time is ignored.
  bool OptimizeWordFeature() const { return optimizeWordFeature_; }
  void SetOptimizeWordFeature(bool value) { optimizeWordFeature_ = value; }
  TIMorphologyEngine* MorphologyEngine() const { return engine_; }
  void SetMorphologyEngine(TIMorphologyEngine* engine);
  bool MorphologyEnable() const { return morphologyEnable_; }
  void SetMorphologyEnable(bool value) { morphologyEnable_ = value; }
  bool CaseSensitivity() const { return caseSensitivity_; }
  void SetCaseSensitivity(bool value);
  bool FastSpeed() const { return fastSpeed_; }
  void SetFastSpeed(bool value);
  bool StrCache() const { return arena_ != nullptr; }
  void SetStrCache(bool value);
  bool Compress() const { return compress_; }
  void SetCompress(bool value) { compress_ = value; }
  // Progress 0..100 of loading and saving.
  std::function<void(int32_t progress)> OnProgressChange;
  // Asked per word by a selective save.
  std::function<bool(TIWordDictionary& sender, int32_t wordIndex)> WordExport;

  int32_t Count() const { return static_cast<int32_t>(count_.load(std::memory_order_acquire)); }

  // Adds a word, or finds the word equal in text, part of speech and group.
  // Its identifier; -1 when the dictionary is full and no equal word exists.
  int32_t AddWord(std::u16string_view text, uint8_t partOfSpeech, int32_t group);
  // The word record, null when index < 0 or index >= Count(). No lock.
  virtual TWDWord* GetWord(int32_t index);
  // Removes every word; clears the engine too when MorphologyEnable is set.
  void Clear();
  // Clears the mark (flag bit 0) of every word.
  void ClearMarks();
  // Marks a stop word of a language (a DictID; 0 for a word of every
  // language). With language 0 the text is looked up as FindFirst with
  // kSearchAdd does and every word found is marked. With a language, only
  // the readings from that language's dictionaries, and those of words that
  // belong to no dictionary (DictionaryID 0), are marked: a German stop word
  // leaves the English word spelt alike alone. A text that no look-up finds
  // is added as (text, 0, -1) with DictionaryID `language` and marked.
  void MarkWord(std::u16string_view text, int16_t language = 0);
  // Adds copies of the source's words first..last (see AddWord); a new word
  // takes the source word's Attr1 and Attr2. 0, or -1 when the dictionary
  // filled up (the copy stops there).
  int32_t AddWordsFrom(TIWordDictionary* source, int32_t first, int32_t last);

  // Fills list[0..n-1] with the readings of the text and returns n. The list
  // grows when it needs room and may be longer than n; the weights are left
  // alone. The scratch rows are the caller's and are reused between calls.
  int32_t Search(std::u16string_view text, TWordVariants& list, int32_t flags, TAffixIndexes& scratch);
  // Searches into the dictionary's own list; the number of readings, the first
  // in `first` ({-1, 0} when none). FindNext gives the following ones: the
  // word index and the reading, or -1 and {-1, 0} at the end.
  int32_t FindFirst(std::u16string_view text, TWordVariant& first, int32_t flags);
  int32_t FindNext(TWordVariant& variant);

  // Header values of the last dictionary file read. DictID is given to every
  // word that AddWord adds, DictAttr becomes their Attr2.
  int32_t Version() const { return version_; }
  int16_t DictID() const { return dictId_; }
  void SetDictID(int16_t id) { dictId_ = id; }
  int16_t DictAttr() const { return dictAttr_; }
  void SetDictAttr(int16_t value) { dictAttr_ = value; }
  bool Option2() const { return option2_; }
  uint32_t CodePage() const { return codePage_; }
  const std::u16string& MorphologyFile() const { return morphologyFile_; }
  const std::u16string& Author() const { return author_; }
  const std::u16string& Description() const { return description_; }
  // The header values a save writes (a new dictionary's lexicon file name,
  // texts and code page of its 8-bit texts).
  void SetCodePage(uint32_t codePage) { codePage_ = codePage; }
  void SetMorphologyFile(std::u16string_view name) { morphologyFile_ = name; }
  void SetAuthor(std::u16string_view text) { author_ = text; }
  void SetDescription(std::u16string_view text) { description_ = text; }
  int32_t GroupBase() const { return groupBase_; }
  int32_t LoadCount() const { return loadCount_; }
  const TWDLoadDictionary& LoadDictionary(int32_t index) const { return loadTable_[index]; }
  // The files loaded since the last Clear, in load order.
  int32_t FileCount() const { return static_cast<int32_t>(files_.size()); }
  const TWDFileRange& FileRange(int32_t index) const { return files_[static_cast<size_t>(index)]; }

  // True when the form index must be rebuilt before the next morphological
  // search.
  bool FormsStale() const { return formsStale_; }

  // ---- dictionary files ("DRWS", dictionary_file.cpp) ----
  // Frame: magic "DRWS", CRC-32 of the body (0: LoadFromFile does not check
  // it). Body: the header tag 128, then tag 0x4000 holding one word tag (16,
  // 144 or 16400 by body size) per word in index order. The words of a file
  // take the identifiers from Count() on; each distinct (DictID, lexicon file)
  // gets a load-table entry with the lexeme offset of its lexicon (GroupBase),
  // whose lexicon the loader merges into the engine.
  static constexpr int32_t kHeaderTag = 128;
  static constexpr int32_t kWordsTag = 0x4000;
  static constexpr int32_t kWordTag1 = 16, kWordTag2 = 144, kWordTag3 = 16400;
  static constexpr int32_t kFileVersion = 1;
  // Result codes.
  static constexpr int32_t kFileDone = 0;
  static constexpr int32_t kFileCorrupt = -1;  // cannot open or read, a corrupt body, no room for more words
  static constexpr int32_t kFileNoName = -2;
  static constexpr int32_t kFileMissing = -3;
  static constexpr int32_t kFileWrongMagic = -4;
  static constexpr int32_t kFileEmpty = -5;  // save: no word
  static constexpr int32_t kFileWrongVersion = -6;
  static constexpr int32_t kFileLoadTableFull = -7;  // more distinct files than the load table holds
  static constexpr int32_t kFileCRCMismatch = -9;

  // The header of a dictionary file alone; false when the name is empty, the
  // file is missing, the magic or the CRC (a stored 0 included) is wrong or
  // the first tag is not the header.
  bool ReadFileHeader(std::u16string_view fileName, TWDFileHeader& header, std::u16string& morphologyFile,
                      std::u16string& author, std::u16string& description);
  // Why ReadFileHeader refuses a file, or kFileDone: kFileNoName,
  // kFileMissing, kFileCorrupt (it cannot be opened), kFileWrongMagic (no
  // "DRWS" frame, or the first tag is no whole header), kFileCRCMismatch (the
  // checksum fails). The header and its texts are read whenever the header
  // tag is whole, also when the checksum fails (they may be damaged then);
  // headerRead (may be null) tells whether they were.
  int32_t ReadFileHeaderStatus(std::u16string_view fileName, TWDFileHeader& header, std::u16string& morphologyFile,
                               std::u16string& author, std::u16string& description, bool* headerRead = nullptr);
  // Loads a dictionary file and merges its words (and its lexicon) into the
  // dictionary.
  int32_t LoadFromFile(std::u16string_view fileName);
  // Loads the tags of a dictionary body from the stream's position; the file
  // name (may be empty) locates the lexicon file. Words read before an error
  // stay.
  int32_t LoadFromStream(TStream& stream, std::u16string_view fileName);
  // Writes the header tag and the words tag at the stream's position: every
  // word, or (ask) those WordExport chooses. Groups are written relative to
  // the dictionary's own lexicon file; a word whose group does not fit 16 bits
  // there is written with group -1 (the project's reader adds words by text
  // alone).
  int32_t SaveToStream(TStream& stream, bool ask);

 protected:
  // The text a word keeps: texts are 0-terminated in the records, so a text
  // is cut at its first 0 unit, and at kMaxTextLength units.
  static std::u16string_view StorableText(std::u16string_view text);
  // Appends a load-table entry and its file range as the file loader does;
  // false when the table is full. Lets a derived dictionary stand for loaded
  // files (tests of the word identifiers).
  bool AddLoadDictionary(const TWDLoadDictionary& entry) {
    if (loadCount_ >= kLoadTableSize) return false;
    loadTable_[static_cast<size_t>(loadCount_++)] = entry;
    files_.push_back({entry.ID, entry.First, entry.Last});
    return true;
  }

 private:
  friend class TWDWord;

  static constexpr uint32_t kMaxWordPages = (kMaxWords + kWordPageSize - 1) / kWordPageSize;
  static constexpr int32_t kVariantGrowth = 16;
  static constexpr int32_t kSubstringGrowth = 128;
  static constexpr int32_t kMaxSubstringLength = 255;

  // A node of the ternary index; node 0 means none.
  struct TTNode {
    int32_t Lower = 0;
    int32_t Equal = 0;  // in an end node: the first word of the text
    int32_t Higher = 0;
    int32_t Char = 0;   // a UTF-16 unit, or -1 at the end of a text
  };
  // One entry of the form index.
  struct TWDIndex {
    int32_t FormKey;  // the rule of the form
    int32_t WordIndex;
    int32_t FormNumber;
  };
  using TCharRow = std::array<int32_t, 256>;

  TWDWord& Slot(int32_t index) { return words_[index]; }

  // Unlocked helpers; the callers hold lock_.
  int32_t AddWordUnlocked(std::u16string_view text, uint8_t partOfSpeech, int32_t group);
  // Makes slot Count() exist and sets it to a fresh word of this dictionary;
  // null when the dictionary is full.
  TWDWord* PrepareSlot();
  void StoreText(TWDWord& word, std::u16string_view text);
  void DropText(TWDWord& word, bool releaseArena);
  // Indexes slot Count() with the duplicate rule (text, part of speech, group,
  // and the dictionary id when asked). The index of the equal word, whose
  // record is then dropped, or of the new word, which Count() now counts.
  int32_t LinkNewWord(bool compareDictionaryId);
  int32_t FindEqualWord(std::u16string_view text, uint8_t partOfSpeech, int32_t group);
  void ReportFull();
  void ClearUnlocked();
  int32_t LoadFromStreamUnlocked(TStream& stream, std::u16string_view fileName);
  void SetWordText(TWDWord& word, std::u16string_view text);
  void RebuildIndex();

  // The index.
  int32_t EmptyValue() const { return fastSpeed_ ? 0 : -1; }
  int32_t* CharEntry(std::u16string_view text, bool create);
  int32_t IndexInsert(int32_t index);
  int32_t IndexFind(std::u16string_view text);
  int32_t AvlInsert(int32_t index);
  int32_t AvlFind(std::u16string_view text);
  int32_t TernaryInsert(int32_t index);
  int32_t TernaryFind(std::u16string_view text);
  int32_t NewNode(int32_t key);
  static uint64_t TextKeyOf(std::u16string_view text);
  int32_t CompareWord(std::u16string_view text, uint64_t key, const TWDWord& word) const;
  int32_t RotateLeftHigh(int32_t node);
  int32_t RotateRightHigh(int32_t node);

  // The look-ups.
  int32_t SearchUnlocked(std::u16string_view text, TWordVariants& list, int32_t flags, TAffixIndexes& scratch);
  int32_t FindFirstUnlocked(std::u16string_view text, TWordVariant& first, int32_t flags);
  void SearchMorphology(std::u16string_view text, TWordVariants& list, int32_t& count, int32_t flags,
                        TAffixIndexes& scratch);
  void FindStemHeads(std::u16string_view area, int32_t maxEnding);
  void SearchSubstring(std::u16string_view text, TWordVariants& list, int32_t& count, int32_t flags);
  void SearchSubstringLexemes(std::u16string_view text, TWordVariants& list, int32_t& count, int32_t flags);
  void AppendChain(int32_t head, TWordVariants& list, int32_t& count);
  void RebuildFormIndex();
  bool HasLexemes() const { return engine_ && engine_->LexemeCount() > 0; }

  // Words.
  TPagedArray<TWDWord, kWordPageSize, kWordPageSize, kMaxWordPages> words_;
  std::atomic<uint32_t> count_{0};
  std::unique_ptr<TIBinaryData> arena_;
  bool fullReported_ = false;

  // Index.
  std::array<std::unique_ptr<TCharRow>, 256> charIndex_;
  int32_t textlessHead_ = -1;  // the chain of text-less words
  TPagedArray<TTNode, 1024> nodes_;
  int32_t nodeCount_ = 1;

  // Settings.
  bool optimizeWordFeature_ = false;
  TIMorphologyEngine* engine_ = nullptr;
  bool morphologyEnable_ = true;
  bool caseSensitivity_ = true;
  bool fastSpeed_ = false;
  bool compress_ = false;

  // Header values and the load table (filled by the file loader).
  int32_t version_ = 1;
  int16_t dictId_ = 0;
  bool option2_ = false;
  int16_t dictAttr_ = 0;
  uint32_t codePage_ = 0;
  std::u16string morphologyFile_;
  std::u16string author_;
  std::u16string description_;
  int32_t groupBase_ = 0;
  std::array<TWDLoadDictionary, kLoadTableSize> loadTable_;
  int32_t loadCount_ = 0;
  std::vector<TWDFileRange> files_;

  // The form index.
  bool formsStale_ = false;
  std::vector<TWDIndex> formIndex_;

  // Search scratch.
  std::vector<int32_t> stemHeads_;
  std::vector<int32_t> endingForms_;  // per lexeme: first form whose ending holds the text
  std::vector<int32_t> prefixForms_;  // per lexeme: first form whose prefix overlaps it

  // The FindFirst cursor.
  TWordVariants ownList_;
  TAffixIndexes ownScratch_;
  int32_t ownCount_ = 0;
  int32_t cursor_ = 0;

  std::mutex lock_;
};

}  // namespace kestrune
