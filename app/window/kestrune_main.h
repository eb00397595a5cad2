// TFKestruneMain: the main window, a thin shell over the session
// (TKestruneSession). It shows what the session decides (IMainView), lets the
// session drive the word map (IMapViewOps over DrawAndEventMap1) and hands
// the user's actions to the session. Creating it runs the session's creation
// steps (the settings load); destroying it writes the settings back; closing
// it ends the program's message loop.
//
// Components are widgets whose objectName is the component's name, so the
// language files reach them; the chrome is the skinned controls of ui/ with
// the pictures of ui/control_pictures.h: the map panel Panel1 holding the
// word map DrawAndEventMap1 and, over it, the query box IComboBox1 (an
// IComboBox) with the picture behind it querybitmap, the picture buttons
// BBtnSearch and BBtnSearch2 and the suggestion list ListBox1 under it; the
// splitter Splitter1 and the browser control EmbeddedWB1; the picture
// buttons, the engine box CBWebSite, the track bars TrackBar and TrackBar3
// (IBitmapTrackBar, each with its thumb) with their labels, in a toolbar of
// two rows on its dark plate, each row one line on a 1280 x 800 screen; the
// progress bar IProgressBar1 over its background ibitmap27 and the labels
// TntLabel1 and Label1 in a status line of one height; the six view buttons
// of the result page's lists with their counters; the map's menu
// PopupMenu1, whose items follow the session's PopupMenu1Popup, and the
// result page's menu PopupMenuPage. The combo boxes' frame pictures are
// picture buttons kept at the box's place + (ex, ey), shown with it. The
// search worker is a TEngineWebAdapter that the session owns.
//
// The map view's word events and hooks go to the session. The browser
// control's navigation hook classifies every link (ClassifyPageUrl): the
// browser's own loads go ahead, everything else is refused and performed by
// the session (ExecutePageCommand) after the browser's handler has returned.
//
// An application-wide event filter does what the program does for every
// message it retrieves (presses and moves over a popup menu stay the
// menu's): a character typed into this window (not into a dialog) while
// the mouse rests over the map (a double quote, a minus sign or a code from
// "0" up) opens the query box with that character; a mouse press anywhere clears the typed words'
// highlight; the mouse leaving the map ends a hovered word; the release of
// Ctrl runs a deferred rebuild; Esc takes the query box away. The update
// check posts kUpdateFoundEvent (WM_USER+1) and kNewsEvent (WM_USER+2) to the
// window (QCoreApplication::postEvent from any thread).
//
// The first show runs FormShow once the window is up (a queued call): the
// track bars, about:blank (waited for at most 10 s), the start page, the
// query box in the middle of the map, the engine box and caption, the window
// maximised, the interface language's dictionary checked, the command-line
// project (OnCommandLineProject: the session opens it as a recent project).
// Once the show has been handled, a window that nothing maximises (an X
// server without a window manager) takes the screen's available area itself;
// a window manager's maximise, also a late one, is left alone.
//
// Projects are opened and saved through the dialogs TntOpenProjectDialog1
// and TntSaveProjectDialog1 (the window is the session's IProjectDialogs);
// the open dialog's import button hands the folder it shows to
// OnImportProjects. The network edit panel EditPanel lies over the map,
// hidden; its toggle "specia" shows only in advanced mode, which stays off.
// Closing the window asks OnSaveQuestion first (the session's save
// question): Cancel keeps the window. A close by a signal asks nothing.
//
// Closing the window while a search runs stops the search; the window closes
// once the search's run has returned.
//
// While it exists, the global FKestruneMain points at it. Used on the
// user-interface thread only, except PostToUi and postEvent.
#pragma once

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/kestrune_session.h"
#include "app/main_view.h"
#include "app/map_view_ops.h"
#include "app/project_dialogs.h"
#include "app/window/edit_panel.h"
#include "app/window/embedded_browser.h"
#include "map/view/draw_and_event_map.h"
#include "ui/control_pictures.h"
#include "ui/ibitmap.h"
#include "ui/ibitmap_button.h"
#include "ui/ibitmap_track_bar.h"
#include "ui/icombo_box.h"
#include "ui/iprogress_bar.h"
#include "ui/isplitter.h"

class QSplitter;
class QPrinter;
class QTimer;
class QVBoxLayout;

namespace kestrune {

class TFUpdate;
class TTntOpenProjectDialog;
class TTntSaveProjectDialog;
class IBitmapButton;
class ibitmap;
class IAnime;

// The window messages of the update check, as event types posted to the
// main window.
inline constexpr int32_t kWmUser = 0x400;
inline constexpr QEvent::Type kUpdateFoundEvent = static_cast<QEvent::Type>(QEvent::User + kWmUser + 1);
inline constexpr QEvent::Type kNewsEvent = static_cast<QEvent::Type>(QEvent::User + kWmUser + 2);

// A picture button of the window with the four faces of a picture of the
// list, as large as its picture; with a caption beside its glyph when
// `caption` is set.
IBitmapButton* PictureButton(QWidget* parent, const char* name, TPicture picture, bool caption = true);

class TFKestruneMain : public QMainWindow, public IMainView, public IMapViewOps, public IProjectDialogs {
 public:
  // The creation handler: the components, the built-in English texts, the
  // map's hooks, then the session's creation steps with this window as its
  // view and map view and a TEngineWebAdapter as its engine. The session
  // must outlive the window.
  explicit TFKestruneMain(TKestruneSession& session);
  // The destruction handler: the session's destruction steps (the settings
  // write, which raises nothing).
  ~TFKestruneMain() override;

  TKestruneSession& Session() { return session_; }

  // The interface language over every form: the built-in English file, the
  // chosen file, the message strings.
  void ApplyLanguage();

  // True once the window closed, or asked to close while it was created.
  bool Closed() const { return closed_; }
  // The session could not be created: the program cannot run.
  bool CreateFailed() const { return createFailed_; }
  // FormShow has run.
  bool Shown() const { return shown_; }
  // After the show: the window has looked whether something maximises it
  // (and taken the screen's available area when nothing does).
  bool ScreenChecked() const { return screenChecked_; }
  // Called once when the window closes (the program block ends its loop).
  std::function<void()> OnClosed;
  // SIGTERM or SIGINT: the window closes without the save question (also
  // one asked later, a close that a box in the way has deferred); while it
  // is created, the program ends before its loop.
  void CloseBySignal();

  // ---- hooks that later parts of the program fill (unset: nothing) ----
  // Timer1, 100 ms after the first show: the update check at start.
  std::function<void()> OnUpdateCheckTimer;
  // kUpdateFoundEvent: shows the update form modally; when it stored an
  // installer (the session's InstallerPath), the window closes.
  std::function<void()> OnUpdateFound;
  // kNewsEvent: the news block of the start page.
  std::function<void()> OnNews;
  // The window closes (before OnClosed): the update check stops.
  std::function<void()> OnStopUpdateCheck;
  // F1: the Help button's action.
  std::function<void()> OnHelp;
  // The project named on the command line, opened at the first show.
  std::function<void(std::u16string_view path)> OnCommandLineProject;
  // The open dialog's import button, given the folder the dialog shows: the
  // projects of the maker's page, downloaded into it (the scope explorer,
  // modal). Unset: logged.
  std::function<void(std::u16string_view folder)> OnImportProjects;

  // ---- components ----
  // The toolbar (its rows below) on its plate, stretched under it.
  QWidget* PanelToolbar;
  ibitmap* ToolbarPlate;
  static constexpr int kToolbarCommandRow = 0;  // the commands, the engine box; the logo at the right
  static constexpr int kToolbarViewRow = 1;     // the map's views and track bars, the lists' views, the rest
  QWidget* Panel1;
  TDrawAndEventMap* DrawAndEventMap1;
  TEmbeddedBrowser* EmbeddedWB1;
  IComboBox* IComboBox1;
  ibitmap* querybitmap;
  // The suggestion list under the query box.
  QListWidget* ListBox1;
  IBitmapButton* BBtnSearch;
  IBitmapButton* BBtnSearch2;
  IBitmapButton* IBitmapButtonNew;
  IBitmapButton* IBitmapButton6;
  IBitmapButton* IBitmapButton7;
  IBitmapButton* IBitmapButtonUndo;
  IBitmapButton* IBitmapButtonRedo;
  IBitmapButton* ibitmapButton1;
  IBitmapButton* fullRefresh;
  IBitmapButton* IBitmapButtonStop;
  // The view buttons that stay down: the program sets their Down; a click
  // only reports itself.
  IBitmapButton* IBitmapButton2;
  IBitmapButton* IBitmapButton4;
  IBitmapButton* BtnOptions;
  IBitmapButton* BtnHelp;
  QPushButton* Button1;
  IComboBox* CBWebSite;
  IBitmapTrackBar* TrackBar;
  IBitmapTrackBar* TrackBar3;
  // The track bars' labels: the word count's, and "any" and "all" on either
  // side of the match setting's.
  QLabel* LabelTrackBar;
  QLabel* LabelAny;
  QLabel* LabelAll;
  // The track bars' lengths (their pictures'), whatever the window's width.
  static constexpr int kTrackBarWidth = kControlPictures[static_cast<size_t>(TPicture::TrackWords)].Width;
  static constexpr int kTrackBar3Width = kControlPictures[static_cast<size_t>(TPicture::TrackMatch)].Width;
  IProgressBar* IProgressBar1;
  QLabel* TntLabel1;
  QLabel* Label1;
  ibitmap* ibitmap27;
  // The view buttons of the result page's lists (they stay down) and their
  // counters.
  std::array<IBitmapButton*, 6> ViewButtons{};
  std::array<QLabel*, 6> ViewCounters{};
  QMenu* PopupMenu1;
  QAction* pmAdd;
  QAction* pmRemovefromquery;
  QAction* pmRemoveFromExcluded;
  QAction* pmEditWord;
  QAction* pmAddToStopWords;
  QAction* pmShowEntryField;
  QAction* pmScope;
  QAction* pmExclude;
  QAction* pmEditElement;
  QAction* N2;
  QAction* N3;
  QAction* N4;
  QAction* N6;
  QAction* N8;
  QAction* r1;
  // The result page's menu: a word's entries or a scope button's.
  QMenu* PopupMenuPage;
  QAction* AddToQuery1;
  QAction* Excludefromquery1;
  QAction* UpdateEntry1;
  QAction* DeleteEntry1;
  // The project dialogs, the network edit panel and its toggle.
  TTntOpenProjectDialog* TntOpenProjectDialog1;
  TTntSaveProjectDialog* TntSaveProjectDialog1;
  TEditPanel* EditPanel;
  IBitmapButton* specia;
  QSplitter* Splitter1;

  // The widget of a control; null for one the window does not have.
  QWidget* ControlWidget(TMainControl control) const;

  // ---- handlers ----
  void FormShow();
  // The screen's available area for a window that nothing maximises.
  void TakeTheScreenUnlessMaximised();
  void FormActivate();
  // The edit panel's toggle: the map's edit mode follows the panel.
  void speciaClick();
  // The open dialog's import button.
  void TntOpenProjectDialog1Button();
  void pmExcludeClick();
  // The map's double click: over empty map space the query box opens,
  // emptied, at the mouse.
  void DrawAndEventMap1DblClick();

  // ---- IMainView ----
  int32_t MessageBox(std::u16string_view text, std::u16string_view caption, uint32_t flags) override;
  void SetCaption(std::u16string_view caption) override;
  void CloseMainWindow() override;
  void SetBusyCursor(bool busy) override;
  void SetEnabled(TMainControl control, bool enabled) override;
  bool Enabled(TMainControl control) const override;
  void SetVisible(TMainControl control, bool visible) override;
  bool Visible(TMainControl control) const override;
  void SetText(TMainControl control, std::u16string_view text) override;
  void SetDown(TMainControl control, bool down) override;
  bool Down(TMainControl control) const override;
  void SetFocus(TMainControl control) override;
  TViewRect Bounds(TMainControl control) const override;
  void SetBounds(TMainControl control, const TViewRect& bounds) override;
  void SetProgress(int32_t position) override;
  std::u16string QueryText() const override;
  void SetQueryText(std::u16string_view text) override;
  void SetQueryItems(const std::vector<std::u16string>& items) override;
  void CloseQueryDropDown() override;
  bool QueryDropDownOpen() const override;
  TViewPoint QueryPictureOffset() const override;
  void SetSuggestionItems(const std::vector<std::u16string>& items) override;
  int32_t SuggestionItemHeight() const override;
  int32_t WidestItemWidth(TMainControl box) const override;
  void SetDropDownWidth(TMainControl box, int32_t width) override;
  int32_t MapWidth() const override;
  int32_t MapHeight() const override;
  void SetEngineItems(const std::vector<std::u16string>& items, int32_t selected) override;
  void SetTrackBars(int32_t context, int32_t exact) override;
  void SelectEngineItem(int32_t index) override;
  void ShowHtml(std::u16string_view html) override;
  void ClearPageSelection() override;
  void ScrollPageTo(std::u16string_view anchor) override;
  void ReloadPage() override;
  void RepaintPage() override;
  void ShowPagePopup(bool scopeEntries) override;
  int32_t AskChangeEngine() override;
  int32_t AskSaveQuestion(bool& dontAsk) override;
  int32_t AskNoDictionary(std::u16string_view text, bool& dontAsk) override;
  // The options form of the form table, modal; kIdOk after OK, else
  // kIdCancel (also when the form does not exist).
  int32_t ShowOptionsForm(bool fromEngineBox) override;
  // "Options": the form from its general page.
  void BtnOptionsClick();
  // The update form, modal, made on first use (the language applied to it
  // alone); when it stored an installer (the session's InstallerPath), the
  // start page drops its update line and the window closes.
  void ShowUpdateForm();
  // "Edit Element": the network editor of the form table (not modal) lists
  // the first marked map word.
  void ShowNetworkEditor();
  void PostToUi(std::function<void()> call) override;
  void WaitUntil(const std::function<bool()>& done) override;

  // ---- IProjectDialogs over the two dialogs ----
  bool ExecuteOpen(std::u16string_view folder, std::u16string& fileName) override;
  bool ExecuteSave(TProjectSaveRequest& request) override;

  // ---- IMapViewOps over DrawAndEventMap1 ----
  void HoverOut() override;
  void HoverOutSoon() override;
  void StopHoverTimers() override;
  void ClearMap() override;
  void EnterState(uint32_t bits) override;
  void LeaveState(uint32_t bits) override;
  uint32_t State() const override;
  void RedrawDirty() override;
  void LoadKeysAndDraw() override;
  void AnimateNewMap() override;
  void StoreKeysInContentMap() override;
  void ResetBackground() override;
  void Relayout() override;
  void SetEnabled(bool enabled) override;
  void SetSkinPath(std::u16string_view folder) override;
  void MeasureKeyText(const TKey& key, int32_t& width, int32_t& height) override;

  // ---- the commands outside a search (main_commands.cpp) ----
  // The tool bar's project manager, print and mail buttons, "Tell a friend"
  // (sfrend) shown at the start and by the mouse over the animation IAnime1
  // on its plate ibitmap14, the logo ibitmap1 (a click: the about box
  // without waiting; its menu's About: modal), the hidden bbbb. The result
  // page stands in the right pane Panel3, whose width follows the window as
  // a share of it (Splitter1Tag). Label1 shows the hovered link's address
  // as plain text.
  IBitmapButton* IBitmapButton8 = nullptr;
  IBitmapButton* BtnPrintRes = nullptr;
  IBitmapButton* BtnPrintMap = nullptr;
  IBitmapButton* BtnSendMap = nullptr;
  IBitmapButton* BtnSendmail = nullptr;
  IBitmapButton* sfrend = nullptr;
  IBitmapButton* bbbb = nullptr;
  ibitmap* ibitmap14 = nullptr;
  IAnime* IAnime1 = nullptr;
  ibitmap* ibitmap1 = nullptr;
  QMenu* LogoMenu = nullptr;
  QAction* about1 = nullptr;
  QWidget* Panel3 = nullptr;
  QTimer* Timer2 = nullptr;  // 10 s after the first show: sfrend hides
  QTimer* Timer3 = nullptr;  // every 15 s: the animation plays while sfrend is hidden
  int32_t Splitter1Tag = kDefaultPanePercent;
  // The quality of "map.jpg".
  static constexpr int kMapJpegQuality = 90;

  // "Print the page": the print dialog, then the page to its printer.
  void BtnPrintResClick();
  // The page to a printer (no dialog); `done` (when given) gets whether it
  // printed. The printer must live until then.
  void PrintPage(QPrinter* printer, std::function<void(bool ok)> done = {});
  // "Print the map": the system's printer (the print dialog), one page.
  void BtnPrintMapClick();
  // A picture stretched onto one page of a printer (PrintMapRect); False,
  // nothing printed, for an empty picture or page.
  static bool PrintPicture(QPrinter& printer, const QImage& picture);
  void BtnSendMapClick();
  void BtnSendmailClick();
  void sfrendClick();
  void BtnHelpClick();
  void about1Click();
  void ibitmap1Click();
  void bbbbClick();
  // The project manager (the form "manager"), modal.
  void IBitmapButton8Click();
  void Timer2Timer();
  void Timer3Timer();
  void ibitmap14MouseMove();
  // The splitter moved: its tag follows, the map pane keeps its least width.
  void Splitter1Moved();
  // The window resized: the right pane takes the tag's share.
  void FormResize();
  void EmbeddedWB1StatusTextChange(const QString& text);
  // The window is to close: False keeps it.
  bool FormCloseQuery();
  // The window closes (the session's FormClose; the timers stop).
  void FormClose();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void CreateComponents();
  void CreateToolbar(QVBoxLayout* column);
  void CreateMapAndPage(QWidget* central, QVBoxLayout* column);
  void CreateStatusLine(QWidget* central, QVBoxLayout* column);
  void CreateMenus();
  void CreateProjectDialogs();
  // The commands' controls and their connections (main_commands.cpp).
  void CreateCommandControls();
  void ConnectCommands();
  void StartCommandTimers();
  // Events of the whole program for the commands: the track bars'
  // releases, the "Tell a friend" button's hover, the panes' resize.
  QObject* commandEvents_ = nullptr;
  bool closeQueried_ = false;
  void RegisterControls();
  void ConnectComponents();
  void InstallCursors();
  bool KeyPressed(QWidget* receiver, QKeyEvent* key);
  void MouseMoved(const QPoint& global);
  void CenterQueryBoxOnResize();
  // The query box's keys and the suggestion list's; true swallows the event.
  bool QueryBoxKey(QWidget* widget, QKeyEvent* key, bool pressed);
  // The map's word events and hooks, the browser control's navigation hook
  // and document end, the view buttons and both popup menus.
  void ConnectResultPage();
  // The browser is about to navigate: a command link is refused and
  // performed after the browser's handler (a page may be written then).
  bool BeforeNavigate(const QUrl& url, QWebEnginePage::NavigationType type);

  TKestruneSession& session_;
  std::array<QWidget*, static_cast<size_t>(TMainControl::kCount)> controls_{};
  bool creating_ = true;
  bool closed_ = false;
  bool createFailed_ = false;
  bool shown_ = false;
  bool showQueued_ = false;
  bool screenChecked_ = false;
  bool closeAfterSearch_ = false;
  bool closeBySignal_ = false;
  TFUpdate* updateForm_ = nullptr;  // a child, made on first use
  // Where the map's popup menu opened (Panel1's pixels) and the key under it.
  QPoint popupPoint_;
  int32_t popupWord_ = -1;
};

// The main window while it exists, else null.
extern TFKestruneMain* FKestruneMain;

}  // namespace kestrune
