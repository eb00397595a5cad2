#include "platform/gui/cursor_position.h"

#include <QCursor>
#include <QGuiApplication>

namespace kestrune::platform {

bool GetCursorPosition(TPoint& point) {
  if (QGuiApplication::instance() == nullptr) return false;
  const QPoint position = QCursor::pos();
  point.X = position.x();
  point.Y = position.y();
  return true;
}

}  // namespace kestrune::platform
