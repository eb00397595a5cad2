#include "language/indexer.h"

#include "core/log_file.h"
#include "language/folders_and_files.h"
#include "language/phrase_word_dictionary.h"
#include "language/text_parsing.h"

namespace kestrune {

// ---------------------------------------------------------------------------
// TIndexerProperty

void TIndexerProperty::SetData(bool on) {
  if (editable_) data_ = on;
}

void TIndexerProperty::SetHash(bool on) {
  if (editable_) hash_ = on;
}

void TIndexerProperty::SetWordsIndexes(bool on) {
  if (!editable_) return;
  wordsIndexes_ = on;
  if (!on) {
    wordsNumbers_ = false;
    wordsOffsets_ = false;
  }
}

void TIndexerProperty::SetWordsNumbers(bool on) {
  if (!editable_) return;
  if (on) {
    if (wordsIndexes_) wordsNumbers_ = true;
  } else {
    wordsNumbers_ = false;
    wordsOffsets_ = false;
  }
}

void TIndexerProperty::SetWordsOffsets(bool on) {
  if (!editable_) return;
  if (on) {
    if (wordsNumbers_) wordsOffsets_ = true;
  } else {
    wordsOffsets_ = false;
  }
}

// ---------------------------------------------------------------------------
// TIIndexer

TIIndexer::TIIndexer() : loadInMemory_(std::make_unique<TIndexerProperty>()) { marked_.Mark(); }

TIIndexer::~TIIndexer() {
  std::scoped_lock guard(documentsLock_, wordsLock_);
  ClearLocked();
}

void TIIndexer::SetCompressionType(TICompressionType type) {
  compressionType_ = type;
  if (type == TICompressionType::ctNone) {
    compressionRatio_ = 0;
  } else if (compressionRatio_ < 0 || compressionRatio_ > 9) {
    compressionRatio_ = 9;
  }
}

void TIIndexer::SetCompressionRatio(int32_t ratio) {
  if (compressionType_ == TICompressionType::ctNone) {
    compressionRatio_ = 0;
  } else {
    compressionRatio_ = ratio >= 1 && ratio <= 9 ? ratio : 9;
  }
}

int32_t TIIndexer::DocumentCount() const {
  std::lock_guard<std::mutex> guard(documentsLock_);
  return documentCount_;
}

int32_t TIIndexer::AddDocument(int32_t nameItem) {
  std::lock_guard<std::mutex> guard(documentsLock_);
  if (documentCount_ == INT32_MAX || !documents_.Reserve(int64_t{documentCount_} + 1)) return -1;
  TFileData& document = documents_[documentCount_];
  document = TFileData{};
  document.NameItem = nameItem < 0 ? -1 : nameItem;
  return documentCount_++;
}

void TIIndexer::Clear() {
  std::scoped_lock guard(documentsLock_, wordsLock_);
  ClearLocked();
}

void TIIndexer::ClearLocked() {
  documents_.Clear();
  documentCount_ = 0;
  sessions_.Clear();
  sessionCount_ = 0;
  words_.Clear();
  wordCount_ = 0;
  statistics_.Clear();
  statisticsCount_ = 0;
  loadInMemory_->SetEditable(true);
  wordSet_.Clear();
  texts_.Clear();
  marked_.Clear();
  marked_.Mark();
}

std::u16string TIIndexer::GetFileName(int32_t i) {
  std::lock_guard<std::mutex> guard(documentsLock_);
  return GetFileNameLocked(i);
}

std::u16string TIIndexer::GetFileNameLocked(int32_t i) const {
  if (i < 0 || i >= documentCount_ || foldersAndFiles_ == nullptr) return {};
  const int32_t item = documents_[i].NameItem;
  if (item < 0) return {};
  return foldersAndFiles_->GetFullName(item);
}

// ---------------------------------------------------------------------------
// TIIndexerSum

TIIndexerSum::TIIndexerSum() = default;

TIIndexerSum::~TIIndexerSum() {
  std::lock_guard<std::mutex> guard(documentsLock_);
  subIndexes_.clear();
}

TIIndexer& TIIndexerSum::AddSubIndex(std::u16string_view name) {
  std::lock_guard<std::mutex> guard(documentsLock_);
  TSubIndex sub{std::u16string(name), std::make_unique<TIFoldersAndFiles>(), std::make_unique<TIIndexer>()};
  sub.Indexer->SetFoldersAndFiles(sub.Folders.get());
  subIndexes_.push_back(std::move(sub));
  return *subIndexes_.back().Indexer;
}

int32_t TIIndexerSum::SubIndexCount() const {
  std::lock_guard<std::mutex> guard(documentsLock_);
  return static_cast<int32_t>(subIndexes_.size());
}

int32_t TIIndexerSum::RemoveLast(std::u16string_view name) {
  std::lock_guard<std::mutex> guard(documentsLock_);
  if (subIndexes_.empty() || subIndexes_.back().Name != name) return -1;
  subIndexes_.pop_back();
  return 0;
}

void TIIndexerSum::Clear() {
  {
    std::scoped_lock guard(documentsLock_, wordsLock_);
    if (!subIndexes_.empty()) {
      documentCount_ = 0;
      for (TSubIndex& sub : subIndexes_) sub.Indexer->Clear();
      subIndexes_.clear();
    } else {
      ClearLocked();
    }
  }
  LogFile.Log("index clear", 0);
  // The parser's dictionary holds the phrases only when it is a phrase
  // dictionary; any other dictionary has none to clear.
  TITextParsing* parser = TextParsing();
  if (parser != nullptr) {
    if (auto* phrases = dynamic_cast<TPhraseWordDictionary*>(parser->WordDictionary())) phrases->ClearPhrase();
  }
  LogFile.Log("ClearPhrase", 0);
}

std::u16string TIIndexerSum::GetFileName(int32_t i) {
  std::lock_guard<std::mutex> guard(documentsLock_);
  if (subIndexes_.empty()) return GetFileNameLocked(i);
  if (i < 0) return {};
  for (TSubIndex& sub : subIndexes_) {
    const int32_t count = sub.Indexer->DocumentCount();
    if (i < count) return sub.Indexer->GetFileName(i);
    i -= count;
  }
  return {};
}

}  // namespace kestrune
