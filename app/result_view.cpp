// The result view: the page mode chosen from the view and the search state,
// the stop-word page, the write into the browser control, the document
// ordering that fills the page list at every map rebuild, the scope view's
// keys, the view modes and their buttons, the cluster table and the
// recommended exclusions.
#include "app/result_view.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <unordered_map>
#include <unordered_set>

#include "app/kestrune_session.h"
#include "core/log_file.h"
#include "core/message_strings.h"
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

bool HasId(const TControlKeyList& list, int32_t id) {
  return std::any_of(list.begin(), list.end(), [id](const TControlKeyCell& cell) { return cell.Key.Id == id; });
}

// Percent-encodes the UTF-8 of a text for an href (unreserved bytes stay).
std::u16string HrefEncoded(std::u16string_view text) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string out;
  for (const char c : Utf16ToUtf8(text)) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' || b == '.' ||
        b == '_' || b == '~') {
      out += static_cast<char16_t>(b);
    } else {
      out += u'%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

}  // namespace

TResultView::TResultView(TKestruneSession& session)
    : PageList(&session.Project.Documents, &PageDocumentIds), s_(session) {
  PageResults.PageList = PageList;
}

void TResultView::Clear() {
  ViewMode = kViewNormal;
  PageDocumentIds.clear();
  EmptyRefreshes = 0;
  ScrollAnchor.clear();
  PendingBuild = TPendingPageBuild();
  ClusterTable.clear();
}

// ---------------------------------------------------------------------------
// ShowResults

void TResultView::ShowResults(int32_t page, int32_t mode) {
  try {
    // The counters of all documents follow their flags and steps.
    s_.RecountDocuments();
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
      if (s_.ContentMap.NoQueryMode()) {
        hasKeys = !s_.ContentMap.Steps().GetCurrent()[kKindQuery].empty();
      } else {
        TNNKeys keys;
        int32_t count = 0;
        s_.ContentMap.GetQueryKeys(2, keys, count);
        hasKeys = count > 0;
      }
      const bool hasDocuments = !PageList.empty();
      EmptyRefreshes = hasDocuments ? 0 : EmptyRefreshes + 1;
      if (!hasDocuments && s_.Config.Settings.AutoRefresh && hasKeys && EmptyRefreshes <= 2) {
        // Searched again after the current handler, never inside it (the
        // end of a search shows its page).
        LogFile.Log("The page lists no document: the query is searched again");
        if (s_.View) {
          s_.View->PostToUi([this] { s_.StartNewSearch(); });
        } else {
          s_.StartNewSearch();
        }
        return;
      }
      if (!hasKeys) {
        mode = kPageModeNoQuery;
      } else if (s_.Run.Engine && s_.Run.Engine->Status() == ISearchEngine::kStatusNoConnection) {
        mode = kPageModeNoConnection;
      } else if (!hasDocuments && s_.Run.SearchJustRan && s_.Run.SearchEnd.Early()) {
        // Stopped before a page was read: the page says so, not "nothing
        // found".
        mode = kPageModeNoConnection;
      } else if (!hasDocuments && s_.Run.SearchJustRan) {
        EmptyRefreshes = 0;
        mode = kPageModeNothingFound;
      } else {
        mode = hasDocuments ? kPageModeResults : (s_.Project.Documents.empty() ? kPageModeNothingFound : kPageModeNoMatch);
      }
    }
    LastPageMode = mode;
    s_.Run.SearchJustRan = false;
    PageResults.SearchNotice = ViewMode == kViewNormal ? s_.Run.SearchNoticeForPage(mode) : std::u16string();
    if (PageResults.TemplateLanguage != s_.Config.InterfaceLang || PageResults.TemplatePath().empty()) {
      PageResults.TemplateLanguage = s_.Config.InterfaceLang;
      PageResults.SetTemplatePath(Utf16ToUtf8(s_.Config.TemplateFolder()));
    }
    WritePage(PageResults.BuildPage(mode, ResultPageNumber, s_.Project.Counters, page));
  } catch (const std::exception& error) {
    LogFile.Log(std::string("The result page could not be shown: ") + error.what(), 2);
  }
}

std::u16string TResultView::StopWordsPageFrom(std::u16string page, const std::vector<std::u16string>& words) {
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

std::u16string TResultView::StopWordsPage() {
  if (PageResults.TemplatePath().empty()) PageResults.SetTemplatePath(Utf16ToUtf8(s_.Config.TemplateFolder()));
  const std::u16string file = Utf8ToUtf16(PageResults.TemplatePath()) + u"blank6.html";
  std::string bytes;
  if (!ReadWholeFile(file, bytes)) {
    LogFile.Log("The stop-word page " + Utf16ToUtf8(file) + " cannot be read; an empty page is shown", 2);
    return u"";
  }
  std::u16string text;
  if (!Utf8ToWide(bytes, text)) text = Utf8ToUtf16(bytes);
  return StopWordsPageFrom(std::move(text), s_.Project.StopWords);
}

void TResultView::WritePage(const std::u16string& html) {
  PageNotWritten = true;
  if (!s_.View) return;
  s_.View->ClearPageSelection();
  s_.View->ShowHtml(html);
  s_.View->ScrollPageTo(Utf8ToUtf16(ScrollAnchor));
  ScrollAnchor.clear();
}

void TResultView::DocumentComplete() {
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

void TResultView::RefreshClusterTable() {
  const TControlKeyLists& step = s_.ContentMap.Steps().GetCurrent();
  TNNKeys included;
  for (const TControlKeyCell& cell : step[kKindQuery]) included.push_back({cell.Key.Id, 1.0f});
  for (const TControlKeyCell& cell : step[kKindExcluded]) included.push_back(cell.Key);
  TNNKeys excluded;
  for (const TControlKeyCell& cell : step[kKindDocuments]) excluded.push_back(cell.Key);
  for (const TControlKeyCell& cell : step[kKindMarks]) excluded.push_back(cell.Key);
  ClusterTable.clear();
  if (s_.Config.Settings.ClustersResult) return;
  int32_t count = 50;
  TNNKeys found;
  s_.IContextMS1.GetFiles(included, excluded, count, found, s_.Config.MatchSetting);
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

void TResultView::OrderPageDocuments() {
  IControlKeys& steps = s_.ContentMap.Steps();
  const int32_t n = static_cast<int32_t>(s_.Project.Documents.size());
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

  s_.Project.Counters.FavoriteLinks = 0;
  s_.Project.Counters.NewLinks = 0;
  s_.Project.Counters.OldLinks = 0;
  s_.ContentMap.ResultFiles().clear();

  TNNKeys ranking;
  if (s_.ContentMap.NoQueryMode()) {
    PrepareScopeView();
    for (int32_t i = 0; i < n; ++i) ranking.push_back({i, static_cast<float>(i)});
  } else {
    const bool excludedView = s_.ContentMap.ExcludedMode();
    TNNKeys keys;
    for (const TControlKeyCell& cell : steps.GetCurrent()[kKindQuery]) {
      keys.push_back({cell.Key.Id, excludedView ? kExcludedWeight : cell.Key.Weight});
    }
    for (const TControlKeyCell& cell : steps.GetCurrent()[kKindExcluded]) {
      keys.push_back({cell.Key.Id, excludedView ? 1.0f : cell.Key.Weight});
    }
    int32_t count = n;
    s_.IContextMS1.GetFiles(keys, TNNKeys(), count, ranking, s_.Config.MatchSetting);
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
    const TMetaSearchList& document = s_.Project.Documents[static_cast<size_t>(id)];
    if (document.Step > s_.Project.StepNumber || !ViewTakes(ViewMode, document.Flags)) continue;
    if ((document.Flags & kFlagOld) != 0) {
      ++s_.Project.Counters.OldLinks;
    } else if ((document.Flags & kFlagNew) != 0) {
      ++s_.Project.Counters.NewLinks;
    }
    if ((document.Flags & kFlagFavorite) != 0) ++s_.Project.Counters.FavoriteLinks;
    steps.SetKey(kKindDocuments, {id, 1.0f}, true);
    s_.ContentMap.ResultFiles().push_back({id, 1.0f});
    retained[static_cast<size_t>(id)] = true;
    kept.push_back(entry);
  }
  TIContextMS::SortByWeight(kept, static_cast<int32_t>(kept.size()));
  if (IsFlagsView(ViewMode)) {
    // The rest of the view after what the network reached, in the order in
    // which the documents entered the project; a removed or hidden document
    // keeps its flags and stays out of these views too.
    for (int32_t id = 0; id < n; ++id) {
      const TMetaSearchList& document = s_.Project.Documents[static_cast<size_t>(id)];
      if (retained[static_cast<size_t>(id)] || marked[static_cast<size_t>(id)] || document.Step > s_.Project.StepNumber ||
          !ViewTakes(ViewMode, document.Flags)) {
        continue;
      }
      kept.push_back({id, 0.0f});
    }
  }
  for (const TNNKey& entry : kept) listDocument(entry.Id);
}

void TResultView::PrepareScopeView() {
  IControlKeys& steps = s_.ContentMap.Steps();
  steps.ClearKind(kKindQuery, true);
  steps.ClearKind(kKindExcluded, true);
  if (s_.View) {
    s_.View->SetEnabled(TMainControl::ibitmapButton1, false);
    s_.View->SetVisible(TMainControl::IBitmapButton4, false);
  }
  // The query view, without the rebuild of the switch: this runs inside one.
  if (s_.ContentMap.ExcludedMode()) {
    s_.ContentMap.SetExcludedMode(false);
    s_.ContentMap.SetHoveredKey(-1);
    s_.ContentMap.SetAnchorKey(-1);
    s_.ContentMap.SetClickedKey(-1);
  }
  if (s_.View) {
    s_.View->SetDown(TMainControl::IBitmapButton2, true);
    s_.View->SetDown(TMainControl::IBitmapButton4, false);
  }
  // Silent throughout: the scope view is no change of the query that would
  // cut the steps ahead.
  TNNKeys included;
  TNNKeys excluded;
  ScopeUnionKeys(included, excluded);
  for (const TNNKey& key : excluded) steps.SetKey(kKindExcluded, key, true);
  for (const TNNKey& key : included) steps.SetKey(kKindQuery, key, true);
  s_.ContentMap.SetNoQueryMode(true);
  steps.SetValue(kKindSettings, kSettingNoQuery, 1.0f, true);
}

void TResultView::ScopeUnionKeys(TNNKeys& included, TNNKeys& excluded) const {
  // Every excluded key of every scope, then the included keys gathered: the
  // first occurrence of an id enters with weight 1, each further one adds 1,
  // and the weights are divided by the largest (at least 1). An included key
  // is no excluded one.
  included.clear();
  excluded.clear();
  const TTScopeWords scopes = s_.Project.Scope.GetScopes();
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

void TResultView::TakeScopeUnionAsQuery() {
  IControlKeys& steps = s_.ContentMap.Steps();
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
  s_.ContentMap.SetNoQueryMode(false);
  steps.SetValue(kKindSettings, kSettingNoQuery, 0.0f, true);
}

// ---------------------------------------------------------------------------
// View modes

void TResultView::SetViewMode(int32_t mode) {
  if (mode == ViewMode) return;
  ViewMode = mode;
  if (IsMarksView(mode) || mode == kViewStopWords) {
    if (IsMarksView(mode) && s_.IsQueryBoxVisible()) s_.DrawAndEventMap1Click();
    if (s_.MapView) s_.MapView->EnterState(IMapViewOps::kStateBusy);
    s_.ContentMap.SetDimmed(true);
  } else {
    if (s_.MapView) s_.MapView->LeaveState(IMapViewOps::kStateBusy);
    s_.ContentMap.SetDimmed(false);
  }
  s_.ContentMapReGenerate();
  ShowResults(kEditNone, kPageModeChosen);
}

void TResultView::ViewButtonClick(TMainControl button) {
  for (int32_t i = 0; i < kViewButtonCount; ++i) {
    if (kViewButtons[i] != button) continue;
    SetViewMode(s_.View && s_.View->Down(button) ? kViewRemovedLinks + i : kViewNormal);
    return;
  }
}

void TResultView::UpdateViewButtons() {
  if (!s_.View) return;
  const TDocumentCounters& counters = s_.Project.Counters;
  const int32_t counts[] = {counters.RemovedLinks,     counters.HiddenSites, counters.AllNewLinks, counters.AllOldLinks,
                            counters.AllFavoriteLinks, static_cast<int32_t>(s_.Project.StopWords.size())};
  for (int32_t i = 0; i < kViewButtonCount; ++i) {
    const bool current = ViewMode == kViewRemovedLinks + i;
    // The button of the view shown stays usable, so the view can be left.
    s_.View->SetEnabled(kViewButtons[i], counts[i] > 0 || current);
    s_.View->SetText(kViewLabels[i], Dec(counts[i]));
    s_.View->SetDown(kViewButtons[i], current);
  }
}

// ---------------------------------------------------------------------------
// The recommended exclusions

std::u16string TResultView::GetContextWordsHtml() {
  if (s_.ContentMap.NoQueryMode()) return u"";
  const IControlKeys& steps = s_.ContentMap.Steps();
  const TControlKeyLists& step = steps.GetCurrent();
  const int32_t n = static_cast<int32_t>(s_.Project.Documents.size());

  // The documents the query words reach.
  TNNKeys query;
  for (const TControlKeyCell& cell : step[kKindQuery]) {
    if (cell.Key.Weight == 1.0f) query.push_back(cell.Key);
  }
  std::unordered_set<int32_t> reached;
  if (!query.empty()) {
    int32_t count = n;
    TNNKeys found;
    s_.IContextMS1.GetFiles(query, TNNKeys(), count, found, 0);
    count = std::clamp<int32_t>(count, 0, static_cast<int32_t>(found.size()));
    for (int32_t i = 0; i < count; ++i) reached.insert(found[static_cast<size_t>(i)].Id);
  }

  // The removed documents the query does not reach are the context.
  TNNKeys marks;
  for (const TControlKeyCell& cell : step[kKindMarks]) {
    TNNKey mark = cell.Key;
    if (reached.count(mark.Id) != 0) mark.Weight = 0.0f;
    if (IsRemovedMark(mark.Weight)) mark.Weight = kMarkContext;
    marks.push_back(mark);
  }
  if (std::none_of(marks.begin(), marks.end(), [](const TNNKey& k) { return k.Weight > 0.0f; })) return u"";
  s_.IContextMS1.ClearContextWords();
  s_.IContextMS1.AddContextWords(marks);
  int32_t count = 100;
  TNNKeys words;
  {
    const TWordBudgetScope noBudget(s_.IContextMS1, TIContextMS::kNoBudget);
    s_.IContextMS1.GetWords(TNNKeys(), marks, count, words, 0, 0.01f);
  }
  words.resize(static_cast<size_t>(std::clamp<int32_t>(count, 0, static_cast<int32_t>(words.size()))));
  TNNKeys documents;
  for (const TControlKeyCell& cell : step[kKindDocuments]) documents.push_back(cell.Key);
  s_.IContextMS1.ClearContextWords();
  s_.IContextMS1.AddContextWords(documents);

  // Words of the shown documents that are not in the query.
  TASNLayer* layer = s_.IContextMS1.Network().GetLayer(TIContextMS::kWordLayer);
  std::erase_if(words, [&](const TNNKey& word) {
    if (HasId(step[kKindQuery], word.Id) || HasId(step[kKindExcluded], word.Id)) return true;
    const int32_t element = s_.IContextMS1.FindWordElement(word.Id);
    return !layer || element < 0 || !layer->GetContextSet().Contains(element);
  });
  if (words.size() > 3) {
    float total = 0.0f;
    for (const TNNKey& word : words) total += word.Weight;
    float sum = 0.0f;
    size_t keep = 0;
    while (keep < words.size()) {
      sum += words[keep++].Weight;
      if (sum >= total / 1.4f) break;
    }
    words.resize(std::min<size_t>(keep, 10));
  }
  if (words.empty()) return u"";
  std::u16string html = MessageStrings.smReconded + u"&nbsp;";
  for (const TNNKey& word : words) {
    const std::u16string text = s_.ContentMapGetKeyName(word.Id);
    if (text.empty()) continue;
    html += u"<a href=\"ExcludeWord_" + HrefEncoded(text) + u"\">" + TPageResults::EscapeText(text) + u"</a> ";
  }
  return html;
}

}  // namespace kestrune
