// TResultView: the result page of the main window and its state. It chooses
// the page mode from the view and the search state, builds the page
// (TPageResults) from the page list and writes it through IMainView::ShowHtml;
// it orders the documents of the page at every map rebuild
// (OrderPageDocuments), keeps the page number, the view mode and its buttons,
// the scope view's keys, the cluster table, the recommended exclusions and
// the build that a reloaded document performs.
//
// It owns the page's state; the documents, the steps, the network, the
// settings and the search state it reads through the session, which owns
// the view. Used on the user-interface thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/main_view.h"
#include "app/view_mode.h"
#include "core/keys.h"
#include "search/page_documents.h"
#include "search/page_results.h"

namespace kestrune {

class TKestruneSession;

class TResultView {
 public:
  // session must outlive the view; its project must exist already (the page
  // list reads its documents).
  explicit TResultView(TKestruneSession& session);
  TResultView(const TResultView&) = delete;
  TResultView& operator=(const TResultView&) = delete;

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

  // ---- the page's state ----
  int32_t ViewMode = kViewNormal;  // TViewMode
  // The result page shown (1-based); every map rebuild starts at page 1.
  int32_t ResultPageNumber = 1;
  // The document index of each page entry, in page order, and the page's
  // documents read through them from the project's documents (nothing
  // copied).
  std::vector<int32_t> PageDocumentIds;
  TPageDocuments PageList;
  int32_t LastPageMode = 0;
  int32_t EmptyRefreshes = 0;       // consecutive refreshes that listed nothing
  bool PageNotWritten = true;       // written, not loaded yet
  std::string ScrollAnchor;         // the document address to scroll to after the next build
  TPendingPageBuild PendingBuild;
  std::vector<TClusterEntry> ClusterTable;
  // The page builder; it keeps the addresses of the session's sources and
  // of PageDocumentIds.
  TPageResults PageResults;

  // The page's state of a new project: the normal view, no page entries, no
  // anchor, build or cluster.
  void Clear();

  // ShowResults(page, mode): `page` is the edit index of the document form
  // (kEditNone none, -1 a new document, n the entry edited); mode 0 or -1
  // chooses the page mode from the view and the search state. No exception
  // leaves it.
  void ShowResults(int32_t page, int32_t mode);
  // The stop-word page: "blank6.html" of the template folder with the count
  // and the rows of the stop words (escaped); empty when it cannot be read.
  std::u16string StopWordsPage();
  static std::u16string StopWordsPageFrom(std::u16string page, const std::vector<std::u16string>& words);
  void WritePage(const std::u16string& html);
  void RefreshClusterTable();
  void ResetResultPageNumber() { ResultPageNumber = 1; }
  // The page list and the content map's page documents, before every map
  // rebuild.
  void OrderPageDocuments();
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
  // A loaded document performs a pending build.
  void DocumentComplete();
  // The recommended exclusions of the result page: words of the removed
  // documents' context that the shown documents hold and the query lacks.
  std::u16string GetContextWordsHtml();

 private:
  TKestruneSession& s_;
};

}  // namespace kestrune
