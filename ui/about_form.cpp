#include "ui/about_form.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <exception>

#include "core/log_file.h"
#include "core/message_strings.h"
#include "core/version.h"
#include "platform/files.h"
#include "ui/control_pictures.h"
#include "ui/picture_form.h"

namespace kestrune {

TFAbout* FAbout = nullptr;

namespace {

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* NewLabel(QWidget* parent, const char* name, const QRect& place) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  label->setGeometry(place);
  return label;
}

}  // namespace

void OpenUrlInBrowser(IBrowserOpener* opener, std::u16string_view url) {
  if (!opener) return;
  try {
    opener->OpenInBrowser(url);
  } catch (const std::exception& error) {
    LogFile.Log(std::string("A link could not be opened: ") + error.what(), mtWarning);
  }
}

TFAbout::TFAbout(IBrowserOpener* opener, QWidget* parent)
    : QDialog(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), opener_(opener) {
  setObjectName("FAbout");
  const TControlPicture& picture = ControlPicture(TPicture::About);
  Image1 = SetUpPictureForm(*this, TPicture::About, "Image1");
  Image1->OnClick = [this](QObject*) { Image1Click(); };

  const int32_t left = 24;
  const int32_t width = picture.Width / 2;
  lbuild = NewLabel(this, "lbuild", QRect(left, picture.Height - 92, width, 20));
  TntLabel1 = NewLabel(this, "TntLabel1", QRect(left, picture.Height - 64, width, 20));
  TntLabel3 = NewLabel(this, "TntLabel3", QRect(left, picture.Height - 40, width, 20));
  TntLabel1->setText(ToQString(platform::kMakerSite));
  TntLabel3->setText(ToQString(message_texts::MakerMailbox(u"support")));
  for (QLabel* link : {TntLabel1, TntLabel3}) {
    link->setCursor(Qt::PointingHandCursor);
    QFont font = link->font();
    font.setUnderline(true);
    link->setFont(font);
    link->installEventFilter(this);
  }
  FAbout = this;
}

TFAbout::~TFAbout() {
  if (FAbout == this) FAbout = nullptr;
}

void TFAbout::FormShow() {
  TVSFixedFileInfo block;
  GetFixedFileInfo(platform::ProgramFile(), block);
  lbuild->setText(QStringLiteral("version ") + QString::fromStdString(FileVersionToStr(block)));
}

void TFAbout::TntLabel1Click() { OpenUrlInBrowser(opener_, TntLabel1->text().toStdU16String()); }

void TFAbout::TntLabel3Click() {
  ISendMail mail;
  mail.Setmailto(TntLabel3->text().toStdU16String());
  if (OnSendMail) {
    OnSendMail(mail);
  } else {
    mail.Send();
  }
}

void TFAbout::Image1Click() { close(); }

void TFAbout::ShowAbout(bool modal, IBrowserOpener* opener, QWidget* parent) {
  if (FAbout) {
    if (modal) {
      FAbout->exec();
    } else {
      FAbout->show();
    }
    return;
  }
  auto* box = new TFAbout(opener, parent);
  if (modal) {
    box->exec();
    delete box;
  } else {
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
  }
}

bool TFAbout::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease && (watched == TntLabel1 || watched == TntLabel3)) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    auto* label = static_cast<QLabel*>(watched);
    if (mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint())) {
      if (watched == TntLabel1) {
        TntLabel1Click();
      } else {
        TntLabel3Click();
      }
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TFAbout::showEvent(QShowEvent* event) {
  FormShow();
  const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (screen) move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
  QDialog::showEvent(event);
}

}  // namespace kestrune
