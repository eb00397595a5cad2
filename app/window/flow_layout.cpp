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

void TFlowLayout::addItem(QLayoutItem* item) { items_.append(item); }

int TFlowLayout::count() const { return static_cast<int>(items_.size()); }

QLayoutItem* TFlowLayout::itemAt(int index) const {
  return index >= 0 && index < items_.size() ? items_.at(index) : nullptr;
}

QLayoutItem* TFlowLayout::takeAt(int index) {
  return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

Qt::Orientations TFlowLayout::expandingDirections() const { return {}; }

bool TFlowLayout::hasHeightForWidth() const { return true; }

int TFlowLayout::heightForWidth(int width) const { return Arrange(QRect(0, 0, width, 0), false); }

QSize TFlowLayout::minimumSize() const {
  QSize size;
  for (const QLayoutItem* item : items_) {
    if (!item->isEmpty()) size = size.expandedTo(item->minimumSize().expandedTo(item->sizeHint()));
  }
  const QMargins m = contentsMargins();
  return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize TFlowLayout::sizeHint() const {
  // All in one row.
  int width = 0;
  int height = 0;
  int shown = 0;
  for (const QLayoutItem* item : items_) {
    if (item->isEmpty()) continue;
    width += item->sizeHint().width();
    height = std::max(height, item->sizeHint().height());
    ++shown;
  }
  const QMargins m = contentsMargins();
  return QSize(width + std::max(shown - 1, 0) * spacing_ + m.left() + m.right(), height + m.top() + m.bottom());
}

void TFlowLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  Arrange(rect, true);
}

int TFlowLayout::Arrange(const QRect& rect, bool place) const {
  const QRect area = rect.marginsRemoved(contentsMargins());
  // The rows: the items of each, and the row's height.
  struct TRow {
    QList<QLayoutItem*> items;
    int height = 0;
  };
  QList<TRow> rows(1);
  int x = 0;
  for (QLayoutItem* item : items_) {
    if (item->isEmpty()) continue;
    const QSize hint = item->sizeHint();
    if (x > 0 && x + hint.width() > area.width()) {
      rows.append(TRow());
      x = 0;
    }
    rows.last().items.append(item);
    rows.last().height = std::max(rows.last().height, hint.height());
    x += hint.width() + spacing_;
  }
  int y = area.y();
  for (const TRow& row : rows) {
    if (row.items.isEmpty()) continue;
    if (place) {
      int left = area.x();
      for (QLayoutItem* item : row.items) {
        const QSize hint = item->sizeHint();
        item->setGeometry(QRect(QPoint(left, y + (row.height - hint.height()) / 2), hint));
        left += hint.width() + spacing_;
      }
    }
    y += row.height + spacing_;
  }
  const QMargins m = contentsMargins();
  return std::max(y - spacing_ - area.y(), 0) + m.top() + m.bottom();
}

}  // namespace kestrune
