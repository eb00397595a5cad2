// The page builder with every source it reads: a dictionary and a text
// parser, the word-form store, a content map whose current step holds the
// query keys, the scopes, an engine loaded from a template written into a
// private program folder, and a page of generated documents.
#pragma once

#include <string>
#include <vector>

#include "core/log_file.h"
#include "language/phrase_word_dictionary.h"
#include "language/storage_forms_words.h"
#include "language/text_parsing.h"
#include "map/content_map2.h"
#include "platform/files.h"
#include "platform/text.h"
#include "search/engine_web.h"
#include "search/page_results.h"
#include "search/scope.h"
#include "tests/support/temp_dir.h"

namespace kestrune::test {

inline std::string SourceDir() {
  const char* source = std::getenv("KESTRUNE_SOURCE_DIR");
  return source ? source : KESTRUNE_SOURCE_TREE;
}
inline std::string GoldenDir() { return SourceDir() + "/tests/search/golden/"; }

// An engine template: the query URL and the display keys the pages use.
inline std::string EngineTemplate(const std::string& host, const std::string& extra = "") {
  return "[settings]\nMainQuery=\"http://search.example/find?q=$main_query\"\nformat=\"utf 8\"\n"
         "CountUrlOnSite=10\n" +
         extra + "[general]\nhostname=\"" + host + "\"\n";
}

// Entry k of the generated page lists.
inline TMetaSearchList Document(int32_t k) {
  TMetaSearchList d;
  d.Url = "http://site" + std::to_string(k % 3) + ".example/page" + std::to_string(k) + ".html";
  d.Title = u"Title " + platform::Utf8ToUtf16(std::to_string(k));
  d.Annotation = u" Text " + platform::Utf8ToUtf16(std::to_string(k));
  d.Label = std::to_string(k + 1) + " - Golden";
  static const int32_t kFlags[] = {1, 4, 2, 5, 6};  // favourite, new, old, both, old and new
  d.Flags = k < 5 ? kFlags[k] : 0;
  return d;
}

class PageFixture {
 public:
  PageFixture() {
    textParsing.SetWordDictionary(&dictionary);
    textParsing.SetAllWords(true);
    alpha = dictionary.AddWord(u"alpha", 0, -1);
    beta = dictionary.AddWord(u"beta", 0, -1);
    gamma = dictionary.AddWord(u"gamma", 0, -1);
    scope.SetWordDictionary(&dictionary);
    scope.SetFormsStore(&forms);
    builder.SetSources(&enginePointer, &parserPointer, &mapPointer, &dictionaryPointer, &formsPointer);
    builder.PageList = TPageDocuments(&documents, &pageIds);
    builder.Scope = &scopePointer;
    platform::CreateFolder(platform::Utf8ToUtf16(home.Path() + "templates/web"));
  }

  // Writes the template into the program folder and loads it.
  void UseEngine(const std::string& name, const std::string& text) {
    WriteFileBytes(home.Path() + "templates/web/" + name + ".ini", text);
    engine.LoadTemplate(name);
  }
  void UseTemplates(const std::string& folder) { builder.SetTemplatePath(folder); }
  void SetDocuments(int32_t count) {
    documents.clear();
    pageIds.clear();
    for (int32_t k = 0; k < count; ++k) AddDocument(Document(k));
  }
  // A document listed last on the page.
  void AddDocument(const TMetaSearchList& document) {
    pageIds.push_back(static_cast<int32_t>(documents.size()));
    documents.push_back(document);
  }
  // The keys of the current step: the map leaves its no-query mode.
  void SetQuery(const std::vector<int32_t>& included, const std::vector<int32_t>& excluded = {}) {
    map.SetNoQueryMode(false);
    map.Steps().ClearAll(true);
    for (int32_t id : included) map.Steps().SetValue(0, id, 1.0f, true);
    for (int32_t id : excluded) map.Steps().SetValue(1, id, -10000.0f, true);
  }

  TempDir home;
  ScopedEnv homeEnv{"KESTRUNE_HOME", home.Path()};
  TPhraseWordDictionary dictionary;
  TITextParsing textParsing;
  TStorageFormsWords forms;
  TContentMap2 map;
  TScope scope;
  EngineWeb engine;
  std::vector<TMetaSearchList> documents;
  std::vector<int32_t> pageIds;
  TPageResults builder;
  int32_t alpha = -1, beta = -1, gamma = -1;

  EngineWeb* enginePointer = &engine;
  TITextParsing* parserPointer = &textParsing;
  TContentMap2* mapPointer = &map;
  TPhraseWordDictionary* dictionaryPointer = &dictionary;
  TStorageFormsWords* formsPointer = &forms;
  TScope* scopePointer = &scope;
};

// The log lines written while it lives.
class ScopedLog {
 public:
  ScopedLog() : path_(dir_.File("kestrune.log")) { LogFile.Open(path_); }
  ~ScopedLog() { LogFile.Open(std::string()); }
  bool Holds(const std::string& text) const { return ReadFileBytes(path_).find(text) != std::string::npos; }

 private:
  TempDir dir_;
  std::string path_;
};

}  // namespace kestrune::test
