// Feeds arbitrary bytes to the INI-style reader as its callers use it: the
// lines of a memory stream, quote mode on, every line parsed. A key line with
// more than 32 values raises the range error, which callers expect.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/errors.h"
#include "core/ini_bath.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream stream(data, size);
  TIniBath ini;
  ini.LoadFromStream(stream);
  ini.SetQuoteMode(true);
  int32_t sections = 0;
  while (ini.ReadLine()) {
    try {
      ini.ParseLine();
    } catch (const ERangeError&) {
    }
    if (!ini.Values()[0].empty()) std::abort();
    if (ini.SectionCount() < sections || ini.SectionCount() > sections + 1) std::abort();
    sections = ini.SectionCount();
  }
  return 0;
}
