// TMapInteraction: the word map's side of the main window. It turns the map
// view's word events and the content map's own events into changes of the
// current search step (words added, excluded, hovered, marked), pushes the
// step first, and rebuilds the map and the result page; it owns the map's
// popup menu, the switch between the query view and the excluded-words view,
// the preview of a hovered word, the context words excluded with a word, the
// query box's placement on the map, and the window's small key and mouse
// handlers that act on the map.
//
// It owns the marked group and the few values the map's events keep between
// calls; everything else (the content map, its ring of steps, the project,
// the page) is the session's, reached through the session it is made with.
// A rebuild of the map re-enters the session: the content map's hooks order
// the page's documents, may clear the whole project (an empty query is a new
// query) and show the page. Code that reads the marked group after a rebuild
// copies it first.
//
// Used on the user-interface thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/keys.h"

namespace kestrune {

class TCustomContentMap2;
class TKestruneSession;

// The items of the map's popup menu PopupMenu1 that are visible.
struct TMapPopupItems {
  bool pmAdd = false;
  bool pmExclude = false;
  bool pmRemovefromquery = false;
  bool pmRemoveFromExcluded = false;
  bool pmEditWord = false;
  bool pmEditElement = false;
  bool pmAddToStopWords = false;
  bool pmShowEntryField = false;
  bool pmScope = false;
  bool operator==(const TMapPopupItems&) const = default;
};

// A word shown on the page as if it were a query word, for the life of the
// object: the map leaves no-query mode (kinds 0 and 1 emptied, silently),
// the automatic re-search is suspended and the word stands in kind 0
// (weight 1, silently) unless it is a query word already. The end gives the
// word, the re-search setting and no-query mode back, also when the page's
// build in between throws.
class TWordPreview {
 public:
  TWordPreview(TCustomContentMap2& map, bool& autoRefresh, int32_t wordId);
  ~TWordPreview();
  TWordPreview(const TWordPreview&) = delete;
  TWordPreview& operator=(const TWordPreview&) = delete;
  // The word was put into kind 0 (it was no query word).
  bool Added() const { return added_; }

 private:
  TCustomContentMap2& map_;
  bool& autoRefresh_;
  int32_t wordId_;
  bool noQuery_;
  bool savedAutoRefresh_;
  bool added_ = false;
};

class TMapInteraction {
 public:
  // session must outlive the unit.
  explicit TMapInteraction(TKestruneSession& session) : s_(session) {}
  TMapInteraction(const TMapInteraction&) = delete;
  TMapInteraction& operator=(const TMapInteraction&) = delete;

  // ---- the state the map's events keep ----
  TNNKeys MarkedGroup;         // the words marked for the popup's commands
  bool PreviewFlag = false;    // the page shows a word as if it were added
  int32_t HoverSavedPage = 1;  // the page number a hover's end restores
  // The map view's edit mode (the network edit panel is open).
  bool MapEditMode = false;
  // The key list of the map's last rebuild (ContentMapVXlistOfKeys).
  TNNKeys MapKeyList;
  // The documents the network selected for the words marked on the map.
  TNNKeys SelectedDocuments;
  // A new project: the marked group, the selection, the preview and the
  // hover's saved page go (the key list goes with MapWordRefresh).
  void Clear();

  // ---- the content map's events ----
  // The map rebuilt: the result page numbers back to 1, a web index added
  // for a search dropped (the history file's network opened again), then
  // the content map's BuildMap.
  void Rebuild();
  void ContentMapReGetData();
  // The ring's change event: 14 (forward steps cut) disables Redo; a change
  // of kind 0 or 1 is a new branch, whose undone searches' documents are
  // dropped once the current handler is done.
  void ContentMapAllKeys(int32_t variant);
  // The map's key list after a rebuild: the page is shown and the list kept.
  void ContentMapVXlistOfKeys(const TNNKeys& keys);
  // A selection of words on the map: the caption shows their number, and
  // when asked the network selects their documents (SelectedDocuments).
  void ContentMapSelect(const std::vector<int32_t>& ids, bool selectDocuments);
  // Forgets the key list kept from the map's last rebuild.
  void MapWordRefresh() { MapKeyList.clear(); }
  // A word the map never shows as a related word: a stop word, whichever
  // record of its text carries the stop mark (the content map's
  // OnStopWordHook).
  bool IsMapStopWord(int32_t id);

  // ---- the map view's word events ----
  void DrawAndEventMap1SingleSelect(const TNNKey& key, int32_t variant, bool selected);
  void DrawAndEventMap1GroupSelect(int32_t type, bool selected, const TNNKeys& keys);
  void DrawAndEventMap1MouseClickByWord(const TNNKey& key, int32_t variant);
  void DrawAndEventMap1Click();
  // A double click at (x, y) of the map; wordUnderCursor: a word was hit.
  void DrawAndEventMap1DblClick(int32_t x, int32_t y, bool wordUnderCursor);
  void DrawAndEventMap1MouseUp();
  void DrawAndEventMap1MouseToWord(const TNNKey& key, int32_t variant);
  void DrawAndEventMap1MouseOutWord(const TNNKey& key);
  // The page as if the carried word (flag 8) were added; nothing without one.
  void PreviewWordResults();
  // After a hover: the map rebuilt, the hover's page number back, the page
  // shown without the word.
  void MapHoverEnd();
  // The mouse moved outside the map: the page no longer previews a hovered
  // word.
  void MouseOutsideMap();
  // Excludes the words most related to a word (at most 15), each not a query
  // word: in the normal view between -10001 and -10000 in kind 1, in the
  // excluded-words view with weight 1 in kind 0.
  void AddContextWordsOfKey(int32_t wordId);

  // ---- the popup menu ----
  // The visible items of the map's popup menu (the query box is hidden).
  TMapPopupItems PopupMenu1Popup();
  static TMapPopupItems MapPopupItems(bool groupMarked, bool noQuery, bool excludedView, bool firstIsKind0,
                                      bool scopes);
  // popupWord: the index of the map key under the popup.
  void pmAddClick(int32_t popupWord);
  void pmAddToStopWordsClick();
  // (x, y): the popup's point on the map.
  void pmEditWordClick(int32_t x, int32_t y);
  void pmRemoveFromExcludedClick();
  // "Exclude from results": the hover goes, the popup state is left and the
  // marked group is excluded (in the excluded-words view: given back to the
  // query), as the map's group event 1 (0 in that view).
  void pmExcludeClick();
  // "Scope": the scope view (no-query mode), pushed as a step.
  void pmScopeClick();
  // "Edit Element": the popup state is left; the network editor opens here
  // once it exists.
  void pmEditElementClick();
  // Menu items: "Rebuild", "Reset", "Show Files", "Delete Keys", "Remove
  // Overlaps", "Distribute".
  void N2Click();
  void N3Click();
  void N4Click();
  void N6Click();
  void N8Click();
  void r1Click();

  // ---- the view switch ----
  // "Query" and "Excluded words": nothing while their button is down, else
  // it is pressed, the other released and the view switched.
  void IBitmapButton2Click();
  void IBitmapButton4Click();
  void ExcludedWordsButtonClick();
  void excludeAClick();
  // Switches the view (nothing in the normal view without excluded words)
  // and rebuilds the map.
  void ToggleExcludedView();
  // Leaves the excluded-words view without a rebuild (the kinds traded back).
  void LeaveExcludedView();

  // ---- the query box on the map ----
  // The query box at (x, y) of the map, with BBtnSearch or BBtnSearch2.
  void PlaceQueryBox(int32_t x, int32_t y, bool withSearchButton);

  // ---- the window's keys and mouse ----
  // Esc: with query words, the query box and its buttons go and the map is
  // drawn from its keys again.
  void FormKeyDownEscape();
  // Any key released: the deferred rebuild is dropped. Ctrl released: a
  // deferred rebuild runs first.
  void FormKeyUp(bool ctrl);
  // A mouse button pressed anywhere: the typed words' highlight goes, and a
  // pending word popup is left.
  void ApplicationMouseDown();
  // The hidden "Refresh" button: every key loses its hover, carried and
  // context flags.
  void Button1Click();

 private:
  // A menu item of the popup ends the hover of its word: kind 4 emptied, no
  // hovered key, the page's query line without the word.
  void EndPopupHover();
  // The group events that change the query: type 0 adds, type 1 excludes.
  void ChangeQueryWords(int32_t type, const TNNKeys& group);
  // The words of keys that kind 0 does not hold, by identifier or by text
  // (another dictionary's reading of a query word's text, or a word given
  // twice); each word left out is logged.
  TNNKeys WordsNewToQuery(const TNNKeys& keys);
  void LeavePopupState();
  void ShowPage();

  TKestruneSession& s_;
};

}  // namespace kestrune
