// Base helpers shared by the language layer and the file code: language
// names, the two comparison rules for UTF-16 texts (exact and
// case-insensitive) that every ordered set and dictionary chooses between, the
// hash that identifies a word no dictionary knows, the long-path rule, a
// file-exists test, heap buffers for 0-terminated UTF-16 texts, and the
// replacement of a pattern in a UTF-16 text.
//
// Every ordered structure that holds texts compares with CompareWideOrdinal
// when case-sensitive and with CompareWideNoCase otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

// Language identifiers: Windows primary language numbers.
inline constexpr int32_t kLangUnknown = 0;
inline constexpr int32_t kLangGerman = 7;
inline constexpr int32_t kLangEnglish = 9;
inline constexpr int32_t kLangFrench = 12;
inline constexpr int32_t kLangItalian = 16;
inline constexpr int32_t kLangRussian = 25;

// "Unknown", "German", "English", "French", "Italian", "Russian"; empty for
// any other id.
const std::u16string& LanguageName(int32_t id);

// Appends the path separator ("/" here) unless the path already ends with one;
// an empty path stays empty.
std::string AddBackslash(std::string_view path);
std::u16string AddBackslash(std::u16string_view path);

// 0-terminated texts. Same pointer -> 0; first null -> -1; second null -> 1;
// else the difference of the first differing units as unsigned 16-bit values.
int32_t CompareWideOrdinal(const char16_t* a, const char16_t* b);
// Case-insensitive total order (ICU case folding, code point order):
// -1, 0 or 1; 0 only for texts that differ in letter case alone. Null pointers
// order as in CompareWideOrdinal.
int32_t CompareWideNoCase(const char16_t* a, const char16_t* b);

// The identifier of a word no dictionary holds: a CRC-32-table hash of the
// UTF-16 units (not the CRC of the bytes); 0 for an empty text.
uint32_t WideTextHash(std::u16string_view text);

// The Windows long-path rule, a pure text function: paths of 260 units or more
// not starting with "." get the "\\?\" prefix ("\\?\UNC" for network paths).
// It is never applied when files are opened here.
std::u16string AddLongPathPrefix(std::u16string_view path);

// True when the path names an existing file that is not a folder; `error`
// receives the last error of the query when given.
bool WideFileExists(std::u16string_view path, int32_t* error = nullptr);

// Heap buffers for 0-terminated UTF-16 texts; a field holding such a buffer
// holds null for an empty text. Buffers come from new[] and go with delete[].
char16_t* AllocWideChars(size_t count);
char16_t* WideStrToBuffer(std::u16string_view text);
void FreeWideBuffer(char16_t*& field);
void AssignWideBuffer(std::u16string_view text, char16_t*& field);

// Length of a 0-terminated text (0 for null).
size_t WideLength(const char16_t* text);

// Flags of WideStringReplace.
inline constexpr uint32_t rfReplaceAll = 0x1;  // every occurrence, not only the first
inline constexpr uint32_t rfIgnoreCase = 0x2;  // the pattern matches without regard to letter case

// Replaces the first occurrence of the pattern in the text (every occurrence
// with rfReplaceAll) by the replacement, scanning from the left; a replacement
// is never searched again. With rfIgnoreCase, text and pattern are compared
// unit by unit in lower case. An empty pattern leaves the text as it is.
// `result` may not alias `text`.
void WideStringReplace(std::u16string_view text, std::u16string_view pattern, std::u16string_view replacement,
                       std::u16string& result, uint32_t flags);

}  // namespace kestrune
