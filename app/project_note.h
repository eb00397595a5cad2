// The note and the author stored in a project file (".kqp"), for the
// previews of the project open dialog and of the project manager.
//
// A project file is either framed (the 16-byte frame with the magic "FPKP"
// and the format version in bytes 8..11, then the tagged body) or headerless
// (the tagged body from byte 0, its first tag 0x4000: a first word of 0x8000
// or 0x8001), which counts as version 0. The note and the author are the
// fields of the settings tag 0x4009 after two strings (UTF-16 above version
// 0, 8-bit in version 0), three Integers and one byte. Only the top-level
// tags are read, up to the end of the file; the last settings tag wins.
//
// Nothing here raises or changes any state of the program: a file that cannot
// be opened, is not a regular file, is of another kind, or has no settings
// tag gives empty texts. Any thread may call these functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/stream.h"

namespace kestrune {

// The settings tag of a project file.
inline constexpr int32_t kProjectSettingsTag = 0x4009;
// The first tag of a project body (dictionaries); a headerless file opens
// with it.
inline constexpr int32_t kProjectDictionariesTag = 0x4000;

struct TProjectNote {
  std::u16string Note;
  std::u16string Author;
};

// The note and the author of the project in `stream`, read from its current
// position (the file's first byte).
TProjectNote ReadProjectNoteFrom(TStream& stream);

// The note of the project file; empty when there is none.
std::u16string ReadProjectNote(std::u16string_view fileName);
// The author of the project file; empty when there is none.
std::u16string ReadProjectAuthor(std::u16string_view fileName);

// The preview of the project open dialog: "Author: ", the author, CR LF and
// the note when an author is stored, else the note alone.
std::u16string ProjectNotePreview(std::u16string_view fileName);

}  // namespace kestrune
