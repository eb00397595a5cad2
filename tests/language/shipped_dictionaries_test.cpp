// The dictionaries the program ships, as the build made them: the English and
// Russian word dictionaries load with their lexicons and merge, inflected forms
// resolve to the forms of their word, stop words are marked from the stop-word
// lists, parts of speech are set where the source gives them, and the forms of
// a sample of entries equal what Hunspell's own unmunch expands.
//
// The files are looked for in KESTRUNE_DICTIONARIES (environment) or the
// build's data folder. A sanitizer build uses the normal build's files and
// skips these tests when they are absent; the normal build requires them.
#include <gtest/gtest.h>

#include <hunspell/hunspell.hxx>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/base.h"
#include "core/unicode_file.h"
#include "language/morphology_engine_full.h"
#include "language/stop_list.h"
#include "language/text_parsing_chars.h"
#include "language/word_dictionary.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"
#include "tests/support/shipped_folder.h"

namespace kestrune {
namespace {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

constexpr uint8_t kNoun = 3, kVerb = 1, kAdverb = 5, kAdjective = 6, kUndefined = 0;

using test::ShippedFolder;

std::string HunspellFolder() { return KESTRUNE_HUNSPELL_DIR; }

bool FileExists(const std::string& path) { return std::ifstream(path).good(); }

// The stop-word lists the build makes, one per language.
const char* const kStopLists[] = {"stop_english.txt", "stop_russian.txt", "stop_german.txt", "stop_french.txt",
                                  "stop_italian.txt"};

// English and Russian loaded into one dictionary with one engine, with the
// stop words of every list marked, as the program loads them.
class ShippedDictionaries : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string folder = ShippedFolder();
    if (!FileExists(folder + "/english.dws") || !FileExists(folder + "/russian.dws")) return;
    engine_ = std::make_unique<TIMorphologyEngineFull>();
    dict_ = std::make_unique<TIWordDictionary>();
    dict_->SetMorphologyEngine(engine_.get());
    englishResult_ = dict_->LoadFromFile(Utf8ToUtf16(folder + "/english.dws"));
    englishCount_ = dict_->Count();
    englishLexemes_ = engine_->LexemeCount();
    russianResult_ = dict_->LoadFromFile(Utf8ToUtf16(folder + "/russian.dws"));
    loadedCount_ = dict_->Count();
    for (const char* list : kStopLists) stopLines_ += MarkStopList(*dict_, Utf8ToUtf16(folder + "/" + list));
  }
  static void TearDownTestSuite() {
    if (dict_) dict_->SetMorphologyEngine(nullptr);
    dict_.reset();
    engine_.reset();
  }
  void SetUp() override {
    if (!dict_) {
#if KESTRUNE_SHIPPED_REQUIRED
      FAIL() << "the built dictionaries are missing in " << ShippedFolder();
#else
      GTEST_SKIP() << "no built dictionaries in " << ShippedFolder() << " (the normal build makes them)";
#endif
    }
  }

  // "stem/form text" of every reading of the text.
  static std::vector<std::pair<TWDWord*, std::u16string>> Readings(std::u16string_view text) {
    TWordVariants list;
    TAffixIndexes scratch;
    const int32_t n = dict_->Search(text, list, 0, scratch);
    std::vector<std::pair<TWDWord*, std::u16string>> readings;
    for (int32_t i = 0; i < n; ++i) {
      TWDWord* word = dict_->GetWord(list[i].WordIndex);
      readings.emplace_back(word, word->GetForm(list[i].Form));
    }
    return readings;
  }
  // The word whose initial form is the text (a reading with form 0), or null.
  static TWDWord* WordOf(std::u16string_view text) {
    TWordVariants list;
    TAffixIndexes scratch;
    const int32_t n = dict_->Search(text, list, 0, scratch);
    for (int32_t i = 0; i < n; ++i) {
      TWDWord* word = dict_->GetWord(list[i].WordIndex);
      if (list[i].Form == 0 && word->GetText() == text) return word;
    }
    return nullptr;
  }
  static std::set<std::u16string> FormsOf(TWDWord* word) {
    std::set<std::u16string> forms;
    for (int32_t k = 0; k < word->FormCount(); ++k) forms.insert(word->GetForm(k));
    return forms;
  }

  static inline std::unique_ptr<TIMorphologyEngineFull> engine_;
  static inline std::unique_ptr<TIWordDictionary> dict_;
  static inline int32_t englishResult_ = -100, russianResult_ = -100;
  static inline int32_t englishCount_ = 0, englishLexemes_ = 0, loadedCount_ = 0, stopLines_ = 0;
};

TEST_F(ShippedDictionaries, LoadWithTheirLexiconsAndMerge) {
  ASSERT_EQ(englishResult_, 0);
  ASSERT_EQ(russianResult_, 0);
  ASSERT_EQ(dict_->LoadCount(), 2);
  const TWDLoadDictionary& en = dict_->LoadDictionary(0);
  const TWDLoadDictionary& ru = dict_->LoadDictionary(1);
  EXPECT_EQ(en.ID, 9);
  EXPECT_EQ(ru.ID, 25);
  EXPECT_EQ(en.MorphologyFile, u"english.drmp");
  EXPECT_EQ(ru.MorphologyFile, u"russian.drmp");
  EXPECT_EQ(en.First, 0);
  EXPECT_EQ(en.Last, englishCount_ - 1);
  EXPECT_EQ(ru.First, englishCount_);
  EXPECT_EQ(ru.Last, loadedCount_ - 1);
  EXPECT_GT(englishCount_, 50000);
  EXPECT_GT(ru.Last - ru.First, 100000);
  EXPECT_LT(dict_->Count(), TIWordDictionary::kMaxWords);
  // The Russian lexemes follow the English ones.
  EXPECT_EQ(en.GroupBase, 0);
  EXPECT_EQ(ru.GroupBase, englishLexemes_);

  // The headers name the language, the lexicon file beside them and the
  // sources' authors and licences; both lexicons fit 16-bit groups.
  const std::string folder = ShippedFolder();
  const struct {
    std::string name;
    int32_t id;
    std::u16string author;
  } files[] = {{"english", 9, u"Kevin Atkinson"}, {"russian", 25, u"Alexander I. Lebedev"}};
  for (const auto& [name, id, authorName] : files) {
    TIWordDictionary reader;
    TWDFileHeader header;
    std::u16string morphology, author, description;
    ASSERT_TRUE(reader.ReadFileHeader(Utf8ToUtf16(folder + "/" + name + ".dws"), header, morphology, author,
                                      description));
    EXPECT_EQ(header.DictID, id);
    EXPECT_EQ(morphology, Utf8ToUtf16(name + ".drmp"));
    EXPECT_NE(author.find(authorName), std::u16string::npos) << Utf16ToUtf8(author);
    EXPECT_NE(author.find(u"Fabien Potencier"), std::u16string::npos) << Utf16ToUtf8(author);
    EXPECT_EQ(author.find(u"Kestrune"), std::u16string::npos) << Utf16ToUtf8(author);
    TIMorphologyEngineFull lexicon;
    TMEFileInfo info;
    ASSERT_EQ(lexicon.ReadFileInfo(Utf8ToUtf16(folder + "/" + name + ".drmp"), info), 0);
    EXPECT_EQ(info.LanguageId, id);
    EXPECT_GT(info.LexemeCount, 0);
    EXPECT_LE(info.LexemeCount, 32768);
    ASSERT_EQ(lexicon.LoadFromFile(Utf8ToUtf16(folder + "/" + name + ".drmp")), 0);
    EXPECT_EQ(lexicon.GetHeaderText2(), author);
  }

  // Every word carries the language of its file.
  EXPECT_EQ(dict_->GetWord(0)->GetDictionaryID(), 9);
  EXPECT_EQ(dict_->GetWord(ru.First)->GetDictionaryID(), 25);
  EXPECT_EQ(dict_->GetWord(ru.Last)->GetDictionaryID(), 25);
}

TEST_F(ShippedDictionaries, InflectedFormsResolveToTheirWord) {
  // (form, initial form of its word)
  const std::vector<std::pair<std::u16string, std::u16string>> cases = {
      {u"houses", u"house"},   {u"housing", u"house"},   {u"housed", u"house"},    {u"rehoused", u"house"},
      {u"cats", u"cat"},       {u"flies", u"fly"},       {u"walked", u"walk"},     {u"happier", u"happy"},
      {u"paris", u"paris"},    {u"дома", u"дом"},        {u"домами", u"дом"},      {u"книгу", u"книга"},
      {u"столами", u"стол"},   {u"читали", u"читать"},   {u"читаю", u"читать"},    {u"читая", u"читать"},
      {u"красивые", u"красивый"}, {u"говорила", u"говорить"},
  };
  for (const auto& [form, lemma] : cases) {
    bool found = false;
    for (const auto& [word, text] : Readings(form)) {
      EXPECT_EQ(text, form);
      if (word->GetText() == lemma) found = true;
    }
    EXPECT_TRUE(found) << Utf16ToUtf8(form) << " should be a form of " << Utf16ToUtf8(lemma);
  }
  // The forms the source gives "house" (en_US: house/ASGD), all in lower case.
  TWDWord* house = WordOf(u"house");
  ASSERT_NE(house, nullptr);
  EXPECT_EQ(FormsOf(house), (std::set<std::u16string>{u"house", u"houses", u"housing", u"housed", u"rehouse",
                                                      u"rehouses", u"rehousing", u"rehoused"}));
  // Forms the parser never meets as one token are left out; an unknown
  // inflection finds nothing.
  EXPECT_TRUE(Readings(u"house's").empty());
  EXPECT_TRUE(Readings(u"housz").empty());
  EXPECT_TRUE(Readings(u"House").empty());  // stored and looked up in lower case
}

TEST_F(ShippedDictionaries, StopWordsCarryTheirMark) {
  EXPECT_GT(stopLines_, 200);
  for (std::u16string_view stop : {u"the", u"and", u"of", u"which", u"и", u"не", u"что", u"она"}) {
    const auto readings = Readings(stop);
    ASSERT_FALSE(readings.empty()) << Utf16ToUtf8(stop);
    for (const auto& [word, text] : readings) {
      EXPECT_TRUE(word->GetFlags() & TWDWord::kFlagMark) << Utf16ToUtf8(stop);
    }
  }
  for (std::u16string_view content : {u"house", u"dictionary", u"книга", u"дом"}) {
    for (const auto& [word, text] : Readings(content)) {
      EXPECT_FALSE(word->GetFlags() & TWDWord::kFlagMark) << Utf16ToUtf8(content);
    }
  }
  // The lists are UTF-16LE with a byte-order mark, one lower-case word a line.
  const std::string bytes = test::ReadFileBytes(ShippedFolder() + "/stop_english.txt");
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
}

TEST_F(ShippedDictionaries, PartsOfSpeechWhereTheSourceGivesThem) {
  // English: WordNet's dominant class of the word, of irregular forms by its
  // exception lists ("went") or detachment rules ("women"); Russian: the
  // class of the entry's affix flags where it is one ("печь" is a noun and a
  // verb, "злее" a comparative: no class).
  const std::vector<std::pair<std::u16string, uint8_t>> cases = {
      {u"house", kNoun},        {u"dictionary", kNoun},   {u"often", kAdverb},        {u"beautiful", kAdjective},
      {u"eat", kVerb},          {u"went", kVerb},         {u"women", kNoun},          {u"firemen", kNoun},
      {u"the", kUndefined},     {u"дом", kNoun},          {u"книга", kNoun},          {u"читать", kVerb},
      {u"говорить", kVerb},     {u"красивый", kAdjective}, {u"печь", kUndefined},     {u"злее", kUndefined},
  };
  for (const auto& [text, pos] : cases) {
    TWDWord* word = WordOf(text);
    ASSERT_NE(word, nullptr) << Utf16ToUtf8(text);
    EXPECT_EQ(word->GetPartOfSpeech(), pos) << Utf16ToUtf8(text);
    if (word->GetGroup() >= 0) {
      EXPECT_EQ(engine_->GetLexeme(word->GetGroup())->GetPartOfSpeech(), pos);
    }
  }
}

// The German, French, Italian and Russian lists leave the English words spelt
// like their stop words ("die", "war", "man", "hat", "son", "come", "will")
// alone: after them, the English words marked are those the English list
// marked. Their stop words that no loaded dictionary holds join the dictionary
// as words of their language.
TEST_F(ShippedDictionaries, StopListsOfOtherLanguagesLeaveEnglishWordsAlone) {
  const std::string folder = ShippedFolder();
  TIMorphologyEngineFull engine;
  TIWordDictionary english;
  english.SetMorphologyEngine(&engine);
  ASSERT_EQ(english.LoadFromFile(Utf8ToUtf16(folder + "/english.dws")), 0);
  const int32_t loaded = english.Count();
  auto marked = [&] {
    std::set<int32_t> words;
    for (int32_t i = 0; i < loaded; ++i) {
      if (english.GetWord(i)->GetFlags() & TWDWord::kFlagMark) words.insert(i);
    }
    return words;
  };
  ASSERT_GT(MarkStopList(english, Utf8ToUtf16(folder + "/stop_english.txt")), 100);
  const std::set<int32_t> byEnglish = marked();
  EXPECT_GT(byEnglish.size(), 100u);
  for (const char* list : kStopLists) ASSERT_GT(MarkStopList(english, Utf8ToUtf16(folder + "/" + list)), 100) << list;
  std::vector<std::string> more;
  for (int32_t word : marked()) {
    if (!byEnglish.count(word)) more.push_back(Utf16ToUtf8(english.GetWord(word)->GetText()));
  }
  EXPECT_TRUE(more.empty()) << more.size() << " English words made stop words by other lists, the first "
                            << (more.empty() ? "" : more[0]);
  TWordVariants list;
  TAffixIndexes scratch;
  for (std::u16string_view text : {u"die", u"war", u"man", u"hat", u"son", u"come", u"will"}) {
    const int32_t n = english.Search(text, list, 0, scratch);
    ASSERT_GT(n, 0) << Utf16ToUtf8(text);
    for (int32_t i = 0; i < n; ++i) {
      EXPECT_FALSE(english.GetWord(list[i].WordIndex)->GetFlags() & TWDWord::kFlagMark) << Utf16ToUtf8(text);
    }
  }
  // "und" and "avec" are no English words: they join as German and French.
  for (const auto& [text, language] : {std::pair{u"und", kLangGerman}, std::pair{u"avec", kLangFrench}}) {
    ASSERT_EQ(english.Search(text, list, 0, scratch), 1);
    const TWDWord* word = english.GetWord(list[0].WordIndex);
    EXPECT_GE(list[0].WordIndex, loaded);
    EXPECT_EQ(word->GetDictionaryID(), language);
    EXPECT_TRUE(word->GetFlags() & TWDWord::kFlagMark);
  }
  english.SetMorphologyEngine(nullptr);
}

// The word tokens of real texts, as the benchmark takes them: runs between
// the parser's separators and control characters (the hyphen too), without
// those that hold a digit or an underscore; English from Debian's
// fortunes-min, Russian from fortunes-ru (its files in name order, at most
// 300000 tokens).
struct TTokens {
  std::vector<std::string> Original;  // UTF-8, as in the text (Hunspell's input)
  std::vector<std::u16string> Lower;  // as the parser looks them up
};

void AddTokens(const std::string& bytes, TTokens& tokens, size_t limit) {
  const std::u16string text = Utf8ToUtf16(bytes);
  auto separator = [](char16_t c) { return c < 32 || parsing::IsSeparator(c); };
  size_t i = 0;
  while (i < text.size() && tokens.Lower.size() < limit) {
    while (i < text.size() && separator(text[i])) ++i;
    const size_t start = i;
    bool keep = true;
    while (i < text.size() && !separator(text[i])) {
      if ((text[i] >= u'0' && text[i] <= u'9') || text[i] == u'_') keep = false;
      ++i;
    }
    if (i > start && keep) {
      const std::u16string_view token(text.data() + start, i - start);
      tokens.Original.push_back(Utf16ToUtf8(token));
      tokens.Lower.push_back(platform::WideLowerCase(token));
    }
  }
}

TTokens RealText(const std::string& language) {
  const std::string fortunes = KESTRUNE_FORTUNES_DIR;
  TTokens tokens;
  if (language == "en_US") {
    for (const char* name : {"fortunes", "literature", "riddles"}) {
      AddTokens(test::ReadFileBytes(fortunes + "/" + name), tokens, SIZE_MAX);
    }
    return tokens;
  }
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(fortunes + "/ru", error)) {
    if (entry.path().extension() != ".dat" && entry.path().extension() != ".u8") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const std::string& file : files) AddTokens(test::ReadFileBytes(file), tokens, 300000);
  return tokens;
}

// The share of the word tokens of real text that our loaded dictionaries
// recognise (a look-up with flag 0 finds a reading) is at most one point below
// the share Hunspell accepts (spell) on the same tokens, from the same source.
TEST_F(ShippedDictionaries, RecogniseTheWordsOfRealTextAsHunspellDoes) {
  TWordVariants list;
  TAffixIndexes scratch;
  for (const std::string language : {"en_US", "ru_RU"}) {
    const TTokens tokens = RealText(language);
    ASSERT_GT(tokens.Lower.size(), 10000u) << language;
    Hunspell hunspell((HunspellFolder() + "/" + language + ".aff").c_str(),
                      (HunspellFolder() + "/" + language + ".dic").c_str());
    // Each distinct token is looked up once and counted as often as it stands.
    std::unordered_map<std::u16string, bool> ourAnswers;
    std::unordered_map<std::string, bool> theirAnswers;
    int64_t ours = 0;
    int64_t theirs = 0;
    for (size_t i = 0; i < tokens.Lower.size(); ++i) {
      const auto [our, ourNew] = ourAnswers.try_emplace(tokens.Lower[i], false);
      if (ourNew) our->second = dict_->Search(tokens.Lower[i], list, 0, scratch) > 0;
      const auto [their, theirNew] = theirAnswers.try_emplace(tokens.Original[i], false);
      if (theirNew) their->second = hunspell.spell(tokens.Original[i]);
      ours += our->second ? 1 : 0;
      theirs += their->second ? 1 : 0;
    }
    const double total = static_cast<double>(tokens.Lower.size());
    const double our = 100.0 * static_cast<double>(ours) / total;
    const double their = 100.0 * static_cast<double>(theirs) / total;
    EXPECT_GE(our, their - 1.0) << language << ": ours " << our << "%, Hunspell " << their << "%";
    std::printf("%s: %zu tokens, ours %.2f%%, Hunspell %.2f%%\n", language.c_str(), tokens.Lower.size(), our, their);
  }
}

// Runs a command with the lines as its input; the lines it prints.
std::vector<std::string> RunFilter(const std::string& command, const std::vector<std::string>& input,
                                   const test::TempDir& dir) {
  const std::string inputFile = dir.File("input.txt");
  std::ofstream out(inputFile, std::ios::binary);
  for (const std::string& line : input) out << line << "\n";
  out.close();
  std::vector<std::string> lines;
  FILE* pipe = popen((command + " < '" + inputFile + "' 2>/dev/null").c_str(), "r");
  if (!pipe) return lines;
  char buffer[4096];
  while (fgets(buffer, sizeof buffer, pipe)) {
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  pclose(pipe);
  return lines;
}

// The forms Debian's unmunch expands from the entries of each root, in lower
// case, without those the parser never meets as one token. One run for all
// roots (a run reads the whole affix file): a word of no flags stands between
// two roots' entries, and unmunch writes it back where it stood.
std::vector<std::set<std::u16string>> Unmunch(const std::string& affix,
                                              const std::vector<const std::vector<std::string>*>& roots,
                                              const test::TempDir& dir) {
  const std::string between = "qqbetweenrootsqq";
  const std::string dic = dir.File("sample.dic");
  std::ofstream out(dic, std::ios::binary);
  size_t lines = 0;
  for (const std::vector<std::string>* entries : roots) lines += entries->size() + 1;
  out << lines << "\n";
  for (const std::vector<std::string>* entries : roots) {
    for (const std::string& entry : *entries) out << entry << "\n";
    out << between << "\n";
  }
  out.close();
  std::vector<std::set<std::u16string>> forms(1);
  for (const std::string& line : RunFilter("unmunch '" + dic + "' '" + affix + "'", {}, dir)) {
    if (line == between) {
      forms.emplace_back();
      continue;
    }
    const std::u16string text = platform::WideLowerCase(Utf8ToUtf16(line));
    if (text.find_first_of(u"'. \u2019") == std::u16string::npos) forms.back().insert(text);
  }
  forms.pop_back();  // what follows the last root: nothing
  return forms;
}

// A sample of roots (every 97th, spread over the whole list): the forms of
// our word equal unmunch's for English. unmunch matches affix conditions byte
// by byte and so misses forms of UTF-8 conditions with letter sets; for
// Russian ours hold all of unmunch's. Hunspell itself accepts every form of
// the sampled lower-case roots.
TEST_F(ShippedDictionaries, ExpandedFormsEqualUnmunch) {
  ASSERT_EQ(std::system("command -v unmunch >/dev/null && command -v hunspell >/dev/null"), 0)
      << "unmunch (hunspell-tools) or hunspell is not installed";
  test::TempDir dir;
  for (const std::string language : {"en_US", "ru_RU"}) {
    // The entries by lower-case root, in file order.
    std::ifstream in(HunspellFolder() + "/" + language + ".dic");
    ASSERT_TRUE(in) << language;
    std::string line;
    std::getline(in, line);
    std::map<std::u16string, std::vector<std::string>> entries;
    std::map<std::u16string, bool> lowerCase;
    std::vector<std::u16string> order;
    while (std::getline(in, line)) {
      const std::string root = line.substr(0, line.find('/'));
      const std::string flags = line.find('/') == std::string::npos ? "" : line.substr(line.find('/') + 1);
      if (flags.find('c') != std::string::npos && language == "en_US") continue;  // compound parts only
      const std::u16string wide = Utf8ToUtf16(root);
      const std::u16string key = platform::WideLowerCase(wide);
      if (key.find_first_of(u"'. \u20190123456789") != std::u16string::npos) continue;
      auto [it, added] = entries.try_emplace(key);
      if (added) order.push_back(key);
      it->second.push_back(line);
      lowerCase.try_emplace(key, true).first->second &= wide == key;
    }
    int32_t compared = 0;
    int32_t unmunchMissed = 0;
    std::vector<std::string> accepted;
    std::vector<const std::vector<std::string>*> sampled;
    for (size_t i = 0; i < order.size(); i += 97) sampled.push_back(&entries[order[i]]);
    const std::vector<std::set<std::u16string>> unmunched =
        Unmunch(HunspellFolder() + "/" + language + ".aff", sampled, dir);
    ASSERT_EQ(unmunched.size(), sampled.size()) << language;
    for (size_t i = 0; i < order.size(); i += 97) {
      const std::u16string& root = order[i];
      const std::set<std::u16string>& expected = unmunched[i / 97];
      TWDWord* word = WordOf(root);
      ASSERT_NE(word, nullptr) << Utf16ToUtf8(root);
      const std::set<std::u16string> ours = FormsOf(word);
      if (language == "en_US") {
        EXPECT_EQ(ours, expected) << language << " " << Utf16ToUtf8(root);
      } else {
        EXPECT_TRUE(std::includes(ours.begin(), ours.end(), expected.begin(), expected.end()))
            << language << " " << Utf16ToUtf8(root);
        unmunchMissed += static_cast<int32_t>(ours.size() - expected.size());
      }
      if (lowerCase[root]) {
        for (const std::u16string& form : ours) accepted.push_back(Utf16ToUtf8(form));
      }
      ++compared;
    }
    EXPECT_GT(compared, 500) << language;
    EXPECT_GT(accepted.size(), 1000u) << language;
    // "hunspell -l" lists the words it does not accept.
    const std::vector<std::string> rejected =
        RunFilter("hunspell -i utf-8 -l -d '" + HunspellFolder() + "/" + language + "'", accepted, dir);
    EXPECT_TRUE(rejected.empty()) << language << ": Hunspell rejects " << rejected.size() << " forms, the first "
                                  << (rejected.empty() ? "" : rejected[0]);
    if (language == "ru_RU") std::printf("ru_RU: %d sampled forms that unmunch misses\n", unmunchMissed);
  }
}

}  // namespace
}  // namespace kestrune
