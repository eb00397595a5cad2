// The project manager over a projects folder of the test's own.
//
// With KESTRUNE_WRITE_IMAGES=<folder> the screenshot test also writes
// project_manager.png (for docs/) there.
#include "ui/project_manager.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QProcess>
#include <QTest>
#include <filesystem>
#include <functional>
#include <utility>

#include "app/window/apply_language.h"
#include "core/message_strings.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "tests/app/project_file_bytes.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/shell_tree_test_support.h"

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using test::ChildTexts;
using test::WaitForChildren;
using test::WaitUntil;

// A projects folder P/ with A/{y.kqp, Deep/}, C/x.kqp, x.kqp, X.KQP, notes.txt
// and the manager shown on it. Questions are answered by `answer` and
// recorded.
struct Manager {
  test::TempDir dir;
  std::string projects;
  std::unique_ptr<Tmanager> form;
  std::vector<std::u16string> questions;
  int32_t answer = platform::kIdNo;
  std::function<void()> whileAsked;  // runs once, while the first question is asked

  explicit Manager(bool fill = true, const char* name = "P") : projects(dir.Path() + name + "/") {
    fs::create_directories(projects);
    if (fill) {
      for (const char* folder : {"A/Deep", "C"}) fs::create_directories(projects + folder);
      for (const char* name : {"A/y.kqp", "C/x.kqp", "x.kqp", "X.KQP", "notes.txt"}) {
        test::WriteFileBytes(projects + name, test::ProjectFileBytes({.Note = platform::Utf8ToUtf16(name)}));
      }
    }
    platform::SetMessageBoxHandler([this](std::u16string_view text, std::u16string_view, uint32_t) {
      questions.emplace_back(text);
      if (whileAsked) std::exchange(whileAsked, nullptr)();
      return answer;
    });
    form = std::make_unique<Tmanager>([this] { return platform::Utf8ToUtf16(projects); });
    ApplyBuiltInLanguage(*form);
    form->show();
  }
  ~Manager() { platform::SetMessageBoxHandler({}); }

  TIShellTreeView& Tree() const { return *form->ShellTreeView2; }
  QModelIndex Node(const QString& relative) const { return test::NodeOf(Tree(), relative); }
  QStringList Children(const QString& relative, const QStringList& expected) {
    return WaitForChildren(Tree(), relative, expected);
  }
  // The centre of a node in the tree's viewport.
  QPoint At(const QString& relative) {
    Tree().scrollTo(Node(relative));
    QCoreApplication::processEvents();
    return Tree().visualRect(Node(relative)).center();
  }
  // Drags the node at `from` and drops it on the node at `onto`.
  void Drop(const QString& from, const QString& onto) {
    Tree().setCurrentIndex(Node(from));
    const QPoint at = At(onto);
    form->ShellTreeView2EndDrag(Tree(), &Tree(), at.x(), at.y());
  }
  void Child(const std::string& command) {
    QProcess child;
    child.setWorkingDirectory(QString::fromStdString(projects));
    child.start("/bin/sh", {"-c", QString::fromStdString(command)});
    ASSERT_TRUE(child.waitForFinished(5000));
  }
};

TEST(Tmanager, ComponentsAndEnglishTexts) {
  Manager m;
  EXPECT_EQ(manager, m.form.get());
  EXPECT_EQ(m.form->windowTitle(), "manageR");
  EXPECT_EQ(m.form->crdir->text(), "Make folder");
  EXPECT_FALSE(m.form->InetE->isEnabled());
  EXPECT_FALSE(m.form->InteI->isEnabled());
  for (const char* action : {"ShellOpen", "ShellRename", "ShellDelete"}) {
    SCOPED_TRACE(action);
    auto* found = m.form->findChild<QAction*>(action);
    ASSERT_NE(found, nullptr);
    EXPECT_FALSE(found->text().isEmpty());
  }
  const TShellNotification& watcher = *m.form->ShellNotification1;
  EXPECT_TRUE(watcher.WatchSubTree());
  EXPECT_EQ(watcher.WatchEvents(),
            (TNotificationEvents{neFileCreate, neFileDelete, neFileRename, neFolderDelete, neFolderRename}));
  // Shown: the tree and the watcher are on the projects folder.
  EXPECT_TRUE(watcher.Registered());
  EXPECT_EQ(platform::Utf16ToUtf8(watcher.Path()), m.projects);
  EXPECT_EQ(m.Tree().NodePath(m.Tree().RootNode()).toStdString() + "/", m.projects);
  m.form.reset();
  EXPECT_EQ(manager, nullptr);
}

TEST(Tmanager, ShowsFoldersAndProjectsWithTheirNotes) {
  Manager m;
  // "X.KQP" and "notes.txt" are no projects.
  EXPECT_EQ(m.Children("", {"A", "C", "x.kqp"}), (QStringList{"A", "C", "x.kqp"}));
  m.Tree().setCurrentIndex(m.Node("x.kqp"));
  EXPECT_EQ(m.form->TntLabel1->text(), "x.kqp");
  EXPECT_EQ(m.form->TntLabel1->textFormat(), Qt::PlainText);
  m.Tree().setCurrentIndex(m.Node("A"));
  EXPECT_EQ(m.form->TntLabel1->text(), "");
}

TEST(Tmanager, MakeFolder) {
  const struct {
    const char* selected;  // "" none
    const char* in;        // where the folder is made
  } cases[] = {{"", ""}, {"A", "A"}, {"A/y.kqp", "A"}, {"x.kqp", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.selected);
    Manager m;
    fs::create_directories(m.projects + c.in + "/New folder");
    fs::create_directories(m.projects + c.in + "/New folder(1)");
    if (*c.in) {
      m.Children("", {"A", "C", "x.kqp"});
    } else {
      m.Children("", {"A", "C", "New folder", "New folder(1)", "x.kqp"});
    }
    m.form->ShellTreeView2->expand(m.Node("A"));
    if (*c.in) {
      m.Children("A", {"Deep", "New folder", "New folder(1)", "y.kqp"});
    } else {
      m.Children("A", {"Deep", "y.kqp"});
    }
    m.Tree().setCurrentIndex(*c.selected ? m.Node(c.selected) : QModelIndex());
    m.form->crdirClick();
    EXPECT_TRUE(fs::is_directory(m.projects + c.in + "/New folder(2)"));
    const QString made = QString(c.in) + (*c.in ? "/" : "") + "New folder(2)";
    EXPECT_TRUE(m.Node(made).isValid());
    EXPECT_EQ(m.Tree().currentIndex(), m.Node(made));
    auto* editor = m.Tree().findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);  // its name is open for editing
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->text(), "New folder(2)");
  }
}

// A rename keeps a project a project; a refused one says why once the edit
// has ended (the name as it would have been given); a rename done is told
// to OnItemMoved.
TEST(Tmanager, RenameKeepsAProjectAProject) {
  const std::u16string& taken = MessageStrings.smNameTaken;
  const std::u16string& blank = MessageStrings.smNameBlank;
  const std::u16string& invalid = MessageStrings.smNameInvalid;
  const std::u16string& hidden = MessageStrings.smNameHidden;
  const struct {
    const char* node;
    const char* typed;
    const char* becomes;  // the item afterwards; nullptr: refused, nothing changes
    const char* existing = "";  // an item made before the rename
    const std::u16string* why = nullptr;  // refused: the message's reason
    const char16_t* shown = u"";          // and the name it shows
  } cases[] = {
      {"x.kqp", "loaf notes", "loaf notes.kqp"},
      {"x.kqp", "loaf.kqp", "loaf.kqp"},
      {"x.kqp", "loaf.KQP", "loaf.kqp"},      // ends so in other letters: written as the tree lists it
      {"x.kqp", "loaf.txt", "loaf.txt.kqp"},  // another extension
      {"A/y.kqp", "z", "A/z.kqp"},
      {"x.kqp", "x", "x.kqp"},                // its own name: nothing to do
      {"C", "loaf notes", "loaf notes"},      // folders as typed
      {"C", "D.kqp", "D.kqp"},
      {"x.kqp", " loaf ", " loaf .kqp"},
      // The finished name is refused when it is taken: nothing is replaced.
      {"x.kqp", "rye", nullptr, "rye.kqp", &taken, u"rye.kqp"},
      {"x.kqp", "rye.KQP", nullptr, "rye.kqp", &taken, u"rye.kqp"},
      {"x.kqp", "A", "A.kqp"},                // a folder "A" is no "A.kqp"
      {"C", "A", nullptr, "", &taken, u"A"},
      {"x.kqp", "", nullptr, "", &blank, u""},
      {"x.kqp", "   ", nullptr, "", &blank, u"   "},
      {"x.kqp", "   .kqp", nullptr, "", &blank, u"   "},
      {"C", "  ", nullptr, "", &blank, u"  "},
      {"x.kqp", ".", nullptr, "", &invalid, u"."},
      {"x.kqp", "..", nullptr, "", &invalid, u".."},
      {"x.kqp", "a/b", nullptr, "", &invalid, u"a/b"},
      // A name the tree hides (a leading dot) would hide the item: refused.
      {"x.kqp", ".loaf", nullptr, "", &hidden, u".loaf.kqp"},
      {"x.kqp", ".KQP", nullptr, "", &blank, u""},
      {"C", ".D", nullptr, "", &hidden, u".D"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.node) + " typed \"" + c.typed + "\"");
    Manager m;
    std::vector<std::pair<std::u16string, std::u16string>> moves;
    m.form->OnItemMoved = [&](const std::u16string& from, const std::u16string& to) { moves.emplace_back(from, to); };
    if (*c.existing) test::WriteFileBytes(m.projects + c.existing, "existing");
    ASSERT_TRUE(WaitUntil([&] { return m.Node("A").isValid(); }));
    m.form->ShellTreeView2->expand(m.Node("A"));
    m.Children("A", {"Deep", "y.kqp"});
    const QModelIndex node = m.Node(c.node);
    ASSERT_TRUE(node.isValid());
    EXPECT_EQ(m.Tree().model()->setData(node, QString(c.typed), Qt::EditRole), c.becomes != nullptr);
    EXPECT_TRUE(fs::exists(m.projects + (c.becomes ? c.becomes : c.node)));
    const bool renamed = c.becomes && std::string(c.becomes) != c.node;
    if (renamed) EXPECT_FALSE(fs::exists(m.projects + c.node));
    if (*c.existing) EXPECT_EQ(test::ReadFileBytes(m.projects + c.existing), "existing");
    // A project renamed stays in the tree.
    if (c.becomes && QString(c.becomes).endsWith(".kqp")) {
      EXPECT_TRUE(WaitUntil([&] { return m.Node(c.becomes).isValid(); }));
    }
    QCoreApplication::processEvents();
    const std::vector<std::u16string> told = {u"\"" + std::u16string(c.shown) + u"\"\n" + (c.why ? *c.why : u"")};
    EXPECT_EQ(m.questions, c.why ? told : std::vector<std::u16string>{});
    const std::u16string from = platform::Utf8ToUtf16(m.projects + c.node);
    const std::u16string to = platform::Utf8ToUtf16(m.projects + (renamed ? c.becomes : ""));
    using TMoves = decltype(moves);
    EXPECT_EQ(moves, renamed ? TMoves({{from, to}}) : TMoves());
  }
}

// Opening a project in the tree (a double-click, or Open in its menu) chooses
// it and closes the form; a folder only expands.
TEST(Tmanager, OpeningAProjectChoosesItAndCloses) {
  const struct {
    const char* node;
    bool chosen;
  } cases[] = {{"x.kqp", true}, {"A/y.kqp", true}, {"A", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.node);
    Manager m;
    m.Children("", {"A", "C", "x.kqp"});
    m.Tree().expand(m.Node("A"));
    m.Children("A", {"Deep", "y.kqp"});
    m.Tree().setCurrentIndex(m.Node(c.node));
    m.Tree().ShellOpen->trigger();
    EXPECT_EQ(m.form->isVisible(), !c.chosen);
    EXPECT_EQ(m.form->TakeChosenProject(), c.chosen ? platform::Utf8ToUtf16(m.projects + c.node) : u"");
    EXPECT_EQ(m.form->TakeChosenProject(), u"");
  }
}

TEST(Tmanager, EnterInTheTreeMakesNothing) {
  const struct {
    const char* selected;
    Qt::Key key;
  } cases[] = {{"x.kqp", Qt::Key_Return}, {"A", Qt::Key_Return}, {"x.kqp", Qt::Key_Enter}, {"", Qt::Key_Return}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.selected);
    Manager m;
    m.Children("", {"A", "C", "x.kqp"});
    for (QPushButton* button : m.form->findChildren<QPushButton*>()) EXPECT_FALSE(button->isDefault());
    m.Tree().setCurrentIndex(m.Node(c.selected));
    m.Tree().setFocus();
    QTest::keyClick(&m.Tree(), c.key, c.key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QCoreApplication::processEvents();
    EXPECT_FALSE(fs::exists(m.projects + "New folder"));
    EXPECT_FALSE(fs::exists(m.projects + "A/New folder"));
    EXPECT_EQ(m.Tree().findChild<QLineEdit*>(), nullptr);
    EXPECT_TRUE(m.form->isVisible());
  }
  // Enter still ends a label edit.
  Manager m;
  m.Children("", {"A", "C", "x.kqp"});
  m.Tree().setCurrentIndex(m.Node("x.kqp"));
  m.Tree().setFocus();
  QTest::keyClick(&m.Tree(), Qt::Key_F2);
  auto* editor = m.Tree().findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  QTest::keyClicks(editor, "loaf");
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_TRUE(WaitUntil([&] { return fs::exists(m.projects + "loaf.kqp"); }));
  EXPECT_EQ(m.Children("", {"A", "C", "loaf.kqp"}), (QStringList{"A", "C", "loaf.kqp"}));
  EXPECT_FALSE(fs::exists(m.projects + "New folder"));
}

TEST(Tmanager, DragAndDrop) {
  enum Answer { kNone, kYes, kNo, kYesButTheItemWent };
  const std::u16string replaceProject = u"\"x.kqp\" already exists. Do you want to replace it?";
  const std::u16string replaceFolder =
      u"\"A\" already exists. Do you want to replace that folder and everything in it? It goes to the trash.";
  const struct {
    const char* what;
    const char* from;
    const char* onto;
    Answer answer;
    std::vector<const char*> present, absent;
    std::u16string question;
    const char* trashed = "";  // the planted file of the item replaced, in the trash
    const char* moved = nullptr;  // where the item went (told to OnItemMoved)
  } cases[] = {
      {"a project onto a folder", "x.kqp", "A", kNone, {"A/x.kqp"}, {"x.kqp"}, u"", "", "A/x.kqp"},
      {"a project onto a project: into its folder", "x.kqp", "A/y.kqp", kNone, {"A/x.kqp", "A/y.kqp"}, {"x.kqp"}, u"",
       "", "A/x.kqp"},
      {"a folder into another", "A", "C", kNone, {"C/A/y.kqp"}, {"A"}, u"", "", "C/A"},
      {"a folder into its own descendant", "A", "A/Deep", kNone, {"A/Deep", "A/y.kqp"}, {"A/Deep/A"}, u""},
      {"a folder onto itself", "A", "A", kNone, {"A/y.kqp"}, {"A/A"}, u""},
      {"a name that exists, not replaced", "x.kqp", "C", kNo, {"x.kqp", "C/x.kqp"}, {}, replaceProject},
      {"a name that exists, replaced", "x.kqp", "C", kYes, {"C/x.kqp"}, {"x.kqp"}, replaceProject, "x.kqp", "C/x.kqp"},
      {"a folder that exists, replaced", "A", "C", kYes, {"C/A/y.kqp"}, {"A", "C/A/planted.kqp"}, replaceFolder,
       "A/planted.kqp", "C/A"},
      {"a folder that exists, not replaced", "A", "C", kNo, {"A/y.kqp", "C/A/planted.kqp"}, {}, replaceFolder},
      {"a move that fails: the item replaced comes back", "A", "C", kYesButTheItemWent, {"C/A/planted.kqp"}, {"A"},
       replaceFolder},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Manager m;
    std::vector<std::u16string> moves;
    m.form->OnItemMoved = [&](const std::u16string& from, const std::u16string& to) {
      moves.push_back(from + u" > " + to);
    };
    test::ScopedEnv data("XDG_DATA_HOME", m.dir.Path() + "data");
    if (c.question == replaceFolder) {
      fs::create_directories(m.projects + "C/A");
      test::WriteFileBytes(m.projects + "C/A/planted.kqp", "planted");
    }
    m.answer = c.answer == kNo ? platform::kIdNo : platform::kIdYes;
    if (c.answer == kYesButTheItemWent) m.whileAsked = [&] { fs::remove_all(m.projects + c.from); };
    m.Children("", {"A", "C", "x.kqp"});
    m.form->ShellTreeView2->expand(m.Node("A"));
    m.Children("A", {"Deep", "y.kqp"});
    m.Drop(c.from, c.onto);
    EXPECT_EQ(m.questions.size(), c.answer == kNone ? 0u : c.answer == kYesButTheItemWent ? 2u : 1u);
    if (!m.questions.empty()) {
      EXPECT_EQ(m.questions[0], c.question);
    }
    for (const char* name : c.present) EXPECT_TRUE(fs::exists(m.projects + name)) << name;
    for (const char* name : c.absent) EXPECT_FALSE(fs::exists(m.projects + name)) << name;
    const std::u16string move = platform::Utf8ToUtf16(m.projects + c.from + " > " + m.projects + (c.moved ? c.moved : ""));
    EXPECT_EQ(moves, c.moved ? std::vector<std::u16string>{move} : std::vector<std::u16string>{});
    if (c.answer == kYes && c.question == replaceProject) {
      EXPECT_EQ(test::ReadFileBytes(m.projects + "C/x.kqp"), test::ProjectFileBytes({.Note = u"x.kqp"}));
    }
    // What was replaced lies in the user's trash, described there.
    if (*c.trashed) {
      EXPECT_FALSE(test::ReadFileBytes(m.dir.File("data/Trash/files/") + c.trashed).empty());
      const std::string item = fs::path(c.trashed).begin()->string();
      EXPECT_TRUE(fs::exists(m.dir.File("data/Trash/info/") + item + ".trashinfo"));
    } else {
      EXPECT_TRUE(!fs::exists(m.dir.File("data/Trash/files")) || fs::is_empty(m.dir.File("data/Trash/files")));
      EXPECT_TRUE(!fs::exists(m.dir.File("data/Trash/info")) || fs::is_empty(m.dir.File("data/Trash/info")));
    }
  }
}

TEST(Tmanager, DragOverAcceptsFoldersOnly) {
  Manager m;
  m.Children("", {"A", "C", "x.kqp"});
  const struct {
    QPoint at;
    bool before, after;
  } cases[] = {
      {m.At("A"), false, true},
      {m.At("x.kqp"), true, false},
      {QPoint(5, m.Tree().viewport()->height() - 5), false, false},  // empty space: unchanged
      {QPoint(5, m.Tree().viewport()->height() - 5), true, true},
  };
  for (const auto& c : cases) {
    bool accept = c.before;
    m.form->ShellTreeView2DragOver(m.Tree(), &m.Tree(), c.at.x(), c.at.y(), accept);
    EXPECT_EQ(accept, c.after);
  }
}

TEST(Tmanager, FollowsOtherPrograms) {
  Manager m;
  m.Children("", {"A", "C", "x.kqp"});
  m.Child("rm x.kqp");
  EXPECT_EQ(m.Children("", {"A", "C"}), (QStringList{"A", "C"}));
  m.Child("mkdir B && echo x > B/b.kqp");
  EXPECT_EQ(m.Children("", {"A", "B", "C"}), (QStringList{"A", "B", "C"}));
  m.form->ShellTreeView2->expand(m.Node("B"));
  EXPECT_EQ(m.Children("B", {"b.kqp"}), QStringList{"b.kqp"});

  Manager empty(false);
  EXPECT_TRUE(WaitUntil([&] { return ChildTexts(empty.Tree(), empty.Tree().RootNode()).isEmpty(); }));
  empty.Child("echo x > saved.kqp");
  EXPECT_EQ(empty.Children("", {"saved.kqp"}), QStringList{"saved.kqp"});
}

TEST(Tmanager, FollowsTheProjectsFolderGoneAndBack) {
  const struct {
    const char* what;
    const char* going;
    const char* back;
    QStringList shown;
  } cases[] = {
      {"deleted and made again", "rm -r P", "mkdir P && echo x > P/new.kqp", {"new.kqp"}},
      {"moved away and another made", "mv P P.old && mkdir P", "echo x > P/new.kqp", {"new.kqp"}},
      {"moved away and back", "mv P P.old", "mv P.old P", {"A", "C", "x.kqp"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Manager m;
    m.Children("", {"A", "C", "x.kqp"});
    QProcess going;
    going.setWorkingDirectory(QString::fromStdString(m.dir.Path()));
    going.start("/bin/sh", {"-c", QString(c.going) + " && " + c.back});
    ASSERT_TRUE(going.waitForFinished(5000));
    EXPECT_EQ(m.Children("", c.shown), c.shown);
    // And followed from then on.
    m.Child("echo x > later.kqp");
    QStringList later = c.shown + QStringList{"later.kqp"};
    later.sort();
    EXPECT_EQ(m.Children("", later), later);
  }
}

TEST(Tmanager, NodeToRefresh) {
  Manager m;
  m.Children("", {"A", "C", "x.kqp"});
  m.form->ShellTreeView2->expand(m.Node("A"));
  m.Children("A", {"Deep", "y.kqp"});
  const std::string p = m.projects;
  const struct {
    std::string path;
    const char* refreshed;  // the node refreshed, relative to the root
  } cases[] = {
      {p + "A/y.kqp", "A"},          // the node's parent
      {p + "A/Deep/", "A"},
      {p + "C", ""},
      {p + "A/Deep/new.kqp", ""},    // not shown: the root
      {p + "a/y.kqp", ""},           // another name here
      {p, ""},                       // the root itself
      {m.dir.Path(), ""},            // above the root: where a file made in the root points
      {"/elsewhere/x.kqp", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(m.form->NodeToRefresh(platform::Utf8ToUtf16(c.path)), m.Node(c.refreshed));
  }
}

TEST(Tmanager, Screenshot) {
  Manager m(false, "Projects");
  const std::pair<const char*, const char16_t*> projects[] = {
      {"Birds/coastal birds (Mojeek).kqp",
       u"Search \"coastal birds\" via Mojeek: the gulls, terns and waders of the North Sea coast, with their calls."},
      {"Birds/owls.kqp", u"Owls of Europe"},
      {"Travel/Lisbon/trams.kqp", u"Lisbon's old trams"},
      {"recipes.kqp", u"Bread and soups"},
  };
  for (const auto& [name, note] : projects) {
    fs::create_directories(fs::path(m.projects + name).parent_path());
    test::WriteFileBytes(m.projects + name, test::ProjectFileBytes({.Note = note}));
  }
  m.Children("", {"Birds", "Travel", "recipes.kqp"});
  m.form->ShellTreeView2->expand(m.Node("Birds"));
  m.form->ShellTreeView2->expand(m.Node("Travel"));
  m.Children("Birds", {"coastal birds (Mojeek).kqp", "owls.kqp"});
  m.Children("Travel", {"Lisbon"});
  m.Tree().setCurrentIndex(m.Node("Birds/coastal birds (Mojeek).kqp"));
  EXPECT_TRUE(m.form->TntLabel1->text().startsWith("Search \"coastal birds\""));
  const QImage shot = m.form->grab().toImage();
  EXPECT_EQ(shot.size(), m.form->size());
  const QString folder = QString::fromLocal8Bit(qgetenv("KESTRUNE_WRITE_IMAGES"));
  if (!folder.isEmpty()) {
    EXPECT_TRUE(shot.save(folder + "/project_manager.png"));
  }
}

}  // namespace
}  // namespace kestrune
