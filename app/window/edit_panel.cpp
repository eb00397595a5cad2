#include "app/window/edit_panel.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/edit_panel_model.h"

namespace kestrune {

namespace {

template <class Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QToolButton* Button(QWidget* parent, const char* name, bool checkable = false) {
  auto* button = Named(new QToolButton(parent), name);
  button->setCheckable(checkable);
  button->setAutoRaise(true);
  return button;
}

QString Text(const std::u16string& text) { return QString::fromStdU16String(text); }

}  // namespace

TEditPanel::TEditPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("EditPanel"));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(4, 4, 4, 4);

  auto* tools = new QHBoxLayout;
  auto* group = new QButtonGroup(this);
  group->setExclusive(true);
  TntSpeedButton1 = Button(this, "TntSpeedButton1", true);
  TntSpeedButton2 = Button(this, "TntSpeedButton2", true);
  TntSpeedButton3 = Button(this, "TntSpeedButton3", true);
  TntSpeedButton4 = Button(this, "TntSpeedButton4", true);
  int32_t kind = ekPhraseAdded;
  for (QToolButton* page : {TntSpeedButton1, TntSpeedButton2, TntSpeedButton3, TntSpeedButton4}) {
    group->addButton(page);
    tools->addWidget(page);
    connect(page, &QToolButton::clicked, this, [this, kind] { PageClick(kind); });
    ++kind;
  }
  TntSpeedButton1->setChecked(true);
  tools->addStretch();
  edit_undo = Button(this, "edit_undo");
  edit_redo = Button(this, "edit_redo");
  TntSpeedButton7 = Button(this, "TntSpeedButton7");
  TntSpeedButton8 = Button(this, "TntSpeedButton8");
  TntSpeedButton7->hide();
  TntSpeedButton8->hide();
  for (QToolButton* button : {edit_undo, edit_redo, TntSpeedButton7, TntSpeedButton8}) tools->addWidget(button);
  column->addLayout(tools);

  Pages = Named(new QStackedWidget(this), "Pages");
  column->addWidget(Pages);

  // Page 0: the phrase and "Add".
  auto* phrasePage = new QWidget(Pages);
  auto* phraseRow = new QHBoxLayout(phrasePage);
  phraseEdit = Named(new QLineEdit(phrasePage), "phraseEdit");
  TntButton1 = Named(new QPushButton(phrasePage), "TntButton1");
  phraseRow->addWidget(phraseEdit, 1);
  phraseRow->addWidget(TntButton1);
  Pages->addWidget(phrasePage);
  // Page 1: links are deleted by clicks on the map.
  Pages->addWidget(new QWidget(Pages));
  // Page 2: the weight of a link.
  auto* weightPage = new QWidget(Pages);
  auto* weightRow = new QHBoxLayout(weightPage);
  ILabel6 = Named(new QLabel(weightPage), "ILabel6");
  TntEdit1 = Named(new QLineEdit(weightPage), "TntEdit1");
  IBitmapTrackBar1 = Named(new QSlider(Qt::Horizontal, weightPage), "IBitmapTrackBar1");
  IBitmapTrackBar1->setRange(0, 100);
  TntSpeedButton5 = Button(weightPage, "TntSpeedButton5");
  weightRow->addWidget(ILabel6);
  weightRow->addWidget(TntEdit1, 1);
  weightRow->addWidget(IBitmapTrackBar1, 1);
  weightRow->addWidget(TntSpeedButton5);
  Pages->addWidget(weightPage);
  // Page 3: two words merged.
  auto* mergePage = new QWidget(Pages);
  auto* mergeRow = new QHBoxLayout(mergePage);
  TntEdit2 = Named(new QLineEdit(mergePage), "TntEdit2");
  TntEdit3 = Named(new QLineEdit(mergePage), "TntEdit3");
  TntSpeedButton6 = Button(mergePage, "TntSpeedButton6");
  mergeRow->addWidget(TntEdit2, 1);
  mergeRow->addWidget(TntEdit3, 1);
  mergeRow->addWidget(TntSpeedButton6);
  Pages->addWidget(mergePage);

  // The controls reach the model only while one is bound.
  auto forward = [this](void (TEditPanelModel::*handler)()) {
    return [this, handler] {
      if (model_) (model_->*handler)();
      Refresh();
    };
  };
  connect(TntButton1, &QPushButton::clicked, this, forward(&TEditPanelModel::TntButton1Click));
  connect(phraseEdit, &QLineEdit::returnPressed, this, forward(&TEditPanelModel::TntButton1Click));
  connect(TntSpeedButton5, &QToolButton::clicked, this, forward(&TEditPanelModel::TntSpeedButton5Click));
  connect(TntSpeedButton6, &QToolButton::clicked, this, forward(&TEditPanelModel::TntSpeedButton6Click));
  connect(edit_undo, &QToolButton::clicked, this, forward(&TEditPanelModel::edit_undoClick));
  connect(edit_redo, &QToolButton::clicked, this, forward(&TEditPanelModel::edit_redoClick));
  connect(phraseEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (model_) model_->PhraseText = text.toStdU16String();
  });
  connect(TntEdit2, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (model_) model_->FirstWord = text.toStdU16String();
  });
  connect(TntEdit3, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (model_) model_->SecondWord = text.toStdU16String();
  });
  connect(IBitmapTrackBar1, &QSlider::valueChanged, this, [this](int value) {
    if (model_ && !refreshing_) model_->TrackBarPosition = value;
  });
  hide();
}

void TEditPanel::Bind(TEditPanelModel* model) {
  if (model_) model_->OnChanged = nullptr;
  model_ = model;
  if (model_) {
    model_->OnChanged = [this] { Refresh(); };
    Refresh();
  }
}

bool TEditPanel::Toggle() {
  const bool visible = model_ ? model_->speciaClick() : !isVisible();
  setVisible(visible);
  Refresh();
  return visible;
}

void TEditPanel::PageClick(int32_t kind) {
  Pages->setCurrentIndex(kind);
  if (model_) model_->SelectKind(kind);
  Refresh();
}

void TEditPanel::Refresh() {
  if (!model_) return;
  refreshing_ = true;
  phraseEdit->setText(Text(model_->PhraseText));
  ILabel6->setText(Text(model_->WeightLabel));
  TntEdit1->setText(Text(model_->WeightWord));
  IBitmapTrackBar1->setValue(model_->TrackBarPosition);
  TntEdit2->setText(Text(model_->FirstWord));
  TntEdit3->setText(Text(model_->SecondWord));
  if (model_->Kind() >= 0 && model_->Kind() < 4) Pages->setCurrentIndex(model_->Kind());
  QToolButton* const pages[] = {TntSpeedButton1, TntSpeedButton2, TntSpeedButton3, TntSpeedButton4};
  if (model_->Kind() >= 0 && model_->Kind() < 4) pages[model_->Kind()]->setChecked(true);
  refreshing_ = false;
}

}  // namespace kestrune
