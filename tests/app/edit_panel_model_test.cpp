// The network edit panel's model on a small network: link deletions and
// weights with exact undo and redo (relations that did not exist are never
// made), added phrases, merges, and records that outlive a rebuilt network.
#include "app/edit_panel_model.h"

#include <gtest/gtest.h>

#include <optional>

#include "language/morphology_engine_full.h"
#include "language/phrase_word_dictionary.h"
#include "network/context_ms.h"

namespace kestrune {
namespace {

constexpr const char16_t* kWords[] = {u"walked", u"walking", u"road", u"park", u"lone"};

class EditPanelTest : public ::testing::Test {
 protected:
  EditPanelTest() {
    dictionary_.SetMorphologyEngine(&engine_);
    for (const char16_t* word : kWords) ids_.push_back(dictionary_.AddWord(word, 3, -1));
    BuildNetwork({});
    TEditPanelHost host;
    host.QueryWords = [this] { return query_; };
    host.MakeOnlyQueryWord = [this](int32_t id) { query_ = {id}; };
    host.AddToQuery = [this](std::u16string_view text) {
      added_.emplace_back(text);
      if (addsPhrase_) dictionary_.AddPhrase(TPhrase{{{Id(u"road"), 0, 0}, {Id(u"park"), 0, 0}}, 0});
    };
    host.RebuildMap = [this] { ++rebuilds_; };
    model_.emplace(flow_, context_, dictionary_, std::move(host));
  }

  // Word elements in the given order (the words' order when empty); walked
  // relates to road (0.3, back 0.4) and to the page of document 0 (0.6).
  void BuildNetwork(std::vector<std::u16string_view> order) {
    if (order.empty()) order.assign(std::begin(kWords), std::end(kWords));
    context_.Clear();
    context_.AddFile(0);
    for (std::u16string_view word : order) context_.AddWord(Id(word));
    Set(u"walked", u"road", 0.3f);
    Set(u"road", u"walked", 0.4f);
    std::vector<int32_t> pages;
    context_.GetFileElements(0, pages);
    TRelationPosition position;
    context_.Network().SetRelation(Element(u"walked"), {1, pages[0]}, position, 0.6f);
  }
  int32_t Id(std::u16string_view word) const {
    for (size_t i = 0; i < std::size(kWords); ++i) {
      if (kWords[i] == word) return ids_[i];
    }
    return -1;
  }
  TASNAddress Element(std::u16string_view word) { return {0, context_.FindWordElement(Id(word))}; }
  void Set(std::u16string_view from, std::u16string_view to, float weight) {
    TRelationPosition position;
    context_.Network().SetRelation(Element(from), Element(to), position, weight);
  }
  // -1 when the relation does not exist.
  static float Weight(TIASN& network, TASNAddress from, TASNAddress to) {
    TRelationPosition position;
    network.FindRelation(from, to, position);
    return position.Node == -1 ? -1.0f : network.GetElement(from)->GetRelationWeight(position);
  }
  float Weight(std::u16string_view from, std::u16string_view to) {
    return Weight(context_.Network(), Element(from), Element(to));
  }
  std::pair<float, float> Link(std::u16string_view a, std::u16string_view b) { return {Weight(a, b), Weight(b, a)}; }

  TIMorphologyEngineFull engine_;
  TPhraseWordDictionary dictionary_;
  TIContextMS context_;
  IControlFlow flow_;
  std::vector<int32_t> ids_;
  std::vector<int32_t> query_;
  std::vector<std::u16string> added_;
  bool addsPhrase_ = true;
  int rebuilds_ = 0;
  std::optional<TEditPanelModel> model_;
};

using TLink = std::pair<float, float>;  // A -> B, B -> A; -1: no relation

TEST_F(EditPanelTest, LinkEdits_UndoRestoresEachDirectionExactly) {
  struct Case {
    const char* name;
    int32_t kind;
    std::u16string_view clicked;  // A
    std::u16string_view key;      // B, the query word
    int32_t track;                // the weight page's track bar
    TLink edited;
    TLink undone;                 // as before the edit
  };
  const Case cases[] = {
      {"delete both directions", ekLinkDeleted, u"walked", u"road", 0, {-1, -1}, {0.3f, 0.4f}},
      {"delete where none was (weight 0)", ekLinkDeleted, u"walked", u"park", 0, {-1, -1}, {-1, -1}},
      {"delete one direction only", ekLinkDeleted, u"park", u"road", 0, {-1, -1}, {-1, 0.9f}},
      {"set over both directions", ekWeightSet, u"walked", u"road", 70, {0.7f, 0.7f}, {0.3f, 0.4f}},
      {"set where none was", ekWeightSet, u"walked", u"park", 25, {0.25f, 0.25f}, {-1, -1}},
      {"set over one direction", ekWeightSet, u"park", u"road", 0, {0, 0}, {-1, 0.9f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    flow_.Clear();
    BuildNetwork({});
    Set(u"road", u"park", 0.9f);
    model_->SelectKind(c.kind);
    query_ = {Id(c.key)};
    if (c.kind == ekLinkDeleted) {
      model_->WordClick(Id(c.clicked), kPanelSecondClick);
    } else {
      model_->WordClick(Id(c.clicked), kPanelSecondClick);
      model_->TrackBarPosition = c.track;
      model_->TntSpeedButton5Click();
    }
    ASSERT_EQ(flow_.Count(), 1);
    EXPECT_EQ(Link(c.clicked, c.key), c.edited);
    model_->edit_undoClick();
    EXPECT_EQ(Link(c.clicked, c.key), c.undone);
    EXPECT_EQ(flow_.CanRedo(), 0);
    model_->edit_redoClick();
    EXPECT_EQ(Link(c.clicked, c.key), c.edited);
    EXPECT_EQ(flow_.Position(), 1);
  }
}

TEST_F(EditPanelTest, DeleteClick_DeletesTowardTheFirstTwoQueryWords) {
  Set(u"walked", u"park", 0.2f);
  Set(u"walked", u"lone", 0.1f);
  model_->SelectKind(ekLinkDeleted);
  query_ = {Id(u"road"), Id(u"park"), Id(u"lone")};
  model_->WordClick(Id(u"walked"), kPanelSecondClick);
  EXPECT_EQ(flow_.Count(), 2);
  EXPECT_EQ(Weight(u"walked", u"road"), -1);
  EXPECT_EQ(Weight(u"walked", u"park"), -1);
  EXPECT_EQ(Weight(u"walked", u"lone"), 0.1f);
  model_->edit_undoClick();
  model_->edit_undoClick();
  EXPECT_EQ(Link(u"walked", u"road"), TLink(0.3f, 0.4f));
  EXPECT_EQ(Link(u"walked", u"park"), TLink(0.2f, -1));
  // The plain click makes the word the only query word.
  model_->WordClick(Id(u"lone"), kPanelPlainClick);
  EXPECT_EQ(query_, std::vector<int32_t>{Id(u"lone")});
}

TEST_F(EditPanelTest, WeightClick_ShowsTheLinkOnTheTrackBar) {
  model_->SelectKind(ekWeightSet);
  model_->WordClick(Id(u"road"), kPanelPlainClick);
  EXPECT_EQ(model_->WeightLabel, u"road");
  model_->WordClick(Id(u"walked"), kPanelSecondClick);
  EXPECT_EQ(model_->WeightWord, u"walked");
  EXPECT_EQ(model_->TrackBarPosition, 30);
}

TEST_F(EditPanelTest, Undo_FollowsTheWordsAfterTheNetworkWasRebuilt) {
  model_->SelectKind(ekWeightSet);
  query_ = {Id(u"road")};
  model_->WordClick(Id(u"walked"), kPanelSecondClick);
  model_->TrackBarPosition = 50;
  model_->TntSpeedButton5Click();
  // A search builds the network anew: other element numbers, the edit gone.
  BuildNetwork({u"lone", u"park", u"road", u"walking", u"walked"});
  Set(u"walked", u"road", 0.5f);
  Set(u"road", u"walked", 0.5f);
  model_->edit_undoClick();
  EXPECT_EQ(Link(u"walked", u"road"), TLink(0.3f, 0.4f));
  EXPECT_EQ(Weight(u"lone", u"park"), -1);
}

TEST_F(EditPanelTest, AddPhrase_UndoRemovesItOnlyWhileItIsTheLast) {
  model_->PhraseText = u" road park";
  model_->TntButton1Click();
  EXPECT_EQ(added_, std::vector<std::u16string>{u"\" road park\""});
  EXPECT_TRUE(model_->PhraseText.empty());
  ASSERT_EQ(flow_.Count(), 1);
  EXPECT_EQ(flow_.At(0).NewValue, kPhraseAddedValue);
  EXPECT_EQ(dictionary_.PhraseCount(), 1);
  model_->edit_undoClick();
  EXPECT_EQ(dictionary_.PhraseCount(), 0);
  model_->edit_redoClick();  // nothing to rebuild the phrase from
  EXPECT_EQ(dictionary_.PhraseCount(), 0);
  EXPECT_EQ(flow_.Position(), 1);

  // A phrase added after it keeps it in place: undo only moves the position.
  flow_.Clear();
  model_->PhraseText = u"road park";
  model_->TntButton1Click();
  dictionary_.AddPhrase(TPhrase{{{Id(u"walked"), 0, 0}, {Id(u"lone"), 0, 0}}, 0});
  model_->edit_undoClick();
  EXPECT_EQ(dictionary_.PhraseCount(), 2);
  EXPECT_EQ(flow_.Position(), 0);

  // An Add that made no phrase (it was known) removes none on undo.
  flow_.Clear();
  addsPhrase_ = false;
  model_->PhraseText = u"road park";
  model_->TntButton1Click();
  model_->edit_undoClick();
  EXPECT_EQ(dictionary_.PhraseCount(), 2);
}

TEST_F(EditPanelTest, Merge_MakesOneWordWithBothWordsRelations) {
  Set(u"walking", u"park", 0.8f);
  Set(u"park", u"walking", 0.2f);
  model_->SelectKind(ekWordsMerged);
  model_->WordClick(Id(u"walked"), kPanelPlainClick);
  model_->WordClick(Id(u"walking"), kPanelSecondClick);
  EXPECT_EQ(model_->FirstWord, u"walked");
  EXPECT_EQ(model_->SecondWord, u"walking");
  const TASNAddress a = Element(u"walked");
  const TASNAddress b = Element(u"walking");
  const int32_t words = dictionary_.Count();
  model_->TntSpeedButton6Click();

  ASSERT_EQ(flow_.Count(), 1);
  const TEditRecord& record = flow_.At(0);
  EXPECT_EQ(record.Kind, ekWordsMerged);
  EXPECT_EQ(record.NewWord, words);
  TWDWord* merged = dictionary_.GetWord(record.NewWord);
  ASSERT_NE(merged, nullptr);
  EXPECT_EQ(merged->GetStoredText(), u"walk");
  EXPECT_EQ(merged->GetGroup(), record.Lexeme);
  EXPECT_EQ(merged->GetPartOfSpeech(), 3);
  ASSERT_EQ(merged->FormCount(), 2);
  EXPECT_EQ(merged->GetForm(0), u"walked");
  EXPECT_EQ(merged->GetForm(1), u"walking");

  TIASN& network = context_.Network();
  const TASNAddress m{0, context_.FindWordElement(record.NewWord)};
  EXPECT_EQ(Weight(network, m, Element(u"road")), 0.3f);
  EXPECT_EQ(Weight(network, Element(u"road"), m), 0.3f);
  EXPECT_EQ(Weight(network, m, Element(u"park")), 0.8f);
  EXPECT_EQ(Weight(network, Element(u"park"), m), 0.8f);
  std::vector<int32_t> pages;
  context_.GetFileElements(0, pages);
  EXPECT_EQ(Weight(network, m, {1, pages[0]}), 0.6f);
  EXPECT_EQ(Weight(network, {1, pages[0]}, m), 0.6f);
  EXPECT_EQ(network.GetElement(a)->GetAnchor(), -1.0f);
  EXPECT_EQ(network.GetElement(b)->GetAnchor(), -1.0f);
  EXPECT_EQ(Weight(network, Element(u"road"), a), -1);
  EXPECT_EQ(dictionary_.GetWord(Id(u"walked"))->GetFlags(), 1);
  EXPECT_EQ(dictionary_.GetWord(Id(u"walking"))->GetFlags(), 1);

  // Undo and redo of a merge only move the position; the word stays.
  model_->edit_undoClick();
  EXPECT_EQ(flow_.Position(), 0);
  EXPECT_EQ(dictionary_.Count(), words + 1);
  model_->edit_redoClick();
  EXPECT_EQ(flow_.Position(), 1);
}

TEST_F(EditPanelTest, Merge_RefusesUnknownAndRepeatedWords) {
  struct Case {
    std::u16string_view first;
    std::u16string_view second;
  };
  const Case cases[] = {{u"walked", u"nowhere"}, {u"nowhere", u"walked"}, {u"walked", u"walked"}, {u"", u"road"}};
  for (const Case& c : cases) {
    model_->FirstWord = c.first;
    model_->SecondWord = c.second;
    const int32_t words = dictionary_.Count();
    const int32_t lexemes = engine_.LexemeCount();
    model_->TntSpeedButton6Click();
    EXPECT_EQ(flow_.Count(), 0);
    EXPECT_EQ(dictionary_.Count(), words);
    EXPECT_EQ(engine_.LexemeCount(), lexemes);
    EXPECT_EQ(Link(u"walked", u"road"), TLink(0.3f, 0.4f));
  }
}

TEST_F(EditPanelTest, Edits_NeverReachAWordWithoutALiveElement) {
  // No query word: nothing to weigh, nothing pushed.
  model_->SelectKind(ekWeightSet);
  model_->WordClick(Id(u"walked"), kPanelSecondClick);
  model_->TntSpeedButton5Click();
  EXPECT_EQ(flow_.Count(), 0);

  // A weight set, then its word merged away: undoing the weight leaves the
  // deleted element without relations.
  query_ = {Id(u"road")};
  model_->WordClick(Id(u"walked"), kPanelSecondClick);
  model_->TrackBarPosition = 50;
  model_->TntSpeedButton5Click();
  model_->FirstWord = u"walked";
  model_->SecondWord = u"walking";
  model_->TntSpeedButton6Click();
  ASSERT_EQ(flow_.Count(), 2);
  model_->edit_undoClick();
  model_->edit_undoClick();
  EXPECT_EQ(flow_.Position(), 0);
  EXPECT_EQ(Link(u"walked", u"road"), TLink(-1, -1));
  model_->edit_redoClick();
  EXPECT_EQ(Link(u"walked", u"road"), TLink(-1, -1));
}

}  // namespace
}  // namespace kestrune
