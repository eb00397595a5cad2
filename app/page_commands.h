// The in-page command links of the result page: what a URL that the browser
// is about to load asks of the main window.
//
// The result page talks back to the window through links that no web server
// ever sees. ClassifyPageUrl reads one such URL and says which command it is
// and with which argument; it is pure (no session, no files, no log), so the
// window's navigation handler calls it, hands the result to the session's
// executor, and refuses the navigation unless the result is
// kPageCmdGoAhead. The executor checks numbers against its lists and acts.
//
// How a URL is read (scheme, host and path; never character counts):
// - The page's own loads (PageUrlContext::OwnLoad, and "about:blank") go
//   ahead.
// - Local links: a "file:" URL (empty host or "localhost") whose path lies
//   inside the template folder, the folder of the page's base URL. Its
//   segments are compared percent-decoded; a "." or ".." segment anywhere
//   makes the URL not local. The "rest" is the raw text after the folder:
//   the remaining path, and "?" with the query when there is one; a fragment
//   is dropped. Rows 34 to 41 test their keyword at the start of the rest,
//   the others anywhere in it, case-sensitively (row 40 in any case), in the
//   order of the rows. The text argument of an ExcludeWord_ link, of a
//   submitted document form and of an addquery link is user text: keywords
//   inside it are not commands (only the rest up to the end of the first of
//   those three keywords is searched).
// - Rows 3 to 11: "http:" URLs whose host is the row's keyword; their
//   argument is the percent-decoded path after the "/". Row 11 is exactly
//   "http://help/": any path, query or fragment makes it a web link.
// - Row 2: an "http:"/"https:" URL holding "?url=" while the current engine
//   is one of the two desktop-search engines.
// - Row 42: every "http://", "https://" or "ftp://" URL left over, whatever
//   its text holds ("toPage", "old_links").
// - "mailto:" goes to the mail program.
// - Anything else (javascript:, data:, a file outside the template folder, a
//   local file that names no command, a link holding control characters) is
//   kPageCmdCancel with a Reason for the log.
//
// Numbers are decimal integers (digits only, at most 2147483647) that run to
// the end of the rest (local rows) or of the path (rows 3 to 10); anything
// else cancels the link. They index the page list, the scopes or a recent
// list from 0: the executor checks the range, and a number outside its list
// cancels the link and is logged. While a search runs only rows 11 and 42
// act; the executor cancels the others.
//
// What each result asks of the executor (n is Number, text is Argument):
//  1 kPageCmdUpdateLink: open the update form.
//  2 kPageCmdDesktopRedirect: text is the redirect's target, decoded. A
//    regular file without execute bit whose type is a document's
//    (IBrowserOpener::IsDocumentFile) is opened with OpenLocalFile; a
//    target that names no file goes to the browser; any other file is
//    logged and refused.
//  3 kPageCmdSelectScope: make scope n the query.
//  4 kPageCmdAddToHistory: add the current query as a scope, with the scope
//    snapshots of kind 10 before and after; page mode 5.
//  5 kPageCmdDeleteFromHistory: delete scope n; page mode 5.
//  6 kPageCmdUpdateHistory: replace the current scope by the current query,
//    snapshots as in row 4; page mode 5.
//  7 kPageCmdSendLastQuery: query box := recent query n; search.
//  8 kPageCmdLastProject: open recent project n; update the recent projects.
//  9 kPageCmdContextMenuAnnotation: the page's popup menu for word text
//    (nothing while the map's interaction flag 1 is set, or text is empty).
// 10 kPageCmdContextMenuScope: the page's popup menu for scope n.
// 11 kPageCmdHelp: help.
// 12 kPageCmdShowStopWords: the stop-word page (view 6).
// 13 kPageCmdReanimateStopWord: revive item n of the shown stop words.
// 14 kPageCmdExcludeContextFile: exclude the context of entry n.
// 15 kPageCmdExcludeUrl: hide the site of entry n.
// 16 kPageCmdAddToFavorites: make entry n a favourite.
// 17 kPageCmdDeleteFromFavorites: take entry n out of the favourites.
// 18 kPageCmdExcludeWord: exclude word text (in the excluded view: include).
// 19, 21-24 kPageCmdDeletedFiles, kPageCmdDeletedSites, kPageCmdNewLinks,
//    kPageCmdOldLinks, kPageCmdFavoriteLinks: switch to view 1, 2, 3, 4, 5.
// 20 kPageCmdGoToNormal: view 0.
// 25-27 kPageCmdDeleteAllOldLinks, kPageCmdDeleteAllExcludedLinks,
//    kPageCmdDeleteAllExcludedSites: ask, then delete documents of kind 1, 2, 3.
// 28 kPageCmdRestoreLink: restore removed link n.
// 29 kPageCmdRestoreSite: restore the hidden site of entry n.
// 30 kPageCmdEditSubmit: the document form was sent: Form holds its fields;
//    Form.Cancelled closes the form, else AddUserDocument(n, Form...), where
//    n is -1 for a new document.
// 31 kPageCmdEditLink: edit entry n (pending build with edit index n).
// 32 kPageCmdAddNewDocument: the add-document form (edit index -1).
// 33 kPageCmdShowAll: no-query mode on, kept in kind 6.
// 34 kPageCmdDocAdd: kind 2 gets (n, 1.0); map rebuilt.
// 35 kPageCmdDocRemove: kind 3 gets (n, -1.0); map rebuilt when it took it.
// 36 kPageCmdDocSimilar: remember (n, 1.0) as the similar-document key.
// 37 kPageCmdDocBriefcase: nothing.
// 38 kPageCmdDocUrl: index-selection flag; clear kind 4; kind 5 gets (n, 1.0).
// 39 kPageCmdToPage: show page n (1-based; pending build).
// 40 kPageCmdCluster: select cluster n of the indexer.
// 41 kPageCmdAddQuery: text holds words to add; a word after "-" is excluded.
// 42 kPageCmdOpenInBrowser: OpenInBrowser(the URL as received).
// kPageCmdMail: a mail to the address text (ISendMail).
//
// Rewrite and continue: rows 14 to 17, 28 and 29 end on a page link. Their
// Rewrite holds the page-link prefix of the template folder; after acting,
// when it stays in the same view, the executor classifies
// RewriteUrl(page) again (which gives kPageCmdToPage with that page) and
// performs that too. PageOfEntry gives the page that shows an entry.
//
// Thread-safe: no state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

// Which command a URL is. The values 1 to 42 are the rows of the dispatch
// table, in the order in which they are tested.
enum TPageCommandRow : int32_t {
  kPageCmdCancel = -1,  // not a command and not allowed: refused, logged
  kPageCmdGoAhead = 0,  // the browser's own load: the navigation goes ahead
  kPageCmdUpdateLink = 1,
  kPageCmdDesktopRedirect = 2,
  kPageCmdSelectScope = 3,
  kPageCmdAddToHistory = 4,
  kPageCmdDeleteFromHistory = 5,
  kPageCmdUpdateHistory = 6,
  kPageCmdSendLastQuery = 7,
  kPageCmdLastProject = 8,
  kPageCmdContextMenuAnnotation = 9,
  kPageCmdContextMenuScope = 10,
  kPageCmdHelp = 11,
  kPageCmdShowStopWords = 12,
  kPageCmdReanimateStopWord = 13,
  kPageCmdExcludeContextFile = 14,
  kPageCmdExcludeUrl = 15,
  kPageCmdAddToFavorites = 16,
  kPageCmdDeleteFromFavorites = 17,
  kPageCmdExcludeWord = 18,
  kPageCmdDeletedFiles = 19,
  kPageCmdGoToNormal = 20,
  kPageCmdDeletedSites = 21,
  kPageCmdNewLinks = 22,
  kPageCmdOldLinks = 23,
  kPageCmdFavoriteLinks = 24,
  kPageCmdDeleteAllOldLinks = 25,
  kPageCmdDeleteAllExcludedLinks = 26,
  kPageCmdDeleteAllExcludedSites = 27,
  kPageCmdRestoreLink = 28,
  kPageCmdRestoreSite = 29,
  kPageCmdEditSubmit = 30,
  kPageCmdEditLink = 31,
  kPageCmdAddNewDocument = 32,
  kPageCmdShowAll = 33,
  kPageCmdDocAdd = 34,
  kPageCmdDocRemove = 35,
  kPageCmdDocSimilar = 36,
  kPageCmdDocBriefcase = 37,
  kPageCmdDocUrl = 38,
  kPageCmdToPage = 39,
  kPageCmdCluster = 40,
  kPageCmdAddQuery = 41,
  kPageCmdOpenInBrowser = 42,
  kPageCmdMail = 43,  // not a row of the table: "mailto:" links
};

// Rows 1 and 12 to 41: links into the template folder.
constexpr bool IsLocalPageCommand(TPageCommandRow row) {
  return row == kPageCmdUpdateLink || (row >= kPageCmdShowStopWords && row <= kPageCmdAddQuery);
}

// The display names of the engines whose redirect links row 2 unwraps.
inline constexpr std::string_view kDesktopSearchEngines[] = {"Google Desktop", "Local Search"};

// Page-list entries shown on one result page.
inline constexpr int32_t kPageEntries = 10;

// The 1-based page that shows 0-based entry `entry`; 1 for a negative entry.
constexpr int32_t PageOfEntry(int32_t entry) { return entry < 0 ? 1 : entry / kPageEntries + 1; }

// What classification needs to know of the page and the window.
struct TPageUrlContext {
  // The base URL the page was written with: a "file:" URL of the template
  // folder ("file:///…/templates/en/"); a file name after the last "/" is
  // ignored. Empty or not a file URL: no link is local.
  std::string TemplateFolderUrl;
  // Display name of the current search engine (UTF-8), for row 2.
  std::string EngineName;
  // True when the window started this load itself (writing the page, loading
  // a large page from its file): it goes ahead.
  bool OwnLoad = false;
};

// The fields of a submitted document form (row 30), decoded.
struct TPageDocumentForm {
  bool Cancelled = false;  // the form's Cancel button was used
  std::u16string Url;
  std::u16string Title;
  std::u16string Annotation;
};

struct TPageCommand {
  TPageCommandRow Row = kPageCmdCancel;
  // Rows 2, 9, 18, 41 and mail: the decoded text argument.
  std::u16string Argument;
  // The decimal argument of the numbered rows; row 30: the form's number
  // (-1 a new document). -1 when the row has none.
  int32_t Number = -1;
  // Rows 14 to 17, 28 and 29: the page-link prefix (see RewriteUrl).
  std::string Rewrite;
  TPageDocumentForm Form;
  // Why a link is cancelled, or a note the executor logs (a desktop redirect
  // that did not decode and went to the browser); empty otherwise.
  std::string_view Reason;

  // The page link of `page` in the template folder, to classify again.
  std::string RewriteUrl(int32_t page) const { return Rewrite + std::to_string(page); }
};

TPageCommand ClassifyPageUrl(std::string_view url, const TPageUrlContext& context);

}  // namespace kestrune
