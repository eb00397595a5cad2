// TFlowLayout: a layout that places its items left to right at their size
// hints in rows given by the caller (a toolbar's rows), each row beginning a
// line of its own; a row that runs out of width goes on in a further line, so
// that the row never makes its window wider than its widest single item.
// Items of a line that stand from its first right-aligned item on are placed
// at the line's right end. Hidden widgets take no place unless their size
// policy keeps it (retainSizeWhenHidden): such a widget keeps the line as it
// is when it shows. Items keep their vertical size hint and are centred in
// their line.
#pragma once

#include <QLayout>
#include <QList>

namespace kestrune {

class TFlowLayout : public QLayout {
 public:
  explicit TFlowLayout(QWidget* parent = nullptr, int spacing = 6);
  ~TFlowLayout() override;

  // The widget at the end of row `row` (rows from 0; a row before it that
  // has no items takes no line); with `right`, it and the items after it in
  // its line stand at the line's right end. An item added with addItem goes
  // to the end of the last row.
  void AddWidget(QWidget* widget, int row, bool right = false);

  void addItem(QLayoutItem* item) override;
  int count() const override;
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  Qt::Orientations expandingDirections() const override;
  bool hasHeightForWidth() const override;
  int heightForWidth(int width) const override;
  QSize minimumSize() const override;
  QSize sizeHint() const override;
  void setGeometry(const QRect& rect) override;

 private:
  struct TPlaced {
    QLayoutItem* Item;
    int Row;
    bool Right;
  };
  // Places the items in `rect` (only measures when `place` is false); the
  // height used.
  int Arrange(const QRect& rect, bool place) const;
  void Insert(QLayoutItem* item, int row, bool right);

  QList<TPlaced> items_;  // in row order
  int spacing_;
};

}  // namespace kestrune
