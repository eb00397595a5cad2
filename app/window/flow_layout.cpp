#include "app/window/flow_layout.h"

#include <QWidget>
#include <algorithm>

namespace kestrune {

TFlowLayout::TFlowLayout(QWidget* parent, int spacing) : QLayout(parent), spacing_(spacing) {
  setContentsMargins(0, 0, 0, 0);
}

TFlowLayout::~TFlowLayout() {
  while (QLayoutItem* item = takeAt(0)) delete item;
}

void TFlowLayout::Insert(QLayoutItem* item, int row, bool right) {
  // After the last item of its row or of a row before it.
  qsizetype at = items_.size();
  while (at > 0 && items_.at(at - 1).Row > row) --at;
  items_.insert(at, TPlaced{item, row, right});
}

void TFlowLayout::AddWidget(QWidget* widget, int row, bool right) {
  addChildWidget(widget);
  Insert(new QWidgetItem(widget), row, right);
  invalidate();
}

void TFlowLayout::addItem(QLayoutItem* item) { Insert(item, items_.isEmpty() ? 0 : items_.last().Row, false); }

int TFlowLayout::count() const { return static_cast<int>(items_.size()); }

QLayoutItem* TFlowLayout::itemAt(int index) const {
  return index >= 0 && index < items_.size() ? items_.at(index).Item : nullptr;
}

QLayoutItem* TFlowLayout::takeAt(int index) {
  return index >= 0 && index < items_.size() ? items_.takeAt(index).Item : nullptr;
}

Qt::Orientations TFlowLayout::expandingDirections() const { return {}; }

bool TFlowLayout::hasHeightForWidth() const { return true; }

int TFlowLayout::heightForWidth(int width) const { return Arrange(QRect(0, 0, width, 0), false); }

QSize TFlowLayout::minimumSize() const {
  QSize size;
  for (const TPlaced& placed : items_) {
    const QLayoutItem* item = placed.Item;
    if (!item->isEmpty()) size = size.expandedTo(item->minimumSize().expandedTo(item->sizeHint()));
  }
  const QMargins m = contentsMargins();
  return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize TFlowLayout::sizeHint() const {
  // Each row in one line.
  int width = 0;
  int height = 0;
  int lines = 0;
  for (qsizetype i = 0; i < items_.size();) {
    const int row = items_.at(i).Row;
    int lineWidth = -spacing_;
    int lineHeight = 0;
    for (; i < items_.size() && items_.at(i).Row == row; ++i) {
      const QLayoutItem* item = items_.at(i).Item;
      if (item->isEmpty()) continue;
      lineWidth += item->sizeHint().width() + spacing_;
      lineHeight = std::max(lineHeight, item->sizeHint().height());
    }
    if (lineHeight == 0) continue;
    width = std::max(width, lineWidth);
    height += lineHeight;
    ++lines;
  }
  const QMargins m = contentsMargins();
  return QSize(width + m.left() + m.right(), height + std::max(lines - 1, 0) * spacing_ + m.top() + m.bottom());
}

void TFlowLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  Arrange(rect, true);
}

int TFlowLayout::Arrange(const QRect& rect, bool place) const {
  const QRect area = rect.marginsRemoved(contentsMargins());
  // The lines: the items of each, the line's height and the room it leaves.
  struct TLine {
    QList<const TPlaced*> items;
    int height = 0;
    int used = 0;
  };
  QList<TLine> lines;
  int row = -1;
  for (const TPlaced& placed : items_) {
    if (placed.Item->isEmpty()) continue;
    const QSize hint = placed.Item->sizeHint();
    const bool newRow = placed.Row != row;
    if (newRow || (lines.last().used > 0 && lines.last().used + spacing_ + hint.width() > area.width())) {
      lines.append(TLine());
    }
    row = placed.Row;
    TLine& line = lines.last();
    line.used += (line.items.isEmpty() ? 0 : spacing_) + hint.width();
    line.items.append(&placed);
    line.height = std::max(line.height, hint.height());
  }
  int y = area.y();
  for (const TLine& line : lines) {
    if (place) {
      int left = area.x();
      bool right = false;
      for (const TPlaced* placed : line.items) {
        if (placed->Right && !right) {
          right = true;
          left += std::max(area.width() - line.used, 0);
        }
        const QSize hint = placed->Item->sizeHint();
        placed->Item->setGeometry(QRect(QPoint(left, y + (line.height - hint.height()) / 2), hint));
        left += hint.width() + spacing_;
      }
    }
    y += line.height + spacing_;
  }
  const QMargins m = contentsMargins();
  return std::max(y - spacing_ - area.y(), 0) + m.top() + m.bottom();
}

}  // namespace kestrune
