// The session's update check against the tests' loopback server: the
// check's record reaches the start page's news block through the view's
// queued call; titles and dates are escaped and only web links are links.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/connect_probe.h"
#include "platform/settings_store.h"
#include "search/page_modes.h"
#include "tests/app/session_fixture.h"
#include "tests/app/update_info_text.h"
#include "tests/support/loopback_http_server.h"

namespace kestrune {
namespace {

using namespace std::chrono_literals;
using test::HttpReply;
using test::Release;

std::string Item(const std::string& title, const std::string& link, const std::string& date) {
  return "<item><title>" + title + "</title><link>" + link + "</link><date:value>" + date + "</date:value></item>";
}

const std::u16string kDate = u"<p><span style=\"font-weight:bold; color:#888888;\">";

TEST(SessionUpdate, NewsReachesTheStartPagesNewsBlock) {
  struct TCase {
    const char* name;
    std::string items;
    bool newer;
    std::u16string block;  // "" : nothing handed over
  } cases[] = {
      {"no news, no update", "", false, u""},
      {"one item", Item("First", "https://example.org/a?b=1&amp;c=2", "1 May"), false,
       kDate + u"1 May</span><br><a href=\"https://example.org/a?b=1&amp;c=2\">First</a></p>"},
      {"a hostile title, a script link", Item("&lt;script&gt;x&lt;/script&gt;", "javascript:alert(1)", "\"d\""), false,
       kDate + u"&quot;d&quot;</span><br>&lt;script&gt;x&lt;/script&gt;</p>"},
      {"an update without news", "", true, MessageStrings.UpdateText(u"01.05.303.00")},
      {"four items: three shown", Item("1", "", "") + Item("2", "", "") + Item("3", "", "") + Item("4", "", ""),
       false, kDate + u"</span><br>1</p>" + kDate + u"</span><br>2</p>" + kDate + u"</span><br>3</p>"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScopedEnv noProxy("no_proxy", "*");
    test::LoopbackHttpServer server;
    test::TSessionFixture f;
    {
      platform::SettingsStore store;
      ASSERT_TRUE(store.OpenKey(kSettingsKey, true));
      store.WriteString(kUpdateServerValue, server.HostAndPort());
    }
    server.Route("/news.asp?lang=en", HttpReply::Text("<?xml version=\"1.0\"?><rss><channel>" + c.items +
                                                      "</channel></rss>"));
    const std::string same = test::UpdateInfoText({Release("1.5.302.0", "1.5.300.0", "Same", "p.zip", "1")});
    const std::string newer = test::UpdateInfoText({Release("1.5.303.0", "1.5.300.0", "New", "p.zip", "1")});
    server.Route(kUpdateInfoPath, HttpReply::Text(c.newer ? newer : same));
    TKestruneSession& s = *f.session;
    TConnectProbe probe;
    probe.TimeoutMs = 10000;
    s.Run.Probe = &probe;
    s.ShowResults(kEditNone, kPageModeChosen);
    ASSERT_EQ(s.Results.LastPageMode, kPageModeNoQuery);
    const int32_t pagesBefore = f.view.pagesWritten;
    s.Update.MakeUpdateCheck().SetFileVersion("1.5.302.0");
    s.Update.UpdateCheck->TimeoutMs = 10000;
    s.Update1Click();
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (!s.Update.UpdateCheck->CheckDone && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(2ms);
    ASSERT_TRUE(s.Update.UpdateCheck->CheckDone);
    s.StopUpdateCheck();
    f.view.RunAllQueued();
    EXPECT_EQ(s.Results.PageResults.NewsString, c.block);
    EXPECT_EQ(f.view.pagesWritten, pagesBefore + (c.block.empty() ? 0 : 1));
    s.Run.Probe = nullptr;
  }
}

// A news link on a command host of the page is written as plain text, as a
// link of another scheme is; the title stays.
TEST(SessionUpdate, NewsLinksToCommandHostsAreNoLinks) {
  const struct {
    const char* link;
    bool linked;
  } cases[] = {
      {"https://example.org/news/1", true},
      {"http://kestrunesendlastquery/1", false},
      {"http://kestrunelastproject/0", false},
      {"HTTP://KESTRUNEADDTOHISTORY/", false},
      {"http://help/", false},
      {"http:query/2", false},
      {"http://query.example.org/2", true},
      {"ftp://example.org/", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.link);
    const std::u16string link = platform::Utf8ToUtf16(c.link);
    const std::u16string html = TUpdateUnit::NewsBlockHtml({{u"Title", link, u"1 May"}}, false, u"");
    EXPECT_EQ(html, kDate + u"1 May</span><br>" +
                        (c.linked ? u"<a href=\"" + link + u"\">Title</a></p>" : std::u16string(u"Title</p>")));
  }
}

}  // namespace
}  // namespace kestrune
