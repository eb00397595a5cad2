// The project file: a scripted project saved and opened again, files laid
// out by hand in both forms, the checks against damaged input, and a save
// that cannot replace its target.
#include "app/project_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/project_note.h"
#include "core/frame.h"
#include "core/tag_stream.h"
#include "platform/text.h"
#include "tests/app/project/hand_made_projects.h"
#include "tests/language/morphology_test_support.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using test::HandMadeLegacy;
using test::HandMadeV4;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// A dictionary file of id 9 (or `id`) with the given words.
std::u16string DictionaryFile(const TempDir& dir, const std::string& name, const std::vector<std::u16string>& words,
                              int16_t id = 9) {
  TIWordDictionary dict;
  dict.SetDictID(id);
  for (const std::u16string& w : words) dict.AddWord(w, 0, -1);
  const std::u16string file = dir.WFile(name);
  EXPECT_EQ(test::SaveDictionaryFile(dict, file), 0);
  return file;
}

TMetaSearchList Document(const std::string& url, int32_t step, int32_t flags) {
  TMetaSearchList d;
  d.Url = url;
  d.Title = u"title " + std::u16string(url.begin(), url.end());
  d.Annotation = u"about ü";
  d.Label = "1 - Mojeek";
  d.Value = 0.5f;
  d.QueryNumber = step - 1;
  d.Step = step;
  d.Flags = flags;
  return d;
}

// One project with what it needs around it.
struct TSide {
  TProject project;
  IControlKeys ring;
  TSearchSteps steps{ring, [] { return false; }};
  TPhraseWordDictionary words;
  std::vector<std::string> log;
  TProjectFileParts Parts() {
    TProjectFileParts parts{project, steps, words};
    parts.Log = [this](std::string_view line) { log.emplace_back(line); };
    return parts;
  }
  std::u16string Text(int32_t id) {
    TWDWord* w = words.GetWord(id);
    return w ? w->GetText() : u"?";
  }
  std::vector<std::u16string> Texts(const TNNKeys& keys) {
    std::vector<std::u16string> texts;
    for (const TNNKey& k : keys) texts.push_back(Text(k.Id) + u"=" + std::u16string(1, char16_t(u'0' + (k.Weight > 0))));
    return texts;
  }
  std::vector<std::pair<int32_t, float>> Marks() {
    std::vector<std::pair<int32_t, float>> marks;
    for (const TControlKeyCell& c : ring.GetCurrent()[kKindMarks]) marks.emplace_back(c.Key.Id, c.Key.Weight);
    std::sort(marks.begin(), marks.end());
    return marks;
  }
};

// The scripted project: a dictionary of three words, an own word, a phrase,
// four documents (the last of an undone search), marks, two steps, two
// scopes, settings and stop words.
struct TScripted {
  TempDir dir;
  TSide side;
  TProjectSettings settings{u"Mojeek,Wikipedia,", u"Mojeek", 40, 25, 1, true, u"first\r\nsecond", u"Ann"};
  int32_t walk = 0, house = 2, own = -1, phrase = -1;

  TScripted() {
    EXPECT_EQ(side.words.LoadFromFile(DictionaryFile(dir, "en.dws", {u"walk", u"talk", u"house"})), 0);
    own = side.words.AddWord(u"kestrel", 0, -1);
    TPhrase p;
    p.Entries = {{walk, 0, 9}, {own, 0, 9}};
    p.Value = 7;
    phrase = TPhraseWordDictionary::kPhraseBase + side.words.AddPhrase(p);
    TProject& pr = side.project;
    pr.Documents = {Document("http://a/", 1, kFlagFavorite), Document("http://b/", 1, kFlagOld),
                    Document("http://c/", 2, kFlagNew), Document("http://d/", 3, 0)};
    pr.StepKeys = {{{walk, 1.0f}}, {{own, 1.0f}, {phrase, 1.0f}}, {{house, 1.0f}}};
    pr.StepNumber = 2;
    pr.StopWords = {u"the", u"of"};
    pr.Scope.Add({{walk, 1.0f}}, {{house, -10000.0f}});
    pr.Scope.Add({{own, 1.0f}}, {});
    pr.Scope.SetCurrent(0);
    side.steps.SetMark(1, -1.0f);
    side.steps.SetMark(2, -2.0f);
    side.steps.SetMark(0, -3.0f);
    side.steps.SetMark(3, -1.0f);  // a document that is not saved
  }
  TProjectFileParts Parts() {
    TProjectFileParts parts = side.Parts();
    parts.Dictionaries = {{true, u"en.dws", u"English", u"Ann", u"Words", {1, 9, 0, 1252, 3, 0}}};
    parts.Settings = settings;
    parts.QueryText = u"walk kestrel";
    return parts;
  }
  std::u16string Save(bool skipOldLinks) {
    const std::u16string file = dir.WFile("p.kqp");
    EXPECT_EQ(SaveProject(file, skipOldLinks, Parts()), 0);
    return file;
  }
};

TEST(ProjectFile, SaveAndOpenKeepTheProject) {
  struct Case {
    const char* name;
    bool skipOldLinks;
    std::vector<std::string> urls;
    std::vector<std::pair<int32_t, float>> marks;
  };
  const std::vector<Case> cases = {
      {"every document of the shown steps", false, {"http://a/", "http://b/", "http://c/"},
       {{0, -3.0f}, {1, -1.0f}, {2, -2.0f}}},
      {"old links left out, the marks follow", true, {"http://a/", "http://c/"}, {{0, -3.0f}, {1, -2.0f}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TScripted scripted;
    const std::u16string file = scripted.Save(c.skipOldLinks);
    TSide opened;
    ASSERT_EQ(opened.words.LoadFromFile(scripted.dir.WFile("en.dws")), 0);
    std::vector<TProjectDictionary> dictionaries;
    TProjectFileParts parts = opened.Parts();
    parts.LoadDictionaries = [&](const std::vector<TProjectDictionary>& d) {
      dictionaries = d;
      return true;
    };
    ASSERT_EQ(OpenProjectFile(file, parts), TProjectOpen::Loaded);

    std::vector<std::string> urls;
    for (const TMetaSearchList& d : opened.project.Documents) {
      urls.push_back(d.Url);
      EXPECT_EQ(d.Flags & (kFlagOld | kFlagNew), 0) << d.Url;
      EXPECT_EQ(d.Annotation, u"about ü");
      EXPECT_EQ(d.Label, "1 - Mojeek");
    }
    EXPECT_EQ(urls, c.urls);
    EXPECT_EQ(opened.project.Documents[0].Flags, kFlagFavorite);
    EXPECT_EQ(opened.project.DocumentOfUrl("http://c/"), static_cast<int32_t>(c.urls.size()) - 1);
    EXPECT_EQ(opened.Marks(), c.marks);
    EXPECT_EQ(dictionaries, scripted.Parts().Dictionaries);

    ASSERT_EQ(opened.project.StepKeys.size(), 2u);
    EXPECT_EQ(opened.project.StepNumber, 2);
    EXPECT_EQ(opened.Texts(opened.project.StepKeys[0]), (std::vector<std::u16string>{u"walk=1"}));
    EXPECT_EQ(opened.Texts(opened.project.StepKeys[1]), (std::vector<std::u16string>{u"kestrel=1", u"walk kestrel=1"}));
    const TTScopeWords scopes = opened.project.Scope.GetScopes();
    ASSERT_EQ(scopes.size(), 2u);
    EXPECT_EQ(opened.Texts(scopes[0].Included), (std::vector<std::u16string>{u"walk=1"}));
    EXPECT_EQ(scopes[0].Excluded, (TNNKeys{{2, -10000.0f}}));
    EXPECT_EQ(opened.Texts(scopes[1].Included), (std::vector<std::u16string>{u"kestrel=1"}));
    EXPECT_EQ(opened.project.Scope.CurrentIndex(), 0);

    TProjectSettings expected = scripted.settings;
    expected.Note = u"firstsecond";  // stored without its line breaks
    EXPECT_EQ(parts.Settings, expected);
    EXPECT_EQ(parts.QueryText, u"walk kestrel");
    EXPECT_EQ(opened.project.StopWords, (std::vector<std::u16string>{u"the", u"of"}));
    EXPECT_EQ(opened.words.PhraseCount(), 1);
    EXPECT_TRUE(opened.words.HasPhraseIndex());
    EXPECT_EQ(ReadProjectNote(file), u"firstsecond");
    EXPECT_EQ(ReadProjectAuthor(file), u"Ann");
  }
}

TEST(ProjectFile, TheWriterLaysOutTheTagsInTheirOrder) {
  TempDir dir;
  TSide side;
  side.project.Documents = {Document("http://a/", 1, kFlagFavorite | kFlagNew)};
  TMetaSearchList& d = side.project.Documents[0];
  d.Annotation = u"about";
  d.Title = u"title";
  d.QueryNumber = 7;
  d.Position = 0;
  side.project.StepKeys = {{}};
  side.project.StepNumber = 1;
  side.project.StopWords = {u"the"};
  side.steps.SetMark(0, -1.0f);
  TProjectFileParts parts = side.Parts();
  TWDFileHeader header{0x04030201, -286331154, 0xEEEEEEEE, 0xEEEEEEEE, -286331154, -286331154};
  parts.Dictionaries = {{true, u"en.dws", u"English", u"Ann", u"Words", header}};
  parts.Settings = {u"Mojeek,", u"Mojeek", 40, 25, 1, true, u"no\r\nte", u"Ann"};
  parts.QueryText = u"walk";
  ASSERT_EQ(SaveProject(dir.WFile("p.kqp"), false, parts), 0);
  EXPECT_EQ(ReadFileBytes(dir.File("p.kqp")), HandMadeV4(24, 0));
}

TEST(ProjectFile, AHandMadeFileOpensWithItsFieldsInPlace) {
  struct Case {
    const char* name;
    int32_t headerLength;
    int32_t mark;
    int32_t documents;
    std::vector<TProjectLoss> losses;
  };
  const std::vector<Case> cases = {
      {"as written", 24, 0, 1, {}},
      {"a longer header keeps its first 24 bytes", 30, 0, 1, {}},
      {"a shorter header", 4, 0, 1, {}},
      {"a negative header length", -1, 0, 1, {{kTagProjectDictionaries, 0, 1}}},
      {"a mark beyond the documents", 24, 1, 1, {{kTagProjectMarks, 0, -1}}},
      {"a negative mark", 24, -1, 1, {{kTagProjectMarks, 0, -1}}},
      {"more documents than the tag holds", 24, 0, 1000000, {{kTagProjectDocuments, 1, 1000000}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteFileBytes(dir.File("p.kqp"), HandMadeV4(c.headerLength, c.mark, c.documents));
    TSide side;
    TProjectFileParts parts = side.Parts();
    ASSERT_EQ(OpenProjectFile(dir.WFile("p.kqp"), parts), TProjectOpen::Loaded);
    EXPECT_EQ(parts.Losses, c.losses);
    // A dictionary list read in part is not handed on.
    ASSERT_EQ(parts.Dictionaries.size(), c.headerLength < 0 ? 0u : 1u);
    if (c.headerLength >= 0) {
      EXPECT_EQ(parts.Dictionaries[0].Author, u"Ann");
      EXPECT_EQ(parts.Dictionaries[0].Description, u"Words");
      EXPECT_EQ(parts.Dictionaries[0].Header.Version, 0x04030201);
      EXPECT_EQ(parts.Dictionaries[0].Header.DictID, c.headerLength >= 8 ? -286331154 : 0);
    }
    ASSERT_EQ(side.project.Documents.size(), 1u);
    EXPECT_EQ(side.project.Documents[0].QueryNumber, 7);
    EXPECT_EQ(side.project.Documents[0].Flags, kFlagFavorite);
    EXPECT_EQ(side.project.StopWords, (std::vector<std::u16string>{u"the"}));
    const bool marked = c.mark == 0;
    using TMarks = std::vector<std::pair<int32_t, float>>;
    EXPECT_EQ(side.Marks(), marked ? TMarks({{0, -1.0f}}) : TMarks());
    EXPECT_EQ(side.project.Counters.RemovedLinks, marked ? 1 : 0);
    EXPECT_EQ(parts.Settings.TrackPosContext, 25);
  }
}

TEST(ProjectFile, AHeaderlessFileOpensThroughTheOlderReader) {
  TempDir dir;
  WriteFileBytes(dir.File("old.kqp"), HandMadeLegacy(true));
  TSide side;
  TProjectFileParts parts = side.Parts();
  ASSERT_EQ(OpenProjectFile(dir.WFile("old.kqp"), parts), TProjectOpen::Loaded);
  ASSERT_EQ(side.project.Documents.size(), 2u);
  EXPECT_EQ(side.project.Documents[1].Url, "http://b/");
  EXPECT_EQ(side.project.Documents[1].Step, 2);
  EXPECT_EQ(side.project.StepKeys, (std::vector<TNNKeys>{{{5, 1.0f}}, {{6, 1.0f}}}));
  EXPECT_EQ(side.project.Scope.Count(), 2);
  EXPECT_EQ(side.project.Scope.CurrentIndex(), 1);
  EXPECT_EQ(parts.Settings.CurrentEngine, u"Wikipedia");
  EXPECT_EQ(parts.Settings.TrackPosExact, 2);
  EXPECT_FALSE(parts.ExcludedView);
  ASSERT_EQ(parts.Dictionaries.size(), 1u);
  EXPECT_EQ(parts.Dictionaries[0].FileName, u"en.dws");
  // The mark of a document the file does not hold went.
  EXPECT_EQ(side.Marks(), (std::vector<std::pair<int32_t, float>>{{1, -2.0f}}));
  EXPECT_EQ(side.project.Counters.HiddenSites, 1);
}

TEST(ProjectFile, TheFirstBytesChooseTheReader) {
  const std::string legacy = HandMadeLegacy();
  const std::string v4 = HandMadeV4(24, 0);
  auto framed = [&](uint32_t version) {
    std::string bytes = v4;
    bytes[8] = static_cast<char>(version);
    return bytes;
  };
  struct Case {
    const char* name;
    std::string bytes;
    TProjectOpen result;
  };
  const std::vector<Case> cases = {
      {"version 4", v4, TProjectOpen::Loaded},
      {"version 1 has its own message", framed(1), TProjectOpen::Version1},
      {"version 2", framed(2), TProjectOpen::Failed},
      {"version 3", framed(3), TProjectOpen::Failed},
      {"version 5", framed(5), TProjectOpen::Failed},
      {"the frame alone", v4.substr(0, 16), TProjectOpen::Failed},
      {"headerless", legacy, TProjectOpen::Loaded},
      {"another kind of file", std::string(64, 'x'), TProjectOpen::Failed},
      {"under 16 bytes", legacy.substr(0, 15), TProjectOpen::Failed},
      {"empty", "", TProjectOpen::Failed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteFileBytes(dir.File("p.kqp"), c.bytes);
    TSide side;
    TProjectFileParts parts = side.Parts();
    EXPECT_EQ(OpenProjectFile(dir.WFile("p.kqp"), parts), c.result);
  }
}

TEST(ProjectFile, AFailedOpenTellsMissingUnreadableAndNoProjectApart) {
  enum TPlace { kNone, kFile, kFolder, kLinkToNone, kLinkLoop, kUnderAFile, kNoPermission };
  struct Case {
    const char* name;
    TPlace place;
    std::string bytes;
    bool refuseDictionaries;
    TProjectOpen result;
  } cases[] = {
      {"no such file", kNone, "", false, TProjectOpen::Missing},
      {"a link to no file", kLinkToNone, "", false, TProjectOpen::Missing},
      {"a path through a file", kUnderAFile, "", false, TProjectOpen::Missing},
      {"a loop of links", kLinkLoop, "", false, TProjectOpen::Unreadable},
      {"no permission to read", kNoPermission, HandMadeV4(24, 0), false, TProjectOpen::Unreadable},
      {"a folder", kFolder, "", false, TProjectOpen::Failed},
      {"another kind of file", kFile, "plain text, no project", false, TProjectOpen::Failed},
      {"a frame and no block", kFile, HandMadeV4(24, 0).substr(0, 16) + "\x02\x02" "ab", false, TProjectOpen::Failed},
      {"its dictionary refused", kFile, HandMadeV4(24, 0), true, TProjectOpen::DictionaryRefused},
      {"a project", kFile, HandMadeV4(24, 0), false, TProjectOpen::Loaded},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir.File("p.kqp");
    std::string name = path;
    switch (c.place) {
      case kNone: break;
      case kFile: WriteFileBytes(path, c.bytes); break;
      case kFolder: std::filesystem::create_directory(path); break;
      case kLinkToNone: std::filesystem::create_symlink(dir.File("gone.kqp"), path); break;
      case kLinkLoop: std::filesystem::create_symlink(path, path); break;
      case kUnderAFile:
        WriteFileBytes(path, c.bytes);
        name = path + "/inner.kqp";
        break;
      case kNoPermission:
        WriteFileBytes(path, c.bytes);
        std::filesystem::permissions(path, std::filesystem::perms::none);
        // The superuser reads it all the same.
        if (std::ifstream(path).good()) continue;
        break;
    }
    TSide side;
    TProjectFileParts parts = side.Parts();
    parts.LoadDictionaries = [&](const std::vector<TProjectDictionary>&) { return !c.refuseDictionaries; };
    EXPECT_EQ(OpenProjectFile(platform::Utf8ToUtf16(name), parts), c.result);
  }
}

// The ends of the top-level tags of a body: a cut there leaves a shorter
// file that is still whole.
std::vector<size_t> TagEnds(const std::string& body) {
  TMemoryStream stream(body.data(), body.size());
  TTagStream tags(&stream);
  std::vector<size_t> ends = {0};
  while (!tags.EndOfStream() && tags.ReadTag() > 0) {
    tags.LeaveTag();
    ends.push_back(static_cast<size_t>(tags.Position()));
  }
  return ends;
}

// Every cut of a framed body is told, but one in the current scope's index
// (its last four bytes: the last scope becomes current); a body cut before
// its first block gives nothing. The headerless form is whole at its tags'
// ends. Random damage never breaks the reader.
TEST(ProjectFile, EveryCutIsToldAndRandomDamageIsReadSafely) {
  TScripted scripted;
  scripted.Save(false);
  const std::string file = ReadFileBytes(scripted.dir.File("p.kqp"));
  const std::string body = file.substr(16);
  ASSERT_EQ(TagEnds(body).back(), body.size());
  const size_t firstHeader = 6;
  for (size_t n = 0; n <= body.size(); ++n) {
    TProjectData data;
    TMemoryStream stream(body.data(), n);
    ASSERT_EQ(ParseProjectV4(stream, data), n >= firstHeader) << "cut at " << n;
    if (n >= firstHeader) {
      EXPECT_EQ(data.Losses.empty(), n + 4 >= body.size()) << "cut at " << n;
    }
  }
  const std::string legacy = HandMadeLegacy(true);
  for (const size_t n : TagEnds(legacy)) {
    TProjectData data;
    TMemoryStream stream(legacy.data(), n);
    EXPECT_EQ(ParseLegacyProject(stream, data), n > 0) << "cut at " << n;
    EXPECT_TRUE(data.Losses.empty()) << "cut at " << n;
  }
  std::mt19937 random(33);
  for (int round = 0; round < 300; ++round) {
    std::string damaged = round % 2 ? body : legacy;
    for (int flips = 0; flips < 4; ++flips) damaged[random() % damaged.size()] = static_cast<char>(random());
    TSide side;
    TProjectFileParts parts = side.Parts();
    TMemoryStream stream(damaged.data(), damaged.size());
    if (round % 2) {
      ReadProjectV4(stream, parts);
    } else {
      ReadLegacyProject(stream, parts);
    }
  }
}

// A damaged file gives the whole records before the damage of a block of
// records and leaves any other damaged block out; what it lost is told.
TEST(ProjectFile, ADamagedFileGivesWhatCouldBeReadAndSaysWhatItLost) {
  TScripted scripted;
  scripted.Save(false);
  const std::string file = ReadFileBytes(scripted.dir.File("p.kqp"));
  const auto utf16 = [](std::u16string_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  };
  const std::vector<std::string> abc = {"http://a/", "http://b/", "http://c/"};
  using test::CutInTag;
  using test::WithTagInteger;
  using test::WithTagRenumbered;
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<TProjectLoss> losses;
    std::vector<std::string> urls;
    size_t steps, scopes, marks;
    bool dictionaries;  // the list handed on
    std::u16string query = u"walk kestrel";
  };
  const std::vector<Case> cases = {
      {"whole", file, {}, abc, 2, 2, 3, true},
      {"more documents said than held", WithTagInteger(file, kTagProjectDocuments, 5),
       {{kTagProjectDocuments, 3, 5}}, abc, 2, 2, 3, true},
      {"cut in the second document", file.substr(0, file.find(utf16(u"http://b/"))),
       {{kTagProjectDocuments, 1, 3}, {kTagProjectQuery}, {kTagProjectStopWords}, {kTagProjectSettings},
        {kTagProjectOwnWords}, {kTagProjectPhrases}, {kTagProjectMarks}, {kTagProjectStepKeys}, {kTagProjectScopes}},
       {"http://a/"}, 0, 0, 0, true, u""},
      {"the documents' tag damaged", WithTagRenumbered(file, kTagProjectDocuments), {{kTagProjectDocuments}}, {}, 2,
       2, 0, true},
      {"more steps said than held", WithTagInteger(file, kTagProjectStepKeys, 4), {{kTagProjectStepKeys, 2, 4}}, abc,
       2, 2, 3, true},
      {"the steps' tag damaged", WithTagRenumbered(file, kTagProjectStepKeys), {{kTagProjectStepKeys}}, abc, 0, 2, 3,
       true},
      {"the scopes cut in their count", CutInTag(file, kTagProjectScopes, 2), {{kTagProjectScopes}}, abc, 2, 0, 3,
       true},
      {"a dictionary list said longer", WithTagInteger(file, kTagProjectDictionaries, 3),
       {{kTagProjectDictionaries, 1, 4}}, abc, 2, 2, 3, false},
      {"the settings' tag damaged", WithTagRenumbered(file, kTagProjectSettings), {{kTagProjectSettings}}, abc, 2, 2,
       3, true},
      {"the query's tag damaged: the last step's words", WithTagRenumbered(file, kTagProjectQuery),
       {{kTagProjectQuery}}, abc, 2, 2, 3, true, u"kestrel \"walk kestrel\""},
      {"a mark beyond the documents", WithTagInteger(file, kTagProjectMarks, 9, 4), {{kTagProjectMarks}}, abc, 2, 2,
       0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(scripted.dir.File("d.kqp"), c.bytes);
    TSide opened;
    ASSERT_EQ(opened.words.LoadFromFile(scripted.dir.WFile("en.dws")), 0);
    TProjectFileParts parts = opened.Parts();
    parts.Settings.CurrentEngine = u"kept";
    bool handed = false;
    parts.LoadDictionaries = [&](const std::vector<TProjectDictionary>&) { return handed = true; };
    ASSERT_EQ(OpenProjectFile(scripted.dir.WFile("d.kqp"), parts), TProjectOpen::Loaded);
    EXPECT_EQ(parts.Losses, c.losses);
    std::vector<std::string> urls;
    for (const TMetaSearchList& d : opened.project.Documents) {
      urls.push_back(d.Url);
      // Every document read is shown, also when its step was lost.
      EXPECT_LE(d.Step, opened.project.StepNumber) << d.Url;
    }
    EXPECT_EQ(urls, c.urls);
    EXPECT_EQ(opened.project.StepNumber, static_cast<int32_t>(c.steps));
    EXPECT_EQ(static_cast<size_t>(opened.project.Scope.Count()), c.scopes);
    EXPECT_EQ(opened.Marks().size(), c.marks);
    EXPECT_EQ(handed, c.dictionaries);
    EXPECT_EQ(parts.QueryText, c.query);
    const bool settingsLost = std::count(c.losses.begin(), c.losses.end(), TProjectLoss{kTagProjectSettings}) > 0;
    EXPECT_EQ(parts.Settings.CurrentEngine, settingsLost ? u"kept" : u"Mojeek");
  }
}

TEST(ProjectFile, OwnWordsKeepTheirTextsWhenTheDictionaryGrew) {
  TScripted scripted;
  const std::u16string file = scripted.Save(false);
  TSide opened;
  // The same language's file now holds more words before the own one.
  ASSERT_EQ(opened.words.LoadFromFile(
                DictionaryFile(scripted.dir, "big.dws", {u"walk", u"talk", u"house", u"mouse", u"fox"})),
            0);
  TProjectFileParts parts = opened.Parts();
  ASSERT_EQ(OpenProjectFile(file, parts), TProjectOpen::Loaded);
  const int32_t kestrel = opened.project.StepKeys[1][0].Id;
  EXPECT_EQ(kestrel, 5);
  EXPECT_EQ(opened.Text(kestrel), u"kestrel");
  EXPECT_EQ(opened.Text(opened.project.StepKeys[0][0].Id), u"walk");
  EXPECT_EQ(opened.Text(opened.project.Scope.GetScopes()[1].Included[0].Id), u"kestrel");
  EXPECT_EQ(opened.Text(opened.project.StepKeys[1][1].Id), u"walk kestrel");
  EXPECT_EQ(opened.Text(opened.words.Phrases()[0].Entries[1].WordIndex), u"kestrel");
}

// The id 0 names own words and also a dictionary whose header says 0: a
// key of id 0 is a dictionary's word only when the project lists such a
// dictionary as active.
TEST(ProjectFile, TheIdZeroIsAnOwnWordUnlessTheProjectListsADictionaryOfIt) {
  struct Case {
    const char* name;
    int16_t savedWith;                      // the id of the project's dictionary
    std::vector<int16_t> openedWith;        // the dictionaries loaded on opening, in order
    std::vector<std::u16string> keys;       // the step's words
    std::vector<std::u16string> expected;   // its keys on opening, the phrase last
  } cases[] = {
      {"another dictionary of id 0 is loaded", 9, {9, 0}, {u"walk", u"kestrel"}, {u"walk", u"kestrel", u"walk kestrel"}},
      {"the project's dictionary has id 0", 0, {0}, {u"walk", u"talk"}, {u"walk", u"talk", u"walk talk"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    // The project's dictionary holds walk, talk, house; another one of id 0
    // holds other words.
    auto file = [&](int16_t id) {
      return id == c.savedWith ? DictionaryFile(dir, "d" + std::to_string(id) + ".dws", {u"walk", u"talk", u"house"}, id)
                               : DictionaryFile(dir, "other.dws", {u"mouse", u"fox", u"owl"}, id);
    };
    TSide saved;
    ASSERT_EQ(saved.words.LoadFromFile(file(c.savedWith)), 0);
    const int32_t kestrel = saved.words.AddWord(u"kestrel", 0, -1);
    TNNKeys keys;
    TPhrase phrase;
    for (const std::u16string& word : c.keys) {
      const int32_t id = word == u"kestrel" ? kestrel : word == u"talk" ? 1 : 0;
      keys.push_back({id, 1.0f});
      phrase.Entries.push_back({id, 0, c.savedWith});
    }
    keys.push_back({TPhraseWordDictionary::kPhraseBase + saved.words.AddPhrase(phrase), 1.0f});
    saved.project.StepKeys = {keys};
    saved.project.StepNumber = 1;
    TProjectFileParts parts = saved.Parts();
    parts.Dictionaries = {{true, u"d.dws", u"English", u"Ann", u"Words", {1, c.savedWith, 0, 1252, 3, 0}}};
    ASSERT_EQ(SaveProject(dir.WFile("p.kqp"), false, parts), 0);

    TSide opened;
    for (const int16_t id : c.openedWith) ASSERT_EQ(opened.words.LoadFromFile(file(id)), 0);
    TProjectFileParts read = opened.Parts();
    ASSERT_EQ(OpenProjectFile(dir.WFile("p.kqp"), read), TProjectOpen::Loaded);
    ASSERT_EQ(opened.project.StepKeys.size(), 1u);
    std::vector<std::u16string> texts;
    for (const TNNKey& key : opened.project.StepKeys[0]) texts.push_back(opened.Text(key.Id));
    EXPECT_EQ(texts, c.expected);
  }
}

TEST(ProjectFile, DocumentsAtCommandAddressesAreDroppedWithTheirMarks) {
  TScripted scripted;
  const std::u16string file = scripted.Save(false);
  TSide opened;
  TProjectFileParts parts = opened.Parts();
  parts.Refused = [](std::string_view url) { return url == "http://a/"; };
  ASSERT_EQ(OpenProjectFile(file, parts), TProjectOpen::Loaded);
  ASSERT_EQ(opened.project.Documents.size(), 2u);
  EXPECT_EQ(opened.project.Documents[0].Url, "http://b/");
  EXPECT_EQ(opened.Marks(), (std::vector<std::pair<int32_t, float>>{{0, -1.0f}, {1, -2.0f}}));
  ASSERT_EQ(opened.log.size(), 1u);
  EXPECT_NE(opened.log[0].find("http://a/"), std::string::npos);
}

TEST(ProjectFile, AFailedSaveLeavesWhatStoodThere) {
  TScripted scripted;
  const std::string folder = scripted.dir.File("taken.kqp");
  std::filesystem::create_directory(folder);
  EXPECT_EQ(SaveProject(scripted.dir.WFile("taken.kqp"), false, scripted.Parts()), kProjectSaveError);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ(SaveProject(scripted.dir.WFile("missing/p.kqp"), false, scripted.Parts()), kProjectSaveError);
}

TEST(ProjectFile, TheEngineIsFoundInAnyLetterCase) {
  const std::vector<std::u16string> engines = {u"Mojeek", u"Wikipedia"};
  EXPECT_EQ(FindProjectEngine(engines, u"wikipedia"), 1);
  EXPECT_EQ(FindProjectEngine(engines, u"MOJEEK"), 0);
  EXPECT_EQ(FindProjectEngine(engines, u"Other"), -1);
}

}  // namespace
}  // namespace kestrune
