#include "ui/splash_form.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "ui/control_pictures.h"
#include "ui/first_frame.h"
#include "ui/picture_form.h"

namespace kestrune {

TForm1* Form1 = nullptr;

namespace {

QString PictureName(TPicture picture) { return QString::fromStdString(PictureFile(picture)); }

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("Form1");
  GiveNativeBackground(*this);
  const TControlPicture& splash = ControlPicture(TPicture::Splash);
  Image1 = SetUpPictureForm(*this, TPicture::Splash, "Image1");

  TntLabel1 = new QLabel(this);
  TntLabel1->setObjectName("TntLabel1");
  TntLabel1->setTextFormat(Qt::PlainText);
  TntLabel1->setAlignment(Qt::AlignCenter);
  TntLabel1->setGeometry(18, splash.Height - 64, splash.Width - 36, 20);

  Label2 = new QLabel(this);
  Label2->setObjectName("Label2");
  Label2->setTextFormat(Qt::PlainText);
  Label2->setGeometry(18, splash.Height - 44, splash.Width - 36, 16);
  Label2->hide();

  const TControlPicture& back = ControlPicture(TPicture::ProgressBack);
  ibitmap27 = new ibitmap(this);
  ibitmap27->setObjectName("ibitmap27");
  ibitmap27->SetFileName(PictureName(TPicture::ProgressBack));
  const int32_t left = (splash.Width - back.Width) / 2;
  const int32_t top = splash.Height - 36;
  ibitmap27->move(left, top);

  IProgressBar1 = new IProgressBar(this);
  IProgressBar1->setObjectName("IProgressBar1");
  IProgressBar1->SetbuttonP(PictureName(TPicture::ProgressFill));
  IProgressBar1->Setbutton(ibitmap27);
  IProgressBar1->Setex(-2);
  IProgressBar1->Setey(0);
  IProgressBar1->setRange(0, 100);
  IProgressBar1->setValue(0);
  IProgressBar1->setTextVisible(false);
  IProgressBar1->setGeometry(left + 2, top, back.Width - 4, back.Height);
  Form1 = this;
}

TForm1::~TForm1() {
  if (Form1 == this) Form1 = nullptr;
}

int32_t TForm1::ProgressPosition(int32_t progress, int32_t dictCount, int32_t dictDone, int32_t min, int32_t max) {
  const double count = static_cast<double>(dictCount);
  const double value = static_cast<double>(progress) / count + static_cast<double>(dictDone) / count * 100.0;
  const double held = std::clamp(std::trunc(value), static_cast<double>(min), static_cast<double>(max));
  return static_cast<int32_t>(held);
}

void TForm1::ProgressChange(int32_t progress) {
  if (DictCount <= 0) return;
  IProgressBar1->setValue(
      ProgressPosition(progress, DictCount, DictDone, IProgressBar1->minimum(), IProgressBar1->maximum()));
  if (isVisible()) IProgressBar1->repaint();
}

void TForm1::DictionaryProgress(int32_t percent, std::u16string_view text, int32_t dictCount, int32_t dictDone) {
  DictCount = dictCount;
  DictDone = dictDone;
  if (!text.empty()) Label2->setText(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
  ProgressChange(percent);
}

void TForm1::showEvent(QShowEvent* event) {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  QWidget::showEvent(event);
}

}  // namespace kestrune
