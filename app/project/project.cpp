// The project's documents: the merge of a search, deleting a class of them
// with every reference renumbered, the marks of hidden sites, the counters
// recounted from the flags and the marks, and the stop-word list.
#include "app/project/project.h"

#include <algorithm>
#include <unordered_map>

#include "app/site_of_url.h"
#include "core/log_file.h"
#include "platform/text.h"

namespace kestrune {

namespace {

// The label's bare running number: the text before the first " - ".
void CutLabel(std::string& label) {
  const size_t dash = label.find(" - ");
  if (dash != std::string::npos) label.resize(dash);
}

bool SameWord(std::u16string_view a, std::u16string_view b) {
  return platform::WideLowerCase(a) == platform::WideLowerCase(b);
}

}  // namespace

TProject::TProject() { IMetaList.SetCaseSensitivity(true); }

void TProject::Clear() {
  Documents.clear();
  IMetaList.Clear();
  StepKeys.clear();
  StepNumber = 0;
  Counters = TDocumentCounters();
  StopWords.clear();
  HiddenSites.clear();
  ProjectJustOpened = false;
}

std::u16string TProject::MetaListKey(std::string_view url) {
  std::u16string key(url.size(), u'\0');
  std::transform(url.begin(), url.end(), key.begin(), [](char c) { return static_cast<char16_t>(static_cast<uint8_t>(c)); });
  return key;
}

int32_t TProject::DocumentOfUrl(std::string_view url) {
  if (url.empty()) return -1;
  TWordVariant hit;
  if (IMetaList.FindFirst(MetaListKey(url), hit, 0) > 0) {
    for (int32_t id = hit.WordIndex; id >= 0; id = IMetaList.FindNext(hit)) {
      if (id < static_cast<int32_t>(Documents.size()) && Documents[static_cast<size_t>(id)].Url == url) return id;
    }
  }
  for (size_t i = 0; i < Documents.size(); ++i) {
    if (Documents[i].Url == url) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t TProject::MergeResults(const TMetaSearchList2& results, TNNKeys queryKeys, IControlKeys& steps,
                               const std::function<bool(std::string_view url)>& refused) {
  const int32_t n = static_cast<int32_t>(std::min<size_t>(results.size(), INT32_MAX));
  if (n == 0) return 0;
  // 1. The query's keys become a new StepKeys entry.
  const int32_t q = static_cast<int32_t>(StepKeys.size());
  StepKeys.push_back(std::move(queryKeys));
  StepNumber = q + 1;
  steps.SetValue(kKindSettings, kSettingStepNumber, static_cast<float>(StepNumber));

  // 2. Each item joins the document of its URL, or makes a new one.
  for (int32_t i = 0; i < n; ++i) {
    const TMetaSearchList& item = results[static_cast<size_t>(i)];
    if (refused && refused(item.Url)) {
      LogFile.Log("MergeResults: the address \"" + item.Url + "\" would be a command of the page; the item is skipped",
                  1);
      continue;
    }
    const int32_t before = IMetaList.Count();
    const int32_t d = IMetaList.AddWord(MetaListKey(item.Url), 0, -1);
    if (d < 0) {
      LogFile.Log("MergeResults: the address \"" + item.Url + "\" cannot be kept; the item is skipped", 1);
      continue;
    }
    const bool known = d < before && static_cast<size_t>(d) < Documents.size();
    if (static_cast<size_t>(d) >= Documents.size()) Documents.resize(static_cast<size_t>(d) + 1);
    TMetaSearchList& document = Documents[static_cast<size_t>(d)];
    if (known) {
      // The annotation grows only by text it does not hold yet.
      if (!item.Annotation.empty() && document.Annotation.find(item.Annotation) == std::u16string::npos) {
        document.Annotation += u" ";
        document.Annotation += item.Annotation;
      }
    } else {
      document = TMetaSearchList();
      document.Url = item.Url;
      document.Title = item.Title;
      document.Annotation = item.Annotation;
      document.ItemText = item.ItemText;
      document.Step = StepNumber;
    }
    document.Position = i;
    document.QueryNumber = q;
    document.Label = item.Label;
  }

  // 3. Documents of earlier searches move behind this one's items; those
  // of the search before keep the bare running number of their label.
  for (TMetaSearchList& document : Documents) {
    if (document.QueryNumber != q) document.Position += n;
    if (document.QueryNumber == q - 1) CutLabel(document.Label);
  }
  return n;
}

void TProject::SetStepKeys(int32_t entry, TNNKeys keys) {
  if (entry >= 0 && static_cast<size_t>(entry) < StepKeys.size()) StepKeys[static_cast<size_t>(entry)] = std::move(keys);
}

int32_t TProject::SetUserDocument(int32_t index, int32_t pageDocument, const std::string& url, std::u16string title,
                                  std::u16string annotation) {
  int32_t d = DocumentOfUrl(url);
  if (d < 0 && index == -1) {
    d = IMetaList.AddWord(MetaListKey(url), 0, -1);
    if (d < 0) {
      LogFile.Log("The document " + url + " cannot be added: the address list is full", 2);
      return -1;
    }
    for (TMetaSearchList& document : Documents) ++document.Position;
    if (static_cast<size_t>(d) >= Documents.size()) Documents.resize(static_cast<size_t>(d) + 1);
    Documents[static_cast<size_t>(d)] = TMetaSearchList();
  } else if (d < 0) {
    d = pageDocument;
    TWDWord* known = d >= 0 ? IMetaList.GetWord(d) : nullptr;
    if (!known || d >= static_cast<int32_t>(Documents.size())) return -1;
    known->SetText(MetaListKey(url));
  }
  TMetaSearchList& document = Documents[static_cast<size_t>(d)];
  document.Url = url;
  document.QueryNumber = static_cast<int32_t>(StepKeys.size()) - 1;
  document.Step = StepNumber;
  document.ItemText.clear();
  document.Flags = 0;
  document.Value = 0.0f;
  document.Title = std::move(title);
  document.Annotation = std::move(annotation);
  document.Label = "User";
  return d;
}

std::vector<int32_t> TProject::DeleteDocuments(int32_t documentClass, IControlKeys& steps) {
  const int32_t n = static_cast<int32_t>(Documents.size());
  std::vector<float> mark(static_cast<size_t>(n), 0.0f);
  for (const TControlKeyCell& cell : steps.GetCurrent()[kKindMarks]) {
    if (cell.Key.Id >= 0 && cell.Key.Id < n) mark[static_cast<size_t>(cell.Key.Id)] = cell.Key.Weight;
  }
  std::vector<bool> keep(static_cast<size_t>(n), true);
  int32_t deleted = 0;
  for (int32_t i = 0; i < n; ++i) {
    const TMetaSearchList& document = Documents[static_cast<size_t>(i)];
    const float m = mark[static_cast<size_t>(i)];
    // Old links are those the old-links view lists: a removed or hidden
    // document keeps its flag but is none of them.
    const bool inClass = (documentClass == dcOldLinks && m == 0.0f && (document.Flags & kFlagOld) != 0) ||
                         (documentClass == dcRemovedLinks && IsRemovedMark(m)) ||
                         (documentClass == dcHiddenSites && IsHiddenMark(m));
    if (inClass || document.Step > StepNumber) {
      keep[static_cast<size_t>(i)] = false;
      ++deleted;
    }
  }

  // Holes are filled from the end: the last kept document moves into the
  // first hole, and so on.
  std::vector<int32_t> newIds(static_cast<size_t>(n), -1);
  int32_t last = n - 1;
  for (int32_t i = 0; i <= last; ++i) {
    if (keep[static_cast<size_t>(i)]) {
      newIds[static_cast<size_t>(i)] = i;
      continue;
    }
    while (last > i && !keep[static_cast<size_t>(last)]) --last;
    if (last <= i) break;
    newIds[static_cast<size_t>(last)] = i;
    Documents[static_cast<size_t>(i)] = std::move(Documents[static_cast<size_t>(last)]);
    --last;
  }
  Documents.resize(static_cast<size_t>(n - deleted));

  // Every reference of the steps follows its document: the documents used
  // as keys, the marks and the announced document.
  for (const int32_t kind : {kKindDocuments, kKindMarks, kKindAnnounced}) steps.RenumberKind(kind, newIds);
  // The counters that the other steps keep for Undo and Redo count what is
  // left of their marks (the current step's are rebuilt below).
  for (int32_t step = 0; step < IControlKeys::kStepCount; ++step) {
    const TControlKeyLists& lists = steps.GetStep(step);
    if (step == steps.CurrentStep() || (lists[kKindRemovedLinks].empty() && lists[kKindHiddenSites].empty())) continue;
    std::vector<std::string> sites;
    const int32_t removed = CountMarks(lists[kKindMarks], sites);
    if (!lists[kKindRemovedLinks].empty()) {
      steps.SetValueOfStep(kKindRemovedLinks, step, 0, static_cast<float>(removed));
    }
    if (!lists[kKindHiddenSites].empty()) {
      steps.SetValueOfStep(kKindHiddenSites, step, 0, static_cast<float>(sites.size()));
    }
  }

  // The query keys of undone searches go with their documents.
  if (StepNumber >= 0 && static_cast<int32_t>(StepKeys.size()) > StepNumber) {
    StepKeys.resize(static_cast<size_t>(StepNumber));
  }
  const int32_t lastKeys = static_cast<int32_t>(StepKeys.size()) - 1;
  for (TMetaSearchList& document : Documents) document.QueryNumber = std::min(document.QueryNumber, lastKeys);

  IMetaList.Clear();
  for (size_t i = 0; i < Documents.size(); ++i) {
    const int32_t id = IMetaList.AddWord(MetaListKey(Documents[i].Url), 0, -1);
    if (id != static_cast<int32_t>(i)) {
      LogFile.Log("The document addresses could not be listed again in their order (" + Documents[i].Url + ")", 2);
    }
  }
  RebuildMarkCounters(steps);
  Counters.NewLinks = Counters.OldLinks = Counters.FavoriteLinks = 0;
  RecountDocuments(steps);
  lastDeleted_ = deleted;
  return newIds;
}

bool TProject::MarkOf(const IControlKeys& steps, int32_t document, float& mark) {
  const int32_t at = steps.IndexOf(kKindMarks, document);
  if (at < 0) return false;
  mark = steps.GetCurrent()[kKindMarks][static_cast<size_t>(at)].Key.Weight;
  return true;
}

void TProject::HideDocumentsOfSites(const std::vector<std::string>& sites, IControlKeys& steps) {
  // The documents of the sites asked for, each document's site worked out
  // once.
  std::unordered_map<std::string, std::vector<int32_t>> ofSite;
  for (const std::string& site : sites) ofSite.emplace(site, std::vector<int32_t>());
  for (size_t j = 0; j < Documents.size(); ++j) {
    const auto found = ofSite.find(SiteOfUrl(Documents[j].Url));
    if (found != ofSite.end()) found->second.push_back(static_cast<int32_t>(j));
  }
  std::vector<int32_t> keysNoMore;
  for (const std::string& site : sites) {
    std::vector<int32_t>& documents = ofSite[site];
    for (const int32_t id : documents) {
      float mark = 0.0f;
      if (steps.IndexOf(kKindDocuments, id) >= 0) {
        keysNoMore.push_back(id);
        steps.SetValue(kKindMarks, id, kMarkHiddenSite);
      } else if (!MarkOf(steps, id, mark)) {
        steps.SetValue(kKindMarks, id, kMarkHiddenSite);
      } else if (mark == kMarkRemovedLink) {
        steps.SetValue(kKindMarks, id, kMarkRemovedAndHidden);
      }
    }
    documents.clear();  // a site named twice is hidden once
  }
  steps.RemoveIds(kKindDocuments, keysNoMore);
  // The hidden documents keep their flags (a favourite stays one when its
  // site is shown again); the counters count the documents shown.
  RecountDocuments(steps);
}

void TProject::RecountDocuments(const IControlKeys& steps) {
  Counters.Total = 0;
  Counters.AllNewLinks = 0;
  Counters.AllOldLinks = 0;
  Counters.AllFavoriteLinks = 0;
  // A removed or hidden document keeps its flags, but only the documents
  // shown are counted by them.
  const int32_t n = static_cast<int32_t>(Documents.size());
  std::vector<bool> marked(static_cast<size_t>(n), false);
  for (const TControlKeyCell& cell : steps.GetCurrent()[kKindMarks]) {
    if (cell.Key.Id >= 0 && cell.Key.Id < n) marked[static_cast<size_t>(cell.Key.Id)] = true;
  }
  for (int32_t i = 0; i < n; ++i) {
    const TMetaSearchList& document = Documents[static_cast<size_t>(i)];
    if (document.Step > StepNumber) continue;
    ++Counters.Total;
    if (marked[static_cast<size_t>(i)]) continue;
    if ((document.Flags & kFlagOld) != 0) {
      ++Counters.AllOldLinks;
    } else if ((document.Flags & kFlagNew) != 0) {
      ++Counters.AllNewLinks;
    }
    if ((document.Flags & kFlagFavorite) != 0) ++Counters.AllFavoriteLinks;
  }
}

int32_t TProject::CountMarks(const TControlKeyList& marks, std::vector<std::string>& sites) const {
  int32_t removed = 0;
  sites.clear();
  for (const TControlKeyCell& cell : marks) {
    const int32_t id = cell.Key.Id;
    if (id < 0 || id >= static_cast<int32_t>(Documents.size())) continue;
    if (IsRemovedMark(cell.Key.Weight)) ++removed;
    if (IsHiddenMark(cell.Key.Weight)) {
      const std::string site = SiteOfUrl(Documents[static_cast<size_t>(id)].Url);
      if (!site.empty() && std::find(sites.begin(), sites.end(), site) == sites.end()) sites.push_back(site);
    }
  }
  return removed;
}

void TProject::RebuildMarkCounters(IControlKeys& steps) {
  Counters.RemovedLinks = CountMarks(steps.GetCurrent()[kKindMarks], HiddenSites);
  Counters.HiddenSites = static_cast<int32_t>(HiddenSites.size());
  steps.SetValue(kKindRemovedLinks, 0, static_cast<float>(Counters.RemovedLinks), true);
  steps.SetValue(kKindHiddenSites, 0, static_cast<float>(Counters.HiddenSites), true);
}

std::unordered_set<int32_t> TProject::ScopeReach(TIContextMS& network) const {
  const int32_t n = static_cast<int32_t>(Documents.size());
  std::unordered_set<int32_t> reached;
  for (const TScopeWords& scope : Scope.GetScopes()) {
    TNNKeys keys = scope.Included;
    keys.insert(keys.end(), scope.Excluded.begin(), scope.Excluded.end());
    int32_t count = n;
    TNNKeys found;
    network.GetFiles(keys, TNNKeys(), count, found, 2);
    count = std::clamp<int32_t>(count, 0, static_cast<int32_t>(found.size()));
    for (int32_t i = 0; i < count; ++i) reached.insert(found[static_cast<size_t>(i)].Id);
  }
  return reached;
}

void TProject::MarkScopeDocuments(const std::unordered_set<int32_t>& reached, const IControlKeys& steps) {
  const int32_t n = static_cast<int32_t>(Documents.size());
  std::vector<bool> marked(static_cast<size_t>(n), false);
  for (const TControlKeyCell& cell : steps.GetCurrent()[kKindMarks]) {
    if (cell.Key.Id >= 0 && cell.Key.Id < n) marked[static_cast<size_t>(cell.Key.Id)] = true;
  }
  Counters.AllOldLinks = 0;
  Counters.AllNewLinks = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (marked[static_cast<size_t>(i)]) continue;
    TMetaSearchList& document = Documents[static_cast<size_t>(i)];
    if (reached.count(i) != 0) {
      document.Flags &= ~kFlagOld;
    } else {
      document.Flags |= kFlagOld;
    }
    // Documents of undone searches are flagged but not counted: they are
    // not shown.
    if (document.Step > StepNumber) continue;
    if ((document.Flags & kFlagOld) != 0) {
      ++Counters.AllOldLinks;
    } else if ((document.Flags & kFlagNew) != 0) {
      ++Counters.AllNewLinks;
    }
  }
}

bool TProject::AddScope(const TNNKeys& included, const TNNKeys& excluded) {
  if (included.empty()) return false;
  const int32_t count = Scope.Count();
  Scope.Add(included, excluded);
  return Scope.Count() != count;
}

bool TProject::ReplaceScope(int32_t index, const TNNKeys& included, const TNNKeys& excluded) {
  const TTScopeWords before = Scope.GetScopes();
  Scope.Replace(index, included, excluded);
  return Scope.GetScopes() != before;
}

void TProject::ApplyStep(const TStepState& state) {
  if (state.RemovedLinks) Counters.RemovedLinks = *state.RemovedLinks;
  if (state.HiddenSites) Counters.HiddenSites = *state.HiddenSites;
  if (state.StepNumber) StepNumber = *state.StepNumber;
  if (state.Scopes) Scope.SetScopes(*state.Scopes);
  if (state.ScopeIndex) Scope.SetCurrent(*state.ScopeIndex);
}

void TProject::AddStopWord(std::u16string_view text) {
  if (!text.empty() && !IsStopWordListed(text)) StopWords.emplace_back(text);
}

bool TProject::RemoveStopWord(std::u16string_view text) {
  // The list holds a word once, in any letter case.
  return std::erase_if(StopWords, [text](const std::u16string& w) { return SameWord(w, text); }) > 0;
}

bool TProject::IsStopWordListed(std::u16string_view text) const {
  return std::any_of(StopWords.begin(), StopWords.end(), [text](const std::u16string& w) { return SameWord(w, text); });
}

}  // namespace kestrune
