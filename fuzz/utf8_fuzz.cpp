// Fuzzes the UTF-8 routines: any bytes decode without fault, and what
// decodes encodes to bytes that decode to the same units; any UTF-16 text
// (the input read as little-endian units) survives encoding and decoding.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "search/utf8.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::u16string units = u"stale";
  const bool decoded = kestrune::Utf8ToWide(bytes, units);
  Require(decoded || units.empty());
  Require(!decoded || units.size() <= bytes.size());
  if (decoded) {
    std::u16string again;
    Require(kestrune::Utf8ToWide(kestrune::WideToUtf8(units), again) && again == units);
  }

  std::u16string wide(size / 2, u'\0');
  std::memcpy(wide.data(), data, wide.size() * 2);
  const std::string encoded = kestrune::WideToUtf8(wide);
  Require(encoded.size() <= wide.size() * 3);
  std::u16string back = u"stale";
  Require(kestrune::Utf8ToWide(encoded, back) == !wide.empty());
  Require(back == wide);
  return 0;
}
