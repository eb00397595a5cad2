// The page's command links performed on the recording fakes: scripted clicks
// and what they leave in the session (page, scroll anchor, view, marks,
// counters, keys) and in the fakes (reloads, opened links, popups).
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tests/app/page_session.h"

namespace kestrune {
namespace {

using test::TPageSession;

// Runs one step: "docs:<n>" (n documents "http://dI/" with "alpha wI"),
// "urls:<host>,<host>..." (such documents "http://<host>/I"),
// "query:<words>", "order" (the map rebuilt), "click:<link in the template
// folder>", "web:<url>", "loaded" (the browser reloaded its document),
// "answer:<n>" (the next message box's answer), "busy" (a search runs),
// "view:<n>", "mark:<doc>=<mark>", "stop:<word>" (a stop word), "scope:<words>",
// "engine:<name>".
void RunStep(TPageSession& f, const std::string& step) {
  TKestruneSession& s = f.S();
  const size_t colon = step.find(':');
  const std::string verb = step.substr(0, colon);
  const std::string arg = colon == std::string::npos ? "" : step.substr(colon + 1);
  if (verb == "docs") {
    std::vector<test::TDoc> docs;
    for (int32_t i = 0; i < std::stoi(arg); ++i) {
      docs.push_back({"http://d" + std::to_string(i) + "/", u"alpha w" + platform::Utf8ToUtf16(std::to_string(i))});
    }
    test::AddDocuments(s, docs);
  } else if (verb == "urls") {
    // Documents "http://<host>/<i>" of the comma-separated hosts.
    std::vector<test::TDoc> docs;
    std::istringstream hosts(arg);
    for (std::string host; std::getline(hosts, host, ',');) {
      const std::string i = std::to_string(docs.size());
      docs.push_back({"http://" + host + "/" + i, u"alpha w" + platform::Utf8ToUtf16(i)});
    }
    test::AddDocuments(s, docs);
  } else if (verb == "query") {
    test::SetWords(s, kKindQuery, platform::Utf8ToUtf16(arg));
  } else if (verb == "order") {
    s.ContentMapReGenerate();
  } else if (verb == "click") {
    EXPECT_FALSE(f.Click(arg));
  } else if (verb == "web") {
    EXPECT_FALSE(s.EmbeddedWB1BeforeNavigate2(arg));
  } else if (verb == "loaded") {
    f.Loaded();
  } else if (verb == "answer") {
    f.view.messageAnswer = std::stoi(arg);
  } else if (verb == "busy") {
    ++s.Run.SearchRun.Depth;
  } else if (verb == "view") {
    s.Results.ViewMode = std::stoi(arg);
  } else if (verb == "mark") {
    const size_t eq = arg.find('=');
    s.ContentMap.Steps().SetValue(kKindMarks, std::stoi(arg.substr(0, eq)), std::stof(arg.substr(eq + 1)), true);
    s.RebuildMarkCounters();
  } else if (verb == "stop") {
    s.MakeStopWord(test::WordId(s, platform::Utf8ToUtf16(arg)));
  } else if (verb == "scope") {
    std::vector<int32_t> ids = test::WordIds(s, platform::Utf8ToUtf16(arg));
    TNNKeys keys;
    for (int32_t id : ids) keys.push_back({id, 1.0f});
    s.Project.Scope.Add(keys, {});
  } else if (verb == "engine") {
    s.Config.Settings.website = arg;
  }
}

std::string Summary(TPageSession& f) {
  TKestruneSession& s = f.S();
  std::string urls;
  for (const std::u16string& url : f.opener.urls) urls += platform::Utf16ToUtf8(url) + "|";
  std::string files;
  for (const std::u16string& file : f.opener.files) files += platform::Utf16ToUtf8(file) + "|";
  std::string stops;
  for (const std::u16string& word : s.Project.StopWords) stops += platform::Utf16ToUtf8(word) + "|";
  std::string favorites;
  for (const TMetaSearchList& document : s.Project.Documents) {
    if (document.Flags & 1) favorites += document.Url + "|";
  }
  const TControlKeyLists& step = s.ContentMap.Steps().GetCurrent();
  std::string scopeCells;
  for (const TControlKeyCell& cell : step[10]) scopeCells += std::to_string(cell.ScopeWords.size()) + "|";
  std::string k9;
  for (const TControlKeyCell& cell : step[9]) k9 += std::to_string(static_cast<int32_t>(cell.Key.Weight)) + "|";
  return ";page=" + std::to_string(s.Results.ResultPageNumber) + ";anchor=" + platform::Utf16ToUtf8(f.view.scrolledTo) +
         ";reloads=" + std::to_string(f.view.reloads) + ";written=" + std::to_string(f.view.pagesWritten) +
         ";mode=" + std::to_string(s.Results.LastPageMode) + ";view=" + std::to_string(s.Results.ViewMode) +
         ";removed=" + std::to_string(s.Project.Counters.RemovedLinks) + ";hidden=" + std::to_string(s.Project.Counters.HiddenSites) +
         ";marks=" + test::MarksText(s) + ";favs=" + favorites + ";allfav=" + std::to_string(s.Project.Counters.AllFavoriteLinks) +
         ";urls=" + urls + ";files=" + files + ";stop=" + stops + ";k0=" + test::KeysText(s, kKindQuery) +
         ";k1=" + test::KeysText(s, kKindExcluded) + ";k9=" + k9 + ";scopes=" + std::to_string(s.Project.Scope.Count()) +
         ";k10=" + scopeCells + ";listed=" + std::to_string(s.Results.PageList.size()) +
         ";docs=" + std::to_string(s.Project.Documents.size()) + ";popups=" + std::to_string(f.view.popups.size()) +
         ";asked=" + std::to_string(f.view.messages.size()) + ";";
}

TEST(SessionPageCommands, ScriptedClicks) {
  struct Case {
    std::vector<std::string> script;
    const char* expected;
  } cases[] = {
      // Excluding the context of entry 10 shows page 1 scrolled to entry 9;
      // of entry 0, page 1 at the top.
      {{"docs:12", "query:alpha", "order", "click:ExcludeContextFile10", "loaded"},
       "page=1;anchor=http://d9/;reloads=1;removed=1;marks=http://d10/=-1;listed=11;mode=5"},
      {{"docs:12", "query:alpha", "order", "click:ExcludeContextFile0", "loaded"},
       "page=1;anchor=;reloads=1;removed=1;marks=http://d0/=-1"},
      // A page link, and the entry edited: pending builds that the reloaded
      // document performs.
      {{"docs:12", "query:alpha", "order", "click:toPage2"}, "page=2;reloads=1;written=0"},
      {{"docs:12", "query:alpha", "order", "click:toPage2", "loaded"}, "page=2;written=1;mode=5"},
      {{"docs:12", "query:alpha", "order", "click:EditLink3", "loaded"}, "anchor=http://d3/;written=1"},
      // Favourites: the flag, the counters, the page of the entry.
      {{"docs:12", "query:alpha", "order", "click:AddToFavorites11", "loaded"},
       "page=2;anchor=http://d11/;favs=http://d11/|;allfav=1"},
      {{"docs:3", "query:alpha", "order", "click:AddToFavorites1", "click:DeleteFromFavorites1"},
       "favs=;allfav=0;anchor="},
      // Restoring the last removed link returns to the normal view on page
      // 1; one of two stays in the view.
      {{"docs:3", "query:alpha", "mark:1=-1", "view:1", "order", "click:RestoreLink0"},
       "page=1;view=0;removed=0;marks=;mode=5;listed=3;written=1"},
      {{"docs:3", "query:alpha", "mark:1=-1", "mark:2=-3", "view:1", "order", "click:RestoreLink1"},
       "view=1;removed=1;marks=http://d1/=-1 http://d2/=-2;reloads=1"},
      // Restoring entry 10 of twelve shows page 1, scrolled to entry 9.
      {{"docs:13", "query:alpha", "mark:0=-1", "mark:1=-1", "mark:2=-1", "mark:3=-1", "mark:4=-1", "mark:5=-1", "mark:6=-1",
        "mark:7=-1", "mark:8=-1", "mark:9=-1", "mark:10=-1", "mark:11=-1", "view:1", "order", "click:RestoreLink10",
        "loaded"},
       "page=1;anchor=http://d9/;view=1;removed=11;listed=11"},
      // Restoring a site scrolls to the entry before it as the page showed
      // it, though the rebuild drops the site's earlier entries.
      {{"urls:b,a,b,c", "query:alpha", "mark:0=-2", "mark:1=-2", "mark:2=-2", "mark:3=-2", "view:2", "order",
        "click:RestoreSite2", "loaded"},
       "page=1;anchor=http://a/1;view=2;hidden=2;listed=2;marks=http://a/1=-2 http://c/3=-2"},
      // Views.
      {{"docs:3", "query:alpha", "order", "click:news_links"}, "view=3;mode=9;page=1"},
      {{"docs:3", "query:alpha", "view:3", "order", "click:GoToNormal"}, "view=0;mode=5"},
      // Deleting removed links asks first.
      {{"docs:3", "query:alpha", "mark:1=-1", "answer:7", "click:delete_all_excluded_links"},
       "asked=1;docs=3;removed=1"},
      {{"docs:3", "query:alpha", "mark:1=-1", "view:1", "answer:6", "click:delete_all_excluded_links"},
       "asked=1;docs=2;removed=0;view=0;marks=;mode=5"},
      // Words: added and excluded from the page.
      {{"docs:3", "click:blank.html?addquery=alpha+-w1"}, "k0=alpha=1;k1=w1=-10000"},
      {{"docs:3", "query:alpha", "order", "click:ExcludeWord_w2"}, "k0=alpha=1;k1=w2=-10000"},
      // Stop words: the page, and one taken back (kept in kind 9 for Undo).
      {{"docs:3", "query:alpha", "stop:w1", "click:show_stop_words"}, "view=6;stop=w1|"},
      {{"docs:3", "query:alpha", "stop:w1", "stop:w2", "click:reanimate_stop_word0"}, "stop=w2|;k9=-1|"},
      // Scopes: added with the snapshots of Undo, selected without a download.
      {{"docs:3", "query:alpha", "web:http://kestruneaddtohistory/"}, "scopes=1;k10=1|;mode=5"},
      {{"docs:3", "query:alpha", "scope:w1", "web:http://query/0"}, "k0=w1=1;scopes=1"},
      {{"docs:3", "query:alpha", "scope:w1", "web:http://contextmenuscope/0"}, "popups=1"},
      {{"docs:3", "web:http://contextmenuannotation/alpha"}, "popups=1"},
      // Numbers outside their lists do nothing.
      {{"docs:12", "query:alpha", "order", "click:toPage3"}, "reloads=0;page=1"},
      {{"docs:3", "query:alpha", "order", "click:ExcludeContextFile3"}, "removed=0;marks="},
      {{"docs:3", "click:reanimate_stop_word0", "web:http://query/0", "web:http://kestrunesendlastquery/0"},
       "k0=;written=0"},
      // Web links open outside and the page stays, also one that holds a
      // command's keyword; while a search runs only they act.
      {{"docs:3", "web:http://example.org/old_links?toPage=2"}, "urls=http://example.org/old_links?toPage=2|;written=0"},
      {{"docs:12", "query:alpha", "order", "busy", "click:toPage2", "web:https://example.org/"},
       "reloads=0;urls=https://example.org/|"},
      {{"docs:3", "web:javascript:location='http://query/0'"}, "urls=;written=0"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    TPageSession f;
    for (const std::string& step : c.script) RunStep(f, step);
    const std::string summary = Summary(f);
    std::istringstream fields(c.expected);
    for (std::string field; std::getline(fields, field, ';');) {
      EXPECT_NE(summary.find(";" + field + ";"), std::string::npos) << field << " in " << summary;
    }
  }
}

// Row 2 alone opens only documents: the type of a regular file without an
// execute bit decides; other files are refused, a missing one goes to the
// browser as it came.
TEST(SessionPageCommands, DesktopRedirectsOpenOnlyDocuments) {
  const struct {
    const char* file;
    bool opened;
  } cases[] = {
      {"notes.txt", true}, {"paper.pdf", true},   {"photo.png", true},  {"tool.jar", false},
      {"setup.exe", false}, {"run.sh", false},    {"page.html", false}, {"drawing.svg", false},
      {"unknown", false},
  };
  TPageSession f;
  TKestruneSession& s = f.S();
  s.Config.Settings.website = "Local Search";
  const std::string folder = f.program.Dir().Path();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    test::WriteFileBytes(folder + c.file, "x");
    f.opener.files.clear();
    f.opener.urls.clear();
    EXPECT_FALSE(s.EmbeddedWB1BeforeNavigate2("http://127.0.0.1:4664/redir?url=file%3A%2F%2F" + folder + c.file));
    EXPECT_EQ(f.opener.files.size(), c.opened ? 1u : 0u);
    EXPECT_TRUE(f.opener.urls.empty());
  }
}

// An engine's result or a user's document whose address uses a command host
// of the page is refused: a click on it could never run the command.
TEST(SessionPageCommands, AddressesWithCommandHostsAreNoDocuments) {
  const struct {
    const char* url;
    bool kept;
  } cases[] = {
      {"http://kestrunedeletefromhistory/0", false},
      {"http://query/1", false},
      {"http://kestrunelastproject/0", false},
      {"http://kestruneaddtohistory/", false},
      {"http://kestrunesendlastquery/0", false},
      {"http://contextmenuscope/0", false},
      {"HTTP://Query/0", false},
      {"http://user@query:80/0", false},
      {"http:\\\\query\\0", false},
      {"http://%71uery/0", false},
      {"http://query./0", false},
      {"http://query.example.com/0", true},
      {"http://example.com/query/0", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    TPageSession f;
    TKestruneSession& s = f.S();
    TMetaSearchList command, plain;
    command.Url = c.url;
    command.Title = u"alpha found";
    plain.Url = "http://plain.example/";
    plain.Title = u"alpha plain";
    f.engine->results = {command, plain};
    f.view.queryText = u"alpha";
    f.view.Control(TMainControl::IComboBox1).Visible = true;
    s.QueryKeyUp(13);
    f.view.RunAllQueued();
    EXPECT_EQ(s.DocumentOfUrl(c.url) >= 0, c.kept);
    EXPECT_GE(s.DocumentOfUrl("http://plain.example/"), 0);
    // Clicking every document of the page deletes no scope.
    for (int32_t e = 0; e < static_cast<int32_t>(s.Results.PageList.size()); ++e) {
      s.EmbeddedWB1BeforeNavigate2(s.Results.PageList[static_cast<size_t>(e)].Url);
    }
    EXPECT_EQ(s.Project.Scope.Count(), 1);
    const std::u16string url = platform::Utf8ToUtf16(c.url);
    EXPECT_EQ(s.AddUserDocument(-1, url + u"x", u"mine", u"") == 0, c.kept);
  }
}

// A removed-document link of the map on a hidden document keeps it hidden
// and counts it as removed.
TEST(SessionPageCommands, ARemovedDocumentLinkKeepsTheHiddenSite) {
  const struct {
    float mark, markAfter;
    int32_t removed, hidden;
  } cases[] = {
      {0, -1, 1, 0},
      {-1, -1, 1, 0},
      {-2, -3, 1, 1},
      {-3, -3, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mark);
    TPageSession f;
    TKestruneSession& s = f.S();
    test::AddDocuments(s, {{"http://site.example/a", u"alpha"}, {"http://other.example/b", u"alpha"}});
    test::SetWords(s, kKindQuery, u"alpha");
    if (c.mark != 0) {
      s.ContentMap.Steps().SetValue(kKindMarks, 0, c.mark, true);
      s.RebuildMarkCounters();
    }
    f.Click("cmap_announce_doc_remove0");
    EXPECT_EQ(test::MarksText(s), "http://site.example/a=" + std::to_string(static_cast<int32_t>(c.markAfter)));
    EXPECT_EQ(s.Project.Counters.RemovedLinks, c.removed);
    EXPECT_EQ(s.Project.Counters.HiddenSites, c.hidden);
    EXPECT_EQ(s.Project.HiddenSites.size(), static_cast<size_t>(c.hidden));
  }
}

TEST(SessionPageCommands, DesktopRedirectsOpenOnlyPlainFiles) {
  TPageSession f;
  TKestruneSession& s = f.S();
  s.Config.Settings.website = "Google Desktop";
  const std::string folder = f.program.Dir().Path();
  test::WriteFileBytes(folder + "a b.pdf", "x");
  test::WriteFileBytes(folder + "run.sh", "x");
  std::filesystem::permissions(folder + "run.sh", std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
  test::WriteFileBytes(folder + "evil.desktop", "x");
  const std::string redirect = "http://127.0.0.1:4664/redir?url=file%3A%2F%2F";
  for (const char* name : {"a%20b.pdf", "run.sh", "evil.desktop"}) {
    EXPECT_FALSE(s.EmbeddedWB1BeforeNavigate2(redirect + folder + name + "&src=1"));
  }
  ASSERT_EQ(f.opener.files.size(), 1u);
  EXPECT_EQ(platform::Utf16ToUtf8(f.opener.files[0]), folder + "a b.pdf");
  // A target that names no file goes to the browser as it came.
  EXPECT_FALSE(s.EmbeddedWB1BeforeNavigate2("http://127.0.0.1:4664/redir?url=http%3A%2F%2Fexample.org%2F"));
  ASSERT_EQ(f.opener.urls.size(), 1u);

  std::u16string mailed;
  s.Hooks.OnMailTo = [&](std::u16string_view address) { mailed = address; };
  EXPECT_FALSE(s.EmbeddedWB1BeforeNavigate2("mailto:friend%40example.org"));
  EXPECT_EQ(mailed, u"friend@example.org");
  int32_t helps = 0;
  s.Hooks.OnHelp = [&] { ++helps; };
  ++s.Run.SearchRun.Depth;
  EXPECT_FALSE(s.EmbeddedWB1BeforeNavigate2("http://help/"));
  EXPECT_EQ(helps, 1);
  EXPECT_TRUE(s.EmbeddedWB1BeforeNavigate2("about:blank"));
}

}  // namespace
}  // namespace kestrune
