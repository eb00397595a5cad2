#include "app/window/lng_widget_target.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <memory>

#include "app/window/apply_language.h"
#include "platform/gui/res_stream.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

template <typename T>
T* Add(QWidget* parent, const char* name) {
  auto* widget = new T(parent);
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// A form with one widget of every kind the language files address.
struct TTestForm {
  std::unique_ptr<QWidget> form = std::make_unique<QWidget>();
  QLabel* label;
  QPushButton* button;
  QGroupBox* group;
  QLabel* deep;
  QLineEdit* edit;
  QComboBox* combo;
  QListWidget* list;
  QTreeWidget* tree;
  QTableWidget* table;
  QPlainTextEdit* memo;
  QTabWidget* tabs;
  QMenu* menu;

  explicit TTestForm(const char* name = "FTest") {
    form->setObjectName(QString::fromLatin1(name));
    label = Add<QLabel>(form.get(), "ILabel1");
    button = Add<QPushButton>(form.get(), "IButton");
    group = Add<QGroupBox>(form.get(), "IGroup");
    deep = Add<QLabel>(Add<QWidget>(group, "IPanel"), "IDeep");
    edit = Add<QLineEdit>(form.get(), "IEdit");
    combo = Add<QComboBox>(form.get(), "ICombo");
    combo->addItems({"a", "b", "c"});
    list = Add<QListWidget>(form.get(), "IList");
    list->addItems({"a", "b"});
    tree = Add<QTreeWidget>(form.get(), "ITree");
    tree->setColumnCount(2);
    tree->addTopLevelItem(new QTreeWidgetItem(QStringList{"r0", "x"}));
    tree->addTopLevelItem(new QTreeWidgetItem(QStringList{"r1", "y"}));
    table = Add<QTableWidget>(form.get(), "ITable");
    table->setColumnCount(2);
    memo = Add<QPlainTextEdit>(form.get(), "IMemo");
    memo->setPlainText("one\ntwo\nthree");
    tabs = Add<QTabWidget>(form.get(), "ITabs");
    tabs->addTab(new QWidget, "t0");
    tabs->addTab(new QWidget, "t1");
    menu = Add<QMenu>(form.get(), "IMenu");
  }
};

void ApplyText(const std::string& text, ILngTarget& target) {
  TMemoryStream stream(text.data(), text.size());
  ApplyLngFile(u"", &target, nullptr, nullptr, &stream);
}

TEST(LngWidgetTarget, AFileReachesLiveWidgets) {
  TTestForm f;
  TLngWidgetTarget target;
  ApplyText(
      "[Header]\nCodePage=1251\n[Language]\n"
      "ftest.Caption=\xcf\xee\xe8\xf1\xea\n"
      "FTest.ILabel1.Caption=Coverage:\nFTest.ILabel1.Hint=\"a tip\"\nFTest.ilabel1.ACCESSIBLENAME=acc\n"
      "FTest.IButton.Caption=Go\nFTest.IGroup.Caption=Group\nFTest.IMenu.Caption=Menu\n"
      "FTest.IDeep.Text=\"deep, inside\"\nFTest.IEdit.Text=typed\nFTest.IMemo.Lines[1]=TWO\nFTest.IMemo.Lines[3]=no\n"
      "FTest.ICombo.Items[2]=C\nFTest.ICombo.Items[3]=no\nFTest.IList.Items[1]=B\nFTest.ITree.Items[1]=R1\n"
      "FTest.ITree.Columns[1]=Second\nFTest.ITree.Columns[2]=no\nFTest.ITable.Columns[1]=Size\nFTest.ITabs.Tabs[1]=T1\n"
      "FTest.ILabel1.objectName=Renamed\nFTest.objectName=Renamed\nFTest.ILabel1.styleSheet=\"color: red\"\n"
      "FTest.ILabel1.WordWrap=true\nFTest.ILabel1.Visible=false\n",
      target);
  EXPECT_EQ(f.form->windowTitle(), QString::fromUtf8("\xd0\x9f\xd0\xbe\xd0\xb8\xd1\x81\xd0\xba"));
  EXPECT_EQ(f.label->text(), "Coverage:");
  EXPECT_EQ(f.label->toolTip(), "a tip");
  EXPECT_EQ(f.label->accessibleName(), "acc");
  EXPECT_EQ(f.button->text(), "Go");
  EXPECT_EQ(f.group->title(), "Group");
  EXPECT_EQ(f.menu->title(), "Menu");
  EXPECT_EQ(f.deep->text(), "deep, inside");
  EXPECT_EQ(f.edit->text(), "typed");
  EXPECT_EQ(f.memo->toPlainText(), "one\nTWO\nthree");
  EXPECT_EQ(f.combo->itemText(2), "C");
  EXPECT_EQ(f.combo->count(), 3);
  EXPECT_EQ(f.list->item(1)->text(), "B");
  EXPECT_EQ(f.tree->topLevelItem(1)->text(0), "R1");
  EXPECT_EQ(f.tree->topLevelItem(1)->text(1), "y");
  EXPECT_EQ(f.tree->headerItem()->text(1), "Second");
  EXPECT_EQ(f.tree->columnCount(), 2);
  ASSERT_NE(f.table->horizontalHeaderItem(1), nullptr);
  EXPECT_EQ(f.table->horizontalHeaderItem(1)->text(), "Size");
  EXPECT_EQ(f.tabs->tabText(1), "T1");
  // Names and looks never come from a file; nor do other kinds of property.
  EXPECT_EQ(f.form->objectName(), "FTest");
  EXPECT_EQ(f.label->objectName(), "ILabel1");
  EXPECT_TRUE(f.label->styleSheet().isEmpty());
  EXPECT_FALSE(f.label->wordWrap());
  EXPECT_FALSE(f.label->isHidden());
}

TEST(LngWidgetTarget, AFormAppliesOnlyItsOwnLines) {
  TTestForm shown("FShown");
  TTestForm building("FBuilding");
  TLngWidgetTarget target(building.form.get());
  ApplyText("[Language]\nFShown.ILabel1.Caption=x\nFBuilding.ILabel1.Caption=y\n", target);
  EXPECT_EQ(shown.label->text(), "");
  EXPECT_EQ(building.label->text(), "y");
}

TEST(LngWidgetTarget, ALanguageSwitchReturnsMissingTextsToEnglish) {
  TTestForm f;
  test::TempDir dir;
  test::WriteFileBytes(dir.File("german.lng"), "[Header]\nlangID=1031\nCodePage=1252\n[Language]\n"
                                               "FTest.ILabel1.Caption=Abdeckung\nFTest.ILabel1.Hint=Tipp\n"
                                               "[Messages]\nsmSearch=Suche...\n");
  test::WriteFileBytes(dir.File("french.lng"), "[Header]\nlangID=1036\nCodePage=1252\n[Language]\n"
                                               "FTest.ILabel1.Caption=Couverture\n");
  TLngHeaders headers;
  LoadLngHeaders(dir.WPath(), headers);
  const std::string english = "[Language]\nFTest.ILabel1.Caption=Coverage\nFTest.ILabel1.Hint=Tip\n";
  struct Case {
    int32_t lang;
    QString caption;
    QString hint;
    std::u16string search;
  } cases[] = {{1031, "Abdeckung", "Tipp", u"Suche..."},
               {1036, "Couverture", "Tip", u"Suche..."},
               {7, "Coverage", "Tip", u"Suche..."}};
  TMessageStrings strings;
  for (const Case& c : cases) {
    TMemoryStream stream(english.data(), english.size());
    ApplyLanguageOver(stream, dir.WPath(), headers, c.lang, strings);
    EXPECT_EQ(f.label->text(), c.caption) << c.lang;
    EXPECT_EQ(f.label->toolTip(), c.hint) << c.lang;
    EXPECT_EQ(strings.smSearch, c.search) << c.lang;
  }
}

// Every [Language] line of the shipped English file names a live form,
// component and property once the program's forms exist.
class TCheckingTarget : public TLngWidgetTarget {
 public:
  TObject FindForm(std::string_view name) override {
    TObject form = TLngWidgetTarget::FindForm(name);
    if (!form) dead.push_back("form " + std::string(name));
    return form;
  }
  TObject FindComponent(TObject form, std::string_view name) override {
    TObject component = TLngWidgetTarget::FindComponent(form, name);
    if (!component) dead.push_back("component " + std::string(name));
    return component;
  }
  bool SetTextProperty(TObject object, std::string_view property, std::u16string_view text) override {
    const bool set = TLngWidgetTarget::SetTextProperty(object, property, text);
    if (!set) dead.push_back("property " + std::string(property));
    return set;
  }
  bool SetItem(TObject object, std::string_view list, int32_t index, std::u16string_view text) override {
    const bool set = TLngWidgetTarget::SetItem(object, list, index, text);
    if (!set) dead.push_back("item " + std::string(list) + "[" + std::to_string(index) + "]");
    return set;
  }
  std::vector<std::string> dead;
};

TEST(LngWidgetTarget, TheShippedEnglishFileHasNoDeadLines) {
  // The program's forms, each made as the program makes it.
  std::vector<std::unique_ptr<QWidget>> forms;
  TCheckingTarget target;
  TMemoryStream english = BuiltInEnglishFile();
  ASSERT_GT(english.Size(), 0);
  ApplyLngFile(u"", &target, nullptr, nullptr, &english);
  EXPECT_TRUE(target.dead.empty()) << target.dead.front();
}

TEST(LngWidgetTarget, TheBuiltInEnglishFileIsAResource) {
  RegisterBuiltInLanguage();
  const std::string file = test::ReadFileBytes(KESTRUNE_SOURCE_DIR "/data/Language/english.lng");
  ASSERT_FALSE(file.empty());
  IResStream stream;
  std::unique_ptr<QBuffer> copy;
  ASSERT_TRUE(stream.LoadFromResource("EN_LNG", copy));
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_EQ(std::string(stream.Bytes().begin(), stream.Bytes().end()), file);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->data().toStdString(), file);
}

}  // namespace
}  // namespace kestrune
