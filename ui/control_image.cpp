#include "ui/control_image.h"

#include <QColorSpace>

#include "core/log_file.h"
#include "platform/files.h"

namespace kestrune::skin {

std::u16string FileNamePart(std::u16string_view value) {
  const size_t separator = value.find_last_of(u"/\\:");
  return std::u16string(separator == std::u16string_view::npos ? value : value.substr(separator + 1));
}

std::u16string ControlFolder() { return platform::ProgramFolder() + u"controls/en/"; }

std::string ControlImagePath(std::u16string_view value) {
  return platform::ResolvePath(ControlFolder() + FileNamePart(value));
}

QImage LoadControlImage(const std::string& path) {
  QImage image(QString::fromStdString(path));
  if (image.isNull()) {
    LogFile.Log("The control picture " + path + " cannot be read; the control stays empty", 1);
    return {};
  }
  const QColorSpace space = image.colorSpace();
  if (space.isValid() && space != QColorSpace(QColorSpace::SRgb)) image.convertToColorSpace(QColorSpace::SRgb);
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace kestrune::skin
