// The options dialog offscreen: opened from the engine box at the engines
// page with its English captions, the controls that stay hidden, the list
// rows, and what OK, Esc and the close box leave behind.
//
// With KESTRUNE_WRITE_IMAGES=<folder> the engines page is written there as
// options_form.png (for docs/).
#include "ui/options_form.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTest>
#include <filesystem>

#include "app/window/apply_language.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "tests/app/program_folder.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/form_test_support.h"

namespace kestrune {
namespace {

using test::WhenShown;

class TQuietHost : public IOptionsHost {
 public:
  std::vector<std::string> calls;
  void ApplyLanguage() override { calls.push_back("ApplyLanguage"); }
  void ShowStartPage() override {}
  void ShowResults(int32_t, int32_t) override {}
  void ResetKeepQuery() override {}
  void LoadDictionaries(bool) override {}
  void IBitmapButtonNewClick() override { calls.push_back("New"); }
  void BBtnSearchClick() override {}
  void SetAdvertEngine(std::string_view) override {}
  void StopAdvertEngine() override {}
  bool GetAdvancedMode() override { return false; }
  void SetAdvancedMode(bool) override {}
  void ClearHistory() override { calls.push_back("ClearHistory"); }
  void OpenInBrowser(std::u16string_view) override {}
  int32_t AskNoDictionary(std::u16string_view, bool&) override { return platform::kIdNo; }
  void SetEngineBox(const std::vector<std::u16string>&, int32_t) override {}
  void SetMainCaption(std::u16string_view) override {}
  bool CurrentStepHasKeys() override { return false; }
  void EnableRefresh() override {}
};

struct TFormRig {
  test::TempDir dir;
  TMainSettings settings;
  TDefaultOptions saved, factory;
  int32_t links = kDefaultLinksToDownload;
  TSearchEns engines = {{"Alpha Search", "alpha", 0, true}, {"Beta", "beta", 0, true}, {"Gamma", "gamma", 0, false}};
  std::string currentTemplate = "beta";
  bool begun = false;
  std::vector<TDictionaryEntry> dictionaries;
  TLngList languages = {{u"English", u"english.lng", 9, 1252, u"Kestrune Inc"},
                        {u"Русский", u"russian.lng", 25, 1251, u"Translator"}};
  int32_t lang = 9;
  std::u16string project;
  bool engineChanged = false, applyDefaults = true, markChanged = true;
  TQuietHost host;

  explicit TFormRig(bool withDictionaries) {
    std::filesystem::create_directories(dir.Path() + "templates/web");
    std::filesystem::create_directories(dir.Path() + "dictionaries");
    settings.website = "Beta";
    settings.Author = u"A. User";
    if (withDictionaries) {
      dictionaries.resize(1);
      dictionaries[0].FileName = "en.dws";
      dictionaries[0].Language = "English";
      dictionaries[0].Header.DictID = 9;
      dictionaries[0].Header.WordCount = 48213;
      dictionaries[0].Description = u"General English";
      dictionaries[0].Active = true;
      test::WriteDictionary(dir.Path() + "dictionaries/en.dws", 9);
    }
  }
  TOptionsFields Fields() {
    return {settings, saved,   factory, links,       engines,       currentTemplate, begun,
            dictionaries, languages, lang, project, engineChanged, applyDefaults, markChanged,
            nullptr, dir.WFile("templates/web/"), dir.WFile("dictionaries/")};
  }
};

QStringList Rows(QTreeWidget* list) {
  QStringList rows;
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = list->topLevelItem(i);
    rows << item->text(0) + (item->checkState(0) == Qt::Checked ? "+" : "-");
  }
  return rows;
}

TEST(TOptionsForm, OpensAtTheEnginesPageFromTheEngineBox) {
  TFormRig rig(true);
  TOptionsForm form(rig.Fields(), rig.host);
  ApplyBuiltInLanguage(form);
  EXPECT_EQ(form.windowTitle(), "Options");
  EXPECT_EQ(form.btOK->text(), "&OK");
  EXPECT_EQ(form.LVSearch->headerItem()->text(0), "Base name");
  EXPECT_EQ(form.lvDictionaries->headerItem()->text(1), "Word Count");
  EXPECT_EQ(form.ListBox->item(4)->text(), "Interface language");
  struct {
    int page = -1;
    QString panel, lpos, wordCount, name;
    QStringList engines;
    bool hiddenOnes = false, listShown = false, wordFormsEnabled = false, setAsDefaultEnabled = true;
    bool languageSelected = false;
  } seen;
  WhenShown(form, [&] {
    seen.page = form.PageControl1->currentIndex();
    seen.panel = form.PanelCaption->text();
    seen.lpos = form.Lpos->text();
    seen.engines = Rows(form.LVSearch);
    seen.wordCount = form.lvDictionaries->topLevelItem(0)->text(1);
    seen.name = form.TEdName->text();
    seen.hiddenOnes = form.TCBAdvance->isHidden() && !form.TCBAdvance->isEnabled() && form.TntButton1->isHidden() &&
                      form.TEdEmail->isHidden() && form.TBAsDefault->isHidden() && form.CBMetaSearch->isHidden();
    seen.listShown = !form.lvDictionaries->isHidden() && form.plDictionaries->isHidden();
    seen.wordFormsEnabled = form.ChBxOnlyStopWords->isEnabled();
    seen.setAsDefaultEnabled = form.TCBSetAsDefault->isEnabled();
    seen.languageSelected = form.LVLang->currentItem() == form.LVLang->topLevelItem(0);
    const QString folder = QString::fromLocal8Bit(qgetenv("KESTRUNE_WRITE_IMAGES"));
    if (!folder.isEmpty()) {
      EXPECT_TRUE(form.grab().save(folder + "/options_form.png"));
    }
    // The current engine unchecked, a name typed, then OK.
    form.LVSearch->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    form.TEdName->clear();
    QTest::keyClicks(form.TEdName, "New Name");
    QTest::mouseClick(form.btOK, Qt::LeftButton);
  });
  EXPECT_EQ(form.ShowModal(true), QDialog::Accepted);
  EXPECT_FALSE(form.Model().OpenAtEngines);
  EXPECT_EQ(seen.page, opSearchEngines);
  EXPECT_EQ(seen.panel, "Search engines");
  EXPECT_EQ(seen.lpos, "100");
  EXPECT_EQ(seen.engines, (QStringList{"Alpha Search+", "Beta+", "Gamma-"}));
  EXPECT_EQ(seen.wordCount, "48,213");
  EXPECT_EQ(seen.name, "A. User");
  EXPECT_TRUE(seen.hiddenOnes);
  EXPECT_TRUE(seen.listShown);
  EXPECT_TRUE(seen.wordFormsEnabled);
  EXPECT_FALSE(seen.setAsDefaultEnabled);  // no project open
  EXPECT_TRUE(seen.languageSelected);
  EXPECT_FALSE(rig.engines[1].Enabled);
  EXPECT_EQ(rig.settings.website, "Alpha Search");
  EXPECT_EQ(rig.settings.Author, u"New Name");
  EXPECT_EQ(rig.host.calls, std::vector<std::string>{"New"});
  EXPECT_FALSE(form.Timer1->isActive());
}

TEST(TOptionsForm, WithoutDictionariesAndClosedOtherwise) {
  enum Close { kEsc, kCloseBox };
  for (Close how : {kEsc, kCloseBox}) {
    SCOPED_TRACE(how);
    TFormRig rig(false);
    TOptionsForm form(rig.Fields(), rig.host);
    ApplyBuiltInLanguage(form);
    bool panelShown = false, wordFormsEnabled = true;
    int page = -1;
    WhenShown(form, [&] {
      page = form.PageControl1->currentIndex();
      panelShown = !form.plDictionaries->isHidden() && form.lvDictionaries->isHidden();
      wordFormsEnabled = form.ChBxOnlyStopWords->isEnabled();
      form.ListBox->setCurrentRow(opInterfaceLanguage);
      EXPECT_EQ(form.PanelCaption->text(), "Interface language");
      QTest::mouseClick(form.TBtnClearHistory, Qt::LeftButton);
      QTreeWidgetItem* russian = form.LVLang->topLevelItem(1);
      QTest::mouseClick(form.LVLang->viewport(), Qt::LeftButton, {},
                        form.LVLang->visualItemRect(russian).center());
      EXPECT_EQ(rig.lang, 25);
      if (how == kEsc) {
        QTest::keyClick(&form, Qt::Key_Escape);
      } else {
        form.close();
      }
    });
    EXPECT_EQ(form.ShowModal(false), QDialog::Rejected);
    EXPECT_EQ(page, opGeneral);
    EXPECT_TRUE(panelShown);
    EXPECT_FALSE(wordFormsEnabled);
    EXPECT_EQ(rig.lang, 9);  // the chosen language undone
    EXPECT_EQ(rig.host.calls, (std::vector<std::string>{"ClearHistory", "ApplyLanguage", "ApplyLanguage"}));
  }
}

}  // namespace
}  // namespace kestrune
