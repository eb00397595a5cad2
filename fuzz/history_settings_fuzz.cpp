// The settings of a history file (".kes") over any bytes, read as the
// dictionaries' load reads them: no crash; and what the session's writer
// makes of the file (its other lines kept, the path, the phrase switch and
// the index names written again) reads back to exactly what it wrote.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/history_settings.h"
#include "fuzz/fuzz_folder.h"
#include "platform/text.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::TFuzzFolder folder("kestrune-kes");
  const std::u16string file = platform::Utf8ToUtf16(folder.path + "default.kes");
  std::ofstream(folder.path + "default.kes", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  THistorySettings read;
  if (!ReadHistorySettings(file, read)) std::abort();

  // Written back as SaveHistorySettings writes it, with the switch turned.
  THistorySettings written;
  written.MapPhrases = !read.MapPhrases;
  written.MainPath = platform::Utf8ToUtf16(folder.path);
  // The session writes each active index once.
  for (const std::u16string& name : read.IndexNames) {
    if (name.empty() || name.find_first_of(u"\r\n") != std::u16string::npos) continue;
    if (std::find(written.IndexNames.begin(), written.IndexNames.end(), name) == written.IndexNames.end()) {
      written.IndexNames.push_back(name);
    }
  }
  TIniText ini;
  ini.Load(file);
  ini.EraseSection("Indexes");
  ini.WriteValue("MAIN", "Path", QuoteIniValue(platform::Utf16ToUtf8(written.MainPath)));
  ini.WriteValue("Other", "MapPhrases", written.MapPhrases ? "true" : "false");
  for (size_t i = 0; i < written.IndexNames.size(); ++i) {
    ini.WriteValue("Indexes", QuoteIniValue(platform::Utf16ToUtf8(written.IndexNames[i])), std::to_string(i), true);
  }
  if (ini.Save(file) != 0) std::abort();

  THistorySettings again;
  if (!ReadHistorySettings(file, again)) std::abort();
  if (again.MapPhrases != written.MapPhrases || again.MainPath != written.MainPath ||
      again.IndexNames != written.IndexNames) {
    std::abort();
  }
  return 0;
}
