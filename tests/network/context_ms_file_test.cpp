// The context model's files: the file set and its base name, the file
// table's ".anf" file, the checks after Open on truncated and mismatched
// sets, the old word-id file and the old project chunk.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "core/frame.h"
#include "core/tag_stream.h"
#include "language/phrase_word_dictionary.h"
#include "network/context_ms.h"
#include "platform/message_box.h"
#include "tests/network/context_ms_test_support.h"

namespace kestrune {
namespace {

using test::MakeParse;
using test::ReadFileBytes;
using test::ScopedLog;
using test::TempDir;
using test::WriteFileBytes;

namespace fs = std::filesystem;

// A model of three documents built as the main window builds it.
void Build(TIContextMS& model) {
  const TParsingText text = MakeParse({{{1, 2, 3}}, {{4, 2}}, {{5}},
                                       {{2, 6}}, {{7}}, {{}},
                                       {{8, 1, 9}}, {{3}}, {{10}}});
  model.Clear();
  for (int32_t i = 0; i < 3; ++i) {
    model.AddFile(i);
    model.AddTitleMSPage(text, 3 * i, i);
    model.AddAnnotateMSPage(text, 3 * i + 1, i);
    model.AddUrlMSPage(text, 3 * i + 2, i, {{2, 1.0f}, {20 + i, 1.0f}}, 0.9f - static_cast<float>(i) * 0.00001f);
  }
}

// Everything the files hold, as text: word ids in node order, file
// records, elements' parameters and relations.
std::string Contents(TIContextMS& model) {
  std::string out;
  for (int32_t i = 0; i < model.WordIdSet().Count(); ++i) out += std::to_string(model.WordIdSet().GetItem(i)) + ",";
  out += "|";
  for (int32_t i = 0; i < model.Files().Count(); ++i) {
    const TFileRange& r = model.Files().Record(i);
    out += std::to_string(r.FileId) + ":" + std::to_string(r.First) + ":" + std::to_string(r.Count) + ",";
  }
  TIASN& net = model.Network();
  for (int8_t l = 0; l < net.LayerCount(); ++l) {
    out += "|L" + std::to_string(net.GetLayer(l)->GetBudget());
    for (int32_t e = 0; e < net.GetLayer(l)->GetCount(); ++e) {
      const TASNElement* element = net.GetElement({l, e});
      out += " " + std::to_string(element->GetAnchor()) + "(";
      for (int32_t k = 0; k < element->GetRelationListCount(); ++k) {
        const TLayerRelations* list = element->GetRelationList(k);
        for (int32_t n = 0; n < list->Count(); ++n) {
          char weight[32];
          std::snprintf(weight, sizeof(weight), "%a", static_cast<double>(list->Weights[n]));
          out += std::to_string(list->TargetLayer) + "/" + std::to_string(list->Target(n)) + "=" + weight + ";";
        }
      }
      out += ")";
    }
  }
  return out;
}

// An old "WNAF" word-id body: the count, then (value, kind) entries.
std::string LegacyWordIds(int32_t count, const std::vector<std::pair<int32_t, int16_t>>& entries) {
  TMemoryStream stream;
  {
    TTagStream tags(&stream);
    tags.BeginTag(1);
    tags.WriteInteger(count);
    tags.EndTag();
    for (auto [value, kind] : entries) {
      tags.BeginTag(2);
      tags.WriteInteger(value);
      tags.WriteSmallInt(kind);
      tags.EndTag();
    }
  }
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

std::string LegacyWordIdFile(int32_t count, const std::vector<std::pair<int32_t, int16_t>>& entries) {
  return std::string("WNAF") + std::string(12, '\0') + LegacyWordIds(count, entries);
}

TEST(ContextMSFile, BaseNameRuleAndRoundTrip) {
  TempDir dir;
  struct Case {
    std::string name;
    std::string base;
  };
  for (const Case& c : {Case{"net.inn", "net"}, Case{"net", "net"}, Case{"net.INN", "net.INN"},
                        Case{"a.inn.inn", "a.inn"}}) {
    TIContextMS model;
    Build(model);
    for (const char* ext : {".inn", ".anw", ".anf"}) fs::remove(dir.File(c.base + ext));
    EXPECT_EQ(model.Save(dir.WFile(c.name)), 0) << c.name;
    for (const char* ext : {".inn", ".anw", ".anf"}) EXPECT_TRUE(fs::exists(dir.File(c.base + ext))) << c.name << ext;
    EXPECT_FALSE(fs::exists(dir.File(c.base + ".inn.inn")));

    TIContextMS copy;
    copy.Open(dir.WFile(c.name));
    EXPECT_EQ(Contents(copy), Contents(model)) << c.name;
  }
  // The same answers after the round trip.
  TIContextMS model;
  Build(model);
  TIContextMS copy;
  copy.Open(dir.WFile("net"));
  for (TIContextMS* m : {&model, &copy}) m->ActivateWords({{2, 1.0f}}, false);
  int32_t count1 = 10;
  int32_t count2 = 10;
  TNNKeys out1;
  TNNKeys out2;
  model.GetWords({{2, 1.0f}}, {}, count1, out1, 7, 0.01f);
  copy.GetWords({{2, 1.0f}}, {}, count2, out2, 7, 0.01f);
  EXPECT_EQ(out1, out2);
  EXPECT_GT(count1, 0);
}

TEST(ContextMSFile, FileTableFile) {
  TempDir dir;
  TFilesASN files;
  EXPECT_EQ(files.SaveToFile(dir.WFile("t.anf")), TFilesASN::kEmptyTable);
  EXPECT_FALSE(fs::exists(dir.File("t.anf")));
  EXPECT_EQ(files.SaveToFile(u""), TFilesASN::kEmptyName);
  files.Add(7, 0, 1);
  files.Add(3, 1, 2);
  files.Add(9, 3, 1);
  ASSERT_EQ(files.SaveToFile(dir.WFile("t.anf")), 0);
  // One tag 2 holding the count, then three tags 12 of 12 bytes.
  const int32_t body[] = {7, 0, 1, 3, 1, 2, 9, 3, 1};
  std::string expected = std::string("\x04\x04", 2) + std::string("\x03\0\0\0", 4);
  for (int r = 0; r < 3; ++r) {
    expected += std::string("\x18\x0c", 2);
    expected.append(reinterpret_cast<const char*>(&body[3 * r]), 12);
  }
  EXPECT_EQ(ReadFileBytes(dir.File("t.anf")), expected);

  TFilesASN loaded;
  loaded.Add(1, 0, 0);
  EXPECT_EQ(loaded.LoadFromFile(dir.WFile("t.anf")), 0);
  ASSERT_EQ(loaded.Count(), 3);
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(loaded.Record(r).FileId, body[3 * r]);
    EXPECT_EQ(loaded.Record(r).First, body[3 * r + 1]);
    EXPECT_EQ(loaded.Record(r).Count, body[3 * r + 2]);
  }
  EXPECT_EQ(loaded.LoadFromFile(u""), TFilesASN::kEmptyName);
  EXPECT_EQ(loaded.LoadFromFile(dir.WFile("none.anf")), TFilesASN::kFileMissing);

  // Corrupt bodies: a count beyond what the file holds, a negative count, a
  // short record, a missing record, no tag at all. A record with file id
  // -1 is dropped.
  std::string dropped = expected;
  std::memset(&dropped[8], 0xFF, 4);
  struct Case {
    std::string bytes;
    int32_t result;
    int32_t count;
  };
  for (const Case& c : {Case{std::string("\x04\x04\xff\xff\xff\x7f", 6), -1, 0},
                        Case{std::string("\x04\x04\xff\xff\xff\xff", 6), -1, 0},
                        Case{expected.substr(0, expected.size() - 3), -1, 0},
                        Case{expected.substr(0, expected.size() - 14), -1, 0},
                        Case{std::string("\x04", 1), -1, 0},
                        Case{"", -1, 0},
                        Case{dropped, 0, 2}}) {
    WriteFileBytes(dir.File("c.anf"), c.bytes);
    TFilesASN table;
    EXPECT_EQ(table.LoadFromFile(dir.WFile("c.anf")), c.result);
    EXPECT_EQ(table.Count(), c.count);
  }

  // A read-only file is written and stays read-only.
  ::chmod(dir.File("t.anf").c_str(), 0444);
  files.Add(11, 4, 1);
  EXPECT_EQ(files.SaveToFile(dir.WFile("t.anf")), 0);
  struct stat st {};
  ASSERT_EQ(::stat(dir.File("t.anf").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  ASSERT_EQ(loaded.LoadFromFile(dir.WFile("t.anf")), 0);
  EXPECT_EQ(loaded.Count(), 4);
}

TEST(ContextMSFile, OnlyWordsAndStaleFileTable) {
  TempDir dir;
  TIContextMS model;
  Build(model);
  ASSERT_EQ(model.Save(dir.WFile("net.inn")), 0);
  const std::string table = ReadFileBytes(dir.File("net.anf"));

  // OnlyWords: the .anf is neither written nor read.
  TIContextMS words;
  words.SetOnlyWords(true);
  words.AddWord(5);
  fs::remove(dir.File("w.anf"));
  ASSERT_EQ(words.Save(dir.WFile("w")), 0);
  EXPECT_TRUE(fs::exists(dir.File("w.anw")));
  EXPECT_TRUE(fs::exists(dir.File("w.inn")));
  EXPECT_FALSE(fs::exists(dir.File("w.anf")));
  TIContextMS reader;
  reader.SetOnlyWords(true);
  reader.Open(dir.WFile("net"));
  EXPECT_EQ(reader.Files().Count(), 0);
  EXPECT_EQ(reader.WordIdSet().Count(), model.WordIdSet().Count());

  // An empty file table removes the earlier .anf, so that the new words are
  // never paired with old documents.
  TIContextMS empty;
  empty.AddWord(5);
  ASSERT_EQ(empty.Save(dir.WFile("net")), 0);
  EXPECT_FALSE(fs::exists(dir.File("net.anf")));
  TIContextMS again;
  again.Open(dir.WFile("net"));
  EXPECT_EQ(again.Files().Count(), 0);
  EXPECT_EQ(again.FindWordElement(5), 0);
  EXPECT_FALSE(table.empty());
}

// The names in a folder, sorted.
std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A save replaces the three files only when all three were written: a part
// that cannot be written or cannot take the place of its file leaves the
// earlier set whole, and no temporary file stays behind. Read-only files are
// replaced and stay read-only.
TEST(ContextMSFile, SaveReplacesTheSetOnlyWhenEveryPartIsWritten) {
  struct Case {
    const char* folder;  // a folder put in place of this file, or null
    int32_t result;
    const char* failed;  // the file named in the error line
  };
  // Without a folder in the way, the network has no layer to write.
  for (const Case& c : {Case{".anw", TIAVLTree::kFileError, ".anw"}, Case{".anf", TFilesASN::kFileError, ".anf"},
                        Case{".inn", TIASN::kFileError, ".inn"}, Case{nullptr, TIASN::kNoLayers, ".inn"}}) {
    SCOPED_TRACE(c.failed);
    TempDir dir;
    TIContextMS earlier;
    earlier.AddWord(77);
    earlier.AddFile(3);
    ASSERT_EQ(earlier.Save(dir.WFile("net.inn")), 0);
    std::map<std::string, std::string> before;
    for (const char* ext : {".inn", ".anw", ".anf"}) before[ext] = ReadFileBytes(dir.File(std::string("net") + ext));
    if (c.folder) {
      fs::remove(dir.File(std::string("net") + c.folder));
      fs::create_directory(dir.File(std::string("net") + c.folder));
    }
    const std::vector<std::string> names = Listing(dir.Path());

    TIContextMS model;
    Build(model);
    if (!c.folder) model.Network().Clear();
    ScopedLog log;
    EXPECT_EQ(model.Save(dir.WFile("net.inn")), c.result);
    for (const char* ext : {".inn", ".anw", ".anf"}) {
      if (c.folder && std::string(c.folder) == ext) continue;
      EXPECT_TRUE(ReadFileBytes(dir.File(std::string("net") + ext)) == before[ext]) << ext << " was replaced";
    }
    EXPECT_EQ(Listing(dir.Path()), names);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{
                              "[Info] start TIContextMS.Save (" + dir.File("net.inn") + ")",
                              "[Error] TIContextMS.Save: " + dir.File(std::string("net") + c.failed) +
                                  " not written (" + std::to_string(c.result) + ")",
                              "[Info] TIContextMS.Save end"}));
    if (c.folder) continue;

    // The earlier set made read-only: replaced, and read-only still.
    for (const char* ext : {".inn", ".anw", ".anf"}) ::chmod(dir.File(std::string("net") + ext).c_str(), 0444);
    Build(model);
    ASSERT_EQ(model.Save(dir.WFile("net")), 0);
    for (const char* ext : {".inn", ".anw", ".anf"}) {
      struct stat st {};
      ASSERT_EQ(::stat(dir.File(std::string("net") + ext).c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0444u) << ext;
    }
    TIContextMS copy;
    copy.Open(dir.WFile("net"));
    EXPECT_EQ(Contents(copy), Contents(model));
  }
  TIContextMS model;
  EXPECT_EQ(model.Save(u""), TIContextMS::kEmptyName);
}

TEST(ContextMSFile, TruncatedOrMismatchedFileSets) {
  TempDir dir;
  TIContextMS model;
  Build(model);
  ASSERT_EQ(model.Save(dir.WFile("net")), 0);
  const std::string inn = ReadFileBytes(dir.File("net.inn"));
  const std::string anw = ReadFileBytes(dir.File("net.anw"));
  const std::string anf = ReadFileBytes(dir.File("net.anf"));
  const int32_t words = model.WordIdSet().Count();

  // A set saved from a smaller model: fewer word ids than word elements.
  TIContextMS small;
  small.AddWord(1);
  small.AddWord(2);
  ASSERT_EQ(small.Save(dir.WFile("small")), 0);
  const std::string smallAnw = ReadFileBytes(dir.File("small.anw"));
  // A file table whose last document lies past the pages.
  TFilesASN wide;
  wide.Add(0, 0, 1);
  wide.Add(1, 1, 1);
  wide.Add(2, 2, 2);
  ASSERT_EQ(wide.SaveToFile(dir.WFile("wide.anf")), 0);
  const std::string wideAnf = ReadFileBytes(dir.File("wide.anf"));

  struct Case {
    const char* what;
    std::string inn, anw, anf;
    bool missingInn;
    int32_t wordsLeft;  // -1: the model as saved
    int32_t filesLeft;
    std::string error;
  };
  const std::string mismatch = "[Error] TIContextMS.Open: 2 word identifiers for " + std::to_string(words) +
                               " word elements; the model is cleared";
  const std::string noElements =
      "[Error] TIContextMS.Open: " + std::to_string(words) + " word identifiers for 0 word elements; the model is cleared";
  const Case cases[] = {
      {"as saved", inn, anw, anf, false, -1, 3, ""},
      {"fewer word ids", inn, smallAnw, anf, false, 0, 0, mismatch},
      {"file range past the pages", inn, anw, wideAnf, false, words, 0,
       "[Error] TIContextMS.Open: file 2 lies outside the 3 page elements; the file table is dropped"},
      {"truncated file table", inn, anw, anf.substr(0, anf.size() - 5), false, words, 0,
       "[Error] TIContextMS.Open: " + dir.File("set.anf") + " cannot be read (-1); no file table"},
      {"network cut in its elements", inn.substr(0, 60), anw, anf, false, 0, 0, noElements},
      {"no network file", "", anw, anf, true, 0, 0, noElements},
      {"word ids of another kind", inn, "XXXX" + anw.substr(4), anf, false, 0, 0,
       "[Error] TIContextMS.Open: 0 word identifiers for " + std::to_string(words) +
           " word elements; the model is cleared"},
  };
  for (const Case& c : cases) {
    for (const char* ext : {".inn", ".anw", ".anf"}) fs::remove(dir.File(std::string("set") + ext));
    if (!c.missingInn) WriteFileBytes(dir.File("set.inn"), c.inn);
    WriteFileBytes(dir.File("set.anw"), c.anw);
    WriteFileBytes(dir.File("set.anf"), c.anf);
    TIContextMS opened;
    ScopedLog log;
    opened.Open(dir.WFile("set.inn"));
    const std::vector<std::string> lines = log.Take();
    if (c.wordsLeft < 0) {
      EXPECT_EQ(Contents(opened), Contents(model)) << c.what;
    } else {
      EXPECT_EQ(opened.WordIdSet().Count(), c.wordsLeft) << c.what;
    }
    // Whatever was read, the parts agree and the standard layers stand.
    EXPECT_EQ(opened.WordIdSet().Count(), opened.Network().GetLayer(0)->GetCount()) << c.what;
    EXPECT_EQ(opened.Network().LayerCount(), 2) << c.what;
    EXPECT_EQ(opened.Files().Count(), c.filesLeft) << c.what;
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(), "[Info] start TIContextMS.Open (" + dir.File("set.inn") + ")");
    EXPECT_EQ(lines.back(), "[Info] TIContextMS.Open end");
    if (!c.error.empty()) {
      EXPECT_NE(std::find(lines.begin(), lines.end(), c.error), lines.end()) << c.what;
    }
  }
}

// Word ids that cannot be read never stay paired with a newly read network:
// a missing, unreadable or unknown word-id file clears the word ids (logged),
// and the check then clears the model, even where the old ids were as many as
// the new word elements. A missing file table drops the old table.
TEST(ContextMSFile, OpenWithoutUsableWordIdsOrFileTable) {
  TempDir dir;
  TIContextMS saved;
  Build(saved);
  ASSERT_EQ(saved.Save(dir.WFile("net")), 0);
  const std::string inn = ReadFileBytes(dir.File("net.inn"));
  const std::string anw = ReadFileBytes(dir.File("net.anw"));
  const std::string anf = ReadFileBytes(dir.File("net.anf"));
  std::string badCrc = anw;
  badCrc[20] ^= 1;

  struct Case {
    const char* what;
    std::string anw;  // "-": no file
    int32_t code;     // the reader's result in the log line
  };
  const Case cases[] = {
      {"missing", "-", TIContextMS::kFileMissing},
      {"another kind", "XXXX" + anw.substr(4), TIContextMS::kWrongMagic},
      {"old kind cut short", LegacyWordIdFile(9, {{5, -12}}), TIContextMS::kFileError},
      {"checksum differs", badCrc, TIAVLTree::kCRCMismatch},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(dir.File("set.anw"));
    WriteFileBytes(dir.File("set.inn"), inn);
    WriteFileBytes(dir.File("set.anf"), anf);
    if (c.anw != "-") WriteFileBytes(dir.File("set.anw"), c.anw);
    // A model of other words, as many as the set's word elements.
    TIContextMS model;
    for (int32_t i = 0; i < saved.WordIdSet().Count(); ++i) model.AddWord(500 + i);
    ScopedLog log;
    model.Open(dir.WFile("set"));
    const std::vector<std::string> lines = log.Take();
    EXPECT_EQ(model.WordIdSet().Count(), 0);
    EXPECT_EQ(model.Network().GetLayer(0)->GetCount(), 0);
    EXPECT_EQ(model.Files().Count(), 0);
    const std::string expected = "[Error] TIContextMS.Open: " + dir.File("set.anw") + " cannot be read (" +
                                 std::to_string(c.code) + "); no word identifiers";
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end());
  }

  // The file table: a missing .anf drops the table the model held.
  WriteFileBytes(dir.File("set.anw"), anw);
  fs::remove(dir.File("set.anf"));
  TIContextMS model;
  model.AddFile(0);
  model.Open(dir.WFile("set"));
  EXPECT_EQ(model.Files().Count(), 0);
  EXPECT_EQ(model.WordIdSet().Count(), saved.WordIdSet().Count());

  // A missing network file: the earlier network, of as many word elements,
  // does not stay paired with the new word ids.
  fs::remove(dir.File("set.inn"));
  TIContextMS other;
  for (int32_t i = 0; i < saved.WordIdSet().Count(); ++i) other.AddWord(500 + i);
  ScopedLog log;
  other.Open(dir.WFile("set"));
  const std::vector<std::string> lines = log.Take();
  EXPECT_EQ(other.WordIdSet().Count(), 0);
  EXPECT_EQ(other.Network().GetLayer(0)->GetCount(), 0);
  const std::string missing = "[Error] TIContextMS.Open: " + dir.File("set.inn") + " is missing; no network";
  EXPECT_NE(std::find(lines.begin(), lines.end(), missing), lines.end());
}

// An ".anf" file of the given records, byte by byte: tag 2 with the count,
// then one tag 12 of 12 bytes per record.
std::string AnfBytes(const std::vector<TFileRange>& records) {
  auto integer = [](int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  std::string bytes = std::string("\x04\x04", 2) + integer(static_cast<int32_t>(records.size()));
  for (const TFileRange& r : records) bytes += std::string("\x18\x0c", 2) + integer(r.FileId) + integer(r.First) + integer(r.Count);
  return bytes;
}

// The file table's ranges must follow each other in rising page order
// without overlapping, since a page's document is found by a binary search
// on the first pages; otherwise the table is dropped.
TEST(ContextMSFile, FileTableRangesMustRiseWithoutOverlap) {
  TempDir dir;
  TIContextMS saved;
  for (int32_t f = 0; f < 4; ++f) saved.AddFile(f);
  ASSERT_EQ(saved.Save(dir.WFile("set")), 0);
  struct Case {
    const char* what;
    std::vector<TFileRange> records;
    bool kept;
  };
  const Case cases[] = {
      {"rising", {{0, 0, 1}, {1, 1, 1}, {2, 2, 2}}, true},
      {"rising with a gap and an empty range", {{5, 0, 1}, {6, 2, 1}, {7, 3, 0}, {8, 3, 1}}, true},
      {"falling", {{0, 1, 1}, {1, 0, 1}, {2, 2, 1}}, false},
      {"overlapping", {{0, 0, 2}, {1, 1, 1}}, false},
      {"an empty range inside another", {{0, 0, 3}, {1, 1, 0}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(dir.File("set.anf"), AnfBytes(c.records));
    TIContextMS model;
    ScopedLog log;
    model.Open(dir.WFile("set"));
    const std::vector<std::string> lines = log.Take();
    const std::string dropped =
        "[Error] TIContextMS.Open: the file ranges are not in rising page order; the file table is dropped";
    EXPECT_EQ(model.Files().Count(), c.kept ? static_cast<int32_t>(c.records.size()) : 0);
    EXPECT_EQ(std::find(lines.begin(), lines.end(), dropped) != lines.end(), !c.kept);
  }
}

TEST(ContextMSFile, OlderNetworkFileAndItsMessage) {
  TempDir dir;
  // A version-0 network: two layers, three elements, one relation.
  TMemoryStream stream;
  {
    TTagStream tags(&stream);
    const TFrameHeader frame{kMagicASNF, 0, 0, 0};
    tags.WriteRaw(&frame, sizeof(frame));
    const int32_t counts[2] = {3, 2};
    tags.WriteTag(1, counts, sizeof(counts));
    for (int8_t layer : {0, 0, 1}) {
      uint8_t block[21] = {};
      const float values[5] = {0.001f, 1.0f, 1.0f, 0.0f, 1.0f};
      std::memcpy(block, values, sizeof(values));
      block[20] = static_cast<uint8_t>(layer);
      tags.WriteTag(2, block, sizeof(block));
    }
    int32_t relation[4] = {0, 1, 1, 0};  // source 0, one pair: target 1, weight 0.25
    const float weight = 0.25f;
    std::memcpy(&relation[3], &weight, 4);
    tags.WriteTag(TIASN::kLegacyRelationTag, relation, sizeof(relation));
  }
  WriteFileBytes(dir.File("old.inn"), std::string(stream.Bytes().begin(), stream.Bytes().end()));
  WriteFileBytes(dir.File("old.anw"), LegacyWordIdFile(2, {{5, -12}, {6, -12}}));

  std::vector<std::u16string> shown;
  platform::SetMessageBoxHandler([&](std::u16string_view text, std::u16string_view, uint32_t) {
    shown.emplace_back(text);
    return platform::kIdOk;
  });
  TIContextMS model;
  model.Open(dir.WFile("old.inn"));
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(model.Network().GetLayer(0)->GetBudget(), 20.0f);
  EXPECT_EQ(model.FindWordElement(2000005), 0);
  EXPECT_EQ(model.FindWordElement(2000006), 1);
  EXPECT_EQ(model.GetRelationWeight(2000005, 2000006), 0.25f);

  // A version-0 file the older reader cannot read either: "OOO!!!", and
  // Open goes on with the other files.
  std::string broken(reinterpret_cast<const char*>(stream.Bytes().data()), 16);
  broken[8] = 2;  // version 2
  WriteFileBytes(dir.File("old.inn"), broken);
  TIContextMS other;
  other.Open(dir.WFile("old"));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], u"OOO!!!");
  platform::SetMessageBoxHandler(nullptr);
}

TEST(ContextMSFile, OldWordIdFiles) {
  TempDir dir;
  TIContextMS model;
  WriteFileBytes(dir.File("avlf.anw"), std::string("AVLF") + std::string(12, '\0'));
  WriteFileBytes(dir.File("other.anw"), std::string("ABCD") + std::string(12, '\0'));
  WriteFileBytes(dir.File("short.anw"), "WN");
  EXPECT_EQ(model.LoadWordIdsFile(u""), -2);
  EXPECT_EQ(model.LoadWordIdsFile(dir.WFile("none.anw")), -3);
  EXPECT_EQ(model.LoadWordIdsFile(dir.WFile("avlf.anw")), -10);
  EXPECT_EQ(model.LoadWordIdsFile(dir.WFile("other.anw")), -4);
  EXPECT_EQ(model.LoadWordIdsFile(dir.WFile("short.anw")), -4);

  // Phrases map to 2000000 + Value. A repeated identifier keeps its place
  // with a value that matches no word, so the entries after it stay with
  // their elements.
  WriteFileBytes(dir.File("old.anw"), LegacyWordIdFile(5, {{5, -12}, {7, -12}, {5, -12}, {9, -12}, {7, -12}}));
  ASSERT_EQ(model.LoadWordIdsFile(dir.WFile("old.anw")), 0);
  ASSERT_EQ(model.WordIdSet().Count(), 5);
  EXPECT_EQ(model.GetWordId(0), -1);  // no word element yet
  for (int32_t e = 0; e < 5; ++e) model.Network().AddElement(0, e, 0.001f, 1.0f, 1.0f, 1.0f);
  const int32_t expected[] = {2000005, 2000007, -1, 2000009, -1};
  for (int32_t e = 0; e < 5; ++e) EXPECT_EQ(model.GetWordId(e), expected[e]) << e;
  EXPECT_EQ(model.FindWordElement(2000009), 3);
  EXPECT_EQ(model.FindWordElement(static_cast<int32_t>(model.WordIdSet().GetItem(2))), -1);
  model.Clear();

  // Without a dictionary other kinds map to -1; with a plain word
  // dictionary the read fails; with the phrase dictionary they are global
  // word indexes (no file loaded: the index itself). A stream that ends
  // before its count stops the read.
  const std::string body = LegacyWordIds(3, {{4, 0}, {8, 0}, {8, 0}});
  auto load = [&](const std::string& bytes) {
    TMemoryStream s(bytes.data(), bytes.size());
    return model.LoadLegacyWordIds(s);
  };
  EXPECT_EQ(load(body), 0);
  EXPECT_EQ(model.WordIdSet().GetItem(0), -1);
  EXPECT_TRUE(TIContextMS::IsPlaceholder(static_cast<int32_t>(model.WordIdSet().GetItem(1))));
  EXPECT_EQ(model.WordIdSet().Count(), 3);
  TIWordDictionary plain;
  model.SetWordDictionary(&plain);
  EXPECT_EQ(load(body), -1);
  TPhraseWordDictionary phrases;
  model.SetWordDictionary(&phrases);
  EXPECT_EQ(load(body), 0);
  EXPECT_EQ(model.WordIdSet().GetItem(0), 4);
  EXPECT_EQ(model.WordIdSet().GetItem(1), 8);
  EXPECT_TRUE(TIContextMS::IsPlaceholder(static_cast<int32_t>(model.WordIdSet().GetItem(2))));
  EXPECT_EQ(load(LegacyWordIds(1000000, {{4, 0}, {5, 0}})), -1);
  EXPECT_EQ(model.WordIdSet().Count(), 2);
  EXPECT_EQ(load(""), -1);
}

// The context chunk of the oldest project format: five tags of any number.
std::vector<uint8_t> ProjectChunk(const std::vector<std::string>& chunks) {
  TMemoryStream stream;
  TTagStream tags(&stream);
  int32_t tag = 16384;
  for (const std::string& chunk : chunks) tags.WriteTag(tag++, chunk.data(), static_cast<int64_t>(chunk.size()));
  return stream.Bytes();
}

std::string Bytes(TMemoryStream& stream) { return std::string(stream.Bytes().begin(), stream.Bytes().end()); }

TEST(ContextMSFile, OldProjectChunk) {
  // The parts: a dictionary of two words, one phrase of them, a network of
  // three word elements and one page, their word ids, one document.
  TIWordDictionary words;
  words.AddWord(u"red", 0, -1);
  words.AddWord(u"apple", 0, -1);
  TMemoryStream dictionaryStream;
  ASSERT_EQ(words.SaveToStream(dictionaryStream, false), 0);

  TPhraseWordDictionary source;
  source.AddWord(u"red", 0, -1);
  source.AddWord(u"apple", 0, -1);
  TPhrase phrase;
  phrase.Entries = {TPhraseEntry{0, 0, 0}, TPhraseEntry{1, 0, 0}};
  source.AddPhrase(phrase);
  TMemoryStream phraseStream;
  ASSERT_EQ(source.SavePhrases(phraseStream), 0);

  TIContextMS original;
  test::AddInputWord(original, 0);
  test::AddInputWord(original, 1);
  test::AddInputWord(original, 2000000);
  original.AddFile(4);
  test::Relate(original, 0, 1, 0.16f);
  test::RelatePage(original, 2000000, 4, 0.7f);
  TMemoryStream networkStream;
  ASSERT_EQ(original.Network().SaveToStream(networkStream), 0);
  TMemoryStream fileStream;
  ASSERT_EQ(original.Files().SaveToStream(fileStream), 0);
  const std::string ids = LegacyWordIds(3, {{0, 0}, {1, 0}, {0, -12}});

  const std::vector<std::string> parts = {Bytes(dictionaryStream), Bytes(phraseStream), Bytes(networkStream), ids,
                                          Bytes(fileStream)};
  {
    TPhraseWordDictionary dictionary;
    TIContextMS model;
    model.SetWordDictionary(&dictionary);
    model.AddWord(77);
    TMemoryStream chunk(ProjectChunk(parts));
    ASSERT_EQ(model.LoadFromProjectStream(chunk), 0);
    EXPECT_EQ(Contents(model), Contents(original));
    EXPECT_EQ(dictionary.Count(), 2);
    ASSERT_EQ(dictionary.PhraseCount(), 1);
    EXPECT_EQ(dictionary.GetWord(2000000)->GetText(), u"red apple");
    EXPECT_EQ(model.GetRelationWeight(0, 1), 0.16f);
  }

  // Failures: no dictionary, a plain dictionary, fewer chunks, word ids
  // that do not match the network, a corrupt network chunk.
  TIWordDictionary plain;
  const std::string twoIds = LegacyWordIds(2, {{0, 0}, {1, 0}});
  std::string corrupt = Bytes(networkStream);
  corrupt[8] = 7;  // version 7
  struct Case {
    const char* what;
    TIWordDictionary* dictionary;
    std::vector<std::string> parts;
    int32_t result;
  };
  TPhraseWordDictionary dictionary;
  const Case cases[] = {
      {"no dictionary", nullptr, parts, -1},
      {"plain dictionary", &plain, parts, -1},
      {"three chunks", &dictionary, {parts[0], parts[1], parts[2]}, -1},
      {"word ids of another network", &dictionary, {parts[0], parts[1], parts[2], twoIds, parts[4]}, -1},
      {"network of another version", &dictionary, {parts[0], parts[1], corrupt, parts[3], parts[4]}, -10},
      {"empty", &dictionary, {}, -1},
  };
  for (const Case& c : cases) {
    TIContextMS model;
    model.SetWordDictionary(c.dictionary);
    TMemoryStream chunk(ProjectChunk(c.parts));
    EXPECT_EQ(model.LoadFromProjectStream(chunk), c.result) << c.what;
    // Whatever was read holds together.
    ASSERT_EQ(model.Network().LayerCount(), 2) << c.what;
    EXPECT_EQ(model.WordIdSet().Count(), model.Network().GetLayer(0)->GetCount()) << c.what;
  }
}

}  // namespace
}  // namespace kestrune
