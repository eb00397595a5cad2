// The project manager as a person uses it: opened from the tool bar, on a
// 1280 x 800 screen with a window manager, clicked and typed into with
// xdotool. A project renamed by typing a new name stays a project, in the
// manager and in the open dialog; a rename onto another project's name is
// refused with a message; Enter in the tree makes nothing.
//
// With KESTRUNE_WRITE_IMAGES=<folder> the screen is also written there after
// the rename (project_manager_renamed.png).
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QScreen>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "app/window/kestrune_main.h"
#include "core/message_strings.h"
#include "platform/text.h"
#include "tests/app/project_file_bytes.h"
#include "tests/app/window/program_copy.h"
#include "tests/app/window/window_driver.h"
#include "tests/support/temp_dir.h"
#include "ui/project_dialogs.h"
#include "ui/project_manager.h"

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using test::Center;
using test::TPerson;

// The texts of the children of a view's root, in the view's order.
QStringList Rows(const QAbstractItemView& view, const QModelIndex& parent) {
  QStringList rows;
  for (int row = 0; row < view.model()->rowCount(parent); ++row) {
    rows << view.model()->index(row, 0, parent).data().toString();
  }
  return rows;
}

// The tree as the display server shows it: the screen's picture of the
// tree's place (user-interface thread).
QImage TreeOnTheScreen(const TIShellTreeView& tree) {
  const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
  return screen.copy(QRect(tree.mapToGlobal(QPoint(0, 0)), tree.size()));
}

// The screen shows the tree as it is now drawn.
bool TreeShown(const TIShellTreeView& tree) {
  const QImage drawn = const_cast<TIShellTreeView&>(tree).grab().toImage().convertToFormat(QImage::Format_RGB32);
  return TreeOnTheScreen(tree) == drawn;
}

TEST(ProjectManagerAsAPerson, RenamesByTypingANameAndEnterMakesNothing) {
  test::LoopbackHttpServer server;
  test::TCopiedProgram copied(server.Url(""));

  const int status = TPerson::Run([&](TPerson& person, TFKestruneMain& window) {
    const std::string projects =
        person.OnUi([&] { return platform::Utf16ToUtf8(window.Session().Config.ProjectFolder); });
    ASSERT_FALSE(projects.empty());
    const std::string rye = test::ProjectFileBytes({.Note = u"rye"});
    test::WriteFileBytes(projects + "bread one.kqp", test::ProjectFileBytes({.Note = u"bread"}));
    test::WriteFileBytes(projects + "rye.kqp", rye);
    fs::create_directories(projects + "Old");

    person.ClickAt(person.OnUi([&] { return Center(window.IBitmapButton8); }));
    ASSERT_TRUE(person.WaitFor([] { return manager && manager->isVisible() && QApplication::activeWindow() == manager; }));
    TIShellTreeView& tree = *person.OnUi([] { return manager->ShellTreeView2; });
    const auto node = [&](const QString& text) { return tree.FindChild(tree.RootNode(), text); };
    const auto children = [&] { return Rows(tree, tree.RootNode()); };
    const auto at = [&](const QString& text) {
      return person.OnUi([&] { return tree.viewport()->mapToGlobal(tree.visualRect(node(text)).center()); });
    };
    const auto editor = [&] { return tree.findChild<QLineEdit*>(); };
    ASSERT_TRUE(person.WaitFor([&] { return children() == QStringList{"Old", "bread one.kqp", "rye.kqp"}; }))
        << person.OnUi(children).join(", ").toStdString();

    // Enter on a selected item that is not being edited.
    const struct {
      const char* item;
      const char* key;
    } enters[] = {{"rye.kqp", "Return"}, {"Old", "KP_Enter"}, {"bread one.kqp", "Return"}};
    for (const auto& e : enters) {
      SCOPED_TRACE(std::string(e.item) + " " + e.key);
      person.ClickAt(at(e.item));
      ASSERT_TRUE(person.WaitFor([&] { return tree.currentIndex() == node(e.item) && tree.hasFocus(); }));
      ASSERT_TRUE(person.WaitFor([&] { return TreeShown(tree); }));
      const QImage before = person.OnUi([&] { return TreeOnTheScreen(tree); });
      person.Key(e.key);
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      EXPECT_TRUE(person.WaitFor([&] { return TreeShown(tree); }));
      EXPECT_FALSE(fs::exists(projects + "New folder"));
      EXPECT_FALSE(fs::exists(projects + "Old/New folder"));
      EXPECT_EQ(person.OnUi(editor), nullptr);
      EXPECT_TRUE(person.OnUi([] { return manager->isVisible(); }));
      EXPECT_TRUE(person.OnUi([&] { return TreeOnTheScreen(tree); }) == before) << "the tree changed on the screen";
    }

    // F2 on the selected project opens its name without ".kqp" (`selected`);
    // the person types a new name over it and presses Enter.
    const auto rename = [&](const char* selected, const std::string& typed) {
      person.Key("F2");
      ASSERT_TRUE(person.WaitFor([&] { return editor() && editor()->isVisible() && editor()->hasFocus(); }));
      EXPECT_EQ(person.OnUi([&] { return editor()->selectedText().toStdString(); }), selected);
      person.Type(typed);
      person.Key("Return");
      EXPECT_TRUE(person.WaitFor([&] { return !editor() || !editor()->isVisible(); }));
    };
    rename("bread one", "loaf notes");
    EXPECT_TRUE(person.WaitFor([&] { return children() == QStringList{"Old", "loaf notes.kqp", "rye.kqp"}; }))
        << person.OnUi(children).join(", ").toStdString();
    EXPECT_TRUE(fs::exists(projects + "loaf notes.kqp"));
    EXPECT_FALSE(fs::exists(projects + "bread one.kqp"));
    EXPECT_FALSE(fs::exists(projects + "loaf notes"));
    // On the screen as the tree draws it.
    EXPECT_TRUE(person.WaitFor([&] { return TreeShown(tree); }));
    // Selected, it shows its note. Two clicks on two rows, never taken for a double click (which opens).
    const auto interval = std::chrono::milliseconds(person.OnUi([] { return QApplication::doubleClickInterval(); }));
    person.ClickAt(at("rye.kqp"));
    std::this_thread::sleep_for(interval + std::chrono::milliseconds(100));
    person.ClickAt(at("loaf notes.kqp"));
    EXPECT_TRUE(person.WaitFor([] { return manager->TntLabel1->text() == "bread"; }));
    const QString images = QString::fromLocal8Bit(qgetenv("KESTRUNE_WRITE_IMAGES"));
    if (!images.isEmpty()) EXPECT_TRUE(person.Screen().save(images + "/project_manager_renamed.png"));

    // A rename onto another project's name is refused, and says why:
    // nothing is replaced.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    rename("loaf notes", "rye");
    const auto box = [] { return dynamic_cast<QMessageBox*>(QApplication::activeModalWidget()); };
    ASSERT_TRUE(person.WaitFor([&] { return box() && QApplication::activeWindow() == box(); }));
    EXPECT_TRUE(person.OnUi([&] { return box()->text(); }).contains(QString::fromStdU16String(MessageStrings.smNameTaken)));
    person.Key("Return");
    ASSERT_TRUE(person.WaitFor([&] { return !box() && QApplication::activeWindow() == manager; }));
    EXPECT_EQ(test::ReadFileBytes(projects + "rye.kqp"), rye);
    EXPECT_TRUE(fs::exists(projects + "loaf notes.kqp"));
    EXPECT_EQ(person.OnUi(children), (QStringList{"Old", "loaf notes.kqp", "rye.kqp"}));
    EXPECT_EQ(person.OnUi([&] { return tree.NodeText(tree.currentIndex()).toStdString(); }), "loaf notes.kqp");

    person.Key("Escape");
    ASSERT_TRUE(person.WaitFor([] { return !manager->isVisible(); }));

    // The open dialog lists the renamed project.
    TTntOpenProjectDialog* dialog = window.TntOpenProjectDialog1;
    person.ClickAt(person.OnUi([&] { return Center(window.IBitmapButton6); }));
    ASSERT_TRUE(person.WaitFor([&] { return dialog->isVisible() && QApplication::activeWindow() == dialog; }));
    auto* list = person.OnUi([&] { return dialog->findChild<QListView*>("listView"); });
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(person.WaitFor([&] { return Rows(*list, list->rootIndex()) == QStringList{"Old", "loaf notes.kqp", "rye.kqp"}; }))
        << person.OnUi([&] { return Rows(*list, list->rootIndex()); }).join(", ").toStdString();
    person.Key("Escape");
    EXPECT_TRUE(person.WaitFor([&] { return !dialog->isVisible(); }));
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace kestrune
