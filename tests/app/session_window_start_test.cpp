// The main window's indexer and context models: the indexer's clear at New
// query; the model of texts as the project network's child.
#include <gtest/gtest.h>

#include "tests/app/session_fixture.h"
#include "tests/network/context_ms_test_support.h"

namespace kestrune {
namespace {

using test::TSessionFixture;
using test::TestProgram;

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
