#include "app/kestrune_session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <sstream>

#include "app/browser_opener.h"
#include "core/log_file.h"
#include "core/message_strings.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "tests/app/page_session.h"
#include "tests/app/program_folder.h"
#include "tests/app/recording_main_view.h"
#include "tests/app/session_fixture.h"

namespace kestrune {
namespace {

using platform::SettingsStore;

// A document's part of the fed text keeps its length: every CR and LF is a
// blank (CR LF two), a part that is one blank only is empty, and each part
// ends as one paragraph.
TEST(KestruneSession, FeedPartTurnsLineBreaksIntoBlanks) {
  const struct {
    std::u16string part, fed;
  } cases[] = {
      {u"a b", u"a b. \r\n\r\n"},
      {u"a\r\nb", u"a  b. \r\n\r\n"},
      {u"a\rb\nc\n\rd", u"a b c  d. \r\n\r\n"},
      {u"", u". \r\n\r\n"},
      {u"\n", u". \r\n\r\n"},
      {u"\r\n", u"  . \r\n\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(TKestruneSession::FeedPart(c.part), c.fed);
}

TEST(KestruneSession, CheckDataFolders) {
  struct Case {
    std::vector<const char*> folders;
    const char* file;  // a file where a folder should be
    bool ok;
    std::u16string missing;
  } cases[] = {
      {{"dictionaries", "templates/en", "update"}, nullptr, true, u""},
      {{"templates/en", "update"}, nullptr, false, u"dictionaries"},
      {{"dictionaries", "templates", "update"}, nullptr, false, u"templates/en"},
      {{"dictionaries", "templates/en"}, nullptr, false, u"update"},
      {{"dictionaries", "templates/en"}, "update", false, u"update"},
      {{"dictionaries", "templates/en", "Update"}, nullptr, true, u""},
      {{"Dictionaries", "Templates/EN", "UPDATE"}, nullptr, true, u""},
      {{}, nullptr, false, u"dictionaries"},  // the first missing one only
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    for (const char* folder : c.folders) std::filesystem::create_directories(dir.Path() + folder);
    if (c.file) test::WriteFileBytes(dir.File(c.file), "x");
    std::u16string missing;
    EXPECT_EQ(TKestruneSession::CheckDataFolders(dir.WPath(), &missing), c.ok) << c.folders.size();
    EXPECT_EQ(missing, c.missing);
  }
}

TEST(KestruneSession, AProgramFolderWithCapitalsFindsItsLanguageFiles) {
  test::TestProgram program("Kestrune Search/Program");
  test::WriteFileBytes(program.Program() + "Language/Russian.LNG", "[Header]\nlanguage=Russian\nlangID=1049\n");
  TKestruneSession session(program.WProgram());
  session.ReadLanguageTable();
  EXPECT_EQ(session.Start.LanguageFolder, program.WProgram() + u"Language/");
  ASSERT_EQ(session.Start.LngHeaders.size(), 2u);
  session.Config.InterfaceLang = 1049;
  session.LoadStartupMessages();
  EXPECT_EQ(session.Start.LanguageList.size(), 1u);  // the options list wants Language, LangID and CodePage
}

// What a case looks at, as "name=value" words: dictionary flags (the files
// list as d25, d5, d9), map words, match, links, parts of speech, news date,
// language, a flag, the engine, the folders ("user": the user's data folder).
std::string Summary(const TKestruneSession& s) {
  std::string dicts;
  for (const TDictionaryEntry& e : s.Config.DictionaryList) dicts += e.Active ? 'T' : 'F';
  const std::u16string user = platform::UserDataFolder();
  auto folder = [&](const std::u16string& f, const std::u16string& fallback) {
    return f == fallback ? std::string("user") : platform::Utf16ToUtf8(f);
  };
  char numbers[160];
  std::snprintf(numbers, sizeof numbers, " ctx=%d exact=%d links=%d pos=%X news=%g lang=%04X ask=%d adv=%d ",
                s.Config.Settings.TrackPosContext, s.Config.MatchSetting, s.Config.Settings.TPCountFromSite, s.Config.Settings.PartsOfSpeech,
                s.Config.Settings.NewsInReg, s.Config.InterfaceLang, s.Config.Settings.askforsave, s.Config.Settings.AdvanceMode);
  return " dicts=" + dicts + numbers + "web=" + s.Config.Settings.website +
         " proj=" + folder(s.Config.ProjectFolder, user + u"Projects/") + " bases=" + folder(s.Config.BasesFolder, user) + " ";
}

TEST(KestruneSession, SettingsAsReadAtStartAndWrittenAtTheEnd) {
  struct Case {
    const char* values;  // lines of the settings key in the hive file; null: no key at all
    int32_t systemLang;
    bool russianFile;
    const char* expected;  // words of the summary
    bool warns;
  } cases[] = {
      {"", 0x0419, false,
       "dicts=TTT ctx=30 exact=2 links=100 pos=804B news=0 lang=0109 ask=1 adv=0 web=Loopback proj=user bases=user", false},
      {"\"Dictionaries\"=sz:\"\"", 0x0409, false, "dicts=FFF", false},
      {"\"Dictionaries\"=sz:\"9, 25\"", 0x0409, false, "dicts=TFT", false},
      {"\"TrackPosContext\"=dword:00000004\n\"TrackPosExact\"=dword:00000007\n\"TPCountFromSite\"=dword:00000000\n"
       "\"PartsOfSpeech\"=dword:00000000\n\"NewsInReg\"=hex:000000000000f87f",
       0x0409, false, "ctx=10 exact=2 links=50 pos=804B news=0", false},
      {"\"TrackPosContext\"=dword:000001f4\n\"TrackPosExact\"=dword:fffffffd\n\"TPCountFromSite\"=dword:fffffffb\n"
       "\"PartsOfSpeech\"=dword:ffffffff\n\"NewsInReg\"=hex:000000007008e640",
       0x0409, false, "ctx=100 exact=0 links=50 pos=1FFFF news=45123.5", false},
      {"\"AdvanceMode\"=dword:00000001", 0x0409, false, "adv=0", false},
      {"", 0x0419, true, "lang=0419", false},  // the system's language has a file
      {"\"InterfaceLang\"=dword:00000009", 0x0419, true, "lang=0009", false},
      {nullptr, 0x0419, true, "dicts=TTT ctx=30 lang=0419 ask=1 proj=user bases=user", false},
      {"\"ProjectFolder\"=sz:\"relative\"\n\"BasesFolder\"=sz:\"/tmp\"", 0x0409, false, "proj=user bases=/tmp/", false},
      {"\"ProjectFolder\"=sz:\"\"\n\"BasesFolder\"=sz:\"/\"", 0x0409, false, "proj=user bases=/", false},
      {"\"TrackPosContext\"=sz:\"40\"\n\"Dictionaries\"=dword:00000009\n\"website\"=dword:00000001\n"
       "\"askforsave\"=sz:\"no\"\n\"InterfaceLang\"=sz:\"9\"\n\"NewsInReg\"=hex:00",
       0x0409, false, "ctx=30 dicts=TTT web=Loopback ask=1 lang=0109 news=0", true},
      {"\"website\"=sz:\"One\"\n\"Lwebsite\"=sz:\"One,Two,\"", 0x0409, false, "web=One", false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    test::TestProgram program;
    for (int16_t id : {9, 25, 5}) {
      test::WriteDictionary(program.Program() + "dictionaries/d" + std::to_string(id) + ".dws", id);
    }
    if (c.russianFile) test::WriteFileBytes(program.Program() + "Language/russian.lng", "[Header]\nlangID=1049\n");
    if (c.values) {
      std::filesystem::create_directories(std::filesystem::path(program.Hive()).parent_path());
      test::WriteFileBytes(program.Hive(), std::string("KESTRUNE HIVE 1\n[SOFTWARE\\Kestrune Inc\\Kestrune Search]\n") +
                                               "\"Other\"=sz:\"kept\"\n" + c.values + "\n");
    }
    LogFile.Open(program.Dir().WFile("kestrune.log"));
    TKestruneSession session(program.WProgram());
    session.Config.SystemLangId = c.systemLang;
    session.ReadLanguageTable();
    session.Config.ReadStartupSettings();
    session.Config.LoadSettings();
    const std::string summary = Summary(session);
    std::istringstream words(c.expected);
    for (std::string word; words >> word;) EXPECT_NE(summary.find(" " + word + " "), std::string::npos) << summary;
    EXPECT_TRUE(platform::FolderExists(session.Config.ProjectFolder));
    // Written back: every value in its own type, the advanced mode off, the
    // engines as read, the folders and another program's value untouched.
    ASSERT_TRUE(session.Config.SaveSettings());
    LogFile.Open(std::u16string());
    const std::string log = test::ReadFileBytes(program.Dir().File("kestrune.log"));
    EXPECT_EQ(log.find("[Warning] Settings: Invalid data type for") != std::string::npos, c.warns) << log;
    SettingsStore store;
    ASSERT_TRUE(store.OpenKeyReadOnly(kSettingsKey));
    EXPECT_EQ(store.ReadInteger("TrackPosContext"), session.Config.Settings.TrackPosContext);
    EXPECT_EQ(store.ReadInteger("InterfaceLang"), session.Config.InterfaceLang);
    EXPECT_EQ(store.ReadBool("askforsave"), session.Config.Settings.askforsave);
    EXPECT_EQ(store.ReadDateTime("NewsInReg"), session.Config.Settings.NewsInReg);
    EXPECT_EQ(store.ReadInteger("AdvanceMode"), 0);
    EXPECT_EQ(store.ReadString("website"), session.Config.Settings.website);
    EXPECT_EQ(store.ReadString("Lwebsite"), session.Config.Settings.Lwebsite);
    EXPECT_EQ(store.ReadString("Dictionaries"), session.Config.ActiveDictionaryIds());
    EXPECT_EQ(store.ValueExists("BasesFolder"), summary.find("bases=/") != std::string::npos);
    EXPECT_EQ(store.ValueExists("Other"), c.values != nullptr);
  }
}

TEST(KestruneSession, LoadSaveLoadKeepsEveryValue) {
  test::TestProgram program;
  test::WriteDictionary(program.Program() + "dictionaries/english.dws", 9);
  test::WriteDictionary(program.Program() + "dictionaries/russian.dws", 25);
  TKestruneSession first(program.WProgram());
  first.Config.ReadStartupSettings();
  first.Config.LoadSettings();
  first.Config.InterfaceLang = 1049;
  first.Config.DictionaryList[0].Active = false;
  TMainSettings& s = first.Config.Settings;
  // Every field changed: the date, numbers, engines, flags, UTF-8 texts, parts of speech, nets, clusters, block.
  s = {45123.75, 55, 1, 250, "Engine One", "Engine One,Engine Two,", true, true, true, false, false, false, true,
       false, false, u"\u0418\u0432\u0430\u043d \"\u041f\u0435\u0442\u0440\u043e\u0432\"", u"\u6771\u4eac 100%",
       0x1234, true, true, true};
  first.Config.SavedOptions.LinksToDownload = 250;  // these four are written from the saved set
  first.Config.SavedOptions.AutoRefresh = first.Config.SavedOptions.ExcludeWithContext = first.Config.SavedOptions.WordForms = true;
  for (size_t i = 0; i < kRecentSlots; ++i) first.Config.RecentQueries[i] = u"caf\u00e9 " + std::u16string(i + 1, u'q');
  first.Config.RecentProjects[2] = u"/home/\u044e\u0437\u0435\u0440/p.kqp";
  ASSERT_TRUE(first.Config.SaveSettings());

  TKestruneSession second(program.WProgram());
  second.Config.ReadStartupSettings();
  second.Config.LoadSettings();
  EXPECT_EQ(second.Config.Settings, first.Config.Settings);
  EXPECT_EQ(second.Config.InterfaceLang, 1049);
  EXPECT_EQ(second.Config.Dictionaries, "25");
  EXPECT_EQ(second.Config.RecentQueries, first.Config.RecentQueries);
  EXPECT_EQ(second.Config.RecentProjects, first.Config.RecentProjects);
  const TDefaultOptions saved{s.Lwebsite, u"Engine One", 250, 55, 1, true, "Russian", true, true, false};
  EXPECT_EQ(second.Config.SavedOptions, saved);
  EXPECT_EQ(second.Config.FactoryOptions, TDefaultOptions());
}

TEST(KestruneSession, AFailedSaveKeepsTheOldHiveAndNothingIsWrittenBeforeTheLoad) {
  test::TestProgram program;
  TKestruneSession session(program.WProgram());
  EXPECT_TRUE(session.Config.SaveSettings());  // never loaded: nothing written
  EXPECT_FALSE(std::filesystem::exists(program.Hive()));
  session.Config.LoadSettings();
  ASSERT_TRUE(session.Config.SaveSettings());
  const std::string before = test::ReadFileBytes(program.Hive());
  session.Config.Settings.Author = std::u16string(platform::kMaxHiveSize, u'a');  // the hive would pass its limit
  session.Config.Settings.TrackPosContext = 77;
  EXPECT_FALSE(session.Config.SaveSettings());
  EXPECT_EQ(test::ReadFileBytes(program.Hive()), before);
}

// Two runs of the program at once, each changing its own settings: the one
// closed last keeps what the other changed, on a hive of an earlier run and
// on none; a setting both changed is the last one's.
TEST(KestruneSession, TwoRunsKeepEachOthersChanges) {
  const struct {
    const char* name;
    bool earlierRun;
    bool sameSetting;
  } cases[] = {
      {"over an earlier run's hive", true, false},
      {"over no hive", false, false},
      {"both change one setting", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestProgram program;
    test::WriteDictionary(program.Program() + "dictionaries/english.dws", 9);
    auto run = [&] {
      auto session = std::make_unique<TKestruneSession>(program.WProgram());
      session->Config.ReadStartupSettings();
      session->Config.LoadSettings();
      return session;
    };
    if (c.earlierRun) {
      auto earlier = run();
      earlier->Config.Settings.Org = u"Earlier";  // so that the hive holds every value
      ASSERT_TRUE(earlier->Config.SaveSettings());
    }
    auto first = run();
    auto second = run();
    first->Config.Settings.TrackPosContext = 55;
    first->Config.RecentQueries[0] = u"first";
    if (c.sameSetting) {
      second->Config.Settings.TrackPosContext = 70;
    } else {
      second->Config.Settings.Author = u"Second";
      second->Config.InterfaceLang = 1049;
    }
    ASSERT_TRUE(first->Config.SaveSettings());
    ASSERT_TRUE(second->Config.SaveSettings());

    auto third = run();
    EXPECT_EQ(third->Config.Settings.TrackPosContext, c.sameSetting ? 70 : 55);
    EXPECT_EQ(third->Config.RecentQueries[0], u"first");
    EXPECT_EQ(third->Config.Settings.Author, c.sameSetting ? u"" : u"Second");
    EXPECT_EQ(third->Config.InterfaceLang, c.sameSetting ? kDefaultInterfaceLang : 1049);
    EXPECT_EQ(third->Config.Settings.Org, c.earlierRun ? u"Earlier" : u"");
    // Every value is in the hive, in its own type.
    SettingsStore store;
    ASSERT_TRUE(store.OpenKeyReadOnly(kSettingsKey));
    for (const TSettingValue& value : third->Config.SettingsValues()) {
      EXPECT_EQ(TSessionSettings::StoredSetting(store, value), value) << value.Name;
    }
  }
}

// A settings file that is no hive is told once at the first show (what is
// wrong and where its copy went), moved aside and written anew at the end; a
// damaged hive of ours is read as far as it goes and rewritten whole without
// a word; a file that cannot be read keeps the refusal of every save.
TEST(KestruneSession, ADamagedSettingsFileIsToldMovedAsideAndRewritten) {
  std::string noise(4000, '\0');
  uint32_t seed = 1;
  for (char& c : noise) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
  const std::string key = "KESTRUNE HIVE 1\n[SOFTWARE\\Kestrune Inc\\Kestrune Search]\n";
  struct Case {
    const char* name;
    std::string bytes;
    bool folder;  // a folder where the hive goes
    bool told;
    int32_t trackPos;  // TrackPosContext as read
    bool rewritten;
  } cases[] = {
      {"not a hive", noise, false, true, 30, true},
      {"header with garbage", key + "\"TrackPosContext\"=dword:00000028\n" + noise, false, false, 40, true},
      {"empty", "", false, false, 30, true},
      {"truncated", key + "\"TrackPosContext\"=dword:00000028\n\"Org\"=sz:\"ab", false, false, 40, true},
      {"unreadable", "", true, false, 30, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestProgram program;
    std::filesystem::create_directories(std::filesystem::path(program.Hive()).parent_path());
    if (c.folder) {
      std::filesystem::create_directories(program.Hive());
    } else {
      test::WriteFileBytes(program.Hive(), c.bytes);
    }
    std::vector<std::u16string> shown;
    platform::SetMessageBoxHandler([&](std::u16string_view text, std::u16string_view, uint32_t) {
      shown.emplace_back(text);
      return platform::kIdOk;
    });
    LogFile.Open(program.Dir().WFile("kestrune.log"));
    {
      TKestruneSession session(program.WProgram());
      session.ReadLanguageTable();
      session.Config.ReadStartupSettings();
      session.Config.LoadSettings();
      EXPECT_EQ(session.Config.Settings.TrackPosContext, c.trackPos);
      session.TellStartDamage();
      session.TellStartDamage();
      const std::string copy = program.Hive() + ".damaged";
      ASSERT_EQ(shown.size(), c.told ? 1u : 0u);
      if (c.told) {
        EXPECT_EQ(shown[0], MessageStrings.smSettingsDamaged + u"\n" + platform::Utf8ToUtf16(copy));
        EXPECT_EQ(test::ReadFileBytes(copy), c.bytes);
      }
      EXPECT_EQ(std::filesystem::exists(copy), c.told);
      session.Config.Settings.Org = u"Org";
      EXPECT_EQ(session.Config.SaveSettings(), c.rewritten);
    }
    LogFile.Open(std::u16string());
    platform::SetMessageBoxHandler({});
    const std::string log = test::ReadFileBytes(program.Dir().File("kestrune.log"));
    EXPECT_EQ(log.find("is no settings file; it is moved to") != std::string::npos, c.told) << log;
    if (!c.rewritten) continue;
    platform::HiveReadState state;
    platform::RewriteHiveText(test::ReadFileBytes(program.Hive()), &state);
    EXPECT_EQ(state, platform::HiveReadState::kRead);
    SettingsStore store;
    ASSERT_TRUE(store.OpenKeyReadOnly(kSettingsKey));
    EXPECT_EQ(store.ReadString("Org"), "Org");
    EXPECT_EQ(store.ReadInteger("TrackPosContext"), c.trackPos);
  }
}

// A save that fails when the program ends says so once in a message box that
// names the settings file (the window is gone by then), besides the log.
TEST(KestruneSession, AFailedSaveAtTheEndIsShown) {
  test::TestProgram program;
  std::vector<std::u16string> shown;
  platform::SetMessageBoxHandler([&](std::u16string_view text, std::u16string_view, uint32_t) {
    shown.emplace_back(text);
    return platform::kIdOk;
  });
  for (bool fails : {false, true}) {
    SCOPED_TRACE(fails);
    TKestruneSession session(program.WProgram());
    session.Config.ReadStartupSettings();
    session.Config.LoadSettings();
    if (fails) session.Config.Settings.Author = std::u16string(platform::kMaxHiveSize, u'a');  // past the hive's limit
    session.Destroy();
    ASSERT_EQ(shown.size(), fails ? 1u : 0u);
  }
  platform::SetMessageBoxHandler({});
  EXPECT_NE(shown[0].find(platform::Utf8ToUtf16(program.Hive())), std::u16string::npos);
  EXPECT_EQ(shown[0].find(MessageStrings.smSettingsNotSaved), 0u);
}

// While the window exists the session's message boxes are the window's
// (IMainView::MessageBox); without it they are the platform's.
TEST(KestruneSession, MessageBoxesGoThroughTheWindowWhileItExists) {
  const struct {
    const char* name;
    std::function<void(test::TSessionFixture&)> act;
    const std::u16string* text;  // the start of the box's text
  } cases[] = {
      {"IncorrectQuery",
       [](test::TSessionFixture& f) {
         f.session->TextParsing.Parse(std::u16string_view(u"?!"));
         TParsingText parse = f.session->TextParsing.ParsingText();
         std::u16string error;
         f.session->Entry.wordsToIndex(parse, false, error);
       },
       &MessageStrings.smIncorrect},
      {"UnderConstruction", [](test::TSessionFixture& f) { f.session->N3Click(); },
       &MessageStrings.smUnderconstruction},
      {"NoEngineTemplate",
       [](test::TSessionFixture& f) {
         std::filesystem::remove(f.program.Program() + "templates/web/loopback.ini");
         f.session->Config.BuildEngineList();
       },
       &MessageStrings.smProgramCorrupted},
      {"SettingsNotSaved",
       [](test::TSessionFixture& f) {
         f.session->Config.Settings.Author = std::u16string(platform::kMaxHiveSize, u'a');  // past the hive's limit
         f.session->Destroy();
       },
       &MessageStrings.smSettingsNotSaved},
  };
  for (const auto& c : cases) {
    for (const bool window : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (window ? " with the window" : " without"));
      test::TSessionFixture f;
      if (!window) f.session->View = f.session->Config.View = nullptr;
      c.act(f);
      ASSERT_EQ(f.boxes.size(), 1u);  // the window's box is the platform's
      EXPECT_EQ(f.boxes[0].find(platform::Utf16ToUtf8(*c.text)), 0u) << f.boxes[0];
      ASSERT_EQ(f.view.messages.size(), window ? 1u : 0u);
      if (window) EXPECT_EQ(f.view.messages[0].find(*c.text), 0u);
    }
  }
}

TEST(KestruneSession, DictionaryListFromTheFolder) {
  test::TestProgram program;
  const std::string folder = program.Program() + "dictionaries/";
  test::WriteDictionary(folder + "english.dws", 9, u"\u0410\u0432\u0442\u043e\u0440");
  test::WriteDictionary(folder + "upper.DWS", 25);                       // not exactly ".dws"
  test::WriteFileBytes(folder + "broken.dws", "DRWS not a dictionary");  // no readable header
  test::WriteFileBytes(folder + "notes.txt", "x");
  std::filesystem::create_directories(folder + "folder.dws");
  TKestruneSession session(program.WProgram());
  session.Config.AllDictionariesActive = false;
  session.Config.Dictionaries = "25";
  session.Config.BuildDictionaryList();
  ASSERT_EQ(session.Config.DictionaryList.size(), 1u);
  const TDictionaryEntry& entry = session.Config.DictionaryList[0];
  EXPECT_EQ(entry.FileName, "english.dws");
  EXPECT_EQ(entry.Language, "English");
  EXPECT_EQ(entry.Header.DictID, 9);
  EXPECT_EQ(entry.Author, u"\u0410\u0432\u0442\u043e\u0440");
  EXPECT_EQ(entry.Description, u"Description");
  EXPECT_FALSE(entry.Active);
}

TEST(KestruneSession, IndexListFromTheBasesFolder) {
  test::TestProgram program;
  const std::string bases = program.Dir().Path() + "bases folder/";
  std::filesystem::create_directories(bases + "bases");
  const std::string a = program.Dir().File("index a.idx"), b = program.Dir().File("b.idx");
  test::WriteFileBytes(a, "x");
  test::WriteFileBytes(b, "x");
  std::string many = "\"" + b + "\"=1";
  for (int i = 0; i < 32; ++i) many += ",1";
  test::WriteFileBytes(bases + "bases/Indexes.txt", "[Other]\n\"" + a + "\"=9,9\n[Indexes]\n\"" + a + "\"=3,4\n" +
                                                        many + "\n\"" + b + "\"=x,-2\n\"" + program.Dir().Path() +
                                                        "\"=1,1\n\"/no/such.idx\"=1,1\n");
  TKestruneSession session(program.WProgram());
  session.Config.BasesFolder = platform::Utf8ToUtf16(bases);
  session.Config.ActiveIndexPaths = {platform::Utf8ToUtf16(b)};
  session.Config.BuildIndexList();
  std::string list;
  for (const TIndexEntry& e : session.Config.IndexList) {
    list += platform::Utf16ToUtf8(e.Path) + (e.Active ? " on " : " off ") + std::to_string(e.Value1) + "," +
            std::to_string(e.Value2) + "\n";
  }
  EXPECT_EQ(list, a + " off 3,4\n" + b + " on 0,-2\n");  // a line of 33 values skipped, x read as 0
}

using test::TRecordingOpener;

TEST(BrowserOpener, OnlyWebAddressesReachTheBrowser) {
  TRecordingOpener opener;
  for (const char16_t* url :
       {u"http://a.example/", u"HTTPS://a.example/x?y", u"ftp://f.example/file", u"file:///etc/passwd",
        u"javascript:alert(1)", u"http:", u"mailto:a@b", u" http://a.example/", u"kestrune://x"}) {
    opener.OpenInBrowser(url);
  }
  EXPECT_EQ(opener.urls,
            (std::vector<std::u16string>{u"http://a.example/", u"HTTPS://a.example/x?y", u"ftp://f.example/file"}));
}

TEST(BrowserOpener, DocumentsAreTheTypesTheDesktopShowsAndNeverRuns) {
  const struct {
    const char* type;
    bool document;
  } cases[] = {
      {"text/plain", true},
      {"application/pdf", true},
      {"application/msword", true},
      {"application/vnd.openxmlformats-officedocument.wordprocessingml.document", true},
      {"application/vnd.oasis.opendocument.spreadsheet", true},
      {"image/png", true},
      {"audio/ogg", true},
      {"video/mp4", true},
      {"text/html", false},  // subtypes of text/plain: a browser or an interpreter runs them
      {"application/x-shellscript", false},
      {"text/x-python", false},
      {"image/svg+xml", false},
      {"application/vnd.ms-word.document.macroEnabled.12", false},
      {"application/x-java-archive", false},
      {"application/x-ms-dos-executable", false},
      {"application/x-desktop", false},
      {"application/octet-stream", false},
      {"image/", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IBrowserOpener::IsDocumentType(c.type), c.document) << c.type;
}

TEST(KestruneSession, CommandLineNamesAProjectOnlyByItsExactExtension) {
  TKestruneSession session(u"/nowhere/");
  using TArgs = std::vector<std::u16string>;
  for (auto [args, project] : std::vector<std::pair<TArgs, std::u16string>>{
           {{u"/ie"}, u""}, {{u"/p/a b.kqp"}, u"/p/a b.kqp"}, {{u"/p/a.KQP"}, u""}, {{u"/ie", u"x.kqp"}, u""}, {{}, u""}}) {
    session.SetArguments(args);
    EXPECT_EQ(session.Start.CommandLineProject, project);
  }
}

// The first show without widgets: the blank page is loaded after the track
// bars are set and before the start page is written; then the query box
// stands in the middle of the map (a half rounded to the even neighbour)
// with the focus, and the engine box and the caption are filled.
TEST(KestruneSession, FirstShowLoadsTheBlankPageBeforeTheStartPageAndCentresTheQueryBox) {
  struct Case {
    int32_t mapWidth, mapHeight;
    int32_t context, exact;
    bool blankPage;  // the window loads a blank page
    int32_t left, top;
  } cases[] = {
      {800, 600, 23, 4, true, 300, 288},
      {801, 601, 5, 0, true, 300, 288},   // 300.5 and 288.5 go down to the even neighbour
      {803, 603, 40, 9, false, 302, 290},  // 301.5 and 289.5 go up
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mapWidth);
    test::TPageSession f;
    TKestruneSession& s = f.S();
    f.view.mapWidth = c.mapWidth;
    f.view.mapHeight = c.mapHeight;
    f.view.Control(TMainControl::IComboBox1).Visible = false;
    s.Config.Settings.TrackPosContext = c.context;
    s.Config.Settings.TrackPosExact = c.exact;
    const int32_t pagesBefore = f.view.pagesWritten;
    std::vector<std::string> seen;  // what the blank page's load saw
    std::function<void()> blank;
    if (c.blankPage) {
      blank = [&] {
        seen.push_back("pages+" + std::to_string(f.view.pagesWritten - pagesBefore));
        seen.push_back("bars=" + std::to_string(f.view.trackBars.first) + "," + std::to_string(f.view.trackBars.second));
        seen.push_back("box=" + std::to_string(f.view.Visible(TMainControl::IComboBox1)));
      };
    }
    s.FormShow(blank);
    const std::vector<std::string> expectedSeen =
        c.blankPage ? std::vector<std::string>{"pages+0", "bars=" + std::to_string(c.context) + "," + std::to_string(c.exact), "box=0"}
                    : std::vector<std::string>{};
    EXPECT_EQ(seen, expectedSeen);
    EXPECT_EQ(f.view.trackBars, std::make_pair(c.context, c.exact));
    EXPECT_EQ(f.view.pagesWritten - pagesBefore, 1);
    EXPECT_NE(f.view.page.find(u"<"), std::u16string::npos);
    const TViewRect box = f.view.Control(TMainControl::IComboBox1).Bounds;
    EXPECT_EQ(box.Left, c.left);
    EXPECT_EQ(box.Top, c.top);
    EXPECT_TRUE(f.view.Visible(TMainControl::IComboBox1));
    EXPECT_TRUE(f.view.Visible(TMainControl::querybitmap));
    EXPECT_EQ(f.view.focus, TMainControl::IComboBox1);
    EXPECT_FALSE(f.view.engineItems.empty());
    EXPECT_EQ(f.view.caption, s.Config.MainCaption());
  }
}

}  // namespace
}  // namespace kestrune
