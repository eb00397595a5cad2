#include "language/stop_list.h"

#include <exception>
#include <string>
#include <unordered_set>
#include <vector>

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
  std::vector<std::u16string> lines;
  try {
    IUnicodeFile file(fileName);
    std::u16string line;
    while (file.ReadLine(line) == 0) {
      if (!line.empty()) lines.push_back(line);
    }
  } catch (const std::exception&) {
    return -1;
  }
  // A stop word marks the words it is the initial form of, and the words of
  // whose other forms it is one when their initial form is a stop word of the
  // list too ("was" marks "be"); not a content word of which it happens to be
  // a form ("being" of "bee", "тем" of "тема"). A stop word that is only such
  // a form marks them all, as does one no look-up finds (MarkWord adds it).
  const std::unordered_set<std::u16string> stops(lines.begin(), lines.end());
  TWordVariants readings;
  TAffixIndexes scratch;
  std::vector<TWDWord*> words;
  for (const std::u16string& line : lines) {
    const int32_t n = dictionary.Search(line, readings, 0, scratch);
    words.clear();
    bool other = false;
    for (int32_t k = 0; k < n; ++k) {
      TWDWord* word = dictionary.GetWord(readings[static_cast<size_t>(k)].WordIndex);
      if (word == nullptr || (language != 0 && word->GetDictionaryID() != language && word->GetDictionaryID() != 0)) {
        continue;
      }
      if (readings[static_cast<size_t>(k)].Form == 0 || stops.count(word->GetText()) > 0) {
        words.push_back(word);
      } else {
        other = true;
      }
    }
    if (!other || words.empty()) {
      dictionary.MarkWord(line, language);
      continue;
    }
    for (TWDWord* word : words) word->SetFlags(static_cast<uint16_t>(word->GetFlags() | TWDWord::kFlagMark));
  }
  return static_cast<int32_t>(lines.size());
}

}  // namespace kestrune
