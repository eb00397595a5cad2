// The result display of TKestruneSession: the page mode chosen from the view
// and the search state, the stop-word page, the write into the browser
// control, the document ordering that fills the page list at every map
// rebuild, the scope view's keys, the view modes and their buttons, and the
// cluster table.
#include <algorithm>
#include <cmath>
#include <exception>
#include <unordered_map>

#include "app/kestrune_session.h"
#include "core/log_file.h"
#include "platform/files.h"
#include "platform/text.h"
#include "search/utf8.h"

namespace kestrune {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

namespace {

// The view buttons in the order of their modes 1 to 6, with their labels.
constexpr TMainControl kViewButtons[] = {
    TMainControl::IBitmapBtnShowDelLinks, TMainControl::IBitmapBtnShowDelSites,
    TMainControl::IBitmapBtnShowNew,      TMainControl::IBitmapBtnShowOld,
    TMainControl::IBitmapBtnShowFavorites, TMainControl::IBitmapBtnShowStopWords};
constexpr TMainControl kViewLabels[] = {
    TMainControl::LabelDelLinksCount, TMainControl::LabelDelSitesCount, TMainControl::LabelNewCount,
    TMainControl::LabelOldCount,      TMainControl::LabelFavoritesCount, TMainControl::LabelStopWordsCount};

std::u16string Dec(int64_t value) { return Utf8ToUtf16(std::to_string(value)); }

bool ReadWholeFile(const std::u16string& path, std::string& bytes) {
  platform::NativeFile input;
  if (!platform::RegularFileExists(path) || !input.Open(path, platform::NativeFile::Access::kRead, false, false)) {
    return false;
  }
  char buffer[16384];
  int64_t got = 0;
  while ((got = input.Read(buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<size_t>(got));
  return got == 0;
}

// Does the view take a document with these flags?
bool ViewTakes(int32_t view, int32_t flags) {
  switch (view) {
    case kViewNewLinks: return (flags & kFlagNew) != 0 && (flags & kFlagOld) == 0;
    case kViewOldLinks: return (flags & kFlagOld) != 0;
    case kViewFavorites: return (flags & kFlagFavorite) != 0;
    default: return true;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// ShowResults

void TKestruneSession::ShowResults(int32_t page, int32_t mode) {
  ++ShowResultsRequests;
  LastShownPage = page;
  LastShownMode = mode;
  try {
    // The counters of all documents follow their flags and steps.
    RecountDocuments();
    UpdateViewButtons();
    if (mode == kPageModeChosenForEdit) mode = kPageModeChosen;
    if (ViewMode == kViewStopWords) {
      WritePage(StopWordsPage());
      return;
    }
    if (mode == kPageModeChosen && ViewMode >= kViewRemovedLinks && ViewMode <= kViewFavorites) {
      mode = PageModeOfView(ViewMode);
    } else if (mode == kPageModeChosen) {
      // The query words of the map; the scope view's union in no-query mode
      // (the map itself names none there).
      bool hasKeys = false;
      if (ContentMap.NoQueryMode()) {
        hasKeys = !ContentMap.Steps().GetCurrent()[kKindQuery].empty();
      } else {
        TNNKeys keys;
        int32_t count = 0;
        ContentMap.GetQueryKeys(2, keys, count);
        hasKeys = count > 0;
      }
      const bool hasDocuments = !PageList.empty();
      EmptyRefreshes = hasDocuments ? 0 : EmptyRefreshes + 1;
      if (!hasDocuments && Config.Settings.AutoRefresh && hasKeys && EmptyRefreshes <= 2) {
        // Searched again after the current handler, never inside it (the
        // end of a search shows its page).
        LogFile.Log("The page lists no document: the query is searched again");
        if (View) {
          View->PostToUi([this] { StartNewSearch(); });
        } else {
          StartNewSearch();
        }
        return;
      }
      if (!hasKeys) {
        mode = kPageModeNoQuery;
      } else if (Run.Engine && Run.Engine->Status() == ISearchEngine::kStatusNoConnection) {
        mode = kPageModeNoConnection;
      } else if (!hasDocuments && Run.SearchJustRan && Run.SearchEnd.Early()) {
        // Stopped before a page was read: the page says so, not "nothing
        // found".
        mode = kPageModeNoConnection;
      } else if (!hasDocuments && Run.SearchJustRan) {
        EmptyRefreshes = 0;
        mode = kPageModeNothingFound;
      } else {
        mode = hasDocuments ? kPageModeResults : (Project.Documents.empty() ? kPageModeNothingFound : kPageModeNoMatch);
      }
    }
    LastPageMode = mode;
    Run.SearchJustRan = false;
    PageResults.SearchNotice = ViewMode == kViewNormal ? Run.SearchNoticeForPage(mode) : std::u16string();
    if (PageResults.TemplateLanguage != Config.InterfaceLang || PageResults.TemplatePath().empty()) {
      PageResults.TemplateLanguage = Config.InterfaceLang;
      PageResults.SetTemplatePath(Utf16ToUtf8(Config.TemplateFolder()));
    }
    WritePage(PageResults.BuildPage(mode, ResultPageNumber, Project.Counters, page));
  } catch (const std::exception& error) {
    LogFile.Log(std::string("The result page could not be shown: ") + error.what(), 2);
  }
}

std::u16string TKestruneSession::StopWordsPageFrom(std::u16string page, const std::vector<std::u16string>& words) {
  std::u16string rows;
  for (size_t i = 0; i < words.size(); ++i) {
    rows += u"<tr style=\"padding-top:5px;\"><td width=80><nobr><a href=\"reanimate_stop_word" +
            Dec(static_cast<int64_t>(i)) + u"\">" + TPageResults::EscapeText(words[i]) +
            u"</a></nobr></td></tr>";
  }
  ReplaceToken(page, u"$cmap_count_stop_words", Dec(static_cast<int64_t>(words.size())));
  ReplaceToken(page, u"$stop_words", rows);
  return page;
}

std::u16string TKestruneSession::StopWordsPage() {
  if (PageResults.TemplatePath().empty()) PageResults.SetTemplatePath(Utf16ToUtf8(Config.TemplateFolder()));
  const std::u16string file = Utf8ToUtf16(PageResults.TemplatePath()) + u"blank6.html";
  std::string bytes;
  if (!ReadWholeFile(file, bytes)) {
    LogFile.Log("The stop-word page " + Utf16ToUtf8(file) + " cannot be read; an empty page is shown", 2);
    return u"";
  }
  std::u16string text;
  if (!Utf8ToWide(bytes, text)) text = Utf8ToUtf16(bytes);
  return StopWordsPageFrom(std::move(text), Project.StopWords);
}

void TKestruneSession::WritePage(const std::u16string& html) {
  LastPageHtml = html;
  PageNotWritten = true;
  if (!View) return;
  View->ClearPageSelection();
  View->ShowHtml(html);
  View->ScrollPageTo(Utf8ToUtf16(ScrollAnchor));
  ScrollAnchor.clear();
}

void TKestruneSession::EmbeddedWB1DocumentComplete() {
  if (PendingBuild.Pending) {
    const TPendingPageBuild build = PendingBuild;
    PendingBuild = TPendingPageBuild();
    ShowResults(build.Kind == 1 ? build.EditIndex : kEditNone, build.Kind == 1 ? kPageModeChosenForEdit : kPageModeChosen);
    return;
  }
  PageNotWritten = false;
}

// ---------------------------------------------------------------------------
// The cluster table

void TKestruneSession::RefreshClusterTable() {
  const TControlKeyLists& step = ContentMap.Steps().GetCurrent();
  TNNKeys included;
  for (const TControlKeyCell& cell : step[kKindQuery]) included.push_back({cell.Key.Id, 1.0f});
  for (const TControlKeyCell& cell : step[kKindExcluded]) included.push_back(cell.Key);
  TNNKeys excluded;
  for (const TControlKeyCell& cell : step[kKindDocuments]) excluded.push_back(cell.Key);
  for (const TControlKeyCell& cell : step[kKindMarks]) excluded.push_back(cell.Key);
  ClusterTable.clear();
  if (Config.Settings.ClustersResult) return;
  int32_t count = 50;
  TNNKeys found;
  IContextMS1.GetFiles(included, excluded, count, found, Config.MatchSetting);
  count = std::clamp<int32_t>(count, 0, static_cast<int32_t>(found.size()));
  for (int32_t i = 0; i < count; ++i) {
    TClusterEntry entry;
    entry.Value1 = found[static_cast<size_t>(i)].Id;
    entry.Files.push_back(found[static_cast<size_t>(i)]);
    ClusterTable.push_back(std::move(entry));
  }
}

// ---------------------------------------------------------------------------
// Document ordering

void TKestruneSession::OrderPageDocuments() {
  IControlKeys& steps = ContentMap.Steps();
  const int32_t n = static_cast<int32_t>(Project.Documents.size());
  auto listDocument = [&](int32_t id) { PageDocumentIds.push_back(id); };
  PageDocumentIds.clear();

  if (IsMarksView(ViewMode)) {
    // The removed links or the hidden sites, in the order of their marks.
    for (const TControlKeyCell& cell : steps.GetCurrent()[kKindMarks]) {
      const int32_t id = cell.Key.Id;
      const float mark = cell.Key.Weight;
      if (id < 0 || id >= n) continue;
      if (mark == kMarkRemovedAndHidden || (ViewMode == kViewRemovedLinks && mark == kMarkRemovedLink) ||
          (ViewMode == kViewHiddenSites && mark == kMarkHiddenSite)) {
        listDocument(id);
      }
    }
    return;
  }

  Project.Counters.FavoriteLinks = 0;
  Project.Counters.NewLinks = 0;
  Project.Counters.OldLinks = 0;
  ContentMap.ResultFiles().clear();

  TNNKeys ranking;
  if (ContentMap.NoQueryMode()) {
    PrepareScopeView();
    for (int32_t i = 0; i < n; ++i) ranking.push_back({i, static_cast<float>(i)});
  } else {
    const bool excludedView = ContentMap.ExcludedMode();
    TNNKeys keys;
    for (const TControlKeyCell& cell : steps.GetCurrent()[kKindQuery]) {
      keys.push_back({cell.Key.Id, excludedView ? kExcludedWeight : cell.Key.Weight});
    }
    for (const TControlKeyCell& cell : steps.GetCurrent()[kKindExcluded]) {
      keys.push_back({cell.Key.Id, excludedView ? 1.0f : cell.Key.Weight});
    }
    int32_t count = n;
    IContextMS1.GetFiles(keys, TNNKeys(), count, ranking, Config.MatchSetting);
    ranking.resize(static_cast<size_t>(std::clamp<int32_t>(count, 0, static_cast<int32_t>(ranking.size()))));
  }

  steps.ClearKind(kKindDocuments, true);
  std::vector<bool> marked(static_cast<size_t>(n), false);
  for (const TControlKeyCell& cell : steps.GetCurrent()[kKindMarks]) {
    if (cell.Key.Id >= 0 && cell.Key.Id < n) marked[static_cast<size_t>(cell.Key.Id)] = true;
  }
  std::vector<bool> retained(static_cast<size_t>(n), false);
  TNNKeys kept;
  for (const TNNKey& entry : ranking) {
    const int32_t id = entry.Id;
    if (id < 0 || id >= n || marked[static_cast<size_t>(id)] || retained[static_cast<size_t>(id)]) continue;
    const TMetaSearchList& document = Project.Documents[static_cast<size_t>(id)];
    if (document.Step > Project.StepNumber || !ViewTakes(ViewMode, document.Flags)) continue;
    if ((document.Flags & kFlagOld) != 0) {
      ++Project.Counters.OldLinks;
    } else if ((document.Flags & kFlagNew) != 0) {
      ++Project.Counters.NewLinks;
    }
    if ((document.Flags & kFlagFavorite) != 0) ++Project.Counters.FavoriteLinks;
    steps.SetKey(kKindDocuments, {id, 1.0f}, true);
    ContentMap.ResultFiles().push_back({id, 1.0f});
    retained[static_cast<size_t>(id)] = true;
    kept.push_back(entry);
  }
  TIContextMS::SortByWeight(kept, static_cast<int32_t>(kept.size()));
  if (IsFlagsView(ViewMode)) {
    // The rest of the view after what the network reached, in the order in
    // which the documents entered the project; a removed or hidden document
    // keeps its flags and stays out of these views too.
    for (int32_t id = 0; id < n; ++id) {
      const TMetaSearchList& document = Project.Documents[static_cast<size_t>(id)];
      if (retained[static_cast<size_t>(id)] || marked[static_cast<size_t>(id)] || document.Step > Project.StepNumber ||
          !ViewTakes(ViewMode, document.Flags)) {
        continue;
      }
      kept.push_back({id, 0.0f});
    }
  }
  for (const TNNKey& entry : kept) listDocument(entry.Id);
}

void TKestruneSession::PrepareScopeView() {
  IControlKeys& steps = ContentMap.Steps();
  steps.ClearKind(kKindQuery, true);
  steps.ClearKind(kKindExcluded, true);
  SetEnabled(TMainControl::ibitmapButton1, false);
  SetVisible(TMainControl::IBitmapButton4, false);
  // The query view, without the rebuild of the switch: this runs inside one.
  if (ContentMap.ExcludedMode()) {
    ContentMap.SetExcludedMode(false);
    ContentMap.SetHoveredKey(-1);
    ContentMap.SetAnchorKey(-1);
    ContentMap.SetClickedKey(-1);
  }
  if (View) {
    View->SetDown(TMainControl::IBitmapButton2, true);
    View->SetDown(TMainControl::IBitmapButton4, false);
  }
  // Silent throughout: the scope view is no change of the query that would
  // cut the steps ahead.
  TNNKeys included;
  TNNKeys excluded;
  ScopeUnionKeys(included, excluded);
  for (const TNNKey& key : excluded) steps.SetKey(kKindExcluded, key, true);
  for (const TNNKey& key : included) steps.SetKey(kKindQuery, key, true);
  ContentMap.SetNoQueryMode(true);
  steps.SetValue(kKindSettings, kSettingNoQuery, 1.0f, true);
}

void TKestruneSession::ScopeUnionKeys(TNNKeys& included, TNNKeys& excluded) const {
  // Every excluded key of every scope, then the included keys gathered: the
  // first occurrence of an id enters with weight 1, each further one adds 1,
  // and the weights are divided by the largest (at least 1). An included key
  // is no excluded one.
  included.clear();
  excluded.clear();
  const TTScopeWords scopes = Project.Scope.GetScopes();
  std::unordered_map<int32_t, size_t> place;
  for (const TScopeWords& scope : scopes) {
    for (const TNNKey& key : scope.Included) {
      const auto [it, added] = place.emplace(key.Id, included.size());
      if (added) {
        included.push_back({key.Id, 1.0f});
      } else {
        included[it->second].Weight += 1.0f;
      }
    }
  }
  float largest = 1.0f;
  for (const TNNKey& key : included) largest = std::max(largest, key.Weight);
  for (TNNKey& key : included) key.Weight /= largest;
  for (const TScopeWords& scope : scopes) {
    for (const TNNKey& key : scope.Excluded) {
      const bool seen = std::any_of(excluded.begin(), excluded.end(), [&key](const TNNKey& k) { return k.Id == key.Id; });
      if (!seen && place.count(key.Id) == 0) excluded.push_back(key);
    }
  }
}

void TKestruneSession::TakeScopeUnionAsQuery() {
  IControlKeys& steps = ContentMap.Steps();
  TNNKeys included;
  TNNKeys excluded;
  ScopeUnionKeys(included, excluded);
  // The step's own exclusions stay, and win over the union's query words.
  const TControlKeyList own = steps.GetCurrent()[kKindExcluded];
  const auto excludedByStep = [&own](int32_t id) {
    return std::any_of(own.begin(), own.end(), [id](const TControlKeyCell& cell) { return cell.Key.Id == id; });
  };
  steps.ClearKind(kKindQuery, true);
  for (const TNNKey& key : excluded) steps.SetKey(kKindExcluded, key, true);
  for (const TNNKey& key : included) {
    if (!excludedByStep(key.Id)) steps.SetKey(kKindQuery, key, true);
  }
  ContentMap.SetNoQueryMode(false);
  steps.SetValue(kKindSettings, kSettingNoQuery, 0.0f, true);
}

// ---------------------------------------------------------------------------
// View modes

void TKestruneSession::SetViewMode(int32_t mode) {
  if (mode == ViewMode) return;
  ViewMode = mode;
  if (IsMarksView(mode) || mode == kViewStopWords) {
    if (IsMarksView(mode) && IsQueryBoxVisible()) DrawAndEventMap1Click();
    if (MapView) MapView->EnterState(IMapViewOps::kStateBusy);
    ContentMap.SetDimmed(true);
  } else {
    if (MapView) MapView->LeaveState(IMapViewOps::kStateBusy);
    ContentMap.SetDimmed(false);
  }
  ContentMapReGenerate();
  ShowResults(kEditNone, kPageModeChosen);
}

void TKestruneSession::ViewButtonClick(TMainControl button) {
  for (int32_t i = 0; i < kViewButtonCount; ++i) {
    if (kViewButtons[i] != button) continue;
    SetViewMode(View && View->Down(button) ? kViewRemovedLinks + i : kViewNormal);
    return;
  }
}

void TKestruneSession::UpdateViewButtons() {
  if (!View) return;
  const int32_t counts[] = {Project.Counters.RemovedLinks, Project.Counters.HiddenSites,    Project.Counters.AllNewLinks,
                            Project.Counters.AllOldLinks,  Project.Counters.AllFavoriteLinks, static_cast<int32_t>(Project.StopWords.size())};
  for (int32_t i = 0; i < kViewButtonCount; ++i) {
    const bool current = ViewMode == kViewRemovedLinks + i;
    // The button of the view shown stays usable, so the view can be left.
    View->SetEnabled(kViewButtons[i], counts[i] > 0 || current);
    View->SetText(kViewLabels[i], Dec(counts[i]));
    View->SetDown(kViewButtons[i], current);
  }
}

}  // namespace kestrune
