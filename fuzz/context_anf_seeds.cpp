// Seeds for the ".anf" file-table reader, written by the table's own writer.
#include <string>

#include "core/stream.h"
#include "fuzz/seeds.h"
#include "network/files_asn.h"

using namespace kestrune;

namespace {

std::string Save(const TFilesASN& files) {
  TMemoryStream stream;
  files.SaveToStream(stream);
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

}  // namespace

KESTRUNE_SEEDS(context_anf) {
  TFilesASN files;
  WriteSeed(folder, "empty.anf", Save(files));
  files.Add(0, 0, 1);
  WriteSeed(folder, "one.anf", Save(files));
  files.Add(1, 1, 1);
  files.Add(7, 2, 0);
  files.Add(3, 2, 3);
  WriteSeed(folder, "four.anf", Save(files));
}
