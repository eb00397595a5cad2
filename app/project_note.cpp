#include "app/project_note.h"

#include "core/frame.h"
#include "core/tag_stream.h"
#include "platform/files.h"

namespace kestrune {

namespace {

// The fields of one settings tag up to the author. 8-bit strings (version 0)
// are skipped, never converted: only the texts after them are wanted.
void ReadSettingsTag(TTagStream& tags, uint32_t version, TProjectNote& note) {
  for (int i = 0; i < 2; ++i) {
    if (version > 0) {
      std::u16string skipped;
      tags.ReadWideString(skipped);
    } else {
      std::string skipped;
      tags.ReadAnsiString(skipped);
    }
  }
  int32_t number = 0;
  for (int i = 0; i < 3; ++i) tags.ReadInteger(number);
  uint8_t flag = 0;
  tags.ReadByte(flag);
  // A text that runs past its tag is damage: nothing of it is shown.
  note.Note.clear();
  note.Author.clear();
  if (tags.ReadWideStringChecked(note.Note)) tags.ReadWideStringChecked(note.Author);
}

TProjectNote ReadProjectFile(std::u16string_view fileName) {
  // A pipe or a device would block or fail the read: only regular files.
  if (!platform::RegularFileExists(fileName)) return {};
  TFileStreamW file(fileName, TFileStreamW::fmOpenRead | TFileStreamW::fmShareDenyNone);
  if (!file.HandleValid()) return {};
  return ReadProjectNoteFrom(file);
}

}  // namespace

TProjectNote ReadProjectNoteFrom(TStream& stream) {
  TProjectNote note;
  const int64_t start = stream.Position();
  TFrameHeader frame;
  if (start < 0 || !ReadFrameHeader(stream, frame)) {
    // A headerless file may be shorter than a frame: look at its first word.
    uint16_t word = 0;
    if (start < 0 || stream.Seek(start, TSeekOrigin::soBeginning) != start || stream.Read(&word, 2) != 2) return note;
    frame.Magic = word;
  }
  uint32_t version = 0;
  if (frame.Magic == kMagicFPKP) {
    version = frame.Version;
  } else if ((frame.Magic & 0xFFFF) >> 1 == kProjectDictionariesTag) {
    if (stream.Seek(start, TSeekOrigin::soBeginning) != start) return note;
  } else {
    return note;
  }
  TTagStream tags(&stream);
  while (!tags.EndOfStream()) {
    if (tags.ReadTag() <= 0) break;
    if (tags.CurrentTag() == kProjectSettingsTag) ReadSettingsTag(tags, version, note);
    tags.LeaveTag();
  }
  return note;
}

std::u16string ReadProjectNote(std::u16string_view fileName) { return ReadProjectFile(fileName).Note; }

std::u16string ReadProjectAuthor(std::u16string_view fileName) { return ReadProjectFile(fileName).Author; }

std::u16string ProjectNotePreview(std::u16string_view fileName) {
  const TProjectNote project = ReadProjectFile(fileName);
  if (project.Author.empty()) return project.Note;
  return u"Author: " + project.Author + u"\r\n" + project.Note;
}

}  // namespace kestrune
