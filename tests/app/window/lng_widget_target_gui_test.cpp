#include "app/window/lng_widget_target.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <memory>

#include "app/window/apply_language.h"
#include "app/window/forms.h"
#include "platform/gui/res_stream.h"
#include "tests/app/program_folder.h"
#include "tests/support/temp_dir.h"
#include "ui/splash_form.h"
#include "ui/update_form.h"

namespace kestrune {
namespace {

template <typename T>
T* Add(QWidget* parent, const char* name) {
  auto* widget = new T(parent);
  widget->setObjectName(name);
  return widget;
}

// A form with one widget of every kind the language files address.
struct TTestForm {
  std::unique_ptr<QWidget> form = std::make_unique<QWidget>();
  QLabel* label = Add<QLabel>(form.get(), "ILabel1");
  QPushButton* button = Add<QPushButton>(form.get(), "IButton");
  QGroupBox* group = Add<QGroupBox>(form.get(), "IGroup");
  QLabel* deep = Add<QLabel>(Add<QWidget>(group, "IPanel"), "IDeep");
  QLineEdit* edit = Add<QLineEdit>(form.get(), "IEdit");
  QComboBox* combo = Add<QComboBox>(form.get(), "ICombo");
  QListWidget* list = Add<QListWidget>(form.get(), "IList");
  QTreeWidget* tree = Add<QTreeWidget>(form.get(), "ITree");
  QTableWidget* table = Add<QTableWidget>(form.get(), "ITable");
  QPlainTextEdit* memo = Add<QPlainTextEdit>(form.get(), "IMemo");
  QTabWidget* tabs = Add<QTabWidget>(form.get(), "ITabs");
  QMenu* menu = Add<QMenu>(form.get(), "IMenu");

  explicit TTestForm(const char* name = "FTest") {
    form->setObjectName(name);
    combo->addItems({"a", "b", "c"});
    list->addItems({"a", "b"});
    tree->setColumnCount(2);
    tree->addTopLevelItems({new QTreeWidgetItem(QStringList{"r0", "x"}), new QTreeWidgetItem(QStringList{"r1", "y"})});
    table->setColumnCount(2);
    memo->setPlainText("one\ntwo\nthree");
    tabs->addTab(new QWidget, "t0");
    tabs->addTab(new QWidget, "t1");
  }
};

void ApplyText(const std::string& text, ILngTarget& target) {
  TMemoryStream stream(text.data(), text.size());
  ApplyLngFile(u"", &target, nullptr, nullptr, &stream);
}

TEST(LngWidgetTarget, AFileReachesLiveWidgets) {
  TTestForm f;
  QWidget unnamed;
  TLngWidgetTarget target;
  ApplyText(
      "[Header]\nCodePage=1251\n[Language]\nftest.Caption=\xcf\xee\n.Caption=nameless\n"
      "FTest.ILabel1.Caption=Coverage:\nFTest.ILabel1.Hint=\"a tip\"\nFTest.ilabel1.ACCESSIBLENAME=acc\n"
      "FTest.IButton.Caption=Go\nFTest.IGroup.Caption=Group\nFTest.IMenu.Caption=Menu\n"
      "FTest.IDeep.Text=\"deep, inside\"\nFTest.IEdit.Text=typed\nFTest.IMemo.Lines[1]=TWO\nFTest.IMemo.Lines[3]=no\n"
      "FTest.ICombo.Items[2]=C\nFTest.ICombo.Items[3]=no\nFTest.IList.Items[1]=B\nFTest.ITree.Items[1]=R1\n"
      "FTest.ITree.Columns[1]=Second\nFTest.ITree.Columns[2]=no\nFTest.ITable.Columns[1]=Size\nFTest.ITabs.Tabs[1]=T1\n"
      "FTest.ILabel1.objectName=Renamed\nFTest.objectName=Renamed\nFTest.ILabel1.styleSheet=\"color: red\"\n"
      "FTest.ILabel1.WordWrap=true\nFTest.ILabel1.Visible=false\n",
      target);
  EXPECT_EQ(f.form->windowTitle(), QString::fromUtf8("\xd0\x9f\xd0\xbe"));
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
  EXPECT_EQ(f.tree->headerItem()->text(1), "Second");
  EXPECT_EQ(f.tree->columnCount(), 2);
  ASSERT_NE(f.table->horizontalHeaderItem(1), nullptr);
  EXPECT_EQ(f.table->horizontalHeaderItem(1)->text(), "Size");
  EXPECT_EQ(f.tabs->tabText(1), "T1");
  // Names and looks never come from a file; nor do other kinds of property.
  EXPECT_EQ(f.form->objectName(), "FTest");
  EXPECT_EQ(f.label->objectName(), "ILabel1");
  EXPECT_TRUE(unnamed.windowTitle().isEmpty());
  EXPECT_TRUE(f.label->styleSheet().isEmpty());
  EXPECT_FALSE(f.label->wordWrap());
  EXPECT_FALSE(f.label->isHidden());

  // A form being built applies only its own lines.
  TTestForm building("FBuilding");
  TLngWidgetTarget own(building.form.get());
  ApplyText("[Language]\nFTest.ILabel1.Caption=x\nFBuilding.ILabel1.Caption=y\n", own);
  EXPECT_EQ(f.label->text(), "Coverage:");
  EXPECT_EQ(building.label->text(), "y");
}

TEST(LngWidgetTarget, ALanguageSwitchReturnsMissingTextsToEnglish) {
  TTestForm f;
  test::TempDir dir;
  test::WriteFileBytes(dir.File("german.lng"), "[Header]\nlangID=1031\n[Language]\nFTest.ILabel1.Caption=Abdeckung\n"
                                               "FTest.ILabel1.Hint=Tipp\n[Messages]\nsmSearch=Suche...\n");
  test::WriteFileBytes(dir.File("french.lng"), "[Header]\nlangID=1036\n[Language]\nFTest.ILabel1.Caption=Couverture\n");
  TLngHeaders headers;
  LoadLngHeaders(dir.WPath(), headers);
  const std::string english = "[Language]\nFTest.ILabel1.Caption=Coverage\nFTest.ILabel1.Hint=Tip\n";
  struct Case {
    int32_t lang;
    QString caption;
    QString hint;
    std::u16string search;
  } cases[] = {{1031, "Abdeckung", "Tipp", u"Suche..."},
               {1036, "Couverture", "Tip", u"Searching..."},
               {7, "Coverage", "Tip", u"Searching..."}};
  TMessageStrings strings;
  for (const Case& c : cases) {
    TMemoryStream stream(english.data(), english.size());
    ApplyLanguageOver(stream, dir.WPath(), headers, c.lang, strings);
    EXPECT_EQ(f.label->text(), c.caption) << c.lang;
    EXPECT_EQ(f.label->toolTip(), c.hint) << c.lang;
    EXPECT_EQ(strings.smSearch, c.search) << c.lang;
  }
}

// Records every line of a file that does not reach a live property.
struct TCheckingTarget : TLngWidgetTarget {
  TObject Note(TObject found, std::string_view what) {
    if (!found) dead.push_back(std::string(what));
    return found;
  }
  TObject FindForm(std::string_view n) override { return Note(TLngWidgetTarget::FindForm(n), n); }
  TObject FindComponent(TObject f, std::string_view n) override { return Note(TLngWidgetTarget::FindComponent(f, n), n); }
  bool SetTextProperty(TObject o, std::string_view p, std::u16string_view t) override {
    return Note(TLngWidgetTarget::SetTextProperty(o, p, t) ? o : nullptr, p);
  }
  bool SetItem(TObject o, std::string_view l, int32_t i, std::u16string_view t) override {
    return Note(TLngWidgetTarget::SetItem(o, l, i, t) ? o : nullptr, l);
  }
  std::vector<std::string> dead;
};

TEST(LngWidgetTarget, TheBuiltInEnglishFileIsTheShippedOneWithoutDeadLines) {
  RegisterBuiltInLanguage();
  const std::string file = test::ReadFileBytes(KESTRUNE_SOURCE_DIR "/data/Language/english.lng");
  IResStream stream;
  std::unique_ptr<QBuffer> copy;
  ASSERT_TRUE(stream.LoadFromResource("EN_LNG", copy));
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_EQ(std::string(stream.Bytes().begin(), stream.Bytes().end()), file);
  EXPECT_EQ(copy->data().toStdString(), file);

  // The program's forms, each made as the program makes it, then the file.
  test::TestProgram program;
  TKestruneSession session;
  std::vector<std::unique_ptr<QWidget>> forms;
  for (const TFormEntry& entry : ApplicationForms()) {
    if (entry.Create) forms.push_back(entry.Create(session));
  }
  ASSERT_FALSE(forms.empty());
  forms.push_back(std::make_unique<TForm1>());  // the splash form, made before the others
  // The forms the main window makes on first use.
  TUpdateCheck updateCheck(nullptr);
  std::u16string installerPath;
  forms.push_back(std::make_unique<TFUpdate>(updateCheck, installerPath));
  TCheckingTarget target;
  ApplyLngFile(u"", &target, nullptr, nullptr, &stream);
  EXPECT_TRUE(target.dead.empty()) << target.dead.front();
}

}  // namespace
}  // namespace kestrune
