// The main window's commands outside a search: their controls, printing,
// mail, help, the about box, the project manager and the scope explorer,
// the "Tell a friend" button, the panes' widths, the status label and the
// close. The decisions are the session's (session_commands.cpp) and the
// rules of app/window_commands.h; this file reaches the widgets.
#include <QApplication>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include "app/window/flow_layout.h"
#include "app/window/kestrune_main.h"
#include "app/window/scope_explorer.h"
#include "core/log_file.h"
#include "platform/text.h"
#include "ui/about_form.h"
#include "ui/ianime.h"
#include "ui/ibitmap.h"
#include "ui/ibitmap_button.h"
#include "ui/ibitmap_track_bar.h"
#include "ui/project_manager.h"

namespace kestrune {

namespace {

constexpr int kTimer2Ms = 10000;
constexpr int kTimer3Ms = 15000;

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The program's form of a class and object name; null when it does not
// exist.
template <class Form>
Form* ProgramForm(const char* name) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* form = dynamic_cast<Form*>(widget);
    if (form && widget->objectName() == QLatin1String(name)) return form;
  }
  return nullptr;
}

// A track bar's position changes, whichever control it is.
template <class F>
void OnPositionChange(QSlider* track, QObject* context, F call) {
  QObject::connect(track, &QSlider::valueChanged, context, call);
}
template <class F>
void OnPositionChange(IBitmapTrackBar* track, QObject*, F call) {
  track->OnChange = [track, call](QObject*) { call(track->position()); };
}

bool Contains(const QWidget* widget, const QPoint& global) {
  if (!widget || widget->isHidden() || !widget->isVisible()) return false;
  return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()).contains(global);
}

bool Within(const QWidget* widget, const QObject* watched) {
  const auto* w = qobject_cast<const QWidget*>(watched);
  return widget && w && (w == widget || widget->isAncestorOf(w));
}

}  // namespace

// Events of the whole program the commands watch: a press and release on a
// track bar or its thumb (the bar's release), the mouse's moves for the
// "Tell a friend" button, the splitter's resize for the panes, the logo's
// menu.
class TCommandEvents : public QObject {
 public:
  explicit TCommandEvents(TFKestruneMain& window, QWidget* splitter)
      : QObject(&window), window_(window), splitter_(splitter) {}

  std::function<void(QWidget* track)> OnTrackBarReleased;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        // A press on a track bar's thumb (a sibling the bar places) is a
        // press on the bar: dragging the thumb rebuilds as a click does.
        for (IBitmapTrackBar* track : {window_.TrackBar, window_.TrackBar3}) {
          if (Within(track, watched) || Within(track->ITrack(), watched)) pressed_ = track;
        }
        break;
      case QEvent::MouseButtonRelease:
        // Once per release: at the window, where every release arrives first.
        if (pressed_ && watched->isWindowType()) {
          QWidget* track = pressed_;
          pressed_ = nullptr;
          if (OnTrackBarReleased) OnTrackBarReleased(track);
        }
        break;
      case QEvent::MouseMove:
        if (watched->isWindowType()) MouseMoved(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        break;
      case QEvent::Resize:
        // The splitter has its new size; its panes are laid out after this.
        if (watched == splitter_) window_.FormResize();
        break;
      case QEvent::ContextMenu:
        if (watched == window_.ibitmap1) {
          window_.LogoMenu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
          return true;
        }
        break;
      default:
        break;
    }
    return false;
  }

 private:
  void MouseMoved(const QPoint& global) {
    const bool overPlate = Contains(window_.ibitmap14, global);
    if (overPlate) window_.ibitmap14MouseMove();
    TFriendButton& friendButton = window_.Session().FriendButton;
    if (friendButton.MouseMoved(Contains(window_.sfrend, global), overPlate)) window_.sfrend->hide();
  }

  TFKestruneMain& window_;
  QWidget* splitter_;
  QPointer<QWidget> pressed_;
};

void TFKestruneMain::CreateCommandControls() {
  // In the toolbar: the small buttons at the end of its second row; "Tell a
  // friend", the animation and the logo at the right of its first.
  QWidget* const central = PanelToolbar;
  auto* tools = static_cast<TFlowLayout*>(PanelToolbar->layout());
  auto button = [&](const char* name, TPicture picture) {
    IBitmapButton* b = PictureButton(central, name, picture, false);
    tools->AddWidget(b, kToolbarViewRow);
    return b;
  };
  IBitmapButton8 = button("IBitmapButton8", TPicture::ProjectManager);
  BtnPrintRes = button("BtnPrintRes", TPicture::PrintPage);
  BtnPrintMap = button("BtnPrintMap", TPicture::PrintMap);
  BtnSendMap = button("BtnSendMap", TPicture::MailMap);
  BtnSendmail = button("BtnSendmail", TPicture::MailPage);
  // The caption beside the button's picture, as the other commands' are.
  sfrend = PictureButton(central, "sfrend", TPicture::TellFriend);
  // Hidden, it keeps its place: the animation and the logo never move.
  QSizePolicy keep = sfrend->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  sfrend->setSizePolicy(keep);
  tools->AddWidget(sfrend, kToolbarCommandRow, true);
  // The animation on its plate, then the logo.
  ibitmap14 = new ibitmap(central);
  ibitmap14->setObjectName("ibitmap14");
  ibitmap14->SetFileName(QString::fromStdString(PictureFile(TPicture::AnimePlate)));
  ibitmap14->setFixedSize(ControlPicture(TPicture::AnimePlate).Width, ControlPicture(TPicture::AnimePlate).Height);
  IAnime1 = new IAnime(ibitmap14);
  IAnime1->setObjectName("IAnime1");
  IAnime1->Setfiles(QString::fromUtf8(ControlPicture(TPicture::FriendAnime).Name));
  const int inset = (ibitmap14->width() - ControlPicture(TPicture::FriendAnime).Width) / 2;
  IAnime1->setGeometry(inset, inset, ControlPicture(TPicture::FriendAnime).Width,
                       ControlPicture(TPicture::FriendAnime).Height);
  tools->AddWidget(ibitmap14, kToolbarCommandRow, true);
  ibitmap1 = new ibitmap(central);
  ibitmap1->setObjectName("ibitmap1");
  ibitmap1->SetFileName(QString::fromStdString(PictureFile(TPicture::Logo)));
  ibitmap1->setFixedSize(ControlPicture(TPicture::Logo).Width, ControlPicture(TPicture::Logo).Height);
  ibitmap1->setCursor(Qt::PointingHandCursor);
  tools->AddWidget(ibitmap1, kToolbarCommandRow, true);
  LogoMenu = new QMenu(this);
  LogoMenu->setObjectName("LogoMenu");
  about1 = LogoMenu->addAction(QString());
  about1->setObjectName("about1");
  bbbb = new IBitmapButton(central);
  bbbb->setObjectName("bbbb");
  bbbb->hide();

  // The result page in the right pane.
  Panel3 = new QWidget;
  Panel3->setObjectName("Panel3");
  if (auto* splitter = qobject_cast<QSplitter*>(EmbeddedWB1->parentWidget())) {
    const int index = splitter->indexOf(EmbeddedWB1);
    splitter->insertWidget(index, Panel3);
    splitter->setStretchFactor(index, 1);
  } else if (QWidget* parent = EmbeddedWB1->parentWidget(); parent && parent->layout()) {
    Panel3->setParent(parent);
    parent->layout()->replaceWidget(EmbeddedWB1, Panel3);
  }
  // Moved into the pane, the browser control leaves the splitter.
  auto* pane = new QVBoxLayout(Panel3);
  pane->setContentsMargins(0, 0, 0, 0);
  pane->addWidget(EmbeddedWB1);

  // The status label shows addresses as they are, never as markup.
  Label1->setTextFormat(Qt::PlainText);

  Timer2 = new QTimer(this);
  Timer2->setInterval(kTimer2Ms);
  Timer3 = new QTimer(this);
  Timer3->setInterval(kTimer3Ms);
}

void TFKestruneMain::ConnectCommands() {
  auto click = [this](IBitmapButton* b, void (TFKestruneMain::*handler)()) {
    b->OnClick = [this, handler](QObject*) { (this->*handler)(); };
  };
  click(IBitmapButton8, &TFKestruneMain::IBitmapButton8Click);
  click(BtnPrintRes, &TFKestruneMain::BtnPrintResClick);
  click(BtnPrintMap, &TFKestruneMain::BtnPrintMapClick);
  click(BtnSendMap, &TFKestruneMain::BtnSendMapClick);
  click(BtnSendmail, &TFKestruneMain::BtnSendmailClick);
  click(sfrend, &TFKestruneMain::sfrendClick);
  click(bbbb, &TFKestruneMain::bbbbClick);
  ibitmap1->OnClick = [this](QObject*) { ibitmap1Click(); };
  connect(about1, &QAction::triggered, this, [this] { about1Click(); });
  connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(); });
  connect(Timer3, &QTimer::timeout, this, [this] { Timer3Timer(); });

  // Help: F1, the Help button and the page's help link.
  if (!OnHelp) OnHelp = [this] { BtnHelpClick(); };
  // The open dialog's import: the scope explorer into that folder, in front
  // of the dialog (the modal window of the moment).
  OnImportProjects = [this](std::u16string_view folder) {
    if (auto* explorer = ProgramForm<Texploreform>("exploreform")) {
      explorer->ShowModalFor(folder, QApplication::activeModalWidget());
    } else {
      LogFile.Log("The scope explorer does not exist", 1);
    }
  };
  session_.Hooks.OnStopUpdateCheck = [this] {
    if (OnStopUpdateCheck) OnStopUpdateCheck();
  };

  // The track bars: the match setting, and their releases.
  OnPositionChange(TrackBar3, this, [this](int position) { session_.TrackBar3Change(position); });
  auto* events = new TCommandEvents(*this, Panel3->parentWidget());
  events->OnTrackBarReleased = [this](QWidget* track) {
    if (track == TrackBar3) {
      session_.TrackBar3MouseUp();
    } else {
      session_.TrackBarMouseUp();
    }
  };
  commandEvents_ = events;
  qApp->installEventFilter(events);
  if (auto* splitter = qobject_cast<QSplitter*>(Panel3->parentWidget())) {
    connect(splitter, &QSplitter::splitterMoved, this, [this] { Splitter1Moved(); });
  }

  // The hovered link's address in the status label.
  connect(EmbeddedWB1->page(), &QWebEnginePage::linkHovered, this,
          [this](const QString& url) { EmbeddedWB1StatusTextChange(url); });
}

void TFKestruneMain::StartCommandTimers() {
  Timer2->start();
  Timer3->start();
}

// ---------------------------------------------------------------------------
// Printing.

void TFKestruneMain::BtnPrintResClick() {
  auto* printer = new QPrinter(QPrinter::HighResolution);
  QPrintDialog dialog(printer, this);
  if (dialog.exec() != QDialog::Accepted) {
    delete printer;
    return;
  }
  PrintPage(printer, [printer](bool) { delete printer; });
}

void TFKestruneMain::PrintPage(QPrinter* printer, std::function<void(bool ok)> done) {
  // One print at a time: the browser answers every print with printFinished.
  auto connection = std::make_shared<QMetaObject::Connection>();
  *connection = connect(EmbeddedWB1, &QWebEngineView::printFinished, this, [connection, done](bool ok) {
    QObject::disconnect(*connection);
    if (!ok) LogFile.Log("Print the page: the page was not printed", 1);
    if (done) done(ok);
  });
  EmbeddedWB1->print(printer);
}

bool TFKestruneMain::PrintPicture(QPrinter& printer, const QImage& picture) {
  const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
  const std::optional<TPrintRect> rect = PrintMapRect(page.width(), page.height(), picture.width(), picture.height());
  if (!rect) return false;
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(QRect(0, 0, rect->Width, rect->Height), picture);
  return painter.end();
}

void TFKestruneMain::BtnPrintMapClick() {
  const QImage picture = DrawAndEventMap1->BackBuffer().copy();
  if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) return;
  QPrinter printer(QPrinter::HighResolution);
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  if (!PrintPicture(printer, picture)) LogFile.Log("Print the map: nothing was printed", 1);
}

// ---------------------------------------------------------------------------
// Mail.

void TFKestruneMain::BtnSendMapClick() {
  const QImage picture = DrawAndEventMap1->BackBuffer().copy();
  session_.BtnSendMapClick([&picture](std::u16string_view path) {
    return !picture.isNull() && picture.save(ToQString(path), "JPG", kMapJpegQuality);
  });
}

void TFKestruneMain::BtnSendmailClick() {
  QPointer<TFKestruneMain> self(this);
  EmbeddedWB1->page()->toHtml([self](const QString& html) {
    if (self) self->session_.BtnSendmailClick(html.toStdU16String());
  });
}

void TFKestruneMain::sfrendClick() { session_.sfrendClick(); }

// ---------------------------------------------------------------------------
// Help, the about box, the project manager.

void TFKestruneMain::BtnHelpClick() { session_.BtnHelpClick(); }

void TFKestruneMain::about1Click() {
  if (FAbout) FAbout->OnSendMail = [this](ISendMail& mail) { session_.SendMail(mail); };
  TFAbout::ShowAbout(true, session_.Opener, this);
}

void TFKestruneMain::ibitmap1Click() {
  if (FAbout) FAbout->OnSendMail = [this](ISendMail& mail) { session_.SendMail(mail); };
  TFAbout::ShowAbout(false, session_.Opener, this);
}

void TFKestruneMain::bbbbClick() { session_.bbbbClick(); }

void TFKestruneMain::IBitmapButton8Click() {
  if (auto* manager = ProgramForm<Tmanager>("manager")) {
    manager->ShowModal();
    // A project opened there opens here, once the manager has closed.
    session_.OpenManagerProject(manager->TakeChosenProject());
  } else {
    LogFile.Log("The project manager does not exist", 1);
  }
}

// ---------------------------------------------------------------------------
// "Tell a friend".

void TFKestruneMain::Timer2Timer() {
  Timer2->stop();
  session_.FriendButton.Timer2Timer();
  sfrend->setVisible(session_.FriendButton.Visible());
}

void TFKestruneMain::Timer3Timer() {
  if (session_.FriendButton.Timer3Timer()) IAnime1->Setloop(false);
}

void TFKestruneMain::ibitmap14MouseMove() {
  session_.FriendButton.ibitmap14MouseMove();
  IAnime1->Setanime(false);
  sfrend->setVisible(session_.FriendButton.Visible());
}

// ---------------------------------------------------------------------------
// The panes.

namespace {

// The right pane's width in its splitter, the map pane taking the rest.
void SetPaneWidth(QSplitter& splitter, QWidget& pane, int32_t width) {
  const int index = splitter.indexOf(&pane);
  if (index < 0 || splitter.count() != 2) return;
  // The splitter's width less its handle, also while it is being resized.
  const int total = std::max(splitter.contentsRect().width() - splitter.handleWidth(), 0);
  const int right = std::clamp(width, 0, total);
  QList<int> sizes(2);
  sizes[index] = right;
  sizes[1 - index] = total - right;
  if (sizes != splitter.sizes()) splitter.setSizes(sizes);
}

}  // namespace

void TFKestruneMain::Splitter1Moved() {
  auto* splitter = qobject_cast<QSplitter*>(Panel3->parentWidget());
  if (!splitter) return;
  const std::optional<int32_t> percent = PanePercentOfSize(splitter->width(), Panel3->width());
  if (!percent) return;
  Splitter1Tag = *percent;
  const std::optional<TPaneWidth> pane = PaneResize(splitter->width(), Panel1->width(), Splitter1Tag);
  if (!pane) return;
  Splitter1Tag = pane->Percent;
  if (pane->Width != Panel3->width()) SetPaneWidth(*splitter, *Panel3, pane->Width);
}

void TFKestruneMain::FormResize() {
  auto* splitter = qobject_cast<QSplitter*>(Panel3->parentWidget());
  if (!splitter) return;
  const std::optional<int32_t> width = PaneWidthOfPercent(splitter->width(), Splitter1Tag);
  if (!width) return;
  const int handle = splitter->handleWidth();
  const std::optional<TPaneWidth> pane =
      PaneResize(splitter->width(), splitter->width() - *width - handle, Splitter1Tag);
  if (!pane) return;
  Splitter1Tag = pane->Percent;
  SetPaneWidth(*splitter, *Panel3, pane->Width);
}

// ---------------------------------------------------------------------------
// The status label and the close.

void TFKestruneMain::EmbeddedWB1StatusTextChange(const QString& text) {
  session_.EmbeddedWB1StatusTextChange(text.toStdU16String());
}

bool TFKestruneMain::FormCloseQuery() {
  raise();
  activateWindow();
  return session_.FormCloseQuery();
}

void TFKestruneMain::FormClose() {
  Timer2->stop();
  Timer3->stop();
  session_.FormClose();
}

}  // namespace kestrune
