#include "app/lng_list.h"

#include <optional>

#include "app/lng_file.h"
#include "core/base.h"
#include "core/code_page.h"
#include "core/errors.h"
#include "core/ini_bath.h"
#include "core/log_file.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

namespace {

bool SameNoCase(std::string_view a, std::u16string_view b) {
  return platform::CompareNoCase(platform::Utf8ToUtf16(a), b) == 0;
}

struct THeaderValues {
  std::optional<std::string> language;
  std::optional<std::string> langId;
  std::optional<std::string> codePage;
  std::optional<std::string> author;
};

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The value of a line as the platform's INI reader gives it: the text after
// the first "=", without the blanks around it and without one pair of
// enclosing quotes (double or single). Commas, semicolons and "$" stay as
// written, so an unquoted name keeps its blanks.
std::string IniValue(std::string_view text) {
  text = TrimBlanks(text);
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front()) {
    text = text.substr(1, text.size() - 2);
  }
  return std::string(text);
}

bool ReadHeaderValues(std::u16string_view path, THeaderValues& values) {
  if (!platform::RegularFileExists(path)) return false;
  try {
    TIniBath ini(path);
    if (ini.Status() != TIniBath::kStatusOpened) return false;
    bool inHeader = false;
    while (ini.ReadLine()) {
      const std::string_view line = TrimBlanks(ini.Line());
      if (line.empty() || line.front() == ';') continue;
      if (line.front() == '[') {
        const size_t close = line.find(']');
        inHeader = close != std::string_view::npos && SameNoCase(line.substr(1, close - 1), u"Header");
        continue;
      }
      const size_t equals = line.find('=');
      if (!inHeader || equals == std::string_view::npos) continue;
      const std::string_view key = TrimBlanks(line.substr(0, equals));
      std::optional<std::string>* field = nullptr;
      if (SameNoCase(key, u"Language")) {
        field = &values.language;
      } else if (SameNoCase(key, u"LangID")) {
        field = &values.langId;
      } else if (SameNoCase(key, u"CodePage")) {
        field = &values.codePage;
      } else if (SameNoCase(key, u"LangAuthor")) {
        field = &values.author;
      }
      if (field && !field->has_value()) *field = IniValue(line.substr(equals + 1));
    }
  } catch (const EInOutError& error) {
    LogFile.Log("Language file \"" + platform::Utf16ToUtf8(path) + "\" cannot be read: " + error.what(),
                mtWarning);
    return false;
  }
  return true;
}

bool Given(const std::optional<std::string>& value) { return value.has_value() && !value->empty(); }

}  // namespace

void LoadLngList(std::u16string_view folder, TLngList& list) {
  list.clear();
  std::vector<platform::FolderEntry> entries;
  if (!platform::ListFolder(folder, entries)) return;
  const std::u16string prefix = AddBackslash(folder);
  for (const platform::FolderEntry& entry : entries) {
    if (!entry.isFile || !IsLngFileName(entry.name)) continue;
    THeaderValues values;
    if (!ReadHeaderValues(prefix + entry.name, values)) continue;
    if (!Given(values.language) || !Given(values.langId) || !Given(values.codePage)) continue;
    TLngListEntry item;
    item.CodePage = LngNumber(*values.codePage);
    item.LangID = LngNumber(*values.langId);
    item.Language = CodePageToWide(*values.language, item.CodePage);
    item.LangAuthor = CodePageToWide(values.author.value_or(std::string()), item.CodePage);
    item.FileName = entry.name;
    list.push_back(std::move(item));
  }
}

}  // namespace kestrune
