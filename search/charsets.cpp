#include "search/charsets.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucsdet.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace kestrune {

namespace {

struct TCharsetEntry {
  const char* Name;   // ICU name
  uint32_t CodePage;  // Windows code page
};

// The code table: the index is the code. Append only; 67 and 68 stay free.
constexpr TCharsetEntry kCharsets[] = {
    {"UTF-16LE", 1200},      {"windows-1252", 1252},   {"UTF-8", 65001},       {"windows-1251", 1251},
    {"KOI8-R", 20866},       {"IBM866", 866},          {"ISO-8859-5", 28595},  {"x-mac-cyrillic", 10007},
    {"windows-1250", 1250},  {"windows-1253", 1253},   {"windows-1254", 1254}, {"windows-1255", 1255},
    {"windows-1256", 1256},  {"windows-1257", 1257},   {"windows-1258", 1258}, {"KOI8-U", 21866},
    {"ISO-8859-2", 28592},   {"ISO-8859-3", 28593},    {"ISO-8859-4", 28594},  {"ISO-8859-6", 28596},
    {"ISO-8859-7", 28597},   {"ISO-8859-8", 28598},    {"ISO-8859-9", 28599},  {"ISO-8859-13", 28603},
    {"ISO-8859-15", 28605},  {"windows-874", 874},     {"Shift_JIS", 932},     {"EUC-JP", 20932},
    {"ISO-2022-JP", 50220},  {"GBK", 936},             {"GB18030", 54936},     {"Big5", 950},
    {"windows-949", 949},    {"UTF-16BE", 1201},       {"macintosh", 10000},   {"IBM437", 437},
    {"IBM850", 850},         {"ISO-2022-KR", 50225},
};
constexpr int32_t kCharsetCount = static_cast<int32_t>(std::size(kCharsets));
static_assert(kCharsetCount < 67, "codes 67 and 68 are never given out");

constexpr uint8_t kCharsetGbk = 29;
constexpr uint8_t kCharsetWindows949 = 32;
constexpr uint8_t kCharsetUtf16Be = 33;

constexpr int32_t kDeclarationBytes = 4096;
constexpr int32_t kDetectorBytes = 65536;

int32_t Clamp(int32_t length) { return length > 0 ? length : 0; }

// ICU's canonical converter name for a name or alias; null when unknown. An
// "x-" prefix ICU does not list is tried without it.
const char* CanonicalName(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  const char* canonical = ucnv_getAlias(name, 0, &status);
  if ((canonical == nullptr || U_FAILURE(status)) && (name[0] == 'x' || name[0] == 'X') && name[1] == '-') {
    status = U_ZERO_ERROR;
    canonical = ucnv_getAlias(name + 2, 0, &status);
  }
  return U_FAILURE(status) ? nullptr : canonical;
}

struct TCanonicalTable {
  std::array<const char*, kCharsetCount> Names{};
  const char* Latin1 = nullptr;
  const char* Ascii = nullptr;
  const char* Gb2312 = nullptr;
  const char* EucKr = nullptr;
  std::vector<const char*> Utf16;  // the UTF-16 and UTF-32 family without a code of their own
  TCanonicalTable() {
    for (int32_t i = 0; i < kCharsetCount; ++i) Names[static_cast<size_t>(i)] = CanonicalName(kCharsets[i].Name);
    Latin1 = CanonicalName("ISO-8859-1");
    Ascii = CanonicalName("US-ASCII");
    Gb2312 = CanonicalName("GB2312");
    EucKr = CanonicalName("EUC-KR");
    for (const char* name : {"UTF-16", "UTF-32", "UTF-32LE", "UTF-32BE"}) Utf16.push_back(CanonicalName(name));
  }
};

const TCanonicalTable& Canonicals() {
  static const TCanonicalTable table;
  return table;
}

bool SameName(const char* a, const char* b) { return a != nullptr && b != nullptr && std::strcmp(a, b) == 0; }

// The code of a charset name, or -1. `inPage`: a name found in 8-bit page
// text, where a UTF-16 or UTF-32 declaration means UTF-8.
int32_t CodeOfName(std::string_view name, bool inPage) {
  // Trim blanks and quotes; ICU names are short.
  while (!name.empty() && (name.front() == ' ' || name.front() == '"' || name.front() == '\'')) name.remove_prefix(1);
  while (!name.empty() && (name.back() == ' ' || name.back() == '"' || name.back() == '\'')) name.remove_suffix(1);
  if (name.empty() || name.size() > UCNV_MAX_CONVERTER_NAME_LENGTH - 1) return -1;
  const std::string zero(name);
  const char* canonical = CanonicalName(zero.c_str());
  if (canonical == nullptr) return -1;
  const TCanonicalTable& table = Canonicals();
  if (SameName(canonical, table.Latin1) || SameName(canonical, table.Ascii)) return kCharsetWindows1252;
  if (SameName(canonical, table.Gb2312)) return kCharsetGbk;
  if (SameName(canonical, table.EucKr)) return kCharsetWindows949;
  const bool utf16 = std::any_of(table.Utf16.begin(), table.Utf16.end(), [&](const char* n) { return SameName(canonical, n); });
  if (inPage && (utf16 || SameName(canonical, table.Names[kCharsetUtf16]) || SameName(canonical, table.Names[kCharsetUtf16Be]))) {
    return kCharsetUtf8;
  }
  if (utf16) return kCharsetUtf16;
  for (int32_t i = 0; i < kCharsetCount; ++i) {
    if (SameName(canonical, table.Names[static_cast<size_t>(i)])) return i;
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Byte-order marks and declarations

int32_t ByteOrderMark(const uint8_t* s, int32_t n) {
  if (n >= 3 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF) return kCharsetUtf8;
  if (n >= 2 && s[0] == 0xFF && s[1] == 0xFE) return kCharsetUtf16;
  if (n >= 2 && s[0] == 0xFE && s[1] == 0xFF) return kCharsetUtf16Be;
  return -1;
}

char LowerAscii(uint8_t c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); }

bool NameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':' ||
         c == '(' || c == ')';
}

// Every value after `key` (blanks, "=", blanks, an optional quote) in `text`
// from `from` up to `to`, tried in order; the first name with a code wins.
int32_t CodeAfterKey(const std::string& text, std::string_view key, size_t from, size_t to, bool inPage) {
  size_t at = from;
  while ((at = text.find(key, at)) != std::string::npos && at < to) {
    size_t p = at + key.size();
    at = p;
    while (p < to && text[p] == ' ') ++p;
    if (p >= to || text[p] != '=') continue;
    ++p;
    while (p < to && text[p] == ' ') ++p;
    if (p < to && (text[p] == '"' || text[p] == '\'')) ++p;
    const size_t start = p;
    while (p < to && NameChar(text[p])) ++p;
    const int32_t code = CodeOfName(std::string_view(text).substr(start, p - start), inPage);
    if (code >= 0) return code;
  }
  return -1;
}

// A charset named in the first 4 KB: an XML declaration's encoding, then the
// "charset=" of a meta tag (meta charset, http-equiv content type). The
// charset of a script or a link names that other file, and "charset=" in the
// text declares nothing.
int32_t DeclaredCharset(const uint8_t* s, int32_t n) {
  const int32_t count = std::min(n, kDeclarationBytes);
  std::string head(static_cast<size_t>(count), '\0');
  for (int32_t i = 0; i < count; ++i) head[static_cast<size_t>(i)] = LowerAscii(s[i]);
  const size_t xml = head.find("<?xml");
  if (xml != std::string::npos) {
    size_t end = head.find("?>", xml);
    if (end == std::string::npos) end = head.size();
    const int32_t code = CodeAfterKey(head, "encoding", xml, end, true);
    if (code >= 0) return code;
  }
  for (size_t meta = head.find("<meta"); meta != std::string::npos; meta = head.find("<meta", meta + 5)) {
    const char after = meta + 5 < head.size() ? head[meta + 5] : '>';
    if (after != ' ' && after != '\t' && after != '\r' && after != '\n' && after != '/') continue;
    size_t end = head.find('>', meta);
    if (end == std::string::npos) end = head.size();
    const int32_t code = CodeAfterKey(head, "charset", meta, end, true);
    if (code >= 0) return code;
  }
  return -1;
}

int32_t MarkOrDeclaration(const uint8_t* s, int32_t n) {
  const int32_t bom = ByteOrderMark(s, n);
  return bom >= 0 ? bom : DeclaredCharset(s, n);
}

// Valid UTF-8 with at least one multi-byte sequence; a sequence cut by the
// end of the text (a truncated download) does not spoil it.
bool ValidMultiByteUtf8(const uint8_t* s, int32_t n) {
  bool multi = false;
  int32_t i = 0;
  while (i < n) {
    const uint8_t b = s[i];
    if (b < 0x80) {
      ++i;
      continue;
    }
    int32_t extra;
    uint8_t low = 0x80, high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      extra = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    for (int32_t k = 1; k <= extra; ++k) {
      if (i + k >= n) return multi;
      const uint8_t c = s[i + k];
      if (k == 1 ? (c < low || c > high) : (c & 0xC0) != 0x80) return false;
    }
    multi = true;
    i += extra + 1;
  }
  return multi;
}

// ICU's detector over the first 64 KB: the first candidate the table holds.
int32_t DetectorCharset(const uint8_t* s, int32_t n) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> detector(ucsdet_open(&status), &ucsdet_close);
  if (U_FAILURE(status)) return -1;
  ucsdet_setText(detector.get(), reinterpret_cast<const char*>(s), std::min(n, kDetectorBytes), &status);
  int32_t found = 0;
  const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &found, &status);
  if (U_FAILURE(status) || matches == nullptr) return -1;
  for (int32_t i = 0; i < found; ++i) {
    UErrorCode nameStatus = U_ZERO_ERROR;
    const char* name = ucsdet_getName(matches[i], &nameStatus);
    if (U_FAILURE(nameStatus) || name == nullptr) continue;
    // Without a byte-order mark the text is 8-bit: UTF-16 and UTF-32 guesses
    // are ignored.
    if (std::strncmp(name, "UTF-16", 6) == 0 || std::strncmp(name, "UTF-32", 6) == 0) continue;
    const int32_t code = CodeOfName(name, false);
    if (code >= 0) return code;
  }
  return -1;
}

// ---------------------------------------------------------------------------
// The Russian letter statistic

// Letter frequencies of Russian text, per mille, for а..я; ё apart.
constexpr int16_t kRussianFrequency[32] = {80, 16, 45, 17, 30, 85, 9, 17, 74, 12, 35, 44, 32, 67, 110, 28,
                                           47, 55, 63, 26, 3,  10, 5, 14, 7,  4,  1,  19, 17, 3,  6,   20};
constexpr int16_t kYoFrequency = 1;

constexpr uint8_t kRussianCandidates[] = {kCharsetWindows1251, kCharsetKoi8R, kCharsetIbm866, kCharsetIso88595};

// A capital right after a small letter: rare in Russian, the mark of a
// wrong charset (UTF-8 read byte by byte gives small-capital pairs).
constexpr int16_t kCapitalInWordPenalty = 60;

enum TLetterKind : uint8_t { kNoLetter = 0, kSmall = 1, kCapital = 2 };

struct TRussianTable {
  std::array<int16_t, 128> Weight{};  // by byte - 0x80
  std::array<uint8_t, 128> Kind{};    // TLetterKind
};

int16_t LetterWeight(char16_t c, TLetterKind& kind) {
  kind = kSmall;
  if (c >= 0x0430 && c <= 0x044F) return kRussianFrequency[c - 0x0430];
  if (c == 0x0451) return kYoFrequency;
  kind = kCapital;
  if (c >= 0x0410 && c <= 0x042F) return static_cast<int16_t>(kRussianFrequency[c - 0x0410] / 4);
  if (c == 0x0401) return 0;
  kind = kNoLetter;
  return 0;
}

// The tables of the four candidates, in the order of kRussianCandidates.
const std::array<TRussianTable, 4>& RussianTables() {
  static const std::array<TRussianTable, 4> tables = [] {
    std::array<TRussianTable, 4> out{};
    char bytes[128];
    for (int i = 0; i < 128; ++i) bytes[i] = static_cast<char>(0x80 + i);
    for (size_t t = 0; t < out.size(); ++t) {
      UErrorCode status = U_ZERO_ERROR;
      UConverter* converter = ucnv_open(kCharsets[kRussianCandidates[t]].Name, &status);
      if (U_FAILURE(status)) continue;
      for (int i = 0; i < 128; ++i) {
        UChar unit = 0;
        status = U_ZERO_ERROR;
        const int32_t n = ucnv_toUChars(converter, &unit, 1, bytes + i, 1, &status);
        TLetterKind kind = kNoLetter;
        out[t].Weight[static_cast<size_t>(i)] = n == 1 ? LetterWeight(unit, kind) : 0;
        out[t].Kind[static_cast<size_t>(i)] = kind;
      }
      ucnv_close(converter);
    }
    return out;
  }();
  return tables;
}

// What the statistic reads of a text: its high bytes up to this many (a
// sample is enough, and a page of megabytes costs no more).
constexpr int32_t kSampleHighBytes = 32768;

struct TRussianSample {
  int32_t HighBytes = 0;
  int32_t InWords = 0;  // high bytes in runs of three or more
  std::array<int64_t, 4> Score{};
  std::array<int32_t, 4> Letters{};
  size_t Best = 0;  // the candidate with the highest score (the first on a tie)
};

// The letter statistic of the four candidates in one pass.
TRussianSample RussianSample(const uint8_t* s, int32_t n) {
  const auto& tables = RussianTables();
  TRussianSample out;
  std::array<uint8_t, 4> previous{};
  int32_t run = 0;
  for (int32_t i = 0; i < n && out.HighBytes < kSampleHighBytes; ++i) {
    const uint8_t b = s[i];
    if (b < 0x80) {
      if (run >= 3) out.InWords += run;
      run = 0;
      previous = {};
      continue;
    }
    ++run;
    ++out.HighBytes;
    const size_t k = b - 0x80u;
    for (size_t t = 0; t < 4; ++t) {
      const uint8_t kind = tables[t].Kind[k];
      out.Score[t] += tables[t].Weight[k] - ((kind == kCapital && previous[t] == kSmall) ? kCapitalInWordPenalty : 0);
      out.Letters[t] += kind != kNoLetter;
      previous[t] = kind;
    }
  }
  if (run >= 3) out.InWords += run;
  for (size_t t = 1; t < 4; ++t) {
    if (out.Score[t] > out.Score[out.Best]) out.Best = t;
  }
  return out;
}

// ---------------------------------------------------------------------------
// Conversion

struct TConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using TConverterPtr = std::unique_ptr<UConverter, TConverterCloser>;

TConverterPtr OpenCharset(uint8_t charset) {
  if (charset >= kCharsetCount) return nullptr;
  UErrorCode status = U_ZERO_ERROR;
  TConverterPtr converter(ucnv_open(kCharsets[charset].Name, &status));
  if (U_FAILURE(status)) return nullptr;
  return converter;
}

// Every byte sequence that does not map becomes U+FFFD (ICU would give
// U+001A for some single-byte tables).
void ToUnicodeReplacement(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                          UConverterCallbackReason reason, UErrorCode* error) {
  if (reason > UCNV_IRREGULAR) return;
  *error = U_ZERO_ERROR;
  const UChar replacement = 0xFFFD;
  ucnv_cbToUWriteUChars(args, &replacement, 1, 0, error);
}

}  // namespace

const char* CharsetName(uint8_t charset) { return charset < kCharsetCount ? kCharsets[charset].Name : nullptr; }

bool TextIsPossiblyRussian(const char* text, int32_t length) {
  const int32_t n = Clamp(length);
  if (text == nullptr || n == 0) return false;
  const TRussianSample sample = RussianSample(reinterpret_cast<const uint8_t*>(text), n);
  if (sample.HighBytes < 4 || sample.InWords * 2 < sample.HighBytes) return false;
  const int32_t letters = sample.Letters[sample.Best];
  return letters > 0 && letters * 10 >= sample.HighBytes * 8 &&
         sample.Score[sample.Best] >= int64_t{kRussianMeanScore} * letters;
}

uint8_t DetermineCharset(const char* text, int32_t length, int32_t /*flags*/) {
  const int32_t n = Clamp(length);
  if (text == nullptr || n == 0) return kCharsetWindows1252;
  const auto* s = reinterpret_cast<const uint8_t*>(text);
  int32_t code = MarkOrDeclaration(s, n);
  if (code >= 0) return static_cast<uint8_t>(code);
  if (ValidMultiByteUtf8(s, n)) return kCharsetUtf8;
  code = DetectorCharset(s, n);
  return code >= 0 ? static_cast<uint8_t>(code) : kCharsetWindows1252;
}

uint8_t DetermineRussianCharset(const char* text, int32_t length) {
  const int32_t n = Clamp(length);
  if (text == nullptr || n == 0) return kCharsetWindows1251;
  const int32_t code = MarkOrDeclaration(reinterpret_cast<const uint8_t*>(text), n);
  if (code >= 0) return static_cast<uint8_t>(code);
  return kRussianCandidates[RussianSample(reinterpret_cast<const uint8_t*>(text), n).Best];
}

int32_t BufToWide(const char* source, int32_t sourceLength, char16_t* dest, uint8_t charset, int32_t destCapacity) {
  int32_t n = Clamp(sourceLength);
  const int32_t capacityUnits = Clamp(destCapacity) / 2;
  if (source == nullptr || dest == nullptr || n == 0 || capacityUnits == 0) return 0;
  const auto* s = reinterpret_cast<const uint8_t*>(source);
  if (charset == kCharsetUtf16) {
    if (n >= 2 && s[0] == 0xFF && s[1] == 0xFE) {
      s += 2;
      n -= 2;
    }
    const int32_t units = std::min(n / 2, capacityUnits);
    for (int32_t i = 0; i < units; ++i) dest[i] = static_cast<char16_t>(s[2 * i] | (s[2 * i + 1] << 8));
    return units * 2;
  }
  if (charset == kCharsetUtf8 && n >= 3 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF) {
    s += 3;
    n -= 3;
  } else if (charset == kCharsetUtf16Be && n >= 2 && s[0] == 0xFE && s[1] == 0xFF) {
    s += 2;
    n -= 2;
  }
  TConverterPtr converter = OpenCharset(charset);
  if (!converter || n == 0) return 0;
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setToUCallBack(converter.get(), ToUnicodeReplacement, nullptr, nullptr, nullptr, &status);
  status = U_ZERO_ERROR;
  // The streaming call writes no terminator: nothing past what it counts.
  UChar* target = reinterpret_cast<UChar*>(dest);
  const char* from = reinterpret_cast<const char*>(s);
  ucnv_toUnicode(converter.get(), &target, target + capacityUnits, &from, from + n, nullptr, true, &status);
  if (U_FAILURE(status) && status != U_BUFFER_OVERFLOW_ERROR) return 0;
  return static_cast<int32_t>(target - reinterpret_cast<UChar*>(dest)) * 2;
}

int32_t WideToBuf(const char16_t* source, int32_t sourceUnits, char* dest, uint8_t charset, int32_t destCapacity) {
  const int32_t n = Clamp(sourceUnits);
  const int32_t capacity = Clamp(destCapacity);
  if (source == nullptr || dest == nullptr || n == 0 || capacity == 0) return 0;
  if (charset == kCharsetUtf16) {
    const int32_t units = std::min(n, capacity / 2);
    for (int32_t i = 0; i < units; ++i) {
      dest[2 * i] = static_cast<char>(source[i] & 0xFF);
      dest[2 * i + 1] = static_cast<char>(source[i] >> 8);
    }
    return units * 2;
  }
  TConverterPtr converter = OpenCharset(charset);
  if (!converter) return 0;
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setSubstChars(converter.get(), "?", 1, &status);
  status = U_ZERO_ERROR;
  char* target = dest;
  const UChar* from = reinterpret_cast<const UChar*>(source);
  ucnv_fromUnicode(converter.get(), &target, dest + capacity, &from, from + n, nullptr, true, &status);
  if (U_FAILURE(status) && status != U_BUFFER_OVERFLOW_ERROR) return 0;
  return static_cast<int32_t>(target - dest);
}

int32_t GetMaxBufLength(uint8_t charset, int32_t units) {
  const int64_t n = Clamp(units);
  int64_t bytes = 0;
  if (charset == kCharsetUtf16) {
    bytes = n * 2;
  } else if (TConverterPtr converter = OpenCharset(charset)) {
    bytes = (n + 10) * ucnv_getMaxCharSize(converter.get());
  }
  return static_cast<int32_t>(std::min<int64_t>(bytes, INT32_MAX));
}

uint32_t EncodingNameToCharset(const char* text) {
  if (text == nullptr) return kCharsetWindows1252;
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(static_cast<uint8_t>(c));
  int32_t code = -1;
  if (lower.find("encoding") != std::string::npos) {
    code = CodeAfterKey(lower, "encoding", 0, lower.size(), false);
  } else {
    code = CodeOfName(lower, false);
  }
  return code >= 0 ? static_cast<uint32_t>(code) : kCharsetWindows1252;
}

uint32_t CharsetToCodePage(uint32_t charset) {
  return charset < static_cast<uint32_t>(kCharsetCount) ? kCharsets[charset].CodePage : 1252;
}

}  // namespace kestrune
