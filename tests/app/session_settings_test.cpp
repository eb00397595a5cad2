#include "app/session_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/message_strings.h"
#include "platform/text.h"
#include "tests/app/program_folder.h"
#include "tests/app/recording_main_view.h"

namespace kestrune {
namespace {

using platform::Utf8ToUtf16;
using test::TestProgram;

// The settings unit over a program folder, without a session.
struct TSettingsFixture {
  explicit TSettingsFixture(TestProgram& p) : folder(p.WProgram()) {
    LoadLngHeaders(folder + u"Language/", headers);
    config.View = &view;
  }
  std::u16string folder;
  TLngHeaders headers;
  test::TRecordingMainView view;
  TSessionSettings config{folder, headers};
};

TEST(SessionSettings, TemplateFolderOfTheInterfaceLanguage) {
  struct Case {
    int32_t lang;
    bool makeFolder;  // templates/<LangFolder of the language> exists
    const char* folder;
  } cases[] = {
      {9, false, "templates/en/"},       // English names "en"
      {0x19, true, "templates/ru/"},     // a language with its own folder
      {0x19, false, "templates/en/"},    // its folder missing: English
      {0x77, false, "templates/en/"},    // a language the table does not know
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lang);
    TestProgram p;
    test::WriteFileBytes(p.Program() + "Language/russian.lng",
                         "[Header]\nlanguage=Russian\nlangID=25\nCodePage=1251\nLangFolder=ru\n");
    if (c.makeFolder) std::filesystem::create_directories(p.Program() + "templates/ru");
    TSettingsFixture f(p);
    f.config.InterfaceLang = c.lang;
    EXPECT_EQ(f.config.TemplateFolder(), f.folder + Utf8ToUtf16(c.folder));
  }
}

TEST(SessionSettings, LoadsSavesAndReloadsWithoutASession) {
  TestProgram p;
  {
    TSettingsFixture f(p);
    f.config.ReadStartupSettings();
    f.config.LoadSettings();
    ASSERT_FALSE(f.config.EngineListFailed());
    f.config.FillEngineBox();
    EXPECT_EQ(f.view.engineItems, (std::vector<std::u16string>{u"Loopback", MessageStrings.smMoreEngines}));
    EXPECT_EQ(f.view.caption, f.config.MainCaption());
    EXPECT_EQ(f.config.CurrentEngineTemplate, "loopback");
    EXPECT_EQ(f.config.ColorFile, f.config.TemplateFolder() + u"color.ini");
    f.config.Settings.TrackPosContext = 44;
    f.config.RecentQueries[1] = u"second query";
    ASSERT_TRUE(f.config.SaveSettings());
  }
  TSettingsFixture again(p);
  again.config.ReadStartupSettings();
  again.config.LoadSettings();
  EXPECT_EQ(again.config.Settings.TrackPosContext, 44);
  EXPECT_EQ(again.config.RecentQueries[1], u"second query");
  EXPECT_TRUE(again.view.messages.empty());
}

// The links to download as stored: a value outside the options dialog's
// range (50 to 1000) is its nearest end, also when written back.
TEST(SessionSettings, LinksToDownloadWithinTheOptionsRange) {
  const struct {
    const char* stored;  // TPCountFromSite as 8 hex digits; null: none
    int32_t links;
  } cases[] = {
      {nullptr, 100},    {"00000000", 50},  {"fffffffb", 50},   {"00000031", 50},  {"00000032", 50},
      {"0000004b", 75},  {"000003e8", 1000}, {"000003e9", 1000}, {"00989680", 1000}, {"7fffffff", 1000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored ? c.stored : "none");
    TestProgram p;
    if (c.stored) {
      std::filesystem::create_directories(std::filesystem::path(p.Hive()).parent_path());
      test::WriteFileBytes(p.Hive(), std::string("KESTRUNE HIVE 1\n[SOFTWARE\\Kestrune Inc\\Kestrune Search]\n") +
                                         "\"TPCountFromSite\"=dword:" + c.stored + "\n");
    }
    {
      TSettingsFixture f(p);
      f.config.ReadStartupSettings();
      f.config.LoadSettings();
      EXPECT_EQ(f.config.Settings.TPCountFromSite, c.links);
      EXPECT_EQ(f.config.LinksToDownload, c.links);
      EXPECT_EQ(f.config.SavedOptions.LinksToDownload, c.links);
      ASSERT_TRUE(f.config.SaveSettings());
    }
    TSettingsFixture again(p);
    again.config.ReadStartupSettings();
    again.config.LoadSettings();
    EXPECT_EQ(again.config.Settings.TPCountFromSite, c.links);
  }
}

// An engine template put into templates/web/ after the first run is listed
// but off, as the settings' engine list says (the first run enables every
// engine; later runs those the settings name): it is not in the engine box
// until it is ticked under Options, and then stays on.
TEST(SessionSettings, AnEngineAddedAfterTheFirstRunWaitsToBeTicked) {
  TestProgram p;
  auto start = [&](TSettingsFixture& f) {
    f.config.ReadStartupSettings();
    f.config.LoadSettings();
    f.config.FillEngineBox();
  };
  {
    TSettingsFixture first(p);
    start(first);
    EXPECT_EQ(first.view.engineItems, (std::vector<std::u16string>{u"Loopback", MessageStrings.smMoreEngines}));
    ASSERT_TRUE(first.config.SaveSettings());
  }
  test::WriteFileBytes(p.Program() + "templates/web/added.ini", "[display name]\nhostname=\"Added\"\n");
  {
    TSettingsFixture second(p);
    start(second);
    ASSERT_EQ(second.config.Engines.size(), 2u);
    const auto added = std::find_if(second.config.Engines.begin(), second.config.Engines.end(),
                                    [](const TSearchEn& e) { return e.Name == "Added"; });
    ASSERT_NE(added, second.config.Engines.end());
    EXPECT_FALSE(added->Enabled);
    EXPECT_EQ(second.view.engineItems, (std::vector<std::u16string>{u"Loopback", MessageStrings.smMoreEngines}));
    added->Enabled = true;  // ticked under Options, Search engines
    ASSERT_TRUE(second.config.SaveSettings());
  }
  TSettingsFixture third(p);
  start(third);
  EXPECT_EQ(third.view.engineItems,
            (std::vector<std::u16string>{u"Added", u"Loopback", MessageStrings.smMoreEngines}));
}

}  // namespace
}  // namespace kestrune
