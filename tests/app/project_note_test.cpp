#include "app/project_note.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/app/project_file_bytes.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

TEST(ReadProjectNote, NoteAndAuthorOfEachForm) {
  const std::string withNote = test::ProjectFileBytes({.Note = u"Birds of the coast, \u0447\u0430\u0439\u043a\u0438",
                                                       .Author = u"K\u00e4the"});
  std::string trailingJunk = withNote + std::string("\x01\x02\x03", 3);
  std::string cutInNote = withNote.substr(0, withNote.size() - 30);
  struct {
    const char* what;
    std::string bytes;
    std::u16string note;
    std::u16string author;
  } cases[] = {
      {"version 4", withNote, u"Birds of the coast, \u0447\u0430\u0439\u043a\u0438", u"K\u00e4the"},
      {"version 4, no author", test::ProjectFileBytes({.Note = u"only a note", .WithAuthor = false}), u"only a note",
       u""},
      {"headerless, 8-bit strings before the note",
       test::ProjectFileBytes({.Version = 0, .Note = u"old note", .WithAuthor = false}), u"old note", u""},
      {"headerless without a note (as the old writer left it)",
       test::ProjectFileBytes({.Version = 0, .Note = u"", .WithAuthor = false}), u"", u""},
      {"no settings tag", test::ProjectFileBytes({.WithSettings = false}), u"", u""},
      {"bytes after the last tag", trailingJunk, u"Birds of the coast, \u0447\u0430\u0439\u043a\u0438", u"K\u00e4the"},
      {"settings tag cut inside the note", cutInNote, u"", u""},
      {"another kind of file", "[Header]\r\nlanguage=English\r\n", u"", u""},
      {"the magic of another format", std::string("DRWS\0\0\0\0\4\0\0\0\0\0\0\0", 16) + withNote.substr(16), u"",
       u""},
      {"empty", "", u"", u""},
      {"one byte", "\x01", u"", u""},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::WriteFileBytes(dir.File("p.kqp"), c.bytes);
    EXPECT_EQ(ReadProjectNote(dir.WFile("p.kqp")), c.note);
    EXPECT_EQ(ReadProjectAuthor(dir.WFile("p.kqp")), c.author);
  }
}

TEST(ReadProjectNote, WhatCannotBeReadGivesNothing) {
  test::TempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("pipe.kqp").c_str(), 0600), 0);  // opening it would block
  ::mkdir(dir.File("folder.kqp").c_str(), 0700);
  test::WriteFileBytes(dir.File("locked.kqp"), test::ProjectFileBytes({.Note = u"x"}));
  ::chmod(dir.File("locked.kqp").c_str(), 0);
  for (const char* name : {"pipe.kqp", "folder.kqp", "missing.kqp"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ReadProjectNote(dir.WFile(name)), u"");
  }
  if (::geteuid() != 0) {
    EXPECT_EQ(ReadProjectNote(dir.WFile("locked.kqp")), u"");
  }
}

}  // namespace
}  // namespace kestrune
