#include "app/kestrune_session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>

#include "app/browser_opener.h"
#include "core/log_file.h"
#include "platform/settings_store.h"
#include "tests/app/program_folder.h"

namespace kestrune {
namespace {

using platform::SettingsStore;

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
  EXPECT_EQ(session.LanguageFolder, program.WProgram() + u"Language/");
  ASSERT_EQ(session.LngHeaders.size(), 2u);
  session.InterfaceLang = 1049;
  session.LoadStartupMessages();
  EXPECT_EQ(session.LanguageList.size(), 1u);  // the options list wants Language, LangID and CodePage
}

struct TSettingsCase {
  const char* name;
  std::function<void(SettingsStore&)> write;  // null: no key at all
  std::function<void(TKestruneSession&)> check;
  int32_t systemLang = 0x0409;
  bool russianFile = false;
};

void RunSettingsCase(const TSettingsCase& c) {
  SCOPED_TRACE(c.name);
  test::TestProgram program;
  for (int16_t id : {9, 25, 5}) {
    test::WriteDictionary(program.Program() + "dictionaries/d" + std::to_string(id) + ".dws", id);
  }
  if (c.russianFile) {
    test::WriteFileBytes(program.Program() + "Language/russian.lng", "[Header]\nlanguage=Russian\nlangID=1049\n");
  }
  if (c.write) {
    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kSettingsKey, true));
    store.WriteString("Other", "kept");
    c.write(store);
  }
  TKestruneSession session(program.WProgram());
  session.SystemLangId = c.systemLang;
  session.ReadLanguageTable();
  session.ReadStartupSettings();
  session.LoadSettings();
  c.check(session);
}

std::vector<bool> ActiveFlags(const TKestruneSession& s) {
  std::vector<bool> flags;
  for (const TDictionaryEntry& e : s.DictionaryList) flags.push_back(e.Active);
  return flags;  // the files are listed as d25, d5, d9
}

int32_t StoredInteger(const char* name) {
  SettingsStore store;
  store.OpenKeyReadOnly(kSettingsKey);
  return store.ReadInteger(name);
}

TEST(KestruneSession, SettingsAsReadAtStart) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const TSettingsCase cases[] = {
      {"Dictionaries absent: all active", [](SettingsStore&) {},
       [](TKestruneSession& s) {
         EXPECT_TRUE(s.AllDictionariesActive);
         EXPECT_EQ(ActiveFlags(s), (std::vector<bool>{true, true, true}));
         EXPECT_EQ(s.ActiveDictionaryIds(), "25, 5, 9");
         EXPECT_EQ(s.SavedOptions.ActiveDictionaries, "Russian, , English");
       }},
      {"Dictionaries empty: none active", [](SettingsStore& st) { st.WriteString("Dictionaries", ""); },
       [](TKestruneSession& s) { EXPECT_EQ(ActiveFlags(s), (std::vector<bool>{false, false, false})); }},
      {"Dictionaries 9, 25", [](SettingsStore& st) { st.WriteString("Dictionaries", "9, 25"); },
       [](TKestruneSession& s) { EXPECT_EQ(ActiveFlags(s), (std::vector<bool>{true, false, true})); }},
      {"bounded numbers",
       [&](SettingsStore& st) {
         st.WriteInteger("TrackPosContext", 4);
         st.WriteInteger("TrackPosExact", 7);
         st.WriteInteger("TPCountFromSite", 0);
         st.WriteInteger("PartsOfSpeech", 0);
         st.WriteDateTime("NewsInReg", nan);
       },
       [](TKestruneSession& s) {
         EXPECT_EQ(s.Settings.TrackPosContext, 10);
         EXPECT_EQ(s.Settings.TrackPosExact, 2);
         EXPECT_EQ(s.MatchSetting, 2);
         EXPECT_EQ(s.Settings.TPCountFromSite, 100);
         EXPECT_EQ(s.Settings.PartsOfSpeech, 0x804B);
         EXPECT_EQ(s.Settings.NewsInReg, 0.0);
       }},
      {"numbers over their ranges",
       [](SettingsStore& st) {
         st.WriteInteger("TrackPosContext", 500);
         st.WriteInteger("TrackPosExact", -3);
         st.WriteInteger("TPCountFromSite", -5);
         st.WriteInteger("PartsOfSpeech", -1);
       },
       [](TKestruneSession& s) {
         EXPECT_EQ(s.Settings.TrackPosContext, 100);
         EXPECT_EQ(s.Settings.TrackPosExact, 0);
         EXPECT_EQ(s.SavedOptions.LinksToDownload, 100);
         EXPECT_EQ(s.Settings.PartsOfSpeech, 0x1FFFF);
       }},
      {"AdvanceMode 1 is read as off and written as 0", [](SettingsStore& st) { st.WriteBool("AdvanceMode", true); },
       [](TKestruneSession& s) {
         EXPECT_FALSE(s.Settings.AdvanceMode);
         ASSERT_TRUE(s.SaveSettings());
         EXPECT_EQ(StoredInteger("AdvanceMode"), 0);
       }},
      {"InterfaceLang absent: the system's language when a file has it", [](SettingsStore&) {},
       [](TKestruneSession& s) { EXPECT_EQ(s.InterfaceLang, 0x0419); }, 0x0419, true},
      {"InterfaceLang absent: 0x0109 without a file of the system's language", [](SettingsStore&) {},
       [](TKestruneSession& s) {
         EXPECT_EQ(s.InterfaceLang, 0x0109);
         EXPECT_EQ(s.ColorFile, s.ProgramFolder() + u"templates/en/color.ini");
       },
       0x0419},
      {"InterfaceLang stored", [](SettingsStore& st) { st.WriteInteger("InterfaceLang", 9); },
       [](TKestruneSession& s) { EXPECT_EQ(s.InterfaceLang, 9); }, 0x0419, true},
      {"no key: defaults, and the folders in the user's data folder", nullptr,
       [](TKestruneSession& s) {
         EXPECT_TRUE(s.AllDictionariesActive);
         EXPECT_EQ(s.InterfaceLang, 0x0419);
         EXPECT_EQ(s.Settings.TrackPosContext, 30);
         EXPECT_TRUE(s.Settings.askforsave);
         EXPECT_EQ(s.BasesFolder, platform::UserDataFolder());
         EXPECT_EQ(s.ProjectFolder, platform::UserDataFolder() + u"Projects/");
         EXPECT_TRUE(platform::FolderExists(s.ProjectFolder));
       },
       0x0419, true},
      {"relative and empty folders are the user's, absolute ones kept",
       [](SettingsStore& st) {
         st.WriteString("ProjectFolder", "relative/projects");
         st.WriteString("BasesFolder", "/tmp");
       },
       [](TKestruneSession& s) {
         EXPECT_EQ(s.ProjectFolder, platform::UserDataFolder() + u"Projects/");
         EXPECT_EQ(s.BasesFolder, u"/tmp/");
       }},
      {"values of another type read as absent and are written in their own type",
       [](SettingsStore& st) {
         st.WriteString("TrackPosContext", "40");
         st.WriteInteger("Dictionaries", 9);
         st.WriteInteger("website", 1);
         st.WriteInteger("NewsInReg", 1);
         st.WriteString("askforsave", "no");
       },
       [](TKestruneSession& s) {
         EXPECT_EQ(s.Settings.TrackPosContext, 30);
         EXPECT_TRUE(s.AllDictionariesActive);
         EXPECT_EQ(s.Settings.website, "");
         EXPECT_TRUE(s.Settings.askforsave);
         ASSERT_TRUE(s.SaveSettings());
         EXPECT_EQ(StoredInteger("TrackPosContext"), 30);
         EXPECT_EQ(StoredInteger("askforsave"), 1);
         SettingsStore store;
         store.OpenKeyReadOnly(kSettingsKey);
         EXPECT_EQ(store.ReadString("Dictionaries"), "25, 5, 9");
         EXPECT_EQ(store.ReadString("Other"), "kept");
       }},
  };
  for (const TSettingsCase& c : cases) RunSettingsCase(c);
}

TEST(KestruneSession, AValueOfAnotherTypeIsLoggedAsAWarning) {
  test::TestProgram program;
  {
    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kSettingsKey, true));
    store.WriteString("TrackPosExact", "all");
  }
  LogFile.Open(program.Dir().WFile("kestrune.log"));
  TKestruneSession session(program.WProgram());
  session.LoadSettings();
  LogFile.Open(std::u16string());
  const std::string log = test::ReadFileBytes(program.Dir().File("kestrune.log"));
  EXPECT_NE(log.find("[Warning] Settings: Invalid data type for 'TrackPosExact'"), std::string::npos) << log;
}

TEST(KestruneSession, LoadSaveLoadKeepsEveryValue) {
  test::TestProgram program;
  test::WriteDictionary(program.Program() + "dictionaries/english.dws", 9);
  test::WriteDictionary(program.Program() + "dictionaries/russian.dws", 25);
  TKestruneSession first(program.WProgram());
  first.ReadStartupSettings();
  first.LoadSettings();
  first.InterfaceLang = 1049;
  first.DictionaryList[0].Active = false;
  TMainSettings& s = first.Settings;
  s.NewsInReg = 45123.75;
  s.TrackPosContext = 55;
  s.TrackPosExact = 1;
  s.website = "Engine One";
  s.Lwebsite = "Engine One,Engine Two,";
  s.askforsave = s.SetAsDefault = s.AskActivateDict = s.AskDownloadDictForLng = false;
  s.AutoActivateDictForLng = s.LoadAllNets = s.ClustersResult = s.AnalysisMainBlock = true;
  s.Author = u"\u0418\u0432\u0430\u043d \"\u041f\u0435\u0442\u0440\u043e\u0432\"";
  s.Org = u"\u6771\u4eac 100%";
  s.PartsOfSpeech = 0x1234;
  first.SavedOptions.LinksToDownload = 250;
  first.SavedOptions.AutoRefresh = first.SavedOptions.ExcludeWithContext = first.SavedOptions.WordForms = true;
  for (int32_t i = 0; i < kRecentSlots; ++i) {
    first.RecentQueries[static_cast<size_t>(i)] = u"caf\u00e9 " + std::u16string(1, static_cast<char16_t>(u'0' + i));
  }
  first.RecentProjects[2] = u"/home/\u044e\u0437\u0435\u0440/p.kqp";
  ASSERT_TRUE(first.SaveSettings());

  TKestruneSession second(program.WProgram());
  second.ReadStartupSettings();
  second.LoadSettings();
  EXPECT_EQ(second.InterfaceLang, 1049);
  EXPECT_EQ(second.Dictionaries, "25");
  EXPECT_EQ(second.ActiveDictionaryIds(), "25");
  const TMainSettings& t = second.Settings;
  EXPECT_EQ(t.NewsInReg, 45123.75);
  EXPECT_EQ(t.TrackPosContext, 55);
  EXPECT_EQ(t.TrackPosExact, 1);
  EXPECT_EQ(t.TPCountFromSite, 250);
  EXPECT_EQ(t.website, s.website);
  EXPECT_EQ(t.Lwebsite, s.Lwebsite);
  EXPECT_TRUE(t.AutoRefresh && t.ExcludeWithContext && t.DistinguishWordForms);
  EXPECT_FALSE(t.askforsave || t.SetAsDefault || t.AskActivateDict || t.AskDownloadDictForLng);
  EXPECT_TRUE(t.AutoActivateDictForLng && t.LoadAllNets && t.ClustersResult && t.AnalysisMainBlock);
  EXPECT_EQ(t.Author, s.Author);
  EXPECT_EQ(t.Org, s.Org);
  EXPECT_EQ(t.PartsOfSpeech, 0x1234);
  EXPECT_EQ(second.RecentQueries, first.RecentQueries);
  EXPECT_EQ(second.RecentProjects, first.RecentProjects);
  TDefaultOptions saved;
  saved.EnabledEngines = s.Lwebsite;
  saved.CurrentEngine = u"Engine One";
  saved.LinksToDownload = 250;
  saved.TrackPosContext = 55;
  saved.TrackPosExact = 1;
  saved.WordForms = saved.ExcludeWithContext = saved.AutoRefresh = true;
  saved.ActiveDictionaries = "Russian";
  EXPECT_EQ(second.SavedOptions, saved);
  EXPECT_EQ(second.FactoryOptions, TDefaultOptions());
}

TEST(KestruneSession, AFailedSaveKeepsTheOldHiveAndNothingIsWrittenBeforeTheLoad) {
  test::TestProgram program;
  TKestruneSession session(program.WProgram());
  EXPECT_TRUE(session.SaveSettings());  // never loaded: nothing written
  EXPECT_FALSE(std::filesystem::exists(program.Hive()));
  session.LoadSettings();
  ASSERT_TRUE(session.SaveSettings());
  const std::string before = test::ReadFileBytes(program.Hive());
  session.Settings.Author = std::u16string(platform::kMaxHiveSize, u'a');  // the hive would pass its limit
  session.Settings.TrackPosContext = 77;
  EXPECT_FALSE(session.SaveSettings());
  EXPECT_EQ(test::ReadFileBytes(program.Hive()), before);
}

TEST(KestruneSession, DictionaryListFromTheFolder) {
  test::TestProgram program;
  const std::string folder = program.Program() + "dictionaries/";
  test::WriteDictionary(folder + "english.dws", 9, u"\u0410\u0432\u0442\u043e\u0440");
  test::WriteDictionary(folder + "upper.DWS", 25);                      // not exactly ".dws"
  test::WriteFileBytes(folder + "broken.dws", "DRWS not a dictionary");  // no readable header
  test::WriteFileBytes(folder + "notes.txt", "x");
  std::filesystem::create_directories(folder + "folder.dws");
  TKestruneSession session(program.WProgram());
  session.AllDictionariesActive = false;
  session.Dictionaries = "25";
  session.BuildDictionaryList();
  ASSERT_EQ(session.DictionaryList.size(), 1u);
  const TDictionaryEntry& entry = session.DictionaryList[0];
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
  test::WriteFileBytes(bases + "bases/Indexes.txt",
                       "[Other]\n\"" + a + "\"=9,9\n[Indexes]\n\"" + a + "\"=3,4\n" + many + "\n\"" + b +
                           "\"=x,-2\n\"" + program.Dir().Path() + "\"=1,1\n\"/no/such.idx\"=1,1\n");
  TKestruneSession session(program.WProgram());
  session.BasesFolder = platform::Utf8ToUtf16(bases);
  session.ActiveIndexPaths = {platform::Utf8ToUtf16(b)};
  session.BuildIndexList();
  ASSERT_EQ(session.IndexList.size(), 2u);
  EXPECT_EQ(session.IndexList[0].Path, platform::Utf8ToUtf16(a));
  EXPECT_FALSE(session.IndexList[0].Active);
  EXPECT_EQ(session.IndexList[0].Value1, 3);
  EXPECT_EQ(session.IndexList[0].Value2, 4);
  EXPECT_TRUE(session.IndexList[1].Active);
  EXPECT_EQ(session.IndexList[1].Value1, 0);
  EXPECT_EQ(session.IndexList[1].Value2, -2);
}

struct TRecordingOpener : IBrowserOpener {
  bool OpenLocalFile(std::u16string_view path) override {
    files.emplace_back(path);
    return true;
  }
  bool OpenUrl(std::u16string_view url) override {
    urls.emplace_back(url);
    return true;
  }
  std::vector<std::u16string> files, urls;
};

TEST(BrowserOpener, OnlyWebAddressesReachTheBrowser) {
  TRecordingOpener opener;
  for (const char16_t* url : {u"http://a.example/", u"HTTPS://a.example/x?y", u"ftp://f.example/file", u"file:///etc/passwd",
                              u"javascript:alert(1)", u"http:", u"mailto:a@b", u" http://a.example/", u"kestrune://x"}) {
    opener.OpenInBrowser(url);
  }
  EXPECT_EQ(opener.urls, (std::vector<std::u16string>{u"http://a.example/", u"HTTPS://a.example/x?y", u"ftp://f.example/file"}));
}

TEST(KestruneSession, CommandLineNamesAProjectOnlyByItsExactExtension) {
  TKestruneSession session(u"/nowhere/");
  for (auto [args, project] : std::vector<std::pair<std::vector<std::u16string>, std::u16string>>{
           {{u"/ie"}, u""}, {{u"/p/a b.kqp"}, u"/p/a b.kqp"}, {{u"/p/a.KQP"}, u""}, {{u"/ie", u"x.kqp"}, u""}, {{}, u""}}) {
    session.SetArguments(args);
    EXPECT_EQ(session.CommandLineProject, project);
  }
}

}  // namespace
}  // namespace kestrune
