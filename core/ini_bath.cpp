#include "core/ini_bath.h"

#include <cstring>

#include "core/errors.h"
#include "platform/text.h"

namespace kestrune {

namespace {

constexpr size_t kReadChunk = 64 * 1024;

// Removes the space character (code 32 only; tabs stay) from both ends.
std::string_view TrimSpaces(std::string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && text[first] == ' ') ++first;
  while (last > first && text[last - 1] == ' ') --last;
  return text.substr(first, last - first);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Splits text into lines ended by CR LF, LF or CR; a line end at the very end
// adds no empty line.
void SplitLines(std::string_view text, std::vector<std::string>& lines) {
  size_t start = 0;
  const size_t n = text.size();
  while (start < n) {
    size_t end = start;
    while (end < n && text[end] != '\r' && text[end] != '\n') ++end;
    lines.emplace_back(text.substr(start, end - start));
    if (end < n && text[end] == '\r' && end + 1 < n && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
}

}  // namespace

TIniBath::TIniBath(std::string_view fileName) { Open(fileName); }

TIniBath::TIniBath(std::u16string_view fileName) { Open(fileName); }

TIniBath::~TIniBath() = default;

void TIniBath::CloseSource() {
  file_.Close();
  buffer_.clear();
  bufferPos_ = 0;
  skipLineFeed_ = false;
  fileEnded_ = false;
  listMode_ = false;
  lines_.clear();
  nextLine_ = 0;
}

void TIniBath::Open(std::string_view fileName) { OpenResolved(platform::Utf8ToUtf16(fileName)); }

void TIniBath::Open(std::u16string_view fileName) { OpenResolved(fileName); }

void TIniBath::OpenResolved(std::u16string_view fileName) {
  CloseSource();
  if (fileName.empty()) {
    status_ = kStatusNoFileName;
    return;
  }
  if (!platform::FileExists(fileName)) {
    status_ = kStatusFileMissing;
    return;
  }
  if (!file_.Open(fileName, platform::NativeFile::Access::kRead, false, false)) {
    const int error = file_.LastError();
    throw EInOutError("Cannot open file \"" + platform::Utf16ToUtf8(fileName) + "\": " + std::strerror(error),
                      error);
  }
  section_.clear();
  sectionCount_ = 0;
  status_ = kStatusOpened;
}

void TIniBath::LoadFromStream(TStream& stream) {
  CloseSource();
  std::string text;
  const int64_t position = stream.Position();
  const int64_t size = stream.Size();
  if (position >= 0 && size > position) {
    text.resize(static_cast<size_t>(size - position));
    const int64_t got = stream.Read(text.data(), static_cast<int64_t>(text.size()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  }
  SplitLines(text, lines_);
  listMode_ = true;
  nextLine_ = 0;
  section_.clear();
  sectionCount_ = 0;
  status_ = kStatusOpened;
}

bool TIniBath::ReadFileLine() {
  line_.clear();
  bool gotAny = false;
  for (;;) {
    if (bufferPos_ >= buffer_.size()) {
      if (fileEnded_) break;
      buffer_.resize(kReadChunk);
      const int64_t got = file_.Read(buffer_.data(), static_cast<int64_t>(buffer_.size()));
      if (got < 0) {
        const int error = file_.LastError();
        CloseSource();
        throw EInOutError(std::string("Cannot read file: ") + std::strerror(error), error);
      }
      buffer_.resize(static_cast<size_t>(got));
      bufferPos_ = 0;
      if (got == 0) {
        fileEnded_ = true;
        break;
      }
    }
    if (skipLineFeed_) {
      skipLineFeed_ = false;
      if (buffer_[bufferPos_] == '\n') {
        ++bufferPos_;
        continue;
      }
    }
    gotAny = true;
    const char* start = buffer_.data() + bufferPos_;
    const size_t available = buffer_.size() - bufferPos_;
    size_t n = 0;
    while (n < available && start[n] != '\r' && start[n] != '\n') ++n;
    line_.append(start, n);
    bufferPos_ += n;
    if (n < available) {
      skipLineFeed_ = start[n] == '\r';
      ++bufferPos_;
      return true;
    }
  }
  return gotAny;
}

bool TIniBath::ReadLine() {
  if (file_.Valid()) {
    if (ReadFileLine()) return true;
    CloseSource();
    return false;
  }
  if (listMode_) {
    if (nextLine_ < lines_.size()) {
      line_ = lines_[nextLine_++];
      return true;
    }
    listMode_ = false;
    lines_.clear();
    nextLine_ = 0;
    return false;
  }
  return false;
}

std::string TIniBath::StripComment(std::string_view text) const {
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ';') return std::string(text.substr(0, i));
    if (quoteMode_ && c == '"') {
      // A pair of quotes protects what lies between; a quote without a
      // partner protects nothing.
      const size_t partner = text.find('"', i + 1);
      i = partner == std::string_view::npos ? i + 1 : partner + 1;
      continue;
    }
    ++i;
  }
  return std::string(text);
}

std::string TIniBath::NextItem(char separator) {
  const size_t n = work_.size();
  if (!quoteMode_) {
    size_t end = work_.find(separator, workPos_);
    std::string_view item;
    if (end == std::string::npos) {
      item = std::string_view(work_).substr(workPos_);
      workPos_ = n;
    } else {
      item = std::string_view(work_).substr(workPos_, end - workPos_);
      workPos_ = end + 1;
    }
    return std::string(TrimSpaces(item));
  }

  std::string item;
  bool inside = false;
  size_t i = workPos_;
  while (i < n) {
    const char c = work_[i];
    if (inside) {
      if (c == '"') {
        if (i + 1 < n && work_[i + 1] == '"') {
          item += '"';
          i += 2;
        } else {
          inside = false;
          ++i;
        }
      } else {
        item += c;
        ++i;
      }
      continue;
    }
    if (c == ' ') {
      ++i;
    } else if (c == '"') {
      inside = true;
      ++i;
    } else if (c == ';') {
      i = n;
    } else if (c == '$') {
      // "$h" or "$hh" gives the character with that code; a "$" without a
      // digit gives the character with code 0. The result is literal text.
      const int first = i + 1 < n ? HexDigit(work_[i + 1]) : -1;
      const int second = first >= 0 && i + 2 < n ? HexDigit(work_[i + 2]) : -1;
      if (second >= 0) {
        item += static_cast<char>(first * 16 + second);
        i += 3;
      } else if (first >= 0) {
        item += static_cast<char>(first);
        i += 2;
      } else {
        item += '\0';
        ++i;
      }
    } else if (c == separator) {
      workPos_ = i + 1;
      return item;
    } else {
      item += c;
      ++i;
    }
  }
  workPos_ = n;
  return item;
}

bool TIniBath::ParseLine() {
  work_ = std::string(TrimSpaces(StripComment(TrimSpaces(line_))));
  workPos_ = 0;
  if (work_.empty()) return false;
  key_.clear();
  for (std::string& value : values_) value.clear();
  if (work_[0] == '[') {
    const size_t close = work_.find(']');
    if (close != std::string::npos) {
      section_ = work_.substr(1, close - 1);
      ++sectionCount_;
    }
    return false;
  }
  key_ = NextItem('=');
  int32_t index = 1;
  while (workPos_ < work_.size()) {
    if (index > kMaxValues) {
      throw ERangeError("More than " + std::to_string(kMaxValues) + " values for key \"" + key_ + "\"");
    }
    values_[index++] = NextItem(',');
  }
  return true;
}

}  // namespace kestrune
