// The main window's page blocks over any "templates.ini": no crash; a file
// that exists is read; every block is empty or the text between the first
// opening and the first closing tag of its name in the decoded file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/main_page_blocks.h"
#include "fuzz/fuzz_folder.h"
#include "platform/text.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::TFuzzFolder folder("kestrune-blocks");
  static const std::u16string file = platform::Utf8ToUtf16(folder.path + "templates.ini");
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::ofstream(folder.path + "templates.ini", std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(size));

  TMainPageBlocks blocks;
  if (!ReadMainPageBlocks(file, blocks)) std::abort();
  const std::u16string text = platform::Utf8ToUtf16(bytes);
  for (int32_t b = 0; b < mbBlockCount; ++b) {
    const std::u16string& block = blocks[static_cast<size_t>(b)];
    if (block.empty()) continue;
    const std::u16string name(kMainPageBlockNames[static_cast<size_t>(b)]);
    const std::u16string open = u"<" + name + u">";
    const std::u16string close = u"</" + name + u">";
    const size_t at = text.find(open);
    if (at == std::u16string::npos || text.compare(at + open.size(), block.size(), block) != 0 ||
        text.find(close) != at + open.size() + block.size()) {
      std::abort();
    }
  }
  return 0;
}
