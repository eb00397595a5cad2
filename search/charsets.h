// Charsets of downloaded pages: detection and conversion to and from UTF-16,
// over ICU's converters and charset detector.
//
// A charset is one code byte of our own table; the codes are stored with a
// parse (TIHTMLParser::SourceCharset), so they never change:
//
//   0 UTF-16 (little-endian bytes, the text was given as UTF-16)
//   1 windows-1252        2 UTF-8            3 windows-1251     4 KOI8-R
//   5 IBM866              6 ISO-8859-5       7 x-mac-cyrillic
//   8 and up: further charsets ICU converts (see CharsetName); the codes 67
//   and 68 are never given out.
//
// Detection, in this order: a byte-order mark; a charset named in the first
// 4 KB (a meta charset, an http-equiv content type, an XML declaration's
// encoding) that ICU converts and the table holds (ISO-8859-1 and US-ASCII
// are read as windows-1252, as browsers read them); then DetermineCharset
// takes valid multi-byte UTF-8, else ICU's detector, else windows-1252, and
// DetermineRussianCharset picks windows-1251, KOI8-R, IBM866 or ISO-8859-5 by
// a letter statistic: the sum of the Russian letter frequencies (per
// mille; capitals a quarter, less a penalty for a capital right after a
// small letter) of the bytes from 0x80 up read in each of the four, over
// the first 32768 such bytes.
//
// TextIsPossiblyRussian is our rule, over the same sample: at least 4 bytes
// from 0x80 up, at least half of them in runs of three or more such bytes
// (words, not accented letters inside Latin words), and, read in the best of
// the four Russian charsets, at least eight in ten of them Cyrillic letters
// with a mean score of Russian text (kRussianMeanScore per mille or more).
//
// Every function takes a pointer and a length and never reads or writes
// outside them; a negative length counts as 0. Thread-safe.
#pragma once

#include <cstdint>

namespace kestrune {

inline constexpr uint8_t kCharsetUtf16 = 0;
inline constexpr uint8_t kCharsetWindows1252 = 1;
inline constexpr uint8_t kCharsetUtf8 = 2;
inline constexpr uint8_t kCharsetWindows1251 = 3;
inline constexpr uint8_t kCharsetKoi8R = 4;
inline constexpr uint8_t kCharsetIbm866 = 5;
inline constexpr uint8_t kCharsetIso88595 = 6;
inline constexpr uint8_t kCharsetMacCyrillic = 7;

// Mean letter frequency (per mille) from which a text reads as Russian.
inline constexpr int32_t kRussianMeanScore = 40;

// The charset's name as ICU knows it ("windows-1251"); null past the table.
const char* CharsetName(uint8_t charset);

bool TextIsPossiblyRussian(const char* text, int32_t length);
// `flags` is reserved (0).
uint8_t DetermineCharset(const char* text, int32_t length, int32_t flags);
uint8_t DetermineRussianCharset(const char* text, int32_t length);

// Converts `sourceLength` bytes in `charset` to UTF-16 at `dest`, writing at
// most `destCapacity` bytes (whole units); returns the bytes written. Bytes
// that do not map become U+FFFD; a byte-order mark of the charset itself is
// dropped. An unknown code converts nothing.
int32_t BufToWide(const char* source, int32_t sourceLength, char16_t* dest, uint8_t charset, int32_t destCapacity);
// Converts `sourceUnits` UTF-16 units to `charset` at `dest`, writing at most
// `destCapacity` bytes; returns the bytes written. Characters the charset
// cannot hold become "?".
int32_t WideToBuf(const char16_t* source, int32_t sourceUnits, char* dest, uint8_t charset, int32_t destCapacity);
// The most bytes WideToBuf can write for `units` units in `charset` (0 for
// an unknown code).
int32_t GetMaxBufLength(uint8_t charset, int32_t units);

// The news feed reader's look-ups. EncodingNameToCharset takes an encoding
// name or an XML declaration's attribute text (its encoding="..." value
// counts) and gives the charset code, windows-1252 when ICU or the table
// does not know it; CharsetToCodePage gives the charset's Windows code page
// (1252 for an unknown code).
uint32_t EncodingNameToCharset(const char* text);
uint32_t CharsetToCodePage(uint32_t charset);

}  // namespace kestrune
