// Seeds for the text parser: two settings bytes, then UTF-16 texts of the
// kinds the parser divides (paragraphs, abbreviations, paths, hyphens,
// numbers, mixed scripts, all three line breaks).
#include <string>

#include "fuzz/seeds.h"

namespace {

std::string Seed(uint16_t settings, const std::u16string& text) {
  std::string bytes;
  bytes.push_back(static_cast<char>(settings & 0xFF));
  bytes.push_back(static_cast<char>(settings >> 8));
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

}  // namespace

KESTRUNE_SEEDS(text_parsing) {
  const std::u16string prose =
      u"    The first paragraph starts here and goes on.\n"
      u"It ends. J. R. Smith met e.g. the crew at 3.14 p.m.! Really?! Yes...\r\n"
      u"\r\n"
      u"  - A dialogue line: hyphen-\nated words, \u00abquotes\u00bb and \u201cmore\u201d.\r"
      u"\rNew York City is big. Visit www.example.com, mail user@mail.ru, open C:\\dir\\file.txt.\n"
      u"\tПривет, мир! Это текст; ещё 2024 год, 1af и route66.\n\n\n";
  WriteSeed(folder, "prose_plain", Seed(0, prose));
  WriteSeed(folder, "prose_main_window", Seed(0x0001 | 0x0002 | 0x0020 | 0x0080 | 0x1000 * 2, prose));
  WriteSeed(folder, "prose_paths_numbers", Seed(0x0004 | 0x0008 | 0x0010 | 0x0040 | 0x4000 | 0x2000, prose));
  WriteSeed(folder, "prose_hash", Seed(0x0080 | 0x0100 | 0x0200 | 0x0400 | 0x0800 | 0x8000, prose));
  WriteSeed(folder, "blank", Seed(0x0003, u" \t\n\r\n\u00a0 "));
  WriteSeed(folder, "controls", Seed(0x0002, u"a\x01-b\x0b\x1f.-\n-\n:\n - x\u2028y\u200c z"));
}
