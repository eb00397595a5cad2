// The window's commands outside a search, without widgets: the status
// label's filter, the printed map's rectangle, the panes' widths, the help
// page, the close with "query.dat", the mails, the reset that keeps the
// query, the "Tell a friend" button.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "app/custom_history.h"
#include "app/window_commands.h"
#include "core/message_strings.h"
#include "platform/settings_store.h"
#include "platform/text.h"
#include "tests/app/session_fixture.h"

namespace kestrune {
namespace {

using test::TSessionFixture;

const std::array<std::u16string, 5> kRecentProjects = {u"/p/zero.kqp", u"", u"/p/two.kqp", u"", u"/p/four.kqp"};

// What Label1 shows for a hovered link; nullopt: the label keeps its text.
TEST(WindowCommands, StatusTextFilter) {
  const std::optional<std::u16string> kept;
  struct TCase {
    const char16_t* text;
    bool searchRunning;
    std::optional<std::u16string> shown;
  } cases[] = {
      {u"", false, u""},
      {u"", true, u""},  // the label is emptied even while a search runs
      {u"http://example.org/a", false, u"http://example.org/a"},
      {u"http://example.org/a", true, kept},
      {u"https://example.org/", false, u"https://example.org/"},
      {u"ftp://example.org/f", false, u"ftp://example.org/f"},
      {u"file:///etc/passwd", false, kept},
      {u"javascript:alert(1)", false, kept},
      {u"mailto:a@example.org", false, kept},
      // The page's commands.
      {u"http://help/", false, kept},
      {u"http://help/more", false, u"http://help/more"},
      {u"http://kestruneaddtohistory/", false, kept},
      {u"http://kestruneupdatehistory/", false, kept},
      {u"http://kestrunesendlastquery/2", false, kept},
      {u"http://query/alpha", false, kept},
      {u"http://kestrunedeletefromhistory/1", false, kept},
      // "kestrune-20/" goes only from a text that holds "/kestrune-20/".
      {u"http://site/kestrune-20/a/kestrune-20/b", false, u"http://site/a/b"},
      {u"http://sitekestrune-20/b", false, u"http://sitekestrune-20/b"},
      // Recent projects by number.
      {u"http://kestrunelastproject/0", false, u"/p/zero.kqp"},
      {u"http://kestrunelastproject/4", false, u"/p/four.kqp"},
      {u"http://kestrunelastproject/1", false, u"http://kestrunelastproject/1"},  // an empty entry
      {u"http://kestrunelastproject/5", false, u"http://kestrunelastproject/5"},
      {u"http://kestrunelastproject/-1", false, u"http://kestrunelastproject/-1"},
      {u"http://kestrunelastproject/", false, u"http://kestrunelastproject/"},
      {u"http://kestrunelastproject/20", false, u"http://kestrunelastproject/20"},
      {u"http://kestrunelastproject/2x", false, u"http://kestrunelastproject/2x"},
      {u"http://kestrunelastproject/2", true, kept},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(StatusTextFor(c.text, c.searchRunning, kRecentProjects), c.shown)
        << platform::Utf16ToUtf8(c.text) << " running " << c.searchRunning;
  }
}

// The status label through the session: the recent projects of its
// settings, a hidden link leaving the text as it was.
TEST(SessionCommands, StatusTextReachesLabel1) {
  TSessionFixture f;
  TKestruneSession& s = *f.session;
  s.Config.RecentProjects = kRecentProjects;
  s.EmbeddedWB1StatusTextChange(u"http://kestrunelastproject/2");
  EXPECT_EQ(f.view.Control(TMainControl::Label1).Text, u"/p/two.kqp");
  s.EmbeddedWB1StatusTextChange(u"http://query/alpha");
  EXPECT_EQ(f.view.Control(TMainControl::Label1).Text, u"/p/two.kqp");
  s.EmbeddedWB1StatusTextChange(u"");
  EXPECT_EQ(f.view.Control(TMainControl::Label1).Text, u"");
}

TEST(WindowCommands, PrintedMapRectangle) {
  const std::optional<TPrintRect> none;
  struct TCase {
    int32_t pageWidth, pageHeight, mapWidth, mapHeight;
    std::optional<TPrintRect> rect;
  } cases[] = {
      {1000, 1000, 500, 250, TPrintRect{1000, 500}},    // the width decides
      {1000, 1000, 250, 500, TPrintRect{500, 1000}},    // the height decides
      {4960, 7016, 800, 600, TPrintRect{4960, 3720}},   // an A4 page at 600 dpi
      {100, 100, 3, 2, TPrintRect{100, 67}},
      {5, 100, 2, 1, TPrintRect{5, 2}},                 // 2.5: a half goes to the even neighbour
      {7, 100, 2, 1, TPrintRect{7, 4}},                 // 3.5
      {100, 100, 1, 1, TPrintRect{100, 100}},
      {0, 100, 10, 10, none},
      {100, 0, 10, 10, none},
      {100, 100, 0, 10, none},                           // an empty map
      {100, 100, 10, 0, none},
      {-5, 100, 10, 10, none},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(PrintMapRect(c.pageWidth, c.pageHeight, c.mapWidth, c.mapHeight), c.rect)
        << c.pageWidth << "x" << c.pageHeight << " " << c.mapWidth << "x" << c.mapHeight;
  }
}

TEST(WindowCommands, PaneWidths) {
  const std::optional<int32_t> none;
  EXPECT_EQ(PanePercentOfSize(1000, 333), 33);
  EXPECT_EQ(PanePercentOfSize(1000, 335), 34);  // 33.5: to even
  EXPECT_EQ(PanePercentOfSize(0, 333), none);
  EXPECT_EQ(PanePercentOfSize(-1, 333), none);
  EXPECT_EQ(PaneWidthOfPercent(1000, 50), 500);
  EXPECT_EQ(PaneWidthOfPercent(801, 50), 400);  // 400.5: to even
  EXPECT_EQ(PaneWidthOfPercent(1000, 130), 1000);
  EXPECT_EQ(PaneWidthOfPercent(0, 50), none);

  struct TCase {
    int32_t clientWidth, mapWidth, percent;
    std::optional<TPaneWidth> pane;
  } cases[] = {
      {1000, 500, 50, TPaneWidth{500, 50}},
      {1000, 432, 50, TPaneWidth{500, 50}},   // the least map width keeps the share
      {1000, 431, 50, TPaneWidth{540, 54}},   // below: the map pane gets 460
      {800, 300, 70, TPaneWidth{340, 42}},    // 100 - 57.5: a half to even
      {460, 0, 50, TPaneWidth{0, 0}},
      {300, 0, 50, TPaneWidth{0, 0}},          // narrower than the room: no negative share
      {0, 0, 50, std::nullopt},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(PaneResize(c.clientWidth, c.mapWidth, c.percent), c.pane)
        << c.clientWidth << " " << c.mapWidth << " " << c.percent;
  }
}

TEST(WindowCommands, HelpPageFallbacks) {
  const std::u16string root = u"/prog/";
  auto page = [&root](std::u16string_view folder) {
    return root + u"help/" + std::u16string(folder) + u"/help_index.html";
  };
  struct TCase {
    const char16_t* folder;
    std::set<std::u16string> files;
    std::u16string opened;
  } cases[] = {
      {u"de", {page(u"de"), page(u"en")}, page(u"de")},
      {u"de", {page(u"en")}, page(u"en")},                // a missing page
      {u"../x", {page(u"../x"), page(u"en")}, page(u"en")},  // never outside help/
      {u"..", {page(u".."), page(u"en")}, page(u"en")},
      {u"", {page(u""), page(u"en")}, page(u"en")},
      {u"a/b", {page(u"a/b"), page(u"en")}, page(u"en")},
      {u"a\\b", {page(u"a\\b"), page(u"en")}, page(u"en")},
      {u"de", {}, u""},                                    // no page at all
  };
  for (const TCase& c : cases) {
    const std::u16string found =
        HelpPageFile(root, c.folder, [&c](std::u16string_view path) { return c.files.count(std::u16string(path)) > 0; });
    EXPECT_EQ(found, c.opened) << platform::Utf16ToUtf8(c.folder);
  }
}

// Help through the session: the English page of the program folder goes to
// the user's browser; without one nothing is opened and the user is told.
TEST(SessionCommands, HelpOpensTheLocalPage) {
  for (const bool withPage : {true, false}) {
    TSessionFixture f([withPage](test::TestProgram& p) {
      if (!withPage) return;
      std::filesystem::create_directories(p.Program() + "help/en");
      test::WriteFileBytes(p.Program() + "help/en/help_index.html", "<html></html>");
    });
    test::TRecordingOpener opener;
    f.session->Opener = &opener;
    f.session->BtnHelpClick();
    const std::vector<std::u16string> expected =
        withPage ? std::vector<std::u16string>{f.program.WProgram() + u"help/en/help_index.html"}
                 : std::vector<std::u16string>{};
    EXPECT_EQ(opener.files, expected) << withPage;
    const std::u16string told = MessageStrings.smCannotOpenHelp + u"\n" + f.program.WProgram() + u"help/";
    EXPECT_EQ(f.view.messages, withPage ? std::vector<std::u16string>{} : std::vector<std::u16string>{told});
    f.session->Opener = nullptr;
  }
}

// The close: at most 19 items of the query box saved and read back as they
// were; a failed save leaves what is there and the close goes on.
TEST(SessionCommands, FormCloseSavesTheQueryList) {
  auto items = [](int32_t n) {
    std::vector<std::u16string> list;
    for (int32_t i = 0; i < n; ++i) list.push_back(u"query " + platform::Utf8ToUtf16(std::to_string(i)));
    return list;
  };
  struct TCase {
    const char* name;
    std::vector<std::u16string> items;
    bool blocked;  // a folder where "query.dat" goes
    std::vector<std::u16string> readBack;
  } cases[] = {
      {"three", items(3), false, items(3)},
      {"nineteen", items(19), false, items(19)},
      {"twenty-five", items(25), false, items(19)},
      {"a line break inside an item", {u"one\r\ntwo", u"\u00e9t\u00e9 \U0001F600"}, false,
       {u"one  two", u"\u00e9t\u00e9 \U0001F600"}},
      {"blocked", items(3), true, {}},
  };
  for (const TCase& c : cases) {
    TSessionFixture f;
    TKestruneSession& s = *f.session;
    const std::u16string file = s.Config.BasesFolder + u"query.dat";
    if (c.blocked) std::filesystem::create_directories(platform::Utf16ToUtf8(file) + "/inside");
    int32_t updateStops = 0;
    s.Hooks.OnStopUpdateCheck = [&] { ++updateStops; };
    s.Entry.QueryItems = c.items;
    s.FormClose();
    std::vector<std::u16string> lines;
    EXPECT_EQ(ReadUnicodeLines(file, true, lines), !c.blocked) << c.name;
    EXPECT_EQ(lines, c.readBack) << c.name;
    if (c.blocked) {
      EXPECT_TRUE(std::filesystem::is_directory(platform::Utf16ToUtf8(file) + "/inside")) << c.name;
      EXPECT_NE(f.Log().find("The query list could not be saved"), std::string::npos) << c.name;
    }
    // The rest of the close ran either way.
    EXPECT_EQ(updateStops, 1) << c.name;
    EXPECT_TRUE(s.Run.StopRequested) << c.name;
    EXPECT_FALSE(f.view.Visible(TMainControl::IProgressBar1)) << c.name;
    EXPECT_EQ(f.view.Control(TMainControl::TntLabel1).Text, MessageStrings.smStopSearch) << c.name;
  }
}

// The query box's list reads only the lines of "query.dat" that are query
// texts; the others are dropped and counted.
TEST(WindowCommands, QueryFileKeepsOnlyQueryTexts) {
  const std::u16string longest(kMaxQueryLength, u'q');
  const struct {
    const char* name;
    std::u16string line;
    bool kept;
  } cases[] = {
      {"plain", u"new york -city", true},
      {"non-Latin with a pair", u"\u00e9t\u00e9 \U0001F600", true},
      {"as long as the box takes", longest, true},
      {"longer", longest + u"q", false},
      {"a tab", u"a\tb", false},
      {"a NUL", std::u16string(u"a\0b", 3), false},
      {"DEL", u"a\u007Fb", false},
      {"a C1 control", u"a\u0085b", false},
      {"a high surrogate alone", u"a\xD83D" u"b", false},
      {"a high surrogate at the end", u"ab\xD83D", false},
      {"a low surrogate alone", u"a\xDE00" u"b", false},
  };
  test::TempDir dir;
  std::u16string text;
  std::vector<std::u16string> kept;
  int32_t others = 0;
  for (const auto& c : cases) {
    EXPECT_EQ(IsQueryText(c.line), c.kept) << c.name;
    text += c.line + u"\r\n";
    if (c.kept) {
      kept.push_back(c.line);
    } else {
      ++others;
    }
  }
  test::WriteFileBytes(dir.File("query.dat"), test::Utf16Bytes(text, true));
  std::vector<std::u16string> items;
  int32_t dropped = -1;
  EXPECT_TRUE(ReadQueryFileItems(dir.WFile("query.dat"), items, dropped));
  EXPECT_EQ(items, kept);
  EXPECT_EQ(dropped, others);
  EXPECT_FALSE(ReadQueryFileItems(dir.WFile("missing.dat"), items, dropped));
  EXPECT_TRUE(items.empty());
}

// 3,000 random bytes in "query.dat": no garbage entry reaches the query
// box's list, the log says how many lines were dropped, and the next close
// does not keep them.
TEST(SessionCommands, ADamagedQueryHistoryKeepsOnlyItsQueryTexts) {
  std::string noise(3000, '\0');
  uint32_t seed = 10;
  for (char& c : noise) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
  TSessionFixture f([&](test::TestProgram& p) {
    std::filesystem::create_directories(p.UserData());
    test::WriteFileBytes(p.UserData() + "query.dat",
                         test::Utf16Bytes(u"first\r\n", true) + noise + test::Utf16Bytes(u"\r\nlast\r\n", false));
  });
  TKestruneSession& s = *f.session;
  ASSERT_GE(s.Entry.QueryItems.size(), 2u);
  EXPECT_EQ(s.Entry.QueryItems.front(), u"first");
  EXPECT_EQ(s.Entry.QueryItems.back(), u"last");
  for (const std::u16string& item : s.Entry.QueryItems) EXPECT_TRUE(IsQueryText(item));
  const std::string log = f.Log();
  EXPECT_NE(log.find("query.dat: dropped 1 line that is no query text"), std::string::npos) << log;
  s.FormClose();
  std::vector<std::u16string> lines;
  ASSERT_TRUE(ReadUnicodeLines(s.Config.BasesFolder + u"query.dat", true, lines));
  EXPECT_EQ(lines, s.Entry.QueryItems);
}

// Two windows at once, each searching and opening a project, closed in
// either order (one of them clears its history first): the query box's list
// and the recent queries and projects keep both windows' entries, the one
// closed last first, after them what the earlier run left that neither
// window dropped.
TEST(SessionCommands, TwoWindowsKeepEachOthersQueries) {
  using TList = std::vector<std::u16string>;
  const struct {
    const char* name;
    bool oneClosesFirst;
    bool oneClears;
    TList queries;   // query.dat, and the five recent queries
    TList projects;  // the recent projects
  } cases[] = {
      {"1 then 2", true, false, {u"two-b", u"two-a", u"one-a", u"old-1", u"old-2"}, {u"/p/2.kqp", u"/p/1.kqp", u"/p/old.kqp"}},
      {"2 then 1", false, false, {u"one-a", u"two-b", u"two-a", u"old-1", u"old-2"}, {u"/p/1.kqp", u"/p/2.kqp", u"/p/old.kqp"}},
      {"1 clears, 1 then 2", true, true, {u"two-b", u"two-a", u"one-a"}, {u"/p/2.kqp", u"/p/1.kqp"}},
      {"1 clears, 2 then 1", false, true, {u"one-a", u"two-b", u"two-a"}, {u"/p/1.kqp", u"/p/2.kqp"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestProgram program;
    LogFile.Open(program.Dir().WFile("kestrune.log"));
    // A window: the session created as the main window creates it.
    struct TWindow {
      test::TRecordingMainView view;
      test::TRecordingMapView map;
      std::unique_ptr<TKestruneSession> s;
    };
    std::vector<std::unique_ptr<TWindow>> windows;
    auto start = [&]() -> TKestruneSession* {
      auto& w = windows.emplace_back(std::make_unique<TWindow>());
      w->s = std::make_unique<TKestruneSession>(program.WProgram());
      w->s->ReadLanguageTable();
      w->s->Config.ReadStartupSettings();
      EXPECT_TRUE(w->s->Create(&w->view, &w->map, std::make_unique<test::TFakeSearchEngine>()));
      return w->s.get();
    };
    auto search = [](TKestruneSession& s, const std::u16string& query) {
      std::erase(s.Entry.QueryItems, query);
      s.Entry.QueryItems.insert(s.Entry.QueryItems.begin(), query);
      s.AddRecentQuery(query);
    };
    auto close = [](TKestruneSession& s) {
      s.FormClose();
      ASSERT_TRUE(s.Config.SaveSettings());
    };
    TKestruneSession* earlier = start();
    for (const char16_t* query : {u"old-2", u"old-1"}) search(*earlier, query);
    earlier->AddRecentProject(u"/p/old.kqp");
    close(*earlier);
    TKestruneSession* one = start();
    TKestruneSession* two = start();
    search(*two, u"two-a");
    if (c.oneClears) one->ClearHistory();
    search(*one, u"one-a");
    one->AddRecentProject(u"/p/1.kqp");
    search(*two, u"two-b");
    two->AddRecentProject(u"/p/2.kqp");
    close(c.oneClosesFirst ? *one : *two);
    close(c.oneClosesFirst ? *two : *one);

    TKestruneSession* third = start();
    EXPECT_EQ(third->Entry.QueryItems, c.queries);
    TList recent(third->Config.RecentQueries.begin(), third->Config.RecentQueries.end());
    TList projects(third->Config.RecentProjects.begin(), third->Config.RecentProjects.end());
    TList queries = c.queries;
    TList wantedProjects = c.projects;
    queries.resize(kRecentSlots);
    wantedProjects.resize(kRecentSlots);
    EXPECT_EQ(recent, queries);
    EXPECT_EQ(projects, wantedProjects);
    windows.clear();
    LogFile.Open(std::u16string());
  }
}

TEST(SessionCommands, FormCloseQueryAsksTheSaveQuestionFirst) {
  struct TCase {
    bool hook;
    bool keep;
    bool closes;
  } cases[] = {{false, false, true}, {true, false, true}, {true, true, false}};
  for (const TCase& c : cases) {
    TSessionFixture f;
    int32_t asked = 0;
    if (c.hook) f.session->Hooks.OnSaveQuestion = [&] { return ++asked, c.keep; };
    EXPECT_EQ(f.session->FormCloseQuery(), c.closes);
    EXPECT_EQ(asked, c.hook ? 1 : 0);
    EXPECT_EQ(f.session->Run.Closing, c.closes);
    EXPECT_EQ(f.Log().find("FormCloseQuery") != std::string::npos, c.closes);
  }
}

// Every mail goes through OnSendMail, each a new one: the page mailed twice
// gives one page each.
TEST(SessionCommands, MailsThroughOneHook) {
  TSessionFixture f;
  TKestruneSession& s = *f.session;
  struct TMail {
    std::vector<std::u16string> text;
    std::vector<std::u16string> files;
  };
  std::vector<TMail> mails;
  s.Hooks.OnSendMail = [&](ISendMail& mail) { mails.push_back({mail.Text(), mail.files()}); };
  auto joined = [](const std::vector<std::u16string>& lines) {
    std::u16string text;
    for (const std::u16string& line : lines) text += line + u"|";
    return platform::Utf16ToUtf8(text);
  };

  s.BtnSendmailClick(u"<html><head><title>t</title></head><body><p>First page &amp; more</p></body></html>");
  s.BtnSendmailClick(u"<html><body><p>Second page</p><p>line two</p></body></html>");
  ASSERT_EQ(mails.size(), 2u);
  EXPECT_NE(joined(mails[0].text).find("First page & more"), std::string::npos) << joined(mails[0].text);
  EXPECT_EQ(joined(mails[0].text).find("<p>"), std::string::npos);
  EXPECT_NE(joined(mails[1].text).find("Second page"), std::string::npos);
  EXPECT_NE(joined(mails[1].text).find("line two"), std::string::npos);
  EXPECT_EQ(joined(mails[1].text).find("First"), std::string::npos) << joined(mails[1].text);
  EXPECT_TRUE(mails[1].files.empty());

  // The map: its picture in the run's folder, attached; a picture that
  // cannot be written mails nothing.
  mails.clear();
  std::u16string written;
  s.BtnSendMapClick([&](std::u16string_view path) {
    written = path;
    test::WriteFileBytes(platform::Utf16ToUtf8(path), "jpeg");
    return true;
  });
  s.BtnSendMapClick([](std::u16string_view) { return false; });
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0].files, std::vector<std::u16string>{written});
  EXPECT_EQ(written.substr(written.size() - 8), u"/map.jpg");
  EXPECT_TRUE(std::filesystem::exists(platform::Utf16ToUtf8(written)));

  // "Tell a friend": the greeting, a gap, the first paragraph, a gap, the
  // links and the name.
  mails.clear();
  s.sfrendClick();
  ASSERT_EQ(mails.size(), 1u);
  const TMessageStrings& m = MessageStrings;
  EXPECT_EQ(mails[0].text, (std::vector<std::u16string>{m.smHello, u"", m.smMail1, u"", m.smMail2, m.smDownload,
                                                        m.smMail3, m.smKestrune}));
  s.Hooks.OnSendMail = nullptr;
}

// "Mail the page" reads the page with the window's parser, whose
// AnalysisMainBlock is the setting read when the window is created: on, a
// page with more than a little text is mailed as its main block only.
TEST(SessionCommands, MailedPageFollowsAnalysisMainBlock) {
  std::string article;
  for (int i = 0; i < 9; ++i) article += "Words of the article run on and on. ";
  std::string menu;
  for (int i = 0; i < 12; ++i) menu += "<div><a href=\"http://m.example/\">Menu</a></div>";
  const std::u16string longPage =
      platform::Utf8ToUtf16("<html><body>" + menu + "<p>" + article + "</p>" + menu + "</body></html>");
  const std::u16string shortPage = platform::Utf8ToUtf16(menu + "<p>Short text</p>");
  struct Case {
    const char* name;
    bool mainBlock;  // the stored setting
    const std::u16string& page;
    int menuLines;  // lines of the mail that are the menu's
    const char* kept;
  } cases[] = {
      {"off: the whole page", false, longPage, 24, "Words of the article"},
      {"on: the main block and the lines next to it", true, longPage, 5, "Words of the article"},
      {"off: a short page", false, shortPage, 12, "Short text"},
      {"on: a short page stays whole", true, shortPage, 12, "Short text"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f([&c](test::TestProgram&) {
      platform::SettingsStore store;
      ASSERT_TRUE(store.OpenKey(kSettingsKey, true));
      store.WriteBool("AnalysisMainBlock", c.mainBlock);
    });
    TKestruneSession& s = *f.session;
    EXPECT_EQ(s.VSHTMLParser.AnalysisMainBlock(), c.mainBlock);
    std::vector<std::vector<std::u16string>> mails;
    s.Hooks.OnSendMail = [&](ISendMail& mail) { mails.push_back(mail.Text()); };
    // Twice: the parser keeps nothing of the page before.
    s.BtnSendmailClick(c.page);
    s.BtnSendmailClick(c.page);
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[0], mails[1]);
    std::u16string body;
    for (const std::u16string& line : mails[0]) body += line + u"|";
    EXPECT_EQ(std::count(mails[0].begin(), mails[0].end(), u"Menu"), c.menuLines) << platform::Utf16ToUtf8(body);
    EXPECT_NE(body.find(platform::Utf8ToUtf16(c.kept)), std::u16string::npos) << platform::Utf16ToUtf8(body);
    s.Hooks.OnSendMail = nullptr;
  }
}

// The options dialog's reset: the project goes, the query's text comes back
// into the query box.
TEST(SessionCommands, ResetKeepQueryGivesTheTextBack) {
  TSessionFixture f;
  TKestruneSession& s = *f.session;
  const int32_t alpha = s.WordDictionary.AddWord(u"alpha", 0, -1);
  const int32_t beta = s.WordDictionary.AddWord(u"beta", 0, -1);
  IControlKeys& steps = s.ContentMap.Steps();
  steps.SetValue(kKindQuery, alpha, 1.0f, true);
  steps.SetValue(kKindExcluded, beta, kExcludedWeight, true);
  s.Project.Documents.resize(2);
  f.view.queryText = u"typed over";
  const int32_t pages = f.view.pagesWritten;
  static_cast<IOptionsHost&>(s).ResetKeepQuery();
  EXPECT_EQ(f.view.queryText, u"alpha -beta");
  EXPECT_TRUE(s.Project.Documents.empty());
  EXPECT_EQ(s.GetQueryText(), u"");
  EXPECT_GT(f.view.pagesWritten, pages);
}

// The match track bar sets what the ordering reads and the setting saved;
// its release rebuilds only a project with documents.
TEST(SessionCommands, TrackBars) {
  TSessionFixture f;
  TKestruneSession& s = *f.session;
  for (const int32_t position : {0, 1, 2, 7, -3}) {
    s.TrackBar3Change(position);
    const int32_t expected = std::clamp(position, 0, kMaxTrackPosExact);
    EXPECT_EQ(s.Config.MatchSetting, expected) << position;
    EXPECT_EQ(s.Config.Settings.TrackPosExact, expected) << position;
  }
  const int32_t pages = f.view.pagesWritten;
  s.TrackBar3MouseUp();
  EXPECT_EQ(f.view.pagesWritten, pages);  // no documents: nothing
  s.Project.Documents.resize(1);
  s.TrackBar3MouseUp();
  EXPECT_GT(f.view.pagesWritten, pages);
}

// "Tell a friend": shown at the start, hidden by Timer2; the animation plays
// only while it is hidden; the hover shows it once and it goes when the
// mouse is over neither it nor the plate.
TEST(WindowCommands, TellAFriendButton) {
  TFriendButton b;
  EXPECT_TRUE(b.Visible());
  EXPECT_FALSE(b.Timer3Timer());  // shown: no animation
  EXPECT_FALSE(b.MouseMoved(false, false));  // shown at the start, not by a hover
  EXPECT_TRUE(b.Visible());
  b.Timer2Timer();
  EXPECT_FALSE(b.Visible());
  EXPECT_TRUE(b.Timer3Timer());
  EXPECT_TRUE(b.Animating());
  struct TStep {
    const char* what;
    bool overButton, overPlate;
    bool hover;  // the mouse moved over the plate
    bool visible, hid;
  } steps[] = {
      {"over the plate", false, true, true, true, false},
      {"still over the plate", false, true, true, true, false},
      {"over the button", true, false, false, true, false},
      {"away", false, false, false, false, true},
      {"away again", false, false, false, false, false},
      {"over the plate again", false, true, true, true, false},
      {"away once more", false, false, false, false, true},
  };
  for (const TStep& step : steps) {
    if (step.hover) b.ibitmap14MouseMove();
    EXPECT_EQ(b.MouseMoved(step.overButton, step.overPlate), step.hid) << step.what;
    EXPECT_EQ(b.Visible(), step.visible) << step.what;
    if (step.hover) EXPECT_FALSE(b.Animating()) << step.what;
  }
}

}  // namespace
}  // namespace kestrune
