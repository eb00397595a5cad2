// Seeds for the "DRWS" reader: dictionary files made by SaveToStream behind a
// frame, plain and with 8-bit texts, with groups and text-less words.
#include <cstring>
#include <string>

#include "core/frame.h"
#include "fuzz/seeds.h"
#include "language/morphology_engine_full.h"
#include "language/word_dictionary.h"

namespace {

using kestrune::TIWordDictionary;

void Save(TIWordDictionary& dict, const std::string& folder, const std::string& name) {
  kestrune::TMemoryStream file;
  kestrune::TFrameHeader frame;
  frame.Magic = kestrune::kMagicDRWS;
  file.Write(&frame, sizeof frame);
  if (dict.SaveToStream(file, false) != 0) return;
  frame.CRC = kestrune::CRC32Update(0, file.Bytes().data() + 16, file.Bytes().size() - 16);
  std::memcpy(file.Bytes().data(), &frame, sizeof frame);
  WriteSeed(folder, name, std::string(file.Bytes().begin(), file.Bytes().end()));
}

}  // namespace

KESTRUNE_SEEDS(dictionary_file) {
  kestrune::TIMorphologyEngineFull engine;
  for (int i = 0; i < 4; ++i) {
    const int32_t lx = engine.AddLexeme();
    kestrune::TMEGroup* g = engine.GetLexeme(lx);
    for (const char16_t* ending : {u"", u"s", u"ed", u"ing"}) g->SetFormEnding(g->AddForm(), ending);
  }
  {
    TIWordDictionary dict;
    dict.SetMorphologyEngine(&engine);
    dict.SetDictID(9);
    dict.SetMorphologyFile(u"en.drmp");
    dict.AddWord(u"walk", 2, 0);
    dict.AddWord(u"talk", 2, 0);
    dict.AddWord(u"house", 1, 1);
    dict.AddWord(u"", 2, 3);
    dict.AddWord(u"the", 0, -1);
    dict.AddWord(std::u16string(300, u'x'), 0, -1);
    Save(dict, folder, "english.dws");
    dict.SetMorphologyEngine(nullptr);
  }
  {
    TIWordDictionary dict;
    dict.SetDictID(25);
    dict.SetCompress(true);
    dict.SetCodePage(1251);
    dict.AddWord(u"\u0434\u043e\u043c", 1, -1);
    dict.AddWord(u"\u043c\u0438\u0440", 1, -1);
    Save(dict, folder, "russian-8bit.dws");
  }
}
