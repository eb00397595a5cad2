// A session with the English page templates and a project of documents fed
// into the network as a search leaves them, for the tests of the result
// display, the page's commands, the map's events and the steps.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/session_fixture.h"
#include "tests/network/context_ms_test_support.h"

namespace kestrune::test {

// One document: its address, the words of its title and the search step
// that brought it.
struct TDoc {
  std::string url;
  std::u16string words;
  int32_t step = 1;
  int32_t flags = 0;
};

inline int32_t WordId(TKestruneSession& s, std::u16string_view word) { return s.WordDictionary.AddWord(word, 0, -1); }

// The identifiers of the blank-separated words.
inline std::vector<int32_t> WordIds(TKestruneSession& s, std::u16string_view words) {
  std::vector<int32_t> ids;
  size_t start = 0;
  while (start < words.size()) {
    size_t end = words.find(u' ', start);
    if (end == std::u16string_view::npos) end = words.size();
    if (end > start) ids.push_back(WordId(s, words.substr(start, end - start)));
    start = end + 1;
  }
  return ids;
}

// Feeds every document of the project into the network again: document j
// owns paragraphs 3j (its title's words), 3j + 1 and 3j + 2.
inline void FeedTestNetwork(TKestruneSession& s) {
  std::vector<TestParagraph> paragraphs;
  std::vector<std::vector<int32_t>> ids;
  for (const TMetaSearchList& document : s.Project.Documents) {
    ids.push_back(WordIds(s, document.Title));
    TestSentence title;
    for (int32_t id : ids.back()) title.emplace_back(id);
    paragraphs.push_back({title});
    paragraphs.push_back({{}});
    paragraphs.push_back({{}});
  }
  const TParsingText text = MakeParse(paragraphs);
  s.IContextMS1.Clear();
  for (size_t j = 0; j < s.Project.Documents.size(); ++j) {
    const int32_t i = static_cast<int32_t>(j);
    s.IContextMS1.AddFile(i);
    s.IContextMS1.AddTitleMSPage(text, 3 * i, i);
    TNNKeys own;
    for (int32_t id : ids[j]) own.push_back({id, 1.0f});
    s.IContextMS1.AddUrlMSPage(text, 3 * i + 2, i, own, 0.9f - static_cast<float>(s.Project.Documents[j].Position) * 0.00001f);
  }
}

inline void AddDocuments(TKestruneSession& s, const std::vector<TDoc>& docs) {
  for (const TDoc& doc : docs) {
    TMetaSearchList document;
    document.Url = doc.url;
    document.Title = doc.words;
    document.Step = doc.step;
    document.Flags = doc.flags;
    document.Position = static_cast<int32_t>(s.Project.Documents.size());
    document.QueryNumber = doc.step - 1;
    s.Project.IMetaList.AddWord(TProject::MetaListKey(doc.url), 0, -1);
    s.Project.Documents.push_back(document);
    s.Project.StepNumber = std::max(s.Project.StepNumber, doc.step);
  }
  s.Project.StepKeys.resize(static_cast<size_t>(std::max<int32_t>(s.Project.StepNumber, 0)));
  s.ContentMap.Steps().SetValue(kKindSettings, 2, static_cast<float>(s.Project.StepNumber), true);
  FeedTestNetwork(s);
}

// Sets the step's kind to the words (weight 1, or -10000 for kind 1).
inline void SetWords(TKestruneSession& s, int32_t kind, std::u16string_view words) {
  s.ContentMap.Steps().ClearKind(kind, true);
  for (int32_t id : WordIds(s, words)) {
    s.ContentMap.Steps().SetKey(kind, {id, kind == kKindExcluded ? kExcludedWeight : 1.0f}, true);
  }
}

// The addresses of the page list, joined by blanks.
inline std::string PageUrls(const TKestruneSession& s) {
  std::string text;
  for (size_t e = 0; e < s.Results.PageList.size(); ++e) text += (text.empty() ? "" : " ") + s.Results.PageList[e].Url;
  return text;
}

// The marks of the current step as "url=mark" words.
inline std::string MarksText(TKestruneSession& s) {
  std::string text;
  for (const TControlKeyCell& cell : s.ContentMap.Steps().GetCurrent()[kKindMarks]) {
    const std::string url = cell.Key.Id >= 0 && cell.Key.Id < static_cast<int32_t>(s.Project.Documents.size())
                                ? s.Project.Documents[static_cast<size_t>(cell.Key.Id)].Url
                                : "?" + std::to_string(cell.Key.Id);
    text += (text.empty() ? "" : " ") + url + "=" + std::to_string(static_cast<int32_t>(cell.Key.Weight));
  }
  return text;
}

// A session over a program folder with the English page templates.
class TPageSession : public TSessionFixture {
 public:
  TPageSession()
      : TSessionFixture([](TestProgram& p) {
          std::filesystem::copy(std::string(KESTRUNE_SOURCE_DIR) + "/data/templates/en", p.Program() + "templates/en",
                                std::filesystem::copy_options::overwrite_existing |
                                    std::filesystem::copy_options::recursive);
        }) {
    session->Opener = &opener;
    session->ContentMap.SetMapSize(800, 600);
    session->Results.PageResults.SetTemplatePath(platform::Utf16ToUtf8(session->Config.TemplateFolder()));
  }
  TKestruneSession& S() { return *session; }
  // Clicks a link of the page written into the template folder.
  bool Click(const std::string& rest) {
    return session->EmbeddedWB1BeforeNavigate2(session->PageUrlContext().TemplateFolderUrl + rest);
  }
  // The browser has loaded its document again.
  void Loaded() { session->EmbeddedWB1DocumentComplete(); }

  TRecordingOpener opener;
};

}  // namespace kestrune::test
