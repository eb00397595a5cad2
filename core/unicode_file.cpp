#include "core/unicode_file.h"

#include <cstring>

#include "core/errors.h"
#include "platform/text.h"

namespace kestrune {

namespace {
constexpr size_t kReadChunk = 32 * 1024;
constexpr char16_t kByteOrderMark = 0xFEFF;
constexpr char16_t kCarriageReturn = 0x000D;
}  // namespace

IUnicodeFile::IUnicodeFile(std::u16string_view fileName) { Open(fileName); }

IUnicodeFile::~IUnicodeFile() { Close(); }

void IUnicodeFile::Open(std::u16string_view fileName) {
  Close();
  if (!file_.Open(fileName, platform::NativeFile::Access::kRead, false, false)) {
    const int error = file_.LastError();
    throw EInOutError("Cannot open file \"" + platform::Utf16ToUtf8(fileName) + "\": " + std::strerror(error),
                      error);
  }
  buffer_.resize(kReadChunk);
  const size_t markAt = pos_;
  char16_t first = 0;
  if (ReadUnit(first) && first != kByteOrderMark) pos_ = markAt;  // keep the unit as text
}

void IUnicodeFile::Close() {
  file_.Close();
  buffer_.clear();
  pos_ = 0;
  end_ = 0;
  ended_ = false;
}

bool IUnicodeFile::ReadUnit(char16_t& unit) {
  if (end_ - pos_ < 2) {
    if (ended_ || !file_.Valid()) return false;
    // Keep a split unit's first byte and fill the rest of the buffer.
    const size_t kept = end_ - pos_;
    if (kept > 0) std::memmove(buffer_.data(), buffer_.data() + pos_, kept);
    pos_ = 0;
    end_ = kept;
    while (end_ < 2 && !ended_) {
      const int64_t got = file_.Read(buffer_.data() + end_, static_cast<int64_t>(buffer_.size() - end_));
      if (got < 0) {
        const int error = file_.LastError();
        throw EInOutError(std::string("Cannot read file: ") + std::strerror(error), error);
      }
      if (got == 0) ended_ = true;
      end_ += static_cast<size_t>(got);
    }
    if (end_ - pos_ < 2) return false;
  }
  unit = static_cast<char16_t>(buffer_[pos_] | (buffer_[pos_ + 1] << 8));
  pos_ += 2;
  return true;
}

int32_t IUnicodeFile::ReadLine(std::u16string& line) {
  line.clear();
  char16_t unit = 0;
  if (!ReadUnit(unit)) return -1;
  while (unit != kCarriageReturn) {
    line += unit;
    if (!ReadUnit(unit)) return 0;
  }
  ReadUnit(unit);  // whatever follows the CR belongs to the line end
  return 0;
}

}  // namespace kestrune
