// The options dialog's list of installed interface languages: one entry per
// file of the language folder whose extension is ".lng" (without regard to
// case) and whose [Header] gives Language, LangID and CodePage. The header is
// read as a plain INI file, as the options dialog has always read it: section
// and key names without regard to case, the first occurrence of a key counts,
// and a value is the text after "=" without its surrounding blanks and one
// pair of enclosing quotes (no "$hh" escapes, no comma lists, no blanks
// dropped inside). The texts are converted with the file's own code page, so
// a language shows under its own name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

struct TLngListEntry {
  std::u16string Language;
  std::u16string FileName;  // without the folder
  int32_t LangID = 0;
  int32_t CodePage = 0;
  std::u16string LangAuthor;

  bool operator==(const TLngListEntry&) const = default;
};

using TLngList = std::vector<TLngListEntry>;

// Empties the list and fills it from the folder, in the folder listing's order.
void LoadLngList(std::u16string_view folder, TLngList& list);

}  // namespace kestrune
