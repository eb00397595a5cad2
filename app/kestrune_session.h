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
// settings and lists (LoadSettings), the history list, the converter list,
// the page blocks of "templates/en/templates.ini" and the dictionaries.
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

#include "app/custom_history.h"
#include "app/engine_list.h"
#include "app/lng_file.h"
#include "app/lng_list.h"
#include "app/main_view.h"
#include "app/options_host.h"
#include "app/map_view_ops.h"
#include "app/page_command_executor.h"
#include "app/page_commands.h"
#include "app/project/project.h"
#include "app/search_steps.h"
#include "app/search_engine.h"
#include "app/session_settings.h"
#include "app/update_check.h"
#include "app/view_mode.h"
#include "app/send_mail.h"
#include "app/window_commands.h"
#include "core/convertors.h"
#include "core/keys.h"
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
#include "search/document_counters.h"
#include "search/page_documents.h"
#include "search/page_results.h"
#include "search/scope.h"

namespace kestrune {

class IBrowserOpener;
class TConnectProbe;
namespace platform {
class SettingsStore;
}

// The blocks the main window cuts out of "templates/en/templates.ini" when it
// is created, in this order.
enum TMainPageBlock : int32_t {
  mbSearchResult, mbDocAnnounceBlock, mbDocAdvertisement, mbAnnotation, mbClusterBlock, mbDocMetaBlock,
  mbMetaClusterBlock, mbBlockCount
};
inline constexpr std::array<std::u16string_view, mbBlockCount> kMainPageBlockNames = {
    u"search_result", u"_doc_announce_block", u"_doc_advertisement", u"annotation",
    u"_cluster_block", u"_doc_meta_block",   u"_meta_cluster_block"};

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
  // The search worker (owned; may be null).
  std::unique_ptr<ISearchEngine> Engine;

  // ---- program-wide values of the start ----
  const std::u16string& ProgramFolder() const { return programFolder_; }
  std::u16string LanguageFolder;  // ProgramFolder() + "Language/"
  TLngHeaders LngHeaders;         // the language table
  TLngList LanguageList;          // the options dialog's list of languages
  // A downloaded installer, which the program hands to the user's program for
  // it after its message loop; empty when none.
  std::u16string InstallerPath;
  // The project named on the command line (its extension exactly ".kqp"), to
  // open when the main window is first shown; empty when none.
  std::u16string CommandLineProject;

  // ---- the settings, the lists built from them and the engine list ----
  TSessionSettings Config;

  // ---- the language objects, the network and the map ----
  TIMorphologyEngineFull MorphologyEngine;
  TPhraseWordDictionary WordDictionary;  // the merged dictionaries and the phrases
  TITextParsing TextParsing;             // the query and the documents
  TITextParsing ITextParsing1;           // the texts of the scopes
  TStorageFormsWords FormsStore;         // the forms in which words were seen
  TIIndexerSum IIndexer1;
  TIIndexerSum WebIndexer;               // the indexer of web results
  TIContextMS IContextMS1;               // the context network of the project
  TContentMap2 ContentMap;               // the map model with its ring of search steps
  TSearchSteps Steps{ContentMap.Steps(), [this] { return ContentMap.ExcludedMode(); }};  // the typed face of the ring
  IHistory IHistory1;                    // the recent history files
  TPageResults PageResults;              // the result page builder
  // The EngineWeb behind the search worker, whose template the page builder
  // reads; set by the window's adapter, null until then.
  EngineWeb* EngineObject = nullptr;
  std::unique_ptr<TVSConvertors> Convertors1;
  std::unique_ptr<TVSConvertors> Convertors2;
  std::vector<std::string> Extensions;   // "." + each type the first converter loader supports
  // MapPhrases of the current history file: the map shows phrases.
  bool MapPhrases = false;
  // MAIN/Path of the current history file as read.
  std::u16string HistoryMainPath;
  // The page blocks of "templates/en/templates.ini" (TMainPageBlock).
  std::array<std::u16string, mbBlockCount> PageBlocks;

  // ---- the project ----
  // The documents, their URL index, the keys of the searches, the counters,
  // the stop words, the hidden sites and the scopes.
  TProject Project;
  int32_t ViewMode = kViewNormal;  // TViewMode
  bool SearchJustRan = false;
  // Set when the window is shown and by ClearProject, cleared by a change of
  // engine; New query empties the query box while the first is set.
  std::array<bool, 2> StartPageFlags = {true, true};
  // The key list of the map's last rebuild (ContentMapVXlistOfKeys) and the
  // three texts the window remembers with it.
  TNNKeys MapKeyList;
  std::array<std::u16string, 3> RememberedTexts;
  // The documents the network selected for the words marked on the map.
  TNNKeys SelectedDocuments;
  // The result page shown (1-based); every map rebuild starts at page 1.
  int32_t ResultPageNumber = 1;

  // ---- the search entry ----
  std::vector<std::u16string> QueryItems;  // the query box's list, most recent first
  // Set for one entry from the search button or Enter while the map shows
  // the excluded-words view: typed words go to the query words.
  bool QueryPhraseMode = false;
  // The query word being edited in the query box; -1 none.
  int32_t EditedKeyId = -1;
  // The parse of the last entry's text.
  TParsingText QueryParse;

  // ---- hooks filled by later parts of the window ----
  // Excluding a word while ExcludeWithContext is set also excludes its
  // context words: the result display does that.
  std::function<void(int32_t wordId)> OnExcludeWithContext;
  // Progress of LoadDictionaries (the splash form): the percentage of the
  // dictionary being loaded, a text for the splash's label (empty: keep the
  // last), the dictionaries to load and those loaded. First (0, "", 0, 0);
  // at each file's start (0, "Dict " + its name, count, done), then the
  // file's own progress; at the end (100, "", 1, 1).
  std::function<void(int32_t percent, std::u16string_view text, int32_t dictCount, int32_t dictDone)>
      OnDictionaryProgress;

  // ---- the options dialog's host (session_options.cpp) ----
  // While True, New query first applies the saved option set (the dialog
  // clears it while it applies its own changes).
  bool ApplyDefaultsOnNewQuery = true;
  // While True, New query marks the project as changed (kept for the
  // project files, which own the modified flag).
  bool MarkProjectChanged = true;
  // New query commands so far: the saved set is applied from the second on.
  int32_t NewQueryCount = 0;
  // The interface language over the live forms: the window binds it.
  std::function<void()> OnApplyLanguage;
  // The saved option set (Config.SavedOptions) becomes the current one: the
  // track bars, the links, the flags, the engines and the engine box, the
  // active dictionaries (loaded again when any changed).
  void ApplySavedOptions();
  void ApplyLanguage() override;
  void ShowStartPage() override;
  void ResetKeepQuery() override;
  // The advertising engine of a template name, and its stop: logged until
  // the advertising search exists.
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

  // ---- the update check and the news block (session_update.cpp) ----
  // The check's one record, kept from its thread until TakeNews.
  struct TNewsHandOver {
    std::mutex Mutex;
    std::optional<TUpdateResults> Results;
  };
  TNewsHandOver NewsHandOver;
  // The check of the update server; made by the first Update1Click. It goes
  // (its thread joined) before the hand-over it writes to.
  std::unique_ptr<TUpdateCheck> UpdateCheck;
  // Asks the window to run TakeNews (its news event); called on the check's
  // thread. Unset: the view's queued call (IMainView::PostToUi).
  std::function<void()> OnPostNews;
  // The check, made on first use: its record goes to NewsHandOver.
  TUpdateCheck& MakeUpdateCheck();
  // The check, once, in the interface language.
  void Update1Click();
  // The record kept from the check goes into UpdateCheck's fields, then the
  // news block is shown. Nothing when none is kept.
  void TakeNews();
  // The window closes: the check's thread and a download end.
  void StopUpdateCheck();
  // The news block of the start page (PageResults.NewsString): the update's
  // line when one was found, then up to three items; the start page is shown
  // again when it is up and the block is not empty.
  void ShowNewsBlock(const TNewsItemS& items, bool updateFound, std::u16string_view version);
  static std::u16string NewsBlockHtml(const TNewsItemS& items, bool updateFound, std::u16string_view version);

  // ---- stand-ins until the meta-search run and the result display exist ----
  int32_t NewSearchRequests = 0;   // StartNewSearch calls
  int32_t ShowResultsRequests = 0;  // ShowResults calls, with the last arguments
  int32_t LastShownPage = 0;
  int32_t LastShownMode = 0;

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
  bool Created() const { return created_; }
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
  // The history control's menu: the path becomes current and the
  // dictionaries are loaded again.
  void IHistory1Menu(std::u16string_view path);
  // The program folder's "dictionaries/".
  std::u16string DictionariesFolder() const;

  // ---- query words to keys (session_query_words.cpp) ----
  // Phrases from quotes and hyphenated compounds, marked in the parse.
  void wordsToIndex2(TParsingText& parse);
  // The keys of the query from the parse: included words weight 1,
  // "-word" weight -10000. False, after the message smIncorrect / smError,
  // when no token was a usable word (errorText then holds smIncorrect).
  bool wordsToIndex(TParsingText& parse, bool silent, std::u16string& errorText);

  // ---- the search entry (session_search_entry.cpp) ----
  // One search entry from the query box's text: a new query (a download) or
  // a refinement of the query on the map.
  void SubmitQuery();
  void BBtnSearchClick() override;
  // Key up in the query box: Enter (13) runs SubmitQuery.
  void QueryKeyUp(int32_t key);
  // Enter in the query box as the query box handles it: as the search button.
  void QueryBoxEnter();
  // "Refresh": a new download for the current query words.
  void BtnMetasearchClick();
  void ActSearchExecute();
  // The engine box changed to the item with this text.
  void CBWebSite2Change(std::u16string_view chosen);
  // The query box's text changed: its width, the drop-down and the map
  // words it names highlighted.
  void QueryChange();
  // Appends the entries of a kind (0..3) of the current step.
  void GetStepKeys(TNNKeys& keys, int32_t kind) const { Steps.GetStepKeys(keys, kind); }
  // The query as the user would type it: query words, phrases in quotes,
  // then " -" and each excluded word; empty in no-query mode.
  std::u16string GetQueryText();
  // 1: query words only; -1: excluded words only; 0: GetQueryText; else empty.
  std::u16string GetQueryTextPart(int32_t part);
  // The kinds of the query and excluded words in the map's current view.
  int32_t QueryKind() const { return Steps.QueryKind(); }
  int32_t ExcludedKind() const { return Steps.ExcludedKind(); }
  // Shows the query box in the middle of the map; with the search button,
  // as PlaceQueryBox with BBtnSearch (the picture and both buttons placed,
  // BBtnSearch2 hidden).
  void CenterQueryBox(bool withSearchButton);
  // Hides the query box, its picture and both search buttons.
  void HideQueryBox();

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
  // The recommended exclusions of the result page (session_map_events.cpp).
  std::u16string GetContextWordsHtml();
  // The result page numbers back to 1 (before every map rebuild).
  void ResetPageNumbers();
  void SetMapFocus();
  bool IsQueryBoxVisible() const;
  void SelectQueryView();
  void ShowExcludedWordsButton();
  void HideExcludedWordsButton();
  void MapEmptyNewQuery();
  // The page list and the content map's page documents, before every map
  // rebuild (session_display.cpp).
  void OrderPageDocuments();
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
  // A download for the current query words (session_search_run.cpp): the
  // query box goes, and with query words RunMetaSearch(2) runs. Counts the
  // calls in NewSearchRequests.
  void StartNewSearch();
  // The result page (session_display.cpp): see the result display block.
  void ShowResults(int32_t page, int32_t mode) override;
  // Stand-in for the advertising search for the current keys: nothing yet.
  void StartAdvertising();
  // The start of the advertising engines when the window is created: nothing
  // until the advertising search exists.
  void StartAdvertisingEngines();

  // ---- the meta-search run and the merge of its results ----
  // (session_search_run.cpp, session_merge.cpp)
  //
  // A search runs on the user-interface thread: RunMetaSearch shows the busy
  // state (ShowSearchBusy), gives the engine its template and link count,
  // shows the search page, asks the connection probe again while a proxy
  // wants a login, starts the engine and waits in IMainView::WaitUntil until
  // the engine is idle (the window keeps working: Stop reaches the engine,
  // progress arrives as queued, coalesced calls). Then the results are merged
  // into the documents (MergeResults, which feeds the network), the query
  // becomes a scope (OnAddSearchScope) and FinishSearch restores the window
  // and rebuilds the map and the page. One run at a time: a run asked for
  // while one runs is refused and logged. The engine's results are read only
  // after it fell idle.

  // The probe asked before a search; null: the program's ConnectProbe().
  // Not owned.
  TConnectProbe* Probe = nullptr;
  // The window's stop request: cleared when a search begins, set by Stop and
  // when a search finishes (the scope run stops between scopes on it).
  bool StopRequested = true;
  // Items of the engine's last result array that MergeResults read.
  int32_t LastResultCount = 0;
  // Called at the end of every run that merged results, before
  // FinishSearch: the scope steps add the query as a scope there
  // (AddSearchScope). Unset: nothing.
  std::function<void()> OnAddSearchScope;
  // Called when the outermost RunMetaSearch returns (the window closes then
  // when the user closed it during the run).
  std::function<void()> OnSearchRunEnded;
  // The window has closed: a run asked for just before the close (the map's
  // animation came first) downloads nothing.
  bool WindowClosed = false;

  // How the last download ended (session_search_end.cpp): kept from its end
  // until the keys of the step change, so that the pages of that step say
  // it; cleared when a download starts, by a change of the keys and with
  // the project.
  struct TSearchEnd {
    TDownloadFailure Failure = TDownloadFailure::None;
    int32_t HttpStatus = 0;  // the answer's status of an HttpError
    bool Stopped = false;    // Stop was pressed (or the window closed)
    bool Early() const { return Stopped || Failure != TDownloadFailure::None; }
  };
  TSearchEnd SearchEnd;
  // Reads the end of the download that just fell idle from the engine.
  void NoteSearchEnd();
  // The words for a page: the failure, or the stop; followed by
  // smSearchEndedEarly when the page shows documents. Empty after a
  // download that ran to its end.
  static std::u16string SearchEndText(const TSearchEnd& end, bool documentsShown);
  // The notice of a page of this mode: the failure on the no-connection
  // page (mode 2; the engine could not be reached when nothing else is
  // known), the early end on a result page (mode 5), else none.
  std::u16string SearchNoticeForPage(int32_t mode) const;

  // Options of RunMetaSearch: download; without it the engine's last result
  // array is merged again.
  static constexpr int32_t kRunDownload = 2;
  void RunMetaSearch(int32_t options);
  // True while a RunMetaSearch runs (also inside its wait).
  bool SearchRunning() const { return SearchRun.Depth > 0; }
  void ShowSearchBusy();
  void FinishSearch();
  // The progress bar's position, 0..100.
  void SearchProgress(int32_t percent);
  // The Stop button: the engine stops (its items found so far stay).
  void BtnStopClick();
  // Starts the engine on a query for a run (RunMetaSearch, and the scope
  // run); false when its status is not 0 or it refused.
  bool StartEngineSearch(std::u16string_view query);
  // A run's start and end (RunMetaSearch and the scope run): a second run
  // while one runs is refused and logged under `who`; the guard's end calls
  // OnSearchRunEnded.
  struct TSearchRunGuard {
    TKestruneSession* Session = nullptr;
    TSearchRunGuard() = default;
    explicit TSearchRunGuard(TKestruneSession* session) : Session(session) {}
    TSearchRunGuard(const TSearchRunGuard&) = delete;
    TSearchRunGuard& operator=(const TSearchRunGuard&) = delete;
    TSearchRunGuard(TSearchRunGuard&& other) noexcept : Session(other.Session) { other.Session = nullptr; }
    ~TSearchRunGuard();
    explicit operator bool() const { return Session != nullptr; }
  };
  TSearchRunGuard BeginSearchRun(const char* who);
  // Before a run downloads: the engine's template and link count, the
  // search page, the proxy's login asked again. False, with the run ended
  // (FinishSearch), when the window has closed, the proxy still wants a
  // login or the template failed.
  bool PrepareDownload(const char* who);
  // Waits until the search that StartEngineSearch started is over and its
  // queued calls ran: in the view's event loop (IMainView::WaitUntil), or
  // without a view on the engine's end signal. At once when none runs.
  void WaitForSearch();
  // The engine's progress and end hooks (Create installs them): both run on
  // the engine's thread and only queue work for this thread.
  void InstallSearchHooks();

  // Merges the engine's results into the documents (a known URL keeps its
  // document; a new one gets the next index), records the query's keys as a
  // new StepKeys entry, feeds the network and hides the documents of the
  // hidden sites. Nothing happens without results.
  void MergeResults(std::u16string_view queryText);
  // Why the network is fed. Search: for the merge of a search (and the
  // reading of a project file): the query's keys are set anew from the query
  // text, its words stop being stop words, and they become the last StepKeys
  // entry. Again: for any other reason (documents deleted or added, a stop
  // word taken back, a step restored): the step's keys, the stop words and
  // StepKeys stay as they are.
  enum class TFeedReason { Search, Again };
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
  // An address that no document may have: its host is a command host of the
  // page (search/page_command_hosts.h), or it names a command in the template
  // folder. Only the page's own markup carries commands; the merge of a
  // search, AddUserDocument and the project-file reader refuse such an
  // address.
  bool IsCommandAddress(std::string_view url) const;

  // ---- the window's small handlers without widgets (session_window_keys.cpp) ----
  // Esc: with query words, the query box and its buttons go and the map is
  // drawn from its keys again.
  void FormKeyDownEscape();
  // Any key released: the deferred rebuild is dropped. Ctrl released: a
  // deferred rebuild runs first.
  void FormKeyUp(bool ctrl);
  // A mouse button pressed anywhere: the typed words' highlight goes, and a
  // pending word popup is left.
  void ApplicationMouseDown();
  // The hidden "Refresh" button: every key loses its hover, carried and
  // context flags.
  void Button1Click();
  // Menu items: "Rebuild", "Reset", "Show Files", "Delete Keys", "Remove
  // Overlaps", "Distribute", "Edit Element".
  void N2Click();
  void N3Click();
  void N4Click();
  void N6Click();
  void N8Click();
  void r1Click();
  void pmEditElementClick();
  // "Exclude from results": the hover goes, the popup state is left and the
  // marked group is excluded (in the excluded-words view: given back to the
  // query), as the map's group event 1 (0 in that view).
  void pmExcludeClick();

  // The run's state between ShowSearchBusy and FinishSearch, and the
  // hand-offs from the engine's thread.
  struct TSearchRunState {
    // Runs in progress (BeginSearchRun): a second one is refused, and while
    // one runs SearchRunning() holds and the window defers its close.
    int32_t Depth = 0;
    // The enabled states ShowSearchBusy remembered (kRememberedControls).
    std::vector<bool> Remembered;
    bool Started = false;   // StartEngineSearch started a search
    bool DoneSeen = false;  // its end call ran on this thread
    // The newest progress not yet shown; -1 when none waits.
    std::atomic<int32_t> PendingProgress{-1};
    // The engine's end signal when there is no view to post to.
    std::mutex DoneMutex;
    std::condition_variable Done;
  };
  TSearchRunState SearchRun;

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

  // One entry of the cluster table: a document the network selected for the
  // step's keys (Flag 0), with its score.
  struct TClusterEntry {
    uint8_t Flag = 0;
    int32_t Value1 = 0;  // the document
    int32_t Value2 = 0;
    TNNKeys Files;
    TNNKeys Words;
  };
  // The pending build of the page that EmbeddedWB1DocumentComplete performs
  // once the browser has loaded its document again.
  struct TPendingPageBuild {
    bool Pending = false;
    int32_t Kind = 0;        // 0 a rebuild, 1 a rebuild with an edit index
    int32_t EditIndex = kEditNone;
  };
  // The items of the map's popup menu PopupMenu1 that are visible.
  struct TMapPopupItems {
    bool pmAdd = false;
    bool pmExclude = false;
    bool pmRemovefromquery = false;
    bool pmRemoveFromExcluded = false;
    bool pmEditWord = false;
    bool pmEditElement = false;
    bool pmAddToStopWords = false;
    bool pmShowEntryField = false;
    bool pmScope = false;
    bool operator==(const TMapPopupItems&) const = default;
  };
  // The entries of the result page's popup menu.
  enum class TPagePopupItem { AddToQuery1, Excludefromquery1, UpdateEntry1, DeleteEntry1 };

  // ---- the page's state ----
  // The document index of each page entry, in page order, and the page's
  // documents read through them from Documents (nothing copied).
  std::vector<int32_t> PageDocumentIds;
  TPageDocuments PageList{&Project.Documents, &PageDocumentIds};
  int32_t LastPageMode = 0;
  int32_t EmptyRefreshes = 0;       // consecutive refreshes that listed nothing
  std::u16string LastPageHtml;
  bool PageNotWritten = true;       // written, not loaded yet
  std::string ScrollAnchor;         // the document address to scroll to after the next build
  TPendingPageBuild PendingBuild;
  std::vector<TClusterEntry> ClusterTable;

  // ---- the map's state ----
  TNNKeys MarkedGroup;              // the words marked for the popup's commands
  bool PreviewFlag = false;         // the page shows a word as if it were added
  int32_t HoverSavedPage = 1;       // the page number a hover's end restores
  // The map view's edit mode (the network edit panel is open).
  bool MapEditMode = false;

  // ---- hooks that other parts of the window fill (unset: logged) ----
  std::function<void()> OnShowUpdateForm;                        // row 1
  std::function<void(std::u16string_view path)> OnOpenProject;   // row 8
  std::function<void()> OnHelp;                                  // row 11
  std::function<void(TPagePopupItem item)> OnPagePopupItem;      // the page popup's entries
  // A click on a map word while the edit panel is open.
  std::function<void(const TNNKey& key, int32_t variant)> OnEditPanelWordClick;
  // A "mailto:" link; unset: the user's mail program (ISendMail).
  std::function<void(std::u16string_view address)> OnMailTo;

  // ---- result display (session_display.cpp) ----
  // ShowResults(page, mode): `page` is the edit index of the document form
  // (-2 none, -1 a new document, n the entry edited); mode 0 or -1 chooses
  // the page mode from the view and the search state. No exception leaves it.
  // The stop-word page: "blank6.html" of the template folder with the count
  // and the rows of the stop words (escaped); empty when it cannot be read.
  std::u16string StopWordsPage();
  static std::u16string StopWordsPageFrom(std::u16string page, const std::vector<std::u16string>& words);
  void WritePage(const std::u16string& html);
  void RefreshClusterTable();
  void ResetResultPageNumber() { ResultPageNumber = 1; }
  // The keys of the scope view: the union of all scopes (no-query mode).
  void PrepareScopeView();
  // The union of all scopes: their included keys, weighted by how many scopes
  // hold them (1 for a key of every scope), and their excluded keys that no
  // scope includes.
  void ScopeUnionKeys(TNNKeys& included, TNNKeys& excluded) const;
  // An exclusion in the scope view (typed, or from the map): the union of the
  // scopes becomes the step's own query (kinds 0 and 1, the step's excluded
  // words kept and never query words) and no-query mode is left, so that the
  // exclusion refines the union instead of being lost with the view.
  void TakeScopeUnionAsQuery();
  // View modes and the view buttons.
  void SetViewMode(int32_t mode);
  void UpdateViewButtons();
  // A view button was clicked: its mode when it is down, else 0.
  void ViewButtonClick(TMainControl button);
  // The browser control's events: a loaded document performs a pending
  // build; a refresh is always cancelled (true); a download does nothing.
  void EmbeddedWB1DocumentComplete();
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

  // ---- map events (session_map_events.cpp) ----
  void DrawAndEventMap1SingleSelect(const TNNKey& key, int32_t variant, bool selected);
  void DrawAndEventMap1GroupSelect(int32_t keysCount, int32_t type, bool selected, const TNNKeys& keys);
  void DrawAndEventMap1MouseClickByWord(const TNNKey& key, int32_t variant, bool selected);
  void DrawAndEventMap1Click();
  // A double click at (x, y) of the map; wordUnderCursor: a word was hit.
  void DrawAndEventMap1DblClick(int32_t x, int32_t y, bool wordUnderCursor);
  void DrawAndEventMap1MouseUp();
  void DrawAndEventMap1MouseToWord(const TNNKey& key, int32_t variant);
  void DrawAndEventMap1MouseOutWord(const TNNKey& key);
  void ContentMapReGetData();
  void ContentMapAllKeys(int32_t variant);
  // The visible items of the map's popup menu (the query box is hidden).
  TMapPopupItems PopupMenu1Popup();
  static TMapPopupItems MapPopupItems(bool groupMarked, bool noQuery, bool excludedView, bool firstIsKind0,
                                      bool scopes);
  // popupWord: the index of the map key under the popup.
  void pmAddClick(int32_t popupWord);
  void pmAddToStopWordsClick();
  // (x, y): the popup's point on the map.
  void pmEditWordClick(int32_t x, int32_t y);
  void pmRemoveFromExcludedClick();
  void IBitmapButton4Click();
  void excludeAClick();
  void queryNAClick() { excludeAClick(); }
  void excludeNAClick() { excludeAClick(); }
  void PreviewWordResults();
  void MapHoverEnd();
  // The mouse moved outside the map: the page no longer previews a hovered
  // word.
  void MouseOutsideMap();
  void AddContextWordsOfKey(int32_t wordId);
  // A word the map never shows as a related word: a stop word, whichever
  // record of its text carries the stop mark (the content map's
  // OnStopWordHook).
  bool IsMapStopWord(int32_t id);
  // The query box at (x, y) of the map, with BBtnSearch or BBtnSearch2.
  void PlaceQueryBox(int32_t x, int32_t y, bool withSearchButton);
  // A menu item of the map's popup ends the hover of its word: kind 4
  // emptied, no hovered key, the page's query line without the word.
  void EndPopupHover();
  // Leaves the excluded-words view without a rebuild (the kinds traded back).
  void LeaveExcludedView();

  // ---- steps of the search (session_steps.cpp) ----
  void BtnBackClick();
  void BtnNextClick();

  // ---- scopes and full refresh (session_scopes.cpp) ----
  // Every change of the scope list leaves a copy of the list in kind 10 of
  // the current step (SnapshotScopes), so that Undo and Redo give back the
  // list of each step.
  void SnapshotScopes();
  void AddSearchScope();
  void UpdateScope(int32_t index);
  void DeleteScope(int32_t index);
  void SelectScope(int32_t index);
  void pmScopeClick();
  void MarkScopeDocuments();
  bool SearchAllScopes();
  void fullRefreshClick();

  // =========================================================================
  // The window's commands outside a search (session_commands.cpp): mail,
  // help, the status label, closing, the track bars' releases, the "Tell a
  // friend" button. The arithmetic and text rules are in
  // app/window_commands.h.
  // =========================================================================

  // Every mail of the session (the page, the map, "Tell a friend", the about
  // box's and the bug report's when the window passes them on) is handed
  // here filled; unset: ISendMail::Send.
  std::function<void(ISendMail& mail)> OnSendMail;
  void SendMail(ISendMail& mail);
  // Asked first when the window is to close: True keeps it (the project's
  // save question answered Cancel). Unset: the window closes.
  std::function<bool()> OnSaveQuestion;
  // Step 3 of the close: the update check stops. Unset: StopUpdateCheck.
  std::function<void()> OnStopUpdateCheck;
  // Set when the window was asked to close and agreed.
  bool Closing = false;
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
  // handed to the user's program for it; logged when there is none.
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
  void ReadQueryFile();
  void ReadPageBlocks();
  // Adds a phrase of the tokens first..last of the sentence unless an equal
  // one exists; the phrase index is rebuilt after an addition.
  void AddPhrase(const TParsingText& parse, int32_t first, int32_t last);
  // The dictionary text of a token's identifier (a phrase's text for a
  // phrase identifier); empty when there is none.
  std::u16string TokenText(int32_t id);

  std::u16string programFolder_;
  // The fields whose addresses the page builder keeps.
  TITextParsing* textParsingField_ = &TextParsing;
  TContentMap2* contentMapField_ = &ContentMap;
  TPhraseWordDictionary* dictionaryField_ = &WordDictionary;
  TStorageFormsWords* formsField_ = &FormsStore;
  TScope* scopeField_ = &Project.Scope;
  bool created_ = false;
  bool createFailed_ = false;
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
