// The network editor's model on a small network built by the context model:
// the listing, number texts, marks, the Percent drag, the word search, Add,
// Apply, "Delete Word", failed saves and listings older than the network.
#include "app/network_editor_model.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "core/message_strings.h"
#include "language/phrase_word_dictionary.h"
#include "language/text_parsing.h"
#include "network/context_ms.h"
#include "platform/text.h"
#include "tests/network/context_ms_test_support.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using test::MakeParse;

class RecordingEditorView : public INetworkEditorView {
 public:
  bool AskOkCancel(std::u16string_view question) override {
    questions.emplace_back(question);
    if (answers.empty()) return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void ShowMessage(std::u16string_view text) override { messages.emplace_back(text); }
  void SetHourglass(bool on) override { hourglass.push_back(on); }
  void CloseEditor() override { ++closed; }

  std::deque<bool> answers;  // then OK
  std::vector<std::u16string> questions;
  std::vector<std::u16string> messages;
  std::vector<bool> hourglass;
  int closed = 0;
};

// dog relates to category (0.1) and bird (0.2), cat to fish; every title word
// relates to its document's page; lone has an element and no relations;
// ghost has no element.
class EditorTest : public ::testing::Test {
 protected:
  EditorTest() {
    textParsing_.SetWordDictionary(&dictionary_);
    for (const char16_t* word : {u"cat", u"category", u"dog", u"bird", u"fish", u"lone", u"ghost"}) {
      ids_.push_back(dictionary_.AddWord(word, 0, -1));
    }
    const TParsingText text = MakeParse({{{Id(u"dog"), Id(u"category")}}, {{Id(u"dog"), Id(u"bird")}},
                                         {{Id(u"cat"), Id(u"fish")}}});
    context_.Clear();
    for (int32_t i = 0; i < 3; ++i) {
      context_.AddFile(i);
      context_.AddTitleMSPage(text, i, i);
    }
    context_.AddWord(Id(u"lone"));
    TRelationPosition position;
    context_.Network().SetRelation(Element(u"dog"), Element(u"category"), position, 0.1f);
    context_.Network().SetRelation(Element(u"dog"), Element(u"bird"), position, 0.2f);
    model_.View = &view_;
  }
  int32_t Id(std::u16string_view word) const {
    static const std::u16string_view kWords[] = {u"cat", u"category", u"dog", u"bird", u"fish", u"lone", u"ghost"};
    for (size_t i = 0; i < std::size(kWords); ++i) {
      if (kWords[i] == word) return ids_[i];
    }
    return -1;
  }
  TASNAddress Element(std::u16string_view word) { return {0, context_.FindWordElement(Id(word))}; }
  // -1 when the relation does not exist.
  float Weight(std::u16string_view from, std::u16string_view to) {
    return test::RelationWeight(context_.Network(), Element(from), Element(to));
  }
  int32_t Relations(TASNAddress address, int32_t layer) {
    const int32_t list = context_.Network().FindRelationList(address, layer);
    return list < 0 ? 0 : context_.Network().GetElement(address)->GetRelationCount(list);
  }
  void Open(std::u16string_view word) {
    marked_ = Id(word);
    ASSERT_TRUE(model_.ExecuteAll());
  }
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (const TRelationRow& row : model_.Rows()) {
      const std::u16string status = model_.CellText(row, rcStatus);
      rows.push_back(platform::Utf16ToUtf8(model_.CellText(row, rcName) + u"=" + model_.CellText(row, rcValue) +
                                           (row.Checked ? u" x" : u"") + (status.empty() ? u"" : u" " + status)));
    }
    return rows;
  }
  int32_t RowOf(std::u16string_view name) const {
    const std::vector<int32_t> rows = model_.FindRows(name);
    return rows.empty() ? -1 : rows.front();
  }

  test::TempDir dir_;
  std::u16string historyFile_ = dir_.WFile("default.kes");
  TPhraseWordDictionary dictionary_;
  TITextParsing textParsing_;
  TIContextMS context_;
  std::vector<int32_t> ids_;
  int32_t marked_ = -1;
  RecordingEditorView view_;
  TNetworkEditorModel model_{context_, dictionary_, textParsing_,
                             TNetworkEditorHost{[this] { return marked_; }, [this] { return historyFile_; }}};
};

TEST_F(EditorTest, ListingOfAWord) {
  Open(u"dog");
  EXPECT_EQ(model_.WordText(), u"dog");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"category=0.1", "bird=0.2"}));
  EXPECT_EQ(model_.lbCountRelationsW(), 2);
  EXPECT_EQ(model_.lbCountRelatonsCT(), 2);
  EXPECT_EQ(model_.SpinEdit1(), 2);
  EXPECT_EQ(model_.Rows()[1].WordIndex, Id(u"bird"));
  EXPECT_EQ(model_.Rows()[1].Number, 2);
  EXPECT_EQ(model_.edAnchor, u"1");
  EXPECT_EQ(model_.edBarier, u"0.001");

  const struct {
    const char16_t* word;
    std::u16string anchor;
  } empty[] = {{u"lone", u"0"}, {u"ghost", u""}};
  for (const auto& c : empty) {
    SCOPED_TRACE(platform::Utf16ToUtf8(c.word));
    Open(c.word);
    EXPECT_TRUE(model_.Rows().empty());
    EXPECT_EQ(model_.SpinEdit1(), 0);
    EXPECT_EQ(model_.edAnchor, c.anchor);
  }
  // Nothing marked: nothing listed.
  marked_ = -1;
  EXPECT_FALSE(model_.ExecuteAll());
  EXPECT_TRUE(model_.Rows().empty());
}

TEST_F(EditorTest, NumberTexts) {
  const struct {
    char16_t separator;
    std::u16string text;
    bool read;
    double value;
  } cases[] = {
      {u'.', u"0,001", false, 0},  {u',', u"0,001", true, 0.001}, {u'.', u" 0.5 ", true, 0.5},
      {u'.', u"-2", true, -2},     {u'.', u"1e-3", true, 0.001},  {u',', u"0.5", false, 0},
      {u'.', u"1.2.3", false, 0},  {u'.', u"inf", false, 0},      {u'.', u"", false, 0},
      {u'.', u"1 000", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::Utf16ToUtf8(c.text) + " with " + static_cast<char>(c.separator));
    model_.SetDecimalSeparator(c.separator);
    double value = -7;
    EXPECT_EQ(model_.ReadFloat(c.text, value), c.read);
    if (c.read) {
      EXPECT_DOUBLE_EQ(value, c.value);
    }
  }
  model_.SetDecimalSeparator(u',');
  EXPECT_EQ(model_.FloatText(0.1f), u"0,1");
  EXPECT_EQ(model_.FloatText(-1.0f), u"-1");
  EXPECT_EQ(model_.NetworkBase(u"/a/b.c/net.kes"), u"/a/b.c/net");
  EXPECT_EQ(model_.NetworkBase(u"/a/net.kes.kes"), u"/a/net");
  EXPECT_EQ(model_.NetworkBase(u"/a.b/net"), u"/a.b/net");

  // The selection boxes start with "0,001", which a "." locale rejects.
  model_.SetDecimalSeparator(u'.');
  Open(u"dog");
  model_.btnSelectLessValueClick();
  model_.btnAssignSelectValueClick();
  EXPECT_EQ(view_.messages, std::vector<std::u16string>(2, MessageStrings.smWrongValue));
  EXPECT_EQ(Rows(), (std::vector<std::string>{"category=0.1", "bird=0.2"}));
}

TEST_F(EditorTest, MarksAndSelections) {
  Open(u"dog");
  model_.edLessValue = u"0.2";
  model_.btnSelectLessValueClick();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"category=0.1 x", "bird=0.2"}));
  model_.SetChecked(RowOf(u"bird"), true);
  model_.edLessValue = u"0.15";
  model_.btnSelectLessValueClick();  // checks, never unchecks
  EXPECT_EQ(Rows(), (std::vector<std::string>{"category=0.1 x", "bird=0.2 x"}));
  model_.edAssignSelectValue = u"0.75";
  model_.btnAssignSelectValueClick();
  model_.btnDeleteSelectClick();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"category=0.75 x Delete relation", "bird=0.75 x Delete relation"}));
  model_.Button1Click();
  model_.btnCancelSelectionClick();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"category=0.75", "bird=0.75"}));
  // The popup marks the selected row, and a marked row is a change.
  model_.SelectedRow = RowOf(u"bird");
  model_.DeleteRelationAndWord1Click();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"category=0.75", "bird=0.75 x Delete word"}));
  model_.UnCheckRemove1Click();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"category=0.75", "bird=0.75 x"}));
  EXPECT_TRUE(view_.messages.empty());
}

TEST_F(EditorTest, PercentDrag) {
  Open(u"dog");
  const int32_t nameWidth = 120;
  const int32_t percentWidth = 100;
  const struct {
    int32_t x;
    std::string row;
  } cases[] = {
      {nameWidth + 50, "category=0.5 x"},  // the middle
      {nameWidth + 51, "category=0.51 x"},
      {nameWidth, "category=0.1"},  // the column's edges and beyond change nothing
      {nameWidth + percentWidth, "category=0.1"},
      {10, "category=0.1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    Open(u"dog");
    const bool changed = model_.PercentDrag(RowOf(u"category"), c.x, nameWidth, percentWidth);
    EXPECT_EQ(Rows()[0], c.row);
    EXPECT_EQ(changed, c.row != "category=0.1");
  }
  EXPECT_TRUE(model_.PercentDrag(RowOf(u"category"), nameWidth + 30, nameWidth, percentWidth));
  EXPECT_FALSE(model_.PercentDrag(RowOf(u"category"), nameWidth + 30, nameWidth, percentWidth));  // no change
  EXPECT_EQ(model_.PercentPosition(RowOf(u"category")), 30);
}

TEST_F(EditorTest, SortingByColumn) {
  Open(u"dog");
  const int32_t zeta = dictionary_.AddWord(u"Zeta", 0, -1);
  const int32_t alpha = dictionary_.AddWord(u"alpha", 0, -1);
  const int32_t ecole = dictionary_.AddWord(u"\u00c9cole", 0, -1);
  ASSERT_LT(zeta, alpha);
  const TRelationRow upper{zeta, 2, 10.0f, u"", TRowStatus::None, false};
  const TRelationRow lower{alpha, 10, 0.5f, u"9", TRowStatus::DeleteWord, false};
  const TRelationRow accented{ecole, 3, -1.0f, u"", TRowStatus::None, false};
  const struct {
    int32_t column;
    const TRelationRow& a;
    const TRelationRow& b;
    int32_t order;
  } cases[] = {
      {rcName, upper, lower, 1},       // Z folded to z comes after a
      {rcName, lower, accented, -1},   // no folding beyond A to Z
      {rcValue, upper, lower, 1},      // 10 > 9 as numbers
      {rcValue, accented, lower, -1},
      {rcWordIndex, upper, lower, -1},
      {rcNumber, lower, upper, 1},
      {rcStatus, upper, lower, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.column);
    EXPECT_EQ(model_.tlwRELCompare(c.a, c.b, c.column), c.order);
  }
  model_.SelectedRow = RowOf(u"category");
  model_.tlwRELColumnClick(rcName);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"bird=0.2", "category=0.1"}));
  EXPECT_EQ(model_.SelectedRow, 1);  // the selection follows its row
}

TEST_F(EditorTest, AddRelatesAWordByItsIdentifier) {
  Open(u"dog");
  const struct {
    const char16_t* word;
    std::vector<std::string> rows;
    const char16_t* selected;
  } cases[] = {
      {u"category", {"category=0.1", "bird=0.2"}, u"category"},  // listed: selected, nothing added
      {u"cat", {"category=0.1", "bird=0.2", "cat=0"}, u"cat"},   // "category" begins with it: still added
      {u"cat", {"category=0.1", "bird=0.2", "cat=0"}, u"cat"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::Utf16ToUtf8(c.word));
    model_.Edit1 = c.word;
    model_.Edit1KeyDown(13);
    ASSERT_EQ(model_.FoundWords().size(), 1u);
    EXPECT_EQ(model_.FoundWords()[0].Id, Id(c.word));
    model_.FoundSelection = {0};
    model_.btnAddClick();
    EXPECT_EQ(Rows(), c.rows);
    EXPECT_EQ(model_.SelectedRow, RowOf(c.selected));
  }
  EXPECT_EQ(view_.questions, std::vector<std::u16string>(3, std::u16string(kAskCreateRelation)));
  EXPECT_EQ(Weight(u"dog", u"cat"), 0.0f);
  EXPECT_EQ(Weight(u"cat", u"dog"), 0.0f);
  // Cancel adds nothing; a word without an element is never listed.
  view_.answers = {false};
  model_.Edit1 = u"fish";
  model_.Edit1KeyDown(13);
  model_.FoundSelection = {0};
  model_.btnAddClick();
  EXPECT_EQ(Weight(u"dog", u"fish"), -1.0f);
  model_.Edit1 = u"ghost";
  model_.Edit1KeyDown(13);
  EXPECT_TRUE(model_.FoundWords().empty());
}

TEST_F(EditorTest, ApplyWritesTheCheckedRowsSavesAndReadsTheNetworkAgain) {
  Open(u"dog");
  model_.SetChecked(RowOf(u"category"), true);
  model_.edAssignSelectValue = u"0.7";
  model_.btnAssignSelectValueClick();
  model_.SelectedRow = RowOf(u"bird");
  model_.DeleteRelationAndWord1Click();
  model_.edKStim = u"0.25";
  const TASNAddress bird = Element(u"bird");
  const int32_t birdPages = Relations(bird, 1);
  ASSERT_GT(birdPages, 0);
  ASSERT_GT(Relations(bird, 0), 0);
  const uint32_t before = context_.RebuildCount();
  model_.btnApplyClick();
  EXPECT_EQ(view_.questions, std::vector<std::u16string>{std::u16string(kAskApply)});
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_EQ(view_.hourglass, (std::vector<bool>{true, false}));
  EXPECT_NE(context_.RebuildCount(), before);  // read back from its files
  EXPECT_TRUE(std::filesystem::exists(dir_.File("default.inn")));
  // The network as read back.
  EXPECT_EQ(context_.Network().GetElement(bird)->GetAnchor(), -1.0f);
  EXPECT_EQ(Relations(bird, 0), 0);
  EXPECT_EQ(Weight(u"dog", u"bird"), -1.0f);
  EXPECT_EQ(Weight(u"category", u"bird"), -1.0f);
  EXPECT_EQ(Relations(bird, 1), birdPages);
  EXPECT_FLOAT_EQ(Weight(u"dog", u"category"), 0.7f);
  EXPECT_FLOAT_EQ(Weight(u"category", u"dog"), 0.7f);
  EXPECT_FLOAT_EQ(context_.Network().GetElement(Element(u"dog"))->GetKStim(), 0.25f);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"category=0.7"}));
  model_.Edit1 = u"bird";
  model_.Edit1KeyDown(13);
  EXPECT_TRUE(model_.FoundWords().empty());
}

TEST_F(EditorTest, ApplyAndDeleteWordRefusals) {
  const struct {
    const char* name;
    const char16_t* word;
    std::u16string anchor;  // written into the edit before Apply
    std::vector<std::u16string> messages;
  } cases[] = {
      {"no element", u"ghost", u"", {MessageStrings.smErrorWordToElement}},
      {"not a number", u"dog", u"x", {MessageStrings.smErrorAnchor}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    view_.messages.clear();
    Open(c.word);
    if (!c.anchor.empty()) model_.edAnchor = c.anchor;
    model_.SetChecked(0, true);
    model_.btnApplyClick();
    EXPECT_EQ(view_.messages, c.messages);
    EXPECT_EQ(Weight(u"dog", u"category"), 0.1f);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("default.inn")));

  // "Delete Word": its question verbatim; Cancel does nothing.
  Open(u"dog");
  view_.questions.clear();
  view_.answers = {false};
  model_.btnDeleteClick();
  ASSERT_EQ(view_.questions.size(), 1u);
  EXPECT_EQ(view_.questions[0], u"Do you really want to delete \"dog\"  and all of in relations");
  EXPECT_EQ(view_.closed, 0);
  model_.btnDeleteClick();
  EXPECT_EQ(view_.closed, 1);
  EXPECT_EQ(context_.Network().GetElement(Element(u"dog"))->GetAnchor(), -1.0f);
  EXPECT_EQ(Weight(u"category", u"dog"), -1.0f);
  // A deleted word is listed with no rows and refused.
  Open(u"dog");
  EXPECT_TRUE(model_.Rows().empty());
  view_.questions.clear();
  model_.btnDeleteClick();
  EXPECT_TRUE(view_.questions.empty());
}

TEST_F(EditorTest, AFailedSaveKeepsTheEdits) {
  // A folder where the network file goes: the save fails, as root too.
  std::filesystem::create_directory(dir_.File("default.inn"));
  Open(u"dog");
  model_.SetChecked(RowOf(u"category"), true);
  model_.edAssignSelectValue = u"0.9";
  model_.btnAssignSelectValueClick();
  const uint32_t before = context_.RebuildCount();
  model_.btnApplyClick();
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_TRUE(view_.messages[0].starts_with(u"The network could not be saved (code "));
  EXPECT_TRUE(view_.messages[0].ends_with(u"); the changes stay in memory."));
  EXPECT_EQ(context_.RebuildCount(), before);  // not read again
  EXPECT_FLOAT_EQ(Weight(u"dog", u"category"), 0.9f);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"category=0.9", "bird=0.2"}));
  EXPECT_NE(model_.btnSaveClick(dir_.WFile("default.inn")), 0);
  EXPECT_EQ(model_.btnSaveClick(dir_.WFile("copy.inn")), 0);
  EXPECT_TRUE(std::filesystem::exists(dir_.File("copy.inn")));
}

TEST_F(EditorTest, AListingOlderThanTheNetworkIsListedAgainFirst) {
  const struct {
    const char* name;
    void (TNetworkEditorModel::*act)();
  } cases[] = {{"Apply", &TNetworkEditorModel::btnApplyClick},
               {"Delete Word", &TNetworkEditorModel::btnDeleteClick},
               {"Add", &TNetworkEditorModel::btnAddClick}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Open(u"dog");
    model_.SetChecked(RowOf(u"category"), true);
    model_.SelectedRow = RowOf(u"bird");
    model_.remove1Click();
    model_.Edit1 = u"cat";
    model_.Edit1KeyDown(13);
    model_.FoundSelection = {0};
    // A new search builds the network anew: other words, other elements.
    const TParsingText text = MakeParse({{{Id(u"fish"), Id(u"dog")}}});
    context_.Clear();
    context_.AddFile(0);
    context_.AddTitleMSPage(text, 0, 0);
    view_.questions.clear();
    (model_.*c.act)();
    EXPECT_TRUE(view_.questions.empty());
    EXPECT_EQ(Rows(), (std::vector<std::string>{"fish=0.16000001"}));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("default.inn")));
    EXPECT_NE(context_.Network().GetElement(Element(u"dog"))->GetAnchor(), -1.0f);
    EXPECT_EQ(Weight(u"dog", u"cat"), -1.0f);
    EXPECT_EQ(view_.closed, 0);
  }
}

}  // namespace
}  // namespace kestrune
