// Feeds arbitrary bytes to the splitter of a converter plug-in's type list, as
// ListTypes hands it the text a plug-in returns (up to its first 0 byte), and
// checks what every piece must be: non-empty, free of ";", trimmed, and taken
// from the text in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/convertors.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string_view text(bytes.c_str(), std::strlen(bytes.c_str()));
  std::vector<std::string> list;
  AddConverterTypes(text, list);
  size_t from = 0;
  for (const std::string& piece : list) {
    if (piece.empty() || piece.find(';') != std::string::npos) std::abort();
    if (static_cast<unsigned char>(piece.front()) <= ' ' || static_cast<unsigned char>(piece.back()) <= ' ') {
      std::abort();
    }
    const size_t at = text.find(piece, from);
    if (at == std::string_view::npos) std::abort();
    from = at + piece.size();
  }
  return 0;
}
