// ISplitter: the splitter whose bars show a picture: `filename` names the
// texture (a picture file, as ui/control_image.h finds it), which every bar
// stretches over its whole area in place of the style's handle. A bar
// without a texture paints as the style does.
//
// User-interface thread only.
#pragma once

#include <QSplitter>
#include <QString>
#include <memory>

#include "ui/ibitmap.h"

namespace kestrune {

class ISplitter : public QSplitter {
  Q_OBJECT
  Q_PROPERTY(QString filename READ filename WRITE Setfilename)

 public:
  explicit ISplitter(Qt::Orientation orientation, QWidget* parent = nullptr);
  explicit ISplitter(QWidget* parent = nullptr) : ISplitter(Qt::Horizontal, parent) {}
  ~ISplitter() override;

  QString filename() const { return filename_; }
  void Setfilename(const QString& value);

  // The stretched holder of the texture (null before filename is set).
  const ibitmap* Texture() const { return holder_.get(); }

 protected:
  QSplitterHandle* createHandle() override;

 private:
  QString filename_;
  std::unique_ptr<ibitmap> holder_;
};

}  // namespace kestrune
