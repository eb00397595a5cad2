// The project open and save dialogs offscreen: the panel of each mode, Enter
// and Esc in the note memo, OnButton set late, CurrentFolder following the
// user through folders, the suffix of the save dialog, the note preview of a
// selected project.
//
// With KESTRUNE_WRITE_IMAGES=<folder> the screenshot test writes
// project_dialogs.png there (for docs/).
#include "ui/project_dialogs.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <filesystem>
#include <fstream>
#include <functional>

#include "tests/app/project_file_bytes.h"
#include "tests/support/temp_dir.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE

namespace kestrune {
namespace {

// Runs `act` once, as soon as a modal widget of this class is shown.
template <class Widget>
void WhenModal(std::function<void(Widget&)> act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* widget = dynamic_cast<Widget*>(QApplication::activeModalWidget());
    if (!widget || !widget->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(*widget);
  });
  timer->start(5);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Types the text into the dialog's file name field and presses Enter.
void TypeName(QFileDialog& dialog, const QString& text) {
  auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(edit, nullptr);
  edit->setText(text);
  QTest::keyClick(edit, Qt::Key_Return);
  QTest::qWait(50);  // the folder's listing is read in the background
}

struct TPanelState {
  bool memoReadOnly;
  bool importShown;
  bool checkShown;
  QString memo;
};

TPanelState PanelOf(TTntOpenProjectDialog& d) {
  return {d.TEdDetails->isReadOnly(), d.TEdDetails3->isVisible(), d.TCBDntSaveOld1->isVisible(),
          d.TEdDetails->toPlainText()};
}

TEST(ProjectDialogs, OpenAfterSave_ShowsAnEmptyReadOnlyNoteWithoutTheCheckBox) {
  test::TempDir dir;
  TTntSaveProjectDialog save;
  TTntOpenProjectDialog open;
  for (QFileDialog* d : {static_cast<QFileDialog*>(&save), static_cast<QFileDialog*>(&open)}) {
    d->setDirectory(QString::fromStdString(dir.Path()));
  }
  save.SetNoteText(u"Birds of the coast\r\nand their calls");
  TPanelState saving{};
  WhenModal<TTntSaveProjectDialog>([&](TTntSaveProjectDialog& d) {
    saving = PanelOf(d);
    d.reject();
  });
  EXPECT_FALSE(save.Execute());
  EXPECT_FALSE(saving.memoReadOnly);
  EXPECT_FALSE(saving.importShown);
  EXPECT_TRUE(saving.checkShown);
  EXPECT_EQ(saving.memo, QStringLiteral("Birds of the coast\nand their calls"));

  // The open dialog, and the open mode of the save dialog's own panel.
  for (TTntOpenProjectDialog* d : {&open, static_cast<TTntOpenProjectDialog*>(&save)}) {
    d->SetNoteText(u"left over");
    TPanelState opening{};
    WhenModal<TTntOpenProjectDialog>([&](TTntOpenProjectDialog& shown) {
      opening = PanelOf(shown);
      shown.reject();
    });
    EXPECT_FALSE(d->TTntOpenProjectDialog::Execute());
    EXPECT_TRUE(opening.memoReadOnly);
    EXPECT_TRUE(opening.importShown);
    EXPECT_FALSE(opening.checkShown);
    EXPECT_TRUE(opening.memo.isEmpty());
  }
}

TEST(ProjectDialogs, NoteMemo_EnterAddsALineAndEscCloses) {
  test::TempDir dir;
  struct Case {
    const char* name;
    bool save;
    QString afterEnter;  // the memo after Enter at the caret (1)
  };
  const Case cases[] = {
      {"save: Enter is a line break", true, QStringLiteral("a\nb")},
      {"open: the read-only note stays", false, QStringLiteral("ab")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<TTntOpenProjectDialog> dialog;
    if (c.save) {
      dialog = std::make_unique<TTntSaveProjectDialog>();
    } else {
      dialog = std::make_unique<TTntOpenProjectDialog>();
    }
    dialog->setDirectory(QString::fromStdString(dir.Path()));
    dialog->OnSelectionChange = nullptr;
    bool stillOpen = false;
    bool tipShown = false;
    QString afterEnter;
    QString caretText;
    WhenModal<TTntOpenProjectDialog>([&](TTntOpenProjectDialog& d) {
      d.TEdDetails->setPlainText(QStringLiteral("ab"));
      d.TEdDetails->setFocus();
      QTextCursor caret = d.TEdDetails->textCursor();
      caret.setPosition(1);
      d.TEdDetails->setTextCursor(caret);
      if (!d.TEdDetails->isReadOnly()) {
        QTest::keyClick(d.TEdDetails, Qt::Key_Return);
        afterEnter = d.TEdDetails->toPlainText();
        caretText = afterEnter.mid(d.TEdDetails->textCursor().position());
        stillOpen = d.isVisible();
      } else {
        afterEnter = d.TEdDetails->toPlainText();
        stillOpen = true;
      }
      QToolTip::showText(d.mapToGlobal(QPoint(10, 10)), QStringLiteral("hint"), &d);
      tipShown = QToolTip::isVisible();
      QTest::keyClick(d.TEdDetails, Qt::Key_Escape);
    });
    EXPECT_FALSE(dialog->Execute());
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(tipShown);
    EXPECT_FALSE(QToolTip::isVisible());  // closing hides the tool tip
    EXPECT_EQ(afterEnter, c.afterEnter);
    if (c.save) {
      EXPECT_EQ(caretText, QStringLiteral("b"));  // the caret right after the break
      EXPECT_EQ(dialog->NoteText(), u"a\r\nb");
    }
  }
}

TEST(ProjectDialogs, OnButton_SetAfterConstructionReachesTheImportButton) {
  TTntOpenProjectDialog dialog;
  int first = 0;
  int second = 0;
  dialog.TEdDetails3->click();  // unset: nothing
  dialog.SetOnButton([&] { ++first; });
  dialog.TEdDetails3->click();
  dialog.SetOnButton([&] { ++second; });
  dialog.TEdDetails3->click();
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 1);
  EXPECT_FALSE(dialog.TEdDetails3->icon().isNull());  // the DIALOGBUTTON glyph
  EXPECT_EQ(dialog.Filter(), QStringLiteral("Kestrune project (*.kqp)"));
  EXPECT_EQ(dialog.TCBDntSaveOld1->text(), QStringLiteral("Don't save old links"));
}

TEST(ProjectDialogs, CurrentFolder_FollowsTheUserThroughFolders) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.Path() + "birds/owls");
  const QString processFolder = QDir::currentPath();
  const QString root = QString::fromStdString(dir.Path());
  TTntOpenProjectDialog dialog;
  dialog.setDirectory(root);
  QStringList seen;
  WhenModal<TTntOpenProjectDialog>([&](TTntOpenProjectDialog& d) {
    seen << d.CurrentFolder();
    TypeName(d, QStringLiteral("birds"));
    seen << d.CurrentFolder();
    TypeName(d, QStringLiteral("owls"));
    seen << d.CurrentFolder();
    TypeName(d, QStringLiteral(".."));
    seen << d.CurrentFolder();
    d.reject();
  });
  EXPECT_FALSE(dialog.Execute());
  const QString canonical = QDir(root).canonicalPath() + u'/';
  const QStringList expected{canonical, canonical + "birds/", canonical + "birds/owls/", canonical + "birds/"};
  EXPECT_EQ(seen.join(u'|').toStdString(), expected.join(u'|').toStdString());
  EXPECT_EQ(dialog.CurrentFolder().toStdString(), (canonical + "birds/").toStdString());
  EXPECT_EQ(QDir::currentPath(), processFolder);
}

// The saved name always ends in ".kqp", also after another dot, and the
// overwrite question names the file that would be replaced.
TEST(ProjectDialogs, Save_FinishesTheNameAndAsksAboutThatFile) {
  struct Case {
    QString typed, saved;
    bool exists;
  } cases[] = {
      {QStringLiteral("coast"), QStringLiteral("coast.kqp"), false},
      {QStringLiteral("coast.kqp"), QStringLiteral("coast.kqp"), false},
      {QStringLiteral("node.js (Loopback)"), QStringLiteral("node.js (Loopback).kqp"), false},
      {QStringLiteral("node.js (Loopback)"), QStringLiteral("node.js (Loopback).kqp"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed.toStdString() + (c.exists ? ", exists" : ""));
    test::TempDir dir;
    if (c.exists) WriteFile(dir.Path() + c.saved.toStdString(), "old");
    TTntSaveProjectDialog dialog;
    dialog.setDirectory(QString::fromStdString(dir.Path()));
    QString question;
    WhenModal<TTntSaveProjectDialog>([&](TTntSaveProjectDialog& d) {
      WhenModal<QMessageBox>([&](QMessageBox& box) {
        question = box.text();
        box.button(QMessageBox::Yes)->click();
      });
      TypeName(d, c.typed);
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(QFileInfo(dialog.FileName()).fileName(), c.saved);
    EXPECT_EQ(question.contains(c.saved), c.exists) << question.toStdString();
  }
}

TEST(ProjectDialogs, SelectionChange_ShowsAuthorAndNote) {
  test::TempDir dir;
  struct Case {
    const char* file;
    std::string bytes;
    QString memo;
  };
  test::TProjectSettings withAuthor;
  withAuthor.Note = u"Gulls and terns";
  withAuthor.Author = u"Ana";
  test::TProjectSettings noAuthor = withAuthor;
  noAuthor.Author.clear();
  test::TProjectSettings headerless;
  headerless.Version = 0;
  headerless.WithAuthor = false;
  headerless.Note = u"Old trams";
  headerless.Engines = u"Mojeek,";
  const Case cases[] = {
      {"author.kqp", test::ProjectFileBytes(withAuthor), QStringLiteral("Author: Ana\nGulls and terns")},
      {"noauthor.kqp", test::ProjectFileBytes(noAuthor), QStringLiteral("Gulls and terns")},
      {"headerless.kqp", test::ProjectFileBytes(headerless), QStringLiteral("Old trams")},
      {"other.kqp", "plain text, no project", QString()},
      {"missing.kqp", "", QString()},
  };
  TTntOpenProjectDialog dialog;
  dialog.OnSelectionChange = TntOpenProjectDialog1SelectionChange;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = dir.Path() + c.file;
    if (!c.bytes.empty()) WriteFile(path, c.bytes);
    dialog.SetNoteText(u"before");
    emit dialog.currentChanged(QString::fromStdString(path));
    EXPECT_EQ(dialog.TEdDetails->toPlainText(), c.memo);
  }
  // A folder selected: empty.
  dialog.SetNoteText(u"before");
  emit dialog.currentChanged(QString::fromStdString(dir.Path()));
  EXPECT_TRUE(dialog.TEdDetails->toPlainText().isEmpty());
}

TEST(ProjectDialogs, Screenshot) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.Path() + "Travel");
  test::TProjectSettings project;
  project.Author = u"Kestrune Inc";
  project.Note = u"Search \"coastal birds\" via Mojeek: the gulls, terns and waders of the North Sea coast.";
  WriteFile(dir.Path() + "coastal birds.kqp", test::ProjectFileBytes(project));
  project.Note = u"Owls of Europe";
  WriteFile(dir.Path() + "owls.kqp", test::ProjectFileBytes(project));
  TTntOpenProjectDialog dialog;
  dialog.OnSelectionChange = TntOpenProjectDialog1SelectionChange;
  dialog.setDirectory(QString::fromStdString(dir.Path()));
  dialog.resize(760, 560);
  QImage shot;
  WhenModal<TTntOpenProjectDialog>([&](TTntOpenProjectDialog& d) {
    // The user walks down the list to the first project.
    QTest::qWait(100);
    auto* list = d.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    ASSERT_NE(list, nullptr);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Home);
    for (int i = 0; i < 5 && !d.TEdDetails->toPlainText().startsWith(u"Author"); ++i) {
      QTest::keyClick(list, Qt::Key_Down);
    }
    QTest::qWait(50);
    shot = d.grab().toImage();
    d.reject();
  });
  dialog.Execute();
  ASSERT_FALSE(shot.isNull());
  EXPECT_TRUE(dialog.TEdDetails->toPlainText().startsWith(QStringLiteral("Author: Kestrune Inc\n")));
  const QString folder = QString::fromLocal8Bit(qgetenv("KESTRUNE_WRITE_IMAGES"));
  if (!folder.isEmpty()) {
    EXPECT_TRUE(shot.save(folder + "/project_dialogs.png"));
  }
}

}  // namespace
}  // namespace kestrune
