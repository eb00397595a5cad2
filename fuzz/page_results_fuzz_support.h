// The page builder of the page fuzz targets with every source it reads: a
// dictionary and text parser, a content map holding one query word, two
// scopes, an engine loaded from a template written into a private program
// folder, and a page list. One per process.
//
// MemoryFolder(): /dev/shm when it is a folder, else /tmp; RemoveAtExit
// removes a world's folder at the process's end.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_folder.h"
#include "fuzz/source_root.h"
#include "language/phrase_word_dictionary.h"
#include "language/storage_forms_words.h"
#include "language/text_parsing.h"
#include "map/content_map2.h"
#include "platform/files.h"
#include "platform/text.h"
#include "search/engine_web.h"
#include "search/page_results.h"
#include "search/scope.h"

namespace kestrune::fuzz {

// A new file each time: a file emptied and written again is flushed to the
// disk when closed (ext4), which would cost each input a disk write.
inline std::string MemoryFolder() {
  struct stat info {};
  return ::stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) ? "/dev/shm" : "/tmp";
}

// Removes the folder and what it holds when the process exits normally (a
// bounded run's end): a memory folder is not emptied by anyone else.
inline void RemoveAtExit(const std::string& folder) {
  static std::vector<std::string> folders;
  if (folders.empty()) {
    std::atexit([] {
      std::error_code ignored;
      for (const std::string& f : folders) std::filesystem::remove_all(f, ignored);
    });
  }
  folders.push_back(folder);
}

inline void WriteFile(const std::string& path, std::string_view bytes) {
  std::remove(path.c_str());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class PageWorld {
 public:
  // base: the folder that holds the world's own folder (a memory file system
  // such as /dev/shm spares the disk the files a target writes per input).
  explicit PageWorld(const std::string& base = "/tmp") {
    folder = MakeProcessFolder(base, "kestrune-page-fuzz");
    setenv("KESTRUNE_HOME", folder.c_str(), 1);
    platform::CreateFolder(platform::Utf8ToUtf16(folder + "templates/web"));
    textParsing.SetWordDictionary(&dictionary);
    alpha = dictionary.AddWord(u"alpha", 0, -1);
    beta = dictionary.AddWord(u"beta", 0, -1);
    TPhrase phrase;
    phrase.Entries = {TPhraseEntry{alpha, 0, 0}, TPhraseEntry{beta, 0, 0}};
    phraseId = TPhraseWordDictionary::kPhraseBase + dictionary.AddPhrase(phrase);
    scope.SetWordDictionary(&dictionary);
    scope.Add({{alpha, 1.0f}}, {});
    scope.Add({{alpha, 1.0f}, {phraseId, 1.0f}}, {{beta, 1.0f}});
    builder.SetSources(&enginePointer, &parserPointer, &mapPointer, &dictionaryPointer, &formsPointer);
    builder.PageList = TPageDocuments(&documents, &pageIds);
    builder.Scope = &scopePointer;
  }
  // Writes an engine template and loads it into `target`.
  void LoadEngine(EngineWeb& target, const std::string& name, const std::string& settings) {
    WriteFile(folder + "templates/web/" + name + ".ini",
              "[settings]\nMainQuery=\"http://search.example/?q=$main_query\"\nformat=\"utf 8\"\nCountUrlOnSite=10\n" +
                  settings + "[general]\nhostname=\"" + name + "\"\n");
    target.LoadTemplate(name);
  }
  // Writes an engine template and loads it as the builder's engine.
  void UseEngine(const std::string& name, const std::string& settings) {
    LoadEngine(engine, name, settings);
    enginePointer = &engine;
  }
  // A document listed last on the page.
  void AddDocument(const TMetaSearchList& document) {
    pageIds.push_back(static_cast<int32_t>(documents.size()));
    documents.push_back(document);
  }
  // The query: the word alpha and the phrase "alpha beta", or nothing.
  void SetQuery(bool on) {
    map.SetNoQueryMode(!on);
    map.Steps().ClearAll(true);
    if (!on) return;
    map.Steps().SetValue(0, alpha, 1.0f, true);
    map.Steps().SetValue(0, phraseId, 1.0f, true);
    map.Steps().SetValue(1, beta, -10000.0f, true);
  }

  std::string folder;
  TPhraseWordDictionary dictionary;
  TITextParsing textParsing;
  TStorageFormsWords forms;
  TContentMap2 map;
  TScope scope;
  EngineWeb engine;
  std::vector<TMetaSearchList> documents;
  std::vector<int32_t> pageIds;
  TPageResults builder;
  int32_t alpha = -1, beta = -1, phraseId = -1;
  EngineWeb* enginePointer = &engine;
  TITextParsing* parserPointer = &textParsing;
  TContentMap2* mapPointer = &map;
  TPhraseWordDictionary* dictionaryPointer = &dictionary;
  TStorageFormsWords* formsPointer = &forms;
  TScope* scopePointer = &scope;
};

}  // namespace kestrune::fuzz
