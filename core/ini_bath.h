// TIniBath: a sequential reader of the system's INI-style text files (engine
// templates, interface-language files, the update description, index
// settings). It walks the lines one at a time and hands each to the caller
// split into a section name, a key and up to 32 comma-separated values, with
// quoting, "$hh" character escapes and ";" comments resolved; the caller
// decides what a section or key means and compares names itself.
//
// Lines are 8-bit text (UTF-8 for the system's own files) and may end with
// CR LF, LF or CR, in files and in memory streams alike; lines of any length
// are accepted.
//
// Calling pattern:
//   TIniBath ini(fileName);          // or TIniBath ini; ini.LoadFromStream(s);
//   ini.SetQuoteMode(true);
//   while (ini.ReadLine())
//     if (ini.ParseLine()) use(ini.Section(), ini.Key(), ini.Values()[1..]);
//
// Raises EInOutError when a file exists but cannot be opened or read, and
// ERangeError from ParseLine for a key line with more than 32 values. One
// object is used by one thread at a time.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/stream.h"
#include "platform/files.h"

namespace kestrune {

class TIniBath {
 public:
  static constexpr int32_t kMaxValues = 32;
  // Values indexed 1..32; index 0 is unused and stays empty.
  using TArrayValue = std::array<std::string, kMaxValues + 1>;

  // Status values.
  static constexpr int32_t kStatusOpened = 0;
  static constexpr int32_t kStatusNoFileName = 1;
  static constexpr int32_t kStatusFileMissing = 2;

  // Open(fileName); an empty name gives Status 1 and no source.
  explicit TIniBath(std::string_view fileName = {});
  explicit TIniBath(std::u16string_view fileName);
  ~TIniBath();
  TIniBath(const TIniBath&) = delete;
  TIniBath& operator=(const TIniBath&) = delete;

  // Closes the current source, then opens the file (UTF-8 or UTF-16 name):
  // Status 1 for an empty name, 2 when the file does not exist, else 0 with
  // Section cleared and SectionCount 0.
  void Open(std::string_view fileName);
  void Open(std::u16string_view fileName);
  // Takes all lines from the stream's position to its end as the source.
  void LoadFromStream(TStream& stream);

  // Fetches the next line into Line(); False at the end of the source (which
  // closes the file or leaves the stream's lines) or when there is none.
  bool ReadLine();
  // Parses Line(): True for a key line (Key and Values set); False for an
  // empty or comment line and for a section header (Section set,
  // SectionCount increased).
  bool ParseLine();

  int32_t Status() const { return status_; }
  const std::string& Line() const { return line_; }
  void SetLine(std::string line) { line_ = std::move(line); }
  const std::string& Section() const { return section_; }
  int32_t SectionCount() const { return sectionCount_; }
  const std::string& Key() const { return key_; }
  const TArrayValue& Values() const { return values_; }
  bool QuoteMode() const { return quoteMode_; }
  void SetQuoteMode(bool on) { quoteMode_ = on; }

 private:
  void CloseSource();
  void OpenResolved(std::u16string_view fileName);
  bool ReadFileLine();
  std::string StripComment(std::string_view text) const;
  std::string NextItem(char separator);

  int32_t status_ = kStatusNoFileName;
  std::string line_;
  std::string section_;
  int32_t sectionCount_ = 0;
  std::string key_;
  TArrayValue values_;
  bool quoteMode_ = false;

  // File source, read through a buffer.
  platform::NativeFile file_;
  std::string buffer_;
  size_t bufferPos_ = 0;
  bool skipLineFeed_ = false;  // the last line ended with CR: a following LF belongs to it
  bool fileEnded_ = false;

  // Stream source.
  bool listMode_ = false;
  std::vector<std::string> lines_;
  size_t nextLine_ = 0;

  // The work copy that parsing consumes, from workPos_ on.
  std::string work_;
  size_t workPos_ = 0;
};

}  // namespace kestrune
