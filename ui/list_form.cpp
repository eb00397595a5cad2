#include "ui/list_form.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

#include "platform/message_box.h"

namespace kestrune {

TIForm* IForm = nullptr;

namespace {

// The number of an item's first sub-item, when it is one.
std::optional<double> SubItemNumber(const QTreeWidgetItem& item) {
  const QString text = item.text(1).trimmed();
  if (text.isEmpty()) return std::nullopt;
  bool ok = false;
  const double value = QLocale().toDouble(text, &ok);
  if (!ok || std::isnan(value)) return std::nullopt;
  return value;
}

// An item that the list sorts by TntListView1Compare.
class TListItem : public QTreeWidgetItem {
 public:
  using QTreeWidgetItem::QTreeWidgetItem;
  bool operator<(const QTreeWidgetItem& other) const override {
    return TIForm::TntListView1Compare(*this, other) < 0;
  }
};

}  // namespace

TIForm::TIForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("IForm");
  setModal(true);
  TntListView1 = new QTreeWidget(this);
  TntListView1->setObjectName("TntListView1");
  TntListView1->setRootIsDecorated(false);
  TntListView1->setColumnCount(2);
  TntListView1->setSortingEnabled(true);
  TntListView1->sortByColumn(0, Qt::AscendingOrder);
  TntListView1->header()->setSectionsClickable(false);
  TntListView1->header()->setSortIndicatorShown(false);
  TntBitBtn1 = new QPushButton(this);
  TntBitBtn1->setObjectName("TntBitBtn1");
  TntBitBtn1->setDefault(true);
  auto* column = new QVBoxLayout(this);
  column->addWidget(TntListView1);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(TntBitBtn1);
  column->addLayout(row);
  resize(420, 320);
  connect(TntBitBtn1, &QPushButton::clicked, this, [this] { done(platform::kIdOk); });
  IForm = this;
}

TIForm::~TIForm() {
  if (IForm == this) IForm = nullptr;
}

int32_t TIForm::TntListView1Compare(const QTreeWidgetItem& item1, const QTreeWidgetItem& item2) {
  const std::optional<double> first = SubItemNumber(item1);
  const std::optional<double> second = SubItemNumber(item2);
  if (!first || !second) return first ? -1 : second ? 1 : 0;
  if (*first > *second) return -1;
  return *first < *second ? 1 : 0;
}

QTreeWidgetItem* TIForm::AddItem(const QString& caption, const QStringList& subItems) {
  QStringList texts{caption};
  texts += subItems;
  auto* item = new TListItem(texts);
  TntListView1->addTopLevelItem(item);
  TntListView1->sortItems(0, Qt::AscendingOrder);
  return item;
}

void TIForm::reject() { done(platform::kIdCancel); }

}  // namespace kestrune
