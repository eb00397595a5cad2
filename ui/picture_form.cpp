#include "ui/picture_form.h"

namespace kestrune {

ibitmap* SetUpPictureForm(QWidget& form, TPicture picture, const char* name) {
  const TControlPicture& entry = ControlPicture(picture);
  form.setFixedSize(entry.Width, entry.Height);
  QPalette palette = form.palette();
  palette.setColor(QPalette::Window, QColor(0x1E, 0x2B, 0x3A));
  palette.setColor(QPalette::WindowText, Qt::white);
  form.setPalette(palette);
  form.setAutoFillBackground(true);
  auto* image = new ibitmap(&form);
  image->setObjectName(name);
  image->SetFileName(QString::fromStdString(PictureFile(picture)));
  image->move(0, 0);
  return image;
}

}  // namespace kestrune
