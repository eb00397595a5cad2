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

bool ReadHeaderValues(std::u16string_view path, THeaderValues& values) {
  if (!platform::RegularFileExists(path)) return false;
  try {
    TIniBath ini(path);
    if (ini.Status() != TIniBath::kStatusOpened) return false;
    ini.SetQuoteMode(true);
    while (ini.ReadLine()) {
      bool isKey = false;
      try {
        isKey = ini.ParseLine();
      } catch (const ERangeError&) {
      }
      if (!isKey || !SameNoCase(ini.Section(), u"Header")) continue;
      const std::string& key = ini.Key();
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
      if (field && !field->has_value()) *field = ini.Values()[1];
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
