// TIForm: the list form ("IForm"): the report list TntListView1 and the
// button TntBitBtn1 (modal result 1). The program makes it at its start;
// nothing opens it yet.
//
// The list keeps its items sorted by TntListView1Compare: by the number in
// each item's first sub-item (column 1; decimal text in the user's locale),
// largest first. An item whose first sub-item is no number (empty, words, a
// NaN) sorts after every number, and such items keep their order among
// themselves, so the comparison is a strict weak order and never fails.
//
// User-interface thread only.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <QStringList>
#include <QTreeWidget>
#include <cstdint>

namespace kestrune {

class TIForm : public QDialog {
 public:
  explicit TIForm(QWidget* parent = nullptr);
  ~TIForm() override;

  QTreeWidget* TntListView1;
  QPushButton* TntBitBtn1;

  // -1 when item1's number is greater (or item2's first sub-item is no
  // number while item1's is), 0 when they are equal (or neither is a
  // number), 1 otherwise.
  static int32_t TntListView1Compare(const QTreeWidgetItem& item1, const QTreeWidgetItem& item2);
  // Adds an item: its caption and its sub-items, in place by the order.
  QTreeWidgetItem* AddItem(const QString& caption, const QStringList& subItems);

  void reject() override;
};

// The form while it exists, else null.
extern TIForm* IForm;

}  // namespace kestrune
