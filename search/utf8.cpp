#include "search/utf8.h"

#include <cstdint>
#include <cstring>

namespace kestrune {

namespace {

// Eight bytes (or four units) at once while they are all ASCII.
constexpr uint64_t kHighBytes = 0x8080808080808080ull;
constexpr uint64_t kHighUnits = 0xFF80FF80FF80FF80ull;

}  // namespace

std::string WideToUtf8(std::u16string_view source) {
  std::string out(source.size() * 3, '\0');
  char* p = out.data();
  const char16_t* s = source.data();
  const char16_t* end = s + source.size();
  while (s < end) {
    if (end - s >= 4) {
      uint64_t four;
      std::memcpy(&four, s, 8);
      if ((four & kHighUnits) == 0) {
        p[0] = static_cast<char>(s[0]);
        p[1] = static_cast<char>(s[1]);
        p[2] = static_cast<char>(s[2]);
        p[3] = static_cast<char>(s[3]);
        p += 4;
        s += 4;
        continue;
      }
    }
    const uint32_t c = *s++;
    if (c < 0x80) {
      *p++ = static_cast<char>(c);
    } else if (c < 0x800) {
      p[0] = static_cast<char>(0xC0 | (c >> 6));
      p[1] = static_cast<char>(0x80 | (c & 0x3F));
      p += 2;
    } else {
      p[0] = static_cast<char>(0xE0 | (c >> 12));
      p[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      p[2] = static_cast<char>(0x80 | (c & 0x3F));
      p += 3;
    }
  }
  out.resize(static_cast<size_t>(p - out.data()));
  return out;
}

bool Utf8ToWide(std::string_view source, std::u16string& result) {
  result.clear();
  if (source.empty()) return false;
  // No sequence gives more units than bytes: one allocation, one cut.
  result.resize(source.size());
  char16_t* out = result.data();
  const auto* s = reinterpret_cast<const uint8_t*>(source.data());
  const uint8_t* end = s + source.size();
  while (s < end) {
    if (end - s >= 8) {
      uint64_t eight;
      std::memcpy(&eight, s, 8);
      if ((eight & kHighBytes) == 0) {
        for (int i = 0; i < 8; ++i) out[i] = s[i];
        out += 8;
        s += 8;
        continue;
      }
    }
    const uint32_t b = *s;
    if (b < 0x80) {
      *out++ = static_cast<char16_t>(b);
      ++s;
    } else if (b < 0xE0) {
      if (end - s < 2 || (s[1] & 0x80) == 0) break;
      *out++ = static_cast<char16_t>(((b & 0x3F) << 6) | (s[1] & 0x7F));
      s += 2;
    } else if (b < 0xF0) {
      if (end - s < 3 || (s[1] & 0x80) == 0 || (s[2] & 0x80) == 0) break;
      *out++ = static_cast<char16_t>(((b & 0x1F) << 12) | ((s[1] & 0x7Fu) << 6) | (s[2] & 0x7F));
      s += 3;
    } else {
      break;
    }
  }
  if (s != end) {
    result.clear();
    return false;
  }
  result.resize(static_cast<size_t>(out - result.data()));
  return true;
}

}  // namespace kestrune
