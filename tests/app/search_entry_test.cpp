// Scripted search entries on the recording fakes.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "core/message_strings.h"
#include "tests/app/session_fixture.h"

namespace kestrune {
namespace {

using test::TSessionFixture;
using test::TestProgram;

// Runs one step of a script: "type:<text>" (the query box's text, then the
// entry), "button:<text>" (the search button), "edit:<word>" (the word is
// being edited), "answer:<n>" (the change-engine question's answer),
// "engine:<item>" (the engine box), "view" (the excluded-words view),
// "document" (the project holds a document), "scope:<word>" (the map shows
// a scope of that word in no-query mode), "entry" (the query box opened at a
// point of the map with the second search button), "new" (New query).
void RunStep(TSessionFixture& f, const std::string& step) {
  TKestruneSession& s = *f.session;
  const size_t colon = step.find(':');
  const std::string verb = step.substr(0, colon);
  const std::u16string arg = colon == std::string::npos ? u"" : platform::Utf8ToUtf16(step.substr(colon + 1));
  if (verb == "type" || verb == "button") {
    f.view.queryText = arg;
    f.view.Control(TMainControl::IComboBox1).Visible = true;
    verb == "type" ? s.QueryKeyUp(13) : s.BBtnSearchClick();
  } else if (verb == "edit") {
    TWordVariant hit;
    ASSERT_GT(s.WordDictionary.FindFirst(arg, hit, 0), 0);
    s.Entry.EditedKeyId = hit.WordIndex;
  } else if (verb == "answer") {
    f.view.changeEngineAnswer = std::stoi(step.substr(colon + 1));
  } else if (verb == "engine") {
    s.CBWebSite2Change(arg);
  } else if (verb == "view") {
    s.ToggleExcludedView();
  } else if (verb == "document") {
    s.Project.Documents.emplace_back();
  } else if (verb == "entry") {
    s.PlaceQueryBox(10, 40, false);
  } else if (verb == "new") {
    s.IBitmapButtonNewClick();
  } else if (verb == "scope") {
    s.Project.Scope.Add({{s.WordDictionary.AddWord(arg, 0, -1), 1.0f}}, {});
    s.ContentMap.SetNoQueryMode(true);
  }
  f.view.RunAllQueued();
}

// The state the cases look at, as "name=value;" fields.
std::string Summary(TSessionFixture& f) {
  TKestruneSession& s = *f.session;
  std::string items;
  for (const std::u16string& item : s.Entry.QueryItems) items += (items.empty() ? "" : "|") + platform::Utf16ToUtf8(item);
  const TViewRect box = f.view.Control(TMainControl::IComboBox1).Bounds;
  return ";downloads=" + std::to_string(f.engine->queries.size()) + ";pages=" + std::to_string(f.view.pagesWritten) +
         ";k0=" + test::KeysText(s, kKindQuery) + ";k1=" + test::KeysText(s, kKindExcluded) +
         ";box=" + platform::Utf16ToUtf8(f.view.queryText) + ";at=" + std::to_string(box.Left) + "," +
         std::to_string(box.Top) + ";items=" + items + ";web=" + s.Config.Settings.website +
         ";asked=" + std::to_string(f.view.questions) + ";boxes=" + std::to_string(f.boxes.size()) +
         ";edited=" + std::to_string(s.Entry.EditedKeyId) + ";scopes=" + std::to_string(s.Project.Scope.Count()) + ";undo=" +
         std::to_string(f.view.Enabled(TMainControl::IBitmapButtonUndo)) +
         ";buttons=" + std::to_string(f.view.Visible(TMainControl::BBtnSearch)) +
         std::to_string(f.view.Visible(TMainControl::BBtnSearch2)) + ";";
}

TEST(SearchEntry, ScriptedEntries) {
  struct Case {
    std::vector<std::string> script;
    const char* expected;  // ";"-separated fields that the summary must hold
  } cases[] = {
      // A new query downloads (the search page and the page at its end) and
      // goes to the top of the box's list once.
      {{"type:beta"}, "downloads=1;pages=2;k0=beta=1;k1=;box=beta;at=0,0;items=beta|alpha beta"},
      // A query typed over a query on the map refines it: no download.
      {{"type:alpha", "type:beta"}, "downloads=1;pages=3;k0=alpha=1 beta=1;items=alpha|beta|alpha beta|beta;undo=0"},
      // With documents at hand a refinement is a step that can be undone.
      {{"type:alpha", "document", "type:beta"}, "downloads=1;pages=3;k0=alpha=1 beta=1;undo=1"},
      // An incorrect query with nothing on the map is a new query.
      {{"type:?!"}, "downloads=0;pages=1;k0=;box=;at=300,288;boxes=1"},
      // With query words on the map the box comes back in its middle.
      {{"type:alpha", "type:?!"}, "downloads=1;pages=2;k0=alpha=1;box=;at=300,288;boxes=1"},
      // Only exclusions: the project is cleared and the page shown.
      {{"type:-beta"}, "downloads=0;pages=1;k0=;k1="},
      {{"type:alpha -beta", "type:beta"}, "downloads=1;k0=alpha=1 beta=1;k1="},
      // The edited word is replaced by what is typed.
      {{"type:alpha beta", "edit:alpha", "type:gamma"}, "downloads=1;k0=beta=1 gamma=1;edited=-1"},
      // The engine changes while a query stands: Cancel, Yes, No.
      {{"type:alpha", "answer:2", "engine:Second"}, "downloads=1;k0=alpha=1;web=Loopback;asked=1"},
      {{"type:alpha", "answer:6", "engine:Second"}, "downloads=2;k0=alpha=1;box=alpha;web=Second;asked=1"},
      {{"type:alpha", "answer:7", "engine:Second"}, "downloads=1;pages=3;k0=;box=;at=300,288;web=Second;asked=1"},
      // Yes without a query: the current scope is searched anew.
      {{"scope:delta", "answer:6", "engine:Second"}, "downloads=1;k0=delta=1;web=Second;asked=1;scopes=1"},
      // Without a query, and to the current engine.
      {{"engine:Second"}, "downloads=0;pages=1;web=Second;asked=0"},
      {{"type:alpha", "engine:Loopback"}, "downloads=1;pages=2;k0=alpha=1;web=Loopback;asked=0"},
      {{"engine:More engines"}, "pages=0;web=Loopback;asked=0"},
      // New query offers the box in the middle with the first search button
      // only, wherever the box stood before.
      {{"type:alpha", "entry", "new"}, "k0=;box=;at=300,288;buttons=10"},
      // The search button in the excluded-words view types into kind 0.
      {{"type:alpha -beta", "view", "button:gamma"}, "downloads=1;k0=beta=1 gamma=1;k1=alpha=-10000"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    TSessionFixture f([](TestProgram& p) {
      test::WriteFileBytes(p.Program() + "templates/web/second.ini", "[general]\nhostname=Second\n");
      std::filesystem::create_directories(p.UserData());
      test::WriteFileBytes(p.UserData() + "query.dat", test::Utf16Bytes(u"beta\r\nalpha beta\r\nbeta\r\n", true));
    });
    f.session->Config.FillEngineBox();
    for (const std::string& step : c.script) RunStep(f, step);
    const std::string summary = Summary(f);
    std::istringstream fields(c.expected);
    for (std::string field; std::getline(fields, field, ';');) {
      EXPECT_NE(summary.find(";" + field + ";"), std::string::npos) << field << " in " << summary;
    }
    EXPECT_FALSE(f.view.Visible(TMainControl::IProgressBar1));
    EXPECT_FALSE(f.view.Visible(TMainControl::TntLabel1));
  }
}

// Exclusions typed over a project's documents refine the view's query; they
// never clear the project. In the scope view the union of the scopes is the
// query they join, as an exclusion made on the map does.
TEST(SearchEntry, ExclusionsOverDocumentsRefineTheView) {
  using TAction = std::function<void(TSessionFixture&)>;
  auto type = [](const char* text) {
    return [text](TSessionFixture& f) { RunStep(f, std::string("type:") + text); };
  };
  auto scopeView = [](TSessionFixture& f) { f.session->pmScopeClick(); };
  const struct {
    const char* name;
    std::vector<TAction> steps;  // after a search for "alpha" and one for "beta"
    const char* expected;
  } cases[] = {
      // The scopes "beta" and "beta alpha": their union weighs alpha 0.5.
      {"TypedInTheScopeView", {scopeView, type("-gamma")}, "docs=2;k0=beta=1 alpha=0.5;k1=gamma=-10000;noquery=0;undo=1"},
      // Nothing of the union is left to refine: the scope view, documents and
      // all.
      {"EveryQueryWordExcluded", {type("-beta -alpha")}, "docs=2;noquery=1;undo=1"},
      {"ExcludedOnTheMapInTheScopeView",
       {scopeView,
        [](TSessionFixture& f) {
          TWordVariant hit;
          ASSERT_GT(f.session->WordDictionary.FindFirst(u"alpha", hit, 0), 0);
          f.session->DrawAndEventMap1GroupSelect(1, 1, true, {{hit.WordIndex, 1.0f}});
        }},
       "docs=2;k0=beta=1;k1=alpha=-10000;noquery=0;undo=1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f;
    TKestruneSession& s = *f.session;
    s.ContentMap.SetMapSize(800, 600);
    TMetaSearchList item;
    item.Url = "http://a.example/";
    item.Title = u"alpha beta gamma";
    f.engine->results = {item};
    RunStep(f, "type:beta");
    item.Url = "http://b.example/";
    f.engine->results = {item};
    RunStep(f, "type:alpha");
    s.BtnMetasearchClick();
    f.view.RunAllQueued();
    ASSERT_EQ(s.Project.Documents.size(), 2u);
    for (const TAction& step : c.steps) {
      step(f);
      f.view.RunAllQueued();
    }
    s.ContentMapReGenerate();  // the view's keys as the next rebuild keeps them
    f.view.RunAllQueued();
    const std::string summary = ";docs=" + std::to_string(s.Project.Documents.size()) + ";k0=" + test::KeysText(s, kKindQuery) +
                                ";k1=" + test::KeysText(s, kKindExcluded) +
                                ";noquery=" + std::to_string(s.ContentMap.NoQueryMode()) +
                                ";undo=" + std::to_string(s.ContentMap.Steps().CanBack()) + ";";
    std::istringstream fields(c.expected);
    for (std::string field; std::getline(fields, field, ';');) {
      EXPECT_NE(summary.find(";" + field + ";"), std::string::npos) << field << " in " << summary;
    }
  }
}

}  // namespace
}  // namespace kestrune
