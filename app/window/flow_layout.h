// TFlowLayout: a layout that places its items left to right at their size
// hints and begins a further row where the width runs out, so that a row of
// controls (the main window's toolbar) never makes its window wider than the
// widest single control. Hidden widgets take no place. Items keep their
// vertical size hint and are centred in their row.
#pragma once

#include <QLayout>
#include <QList>

namespace kestrune {

class TFlowLayout : public QLayout {
 public:
  explicit TFlowLayout(QWidget* parent = nullptr, int spacing = 6);
  ~TFlowLayout() override;

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
  // Places the items in `rect` (only measures when `place` is false); the
  // height used.
  int Arrange(const QRect& rect, bool place) const;

  QList<QLayoutItem*> items_;
  int spacing_;
};

}  // namespace kestrune
