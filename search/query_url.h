// Query URLs: how a query text is encoded for an engine's URL, and how the
// placeholders of a URL pattern are replaced.
//
// Encoding, by the template's format value (compared as written, lower case):
//   "xml"    XmlEscape, then code page 1251
//   "utf 8"  standard UTF-8 (a surrogate pair is one four-byte sequence, a lone
//            surrogate becomes EF BF BD)
//   other    code page 1251
// Characters that code page 1251 cannot hold become "?". The bytes are then
// URL-encoded: A-Z, a-z, 0-9 and ! $ ' ( ) * - . @ _ stay, a space becomes
// "+", every other byte "%" and two lower-case hexadecimal digits.
//
// Placeholders are replaced in one left-to-right pass over the pattern: at
// each position the longest placeholder that matches there (exactly, or
// ignoring ASCII letter case when it says so) is replaced by its value, and
// the scan goes on after the placeholder. Inserted values are never scanned
// again, so a query "$atom" stays "$atom" in the URL.
//
// All functions are pure and thread-safe.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace kestrune {

// "&" -> "&amp;", '"' -> "&quot;", "'" -> "&apos;", "<" -> "&lt;", ">" -> "&gt;";
// the control characters 0-8, 11, 12 and 14-31 become one space each; tab,
// line feed and carriage return stay.
std::u16string XmlEscape(std::u16string_view text);

// The URL encoding of bytes (see above).
std::string UrlEncodeBytes(std::string_view bytes);

// Percent-decoding: "%" and two hexadecimal digits become that byte; with
// plusIsSpace "+" becomes a blank (form data); every other byte, a "%"
// without two digits included, stays.
std::string PercentDecode(std::string_view text, bool plusIsSpace = false);

// PercentDecode, then UTF-8 to UTF-16. The program's own links encode each
// UTF-16 unit by itself (a surrogate pair as two three-byte sequences); the
// browser writes standard UTF-8 (four bytes beyond the Basic Multilingual
// Plane): both are read. False, with an empty result, for bytes that are
// neither and for overlong forms ("%C0%AF" is no "/"); an empty text decodes
// to an empty result.
bool PercentDecodeToWide(std::string_view text, std::u16string& result, bool plusIsSpace = false);

// The bytes of the query text in the format's encoding, before URL encoding.
std::string QueryTextBytes(std::u16string_view text, std::string_view format);

// QueryTextBytes, then UrlEncodeBytes: the encoded query of a URL.
std::string EncodeQueryText(std::u16string_view text, std::string_view format);

struct TUrlPlaceholder {
  std::string_view Name;  // with its "$"
  std::string_view Value;
  bool IgnoreCase = false;  // ASCII letter case
};

std::string ReplacePlaceholders(std::string_view pattern, std::initializer_list<TUrlPlaceholder> placeholders);

// True when `text` begins with `prefix`, ASCII letter case ignored.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// The position of the first occurrence of `needle` at or after `from`, ASCII
// letter case ignored; npos when none.
size_t FindNoCase(std::string_view text, std::string_view needle, size_t from = 0);
// ASCII lower case of an 8-bit text (other bytes unchanged).
std::string AsciiLower(std::string_view text);

}  // namespace kestrune
