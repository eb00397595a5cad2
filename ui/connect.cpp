#include "ui/connect.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <condition_variable>
#include <mutex>

#include "core/message_strings.h"

namespace kestrune {

TFConnect* FConnect = nullptr;

// What a probe on another thread waits on: its answer, or the form's end.
struct TFConnect::TWaiters {
  std::mutex mutex;
  std::condition_variable changed;
  bool formGone = false;
  uint64_t cancels = 0;  // CancelProxyLogin calls so far
};

TFConnect::TFConnect(TConnectProbe* probe, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      waiters_(std::make_shared<TWaiters>()),
      probe_(probe) {
  setObjectName("FConnect");
  setModal(true);

  TLRefused = new QLabel(this);
  TLRefused->setObjectName("TLRefused");
  TLRefused->setTextFormat(Qt::PlainText);
  TLRefused->setWordWrap(true);
  TLRefused->hide();
  TLUName = new QLabel(this);
  TLUName->setObjectName("TLUName");
  TEdUName = new QLineEdit(this);
  TEdUName->setObjectName("TEdUName");
  TLPassword = new QLabel(this);
  TLPassword->setObjectName("TLPassword");
  TEdPassword = new QLineEdit(this);
  TEdPassword->setObjectName("TEdPassword");
  TEdPassword->setEchoMode(QLineEdit::Password);
  TCBRemPasswd = new QCheckBox(this);
  TCBRemPasswd->setObjectName("TCBRemPasswd");
  TBOk = new QPushButton(this);
  TBOk->setObjectName("TBOk");
  TBOk->setDefault(true);
  TBCancel = new QPushButton(this);
  TBCancel->setObjectName("TBCancel");
  TLUName->setBuddy(TEdUName);
  TLPassword->setBuddy(TEdPassword);

  auto* grid = new QGridLayout(this);
  grid->addWidget(TLRefused, 0, 0, 1, 2);
  grid->addWidget(TLUName, 1, 0);
  grid->addWidget(TEdUName, 1, 1);
  grid->addWidget(TLPassword, 2, 0);
  grid->addWidget(TEdPassword, 2, 1);
  grid->addWidget(TCBRemPasswd, 3, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(TBOk);
  buttons->addWidget(TBCancel);
  grid->addLayout(buttons, 4, 0, 1, 2);
  grid->setSizeConstraint(QLayout::SetFixedSize);
  TEdUName->setMinimumWidth(200);

  connect(TBOk, &QPushButton::clicked, this, [this] { TBOkClick(); });
  connect(TBCancel, &QPushButton::clicked, this, [this] { TBCancelClick(); });
  FConnect = this;
  if (probe_) probe_->Prompt = this;
}

TFConnect::~TFConnect() {
  if (probe_) {
    IProxyLoginPrompt* self = this;
    probe_->Prompt.compare_exchange_strong(self, nullptr);
  }
  {
    std::lock_guard lock(waiters_->mutex);
    waiters_->formGone = true;
  }
  waiters_->changed.notify_all();
  if (FConnect == this) FConnect = nullptr;
}

void TFConnect::showEvent(QShowEvent* event) {
  dialogResult_.clear();
  QDialog::showEvent(event);
}

void TFConnect::TBOkClick() {
  dialogResult_ = "Ok";
  accept();
}

void TFConnect::TBCancelClick() {
  dialogResult_ = "Cancel";
  QDialog::reject();
}

void TFConnect::reject() { TBCancelClick(); }

bool TFConnect::AskOnOwnThread(std::string& user, std::string& password, bool refused) {
  if (isVisible()) return false;
  TLRefused->setText(QString::fromStdU16String(MessageStrings.smProxyLoginRefused));
  TLRefused->setVisible(refused);
  TEdUName->clear();
  TEdPassword->clear();
  TEdUName->setFocus();
  QPointer<TFConnect> alive(this);
  exec();
  if (!alive) return false;  // the form went while it was shown
  const bool ok = dialogResult_ == "Ok";
  if (ok) {
    user = TEdUName->text().toStdString();
    password = TEdPassword->text().toStdString();
  }
  TEdPassword->clear();  // the password stays in the probe's memory only
  return ok;
}

bool TFConnect::AskProxyLogin(std::string& user, std::string& password, bool refused) {
  if (QThread::currentThread() == thread()) return AskOnOwnThread(user, password, refused);

  // A queued call to the form's thread; this thread waits for its answer or
  // for the form's end (a call still queued then is dropped with the form).
  struct TAnswer {
    bool done = false;
    bool ok = false;
    std::string user, password;
  };
  auto answer = std::make_shared<TAnswer>();
  std::shared_ptr<TWaiters> waiters = waiters_;
  uint64_t cancels = 0;
  {
    std::lock_guard lock(waiters->mutex);
    cancels = waiters->cancels;
  }
  QMetaObject::invokeMethod(
      this,
      [this, answer, waiters, cancels, refused] {
        std::string u, p;
        bool cancelled = false;
        {
          std::lock_guard lock(waiters->mutex);
          cancelled = waiters->cancels != cancels;
        }
        const bool ok = !cancelled && AskOnOwnThread(u, p, refused);
        {
          std::lock_guard lock(waiters->mutex);
          answer->ok = ok;
          answer->user = std::move(u);
          answer->password = std::move(p);
          answer->done = true;
        }
        waiters->changed.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(waiters->mutex);
  waiters->changed.wait(lock, [&] { return answer->done || waiters->formGone || waiters->cancels != cancels; });
  if (!answer->done || !answer->ok) return false;
  user = answer->user;
  password = answer->password;
  return true;
}

void TFConnect::CancelProxyLogin() {
  {
    std::lock_guard lock(waiters_->mutex);
    ++waiters_->cancels;
  }
  waiters_->changed.notify_all();
  if (QThread::currentThread() == thread()) {
    if (isVisible()) TBCancelClick();
    return;
  }
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (isVisible()) TBCancelClick();
      },
      Qt::QueuedConnection);
}

}  // namespace kestrune
