// The desktop's opener: an address that the desktop's opener fails on, or
// that finds no opener at all, is named in a message box; one it takes is
// not.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>

#include "app/window/desktop_services.h"
#include "platform/message_box.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

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

}  // namespace
}  // namespace kestrune
