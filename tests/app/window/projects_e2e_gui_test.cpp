// The project dialogs and the project manager as a person uses them, on a
// 1280 x 800 screen with a window manager (window_driver.h): the save dialog
// refuses a name that the project lists would hide and one of blanks only,
// and says why; after a project was opened with Enter in the open dialog, the
// engine box opens at the first click; a double-click and Open in the
// manager open the project in the window, after the save question.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/window/kestrune_main.h"
#include "core/message_strings.h"
#include "platform/text.h"
#include "tests/app/loopback_search.h"
#include "tests/app/window/program_copy.h"
#include "tests/app/window/window_driver.h"
#include "ui/project_dialogs.h"
#include "ui/project_manager.h"
#include "ui/question_forms.h"

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using test::Center;
using test::TPerson;

std::vector<test::ResultItem> HeronItems(const std::string& base) {
  std::vector<test::ResultItem> items;
  for (int n = 0; n < 8; ++n) {
    items.push_back({base + "/heron" + std::to_string(n) + ".html", "heron " + std::to_string(n) + " of the marsh",
                     "the grey heron waits in the reed beside the river and the willow"});
  }
  return items;
}

// The program block over a loopback engine of heron results: the person
// searches "heron" and waits for the map at rest, then plays `scenario`,
// given the projects folder, in which the search is saved under the names
// of `saved`. The block's status.
int RunAfterASearch(const std::vector<std::u16string>& saved,
                    const std::function<void(TPerson&, TFKestruneMain&, const std::u16string&)>& scenario) {
  test::LoopbackHttpServer server;
  test::RouteLoopbackItems(server, HeronItems(server.Url("")));
  test::TCopiedProgram copied(server.Url(""));
  return TPerson::Run([&](TPerson& person, TFKestruneMain& window) {
    TKestruneSession& s = window.Session();
    person.ClickAt(person.OnUi([&] { return Center(window.IComboBox1); }));
    person.Type("heron");
    person.Key("Return");
    ASSERT_TRUE(person.WaitFor([&] { return s.Project.StepNumber > 0 && !s.SearchRunning(); }, std::chrono::seconds(30)));
    person.WaitForIdle(window);
    const std::u16string projects = person.OnUi([&] { return s.Config.ProjectFolder; });
    for (const std::u16string& name : saved) {
      ASSERT_EQ(person.OnUi([&] { return s.SaveProjectFile(projects + name, false, name); }), 0);
    }
    scenario(person, window, projects);
  });
}

QMessageBox* ShownMessageBox() { return dynamic_cast<QMessageBox*>(QApplication::activeModalWidget()); }

// The row of `name` in the file dialog's list (or its detail view, as it
// shows), in global co-ordinates.
QPoint RowOf(QFileDialog& dialog, const QString& name) {
  QAbstractItemView* list = dialog.findChild<QAbstractItemView*>("listView");
  if (!list || !list->isVisible()) list = dialog.findChild<QAbstractItemView*>("treeView");
  if (!list || !list->isVisible()) return {};
  for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row) {
    const QModelIndex index = list->model()->index(row, 0, list->rootIndex());
    if (index.data().toString() == name) return list->viewport()->mapToGlobal(list->visualRect(index).center());
  }
  return {};
}

TEST(ProjectsAsAPerson, TheSaveDialogRefusesAHiddenOrBlankNameAndSaysWhy) {
  const int status = RunAfterASearch({}, [](TPerson& person, TFKestruneMain& window, const std::u16string& folder) {
    const std::string projects = platform::Utf16ToUtf8(folder);
    TTntSaveProjectDialog* dialog = window.TntSaveProjectDialog1;
    person.ClickAt(person.OnUi([&] { return Center(window.IBitmapButton7); }));
    ASSERT_TRUE(person.WaitFor([&] { return dialog->isVisible() && QApplication::activeWindow() == dialog; }));
    auto* name = person.OnUi([&] { return dialog->findChild<QLineEdit*>("fileNameEdit"); });
    ASSERT_NE(name, nullptr);

    const struct {
      const char* typed;
      const std::u16string* why;
    } refused[] = {{".dotsave", &MessageStrings.smNameHidden}, {"   ", &MessageStrings.smNameBlank}};
    for (const auto& r : refused) {
      SCOPED_TRACE(r.typed);
      person.ClickAt(person.OnUi([&] { return Center(name); }));
      person.Key("ctrl+a");
      person.Type(r.typed);
      person.Key("Return");
      ASSERT_TRUE(person.WaitFor([] { return ShownMessageBox() && QApplication::activeWindow() == ShownMessageBox(); }));
      const QString text = person.OnUi([] { return ShownMessageBox()->text(); });
      EXPECT_TRUE(text.contains(QString::fromStdU16String(*r.why))) << text.toStdString();
      person.Key("Return");
      // The dialog stays, with the name as typed.
      ASSERT_TRUE(person.WaitFor([&] { return !ShownMessageBox() && QApplication::activeWindow() == dialog; }));
      EXPECT_EQ(person.OnUi([&] { return name->text().toStdString(); }), r.typed);
    }
    person.ClickAt(person.OnUi([&] { return Center(name); }));
    person.Key("ctrl+a");
    person.Type("heron walk");
    person.Key("Return");
    ASSERT_TRUE(person.WaitFor([&] { return !dialog->isVisible(); }));
    EXPECT_TRUE(person.WaitFor([&] { return fs::exists(projects + "heron walk.kqp"); }));
    EXPECT_FALSE(fs::exists(projects + ".dotsave.kqp"));
    EXPECT_FALSE(fs::exists(projects + "   .kqp"));
  });
  EXPECT_EQ(status, 0);
}

// A project chosen with Enter in the open dialog: the engine box opens at
// the first click, also when the name was typed and its completion list
// showed as Enter closed the dialog.
TEST(ProjectsAsAPerson, TheEngineBoxOpensAtTheFirstClickAfterTheOpenDialogsEnter) {
  const int status = RunAfterASearch({u"heron.kqp"}, [](TPerson& person, TFKestruneMain& window, const std::u16string&) {
    TKestruneSession& s = window.Session();
    TTntOpenProjectDialog* dialog = window.TntOpenProjectDialog1;
    const auto question = [] { return dynamic_cast<TQuestion*>(QApplication::activeModalWidget()); };
    // The project is chosen by a click on its row, or by typing its name
    // (the name field's completion shows its list meanwhile).
    for (const bool typed : {false, true}) {
      SCOPED_TRACE(typed ? "typed" : "clicked");
      // Open: the save question (No), the dialog, the project chosen and Enter.
      person.ClickAt(person.OnUi([&] { return Center(window.IBitmapButton6); }));
      if (person.WaitFor([&] { return question() != nullptr; }, std::chrono::seconds(3))) {
        person.ClickAt(person.OnUi([&] { return Center(question()->TntButton3); }));
      }
      ASSERT_TRUE(person.WaitFor([&] { return dialog->isVisible() && QApplication::activeWindow() == dialog; }));
      if (typed) {
        person.ClickAt(person.OnUi([&] { return Center(dialog->findChild<QLineEdit*>("fileNameEdit")); }));
        person.Key("ctrl+a");
        person.Type("heron.kqp");
        ASSERT_TRUE(person.WaitFor([] { return QApplication::activePopupWidget() != nullptr; }));
      } else {
        QPoint row;
        ASSERT_TRUE(person.WaitFor([&] { return !(row = RowOf(*dialog, "heron.kqp")).isNull(); }));
        person.ClickAt(row);
        ASSERT_TRUE(person.WaitFor([&] { return dialog->FileName().endsWith("heron.kqp"); }));
      }
      person.Key("Return");
      ASSERT_TRUE(person.WaitFor([&] { return !dialog->isVisible() && s.Project.ProjectName == u"heron.kqp"; }));
      // The window has the display's focus again, and is at rest.
      ASSERT_TRUE(person.WaitFor([&] { return QGuiApplication::focusWindow() == window.windowHandle(); }));
      person.WaitForIdle(window);

      // The first click opens the engine box.
      person.ClickAt(person.OnUi([&] { return Center(window.CBWebSite); }));
      EXPECT_TRUE(person.WaitFor([&] { return window.CBWebSite->view()->isVisible(); })) << "the engine box did not open";
      person.Key("Escape");
      ASSERT_TRUE(person.WaitFor([&] { return !window.CBWebSite->view()->isVisible(); }));
    }
  });
  EXPECT_EQ(status, 0);
}

TEST(ProjectsAsAPerson, ADoubleClickAndOpenInTheManagerOpenTheProjectInTheWindow) {
  const auto scenario = [](TPerson& person, TFKestruneMain& window, const std::u16string& projects) {
    TKestruneSession& s = window.Session();
    const auto question = [] { return dynamic_cast<TQuestion*>(QApplication::activeModalWidget()); };
    const struct {
      const char* project;
      bool doubleClick;  // else Open in the tree's menu
      bool asked;        // the search is unsaved work; an opened project is none
    } opens[] = {{"first.kqp", true, true}, {"second.kqp", false, false}};
    for (const auto& o : opens) {
      SCOPED_TRACE(o.project);
      person.ClickAt(person.OnUi([&] { return Center(window.IBitmapButton8); }));
      ASSERT_TRUE(person.WaitFor([] { return manager && manager->isVisible() && QApplication::activeWindow() == manager; }));
      TIShellTreeView& tree = *person.OnUi([] { return manager->ShellTreeView2; });
      QPoint at;
      ASSERT_TRUE(person.WaitFor([&] {
        const QModelIndex node = tree.FindChild(tree.RootNode(), o.project);
        at = tree.viewport()->mapToGlobal(tree.visualRect(node).center());
        return node.isValid();
      }));
      if (o.doubleClick) {
        person.MoveTo(at);
        person.Command("xdotool", {"click", "--repeat", "2", "--delay", "80", "1"});
      } else {
        person.ClickAt(at, 3);
        QMenu* menu = nullptr;
        ASSERT_TRUE(person.WaitFor([&] { return (menu = dynamic_cast<QMenu*>(QApplication::activePopupWidget())); }));
        person.ClickAt(person.OnUi([&] { return menu->mapToGlobal(menu->actionGeometry(tree.ShellOpen).center()); }));
      }
      // The manager goes, the save question comes first, then the project.
      ASSERT_TRUE(person.WaitFor([] { return !manager->isVisible(); }));
      if (o.asked) {
        ASSERT_TRUE(person.WaitFor([&] { return question() != nullptr; }));
        person.ClickAt(person.OnUi([&] { return Center(question()->TntButton3); }));
      }
      const std::u16string path = projects + platform::Utf8ToUtf16(o.project);
      // Opened here, and the first of the recent projects.
      EXPECT_TRUE(person.WaitFor([&] {
        return s.Project.ProjectName == platform::Utf8ToUtf16(o.project) && s.Config.RecentProjects[0] == path;
      }));
      EXPECT_EQ(person.OnUi([&] { return s.GetQueryText(); }), u"heron");
      person.WaitForIdle(window);
    }
  };
  EXPECT_EQ(RunAfterASearch({u"first.kqp", u"second.kqp"}, scenario), 0);
}

}  // namespace
}  // namespace kestrune
