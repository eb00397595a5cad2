#include "tools/dictionary_builder/word_classes.h"

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

}  // namespace

bool TWordNetClasses::Load(const std::string& folder) {
  // In order of preference when the counts are equal.
  static const struct {
    const char* Name;
    uint8_t PartOfSpeech;
  } kFiles[] = {{"noun", posNoun}, {"verb", posVerb}, {"adj", posAdjective}, {"adv", posAdverb}};
  for (const auto& file : kFiles) {
    std::string bytes;
    if (!ReadAll(folder + "/index." + file.Name, bytes)) return false;
    std::istringstream lines(bytes);
    std::string line;
    while (std::getline(lines, line)) {
      if (line.empty() || line[0] == ' ') continue;  // the licence block
      const std::vector<std::string_view> f = SplitFields(line);
      // lemma pos synset_cnt p_cnt [ptr_symbol...] sense_cnt tagsense_cnt offsets...
      if (f.size() < 4) continue;
      const int32_t pointers = Number(f[3]);
      if (pointers < 0 || f.size() < 6 + static_cast<size_t>(pointers)) continue;
      const int32_t senses = Number(f[4 + static_cast<size_t>(pointers)]);
      const int32_t tagged = Number(f[5 + static_cast<size_t>(pointers)]);
      TScore& score = classes_[Lemma(f[0])];
      if (tagged > score.TaggedSenses || (tagged == score.TaggedSenses && senses > score.Senses)) {
        score = {file.PartOfSpeech, tagged, senses};
      }
    }
    std::string exceptions;
    if (ReadAll(folder + "/" + file.Name + ".exc", exceptions)) {
      std::istringstream excLines(exceptions);
      while (std::getline(excLines, line)) {
        const std::vector<std::string_view> f = SplitFields(line);
        if (!f.empty()) exceptions_.emplace(Lemma(f[0]), file.PartOfSpeech);
      }
    }
  }
  return true;
}

uint8_t TWordNetClasses::Find(std::u16string_view word) const {
  const std::u16string key(word);
  if (auto it = classes_.find(key); it != classes_.end()) return it->second.PartOfSpeech;
  if (auto it = exceptions_.find(key); it != exceptions_.end()) return it->second;
  return posUndefined;
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
