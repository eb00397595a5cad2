// What the main window's creation keeps: the converter loaders and the
// document extensions, the page blocks of the English templates; the
// indexer's clear at New query; the context model of texts as the project
// network's child.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <tuple>

#include "search/page_results.h"
#include "tests/app/session_fixture.h"
#include "tests/network/context_ms_test_support.h"

namespace kestrune {
namespace {

using test::TSessionFixture;
using test::TestProgram;
using Strings = std::vector<std::string>;

size_t CountOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// Each loader searches on its own; the first gives the extensions.
TEST(WindowStart, ConverterPluginsGiveTheDocumentExtensionsAndOneLogLine) {
  struct Case {
    bool plugin;  // the test plug-in, listing " txt; doc;; rtf ", lies in the program folder
    Strings extensions;
    const char* line;
  } cases[] = {
      {true, {".doc", ".rtf", ".txt"}, "[Info] Document converters: the types doc, rtf, txt"},
      {false, {}, "[Info] Document converters: none (no plug-in lists a document type)"},
  };
  test::ScopedEnv types("KESTRUNE_TEST_CONVERTER_TYPES", " txt; doc;; rtf ");
  for (const Case& c : cases) {
    TSessionFixture f([&](TestProgram& p) {
      if (c.plugin) std::filesystem::copy_file(KESTRUNE_TEST_PLUGINS "imp_complete.so", p.Program() + "imp_complete.so");
    });
    const TKestruneSession::TWindowStart& start = f.session->WindowStart;
    EXPECT_EQ(start.Extensions, c.extensions);
    ASSERT_TRUE(start.Convertors1 && start.Convertors2);
    EXPECT_EQ(start.Convertors2->PluginCount(), c.plugin ? 1 : 0);
    EXPECT_EQ(CountOf(f.Log(), "Document converters:"), 1u);
    EXPECT_EQ(CountOf(f.Log(), c.line), 1u) << f.Log();
    EXPECT_TRUE(f.boxes.empty());
  }
}

// From "templates/en/templates.ini" whatever the language: the shipped file
// gives every block as the page builder cuts it.
TEST(WindowStart, PageBlocksOfTheEnglishTemplatesOrEmptyWithOneLogLine) {
  const std::string shipped = test::ReadFileBytes(KESTRUNE_SOURCE_DIR "/data/templates/en/templates.ini");
  struct Case {
    const char* file;  // nullptr: no file
    std::map<int32_t, std::u16string> blocks;  // the non-empty ones (the shipped file: all)
  } cases[] = {
      {shipped.c_str(), {}},
      {"<annotation>a</annotation><annotation>b</annotation></search_result>x<search_result>"
       "<_doc_meta_block>\xc3\xa9</_doc_meta_block><_cluster_block>",
       {{mbAnnotation, u"a"}, {mbDocMetaBlock, u"\u00e9"}}},
      {nullptr, {}},
  };
  for (const Case& c : cases) {
    TSessionFixture f([&](TestProgram& p) {
      if (c.file) test::WriteFileBytes(p.Program() + "templates/en/templates.ini", c.file);
      std::filesystem::create_directories(p.Program() + "templates/de");
      test::WriteFileBytes(p.Program() + "templates/de/templates.ini", "<annotation>de</annotation>");
    });
    TPageResults builder;
    builder.SetTemplatePath(f.program.Program() + "templates/en/");
    for (int32_t b = 0; b < mbBlockCount; ++b) {
      const std::u16string expected = c.file == shipped.c_str() ? builder.GetTemplateBlock(kMainPageBlockNames[b])
                                      : c.blocks.count(b)       ? c.blocks.at(b)
                                                                : u"";
      EXPECT_EQ(f.session->WindowStart.PageBlocks[b], expected) << b;
      if (c.file == shipped.c_str()) {
        EXPECT_FALSE(expected.empty()) << b;
      }
    }
    EXPECT_EQ(CountOf(f.Log(), "The page templates "), c.file ? 0u : 1u);
    EXPECT_TRUE(f.boxes.empty());
  }
}

// New query clears the indexer, which writes its two lines and empties the
// phrases of the parser's dictionary.
TEST(WindowStart, NewQueryClearsTheIndexerAndWithItThePhrases) {
  TSessionFixture f;
  TKestruneSession& s = *f.session;
  TPhraseWordDictionary& words = s.WordDictionary;
  words.AddPhrase(TPhrase{{{words.AddWord(u"new", 0, -1), 0, 0}, {words.AddWord(u"york", 0, -1), 0, 0}}, 0});
  ASSERT_EQ(words.PhraseCount(), 1);
  const size_t before = f.Log().size();
  s.IBitmapButtonNewClick();
  const std::string log = f.Log().substr(before);
  const size_t cleared = log.find("[Info] index clear\r\n");
  ASSERT_NE(cleared, std::string::npos) << log;
  EXPECT_NE(log.find("[Info] ClearPhrase\r\n", cleared), std::string::npos) << log;
  EXPECT_EQ(words.PhraseCount(), 0);
}

// The model of texts is the project network's child: GetWords merges its
// answer (the larger weight kept, its own words appended) and
// GetRelationWeight takes its larger weight.
TEST(WindowStart, TheModelOfTextsIsTheProjectNetworksChild) {
  TestProgram program;
  TKestruneSession s(program.WProgram());
  TIContextMS& network = s.IContextMS1;
  TIContextMS& texts = s.IContextMS3;
  ASSERT_EQ(network.ChildIContextMS(), &texts);
  // (network, a, b, weight): both models know 10 and 11, only the child 12.
  for (int32_t id : {1, 10, 11}) test::AddInputWord(network, id);
  for (int32_t id : {1, 10, 11, 12}) test::AddInputWord(texts, id);
  for (auto [model, to, weight] : {std::tuple{&network, 10, 0.4f}, {&network, 11, 0.6f}, {&texts, 10, 0.7f},
                                   {&texts, 11, 0.3f}, {&texts, 12, 0.5f}}) {
    test::Relate(*model, 1, to, weight);
  }
  const TNNKeys keys{{1, 1.0f}};
  network.ActivateWords(keys, false);
  int32_t count = 10;
  TNNKeys answer;
  network.GetWords(keys, {}, count, answer, 7, 0.01f);
  EXPECT_EQ(answer, (TNNKeys{{10, 0.7f}, {11, 0.6f}, {12, 0.5f}}));
  for (const TNNKey& key : answer) EXPECT_EQ(network.GetRelationWeight(1, key.Id), key.Weight) << key.Id;
}

}  // namespace
}  // namespace kestrune
