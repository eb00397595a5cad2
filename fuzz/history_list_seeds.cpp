// Seeds for the history list and the query box's items: UTF-16 files as the
// program's lists are kept, with the byte-order mark, CR LF, empty lines and
// non-Latin paths; and one without the mark.
#include <string>

#include "fuzz/seeds.h"

namespace {

std::string Utf16(std::u16string_view text, bool mark) {
  std::string bytes = mark ? std::string("\xFF\xFE", 2) : std::string();
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

}  // namespace

KESTRUNE_SEEDS(history_list) {
  WriteSeed(folder, "history.txt", Utf16(u"/home/user/Projects/default.kes\r\n/home/user/b.kes\r\n", true));
  WriteSeed(folder, "empty_lines.txt", Utf16(u"\r\n/a/X.kes\r\n\r\n/a/x.kes\r\n/\u0431/\u00e9.kes", true));
  WriteSeed(folder, "query.txt", Utf16(u"caf\u00e9 query\r\n\"new york\" -city\r\n", true));
  WriteSeed(folder, "no_mark.txt", Utf16(u"/a.kes\r\n", false));
}
