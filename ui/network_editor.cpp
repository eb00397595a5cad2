#include "ui/network_editor.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

namespace kestrune {

namespace {

QString Q(std::u16string_view text) { return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())); }
std::u16string U(const QString& text) { return text.toStdU16String(); }

constexpr int kRowRole = Qt::UserRole;

template <typename T>
T* Named(T* object, const char* name) {
  object->setObjectName(name);
  return object;
}

}  // namespace

// The Percent column: a bar of the row's value x 100, one pixel in from the
// cell's top-left corner, as wide as the column less two and as high as the
// row less four.
class TfrmRedactor::PercentDelegate : public QStyledItemDelegate {
 public:
  PercentDelegate(TNetworkEditorModel& model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    if (index.column() != rcPercent) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);
    QStyleOptionProgressBar bar;
    bar.rect = QRect(option.rect.left() + 1, option.rect.top() + 1, std::max(option.rect.width() - 2, 0),
                     std::max(option.rect.height() - 4, 0));
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = std::clamp(model_.PercentPosition(index.data(kRowRole).toInt()), 0, 100);
    bar.textVisible = false;
    bar.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, widget);
  }

 private:
  TNetworkEditorModel& model_;
};

TfrmRedactor::TfrmRedactor(TIContextMS& context, TPhraseWordDictionary& dictionary, TITextParsing& textParsing,
                           TNetworkEditorHost host, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(context, dictionary, textParsing, std::move(host)) {
  setObjectName("frmRedactor");
  model_.View = this;
  const QString point = QLocale().decimalPoint();
  if (point.size() == 1) model_.SetDecimalSeparator(point.at(0).unicode());
  BuildControls();
  Connect();
  ShowListing();
}

TfrmRedactor::~TfrmRedactor() {
  model_.View = nullptr;
  if (hourglass_) QApplication::restoreOverrideCursor();
}

void TfrmRedactor::BuildControls() {
  lbWORD = Named(new QLabel(this), "lbWORD");
  QFont bold = lbWORD->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  lbWORD->setFont(bold);
  Label1 = Named(new QLabel(this), "Label1");
  lbCountRelationsW = Named(new QLabel(this), "lbCountRelationsW");
  Label2 = Named(new QLabel(this), "Label2");
  lbCountRelatonsCT = Named(new QLabel(this), "lbCountRelatonsCT");
  Label3 = Named(new QLabel(this), "Label3");
  Label4 = Named(new QLabel(this), "Label4");
  Label5 = Named(new QLabel(this), "Label5");
  Label6 = Named(new QLabel(this), "Label6");
  edAnchor = Named(new QLineEdit(this), "edAnchor");
  edKStim = Named(new QLineEdit(this), "edKStim");
  edKInh = Named(new QLineEdit(this), "edKInh");
  edBarier = Named(new QLineEdit(this), "edBarier");

  tlwREL = Named(new QTreeWidget(this), "tlwREL");
  tlwREL->setColumnCount(rcColumnCount);
  tlwREL->setRootIsDecorated(false);
  tlwREL->setUniformRowHeights(true);
  tlwREL->setAllColumnsShowFocus(true);
  tlwREL->setSelectionMode(QAbstractItemView::SingleSelection);
  tlwREL->setContextMenuPolicy(Qt::CustomContextMenu);
  tlwREL->setItemDelegate(new PercentDelegate(model_, tlwREL));
  tlwREL->header()->setSectionsClickable(true);
  tlwREL->header()->setStretchLastSection(true);
  const int widths[rcColumnCount] = {140, 110, 80, 80, 60, 100};
  for (int column = 0; column < rcColumnCount; ++column) tlwREL->setColumnWidth(column, widths[column]);
  tlwREL->viewport()->installEventFilter(this);
  tlwREL->installEventFilter(this);
  PopupMenu1 = Named(new QMenu(this), "PopupMenu1");
  remove1 = Named(PopupMenu1->addAction(QString()), "remove1");
  DeleteRelationAndWord1 = Named(PopupMenu1->addAction(QString()), "DeleteRelationAndWord1");
  UnCheckRemove1 = Named(PopupMenu1->addAction(QString()), "UnCheckRemove1");

  GroupBox1 = Named(new QGroupBox(this), "GroupBox1");
  Edit1 = Named(new QLineEdit(GroupBox1), "Edit1");
  TntListView1 = Named(new QTreeWidget(GroupBox1), "TntListView1");
  TntListView1->setColumnCount(2);
  TntListView1->setRootIsDecorated(false);
  TntListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  TntListView1->setColumnWidth(0, 150);
  btnAdd = Named(new QPushButton(GroupBox1), "btnAdd");
  auto* add = new QVBoxLayout(GroupBox1);
  add->addWidget(Edit1);
  add->addWidget(TntListView1);
  add->addWidget(btnAdd);

  GroupBox2 = Named(new QGroupBox(this), "GroupBox2");
  edLessValue = Named(new QLineEdit(Q(model_.edLessValue), GroupBox2), "edLessValue");
  btnSelectLessValue = Named(new QPushButton(GroupBox2), "btnSelectLessValue");
  edAssignSelectValue = Named(new QLineEdit(Q(model_.edAssignSelectValue), GroupBox2), "edAssignSelectValue");
  btnAssignSelectValue = Named(new QPushButton(GroupBox2), "btnAssignSelectValue");
  btnCancelSelection = Named(new QPushButton(GroupBox2), "btnCancelSelection");
  btnDeleteSelect = Named(new QPushButton(GroupBox2), "btnDeleteSelect");
  btnDeleteSelectedWords = Named(new QPushButton(GroupBox2), "btnDeleteSelectedWords");
  Button1 = Named(new QPushButton(GroupBox2), "Button1");
  auto* selection = new QGridLayout(GroupBox2);
  selection->addWidget(edLessValue, 0, 0);
  selection->addWidget(btnSelectLessValue, 0, 1);
  selection->addWidget(edAssignSelectValue, 1, 0);
  selection->addWidget(btnAssignSelectValue, 1, 1);
  selection->addWidget(btnCancelSelection, 2, 0, 1, 2);
  selection->addWidget(btnDeleteSelect, 3, 0);
  selection->addWidget(btnDeleteSelectedWords, 3, 1);
  selection->addWidget(Button1, 4, 0, 1, 2);

  GroupBox3 = Named(new QGroupBox(this), "GroupBox3");
  btnDelete = Named(new QPushButton(GroupBox3), "btnDelete");
  (new QVBoxLayout(GroupBox3))->addWidget(btnDelete);

  btnApply = Named(new QPushButton(this), "btnApply");
  btnSave = Named(new QPushButton(this), "btnSave");
  btnReload = Named(new QPushButton(this), "btnReload");
  Button2 = Named(new QPushButton(this), "Button2");
  SaveDialog1 = Named(new QFileDialog(this), "SaveDialog1");
  SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
  SaveDialog1->setNameFilter("ASN files (*.inn)");
  SaveDialog1->setDefaultSuffix("inn");
  GroupBox4 = Named(new QGroupBox(this), "GroupBox4");
  SpinEdit1 = Named(new QSpinBox(GroupBox4), "SpinEdit1");
  SpinEdit1->setRange(0, INT32_MAX);
  GroupBox4->hide();

  auto* counts = new QGridLayout;
  counts->addWidget(lbWORD, 0, 0, 1, 8);
  counts->addWidget(Label1, 1, 0);
  counts->addWidget(lbCountRelationsW, 1, 1);
  counts->addWidget(Label2, 1, 2);
  counts->addWidget(lbCountRelatonsCT, 1, 3);
  QLabel* labels[] = {Label3, Label4, Label5, Label6};
  QLineEdit* edits[] = {edAnchor, edKStim, edKInh, edBarier};
  for (int i = 0; i < 4; ++i) {
    counts->addWidget(labels[i], 2, 2 * i);
    counts->addWidget(edits[i], 2, 2 * i + 1);
  }
  auto* side = new QVBoxLayout;
  side->addWidget(GroupBox1, 1);
  side->addWidget(GroupBox2);
  side->addWidget(GroupBox3);
  auto* middle = new QHBoxLayout;
  middle->addWidget(tlwREL, 1);
  middle->addLayout(side);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* button : {btnApply, btnSave, btnReload, Button2}) buttons->addWidget(button);
  auto* main = new QVBoxLayout(this);
  main->addLayout(counts);
  main->addLayout(middle, 1);
  main->addLayout(buttons);
  main->addWidget(GroupBox4);
  resize(980, 560);
}

void TfrmRedactor::Connect() {
  auto text = [this](QLineEdit* edit, std::u16string& target) {
    connect(edit, &QLineEdit::textChanged, this, [&target](const QString& value) { target = U(value); });
  };
  text(edAnchor, model_.edAnchor);
  text(edKStim, model_.edKStim);
  text(edKInh, model_.edKInh);
  text(edBarier, model_.edBarier);
  text(Edit1, model_.Edit1);
  text(edLessValue, model_.edLessValue);
  text(edAssignSelectValue, model_.edAssignSelectValue);

  connect(tlwREL, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
    if (filling_ || column != rcName) return;
    model_.SetChecked(item->data(0, kRowRole).toInt(), item->checkState(0) == Qt::Checked);
  });
  connect(tlwREL, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (!filling_) model_.SelectedRow = item ? item->data(0, kRowRole).toInt() : -1;
  });
  connect(tlwREL->header(), &QHeaderView::sectionClicked, this, [this](int column) {
    model_.tlwRELColumnClick(column);
    ShowRows();
  });
  connect(tlwREL, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1->exec(tlwREL->viewport()->mapToGlobal(at)); });
  connect(remove1, &QAction::triggered, this, [this] { Act(&TNetworkEditorModel::remove1Click); });
  connect(DeleteRelationAndWord1, &QAction::triggered, this,
          [this] { Act(&TNetworkEditorModel::DeleteRelationAndWord1Click); });
  connect(UnCheckRemove1, &QAction::triggered, this, [this] { Act(&TNetworkEditorModel::UnCheckRemove1Click); });

  connect(Edit1, &QLineEdit::returnPressed, this, [this] {
    model_.Edit1KeyDown(13);
    ShowFoundWords();
  });
  connect(TntListView1, &QTreeWidget::itemSelectionChanged, this, [this] {
    model_.FoundSelection.clear();
    for (QTreeWidgetItem* item : TntListView1->selectedItems()) {
      model_.FoundSelection.push_back(item->data(0, kRowRole).toInt());
    }
    std::sort(model_.FoundSelection.begin(), model_.FoundSelection.end());
  });
  connect(btnAdd, &QPushButton::clicked, this, [this] {
    Act(&TNetworkEditorModel::btnAddClick);
    tlwREL->setFocus();
  });
  const std::pair<QPushButton*, void (TNetworkEditorModel::*)()> marks[] = {
      {btnSelectLessValue, &TNetworkEditorModel::btnSelectLessValueClick},
      {btnAssignSelectValue, &TNetworkEditorModel::btnAssignSelectValueClick},
      {btnCancelSelection, &TNetworkEditorModel::btnCancelSelectionClick},
      {btnDeleteSelect, &TNetworkEditorModel::btnDeleteSelectClick},
      {btnDeleteSelectedWords, &TNetworkEditorModel::btnDeleteSelectedWordsClick},
      {Button1, &TNetworkEditorModel::Button1Click}};
  for (const auto& [button, handler] : marks) {
    connect(button, &QPushButton::clicked, this, [this, handler = handler] { Act(handler); });
  }
  connect(btnDelete, &QPushButton::clicked, this, [this] { model_.btnDeleteClick(); });
  connect(btnApply, &QPushButton::clicked, this, [this] {
    model_.btnApplyClick();
    ShowListing();
    ShowFoundWords();
  });
  connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
  connect(btnReload, &QPushButton::clicked, this, [this] {
    model_.btnReloadClick();
    ShowListing();
  });
  connect(Button2, &QPushButton::clicked, this, &QWidget::close);
}

void TfrmRedactor::ExecuteAll() {
  if (!model_.ExecuteAll()) {
    ShowListing();
    return;
  }
  ShowListing();
  show();
  raise();
  activateWindow();
}

void TfrmRedactor::Act(void (TNetworkEditorModel::*handler)()) {
  (model_.*handler)();
  ShowRows();
}

void TfrmRedactor::ShowListing() {
  const QString word = Q(model_.WordText());
  if (!word.isEmpty()) setWindowTitle(word);
  lbWORD->setText(word);
  lbCountRelationsW->setText(QString::number(model_.lbCountRelationsW()));
  lbCountRelatonsCT->setText(QString::number(model_.lbCountRelatonsCT()));
  edAnchor->setText(Q(model_.edAnchor));
  edKStim->setText(Q(model_.edKStim));
  edKInh->setText(Q(model_.edKInh));
  edBarier->setText(Q(model_.edBarier));
  SpinEdit1->setValue(model_.SpinEdit1());
  ShowRows();
}

void TfrmRedactor::UpdateItem(QTreeWidgetItem* item) {
  const int row = item->data(0, kRowRole).toInt();
  if (row < 0 || row >= static_cast<int>(model_.Rows().size())) return;
  const TRelationRow& r = model_.Rows()[static_cast<size_t>(row)];
  const bool filling = filling_;
  filling_ = true;
  for (int column = 0; column < rcColumnCount; ++column) item->setText(column, Q(model_.CellText(r, column)));
  item->setCheckState(0, r.Checked ? Qt::Checked : Qt::Unchecked);
  filling_ = filling;
}

void TfrmRedactor::ShowRows() {
  filling_ = true;
  tlwREL->setUpdatesEnabled(false);
  tlwREL->clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(model_.Rows().size()));
  for (size_t i = 0; i < model_.Rows().size(); ++i) {
    auto* item = new QTreeWidgetItem;
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    for (int column = 0; column < rcColumnCount; ++column) item->setData(column, kRowRole, static_cast<int>(i));
    UpdateItem(item);
    items.push_back(item);
  }
  tlwREL->addTopLevelItems(items);
  if (model_.SelectedRow >= 0 && model_.SelectedRow < items.size()) {
    QTreeWidgetItem* selected = items[model_.SelectedRow];
    tlwREL->setCurrentItem(selected);
    tlwREL->scrollToItem(selected);
  }
  tlwREL->setUpdatesEnabled(true);
  filling_ = false;
}

void TfrmRedactor::ShowFoundWords() {
  TntListView1->clear();
  const std::vector<TFoundWord>& words = model_.FoundWords();
  for (size_t i = 0; i < words.size(); ++i) {
    auto* item = new QTreeWidgetItem(TntListView1, {Q(words[i].Text), QString::number(words[i].Id)});
    item->setData(0, kRowRole, static_cast<int>(i));
  }
}

bool TfrmRedactor::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tlwREL->viewport() &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove)) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->buttons() & Qt::LeftButton) tlwRELMouse(mouse->position().toPoint());
  } else if (watched == tlwREL && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    if (TNetworkEditorModel::IsFindKey(ctrl, key->key()) ||
        TNetworkEditorModel::IsFindKey(ctrl, static_cast<int32_t>(key->nativeVirtualKey()))) {
      tlwRELFind();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// The left button held over the list: the row under the pointer (looked up
// at x = 16) takes the share of the Percent column left of the pointer.
void TfrmRedactor::tlwRELMouse(const QPoint& position) {
  QTreeWidgetItem* item = tlwREL->itemAt(QPoint(16, position.y()));
  if (!item) return;
  const int x = position.x() + tlwREL->header()->offset();
  if (model_.PercentDrag(item->data(0, kRowRole).toInt(), x, tlwREL->columnWidth(rcName),
                         tlwREL->columnWidth(rcPercent))) {
    UpdateItem(item);
  }
}

void TfrmRedactor::tlwRELFind() {
  bool ok = false;
  const QString word = QInputDialog::getText(this, "Find ", "Word", QLineEdit::Normal, QString(), &ok);
  if (!ok) return;
  for (const int32_t row : model_.FindRows(U(word))) {
    QTreeWidgetItem* item = tlwREL->topLevelItem(row);
    if (!item) continue;
    tlwREL->scrollToItem(item);
    item->setSelected(true);
    tlwREL->setCurrentItem(item);
  }
}

void TfrmRedactor::btnSaveClick() {
  if (SaveDialog1->exec() != QDialog::Accepted) return;
  const QStringList files = SaveDialog1->selectedFiles();
  if (!files.isEmpty()) model_.btnSaveClick(U(files.front()));
}

bool TfrmRedactor::AskOkCancel(std::u16string_view question) {
  return QMessageBox::warning(this, windowTitle(), Q(question), QMessageBox::Ok | QMessageBox::Cancel) ==
         QMessageBox::Ok;
}

void TfrmRedactor::ShowMessage(std::u16string_view text) { QMessageBox::information(this, windowTitle(), Q(text)); }

void TfrmRedactor::SetHourglass(bool on) {
  if (on == hourglass_) return;
  hourglass_ = on;
  if (on) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void TfrmRedactor::CloseEditor() { close(); }

}  // namespace kestrune
