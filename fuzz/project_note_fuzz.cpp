// Feeds arbitrary bytes to the project note reader as the previews use it: it
// never fails, and a note or author it returns was stored whole in the file
// (a text cut by the end of the file is no text).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/project_note.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream stream(data, size);
  const TProjectNote note = ReadProjectNoteFrom(stream);
  // Each text takes its count and its units from the file.
  if ((note.Note.size() + note.Author.size()) * 2 > size) std::abort();
  return 0;
}
