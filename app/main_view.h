// IMainView: the main window as the session sees it. The session decides and
// the window shows; the session reaches the screen only through this
// interface, IMapViewOps (the word map's view), IBrowserOpener and ISendMail.
// Tests implement it with a recording fake (tests/app/recording_main_view.h).
//
// Controls are addressed by TMainControl, named as the window's components
// (their objectName): the window maps each to its widget and ignores one it
// does not have. While the window exists the session's message boxes go
// through MessageBox here (the session's ShowMessage); ShowMessageBox
// (core/message.h) is for the time without a window. Modal forms answer with the platform's modal
// results: OK 1, Cancel 2, Yes 6, No 7 (platform::kId...).
//
// Called on the user-interface thread only, except PostToUi, which any thread
// may call.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// The controls of the main window the session enables, shows, labels, places
// or focuses.
enum class TMainControl : int32_t {
  IBitmapButtonUndo,   // "Undo"
  IBitmapButtonRedo,   // "Redo"
  ibitmapButton1,      // "Refresh"
  fullRefresh,         // full refresh of the scopes
  IBitmapButtonStop,   // stops a running search
  IBitmapButtonNew,    // "New query"
  IBitmapButton2,      // "Query" view (a button that stays down)
  IBitmapButton4,      // "Excluded words" view (a button that stays down)
  IBitmapButton6,      // toolbar button
  IBitmapButton7,      // "Save"
  BBtnSearch,          // "Search" beside the query box
  BBtnSearch2,         // the second "Search" button
  querybitmap,         // the picture behind the query box
  IComboBox1,          // the query box
  CBWebSite,           // the engine box
  IProgressBar1,       // the search progress
  TntLabel1,           // "Searching..."
  Label1,              // the status label
  ibitmap27,           // the busy picture
  EmbeddedWB1,         // the browser control that shows the result page
  Panel1,              // the panel that holds the word map
  TrackBar,            // words on the map
  TrackBar3,           // "any" to "all" of the query words
  // The controls a search disables and restores besides those above.
  BtnHelp,             // "Help"
  BtnOptions,          // "Options"
  // The six view buttons (buttons that stay down) and their counter labels.
  IBitmapBtnShowDelLinks,    // removed links
  IBitmapBtnShowDelSites,    // hidden sites
  IBitmapBtnShowNew,         // new links
  IBitmapBtnShowOld,         // old links
  IBitmapBtnShowFavorites,   // favourites
  IBitmapBtnShowStopWords,   // stop words
  LabelDelLinksCount,
  LabelDelSitesCount,
  LabelNewCount,
  LabelOldCount,
  LabelFavoritesCount,
  LabelStopWordsCount,
  ListBox1,            // the suggestion list under the query box
  kCount
};

// A control's rectangle in its parent's pixels.
struct TViewRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;

  friend bool operator==(const TViewRect&, const TViewRect&) = default;
};

// A point or an offset in pixels.
struct TViewPoint {
  int32_t X = 0;
  int32_t Y = 0;
};

class IMainView {
 public:
  virtual ~IMainView() = default;

  // ---- the window ----
  // A modal message box owned by the main window; flags and the answer are
  // the platform::kMb... and platform::kId... values.
  virtual int32_t MessageBox(std::u16string_view text, std::u16string_view caption, uint32_t flags) = 0;
  virtual void SetCaption(std::u16string_view caption) = 0;
  // Closes the main window, which ends the program. Asked while the window is
  // being created, the program ends before its message loop runs.
  virtual void CloseMainWindow() = 0;
  // The busy cursor (arrow with hourglass) over the window and the map, or
  // the default cursors again.
  virtual void SetBusyCursor(bool busy) = 0;

  // ---- controls ----
  virtual void SetEnabled(TMainControl control, bool enabled) = 0;
  virtual bool Enabled(TMainControl control) const = 0;
  virtual void SetVisible(TMainControl control, bool visible) = 0;
  virtual bool Visible(TMainControl control) const = 0;
  // The caption of a label or button.
  virtual void SetText(TMainControl control, std::u16string_view text) = 0;
  // The down state of a button that stays down (the view buttons).
  virtual void SetDown(TMainControl control, bool down) = 0;
  virtual bool Down(TMainControl control) const = 0;
  virtual void SetFocus(TMainControl control) = 0;
  virtual TViewRect Bounds(TMainControl control) const = 0;
  virtual void SetBounds(TMainControl control, const TViewRect& bounds) = 0;
  // The position of IProgressBar1, 0..100.
  virtual void SetProgress(int32_t position) = 0;

  // ---- the query box IComboBox1 ----
  virtual std::u16string QueryText() const = 0;
  virtual void SetQueryText(std::u16string_view text) = 0;
  // Its drop-down list: the recent queries, most recent first.
  virtual void SetQueryItems(const std::vector<std::u16string>& items) = 0;
  virtual void CloseQueryDropDown() = 0;
  // Whether the query box's drop-down list is open.
  virtual bool QueryDropDownOpen() const { return false; }
  // Where the box's frame picture lies relative to the box (its ex, ey):
  // querybitmap is placed there, the search buttons at its height.
  virtual TViewPoint QueryPictureOffset() const { return {}; }

  // ---- the suggestion list ListBox1 and the drop-down lists ----
  // (Defaults do nothing, for views without them.)
  // The suggestion list's items, in order.
  virtual void SetSuggestionItems(const std::vector<std::u16string>& items) { (void)items; }
  // The height of one item of the suggestion list, in pixels.
  virtual int32_t SuggestionItemHeight() const { return 16; }
  // The width, in pixels, of the widest item text of a combo box
  // (IComboBox1, CBWebSite); 0 without items.
  virtual int32_t WidestItemWidth(TMainControl box) const { (void)box; return 0; }
  // The width of a combo box's drop-down list, in pixels.
  virtual void SetDropDownWidth(TMainControl box, int32_t width) { (void)box; (void)width; }

  // ---- the word map's area (Panel1's client size) ----
  virtual int32_t MapWidth() const = 0;
  virtual int32_t MapHeight() const = 0;

  // ---- the engine box CBWebSite ----
  // Replaces its items and selects one (-1: none).
  virtual void SetEngineItems(const std::vector<std::u16string>& items, int32_t selected) = 0;
  virtual void SelectEngineItem(int32_t index) = 0;
  // The two track bars: the words on the map and the match of the query.
  virtual void SetTrackBars(int32_t context, int32_t exact) { (void)context; (void)exact; }

  // ---- the result page ----
  // Writes a page into the browser control.
  virtual void ShowHtml(std::u16string_view html) = 0;

  // ---- the result page's browser control and its popup menu ----
  // (Defaults do nothing, for views without a browser control.)
  // Clears the selection of the shown page.
  virtual void ClearPageSelection() {}
  // Scrolls the page written last to the element named (or identified by)
  // `anchor` once it has loaded; an empty anchor scrolls to the top.
  virtual void ScrollPageTo(std::u16string_view /*anchor*/) {}
  // Loads the current document again; the session's
  // EmbeddedWB1DocumentComplete follows when it has loaded.
  virtual void ReloadPage() {}
  // Repaints the browser control.
  virtual void RepaintPage() {}
  // Opens the page's popup menu at the mouse: with the entries of a word
  // ("Add to query", "Exclude from query") or of a scope button ("Set as
  // current", "Delete query from scope").
  virtual void ShowPagePopup(bool scopeEntries) { (void)scopeEntries; }

  // ---- modal forms ----
  // The change-engine question TQuestChSE: Yes (search the query anew with
  // the new engine), No (a new query) or Cancel.
  virtual int32_t AskChangeEngine() = 0;
  // The save question TQuestion ("Current project has not been saved..."):
  // Yes, No or Cancel (closing it is Cancel); its "Don't ask me again" box
  // shows `dontAsk` and gives it back.
  virtual int32_t AskSaveQuestion(bool& dontAsk) = 0;
  // The missing-dictionary question TFMessNoDict showing `text`: Yes or No
  // (closing it is No); `dontAsk` gets its "Don't ask me again" box.
  virtual int32_t AskNoDictionary(std::u16string_view text, bool& dontAsk) = 0;
  // The options form; fromEngineBox: opened through the engine box's "More
  // engines" item.
  virtual int32_t ShowOptionsForm(bool fromEngineBox) = 0;

  // ---- the event loop ----
  // Queues a call to run on the user-interface thread after the current
  // handler; any thread may call it.
  virtual void PostToUi(std::function<void()> call) = 0;
  // Runs the event loop until the predicate holds, testing it after every
  // queued call (no polling): the window stays responsive meanwhile.
  virtual void WaitUntil(const std::function<bool()>& done) = 0;
};

}  // namespace kestrune
