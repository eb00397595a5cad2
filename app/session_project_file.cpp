// Project files on TKestruneSession: opening and saving through the project
// dialogs, the modified flag and the save question.
#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <string>
#include <utility>

#include "app/kestrune_session.h"
#include "app/options_model.h"
#include "core/log_file.h"
#include "core/message.h"
#include "core/message_strings.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace kestrune {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

namespace {

// The message of a project file of the internal format 1.
constexpr char16_t kVersion1Message[] =
    u"Данный формат файла использовался внутренней версией, со 2.02.06 не поддерживается";

// The file name without its folder.
std::u16string WithoutFolder(std::u16string_view path) {
  const size_t slash = path.rfind(u'/');
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

// Shows the busy cursor while it lives.
struct TBusyCursor {
  IMainView* View;
  explicit TBusyCursor(IMainView* view) : View(view) {
    if (View) View->SetBusyCursor(true);
  }
  ~TBusyCursor() {
    if (View) View->SetBusyCursor(false);
  }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// The name of a part of a project file in a damaged file's message.
const std::u16string& ProjectPartName(int32_t tag) {
  using TPart = std::pair<int32_t, std::u16string TMessageStrings::*>;
  static constexpr std::array<TPart, kProjectBlocksRead.size()> kParts = {{
      {kTagProjectDictionaries, &TMessageStrings::smProjectPartDictionaries},
      {kTagProjectDocuments, &TMessageStrings::smProjectPartDocuments},
      {kTagProjectQuery, &TMessageStrings::smProjectPartQuery},
      {kTagProjectStopWords, &TMessageStrings::smProjectPartStopWords},
      {kTagProjectSettings, &TMessageStrings::smProjectPartSettings},
      {kTagProjectOwnWords, &TMessageStrings::smProjectPartOwnWords},
      {kTagProjectPhrases, &TMessageStrings::smProjectPartPhrases},
      {kTagProjectMarks, &TMessageStrings::smProjectPartMarks},
      {kTagProjectStepKeys, &TMessageStrings::smProjectPartSteps},
      {kTagProjectScopes, &TMessageStrings::smProjectPartScopes},
  }};
  const auto found = std::find_if(kParts.begin(), kParts.end(), [tag](const TPart& p) { return p.first == tag; });
  return MessageStrings.*(found != kParts.end() ? found->second : &TMessageStrings::smProjectPartDocuments);
}

std::u16string Number(int64_t value) { return Utf8ToUtf16(std::to_string(value)); }

}  // namespace

// ---------------------------------------------------------------------------
// The parts the file layer reads and writes.

TProjectFileParts TKestruneSession::ProjectFileParts() {
  TProjectFileParts parts{Project, Steps, WordDictionary, {}, {}, {}, false, false, {}, {}, {}, {}, {}, false};
  for (const TDictionaryEntry& e : Config.DictionaryList) {
    parts.Dictionaries.push_back(
        {e.Active, Utf8ToUtf16(e.FileName), Utf8ToUtf16(e.Language), e.Author, e.Description, e.Header});
  }
  TProjectSettings& s = parts.Settings;
  s.EnabledEngines = Utf8ToUtf16(EnabledEngineText(Config.Engines));
  s.CurrentEngine = Utf8ToUtf16(Config.Settings.website);
  s.LinksToDownload = Config.LinksToDownload;
  s.TrackPosContext = Config.Settings.TrackPosContext;
  s.TrackPosExact = Config.Settings.TrackPosExact;
  s.WordForms = Config.Settings.DistinguishWordForms;
  s.Author = Config.Settings.Author;
  parts.QueryText = GetQueryText();
  parts.ExcludedView = ContentMap.ExcludedMode();
  parts.ScopeFlag = ContentMap.NoQueryMode();
  parts.LoadDictionaries = [this](const std::vector<TProjectDictionary>& d) { return LoadProjectDictionaries(d); };
  parts.LoadNetwork = [this](TStream& stream) {
    auto* memory = dynamic_cast<TMemoryStream*>(&stream);
    return memory && IContextMS1.LoadFromProjectStream(*memory) == 0;
  };
  parts.LoadForms = [this](TStream& stream) { return FormsStore.LoadFromStream(stream) == 0; };
  parts.Refused = [this](std::string_view url) { return IsCommandAddress(url); };
  parts.Log = [](std::string_view line) { LogFile.Log(std::string(line)); };
  return parts;
}

bool TKestruneSession::LoadProjectDictionaries(const std::vector<TProjectDictionary>& dictionaries) {
  // An active dictionary must be a file of the dictionaries folder; a name
  // that reaches into another folder names none.
  for (const TProjectDictionary& d : dictionaries) {
    if (!d.Active) continue;
    const bool plainName = !d.FileName.empty() && d.FileName.find(u'/') == std::u16string::npos && d.FileName != u"." &&
                           d.FileName != u"..";
    if (!plainName || !platform::RegularFileExists(DictionariesFolder() + d.FileName)) {
      ShowMessageBox(MessageStrings.smStringLoadDictionary + d.Language + MessageStrings.smStringLoadDictionary1,
                     MessageStrings.smLoadDictionary, platform::kMbOk | platform::kMbIconError);
      return false;
    }
  }
  for (TDictionaryEntry& entry : Config.DictionaryList) {
    const std::u16string name = Utf8ToUtf16(entry.FileName);
    entry.Active = std::any_of(dictionaries.begin(), dictionaries.end(),
                               [&](const TProjectDictionary& d) { return d.Active && d.FileName == name; });
  }
  ProjectFile.Dictionaries = dictionaries;
  LoadDictionaries(true);
  return true;
}

void TKestruneSession::ApplyProjectSettings(const TProjectSettings& settings) {
  TMainSettings& s = Config.Settings;
  s.DistinguishWordForms = settings.WordForms;
  TextParsing.SetianwWord(settings.WordForms);
  // Within the options dialog's range, as the track bars below.
  const int32_t links = std::clamp(settings.LinksToDownload, kLinksCounts[0], kLinksCounts[std::size(kLinksCounts) - 1]);
  Config.LinksToDownload = links;
  s.TPCountFromSite = links;
  s.TrackPosContext = std::clamp(settings.TrackPosContext, kMinTrackPosContext, kMaxTrackPosContext);
  s.TrackPosExact = std::clamp(settings.TrackPosExact, 0, kMaxTrackPosExact);
  Config.MatchSetting = s.TrackPosExact;
  ContentMap.SetWordCount(s.TrackPosContext);
  if (View) View->SetTrackBars(s.TrackPosContext, s.TrackPosExact);

  // The project's engine: enabled when it was not, and made current; an
  // engine not installed is warned about and the current one stays.
  std::vector<std::u16string> names;
  names.reserve(Config.Engines.size());
  for (const TSearchEn& engine : Config.Engines) names.push_back(Utf8ToUtf16(engine.Name));
  const int32_t found = FindProjectEngine(names, settings.CurrentEngine);
  if (found < 0 || Config.Engines[static_cast<size_t>(found)].Name.empty()) {
    ShowMessageBox(MessageStrings.smNoSearchEngine + settings.CurrentEngine + MessageStrings.smNoSearchEngine2,
                   MessageStrings.smWarn, platform::kMbOk | platform::kMbIconWarning);
    return;
  }
  TSearchEn& engine = Config.Engines[static_cast<size_t>(found)];
  s.website = engine.Name;
  if (!engine.Enabled) {
    engine.Enabled = true;
    Config.SortEngines(true);
    s.Lwebsite = EnabledEngineText(Config.Engines);
  }
  Config.FillEngineBox();
}

// ---------------------------------------------------------------------------
// Opening.

TProjectOpen TKestruneSession::OpenProjectFile(std::u16string_view fileName) {
  const TBusyCursor busy(View);
  ClearProject();
  Project.Scope.Clear();
  WordDictionary.ClearPhrase();
  WordDictionary.FreePhraseIndex();
  ProjectFile.Opened.reset();
  ProjectFile.Losses.clear();
  TProjectFileParts parts = ProjectFileParts();
  const TProjectOpen result = kestrune::OpenProjectFile(fileName, parts);
  if (result != TProjectOpen::Loaded) return result;
  ProjectFile.Losses = parts.Losses;
  ProjectFile.Opened = TProjectNote{parts.Settings.Note, parts.Settings.Author};
  ApplyProjectSettings(parts.Settings);
  // The map is in the query view since the reset; the network is fed with
  // the project's query, the stored step keys kept.
  FeedNetwork(parts.QueryText, TFeedReason::Open);
  return result;
}

bool TKestruneSession::OpenProject(std::u16string_view fileName) {
  const TProjectOpen result = OpenProjectFile(fileName);
  if (result != TProjectOpen::Loaded) {
    LogFile.Log("The project " + Utf16ToUtf8(fileName) + " was not opened", 1);
    if (result == TProjectOpen::Version1) ShowMessageBox(kVersion1Message, u"", platform::kMbOk);
    // A project that is gone leaves the recent projects.
    if (result == TProjectOpen::Missing) RemoveRecentProject(fileName);
    ShowMessageBox(ProjectOpenError(fileName, result), MessageStrings.smErrorLoadProject,
                   platform::kMbOk | platform::kMbIconError);
    IBitmapButtonNewClick();
    return false;
  }
  Project.ProjectName = WithoutFolder(fileName);
  Project.ProjectJustOpened = true;
  ProjectFile.Modified = false;
  // Told also when the map finds nothing left to show and starts anew.
  const std::vector<TProjectLoss> losses = ProjectFile.Losses;
  HideQueryBox();
  SetEnabled(TMainControl::fullRefresh, Project.Scope.Count() > 0);
  SetEnabled(TMainControl::ibitmapButton1, !GetQueryText().empty() && !ContentMap.NoQueryMode());
  ContentMapReGenerate();
  ShowResults(kEditNone, kPageModeChosen);
  StartAdvertising();
  if (!losses.empty()) {
    const std::u16string text = ProjectDamageText(fileName, losses);
    LogFile.Log(Utf16ToUtf8(text), 1);
    ShowMessageBox(text, MessageStrings.smWarn, platform::kMbOk | platform::kMbIconWarning);
  }
  return true;
}

std::u16string TKestruneSession::ProjectOpenError(std::u16string_view fileName, TProjectOpen result) {
  std::u16string text = MessageStrings.smStringErrorLoadProject + u"\n" + std::u16string(fileName);
  // The old format and a missing dictionary have said why in their own box.
  switch (result) {
    case TProjectOpen::Missing:
      return text + u"\n" + MessageStrings.smProjectFileMissing;
    case TProjectOpen::Unreadable:
      return text + u"\n" + MessageStrings.smProjectFileUnreadable;
    case TProjectOpen::Failed:
      return text + u"\n" + MessageStrings.smProjectFileDamaged;
    default:
      return text;
  }
}

std::u16string TKestruneSession::ProjectDamageText(std::u16string_view fileName,
                                                   const std::vector<TProjectLoss>& losses) {
  std::u16string text = MessageStrings.smProjectDamagedOpened + u"\n" + std::u16string(fileName);
  for (const TProjectLoss& loss : losses) {
    const std::u16string& part = ProjectPartName(loss.Tag);
    text += u"\n";
    text += loss.Said < 0 ? TMessageStrings::FillIn(MessageStrings.smProjectPartNotRead, {part})
                          : TMessageStrings::FillIn(MessageStrings.smProjectRecordsRead,
                                                    {Number(loss.Read), Number(loss.Said), part});
  }
  return text;
}

bool TKestruneSession::AskBeforeLeavingProject() {
  if (GetQueryText().empty() && !ContentMap.NoQueryMode()) return false;
  ProjectFile.Modified = true;
  return SaveQuestion();
}

void TKestruneSession::IBitmapButton6Click() {
  if (AskBeforeLeavingProject()) return;
  if (!ProjectFile.Dialogs) {
    LogFile.Log("The project open dialog is not available", 1);
    return;
  }
  std::u16string fileName;
  if (!ProjectFile.Dialogs->ExecuteOpen(Config.ProjectFolder, fileName)) fileName.clear();
  OpenChosenProject(fileName);
}

void TKestruneSession::OpenManagerProject(std::u16string_view fileName) {
  if (fileName.empty() || AskBeforeLeavingProject()) return;
  OpenChosenProject(fileName);
}

void TKestruneSession::OpenChosenProject(std::u16string_view fileName) {
  if (!fileName.empty()) {
    SetEnabled(TMainControl::IBitmapButton7, false);
    // A failed open has started a new query.
    if (OpenProject(fileName)) AddRecentProject(fileName);
  }
  for (TMainControl control :
       {TMainControl::IBitmapButtonUndo, TMainControl::IBitmapButtonRedo, TMainControl::IBitmapButton7}) {
    SetEnabled(control, false);
  }
}

void TKestruneSession::OpenNamedProject(std::u16string_view fileName) {
  if (fileName.empty() || AskBeforeLeavingProject()) return;
  SetEnabled(TMainControl::IBitmapButton7, false);
  if (OpenProject(fileName)) AddRecentProject(fileName);
}

// ---------------------------------------------------------------------------
// Saving.

std::u16string TKestruneSession::ProjectFileName(std::u16string_view text) {
  std::u16string name(text);
  for (char16_t& c : name) {
    if (c == u'/' || c < 0x20 || c == 0x7F) c = u'_';
  }
  return name;
}

std::u16string TKestruneSession::ProjectDefaultName() {
  // A damaged file is never offered: Save does not write over it unasked.
  if (!Project.ProjectName.empty() && ProjectFile.Losses.empty()) return ProjectFileName(Project.ProjectName);
  // The query's keys: included ones with weight 1, then the excluded ones
  // with a minus; the first three, "~" when there are more.
  std::vector<std::u16string> parts;
  auto add = [&](int32_t kind, bool excluded) {
    TNNKeys keys;
    GetStepKeys(keys, kind);
    for (const TNNKey& key : keys) {
      if (!excluded && key.Weight != 1.0f) continue;
      const std::u16string text = ContentMapGetKeyName(key.Id);
      if (text.empty()) continue;
      const bool phrase = key.Id >= kPhraseBase;
      const std::u16string minus = excluded ? u"-" : u"";
      parts.push_back(phrase ? u"\"" + minus + text + u"\"" : minus + text);
    }
  };
  add(QueryKind(), false);
  add(ExcludedKind(), true);
  std::u16string text;
  for (size_t i = 0; i < parts.size() && i < 3; ++i) text += parts[i] + u" ";
  if (parts.size() > 3) text += u"~";
  std::erase(text, u'"');
  return ProjectFileName(text + u"(" + Utf8ToUtf16(Config.Settings.website) + u")");
}

int32_t TKestruneSession::SaveProjectFile(std::u16string_view fileName, bool skipOldLinks, std::u16string_view note) {
  const TBusyCursor busy(View);
  TProjectFileParts parts = ProjectFileParts();
  parts.Settings.Note = JoinNoteLines(note);
  // An opened project keeps its author.
  if (ProjectFile.Opened) parts.Settings.Author = ProjectFile.Opened->Author;
  return SaveProject(fileName, skipOldLinks, parts);
}

bool TKestruneSession::SaveProjectAs() {
  if (!ProjectFile.Dialogs) {
    LogFile.Log("The project save dialog is not available", 1);
    return false;
  }
  TProjectSaveRequest request;
  request.Folder = Config.ProjectFolder;
  request.DefaultName = ProjectDefaultName();
  // An opened project offers its own note.
  request.Note = ProjectFile.Opened ? ProjectFile.Opened->Note
                                    : MessageStrings.smSrch + u" \"" + GetQueryText() + u"\" " + MessageStrings.smVia +
                                          u" " + Utf8ToUtf16(Config.Settings.website);
  if (!ProjectFile.Dialogs->ExecuteSave(request) || request.FileName.empty()) return false;
  request.FileName = WithProjectExtension(request.FileName);
  if (SaveProjectFile(request.FileName, request.SkipOldLinks, request.Note) != 0) {
    LogFile.Log("The project " + Utf16ToUtf8(request.FileName) + " could not be saved", 2);
    ShowMessageBox(MessageStrings.smProjectNotSaved + u"\n" + request.FileName, MessageStrings.smError,
                   platform::kMbOk | platform::kMbIconError);
    return false;
  }
  ProjectFile.Modified = false;
  ProjectFile.Losses.clear();
  if (ProjectFile.Opened) ProjectFile.Opened->Note = JoinNoteLines(request.Note);
  AddRecentProject(request.FileName);
  SetEnabled(TMainControl::IBitmapButton7, false);
  Project.ProjectName = WithoutFolder(request.FileName);
  return true;
}

bool TKestruneSession::SaveQuestion(TSaveQuestionAt at) {
  if (!ProjectFile.Modified || !View || !View->Enabled(TMainControl::IBitmapButton7)) return false;
  if (!Config.Settings.askforsave && at != TSaveQuestionAt::Close) return false;
  bool dontAsk = !Config.Settings.askforsave;
  const int32_t answer = View->AskSaveQuestion(dontAsk);
  if (answer != platform::kIdYes && answer != platform::kIdNo) return true;
  Config.Settings.askforsave = !dontAsk;
  // A cancelled or failed save keeps the flag and ends the command.
  if (answer == platform::kIdYes && !SaveProjectAs()) return true;
  ProjectFile.Modified = false;
  return false;
}

void TKestruneSession::IBitmapButton7Click() { SaveProjectAs(); }

}  // namespace kestrune
