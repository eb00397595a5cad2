// The recent queries and projects, their blocks on the start page, and where
// the start page comes from.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/message_strings.h"
#include "tests/app/session_fixture.h"

namespace kestrune {
namespace {

using test::TSessionFixture;

std::string Joined(const std::array<std::u16string, kRecentSlots>& list) {
  std::string text;
  for (const std::u16string& entry : list) text += platform::Utf16ToUtf8(entry) + "|";
  return text;
}

TEST(SessionRecent, RecentListsAndTheirBlocks) {
  const struct {
    const char* name;
    std::vector<std::u16string> added;
    const char* list;       // the entries afterwards
    const char* inBlock;    // a piece of the block; "" when there is none
    const char* notInBlock = nullptr;
  } cases[] = {
      {"a duplicate in another case moves up", {u"alpha", u"beta", u"gamma", u"ALPHA"}, "ALPHA|gamma|beta|||",
       "<li style=\"list-style-type:square;\"><A href=\"http://kestrunesendlastquery/0\">ALPHA</a></li>"},
      {"a sixth drops the last", {u"q1", u"q2", u"q3", u"q4", u"q5", u"q6"}, "q6|q5|q4|q3|q2|",
       "kestrunesendlastquery/4\">q2</a>", "q1"},
      {"the same again stays one", {u"q1", u"q2", u"q2"}, "q2|q1||||", "kestrunesendlastquery/1\">q1</a></li></ul><br>"},
      {"empty adds nothing", {u""}, "|||||", ""},
      {"a hostile entry is escaped", {u"<script>alert(\"$cmap_scope\")</script>"},
       "<script>alert(\"$cmap_scope\")</script>|||||", "&lt;script&gt;", "<script>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f;
    TKestruneSession& s = *f.session;
    for (const std::u16string& query : c.added) s.AddRecentQuery(query);
    EXPECT_EQ(Joined(s.Config.RecentQueries), c.list);
    const std::string block = platform::Utf16ToUtf8(s.Results.PageResults.LastQueryHtml);
    if (*c.inBlock == '\0') {
      EXPECT_EQ(block, "");
    } else {
      EXPECT_EQ(block.rfind("<li>" + platform::Utf16ToUtf8(MessageStrings.smTheLatestSearchQueries) + "</li><ul>", 0),
                0u) << block;
      EXPECT_NE(block.find(c.inBlock), std::string::npos) << block;
    }
    if (c.notInBlock) EXPECT_EQ(block.find(c.notInBlock), std::string::npos) << block;
  }
}

// A project shows its file name without folder and extension; empty slots
// between entries keep their numbers.
TEST(SessionRecent, ProjectsShowTheirFileNames) {
  std::array<std::u16string, kRecentSlots> projects = {u"/home/u/My <i>project.kqp", u"", u"C:\\Work\\a.b.kqp",
                                                       u"plain", u""};
  const std::string block = platform::Utf16ToUtf8(TKestruneSession::RecentProjectsHtml(projects));
  for (const char* item : {"\"http://kestrunelastproject/0\">My &lt;i&gt;project</a>",
                           "\"http://kestrunelastproject/2\">a.b</a>", "\"http://kestrunelastproject/3\">plain</a>"}) {
    EXPECT_NE(block.find(item), std::string::npos) << item << "\n" << block;
  }
  EXPECT_EQ(block.find("kestrunelastproject/1"), std::string::npos);
  EXPECT_EQ(TKestruneSession::RecentProjectsHtml({}), u"");
}

// The start page is "blank.html" of the language's template folder, with both
// blocks; a folder that is missing, has no such page, or is not one plain
// folder name gives the English page, and the result pages keep the
// language's own folder.
TEST(SessionRecent, StartPageFallsBackToEnglish) {
  const struct {
    const char* name;
    const char* langFolder;
    const char* pageIn;  // the folder under the program folder holding a blank.html besides templates/en
    const char* shown;
  } cases[] = {
      {"the language's page", "xx", "templates/xx", "xx page"},
      {"a missing language folder", "xx", nullptr, "en page"},
      {"no blank.html in the language's folder", "xx", "templates/xx/sub", "en page"},
      {"a folder outside the templates", "../x", "x", "en page"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f([&](test::TestProgram& p) {
      test::WriteFileBytes(p.Program() + "templates/en/blank.html", "en page $cmap_last_query $cmap_last_project");
      std::filesystem::create_directories(p.Program() + "templates/xx");
      if (c.pageIn) {
        std::filesystem::create_directories(p.Program() + c.pageIn);
        test::WriteFileBytes(p.Program() + c.pageIn + "/blank.html", std::string(c.langFolder) == "xx" ? "xx page" : "x page");
      }
      if (!c.pageIn) std::filesystem::remove_all(p.Program() + "templates/xx");
    });
    TKestruneSession& s = *f.session;
    s.Start.LngHeaders.push_back({"Other", 1049, 1251, "", c.langFolder, "other.lng"});
    s.Config.InterfaceLang = 1049;
    s.Config.RecentQueries[0] = u"kestrel";
    s.Config.RecentProjects[0] = u"/p/Birds.kqp";
    s.ShowStartPage();
    const std::string page = platform::Utf16ToUtf8(f.view.page);
    EXPECT_EQ(page.rfind(c.shown, 0), 0u) << page;
    if (std::string(c.shown) == "en page") {
      EXPECT_NE(page.find("kestrunesendlastquery/0\">kestrel<"), std::string::npos) << page;
      EXPECT_NE(page.find("kestrunelastproject/0\">Birds<"), std::string::npos) << page;
    }
    EXPECT_EQ(s.Results.PageResults.TemplatePath(), platform::Utf16ToUtf8(s.Config.TemplateFolder()));
    EXPECT_EQ(s.Results.LastPageMode, 6);
  }
}

// A project the manager renamed or moved (or that lay in a folder it
// renamed or moved) keeps its place under its new path; an entry that named
// what a move replaced goes; a start page on the screen shows the list again.
TEST(SessionRecent, RenamesAndMovesInTheManagerKeepAProjectsPlace) {
  const std::array<std::u16string, kRecentSlots> before = {u"/p/a.kqp", u"/p/Old/b.kqp", u"/p/c.kqp",
                                                           u"/p/Older/e.kqp", u"/q//d.kqp"};
  const struct {
    const char* name;
    const char16_t* from;
    const char16_t* to;
    const char* list;
    const char* shown;  // a link of the start page afterwards
  } cases[] = {
      {"a project renamed", u"/p/a.kqp", u"/p/z.kqp", "/p/z.kqp|/p/Old/b.kqp|/p/c.kqp|/p/Older/e.kqp|/q//d.kqp|",
       "kestrunelastproject/0\">z<"},
      {"a project moved into a folder", u"/p/c.kqp", u"/p/Old/c.kqp",
       "/p/a.kqp|/p/Old/b.kqp|/p/Old/c.kqp|/p/Older/e.kqp|/q//d.kqp|", "kestrunelastproject/2\">c<"},
      {"its folder renamed", u"/p/Old/", u"/p/New", "/p/a.kqp|/p/New/b.kqp|/p/c.kqp|/p/Older/e.kqp|/q//d.kqp|",
       "kestrunelastproject/1\">b<"},
      {"a path written otherwise", u"/q/d.kqp", u"/p/d.kqp", "/p/a.kqp|/p/Old/b.kqp|/p/c.kqp|/p/Older/e.kqp|/p/d.kqp|",
       "kestrunelastproject/4\">d<"},
      {"a move that replaced a listed project", u"/p/a.kqp", u"/p/c.kqp",
       "/p/c.kqp|/p/Old/b.kqp|/p/Older/e.kqp|/q//d.kqp||", "kestrunelastproject/3\">d<"},
      {"another item", u"/p/x.kqp", u"/p/y.kqp", "/p/a.kqp|/p/Old/b.kqp|/p/c.kqp|/p/Older/e.kqp|/q//d.kqp|", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f([](test::TestProgram& p) {
      test::WriteFileBytes(p.Program() + "templates/en/blank.html", "$cmap_last_project");
    });
    TKestruneSession& s = *f.session;
    s.Config.RecentProjects = before;
    s.ShowStartPage();
    const std::u16string page = f.view.page;
    s.FollowMovedProjects(c.from, c.to);
    EXPECT_EQ(Joined(s.Config.RecentProjects), c.list);
    if (!c.shown) {
      EXPECT_EQ(f.view.page, page);
      continue;
    }
    const std::string shown = platform::Utf16ToUtf8(f.view.page);
    EXPECT_NE(shown.find(c.shown), std::string::npos) << shown;
  }
}

}  // namespace
}  // namespace kestrune
