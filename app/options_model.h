// TOptionsModel: the options dialog without widgets. The dialog holds no
// settings of its own: when shown it copies the main window's settings and
// lists into its controls' state (the fields below), the user edits them, and
// OK writes them back and asks the main window to redo what the change needs
// (a new query, a new search, a reload of the dictionaries, a redraw). Only
// three things act at once: "Exclude the selected word together with its
// context" and a choice of interface language (both undone by Cancel or the
// close box) and "Clear history"; engines and dictionaries that appear in
// their folders while the dialog is shown (the rescan timer) join the main
// window's lists at once.
//
// The settings and lists are the session's, taken by reference
// (TOptionsFields); everything else the dialog asks of the main window goes
// through IOptionsHost. The form (ui/options_form.h) is a thin shell: it
// passes each control's change to the model and shows the model's state again
// after every handler.
//
// Used on the user-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/engine_list.h"
#include "app/kestrune_session.h"
#include "app/lng_list.h"
#include "app/options_host.h"

namespace kestrune {

// The main window's fields the dialog reads and writes (not owned).
struct TOptionsFields {
  TMainSettings& Settings;
  TDefaultOptions& SavedOptions;
  const TDefaultOptions& FactoryOptions;
  int32_t& LinksToDownload;  // the links a search asks for, kept with TPCountFromSite
  TSearchEns& Engines;
  std::string& CurrentEngineTemplate;  // the current engine is Settings.website
  bool& AdvertisingBegun;              // "begun.ini" was found
  std::vector<TDictionaryEntry>& DictionaryList;
  const TLngList& LanguageList;
  int32_t& InterfaceLang;
  const std::u16string& ProjectName;  // empty: no project is open
  // The current engine had to be replaced; the engine box carries the change
  // out (the session's EngineChangePending).
  bool& EngineChanged;
  // While True, New query first applies the saved option set.
  bool& ApplyDefaultsOnNewQuery;
  // While True, New query marks the project as changed.
  bool& MarkProjectChanged;
  // The query parser whose ianwWord mirrors Settings.DistinguishWordForms
  // (may be null).
  TITextParsing* TextParsing = nullptr;
  std::u16string EngineFolder;        // "templates/web/" of the program folder
  std::u16string DictionariesFolder;  // "dictionaries/" of the program folder
};

// The session's own fields, as the dialog edits them.
TOptionsFields SessionOptionsFields(TKestruneSession& session);

// The pages of the dialog, as its page list names them.
enum TOptionsPage : int32_t { opGeneral, opSearchEngines, opDictionaries, opPersonalInfo, opInterfaceLanguage,
                              opPageCount };

// The links to download for the track bar's positions 1..5.
inline constexpr int32_t kLinksCounts[5] = {50, 100, 250, 500, 1000};
// The rescan timer's period while the dialog is shown, in ms.
inline constexpr int32_t kOptionsRescanMs = 1500;

// A row of the engine list LVSearch: one engine of the engine list.
struct TEngineRow {
  std::u16string Caption;  // the display name
  std::string Template;
  bool Checked = false;
};

// A row of the dictionary list: one entry of the dictionary list.
struct TDictionaryRow {
  int32_t Entry = 0;          // the entry's index in the dictionary list
  std::u16string Language;
  std::u16string WordCount;   // "#,##"
  std::u16string Comment;     // the description
  std::u16string Author;
  bool Checked = false;
};

// A row of the interface-language list.
struct TLanguageRow {
  std::u16string Language;
  std::u16string Author;
  int32_t LangID = 0;
};

// A count as the pattern "#,##" writes it: groups of three digits separated
// by ","; 0 is empty.
std::u16string FormatWordCount(int64_t count);

class TOptionsModel {
 public:
  // The dialog's creation: the main window's ExcludeWithContext is cleared
  // (each run starts without it), MarkProjectChanged set.
  TOptionsModel(TOptionsFields fields, IOptionsHost& host);

  // ---- the dialog's state (its controls) ----
  int32_t Page = opGeneral;
  bool OpenAtEngines = false;   // the main window opens the dialog from its engine box
  bool ClosedByButton = false;  // closed by OK or Cancel
  int32_t LinksCount = kDefaultLinksToDownload;
  int32_t InitialLinksCount = kDefaultLinksToDownload;
  int32_t InitialLanguage = 0;
  int32_t TrackPosition = 2;  // TBCount, 1..5
  bool WithContext = false;   // ChBxWithContext
  bool InitialWithContext = false;  // ExcludeWithContext when the dialog was shown
  bool DoRefresh = false;     // ChBxDoRefresh
  bool SaveReminder = false;  // CBSaveReminder
  bool Advance = false;       // TCBAdvance (hidden, disabled)
  // ChBxOnlyStopWords, "Distinguish word forms": ticked, the forms are told
  // apart (DistinguishWordForms, the parser's ianwWord).
  bool OnlyStopWords = false;
  bool OnlyStopWordsEnabled = false;
  bool Ask = false;          // TCBAsk
  bool AskDownload = false;  // TCBAskDowload
  bool SetAsDefault = true;  // TCBSetAsDefault
  bool SetAsDefaultEnabled = false;
  std::u16string Name;     // TEdName
  std::u16string Company;  // TEdCompany
  std::vector<TEngineRow> EngineRows;
  std::vector<TDictionaryRow> DictionaryRows;
  std::vector<TLanguageRow> LanguageRows;
  int32_t SelectedLanguage = -1;  // the selected row of the language list
  bool TimerRunning = false;

  const std::u16string& ProjectName() const { return f_.ProjectName; }

  // Asked to hide the dialog (before OK's new search and at OK's end).
  std::function<void()> OnHide;

  // ---- handlers ----
  void FormShow();
  void ListBoxClick(int32_t index);
  void TBCountChange(int32_t position);
  void ChBxWithContextClick(bool checked);
  void lvDictionariesClick();
  void LVLangClick(int32_t row);
  void LVSearchColumnClick();
  void TBtnClearHistoryClick();
  void DownloadFromSiteClick();
  void DownloadFromSiteDictClick();
  void DownloadFromSiteLangClick();
  void BDefaultClick();
  void TBAsDefaultClick();
  // True when the dialog closes; False when it stays open (no engine
  // checked: the engines page is shown and nothing is applied).
  bool btOKClick();
  void btCancelClick();
  void TntFormClose();
  // One rescan of both folders; true when a row was added.
  bool Timer1Timer();

  // ---- operations ----
  // The rows from the lists; a refill (after a sort or a rescan) keeps the
  // checks of the rows already shown, which reach the lists only through OK.
  void FillEngineList();
  void FillDictionaryList();
  // Add the templates and dictionaries that appeared in their folders; true
  // when one was added.
  bool RescanEngines();
  bool RescanDictionaries();
  // The display name (the base name when there is none, or when the
  // template cannot be read: then smTemplate is shown) and the priority.
  void ReadEngineTemplate(std::string_view baseName, std::u16string& displayName, int32_t& priority);
  void AutoActivateDictionary();
  void AskActivateDictionary();

  // The track bar's position of a links value; 0 for a value it has none for.
  static int32_t LinksPosition(int32_t links);

 private:
  bool AnyDictionaryChecked() const;
  bool AnyEngineChecked() const;
  void RestoreLanguage();
  // Cancel and the close box: what acted at once (the context box, the
  // interface language) goes back to its value at the showing.
  void UndoImmediateChanges();
  void Redraw() { host_.ShowResults(-2, 0); }
  // The engine box from the engines' enabled flags; true when the current
  // engine is among them (else the first becomes current and EngineChanged
  // is set).
  bool RebuildEngineBox();
  // The rows of the dictionaries whose identifier is the interface
  // language's primary language.
  std::vector<size_t> RowsOfInterfaceLanguage() const;
  void ApplyEngines(bool& replaced);
  void ApplyAdvertising();

  TOptionsFields f_;
  IOptionsHost& host_;
};

}  // namespace kestrune
