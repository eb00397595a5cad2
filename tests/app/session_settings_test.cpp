#include "app/session_settings.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kestrune
