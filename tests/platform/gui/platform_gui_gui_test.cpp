// The platform services of the user interface: raw-data resources, the
// cursor table and the global cursor, the cursor position, font substitution.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCursor>
#include <QFontInfo>
#include <QGuiApplication>
#include <memory>

#include "platform/gui/cursor_position.h"
#include "platform/gui/font_substitution.h"
#include "platform/gui/res_stream.h"
#include "platform/gui/screen_cursors.h"

namespace kestrune {
namespace {

TEST(ResStream, LoadsAResourceByNameWithoutRegardToCase) {
  for (const char* name : {"ankor_flat", "ANKOR_FLAT", "Ankor_Flat_Inv"}) {
    SCOPED_TRACE(name);
    IResStream stream;
    stream.Write("old", 3);
    auto copy = std::make_unique<QBuffer>();
    ASSERT_TRUE(stream.LoadFromResource(name, copy));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_EQ(stream.Size(), copy->size());
    EXPECT_GT(stream.Size(), 50);
    EXPECT_EQ(copy->pos(), copy->size());  // the copy is left at its end
    const auto& bytes = stream.Bytes();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())),
              copy->data());
    EXPECT_TRUE(copy->data().startsWith("\x89PNG"));
  }
}

TEST(ResStream, MissingResourceChangesNothing) {
  IResStream stream;
  stream.Write("kept", 4);
  auto copy = std::make_unique<QBuffer>();
  QBuffer* held = copy.get();
  for (const char* name : {"no_such_picture", "", "ankor"}) {
    EXPECT_FALSE(stream.LoadFromResource(name, copy)) << name;
    EXPECT_EQ(copy.get(), held);
    EXPECT_EQ(stream.Size(), 4);
    EXPECT_EQ(stream.Position(), 4);
  }
}

TEST(ScreenCursors, TableAndGlobalCursor) {
  platform::TScreenCursors cursors;
  EXPECT_EQ(cursors.Cursor(platform::crHandPoint).shape(), Qt::PointingHandCursor);
  EXPECT_EQ(cursors.Cursor(platform::crAppStart).shape(), Qt::BusyCursor);
  EXPECT_EQ(cursors.Cursor(platform::crAddText).shape(), Qt::ArrowCursor);  // not registered yet
  cursors.RegisterCursor(platform::crAddText, platform::LoadResourceCursor(platform::kAddTextCursorResource));
  const QCursor own = cursors.Cursor(platform::crAddText);
  EXPECT_EQ(own.shape(), Qt::BitmapCursor);
  EXPECT_EQ(own.hotSpot(), QPoint(8, 15));
  EXPECT_EQ(own.pixmap().size(), QSize(32, 32));

  ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
  cursors.SetGlobalCursor(platform::crHandPoint);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
  cursors.SetGlobalCursor(platform::crAddText);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BitmapCursor);
  cursors.SetGlobalCursor(platform::crDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(cursors.GlobalCursor(), platform::crDefault);
}

TEST(CursorPosition, IsTheScreenPosition) {
  QCursor::setPos(QPoint(123, 45));
  platform::TPoint point;
  ASSERT_TRUE(platform::GetCursorPosition(point));
  EXPECT_EQ(point, (platform::TPoint{123, 45}));
}

TEST(FontSubstitution, WindowsNamesBecomeInstalledFamilies) {
  for (const char16_t* name : {u"Tahoma", u"Arial", u"arial", u" Verdana ", u"Times New Roman", u"Courier New"}) {
    const QString family = platform::SubstituteFontFamily(name);
    SCOPED_TRACE(family.toStdString());
    EXPECT_TRUE(family.startsWith("DejaVu") || family.startsWith("Liberation"));
    QFont font = platform::MakeFont(name, 12.0);
    EXPECT_EQ(QFontInfo(font).family(), family);  // installed, not guessed
  }
  EXPECT_EQ(platform::SubstituteFontFamily(u"Some Font"), QStringLiteral("Some Font"));
  EXPECT_EQ(platform::MakeFont(u"Tahoma", 0.0).pointSizeF(), 1.0);
  EXPECT_EQ(platform::MakeFont(u"Tahoma", 10.5).pointSizeF(), 10.5);
}

}  // namespace
}  // namespace kestrune
