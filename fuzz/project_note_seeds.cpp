// Seeds for the project note reader: project files in both forms, written
// the way the project writer lays them out.
#include "fuzz/seeds.h"
#include "tests/app/project_file_bytes.h"

using kestrune::test::ProjectFileBytes;

KESTRUNE_SEEDS(project_note) {
  WriteSeed(folder, "v4.kqp", ProjectFileBytes({.Note = u"Birds of the coast", .Author = u"K\u00e4the"}));
  WriteSeed(folder, "v4_no_author.kqp", ProjectFileBytes({.Note = u"note", .WithAuthor = false}));
  WriteSeed(folder, "headerless.kqp", ProjectFileBytes({.Version = 0, .Note = u"old", .WithAuthor = false}));
  WriteSeed(folder, "no_settings.kqp", ProjectFileBytes({.WithSettings = false}));
}
