// What the main window's creation and first show keep: the converter loaders
// and the document extensions, the page blocks of the English templates, the
// "Amazon" flag; the indexer's clear at New query; the context model of texts
// as the project network's child.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

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

TEST(WindowStart, ConverterPluginsGiveTheDocumentExtensionsAndOneLogLine) {
  struct Case {
    const char* name;
    bool plugin;        // the test plug-in lies in the program folder
    const char* types;  // what it lists
    Strings extensions;
    const char* line;
  } cases[] = {
      {"a plug-in", true, " txt; doc;; rtf ", {".doc", ".rtf", ".txt"}, "[Info] Document converters: the types doc, rtf, txt"},
      {"a plug-in of no type", true, "<null>", {}, "[Info] Document converters: none (no plug-in lists a document type)"},
      {"no plug-in", false, "doc", {}, "[Info] Document converters: none (no plug-in lists a document type)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScopedEnv types("KESTRUNE_TEST_CONVERTER_TYPES", c.types);
    TSessionFixture f([&](TestProgram& p) {
      if (c.plugin) {
        std::filesystem::copy_file(std::string(KESTRUNE_TEST_PLUGINS) + "imp_complete.so", p.Program() + "imp_complete.so");
      }
    });
    const TKestruneSession::TWindowStart& start = f.session->WindowStart;
    EXPECT_EQ(start.Extensions, c.extensions);
    ASSERT_TRUE(start.Convertors1 && start.Convertors2);
    EXPECT_NE(start.Convertors1.get(), start.Convertors2.get());
    EXPECT_EQ(start.Convertors2->PluginCount(), c.plugin ? 1 : 0);  // each loader searched on its own
    EXPECT_EQ(start.Convertors2->Types(), start.Convertors1->Types());
    EXPECT_EQ(CountOf(f.Log(), "Document converters:"), 1u);
    EXPECT_EQ(CountOf(f.Log(), c.line), 1u) << f.Log();
    EXPECT_TRUE(f.boxes.empty());
  }
}

// The blocks come from "templates/en/templates.ini" whatever the interface
// language; the shipped file gives each of them as the page builder cuts it.
TEST(WindowStart, PageBlocksOfTheEnglishTemplatesOrEmptyWithOneLogLine) {
  const std::string shipped = test::ReadFileBytes(KESTRUNE_SOURCE_DIR "/data/templates/en/templates.ini");
  struct Case {
    const char* name;
    const char* file;  // nullptr: no file
    std::map<int32_t, std::u16string> blocks;  // the non-empty ones; empty map: as the page builder cuts them
  } cases[] = {
      {"the shipped file", shipped.c_str(), {}},
      {"tags out of order, missing or repeated",
       "<annotation>a</annotation><annotation>b</annotation></search_result>x<search_result>"
       "<_doc_meta_block>\xc3\xa9</_doc_meta_block><_cluster_block>",
       {{mbAnnotation, u"a"}, {mbDocMetaBlock, u"\u00e9"}}},
      {"no file", nullptr, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f([&](TestProgram& p) {
      if (c.file) test::WriteFileBytes(p.Program() + "templates/en/templates.ini", c.file);
      // Another interface language's templates are not the window's.
      std::filesystem::create_directories(p.Program() + "templates/de");
      test::WriteFileBytes(p.Program() + "templates/de/templates.ini", "<annotation>de</annotation>");
    });
    const TMainPageBlocks& blocks = f.session->WindowStart.PageBlocks;
    if (c.file == shipped.c_str()) {
      TPageResults builder;
      builder.SetTemplatePath(f.program.Program() + "templates/en/");
      for (int32_t b = 0; b < mbBlockCount; ++b) {
        EXPECT_FALSE(blocks[b].empty()) << b;
        EXPECT_EQ(blocks[b], builder.GetTemplateBlock(kMainPageBlockNames[b])) << b;
      }
    } else {
      for (int32_t b = 0; b < mbBlockCount; ++b) {
        EXPECT_EQ(blocks[b], c.blocks.count(b) ? c.blocks.at(b) : u"") << b;
      }
    }
    EXPECT_EQ(CountOf(f.Log(), "The page templates "), c.file ? 0u : 1u);
    EXPECT_TRUE(f.boxes.empty());
  }
}

TEST(WindowStart, FirstShowNotesAnEngineNamedAmazon) {
  struct Case {
    const char* name;
    const char* hostname;  // a second engine's name
    bool enabled;          // that engine is enabled
    bool listed;
  } cases[] = {
      {"Amazon listed", "Amazon", true, true},
      {"Amazon not enabled", "Amazon", false, false},
      {"another letter case", "amazon", true, false},
      {"no such engine", "Shop", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f([&](TestProgram& p) {
      test::WriteFileBytes(p.Program() + "templates/web/shop.ini", std::string("[general]\nhostname=") + c.hostname + "\n");
    });
    for (TSearchEn& engine : f.session->Config.Engines) engine.Enabled = engine.Name == "Loopback" || c.enabled;
    f.session->Config.Settings.Lwebsite = "Loopback,";
    f.session->FormShow(nullptr);
    EXPECT_EQ(f.session->WindowStart.AmazonListed, c.listed);
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
  for (int32_t id : {1, 10, 11}) test::AddInputWord(network, id);
  test::Relate(network, 1, 10, 0.4f);
  test::Relate(network, 1, 11, 0.6f);
  for (int32_t id : {1, 10, 11, 12}) test::AddInputWord(texts, id);
  test::Relate(texts, 1, 10, 0.7f);
  test::Relate(texts, 1, 11, 0.3f);
  test::Relate(texts, 1, 12, 0.5f);

  const TNNKeys keys{{1, 1.0f}};
  network.ActivateWords(keys, false);
  int32_t count = 10;
  TNNKeys answer;
  network.GetWords(keys, {}, count, answer, 7, 0.01f);
  EXPECT_EQ(answer, (TNNKeys{{10, 0.7f}, {11, 0.6f}, {12, 0.5f}}));

  struct Case {
    int32_t from, to;
    float weight;
  } cases[] = {{1, 10, 0.7f}, {1, 11, 0.6f}, {1, 12, 0.5f}};
  for (const Case& c : cases) EXPECT_EQ(network.GetRelationWeight(c.from, c.to), c.weight) << c.to;
}

}  // namespace
}  // namespace kestrune
