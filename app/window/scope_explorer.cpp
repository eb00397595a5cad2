#include "app/window/scope_explorer.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMetaObject>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "app/connect_probe.h"
#include "core/log_file.h"
#include "platform/text.h"

namespace kestrune {

Texploreform* exploreform = nullptr;

namespace {

// How often a cancel is repeated until the download has ended (an abort that
// comes before the request is open finds nothing to close).
constexpr int kAbortRepeatMs = 20;

}  // namespace

Texploreform::Texploreform(std::function<std::string()> langFolderName, QWidget* parent)
    : QDialog(parent), langFolderName_(std::move(langFolderName)) {
  setObjectName("exploreform");
  setModal(true);

  EmbeddedWB1 = new TEmbeddedBrowser(this);
  EmbeddedWB1->setObjectName("EmbeddedWB1");
  TntPanel1 = new QFrame(this);
  TntPanel1->setObjectName("TntPanel1");
  TntLabel1 = new QLabel(TntPanel1);
  TntLabel1->setObjectName("TntLabel1");
  TntLabel1->setTextFormat(Qt::PlainText);  // holds a name from a web address
  TntLabel1->hide();
  ProgressBar1 = new QProgressBar(TntPanel1);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setFixedWidth(160);
  ProgressBar1->hide();
  TntButton1 = new QToolButton(TntPanel1);
  TntButton1->setObjectName("TntButton1");
  TntButton1->setAutoRaise(true);
  TntButton1->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  TntButton1->hide();
  ibitmapButton1 = new QPushButton(TntPanel1);
  ibitmapButton1->setObjectName("ibitmapButton1");
  ibitmapButton1->setAutoDefault(false);

  auto* bottom = new QHBoxLayout(TntPanel1);
  bottom->setSpacing(10);  // the bar 10 pixels right of the label, the button 10 right of the bar
  bottom->addWidget(TntLabel1);
  bottom->addWidget(ProgressBar1);
  bottom->addWidget(TntButton1);
  bottom->addStretch();
  bottom->addWidget(ibitmapButton1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(EmbeddedWB1, 1);
  layout->addWidget(TntPanel1);
  resize(800, 600);

  EmbeddedWB1->OnBeforeNavigate = [this](const QUrl& url, QWebEnginePage::NavigationType, bool) {
    return EmbeddedWB1BeforeNavigate2(url);
  };
  connect(EmbeddedWB1, &QWebEngineView::loadProgress, this, [this](int progress) { EmbeddedWB1ProgressChange(progress); });
  connect(TntButton1, &QToolButton::clicked, this, [this] { TntButton1Click(); });
  connect(ibitmapButton1, &QPushButton::clicked, this, [this] { Button1Click(); });
  exploreform = this;
}

Texploreform::~Texploreform() {
  // Aborts a running download and waits for its thread.
  download_.reset();
  if (exploreform == this) exploreform = nullptr;
}

int32_t Texploreform::ShowModalFor(std::u16string_view targetFolder, QWidget* over) {
  TargetFolder = targetFolder;
  // The browser control's drawing surface comes with its first load, and the
  // form's window is made again for it (a window of another kind): while the
  // form shows, that would take its window off the screen, with its place and
  // modality. So it comes first, while the form is hidden.
  if (!EmbeddedWB1->focusProxy()) EmbeddedWB1->NavigateBlank();
  // The form stays the window it is (its browser control never moves to
  // another window); for this showing its window is the transient of the
  // window it is opened from, so that it shows over that one and the window
  // manager keeps it in front, and it is modal over the whole program.
  QWidget* const overWindow = over ? over->window() : nullptr;
  setWindowModality(Qt::ApplicationModal);
  winId();  // its window, which the show tells its transient parent
  if (QWindow* const own = windowHandle()) {
    own->setTransientParent(overWindow ? overWindow->windowHandle() : nullptr);
  }
  const int32_t result = exec();
  if (QWindow* const own = windowHandle()) own->setTransientParent(nullptr);
  // Back to that window: without a window manager nobody else gives it the
  // keyboard again.
  if (overWindow && overWindow->isVisible()) overWindow->activateWindow();
  return result;
}

void Texploreform::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void Texploreform::FormShow() {
  const std::string lang = langFolderName_ ? langFolderName_() : std::string("en");
  EmbeddedWB1->load(QUrl::fromEncoded(QByteArray::fromStdString(ScopePageUrl(UpdateServerUrl(), lang))));
}

bool Texploreform::EmbeddedWB1BeforeNavigate2(const QUrl& url) {
  const std::string address = url.toEncoded().toStdString();
  const TScopeNavigation navigation = ScopeNavigation(address, DownloadRunning.load());
  if (navigation.StartDownload && BeginDownload()) StartDownload(address);
  // While a download runs, every click in the page is ignored.
  return !(navigation.Cancel || DownloadRunning.load());
}

void Texploreform::StartDownload(const std::string& url) {
  if (download_) {
    download_->Join();  // it has given DownloadRunning back: it ends at once
    download_.reset();
  }
  savedCaption_ = TntLabel1->text();
  std::u16string name = ScopeUrlFileName(url);
  if (name.empty()) name = platform::Utf8ToUtf16(ExtractUrlFileName(url));
  TntLabel1->setText(savedCaption_ + " " + QString::fromStdU16String(name));
  TntLabel1->show();
  ProgressBar1->setValue(0);
  ProgressBar1->show();
  TntButton1->show();

  const uint64_t number = ++downloadNumber_;
  auto progress = [this, number](int32_t percent) {
    QMetaObject::invokeMethod(
        this,
        [this, number, percent] {
          if (number == downloadNumber_) ProgressBar1->setValue(percent);
        },
        Qt::QueuedConnection);
  };
  auto finish = [this, number] {
    QMetaObject::invokeMethod(
        this,
        [this, number] {
          if (number == downloadNumber_) downfin();
        },
        Qt::QueuedConnection);
  };
  try {
    download_ = std::make_unique<tthreaddownload>(url, TargetFolder, progress, finish);
    download_->Resume();
  } catch (const std::exception& error) {
    LogFile.Log(std::string("Texploreform: the download could not start: ") + error.what(), 2);
    download_.reset();
    DownloadRunning.store(false);
    downfin();
  }
}

void Texploreform::EmbeddedWB1ProgressChange(int32_t progress) {
  // While a download shows, the bar is the download's: the page's own
  // progress (the cancelled navigation's end among it) leaves it alone.
  if (!ProgressBar1->isHidden()) return;
  ProgressBar1->setValue(progress);
}

void Texploreform::TntButton1Click() {
  if (!DownloadRunning.load() || !download_ || download_->Finished()) return;
  download_->CloseRequest();
  const uint64_t number = downloadNumber_;
  QTimer::singleShot(kAbortRepeatMs, this, [this, number] {
    if (number == downloadNumber_) TntButton1Click();
  });
}

void Texploreform::FormClose() { TntButton1Click(); }

void Texploreform::Button1Click() { close(); }

void Texploreform::FormKeyUp(int key) {
  if (key == Qt::Key_Escape) close();
}

void Texploreform::keyReleaseEvent(QKeyEvent* event) {
  FormKeyUp(event->key());
  QDialog::keyReleaseEvent(event);
}

void Texploreform::done(int result) {
  FormClose();
  QDialog::done(result);
}

void Texploreform::downfin() {
  TntLabel1->hide();
  ProgressBar1->hide();
  TntButton1->hide();
  TntLabel1->setText(savedCaption_);
}

}  // namespace kestrune
