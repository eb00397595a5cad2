// Project files made the way the project writer lays them out, for the tests
// and the fuzz seeds of the project note reader: the frame (or none, for the
// headerless form) and the tags before and including the settings tag.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/frame.h"
#include "core/stream.h"
#include "core/tag_stream.h"

namespace kestrune::test {

struct TProjectSettings {
  uint32_t Version = 4;       // 0: the headerless form with 8-bit strings
  bool WithSettings = true;   // tag 0x4009 present
  std::u16string Note = u"";
  std::u16string Author = u"";
  bool WithAuthor = true;     // the author after the note (the headerless form has none)
  std::u16string Engines = u"Mojeek,Wikipedia,";
  std::u16string Engine = u"Mojeek";
};

inline std::string ProjectFileBytes(const TProjectSettings& s) {
  TMemoryStream stream;
  TTagStream tags(&stream);
  if (s.Version > 0) {
    const TFrameHeader frame{kMagicFPKP, 0, s.Version, 0};
    tags.WriteRaw(&frame, sizeof frame);
  }
  // The dictionaries: none.
  tags.BeginTag(0x4000);
  tags.WriteInteger(-1);
  tags.EndTag();
  tags.BeginTag(0x4002);
  tags.WriteWideString(u"query text");
  tags.EndTag();
  if (s.WithSettings) {
    tags.BeginTag(0x4009);
    if (s.Version > 0) {
      tags.WriteWideString(s.Engines);
      tags.WriteWideString(s.Engine);
    } else {
      tags.WriteAnsiString(std::string(s.Engines.begin(), s.Engines.end()));
      tags.WriteAnsiString(std::string(s.Engine.begin(), s.Engine.end()));
    }
    tags.WriteInteger(50);
    tags.WriteInteger(3);
    tags.WriteInteger(2);
    tags.WriteBoolean(true);
    tags.WriteWideString(s.Note);
    if (s.WithAuthor) tags.WriteWideString(s.Author);
    tags.EndTag();
  }
  tags.BeginTag(0x400B);
  tags.WriteBoolean(false);
  tags.EndTag();
  const auto& bytes = stream.Bytes();
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace kestrune::test
