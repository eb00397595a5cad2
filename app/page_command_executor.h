// TPageCommandExecutor: what a command link of the result page does once
// ClassifyPageUrl (page_commands.h) has read it. Every command refuses its
// navigation and acts on the session; the rows that end on a page link switch
// to that page afterwards (a pending build that the reloaded document
// performs). While a search runs only help and web links act. Numbers of
// links are checked against their lists; a number outside its list does
// nothing (logged).
//
// The executor counts the page's entries once, when a command begins, and
// reads an entry's address before each rebuild of the map, which refills the
// page list. It keeps what the page's popup menu acts on and what the index
// and cluster links select; everything else it changes is the session's.
// Used on the user-interface thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/page_commands.h"
#include "core/keys.h"

namespace kestrune {

class TKestruneSession;

class TPageCommandExecutor {
 public:
  // session must outlive the executor.
  explicit TPageCommandExecutor(TKestruneSession& session) : s_(session) {}
  TPageCommandExecutor(const TPageCommandExecutor&) = delete;
  TPageCommandExecutor& operator=(const TPageCommandExecutor&) = delete;

  // Performs a classified link; true only when the navigation goes ahead.
  bool Execute(const TPageCommand& command, std::string_view url);
  // Forgets the selections of the index and cluster links (a new project);
  // the cluster's name stays until another cluster is chosen.
  void ClearSelection() {
    Selection.SimilarDocumentKey = {-1, 0.0f};
    Selection.IndexSelection = false;
    Selection.SelectedCluster = -1;
  }

  // What the page's popup menu acts on: a word of the page, or a scope.
  std::u16string PagePopupWord;
  int32_t PagePopupScope = -1;
  // What the index and cluster links select, kept for the map's and the
  // popup's commands that read it.
  struct TSelection {
    TNNKey SimilarDocumentKey{-1, 0.0f};  // the similar-document link
    bool IndexSelection = false;          // the document-address and cluster links
    int32_t SelectedCluster = -1;
    std::u16string SelectedClusterName;
  };
  TSelection Selection;

 private:
  // One command being performed: its link, its number and the page's entry
  // count when it began.
  struct TCall {
    const TPageCommand& Command;
    std::string_view Url;
    int32_t N = 0;
    int32_t Entries = 0;
  };
  bool OutOfRange(const TCall& c, int32_t count) const;
  std::string EntryUrl(const TCall& c, int32_t entry) const;
  // The document behind an entry; -1 when the entry went stale.
  int32_t EntryDocument(const TCall& c, int32_t entry);
  // A row that ends on page `page`: the page link is classified and
  // performed as if it had been clicked.
  void GoToPage(const TCall& c, int32_t page);
  // Back to the normal view on page 1 (a restore that emptied its view, or a
  // deletion of documents).
  void NormalView();
  void ShowView(int32_t mode, bool enterState);

  // The row groups; each is false for a row it does not perform.
  bool ScopeRow(const TCall& c);
  bool DocumentRow(const TCall& c);
  bool RestoreRow(const TCall& c);
  bool IndexRow(const TCall& c);
  bool ViewRow(const TCall& c);
  bool WordRow(const TCall& c);
  bool NavigationRow(const TCall& c);

  TKestruneSession& s_;
  int32_t savedPageNumber_ = 1;  // the page shown before a view was entered
};

}  // namespace kestrune
