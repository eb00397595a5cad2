#include "core/message.h"

#include <gtest/gtest.h>

#include "core/log_file.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

TEST(Message, WithoutABoxTheTextIsLoggedAndTheFirstButtonAnswers) {
  test::TempDir dir;
  LogFile.Open(dir.File("kestrune.log"));
  struct Case {
    uint32_t flags;
    int32_t answer;
  } cases[] = {{platform::kMbOk, platform::kIdOk},
               {platform::kMbOkCancel | platform::kMbIconWarning, platform::kIdOk},
               {platform::kMbYesNo | platform::kMbIconQuestion, platform::kIdYes}};
  for (const Case& c : cases) EXPECT_EQ(ShowMessageBox(u"Compact the lexicon?", u"Kestrune", c.flags), c.answer);
  LogFile.Open(std::string());  // logging off again
  const std::string text = test::ReadFileBytes(dir.File("kestrune.log"));
  EXPECT_NE(text.find("][Error] Compact the lexicon?\r\n"), std::string::npos) << text;
}

TEST(Message, AnInstalledBoxAnswers) {
  std::u16string seen;
  platform::SetMessageBoxHandler([&](std::u16string_view text, std::u16string_view caption, uint32_t flags) {
    seen = std::u16string(caption) + u":" + std::u16string(text);
    return flags == platform::kMbYesNo ? platform::kIdNo : platform::kIdCancel;
  });
  EXPECT_EQ(ShowMessageBox(u"OOO!!!", u"Map", platform::kMbYesNo), platform::kIdNo);
  platform::SetMessageBoxHandler(nullptr);
  EXPECT_EQ(seen, u"Map:OOO!!!");
}

}  // namespace
}  // namespace kestrune
