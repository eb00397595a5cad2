// TProject: the state of one project and the operations on it. The project
// is what the main window searched and kept: the documents (in the order in
// which their URLs entered the URL index), the query keys of every search
// that brought results, the number of such searches shown, the document
// counters, the hidden sites, the user's stop words and the search scopes.
//
// The operations change only this state and the ring of search steps handed
// to them (the marks of kind 3, the counters of kinds 7 and 8, the document
// references of kinds 2, 3 and 5). What follows a change elsewhere (the
// network fed again, the map rebuilt, the page's lists renumbered) is the
// caller's: DeleteDocuments returns the new number of every document for it.
//
// Used on the user-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "app/search_steps.h"
#include "core/keys.h"
#include "network/context_ms.h"
#include "language/word_dictionary.h"
#include "network/control_keys.h"
#include "search/document_counters.h"
#include "search/meta_search_list.h"
#include "search/scope.h"

namespace kestrune {

// The classes of documents DeleteDocuments deletes (every class also the
// documents of undone searches).
enum TDocumentClass : int32_t {
  dcUndone = 0,        // only those of undone searches
  dcOldLinks = 1,
  dcRemovedLinks = 2,
  dcHiddenSites = 3,
};

class TProject {
 public:
  TProject();
  TProject(const TProject&) = delete;
  TProject& operator=(const TProject&) = delete;

  // ---- the state ----
  // The documents; a document's index is its URL's index in IMetaList.
  TMetaSearchList2 Documents;
  TIWordDictionary IMetaList;     // the known document URLs (case-sensitive)
  std::vector<TNNKeys> StepKeys;  // the query keys of every search that brought results
  int32_t StepNumber = 0;         // the number of such searches shown
  TDocumentCounters Counters;
  std::vector<std::u16string> StopWords;  // words the user made stop words
  std::vector<std::string> HiddenSites;
  TScope Scope;                   // the search scopes
  std::u16string ProjectName;
  bool ProjectJustOpened = false;

  // The documents, the URL index, the keys, the counters, the stop words and
  // the hidden sites go; the scopes stay (New query clears them itself).
  void Clear();

  // The text under which a document's URL is kept in IMetaList: its bytes
  // widened one to one, so that different bytes stay different words.
  static std::u16string MetaListKey(std::string_view url);
  // The index of a document address; -1 when unknown.
  int32_t DocumentOfUrl(std::string_view url);
  // True when searches were undone (their documents and keys wait to go).
  bool HasUndoneSearches() const { return StepNumber < static_cast<int32_t>(StepKeys.size()); }

  // ---- the merge of a search ----
  // Merges a search's result items: the query's keys become a new StepKeys
  // entry and the step's search number (kind 6) grows; a known URL keeps
  // its document (the annotation grows by new text), a new one gets the
  // next index; documents of earlier searches move behind the new items.
  // Items whose address `refused` names are skipped (logged). Nothing
  // without items; the number of items read.
  int32_t MergeResults(const TMetaSearchList2& results, TNNKeys queryKeys, IControlKeys& steps,
                       const std::function<bool(std::string_view url)>& refused);
  // The keys of StepKeys entry `entry` (nothing when outside the list).
  void SetStepKeys(int32_t entry, TNNKeys keys);
  // The user's document: an address already known is that document, else
  // with index -1 a new document, else the document of `pageDocument` gets
  // the address. Its fields are set as the user's. The document's index, or
  // -1 when there is none to set (the address list is full, or
  // pageDocument names none).
  int32_t SetUserDocument(int32_t index, int32_t pageDocument, const std::string& url, std::u16string title,
                          std::u16string annotation);

  // ---- deleting ----
  // Deletes a class of documents (TDocumentClass) and those of undone
  // searches: holes are filled from the end (the last kept document moves
  // into the first hole). The references of every step follow (kinds 2, 3
  // and 5 renumbered, the kept counters of kinds 7 and 8 counted again), the
  // keys of undone searches go, the URL index is built again and the
  // counters recounted. The new index of every old document (-1: deleted).
  std::vector<int32_t> DeleteDocuments(int32_t documentClass, IControlKeys& steps);
  // The number of documents the last DeleteDocuments deleted.
  int32_t LastDeleted() const { return lastDeleted_; }

  // ---- marks and counters ----
  // Hides the documents of a site: marks -2 (or -3 over a removed link) in
  // kind 3, out of kind 2; their flags stay; the counters recounted.
  void HideSiteDocuments(std::string_view site, IControlKeys& steps) {
    HideDocumentsOfSites({std::string(site)}, steps);
  }
  // The same for several sites, site after site in the order given (each
  // site's documents in their order), with one walk over the documents.
  void HideDocumentsOfSites(const std::vector<std::string>& sites, IControlKeys& steps);
  // The counters of all documents of the shown steps, from their flags; a
  // marked document is counted in Total only.
  void RecountDocuments(const IControlKeys& steps);
  // The removed links among marks; `sites` gets the hidden sites, each once.
  int32_t CountMarks(const TControlKeyList& marks, std::vector<std::string>& sites) const;
  // The hidden sites and both mark counters from the marks of the step
  // (written to kinds 7 and 8, silent).
  void RebuildMarkCounters(IControlKeys& steps);
  // The documents no scope reaches any more are old links, the others lose
  // that flag (marked documents stay as they are); the old and new counters
  // of all documents recounted.
  void MarkScopeDocuments(const std::unordered_set<int32_t>& reached, const IControlKeys& steps);
  // The documents the scopes reach: for each scope, the documents the
  // network finds for its included and excluded keys.
  std::unordered_set<int32_t> ScopeReach(TIContextMS& network) const;
  // The mark of a document in the current step; false when it has none.
  static bool MarkOf(const IControlKeys& steps, int32_t document, float& mark);

  // ---- scopes ----
  // The query becomes a scope (an equal one becomes current) unless it has
  // no query words: a scope without them would send the engine an empty
  // query. True when the list changed.
  bool AddScope(const TNNKeys& included, const TNNKeys& excluded);
  // Scope `index` gets the query; true when the list changed.
  bool ReplaceScope(int32_t index, const TNNKeys& included, const TNNKeys& excluded);

  // ---- steps ----
  // A step restored by Undo or Redo: the counters it kept, its number of
  // searches, its scope list and current scope.
  void ApplyStep(const TStepState& state);

  // ---- stop words ----
  // Adds the text unless the list holds it in any letter case.
  void AddStopWord(std::u16string_view text);
  // Takes the text off the list (any letter case); false when it is not on it.
  bool RemoveStopWord(std::u16string_view text);
  bool IsStopWordListed(std::u16string_view text) const;

 private:
  int32_t lastDeleted_ = 0;
};

}  // namespace kestrune
