#include "ui/shell_tree_view.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QDragMoveEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <filesystem>

#include "app/browser_opener.h"
#include "core/message_strings.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/shell_tree_test_support.h"

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using test::ChildTexts;
using test::NodeOf;
using test::WaitForChildren;
using test::WaitUntil;

struct RecordingOpener : IBrowserOpener {
  std::vector<std::u16string> files;
  bool takes = true;  // the desktop takes the file
  bool OpenLocalFile(std::u16string_view path) override {
    files.emplace_back(path);
    return takes;
  }
  std::string MimeTypeOfFile(std::u16string_view) override { return "application/octet-stream"; }

 protected:
  bool OpenUrl(std::u16string_view) override { return true; }
};

// A projects-like folder: P/{A/{a1.kqp, Deep/}, B/, x.kqp, y.txt, .hidden/}.
struct Tree {
  test::TempDir dir;
  std::string root = dir.Path() + "P";
  TIShellTreeView view;

  Tree() {
    for (const char* folder : {"P/A/Deep", "P/B", "P/.hidden"}) fs::create_directories(dir.File(folder));
    for (const char* file : {"P/A/a1.kqp", "P/x.kqp", "P/y.txt"}) test::WriteFileBytes(dir.File(file), "x");
    view.resize(300, 400);
    view.show();
  }
  std::u16string Root() const { return platform::Utf8ToUtf16(root); }
  QModelIndex Node(const QString& relative) const { return NodeOf(view, relative); }
};

TEST(TIShellTreeView, ItemsShownByKindAndFilter) {
  const struct {
    const char* what;
    TShellObjectTypes types;
    bool refuseFiles;
    QStringList expected;
  } cases[] = {
      {"folders", {otFolders}, false, {"A", "B"}},
      {"folders and files", {otFolders, otNonFolders}, false, {"A", "B", "x.kqp", "y.txt"}},
      {"hidden too", {otFolders, otNonFolders, otHidden}, false, {".hidden", "A", "B", "x.kqp", "y.txt"}},
      {"every file refused by the owner", {otFolders, otNonFolders}, true, {"A", "B"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Tree t;
    t.view.SetObjectTypes(c.types);
    int asked = 0;
    if (c.refuseFiles) {
      t.view.OnAddFolder = [&](TICustomShellTreeView&, const TShellFolder& item, bool& canAdd) {
        ++asked;
        canAdd = item.IsFolder();
      };
    }
    t.view.SetRoot(t.Root());
    ASSERT_TRUE(t.view.RootNode().isValid());
    EXPECT_EQ(t.view.NodeText(t.view.RootNode()), "P");
    EXPECT_EQ(t.view.currentIndex(), t.view.RootNode());  // the top node is selected and expanded
    EXPECT_TRUE(t.view.isExpanded(t.view.RootNode()));
    EXPECT_EQ(WaitForChildren(t.view, "", c.expected), c.expected);
    EXPECT_EQ(t.view.model()->rowCount(t.view.rootIndex()), 1);  // one top node
    if (c.refuseFiles) {
      EXPECT_GT(asked, 0);
    }
  }
}

TEST(TIShellTreeView, RootSpellings) {
  Tree t;
  fs::create_directories(t.dir.File("p"));         // another folder, another case
  fs::create_directory_symlink(t.root, t.dir.File("P2"));
  fs::create_directory_symlink(t.root, t.dir.File("p2"));  // the same folder as "P2" names
  t.view.SetRoot(platform::Utf8ToUtf16(t.dir.File("P2")));
  WaitForChildren(t.view, "", {"A", "B"});
  t.view.setCurrentIndex(t.Node("B"));
  const struct {
    const char* root;
    bool rebuilt;
  } cases[] = {
      {"P2", false},  // the same text
      {"p2", false},  // another spelling of the same folder
      {"p", true},    // another spelling of another folder
      {"P", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.root);
    const QModelIndex before = t.view.currentIndex();
    t.view.SetRoot(platform::Utf8ToUtf16(t.dir.File(c.root)));
    if (c.rebuilt) {
      EXPECT_EQ(t.view.Root(), platform::Utf8ToUtf16(t.dir.File(c.root)));
      EXPECT_EQ(t.view.currentIndex(), t.view.RootNode());
    } else {
      EXPECT_EQ(t.view.currentIndex(), before);
    }
  }
}

TEST(TIShellTreeView, AnUnresolvableRootKeepsTheTree) {
  Tree t;
  t.view.SetRoot(t.Root());
  WaitForChildren(t.view, "", {"A", "B"});
  for (const std::string& bad : {t.dir.File("missing"), t.dir.File("P/x.kqp"), std::string("relative/P"),
                                std::string("rfNetwork")}) {
    SCOPED_TRACE(bad);
    try {
      t.view.SetRoot(platform::Utf8ToUtf16(bad));
      ADD_FAILURE() << "no error raised";
    } catch (const EInvalidPath& error) {
      EXPECT_EQ(std::string(error.what()), "Error setting path: \"" + bad + "\"");
    }
    EXPECT_EQ(t.view.Root(), t.Root());
    EXPECT_EQ(t.view.NodePath(t.view.RootNode()).toStdString(), t.root);
    EXPECT_EQ(ChildTexts(t.view, t.view.RootNode()), (QStringList{"A", "B"}));
  }
}

TEST(TIShellTreeView, RefreshKeepsExpansionAndSelection) {
  Tree t;
  t.view.SetObjectTypes({otFolders, otNonFolders});
  t.view.SetRoot(t.Root());
  WaitForChildren(t.view, "", {"A", "B", "x.kqp", "y.txt"});
  t.view.expand(t.Node("A"));
  WaitForChildren(t.view, "A", {"Deep", "a1.kqp"});
  t.view.setCurrentIndex(t.Node("A/a1.kqp"));
  // A change behind the tree's back, then the refresh.
  test::WriteFileBytes(t.dir.File("P/A/a2.kqp"), "x");
  fs::create_directories(t.dir.File("P/C"));
  t.view.RefreshNode(t.view.RootNode());
  EXPECT_EQ(WaitForChildren(t.view, "", {"A", "B", "C", "x.kqp", "y.txt"}),
            (QStringList{"A", "B", "C", "x.kqp", "y.txt"}));
  EXPECT_EQ(WaitForChildren(t.view, "A", {"Deep", "a1.kqp", "a2.kqp"}),
            (QStringList{"Deep", "a1.kqp", "a2.kqp"}));
  EXPECT_TRUE(t.view.isExpanded(t.Node("A")));
  EXPECT_TRUE(t.view.isExpanded(t.view.RootNode()));
  EXPECT_EQ(t.view.NodeText(t.view.currentIndex()), "a1.kqp");
  // The owner's filter is asked again.
  t.view.OnAddFolder = [](TICustomShellTreeView&, const TShellFolder& item, bool& canAdd) {
    canAdd = item.DisplayName() != u"x.kqp";
  };
  t.view.RefreshNode(t.view.RootNode());
  EXPECT_EQ(ChildTexts(t.view, t.view.RootNode()), (QStringList{"A", "B", "C", "y.txt"}));
}

TEST(TIShellTreeView, RenameInPlace) {
  const struct {
    const char* to;
    bool renamed;
  } cases[] = {
      {"z.kqp", true},
      {"y.txt", false},  // exists: the rename would replace it
      {"A", false},      // a folder of that name
      {"a/b.kqp", false},
      {"", false},
      {"..", false},
      {"X.KQP", true},   // another name here
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.to);
    Tree t;
    t.view.SetObjectTypes({otFolders, otNonFolders});
    t.view.SetRoot(t.Root());
    WaitForChildren(t.view, "", {"A", "B", "x.kqp", "y.txt"});
    const QModelIndex node = t.Node("x.kqp");
    EXPECT_EQ(t.view.model()->setData(node, QString(c.to), Qt::EditRole), c.renamed);
    EXPECT_EQ(fs::exists(t.dir.File("P/x.kqp")), !c.renamed);
    EXPECT_EQ(test::ReadFileBytes(t.dir.File("P/y.txt")), "x");
    if (c.renamed) {
      EXPECT_TRUE(WaitUntil([&] { return t.Node(c.to).isValid(); }));
    } else {
      EXPECT_EQ(t.view.NodeText(node), "x.kqp");
    }
  }
}

TEST(TIShellTreeView, TheEditorOfAFileSelectsItsNameWithoutTheExtension) {
  const struct {
    const char* node;
    const char* selected;
  } cases[] = {{"x.kqp", "x"}, {"y.txt", "y"}, {"A", "A"}, {"two.dots.kqp", "two.dots"}, {"plain", "plain"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.node);
    Tree t;
    test::WriteFileBytes(t.dir.File("P/two.dots.kqp"), "x");
    test::WriteFileBytes(t.dir.File("P/plain"), "x");
    t.view.SetObjectTypes({otFolders, otNonFolders});
    t.view.SetRoot(t.Root());
    WaitForChildren(t.view, "", {"A", "B", "plain", "two.dots.kqp", "x.kqp", "y.txt"});
    t.view.setCurrentIndex(t.Node(c.node));
    t.view.setFocus();
    QTest::keyClick(&t.view, Qt::Key_F2);
    auto* editor = t.view.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), c.node);
    EXPECT_EQ(editor->selectedText(), c.selected);
  }
}

TEST(TIShellTreeView, TheRootIsNeverRenamed) {
  enum Way { kF2, kSecondClick, kMenu, kModel };
  const struct {
    const char* what;
    Way way;
    const char* node;  // "" the root
    bool editable;
  } cases[] = {
      {"F2 on the root", kF2, "", false},
      {"a second click on the root", kSecondClick, "", false},
      {"the menu's Rename on the root", kMenu, "", false},
      {"the model's rename of the root", kModel, "", false},
      {"F2 on a project", kF2, "x.kqp", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Tree t;
    t.view.SetObjectTypes({otFolders, otNonFolders});
    t.view.SetRoot(t.Root());
    WaitForChildren(t.view, "", {"A", "B", "x.kqp", "y.txt"});
    const QModelIndex node = t.Node(c.node);
    t.view.setCurrentIndex(node);
    t.view.setFocus();
    QCoreApplication::processEvents();
    switch (c.way) {
      case kF2: QTest::keyClick(&t.view, Qt::Key_F2); break;
      case kSecondClick:
        // Long after any click before: a click of its own, never half of a double click.
        QTest::mouseClick(t.view.viewport(), Qt::LeftButton, {}, t.view.visualRect(node).center(),
                          QApplication::doubleClickInterval() + 100);
        // The edit starts once no double click came.
        WaitUntil([&] { return t.view.findChild<QLineEdit*>() != nullptr; }, 3 * QApplication::doubleClickInterval());
        break;
      case kMenu: t.view.ShellRename->trigger(); break;
      case kModel: t.view.model()->setData(node, QString("Renamed"), Qt::EditRole); break;
    }
    auto* editor = t.view.findChild<QLineEdit*>();
    EXPECT_EQ(editor != nullptr && editor->isVisible(), c.editable);
    EXPECT_TRUE(fs::is_directory(t.root));
    EXPECT_FALSE(fs::exists(t.dir.File("Renamed")));
  }
}

// A file goes to the owner first, then to the desktop's opener when it is
// no program; a file the desktop does not take is told; a folder expands.
TEST(TIShellTreeView, OpeningAnItem) {
  const struct {
    const char* node;
    bool ownerTakes, desktopTakes;
    bool handedOn, told;
  } cases[] = {
      {"x.kqp", false, true, true, false},
      {"x.kqp", true, true, false, false},
      {"y.txt", false, false, true, true},
      {"run.sh", false, true, false, false},  // a program: never started
      {"B", false, true, false, false},       // a folder expands
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.node) + (c.ownerTakes ? ", the owner's" : ""));
    Tree t;
    test::WriteFileBytes(t.dir.File("P/run.sh"), "#!/bin/sh\n");
    fs::permissions(t.dir.File("P/run.sh"), fs::perms::owner_exec, fs::perm_options::add);
    RecordingOpener opener;
    opener.takes = c.desktopTakes;
    std::vector<std::u16string> boxes;
    platform::SetMessageBoxHandler([&](std::u16string_view text, std::u16string_view, uint32_t) {
      boxes.emplace_back(text);
      return platform::kIdOk;
    });
    t.view.Opener = &opener;
    t.view.OnOpenFile = [&](TICustomShellTreeView&, const TShellFolder&, bool& handled) { handled = c.ownerTakes; };
    t.view.SetObjectTypes({otFolders, otNonFolders});
    t.view.SetRoot(t.Root());
    WaitForChildren(t.view, "", {"A", "B", "run.sh", "x.kqp", "y.txt"});
    t.view.OpenNode(t.Node(c.node));
    platform::SetMessageBoxHandler({});
    const std::u16string path = platform::Utf8ToUtf16(t.dir.File("P/") + c.node);
    EXPECT_EQ(opener.files, c.handedOn ? std::vector<std::u16string>{path} : std::vector<std::u16string>{});
    EXPECT_EQ(boxes, c.told ? std::vector<std::u16string>{MessageStrings.smCannotOpenFile + u"\n" + path}
                            : std::vector<std::u16string>{});
    EXPECT_EQ(t.view.isExpanded(t.Node(c.node)), std::string(c.node) == "B");
  }
  // The user's double click on a file: its first click, then the second.
  Tree t;
  RecordingOpener opener;
  t.view.Opener = &opener;
  t.view.SetObjectTypes({otFolders, otNonFolders});
  t.view.SetRoot(t.Root());
  WaitForChildren(t.view, "", {"A", "B", "x.kqp", "y.txt"});
  t.view.scrollTo(t.Node("y.txt"));
  QCoreApplication::processEvents();
  const QRect cell = t.view.visualRect(t.Node("y.txt"));
  ASSERT_FALSE(cell.isEmpty());
  QTest::mouseClick(t.view.viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(t.view.viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(opener.files, std::vector<std::u16string>{platform::Utf8ToUtf16(t.dir.File("P/y.txt"))});
}

TEST(TIShellTreeView, DeleteMovesToTheTrash) {
  Tree t;
  test::ScopedEnv data("XDG_DATA_HOME", t.dir.Path() + "data");
  t.view.SetObjectTypes({otFolders, otNonFolders});
  t.view.SetRoot(t.Root());
  WaitForChildren(t.view, "", {"A", "B", "x.kqp", "y.txt"});
  t.view.setCurrentIndex(t.Node("x.kqp"));
  t.view.ShellDelete->trigger();
  EXPECT_FALSE(fs::exists(t.dir.File("P/x.kqp")));
  // Into the user's trash, made when missing; never beside the program.
  EXPECT_EQ(test::ReadFileBytes(t.dir.File("data/Trash/files/x.kqp")), "x");
  EXPECT_FALSE(fs::exists("files/x.kqp"));
  EXPECT_EQ(WaitForChildren(t.view, "", {"A", "B", "y.txt"}), (QStringList{"A", "B", "y.txt"}));
  // The root itself is never deleted.
  t.view.setCurrentIndex(t.view.RootNode());
  t.view.ShellDelete->trigger();
  EXPECT_TRUE(fs::exists(t.root));
}

TEST(TIShellTreeView, DraggingAnItem) {
  Tree t;
  t.view.SetObjectTypes({otFolders, otNonFolders});
  t.view.SetRoot(t.Root());
  WaitForChildren(t.view, "", {"A", "B", "x.kqp", "y.txt"});
  int32_t endX = -1;
  QObject* endTarget = nullptr;
  t.view.OnDragOver = [](TICustomShellTreeView& tree, QObject*, int32_t x, int32_t y, bool& accept) {
    const auto item = tree.FolderOf(tree.indexAt(QPoint(x, y)));
    accept = item && item->IsFolder();
  };
  QCoreApplication::processEvents();  // the view lays its rows out
  t.view.OnEndDrag = [&](TICustomShellTreeView&, QObject* target, int32_t x, int32_t) {
    endTarget = target;
    endX = x;
  };
  std::unique_ptr<QMimeData> ours(t.view.model()->mimeData({t.Node("x.kqp")}));
  QMimeData foreign;
  foreign.setUrls({QUrl::fromLocalFile(QString::fromStdString(t.dir.File("P/y.txt")))});
  const struct {
    const char* over;
    const QMimeData* data;
    bool accepted;
  } cases[] = {{"A", ours.get(), true}, {"y.txt", ours.get(), false}, {"A", &foreign, false}};
  // The application sends moves and the drop to the widget that took the
  // drag when it entered.
  auto enter = [&](const QMimeData* data) {
    QDragEnterEvent event(QPoint(1, 1), Qt::MoveAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(t.view.viewport(), &event);
    return event.isAccepted();
  };
  auto leave = [&] {
    QDragLeaveEvent event;
    QCoreApplication::sendEvent(t.view.viewport(), &event);
  };
  EXPECT_FALSE(enter(&foreign));
  leave();
  ASSERT_TRUE(enter(ours.get()));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.over);
    const QPoint at = t.view.visualRect(t.Node(c.over)).center();
    QDragMoveEvent move(at, Qt::MoveAction, c.data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(t.view.viewport(), &move);
    EXPECT_EQ(move.isAccepted(), c.accepted);
  }
  // A drop: the owner hears of it once the drag is over.
  const QPoint at = t.view.visualRect(t.Node("A")).center();
  QDropEvent drop(at, Qt::MoveAction, ours.get(), Qt::LeftButton, {});
  QCoreApplication::sendEvent(t.view.viewport(), &drop);
  leave();
  EXPECT_EQ(endTarget, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return endTarget != nullptr; }));
  EXPECT_EQ(endTarget, &t.view);
  EXPECT_EQ(endX, at.x());
}

TEST(TIShellTreeView, RootInAHiddenFolder) {
  test::TempDir dir;
  fs::create_directories(dir.File(".local/share/P/A"));
  TIShellTreeView view;
  view.show();
  view.SetRoot(platform::Utf8ToUtf16(dir.File(".local/share/P/")));
  EXPECT_EQ(view.NodeText(view.RootNode()), "P");
  EXPECT_EQ(WaitForChildren(view, "", {"A"}), QStringList{"A"});
}

}  // namespace
}  // namespace kestrune
