// The result view's state across a new project, and the window's hooks that
// the page's links reach.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/app/page_session.h"

namespace kestrune {
namespace {

using test::TPageSession;

// Whatever page state the last project left, New query starts from none: no
// stale anchor, build, cluster, view or page entries reaches the next page.
TEST(ResultView, ANewProjectLeavesNoPageStateBehind) {
  struct Case {
    const char* name;
    std::function<void(TKestruneSession&)> plant;
    std::function<void(TPageSession&)> check;
  } cases[] = {
      {"a pending build is not performed by the next loaded document",
       [](TKestruneSession& s) { s.Results.PendingBuild = {true, 1, 0}; },
       [](TPageSession& f) {
         const int32_t written = f.view.pagesWritten;
         f.S().EmbeddedWB1DocumentComplete();
         EXPECT_EQ(f.view.pagesWritten, written);
         EXPECT_FALSE(f.S().Results.PageNotWritten);
       }},
      {"the next page scrolls to no old document",
       [](TKestruneSession& s) { s.Results.ScrollAnchor = "http://d0/"; },
       [](TPageSession& f) {
         EXPECT_NE(f.view.scrolledTo, u"http://d0/");
         f.S().ShowResults(kEditNone, kPageModeChosen);
         EXPECT_EQ(f.view.scrolledTo, u"");
       }},
      {"no page entry names an old document",
       [](TKestruneSession& s) { s.Results.PageDocumentIds = {1, 0}; },
       [](TPageSession& f) { EXPECT_TRUE(f.S().Results.PageList.empty()); }},
      {"no cluster of the old project stays selectable",
       [](TKestruneSession& s) { s.Results.ClusterTable.emplace_back(); },
       [](TPageSession& f) { EXPECT_TRUE(f.S().Results.ClusterTable.empty()); }},
      {"the normal view's page follows",
       [](TKestruneSession& s) { s.Results.ViewMode = kViewOldLinks; },
       [](TPageSession& f) {
         f.S().ShowResults(kEditNone, kPageModeChosen);
         EXPECT_EQ(f.S().Results.ViewMode, kViewNormal);
         EXPECT_NE(f.S().Results.LastPageMode, PageModeOfView(kViewOldLinks));
       }},
      {"the empty refreshes count again from the new project's first page",
       [](TKestruneSession& s) { s.Results.EmptyRefreshes = 2; },
       [](TPageSession& f) { EXPECT_LE(f.S().Results.EmptyRefreshes, 1); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPageSession f;
    TKestruneSession& s = f.S();
    test::AddDocuments(s, {{"http://d0/", u"alpha beta"}, {"http://d1/", u"alpha gamma"}});
    test::SetWords(s, kKindQuery, u"alpha");
    s.ContentMapReGenerate();
    c.plant(s);
    s.IBitmapButtonNewClick();
    f.view.RunAllQueued();
    c.check(f);
  }
}

// Each of the page's links that the window serves reaches its own hook once
// and no other, and is refused as a navigation.
TEST(ResultView, EachPageLinkReachesItsOwnHook) {
  enum Hook { kUpdate, kProject, kHelp, kMail, kHookCount };
  struct Case {
    const char* name;
    std::string url;  // "$folder/" stands for the template folder's address
    Hook hook;
  } cases[] = {
      {"the update link", "$folder/$update_link", kUpdate},
      {"a recent project", "http://kestrunelastproject/1", kProject},
      {"help", "http://help/", kHelp},
      {"a mail address", "mailto:friend%40example.org", kMail},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPageSession f;
    TKestruneSession& s = f.S();
    s.Config.RecentProjects[1] = u"/home/user/projects/one.kqp";
    std::string url = c.url;
    if (url.rfind("$folder/", 0) == 0) url = s.PageUrlContext().TemplateFolderUrl + url.substr(8);

    int32_t calls[kHookCount] = {};
    std::u16string argument;
    s.Hooks.OnShowUpdateForm = [&] { ++calls[kUpdate]; };
    s.Hooks.OnOpenProject = [&](std::u16string_view path) {
      ++calls[kProject];
      argument = path;
    };
    s.Hooks.OnHelp = [&] { ++calls[kHelp]; };
    s.Hooks.OnMailTo = [&](std::u16string_view address) {
      ++calls[kMail];
      argument = address;
    };
    EXPECT_FALSE(s.EmbeddedWB1BeforeNavigate2(url));
    for (int32_t h = 0; h < kHookCount; ++h) EXPECT_EQ(calls[h], h == c.hook ? 1 : 0) << h;
    if (c.hook == kProject) EXPECT_EQ(argument, u"/home/user/projects/one.kqp");
    if (c.hook == kMail) EXPECT_EQ(argument, u"friend@example.org");
  }
}

}  // namespace
}  // namespace kestrune
