// IProgressBar: the textured progress bar. It paints its background control
// (`button`, an ibitmap beside it, drawn with PaintToGraphics at (ex, ey) of
// the bar), then fills (0, 0) to (fill width, texture height) with the
// texture `buttonP` tiled from the bar's top-left; the fill width is
// ui/skin_geometry.h's ProgressFillWidth of the bar's width, value and
// maximum (the minimum is not counted). A bar without a background paints
// the fill only. Nothing of the style's own bar is drawn.
//
// User-interface thread only.
#pragma once

#include <QPointer>
#include <QProgressBar>
#include <QString>
#include <memory>

#include "ui/ibitmap.h"

namespace kestrune {

class IProgressBar : public QProgressBar {
  Q_OBJECT
  Q_PROPERTY(QString buttonP READ buttonP WRITE SetbuttonP)
  Q_PROPERTY(kestrune::ibitmap* button READ button WRITE Setbutton)
  Q_PROPERTY(int ex READ ex WRITE Setex)
  Q_PROPERTY(int ey READ ey WRITE Setey)

 public:
  explicit IProgressBar(QWidget* parent = nullptr);
  ~IProgressBar() override;

  QString buttonP() const { return buttonP_; }
  void SetbuttonP(const QString& value);
  ibitmap* button() const { return button_; }
  void Setbutton(ibitmap* value) { button_ = value; }
  int32_t ex() const { return ex_; }
  void Setex(int32_t value) { ex_ = value; }
  int32_t ey() const { return ey_; }
  void Setey(int32_t value) { ey_ = value; }

  // The fill's texture holder.
  const ibitmap& Fill() const { return *fill_; }
  int32_t FillWidth() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString buttonP_;
  QPointer<ibitmap> button_;
  int32_t ex_ = 0;
  int32_t ey_ = 0;
  std::unique_ptr<ibitmap> fill_;
};

}  // namespace kestrune
