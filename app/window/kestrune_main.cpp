#include "app/window/kestrune_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <exception>

#include "app/engine_web_adapter.h"
#include "app/window/apply_language.h"
#include "app/window/flow_layout.h"
#include "core/log_file.h"
#include "core/message.h"
#include "core/message_strings.h"
#include "platform/gui/screen_cursors.h"
#include "platform/gui/window_manager.h"
#include "platform/text.h"
#include "ui/first_frame.h"
#include "ui/network_editor.h"
#include "ui/options_form.h"
#include "ui/project_dialogs.h"
#include "ui/question_forms.h"
#include "ui/update_form.h"

namespace kestrune {

TFKestruneMain* FKestruneMain = nullptr;

namespace {

// The program's own cursor of the main window.
constexpr int32_t kWindowCursor = 5;
constexpr char16_t kWindowCursorFile[] = u"templates/en/Cursor1.cur";
// How long the first show waits for the browser's blank page.
constexpr int kBlankPageTimeoutMs = 10000;

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// A cursor file: its first picture with that picture's hot spot. False when
// the file is missing or no cursor file.
bool ReadCursorFile(const QString& path, QCursor& cursor) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  if (bytes.size() < 22) return false;
  auto word = [&bytes](int at) {
    return static_cast<int>(static_cast<uint8_t>(bytes[at]) | (static_cast<uint8_t>(bytes[at + 1]) << 8));
  };
  if (word(0) != 0 || word(2) != 2 || word(4) == 0) return false;
  QImage image;
  if (!image.loadFromData(bytes, "CUR") || image.isNull()) return false;
  cursor = QCursor(QPixmap::fromImage(image), std::min(word(10), image.width() - 1),
                   std::min(word(12), image.height() - 1));
  return true;
}

// A popup window (a menu, a drop-down list) of the program.
bool IsPopupWindow(QObject* window) { return static_cast<QWindow*>(window)->type() == Qt::Popup; }

// The first widget a key event reaches: the focus widget, or the window when
// nothing has the focus. The event is then passed on to the parents.
bool FirstKeyReceiver(QWidget* widget) {
  QWidget* focus = QApplication::focusWidget();
  return focus ? widget == focus : widget->isWindow();
}

}  // namespace

TFKestruneMain::TFKestruneMain(TKestruneSession& session) : session_(session) {
  setObjectName("FKestruneMain");
  resize(1024, 700);
  FKestruneMain = this;
  GiveNativeBackground(*this);
  CreateComponents();
  ApplyBuiltInLanguage(*this);
  InstallCursors();
  ConnectComponents();
  qApp->installEventFilter(this);
  session_.Hooks.OnApplyLanguage = [this] { ApplyLanguage(); };
  // Projects: the dialogs, the save question before the close, the project
  // of the command line.
  session_.ProjectFile.Dialogs = this;
  session_.Hooks.OnSaveQuestion = [this] {
    return !closeBySignal_ && session_.SaveQuestion(TKestruneSession::TSaveQuestionAt::Close);
  };
  OnCommandLineProject = [this](std::u16string_view path) { session_.OpenNamedProject(path); };
  // The update check: Timer1 starts it, its record arrives as kNewsEvent.
  OnUpdateCheckTimer = [this] { session_.Update1Click(); };
  OnUpdateFound = [this] { ShowUpdateForm(); };
  OnNews = [this] { session_.TakeNews(); };
  OnStopUpdateCheck = [this] { session_.StopUpdateCheck(); };
  session_.Hooks.OnShowUpdateForm = [this] { ShowUpdateForm(); };
  session_.Hooks.OnEditElement = [this](const TNNKey&) { ShowNetworkEditor(); };
  session_.Hooks.OnPostNews = [this] { QCoreApplication::postEvent(this, new QEvent(kNewsEvent)); };
  session_.Run.OnSearchRunEnded = [this] {
    if (closeAfterSearch_) QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
  };
  auto engine = std::make_unique<TEngineWebAdapter>();
  session_.Run.EngineObject = &engine->Engine();
  try {
    createFailed_ = !session_.Create(this, this, std::move(engine));
  } catch (const std::exception& error) {
    LogFile.Log(std::string("Error in procedure TFKestruneMain.FormCreate: ") + error.what(), 2);
  }
  creating_ = false;
}

TFKestruneMain::~TFKestruneMain() {
  // The query box's change handlers go first.
  disconnect(IComboBox1, nullptr, this, nullptr);
  IComboBox1->OnVisible = nullptr;
  qApp->removeEventFilter(this);
  session_.Run.OnSearchRunEnded = nullptr;
  session_.Hooks.OnHelp = nullptr;
  session_.Hooks.OnStopUpdateCheck = nullptr;
  session_.Hooks.OnSaveQuestion = nullptr;
  if (commandEvents_) qApp->removeEventFilter(commandEvents_);
  session_.Hooks.OnApplyLanguage = nullptr;
  session_.Hooks.OnShowUpdateForm = nullptr;
  if (session_.ProjectFile.Dialogs == this) session_.ProjectFile.Dialogs = nullptr;
  EditPanel->Bind(nullptr);
  session_.Map.MapEditMode = false;
  session_.Hooks.OnEditElement = nullptr;
  session_.StopUpdateCheck();  // nothing more is posted to this window
  session_.Hooks.OnPostNews = nullptr;
  try {
    session_.Destroy();
  } catch (const std::exception& error) {
    LogFile.Log(std::string("Error in procedure TFKestruneMain.FormDestroy: ") + error.what(), 2);
  }
  // Nothing of the session may reach this window any more.
  session_.ContentMap.OnReGetData = nullptr;
  session_.ContentMap.OnMeasureKeyHook = nullptr;
  if (session_.View == this) session_.View = nullptr;
  if (session_.Config.View == this) session_.Config.View = nullptr;
  if (session_.MapView == this) session_.MapView = nullptr;
  platform::ScreenCursors().SetGlobalCursor(platform::crDefault);
  if (FKestruneMain == this) FKestruneMain = nullptr;
}

namespace {

template <typename TWidget>
TWidget* Named(TWidget* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

QString PictureName(TPicture picture) { return QString::fromStdString(PictureFile(picture)); }

// The captions of the picture buttons: white with a dark halo, beside the
// picture's glyph at its left.
constexpr int kCaptionPixels = 12;
const QColor kCaptionGlow(0x1E, 0x2B, 0x3A);


// The toolbar: its rows' spacing, its margins and the text colour of its
// labels on the plate; the margin of the map, the page and the status line.
constexpr int kToolbarSpacing = 5;
constexpr int kToolbarMargin = 6;
const QColor kToolbarText(0xE8, 0xEE, 0xF6);
constexpr int kBodyMargin = 9;

// The toolbar's panel with its plate stretched over the whole of it, under
// every control.
class TToolbarPanel : public QWidget {
 public:
  explicit TToolbarPanel(QWidget* parent) : QWidget(parent) {
    Plate = new ibitmap(this);
    Plate->setObjectName("ToolbarPlate");
    Plate->SetStretch(true);
    Plate->SetFileName(QString::fromStdString(PictureFile(TPicture::ToolbarPlate)));
    Plate->lower();
  }
  ibitmap* Plate;

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    Plate->setGeometry(rect());
    Plate->lower();
  }
};

// A control that the program hides keeps its place in its layout.
void KeepPlaceWhenHidden(QWidget& widget) {
  QSizePolicy policy = widget.sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  widget.setSizePolicy(policy);
}

// A combo box whose drop-down list reports its opening first.
class TDropDownComboBox : public IComboBox {
 public:
  using IComboBox::IComboBox;
  std::function<void()> OnDropDown;
  void showPopup() override {
    if (OnDropDown) OnDropDown();
    IComboBox::showPopup();
  }
};

// Keeps a combo box's frame picture (its `button`) at the box's place +
// (ex, ey), stacked right under the box and shown while the box is.
class TComboFrame : public QObject {
 public:
  TComboFrame(IComboBox* box, TPicture picture, int32_t ex, int32_t ey) : QObject(box), box_(box) {
    frame_ = PictureButton(box->parentWidget(), "", picture, false);
    box->Setex(ex);
    box->Setey(ey);
    box->Setbutton(frame_);
    box->installEventFilter(this);
    Follow();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::ShowToParent:
      case QEvent::HideToParent:
      case QEvent::ZOrderChange:
        if (watched == box_) Follow();
        break;
      default:
        break;
    }
    return false;
  }

 private:
  void Follow() {
    if (!frame_) return;
    frame_->move(box_->pos() + QPoint(box_->ex(), box_->ey()));
    frame_->setVisible(!box_->isHidden());
    frame_->stackUnder(box_);
  }

  IComboBox* box_;
  QPointer<IBitmapButton> frame_;
};

// The virtual-key code of a key as the session's key handlers take it.
int32_t VirtualKey(const QKeyEvent* key) {
  switch (key->key()) {
    case Qt::Key_Escape: return 27;
    case Qt::Key_Up: return 38;
    case Qt::Key_Down: return 40;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    default: return key->key() < 0x100 ? key->key() : 0;
  }
}

}  // namespace

IBitmapButton* PictureButton(QWidget* parent, const char* name, TPicture picture, bool caption) {
  auto* button = Named(new IBitmapButton(parent), name);
  SetButtonPictures(*button, picture);
  const TControlPicture& entry = ControlPicture(picture);
  button->setFixedSize(entry.Width, entry.Height);
  if (caption) {
    button->setFont(QFont(button->font().family(), kCaptionPixels));
    QPalette palette = button->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    button->setPalette(palette);
    button->SetStringAlign(StringAlignmentNear);
    button->SetOffsetTextX(entry.Height - 2);
    button->SetGlow(true);
    button->SetGlowColor(kCaptionGlow);
  }
  return button;
}

void TFKestruneMain::CreateComponents() {
  auto* central = new QWidget(this);
  central->setObjectName("Panel14");
  setCentralWidget(central);
  // The toolbar on its plate from edge to edge, then the map and the page
  // and the status line within the window's margins.
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  CreateToolbar(column);
  auto* body = new QVBoxLayout;
  body->setContentsMargins(kBodyMargin, kBodyMargin, kBodyMargin, kBodyMargin);
  column->addLayout(body, 1);
  CreateMapAndPage(central, body);
  CreateStatusLine(central, body);
  CreateMenus();
  CreateProjectDialogs();
  CreateCommandControls();
  RegisterControls();
  querybitmap->raise();
  IComboBox1->raise();
  BBtnSearch->raise();
  BBtnSearch2->raise();
  ListBox1->raise();
}

void TFKestruneMain::CreateToolbar(QVBoxLayout* column) {
  // Two rows on the dark plate: the commands, then the map's views and
  // settings and the result lists' views. A row goes on in a further line
  // where the window is narrow (the window is never wider than its widest
  // control); at 1280 pixels each row is one line. A control the program
  // hides keeps its place: nothing moves when it shows.
  auto* panel = new TToolbarPanel(centralWidget());
  PanelToolbar = Named(static_cast<QWidget*>(panel), "PanelToolbar");
  ToolbarPlate = panel->Plate;
  QPalette light = PanelToolbar->palette();
  light.setColor(QPalette::WindowText, kToolbarText);
  PanelToolbar->setPalette(light);
  column->addWidget(PanelToolbar);
  auto* tools = new TFlowLayout(PanelToolbar, kToolbarSpacing);
  tools->setContentsMargins(kToolbarMargin, kToolbarMargin - 2, kToolbarMargin, kToolbarMargin - 2);
  QWidget* const central = PanelToolbar;
  auto add = [tools](QWidget* widget, int row) {
    KeepPlaceWhenHidden(*widget);
    tools->AddWidget(widget, row);
  };
  auto button = [&](const char* name, TPicture picture) {
    IBitmapButton* b = PictureButton(central, name, picture);
    add(b, kToolbarCommandRow);
    return b;
  };
  IBitmapButtonNew = button("IBitmapButtonNew", TPicture::NewQuery);
  IBitmapButton6 = button("IBitmapButton6", TPicture::OpenProject);
  IBitmapButton7 = button("IBitmapButton7", TPicture::SaveProject);
  IBitmapButtonUndo = button("IBitmapButtonUndo", TPicture::Undo);
  IBitmapButtonRedo = button("IBitmapButtonRedo", TPicture::Redo);
  ibitmapButton1 = button("ibitmapButton1", TPicture::Refresh);
  fullRefresh = button("fullRefresh", TPicture::FullRefresh);
  IBitmapButtonStop = button("IBitmapButtonStop", TPicture::Stop);
  // The engine box as wide as its longest name (at least as its frame), with
  // room for its frame around it.
  const TControlPicture& engineFrame = ControlPicture(TPicture::EngineCombo);
  auto* engineHolder = new QWidget(central);
  auto* engineRow = new QHBoxLayout(engineHolder);
  // (Room at the sides only: a taller holder would grow the toolbar's row
  // once the box knows its items, and resize the map.)
  engineRow->setContentsMargins(9, 0, 9, 0);
  auto* engineBox = new TDropDownComboBox(engineHolder);
  CBWebSite = Named(static_cast<IComboBox*>(engineBox), "CBWebSite");
  CBWebSite->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  CBWebSite->setMinimumSize(engineFrame.Width - 18, engineFrame.Height - 2);
  engineBox->OnDropDown = [this] { session_.CBWebSiteDropDown(); };
  new TComboFrame(CBWebSite, TPicture::EngineCombo, -9, -1);
  engineRow->addWidget(CBWebSite);
  add(engineHolder, kToolbarCommandRow);
  // A picture button of the second row.
  auto secondRow = [&](const char* name, TPicture picture) {
    IBitmapButton* b = PictureButton(central, name, picture);
    add(b, kToolbarViewRow);
    return b;
  };
  IBitmapButton2 = secondRow("IBitmapButton2", TPicture::QueryView);
  IBitmapButton2->SetDown(true);  // the map starts in the query view
  IBitmapButton4 = secondRow("IBitmapButton4", TPicture::ExcludedView);
  // Controls that belong together stay in one line of the toolbar: a track
  // bar with its labels, a view button with its counter.
  auto group = [&](std::initializer_list<QWidget*> widgets) {
    auto* box = new QWidget(central);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    for (QWidget* widget : widgets) {
      widget->setParent(box);
      row->addWidget(widget);
    }
    add(box, kToolbarViewRow);
    return box;
  };
  // A track bar on its picture with its thumb, a sibling the track bar
  // places.
  auto track = [&](const char* name, TPicture picture, int32_t min, int32_t max) {
    auto* bar = Named(new IBitmapTrackBar(central), name);
    bar->SetFileName(PictureName(picture));
    bar->setFixedSize(ControlPicture(picture).Width, ControlPicture(picture).Height);
    bar->SetOffsetX(4);
    bar->SetOffsetY(2);
    bar->SetMin(min);
    bar->SetMax(max);
    return bar;
  };
  auto thumb = [&](IBitmapTrackBar* bar, const char* name) {
    IBitmapButton* b = PictureButton(bar->parentWidget(), name, TPicture::Thumb, false);
    bar->SetITrack(b);
    bar->Setposition(bar->position());
    b->raise();
  };
  TrackBar = track("TrackBar", TPicture::TrackWords, kMinTrackPosContext, kMaxTrackPosContext);
  LabelTrackBar = Named(new QLabel(central), "LabelTrackBar");
  group({LabelTrackBar, TrackBar});
  thumb(TrackBar, "TrackBarThumb");
  TrackBar3 = track("TrackBar3", TPicture::TrackMatch, 0, kMaxTrackPosExact);
  LabelAny = Named(new QLabel(central), "LabelAny");
  LabelAll = Named(new QLabel(central), "LabelAll");
  group({LabelAny, TrackBar3, LabelAll});
  thumb(TrackBar3, "TrackBar3Thumb");
  // The result lists' view buttons, each a picture (its name is its hint)
  // with its counter, wide enough for three digits.
  constexpr const char* kViewNames[][2] = {
      {"IBitmapBtnShowDelLinks", "LabelDelLinksCount"}, {"IBitmapBtnShowDelSites", "LabelDelSitesCount"},
      {"IBitmapBtnShowNew", "LabelNewCount"},           {"IBitmapBtnShowOld", "LabelOldCount"},
      {"IBitmapBtnShowFavorites", "LabelFavoritesCount"}, {"IBitmapBtnShowStopWords", "LabelStopWordsCount"}};
  constexpr TPicture kViewPictures[] = {TPicture::ShowRemovedLinks, TPicture::ShowHiddenSites, TPicture::ShowNewLinks,
                                        TPicture::ShowOldLinks,     TPicture::ShowFavorites,   TPicture::ShowStopWords};
  for (size_t i = 0; i < ViewButtons.size(); ++i) {
    ViewButtons[i] = PictureButton(central, kViewNames[i][0], kViewPictures[i], false);
    ViewButtons[i]->setEnabled(false);
    ViewCounters[i] = Named(new QLabel(QStringLiteral("0"), central), kViewNames[i][1]);
    ViewCounters[i]->setMinimumWidth(ViewCounters[i]->fontMetrics().horizontalAdvance(QStringLiteral("000")));
    group({ViewButtons[i], ViewCounters[i]});
  }
  BtnOptions = secondRow("BtnOptions", TPicture::Options);
  BtnHelp = secondRow("BtnHelp", TPicture::Help);
  Button1 = Named(new QPushButton(central), "Button1");
  Button1->setFocusPolicy(Qt::NoFocus);
  Button1->hide();
  // The edit panel's toggle: advanced mode only, which stays off.
  specia = Named(new IBitmapButton(central), "specia");
  specia->hide();
}

void TFKestruneMain::CreateMapAndPage(QWidget* central, QVBoxLayout* column) {
  // The map and, over it, the query box; the result page beside it.
  auto* splitter = Named(new ISplitter(Qt::Horizontal, central), "Splitter1");
  splitter->Setfilename(PictureName(TPicture::Splitter));
  splitter->setHandleWidth(ControlPicture(TPicture::Splitter).Width);
  Splitter1 = splitter;
  column->addWidget(splitter, 1);
  Panel1 = Named(new QWidget(splitter), "Panel1");
  auto* mapLayout = new QVBoxLayout(Panel1);
  mapLayout->setContentsMargins(0, 0, 0, 0);
  DrawAndEventMap1 = Named(new TDrawAndEventMap(Panel1), "DrawAndEventMap1");
  DrawAndEventMap1->setFocusPolicy(Qt::StrongFocus);
  // The network edit panel over the map, hidden until its toggle.
  EditPanel = new TEditPanel(Panel1);
  mapLayout->addWidget(EditPanel);
  mapLayout->addWidget(DrawAndEventMap1);
  // The query box in its frame (9 pixels beyond it at either side, one
  // above and below), the search buttons beside it at the frame's top, and
  // behind both the plate querybitmap.
  constexpr int32_t kFrameX = -9;
  constexpr int32_t kFrameY = -1;
  const TControlPicture& frame = ControlPicture(TPicture::QueryCombo);
  const TControlPicture& search = ControlPicture(TPicture::Search);
  const int boxWidth = frame.Width + 2 * kFrameX;
  querybitmap = Named(new ibitmap(Panel1), "querybitmap");
  querybitmap->SetStretch(true);
  querybitmap->SetFileName(PictureName(TPicture::QueryPlate));
  querybitmap->resize(-kFrameX + boxWidth + 15 + search.Width - kFrameX, std::max(frame.Height, search.Height));
  auto* queryBox = new TDropDownComboBox(Panel1);
  IComboBox1 = Named(static_cast<IComboBox*>(queryBox), "IComboBox1");
  IComboBox1->setEditable(true);
  IComboBox1->setInsertPolicy(QComboBox::NoInsert);
  // The suggestion list offers the history; the box completes nothing itself.
  IComboBox1->setCompleter(nullptr);
  // The longest query the box takes, also the longest the history reads.
  IComboBox1->lineEdit()->setMaxLength(static_cast<int>(kMaxQueryLength));
  IComboBox1->setGeometry(0, 0, boxWidth, frame.Height + 2 * kFrameY);
  queryBox->OnDropDown = [this] { session_.IComboBox1DropDown(); };
  new TComboFrame(IComboBox1, TPicture::QueryCombo, kFrameX, kFrameY);
  BBtnSearch = PictureButton(Panel1, "BBtnSearch", TPicture::Search);
  BBtnSearch->move(boxWidth + 15, kFrameY);
  BBtnSearch2 = PictureButton(Panel1, "BBtnSearch2", TPicture::Search2);
  BBtnSearch2->move(boxWidth + 15, kFrameY);
  BBtnSearch2->hide();
  ListBox1 = Named(new QListWidget(Panel1), "ListBox1");
  ListBox1->setUniformItemSizes(true);
  ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ListBox1->setGeometry(0, IComboBox1->height(), boxWidth, SuggestionItemHeight());
  ListBox1->hide();
  EmbeddedWB1 = Named(new TEmbeddedBrowser(splitter), "EmbeddedWB1");
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 1);
}

void TFKestruneMain::CreateStatusLine(QWidget* central, QVBoxLayout* column) {
  // The status line, of one height whether the progress bar shows or not:
  // a search does not resize the map.
  auto* statusLine = new QWidget(central);
  auto* status = new QHBoxLayout(statusLine);
  status->setContentsMargins(0, 0, 0, 0);
  column->addWidget(statusLine);
  TntLabel1 = Named(new QLabel(statusLine), "TntLabel1");
  // The progress bar over its background, which it paints beneath its fill.
  const TControlPicture& back = ControlPicture(TPicture::ProgressBack);
  auto* progress = new QWidget(statusLine);
  progress->setFixedSize(back.Width, back.Height);
  ibitmap27 = Named(new ibitmap(progress), "ibitmap27");
  ibitmap27->SetFileName(PictureName(TPicture::ProgressBack));
  IProgressBar1 = Named(new IProgressBar(progress), "IProgressBar1");
  IProgressBar1->SetbuttonP(PictureName(TPicture::ProgressFill));
  IProgressBar1->Setbutton(ibitmap27);
  IProgressBar1->Setex(-2);
  IProgressBar1->Setey(-2);
  IProgressBar1->setRange(0, 100);
  IProgressBar1->setTextVisible(false);
  IProgressBar1->setGeometry(2, 2, back.Width - 4, back.Height - 4);
  Label1 = Named(new QLabel(statusLine), "Label1");
  status->addWidget(TntLabel1);
  status->addWidget(progress);
  status->addWidget(Label1, 1);
  statusLine->setFixedHeight(std::max({back.Height, Label1->sizeHint().height(), TntLabel1->sizeHint().height()}));
}

void TFKestruneMain::CreateMenus() {
  // The map's menu; the items the map's state does not call for are hidden.
  PopupMenu1 = Named(new QMenu(this), "PopupMenu1");
  auto item = [this](const char* name, bool visible) {
    QAction* action = PopupMenu1->addAction(QString());
    action->setObjectName(name);
    action->setVisible(visible);
    return action;
  };
  pmAdd = item("pmAdd", true);
  pmExclude = item("pmExclude", true);
  pmRemovefromquery = item("pmRemovefromquery", false);
  pmRemoveFromExcluded = item("pmRemoveFromExcluded", false);
  pmEditWord = item("pmEditWord", false);
  pmAddToStopWords = item("pmAddToStopWords", true);
  pmShowEntryField = item("pmShowEntryField", false);
  pmScope = item("pmScope", false);
  pmEditElement = item("pmEditElement", false);
  N2 = item("N2", false);
  N3 = item("N3", false);
  N4 = item("N4", false);
  N6 = item("N6", false);
  N8 = item("N8", false);
  r1 = item("r1", false);
  N8->setCheckable(true);
  r1->setCheckable(true);
  PopupMenuPage = Named(new QMenu(this), "PopupMenuPage");
  auto pageItem = [this](const char* name) {
    QAction* action = PopupMenuPage->addAction(QString());
    action->setObjectName(name);
    return action;
  };
  AddToQuery1 = pageItem("AddToQuery1");
  Excludefromquery1 = pageItem("Excludefromquery1");
  UpdateEntry1 = pageItem("UpdateEntry1");
  DeleteEntry1 = pageItem("DeleteEntry1");
}

void TFKestruneMain::CreateProjectDialogs() {
  TntOpenProjectDialog1 = Named(new TTntOpenProjectDialog(this), "TntOpenProjectDialog1");
  TntOpenProjectDialog1->OnSelectionChange = TntOpenProjectDialog1SelectionChange;
  TntOpenProjectDialog1->SetOnButton([this] { TntOpenProjectDialog1Button(); });
  TntSaveProjectDialog1 = Named(new TTntSaveProjectDialog(this), "TntSaveProjectDialog1");
}

void TFKestruneMain::RegisterControls() {
  const std::pair<TMainControl, QWidget*> controls[] = {
      {TMainControl::IBitmapButtonUndo, IBitmapButtonUndo},
      {TMainControl::IBitmapButtonRedo, IBitmapButtonRedo},
      {TMainControl::ibitmapButton1, ibitmapButton1},
      {TMainControl::fullRefresh, fullRefresh},
      {TMainControl::IBitmapButtonStop, IBitmapButtonStop},
      {TMainControl::IBitmapButtonNew, IBitmapButtonNew},
      {TMainControl::IBitmapButton2, IBitmapButton2},
      {TMainControl::IBitmapButton4, IBitmapButton4},
      {TMainControl::IBitmapButton6, IBitmapButton6},
      {TMainControl::IBitmapButton7, IBitmapButton7},
      {TMainControl::BBtnSearch, BBtnSearch},
      {TMainControl::BBtnSearch2, BBtnSearch2},
      {TMainControl::querybitmap, querybitmap},
      {TMainControl::IComboBox1, IComboBox1},
      {TMainControl::CBWebSite, CBWebSite},
      {TMainControl::IProgressBar1, IProgressBar1},
      {TMainControl::TntLabel1, TntLabel1},
      {TMainControl::Label1, Label1},
      {TMainControl::ibitmap27, ibitmap27},
      {TMainControl::EmbeddedWB1, EmbeddedWB1},
      {TMainControl::Panel1, Panel1},
      {TMainControl::TrackBar, TrackBar},
      {TMainControl::TrackBar3, TrackBar3},
      {TMainControl::BtnHelp, BtnHelp},
      {TMainControl::BtnOptions, BtnOptions},
      {TMainControl::IBitmapBtnShowDelLinks, ViewButtons[0]},
      {TMainControl::IBitmapBtnShowDelSites, ViewButtons[1]},
      {TMainControl::IBitmapBtnShowNew, ViewButtons[2]},
      {TMainControl::IBitmapBtnShowOld, ViewButtons[3]},
      {TMainControl::IBitmapBtnShowFavorites, ViewButtons[4]},
      {TMainControl::IBitmapBtnShowStopWords, ViewButtons[5]},
      {TMainControl::LabelDelLinksCount, ViewCounters[0]},
      {TMainControl::LabelDelSitesCount, ViewCounters[1]},
      {TMainControl::LabelNewCount, ViewCounters[2]},
      {TMainControl::LabelOldCount, ViewCounters[3]},
      {TMainControl::LabelFavoritesCount, ViewCounters[4]},
      {TMainControl::LabelStopWordsCount, ViewCounters[5]},
      {TMainControl::ListBox1, ListBox1},
  };
  for (const auto& [control, widget] : controls) controls_[static_cast<size_t>(control)] = widget;
}

void TFKestruneMain::ConnectComponents() {
  // The map's hooks.
  TDrawAndEventMap& map = *DrawAndEventMap1;
  map.SetContentMap(&session_.ContentMap);
  map.SetPopupMenu(PopupMenu1);
  map.OnMapMouseDownHook = [this] { session_.SetMapFocus(); };
  map.OnQueryBusyHook = [this] { return session_.IsQueryBoxVisible(); };
  map.OnQueryWordClickHook = [this] { session_.SaveKeysUndoState(); };
  map.OnDblClick = [this](TCustomDrawAndEventMap&) { DrawAndEventMap1DblClick(); };
  Panel1->installEventFilter(this);

  // The query box: Enter searches (taken in the event filter: the box's line
  // edit lets Enter go on to the box, which hands it to the line edit once
  // more), a change highlights.
  connect(IComboBox1, &QComboBox::editTextChanged, this, [this] { session_.QueryChange(); });
  // The suggestion list follows the box's visibility and its keys (the event
  // filter); a suggestion pressed goes into the box, the release hides the
  // list.
  IComboBox1->OnVisible = [this](QObject*) { session_.IComboBox1Visible(); };
  connect(ListBox1, &QListWidget::itemPressed, this,
          [this](QListWidgetItem* item) { session_.ListBox1Click(ListBox1->row(item)); });
  ListBox1->viewport()->installEventFilter(this);
  for (IBitmapButton* search : {BBtnSearch, BBtnSearch2}) {
    search->OnClick = [this](QObject*) { session_.BBtnSearchClick(); };
  }
  querybitmap->OnClick = [this](QObject*) { session_.querybitmapClick(); };
  querybitmap->OnMouseDown = [this](QWidget&, Qt::MouseButton, Qt::MouseButtons, Qt::KeyboardModifiers, int32_t,
                                    int32_t) { session_.querybitmapMouseDown(); };
  connect(CBWebSite, &QComboBox::activated, this,
          [this](int index) { session_.CBWebSite2Change(CBWebSite->itemText(index).toStdU16String()); });

  // The buttons.
  BtnOptions->OnClick = [this](QObject*) { BtnOptionsClick(); };
  IBitmapButtonStop->OnClick = [this](QObject*) { session_.BtnStopClick(); };
  ibitmapButton1->OnClick = [this](QObject*) { session_.BtnMetasearchClick(); };
  connect(Button1, &QPushButton::clicked, this, [this] { session_.Button1Click(); });
  IBitmapButtonNew->OnClick = [this](QObject*) { session_.IBitmapButtonNewClick(); };
  IBitmapButton6->OnClick = [this](QObject*) { session_.IBitmapButton6Click(); };
  IBitmapButton7->OnClick = [this](QObject*) { session_.IBitmapButton7Click(); };
  specia->OnClick = [this](QObject*) { speciaClick(); };
  EditPanel->Bind(&session_.Edits.EditPanel);
  IBitmapButton2->OnClick = [this](QObject*) { session_.IBitmapButton2Click(); };
  IBitmapButton4->OnClick = [this](QObject*) { session_.ExcludedWordsButtonClick(); };
  BtnHelp->OnClick = [this](QObject*) {
    if (OnHelp) OnHelp();
  };
  TrackBar->OnChange = [this](QObject*) { session_.TrackBarChange(TrackBar->position()); };

  // The map's menu.
  connect(pmExclude, &QAction::triggered, this, [this] { pmExcludeClick(); });
  connect(pmEditElement, &QAction::triggered, this, [this] { session_.pmEditElementClick(); });
  connect(N2, &QAction::triggered, this, [this] { session_.N2Click(); });
  connect(N3, &QAction::triggered, this, [this] { session_.N3Click(); });
  connect(N4, &QAction::triggered, this, [this] { session_.N4Click(); });
  connect(N6, &QAction::triggered, this, [this] { session_.N6Click(); });
  connect(N8, &QAction::triggered, this, [this] {
    session_.N8Click();
    N8->setChecked(session_.ContentMap.RemoveOverlaps);
  });
  connect(r1, &QAction::triggered, this, [this] {
    session_.r1Click();
    r1->setChecked(session_.ContentMap.Distribute);
  });

  // The application's activation.
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive && shown_) FormActivate();
  });
  ConnectResultPage();
  ConnectCommands();
}

void TFKestruneMain::ConnectResultPage() {
  // The map's word events.
  TDrawAndEventMap& map = *DrawAndEventMap1;
  map.OnGroupSelect = [this](TCustomDrawAndEventMap&, int32_t count, const TNNKeys& keys, bool selected,
                             int32_t variant) { session_.DrawAndEventMap1GroupSelect(count, variant, selected, keys); };
  map.OnSingleSelect = [this](TCustomDrawAndEventMap&, TNNKey& key, bool selected, int32_t variant) {
    session_.DrawAndEventMap1SingleSelect(key, variant, selected);
  };
  map.OnMouseClickByWord = [this](TCustomDrawAndEventMap&, TNNKey& key, bool selected, int32_t variant) {
    session_.DrawAndEventMap1MouseClickByWord(key, variant, selected);
  };
  map.OnMouseToWord = [this](TCustomDrawAndEventMap&, TNNKey& key, bool, int32_t variant) {
    session_.DrawAndEventMap1MouseToWord(key, variant);
  };
  map.OnMouseOutWord = [this](TCustomDrawAndEventMap&, TNNKey& key, bool, int32_t) {
    session_.DrawAndEventMap1MouseOutWord(key);
  };
  map.OnHoverOutHook = [this] { session_.MapHoverEnd(); };
  map.OnPreviewWordHook = [this] { session_.PreviewWordResults(); };
  map.OnClick = [this](TCustomDrawAndEventMap&) { session_.DrawAndEventMap1Click(); };
  map.OnMouseUp = [this](TCustomDrawAndEventMap&, Qt::MouseButton, Qt::KeyboardModifiers, int32_t, int32_t) {
    session_.DrawAndEventMap1MouseUp();
  };

  // The map's menu: its items follow the map's state when it opens.
  connect(PopupMenu1, &QMenu::aboutToShow, this, [this] {
    popupPoint_ = Panel1->mapFromGlobal(QCursor::pos());
    popupWord_ = DrawAndEventMap1->HitIndex();
    const TKestruneSession::TMapPopupItems items = session_.PopupMenu1Popup();
    pmAdd->setVisible(items.pmAdd);
    pmExclude->setVisible(items.pmExclude);
    pmRemovefromquery->setVisible(items.pmRemovefromquery);
    pmRemoveFromExcluded->setVisible(items.pmRemoveFromExcluded);
    pmEditWord->setVisible(items.pmEditWord);
    pmEditElement->setVisible(items.pmEditElement);
    pmAddToStopWords->setVisible(items.pmAddToStopWords);
    pmShowEntryField->setVisible(items.pmShowEntryField);
    pmScope->setVisible(items.pmScope);
  });
  connect(pmAdd, &QAction::triggered, this, [this] { session_.pmAddClick(popupWord_); });
  connect(pmAddToStopWords, &QAction::triggered, this, [this] { session_.pmAddToStopWordsClick(); });
  connect(pmEditWord, &QAction::triggered, this, [this] { session_.pmEditWordClick(popupPoint_.x(), popupPoint_.y()); });
  connect(pmRemoveFromExcluded, &QAction::triggered, this, [this] { session_.pmRemoveFromExcludedClick(); });
  connect(pmRemovefromquery, &QAction::triggered, this, [this] { session_.pmRemovefromqueryClick(); });
  connect(pmShowEntryField, &QAction::triggered, this,
          [this] { session_.PlaceQueryBox(popupPoint_.x(), popupPoint_.y(), false); });
  connect(pmScope, &QAction::triggered, this, [this] { session_.pmScopeClick(); });

  // The result page's menu.
  const std::pair<QAction*, TKestruneSession::TPagePopupItem> pageItems[] = {
      {AddToQuery1, TKestruneSession::TPagePopupItem::AddToQuery1},
      {Excludefromquery1, TKestruneSession::TPagePopupItem::Excludefromquery1},
      {UpdateEntry1, TKestruneSession::TPagePopupItem::UpdateEntry1},
      {DeleteEntry1, TKestruneSession::TPagePopupItem::DeleteEntry1}};
  for (const auto& [action, entry] : pageItems) {
    connect(action, &QAction::triggered, this, [this, entry = entry] { session_.PagePopupClick(entry); });
  }

  // The view buttons: a click turns the button's view on or back off.
  constexpr TMainControl kViewControls[] = {
      TMainControl::IBitmapBtnShowDelLinks, TMainControl::IBitmapBtnShowDelSites,
      TMainControl::IBitmapBtnShowNew,      TMainControl::IBitmapBtnShowOld,
      TMainControl::IBitmapBtnShowFavorites, TMainControl::IBitmapBtnShowStopWords};
  for (size_t i = 0; i < ViewButtons.size(); ++i) {
    ViewButtons[i]->OnClick = [this, i, control = kViewControls[i]](QObject*) {
      ViewButtons[i]->SetDown(!ViewButtons[i]->Down());
      session_.ViewButtonClick(control);
    };
  }

  // The steps of the search and the download of every scope.
  IBitmapButtonUndo->OnClick = [this](QObject*) { session_.BtnBackClick(); };
  IBitmapButtonRedo->OnClick = [this](QObject*) { session_.BtnNextClick(); };
  fullRefresh->OnClick = [this](QObject*) { session_.fullRefreshClick(); };

  // The page's help link is the Help button's action.
  session_.Hooks.OnHelp = [this] {
    if (OnHelp) OnHelp();
  };

  // The browser control.
  EmbeddedWB1->OnBeforeNavigate = [this](const QUrl& url, QWebEnginePage::NavigationType type, bool) {
    return BeforeNavigate(url, type);
  };
  EmbeddedWB1->OnDocumentComplete = [this](bool) { session_.EmbeddedWB1DocumentComplete(); };
}

bool TFKestruneMain::BeforeNavigate(const QUrl& url, QWebEnginePage::NavigationType type) {
  // A reload of the page is always refused: the page is built, not loaded.
  if (type == QWebEnginePage::NavigationTypeReload && session_.EmbeddedWB1Refresh()) return false;
  const std::string address = url.toEncoded().toStdString();
  const TPageCommand command = ClassifyPageUrl(address, session_.PageUrlContext());
  if (command.Row == kPageCmdGoAhead) return true;
  // Never inside the browser's handler: a command may write a page, ask a
  // question or run a search.
  QMetaObject::invokeMethod(
      this, [this, command, address] { session_.ExecutePageCommand(command, address); }, Qt::QueuedConnection);
  return false;
}

void TFKestruneMain::InstallCursors() {
  platform::ScreenCursors().RegisterCursor(platform::crAddText,
                                           platform::LoadResourceCursor(platform::kAddTextCursorResource));
  QCursor cursor;
  const std::u16string file = session_.ProgramFolder() + kWindowCursorFile;
  if (!ReadCursorFile(ToQString(file), cursor)) {
    LogFile.Log("The cursor file " + platform::Utf16ToUtf8(file) + " cannot be read; the default cursor stays", 1);
    return;
  }
  platform::ScreenCursors().RegisterCursor(kWindowCursor, cursor);
  setCursor(cursor);
}

void TFKestruneMain::ApplyLanguage() {
  kestrune::ApplyLanguage(session_.Start.LanguageFolder, session_.Start.LngHeaders, session_.Config.InterfaceLang);
}

QWidget* TFKestruneMain::ControlWidget(TMainControl control) const {
  const auto index = static_cast<size_t>(control);
  return index < controls_.size() ? controls_[index] : nullptr;
}

// ---------------------------------------------------------------------------
// The first show.

void TFKestruneMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (showQueued_) return;
  showQueued_ = true;
  QMetaObject::invokeMethod(this, [this] { FormShow(); }, Qt::QueuedConnection);
}

void TFKestruneMain::FormShow() {
  // Maximised first, so that the query box goes into the middle of the map
  // as it will stand.
  setWindowState(windowState() | Qt::WindowMaximized);
  // The track bars, the blank page, the start page, the query box, the
  // engine box and the caption.
  session_.FormShow([this] {
    EmbeddedWB1->SetTemplateFolder(session_.Config.TemplateFolder());
    EmbeddedWB1->NavigateBlank();
    if (!EmbeddedWB1->WaitForComplete(kBlankPageTimeoutMs)) {
      LogFile.Log("The browser control did not load about:blank within 10 s; the start goes on", 1);
    }
  });
  // 4. The update check at start (Timer1).
  QTimer::singleShot(100, this, [this] {
    if (OnUpdateCheckTimer) OnUpdateCheckTimer();
  });
  StartCommandTimers();
  // 5. The query box has the focus.
  if (!IComboBox1->isHidden()) IComboBox1->setFocus();
  // 6. The options form's caption is kept (whether "Amazon" is listed is the
  // session's; the "shown" flag is shown_, set at the end).
  for (QWidget* form : QApplication::topLevelWidgets()) {
    if (form->objectName() == "OptionsForm") session_.WindowStart.OptionsCaption = form->windowTitle().toStdU16String();
  }
  // 7. The dictionary of the interface language.
  session_.CheckLanguageDictionary();
  // 8. The project named on the command line.
  if (!session_.Start.CommandLineProject.empty() && OnCommandLineProject) OnCommandLineProject(session_.Start.CommandLineProject);
  shown_ = true;
  // Once what the show set off has been handled.
  QTimer::singleShot(0, this, [this] { TakeTheScreenUnlessMaximised(); });
}

void TFKestruneMain::TakeTheScreenUnlessMaximised() {
  screenChecked_ = true;
  // Still asked to be maximised (not made normal or minimised meanwhile).
  const Qt::WindowStates sized = windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
  if (sized != Qt::WindowMaximized || !isVisible() || !windowHandle() || !screen()) return;
  // A window manager that maximises windows does it, maybe later: left alone.
  if (platform::MaximiseState(*windowHandle()) != platform::TMaximiseState::NoneWillDo) return;
  const QRect area = screen()->availableGeometry();
  LogFile.Log("No window manager maximises the window: it takes the screen's available area " +
              std::to_string(area.width()) + "x" + std::to_string(area.height()));
  setGeometry(area);
}

void TFKestruneMain::FormActivate() {
  if (!IComboBox1->isHidden() && IComboBox1->isVisible()) {
    IComboBox1->setFocus();
  } else {
    EmbeddedWB1->setFocus();
  }
}

void TFKestruneMain::speciaClick() { session_.Map.MapEditMode = EditPanel->Toggle(); }

void TFKestruneMain::TntOpenProjectDialog1Button() {
  const std::u16string folder = TntOpenProjectDialog1->CurrentFolder().toStdU16String();
  if (OnImportProjects) {
    OnImportProjects(folder);
  } else {
    LogFile.Log("Projects cannot be imported yet into " + platform::Utf16ToUtf8(folder));
  }
}

void TFKestruneMain::CenterQueryBoxOnResize() {
  if (IComboBox1->isHidden()) return;
  const int left = static_cast<int>(std::nearbyint(Panel1->width() / 2.0 - IComboBox1->width() / 2.0));
  const int top = static_cast<int>(std::nearbyint(Panel1->height() / 2.0 - IComboBox1->height() / 2.0));
  IComboBox1->move(left, top);
  querybitmap->move(left + IComboBox1->ex(), top + IComboBox1->ey());
  BBtnSearch->move(left + IComboBox1->width() + 15, top + IComboBox1->ey());
  BBtnSearch2->move(left + IComboBox1->width() + 15, top + IComboBox1->ey());
}

// ---------------------------------------------------------------------------
// Handlers.

void TFKestruneMain::pmExcludeClick() { session_.pmExcludeClick(); }

void TFKestruneMain::DrawAndEventMap1DblClick() {
  TDrawAndEventMap& map = *DrawAndEventMap1;
  const QPoint at = map.mapFromGlobal(QCursor::pos());
  const bool word = map.HitTest(at.x(), at.y());
  const QPoint inPanel = map.mapTo(Panel1, at);
  session_.DrawAndEventMap1DblClick(inPanel.x(), inPanel.y(), word);
  IComboBox1->raise();
  BBtnSearch->raise();
  BBtnSearch2->raise();
  ListBox1->raise();
}

bool TFKestruneMain::KeyPressed(QWidget* receiver, QKeyEvent* key) {
  if (key->key() == Qt::Key_Escape && receiver->window() == this) {
    session_.FormKeyDownEscape();
    return false;
  }
  if (key->key() == Qt::Key_F1) {
    if (OnHelp) OnHelp();
    return false;
  }
  // A character typed over the map opens the query box with it: a double
  // quote, a minus sign or a code from "0" up (not Enter, a blank or a
  // control character such as Ctrl+C or the Delete key's DEL).
  // Only plain typing: a character with Ctrl, Alt or Meta held is a command.
  // Only a key meant for this window: one typed in a dialog stays there.
  if (receiver->window() != this) return false;
  const QString text = key->text();
  if (text.isEmpty() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) return false;
  const char16_t c = text.at(0).unicode();
  if (c == 13 || !(c == u'"' || c == u'-' || c >= u'0') || text.at(0).category() == QChar::Other_Control) return false;
  if (!IComboBox1->isHidden() || !DrawAndEventMap1->isVisible()) return false;
  const QPoint at = DrawAndEventMap1->mapFromGlobal(QCursor::pos());
  if (at.x() <= 0 || at.y() <= 0 || at.x() >= DrawAndEventMap1->width() || at.y() >= DrawAndEventMap1->height()) {
    return false;
  }
  if (DrawAndEventMap1->OnDblClick) DrawAndEventMap1->OnDblClick(*DrawAndEventMap1);
  if (IComboBox1->isHidden()) return false;
  // One character, also one of two UTF-16 units.
  const bool pair = text.size() > 1 && text.at(0).isHighSurrogate() && text.at(1).isLowSurrogate();
  const QString typed = text.left(pair ? 2 : 1);
  IComboBox1->setEditText(typed);
  IComboBox1->lineEdit()->setCursorPosition(static_cast<int>(typed.size()));
  return false;
}

bool TFKestruneMain::QueryBoxKey(QWidget* widget, QKeyEvent* key, bool pressed) {
  if (widget == ListBox1 && pressed && !key->text().isEmpty()) {
    // A character typed in the suggestion list goes on to the box.
    session_.ListBox1KeyPress();
    QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(), key->count());
    QCoreApplication::sendEvent(IComboBox1->lineEdit(), &copy);
    return true;
  }
  if (widget != IComboBox1 && widget != IComboBox1->lineEdit()) return false;
  if (pressed) return session_.IComboBox1KeyDown(VirtualKey(key));
  if (!key->isAutoRepeat()) session_.IComboBox1KeyUp(VirtualKey(key));
  return false;
}

void TFKestruneMain::MouseMoved(const QPoint& global) {
  TDrawAndEventMap& map = *DrawAndEventMap1;
  const QPoint topLeft = map.mapToGlobal(QPoint(0, 0));
  const bool inside = global.x() >= topLeft.x() && global.x() <= topLeft.x() + map.width() &&
                      global.y() >= topLeft.y() && global.y() <= topLeft.y() + map.height();
  if (inside) return;
  session_.MouseOutsideMap();
  if (map.EnlargedKey() >= 0) map.RedrawDirty();
  if (session_.ContentMap.HoveredKey() >= 0 && !map.HoverOutTimer().Enabled()) map.HoverOutSoon();
  if (platform::ScreenCursors().GlobalCursor() == platform::crAddText) {
    platform::ScreenCursors().SetGlobalCursor(platform::crDefault);
  }
}

bool TFKestruneMain::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* widget = qobject_cast<QWidget*>(watched);
      auto* key = static_cast<QKeyEvent*>(event);
      // Enter (or the keypad's) in the query box searches, once: a typed key
      // reaches the box itself, which hands it to its line edit directly;
      // an event sent to the line edit comes here first.
      if ((widget == IComboBox1 || widget == IComboBox1->lineEdit()) &&
          (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        session_.QueryBoxEnter();
        return true;
      }
      if (widget && QueryBoxKey(widget, key, true)) return true;
      if (widget && FirstKeyReceiver(widget)) KeyPressed(widget, key);
      break;
    }
    case QEvent::KeyRelease: {
      auto* widget = qobject_cast<QWidget*>(watched);
      auto* key = static_cast<QKeyEvent*>(event);
      if (widget && QueryBoxKey(widget, key, false)) return true;
      if (widget && FirstKeyReceiver(widget) && !key->isAutoRepeat()) {
        session_.FormKeyUp(key->key() == Qt::Key_Control);
      }
      break;
    }
    case QEvent::MouseButtonRelease:
      if (watched == ListBox1->viewport()) {
        // After the list's own handling of the release (its click).
        QMetaObject::invokeMethod(this, [this] { session_.ListBox1MouseUp(); }, Qt::QueuedConnection);
      }
      break;
    case QEvent::MouseButtonPress:
      // Once per press: when it reaches the top-level window. A popup menu
      // keeps its clicks to itself (the map's menu acts on them).
      if (watched->isWindowType() && !IsPopupWindow(watched)) {
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        if (button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton) {
          session_.ApplicationMouseDown();
        }
      }
      break;
    case QEvent::MouseMove:
      if (watched->isWindowType() && !IsPopupWindow(watched)) {
        MouseMoved(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
      }
      break;
    case QEvent::Resize:
      if (watched == Panel1) CenterQueryBoxOnResize();
      break;
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
      if (watched == this) session_.WMActivate(event->type() == QEvent::WindowActivate);
      break;
    default:
      if (watched == this && event->type() == kUpdateFoundEvent) {
        if (OnUpdateFound) OnUpdateFound();  // the form closes the window after a download
      } else if (watched == this && event->type() == kNewsEvent) {
        if (OnNews) OnNews();
      }
      break;
  }
  return false;
}

void TFKestruneMain::closeEvent(QCloseEvent* event) {
  if (!closed_ && !closeQueried_ && !FormCloseQuery()) {
    event->ignore();
    return;
  }
  closeQueried_ = true;
  if (session_.SearchRunning()) {
    // The search stops; the window closes once its run has returned.
    event->ignore();
    closeAfterSearch_ = true;
    session_.BtnStopClick();
    return;
  }
  event->accept();
  QMainWindow::closeEvent(event);
  session_.Run.WindowClosed = true;
  if (closed_) return;
  closed_ = true;
  FormClose();
  if (OnClosed) OnClosed();
}

// ---------------------------------------------------------------------------
// IMainView.

int32_t TFKestruneMain::MessageBox(std::u16string_view text, std::u16string_view caption, uint32_t flags) {
  return ShowMessageBox(text, caption, flags);
}

void TFKestruneMain::SetCaption(std::u16string_view caption) { setWindowTitle(ToQString(caption)); }

void TFKestruneMain::CloseBySignal() {
  closeBySignal_ = true;
  CloseMainWindow();
}

void TFKestruneMain::CloseMainWindow() {
  if (creating_) {
    closed_ = true;  // the program block ends the program before its loop
    return;
  }
  close();
}

void TFKestruneMain::SetBusyCursor(bool busy) {
  platform::ScreenCursors().SetGlobalCursor(busy ? platform::crAppStart : platform::crDefault);
}

void TFKestruneMain::SetEnabled(TMainControl control, bool enabled) {
  if (QWidget* widget = ControlWidget(control)) widget->setEnabled(enabled);
}

bool TFKestruneMain::Enabled(TMainControl control) const {
  const QWidget* widget = ControlWidget(control);
  return widget && widget->isEnabled();
}

void TFKestruneMain::SetVisible(TMainControl control, bool visible) {
  if (QWidget* widget = ControlWidget(control)) widget->setVisible(visible);
}

bool TFKestruneMain::Visible(TMainControl control) const {
  // Shown by the program, whether the window is on the screen yet or not.
  const QWidget* widget = ControlWidget(control);
  return widget && !widget->isHidden();
}

void TFKestruneMain::SetText(TMainControl control, std::u16string_view text) {
  QWidget* widget = ControlWidget(control);
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(ToQString(text));
  } else if (auto* picture = qobject_cast<ibitmap*>(widget)) {
    picture->SetCaption(ToQString(text));
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(ToQString(text));
  } else if (auto* box = qobject_cast<QComboBox*>(widget); box && box->isEditable()) {
    box->setEditText(ToQString(text));
  }
}

void TFKestruneMain::SetDown(TMainControl control, bool down) {
  if (auto* button = qobject_cast<IBitmapButton*>(ControlWidget(control))) button->SetDown(down);
}

bool TFKestruneMain::Down(TMainControl control) const {
  const auto* button = qobject_cast<const IBitmapButton*>(ControlWidget(control));
  return button && button->Down();
}

void TFKestruneMain::SetFocus(TMainControl control) {
  if (control == TMainControl::Panel1) {
    DrawAndEventMap1->setFocus();
  } else if (QWidget* widget = ControlWidget(control)) {
    widget->setFocus();
  }
}

TViewRect TFKestruneMain::Bounds(TMainControl control) const {
  const QWidget* widget = ControlWidget(control);
  if (!widget) return {};
  const QRect r = widget->geometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

void TFKestruneMain::SetBounds(TMainControl control, const TViewRect& bounds) {
  if (QWidget* widget = ControlWidget(control)) widget->setGeometry(bounds.Left, bounds.Top, bounds.Width, bounds.Height);
}

void TFKestruneMain::SetProgress(int32_t position) { IProgressBar1->setValue(std::clamp(position, 0, 100)); }

std::u16string TFKestruneMain::QueryText() const { return IComboBox1->currentText().toStdU16String(); }

void TFKestruneMain::SetQueryText(std::u16string_view text) { IComboBox1->setEditText(ToQString(text)); }

void TFKestruneMain::SetQueryItems(const std::vector<std::u16string>& items) {
  const QString text = IComboBox1->currentText();
  const QSignalBlocker blocker(IComboBox1);
  IComboBox1->clear();
  for (const std::u16string& item : items) IComboBox1->addItem(ToQString(item));
  IComboBox1->setEditText(text);
}

void TFKestruneMain::CloseQueryDropDown() { IComboBox1->hidePopup(); }

bool TFKestruneMain::QueryDropDownOpen() const { return IComboBox1->ListDropped(); }

TViewPoint TFKestruneMain::QueryPictureOffset() const { return {IComboBox1->ex(), IComboBox1->ey()}; }

void TFKestruneMain::SetSuggestionItems(const std::vector<std::u16string>& items) {
  ListBox1->clear();
  const int height = SuggestionItemHeight();
  for (const std::u16string& text : items) {
    auto* item = new QListWidgetItem(ToQString(text), ListBox1);
    item->setSizeHint(QSize(0, height));
  }
}

int32_t TFKestruneMain::SuggestionItemHeight() const { return ListBox1->fontMetrics().height() + 2; }

int32_t TFKestruneMain::WidestItemWidth(TMainControl box) const {
  const auto* combo = qobject_cast<const QComboBox*>(ControlWidget(box));
  if (!combo) return 0;
  const QFontMetrics metrics = combo->view()->fontMetrics();
  int widest = 0;
  for (int i = 0; i < combo->count(); ++i) widest = std::max(widest, metrics.horizontalAdvance(combo->itemText(i)));
  return widest;
}

void TFKestruneMain::SetDropDownWidth(TMainControl box, int32_t width) {
  if (auto* combo = qobject_cast<QComboBox*>(ControlWidget(box))) combo->view()->setMinimumWidth(width);
}

int32_t TFKestruneMain::MapWidth() const { return Panel1->width(); }

int32_t TFKestruneMain::MapHeight() const { return Panel1->height(); }

void TFKestruneMain::SetEngineItems(const std::vector<std::u16string>& items, int32_t selected) {
  const QSignalBlocker blocker(CBWebSite);
  CBWebSite->clear();
  for (const std::u16string& item : items) CBWebSite->addItem(ToQString(item));
  CBWebSite->setCurrentIndex(selected);
}

void TFKestruneMain::SetTrackBars(int32_t context, int32_t exact) {
  TrackBar->Setposition(context);
  TrackBar3->Setposition(exact);
}

void TFKestruneMain::SelectEngineItem(int32_t index) {
  const QSignalBlocker blocker(CBWebSite);
  CBWebSite->setCurrentIndex(index);
}

void TFKestruneMain::ShowHtml(std::u16string_view html) {
  // The page's addresses resolve in the folder it was built from (another
  // interface language has its own), where its command links are read.
  const std::string& folder = session_.Results.PageResults.TemplatePath();
  if (!folder.empty()) EmbeddedWB1->SetTemplateFolder(platform::Utf8ToUtf16(folder));
  EmbeddedWB1->WriteHtml(html);
}

void TFKestruneMain::ClearPageSelection() { EmbeddedWB1->page()->triggerAction(QWebEnginePage::Unselect); }

void TFKestruneMain::ScrollPageTo(std::u16string_view anchor) { EmbeddedWB1->ScrollToAnchor(anchor); }

void TFKestruneMain::ReloadPage() {
  // The page is the session's: the pending build writes it anew.
  QMetaObject::invokeMethod(this, [this] { session_.EmbeddedWB1DocumentComplete(); }, Qt::QueuedConnection);
}

void TFKestruneMain::RepaintPage() { EmbeddedWB1->update(); }

void TFKestruneMain::ShowPagePopup(bool scopeEntries) {
  AddToQuery1->setVisible(!scopeEntries);
  Excludefromquery1->setVisible(!scopeEntries);
  UpdateEntry1->setVisible(scopeEntries);
  DeleteEntry1->setVisible(scopeEntries);
  PopupMenuPage->popup(QCursor::pos());
}

int32_t TFKestruneMain::AskChangeEngine() {
  // The change-engine question with No shown: Yes, No or Cancel; closing it
  // is Cancel, which changes nothing.
  return TQuestChSE::AskChangeEngine(this, MessageStrings.smWantResend, u"", true);
}

int32_t TFKestruneMain::AskSaveQuestion(bool& dontAsk) { return TQuestion::AskSaveQuestion(this, dontAsk); }

int32_t TFKestruneMain::AskNoDictionary(std::u16string_view text, bool& dontAsk) {
  return TFMessNoDict::AskNoDictionary(this, text, dontAsk);
}

int32_t TFKestruneMain::ShowOptionsForm(bool fromEngineBox) {
  // The options form of the program's form table (a top-level form).
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* form = dynamic_cast<TOptionsForm*>(widget);
    if (form && widget->objectName() == QLatin1String("OptionsForm")) {
      return form->ShowModal(fromEngineBox) == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
    }
  }
  LogFile.Log("The options form does not exist", 1);
  return platform::kIdCancel;
}

void TFKestruneMain::BtnOptionsClick() { ShowOptionsForm(false); }

void TFKestruneMain::ShowNetworkEditor() {
  // The network editor of the program's form table (a top-level form).
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* form = dynamic_cast<TfrmRedactor*>(widget);
    if (form && widget->objectName() == QLatin1String("frmRedactor")) {
      form->ExecuteAll();
      return;
    }
  }
  LogFile.Log("The network editor does not exist", 1);
}

void TFKestruneMain::ShowUpdateForm() {
  if (!session_.Update.UpdateCheck) {
    LogFile.Log("The update form has no update check to show", 1);
    return;
  }
  if (!updateForm_) {
    // The language over the new form alone: the other forms keep what the
    // program wrote into them since (the caption names the engine).
    updateForm_ = new TFUpdate(*session_.Update.UpdateCheck, session_.Start.InstallerPath, this);
    ApplyLanguageToForm(*updateForm_, session_.Start.LanguageFolder, session_.Start.LngHeaders,
                        session_.Config.InterfaceLang);
  }
  TLngHeader header;
  FindLngHeader(session_.Config.InterfaceLang, session_.Start.LngHeaders, header);
  updateForm_->ShowModal(header.CodePage);
  if (session_.Start.InstallerPath.empty()) return;
  // The installer is there: the start page no longer offers it, also when
  // the close below is cancelled at the save question.
  session_.Update.InstallerDownloaded();
  close();
}

void TFKestruneMain::PostToUi(std::function<void()> call) {
  QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void TFKestruneMain::WaitUntil(const std::function<bool()>& done) {
  // Every queued call wakes the loop; the test runs after each.
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// ---------------------------------------------------------------------------
// IProjectDialogs.

bool TFKestruneMain::ExecuteOpen(std::u16string_view folder, std::u16string& fileName) {
  TntOpenProjectDialog1->SetCaptions(MessageStrings);
  TntOpenProjectDialog1->setDirectory(ToQString(folder));
  if (!TntOpenProjectDialog1->Execute()) return false;
  fileName = TntOpenProjectDialog1->FileName().toStdU16String();
  return true;
}

bool TFKestruneMain::ExecuteSave(TProjectSaveRequest& request) {
  TTntSaveProjectDialog& dialog = *TntSaveProjectDialog1;
  dialog.SetCaptions(MessageStrings);
  dialog.setDirectory(ToQString(request.Folder));
  dialog.selectFile(ToQString(request.DefaultName));
  dialog.SetNoteText(request.Note);
  const bool chosen = dialog.Execute();
  request.Note = dialog.NoteText();
  request.SkipOldLinks = dialog.TCBDntSaveOld1->isChecked();
  if (!chosen) return false;
  request.FileName = dialog.FileName().toStdU16String();
  return true;
}

// ---------------------------------------------------------------------------
// IMapViewOps.

void TFKestruneMain::HoverOut() { DrawAndEventMap1->HoverOutTimerTick(); }

void TFKestruneMain::HoverOutSoon() { DrawAndEventMap1->HoverOutSoon(); }

void TFKestruneMain::StopHoverTimers() { DrawAndEventMap1->StopHoverTimers(); }

void TFKestruneMain::ClearMap() { DrawAndEventMap1->ClearMap(); }

void TFKestruneMain::EnterState(uint32_t bits) { DrawAndEventMap1->EnterState(bits); }

void TFKestruneMain::LeaveState(uint32_t bits) { DrawAndEventMap1->LeaveState(bits); }

uint32_t TFKestruneMain::State() const { return DrawAndEventMap1->State(); }

void TFKestruneMain::RedrawDirty() { DrawAndEventMap1->RedrawDirty(); }

void TFKestruneMain::LoadKeysAndDraw() { DrawAndEventMap1->LoadKeysAndDraw(); }

void TFKestruneMain::AnimateNewMap() { DrawAndEventMap1->AnimateNewMap(); }

void TFKestruneMain::StoreKeysInContentMap() { DrawAndEventMap1->StoreKeysInContentMap(); }

void TFKestruneMain::ResetBackground() { DrawAndEventMap1->ResetBackground(); }

void TFKestruneMain::Relayout() { DrawAndEventMap1->ResizeTimerTick(); }

void TFKestruneMain::SetEnabled(bool enabled) { DrawAndEventMap1->setEnabled(enabled); }

void TFKestruneMain::SetSkinPath(std::u16string_view folder) { DrawAndEventMap1->SetSkinPath(folder); }

void TFKestruneMain::MeasureKeyText(const TKey& key, int32_t& width, int32_t& height) {
  QSize size;
  DrawAndEventMap1->MeasureKeyText(key, size);
  width = size.width();
  height = size.height();
}

}  // namespace kestrune
