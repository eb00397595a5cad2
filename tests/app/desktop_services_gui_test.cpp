// The desktop opener's MIME query over the window's MIME database: files
// written here, typed by their content and their name as xdg-open types them.
#include <gtest/gtest.h>

#include <string>

#include "app/window/desktop_services.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

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

}  // namespace
}  // namespace kestrune
