// Seeds for the "DRMP" reader: lexicons saved by TIMorphologyEngineFull, with
// and without a base, statistics and header texts (the wide rule ids of a
// lexicon with more than 65,535 rules make a seed too large to mutate well;
// the tests cover them).
#include <string>
#include <utility>
#include <vector>

#include "fuzz/seeds.h"
#include "language/morphology_engine_full.h"
#include "platform/text.h"

namespace {

using kestrune::TIMorphologyEngineFull;

int32_t Paradigm(TIMorphologyEngineFull& e, const std::vector<std::pair<std::u16string, std::u16string>>& forms) {
  const int32_t lx = e.AddLexeme();
  kestrune::TMEGroup* g = e.GetLexeme(lx);
  for (const auto& [prefix, ending] : forms) {
    const int32_t j = g->AddForm();
    g->SetFormEnding(j, ending);
    g->SetFormPrefix(j, prefix);
  }
  return lx;
}

void Save(TIMorphologyEngineFull& e, const std::string& folder, const std::string& name) {
  e.SaveToFile(kestrune::platform::Utf8ToUtf16(folder + name));
}

}  // namespace

KESTRUNE_SEEDS(lexicon_file) {
  {
    TIMorphologyEngineFull e;
    Paradigm(e, {{u"", u""}, {u"", u"s"}});
    Save(e, folder, "tiny.drmp");
  }
  {
    TIMorphologyEngineFull e;
    e.SetHeaderText1(u"English sample");
    e.SetHeaderText2(u"Kestrune");
    kestrune::TMEFileInfo info;
    info.LanguageId = 9;
    info.SymbolCount = 26;
    info.Symbol2Count = 1;
    info.PairCount = 1;
    kestrune::TMEBase& base = *e.GetBase(e.FindOrCreateBase(info, u"en.drmp", u"", u""));
    for (int i = 0; i < 26; ++i) base.Symbols.push_back({static_cast<uint16_t>(u'a' + i), 0});
    base.Symbols2 = {{static_cast<int16_t>(u'A'), 0}};
    base.Pairs = {{0, 1}};
    const int32_t walk = Paradigm(e, {{u"", u""}, {u"", u"s"}, {u"", u"ed"}, {u"", u"ing"}});
    e.GetLexeme(walk)->SetLemma(u"walk");
    e.GetLexeme(walk)->SetPartOfSpeech(2);
    const int32_t happy = Paradigm(e, {{u"", u"y"}, {u"un", u"y"}, {u"", u"iness"}, {u"un", u"iness"}});
    e.GetLexeme(happy)->SetLemma(u"happy");
    e.AddSymbolStatistic(u'h', happy, 3);
    Paradigm(e, {{u"", u"go"}, {u"", u"went"}, {u"", u"gone"}, {u"", u"went"}});
    Save(e, folder, "english.drmp");
  }
  {
    TIMorphologyEngineFull e;
    e.SetLanguageId(25);
    const int32_t dom = Paradigm(e, {{u"", u""}, {u"", u"\u0430"}, {u"", u"\u0443"}, {u"\u043f\u043e", u"\u0430\u043c"}});
    e.GetLexeme(dom)->SetLemma(u"\u0434\u043e\u043c");
    Save(e, folder, "russian.drmp");
  }
}
