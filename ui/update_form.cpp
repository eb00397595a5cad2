#include "ui/update_form.h"

#include <QHBoxLayout>
#include <algorithm>
#include <QMetaObject>
#include <QVBoxLayout>

namespace kestrune {

namespace {

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QString JoinLines(const std::vector<std::u16string>& lines) {
  QStringList list;
  for (const std::u16string& line : lines) list << ToQString(line);
  return list.join('\n');
}

}  // namespace

TFUpdate::TFUpdate(TUpdateCheck& check, std::u16string& installerPath, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      check_(check),
      installerPath_(installerPath) {
  setObjectName("FUpdate");
  setModal(true);

  MemoUpdate = new QPlainTextEdit(this);
  MemoUpdate->setObjectName("MemoUpdate");
  MemoUpdate->setReadOnly(true);
  MemoUpdate->setMinimumSize(380, 150);
  UpdateBar = new QProgressBar(this);
  UpdateBar->setObjectName("UpdateBar");
  UpdateBar->setRange(0, 100);
  UpdateBar->setValue(0);
  AutoSearchUpdateAtStart = new QCheckBox(this);
  AutoSearchUpdateAtStart->setObjectName("AutoSearchUpdateAtStart");
  AutoSearchUpdateAtStart->hide();
  BUpdate = new QPushButton(this);
  BUpdate->setObjectName("BUpdate");
  BUpdate->setDefault(true);
  BCancel = new QPushButton(this);
  BCancel->setObjectName("BCancel");

  auto* column = new QVBoxLayout(this);
  column->addWidget(MemoUpdate);
  column->addWidget(UpdateBar);
  column->addWidget(AutoSearchUpdateAtStart);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BUpdate);
  buttons->addWidget(BCancel);
  column->addLayout(buttons);
  column->setSizeConstraint(QLayout::SetFixedSize);

  failureTimer_ = new QTimer(this);
  failureTimer_->setSingleShot(true);
  connect(failureTimer_, &QTimer::timeout, this, [this] {
    BUpdate->setEnabled(true);
    CloseWith(Rejected);
  });
  connect(BUpdate, &QPushButton::clicked, this, [this] { BUpdateClick(); });
  connect(BCancel, &QPushButton::clicked, this, [this] { BCancelClick(); });
}

TFUpdate::~TFUpdate() {
  download_ = 0;
  check_.CancelInstaller();
}

int TFUpdate::ShowModal(int32_t codePage) {
  codePage_ = codePage;
  return exec();
}

void TFUpdate::showEvent(QShowEvent* event) {
  check_.CancelFlag = false;
  BUpdate->setEnabled(true);
  UpdateBar->setValue(0);
  MemoUpdate->setPlainText(JoinLines(UpdateMemoLines(check_, codePage_)));
  QDialog::showEvent(event);
}

void TFUpdate::BUpdateClick() {
  check_.CancelFlag = false;
  BUpdate->setEnabled(false);
  UpdateBar->setValue(0);
  if (question_) return;
  question_ = new QMessageBox(QMessageBox::Question, ToQString(MessageStrings.smUpdate),
                              ToQString(MessageStrings.smClosed), QMessageBox::Yes | QMessageBox::No, this);
  question_->setAttribute(Qt::WA_DeleteOnClose);
  connect(question_, &QMessageBox::finished, this, [this](int result) { AnswerClosed(result == QMessageBox::Yes); });
  question_->open();
}

void TFUpdate::AnswerClosed(bool yes) {
  if (!isVisible()) return;
  if (!yes) {
    BUpdate->setEnabled(true);
    CloseWith(Rejected);
    return;
  }
  const uint64_t download = download_ = ++downloads_;
  check_.DownloadInstaller(
      check_.InstallerName(), check_.InstallerSize(),
      [this, download](int32_t percent) {
        QMetaObject::invokeMethod(
            this, [this, download, percent] { InstallerProgress(download, percent); }, Qt::QueuedConnection);
      },
      [this, download](TInstallerResult result) {
        QMetaObject::invokeMethod(
            this, [this, download, result = std::move(result)] { InstallerDone(download, result); },
            Qt::QueuedConnection);
      });
}

void TFUpdate::InstallerProgress(uint64_t download, int32_t percent) {
  if (download == download_) UpdateBar->setValue(std::clamp(percent, 0, 100));
}

void TFUpdate::InstallerDone(uint64_t download, const TInstallerResult& result) {
  if (download != download_ || !isVisible()) return;
  download_ = 0;
  if (result.Ok) {
    installerPath_ = result.Path;
    BUpdate->setEnabled(true);
    CloseWith(Accepted);
    return;
  }
  installerPath_.clear();
  MemoUpdate->setPlainText(JoinLines(InstallerFailureLines(result)));
  UpdateBar->setValue(0);
  failureTimer_->start(FailureWaitMs);
}

void TFUpdate::BCancelClick() {
  installerPath_.clear();
  BUpdate->setEnabled(true);
  download_ = 0;
  check_.CancelInstaller();
  CloseWith(Rejected);
}

void TFUpdate::reject() { BCancelClick(); }

void TFUpdate::CloseWith(int result) {
  failureTimer_->stop();
  if (question_) {
    question_->disconnect(this);
    question_->hide();
    question_->deleteLater();
  }
  done(result);
}

}  // namespace kestrune
