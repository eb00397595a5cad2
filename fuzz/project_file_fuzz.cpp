// Feeds arbitrary bytes to the project file readers (framed and headerless,
// chosen by the first bytes as opening a file does) over a small dictionary
// of own words. A read either fails or leaves a project whose references
// hold: every document has its address in the address index, every mark names
// a document, every key names a word or a phrase.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/project_file.h"

using namespace kestrune;

namespace {

bool KeysHold(const TNNKeys& keys, const TPhraseWordDictionary& words) {
  for (const TNNKey& key : keys) {
    const bool word = key.Id >= 0 && key.Id < words.Count();
    const bool phrase = key.Id >= TPhraseWordDictionary::kPhraseBase &&
                        key.Id - TPhraseWordDictionary::kPhraseBase < words.PhraseCount();
    if (!word && !phrase) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TProject project;
  IControlKeys ring;
  TSearchSteps steps(ring, [] { return false; });
  TPhraseWordDictionary words;
  words.AddWord(u"walk", 0, -1);
  words.AddWord(u"kestrel", 0, -1);
  TProjectFileParts parts{project, steps, words};
  parts.LoadNetwork = [](TStream&) { return true; };
  parts.LoadForms = [](TStream&) { return true; };
  TMemoryStream stream(data, size);
  if (OpenProjectStream(stream, parts) != TProjectOpen::Loaded) return 0;
  // The headerless form stores global identifiers as they were: only the
  // framed form's keys are turned into words of this dictionary.
  const bool framed = size >= 4 && data[0] == 'F' && data[1] == 'P' && data[2] == 'K' && data[3] == 'P';
  if (project.IMetaList.Count() != static_cast<int32_t>(project.Documents.size())) std::abort();
  for (const TControlKeyCell& cell : ring.GetCurrent()[kKindMarks]) {
    if (cell.Key.Id < 0 || cell.Key.Id >= static_cast<int32_t>(project.Documents.size())) std::abort();
  }
  if (framed) {
    for (const TNNKeys& keys : project.StepKeys) {
      if (!KeysHold(keys, words)) std::abort();
    }
    for (const TScopeWords& scope : project.Scope.GetScopes()) {
      if (!KeysHold(scope.Included, words) || !KeysHold(scope.Excluded, words)) std::abort();
    }
  }
  return 0;
}
