// Stop-word lists: UTF-16 text files named "stop*.txt" beside the dictionary
// files, one word a line. A list whose name names a language after "stop"
// ("stop_german.txt", "stop-Russian.txt") holds the stop words of that
// language: it marks the readings of that language's dictionaries only (see
// TIWordDictionary::MarkWord), so that a German "die" leaves the English verb
// alone. A list that names no known language ("stop.txt", "stop_mine.txt")
// marks every reading of its words.
#pragma once

#include <cstdint>
#include <string_view>

#include "language/word_dictionary.h"

namespace kestrune {

// The language id (a DictID) that a stop-word list's file name names: the
// part of the name after "stop" and before the extension, without leading
// "_", "-" or blanks, equal without regard to case to a language name; 0 when
// it names none. A folder part of the name is ignored.
int16_t StopListLanguage(std::u16string_view fileName);

// Marks every non-empty line of the list as a stop word of the list's
// language: the words it is the initial form of, and those of whose other
// forms it is one when their initial form is in the list too; a line that is
// only some other word's form marks every reading, as MarkWord does. The
// number of lines marked, or -1 when the file cannot be read.
int32_t MarkStopList(TIWordDictionary& dictionary, std::u16string_view fileName);

}  // namespace kestrune
