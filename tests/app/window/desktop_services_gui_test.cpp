// The desktop's services: the opener's MIME query over the window's MIME
// database (files written here, typed by their content and their name as
// xdg-open types them), and an address, the help page or a mail that the
// desktop fails on, or that finds no program at all, told in a message box;
// a message box wide enough for its title.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <filesystem>
#include <string>

#include "app/kestrune_session.h"
#include "app/run_temp_folder.h"
#include "app/window/desktop_services.h"
#include "core/log_file.h"
#include "core/message_strings.h"
#include "core/message.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"
#include "ui/about_form.h"
#include "ui/exception_form.h"

namespace kestrune {
namespace {

TEST(DesktopOpener, OnlyDocumentsByContentAndName) {
  const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\1\0\0\0\1\x08\x02\0\0\0", 24);
  const struct {
    const char* name;
    std::string content;
    bool document;
  } cases[] = {
      {"notes.txt", "Plain words of a note.\n", true},
      {"memo", "Plain words without a name that tells.\n", true},
      {"paper.pdf", "%PDF-1.4\n1 0 obj\n<<>>\nendobj\n", true},
      {"photo.png", png, true},
      {"picture", png, true},  // no extension: the content decides
      {"run.sh", "#!/bin/sh\necho hello\n", false},
      {"script", "#!/bin/sh\necho hello\n", false},
      {"page.html", "<html><body><script>alert(1)</script></body></html>\n", false},
      {"tool.jar", std::string("PK\x03\x04\x14\0\0\0\x08\0", 10) + "META-INF/MANIFEST.MF", false},
      {"setup.exe", std::string("MZ\x90\0\x03\0\0\0\x04\0\0\0", 12), false},
      {"drawing.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"><script>x()</script></svg>\n", false},
      {"launcher.desktop", "[Desktop Entry]\nType=Application\nExec=xterm\n", false},
  };
  test::TempDir dir;
  TDesktopOpener opener;
  for (const auto& c : cases) {
    const std::string path = dir.Path() + c.name;
    test::WriteFileBytes(path, c.content);
    const std::u16string wide = platform::Utf8ToUtf16(path);
    EXPECT_EQ(opener.IsDocumentFile(wide), c.document) << c.name << " is " << opener.MimeTypeOfFile(wide);
  }
  EXPECT_EQ(opener.MimeTypeOfFile(platform::Utf8ToUtf16(dir.Path() + "notes.txt")), "text/plain");
}

TEST(DesktopOpener, AnAddressTheDesktopCannotOpenIsShown) {
  const struct {
    const char* name;
    const char* script;  // the opener's body; null: no opener installed
    bool shown;
  } cases[] = {
      {"no browser", "exit 3", true},
      {"opened", "exit 0", false},
      {"no opener", nullptr, true},
  };
  test::TempDir dir;
  std::vector<std::u16string> shown;
  platform::SetMessageBoxHandler([&](std::u16string_view text, std::u16string_view, uint32_t) {
    shown.emplace_back(text);
    return platform::kIdOk;
  });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    shown.clear();
    const std::string opener = dir.File(std::string("opener-") + c.name);
    if (c.script) {
      test::WriteFileBytes(opener, std::string("#!/bin/sh\n") + c.script + "\n");
      std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    }
    TDesktopOpener desktop;
    desktop.OpenerProgram = QString::fromStdString(opener);
    const std::u16string url = u"http://example.org/a?b=c";
    EXPECT_TRUE(desktop.OpenInBrowser(url));
    // The opener runs on its own: its end is awaited, a box or none.
    QTest::qWait(0);
    EXPECT_EQ(QTest::qWaitFor([&] { return !shown.empty(); }, c.shown ? 10000 : 500), c.shown);
    if (c.shown) {
      ASSERT_EQ(shown.size(), 1u);
      EXPECT_NE(shown[0].find(url), std::u16string::npos);
    }
  }
  platform::SetMessageBoxHandler({});
}

// Help and mail where the desktop answers nothing: stand-ins for xdg-open
// and xdg-email first on PATH that fail, or none at all. The help page, a
// mail, the about box's address and the bug report are each told once, on
// the user-interface thread (the bug report's before its form has closed,
// as the program ends then); a desktop that answers tells nothing.
TEST(DesktopOpener, HelpAndMailTheDesktopCannotTakeAreTold) {
  enum What { kHelp, kMail, kAbout, kBugReport };
  const struct {
    const char* name;
    What what;
    const char* script;  // the stand-ins' body; null: none installed
    bool shown;
  } cases[] = {
      {"help, no browser", kHelp, "exit 3", true},   {"help, no opener", kHelp, nullptr, true},
      {"help opened", kHelp, "exit 0", false},       {"mail, no mail program", kMail, "exit 3", true},
      {"mail, no xdg-email", kMail, nullptr, true},  {"mail handed over", kMail, "exit 0", false},
      {"about box", kAbout, "exit 4", true},         {"bug report", kBugReport, "exit 3", true},
  };
  test::TempDir dir;
  std::filesystem::create_directories(dir.Path() + "help/en");
  test::WriteFileBytes(dir.File("help/en/help_index.html"), "<html></html>");
  LogFile.Open(dir.WFile("kestrune.log"));
  std::vector<std::u16string> shown;
  bool elsewhere = false;
  platform::SetMessageBoxHandler([&](std::u16string_view text, std::u16string_view, uint32_t) {
    elsewhere = elsewhere || QThread::currentThread() != qApp->thread();
    shown.emplace_back(text);
    return platform::kIdOk;
  });
  const TMailReportQueue reports;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    shown.clear();
    const std::string bin = dir.File(std::string("bin-") + std::to_string(&c - cases) + "/");
    std::filesystem::create_directories(bin);
    for (const char* program : {"xdg-open", "xdg-email"}) {
      if (!c.script) continue;
      test::WriteFileBytes(bin + program, std::string("#!/bin/sh\n") + c.script + "\n");
      std::filesystem::permissions(bin + program, std::filesystem::perms::owner_all);
    }
    const test::ScopedEnv path("PATH", bin);
    TKestruneSession session(dir.WPath());
    TDesktopOpener desktop;
    session.Opener = &desktop;
    std::u16string expected = MessageStrings.smCannotSendMail;
    if (c.what == kHelp) {
      session.BtnHelpClick();
      expected = MessageStrings.smCannotOpenHelp + u"\n" + dir.WFile("help/en/help_index.html");
    } else if (c.what == kMail) {
      session.sfrendClick();
    } else if (c.what == kAbout) {
      TFAbout about;
      about.TntLabel3Click();
    } else {
      TExceptionForm form;
      form.Button1Click();
      EXPECT_EQ(shown.size(), 1u);
    }
    EXPECT_EQ(QTest::qWaitFor([&] { return !shown.empty(); }, c.shown ? 10000 : 500), c.shown);
    QTest::qWait(100);
    EXPECT_EQ(shown, c.shown ? std::vector<std::u16string>{expected} : std::vector<std::u16string>{});
    EXPECT_EQ(ISendMail::Running(), 0);
    session.Opener = nullptr;
  }
  EXPECT_FALSE(elsewhere);
  platform::SetMessageBoxHandler({});
  RemoveRunTempFolder();
  LogFile.Open(std::u16string());
}

// The frame's title bar shows the caption whole: a box with a short text is
// still as wide as its caption with the frame's icon and buttons beside it.
TEST(DesktopOpener, AMessageBoxIsWideEnoughForItsTitle) {
  platform::SetMessageBoxHandler({});
  InstallQtMessageBox();
  const struct {
    std::u16string text, caption;
  } cases[] = {
      {u"Error Load Project", u"Error Load Project"},
      {u"x", u"The project could not be opened from the recent projects"},
      {u"A text much longer than its caption, so that the text sets the width", u"Error"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::Utf16ToUtf8(c.caption));
    int width = 0;
    QTimer::singleShot(0, [&] {
      QTest::qWaitFor([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; }, 5000);
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      width = box->width();
      box->accept();
    });
    ShowMessageBox(c.text, c.caption, platform::kMbOk | platform::kMbIconError);
    EXPECT_GE(width, MessageBoxTitleWidth(QString::fromStdU16String(c.caption)));
  }
  platform::SetMessageBoxHandler({});
}

}  // namespace
}  // namespace kestrune
