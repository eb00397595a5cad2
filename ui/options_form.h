// TOptionsForm: the options dialog ("OptionsForm"), a thin shell over
// TOptionsModel (app/options_model.h), which holds its state and does its
// work. A list of five pages on the left selects the page (the tabs stay
// hidden), the panel above the page shows its name; below the pages the
// "Apply options to new queries" box and Default, OK and Cancel (Esc). Every
// control passes its change to the model; after each handler the form shows
// the model's state again. Captions come from the language files.
//
// Made once, shown modally any number of times (ShowModal). While shown, a
// 1500 ms timer rescans the engine-template and dictionary folders.
//
// Used on the user-interface thread only.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

#include "app/options_model.h"

namespace kestrune {

class TOptionsForm : public QDialog {
 public:
  // The fields and the host outlive the form.
  TOptionsForm(TOptionsFields fields, IOptionsHost& host, QWidget* parent = nullptr);
  // The same, owning its host.
  TOptionsForm(TOptionsFields fields, std::unique_ptr<IOptionsHost> host, QWidget* parent = nullptr);
  ~TOptionsForm() override;

  TOptionsModel& Model() { return *model_; }

  // Shows the form modally, at the engines page when opened from the engine
  // box's "More engines"; returns Accepted after OK, else Rejected.
  int ShowModal(bool openAtEngines);

  // The components, named (objectName) as the language files name them.
  QListWidget* ListBox;
  QLabel* PanelCaption;
  QStackedWidget* PageControl1;
  // General
  QLabel* LCount;
  QSlider* TBCount;
  QLabel* Lpos;
  QCheckBox* ChBxWithContext;
  QCheckBox* ChBxDoRefresh;
  QCheckBox* CBSaveReminder;
  QPushButton* TntButton1;  // connection settings: hidden
  QPushButton* TBtnClearHistory;
  QCheckBox* TCBAdvance;    // hidden, disabled
  QCheckBox* CBMetaSearch;  // hidden
  QPushButton* TBAsDefault;  // hidden; OK runs its handler
  // Search engines
  QTreeWidget* LVSearch;
  QPushButton* DownloadFromSite;
  // Dictionaries
  QTreeWidget* lvDictionaries;
  QLabel* plDictionaries;
  QCheckBox* ChBxOnlyStopWords;
  QCheckBox* TCBAsk;
  QCheckBox* TCBAskDowload;
  QPushButton* DownloadFromSiteDict;
  // Personal info
  QLabel* TLName;
  QLineEdit* TEdName;
  QLabel* TLCompany;
  QLineEdit* TEdCompany;
  QLabel* TLEmail;  // hidden
  QLineEdit* TEdEmail;  // hidden
  // Interface language
  QTreeWidget* LVLang;
  QPushButton* DownloadFromSiteLang;
  // Below the pages
  QCheckBox* TCBSetAsDefault;
  QPushButton* BDefault;
  QPushButton* btOK;
  QPushButton* btCancel;
  QTimer* Timer1;

 protected:
  void showEvent(QShowEvent* event) override;    // FormShow
  void closeEvent(QCloseEvent* event) override;  // the close box: TntFormClose
  void reject() override;                        // Esc: btCancelClick

 private:
  void BuildGeneralPage();
  void BuildEnginesPage();
  void BuildDictionariesPage();
  void BuildPersonalPage();
  void BuildLanguagePage();
  void Connect();

  void ShowControls();
  void ShowPage();
  void ShowEngineRows();
  void ShowDictionaryRows();
  void ShowLanguageRows();
  // After a handler that may have changed the interface language: the
  // relabelled caption becomes the base caption.
  void NoteLanguage(int32_t before);
  void CloseWith(int result);

  std::unique_ptr<IOptionsHost> ownedHost_;  // may be null
  std::unique_ptr<TOptionsModel> model_;
  QString baseCaption_;
  int32_t& interfaceLang_;
};

}  // namespace kestrune
