// Fuzzes the "DRWS" reader (LoadFromStream, the body after the frame) on a
// dictionary whose engine holds a lexicon, and the header reader of a whole
// file (ReadFileHeaderStatus, which ReadFileHeader follows). Whatever the
// bytes, the load and the header end with one of their codes, the load
// table's ranges follow each other without overlap, and every word reads.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/stream.h"
#include "fuzz/fuzz_folder.h"
#include "platform/text.h"
#include "language/morphology_engine_full.h"
#include "language/word_dictionary.h"

namespace {

using kestrune::TIWordDictionary;

void Fill(kestrune::TIMorphologyEngineFull& e) {
  for (int i = 0; i < 4; ++i) {
    const int32_t lx = e.AddLexeme();
    kestrune::TMEGroup* g = e.GetLexeme(lx);
    for (const char16_t* ending : {u"", u"s", u"ed", u"ing"}) g->SetFormEnding(g->AddForm(), ending);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The whole input as a dictionary file.
  static kestrune::fuzz::TFuzzFolder folder("kestrune-dictionary");
  std::ofstream(folder.path + "d.dws", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  {
    const std::u16string file = kestrune::platform::Utf8ToUtf16(folder.path + "d.dws");
    kestrune::TWDFileHeader header;
    std::u16string morphology, author, description;
    bool headerRead = false;
    TIWordDictionary reader;
    const int32_t status = reader.ReadFileHeaderStatus(file, header, morphology, author, description, &headerRead);
    if (status != TIWordDictionary::kFileDone && status != TIWordDictionary::kFileWrongMagic &&
        status != TIWordDictionary::kFileCRCMismatch) {
      std::abort();
    }
    if ((status == TIWordDictionary::kFileDone) != reader.ReadFileHeader(file, header, morphology, author, description) ||
        (status == TIWordDictionary::kFileDone && !headerRead)) {
      std::abort();
    }
  }
  // The body starts after a 16-byte frame; shorter inputs are read whole.
  const size_t skip = size >= 16 ? 16 : 0;
  kestrune::TIMorphologyEngineFull engine;
  Fill(engine);
  TIWordDictionary dict;
  dict.SetMorphologyEngine(&engine);
  dict.AddWord(u"walk", 2, 0);
  kestrune::TMemoryStream stream(data + skip, size - skip);
  const int32_t result = dict.LoadFromStream(stream, u"");
  if (result != 0 && result != TIWordDictionary::kFileCorrupt && result != TIWordDictionary::kFileWrongVersion &&
      result != TIWordDictionary::kFileLoadTableFull) {
    std::abort();
  }
  int32_t next = 1;
  for (int32_t i = 0; i < dict.LoadCount(); ++i) {
    const kestrune::TWDLoadDictionary& entry = dict.LoadDictionary(i);
    if (entry.First < next || entry.Last < entry.First - 1 || entry.Last >= dict.Count()) std::abort();
    next = entry.Last + 1;
  }
  // Every file read has its own range, in load order, without overlaps.
  next = 1;
  for (int32_t i = 0; i < dict.FileCount(); ++i) {
    const kestrune::TWDFileRange& file = dict.FileRange(i);
    if (file.First < next || file.Last < file.First - 1 || file.Last >= dict.Count()) std::abort();
    next = file.Last + 1;
  }
  for (int32_t i = 0; i < dict.Count(); ++i) {
    kestrune::TWDWord* w = dict.GetWord(i);
    for (int32_t f = 0; f < w->FormCount() && f < 8; ++f) (void)w->GetForm(f);
  }
  kestrune::TWordVariants list;
  kestrune::TAffixIndexes scratch;
  for (const char16_t* text : {u"walked", u"walking", u"a", u""}) dict.Search(text, list, 0, scratch);
  // What was read saves and reads back.
  kestrune::TMemoryStream saved;
  if (dict.SaveToStream(saved, false) == 0) {
    saved.SetPosition(0);
    TIWordDictionary back;
    if (back.LoadFromStream(saved, u"") != 0) std::abort();
  }
  dict.SetMorphologyEngine(nullptr);
  return 0;
}
