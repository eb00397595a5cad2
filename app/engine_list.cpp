#include "app/engine_list.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <exception>

#include "core/errors.h"
#include "core/find_files.h"
#include "core/ini_bath.h"
#include "core/log_file.h"
#include "platform/text.h"

namespace kestrune {

namespace {

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A decimal integer with an optional sign and surrounding blanks.
bool ParseDecimal(std::string_view text, int32_t& value) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::vector<std::u16string> ListEngineTemplates(std::u16string_view folder, bool& advertisingFound) {
  advertisingFound = false;
  std::vector<std::u16string> paths;
  WideFindFiles(paths, folder, u"*.ini", kFaDirectory, false);
  std::vector<std::u16string> names;
  for (const std::u16string& path : paths) {
    const size_t slash = path.rfind(u'/');
    std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
    // The advertising template in any letter case; an engine's extension
    // exactly ".ini" (the mask matches without regard to case).
    if (AsciiLower(platform::Utf16ToUtf8(name)) == kAdvertisingTemplate) {
      advertisingFound = true;
      continue;
    }
    if (name.size() <= 4 || name.compare(name.size() - 4, 4, u".ini") != 0) continue;
    names.push_back(std::move(name));
  }
  return names;
}

bool ReadEngineHeader(std::u16string_view folder, std::string_view templateName, int32_t& priority,
                      std::string& displayName) {
  displayName.clear();
  const std::u16string file = std::u16string(folder) + platform::Utf8ToUtf16(templateName) + u".ini";
  try {
    TIniBath ini(file);
    if (ini.Status() != TIniBath::kStatusOpened) return false;
    ini.SetQuoteMode(true);
    while (ini.ReadLine()) {
      try {
        if (!ini.ParseLine()) continue;
      } catch (const ERangeError&) {
        continue;  // more than 32 values: not a header line
      }
      const std::string section = AsciiLower(ini.Section());
      if (section != "display name" && section != "general") continue;
      const std::string key = AsciiLower(ini.Key());
      if (key == "hostname") {
        displayName = ini.Values()[1];
      } else if (key == "priority") {
        if (!ParseDecimal(ini.Values()[1], priority)) {
          priority = 0;
          LogFile.Log("The engine template " + std::string(templateName) + " has the priority \"" +
                          ini.Values()[1] + "\", which is no number; it counts as 0",
                      1);
        }
      }
    }
  } catch (const std::exception& error) {
    LogFile.Log("The engine template " + std::string(templateName) + " cannot be read: " + error.what(), 2);
    displayName.clear();
    return false;
  }
  if (displayName.empty()) displayName = templateName;
  return true;
}

int32_t CompareText(std::string_view a, std::string_view b) {
  auto folded = [](char c) {
    const int u = static_cast<unsigned char>(c);
    return u >= 'a' && u <= 'z' ? u - ('a' - 'A') : u;
  };
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int ca = folded(a[i]);
    const int cb = folded(b[i]);
    if (ca != cb) return ca - cb;
  }
  return static_cast<int32_t>(a.size()) - static_cast<int32_t>(b.size());
}

std::string GetEngineTemplateName(const TSearchEns& engines, std::string_view displayName) {
  const std::u16string wanted = platform::Utf8ToUtf16(displayName);
  std::string found;
  for (const TSearchEn& engine : engines) {
    if (platform::CompareNoCase(platform::Utf8ToUtf16(engine.Name), wanted) == 0) found = engine.Template;
  }
  return found;
}

void SortEngines(TSearchEns& engines, bool ascending) {
  const size_t n = engines.size();
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j + 1 + i < n; ++j) {
      const int32_t order = CompareText(engines[j].Name, engines[j + 1].Name);
      if (ascending ? order >= 0 : order <= 0) std::swap(engines[j], engines[j + 1]);
    }
  }
}

bool EngineEnabledIn(std::string_view enabledText, std::string_view name) {
  if (name.empty()) return false;
  // From the start of an item to the end of an item: a name that holds a
  // comma spans several items of the text.
  for (size_t start = 0; start <= enabledText.size();) {
    const size_t end = start + name.size();
    if (enabledText.compare(start, name.size(), name) == 0 &&
        (end == enabledText.size() || enabledText[end] == ',')) {
      return true;
    }
    const size_t comma = enabledText.find(',', start);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return false;
}

std::string EnabledEngineText(const TSearchEns& engines) {
  std::string text;
  for (const TSearchEn& engine : engines) {
    if (engine.Enabled) text += engine.Name + ",";
  }
  return text;
}

}  // namespace kestrune
