// Fuzzes the "DRMP" lexicon reader: the input as a file, and the same image
// with its CRC made right so that mutations reach the tagged body, loaded into
// an empty engine and merged into one that holds a lexicon already. Whatever
// the file, the load ends with one of its codes and leaves an engine whose
// form trees find every form and whose rule references equal a recount.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core/frame.h"
#include "fuzz/fuzz_folder.h"
#include "language/morphology_engine_full.h"
#include "platform/text.h"

namespace {

using kestrune::TIMorphologyEngineFull;

const std::string& TempName() {
  // The reader takes a file name: the input goes to a file in memory when the
  // system has such a folder.
  static const std::string name = [] {
    const char* dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::getenv("TMPDIR");
    return kestrune::fuzz::ProcessFolderName(dir ? dir : "/tmp", "kestrune-lexicon-fuzz") + ".drmp";
  }();
  static const struct Remover {
    ~Remover() { ::unlink(name.c_str()); }
  } remover;
  return name;
}

void Check(TIMorphologyEngineFull& e) {
  std::vector<uint32_t> counts(static_cast<size_t>(e.RuleCount()), 0);
  kestrune::TArrayOfIndex list;
  for (int32_t i = 0; i < e.LexemeCount(); ++i) {
    const kestrune::TMEGroupFull& g = *e.LexemeAt(i);
    for (int32_t k = 0; k < g.FormCount(); ++k) {
      const int32_t rule = g.Forms[k].Rule;
      if (rule < 0 || rule >= e.RuleCount()) std::abort();
      ++counts[rule];
      if (g.FormCount() > 300) continue;
      const int32_t n = e.FormsOfRule(i, rule, list);
      bool found = false;
      for (int32_t j = 0; j < n; ++j) found = found || list[j] == k;
      if (!found) std::abort();
      (void)e.MakeForm(u"stem", i, k);
    }
  }
  for (int32_t r = 0; r < e.RuleCount(); ++r) {
    if (e.Rule(r).References != counts[r]) std::abort();
  }
  kestrune::TAffixIndexes rows;
  for (const char16_t* word : {u"walked", u"unhappiness", u"a", u"\u0434\u043e\u043c\u0430"}) {
    const int32_t n = e.AnalyseWord(word, rows);
    if (n < 1 || n > e.MaxPrefixLength() + 1) std::abort();
  }
}

void LoadAndCheck(const std::vector<uint8_t>& bytes) {
  {
    std::ofstream out(TempName(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  const std::u16string name = kestrune::platform::Utf8ToUtf16(TempName());
  for (int pass = 0; pass < 2; ++pass) {
    TIMorphologyEngineFull e;
    if (pass == 1) {
      // Merge into an engine that holds lexemes, affixes and rules.
      const int32_t lx = e.AddLexeme();
      kestrune::TMEGroup* g = e.GetLexeme(lx);
      for (const char16_t* ending : {u"", u"s", u"ed", u"ing"}) g->SetFormEnding(g->AddForm(), ending);
      g->SetFormPrefix(1, u"un");
    }
    const int32_t result = e.LoadFromFile(name);
    if (result > 0 || result < TIMorphologyEngineFull::kCRCMismatch) std::abort();
    Check(e);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  if (size >= 16) {
    const uint32_t crc = kestrune::CRC32Update(0, data + 16, size - 16);
    std::memcpy(bytes.data() + 4, &crc, 4);
  }
  LoadAndCheck(bytes);
  return 0;
}
