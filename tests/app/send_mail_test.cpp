#include "app/send_mail.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "core/log_file.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using Args = std::vector<std::string>;

bool WaitFor(const std::function<bool()>& condition) {
  for (int i = 0; i < 2000 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return condition();
}

// No child of this process is left, running or ended but not reaped.
bool NoChildLeft() {
  const std::string self = "/proc/self/task/" + std::to_string(::getpid()) + "/children";
  return test::ReadFileBytes(self).find_first_not_of(' ') == std::string::npos;
}

// A stand-in "xdg-email" first on PATH: it writes its name and arguments, each
// ended by a 0 byte, to $KESTRUNE_MAIL_ARGS and ends with $KESTRUNE_MAIL_STATUS.
class SendMailTest : public ::testing::Test {
 protected:
  SendMailTest() {
    ::mkdir(dir_.File("bin").c_str(), 0700);
    test::WriteFileBytes(dir_.File("bin/xdg-email"),
                         "#!/bin/sh\nfor a in \"${0##*/}\" \"$@\"; do printf '%s\\0' \"$a\"; done > \"$KESTRUNE_MAIL_ARGS.t\"\n"
                         "mv \"$KESTRUNE_MAIL_ARGS.t\" \"$KESTRUNE_MAIL_ARGS\"\nexit $KESTRUNE_MAIL_STATUS\n");
    ::chmod(dir_.File("bin/xdg-email").c_str(), 0700);
    LogFile.Open(dir_.File("kestrune.log"));
  }
  ~SendMailTest() override { LogFile.Open(std::string()); }

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

  test::TempDir dir_;
  test::ScopedEnv path_{"PATH", dir_.Path() + "bin:/usr/bin:/bin"};
  test::ScopedEnv args_{"KESTRUNE_MAIL_ARGS", dir_.File("args")};
  test::ScopedEnv status_{"KESTRUNE_MAIL_STATUS", "0"};
};

TEST_F(SendMailTest, TheMailProgramGetsTheMessageAsArguments) {
  const std::string tricky = "-rf \"quoted\" $(touch " + dir_.File("ran") + ") `id` ; *";
  const std::u16string wide = platform::Utf8ToUtf16(tricky);
  struct Case {
    std::u16string mailto, subject;
    std::vector<std::u16string> text, files;
    Args expected;
  } cases[] = {
      {u"friend@example.org", u"Kestrune Search", {u"Hello!", u"", u"Look \u2014 here"},
       {u"/tmp/a b.jpg", u"/tmp/-c", u"/tmp/\u0434.gz"},
       {"xdg-email", "--utf8", "--subject", "Kestrune Search", "--body", "Hello!\n\nLook \xe2\x80\x94 here", "--attach",
        "/tmp/a b.jpg", "--attach", "/tmp/-c", "--attach", "/tmp/\xd0\xb4.gz", "mailto:friend@example.org"}},
      {u"", u"Log", {}, {u"/tmp/kestrune.gz"}, {"xdg-email", "--utf8", "--subject", "Log", "--attach", "/tmp/kestrune.gz"}},
      {u"-x", wide, {wide}, {}, {"xdg-email", "--utf8", "--subject", tricky, "--body", tricky, "mailto:-x"}},
      {u"a@b.example?attach=/etc/passwd&cc=c d", u"", {}, {},
       {"xdg-email", "--utf8", "mailto:a@b.example%3Fattach%3D%2Fetc%2Fpasswd%26cc%3Dc%20d"}},
  };
  for (const Case& c : cases) {
    ISendMail mail;
    mail.Setmailto(c.mailto);
    mail.SetSubject(c.subject);
    mail.Text() = c.text;
    mail.Setfiles(c.files);
    EXPECT_EQ(SendAndCollect(mail), c.expected);
  }
  EXPECT_NE(::access(dir_.File("ran").c_str(), F_OK), 0);

  // A body of 1 MB goes whole as an attached file in a private folder.
  ISendMail big;
  std::string body;
  for (int i = 0; i < 20000; ++i) {
    big.Text().push_back(u"line \u00e9 " + std::u16string(40, u'x') + platform::Utf8ToUtf16(std::to_string(i)));
    body += (i > 0 ? "\n" : "") + std::string("line \xc3\xa9 ") + std::string(40, 'x') + std::to_string(i);
  }
  big.files().push_back(u"/tmp/map.jpg");
  const Args args = SendAndCollect(big);
  ASSERT_EQ(args.size(), 6u);
  EXPECT_EQ(Args(args.begin(), args.begin() + 5), (Args{"xdg-email", "--utf8", "--attach", "/tmp/map.jpg", "--attach"}));
  const std::string folder = args[5].substr(0, args[5].size() - 12);
  EXPECT_EQ(args[5], folder + "/message.txt");
  EXPECT_EQ(test::ReadFileBytes(args[5]), body);
  struct stat info;
  ASSERT_EQ(::stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ::unlink(args[5].c_str());
  ::rmdir(folder.c_str());
}

TEST_F(SendMailTest, FailuresAreLogged) {
  test::ScopedEnv failing("KESTRUNE_MAIL_STATUS", "5");
  ISendMail mail;
  EXPECT_EQ(SendAndCollect(mail), (Args{"xdg-email", "--utf8"}));
  EXPECT_TRUE(WaitFor([&] { return Log().find(") ended with status 5\r\n") != std::string::npos; })) << Log();
  EXPECT_NE(Log().find("[Warning] Mail: xdg-email (process "), std::string::npos);

  test::ScopedEnv emptyPath("PATH", dir_.File("nothing"));
  EXPECT_FALSE(mail.Send());
  EXPECT_NE(Log().find("[Warning] Mail: xdg-email cannot be started: No such file or directory"), std::string::npos);
  EXPECT_TRUE(NoChildLeft());
}

}  // namespace
}  // namespace kestrune
