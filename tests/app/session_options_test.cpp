// The session as the options dialog's host: what each call reaches, and the
// two flags New query reads.
#include <gtest/gtest.h>

#include "app/options_model.h"
#include "platform/text.h"
#include "tests/app/session_fixture.h"

namespace kestrune {
namespace {

using test::TSessionFixture;

// Each host call, through the session, reaches the window or the log.
TEST(SessionOptionsHost, CallsReachTheViewTheOpenerAndTheLog) {
  TSessionFixture f;
  TKestruneSession& s = *f.session;
  test::TRecordingOpener opener;
  s.Opener = &opener;
  IOptionsHost& host = s;
  int32_t languageApplied = 0;
  s.Hooks.OnApplyLanguage = [&] { ++languageApplied; };

  host.ApplyLanguage();
  EXPECT_EQ(languageApplied, 1);
  host.SetEngineBox({u"Alpha", u"More engines"}, 1);
  EXPECT_EQ(f.view.engineItems, (std::vector<std::u16string>{u"Alpha", u"More engines"}));
  EXPECT_EQ(f.view.engineIndex, 1);
  EXPECT_EQ(s.Config.EngineBoxItems, f.view.engineItems);
  host.SetMainCaption(u"Kestrune via Alpha");
  EXPECT_EQ(f.view.caption, u"Kestrune via Alpha");
  f.view.SetEnabled(TMainControl::ibitmapButton1, false);
  host.EnableRefresh();
  EXPECT_TRUE(f.view.Enabled(TMainControl::ibitmapButton1));
  host.OpenInBrowser(u"http://example.org/more");
  EXPECT_EQ(opener.urls, (std::vector<std::u16string>{u"http://example.org/more"}));
  f.view.noDictionaryAnswer = platform::kIdYes;
  bool dontAsk = true;
  EXPECT_EQ(host.AskNoDictionary(u"no dictionary", dontAsk), platform::kIdYes);
  EXPECT_EQ(f.view.noDictionaryTexts, (std::vector<std::u16string>{u"no dictionary"}));
  EXPECT_FALSE(host.CurrentStepHasKeys());
  host.SetAdvancedMode(true);
  EXPECT_FALSE(host.GetAdvancedMode());
  // No advertising template in the program folder: nothing starts.
  host.SetAdvertEngine("miva");
  EXPECT_EQ(s.Advert.AdvertEngine, nullptr);
  EXPECT_EQ(s.Results.PageResults.Advertising, nullptr);
  EXPECT_NE(f.Log().find("The advertising template miva could not be loaded"), std::string::npos);
  host.StopAdvertEngine();
  s.Opener = nullptr;
}

// New query applies the saved option set from the second command on, and
// only while ApplyDefaultsOnNewQuery holds.
TEST(SessionOptionsHost, NewQueryAppliesTheSavedSetFromTheSecondWhileAsked) {
  struct TCase {
    const char* name;
    int32_t earlierNewQueries;
    bool applyDefaults;
    bool applied;
  };
  const TCase cases[] = {
      {"the first New query", 0, true, false},
      {"the second", 1, true, true},
      {"the second while the dialog applies its own", 1, false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f;
    TKestruneSession& s = *f.session;
    s.NewQuery.NewQueryCount = c.earlierNewQueries;
    s.NewQuery.ApplyDefaultsOnNewQuery = c.applyDefaults;
    s.Config.Settings.TrackPosContext = 30;
    s.Config.Settings.TPCountFromSite = 100;
    s.Config.SavedOptions.TrackPosContext = 55;
    s.Config.SavedOptions.TrackPosExact = 1;
    s.Config.SavedOptions.LinksToDownload = 250;
    s.Config.SavedOptions.ExcludeWithContext = true;
    s.IBitmapButtonNewClick();
    EXPECT_EQ(s.Config.Settings.TrackPosContext, c.applied ? 55 : 30);
    EXPECT_EQ(s.Config.LinksToDownload, c.applied ? 250 : s.Config.LinksToDownload);
    EXPECT_EQ(s.Config.Settings.ExcludeWithContext, c.applied);
    EXPECT_EQ(f.view.trackBars, c.applied ? std::make_pair(55, 1) : std::make_pair(-1, -1));
    if (c.applied) EXPECT_EQ(s.Config.MatchSetting, 1);
    EXPECT_EQ(s.NewQuery.NewQueryCount, c.earlierNewQueries + 1);
  }
}

// The saved set's engines and dictionaries: enabled and active exactly as
// its lists name them; a current engine it does not enable gives way.
// The map is rebuilt at every resize of the window, and an empty map starts
// a New query; while the project holds nothing that New query neither
// empties the typed query box nor puts back the saved option set.
TEST(SessionOptionsHost, AnEmptyMapOfAnEmptyProjectKeepsTheOptionsAndTheTypedQuery) {
  struct TCase {
    const char* name;
    bool searched;
    bool newQuery;
  };
  const TCase cases[] = {{"nothing searched yet", false, false}, {"a search's keys kept", true, true}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f;
    TKestruneSession& s = *f.session;
    s.NewQuery.NewQueryCount = 1;
    s.Config.Settings.TrackPosContext = 30;
    s.Config.SavedOptions.TrackPosContext = 55;
    if (c.searched) s.Project.StepKeys.push_back(TNNKeys{});
    f.view.SetQueryText(u"typed");
    for (int i = 0; i < 2; ++i) s.ContentMapReGenerate();
    EXPECT_EQ(s.NewQuery.NewQueryCount, c.newQuery ? 2 : 1);  // the second rebuild: nothing left
    EXPECT_EQ(s.Config.Settings.TrackPosContext, c.newQuery ? 55 : 30);
    EXPECT_EQ(f.view.QueryText(), c.newQuery ? u"" : u"typed");
  }
}

TEST(SessionOptionsHost, TheSavedSetChoosesEnginesAndDictionaries) {
  TSessionFixture f([](test::TestProgram& p) {
    test::WriteDictionary(p.Program() + "dictionaries/english.dws", 9);
    test::WriteDictionary(p.Program() + "dictionaries/russian.dws", 25);
  });
  TKestruneSession& s = *f.session;
  ASSERT_FALSE(s.Config.Engines.empty());
  ASSERT_FALSE(s.Config.DictionaryList.empty());
  const std::string engine = s.Config.Engines.front().Name;
  ASSERT_EQ(s.Config.DictionaryList.size(), 2u);
  const std::string language = s.Config.DictionaryList.back().Language;
  for (TDictionaryEntry& entry : s.Config.DictionaryList) entry.Active = false;
  s.Config.Settings.website = "Elsewhere";
  s.Config.SavedOptions.EnabledEngines = engine + ",";
  s.Config.SavedOptions.CurrentEngine = platform::Utf8ToUtf16(engine);
  s.Config.SavedOptions.ActiveDictionaries = "Klingon, " + language;
  s.ApplySavedOptions();
  EXPECT_EQ(s.Config.Settings.website, engine);
  EXPECT_TRUE(s.Config.Engines.front().Enabled);
  EXPECT_EQ(s.Config.Settings.Lwebsite, engine + ",");
  for (const TDictionaryEntry& entry : s.Config.DictionaryList) EXPECT_EQ(entry.Active, entry.Language == language);
  ASSERT_FALSE(f.view.engineItems.empty());
  EXPECT_EQ(platform::Utf16ToUtf8(f.view.engineItems.front()), engine);
}

// The dialog built over the session's own fields edits them: OK writes the
// links and the saved set, and leaves both flags True.
TEST(SessionOptionsHost, TheDialogOverTheSessionWritesItsFields) {
  TSessionFixture f;
  TKestruneSession& s = *f.session;
  TOptionsModel model(SessionOptionsFields(s), s);
  model.FormShow();
  model.TBCountChange(3);
  ASSERT_TRUE(model.btOKClick());
  EXPECT_EQ(s.Config.Settings.TPCountFromSite, 250);
  EXPECT_EQ(s.Config.SavedOptions.LinksToDownload, 250);
  EXPECT_TRUE(s.NewQuery.ApplyDefaultsOnNewQuery);
  EXPECT_TRUE(s.NewQuery.MarkProjectChanged);
}

}  // namespace
}  // namespace kestrune
