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

std::u16string Trimmed(std::u16string_view text) {
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
  size_t first = 0;
  size_t last = text.size();
  while (first < last && blank(text[first])) ++first;
  while (last > first && blank(text[last - 1])) --last;
  return std::u16string(text.substr(first, last - first));
}

}  // namespace

void TKestruneSession::DropUndoneSearches() {
  if (Project.HasUndoneSearches()) DeleteDocuments(dcUndone);
}

void TKestruneSession::DeleteDocuments(int32_t documentClass) {
  IControlKeys& steps = ContentMap.Steps();
  // The documents of undone searches go with every class: Redo can no longer
  // bring them back, so the steps ahead go too.
  if (Project.HasUndoneSearches()) Steps.CutForward();
  const int32_t n = static_cast<int32_t>(Project.Documents.size());
  const size_t stepKeys = Project.StepKeys.size();
  const std::vector<int32_t> newIds = Project.DeleteDocuments(documentClass, steps);
  const int32_t deleted = Project.LastDeleted();

  // The session's references follow their documents: the map's page
  // documents, the page list and the selections.
  auto renumber = [&](TNNKeys& keys) {
    std::erase_if(keys, [&](TNNKey& key) {
      if (key.Id < 0 || key.Id >= n || newIds[static_cast<size_t>(key.Id)] < 0) return true;
      key.Id = newIds[static_cast<size_t>(key.Id)];
      return false;
    });
  };
  renumber(ContentMap.ResultFiles());
  renumber(Map.SelectedDocuments);
  TNNKey& similar = Commands.Selection.SimilarDocumentKey;
  if (similar.Id >= 0) {
    similar.Id = similar.Id < n ? newIds[static_cast<size_t>(similar.Id)] : -1;
  }
  std::vector<int32_t> pageIds;
  for (const int32_t id : Results.PageDocumentIds) {
    if (id < 0 || id >= n || newIds[static_cast<size_t>(id)] < 0) continue;
    pageIds.push_back(newIds[static_cast<size_t>(id)]);
  }
  Results.PageDocumentIds = std::move(pageIds);
  Results.ClusterTable.clear();
  Commands.Selection.SelectedCluster = -1;
  if (deleted > 0) {
    LogFile.Log("Deleted " + std::to_string(deleted) + " documents of class " + std::to_string(documentClass));
    MarkProjectChanged();
    FeedNetworkAgain();
  } else if (Project.StepKeys.size() != stepKeys) {
    // The keys of the undone searches went: their documents take the keys
    // of the last search kept, in the network too.
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
  Project.AddStopWord(word->GetText());
  word->SetFlags(static_cast<uint16_t>(word->GetFlags() | TWDWord::kFlagMark));
  MarkProjectChanged();
}

void TKestruneSession::ReanimateStopWord(int32_t wordId) {
  TWDWord* word = WordDictionary.GetWord(wordId);
  if (!word) return;
  const std::u16string text = word->GetText();
  if (!Project.IsStopWordListed(text)) return;
  word->SetFlags(static_cast<uint16_t>(word->GetFlags() & ~TWDWord::kFlagMark));
  TWordVariant hit;
  if (WordDictionary.FindFirst(text, hit, 0) > 0) {
    for (int32_t id = hit.WordIndex; id >= 0; id = WordDictionary.FindNext(hit)) {
      if (TWDWord* other = WordDictionary.GetWord(id)) {
        other->SetFlags(static_cast<uint16_t>(other->GetFlags() & ~TWDWord::kFlagMark));
      }
    }
  }
  Project.RemoveStopWord(text);
  MarkProjectChanged();
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
  const int32_t pageDocument = index >= 0 && index < static_cast<int32_t>(Results.PageDocumentIds.size())
                                   ? Results.PageDocumentIds[static_cast<size_t>(index)]
                                   : -1;
  if (Project.SetUserDocument(index, pageDocument, address8, name, std::u16string(annotation)) < 0) return 1;
  MarkProjectChanged();
  RecountDocuments();
  FeedNetworkAgain();
  ContentMapReGenerate();
  ShowResults(kEditNone, kPageModeChosen);
  return 0;
}

}  // namespace kestrune
