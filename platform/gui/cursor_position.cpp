#include "platform/gui/cursor_position.h"

#include <QCursor>
#include <QGuiApplication>
#include <utility>

namespace kestrune::platform {

namespace {

TCursorPositionHook& CursorHook() {
  static TCursorPositionHook hook;
  return hook;
}

}  // namespace

bool GetCursorPosition(TPoint& point) {
  if (const TCursorPositionHook& hook = CursorHook()) return hook(point);
  if (QGuiApplication::instance() == nullptr) return false;
  const QPoint position = QCursor::pos();
  point.X = position.x();
  point.Y = position.y();
  return true;
}

TCursorPositionHook SetCursorPositionHook(TCursorPositionHook hook) {
  return std::exchange(CursorHook(), std::move(hook));
}

}  // namespace kestrune::platform
