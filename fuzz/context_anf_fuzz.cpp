// Feeds arbitrary bytes to the ".anf" file-table reader. Whatever it reads is
// looked up, and a table it read whole must survive a save and a second read
// unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/stream.h"
#include "network/files_asn.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFilesASN files;
  TMemoryStream stream(data, size);
  const int32_t result = files.LoadFromStream(stream);
  std::vector<int32_t> elements;
  for (int32_t r = 0; r < files.Count(); ++r) {
    const TFileRange& range = files.Record(r);
    if (files.Find(range.FileId) != r) std::abort();  // one record per file id
    files.FileOfElement(range.First);
    if (range.First < INT32_MAX) files.FileOfElement(range.First + 1);
    if (range.Count <= 4096) files.GetElements(range.FileId, elements);
  }
  if (result == TFilesASN::kDone) {
    TMemoryStream saved;
    if (files.SaveToStream(saved) != 0) std::abort();
    saved.SetPosition(0);
    TFilesASN again;
    if (again.LoadFromStream(saved) != 0 || again.Count() != files.Count()) std::abort();
    for (int32_t r = 0; r < files.Count(); ++r) {
      if (again.Record(r).FileId != files.Record(r).FileId || again.Record(r).First != files.Record(r).First ||
          again.Record(r).Count != files.Record(r).Count) {
        std::abort();
      }
    }
  }
  return 0;
}
