#include "language/indexer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/log_file.h"
#include "language/folders_and_files.h"
#include "language/phrase_word_dictionary.h"
#include "language/text_parsing.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

// Points the shared log at a temporary file for the test's lifetime and
// hands back the lines written after the start lines, without their dates.
class ScopedLog {
 public:
  ScopedLog() : path_(dir_.File("kestrune.log")) {
    LogFile.Open(path_);
    start_ = test::ReadFileBytes(path_).size();
  }
  ~ScopedLog() { LogFile.Open(std::string()); }
  ScopedLog(const ScopedLog&) = delete;
  ScopedLog& operator=(const ScopedLog&) = delete;

  std::vector<std::string> Take() {
    const std::string bytes = test::ReadFileBytes(path_);
    std::vector<std::string> lines;
    size_t at = start_;
    while (at < bytes.size()) {
      size_t end = bytes.find("\r\n", at);
      if (end == std::string::npos) end = bytes.size();
      const std::string line = bytes.substr(at, end - at);
      const size_t date = line.find(']');
      lines.push_back(date == std::string::npos ? line : line.substr(date + 1));
      at = end + 2;
    }
    start_ = bytes.size();
    return lines;
  }

 private:
  test::TempDir dir_;
  std::string path_;
  size_t start_ = 0;
};

const std::vector<std::string> kClearLines = {"[Info] index clear", "[Info] ClearPhrase"};

TEST(IndexerTest, FreshIndexer_Defaults) {
  TIIndexerSum indexer;
  const TIndexerProperty& memory = indexer.LoadInMemory();
  EXPECT_FALSE(memory.Data());
  EXPECT_FALSE(memory.Hash());
  EXPECT_FALSE(memory.WordsIndexes());
  EXPECT_FALSE(memory.WordsNumbers());
  EXPECT_FALSE(memory.WordsOffsets());
  EXPECT_TRUE(memory.Editable());
  EXPECT_EQ(indexer.SaveMode(), TSaveMode::smOnlyWordsIndexes);
  EXPECT_TRUE(indexer.CRC32Enabled());
  EXPECT_EQ(indexer.DictionariesPath(), u"");
  EXPECT_EQ(indexer.TextParsing(), nullptr);
  EXPECT_EQ(indexer.FoldersAndFiles(), nullptr);
  EXPECT_FALSE(indexer.KeySensitivity());
  EXPECT_FALSE(indexer.UseHash());
  EXPECT_TRUE(indexer.UseInvertIndex());
  EXPECT_EQ(indexer.CompressionType(), TICompressionType::ctNone);
  EXPECT_EQ(indexer.CompressionRatio(), 0);
  EXPECT_EQ(indexer.BlockSize(), 524288);
  EXPECT_EQ(indexer.DocumentCount(), 0);
  EXPECT_EQ(indexer.SubIndexCount(), 0);
  EXPECT_EQ(indexer.GetFileName(0), u"");
  EXPECT_EQ(indexer.GetFileName(-1), u"");
  EXPECT_EQ(indexer.RemoveLast(u"IInternet"), -1);
}

// Each row: the settings made in order, then the expected
// (WordsIndexes, WordsNumbers, WordsOffsets).
TEST(IndexerTest, LoadInMemory_WordSettingsCascade) {
  enum Op { IndexesOn, IndexesOff, NumbersOn, NumbersOff, OffsetsOn, OffsetsOff };
  struct Case {
    std::vector<Op> ops;
    bool indexes, numbers, offsets;
  };
  const Case cases[] = {
      {{OffsetsOn}, false, false, false},
      {{NumbersOn}, false, false, false},
      {{IndexesOn, OffsetsOn}, true, false, false},
      {{IndexesOn, NumbersOn}, true, true, false},
      {{IndexesOn, NumbersOn, OffsetsOn}, true, true, true},
      {{IndexesOn, NumbersOn, OffsetsOn, IndexesOff}, false, false, false},
      {{IndexesOn, NumbersOn, OffsetsOn, NumbersOff}, true, false, false},
      {{IndexesOn, NumbersOn, OffsetsOn, OffsetsOff}, true, true, false},
      // Switching WordsIndexes on again brings nothing back.
      {{IndexesOn, NumbersOn, OffsetsOn, IndexesOff, IndexesOn}, true, false, false},
      {{IndexesOn, NumbersOn, NumbersOff, OffsetsOn}, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    TIIndexer indexer;
    TIndexerProperty& memory = indexer.LoadInMemory();
    for (Op op : c.ops) {
      switch (op) {
        case IndexesOn: memory.SetWordsIndexes(true); break;
        case IndexesOff: memory.SetWordsIndexes(false); break;
        case NumbersOn: memory.SetWordsNumbers(true); break;
        case NumbersOff: memory.SetWordsNumbers(false); break;
        case OffsetsOn: memory.SetWordsOffsets(true); break;
        case OffsetsOff: memory.SetWordsOffsets(false); break;
      }
    }
    EXPECT_EQ(memory.WordsIndexes(), c.indexes);
    EXPECT_EQ(memory.WordsNumbers(), c.numbers);
    EXPECT_EQ(memory.WordsOffsets(), c.offsets);
    EXPECT_FALSE(memory.Data());
    EXPECT_FALSE(memory.Hash());
  }
}

TEST(IndexerTest, LoadInMemory_FixedUntilClearMakesItEditable) {
  TIIndexer indexer;
  TIndexerProperty& memory = indexer.LoadInMemory();
  memory.SetData(true);
  memory.SetWordsIndexes(true);
  memory.SetEditable(false);
  memory.SetData(false);
  memory.SetHash(true);
  memory.SetWordsIndexes(false);
  memory.SetWordsNumbers(true);
  EXPECT_TRUE(memory.Data());
  EXPECT_FALSE(memory.Hash());
  EXPECT_TRUE(memory.WordsIndexes());
  EXPECT_FALSE(memory.WordsNumbers());

  indexer.Clear();
  EXPECT_TRUE(memory.Editable());
  memory.SetHash(true);
  memory.SetWordsNumbers(true);
  EXPECT_TRUE(memory.Hash());
  EXPECT_TRUE(memory.WordsNumbers());
  // Clear keeps the values; it only lifts the fixing.
  EXPECT_TRUE(memory.Data());
}

// Each row: the type set first (or not), the ratio, the type set after it
// (or not), and the ratio that results.
TEST(IndexerTest, Compression_TypeAndRatioRules) {
  using T = TICompressionType;
  struct Case {
    const char* name;
    bool setTypeFirst;
    T typeFirst;
    std::optional<int32_t> ratio;
    bool setTypeAfter;
    T typeAfter;
    int32_t expected;
  };
  const Case cases[] = {
      {"zlib keeps ratio 0", true, T::ctZlib, std::nullopt, false, T::ctNone, 0},
      {"ratio 0 under zlib gives 9", true, T::ctZlib, 0, false, T::ctNone, 9},
      {"ratio 5 under none gives 0", false, T::ctNone, 5, false, T::ctNone, 0},
      {"ratio 5 under zlib", true, T::ctZlib, 5, false, T::ctNone, 5},
      {"ratio 1 under zlib", true, T::ctZlib, 1, false, T::ctNone, 1},
      {"ratio 9 under zlib", true, T::ctZlib, 9, false, T::ctNone, 9},
      {"ratio INT32_MIN under zlib", true, T::ctZlib, INT32_MIN, false, T::ctNone, 9},
      {"ratio 10 under zlib", true, T::ctZlib, 10, false, T::ctNone, 9},
      {"ratio -3 under zlib", true, T::ctZlib, -3, false, T::ctNone, 9},
      {"none after zlib 5", true, T::ctZlib, 5, true, T::ctNone, 0},
      {"zlib again keeps 5", true, T::ctZlib, 5, true, T::ctZlib, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TIIndexer indexer;
    if (c.setTypeFirst) indexer.SetCompressionType(c.typeFirst);
    if (c.ratio) indexer.SetCompressionRatio(*c.ratio);
    if (c.setTypeAfter) indexer.SetCompressionType(c.typeAfter);
    EXPECT_EQ(indexer.CompressionRatio(), c.expected);
  }
}

TEST(IndexerTest, GetFileName_ThroughTheFolderTable) {
  TIFoldersAndFiles folders;
  TIIndexer indexer;
  const int32_t file = folders.AddFullName(u"/home/ann/notes.txt");
  const int32_t folder = folders.FindItem(u"ann/", folders.FindItem(u"/", -1));
  ASSERT_EQ(indexer.AddDocument(file), 0);
  ASSERT_EQ(indexer.AddDocument(-1), 1);
  ASSERT_EQ(indexer.AddDocument(folder), 2);
  ASSERT_EQ(indexer.AddDocument(99), 3);
  // Without a folder table every name is empty.
  EXPECT_EQ(indexer.GetFileName(0), u"");
  indexer.SetFoldersAndFiles(&folders);
  EXPECT_EQ(indexer.GetFileName(0), u"/home/ann/notes.txt");
  EXPECT_EQ(indexer.GetFileName(1), u"");
  EXPECT_EQ(indexer.GetFileName(2), u"");  // a folder
  EXPECT_EQ(indexer.GetFileName(3), u"");  // no such item
  EXPECT_EQ(indexer.GetFileName(4), u"");
  EXPECT_EQ(indexer.GetFileName(-1), u"");

  // Documents across pages of 512.
  for (int32_t i = 4; i < 1200; ++i) ASSERT_EQ(indexer.AddDocument(i % 2 == 0 ? file : -1), i);
  EXPECT_EQ(indexer.DocumentCount(), 1200);
  EXPECT_EQ(indexer.GetFileName(1198), u"/home/ann/notes.txt");
  EXPECT_EQ(indexer.GetFileName(1199), u"");

  indexer.LoadInMemory().SetEditable(false);
  indexer.Clear();
  EXPECT_EQ(indexer.DocumentCount(), 0);
  EXPECT_EQ(indexer.GetFileName(0), u"");
  EXPECT_TRUE(indexer.LoadInMemory().Editable());
  // The folder table is not the indexer's: Clear leaves it alone.
  EXPECT_EQ(folders.GetFullName(file), u"/home/ann/notes.txt");
  EXPECT_EQ(indexer.AddDocument(file), 0);
  EXPECT_EQ(indexer.GetFileName(0), u"/home/ann/notes.txt");
}

TEST(IndexerTest, SumClear_LogsTwoLinesAndEmptiesThePhrases) {
  TPhraseWordDictionary dictionary;
  TITextParsing parser;
  parser.SetWordDictionary(&dictionary);
  const int32_t york = dictionary.AddWord(u"york", 0, -1);
  const int32_t city = dictionary.AddWord(u"city", 0, -1);
  TPhrase phrase;
  phrase.Entries = {TPhraseEntry{york, 0, 0}, TPhraseEntry{city, 0, 0}};
  dictionary.AddPhrase(phrase);
  dictionary.AddPhrase(phrase);
  ASSERT_EQ(dictionary.PhraseCount(), 2);

  ScopedLog log;
  TIIndexerSum indexer;
  indexer.SetTextParsing(&parser);
  indexer.Clear();
  EXPECT_EQ(log.Take(), kClearLines);
  EXPECT_EQ(dictionary.PhraseCount(), 0);
  // The words stay.
  EXPECT_EQ(dictionary.Count(), 2);
}

// A parser with a plain word dictionary, with none, and no parser at all:
// nothing to clear, the same two lines.
TEST(IndexerTest, SumClear_WithoutPhraseDictionaryStillLogsBothLines) {
  TIWordDictionary plain;
  plain.AddWord(u"word", 0, -1);
  TITextParsing withPlain;
  withPlain.SetWordDictionary(&plain);
  TITextParsing withNone;

  ScopedLog log;
  for (TITextParsing* parser : {&withPlain, &withNone, static_cast<TITextParsing*>(nullptr)}) {
    TIIndexerSum indexer;
    indexer.SetTextParsing(parser);
    indexer.Clear();
    EXPECT_EQ(log.Take(), kClearLines);
  }
  EXPECT_EQ(plain.Count(), 1);
}

TEST(IndexerTest, SumSubIndexes_NumbersRunAcrossThemAndRemoveLastNeedsTheExactName) {
  TIIndexerSum sum;
  TIFoldersAndFiles own;
  sum.SetFoldersAndFiles(&own);
  sum.AddDocument(own.AddFullName(u"/own.txt"));
  EXPECT_EQ(sum.GetFileName(0), u"/own.txt");

  TIIndexer& first = sum.AddSubIndex(u"Local");
  TIIndexer& second = sum.AddSubIndex(u"IInternet");
  ASSERT_NE(first.FoldersAndFiles(), nullptr);
  ASSERT_NE(first.FoldersAndFiles(), second.FoldersAndFiles());
  for (const char16_t* name : {u"/a/1", u"/a/2"}) first.AddDocument(first.FoldersAndFiles()->AddFullName(name));
  for (const char16_t* name : {u"/b/1", u"/b/2", u"/b/3"}) {
    second.AddDocument(second.FoldersAndFiles()->AddFullName(name));
  }
  // With sub-indexes the sum's own documents take no part.
  const std::vector<std::u16string> expected = {u"/a/1", u"/a/2", u"/b/1", u"/b/2", u"/b/3", u""};
  for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(sum.GetFileName(i), expected[static_cast<size_t>(i)]) << i;
  EXPECT_EQ(sum.GetFileName(-1), u"");

  EXPECT_EQ(sum.RemoveLast(u"iinternet"), -1);
  EXPECT_EQ(sum.RemoveLast(u"Local"), -1);
  EXPECT_EQ(sum.RemoveLast(u"IInternet"), 0);
  EXPECT_EQ(sum.SubIndexCount(), 1);
  EXPECT_EQ(sum.GetFileName(2), u"");
  EXPECT_EQ(sum.GetFileName(1), u"/a/2");

  sum.AddSubIndex(u"IInternet").AddDocument(-1);
  ScopedLog log;
  sum.Clear();
  EXPECT_EQ(log.Take(), kClearLines);
  EXPECT_EQ(sum.SubIndexCount(), 0);
  EXPECT_EQ(sum.DocumentCount(), 0);
  EXPECT_EQ(sum.GetFileName(0), u"");
  EXPECT_EQ(sum.RemoveLast(u"IInternet"), -1);
}

}  // namespace
}  // namespace kestrune
