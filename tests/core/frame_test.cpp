#include "core/frame.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cstring>
#include <random>

#include "core/base.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

TEST(CRC32, CheckValueAndAgreementWithZlib) {
  TMemoryStream digits("123456789", 9);
  EXPECT_EQ(StreamCRC32(digits, 0, -1), 0xCBF43926u);

  std::mt19937 rng(7);
  std::vector<uint8_t> data(100000);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  TMemoryStream stream(data);
  const uint32_t zlibCrc = static_cast<uint32_t>(crc32(0, data.data() + 16, static_cast<uInt>(data.size() - 16)));
  EXPECT_EQ(StreamCRC32(stream, 16, -1), zlibCrc);
  // A bounded stretch crossing a 32768-byte chunk.
  stream.SetPosition(0);
  EXPECT_EQ(StreamCRC32(stream, 100, 40000), static_cast<uint32_t>(crc32(0, data.data() + 100, 39900)));
  // The byte-by-byte table agrees with the bulk routine.
  uint32_t reg = 0xFFFFFFFFu;
  for (size_t i = 16; i < data.size(); ++i) reg = kCRC32Table[(reg ^ data[i]) & 0xFF] ^ (reg >> 8);
  EXPECT_EQ(~reg, zlibCrc);
}

TEST(CRC32, EmptyAndOutOfRangeStretchesAreZero) {
  std::string sixteen(16, 'a');
  TMemoryStream s16(sixteen.data(), 16);
  EXPECT_EQ(StreamCRC32(s16, 16, -1), 0u);
  TMemoryStream empty;
  EXPECT_EQ(StreamCRC32(empty, 0, -1), 0u);
  TMemoryStream small("abc", 3);
  EXPECT_EQ(StreamCRC32(small, 5, -1), 0u);
  EXPECT_EQ(StreamCRC32(small, 2, 1), 0u);
  EXPECT_EQ(FileCRC32(u"/nonexistent/kestrune/file", 16, -1), 0u);
}

TEST(CRC32, StartZeroLeavesTheStreamWhereItStands) {
  TMemoryStream digits("xx123456789", 11);
  digits.SetPosition(2);
  EXPECT_EQ(StreamCRC32(digits, 0, 0), 0xCBF43926u);
}

TEST(FramedFile, SaveWritesFrameBodyAndCRC) {
  test::TempDir dir;
  const std::u16string name = dir.WFile("set.bin");
  ASSERT_EQ(SaveFramedFile(name, kMagicAVLF, 3, true, -9, [](TTagStream& t) {
              t.BeginTag(1);
              t.WriteInteger(77);
              t.EndTag();
              return 0;
            }),
            0);
  const std::string bytes = test::ReadFileBytes(dir.File("set.bin"));
  ASSERT_EQ(bytes.size(), 16u + 6u);
  EXPECT_EQ(bytes.substr(0, 4), "AVLF");
  TFrameHeader frame;
  std::memcpy(&frame, bytes.data(), 16);
  EXPECT_EQ(frame.Version, 3u);
  EXPECT_EQ(frame.Reserved, 0u);
  EXPECT_EQ(frame.CRC, FileCRC32(name, 16, -1));
  EXPECT_NE(frame.CRC, 0u);

  TFileStreamW in(name, TFileStreamW::fmOpenRead | TFileStreamW::fmShareDenyNone);
  TTagStream r(&in);
  TFrameHeader read;
  ASSERT_TRUE(ReadFrameHeader(r, read));
  EXPECT_EQ(read.Magic, kMagicAVLF);
  ASSERT_GT(r.ReadTag(), 0);
  int32_t v;
  r.ReadInteger(v);
  EXPECT_EQ(v, 77);
}

TEST(FramedFile, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
  test::TempDir dir;
  const std::u16string name = dir.WFile("keep.bin");
  test::WriteFileBytes(dir.File("keep.bin"), "old contents");
  // The body reports its own failure: its code comes back, the file stays.
  EXPECT_EQ(SaveFramedFile(name, kMagicASNF, 0, false, -9, [](TTagStream& t) {
              t.WriteTag(1, "x", 1);
              return -4;
            }),
            -4);
  // A body that outgrew its tag class fails the save with the I/O code.
  EXPECT_EQ(SaveFramedFile(name, kMagicASNF, 0, false, -9, [](TTagStream& t) {
              std::vector<uint8_t> big(300);
              t.BeginTag(2);
              t.Write(big.data(), 300);
              t.EndTag();
              return 0;
            }),
            -9);
  EXPECT_EQ(test::ReadFileBytes(dir.File("keep.bin")), "old contents");
  std::vector<platform::FolderEntry> entries;
  ASSERT_TRUE(platform::ListFolder(dir.WPath(), entries));
  EXPECT_EQ(entries.size(), 1u);
}

TEST(FramedFile, ReadOnlyTargetIsRefusedAndModeIsKept) {
  test::TempDir dir;
  const std::u16string name = dir.WFile("ro.bin");
  test::WriteFileBytes(dir.File("ro.bin"), "x");
  ASSERT_TRUE(platform::SetReadOnly(name, true));
  auto body = [](TTagStream& t) {
    t.WriteTag(1, "y", 1);
    return 0;
  };
  EXPECT_EQ(SaveFramedFile(name, kMagicASNF, 0, false, -9, body), -9);
  EXPECT_EQ(test::ReadFileBytes(dir.File("ro.bin")), "x");

  const std::u16string other = dir.WFile("mode.bin");
  test::WriteFileBytes(dir.File("mode.bin"), "x");
  ::chmod(dir.File("mode.bin").c_str(), 0640);
  EXPECT_EQ(SaveFramedFile(other, kMagicASNF, 0, false, -9, body), 0);
  struct stat st;
  ASSERT_EQ(::stat(dir.File("mode.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(FileStreamW, ModesAndCaseInsensitiveNames) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("Mixed.TXT"), "hello");
  TFileStreamW byOtherCase(dir.WFile("mixed.txt"), TFileStreamW::fmOpenRead | TFileStreamW::fmShareDenyNone);
  ASSERT_TRUE(byOtherCase.HandleValid());
  char buf[5];
  EXPECT_EQ(byOtherCase.Read(buf, 5), 5);
  EXPECT_EQ(std::string(buf, 5), "hello");

  TFileStreamW missing(dir.WFile("none"), 0);
  EXPECT_FALSE(missing.HandleValid());
  EXPECT_EQ(missing.Read(buf, 5), 0);
  TFileStreamW invalid(dir.WFile("Mixed.TXT"), 3);
  EXPECT_FALSE(invalid.HandleValid());

  TFileStreamW created(dir.WFile("new.bin"), TFileStreamW::fmCreate);
  ASSERT_TRUE(created.HandleValid());
  EXPECT_EQ(created.Write("abc", 3), 3);
  EXPECT_EQ(created.Size(), 3);
}

}  // namespace
}  // namespace kestrune
