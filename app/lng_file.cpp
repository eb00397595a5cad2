#include "app/lng_file.h"

#include <limits>

#include "core/base.h"
#include "core/code_page.h"
#include "core/errors.h"
#include "core/ini_bath.h"
#include "core/log_file.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

namespace {

enum class TSectionKind { kNone, kHeader, kLanguage, kOther };

TSectionKind Classify(std::string_view section) {
  if (section == "Header") return TSectionKind::kHeader;
  if (section == "Language") return TSectionKind::kLanguage;
  return TSectionKind::kOther;
}

std::string FileNameOf(std::u16string_view path) {
  const size_t slash = path.find_last_of(u'/');
  return platform::Utf16ToUtf8(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

// Opens the source of a language file: the stream's lines, or a regular file.
// False when there is nothing to read.
bool OpenSource(TIniBath& ini, std::u16string_view path, TStream* stream) {
  if (stream) {
    ini.LoadFromStream(*stream);
  } else {
    if (!platform::RegularFileExists(path)) return false;
    ini.Open(path);
    if (ini.Status() != TIniBath::kStatusOpened) return false;
  }
  ini.SetQuoteMode(true);
  return true;
}

std::string SourceName(std::u16string_view path, TStream* stream) {
  return stream ? std::string("(stream)") : "\"" + platform::Utf16ToUtf8(path) + "\"";
}

// Parses the current line; a line of more than 32 values counts as no key.
bool ParseKeyLine(TIniBath& ini) {
  try {
    return ini.ParseLine();
  } catch (const ERangeError&) {
    return false;
  }
}

// The item index of a property name "Name[n]": true with the name and n when
// the name ends in "[" digits "]" and n fits 32 bits.
bool SplitItemIndex(std::string_view name, std::string_view& listName, int32_t& index) {
  const size_t open = name.find('[');
  if (open == std::string_view::npos) return false;
  const std::string_view digits = name.substr(open + 1, name.size() - open - 2);
  if (digits.empty() || digits.size() > 10) return false;
  int64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > std::numeric_limits<int32_t>::max()) return false;
  listName = name.substr(0, open);
  index = static_cast<int32_t>(value);
  return true;
}

// Splits a [Language] key at every "."; false for more than kMaxLngNames names.
bool SplitNames(std::string_view key, std::vector<std::string_view>& names) {
  names.clear();
  size_t start = 0;
  for (;;) {
    if (names.size() == kMaxLngNames) return false;
    const size_t dot = key.find('.', start);
    names.push_back(key.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
    if (dot == std::string_view::npos) return true;
    start = dot + 1;
  }
}

void ApplyLanguageLine(ILngTarget& target, std::string_view key, std::string_view value, int32_t codePage,
                       std::vector<std::string_view>& names) {
  if (!SplitNames(key, names) || names.size() < 2) return;
  const ILngTarget::TObject form = target.FindForm(names.front());
  if (!form) return;
  const std::string_view property = names.back();
  std::string_view listName;
  int32_t index = 0;
  const bool isItem = !property.empty() && property.back() == ']';
  if (isItem && !SplitItemIndex(property, listName, index)) return;
  ILngTarget::TObject object = form;
  if (names.size() >= 3) {
    object = target.FindComponent(form, names[names.size() - 2]);
    if (!object) return;
  }
  const std::u16string text = CodePageToWide(value, codePage);
  if (isItem) {
    target.SetItem(object, listName, index, text);
  } else {
    target.SetTextProperty(object, property, text);
  }
}

}  // namespace

int32_t LngNumber(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size() || text.size() - i > 11) return 0;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    value = value * 10 + (text[i] - '0');
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) return 0;
  return static_cast<int32_t>(value);
}

void ReadLngHeader(std::u16string_view path, TStream* stream, TLngHeader& header) {
  TIniBath ini;
  try {
    if (!OpenSource(ini, path, stream)) return;
    header = TLngHeader();
    header.FileName = FileNameOf(path);
    while (ini.ReadLine()) {
      if (!ParseKeyLine(ini) || ini.Section() != "Header") continue;
      const std::string& key = ini.Key();
      const std::string& value = ini.Values()[1];
      if (key == "language") {
        header.Language = value;
      } else if (key == "langID") {
        header.LangID = LngNumber(value);
      } else if (key == "CodePage") {
        header.CodePage = LngNumber(value);
      } else if (key == "LangAuthor") {
        header.LangAuthor = value;
      } else if (key == "LangFolder") {
        header.LangFolder = value;
      }
    }
  } catch (const EInOutError& error) {
    LogFile.Log("Language file " + SourceName(path, stream) + " cannot be read: " + error.what(), mtWarning);
  }
}

bool IsLngFileName(std::u16string_view name) {
  static constexpr std::u16string_view kExtension = u".lng";
  return name.size() > kExtension.size() &&
         platform::CompareNoCase(name.substr(name.size() - kExtension.size()), kExtension) == 0;
}

void LoadLngHeaders(std::u16string_view folder, TLngHeaders& headers) {
  headers.clear();
  std::vector<platform::FolderEntry> entries;
  if (!platform::ListFolder(folder, entries)) return;
  const std::u16string prefix = AddBackslash(folder);
  for (const platform::FolderEntry& entry : entries) {
    if (!entry.isFile || !IsLngFileName(entry.name)) continue;
    TLngHeader header;
    ReadLngHeader(prefix + entry.name, nullptr, header);
    headers.push_back(std::move(header));
  }
}

void FindLngHeader(int32_t langId, const TLngHeaders& headers, TLngHeader& header) {
  for (const TLngHeader& entry : headers) {
    if ((entry.LangID & 0xFF) == kLangEnglish) header = entry;
  }
  for (const TLngHeader& entry : headers) {
    if (entry.LangID == langId) header = entry;
  }
}

bool ApplyLngFile(std::u16string_view path, ILngTarget* target, TLngCallback callback, void* callbackData,
                  TStream* stream) {
  TIniBath ini;
  int32_t codePage = 0;
  bool unknownLogged = false;
  TSectionKind kind = TSectionKind::kNone;
  int32_t sectionCount = 0;
  std::vector<std::string_view> names;
  try {
    if (!OpenSource(ini, path, stream)) return false;
    if (target) target->BeginApply();
    while (ini.ReadLine()) {
      const bool isKey = ParseKeyLine(ini);
      if (ini.SectionCount() != sectionCount) {
        sectionCount = ini.SectionCount();
        kind = Classify(ini.Section());
      }
      if (!isKey) continue;
      switch (kind) {
        case TSectionKind::kNone:
          break;
        case TSectionKind::kHeader:
          if (ini.Key() == "CodePage") {
            codePage = LngNumber(ini.Values()[1]);
            if (!unknownLogged && !IsKnownCodePage(codePage)) {
              unknownLogged = true;
              LogFile.Log("Language file " + SourceName(path, stream) + ": code page " + std::to_string(codePage) +
                              " is unknown, its texts are read as UTF-8",
                          mtWarning);
            }
          }
          break;
        case TSectionKind::kLanguage:
          if (target) ApplyLanguageLine(*target, ini.Key(), ini.Values()[1], codePage, names);
          break;
        case TSectionKind::kOther:
          if (callback) callback(ini.Section(), ini.Key(), ini.Values()[1], codePage, callbackData);
          break;
      }
    }
  } catch (const EInOutError& error) {
    LogFile.Log("Language file " + SourceName(path, stream) + " cannot be read: " + error.what(), mtWarning);
    return false;
  }
  return true;
}

}  // namespace kestrune
