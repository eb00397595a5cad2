#include "language/stop_list.h"

#include <exception>
#include <string>

#include "core/base.h"
#include "core/unicode_file.h"
#include "platform/text.h"

namespace kestrune {

namespace {

// Windows primary language numbers are 10 bits wide.
constexpr int32_t kLastLanguageId = 0x3FF;

}  // namespace

int16_t StopListLanguage(std::u16string_view fileName) {
  const size_t slash = fileName.find_last_of(u"/\\");
  std::u16string_view name = slash == std::u16string_view::npos ? fileName : fileName.substr(slash + 1);
  const size_t dot = name.find_last_of(u'.');
  if (dot != std::u16string_view::npos) name = name.substr(0, dot);
  if (name.size() < 4 || platform::CompareNoCase(name.substr(0, 4), u"stop") != 0) return 0;
  name.remove_prefix(4);
  while (!name.empty() && (name[0] == u'_' || name[0] == u'-' || name[0] == u' ')) name.remove_prefix(1);
  if (name.empty()) return 0;
  for (int32_t id = 1; id <= kLastLanguageId; ++id) {
    const std::u16string& language = LanguageName(id);
    if (!language.empty() && platform::CompareNoCase(name, language) == 0) return static_cast<int16_t>(id);
  }
  return 0;
}

int32_t MarkStopList(TIWordDictionary& dictionary, std::u16string_view fileName) {
  const int16_t language = StopListLanguage(fileName);
  int32_t marked = 0;
  try {
    IUnicodeFile file(fileName);
    std::u16string line;
    while (file.ReadLine(line) == 0) {
      if (line.empty()) continue;
      dictionary.MarkWord(line, language);
      ++marked;
    }
  } catch (const std::exception&) {
    return -1;
  }
  return marked;
}

}  // namespace kestrune
