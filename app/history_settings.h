// The settings of a history file (".kes", the current file of the history
// control): an INI-style UTF-8 text file of the index base.
//
//   [MAIN]     Path="<the history file's folder, ending in />"
//   [Indexes]  "<index name, UTF-8>"=<the index entry's number>
//   [Other]    MapPhrases=true | false
//
// The reader is TIniBath in quoted-value mode; section and key names match in
// any letter case, the MapPhrases value only as exactly "true"; of a key that
// stands twice the first counts, as in every INI reader of the platform. The
// writer (TIniText) keeps every other section and line of the file as it
// stands, replaces a key's first line in place, and writes the file whole
// through a temporary file, so a failed write leaves the old file. It finds
// sections and keys with the reader's own parse of each line, so what it
// writes is what the reader reads. Values and keys it writes are quoted for
// the reader: a double quote inside is doubled.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

struct THistorySettings {
  bool MapPhrases = false;
  // The keys of [Indexes], decoded from UTF-8, in file order.
  std::vector<std::u16string> IndexNames;
  // MAIN/Path as written; empty when absent.
  std::u16string MainPath;
};

// Reads the settings of a history file; false (and defaults) when the file
// is missing or cannot be read.
bool ReadHistorySettings(std::u16string_view fileName, THistorySettings& settings);

// Quotes a value for the quoted-value reader: "text" with inner quotes
// doubled.
std::string QuoteIniValue(std::string_view text);

// The lines of an INI file, kept as they are except where a value is written
// or a section erased.
class TIniText {
 public:
  // Reads the file's lines (LF, CR LF or CR ends a line); false when it is
  // missing or cannot be read, which leaves no lines.
  bool Load(std::u16string_view fileName);
  // Replaces the first line of the key in the first section of that name
  // (names in any letter case; the key exactly when exactKey, as a file name
  // must be), or appends the line at the end of that section, or the section
  // with the line at the end of the text. The line is key + "=" + value,
  // written as given.
  void WriteValue(std::string_view section, std::string_view key, std::string_view value, bool exactKey = false);
  // Removes every section of that name with all its lines.
  void EraseSection(std::string_view section);
  // Writes the lines atomically (a temporary file renamed over the target),
  // each ended by the file's own line end (LF for a new file). 0, or -1 with
  // the old file as it was.
  int32_t Save(std::u16string_view fileName) const;

  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  static constexpr int32_t kOtherLine = 0;
  static constexpr int32_t kSectionLine = 1;
  static constexpr int32_t kKeyLine = 2;
  // What the reader makes of a line: a section (its name), a key (the key,
  // unquoted), or anything else.
  static int32_t Classify(std::string_view line, std::string& name);

  std::vector<std::string> lines_;
  std::string lineEnd_ = "\n";
};

}  // namespace kestrune
