// TKestruneSession: the program's state and the main window's behaviour
// without widgets. The main window is a thin shell over it: the session owns
// the settings and the lists built from them, the language objects (word
// dictionary, text parsers, word-form store, indexers), the context network
// and the content map with its ring of search steps, the project (documents,
// step keys, counters, stop words, hidden sites), the query box's items, the
// history control and the engine list; it decides what happens and reaches
// the screen only through IMainView (the window), IMapViewOps (the word
// map's view), ISearchEngine (the search worker), IBrowserOpener and ISendMail.
// Tests drive it without a screen through recording fakes.
//
// Life: the program block makes the session and reads the start values
// (ReadLanguageTable, ReadStartupSettings, LoadStartupMessages); the main
// window calls Create with itself, its map view and the search worker, and
// Destroy when it goes. Create runs the creation steps that need no widget:
// the objects and their hooks, the query box's items from "query.dat", the
// settings and lists (LoadSettings), the history list, the two converter
// loaders with the document extensions, the page blocks of the English
// templates, and the dictionaries. FormShow runs the steps of the window's
// first show that need no widget.
//
// The view, the map view and the engine may be null (tests of one part, the
// sanitizer builds): what would reach them is skipped.
//
// The settings and the lists built from them are the Config unit's
// (app/session_settings.h): read in two stages, written back when the main
// window is destroyed.
//
// One session per program run, used on the user-interface thread.
#pragma once

#include <array>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "app/control_flow.h"
#include "app/custom_history.h"
#include "app/edit_panel_model.h"
#include "app/engine_list.h"
#include "app/lng_file.h"
#include "app/lng_list.h"
#include "app/main_page_blocks.h"
#include "app/main_view.h"
#include "app/options_host.h"
#include "app/map_view_ops.h"
#include "app/map_interaction.h"
#include "app/page_command_executor.h"
#include "app/page_commands.h"
#include "app/project_dialogs.h"
#include "app/project_file.h"
#include "app/project_note.h"
#include "app/project/project.h"
#include "app/query_entry.h"
#include "app/search_run.h"
#include "app/search_steps.h"
#include "app/result_view.h"
#include "app/search_engine.h"
#include "app/session_hooks.h"
#include "app/session_settings.h"
#include "app/session_update.h"
#include "app/update_check.h"
#include "app/view_mode.h"
#include "app/send_mail.h"
#include "app/window_commands.h"
#include "core/convertors.h"
#include "core/keys.h"
#include "language/folders_and_files.h"
#include "language/indexer.h"
#include "language/morphology_engine_full.h"
#include "language/parsing_text.h"
#include "language/phrase_word_dictionary.h"
#include "language/storage_forms_words.h"
#include "language/text_parsing.h"
#include "language/word_dictionary.h"
#include "map/content_map2.h"
#include "map/group_event.h"
#include "network/context_ms.h"
#include "search/advert_engine.h"
#include "search/document_counters.h"
#include "search/html_parser.h"
#include "search/page_documents.h"
#include "search/page_results.h"
#include "search/scope.h"

namespace kestrune {

class IBrowserOpener;
class TConnectProbe;
namespace platform {
class SettingsStore;
}

// The step kinds and the weights of query and excluded words are named in
// network/control_keys.h.
inline constexpr int32_t kPhraseBase = TPhraseWordDictionary::kPhraseBase;
// The most words a phrase takes from quotes or a hyphenated compound.
inline constexpr int32_t kMaxPhraseWords = 10;

class TKestruneSession : public IOptionsHost {
 public:
  // programFolder: the program's folder with a trailing "/" (ProgramFolder()
  // when empty).
  explicit TKestruneSession(std::u16string_view programFolder = {});
  ~TKestruneSession() override;
  TKestruneSession(const TKestruneSession&) = delete;
  TKestruneSession& operator=(const TKestruneSession&) = delete;

  // ---- the screen and the world (not owned; may be null) ----
  IMainView* View = nullptr;
  IMapViewOps* MapView = nullptr;
  IBrowserOpener* Opener = nullptr;
  // A message box: the window's (IMainView::MessageBox) while there is one,
  // else the platform's (ShowMessageBox); returns the button pressed.
  int32_t ShowMessage(std::u16string_view text, std::u16string_view caption, uint32_t flags);
  // The meta-search run: the search worker, the stop request, the busy
  // state and the run guard (app/search_run.h).
  TSearchRun Run{*this};

  // ---- program-wide values of the start ----
  struct TStartValues {
    std::u16string ProgramFolder;   // the program's folder with a trailing "/"
    std::u16string LanguageFolder;  // ProgramFolder + "Language/"
    TLngHeaders LngHeaders;         // the language table
    TLngList LanguageList;          // the options dialog's list of languages
    // A downloaded installer, which the program hands to the user's program
    // for it after its message loop; empty when none.
    std::u16string InstallerPath;
    // The project named on the command line (its extension exactly ".kqp"),
    // to open when the main window is first shown; empty when none.
    std::u16string CommandLineProject;
  };
  TStartValues Start;
  const std::u16string& ProgramFolder() const { return Start.ProgramFolder; }

  // ---- the settings, the lists built from them and the engine list ----
  TSessionSettings Config;

  // ---- what the main window keeps from its creation and first show ----
  struct TWindowStart {
    // The two converter loaders, each with its own search for plug-ins
    // (core/convertors.h). The document extensions are "." + each type the
    // first supports; without plug-ins both are empty.
    std::unique_ptr<TVSConvertors> Convertors1;
    std::unique_ptr<TVSConvertors> Convertors2;
    std::vector<std::string> Extensions;
    // The page blocks of the English templates (app/main_page_blocks.h).
    TMainPageBlocks PageBlocks;
    // At the first show: whether an engine named exactly "Amazon" is in the
    // engine box, and the options form's caption (the window sets it).
    bool AmazonListed = false;
    std::u16string OptionsCaption;
  };
  TWindowStart WindowStart;

  // ---- the language objects, the network and the map ----
  TIMorphologyEngineFull MorphologyEngine;
  TPhraseWordDictionary WordDictionary;  // the merged dictionaries and the phrases
  TITextParsing TextParsing;             // the query and the documents
  TITextParsing ITextParsing1;           // the texts of the scopes
  TStorageFormsWords FormsStore;         // the forms in which words were seen
  // The document index and its folder table. The program builds no index:
  // the indexer is cleared when the dictionaries load and at New query (its
  // Clear empties the phrases of TextParsing's dictionary) and answers empty
  // file names. Set up with LoadInMemory.Data, SaveMode
  // smWithWordsOffsetsAndRestoreInfo, TextParsing and IFoldersAndFiles1
  // (CaseSensitivity on).
  TIFoldersAndFiles IFoldersAndFiles1;
  TIIndexerSum IIndexer1;
  // The context models: IContextMS1 the network of the project (cText),
  // IContextMS2 of sentences (cSentence), IContextMS3 of texts (cText) and
  // IContextMS1's child, whose words and relations IContextMS1's GetWords
  // and GetRelationWeight merge in. Nothing feeds IContextMS2 and
  // IContextMS3, so the child's merge adds nothing to the program's answers.
  TIContextMS IContextMS1;
  TIContextMS IContextMS2;
  TIContextMS IContextMS3;
  // The window's HTML parser: it makes the shown page plain text for a mail
  // (BtnSendmailClick). Its colours, flags, label and text parser are set
  // when the session is made; AnalysisMainBlock (the page reduced to its main
  // block) is the setting read when the window is created.
  TIHTMLParser VSHTMLParser;
  TContentMap2 ContentMap;               // the map model with its ring of search steps
  TSearchSteps Steps{ContentMap.Steps(), [this] { return ContentMap.ExcludedMode(); }};  // the typed face of the ring
  IHistory IHistory1;                    // the recent history files

  // ---- the project ----
  // The documents, their URL index, the keys of the searches, the counters,
  // the stop words, the hidden sites and the scopes.
  TProject Project;

  // ---- the search entry (app/query_entry.h) ----
  // The query box, its recent queries and the typed text turned into keys.
  TQueryEntry Entry{*this};

  // ---- the hooks that the window and its forms fill ----
  TSessionHooks Hooks;

  // ---- the options dialog's host (session_options.cpp) ----
  struct TNewQueryFlags {
    // While True, New query first applies the saved option set (the dialog
    // clears it while it applies its own changes).
    bool ApplyDefaultsOnNewQuery = true;
    // While True, New query with a query marks the project as changed and
    // asks the save question. The options dialog clears it for its own New
    // query, which follows a change the project cannot outlive (its
    // dictionaries, its engine) and asks nothing.
    bool MarkProjectChanged = true;
    // New query commands so far: the saved set is applied from the second on.
    int32_t NewQueryCount = 0;
  };
  TNewQueryFlags NewQuery;
  // The saved option set (Config.SavedOptions) becomes the current one: the
  // track bars, the links, the flags, the engines and the engine box, the
  // active dictionaries (loaded again when any changed).
  void ApplySavedOptions();
  void ApplyLanguage() override;
  void ShowStartPage() override;
  void ResetKeepQuery() override;
  // The advertising engine of a template name, and its stop: the advertising
  // search's section below.
  void SetAdvertEngine(std::string_view templateName) override;
  void StopAdvertEngine() override;
  bool GetAdvancedMode() override { return Config.Settings.AdvanceMode; }
  void SetAdvancedMode(bool) override {}  // advanced mode stays off
  void ClearHistory() override;
  void OpenInBrowser(std::u16string_view url) override;
  int32_t AskNoDictionary(std::u16string_view text, bool& dontAsk) override;
  void SetEngineBox(const std::vector<std::u16string>& items, int32_t selected) override;
  void SetMainCaption(std::u16string_view caption) override;
  bool CurrentStepHasKeys() override;
  void EnableRefresh() override;

  // ---- the update check and the news block (session_update.h) ----
  TUpdateUnit Update{*this};
  // The check, once, in the interface language.
  void Update1Click() { Update.Update1Click(); }
  // The check's record reaches the news block (the window's news event).
  void TakeNews() { Update.TakeNews(); }
  // The window closes: the check's thread and a download end.
  void StopUpdateCheck() { Update.StopUpdateCheck(); }


  // ---- the start ----
  // The command line's arguments after the program name: the first names a
  // project when it ends in ".kqp" (exactly); everything else is ignored.
  void SetArguments(const std::vector<std::u16string>& arguments);
  // The language folder and its table.
  void ReadLanguageTable();
  // Before any form exists: the options dialog's language list and the
  // message strings of the chosen language (MessageStrings).
  void LoadStartupMessages();
  // The data folders "dictionaries", "templates/en" and "update" of the
  // program folder, in this order, must be folders (spelled as here or
  // otherwise in letter case). False at the first that is not; its name goes
  // to *missing when given.
  static bool CheckDataFolders(std::u16string_view programFolder, std::u16string* missing = nullptr);
  // After the message loop: a downloaded installer goes to the user's program
  // for it (Opener->OpenLocalFile) only when it is a regular file directly in
  // the program's "Update/" folder; nothing is executed here. A refusal or a
  // failure is logged, not shown.
  void StartInstaller();

  // ---- the main window's life ----
  // The creation steps without widgets, in order. False when the program
  // cannot run (no engine template): the window was asked to close and the
  // program ends without its message loop.
  bool Create(IMainView* view, IMapViewOps* mapView, std::unique_ptr<ISearchEngine> engine);
  // The main window's first show without widgets, in order: the track bars
  // from the settings; the window's key list forgotten; the blank page
  // (loadBlankPage: the window loads "about:blank" and waits for it; unset:
  // none); the start page; the query box in the middle of the map; the
  // engine box and the caption; whether "Amazon" is in the box
  // (WindowStart.AmazonListed); what the start found damaged
  // (TellStartDamage). The window maximises itself before and gives the
  // query box the focus after.
  void FormShow(const std::function<void()>& loadBlankPage);
  // The destruction steps: the log lines and the settings write (not after a
  // failed Create, so a broken installation never overwrites the user's
  // settings). The objects go with the session.
  void Destroy();

  // ---- dictionaries and stop words (session_dictionaries.cpp) ----
  // The history file's settings, the active indexes, the dictionaries in list
  // order (word identifiers follow that order), the stop words when asked,
  // then SaveHistorySettings.
  void LoadDictionaries(bool reloadStopWords) override;
  // Marks every line of every "stop*.txt" of the dictionaries folder as a
  // stop word (of the list's language when its name names one).
  void LoadStopWords();
  // Writes MAIN/Path, Other/MapPhrases and the active indexes into the
  // current history file; nothing without one.
  void SaveHistorySettings();
  // A path handed to the history control's OnMenu: it becomes current and
  // the dictionaries are loaded again (the window shows no menu of the list).
  void IHistory1Menu(std::u16string_view path);
  // The program folder's "dictionaries/".
  std::u16string DictionariesFolder() const;

  // ---- the search entry's handlers (Entry) ----
  void BBtnSearchClick() override { Entry.BBtnSearchClick(); }
  void QueryKeyUp(int32_t key) { Entry.QueryKeyUp(key); }
  void QueryBoxEnter() { Entry.QueryBoxEnter(); }
  void BtnMetasearchClick() { Entry.BtnMetasearchClick(); }
  void ActSearchExecute() { Entry.ActSearchExecute(); }
  void CBWebSite2Change(std::u16string_view chosen) { Entry.CBWebSite2Change(chosen); }
  void QueryChange() { Entry.QueryChange(); }
  // Appends the entries of a kind (0..3) of the current step.
  void GetStepKeys(TNNKeys& keys, int32_t kind) const { Steps.GetStepKeys(keys, kind); }
  // The query as the user would type it (Entry.GetQueryText).
  std::u16string GetQueryText() { return Entry.GetQueryText(); }
  // The kinds of the query and excluded words in the map's current view.
  int32_t QueryKind() const { return Steps.QueryKind(); }
  int32_t ExcludedKind() const { return Steps.ExcludedKind(); }
  // The query box in the middle of the map, and hidden (Entry).
  void CenterQueryBox(bool withSearchButton) { Entry.CenterQueryBox(withSearchButton); }
  void HideQueryBox() { Entry.HideQueryBox(); }

  // ---- lifecycle handlers without widgets (kestrune_session.cpp) ----
  void SaveKeysUndoState();
  void ContentMapReGenerate();
  std::u16string ContentMapGetKeyName(int32_t id);
  void ContentMapSelect(const std::vector<int32_t>& ids, bool selectDocuments);
  void ContentMapVXlistOfKeys(const TNNKeys& keys, const std::string& text);
  void TrackBarChange(int32_t position);
  // Clears the context network and the map's key list with its texts.
  void NetworkReset();
  // Forgets the key list kept from the map's last rebuild.
  void MapWordRefresh();
  // The recommended exclusions of the result page.
  std::u16string GetContextWordsHtml() { return Results.GetContextWordsHtml(); }
  // The result page numbers back to 1 (before every map rebuild).
  void ResetPageNumbers();
  void SetMapFocus();
  bool IsQueryBoxVisible() const;
  void SelectQueryView();
  void ShowExcludedWordsButton();
  void HideExcludedWordsButton();
  void MapEmptyNewQuery();
  // New query; `emptyMapOfNoProject`: asked by the rebuild of an empty map
  // while the project holds nothing (no document, no search, no scope).
  void NewQueryCommand(bool emptyMapOfNoProject);
  // The page list and the content map's page documents, before every map
  // rebuild.
  void OrderPageDocuments() { Results.OrderPageDocuments(); }
  // Query and excluded words trade kinds 0 and 1 (the excluded-words view
  // keeps them traded); the hovered word is forgotten.
  void SwapQueryAndExcluded() { Steps.SwapQueryAndExcluded(); }
  // The "Query" view button: the map leaves the excluded-words view.
  void IBitmapButton2Click();
  // The "Excluded words" view button: the map enters the excluded-words
  // view (nothing while the button is down already).
  void ExcludedWordsButtonClick();
  void ToggleExcludedView();

  // ---- the project (session_project.cpp) ----
  void ClearProject();
  // New query: the project cleared and the query box offered again.
  void IBitmapButtonNewClick() override;
  // A download for the current query words (the search run): the query box
  // goes, and with query words RunMetaSearch(2) runs.
  void StartNewSearch() { Run.StartNewSearch(); }
  // The result page (TResultView::ShowResults).
  void ShowResults(int32_t page, int32_t mode) override { Results.ShowResults(page, mode); }

  // ---- the meta-search run (app/search_run.h) and the merge of its results ----
  void RunMetaSearch(int32_t options) { Run.RunMetaSearch(options); }
  // True while a run is in progress (also inside its wait).
  bool SearchRunning() const { return Run.SearchRunning(); }
  void ShowSearchBusy() { Run.ShowSearchBusy(); }
  void FinishSearch() { Run.FinishSearch(); }
  void SearchProgress(int32_t percent) { Run.SearchProgress(percent); }
  void BtnStopClick() { Run.BtnStopClick(); }

  // Merges the engine's results into the documents (a known URL keeps its
  // document; a new one gets the next index), records the query's keys as a
  // new StepKeys entry, feeds the network and hides the documents of the
  // hidden sites. Nothing happens without results.
  void MergeResults(std::u16string_view queryText);
  // Why the network is fed. Search: for the merge of a search: the query's
  // keys are set anew from the query text, its words stop being stop words,
  // and they become the last StepKeys entry. Open: for the reading of a
  // project file: the query's keys come from the text as for a search, but
  // StepKeys stay as the file stored them (the last entry holds the keys of
  // the last search, not the refined query). Again: for any other reason
  // (documents deleted or added, a stop word taken back, a step restored):
  // the step's keys, the stop words and StepKeys stay as they are.
  enum class TFeedReason { Search, Open, Again };
  // Rebuilds the network from all documents: document j owns paragraphs 3j
  // (title), 3j+1 (annotation) and 3j+2 (address) of one parse, and the
  // query text the paragraph after them; for a search the query's keys are
  // set anew from that paragraph and kept as the last StepKeys entry (in
  // either view each word keeps its side and the view's weight).
  void FeedNetwork(std::u16string_view queryText, TFeedReason reason);
  // The network fed again from the documents at hand and the current query
  // (TFeedReason::Again); the steps ahead stay.
  void FeedNetworkAgain();
  // One part of the network's text: line breaks to blanks, a lone blank
  // dropped, ". " after a non-empty part, then two line breaks; an empty part
  // is ". " and two line breaks, so that every part is one paragraph.
  static std::u16string FeedPart(std::u16string_view part);
  // Query words are never stop words: every dictionary word of the keys'
  // texts loses its stop mark (in the dictionary and in the parse) and
  // leaves the stop-word list; the step records each word taken off the list
  // as its stop-word change, so that Undo puts it back.
  void UnstopQueryWords(const TNNKeys& keys, TParsingText& parse);
  // A word a search or a typed query took off the stop-word list: the current
  // step records the change (kind 9, weight -1), so that Undo puts it back
  // and Redo takes it off again; a word the same step made a stop word
  // leaves no change.
  void RecordStopWordTakenOff(int32_t wordId);
  // The word of this text is no stop word: every dictionary word of it loses
  // its stop mark (their identifiers join `words`) and the text leaves the
  // list (RecordStopWordTakenOff for `wordId`).
  void TakeOffStopWords(std::u16string_view text, int32_t wordId, std::unordered_set<int32_t>& words);
  // Hides the documents of a site (SiteOfUrl): marks -2 (or -3 over a
  // removed link) in kind 3, out of kind 2; their flags stay (shown again,
  // a document is as it was) and the counters count the documents shown;
  // the network's page context follows kind 2.
  void HideSiteDocuments(std::string_view site);
  // The same for several sites at once (the hidden sites after a search).
  void HideDocumentsOfSites(const std::vector<std::string>& sites);
  // An address that no document may have: its host is a command host of the
  // page (search/page_command_hosts.h), or it names a command in the template
  // folder. Only the page's own markup carries commands; the merge of a
  // search, AddUserDocument and the project-file reader refuse such an
  // address.
  bool IsCommandAddress(std::string_view url) const;

  // ---- the window's small handlers without widgets (app/map_interaction.h) ----
  void FormKeyDownEscape() { Map.FormKeyDownEscape(); }
  void FormKeyUp(bool ctrl) { Map.FormKeyUp(ctrl); }
  void ApplicationMouseDown() { Map.ApplicationMouseDown(); }
  void Button1Click() { Map.Button1Click(); }
  void N2Click() { Map.N2Click(); }
  void N3Click() { Map.N3Click(); }
  void N4Click() { Map.N4Click(); }
  void N6Click() { Map.N6Click(); }
  void N8Click() { Map.N8Click(); }
  void r1Click() { Map.r1Click(); }
  void pmEditElementClick() { Map.pmEditElementClick(); }
  void pmExcludeClick() { Map.pmExcludeClick(); }

  // =========================================================================
  // Result display, document ordering, in-page commands, map events, steps
  // of the search, scopes and full refresh.
  //
  // The result page is built from the page list (PageList, filled by
  // OrderPageDocuments at every map rebuild) and written through
  // IMainView::ShowHtml. Its command links come back through
  // EmbeddedWB1BeforeNavigate2 (ClassifyPageUrl, then ExecutePageCommand):
  // every command is refused as a navigation and acts on the session. While
  // a search runs only help and web links act. Numbers of links are checked
  // against their lists; a number outside its list does nothing (logged).
  // =========================================================================

  // The items of the map's popup menu PopupMenu1 that are visible.
  using TMapPopupItems = kestrune::TMapPopupItems;
  // The entries of the result page's popup menu (session_hooks.h).
  using TPagePopupItem = kestrune::TPagePopupItem;

  // ---- the result page, its page list and view (result_view.h) ----
  TResultView Results{*this};

  // ---- the map's events and their state ----
  TMapInteraction Map{*this};

  // ---- the result page's handlers (result_view.h) ----
  void RefreshClusterTable() { Results.RefreshClusterTable(); }
  void PrepareScopeView() { Results.PrepareScopeView(); }
  void TakeScopeUnionAsQuery() { Results.TakeScopeUnionAsQuery(); }
  void SetViewMode(int32_t mode) { Results.SetViewMode(mode); }
  void UpdateViewButtons() { Results.UpdateViewButtons(); }
  void ViewButtonClick(TMainControl button) { Results.ViewButtonClick(button); }
  // The browser control's events: a loaded document performs a pending
  // build; a refresh is always cancelled (true); a download does nothing.
  void EmbeddedWB1DocumentComplete() { Results.DocumentComplete(); }
  bool EmbeddedWB1Refresh() { return true; }
  void EmbeddedWB1DownloadBegin() {}

  // ---- in-page commands (session_page_commands.cpp) ----
  // What the page's links are classified against.
  TPageUrlContext PageUrlContext(bool ownLoad = false) const;
  // The browser is about to load `url`: true lets the navigation go ahead.
  bool EmbeddedWB1BeforeNavigate2(std::string_view url, bool ownLoad = false);
  // Performs a classified link (Commands); true only when the navigation
  // goes ahead.
  bool ExecutePageCommand(const TPageCommand& command, std::string_view url);
  // The page's command links (page_command_executor.h).
  TPageCommandExecutor Commands{*this};
  // An entry of the page's popup menu was chosen: the page's word added to
  // the query or excluded from it (through the search entry, as if typed),
  // the scope made current or deleted.
  void PagePopupClick(TPagePopupItem item);
  // The page's word (Commands.PagePopupWord) through the search entry: as typed, or
  // with a minus before each of its words.
  void SubmitPagePopupWord(bool exclude);
  // The documents become removed links and their words the context no more.
  void ExcludeDocumentContext(const TNNKeys& documents);

  // ---- documents and stop words (session_documents.cpp) ----
  // Deletes a class of documents (0 only those of undone searches, 1 old
  // links, 2 removed links, 3 documents of hidden sites; every class also
  // those of undone searches), renumbering every reference to the kept ones.
  void DeleteDocuments(int32_t documentClass);
  // A new branch of the steps after Undo (a query changed, a download
  // brought results): the documents and StepKeys entries of the undone
  // searches go, and with them the steps ahead. Nothing when none is undone.
  void DropUndoneSearches();
  void MakeStopWord(int32_t wordId);
  void ReanimateStopWord(int32_t wordId);
  // 0 done, 1 nothing done (an empty address or title).
  int32_t AddUserDocument(int32_t index, std::u16string_view url, std::u16string_view title,
                          std::u16string_view annotation);
  // The counters of all documents of the shown steps, from their flags.
  void RecountDocuments() { Project.RecountDocuments(ContentMap.Steps()); }
  // The hidden sites and both mark counters from the marks of the step.
  void RebuildMarkCounters() { Project.RebuildMarkCounters(ContentMap.Steps()); }
  // The index of a document address; -1 when unknown.
  int32_t DocumentOfUrl(std::string_view url) { return Project.DocumentOfUrl(url); }

  // ---- map events (app/map_interaction.h) ----
  void DrawAndEventMap1SingleSelect(const TNNKey& key, int32_t variant, bool selected) {
    Map.DrawAndEventMap1SingleSelect(key, variant, selected);
  }
  void DrawAndEventMap1GroupSelect(int32_t, int32_t type, bool selected, const TNNKeys& keys) {
    Map.DrawAndEventMap1GroupSelect(type, selected, keys);
  }
  void DrawAndEventMap1MouseClickByWord(const TNNKey& key, int32_t variant, bool) {
    Map.DrawAndEventMap1MouseClickByWord(key, variant);
  }
  void DrawAndEventMap1Click() { Map.DrawAndEventMap1Click(); }
  void DrawAndEventMap1DblClick(int32_t x, int32_t y, bool wordUnderCursor) {
    Map.DrawAndEventMap1DblClick(x, y, wordUnderCursor);
  }
  void DrawAndEventMap1MouseUp() { Map.DrawAndEventMap1MouseUp(); }
  void DrawAndEventMap1MouseToWord(const TNNKey& key, int32_t variant) {
    Map.DrawAndEventMap1MouseToWord(key, variant);
  }
  void DrawAndEventMap1MouseOutWord(const TNNKey& key) { Map.DrawAndEventMap1MouseOutWord(key); }
  void ContentMapReGetData() { Map.ContentMapReGetData(); }
  void ContentMapAllKeys(int32_t variant) { Map.ContentMapAllKeys(variant); }
  TMapPopupItems PopupMenu1Popup() { return Map.PopupMenu1Popup(); }
  static TMapPopupItems MapPopupItems(bool groupMarked, bool noQuery, bool excludedView, bool firstIsKind0,
                                      bool scopes) {
    return TMapInteraction::MapPopupItems(groupMarked, noQuery, excludedView, firstIsKind0, scopes);
  }
  void pmAddClick(int32_t popupWord) { Map.pmAddClick(popupWord); }
  void pmAddToStopWordsClick() { Map.pmAddToStopWordsClick(); }
  void pmEditWordClick(int32_t x, int32_t y) { Map.pmEditWordClick(x, y); }
  void pmRemoveFromExcludedClick() { Map.pmRemoveFromExcludedClick(); }
  void IBitmapButton4Click() { Map.IBitmapButton4Click(); }
  void excludeAClick() { Map.excludeAClick(); }
  void queryNAClick() { Map.excludeAClick(); }
  void excludeNAClick() { Map.excludeAClick(); }
  void PreviewWordResults() { Map.PreviewWordResults(); }
  void MapHoverEnd() { Map.MapHoverEnd(); }
  void MouseOutsideMap() { Map.MouseOutsideMap(); }
  void AddContextWordsOfKey(int32_t wordId) { Map.AddContextWordsOfKey(wordId); }
  bool IsMapStopWord(int32_t id) { return Map.IsMapStopWord(id); }
  void PlaceQueryBox(int32_t x, int32_t y, bool withSearchButton) { Map.PlaceQueryBox(x, y, withSearchButton); }
  void LeaveExcludedView() { Map.LeaveExcludedView(); }

  // ---- steps of the search (session_steps.cpp) ----
  void BtnBackClick();
  void BtnNextClick();

  // ---- scopes and full refresh (session_scopes.cpp) ----
  // Every change of the scope list leaves a copy of the list in kind 10 of
  // the current step (SnapshotScopes), so that Undo and Redo give back the
  // list of each step, and marks the project changed.
  void SnapshotScopes();
  void AddSearchScope();
  void UpdateScope(int32_t index);
  void DeleteScope(int32_t index);
  void SelectScope(int32_t index);
  void pmScopeClick();
  void MarkScopeDocuments();
  bool SearchAllScopes() { return Run.SearchAllScopes(); }
  void fullRefreshClick() { Run.fullRefreshClick(); }

  // =========================================================================
  // Project files, the save question and the housekeeping commands
  // (session_project_file.cpp, session_housekeeping.cpp).
  //
  // A project is opened from and saved to a ".kqp" file (app/project_file.h)
  // through the open and save dialogs (IProjectDialogs). Every change of
  // what the file keeps marks the project changed (MarkProjectChanged); a
  // successful save, an open, New query's reset or No to the save question
  // clears the mark. A failed save shows a message box and keeps it.
  // =========================================================================
  // The project dialogs (not owned; null: the commands that need them do
  // nothing).
  struct TProjectFileState {
    IProjectDialogs* Dialogs = nullptr;
    bool Modified = false;
    // The dictionaries named by the project opened last.
    std::vector<TProjectDictionary> Dictionaries;
    // The note and the author of the file the project was opened from: its
    // saves offer that note and write that author. Unset for a project from
    // no file (New query unsets it): its saves offer the query's note and
    // write the options' Name.
    std::optional<TProjectNote> Opened;
    // What the file the project was opened from lacked (it is damaged): its
    // saves offer a new name, never the file's own.
    std::vector<TProjectLoss> Losses;
  };
  TProjectFileState ProjectFile;
  // The network-edit history and the edit panel over it; neither a new query
  // nor an opened project clears them.
  struct TNetworkEdits {
    TNetworkEdits(TIContextMS& network, TPhraseWordDictionary& dictionary, TEditPanelHost host)
        : EditPanel{ControlFlow, network, dictionary, std::move(host)} {}
    IControlFlow ControlFlow;
    TEditPanelModel EditPanel;
  };
  TNetworkEdits Edits{IContextMS1, WordDictionary, EditPanelHost()};

  // ---- opening ----
  // Resets the project and reads the file: the read's result (the messages
  // of a refused dictionary are shown while it reads).
  TProjectOpen OpenProjectFile(std::u16string_view fileName);
  // OpenProjectFile and the window's updates; on failure the message (the
  // version-1 text first for that format) and a New query; a missing file
  // leaves the recent projects; a damaged one is opened as far as it could
  // be read, and says what it lost. True when loaded.
  bool OpenProject(std::u16string_view fileName);
  // The failure's message: smStringErrorLoadProject, the path and why.
  static std::u16string ProjectOpenError(std::u16string_view fileName, TProjectOpen result);
  // What a damaged project's open tells: smProjectDamagedOpened, the path
  // and a line per part lost ("damaged: 28 of 30 documents read").
  static std::u16string ProjectDamageText(std::u16string_view fileName, const std::vector<TProjectLoss>& losses);
  // The first step before another project replaces this one: with a query
  // (or in the scope view) the project is marked modified and the save
  // question asked. True: the command ends (Cancel, or the save failed).
  bool AskBeforeLeavingProject();
  // The open button: the first step, the open dialog, OpenProject.
  void IBitmapButton6Click();
  // A project named outside the open dialog (the recent projects' link, the
  // command line): the first step, OpenProject.
  void OpenNamedProject(std::u16string_view fileName);
  // A project opened in the project manager: the open button's road, the
  // file chosen there in place of the open dialog's.
  void OpenManagerProject(std::u16string_view fileName);

  // ---- saving ----
  // The save dialog and the save: true when the dialog was confirmed and
  // the file written.
  bool SaveProjectAs();
  // The save itself (the save dialog's note and check box given); 0 or
  // kProjectSaveError.
  int32_t SaveProjectFile(std::u16string_view fileName, bool skipOldLinks, std::u16string_view note);
  // The file name the save dialog offers: the remembered project name (not
  // that of a damaged file), else the query's first three keys ("~" after
  // them when there are more) and the engine in brackets.
  std::u16string ProjectDefaultName();
  // A text made a file name: "/" and control characters become "_".
  static std::u16string ProjectFileName(std::u16string_view text);
  // Where the save question is asked. New query, Open and the engine change
  // follow "ask to save" (askforsave); closing the window is the last door:
  // there unsaved work is asked about whatever the setting says.
  enum class TSaveQuestionAt { Leave, Close };
  // The save question, asked only while the project is marked changed and
  // Save is enabled, and, unless at the close, while "ask to save" is on;
  // true: abort the command. The question's "Don't ask me again" box shows
  // the setting switched off and sets it.
  bool SaveQuestion(TSaveQuestionAt at = TSaveQuestionAt::Leave);
  // What a project file keeps has changed (a search merged, the query
  // refined, a step undone or redone, marks, favourites, scopes, stop words,
  // own words and phrases, documents deleted or added): the project is
  // marked changed and Save is enabled (while a search runs, its end
  // enables Save).
  void MarkProjectChanged();
  // The save button.
  void IBitmapButton7Click();

  // ---- housekeeping ----
  // The dictionary of the interface language at the window's first show:
  // offered for download when missing, activated (asked or not) when
  // inactive.
  void CheckLanguageDictionary();
  // Once, at the window's first show: a message box for a settings file that
  // the start moved aside, and one naming the dictionary files the start
  // could not read, each with why.
  void TellStartDamage();
  // "Wizard": the map built again.
  void TBtnWizClick();
  // "Delete Data": after Yes the documents go, the scopes stay as the map.
  void pmDeleteMetaDataClick();
  // The words marked on the map become stop words, or only leave the
  // network and the query.
  void setasstopword1Click();
  void deleteword1Click();
  // The result page's scope entries: the scope made current, or deleted.
  void UpdateEntry1Click();
  void DeleteEntry1Click();
  // The main window was activated or deactivated.
  void WMActivate(bool active);
  // The map panel's width: the container's width / 100 x the splitter's
  // percentage, rounded.
  static int32_t Panel1CanResize(int32_t containerWidth, double percent);
  // The edit panel's hooks into the session.
  TEditPanelHost EditPanelHost();

 private:
  // The open button's road once a file is chosen (none: empty): OpenProject
  // and the recent projects; Undo, Redo and Save end disabled.
  void OpenChosenProject(std::u16string_view fileName);
  // The project's parts the file layer reads and writes.
  TProjectFileParts ProjectFileParts();
  // The project's dictionaries: the active ones must be in the dictionaries
  // folder; the list's activation follows them and the dictionaries load.
  bool LoadProjectDictionaries(const std::vector<TProjectDictionary>& dictionaries);
  // The settings a project brought, and its engine found or warned about.
  void ApplyProjectSettings(const TProjectSettings& settings);
  void DeleteMarkedWords(bool makeStopWords);

 public:
  // The query box and the recent lists (session_recent.cpp,
  // session_query_box.cpp).
  //
  // The recent queries and projects are Config.RecentQueries and
  // Config.RecentProjects, five entries each, entry 0 the newest; their
  // blocks on the start page are Results.PageResults.LastQueryHtml and
  // LastProjectHtml, whose entries are escaped (TPageResults::EscapeText).
  // The suggestion list ListBox1 under the query box offers the entries of
  // the query box's list (Entry.QueryItems) that hold the typed text and begin with
  // its first character.
  // =========================================================================

  // ---- recent queries and projects, the start page (session_recent.cpp) ----
  // The text (a project's path) goes to the top of its list: an entry equal
  // to it but for letter case goes, else the last entry; then the block is
  // built again. Nothing for an empty text.
  void AddRecentQuery(std::u16string_view text);
  void AddRecentProject(std::u16string_view path);
  // A project that is gone leaves its list: the entries after it move up
  // and an empty one is added at the end, so the list keeps five; then the
  // block is built again. Nothing when the path is not listed.
  void RemoveRecentProject(std::u16string_view path);
  // The project manager renamed or moved the item `from` to `to`: a recent
  // project that was it, or lay inside it, keeps its place under its new
  // path (an entry that named `to` before goes: that item is in the trash),
  // and a start page on the screen shows the list again.
  void FollowMovedProjects(std::u16string_view from, std::u16string_view to);
  // The blocks of a list: empty when every entry is empty.
  static std::u16string RecentQueriesHtml(const std::array<std::u16string, kRecentSlots>& queries);
  static std::u16string RecentProjectsHtml(const std::array<std::u16string, kRecentSlots>& projects);
  // The interface language's folder name (Config.LangFolderName()).
  std::string LangFolderName() const { return Config.LangFolderName(); }
  // The folder of the start page: the template folder when it holds
  // "blank.html", else the program folder's "templates/en/".
  std::u16string StartPageFolder() const;

  // ---- the query box (session_query_box.cpp) ----
  // The suggestion list under the query box: placed at the box's left just
  // below it, filled while the box is visible, shown when it has entries and
  // its first differs from the typed text; 10 item heights high from 10
  // entries on, else one more than it has.
  void IComboBox1Visible();
  // A key released in the query box: any but Up (38) and Down (40) refreshes
  // the suggestions. (Enter searches at its press: QueryBoxEnter.)
  void IComboBox1KeyUp(int32_t key);
  // A key pressed in the query box while its drop-down is closed: Esc (27)
  // hides the suggestions and empties the box; Up (38) and Down (40) put the
  // first suggestion into the box. True when the key is swallowed.
  bool IComboBox1KeyDown(int32_t key);
  // A click on suggestion `index`: it goes into the box, the caret to its end.
  void ListBox1Click(int32_t index);
  // A key pressed in the suggestion list goes back to the box: the box gets
  // the focus and the caret goes to its end (the window sends the key on).
  void ListBox1KeyPress();
  // The mouse released over the suggestion list: the list goes.
  void ListBox1MouseUp();
  // The drop-down lists open as wide as their widest item (the query box's at
  // least as wide as the box) + 20; the query box's hides the suggestions,
  // the engine box takes the focus.
  void IComboBox1DropDown();
  void CBWebSiteDropDown();
  // The page's word (Commands.PagePopupWord) through the search entry:
  // added ("%20" a blank) or excluded ("%20" " -", and " -" before it).
  void AddToQuery1Click();
  void Excludefromquery1Click();
  // "Remove from query": as "Remove from excluded", then the advertising
  // search again.
  void pmRemovefromqueryClick();
  // The picture behind the query box does nothing.
  void querybitmapClick() {}
  void querybitmapMouseDown() {}
  // The advertising search (session_advert.cpp).
  //
  // The session owns at most one advertising engine, driven by the template
  // "miva" or "begun". The page builder reads it through the address of a
  // field of the session (Results.PageResults.Advertising), detached when
  // the engine stops. The engine's ready hook runs on its worker and posts
  // AdvertsReady to the user-interface thread (IMainView::PostToUi); a call
  // that an engine posted before it was stopped or replaced does nothing.
  // Everything else here runs on the user-interface thread.
  // =========================================================================

  struct TAdvertising {
    // The engine; null when none runs.
    std::unique_ptr<TAmazonCom> AdvertEngine;
    // What the page builder reads (Results.PageResults.Advertising points
    // here while an engine runs).
    TAmazonCom* Shown = nullptr;
    // Raised whenever an engine is made or stopped: the ready calls an
    // engine posted carry the value of their engine's start.
    uint64_t Generation = 0;
  };
  TAdvertising Advert;
  // The engines of the interface language when the window is created:
  // "miva" when an engine of the list is named "miva" (in any letter case)
  // and the language's low byte is English; "begun" when its template was
  // found and the low byte is Russian.
  void StartAdvertisingEngines();
  // An advertising search for the current query: the query words as key
  // words, the excluded words as stop words ("begun": one key text of both,
  // the words joined by ", "). A non-empty extra text joins the excluded
  // words when it begins with "-", else the query words. Nothing without an
  // engine, without query words, or while the search engine is named like
  // the advertising template; the same key text as the engine's last shows
  // the cached items again (AdvertsReady) without a download. `tag` goes to
  // the engine with the start.
  void StartAdvertSearch(std::u16string_view extra, int32_t tag);
  // StartAdvertSearch with no extra text and the tag 1: after a search start,
  // a refinement, a step back or forth, a project opened, a word removed from
  // the query.
  void StartAdvertising() { StartAdvertSearch(std::u16string_view(), 1); }
  // The engine's items arrived: the page is shown again with them when it
  // is the result page (page mode 5) and the map is not animating.
  void AdvertsReady();
  // The text a hover over a map word adds to the advertising search: the
  // word (a phrase between double quotes), with "-" in front in the
  // excluded-words view.
  std::u16string AdvertHoverText(int32_t id);

  // =========================================================================
  // The window's commands outside a search (session_commands.cpp): mail,
  // help, the status label, closing, the track bars' releases, the "Tell a
  // friend" button. The arithmetic and text rules are in
  // app/window_commands.h.
  // =========================================================================

  // Every mail of the session goes to Hooks.OnSendMail; unset: ISendMail::Send.
  void SendMail(ISendMail& mail);
  // The "Tell a friend" button and its animation.
  TFriendButton FriendButton;

  // The text the browser reports for a hovered link goes to Label1 as
  // StatusTextFor decides (the recent projects of the settings).
  void EmbeddedWB1StatusTextChange(std::u16string_view text);
  // "Mail the page": the page's HTML made plain text (TIHTMLParser), one
  // new mail carrying only that page.
  void BtnSendmailClick(std::u16string_view pageHtml);
  // "Mail the map": `writeJpeg` writes the map's picture as "map.jpg" into
  // the run's private temporary folder; a mail with it attached follows.
  // Nothing is mailed when the folder or the picture cannot be made (logged).
  void BtnSendMapClick(const std::function<bool(std::u16string_view path)>& writeJpeg);
  // "Tell a friend": a mail of the recommendation's lines.
  void sfrendClick();
  // Help: the local help page of the interface language (HelpPageFile),
  // handed to the user's browser (Opener->OpenHelpPage). No page, or one the
  // desktop did not take, is logged and told (smCannotOpenHelp and the page
  // or the help folder).
  void BtnHelpClick();
  std::u16string HelpPage() const;
  // The hidden button bbbb: the progress bar goes.
  void bbbbClick();
  // The window is to close: False keeps it (OnSaveQuestion said so).
  bool FormCloseQuery();
  // The window closes: the query box's list saved ("query.dat"), the update
  // check, the search and the advertising engine stopped, the busy state
  // left. A failed save is logged and leaves the old file; the close goes on.
  void FormClose();
  // "query.dat" of the bases folder from the query box's list (at most
  // kMaxSavedQueries items); False when it could not be written.
  bool SaveQueryFile();
  // The match track bar ("any" .. "all"): the position is the match setting
  // the document ordering reads and the setting saved; released, the map and
  // the page are built again when the project has documents.
  void TrackBar3Change(int32_t position);
  void TrackBar3MouseUp();
  void TrackBar2Change(int32_t position);
  // The word-count track bar released: the map is built again when it
  // holds words.
  void TrackBarMouseUp();

 private:
  void SetEnabled(TMainControl control, bool enabled);
  void SetVisible(TMainControl control, bool visible);

  // The fields whose addresses the page builder keeps.
  struct TBuilderSources {
    TITextParsing* TextParsing;
    TContentMap2* ContentMap;
    TPhraseWordDictionary* WordDictionary;
    TStorageFormsWords* FormsStore;
    TScope* Scope;
  };
  TBuilderSources sources_{&TextParsing, &ContentMap, &WordDictionary, &FormsStore, &Project.Scope};
  bool createFailed_ = false;
  bool startDamageTold_ = false;
  // The search's part of FeedNetwork: the step's query keys from the query's
  // paragraphs, its words no stop words, kept as StepKeys entry
  // `stepKeysEntry` (none when outside the list).
  void SetQueryKeysFromFeed(TParsingText& query, TParsingText& parse, int32_t stepKeysEntry);
  // Undo and Redo: the project and the map restored from the step reached,
  // its stop-word changes applied; the map and the page rebuilt.
  void RestoreFromStep(const TStepState& state);
  // The counters and the old and new flags after a step was restored and its
  // stop-word change applied.
  void RecountAfterStep();
  void RebuildAfterStep(bool storeViewKeys);
};

}  // namespace kestrune
