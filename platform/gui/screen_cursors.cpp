#include "platform/gui/screen_cursors.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <array>
#include <utility>

#include "platform/gui/res_stream.h"

namespace kestrune::platform {

namespace {

constexpr std::array<std::pair<int32_t, Qt::CursorShape>, 22> kBuiltIn{{
    {crDefault, Qt::ArrowCursor},      {crNone, Qt::BlankCursor},
    {crArrow, Qt::ArrowCursor},        {crCross, Qt::CrossCursor},
    {crIBeam, Qt::IBeamCursor},        {crSizeNESW, Qt::SizeBDiagCursor},
    {crSizeNS, Qt::SizeVerCursor},     {crSizeNWSE, Qt::SizeFDiagCursor},
    {crSizeWE, Qt::SizeHorCursor},     {crUpArrow, Qt::UpArrowCursor},
    {crHourGlass, Qt::WaitCursor},     {crDrag, Qt::DragCopyCursor},
    {crNoDrop, Qt::ForbiddenCursor},   {crHSplit, Qt::SplitHCursor},
    {crVSplit, Qt::SplitVCursor},      {crMultiDrag, Qt::DragCopyCursor},
    {crSQLWait, Qt::WaitCursor},       {crNo, Qt::ForbiddenCursor},
    {crAppStart, Qt::BusyCursor},      {crHelp, Qt::WhatsThisCursor},
    {crHandPoint, Qt::PointingHandCursor}, {crSizeAll, Qt::SizeAllCursor},
}};

// Hot spots of the program's own cursor pictures.
struct THotSpot {
  std::string_view name;
  int x;
  int y;
};
constexpr std::array<THotSpot, 1> kHotSpots{{{kAddTextCursorResource, 8, 15}}};

}  // namespace

QCursor TScreenCursors::Cursor(int32_t id) const {
  auto found = registered_.find(id);
  if (found != registered_.end()) return found->second;
  for (const auto& [number, shape] : kBuiltIn) {
    if (number == id) return QCursor(shape);
  }
  return QCursor(Qt::ArrowCursor);
}

void TScreenCursors::RegisterCursor(int32_t id, const QCursor& cursor) { registered_[id] = cursor; }

void TScreenCursors::SetGlobalCursor(int32_t id) {
  if (id == global_) return;
  global_ = id;
  if (QGuiApplication::instance() == nullptr) return;
  if (id == crDefault) {
    if (overriding_) QGuiApplication::restoreOverrideCursor();
    overriding_ = false;
    return;
  }
  if (overriding_) {
    QGuiApplication::changeOverrideCursor(Cursor(id));
  } else {
    QGuiApplication::setOverrideCursor(Cursor(id));
    overriding_ = true;
  }
}

TScreenCursors& ScreenCursors() {
  static TScreenCursors table;
  return table;
}

QCursor LoadResourceCursor(std::string_view name) {
  IResStream stream;
  std::unique_ptr<QBuffer> copy;
  if (!stream.LoadFromResource(name, copy)) return QCursor(Qt::ArrowCursor);
  QImage image;
  if (!image.loadFromData(copy->data())) return QCursor(Qt::ArrowCursor);
  int hotX = 0;
  int hotY = 0;
  for (const THotSpot& spot : kHotSpots) {
    if (QString::fromLatin1(spot.name.data(), static_cast<qsizetype>(spot.name.size()))
            .compare(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())), Qt::CaseInsensitive) == 0) {
      hotX = spot.x;
      hotY = spot.y;
    }
  }
  return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

}  // namespace kestrune::platform
