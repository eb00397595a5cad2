// The options dialog's model over a small program folder (three engine
// templates, an English and a Russian dictionary) and a host that records
// what the dialog asks of the main window, with the two new-query flags as
// they stood during each call.
#include "app/options_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/base.h"
#include "core/message_strings.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "tests/app/program_folder.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using platform::Utf16ToUtf8;

class TRecordingHost : public IOptionsHost {
 public:
  std::vector<std::string> calls;
  const bool* applyDefaults = nullptr;
  const bool* markChanged = nullptr;
  bool hasKeys = false;
  int32_t answer = platform::kIdNo;
  bool answerDontAsk = false;
  std::vector<std::u16string> boxItems;
  int32_t boxSelected = -2;

  void Note(const std::string& call) { calls.push_back(call); }
  // A call during which the new-query flags matter.
  void NoteFlags(const std::string& call) {
    calls.push_back(call + " apply=" + std::to_string(*applyDefaults) + " mark=" + std::to_string(*markChanged));
  }
  void ApplyLanguage() override { Note("ApplyLanguage"); }
  void ShowStartPage() override { Note("ShowStartPage"); }
  void ShowResults(int32_t page, int32_t mode) override {
    Note("ShowResults " + std::to_string(page) + " " + std::to_string(mode));
  }
  void ResetKeepQuery() override { NoteFlags("ResetKeepQuery"); }
  void LoadDictionaries(bool reload) override { NoteFlags("LoadDictionaries " + std::to_string(reload)); }
  void IBitmapButtonNewClick() override { NoteFlags("New"); }
  void BBtnSearchClick() override { NoteFlags("Search"); }
  void SetAdvertEngine(std::string_view name) override { Note("SetAdvertEngine " + std::string(name)); }
  void StopAdvertEngine() override { Note("StopAdvertEngine"); }
  bool GetAdvancedMode() override { return false; }
  void SetAdvancedMode(bool on) override { Note("SetAdvancedMode " + std::to_string(on)); }
  void ClearHistory() override { Note("ClearHistory"); }
  void OpenInBrowser(std::u16string_view url) override { Note("OpenInBrowser " + Utf16ToUtf8(url)); }
  int32_t AskNoDictionary(std::u16string_view text, bool& dontAsk) override {
    Note("AskNoDictionary " + Utf16ToUtf8(text));
    dontAsk = answerDontAsk;
    return answer;
  }
  void SetEngineBox(const std::vector<std::u16string>& items, int32_t selected) override {
    Note("SetEngineBox");
    boxItems = items;
    boxSelected = selected;
  }
  void SetMainCaption(std::u16string_view caption) override { Note("Caption " + Utf16ToUtf8(caption)); }
  bool CurrentStepHasKeys() override { return hasKeys; }
  void EnableRefresh() override { Note("EnableRefresh"); }
};

// The session's fields the dialog edits, over a program folder.
struct TOptionsRig {
  test::TempDir dir;
  TMainSettings settings;
  TDefaultOptions saved;
  TDefaultOptions factory;
  int32_t linksToDownload = kDefaultLinksToDownload;
  TSearchEns engines = {{"Alpha", "alpha", 0, true}, {"Beta", "beta", 0, true}, {"Gamma", "gamma", 0, true}};
  std::string currentTemplate = "beta";
  bool begun = false;
  std::vector<TDictionaryEntry> dictionaries;
  TLngList languages = {{u"English", u"english.lng", 9, 1252, u"Kestrune"},
                        {u"Russian", u"russian.lng", 25, 1251, u"Translator"},
                        {u"German", u"german.lng", 7, 1252, u"Translator"}};
  int32_t interfaceLang = 9;
  std::u16string projectName;
  bool engineChanged = false;
  bool applyDefaults = true;
  bool markChanged = false;
  TITextParsing parser;
  TRecordingHost host;
  std::vector<std::string> boxes;
  std::unique_ptr<TOptionsModel> model;

  TOptionsRig() {
    std::filesystem::create_directories(dir.Path() + "templates/web");
    std::filesystem::create_directories(dir.Path() + "dictionaries");
    for (const char* name : {"alpha", "beta", "gamma"}) {
      test::WriteFileBytes(dir.Path() + "templates/web/" + name + ".ini", "[general]\nhostname=x\n");
    }
    test::WriteDictionary(dir.Path() + "dictionaries/en.dws", kLangEnglish);
    test::WriteDictionary(dir.Path() + "dictionaries/ru.dws", kLangRussian);
    dictionaries.resize(2);
    dictionaries[0].FileName = "en.dws";
    dictionaries[0].Language = "English";
    dictionaries[0].Header.DictID = kLangEnglish;
    dictionaries[0].Header.WordCount = 12345;
    dictionaries[1].FileName = "ru.dws";
    dictionaries[1].Language = "Russian";
    dictionaries[1].Header.DictID = kLangRussian;
    for (TDictionaryEntry& entry : dictionaries) entry.Active = true;
    settings.website = "Beta";
    settings.Lwebsite = "Alpha,Beta,Gamma,";
    host.applyDefaults = &applyDefaults;
    host.markChanged = &markChanged;
    platform::SetMessageBoxHandler([this](std::u16string_view text, std::u16string_view, uint32_t) {
      boxes.push_back(Utf16ToUtf8(text));
      return platform::kIdOk;
    });
    model = std::make_unique<TOptionsModel>(
        TOptionsFields{settings, saved, factory, linksToDownload, engines, currentTemplate, begun, dictionaries,
                       languages, interfaceLang, projectName, engineChanged, applyDefaults, markChanged, &parser,
                       dir.WFile("templates/web/"), dir.WFile("dictionaries/")},
        host);
    model->OnHide = [this] { host.Note("Hide"); };
  }
  ~TOptionsRig() { platform::SetMessageBoxHandler({}); }

  // Shows the dialog and forgets the calls the showing made.
  TOptionsModel& Shown() {
    model->FormShow();
    host.calls.clear();
    return *model;
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> names;
    for (const TEngineRow& row : model->EngineRows) names.push_back(Utf16ToUtf8(row.Caption) + (row.Checked ? "+" : "-"));
    return names;
  }
};

TEST(TOptionsModel, LinksToDownload) {
  const struct {
    int32_t stored;
    int32_t moveTo;  // 0: the track bar is left alone
    bool stepHasKeys;
    int32_t shownPosition;
    int32_t applied;
    bool refreshEnabled;
  } cases[] = {
      {75, 0, true, 2, 75, false},    // no position for 75: the bar stays, the value is kept
      {250, 0, true, 3, 250, false},
      {1000, 0, true, 5, 1000, false},
      {75, 4, true, 2, 500, true},
      {100, 1, false, 2, 50, false},  // changed, but the step has no key
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    TOptionsRig rig;
    rig.settings.TPCountFromSite = c.stored;
    rig.host.hasKeys = c.stepHasKeys;
    TOptionsModel& m = rig.Shown();
    EXPECT_EQ(m.LinksCount, c.stored);
    EXPECT_EQ(m.TrackPosition, c.shownPosition);
    if (c.moveTo) m.TBCountChange(c.moveTo);
    ASSERT_TRUE(m.btOKClick());
    EXPECT_EQ(rig.settings.TPCountFromSite, c.applied);
    EXPECT_EQ(rig.linksToDownload, c.applied);
    EXPECT_EQ(rig.saved.LinksToDownload, c.applied);
    EXPECT_EQ(std::count(rig.host.calls.begin(), rig.host.calls.end(), "EnableRefresh"), c.refreshEnabled ? 1 : 0);
  }
}

TEST(TOptionsModel, OkAppliesAndAsksForWhatTheChangeNeeds) {
  const std::string caption = "Caption " + Utf16ToUtf8(MessageStrings.smKestruneVia);
  const struct {
    const char* name;
    std::function<void(TOptionsModel&)> edit;
    bool closes;
    std::vector<std::string> calls;
    std::string current;
    bool engineChanged;
  } cases[] = {
      {"NothingChanged", [](TOptionsModel&) {}, true,
       {"SetAdvertEngine miva", "SetEngineBox", caption + "Beta", "Hide"}, "Beta", false},
      {"CurrentEngineUnchecked", [](TOptionsModel& m) { m.EngineRows[1].Checked = false; }, true,
       {"SetAdvertEngine miva", "SetEngineBox", caption + "Alpha", "New apply=1 mark=0", "Hide"}, "Alpha", true},
      {"OnlyWordForms", [](TOptionsModel& m) { m.OnlyStopWords = !m.OnlyStopWords; }, true,
       {"SetAdvertEngine miva", "SetEngineBox", caption + "Beta", "ResetKeepQuery apply=0 mark=1",
        "LoadDictionaries 1 apply=0 mark=1", "Hide", "Search apply=0 mark=1", "Hide"},
       "Beta", false},
      {"ADictionaryUnchecked", [](TOptionsModel& m) { m.DictionaryRows[1].Checked = false; }, true,
       {"SetAdvertEngine miva", "SetEngineBox", caption + "Beta", "New apply=0 mark=0",
        "LoadDictionaries 1 apply=0 mark=1", "Hide"},
       "Beta", false},
      {"NoEngineChecked",
       [](TOptionsModel& m) {
         for (TEngineRow& row : m.EngineRows) row.Checked = false;
         m.Name = u"Someone";
         m.OnlyStopWords = !m.OnlyStopWords;
         m.DictionaryRows[0].Checked = false;
       },
       false, {}, "Beta", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TOptionsRig rig;
    rig.settings.AskActivateDict = false;
    TOptionsModel& m = rig.Shown();
    const TMainSettings before = rig.settings;
    const TDefaultOptions savedBefore = rig.saved;
    c.edit(m);
    EXPECT_EQ(m.btOKClick(), c.closes);
    EXPECT_EQ(rig.host.calls, c.calls);
    EXPECT_EQ(rig.settings.website, c.current);
    EXPECT_EQ(rig.engineChanged, c.engineChanged);
    EXPECT_TRUE(rig.applyDefaults);
    EXPECT_TRUE(rig.markChanged);
    if (!c.closes) {
      // Nothing applied: the engines page is shown and the dialog stays.
      EXPECT_EQ(m.Page, opSearchEngines);
      EXPECT_FALSE(m.ClosedByButton);
      EXPECT_EQ(rig.settings, before);
      EXPECT_EQ(rig.saved, savedBefore);
      EXPECT_TRUE(rig.dictionaries[0].Active);
      continue;
    }
    EXPECT_EQ(rig.currentTemplate, platform::Utf16ToUtf8(platform::WideLowerCase(platform::Utf8ToUtf16(c.current))));
    EXPECT_EQ(rig.parser.ianwWord(), rig.settings.DistinguishWordForms);
    EXPECT_EQ(rig.host.boxItems.back(), MessageStrings.smMoreEngines);
    EXPECT_EQ(Utf16ToUtf8(rig.host.boxItems[static_cast<size_t>(rig.host.boxSelected)]), c.current);
    EXPECT_EQ(rig.saved.CurrentEngine, platform::Utf8ToUtf16(c.current));
  }
}

TEST(TOptionsModel, TheContextBoxActsAtOnceAndCancelPutsItBack) {
  enum End { kCancel, kCloseBox, kOk, kOkWithoutEngineThenCloseBox };
  const struct {
    const char* name;
    bool inForce;  // ExcludeWithContext when the dialog opens
    int clicks;    // clicks on the box, each a toggle
    End end;
    bool after;
  } cases[] = {
      {"OnThenCancel", false, 1, kCancel, false},
      {"OffThenCancel", true, 1, kCancel, true},
      {"OnThenCloseBox", false, 1, kCloseBox, false},
      {"OnThenOk", false, 1, kOk, true},
      {"OffThenOk", true, 1, kOk, false},
      {"OnOffThenCancel", false, 2, kCancel, false},
      {"OnThenOkRefusedThenCloseBox", false, 1, kOkWithoutEngineThenCloseBox, false},
      {"UntouchedCancel", true, 0, kCancel, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TOptionsRig rig;
    rig.settings.AskActivateDict = false;
    rig.settings.ExcludeWithContext = c.inForce;
    TOptionsModel& m = rig.Shown();
    EXPECT_EQ(m.WithContext, c.inForce);  // the box shows the value in force
    for (int i = 0; i < c.clicks; ++i) m.ChBxWithContextClick(!m.WithContext);
    EXPECT_EQ(rig.settings.ExcludeWithContext, c.clicks % 2 == 1 ? !c.inForce : c.inForce);  // at once
    rig.host.calls.clear();
    switch (c.end) {
      case kCancel:
        m.btCancelClick();
        break;
      case kCloseBox:
        break;
      case kOk:
        ASSERT_TRUE(m.btOKClick());
        EXPECT_EQ(rig.saved.ExcludeWithContext, c.after);
        break;
      case kOkWithoutEngineThenCloseBox:
        for (TEngineRow& row : m.EngineRows) row.Checked = false;
        ASSERT_FALSE(m.btOKClick());
        break;
    }
    m.TntFormClose();
    EXPECT_EQ(rig.settings.ExcludeWithContext, c.after);
    // A value put back redraws the page that showed the other one.
    const bool putBack = c.end != kOk && c.clicks % 2 == 1;
    EXPECT_EQ(std::count(rig.host.calls.begin(), rig.host.calls.end(), "ShowResults -2 0"), putBack ? 1 : 0);
    EXPECT_EQ(rig.Shown().WithContext, c.after);  // and the next showing shows it
  }
}

TEST(TOptionsModel, TheWordFormsBoxTickedMeansTheFormsApart) {
  const struct {
    const char* name;
    bool stored;  // DistinguishWordForms
    bool toggle;
    bool byDefault;  // "Default" pressed before OK
    bool after;
    bool searchedAgain;
  } cases[] = {
      {"ApartShownTicked", true, false, false, true, false},
      {"MergedShownUnticked", false, false, false, false, false},
      {"TickedToApart", false, true, false, true, true},
      {"UntickedToMerged", true, true, false, false, true},
      {"DefaultMerges", true, false, true, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TOptionsRig rig;
    rig.settings.AskActivateDict = false;
    rig.settings.DistinguishWordForms = c.stored;
    rig.parser.SetianwWord(c.stored);
    TOptionsModel& m = rig.Shown();
    EXPECT_EQ(m.OnlyStopWords, c.stored);
    if (c.toggle) m.OnlyStopWords = !m.OnlyStopWords;
    if (c.byDefault) m.BDefaultClick();
    ASSERT_TRUE(m.btOKClick());
    EXPECT_EQ(rig.settings.DistinguishWordForms, c.after);
    EXPECT_EQ(rig.saved.WordForms, c.after);
    EXPECT_EQ(rig.parser.ianwWord(), c.after);
    EXPECT_EQ(std::count(rig.host.calls.begin(), rig.host.calls.end(), "Search apply=0 mark=1"),
              c.searchedAgain ? 1 : 0);
  }
}

TEST(TOptionsModel, CurrentEngineCountsOnlyAsAWholeItemOfTheEnabledText) {
  TOptionsRig rig;
  rig.engines = {{"Alpha", "alpha", 0, true}, {"Beta", "beta", 0, true}, {"SuperBeta", "superbeta", 0, true}};
  TOptionsModel& m = rig.Shown();
  m.EngineRows[1].Checked = false;  // "Beta," stays inside "SuperBeta,"
  m.TBAsDefaultClick();
  EXPECT_EQ(rig.settings.Lwebsite, "Alpha,SuperBeta,");
  EXPECT_EQ(rig.saved.CurrentEngine, u"Alpha");
}

TEST(TOptionsModel, AChosenLanguageIsUndoneUnlessConfirmed) {
  enum End { kCancel, kCloseBox, kOk, kOkWithoutEngineThenCloseBox };
  const struct {
    const char* name;
    End end;
    int32_t language;
  } cases[] = {
      {"Cancel", kCancel, 9},
      {"CloseBox", kCloseBox, 9},
      {"Ok", kOk, 25},
      {"OkRefusedThenCloseBox", kOkWithoutEngineThenCloseBox, 9},
  };
  const std::vector<std::string> applied = {"ApplyLanguage", "ShowStartPage", "ShowResults -2 0"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TOptionsRig rig;
    TOptionsModel& m = rig.Shown();
    EXPECT_EQ(m.SelectedLanguage, 0);
    m.LVLangClick(1);
    EXPECT_EQ(rig.interfaceLang, 25);
    EXPECT_EQ(rig.host.calls, applied);
    rig.host.calls.clear();
    switch (c.end) {
      case kCancel:
        m.btCancelClick();
        m.TntFormClose();
        break;
      case kCloseBox:
        m.TntFormClose();
        break;
      case kOk:
        ASSERT_TRUE(m.btOKClick());
        m.TntFormClose();
        break;
      case kOkWithoutEngineThenCloseBox:
        for (TEngineRow& row : m.EngineRows) row.Checked = false;
        ASSERT_FALSE(m.btOKClick());
        m.TntFormClose();
        break;
    }
    EXPECT_EQ(rig.interfaceLang, c.language);
    const bool restored = c.language == 9;
    EXPECT_EQ(std::search(rig.host.calls.begin(), rig.host.calls.end(), applied.begin(), applied.end()) !=
                  rig.host.calls.end(),
              restored);
    EXPECT_FALSE(m.TimerRunning);
  }
}

TEST(TOptionsModel, AdvertisingFollowsTheInterfaceLanguage) {
  const struct {
    int32_t language;
    bool begunFound;
    const char* call;
  } cases[] = {
      {9, false, "SetAdvertEngine miva"},     {0x0409, false, "SetAdvertEngine miva"},
      {25, true, "SetAdvertEngine begun"},    {0x0419, true, "SetAdvertEngine begun"},
      {25, false, "StopAdvertEngine"},         {7, true, "StopAdvertEngine"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language);
    TOptionsRig rig;
    rig.interfaceLang = c.language;
    rig.begun = c.begunFound;
    rig.settings.AskActivateDict = false;
    ASSERT_TRUE(rig.Shown().btOKClick());
    EXPECT_EQ(rig.host.calls.front(), c.call);
  }
}

TEST(TOptionsModel, RescanAddsWhatAppearsInTheFolders) {
  TOptionsRig rig;
  TOptionsModel& m = rig.Shown();
  m.EngineRows[2].Checked = false;  // the user's unconfirmed choice survives the refill
  EXPECT_FALSE(m.Timer1Timer());
  EXPECT_TRUE(rig.host.calls.empty());

  const std::string web = rig.dir.Path() + "templates/web/";
  test::WriteFileBytes(web + "delta.ini", "[display name]\nhostname=\"Delta\"\npriority=3\n");
  test::WriteFileBytes(web + "begun.ini", "[general]\nhostname=begun\n");
  test::WriteFileBytes(web + "zeta.INI", "[general]\nhostname=Zeta\n");
  test::WriteFileBytes(web + "eta.ini.bak", "[general]\nhostname=Eta\n");
  const std::string dicts = rig.dir.Path() + "dictionaries/";
  test::WriteDictionary(dicts + "de.dws", kLangGerman, u"A. Author");
  test::WriteFileBytes(dicts + "broken.dws", "not a dictionary");
  test::WriteDictionary(dicts + "fr.DWS", kLangFrench);
  EXPECT_TRUE(m.Timer1Timer());
  EXPECT_TRUE(m.TimerRunning);

  EXPECT_EQ(rig.Captions(), (std::vector<std::string>{"Alpha+", "Beta+", "Delta+", "Gamma-"}));
  EXPECT_TRUE(rig.begun);
  ASSERT_EQ(rig.engines.size(), 4u);
  EXPECT_EQ(rig.engines[2], (TSearchEn{"Delta", "delta", 3, true}));
  EXPECT_TRUE(rig.engines[3].Enabled);  // unchecked in the dialog only
  EXPECT_EQ(rig.host.calls, std::vector<std::string>{"SetEngineBox"});
  EXPECT_EQ(rig.host.boxItems,
            (std::vector<std::u16string>{u"Alpha", u"Beta", u"Delta", u"Gamma", MessageStrings.smMoreEngines}));
  EXPECT_EQ(rig.host.boxSelected, 1);

  ASSERT_EQ(rig.dictionaries.size(), 3u);
  EXPECT_EQ(rig.dictionaries[2].FileName, "de.dws");
  EXPECT_EQ(rig.dictionaries[2].Language, "German");
  EXPECT_TRUE(rig.dictionaries[2].Active);
  ASSERT_EQ(m.DictionaryRows.size(), 3u);
  EXPECT_EQ(m.DictionaryRows[2].Author, u"A. Author");
  EXPECT_TRUE(m.DictionaryRows[2].Checked);

  rig.host.calls.clear();
  EXPECT_FALSE(m.Timer1Timer());  // nothing new the second time
  EXPECT_TRUE(rig.host.calls.empty());
  EXPECT_TRUE(rig.boxes.empty());
}

TEST(TOptionsModel, ReadEngineTemplateNamesEveryEngine) {
  const struct {
    const char* file;  // null: no file
    const char* name;
    int32_t priority;
    bool message;
  } cases[] = {
      {"[Display Name]\nhostname=\"Web Finder\"\npriority=7\n", "Web Finder", 7, false},
      {"[general]\npriority=2\n", "plain", 2, false},
      {nullptr, "plain", 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TOptionsRig rig;
    if (c.file) test::WriteFileBytes(rig.dir.Path() + "templates/web/plain.ini", c.file);
    std::u16string name;
    int32_t priority = -1;
    rig.model->ReadEngineTemplate("plain", name, priority);
    EXPECT_EQ(Utf16ToUtf8(name), c.name);
    EXPECT_EQ(priority, c.priority);
    EXPECT_EQ(rig.boxes, c.message ? std::vector<std::string>{Utf16ToUtf8(MessageStrings.smTemplate) + "plain"}
                                   : std::vector<std::string>{});
  }
}

TEST(TOptionsModel, TheInterfaceLanguagesDictionary) {
  const struct {
    const char* name;
    bool ask;
    bool autoActivate;
    int32_t answer;
    bool dontAsk;
    bool asked;
    bool checked;
    bool askAfter;
    bool autoAfter;
  } cases[] = {
      {"AskedYes", true, false, platform::kIdYes, false, true, true, true, false},
      {"AskedNo", true, false, platform::kIdNo, false, true, false, true, false},
      {"AskedYesNeverAgain", true, false, platform::kIdYes, true, true, true, false, true},
      {"AskedNoNeverAgain", true, true, platform::kIdNo, true, true, false, false, false},
      {"Silent", false, true, platform::kIdNo, false, false, true, false, true},
      {"Neither", false, false, platform::kIdNo, false, false, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TOptionsRig rig;
    rig.interfaceLang = 0x0419;
    rig.begun = true;
    rig.settings.AutoActivateDictForLng = c.autoActivate;
    rig.host.answer = c.answer;
    rig.host.answerDontAsk = c.dontAsk;
    TOptionsModel& m = rig.Shown();
    m.Ask = c.ask;
    m.DictionaryRows[1].Checked = false;
    ASSERT_TRUE(m.btOKClick());
    const std::string question = "AskNoDictionary " + Utf16ToUtf8(MessageStrings.smNADictForLng1) + "Russian" +
                                 Utf16ToUtf8(MessageStrings.smNADictForLng2);
    EXPECT_EQ(!rig.host.calls.empty() && rig.host.calls.front() == question, c.asked);
    EXPECT_EQ(rig.dictionaries[1].Active, c.checked);
    EXPECT_EQ(rig.settings.AskActivateDict, c.askAfter);
    EXPECT_EQ(rig.settings.AutoActivateDictForLng, c.autoAfter);
  }
}

TEST(TOptionsModel, FormatWordCount) {
  const struct {
    int64_t count;
    const char16_t* text;
  } cases[] = {{0, u""}, {7, u"7"}, {999, u"999"}, {1000, u"1,000"}, {12345, u"12,345"}, {1234567, u"1,234,567"}};
  for (const auto& c : cases) EXPECT_EQ(FormatWordCount(c.count), c.text) << c.count;
}

}  // namespace
}  // namespace kestrune
