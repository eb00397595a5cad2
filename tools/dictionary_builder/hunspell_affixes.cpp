#include "tools/dictionary_builder/hunspell_affixes.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/text.h"

namespace kestrune {

bool HasFlag(const THunspellFlags& flags, THunspellFlag flag) {
  return flag != 0 && std::binary_search(flags.begin(), flags.end(), flag);
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

// ---- conditions ----

bool THunspellCondition::TElement::Matches(char16_t c) const {
  if (Any) return true;
  const bool in = Chars.find(c) != std::u16string::npos;
  return Negated ? !in : in;
}

THunspellCondition THunspellCondition::Parse(std::u16string_view text) {
  THunspellCondition condition;
  if (text == u".") return condition;
  size_t i = 0;
  while (i < text.size()) {
    TElement element;
    if (text[i] == u'[') {
      ++i;
      if (i < text.size() && text[i] == u'^') {
        element.Negated = true;
        ++i;
      }
      while (i < text.size() && text[i] != u']') element.Chars.push_back(text[i++]);
      ++i;  // the ']' (an unclosed set ends with the text)
    } else if (text[i] == u'.') {
      element.Any = true;
      ++i;
    } else {
      element.Chars.push_back(text[i++]);
    }
    condition.elements_.push_back(std::move(element));
  }
  return condition;
}

bool THunspellCondition::MatchesEnd(std::u16string_view word) const {
  if (word.size() < elements_.size()) return false;
  const size_t start = word.size() - elements_.size();
  for (size_t k = 0; k < elements_.size(); ++k) {
    if (!elements_[k].Matches(word[start + k])) return false;
  }
  return true;
}

bool THunspellCondition::MatchesStart(std::u16string_view word) const {
  if (word.size() < elements_.size()) return false;
  for (size_t k = 0; k < elements_.size(); ++k) {
    if (!elements_[k].Matches(word[k])) return false;
  }
  return true;
}

bool THunspellAffix::Apply(std::u16string_view word, bool fullStrip, std::u16string& out) const {
  if (word.size() < Strip.size() || (word.size() == Strip.size() && !fullStrip)) return false;
  if (Prefix) {
    if (word.substr(0, Strip.size()) != Strip || !Condition.MatchesStart(word)) return false;
    out.assign(Append);
    out.append(word.substr(Strip.size()));
  } else {
    if (word.substr(word.size() - Strip.size()) != Strip || !Condition.MatchesEnd(word)) return false;
    out.assign(word.substr(0, word.size() - Strip.size()));
    out.append(Append);
  }
  return true;
}

// ---- the file ----

namespace {

// Hunspell's encoding names to ICU's.
std::string ConverterName(const std::string& encoding) {
  std::string upper;
  for (char c : encoding) upper.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
  if (upper.rfind("ISO8859-", 0) == 0) return "ISO-8859-" + upper.substr(8);
  if (upper == "MICROSOFT-CP1251") return "windows-1251";
  if (upper == "TIS620-2533") return "TIS-620";
  if (upper == "ISCII-DEVANAGARI") return "x-iscii-de";
  return encoding;
}

std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool ParseCount(std::string_view text, int32_t& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value >= 0;
}

}  // namespace

std::u16string THunspellAffixes::Decode(std::string_view bytes) const {
  if (bytes.empty()) return {};
  const std::string name = ConverterName(encoding_);
  if (name == "UTF-8") return platform::Utf8ToUtf16(bytes);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, void (*)(UConverter*)> conv(ucnv_open(name.c_str(), &status), ucnv_close);
  if (U_FAILURE(status)) return {};
  std::u16string out(bytes.size() * 2 + 2, u'\0');
  status = U_ZERO_ERROR;
  const int32_t n = ucnv_toUChars(conv.get(), reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                                  bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return {};
  out.resize(static_cast<size_t>(n));
  return out;
}

std::u16string THunspellAffixes::RemoveIgnored(std::u16string text) const {
  if (ignore_.empty()) return text;
  std::erase_if(text, [&](char16_t c) { return ignore_.find(c) != std::u16string::npos; });
  return text;
}

THunspellFlags THunspellAffixes::ParseFlagText(std::string_view raw) const {
  THunspellFlags flags;
  switch (flagType_) {
    case THunspellFlagType::Char:
      for (char c : raw) flags.push_back(static_cast<uint8_t>(c));
      break;
    case THunspellFlagType::Long:
      for (size_t i = 0; i + 1 < raw.size(); i += 2) {
        flags.push_back(static_cast<THunspellFlag>((static_cast<uint8_t>(raw[i]) << 8) | static_cast<uint8_t>(raw[i + 1])));
      }
      if (raw.size() % 2) flags.push_back(static_cast<THunspellFlag>(static_cast<uint8_t>(raw.back()) << 8));
      break;
    case THunspellFlagType::Num: {
      size_t i = 0;
      while (i < raw.size()) {
        size_t end = raw.find(',', i);
        if (end == std::string_view::npos) end = raw.size();
        int32_t value = 0;
        if (ParseCount(raw.substr(i, end - i), value) && value > 0 && value < 65536) {
          flags.push_back(static_cast<THunspellFlag>(value));
        }
        i = end + 1;
      }
      break;
    }
    case THunspellFlagType::Utf8:
      for (char16_t c : platform::Utf8ToUtf16(raw)) flags.push_back(c);
      break;
  }
  std::sort(flags.begin(), flags.end());
  flags.erase(std::unique(flags.begin(), flags.end()), flags.end());
  std::erase(flags, THunspellFlag{0});
  return flags;
}

THunspellFlag THunspellAffixes::ParseOneFlag(std::string_view raw) const {
  switch (flagType_) {
    case THunspellFlagType::Char:
      return raw.empty() ? 0 : static_cast<uint8_t>(raw[0]);
    case THunspellFlagType::Long:
      if (raw.size() < 2) return raw.empty() ? 0 : static_cast<THunspellFlag>(static_cast<uint8_t>(raw[0]) << 8);
      return static_cast<THunspellFlag>((static_cast<uint8_t>(raw[0]) << 8) | static_cast<uint8_t>(raw[1]));
    case THunspellFlagType::Num: {
      int32_t value = 0;
      return ParseCount(raw, value) && value < 65536 ? static_cast<THunspellFlag>(value) : 0;
    }
    case THunspellFlagType::Utf8: {
      const std::u16string text = platform::Utf8ToUtf16(raw);
      return text.empty() ? 0 : text[0];
    }
  }
  return 0;
}

THunspellFlags THunspellAffixes::ParseFlags(std::string_view raw) const {
  if (!flagAliases_.empty()) {
    int32_t index = 0;
    if (ParseCount(raw, index) && index >= 1 && static_cast<size_t>(index) <= flagAliases_.size()) {
      return flagAliases_[static_cast<size_t>(index) - 1];
    }
    return {};
  }
  return ParseFlagText(raw);
}

std::u16string THunspellAffixes::ResolveMorphology(std::string_view raw) const {
  if (!morphologyAliases_.empty()) {
    int32_t index = 0;
    if (ParseCount(raw, index) && index >= 1 && static_cast<size_t>(index) <= morphologyAliases_.size()) {
      return morphologyAliases_[static_cast<size_t>(index) - 1];
    }
  }
  return Decode(raw);
}

int32_t THunspellAffixes::LoadFromFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error_ = "cannot read " + path;
    return -1;
  }
  std::ostringstream bytes;
  bytes << in.rdbuf();
  const int32_t result = LoadFromBytes(bytes.str());
  if (result != 0) error_ = path + ": " + error_;
  return result;
}

bool THunspellAffixes::ReadTable(const std::vector<std::string_view>& header, bool prefix, size_t& line,
                                 const std::vector<std::string_view>& lines) {
  int32_t count = 0;
  if (header.size() < 4 || !ParseCount(header[3], count)) {
    error_ = "line " + std::to_string(line + 1) + ": a malformed affix table header";
    return false;
  }
  const THunspellFlag flag = ParseOneFlag(header[1]);
  const bool cross = header[2] == "Y";
  int32_t read = 0;
  while (read < count && line + 1 < lines.size()) {
    ++line;
    const std::vector<std::string_view> fields = SplitFields(lines[line]);
    if (fields.empty() || fields[0][0] == '#') continue;
    if (fields[0] != header[0] || fields.size() < 4) {
      error_ = "line " + std::to_string(line + 1) + ": a malformed affix entry";
      return false;
    }
    ++read;
    THunspellAffix affix;
    affix.Prefix = prefix;
    affix.Flag = flag;
    affix.CrossProduct = cross;
    if (fields[2] != "0") affix.Strip = RemoveIgnored(Decode(fields[2]));
    std::string_view append = fields[3];
    const size_t slash = append.find('/');
    if (slash != std::string_view::npos) {
      affix.Continuation = ParseFlags(append.substr(slash + 1));
      append = append.substr(0, slash);
    }
    if (append != "0") affix.Append = RemoveIgnored(Decode(append));
    affix.Condition = THunspellCondition::Parse(fields.size() > 4 ? Decode(fields[4]) : u".");
    for (size_t k = 5; k < fields.size(); ++k) {
      if (!affix.Morphology.empty()) affix.Morphology.push_back(u' ');
      affix.Morphology += ResolveMorphology(fields[k]);
    }
    const int32_t index = static_cast<int32_t>(affixes_.size());
    (prefix ? prefixesByFlag_ : suffixesByFlag_)[flag].push_back(index);
    affixes_.push_back(std::move(affix));
  }
  return true;
}

int32_t THunspellAffixes::LoadFromBytes(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  const std::vector<std::string_view> lines = SplitLines(bytes);
  for (size_t line = 0; line < lines.size(); ++line) {
    const std::vector<std::string_view> fields = SplitFields(lines[line]);
    if (fields.empty() || fields[0][0] == '#') continue;
    const std::string_view key = fields[0];
    const std::string_view value = fields.size() > 1 ? fields[1] : std::string_view();
    if (key == "SET" && !value.empty()) {
      encoding_ = std::string(value);
      const std::string name = ConverterName(encoding_);
      UErrorCode status = U_ZERO_ERROR;
      UConverter* conv = ucnv_open(name.c_str(), &status);
      if (U_FAILURE(status)) {
        error_ = "unknown encoding " + encoding_;
        return -2;
      }
      ucnv_close(conv);
    } else if (key == "FLAG") {
      if (value == "long") flagType_ = THunspellFlagType::Long;
      else if (value == "num") flagType_ = THunspellFlagType::Num;
      else if (value == "UTF-8") flagType_ = THunspellFlagType::Utf8;
    } else if (key == "AF" || key == "AM") {
      // The first AF (AM) line gives the count; each further one an alias.
      int32_t count = 0;
      const bool flags = key == "AF";
      if ((flags ? flagAliases_.empty() : morphologyAliases_.empty()) && ParseCount(value, count)) {
        int32_t read = 0;
        while (read < count && line + 1 < lines.size()) {
          ++line;
          const std::vector<std::string_view> entry = SplitFields(lines[line]);
          if (entry.empty() || entry[0][0] == '#') continue;
          ++read;
          if (flags) {
            flagAliases_.push_back(entry.size() > 1 ? ParseFlagText(entry[1]) : THunspellFlags());
          } else {
            std::u16string morphology;
            for (size_t k = 1; k < entry.size(); ++k) {
              if (!morphology.empty()) morphology.push_back(u' ');
              morphology += Decode(entry[k]);
            }
            morphologyAliases_.push_back(std::move(morphology));
          }
        }
      }
    } else if (key == "PFX" || key == "SFX") {
      if (!ReadTable(fields, key == "PFX", line, lines)) return -2;
    } else if (key == "NEEDAFFIX" || key == "PSEUDOROOT") {
      needAffix_ = ParseOneFlag(value);
    } else if (key == "FORBIDDENWORD") {
      forbiddenWord_ = ParseOneFlag(value);
    } else if (key == "ONLYINCOMPOUND") {
      onlyInCompound_ = ParseOneFlag(value);
    } else if (key == "CIRCUMFIX") {
      circumfix_ = ParseOneFlag(value);
    } else if (key == "FULLSTRIP") {
      fullStrip_ = true;
    } else if (key == "IGNORE") {
      ignore_ = Decode(value);
    }
  }
  return 0;
}

}  // namespace kestrune
