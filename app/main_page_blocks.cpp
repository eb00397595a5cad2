#include "app/main_page_blocks.h"

#include "core/log_file.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

std::u16string MainPageBlock(std::u16string_view text, std::u16string_view name) {
  const std::u16string open = u"<" + std::u16string(name) + u">";
  const std::u16string close = u"</" + std::u16string(name) + u">";
  const size_t begin = text.find(open);
  const size_t end = text.find(close);
  if (begin == std::u16string_view::npos || end == std::u16string_view::npos) return std::u16string();
  const size_t start = begin + open.size();
  if (end < start) return std::u16string();
  return std::u16string(text.substr(start, end - start));
}

bool ReadMainPageBlocks(std::u16string_view file, TMainPageBlocks& blocks) {
  blocks = {};
  // Read to its end: the size a file reports is not trusted.
  std::string bytes;
  platform::NativeFile input;
  bool read = platform::RegularFileExists(file) && input.Open(file, platform::NativeFile::Access::kRead, false, false);
  char buffer[16384];
  for (int64_t got = 0; read && (got = input.Read(buffer, sizeof buffer)) != 0;) {
    if (got < 0) {
      read = false;
      break;
    }
    bytes.append(buffer, static_cast<size_t>(got));
  }
  if (!read) {
    LogFile.Log("The page templates " + platform::Utf16ToUtf8(file) + " cannot be read; the window's page blocks are empty",
                1);
    return false;
  }
  const std::u16string text = platform::Utf8ToUtf16(bytes);
  for (int32_t block = 0; block < mbBlockCount; ++block) {
    blocks[static_cast<size_t>(block)] = MainPageBlock(text, kMainPageBlockNames[static_cast<size_t>(block)]);
  }
  return true;
}

}  // namespace kestrune
