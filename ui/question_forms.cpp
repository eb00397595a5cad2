#include "ui/question_forms.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QVBoxLayout>
#include <functional>
#include <memory>

#include "platform/message_box.h"

namespace kestrune {

TQuestion* Question = nullptr;
TQuestChSE* QuestChSE = nullptr;
TFMessNoDict* FMessNoDict = nullptr;

namespace {

constexpr Qt::WindowFlags kQuestionFlags =
    Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* NewLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setMinimumWidth(320);
  return label;
}

QPushButton* NewButton(QDialog* form, const char* name, int32_t answer) {
  auto* button = new QPushButton(form);
  button->setObjectName(name);
  button->setAutoDefault(false);
  QObject::connect(button, &QPushButton::clicked, form, [form, answer] { form->done(answer); });
  return button;
}

QCheckBox* NewCheckBox(QWidget* parent, const char* name) {
  auto* box = new QCheckBox(parent);
  box->setObjectName(name);
  return box;
}

// The labels above, the check box and the buttons in a row below.
void LayOut(QDialog* form, std::initializer_list<QWidget*> lines, QCheckBox* box,
            std::initializer_list<QPushButton*> buttons) {
  auto* column = new QVBoxLayout(form);
  for (QWidget* line : lines) column->addWidget(line);
  column->addWidget(box);
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (QPushButton* button : buttons) row->addWidget(button);
  column->addLayout(row);
  column->setSizeConstraint(QLayout::SetFixedSize);
}

// The program's form, or one made for this question.
template <class Form>
int32_t AskOn(Form* programForm, QWidget* parent, const std::function<int32_t(Form&)>& ask) {
  if (programForm) return ask(*programForm);
  Form form(parent);
  return ask(form);
}

}  // namespace

// ---- TQuestion ----

TQuestion::TQuestion(QWidget* parent) : QDialog(parent, kQuestionFlags | Qt::WindowStaysOnTopHint) {
  setObjectName("Question");
  setModal(true);
  TntLabel1 = NewLabel(this, "TntLabel1");
  TntCheckBox1 = NewCheckBox(this, "TntCheckBox1");
  TntButton1 = NewButton(this, "TntButton1", platform::kIdYes);
  TntButton3 = NewButton(this, "TntButton3", platform::kIdNo);
  TntButton2 = NewButton(this, "TntButton2", platform::kIdCancel);
  TntButton1->setDefault(true);
  LayOut(this, {TntLabel1}, TntCheckBox1, {TntButton1, TntButton3, TntButton2});
  Question = this;
}

TQuestion::~TQuestion() {
  if (Question == this) Question = nullptr;
}

void TQuestion::showEvent(QShowEvent* event) {
  TntCheckBox1->setChecked(dontAskShown_);
  // The first focus is the default answer's: a Space never ticks the box.
  TntButton1->setFocus();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    adjustSize();
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
  }
  QDialog::showEvent(event);
}

void TQuestion::done(int result) {
  QDialog::done(result == platform::kIdYes || result == platform::kIdNo ? result : platform::kIdCancel);
}

int32_t TQuestion::Ask(bool& dontAsk) {
  dontAskShown_ = dontAsk;
  const int32_t answer = exec();
  dontAsk = TntCheckBox1->isChecked();
  return answer;
}

int32_t TQuestion::AskSaveQuestion(QWidget* parent, bool& dontAsk) {
  return AskOn<TQuestion>(Question, parent, [&](TQuestion& form) { return form.Ask(dontAsk); });
}

// ---- TQuestChSE ----

TQuestChSE::TQuestChSE(QWidget* parent) : QDialog(parent, kQuestionFlags) {
  setObjectName("QuestChSE");
  setModal(true);
  TLMsg = NewLabel(this, "TLMsg");
  TLMsg1 = NewLabel(this, "TLMsg1");
  TCheckBox = NewCheckBox(this, "TCheckBox");
  TBtnYes = NewButton(this, "TBtnYes", platform::kIdYes);
  TBtnNo = NewButton(this, "TBtnNo", platform::kIdNo);
  TBtnCancel = NewButton(this, "TBtnCancel", platform::kIdCancel);
  TBtnYes->setDefault(true);
  LayOut(this, {TLMsg, TLMsg1}, TCheckBox, {TBtnYes, TBtnNo, TBtnCancel});
  TBtnNo->hide();
  TCheckBox->hide();
  QuestChSE = this;
}

TQuestChSE::~TQuestChSE() {
  if (QuestChSE == this) QuestChSE = nullptr;
}

void TQuestChSE::done(int result) {
  QDialog::done(result == platform::kIdYes || result == platform::kIdNo ? result : platform::kIdCancel);
}

int32_t TQuestChSE::Ask(std::u16string_view message, std::u16string_view message1, bool withNo) {
  TLMsg->setText(ToQString(message));
  TLMsg1->setText(ToQString(message1));
  TLMsg1->setVisible(!message1.empty());
  TBtnNo->setVisible(withNo);
  return exec();
}

int32_t TQuestChSE::AskChangeEngine(QWidget* parent, std::u16string_view message, std::u16string_view message1,
                                    bool withNo) {
  return AskOn<TQuestChSE>(QuestChSE, parent,
                           [&](TQuestChSE& form) { return form.Ask(message, message1, withNo); });
}

// ---- TFMessNoDict ----

TFMessNoDict::TFMessNoDict(QWidget* parent) : QDialog(parent, kQuestionFlags) {
  setObjectName("FMessNoDict");
  setModal(true);
  TntLabel1 = NewLabel(this, "TntLabel1");
  TCBNotAsk = NewCheckBox(this, "TCBNotAsk");
  TBtnYes = NewButton(this, "TBtnYes", platform::kIdYes);
  TBtnNo = NewButton(this, "TBtnNo", platform::kIdNo);
  TBtnYes->setDefault(true);
  LayOut(this, {TntLabel1}, TCBNotAsk, {TBtnYes, TBtnNo});
  FMessNoDict = this;
}

TFMessNoDict::~TFMessNoDict() {
  if (FMessNoDict == this) FMessNoDict = nullptr;
}

void TFMessNoDict::showEvent(QShowEvent* event) {
  TCBNotAsk->setChecked(false);
  TBtnYes->setFocus();
  QDialog::showEvent(event);
}

void TFMessNoDict::done(int result) { QDialog::done(result == platform::kIdYes ? result : platform::kIdNo); }

int32_t TFMessNoDict::Ask(std::u16string_view text, bool& dontAsk) {
  TntLabel1->setText(ToQString(text));
  const int32_t answer = exec();
  dontAsk = TCBNotAsk->isChecked();
  return answer;
}

int32_t TFMessNoDict::AskNoDictionary(QWidget* parent, std::u16string_view text, bool& dontAsk) {
  return AskOn<TFMessNoDict>(FMessNoDict, parent, [&](TFMessNoDict& form) { return form.Ask(text, dontAsk); });
}

}  // namespace kestrune
