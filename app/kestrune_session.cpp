#include "app/kestrune_session.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unordered_set>

#include "app/browser_opener.h"
#include "app/message_loader.h"
#include "core/base.h"
#include "core/errors.h"
#include "core/find_files.h"
#include "core/ini_bath.h"
#include "core/log_file.h"
#include "core/message.h"
#include "core/message_strings.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

namespace {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

bool EndsWith(std::u16string_view text, std::u16string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The path with every folder resolved (letter case, links), or empty.
std::filesystem::path CanonicalPath(std::u16string_view path) {
  std::error_code error;
  std::filesystem::path canonical = std::filesystem::canonical(platform::ResolvePath(path), error);
  return error ? std::filesystem::path() : canonical;
}

// One line names the types the converter plug-ins support, or says that
// there are none.
void LogConverterTypes(const std::vector<std::string>& types) {
  if (types.empty()) {
    LogFile.Log("Document converters: none (no plug-in lists a document type)");
    return;
  }
  std::string line = "Document converters: the types";
  for (size_t i = 0; i < types.size(); ++i) line += (i == 0 ? " " : ", ") + types[i];
  LogFile.Log(line);
}

}  // namespace

TKestruneSession::TKestruneSession(std::u16string_view programFolder)
    : Start{programFolder.empty() ? platform::ProgramFolder() : AddBackslash(programFolder)},
      Config(Start.ProgramFolder, Start.LngHeaders) {
  // The objects wired to each other as the main window's components are.
  WordDictionary.SetMorphologyEngine(&MorphologyEngine);
  for (TITextParsing* parser : {&TextParsing, &ITextParsing1}) {
    parser->SetAllWords(true);
    parser->SetDeleteWordWithNumber(true);
    parser->SetParallelWorking(true);
    parser->SetPunctuation(true);
    parser->SetianwWord(false);
    parser->ProcessedParts().SetValue(kDefaultPartsOfSpeech);
    parser->SetWordDictionary(&WordDictionary);
  }
  IFoldersAndFiles1.SetCaseSensitivity(true);
  IIndexer1.LoadInMemory().SetData(true);
  IIndexer1.SetSaveMode(TSaveMode::smWithWordsOffsetsAndRestoreInfo);
  IIndexer1.SetCRC32Enabled(true);
  IIndexer1.SetKeySensitivity(false);
  IIndexer1.SetUseHash(false);
  IIndexer1.SetCompressionRatio(0);
  IIndexer1.SetTextParsing(&TextParsing);
  IIndexer1.SetFoldersAndFiles(&IFoldersAndFiles1);
  for (TIContextMS* model : {&IContextMS1, &IContextMS2, &IContextMS3}) model->SetWordDictionary(&WordDictionary);
  IContextMS1.SetTypeComponentText(TTypeComponentText::cText);
  IContextMS2.SetTypeComponentText(TTypeComponentText::cSentence);
  IContextMS3.SetTypeComponentText(TTypeComponentText::cText);
  IContextMS1.SetChildIContextMS(&IContextMS3);
  VSHTMLParser.SetWordColor(15784397);
  VSHTMLParser.SetSentenceColor(10551295);
  VSHTMLParser.SetPhraseColor(10526975);
  VSHTMLParser.SetProcessSingleLink(true);
  VSHTMLParser.SetProcessLinkInText(true);
  VSHTMLParser.SetTextParsing(&TextParsing);
  VSHTMLParser.SetAnalysisMainBlock(false);
  VSHTMLParser.SetHTMLLabel("vsdigestfirstword");
  ContentMap.SetNeuroNet(&IContextMS1);
  ContentMap.SetWordCount(Config.Settings.TrackPosContext);
  // A new session stands as ClearProject leaves a project: not in no-query
  // mode, so that the first query typed is a new query and downloads.
  ContentMap.SetNoQueryMode(false);
  Config.ShowMessage = [this](std::u16string_view text, std::u16string_view caption, uint32_t flags) {
    return ShowMessage(text, caption, flags);
  };
}

int32_t TKestruneSession::ShowMessage(std::u16string_view text, std::u16string_view caption, uint32_t flags) {
  return View ? View->MessageBox(text, caption, flags) : ShowMessageBox(text, caption, flags);
}

TKestruneSession::~TKestruneSession() {
  // The hooks point into this session; nothing may call them any more.
  if (Run.Engine) {
    Run.Engine->OnProgress = nullptr;
    Run.Engine->OnSearchDone = nullptr;
  }
}

void TKestruneSession::SetArguments(const std::vector<std::u16string>& arguments) {
  Start.CommandLineProject.clear();
  if (!arguments.empty() && EndsWith(arguments[0], u".kqp")) Start.CommandLineProject = arguments[0];
}

void TKestruneSession::ReadLanguageTable() {
  // Spelled as the program names it; a folder spelled otherwise is found by
  // the files layer's case-insensitive fallback.
  Start.LanguageFolder = Start.ProgramFolder + u"Language/";
  LoadLngHeaders(Start.LanguageFolder, Start.LngHeaders);
}

void TKestruneSession::LoadStartupMessages() {
  StartupReload(Start.LanguageFolder, Start.LngHeaders, Config.InterfaceLang, nullptr, MessageStrings, Start.LanguageList);
}

bool TKestruneSession::CheckDataFolders(std::u16string_view programFolder, std::u16string* missing) {
  const std::u16string folder = AddBackslash(programFolder);
  for (std::u16string_view name : {u"dictionaries", u"templates/en", u"update"}) {
    if (!platform::FolderExists(folder + std::u16string(name))) {
      if (missing) *missing = name;
      return false;
    }
  }
  return true;
}

void TKestruneSession::StartInstaller() {
  if (Start.InstallerPath.empty()) return;
  const std::string shown = Utf16ToUtf8(Start.InstallerPath);
  const std::filesystem::path updateFolder = CanonicalPath(Start.ProgramFolder + u"Update");
  const std::filesystem::path installer = CanonicalPath(Start.InstallerPath);
  if (updateFolder.empty() || installer.empty() || installer.parent_path() != updateFolder ||
      !platform::RegularFileExists(Start.InstallerPath)) {
    LogFile.Log("The installer " + shown + " is no file of the program's Update folder; it is not started", 1);
    return;
  }
  if (!Opener || !Opener->OpenLocalFile(Start.InstallerPath)) {
    LogFile.Log("The installer " + shown + " could not be handed to the desktop", 2);
    return;
  }
  LogFile.Log("The installer " + shown + " was handed to the desktop");
}

// ---------------------------------------------------------------------------
// The main window's creation and destruction.

bool TKestruneSession::Create(IMainView* view, IMapViewOps* mapView, std::unique_ptr<ISearchEngine> engine) {
  View = view;
  MapView = mapView;
  Run.Engine = std::move(engine);
  Config.View = view;
  createFailed_ = false;

  // 1.-3. The flags are the settings' defaults until the load; the lists.
  Project.StopWords.clear();
  SetVisible(TMainControl::IProgressBar1, false);
  SetVisible(TMainControl::TntLabel1, false);
  SetVisible(TMainControl::ibitmap27, false);
  SetEnabled(TMainControl::IBitmapButton7, false);
  FormsStore.Clear();
  Config.RecentQueries = {};
  Config.RecentProjects = {};

  // 4. The page builder: its hooks, language, templates and sources.
  Results.PageResults.GetQueryText = [this] { return GetQueryText(); };
  Results.PageResults.GetContextWordsHtml = [this] { return GetContextWordsHtml(); };
  Results.PageResults.TemplateLanguage = Config.InterfaceLang;
  Results.PageResults.SetTemplatePath(Utf16ToUtf8(Config.TemplateFolder()));
  Results.PageResults.SetSources(&Run.EngineObject, &sources_.TextParsing, &sources_.ContentMap, &sources_.WordDictionary, &sources_.FormsStore);

  // 5. The engine's progress reaches the progress bar on this thread; the
  // scopes.
  Project.Scope.SetWordDictionary(&WordDictionary);
  Project.Scope.SetFormsStore(&FormsStore);
  Results.PageResults.Scope = &sources_.Scope;
  Run.InstallSearchHooks();

  // 6. Nothing to undo, redo, refresh or stop yet.
  for (TMainControl control : {TMainControl::IBitmapButtonUndo, TMainControl::IBitmapButtonRedo,
                               TMainControl::ibitmapButton1, TMainControl::fullRefresh,
                               TMainControl::IBitmapButtonStop}) {
    SetEnabled(control, false);
  }

  // 7. The content map's hooks.
  ContentMap.OnEmptyQueryHook = [this] { SelectQueryView(); };
  ContentMap.OnHasExcludedHook = [this] { ShowExcludedWordsButton(); };
  ContentMap.OnNoExcludedHook = [this] { HideExcludedWordsButton(); };
  ContentMap.OnNoKeysHook = [this] { MapEmptyNewQuery(); };
  ContentMap.OnBeforeKeysHook = [this] { OrderPageDocuments(); };
  ContentMap.OnGetKeyName = [this](int32_t id) { return ContentMapGetKeyName(id); };
  ContentMap.OnStopWordHook = [this](int32_t id) { return IsMapStopWord(id); };
  ContentMap.OnReGetData = [this](TCustomContentMap2&) { ContentMapReGetData(); };
  ContentMap.SetOnAllKeys([this](int32_t variant) { ContentMapAllKeys(variant); });
  if (MapView) {
    ContentMap.OnMeasureKeyHook = [this](const TKey& key, int32_t& width, int32_t& height) {
      MapView->MeasureKeyText(key, width, height);
    };
  }

  // 8.-9. The query box's items; the active indexes.
  Entry.ReadQueryFile();
  Config.ActiveIndexPaths.clear();

  // 10.-11. The map view's skin, the indexers' dictionaries, the key list.
  if (MapView) MapView->SetSkinPath(Start.ProgramFolder + u"mapskin/");
  IIndexer1.SetDictionariesPath(DictionariesFolder());
  ContentMap.OnVXlistOfKeys = [this](const TNNKeys& keys, const std::string& text) {
    ContentMapVXlistOfKeys(keys, text);
  };
  if (View) View->SetProgress(0);

  // 12. The settings and the lists built from them.
  Config.LoadSettings();
  if (Config.EngineListFailed()) {
    createFailed_ = true;
    LogFile.Log("The program has no engine template in " + Utf16ToUtf8(Config.EngineFolder()) + "; it ends", 2);
    return false;
  }
  TextParsing.SetianwWord(Config.Settings.DistinguishWordForms);
  for (TITextParsing* parser : {&TextParsing, &ITextParsing1}) {
    parser->ProcessedParts().SetValue(static_cast<uint32_t>(Config.Settings.PartsOfSpeech));
  }
  ContentMap.SetWordCount(Config.Settings.TrackPosContext);
  if (ContentMap.LoadStyleFile(Config.ColorFile) != TCustomContentMap2::kStyleFileOk) {
    LogFile.Log("The map's colour file " + Utf16ToUtf8(Config.ColorFile) + " could not be read whole", 1);
  }

  // 13.-14. The recent history files (a path handed to OnMenu becomes
  // current and its dictionaries load); the advertising engines.
  IHistory1.OnMenu = [this](std::u16string_view path) { IHistory1Menu(path); };
  IHistory1.Load(Config.BasesFolder, Config.ProjectFolder);
  StartAdvertisingEngines();

  // 15. The first converter loader and the document extensions; 17. the
  // page blocks of the English templates; 18. the second converter loader.
  WindowStart.Convertors1 = std::make_unique<TVSConvertors>();
  WindowStart.Extensions.clear();
  for (const std::string& type : WindowStart.Convertors1->Types()) WindowStart.Extensions.push_back("." + type);
  LogConverterTypes(WindowStart.Convertors1->Types());
  ReadMainPageBlocks(Start.ProgramFolder + u"templates/en/templates.ini", WindowStart.PageBlocks);
  WindowStart.Convertors2 = std::make_unique<TVSConvertors>();

  // 19.-20. LoadAllNets, ClustersResult and AnalysisMainBlock came with the
  // settings (the last is the window's parser's); the dictionaries.
  VSHTMLParser.SetAnalysisMainBlock(Config.Settings.AnalysisMainBlock);
  LoadDictionaries(true);
  return true;
}

void TKestruneSession::FormShow(const std::function<void()>& loadBlankPage) {
  // 1. The track bars.
  if (View) View->SetTrackBars(Config.Settings.TrackPosContext, Config.Settings.TrackPosExact);
  // 2. The blank page, the start page, the query box.
  MapWordRefresh();
  if (loadBlankPage) loadBlankPage();
  ShowStartPage();
  CenterQueryBox(false);
  // 3. The engine box and the caption.
  Config.FillEngineBox();
  // 6. Whether an engine named "Amazon" is in the box (its last item is
  // "More engines", no engine).
  const std::vector<std::u16string>& items = Config.EngineBoxItems;
  const auto engines = items.end() - (items.empty() ? 0 : 1);
  WindowStart.AmazonListed = std::find(items.begin(), engines, u"Amazon") != engines;
  TellStartDamage();
}

void TKestruneSession::Destroy() {
  StopAdvertEngine();
  LogFile.Log("LoadingIndexBases.Free ok");
  if (!createFailed_ && !Config.SaveSettings()) {
    ShowMessage(MessageStrings.smSettingsNotSaved + u"\n" + Config.SettingsFile(), MessageStrings.smMes,
                platform::kMbOk | platform::kMbIconError);
  }
  LogFile.Log("clusters free ok");
  Project.StopWords.clear();
}

// ---------------------------------------------------------------------------
// Handlers of the main window that need no widget.

void TKestruneSession::SetEnabled(TMainControl control, bool enabled) {
  if (View) View->SetEnabled(control, enabled);
}

void TKestruneSession::SetVisible(TMainControl control, bool visible) {
  if (View) View->SetVisible(control, visible);
}

void TKestruneSession::SaveKeysUndoState() {
  // A new step: its pages no longer speak of how the last download ended.
  Run.SearchEnd = TSearchRun::TSearchEnd();
  IControlKeys& steps = ContentMap.Steps();
  Steps.PushUndo();
  SetEnabled(TMainControl::IBitmapButtonUndo, steps.CanBack());
  SetEnabled(TMainControl::IBitmapButtonRedo, steps.CanForward());
  SetEnabled(TMainControl::ibitmapButton1, steps.CanBack());
  MarkProjectChanged();
}

void TKestruneSession::MarkProjectChanged() {
  ProjectFile.Modified = true;
  // While a search runs Save stays disabled; the search's end enables it.
  if (!SearchRunning()) SetEnabled(TMainControl::IBitmapButton7, true);
}

void TKestruneSession::ResetPageNumbers() { Results.ResetResultPageNumber(); }

void TKestruneSession::ContentMapReGenerate() { Map.Rebuild(); }

std::u16string TKestruneSession::ContentMapGetKeyName(int32_t id) {
  TWDWord* word = WordDictionary.GetWord(id);
  if (word == nullptr) return u"";
  int32_t form = FormsStore.GetForm(id);
  if (id < kPhraseBase && (form < 0 || form >= word->FormCount())) form = 0;
  return word->GetForm(form);
}

void TKestruneSession::ContentMapSelect(const std::vector<int32_t>& ids, bool selectDocuments) {
  Map.ContentMapSelect(ids, selectDocuments);
}

void TKestruneSession::ContentMapVXlistOfKeys(const TNNKeys& keys, const std::string&) {
  Map.ContentMapVXlistOfKeys(keys);
}

// The recommended exclusions of the result page: words of the removed
// documents that the query does not reach.
void TKestruneSession::TrackBarChange(int32_t position) {
  ContentMap.SetWordCount(position);
  ContentMap.WordCountChanged = true;
  Config.Settings.TrackPosContext = position;
}

void TKestruneSession::MapWordRefresh() { Map.MapWordRefresh(); }

void TKestruneSession::NetworkReset() {
  IContextMS1.Clear();
  MapWordRefresh();
}

void TKestruneSession::SetMapFocus() {
  if (View) View->SetFocus(TMainControl::Panel1);
}

bool TKestruneSession::IsQueryBoxVisible() const { return View && View->Visible(TMainControl::IComboBox1); }

void TKestruneSession::SelectQueryView() {
  // Raised inside a rebuild of the map: the switch, which rebuilds the map
  // itself, runs after it.
  if (View) {
    View->PostToUi([this] { IBitmapButton2Click(); });
  } else {
    IBitmapButton2Click();
  }
}

void TKestruneSession::ShowExcludedWordsButton() { SetVisible(TMainControl::IBitmapButton4, true); }

void TKestruneSession::HideExcludedWordsButton() { SetVisible(TMainControl::IBitmapButton4, false); }

void TKestruneSession::MapEmptyNewQuery() {
  // An empty excluded-words view is no empty query: the switch back to the
  // query view is queued, and its rebuild starts a new query when the query
  // words are gone too.
  if (ContentMap.ExcludedMode()) return;
  NewQueryCommand(Project.Documents.empty() && Project.StepKeys.empty() && Project.Scope.Count() == 0);
}

void TKestruneSession::IBitmapButton2Click() { Map.IBitmapButton2Click(); }

void TKestruneSession::ExcludedWordsButtonClick() { Map.ExcludedWordsButtonClick(); }

void TKestruneSession::ToggleExcludedView() { Map.ToggleExcludedView(); }

}  // namespace kestrune
