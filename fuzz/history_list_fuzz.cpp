// The recent history files ("history") and the query box's items
// ("query.dat") over any bytes: no crash; the lines are non-empty and hold no
// line break; the query box takes only query texts, and counts the other
// lines; Add keeps at most seven entries with the new path first and no
// other entry equal to it in lower case.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/custom_history.h"
#include "app/window_commands.h"
#include "fuzz/fuzz_folder.h"
#include "platform/text.h"

using namespace kestrune;

namespace {

void CheckLines(const std::vector<std::u16string>& lines) {
  for (const std::u16string& line : lines) {
    if (line.empty() || line.find_first_of(u"\r\n") != std::u16string::npos) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::TFuzzFolder folder("kestrune-history");
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (const char* name : {"history", "query.dat"}) {
    std::ofstream(folder.path + name, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(size));
  }
  const std::u16string root = platform::Utf8ToUtf16(folder.path);

  std::vector<std::u16string> items;
  if (!ReadUnicodeLines(root + u"query.dat", false, items)) std::abort();
  CheckLines(items);
  std::vector<std::u16string> queries;
  int32_t dropped = -1;
  if (!ReadQueryFileItems(root + u"query.dat", queries, dropped)) std::abort();
  if (queries.size() + static_cast<size_t>(dropped) != items.size()) std::abort();
  for (const std::u16string& query : queries) {
    if (!IsQueryText(query)) std::abort();
  }

  IHistory history;
  history.Load(root, u"/projects/");
  CheckLines(history.Items());
  if (history.Items().empty() || history.CurrentFile() != history.Items().front()) std::abort();
  const std::u16string path = u"/P/" + (history.Items().size() > 1 ? history.Items()[1] : std::u16string(u"x"));
  history.Add(path);
  const std::u16string lower = platform::WideLowerCase(path);
  if (history.Items().size() > 7 || history.Items().front() != path || history.CurrentFile() != path) std::abort();
  for (size_t i = 1; i < history.Items().size(); ++i) {
    if (platform::WideLowerCase(history.Items()[i]) == lower) std::abort();
  }
  return 0;
}
