#include "tools/dictionary_builder/word_classes.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>

#include "platform/text.h"
#include "tools/dictionary_builder/hunspell_affixes.h"

namespace kestrune {

namespace {

bool ReadAll(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream out;
  out << in.rdbuf();
  bytes = out.str();
  return true;
}

int32_t Number(std::string_view text) {
  int32_t value = -1;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// Collocations are joined by "_" in WordNet.
std::u16string Lemma(std::string_view field) {
  std::string text(field);
  for (char& c : text) {
    if (c == '_') c = ' ';
  }
  return platform::WideLowerCase(platform::Utf8ToUtf16(text));
}

// The classes in index order, and in order of preference when the counts are
// equal.
const uint8_t kWordNetClasses[] = {posNoun, posVerb, posAdjective, posAdverb};

// WordNet's detachment rules: a suffix and what replaces it, per class (the
// adverbs have none).
struct TDetachment {
  std::u16string_view Suffix;
  std::u16string_view Ending;
};
const std::vector<TDetachment> kDetachments[] = {
    {{u"s", u""}, {u"ses", u"s"}, {u"xes", u"x"}, {u"zes", u"z"}, {u"ches", u"ch"}, {u"shes", u"sh"},
     {u"men", u"man"}, {u"ies", u"y"}},
    {{u"s", u""}, {u"ies", u"y"}, {u"es", u"e"}, {u"es", u""}, {u"ed", u"e"}, {u"ed", u""}, {u"ing", u"e"},
     {u"ing", u""}},
    {{u"er", u""}, {u"est", u""}, {u"er", u"e"}, {u"est", u"e"}},
    {},
};

}  // namespace

bool TWordNetClasses::Load(const std::string& folder) {
  static const char* const kFiles[] = {"noun", "verb", "adj", "adv"};
  for (size_t c = 0; c < kClasses; ++c) {
    std::string bytes;
    if (!ReadAll(folder + "/index." + kFiles[c], bytes)) return false;
    std::istringstream lines(bytes);
    std::string line;
    while (std::getline(lines, line)) {
      if (line.empty() || line[0] == ' ') continue;  // the licence block
      const std::vector<std::string_view> f = SplitFields(line);
      // lemma pos synset_cnt p_cnt [ptr_symbol...] sense_cnt tagsense_cnt offsets...
      if (f.size() < 4) continue;
      const int32_t pointers = Number(f[3]);
      if (pointers < 0 || f.size() < 6 + static_cast<size_t>(pointers)) continue;
      TScore& score = lemmas_[Lemma(f[0])][c];
      score.Senses = std::max(0, Number(f[4 + static_cast<size_t>(pointers)]));
      score.TaggedSenses = std::max(0, Number(f[5 + static_cast<size_t>(pointers)]));
    }
    std::string exceptions;
    if (ReadAll(folder + "/" + kFiles[c] + ".exc", exceptions)) {
      std::istringstream excLines(exceptions);
      while (std::getline(excLines, line)) {
        const std::vector<std::string_view> f = SplitFields(line);
        if (!f.empty()) exceptions_.emplace(Lemma(f[0]), kWordNetClasses[c]);
      }
    }
  }
  return true;
}

uint8_t TWordNetClasses::Find(std::u16string_view word) const {
  const std::u16string key(word);
  if (auto it = lemmas_.find(key); it != lemmas_.end()) {
    size_t best = 0;
    for (size_t c = 1; c < kClasses; ++c) {
      if (it->second[c].Beats(it->second[best])) best = c;
    }
    return kWordNetClasses[best];
  }
  if (auto it = exceptions_.find(key); it != exceptions_.end()) return it->second;
  uint8_t found = posUndefined;
  TScore best;
  for (size_t c = 0; c < kClasses; ++c) {
    for (const TDetachment& rule : kDetachments[c]) {
      if (word.size() <= rule.Suffix.size() || word.substr(word.size() - rule.Suffix.size()) != rule.Suffix) continue;
      std::u16string base(word.substr(0, word.size() - rule.Suffix.size()));
      base += rule.Ending;
      const auto it = lemmas_.find(base);
      if (it == lemmas_.end() || it->second[c].Senses < 0) continue;
      if (found == posUndefined || it->second[c].Beats(best)) {
        found = kWordNetClasses[c];
        best = it->second[c];
      }
    }
  }
  return found;
}

bool THunspellFlagClasses::Parse(std::string_view spec, const THunspellAffixes& affixes, std::string& error) {
  static const struct {
    std::string_view Name;
    uint8_t PartOfSpeech;
  } kNames[] = {{"noun", posNoun}, {"verb", posVerb}, {"adjective", posAdjective}, {"adverb", posAdverb}};
  classes_.clear();
  for (std::string_view field : SplitFields(spec)) {
    const size_t colon = field.find(':');
    const std::string_view name = field.substr(0, colon);
    uint8_t pos = posUndefined;
    for (const auto& entry : kNames) {
      if (entry.Name == name) pos = entry.PartOfSpeech;
    }
    if (pos == posUndefined || colon == std::string_view::npos) {
      error = "unknown flag class \"" + std::string(field) + "\"";
      return false;
    }
    const std::string_view flagText = field.substr(colon + 1);
    for (THunspellFlag flag : affixes.ParseFlagText(flagText)) {
      if (affixes.SuffixesOf(flag).empty() && affixes.PrefixesOf(flag).empty()) {
        error = "the flags \"" + std::string(flagText) + "\" of the class " + std::string(name) +
                " name a flag without affix rules";
        return false;
      }
      if (!classes_.emplace(flag, pos).second) {
        error = "a flag of \"" + std::string(flagText) + "\" is named twice";
        return false;
      }
    }
  }
  return true;
}

uint8_t THunspellFlagClasses::Find(const THunspellFlags& flags) const {
  uint8_t found = posUndefined;
  for (THunspellFlag flag : flags) {
    const auto it = classes_.find(flag);
    if (it == classes_.end()) continue;
    if (found != posUndefined && found != it->second) return posUndefined;
    found = it->second;
  }
  return found;
}

uint8_t PartOfSpeechOfMorphology(std::u16string_view morphology) {
  const size_t at = morphology.find(u"po:");
  if (at == std::u16string_view::npos || (at > 0 && morphology[at - 1] != u' ')) return posUndefined;
  std::u16string_view tag = morphology.substr(at + 3);
  tag = tag.substr(0, tag.find(u' '));
  if (tag.substr(0, 4) == u"loc.") tag.remove_prefix(4);  // French locutions: "loc.adv"
  // Longer names first where one begins another.
  static const struct {
    std::u16string_view Tag;
    uint8_t PartOfSpeech;
  } kTags[] = {
      {u"noun", posNoun},          {u"nom", posNoun},           {u"npr", posNoun},
      {u"prn", posNoun},           {u"patr", posNoun},          {u"titr", posNoun},
      {u"verb", posVerb},          {u"v0", posVerb},            {u"v1", posVerb},
      {u"v2", posVerb},            {u"v3", posVerb},            {u"adj", posAdjective},
      {u"adv", posAdverb},         {u"pro", posPronoun},        {u"pron", posPronoun},
      {u"det", posArticle},        {u"art", posArticle},        {u"prep", posPreposition},
      {u"cj", posConjunction},     {u"conj", posConjunction},   {u"interj", posInterjection},
      {u"nb", posNumeral},         {u"num", posNumeral},        {u"pfx", posPrefixoid},
  };
  for (const auto& entry : kTags) {
    if (tag.substr(0, entry.Tag.size()) == entry.Tag) return entry.PartOfSpeech;
  }
  return posUndefined;
}

bool ReadPerlStopWords(const std::string& path, std::vector<std::u16string>& words) {
  std::string bytes;
  if (!ReadAll(path, bytes)) return false;
  const size_t sub = bytes.find("sub _stopwords");
  const size_t open = sub == std::string::npos ? sub : bytes.find("qw(", sub);
  if (open == std::string::npos) return false;
  const size_t close = bytes.find(')', open);
  if (close == std::string::npos) return false;
  const std::string_view list = std::string_view(bytes).substr(open + 3, close - open - 3);
  size_t i = 0;
  while (i < list.size()) {
    while (i < list.size() && std::isspace(static_cast<unsigned char>(list[i]))) ++i;
    const size_t start = i;
    while (i < list.size() && !std::isspace(static_cast<unsigned char>(list[i]))) ++i;
    if (i > start) words.push_back(platform::WideLowerCase(platform::Utf8ToUtf16(list.substr(start, i - start))));
  }
  return !words.empty();
}

}  // namespace kestrune
