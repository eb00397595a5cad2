// kestrune_dictionary_builder: makes the word dictionary, lexicon and
// stop-word list of one language from a Hunspell dictionary, WordNet's word
// classes (English) or the classes of the dictionary's affix flags, and a
// Lingua::StopWords list.
//
//   kestrune_dictionary_builder --aff en_US.aff --dic en_US.dic --language 9
//       --name english --out data/dictionaries --author TEXT
//       [--wordnet /usr/share/wordnet] [--flag-classes "noun:KJ verb:L ..."]
//       [--stopwords EN.pm] [--description TEXT] [--proper-names yes]
//
// --proper-names yes: a word whose entries all hold capitals is a proper name
// (TWDWord::kAttr1ProperName). Not for lists that write common nouns with a
// capital (German).
//
// The author text goes into the headers of both files: it names the authors
// and the licences of the sources, so it is required.
//
// Writes <name>.dws, <name>.drmp and stop_<name>.txt into the output folder,
// loads them back to check them, and prints what it made. Exits with 1 (and a
// message) when a source is missing or a file cannot be written.
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "language/morphology_engine_full.h"
#include "language/word_dictionary.h"
#include "platform/text.h"
#include "tools/dictionary_builder/dictionary_builder.h"
#include "tools/dictionary_builder/hunspell_expander.h"
#include "tools/dictionary_builder/word_classes.h"

using namespace kestrune;

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "kestrune_dictionary_builder: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, std::string> args;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    if (key.rfind("--", 0) != 0) return Fail("unexpected argument " + key);
    args[key.substr(2)] = argv[i + 1];
  }
  for (const char* required : {"aff", "dic", "language", "name", "out", "author"}) {
    if (!args.count(required)) return Fail(std::string("missing --") + required);
  }
  if (args["author"].empty()) return Fail("the author text is empty");
  const auto started = std::chrono::steady_clock::now();
  const int16_t language = static_cast<int16_t>(std::stoi(args["language"]));
  const std::string name = args["name"];
  const std::string out = args["out"];
  const bool markProperNames = args.count("proper-names") > 0 && args["proper-names"] == "yes";
  if (args.count("proper-names") > 0 && !markProperNames && args["proper-names"] != "no") {
    return Fail("--proper-names takes yes or no");
  }

  THunspellAffixes affixes;
  if (affixes.LoadFromFile(args["aff"]) != 0) return Fail(affixes.Error());
  std::vector<THunspellEntry> entries;
  if (ReadHunspellDictionary(args["dic"], affixes, entries) != 0) return Fail("cannot read " + args["dic"]);
  if (entries.empty()) return Fail(args["dic"] + " holds no word");

  TWordNetClasses wordNet;
  const bool haveWordNet = args.count("wordnet") > 0;
  if (haveWordNet && !wordNet.Load(args["wordnet"])) return Fail("cannot read WordNet in " + args["wordnet"]);
  THunspellFlagClasses flagClasses;
  std::string classError;
  if (args.count("flag-classes") && !flagClasses.Parse(args["flag-classes"], affixes, classError)) {
    return Fail(classError);
  }

  // Forbidden words and the output words in the order of their first entry.
  THunspellExpander expander(affixes);
  std::unordered_set<std::u16string> forbidden;
  std::vector<TWordSource> words;
  GroupWordSources(
      entries, expander,
      [&](const THunspellEntry& entry, const std::u16string& root) -> uint8_t {
        return haveWordNet              ? wordNet.Find(root)
               : !flagClasses.Empty() ? flagClasses.Find(entry.Flags)
                                      : PartOfSpeechOfMorphology(entry.Morphology);
      },
      words, forbidden);

  TDictionaryBuilder builder(language);
  std::vector<THunspellForm> forms;
  std::vector<THunspellForm> entryForms;
  int64_t withoutForms = 0;
  int64_t withClass = 0;
  for (const TWordSource& word : words) {
    forms.clear();
    bool bare = false;
    for (size_t index : word.Entries) {
      expander.Expand(entries[index], entryForms);
      for (THunspellForm& form : entryForms) {
        if (forbidden.count(form.Text)) continue;
        if (form.Prefix.empty() && form.Tail.empty() && form.FrontStrip == 0 && form.BackStrip == 0) {
          if (bare) continue;
          bare = true;
          forms.insert(forms.begin(), std::move(form));
        } else {
          forms.push_back(std::move(form));
        }
      }
    }
    if (forms.empty()) {
      ++withoutForms;
      continue;
    }
    const int32_t result =
        builder.AddWord(entries[word.Entries[0]].Word, word.PartOfSpeech, forms, markProperNames && word.ProperName);
    if (result == TDictionaryBuilder::kLexiconFull) {
      return Fail("more than " + std::to_string(TDictionaryBuilder::kMaxLexemes) + " paradigms in " + args["dic"]);
    }
    if (result == TDictionaryBuilder::kNoForms) {
      ++withoutForms;
    } else if (word.PartOfSpeech != posUndefined) {
      ++withClass;
    }
  }

  // Stop words: the list as it stands (words the parser can meet), each in
  // the dictionary.
  std::vector<std::u16string> stopWords;
  int32_t stopAdded = 0;
  if (args.count("stopwords")) {
    std::vector<std::u16string> list;
    if (!ReadPerlStopWords(args["stopwords"], list)) return Fail("cannot read the stop words of " + args["stopwords"]);
    std::unordered_set<std::u16string> seen;
    for (const std::u16string& word : list) {
      if (!IsTokenText(word) || !seen.insert(word).second) continue;
      stopWords.push_back(word);
      if (!builder.Knows(word)) {
        builder.AddPlainWord(word, posUndefined);
        ++stopAdded;
      }
    }
  }

  std::string error;
  const std::u16string author = platform::Utf8ToUtf16(args["author"]);
  const std::u16string description =
      platform::Utf8ToUtf16(args.count("description") ? args["description"] : name + " word dictionary");
  if (builder.Save(out, name, author, description, error) != 0) return Fail(error);
  if (!stopWords.empty() && WriteStopWordFile(out + "/stop_" + name + ".txt", stopWords) != 0) {
    return Fail("cannot write stop_" + name + ".txt");
  }

  // Load the files back as the program does.
  TIMorphologyEngineFull engine;
  TIWordDictionary dictionary;
  dictionary.SetMorphologyEngine(&engine);
  const int32_t loaded = dictionary.LoadFromFile(platform::Utf8ToUtf16(out + "/" + name + ".dws"));
  if (loaded != 0) return Fail("the written " + name + ".dws does not load (" + std::to_string(loaded) + ")");
  if (dictionary.Count() != builder.Dictionary().Count() || engine.LexemeCount() != builder.Engine().LexemeCount()) {
    return Fail("the written " + name + ".dws loads " + std::to_string(dictionary.Count()) + " words and " +
                std::to_string(engine.LexemeCount()) + " lexemes");
  }
  int32_t properNames = 0;
  for (int32_t i = 0; i < dictionary.Count(); ++i) {
    const TWDWord* word = dictionary.GetWord(i);
    if (word->GetAttr1() != builder.Dictionary().GetWord(i)->GetAttr1()) {
      return Fail("the written " + name + ".dws loads other word marks");
    }
    if (word->IsProperName()) ++properNames;
  }
  dictionary.SetMorphologyEngine(nullptr);

  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf(
      "%s: %zu entries -> %d words (%lld with a part of speech, %d proper names, %d stop words added), %d lexemes, "
      "%d rules, %d endings, %d prefixes, %lld forms (%lld left out as no token), %lld entries without a form; "
      "%.1f s\n",
      name.c_str(), entries.size(), builder.Dictionary().Count(), static_cast<long long>(withClass), properNames,
      stopAdded,
      builder.Engine().LexemeCount(), builder.Engine().RuleCount(), builder.Engine().EndingCount(),
      builder.Engine().PrefixCount(), static_cast<long long>(builder.FormCount()),
      static_cast<long long>(builder.DroppedForms()), static_cast<long long>(withoutForms), seconds);
  return 0;
}
