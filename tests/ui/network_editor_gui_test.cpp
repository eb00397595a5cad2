// The network editor's form offscreen: its components and English
// captions, the listing of a small network, check boxes, the Percent drag,
// the pop-up menu, the word search, Ctrl+F, Apply through its question box,
// and a screenshot.
//
// With KESTRUNE_WRITE_IMAGES=<folder> the listing's screenshot is written
// there as network_editor.png (for docs/).
#include "ui/network_editor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "app/window/apply_language.h"
#include "language/phrase_word_dictionary.h"
#include "language/text_parsing.h"
#include "network/context_ms.h"
#include "tests/network/context_ms_test_support.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

// Runs `act` on the next modal dialog, once it is shown.
void OnNextModal(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(modal);
  });
  timer->start(5);
}

// A word "dog" related to seven words, as the context model builds them from
// titles, with hand-set weights.
class EditorForm : public ::testing::Test {
 protected:
  EditorForm() {
    textParsing_.SetWordDictionary(&dictionary_);
    const std::u16string words[] = {u"dog", u"bark", u"tail", u"bone", u"leash", u"puppy", u"kennel", u"walk"};
    std::vector<int32_t> ids;
    for (const std::u16string& word : words) ids.push_back(dictionary_.AddWord(word, 0, -1));
    std::vector<test::TestParagraph> titles;
    for (size_t i = 1; i < ids.size(); ++i) titles.push_back({{ids[0], ids[i]}});
    const TParsingText text = test::MakeParse(titles);
    context_.Clear();
    for (int32_t i = 0; i < static_cast<int32_t>(titles.size()); ++i) {
      context_.AddFile(i);
      context_.AddTitleMSPage(text, i, i);
    }
    const float weights[] = {0.92f, 0.35f, 0.61f, 0.08f, 0.77f, 0.5f, 0.2f};
    for (size_t i = 1; i < ids.size(); ++i) {
      TRelationPosition position;
      context_.Network().SetRelation({0, context_.FindWordElement(ids[0])}, {0, context_.FindWordElement(ids[i])},
                                     position, weights[i - 1]);
    }
    dog_ = ids[0];
    form_ = std::make_unique<TfrmRedactor>(
        context_, dictionary_, textParsing_,
        TNetworkEditorHost{[this] { return marked_; }, [this] { return dir_.WFile("default.kes"); }});
    ApplyBuiltInLanguage(*form_);
    form_->Model().SetDecimalSeparator(u'.');
  }

  test::TempDir dir_;
  TPhraseWordDictionary dictionary_;
  TITextParsing textParsing_;
  TIContextMS context_;
  int32_t dog_ = -1;
  int32_t marked_ = -1;
  std::unique_ptr<TfrmRedactor> form_;
};

TEST_F(EditorForm, ComponentsAndEnglishCaptions) {
  // clang-format off
  const std::pair<const char*, const char*> texts[] = {
      {"Label1", "Word relation"}, {"Label2", "Text relation"}, {"Label3", "Anchor"}, {"Label4", "KStim"},
      {"Label5", "KInh"}, {"Label6", "Threshold"}, {"btnAdd", "Add"},
      {"btnSelectLessValue", "Select relations less than"}, {"btnAssignSelectValue", "Assign value"},
      {"btnCancelSelection", "Cancel Selection"}, {"btnDeleteSelect", "Delete relations"},
      {"btnDeleteSelectedWords", "Delete words"}, {"Button1", "Cancel deletion"}, {"btnDelete", "Delete Word"},
      {"btnApply", "Apply"}, {"btnSave", "Save as"}, {"btnReload", "Reload"}, {"Button2", "Close"},
      {"remove1", "Delete relation"}, {"DeleteRelationAndWord1", "Delete word"}, {"UnCheckRemove1", "Cancel deletion"},
      {"edLessValue", "0,001"}, {"edAssignSelectValue", "0,001"}};
  // clang-format on
  for (const auto& [name, text] : texts) {
    QObject* component = form_->findChild<QObject*>(name);
    ASSERT_NE(component, nullptr) << name;
    EXPECT_EQ(component->property("text").toString(), text) << name;
  }
  const std::pair<QGroupBox*, const char*> groups[] = {
      {form_->GroupBox1, "Add relation"}, {form_->GroupBox2, "Selection"}, {form_->GroupBox3, "Features"}};
  for (const auto& [group, title] : groups) EXPECT_EQ(group->title(), title);
  const QStringList columns = {"Name", "Percent", "Value", "Word index", "Number", "Status"};
  for (int i = 0; i < columns.size(); ++i) EXPECT_EQ(form_->tlwREL->headerItem()->text(i), columns[i]);
  EXPECT_EQ(form_->TntListView1->headerItem()->text(0), "Words");
  EXPECT_EQ(form_->TntListView1->headerItem()->text(1), "Index");
  EXPECT_EQ(form_->SaveDialog1->nameFilters(), QStringList{"ASN files (*.inn)"});
  EXPECT_FALSE(form_->GroupBox4->isVisibleTo(form_.get()));
  EXPECT_FALSE(form_->isModal());
  // Nothing marked: the form stays hidden.
  form_->ExecuteAll();
  EXPECT_FALSE(form_->isVisible());
}

TEST_F(EditorForm, ListingChecksPercentDragFindAndApply) {
  marked_ = dog_;
  form_->ExecuteAll();
  ASSERT_TRUE(form_->isVisible());
  EXPECT_EQ(form_->windowTitle(), "dog");
  EXPECT_EQ(form_->lbWORD->text(), "dog");
  EXPECT_EQ(form_->lbCountRelationsW->text(), "7");
  EXPECT_EQ(form_->lbCountRelatonsCT->text(), "7");
  EXPECT_EQ(form_->SpinEdit1->value(), 7);
  EXPECT_EQ(form_->edAnchor->text(), "1");
  QTreeWidget* list = form_->tlwREL;
  ASSERT_EQ(list->topLevelItemCount(), 7);
  EXPECT_EQ(list->topLevelItem(0)->text(rcName), "bark");
  EXPECT_EQ(list->topLevelItem(0)->text(rcValue), "0.92");
  EXPECT_EQ(list->topLevelItem(6)->text(rcNumber), "7");

  // The check box marks the row in the model.
  list->topLevelItem(2)->setCheckState(0, Qt::Checked);
  EXPECT_TRUE(form_->Model().Rows()[2].Checked);

  // A drag across the Percent column, from its left edge to its middle.
  const QRect row = list->visualItemRect(list->topLevelItem(1));
  const int left = list->columnWidth(rcName);
  const int middle = left + list->columnWidth(rcPercent) / 2;
  QTest::mousePress(list->viewport(), Qt::LeftButton, {}, QPoint(left + 2, row.center().y()));
  const QPointF to(middle, row.center().y());
  QMouseEvent move(QEvent::MouseMove, to, list->viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(list->viewport(), &move);
  QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, QPoint(middle, row.center().y()));
  double value = 0;
  ASSERT_TRUE(form_->Model().ReadFloat(list->topLevelItem(1)->text(rcValue).toStdU16String(), value));
  EXPECT_NEAR(value, 0.5, 0.01);
  EXPECT_EQ(list->topLevelItem(1)->checkState(0), Qt::Checked);
  EXPECT_TRUE(form_->Model().Rows()[1].Checked);

  // The pop-up's "Delete relation" marks the current row; the search box
  // lists a word.
  list->setCurrentItem(list->topLevelItem(3));
  form_->remove1->trigger();
  EXPECT_EQ(list->topLevelItem(3)->text(rcStatus), "Delete relation");
  EXPECT_EQ(list->topLevelItem(3)->checkState(0), Qt::Checked);
  form_->Edit1->setText("puppy");
  QTest::keyClick(form_->Edit1, Qt::Key_Return);
  ASSERT_EQ(form_->TntListView1->topLevelItemCount(), 1);
  EXPECT_EQ(form_->TntListView1->topLevelItem(0)->text(1).toInt(), form_->Model().Rows()[4].WordIndex);

  // Screenshot.
  QTest::qWait(50);
  const QString folder = QString::fromLocal8Bit(qgetenv("KESTRUNE_WRITE_IMAGES"));
  if (!folder.isEmpty()) {
    EXPECT_TRUE(form_->grab().save(folder + "/network_editor.png"));
  }

  // Ctrl+F finds a word by its whole text.
  OnNextModal([](QWidget* modal) {
    auto* input = qobject_cast<QInputDialog*>(modal);
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->windowTitle(), "Find ");
    EXPECT_EQ(input->labelText(), "Word");
    input->setTextValue("leash");
    input->accept();
  });
  list->setFocus();
  QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
  ASSERT_NE(list->currentItem(), nullptr);
  EXPECT_EQ(list->currentItem()->text(rcName), "leash");

  // Apply, confirmed in its warning box: the values are written, the network
  // saved and listed again.
  OnNextModal([](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Do you really want to apply the changes?");
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    box->button(QMessageBox::Ok)->click();
  });
  QTest::mouseClick(form_->btnApply, Qt::LeftButton);
  EXPECT_TRUE(std::filesystem::exists(dir_.File("default.inn")));
  ASSERT_EQ(list->topLevelItemCount(), 6);  // the relation to "leash" went
  EXPECT_EQ(list->topLevelItem(1)->text(rcValue).toStdU16String(),
            form_->Model().CellText(form_->Model().Rows()[1], rcValue));
  EXPECT_NEAR(test::RelationWeight(context_.Network(), {0, context_.FindWordElement(dog_)},
                                   {0, context_.FindWordElement(form_->Model().Rows()[1].WordIndex)}),
              0.5, 0.01);
  EXPECT_EQ(list->topLevelItem(1)->checkState(0), Qt::Unchecked);
  QTest::mouseClick(form_->Button2, Qt::LeftButton);
  EXPECT_FALSE(form_->isVisible());
}

}  // namespace
}  // namespace kestrune
