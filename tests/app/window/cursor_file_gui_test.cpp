// The main window's own cursor file in the built program folder: a cursor
// file Qt reads, with its hot spot at the arrow's tip.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>

namespace {

TEST(CursorFileTest, ProgramFolderCursorReadsAsArrowWithTipHotSpot) {
  QFile file(KESTRUNE_PROGRAM_DIR "/templates/en/Cursor1.cur");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_GE(bytes.size(), 22);
  auto word = [&bytes](int at) { return uint8_t(bytes[at]) | (uint8_t(bytes[at + 1]) << 8); };
  EXPECT_EQ(word(2), 2);   // a cursor, not an icon
  EXPECT_EQ(word(10), 0);  // hot spot at the tip
  EXPECT_EQ(word(12), 0);
  QImage image;
  ASSERT_TRUE(image.loadFromData(bytes, "CUR"));
  ASSERT_EQ(image.size(), QSize(32, 32));
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 255);    // the tip's outline
  EXPECT_EQ(qGray(image.pixel(0, 0)), 0);
  EXPECT_EQ(qGray(image.pixel(2, 5)), 255);     // the white fill
  EXPECT_EQ(qAlpha(image.pixel(31, 31)), 0);    // clear beside the arrow
}

}  // namespace
