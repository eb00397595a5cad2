#include "app/bug_report.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/run_temp_folder.h"
#include "core/log_file.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "tests/support/gunzip.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using platform::Utf16ToUtf8;

// The members of a gzip file: inflates one after another.
int Members(const std::string& bytes) {
  int members = 0;
  size_t at = 0;
  while (at < bytes.size()) {
    z_stream stream = {};
    if (inflateInit2(&stream, 15 + 16) != Z_OK) return -1;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data() + at));
    stream.avail_in = static_cast<uInt>(bytes.size() - at);
    std::vector<Bytef> out(65536);
    int status;
    do {
      stream.next_out = out.data();
      stream.avail_out = static_cast<uInt>(out.size());
      status = inflate(&stream, Z_NO_FLUSH);
    } while (status == Z_OK);
    at = bytes.size() - stream.avail_in;
    inflateEnd(&stream);
    if (status != Z_STREAM_END) return -1;
    ++members;
  }
  return members;
}

// A text of `size` bytes with every byte value, that deflate cannot shrink much.
std::string Noise(size_t size) {
  std::string text(size, '\0');
  uint32_t state = 12345;
  for (char& c : text) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 24);
  }
  return text;
}

TEST(BugReport, TheArchiveIsOneGzipMemberOfTheLogNamedInItsHeader) {
  const struct {
    const char* name;
    std::string log;
  } cases[] = {
      {"empty", ""},
      {"lines", "[09. Dec, 2024 10:00:00][Info] Logging started.\r\n[09. Dec, 2024 10:00:01][Except] boom\r\n"},
      {"larger than a read", Noise(200 * 1024) + std::string(100 * 1024, 'a')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    test::WriteFileBytes(dir.File("kestrune.log"), c.log);
    std::u16string failed = u"unchanged";
    ASSERT_EQ(GzipFile(dir.WFile("kestrune.log"), dir.WFile("kestrune.gz"), kBugReportStoredName, &failed), gzOk);
    EXPECT_EQ(failed, u"unchanged");
    EXPECT_EQ(test::Gunzip(dir.File("kestrune.gz")), c.log);
    const std::string bytes = test::ReadFileBytes(dir.File("kestrune.gz"));
    EXPECT_EQ(Members(bytes), 1);
    // ID1 ID2 CM FLG (FNAME only) MTIME(4) XFL OS, then the name.
    ASSERT_GT(bytes.size(), 23u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x1f\x8b\x08\x08", 4));
    EXPECT_EQ(bytes.substr(4, 4), std::string(4, '\0'));
    EXPECT_EQ(bytes[8], 2);  // XFL: the slowest compression
    EXPECT_EQ(bytes[9], 3);  // OS: Unix
    EXPECT_EQ(bytes.substr(10, 13), std::string("kestrune.log\0", 13));
    EXPECT_EQ(test::ReadFileBytes(dir.File("kestrune.log")), c.log);  // the log stays
    // Nothing but the archive and the log: the temporary file was renamed.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()),
              2);
  }
}

TEST(BugReport, AFailureNamesTheFileAndLeavesTheArchiveAsItWas) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("kestrune.log"), "log");
  test::WriteFileBytes(dir.File("old.gz"), "old archive");
  std::filesystem::create_directory(dir.File("folder"));
  const struct {
    const char* source;
    const char* target;
    int32_t result;
    const char* failed;
  } cases[] = {
      {"missing.log", "old.gz", gzSourceError, "missing.log"},
      {"folder", "old.gz", gzSourceError, "folder"},  // not a file
      {"kestrune.log", "no/such/folder.gz", gzTargetError, "no/such/folder.gz"},
      {"kestrune.log", "folder", gzTargetError, "folder"},  // a folder where the archive goes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source + std::string(" -> ") + c.target);
    std::u16string failed;
    EXPECT_EQ(GzipFile(dir.WFile(c.source), dir.WFile(c.target), "kestrune.log", &failed), c.result);
    EXPECT_EQ(Utf16ToUtf8(failed), dir.File(c.failed));
    EXPECT_EQ(test::ReadFileBytes(dir.File("old.gz")), "old archive");
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 3);
}

// The log, the run's temporary folder and the message box of the test.
class SendBugReportTest : public ::testing::Test {
 protected:
  SendBugReportTest() {
    RemoveRunTempFolder();
    platform::SetMessageBoxHandler([this](std::u16string_view text, std::u16string_view, uint32_t) {
      boxes.emplace_back(text);
      return platform::kIdOk;
    });
  }
  ~SendBugReportTest() override {
    platform::SetMessageBoxHandler({});
    RemoveRunTempFolder();
    LogFile.Open(std::string());
  }

  struct TMail {
    std::u16string to, subject;
    std::vector<std::u16string> files, text;
  };
  TMail Send() {
    TMail mail;
    SendBugReport([&](ISendMail& m) { mail = {m.mailto(), m.Subject(), m.files(), m.Text()}; });
    return mail;
  }

  test::TempDir dir;
  test::ScopedEnv tmp{"TMPDIR", dir.Path()};
  std::vector<std::u16string> boxes;
};

TEST_F(SendBugReportTest, TheMailCarriesTheArchiveWrittenNowOrNone) {
  LogFile.Open(dir.File("kestrune.log"));
  LogFile.Log("something failed", mtExcept);
  const TMail sent = Send();
  EXPECT_EQ(sent.to, u"bugs@kestrune.example");
  EXPECT_EQ(sent.subject, u"kestrune bugs");
  EXPECT_TRUE(sent.text.empty());
  ASSERT_EQ(sent.files.size(), 1u);
  const std::u16string folder = RunTempFolder();
  EXPECT_EQ(sent.files[0], folder + u"kestrune.gz");
  EXPECT_EQ(Utf16ToUtf8(folder).rfind(dir.Path(), 0), 0u);  // in $TMPDIR
  struct stat info {};
  ASSERT_EQ(::stat(Utf16ToUtf8(folder).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);  // the user's own
  EXPECT_EQ(test::Gunzip(Utf16ToUtf8(sent.files[0])), test::ReadFileBytes(dir.File("kestrune.log")));
  EXPECT_TRUE(boxes.empty());

  // A log that cannot be read: the box names it, and the archive of the first
  // report, still in the folder, is not sent again.
  LogFile.Open(dir.File("gone/kestrune.log"));
  const TMail bare = Send();
  EXPECT_EQ(boxes, std::vector<std::u16string>{u"Can't open: " + dir.WFile("gone/kestrune.log")});
  EXPECT_TRUE(bare.files.empty());
  EXPECT_EQ(bare.subject, u"kestrune bugs");
  EXPECT_TRUE(std::filesystem::exists(Utf16ToUtf8(folder) + "kestrune.gz"));

  // The end of the program block takes the folder with it.
  RemoveRunTempFolder();
  EXPECT_FALSE(std::filesystem::exists(Utf16ToUtf8(folder)));
  EXPECT_NE(RunTempFolder(), folder);
}

}  // namespace
}  // namespace kestrune
