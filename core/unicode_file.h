// IUnicodeFile: reads a UTF-16LE text file line by line (the history of
// opened projects is kept in such a file). The system writes these files with
// the byte-order mark FEFF and ends every line with CR LF.
//
// The file is opened for reading only and closed by Close or the destructor.
// A leading FEFF unit is skipped; a file that begins with any other unit keeps
// it as text. Lines end at CR; the unit after a CR is dropped (the LF of
// CR LF), and a lone LF is an ordinary character of the line. A trailing odd
// byte is not a unit and is ignored.
//
// Open raises EInOutError when the file cannot be opened, ReadLine when it
// cannot be read. One object is used by one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace kestrune {

class IUnicodeFile {
 public:
  explicit IUnicodeFile(std::u16string_view fileName);
  ~IUnicodeFile();
  IUnicodeFile(const IUnicodeFile&) = delete;
  IUnicodeFile& operator=(const IUnicodeFile&) = delete;

  void Open(std::u16string_view fileName);
  // The next line and 0; an empty line and -1 at the end of the file (or
  // when no file is open).
  int32_t ReadLine(std::u16string& line);
  void Close();

 private:
  bool ReadUnit(char16_t& unit);

  platform::NativeFile file_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool ended_ = false;
};

}  // namespace kestrune
