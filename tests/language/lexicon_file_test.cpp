#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/frame.h"
#include "language/morphology_engine_full.h"
#include "tests/language/golden_bytes.h"
#include "tests/language/morphology_test_support.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using test::AddParadigm;
using test::CheckEngineInvariants;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

using E = TIMorphologyEngineFull;

// An English-like lexicon with a base (alphabet a..z, one replaceable pair),
// letter statistics, features and header texts.
void FillSample(E& e) {
  e.SetHeaderText1(u"Sample lexicon");
  e.SetHeaderText2(u"Kestrune");
  TMEFileInfo info;
  info.LanguageId = 9;
  info.SymbolCount = 26;
  info.Symbol2Count = 2;
  info.PairCount = 1;
  TMEBase& base = *e.GetBase(e.FindOrCreateBase(info, u"sample.drmp", u"", u""));
  for (int i = 0; i < 26; ++i) base.Symbols.push_back({static_cast<uint16_t>(u'a' + i), static_cast<uint8_t>(i)});
  base.Symbols2 = {{static_cast<int16_t>(u'A'), 1}, {static_cast<int16_t>(u'B'), 2}};
  base.Pairs = {{0, 1}};
  const int32_t walk = AddParadigm(e, {{u"", u""}, {u"", u"s"}, {u"", u"ed"}, {u"", u"ing"}});
  e.LexemeAt(walk)->Lemma = u"walk";
  e.GetLexeme(walk)->SetPartOfSpeech(2);
  e.GetLexeme(walk)->SetFormFeature25(2, 5);
  const int32_t happy = AddParadigm(e, {{u"", u"y"}, {u"un", u"y"}, {u"", u"iness"}, {u"un", u"iness"}});
  e.LexemeAt(happy)->Lemma = u"happy";
  e.GetLexeme(happy)->SetPartOfSpeech(3);
  e.AddSymbolStatistic(u'h', happy, 7);
  const int32_t box = AddParadigm(e, {{u"", u""}, {u"", u"es"}, {u"", u"es"}});  // a duplicate form
  e.LexemeAt(box)->Lemma = u"box";
  AddParadigm(e, {{u"re", u"ing"}, {u"", u"zzz"}});
  e.DeleteLexeme(3);  // leaves rules without forms
}

std::vector<std::u16string> AllForms(E& e) {
  std::vector<std::u16string> forms;
  for (int32_t i = 0; i < e.LexemeCount(); ++i) {
    TMEGroup* g = e.GetLexeme(i);
    forms.push_back(g->GetLemma() + u":" + std::u16string(1, static_cast<char16_t>(u'0' + g->GetPartOfSpeech())));
    for (int32_t k = 0; k < g->FormCount(); ++k) forms.push_back(e.MakeForm(u"-", i, k));
  }
  return forms;
}

// Rewrites the frame's CRC so that a changed body reaches the reader.
std::string WithCRC(std::string bytes) {
  if (bytes.size() < 16) return bytes;
  const uint32_t crc = CRC32Update(0, bytes.data() + 16, bytes.size() - 16);
  std::memcpy(bytes.data() + 4, &crc, 4);
  return bytes;
}

// A lexicon of two lexemes typed from the format's tables: "walk" (part of
// speech 2; forms "", "s", "ed", the last with form feature 25 = 5, bits 19-21
// of the three feature bytes) and "do" (part of speech 1; forms "re"+"s",
// "s"), English, header texts "d" and "a", no base.
constexpr const char* kLexiconGolden =
    // frame: "DRMP", CRC-32 of bytes 16.., version 0, reserved 0
    "44 52 4D 50  CA 07 30 3A  00 00 00 00  00 00 00 00"
    // info tag 1 (33 bytes): 2 lexemes, 4 rules, alphabet 0, second table 0,
    // pairs 0, tables flag 0, version 3, language 9, DeleteEnabled 1,
    // HeaderText1 "d", HeaderText2 "a"
    "02 21  02 00 00 00  04 00 00 00  00 00  00 00  00 00  00 00  03 00 00 00  09 00 00 00  01"
    "  01 00 64 00  01 00 61 00"
    // affix tag 16386 (54 bytes)
    "05 80 36 00 00 00"
    // prefixes 16387: count 2, prefix 1 "re"
    "  07 80 08 00 00 00  02 00  02 00 72 00 65 00"
    // endings 16388: count 3, ending 1 "s", ending 2 "ed"
    "  09 80 0C 00 00 00  03 00  01 00 73 00  02 00 65 00 64 00"
    // rules 16389: count 4, rules 1-3 as (prefix, ending): (0,1) (0,2) (1,1)
    "  0B 80 10 00 00 00  04 00 00 00  00 00 01 00  00 00 02 00  01 00 01 00"
    // lexeme tag 3 (33 bytes): lemma tag 4 "walk", features 2, 3 forms;
    // forms tag 5: rule u16 and three feature bytes per form
    "06 21"
    "  08 0E  04 00 77 00 61 00 6C 00 6B 00  02 00  03 00"
    "  0A 0F  00 00 00 00 00  01 00 00 00 00  02 00 00 00 28"
    // lexeme tag 3 (24 bytes): "do", features 1, 2 forms (rules 3 and 1)
    "06 18"
    "  08 0A  02 00 64 00 6F 00  01 00  02 00"
    "  0A 0A  03 00 00 00 00  01 00 00 00 00";

TEST(LexiconFile, GoldenFileReadsAndIsWrittenByteForByte) {
  const std::string golden = test::HexBytes(kLexiconGolden);
  ASSERT_EQ(golden.size(), 172u);
  TempDir dir;
  WriteFileBytes(dir.File("golden.drmp"), golden);
  E read;
  ASSERT_EQ(read.LoadFromFile(dir.WFile("golden.drmp")), 0);
  EXPECT_EQ(read.LexemeCount(), 2);
  EXPECT_EQ(read.RuleCount(), 4);
  EXPECT_EQ(read.PrefixCount(), 2);
  EXPECT_EQ(read.EndingCount(), 3);
  EXPECT_EQ(read.GetLanguageId(), 9);
  EXPECT_EQ(read.DeleteEnabled(), 1);
  EXPECT_EQ(read.GetHeaderText1(), u"d");
  EXPECT_EQ(read.GetHeaderText2(), u"a");
  EXPECT_EQ(AllForms(read), (std::vector<std::u16string>{u"walk:2", u"-", u"-s", u"-ed", u"do:1", u"re-s", u"-s"}));
  EXPECT_EQ(read.GetLexeme(0)->GetFormFeature25(2), 5);
  EXPECT_EQ(read.GetLexeme(0)->GetFormFeature25(1), 0);
  CheckEngineInvariants(read);

  // The same lexicon made through the engine's operations is written as the
  // golden bytes, and so is the one read from them.
  E made;
  made.SetLanguageId(9);
  made.SetHeaderText1(u"d");
  made.SetHeaderText2(u"a");
  const int32_t walk = AddParadigm(made, {{u"", u""}, {u"", u"s"}, {u"", u"ed"}});
  made.LexemeAt(walk)->Lemma = u"walk";
  made.GetLexeme(walk)->SetPartOfSpeech(2);
  made.GetLexeme(walk)->SetFormFeature25(2, 5);
  const int32_t doLexeme = AddParadigm(made, {{u"re", u"s"}, {u"", u"s"}});
  made.LexemeAt(doLexeme)->Lemma = u"do";
  made.GetLexeme(doLexeme)->SetPartOfSpeech(1);
  for (E* engine : {&made, &read}) {
    ASSERT_EQ(engine->SaveToFile(dir.WFile("written.drmp")), 0);
    const std::string written = ReadFileBytes(dir.File("written.drmp"));
    EXPECT_TRUE(written == golden) << "first difference at byte " << test::FirstDifference(written, golden);
  }
}

TEST(LexiconFile, SaveLoadSaveIsByteIdenticalAfterCompaction) {
  TempDir dir;
  E e;
  FillSample(e);
  const std::u16string first = dir.WFile("first.drmp");
  ASSERT_EQ(e.SaveToFile(first), 0);
  EXPECT_EQ(e.LexemeAt(2)->FormCount(), 2);  // the duplicate form went
  CheckEngineInvariants(e);

  E loaded;
  ASSERT_EQ(loaded.LoadFromFile(first), 0);
  CheckEngineInvariants(loaded);
  EXPECT_EQ(AllForms(loaded), AllForms(e));
  EXPECT_EQ(loaded.GetHeaderText1(), u"Sample lexicon");
  EXPECT_EQ(loaded.GetHeaderText2(), u"Kestrune");
  EXPECT_EQ(loaded.RuleCount(), e.RuleCount());
  EXPECT_EQ(loaded.GetLexeme(0)->GetFormFeature25(2), 5);
  ASSERT_EQ(loaded.BaseCount(), 1);
  EXPECT_EQ(loaded.GetBase(0)->SymbolCount, 26);
  EXPECT_EQ(loaded.GetBase(0)->FileName, platform::WideLowerCase(first));
  EXPECT_EQ(loaded.ReplaceSymbol(u'a', 9), u'b');
  EXPECT_EQ(loaded.ReplaceSymbol(u'A', 9), u'B');
  EXPECT_EQ(loaded.ReplaceSymbol(u'a', 7), u'a');  // no base of that language
  TLangIDs ids;
  EXPECT_EQ(loaded.LanguagesOfText(u"Happy", ids), 1);
  EXPECT_EQ(loaded.LanguagesOfText(u"h\u00e4ppy", ids), 0);
  int32_t lexeme = -1, count = -1;
  loaded.FindLexemeBySymbol(u'h', lexeme, count);
  EXPECT_EQ(lexeme, 1);
  EXPECT_EQ(count, 7);
  EXPECT_EQ(loaded.LexemeAt(1)->MaxEnding, 5);

  const std::u16string second = dir.WFile("second.drmp");
  ASSERT_EQ(loaded.SaveToFile(second), 0);
  EXPECT_EQ(ReadFileBytes(dir.File("first.drmp")), ReadFileBytes(dir.File("second.drmp")));
}

TEST(LexiconFile, TagSizesFollowTheBodies) {
  TempDir dir;
  E e;
  const int32_t lx = AddParadigm(e, {{u"", u""}, {u"", u"s"}});
  e.LexemeAt(lx)->Lemma = std::u16string(200, u'x');
  ASSERT_EQ(e.SaveToFile(dir.WFile("l.drmp")), 0);
  const std::string bytes = ReadFileBytes(dir.File("l.drmp"));
  ASSERT_GT(bytes.size(), 20u);
  // Info with empty header texts: tag 1, body 29.
  EXPECT_EQ(static_cast<uint8_t>(bytes[16]), 2);
  EXPECT_EQ(static_cast<uint8_t>(bytes[17]), 29);
  // The lemma tag of a 200-character lemma: tag 131, body 406.
  const size_t lexemeTag = bytes.size() - (4 + 406 + 2 + 10) - 4;
  uint16_t word = 0;
  std::memcpy(&word, bytes.data() + lexemeTag, 2);
  EXPECT_EQ(word, 130 * 2 + 1);
  std::memcpy(&word, bytes.data() + lexemeTag + 4, 2);
  EXPECT_EQ(word, 131 * 2 + 1);
  std::memcpy(&word, bytes.data() + lexemeTag + 6, 2);
  EXPECT_EQ(word, 406);
  TMEFileInfo info;
  ASSERT_EQ(e.ReadFileInfo(dir.WFile("l.drmp"), info), 0);
  EXPECT_EQ(info.LexemeCount, 1);
  EXPECT_EQ(info.RuleCount, 2);
  EXPECT_EQ(info.Version, 3);
  EXPECT_EQ(info.LanguageId, 9);
  EXPECT_EQ(info.DeleteEnabled, 1);
}

TEST(LexiconFile, MoreThan65535RulesUseWideFormEntries) {
  TempDir dir;
  E e;
  // 70,000 rules: 280 prefixes x 250 endings, one form each in 70 lexemes.
  std::vector<std::u16string> prefixes, endings;
  for (int i = 0; i < 280; ++i) prefixes.push_back(u"p" + std::u16string{static_cast<char16_t>(0x100 + i)});
  for (int i = 0; i < 250; ++i) endings.push_back(u"e" + std::u16string{static_cast<char16_t>(0x100 + i)});
  for (int lx = 0; lx < 70; ++lx) {
    const int32_t index = e.AddLexeme();
    TMEGroup* g = e.GetLexeme(index);
    for (int k = 0; k < 1000; ++k) {
      const int n = lx * 1000 + k;
      const int32_t j = g->AddForm();
      g->SetFormEnding(j, endings[n % 250]);
      g->SetFormPrefix(j, prefixes[n / 250]);
    }
  }
  ASSERT_EQ(e.SaveToFile(dir.WFile("wide.drmp")), 0);
  ASSERT_EQ(e.RuleCount(), 70001);
  TMEFileInfo info;
  ASSERT_EQ(e.ReadFileInfo(dir.WFile("wide.drmp"), info), 0);
  EXPECT_EQ(info.RuleCount, 70001);
  E loaded;
  ASSERT_EQ(loaded.LoadFromFile(dir.WFile("wide.drmp")), 0);
  EXPECT_EQ(loaded.RuleCount(), 70001);
  // Forms beyond rule 65,535 keep their rules.
  EXPECT_EQ(loaded.MakeForm(u"-", 69, 999), e.MakeForm(u"-", 69, 999));
  EXPECT_EQ(loaded.MakeForm(u"-", 69, 999), prefixes[279] + u"-" + endings[69999 % 250]);
  EXPECT_GT(loaded.LexemeAt(69)->Forms[999].Rule, 65535);
  // Each lexeme's forms tag holds 1000 entries of 7 bytes.
  const std::string bytes = ReadFileBytes(dir.File("wide.drmp"));
  uint16_t word = 0;
  uint16_t length = 0;
  const size_t formsTag = bytes.size() - 7000 - 4;
  std::memcpy(&word, bytes.data() + formsTag, 2);
  std::memcpy(&length, bytes.data() + formsTag + 2, 2);
  EXPECT_EQ(word, 132 * 2 + 1);
  EXPECT_EQ(length, 7000);
  CheckEngineInvariants(loaded);
}

TEST(LexiconFile, LoadingTwiceAppendsLexemesButNoAffixOrRule) {
  TempDir dir;
  E e;
  FillSample(e);
  ASSERT_EQ(e.SaveToFile(dir.WFile("s.drmp")), 0);
  E twice;
  ASSERT_EQ(twice.LoadFromFile(dir.WFile("s.drmp")), 0);
  const int32_t lexemes = twice.LexemeCount(), rules = twice.RuleCount();
  const int32_t prefixes = twice.PrefixCount(), endings = twice.EndingCount();
  ASSERT_EQ(twice.LoadFromFile(dir.WFile("s.drmp")), 0);
  EXPECT_EQ(twice.LexemeCount(), 2 * lexemes);
  EXPECT_EQ(twice.RuleCount(), rules);
  EXPECT_EQ(twice.PrefixCount(), prefixes);
  EXPECT_EQ(twice.EndingCount(), endings);
  EXPECT_EQ(twice.BaseCount(), 1);
  EXPECT_EQ(twice.MakeForm(u"walk", lexemes, 3), u"walking");
  CheckEngineInvariants(twice);
  // Saved again: one set of affixes and rules, every lexeme of both loads.
  ASSERT_EQ(twice.SaveToFile(dir.WFile("t.drmp")), 0);
  E back;
  ASSERT_EQ(back.LoadFromFile(dir.WFile("t.drmp")), 0);
  EXPECT_EQ(back.LexemeCount(), 2 * lexemes);
  EXPECT_EQ(back.RuleCount(), rules);
}

TEST(LexiconFile, MergingTwoLexiconsMapsTheSecondFilesIds) {
  TempDir dir;
  E a;
  AddParadigm(a, {{u"", u""}, {u"", u"s"}});
  ASSERT_EQ(a.SaveToFile(dir.WFile("a.drmp")), 0);
  E b;
  AddParadigm(b, {{u"", u"en"}, {u"ge", u"t"}, {u"", u"s"}});
  b.SetLanguageId(7);
  ASSERT_EQ(b.SaveToFile(dir.WFile("b.drmp")), 0);
  E merged;
  ASSERT_EQ(merged.LoadFromFile(dir.WFile("a.drmp")), 0);
  ASSERT_EQ(merged.LoadFromFile(dir.WFile("b.drmp")), 0);
  ASSERT_EQ(merged.LexemeCount(), 2);
  EXPECT_EQ(merged.GetLanguageId(), 7);  // the last file's
  EXPECT_EQ(merged.GetLexeme(1)->GetLanguage(), 7);
  EXPECT_EQ(merged.GetLexeme(0)->GetLanguage(), 9);
  EXPECT_EQ(merged.MakeForm(u"sag", 1, 1), u"gesagt");
  EXPECT_EQ(merged.MakeForm(u"sag", 1, 2), u"sags");
  EXPECT_EQ(merged.EndingCount(), 4);  // "", "s", "en", "t"
  CheckEngineInvariants(merged);
  ASSERT_EQ(merged.SaveToFile(dir.WFile("m.drmp")), 0);
  E back;
  ASSERT_EQ(back.LoadFromFile(dir.WFile("m.drmp")), 0);
  EXPECT_EQ(AllForms(back), AllForms(merged));
}

TEST(LexiconFile, ResultCodes) {
  TempDir dir;
  E e;
  EXPECT_EQ(e.SaveToFile(dir.WFile("none.drmp")), E::kNoLexemes);
  EXPECT_FALSE(platform::FileExists(dir.WFile("none.drmp")));
  AddParadigm(e, {{u"", u""}, {u"", u"s"}});
  EXPECT_EQ(e.SaveToFile(u""), E::kFileError);
  EXPECT_EQ(e.SaveToFile(dir.WFile("no/such/folder.drmp")), E::kFileError);
  const std::u16string good = dir.WFile("good.drmp");
  ASSERT_EQ(e.SaveToFile(good), 0);
  const std::string bytes = ReadFileBytes(dir.File("good.drmp"));

  int32_t reports = 0, last = -1;
  E r;
  r.OnProgressChange = [&](int32_t p) {
    EXPECT_GT(p, last);
    last = p;
    ++reports;
  };
  EXPECT_EQ(r.LoadFromFile(u""), E::kFileError);
  EXPECT_EQ(r.LoadFromFile(dir.WFile("missing.drmp")), E::kFileMissing);
  EXPECT_EQ(reports, 0);

  std::string magic = bytes;
  magic[0] = 'X';
  WriteFileBytes(dir.File("magic.drmp"), magic);
  EXPECT_EQ(r.LoadFromFile(dir.WFile("magic.drmp")), E::kWrongMagic);
  EXPECT_EQ(last, 100);

  // A stored CRC of 0 is compared like any other.
  std::string zero = bytes;
  std::memset(zero.data() + 4, 0, 4);
  WriteFileBytes(dir.File("zero.drmp"), zero);
  last = -1;
  EXPECT_EQ(r.LoadFromFile(dir.WFile("zero.drmp")), E::kCRCMismatch);
  std::string flipped = bytes;
  flipped.back() ^= 1;
  WriteFileBytes(dir.File("flipped.drmp"), flipped);
  last = -1;
  EXPECT_EQ(r.LoadFromFile(dir.WFile("flipped.drmp")), E::kCRCMismatch);

  // Info version 2: -3, nothing entered, 100 reported.
  std::string version = bytes;
  version[18 + 16] = 2;
  WriteFileBytes(dir.File("version.drmp"), WithCRC(version));
  last = -1;
  EXPECT_EQ(r.LoadFromFile(dir.WFile("version.drmp")), E::kWrongVersion);
  EXPECT_EQ(last, 100);
  EXPECT_EQ(r.LexemeCount(), 0);
  EXPECT_EQ(r.RuleCount(), 1);

  // A rule naming an ending the file does not have: -5, no exception.
  E c;
  const int32_t lx = AddParadigm(c, {{u"", u"a"}});
  (void)lx;
  ASSERT_EQ(c.SaveToFile(dir.WFile("c.drmp")), 0);
  std::string corrupt = ReadFileBytes(dir.File("c.drmp"));
  // The rules tag: u16 tag, u32 length, i32 count 2, pair {0, 1}.
  const size_t rules = corrupt.find(std::string("\x0b\x80", 2), 16);
  ASSERT_NE(rules, std::string::npos);
  corrupt[rules + 6 + 4 + 2] = 9;
  WriteFileBytes(dir.File("corrupt.drmp"), WithCRC(corrupt));
  E d;
  EXPECT_EQ(d.LoadFromFile(dir.WFile("corrupt.drmp")), E::kCorrupt);
  CheckEngineInvariants(d);

  TMEFileInfo info;
  info.LexemeCount = 5;
  EXPECT_EQ(r.ReadFileInfo(u"", info), E::kFileError);
  EXPECT_EQ(info.LexemeCount, 0);
  EXPECT_EQ(r.ReadFileInfo(dir.WFile("missing.drmp"), info), E::kFileMissing);
  EXPECT_EQ(r.ReadFileInfo(dir.WFile("magic.drmp"), info), E::kWrongMagic);
  EXPECT_EQ(r.ReadFileInfo(dir.WFile("zero.drmp"), info), 0);  // no CRC check
  EXPECT_EQ(info.LexemeCount, 1);
}

TEST(LexiconFile, HugeCountsInACorruptBodyEndTheLoadWithoutAllocating) {
  TempDir dir;
  E e;
  AddParadigm(e, {{u"", u""}, {u"", u"s"}});
  ASSERT_EQ(e.SaveToFile(dir.WFile("h.drmp")), 0);
  const std::string bytes = ReadFileBytes(dir.File("h.drmp"));
  // The form count of the lemma tag (last lexeme: lemma tag 4, body 6).
  const size_t lemma = bytes.rfind(std::string("\x08\x06", 2));
  ASSERT_NE(lemma, std::string::npos);
  std::string big = bytes;
  big[lemma + 2 + 4] = '\xff';
  big[lemma + 2 + 5] = '\x7f';
  WriteFileBytes(dir.File("big.drmp"), WithCRC(big));
  E r;
  EXPECT_EQ(r.LoadFromFile(dir.WFile("big.drmp")), E::kCorrupt);
  EXPECT_EQ(r.LexemeCount(), 1);  // the lexeme is there, without forms
  CheckEngineInvariants(r);
}

TEST(LexiconFile, AFileCutAtEveryOffsetLoadsWithoutACrash) {
  TempDir dir;
  E e;
  FillSample(e);
  ASSERT_EQ(e.SaveToFile(dir.WFile("full.drmp")), 0);
  const std::string bytes = ReadFileBytes(dir.File("full.drmp"));
  const std::u16string cut = dir.WFile("cut.drmp");
  for (size_t n = 0; n < bytes.size(); ++n) {
    WriteFileBytes(dir.File("cut.drmp"), WithCRC(bytes.substr(0, n)));
    E r;
    const int32_t result = r.LoadFromFile(cut);
    EXPECT_TRUE(result == 0 || result == E::kWrongMagic || result == E::kCorrupt || result == E::kWrongVersion ||
                result == E::kCRCMismatch)
        << n << ": " << result;
    CheckEngineInvariants(r);
    if (::testing::Test::HasFailure()) return;
  }
}

}  // namespace
}  // namespace kestrune
