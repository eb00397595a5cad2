// The main window's commands outside a search on a shown window: printing
// the map and the page into PDF files, the panes' widths, the "Tell a
// friend" button under the mouse, and the close writing "query.dat".
#include <gtest/gtest.h>

#include <QPrinter>
#include <QDialog>
#include <QSplitter>
#include <QTimer>
#include <QTest>
#include <cmath>
#include <filesystem>

#include "app/custom_history.h"
#include "app/window/forms.h"
#include "app/window/scope_explorer.h"
#include "app/window/kestrune_main.h"
#include "platform/text.h"
#include "tests/app/window/main_window_fixture.h"
#include "ui/ibitmap.h"
#include "ui/ibitmap_button.h"

namespace kestrune {
namespace {

using test::TWindow;

// The pages of a PDF file: its "/Type /Page" objects (not "/Pages").
int PdfPages(const std::string& bytes) {
  int pages = 0;
  for (size_t at = bytes.find("/Type /Page"); at != std::string::npos; at = bytes.find("/Type /Page", at + 1)) {
    if (bytes.compare(at, 12, "/Type /Pages") != 0) ++pages;
  }
  return pages;
}

std::unique_ptr<QPrinter> PdfPrinter(const std::string& file) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setOutputFormat(QPrinter::PdfFormat);
  printer->setOutputFileName(QString::fromStdString(file));
  return printer;
}

TEST(MainCommands, TheMapPrintsOnOnePage) {
  TWindow w;
  TFKestruneMain& window = *w.window;
  w.MapWithKeys();
  QCoreApplication::processEvents();
  const QImage& map = window.DrawAndEventMap1->BackBuffer();
  ASSERT_FALSE(map.isNull());
  struct TCase {
    const char* name;
    QImage picture;
    bool printed;
  } cases[] = {
      {"the map", map.copy(), true},
      {"a wide picture", QImage(3000, 10, QImage::Format_RGB32), true},
      {"an empty map", QImage(), false},
  };
  for (TCase& c : cases) {
    const std::string file = w.program.Dir().File(std::string(c.name) + ".pdf");
    if (!c.picture.isNull()) c.picture.fill(Qt::darkCyan);
    auto printer = PdfPrinter(file);
    EXPECT_EQ(TFKestruneMain::PrintPicture(*printer, c.picture), c.printed) << c.name;
    printer.reset();
    EXPECT_EQ(std::filesystem::exists(file), c.printed) << c.name;
    if (c.printed) EXPECT_EQ(PdfPages(test::ReadFileBytes(file)), 1) << c.name;
  }
}

TEST(MainCommands, TheResultPagePrintsIntoAFile) {
  TWindow w;
  TFKestruneMain& window = *w.window;
  window.EmbeddedWB1->WaitForComplete(10000);
  const std::string file = w.program.Dir().File("page.pdf");
  auto printer = PdfPrinter(file);
  bool finished = false, ok = false;
  window.PrintPage(printer.get(), [&](bool success) {
    finished = true;
    ok = success;
  });
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 20000));
  EXPECT_TRUE(ok);
  printer.reset();
  const std::string bytes = test::ReadFileBytes(file);
  EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
  EXPECT_GE(PdfPages(bytes), 1);
}

// The right pane keeps its share of the splitter as the window resizes; a
// map pane that would fall under its least width gets its room back.
TEST(MainCommands, TheRightPaneKeepsItsShare) {
  TWindow w;
  TFKestruneMain& window = *w.window;
  window.setWindowState(Qt::WindowNoState);
  auto* splitter = qobject_cast<QSplitter*>(window.Panel3->parentWidget());
  ASSERT_NE(splitter, nullptr);
  EXPECT_TRUE(window.Panel3->isAncestorOf(window.EmbeddedWB1));
  struct TCase {
    int windowWidth;
    int tag;
    bool mapTooNarrow;  // the tag's share would leave the map under 432 pixels
  } cases[] = {{1200, 30, false}, {1200, 60, false}, {700, 60, true}};
  for (const TCase& c : cases) {
    window.Splitter1Tag = c.tag;
    window.resize(c.windowWidth, 600);
    QCoreApplication::processEvents();
    window.FormResize();
    QCoreApplication::processEvents();
    const int width = splitter->width();
    if (!c.mapTooNarrow) {
      EXPECT_EQ(window.Splitter1Tag, c.tag) << c.windowWidth;
      EXPECT_NEAR(window.Panel3->width(), width * c.tag / 100.0, 1.0) << c.windowWidth << " " << c.tag;
    } else {
      EXPECT_EQ(window.Splitter1Tag, static_cast<int>(std::nearbyint(100.0 - 100.0 / width * kMapPaneRoom)));
      // The map pane gets its room (less the handle and the panes' frames).
      EXPECT_NEAR(window.Panel3->width(), width - kMapPaneRoom, 4.0) << width;
    }
  }
}

// "Tell a friend": hidden by Timer2, shown by the mouse over the
// animation's plate, hidden again once the mouse is away from both.
TEST(MainCommands, TellAFriendFollowsTheMouse) {
  TWindow w;
  TFKestruneMain& window = *w.window;
  EXPECT_TRUE(window.sfrend->isVisible());
  const QRect place = window.sfrend->geometry();
  window.Timer2Timer();
  EXPECT_FALSE(window.sfrend->isVisible());
  QCoreApplication::processEvents();
  EXPECT_EQ(window.sfrend->geometry(), place);  // its place is kept
  QTest::mouseMove(window.ibitmap14, window.ibitmap14->rect().center());
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.sfrend->isVisible(); }, 2000));
  QTest::mouseMove(window.Label1, window.Label1->rect().center());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window.sfrend->isVisible(); }, 2000));
}

// Closing the window saves the query box's list, at most 19 items.
TEST(MainCommands, ClosingWritesTheQueryList) {
  TWindow w;
  TKestruneSession& s = *w.session;
  for (int i = 0; i < 22; ++i) s.Entry.QueryItems.push_back(u"q" + platform::Utf8ToUtf16(std::to_string(i)));
  const std::u16string file = s.Config.BasesFolder + u"query.dat";
  std::filesystem::remove(platform::Utf16ToUtf8(file));
  w.window->close();
  EXPECT_TRUE(w.window->Closed());
  std::vector<std::u16string> lines;
  ASSERT_TRUE(ReadUnicodeLines(file, true, lines));
  ASSERT_EQ(lines.size(), 19u);
  EXPECT_EQ(lines.front(), u"q0");
  EXPECT_EQ(lines.back(), u"q18");
}

// A save question answered "stay" keeps the window open.
TEST(MainCommands, TheSaveQuestionCanKeepTheWindow) {
  TWindow w;
  int asked = 0;
  w.session->Hooks.OnSaveQuestion = [&] { return ++asked == 1; };
  w.window->close();
  EXPECT_FALSE(w.window->Closed());
  EXPECT_TRUE(w.window->isVisible());
  w.window->close();
  EXPECT_TRUE(w.window->Closed());
  EXPECT_EQ(asked, 2);
  w.session->Hooks.OnSaveQuestion = nullptr;
}

// The project-manager button and the import of projects open the program's
// forms modally; the import gives the explorer its folder.
TEST(MainCommands, TheManagerAndTheExplorerOpenModally) {
  TWindow w;
  std::vector<std::unique_ptr<QWidget>> forms;
  for (const TFormEntry& entry : ApplicationForms()) {
    const std::string name = entry.ClassName;
    if (name == "Tmanager" || name == "Texploreform") forms.push_back(entry.Create(*w.session));
  }
  ASSERT_EQ(forms.size(), 2u);
  const std::u16string folder = platform::Utf8ToUtf16(w.program.Dir().Path());
  struct TCase {
    const char* name;
    std::function<void()> open;
    QString form;
  } cases[] = {
      {"the manager's button",
       [&] { QTest::mouseClick(w.window->IBitmapButton8, Qt::LeftButton, {}, QPoint(5, 5)); }, "manager"},
      {"the import", [&] { w.window->OnImportProjects(folder); }, "exploreform"},
  };
  for (const TCase& c : cases) {
    QString shown;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      for (QWidget* form : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(form);
        if (dialog && dialog->isVisible() && dialog->isModal() && dialog->objectName() == c.form) {
          shown = dialog->objectName();
          dialog->reject();
        }
      }
    });
    closer.start(50);
    c.open();
    closer.stop();
    EXPECT_EQ(shown, c.form) << c.name;
  }
  EXPECT_EQ(dynamic_cast<Texploreform&>(*forms[1]).TargetFolder, folder);
}

}  // namespace
}  // namespace kestrune
