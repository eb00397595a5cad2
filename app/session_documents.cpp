// The project's documents and stop words in TKestruneSession: deleting a
// class of documents (every reference renumbered), the user's own documents,
// the counters recounted from the flags and the marks, and the stop words
// that the map's commands add and take back.
#include <algorithm>

#include "app/kestrune_session.h"
#include "app/site_of_url.h"
#include "core/log_file.h"
#include "platform/text.h"

namespace kestrune {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

namespace {

constexpr int32_t kFlagFavorite = 1;
constexpr int32_t kFlagOld = 2;
constexpr int32_t kFlagNew = 4;

std::u16string Trimmed(std::u16string_view text) {
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
  size_t first = 0;
  size_t last = text.size();
  while (first < last && blank(text[first])) ++first;
  while (last > first && blank(text[last - 1])) --last;
  return std::u16string(text.substr(first, last - first));
}

bool SameWord(std::u16string_view a, std::u16string_view b) {
  return platform::WideLowerCase(a) == platform::WideLowerCase(b);
}

}  // namespace

int32_t TKestruneSession::DocumentOfUrl(std::string_view url) {
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

void TKestruneSession::RecountDocuments() {
  Counters.Total = 0;
  Counters.AllNewLinks = 0;
  Counters.AllOldLinks = 0;
  Counters.AllFavoriteLinks = 0;
  // A removed or hidden document keeps its flags, but only the documents
  // shown are counted by them.
  const int32_t n = static_cast<int32_t>(Documents.size());
  std::vector<bool> marked(static_cast<size_t>(n), false);
  for (const TControlKeyCell& cell : ContentMap.Steps().GetCurrent()[kKindMarks]) {
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

int32_t TKestruneSession::CountMarks(const TControlKeyList& marks, std::vector<std::string>& sites) const {
  int32_t removed = 0;
  sites.clear();
  for (const TControlKeyCell& cell : marks) {
    const int32_t id = cell.Key.Id;
    if (id < 0 || id >= static_cast<int32_t>(Documents.size())) continue;
    if (cell.Key.Weight == -1.0f || cell.Key.Weight == -3.0f) ++removed;
    if (cell.Key.Weight == -2.0f || cell.Key.Weight == -3.0f) {
      const std::string site = SiteOfUrl(Documents[static_cast<size_t>(id)].Url);
      if (!site.empty() && std::find(sites.begin(), sites.end(), site) == sites.end()) sites.push_back(site);
    }
  }
  return removed;
}

void TKestruneSession::RebuildMarkCounters() {
  IControlKeys& steps = ContentMap.Steps();
  Counters.RemovedLinks = CountMarks(steps.GetCurrent()[kKindMarks], HiddenSites);
  Counters.HiddenSites = static_cast<int32_t>(HiddenSites.size());
  steps.SetValue(kKindRemovedLinks, 0, static_cast<float>(Counters.RemovedLinks), true);
  steps.SetValue(kKindHiddenSites, 0, static_cast<float>(Counters.HiddenSites), true);
}

void TKestruneSession::CutForwardSteps() {
  // The ring's cut also empties the current step's copy of the scopes; the
  // step keeps it, so that Undo and Redo still find the list of this step.
  IControlKeys& steps = ContentMap.Steps();
  const TControlKeyList scopes = steps.GetCurrent()[IControlKeys::kScopeWordsKind];
  steps.CutForward();
  for (const TControlKeyCell& cell : scopes) {
    if (cell.HasScopeWords) steps.AddScopeWords(cell.ScopeWords, true);
  }
}

void TKestruneSession::DropUndoneSearches() {
  if (StepNumber < static_cast<int32_t>(StepKeys.size())) DeleteDocuments(0);
}

void TKestruneSession::DeleteDocuments(int32_t documentClass) {
  IControlKeys& steps = ContentMap.Steps();
  // The documents of undone searches go with every class: Redo can no longer
  // bring them back, so the steps ahead go too.
  if (StepNumber < static_cast<int32_t>(StepKeys.size())) CutForwardSteps();
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
    const bool inClass = (documentClass == 1 && m == 0.0f && (document.Flags & kFlagOld) != 0) ||
                         (documentClass == 2 && (m == -1.0f || m == -3.0f)) ||
                         (documentClass == 3 && (m == -2.0f || m == -3.0f));
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

  // Every reference to a document follows it: the marks, the documents used
  // as keys and the announced document of every step, the map's page
  // documents, the page list and the selections.
  for (const int32_t kind : {kKindDocuments, kKindMarks, 5}) steps.RenumberKind(kind, newIds);
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
  auto renumber = [&](TNNKeys& keys) {
    std::erase_if(keys, [&](TNNKey& key) {
      if (key.Id < 0 || key.Id >= n || newIds[static_cast<size_t>(key.Id)] < 0) return true;
      key.Id = newIds[static_cast<size_t>(key.Id)];
      return false;
    });
  };
  renumber(ContentMap.ResultFiles());
  renumber(SelectedDocuments);
  TNNKey& similar = Commands.Selection.SimilarDocumentKey;
  if (similar.Id >= 0) {
    similar.Id = similar.Id < n ? newIds[static_cast<size_t>(similar.Id)] : -1;
  }
  std::vector<TMetaSearchList2> pageList;
  std::vector<int32_t> pageIds;
  for (size_t e = 0; e < PageDocumentIds.size() && e < PageList.size(); ++e) {
    const int32_t id = PageDocumentIds[e];
    if (id < 0 || id >= n || newIds[static_cast<size_t>(id)] < 0) continue;
    pageList.push_back(std::move(PageList[e]));
    pageIds.push_back(newIds[static_cast<size_t>(id)]);
  }
  PageList = std::move(pageList);
  PageDocumentIds = std::move(pageIds);
  ClusterTable.clear();
  Commands.Selection.SelectedCluster = -1;

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
  RebuildMarkCounters();
  Counters.NewLinks = Counters.OldLinks = Counters.FavoriteLinks = 0;
  RecountDocuments();
  if (deleted > 0) {
    LogFile.Log("Deleted " + std::to_string(deleted) + " documents of class " + std::to_string(documentClass));
    FeedNetworkAgain();
  }
}

void TKestruneSession::MakeStopWord(int32_t wordId) {
  TWDWord* word = WordDictionary.GetWord(wordId);
  if (!word) return;
  const int32_t element = IContextMS1.FindWordElement(wordId);
  if (element >= 0) {
    if (TASNElement* e = IContextMS1.Network().GetElement({TIContextMS::kWordLayer, element})) e->SetAnchor(0.0f);
  }
  const std::u16string text = word->GetText();
  if (!text.empty() && std::none_of(StopWords.begin(), StopWords.end(),
                                    [&](const std::u16string& w) { return SameWord(w, text); })) {
    StopWords.push_back(text);
  }
  word->SetFlags(static_cast<uint16_t>(word->GetFlags() | TWDWord::kFlagMark));
}

void TKestruneSession::ReanimateStopWord(int32_t wordId) {
  TWDWord* word = WordDictionary.GetWord(wordId);
  if (!word) return;
  const std::u16string text = word->GetText();
  const auto listed =
      std::find_if(StopWords.begin(), StopWords.end(), [&](const std::u16string& w) { return SameWord(w, text); });
  if (listed == StopWords.end()) return;
  word->SetFlags(static_cast<uint16_t>(word->GetFlags() & ~TWDWord::kFlagMark));
  TWordVariant hit;
  if (WordDictionary.FindFirst(text, hit, 0) > 0) {
    for (int32_t id = hit.WordIndex; id >= 0; id = WordDictionary.FindNext(hit)) {
      if (TWDWord* other = WordDictionary.GetWord(id)) {
        other->SetFlags(static_cast<uint16_t>(other->GetFlags() & ~TWDWord::kFlagMark));
      }
    }
  }
  StopWords.erase(listed);
  FeedNetworkAgain();
}

int32_t TKestruneSession::AddUserDocument(int32_t index, std::u16string_view url, std::u16string_view title,
                                          std::u16string_view annotation) {
  const std::u16string address = Trimmed(url);
  const std::u16string name = Trimmed(title);
  if (address.empty() || name.empty()) return 1;
  const std::string address8 = Utf16ToUtf8(address);
  if (IsCommandAddress(address8)) {
    LogFile.Log("The document " + address8 + " is not added: its address would be a command of the page", 1);
    return 1;
  }
  int32_t d = DocumentOfUrl(address8);
  if (d < 0 && index == -1) {
    d = IMetaList.AddWord(MetaListKey(address8), 0, -1);
    if (d < 0) {
      LogFile.Log("The document " + address8 + " cannot be added: the address list is full", 2);
      return 1;
    }
    for (TMetaSearchList& document : Documents) ++document.Position;
    if (static_cast<size_t>(d) >= Documents.size()) Documents.resize(static_cast<size_t>(d) + 1);
    Documents[static_cast<size_t>(d)] = TMetaSearchList();
  } else if (d < 0) {
    if (index < 0 || index >= static_cast<int32_t>(PageDocumentIds.size())) return 1;
    d = PageDocumentIds[static_cast<size_t>(index)];
    TWDWord* known = IMetaList.GetWord(d);
    if (!known || d >= static_cast<int32_t>(Documents.size())) return 1;
    known->SetText(MetaListKey(address8));
  }
  TMetaSearchList& document = Documents[static_cast<size_t>(d)];
  document.Url = address8;
  document.QueryNumber = static_cast<int32_t>(StepKeys.size()) - 1;
  document.Step = StepNumber;
  document.ItemText.clear();
  document.Flags = 0;
  document.Value = 0.0f;
  document.Title = name;
  document.Annotation = std::u16string(annotation);
  document.Label = "User";
  RecountDocuments();
  FeedNetworkAgain();
  ContentMapReGenerate();
  ShowResults(kEditNone, kPageModeChosen);
  return 0;
}

}  // namespace kestrune
