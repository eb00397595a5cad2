// UTF-8 conversion of the system's UTF-16 strings, unit by unit.
//
// Both routines work on 16-bit code units only: a character outside the
// Basic Multilingual Plane travels as its two surrogate units, each encoded
// by itself as a three-byte sequence, and a four-byte sequence is refused on
// decoding. Decoding the encoding of any non-empty UTF-16 string gives it
// back exactly, lone surrogates included.
//
// The decoder is deliberately lenient in the ways query URLs and in-page
// command links of old pages rely on: any byte from 0x80 to 0xDF leads a
// two-byte sequence, following bytes need only their top bit, overlong forms
// are accepted, and a byte-order mark is an ordinary U+FEFF. It is not a
// validator; use it where its leniency is the contract.
//
// Thread-safe: no state.
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

// Encodes every unit in one, two or three bytes; never fails. No byte-order
// mark is written; an empty source gives an empty result.
std::string WideToUtf8(std::u16string_view source);

// Decodes `source` into `result`. True when the whole source was decoded;
// False (and an empty result) for an empty source, a lead byte from 0xF0 up,
// a sequence running past the end or a following byte without its top bit.
// Nothing decoded before a failure is kept.
bool Utf8ToWide(std::string_view source, std::u16string& result);

}  // namespace kestrune
