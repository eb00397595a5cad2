#include "app/send_mail.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "core/log_file.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using Args = std::vector<std::string>;

// A stand-in "xdg-email" first on PATH: it writes its arguments, each ended
// by a 0 byte, to $KESTRUNE_MAIL_ARGS and ends with $KESTRUNE_MAIL_STATUS.
class SendMailTest : public ::testing::Test {
 protected:
  SendMailTest()
      : path_("PATH", dir_.Path() + "bin:/usr/bin:/bin"),
        args_("KESTRUNE_MAIL_ARGS", dir_.File("args")),
        status_("KESTRUNE_MAIL_STATUS", "0") {
    ::mkdir(dir_.File("bin").c_str(), 0700);
    test::WriteFileBytes(dir_.File("bin/xdg-email"),
                         "#!/bin/sh\nfor a in \"${0##*/}\" \"$@\"; do printf '%s\\0' \"$a\"; done > \"$KESTRUNE_MAIL_ARGS.tmp\"\n"
                         "mv \"$KESTRUNE_MAIL_ARGS.tmp\" \"$KESTRUNE_MAIL_ARGS\"\nexit $KESTRUNE_MAIL_STATUS\n");
    ::chmod(dir_.File("bin/xdg-email").c_str(), 0700);
    LogFile.Open(dir_.File("kestrune.log"));
  }
  ~SendMailTest() override { LogFile.Open(std::string()); }

  // Sends and returns the arguments the mail program got.
  Args SendAndCollect(ISendMail& mail) {
    ::unlink(dir_.File("args").c_str());
    mail.Send();
    if (!WaitFor([&] { return ::access(dir_.File("args").c_str(), F_OK) == 0; })) return {"(not started)"};
    const std::string bytes = test::ReadFileBytes(dir_.File("args"));
    Args args;
    for (size_t start = 0, end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
      args.push_back(bytes.substr(start, end - start));
    EXPECT_TRUE(WaitFor(NoChildLeft));
    return args;
  }

  std::string Log() { return test::ReadFileBytes(dir_.File("kestrune.log")); }

  static bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 2000; ++i) {
      if (condition()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  // No child of this process is left, running or ended but not reaped.
  static bool NoChildLeft() {
    DIR* tasks = ::opendir("/proc/self/task");
    if (!tasks) return true;
    bool none = true;
    while (dirent* task = ::readdir(tasks)) {
      if (task->d_name[0] == '.') continue;
      const std::string children =
          test::ReadFileBytes(std::string("/proc/self/task/") + task->d_name + "/children");
      if (children.find_first_not_of(' ') != std::string::npos) none = false;
    }
    ::closedir(tasks);
    return none;
  }

  test::TempDir dir_;
  test::ScopedEnv path_;
  test::ScopedEnv args_;
  test::ScopedEnv status_;
};

TEST_F(SendMailTest, TheMailProgramGetsTheMessageAsArguments) {
  const std::string tricky = "-rf \"quoted\" $(touch " + dir_.File("ran") + ") `id` ; *";
  struct Case {
    const char* name;
    std::u16string mailto;
    std::u16string subject;
    std::vector<std::u16string> text;
    std::vector<std::u16string> files;
    Args expected;
  } cases[] = {
      {"whole message", u"friend@example.org", u"Kestrune Search", {u"Hello!", u"", u"Look \u2014 here"},
       {u"/tmp/a b.jpg", u"/tmp/-c", u"/tmp/\u0434.gz"},
       {"xdg-email", "--utf8", "--subject", "Kestrune Search", "--body", "Hello!\n\nLook \xe2\x80\x94 here", "--attach",
        "/tmp/a b.jpg", "--attach", "/tmp/-c", "--attach", "/tmp/\xd0\xb4.gz", "mailto:friend@example.org"}},
      {"no recipient, no body", u"", u"Log", {}, {u"/tmp/kestrune.gz"},
       {"xdg-email", "--utf8", "--subject", "Log", "--attach", "/tmp/kestrune.gz"}},
      {"texts run nothing", u"-x", platform::Utf8ToUtf16(tricky), {platform::Utf8ToUtf16(tricky)}, {},
       {"xdg-email", "--utf8", "--subject", tricky, "--body", tricky, "mailto:-x"}},
      {"recipient adds no fields", u"a@b.example?attach=/etc/passwd&cc=c d", u"", {}, {},
       {"xdg-email", "--utf8", "mailto:a@b.example%3Fattach%3D%2Fetc%2Fpasswd%26cc%3Dc%20d"}},
  };
  for (const Case& c : cases) {
    ISendMail mail;
    mail.Setmailto(c.mailto);
    mail.SetSubject(c.subject);
    mail.Text() = c.text;
    mail.Setfiles(c.files);
    EXPECT_EQ(SendAndCollect(mail), c.expected) << c.name;
  }
  EXPECT_NE(::access(dir_.File("ran").c_str(), F_OK), 0);
}

TEST_F(SendMailTest, ALargeBodyGoesAsAnAttachedFile) {
  ISendMail mail;
  mail.SetSubject(u"Big");
  mail.files().push_back(u"/tmp/map.jpg");
  std::string body;
  const std::string filler(40, 'x');
  for (int i = 0; i < 20000; ++i) {
    mail.Text().push_back(u"line \u00e9 " + platform::Utf8ToUtf16(filler + std::to_string(i)));
    body += (i > 0 ? "\n" : "") + std::string("line \xc3\xa9 ") + filler + std::to_string(i);
  }
  ASSERT_GT(body.size(), 1000000u);
  const Args args = SendAndCollect(mail);
  ASSERT_EQ(args.size(), 8u);
  EXPECT_EQ(Args(args.begin(), args.begin() + 7),
            (Args{"xdg-email", "--utf8", "--subject", "Big", "--attach", "/tmp/map.jpg", "--attach"}));
  EXPECT_EQ(args[7].substr(args[7].size() - 12), "/message.txt");
  EXPECT_EQ(test::ReadFileBytes(args[7]), body);
  struct stat folder;
  ASSERT_EQ(::stat(args[7].substr(0, args[7].size() - 12).c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
  ::unlink(args[7].c_str());
  ::rmdir(args[7].substr(0, args[7].size() - 12).c_str());
}

TEST_F(SendMailTest, FailuresAreLogged) {
  test::ScopedEnv failing("KESTRUNE_MAIL_STATUS", "5");
  ISendMail mail;
  mail.SetSubject(u"s");
  EXPECT_EQ(SendAndCollect(mail).size(), 4u);
  EXPECT_TRUE(WaitFor([&] { return Log().find("[Warning] Mail: xdg-email (process ") != std::string::npos; }));
  EXPECT_NE(Log().find(") ended with status 5\r\n"), std::string::npos) << Log();

  test::ScopedEnv emptyPath("PATH", dir_.File("nothing"));
  mail.Send();
  EXPECT_NE(Log().find("[Warning] Mail: xdg-email cannot be started: No such file or directory"), std::string::npos)
      << Log();
  EXPECT_TRUE(NoChildLeft());
}

}  // namespace
}  // namespace kestrune
