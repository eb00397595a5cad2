#include "app/history_settings.h"

#include <cctype>
#include <exception>

#include "core/errors.h"
#include "core/frame.h"
#include "core/ini_bath.h"
#include "core/log_file.h"
#include "core/stream.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

bool ReadHistorySettings(std::u16string_view fileName, THistorySettings& settings) {
  settings = THistorySettings();
  if (!platform::RegularFileExists(fileName)) return false;
  try {
    TIniBath ini(fileName);
    if (ini.Status() != TIniBath::kStatusOpened) return false;
    ini.SetQuoteMode(true);
    bool mapPhrasesRead = false;
    bool pathRead = false;
    while (ini.ReadLine()) {
      try {
        if (!ini.ParseLine()) continue;
      } catch (const ERangeError&) {
        continue;  // more than 32 values: no line of ours
      }
      const std::string& section = ini.Section();
      if (SameName(section, "Other")) {
        if (SameName(ini.Key(), "MapPhrases") && !mapPhrasesRead) {
          settings.MapPhrases = ini.Values()[1] == "true";
          mapPhrasesRead = true;
        }
      } else if (SameName(section, "Indexes")) {
        if (!ini.Key().empty()) settings.IndexNames.push_back(platform::Utf8ToUtf16(ini.Key()));
      } else if (SameName(section, "MAIN")) {
        if (SameName(ini.Key(), "Path") && !pathRead) {
          settings.MainPath = platform::Utf8ToUtf16(ini.Values()[1]);
          pathRead = true;
        }
      }
    }
  } catch (const std::exception& error) {
    LogFile.Log("The history file " + platform::Utf16ToUtf8(fileName) + " cannot be read: " + error.what(), 1);
    return false;
  }
  return true;
}

std::string QuoteIniValue(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

bool TIniText::Load(std::u16string_view fileName) {
  lines_.clear();
  lineEnd_ = "\n";
  if (!platform::RegularFileExists(fileName)) return false;
  std::string bytes;
  {
    platform::NativeFile file;
    if (!file.Open(fileName, platform::NativeFile::Access::kRead, false, false)) return false;
    char buffer[16384];
    int64_t got = 0;
    while ((got = file.Read(buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<size_t>(got));
    if (got < 0) return false;
  }
  const size_t firstBreak = bytes.find_first_of("\r\n");
  if (firstBreak != std::string::npos && bytes[firstBreak] == '\r') {
    lineEnd_ = firstBreak + 1 < bytes.size() && bytes[firstBreak + 1] == '\n' ? "\r\n" : "\r";
  }
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines_.push_back(bytes.substr(start));
      break;
    }
    lines_.push_back(bytes.substr(start, end - start));
    start = end + 1;
    if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
  }
  return true;
}

int32_t TIniText::Classify(std::string_view line, std::string& name) {
  // The reader's own parse, so that the writer finds the lines the reader
  // reads.
  TIniBath parser;
  parser.SetQuoteMode(true);
  parser.SetLine(std::string(line));
  try {
    if (parser.ParseLine()) {
      name = parser.Key();
      return kKeyLine;
    }
  } catch (const ERangeError&) {
    return kOtherLine;  // more than 32 values: the reader skips it
  }
  if (parser.SectionCount() == 0) return kOtherLine;
  name = parser.Section();
  return kSectionLine;
}

void TIniText::WriteValue(std::string_view section, std::string_view key, std::string_view value, bool exactKey) {
  const std::string line = std::string(key) + "=" + std::string(value);
  // The key as the reader will see it.
  std::string wanted;
  Classify(line, wanted);
  std::string name;
  size_t sectionAt = lines_.size();
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (Classify(lines_[i], name) == kSectionLine && SameName(name, section)) {
      sectionAt = i;
      break;
    }
  }
  if (sectionAt == lines_.size()) {
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(line);
    return;
  }
  // The section runs to the next header; a new key goes after its last
  // non-empty line.
  size_t insertAt = sectionAt + 1;
  for (size_t i = sectionAt + 1; i < lines_.size(); ++i) {
    const int32_t kind = Classify(lines_[i], name);
    if (kind == kSectionLine) break;
    if (kind == kKeyLine && (exactKey ? name == wanted : SameName(name, wanted))) {
      lines_[i] = line;
      return;
    }
    if (!Trimmed(lines_[i]).empty()) insertAt = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), line);
}

void TIniText::EraseSection(std::string_view section) {
  std::vector<std::string> kept;
  bool erasing = false;
  std::string name;
  for (std::string& line : lines_) {
    if (Classify(line, name) == kSectionLine) erasing = SameName(name, section);
    if (!erasing) kept.push_back(std::move(line));
  }
  lines_ = std::move(kept);
}

int32_t TIniText::Save(std::u16string_view fileName) const {
  return SaveFileAtomically(fileName, -1, [&](TStream& out) -> int32_t {
    std::string text;
    for (const std::string& line : lines_) text += line + lineEnd_;
    return out.Write(text.data(), static_cast<int64_t>(text.size())) == static_cast<int64_t>(text.size()) ? 0 : -1;
  });
}

}  // namespace kestrune
