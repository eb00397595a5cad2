#include "core/code_page.h"

#include "platform/text.h"

namespace kestrune {

namespace {

// Code pages converted by the UTF-8 routines directly: 0, UTF-8 itself and
// negative numbers, which no converter knows.
bool AsUtf8(int32_t codePage) { return codePage <= 0 || codePage == kCodePageUtf8; }

}  // namespace

bool IsKnownCodePage(int32_t codePage) {
  if (codePage == 0 || codePage == kCodePageUtf8) return true;
  if (codePage < 0) return false;
  std::u16string probe;
  return platform::CodePageToWide({}, static_cast<uint32_t>(codePage), probe);
}

std::u16string CodePageToWide(std::string_view text, int32_t codePage) {
  if (AsUtf8(codePage)) return platform::Utf8ToUtf16(text);
  std::u16string out;
  if (!platform::CodePageToWide(text, static_cast<uint32_t>(codePage), out)) out = platform::Utf8ToUtf16(text);
  return out;
}

std::string WideToCodePage(std::u16string_view text, int32_t codePage) {
  if (AsUtf8(codePage)) return platform::Utf16ToUtf8(text);
  std::string out;
  if (!platform::WideToCodePage(text, static_cast<uint32_t>(codePage), out)) out = platform::Utf16ToUtf8(text);
  return out;
}

}  // namespace kestrune
