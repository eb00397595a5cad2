// Seeds for the project file readers: projects saved by our writer (with and
// without own words, phrases, marks and scopes) and files laid out by hand in
// both forms.
#include "app/project_file.h"
#include "core/frame.h"
#include "fuzz/seeds.h"
#include "tests/app/project/hand_made_projects.h"

using namespace kestrune;

namespace {

std::string Saved(bool full) {
  TProject project;
  IControlKeys ring;
  TSearchSteps steps(ring, [] { return false; });
  TPhraseWordDictionary words;
  TProjectFileParts parts{project, steps, words};
  parts.Settings = {u"Mojeek,", u"Mojeek", 40, 25, 1, true, u"note", u"author"};
  parts.QueryText = u"walk kestrel";
  if (full) {
    const int32_t walk = words.AddWord(u"walk", 0, -1);
    const int32_t kestrel = words.AddWord(u"kestrel", 0, -1);
    TPhrase phrase;
    phrase.Entries = {{walk, 0, 0}, {kestrel, 0, 0}};
    const int32_t p = TPhraseWordDictionary::kPhraseBase + words.AddPhrase(phrase);
    for (const char* url : {"http://a/", "http://b/", "http://c/"}) {
      TMetaSearchList d;
      d.Url = url;
      d.Title = u"title";
      d.Step = 1;
      project.Documents.push_back(d);
    }
    project.StepKeys = {{{walk, 1.0f}, {p, 1.0f}}};
    project.StepNumber = 1;
    project.StopWords = {u"the"};
    project.Scope.Add({{kestrel, 1.0f}}, {{walk, -10000.0f}});
    steps.SetMark(0, -1.0f);
    steps.SetMark(2, -3.0f);
  }
  TMemoryStream stream;
  TTagStream tags(&stream);
  const TFrameHeader frame{kMagicFPKP, 0, kProjectVersion, 0};
  tags.WriteRaw(&frame, sizeof frame);
  WriteProjectBody(tags, false, parts);
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

}  // namespace

KESTRUNE_SEEDS(project_file) {
  WriteSeed(folder, "saved.kqp", Saved(true));
  WriteSeed(folder, "saved_empty.kqp", Saved(false));
  WriteSeed(folder, "hand_made.kqp", test::HandMadeV4(24, 0));
  WriteSeed(folder, "long_header.kqp", test::HandMadeV4(30, 0));
  WriteSeed(folder, "headerless.kqp", test::HandMadeLegacy());
  WriteSeed(folder, "headerless_key_state.kqp", test::HandMadeLegacy(true));
}
