// TIIndexer and TIIndexerSum: the document index component and its settings.
//
// The index keeps documents (each refers to its name item in a
// TIFoldersAndFiles, -1 when it has none), sessions, word lists and
// statistics. The program builds no index: it configures the settings,
// clears the component when it loads dictionaries or starts a project, and
// asks it for file names, which are empty while the tables are empty.
//
// Settings with rules:
// - LoadInMemory (TIndexerProperty) changes only while it is editable, that
//   is after creation and after every Clear. WordsOffsets implies
//   WordsNumbers, which implies WordsIndexes: switching one off switches off
//   those that depend on it, switching one on needs the one it depends on.
// - CompressionType ctNone stores the ratio 0; ctZlib keeps a ratio 0..9 and
//   makes any other 9. CompressionRatio under ctNone stores 0; under ctZlib
//   keeps 1..9 and stores 9 for anything else (0 included).
//
// TextParsing and FoldersAndFiles are not owned. The events are declared for
// the index builder and are not raised here.
//
// TIIndexerSum adds a list of named sub-indexes, each a TIIndexer with a
// folder table of its own, both owned by the sum. Document numbers run across
// the sub-indexes in order. Its Clear also empties the phrases of the
// parser's dictionary (when that dictionary is a TPhraseWordDictionary) and
// logs "index clear" and "ClearPhrase" at level 0.
//
// Threads: the document table (with the sum's sub-index list) and the word
// tables have one lock each; locked operations call unlocked helpers, never
// each other. A call may go on into the folder table or a sub-index, which
// take their own locks (always in that order).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/avl_tree.h"
#include "core/binary_data.h"
#include "core/paged_array.h"

namespace kestrune {

class TIFoldersAndFiles;
class TITextParsing;

enum class TSaveMode : int32_t {
  smOnlyWordsIndexes,
  smWithWordsCounts,
  smWithWordsOffsets,
  smWithWordsOffsetsAndRestoreInfo
};

enum class TICompressionType : int32_t { ctNone, ctZlib };

// Which parts of an index are kept in memory.
class TIndexerProperty {
 public:
  bool Data() const { return data_; }
  void SetData(bool on);
  bool Hash() const { return hash_; }
  void SetHash(bool on);
  bool WordsIndexes() const { return wordsIndexes_; }
  void SetWordsIndexes(bool on);
  bool WordsNumbers() const { return wordsNumbers_; }
  void SetWordsNumbers(bool on);
  bool WordsOffsets() const { return wordsOffsets_; }
  void SetWordsOffsets(bool on);

  // The setters act only while this is true; an index that is opened makes
  // it false, Clear makes it true again.
  bool Editable() const { return editable_; }
  void SetEditable(bool on) { editable_ = on; }

 private:
  bool data_ = false;
  bool hash_ = false;
  bool wordsIndexes_ = false;
  bool wordsNumbers_ = false;
  bool wordsOffsets_ = false;
  bool editable_ = true;
};

// One document of the index.
struct TFileData {
  int32_t NameItem = -1;  // item in FoldersAndFiles, -1 none
  int32_t Session = -1;   // session that indexed it, -1 none
  int32_t FirstWord = -1;  // its word list in the word-list table, -1 none
  int32_t WordCount = 0;
};

class TIIndexer {
 public:
  static constexpr int32_t kDefaultBlockSize = 0x80000;

  TIIndexer();
  virtual ~TIIndexer();
  TIIndexer(const TIIndexer&) = delete;
  TIIndexer& operator=(const TIIndexer&) = delete;

  // ---- published properties ----
  TIndexerProperty& LoadInMemory() { return *loadInMemory_; }
  const TIndexerProperty& LoadInMemory() const { return *loadInMemory_; }
  TSaveMode SaveMode() const { return saveMode_; }
  void SetSaveMode(TSaveMode mode) { saveMode_ = mode; }
  bool CRC32Enabled() const { return crc32Enabled_; }
  void SetCRC32Enabled(bool on) { crc32Enabled_ = on; }
  const std::u16string& DictionariesPath() const { return dictionariesPath_; }
  void SetDictionariesPath(std::u16string_view path) { dictionariesPath_ = path; }
  // Not owned.
  TITextParsing* TextParsing() const { return textParsing_; }
  void SetTextParsing(TITextParsing* parser) { textParsing_ = parser; }
  // Not owned.
  TIFoldersAndFiles* FoldersAndFiles() const { return foldersAndFiles_; }
  void SetFoldersAndFiles(TIFoldersAndFiles* folders) { foldersAndFiles_ = folders; }
  bool KeySensitivity() const { return keySensitivity_; }
  void SetKeySensitivity(bool on) { keySensitivity_ = on; }
  bool UseHash() const { return useHash_; }
  void SetUseHash(bool on) { useHash_ = on; }
  bool UseInvertIndex() const { return useInvertIndex_; }
  void SetUseInvertIndex(bool on) { useInvertIndex_ = on; }
  TICompressionType CompressionType() const { return compressionType_; }
  void SetCompressionType(TICompressionType type);
  int32_t CompressionRatio() const { return compressionRatio_; }
  void SetCompressionRatio(int32_t ratio);

  // ---- events (not raised here) ----
  std::function<bool(int32_t indexFile)> OnRequestProcessing;
  std::function<bool(int32_t indexFile, const TFileData& fileData, void* data)> OnFound;
  std::function<void(TIIndexer& sender, int32_t progress)> OnProgressChange;
  std::function<void(std::u16string_view fileName, bool& outIsFileExist)> OnRequestExistingFile;
  std::function<void(int32_t indexFile, bool& deleteFile)> OnRequestDeleteFile;
  std::function<void(int32_t indexSession, bool& deleteSession)> OnRequestDeleteSession;

  // The size of the blocks in which an index file is read.
  int32_t BlockSize() const { return blockSize_; }

  int32_t DocumentCount() const;
  // Appends a document whose name is item `nameItem` of FoldersAndFiles
  // (-1: none); returns its number, or -1 when the table is full.
  int32_t AddDocument(int32_t nameItem);

  // Empties every table, makes LoadInMemory editable, clears the first
  // word set and both arenas and marks the second arena.
  virtual void Clear();
  // The full name of document i through FoldersAndFiles; empty when i is
  // not a document, no folder table is set or the document has no name.
  virtual std::u16string GetFileName(int32_t i);

 protected:
  // Callers hold documentsLock_ (and wordsLock_ for ClearLocked).
  void ClearLocked();
  std::u16string GetFileNameLocked(int32_t i) const;

  mutable std::mutex documentsLock_;
  mutable std::mutex wordsLock_;
  int32_t documentCount_ = 0;

 private:
  struct TSessionData {
    int32_t FirstDocument = 0;
    int32_t DocumentCount = 0;
  };
  struct TWordEntry {
    int32_t WordId = -1;
    int32_t Count = 0;
  };
  struct TWordStatistics {
    int32_t WordId = -1;
    int32_t Documents = 0;
    int32_t Occurrences = 0;
  };

  std::unique_ptr<TIndexerProperty> loadInMemory_;
  TSaveMode saveMode_ = TSaveMode::smOnlyWordsIndexes;
  bool crc32Enabled_ = true;
  std::u16string dictionariesPath_;
  TITextParsing* textParsing_ = nullptr;
  TIFoldersAndFiles* foldersAndFiles_ = nullptr;
  bool keySensitivity_ = false;
  bool useHash_ = false;
  bool useInvertIndex_ = true;
  TICompressionType compressionType_ = TICompressionType::ctNone;
  int32_t compressionRatio_ = 0;
  int32_t blockSize_ = kDefaultBlockSize;

  // Guarded by documentsLock_.
  TPagedArray<TFileData> documents_;
  TPagedArray<TSessionData> sessions_;
  int32_t sessionCount_ = 0;
  // Guarded by wordsLock_.
  TPagedArray<TWordEntry> words_;
  int32_t wordCount_ = 0;
  TPagedArray<TWordStatistics> statistics_;
  int32_t statisticsCount_ = 0;
  TIBinaryData texts_;
  TIBinaryData marked_;  // marked right after creation and after every Clear
  TIAVLTree wordSet_;
  TIAVLTree documentSet_;
};

class TIIndexerSum : public TIIndexer {
 public:
  TIIndexerSum();
  ~TIIndexerSum() override;

  // Appends a sub-index with its own folder table (both owned by the sum)
  // and returns it.
  TIIndexer& AddSubIndex(std::u16string_view name);
  int32_t SubIndexCount() const;

  // 0 when the last sub-index is called exactly `name`: it is freed with its
  // folder table. -1 otherwise, also when there is none.
  int32_t RemoveLast(std::u16string_view name);

  // With sub-indexes: document count 0, each sub-index cleared, the list
  // emptied (the sub-indexes freed); without: TIIndexer::Clear. Then logs
  // "index clear", empties the phrases of TextParsing's dictionary when it
  // is a TPhraseWordDictionary, and logs "ClearPhrase".
  void Clear() override;
  // Without sub-indexes, TIIndexer::GetFileName; with them, the sub-index
  // that covers document i answers for i less the documents before it.
  std::u16string GetFileName(int32_t i) override;

 private:
  struct TSubIndex {
    std::u16string Name;
    std::unique_ptr<TIFoldersAndFiles> Folders;
    std::unique_ptr<TIIndexer> Indexer;  // freed before its folder table
  };

  // Guarded by documentsLock_.
  std::vector<TSubIndex> subIndexes_;
};

}  // namespace kestrune
