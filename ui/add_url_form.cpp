#include "ui/add_url_form.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include "platform/message_box.h"

namespace kestrune {

TFAddUrl* FAddUrl = nullptr;

TFAddUrl::TFAddUrl(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("FAddUrl");
  setModal(true);
  auto label = [this](const char* name, QWidget* buddy) {
    auto* made = new QLabel(this);
    made->setObjectName(name);
    made->setTextFormat(Qt::PlainText);
    made->setBuddy(buddy);
    return made;
  };
  TEName = new QLineEdit(this);
  TEName->setObjectName("TEName");
  TEUrl = new QLineEdit(this);
  TEUrl->setObjectName("TEUrl");
  TEAnnotation = new QPlainTextEdit(this);
  TEAnnotation->setObjectName("TEAnnotation");
  TEAnnotation->setTabChangesFocus(true);
  TLName = label("TLName", TEName);
  TLUrl = label("TLUrl", TEUrl);
  TLAnnotation = label("TLAnnotation", TEAnnotation);
  TCBFavorites = new QCheckBox(this);
  TCBFavorites->setObjectName("TCBFavorites");
  TCBFavorites->hide();
  TBOk = new QPushButton(this);
  TBOk->setObjectName("TBOk");
  TBOk->setDefault(true);
  TBCancel = new QPushButton(this);
  TBCancel->setObjectName("TBCancel");

  auto* grid = new QGridLayout(this);
  grid->addWidget(TLName, 0, 0);
  grid->addWidget(TEName, 0, 1);
  grid->addWidget(TLUrl, 1, 0);
  grid->addWidget(TEUrl, 1, 1);
  grid->addWidget(TLAnnotation, 2, 0, Qt::AlignTop);
  grid->addWidget(TEAnnotation, 2, 1);
  grid->addWidget(TCBFavorites, 3, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(TBOk);
  buttons->addWidget(TBCancel);
  grid->addLayout(buttons, 4, 0, 1, 2);
  TEName->setMinimumWidth(300);
  TEAnnotation->setFixedHeight(80);

  connect(TBOk, &QPushButton::clicked, this, [this] { TBOkClick(); });
  connect(TBCancel, &QPushButton::clicked, this, [this] { TBCancelClick(); });
  FAddUrl = this;
}

TFAddUrl::~TFAddUrl() {
  if (FAddUrl == this) FAddUrl = nullptr;
}

void TFAddUrl::TBOkClick() {
  if (TEName->text().isEmpty() || TEUrl->text().isEmpty()) return;
  done(platform::kIdOk);
}

void TFAddUrl::TBCancelClick() { done(platform::kIdCancel); }

void TFAddUrl::reject() { TBCancelClick(); }

}  // namespace kestrune
