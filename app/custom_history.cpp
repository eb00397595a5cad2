#include "app/custom_history.h"

#include <exception>

#include "core/base.h"
#include "core/log_file.h"
#include "core/unicode_file.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

namespace {

// True when the file begins with the UTF-16 little-endian byte-order mark.
bool BeginsWithMark(std::u16string_view fileName) {
  platform::NativeFile file;
  if (!file.Open(fileName, platform::NativeFile::Access::kRead, false, false)) return false;
  unsigned char mark[2] = {0, 0};
  return file.Read(mark, 2) == 2 && mark[0] == 0xFF && mark[1] == 0xFE;
}

}  // namespace

bool ReadUnicodeLines(std::u16string_view fileName, bool requireMark, std::vector<std::u16string>& lines) {
  // Only a regular file: a folder, a pipe or a device of that name is none.
  if (!platform::RegularFileExists(fileName)) return false;
  if (requireMark && !BeginsWithMark(fileName)) return true;
  try {
    IUnicodeFile file(fileName);
    std::u16string line;
    while (file.ReadLine(line) == 0) {
      // A file with LF line ends holds its lines between the LF units.
      size_t start = 0;
      for (size_t lf = line.find(u'\n'); start <= line.size(); lf = line.find(u'\n', start)) {
        if (lf == std::u16string::npos) lf = line.size();
        if (lf > start) lines.push_back(line.substr(start, lf - start));
        start = lf + 1;
      }
    }
  } catch (const std::exception& error) {
    LogFile.Log("The file " + platform::Utf16ToUtf8(fileName) + " cannot be read: " + error.what(), 1);
    return false;
  }
  return true;
}

int32_t ICustomHistory::Load(std::u16string_view basesFolder, std::u16string_view projectFolder) {
  const std::u16string fileName = AddBackslash(basesFolder) + u"history";
  if (!platform::GetPathInfo(fileName).exists) {
    platform::NativeFile created;
    if (!created.Open(fileName, platform::NativeFile::Access::kWrite, true, false)) return -1;
  }
  std::vector<std::u16string> lines;
  ReadUnicodeLines(fileName, true, lines);
  for (std::u16string& line : lines) items_.push_back(std::move(line));
  if (items_.empty()) items_.push_back(AddBackslash(projectFolder) + u"default.kes");
  currentFile_ = items_.front();
  Changed();
  return -1;
}

int32_t ICustomHistory::Add(std::u16string_view path) {
  // A copy first: the path may be one of the entries removed below.
  const std::u16string added(path);
  currentFile_ = added;
  const std::u16string lower = platform::WideLowerCase(added);
  for (size_t i = items_.size(); i-- > 0;) {
    if (i >= kMaxOlderEntries || platform::WideLowerCase(items_[i]) == lower) {
      items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  items_.insert(items_.begin(), added);
  Changed();
  return -1;
}

void ICustomHistory::MenuItemClick(std::u16string_view path) {
  if (OnMenu) OnMenu(path);
}

std::u16string ICustomHistory::MenuCaption(std::u16string_view path) {
  const size_t separator = path.find_last_of(u"/\\");
  return std::u16string(separator == std::u16string_view::npos ? path : path.substr(separator + 1));
}

void ICustomHistory::Changed() {
  if (OnListChanged) OnListChanged(*this);
}

}  // namespace kestrune
