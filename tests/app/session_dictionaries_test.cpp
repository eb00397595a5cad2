// The dictionaries, the stop words and the history file's settings.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "app/history_settings.h"
#include "core/message_strings.h"
#include "platform/settings_store.h"
#include "tests/app/session_fixture.h"

namespace kestrune {
namespace {

using test::TSessionFixture;
using test::TestProgram;

// Two dictionaries: "a.dws" (language 9) and "b.dws" (language 25), and a
// stop list that names a word both hold twice (as a noun and a verb).
void TwoDictionaries(TestProgram& p) {
  test::WriteDictionary(p.Program() + "dictionaries/a.dws", 9, u"A", {{u"apple", 3}, {u"bank", 3}, {u"bank", 1}});
  test::WriteDictionary(p.Program() + "dictionaries/b.dws", 25, u"B", {{u"berry", 3}});
  test::WriteFileBytes(p.Program() + "dictionaries/stop.txt", test::Utf16Bytes(u"bank\r\n", true));
}

// The word identifiers of texts in the session's dictionary, "-" for none.
std::string Ids(TKestruneSession& s, std::vector<std::u16string> words) {
  std::string ids;
  for (const std::u16string& w : words) {
    TWordVariant hit;
    const int32_t n = s.WordDictionary.FindFirst(w, hit, 0);
    ids += (ids.empty() ? "" : " ") + (n > 0 ? std::to_string(hit.WordIndex) : std::string("-"));
  }
  return ids;
}

int32_t Marked(TKestruneSession& s) {
  int32_t marked = 0;
  for (int32_t i = 0; i < s.WordDictionary.Count(); ++i) marked += s.WordDictionary.GetWord(i)->GetFlags() & 1;
  return marked;
}

TEST(SessionDictionaries, LoadInListOrderWithStopWords) {
  TSessionFixture f(TwoDictionaries);
  TKestruneSession& s = *f.session;
  ASSERT_EQ(s.Config.DictionaryList.size(), 2u);
  EXPECT_EQ(Ids(s, {u"apple", u"bank", u"berry"}), "0 1 3");
  EXPECT_EQ(Marked(s), 2);  // both readings of "bank"

  s.LoadDictionaries(false);
  EXPECT_EQ(Marked(s), 0);  // no stop words until they are loaded
  s.LoadStopWords();
  EXPECT_EQ(Marked(s), 2);

  std::swap(s.Config.DictionaryList[0], s.Config.DictionaryList[1]);
  s.LoadDictionaries(true);
  EXPECT_EQ(Ids(s, {u"apple", u"bank", u"berry"}), "1 2 0");  // the identifiers follow the list
  s.Config.DictionaryList[0].Active = false;
  // The splash's counts: none before the files, the active file count and
  // the files done while loading, both 1 with 100 at the end.
  struct Report {
    int32_t percent, count, done;
    bool operator==(const Report&) const = default;
  };
  std::vector<Report> reports;
  std::vector<std::u16string> texts;
  s.Hooks.OnDictionaryProgress = [&](int32_t percent, std::u16string_view text, int32_t count, int32_t done) {
    EXPECT_GE(percent, 0);
    EXPECT_LE(percent, 100);
    reports.push_back({percent, count, done});
    if (!text.empty()) texts.emplace_back(text);
  };
  s.LoadDictionaries(true);
  EXPECT_EQ(Ids(s, {u"apple", u"berry"}), "0 -");
  EXPECT_EQ(texts, std::vector<std::u16string>{u"Dict a.dws"});
  ASSERT_GE(reports.size(), 3u);
  EXPECT_EQ(reports.front(), (Report{0, 0, 0}));
  EXPECT_EQ(reports.back(), (Report{100, 1, 1}));
  for (size_t i = 1; i + 1 < reports.size(); ++i) {
    EXPECT_EQ(reports[i].count, 1);
    EXPECT_EQ(reports[i].done, 0);
  }
  // The dictionary's progress hook is gone with the load.
  EXPECT_FALSE(s.WordDictionary.OnProgressChange);
}

// A dictionary file the start cannot read is told once, with why, and stays
// switched on in the settings (as it was), so that the repaired file is used
// again at the next start.
TEST(SessionDictionaries, ADamagedDictionaryIsToldAndStaysOnUntilRepaired) {
  const std::u16string& checksum = MessageStrings.smDictionaryChecksum;
  const std::u16string& damaged = MessageStrings.smDictionaryDamaged;
  struct TCase {
    const char* name;
    std::function<void(std::string& bytes)> damage;
    const char* stored;  // the Dictionaries value; null: none (every dictionary active)
    const std::u16string* why;
    const char* storedAfter;  // after the run; null: still none
    bool activeAfterRepair;
  } cases[] = {
      {"checksum fails", [](std::string& b) { b[b.size() - 3] ^= 0x40; }, "9, 25", &checksum, "25, 9", true},
      {"checksum fails, all active", [](std::string& b) { b[b.size() - 3] ^= 0x40; }, nullptr, &checksum, nullptr,
       true},
      {"cut short", [](std::string& b) { b.resize(b.size() / 2); }, "9, 25", &checksum, "25, 9", true},
      {"empty", [](std::string& b) { b.clear(); }, "9, 25", &damaged, "25, 9", true},
      {"empty, all active", [](std::string& b) { b.clear(); }, nullptr, &damaged, nullptr, true},
      {"no DRWS frame", [](std::string& b) { b[0] = 'X'; }, "25, 9", &damaged, "25, 9", true},
      {"switched off and damaged", [](std::string& b) { b[b.size() - 3] ^= 0x40; }, "25", &checksum, "25", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string good;
    TSessionFixture f([&](TestProgram& p) {
      TwoDictionaries(p);
      const std::string file = p.Program() + "dictionaries/a.dws";
      good = test::ReadFileBytes(file);
      std::string bytes = good;
      c.damage(bytes);
      test::WriteFileBytes(file, bytes);
      if (c.stored) {
        std::filesystem::create_directories(std::filesystem::path(p.Hive()).parent_path());
        test::WriteFileBytes(p.Hive(), std::string("KESTRUNE HIVE 1\n[SOFTWARE\\Kestrune Inc\\Kestrune Search]\n") +
                                           "\"Dictionaries\"=sz:\"" + c.stored + "\"\n");
      }
    });
    TKestruneSession& s = *f.session;
    EXPECT_EQ(Ids(s, {u"apple"}), "-");
    s.TellStartDamage();
    s.TellStartDamage();
    const std::string told = platform::Utf16ToUtf8(MessageStrings.smDictionariesNotRead + u"\na.dws - " + *c.why +
                                                   u" / " + MessageStrings.smMes);
    EXPECT_EQ(f.boxes, std::vector<std::string>{told});
    EXPECT_NE(f.Log().find("[Warning] The dictionary a.dws could not be read"), std::string::npos);
    s.Destroy();
    {
      platform::SettingsStore store;
      ASSERT_TRUE(store.OpenKeyReadOnly(kSettingsKey));
      EXPECT_EQ(store.ValueExists("Dictionaries"), c.storedAfter != nullptr);
      if (c.storedAfter) EXPECT_EQ(store.ReadString("Dictionaries"), c.storedAfter);
    }

    // Repaired: used again (or still off), and nothing is told.
    test::WriteFileBytes(f.program.Program() + "dictionaries/a.dws", good);
    f.boxes.clear();
    f.session = std::make_unique<TKestruneSession>(f.program.WProgram());
    f.session->ReadLanguageTable();
    f.session->Config.ReadStartupSettings();
    ASSERT_TRUE(f.Create());
    f.session->TellStartDamage();
    EXPECT_TRUE(f.boxes.empty());
    EXPECT_EQ(Ids(*f.session, {u"apple"}) != "-", c.activeAfterRepair);
    EXPECT_NE(Ids(*f.session, {u"berry"}), "-");
  }
}

TEST(SessionDictionaries, HistoryFileSettings) {
  struct Case {
    const char* before;  // the history file; nullptr: none
    bool indexExists;
    bool readOnly;
    bool mapPhrases;
    bool indexActive;
    const char* after;   // the file afterwards
  } cases[] = {
      {nullptr, false, false, false, false, "[MAIN]\nPath=\"<dir>\"\n[Other]\nMapPhrases=false\n"},
      {"[User]\nkey=1\n[MAIN]\n; note\nPath=old\nOther=2\n\n[Indexes]\n\"gone\"=3\n[Other]\nMapPhrases=True\n",
       false, false, false, false,
       "[User]\nkey=1\n[MAIN]\n; note\nPath=\"<dir>\"\nOther=2\n\n[Other]\nMapPhrases=false\n"},
      {"[other]\r\nmapphrases=true\r\n[INDEXES]\r\n\"<index>\"=1\r\n", true, false, true, true,
       "[other]\r\nMapPhrases=true\r\n[MAIN]\r\nPath=\"<dir>\"\r\n[Indexes]\r\n\"<index>\"=7\r\n"},
      {"[Other]\nMapPhrases=true\n[Indexes]\n\"<index>\"=1\n", false, false, true, false,
       "[Other]\nMapPhrases=true\n[MAIN]\nPath=\"<dir>\"\n"},
      {"[Other]\nMapPhrases=true\n", false, true, true, false, "[Other]\nMapPhrases=true\n"},  // kept whole
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    std::string dir, index, history;
    auto fill = [&](std::string text) {
      for (const auto& [from, to] : {std::pair{std::string("<dir>"), dir}, std::pair{std::string("<index>"), index}}) {
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
          text.replace(at, from.size(), to);
        }
      }
      return text;
    };
    TSessionFixture f([&](TestProgram& p) {
      dir = p.Dir().Path() + "kes \"base\"/";
      index = p.Dir().Path() + "index 1.idx";
      history = dir + "default.kes";
      std::filesystem::create_directories(dir);
      std::filesystem::create_directories(p.UserData() + "bases");
      test::WriteFileBytes(p.UserData() + "history", test::Utf16Bytes(platform::Utf8ToUtf16(history), true));
      test::WriteFileBytes(p.UserData() + "bases/Indexes.txt", "[Indexes]\n\"" + index + "\"=7,8\n");
      if (c.indexExists) test::WriteFileBytes(index, "x");
      if (c.before) test::WriteFileBytes(history, fill(c.before));
      if (c.readOnly) ::chmod(history.c_str(), 0444);
    });
    TKestruneSession& s = *f.session;
    EXPECT_EQ(s.Config.MapPhrases, c.mapPhrases);
    EXPECT_EQ(s.Config.ActiveIndexPaths.size(), c.indexActive ? 1u : 0u);
    EXPECT_EQ(!s.Config.IndexList.empty() && s.Config.IndexList[0].Active, c.indexActive);
    // The quoted folder comes back through the reader.
    THistorySettings read;
    EXPECT_TRUE(ReadHistorySettings(platform::Utf8ToUtf16(history), read));
    if (!c.readOnly) {
      EXPECT_EQ(read.MainPath, platform::Utf8ToUtf16(dir));
    }
    std::string expected = fill(c.after);
    // The quotes inside the folder's name are doubled in the file.
    for (size_t at = expected.find("\"base\""); at != std::string::npos; at = expected.find("\"base\"", at + 8)) {
      expected.replace(at, 6, "\"\"base\"\"");
    }
    EXPECT_EQ(test::ReadFileBytes(history), expected);
    EXPECT_EQ(f.Log().find("could not be written") != std::string::npos, c.readOnly);
  }
}

TEST(SessionDictionaries, TheHistoryMenuLoadsAnotherFile) {
  TSessionFixture f(TwoDictionaries);
  TKestruneSession& s = *f.session;
  const std::u16string other = f.program.Dir().WPath() + u"Other.kes";
  test::WriteFileBytes(f.program.Dir().File("Other.kes"), "[Other]\nMapPhrases=true\n");
  const std::u16string first = s.IHistory1.CurrentFile();
  s.IHistory1.MenuItemClick(other);  // the session binds the menu when it is created
  EXPECT_EQ(s.IHistory1.CurrentFile(), other);
  EXPECT_EQ(s.IHistory1.Items().size(), 2u);
  EXPECT_TRUE(s.Config.MapPhrases);
  EXPECT_EQ(Marked(s), 2);
  // The chosen path may be the list's own entry, which Add moves to the top.
  s.IHistory1.MenuItemClick(s.IHistory1.Items()[1]);
  EXPECT_EQ(s.IHistory1.Items(), (std::vector<std::u16string>{first, other}));
  EXPECT_FALSE(s.Config.MapPhrases);
}

}  // namespace
}  // namespace kestrune
