// Projects over the loopback engine: a project saved and opened again lists
// the documents it listed when it was saved, in the same order; and every
// change of what a project file keeps makes the close ask the save question,
// while a save or an open leaves nothing to ask about.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "search/query_url.h"
#include "tests/app/loopback_search.h"

namespace kestrune {
namespace {

using test::ResultItem;

// Document i < 14 holds "chain" and two of the words; two more do not hold it.
constexpr const char* kWords[] = {"wet", "rust", "gold", "bike", "anchor", "steel", "oil"};
constexpr int kChainDocuments = 14;

std::vector<std::string> WordsOf(int i) {
  if (i == kChainDocuments) return {"wet", "rope", "knot"};
  if (i > kChainDocuments) return {"gold", "ring", "stone"};
  return {"chain", kWords[i % 7], kWords[(i * 3 + 2) % 7]};
}

// The engine: the documents that hold a query word and no excluded one
// ("-word"), as many a page as "n=" asks from "start=".
void RouteChains(test::LoopbackHttpServer& server) {
  server.Route("/search", [](const test::HttpRequestRecord& r) {
    auto parameter = [&r](const std::string& name) -> std::string {
      for (size_t at = 0; (at = r.query.find(name + "=", at)) != std::string::npos; ++at) {
        if (at > 0 && r.query[at - 1] != '&') continue;
        const size_t start = at + name.size() + 1;
        return r.query.substr(start, r.query.find('&', start) - start);
      }
      return "";
    };
    std::set<std::string> included, excluded;
    std::istringstream words(PercentDecode(parameter("q"), true));
    for (std::string word; words >> word;) {
      std::erase(word, '"');
      (word.size() > 1 && word[0] == '-' ? excluded : included).insert(word[0] == '-' ? word.substr(1) : word);
    }
    std::vector<ResultItem> items;
    for (int i = 0; i < kChainDocuments + 2; ++i) {
      const std::vector<std::string> w = WordsOf(i);
      auto holds = [&w](const std::set<std::string>& set) {
        return std::any_of(w.begin(), w.end(), [&set](const std::string& x) { return set.count(x) != 0; });
      };
      if (!holds(included) || holds(excluded)) continue;
      items.push_back({"http://site" + std::to_string(i % 5) + ".example/page" + std::to_string(i), w[0] + " " + w[1],
                       w[1] + " " + w[2] + " notes"});
    }
    const int first = std::clamp(std::atoi(parameter("start").c_str()) - 1, 0, static_cast<int>(items.size()));
    const int last = std::min(first + std::max(std::atoi(parameter("n").c_str()), 0), static_cast<int>(items.size()));
    return test::HttpReply::Html(test::WriteResultPage({items.begin() + first, items.begin() + last}));
  });
}

// Project dialogs that save to one file and open it.
struct TFileDialogs : IProjectDialogs {
  bool ExecuteOpen(std::u16string_view, std::u16string& fileName) override {
    fileName = file;
    return true;
  }
  bool ExecuteSave(TProjectSaveRequest& request) override {
    request.FileName = file;
    return true;
  }
  std::u16string file;
};

// The loopback world of the chains, with the save question as the window
// asks it when it closes.
struct TChains {
  TChains() {
    RouteChains(t.server);
    dialogs.file = t.program.Dir().WFile("chains.kqp");
    s.ProjectFile.Dialogs = &dialogs;
    s.Hooks.OnSaveQuestion = [this] { return s.SaveQuestion(TKestruneSession::TSaveQuestionAt::Close); };
    t.view.saveAnswer = platform::kIdCancel;
  }
  void Type(std::u16string_view text) { t.Search(text); }
  void Map(int32_t group, std::u16string_view word) {
    s.DrawAndEventMap1GroupSelect(1, group, true, {{t.WordId(word), 1.0f}});
    t.view.RunPosted();
  }
  void Page(const std::string& command) {
    s.EmbeddedWB1BeforeNavigate2(command.find("://") != std::string::npos ? command
                                                                          : s.PageUrlContext().TemplateFolderUrl + command);
    t.view.RunPosted();
  }
  // The addresses the page lists, in its order.
  std::vector<std::string> Listed() const {
    std::vector<std::string> urls;
    for (const int32_t id : s.Results.PageDocumentIds) urls.push_back(s.Project.Documents.at(static_cast<size_t>(id)).Url);
    return urls;
  }
  // The window is closed, and stays (the question's Cancel): true when the
  // question was asked.
  bool CloseAsks() {
    const int32_t before = t.view.saveQuestions;
    EXPECT_FALSE(s.FormCloseQuery() && t.view.saveQuestions > before);
    return t.view.saveQuestions > before;
  }

  test::TLoopbackSearch t;
  TKestruneSession& s = *t.session;
  TFileDialogs dialogs;
};

TEST(SessionProjectReopen, AReopenedProjectListsWhatWasListed) {
  struct Case {
    const char* name;
    std::function<void(TChains&)> refine;
  } cases[] = {
      {"an added word", [](TChains& w) { w.Map(kGroupAddToQuery, u"wet"); }},
      {"an excluded word", [](TChains& w) { w.Map(kGroupExclude, u"rust"); }},
      {"two refinements",
       [](TChains& w) {
         w.Map(kGroupAddToQuery, u"gold");
         w.Map(kGroupExclude, u"bike");
       }},
      {"a refresh between two refinements",
       [](TChains& w) {
         w.Map(kGroupAddToQuery, u"wet");
         w.s.BtnMetasearchClick();
         w.t.view.RunPosted();
         w.Map(kGroupAddToQuery, u"steel");
       }},
      {"a typed word", [](TChains& w) { w.Type(u"anchor"); }},
      {"a scope made current",
       [](TChains& w) {
         w.Map(kGroupAddToQuery, u"oil");
         w.s.BtnMetasearchClick();
         w.t.view.RunPosted();
         w.Page("http://query/0");
         w.Map(kGroupAddToQuery, u"gold");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TChains saved;
    ASSERT_TRUE(saved.t.created);
    saved.Type(u"chain");
    ASSERT_EQ(saved.s.Project.Documents.size(), static_cast<size_t>(kChainDocuments));
    c.refine(saved);
    const std::vector<std::string> listed = saved.Listed();
    ASSERT_FALSE(listed.empty());
    EXPECT_LT(listed.size(), saved.s.Project.Documents.size());
    ASSERT_TRUE(saved.s.SaveProjectAs());

    // Another run of the program opens it, as a recent project.
    TChains opened;
    opened.s.OpenNamedProject(saved.dialogs.file);
    opened.t.view.RunPosted();
    EXPECT_EQ(opened.s.GetQueryText(), saved.s.GetQueryText());
    EXPECT_EQ(opened.Listed(), listed);
    EXPECT_EQ(opened.s.Project.StepKeys.size(), saved.s.Project.StepKeys.size());
    // The file holds no steps to go back to.
    EXPECT_FALSE(opened.s.ContentMap.Steps().CanBack());
    EXPECT_FALSE(opened.t.view.Enabled(TMainControl::IBitmapButtonUndo));
  }
}

// Each case runs from a search for "chain" (unless it says otherwise), then
// closes the window: the question comes exactly when the project holds
// something a save would keep and the file does not, Save enabled with it.
TEST(SessionProjectReopen, TheCloseAsksAfterEveryChangeOfTheProject) {
  auto save = [](TChains& w) { ASSERT_TRUE(w.s.SaveProjectAs()); };
  auto open = [](TChains& w) {
    w.t.view.saveAnswer = platform::kIdNo;
    w.s.IBitmapButton6Click();
    w.t.view.RunPosted();
    w.t.view.saveAnswer = platform::kIdCancel;
  };
  struct Case {
    const char* name;
    bool search;
    std::function<void(TChains&)> act;
    bool asks;
  } cases[] = {
      {"nothing searched", false, [](TChains&) {}, false},
      {"a search", true, [](TChains&) {}, true},
      {"saved", true, save, false},
      {"opened", true, [&](TChains& w) { save(w), open(w); }, false},
      // The close is the last door: it asks whatever "ask to save" says.
      {"ask to save off", true, [](TChains& w) { w.s.Config.Settings.askforsave = false; }, true},
      {"New query answered No", true,
       [](TChains& w) {
         w.t.view.saveAnswer = platform::kIdNo;
         w.s.IBitmapButtonNewClick();
         w.t.view.saveAnswer = platform::kIdCancel;
       },
       false},
      {"saved, a word added", true, [&](TChains& w) { save(w), w.Map(kGroupAddToQuery, u"wet"); }, true},
      {"saved, an own word typed", true, [&](TChains& w) { save(w), w.Type(u"zephyr"); }, true},
      {"saved, a phrase typed", true, [&](TChains& w) { save(w), w.Type(u"\"wet gold\""); }, true},
      {"saved, undone", true,
       [&](TChains& w) {
         w.Map(kGroupAddToQuery, u"wet");
         save(w);
         w.s.BtnBackClick();
       },
       true},
      {"saved, redone", true,
       [&](TChains& w) {
         w.Map(kGroupAddToQuery, u"wet");
         w.s.BtnBackClick();
         save(w);
         w.s.BtnNextClick();
       },
       true},
      {"saved, a favourite", true, [&](TChains& w) { save(w), w.Page("AddToFavorites0"); }, true},
      {"opened, a favourite", true, [&](TChains& w) { save(w), open(w), w.Page("AddToFavorites0"); }, true},
      {"saved, a link removed", true, [&](TChains& w) { save(w), w.Page("ExcludeContextFile0"); }, true},
      {"saved, a scope deleted", true, [&](TChains& w) { save(w), w.Page("http://kestrunedeletefromhistory/0"); },
       true},
      {"saved, a stop word", true,
       [&](TChains& w) {
         save(w);
         w.s.Map.MarkedGroup = {{w.t.WordId(u"bike"), 1.0f}};
         w.s.pmAddToStopWordsClick();
       },
       true},
      {"saved, a stop word taken back", true,
       [&](TChains& w) {
         w.s.Map.MarkedGroup = {{w.t.WordId(u"bike"), 1.0f}};
         w.s.pmAddToStopWordsClick();
         save(w);
         w.Page("reanimate_stop_word0");
       },
       true},
      {"saved, a word hovered", true,
       [&](TChains& w) {
         save(w);
         w.s.DrawAndEventMap1MouseToWord({w.t.WordId(u"gold"), 1.0f}, 0);
         w.s.DrawAndEventMap1MouseOutWord({w.t.WordId(u"gold"), 1.0f});
         w.t.view.RunPosted();
       },
       false},
      {"saved, a view shown", true, [&](TChains& w) { save(w), w.Page("favorites_links"); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TChains w;
    ASSERT_TRUE(w.t.created);
    if (c.search) w.Type(u"chain");
    c.act(w);
    EXPECT_EQ(w.t.view.Enabled(TMainControl::IBitmapButton7), c.asks);
    EXPECT_EQ(w.CloseAsks(), c.asks);
  }
}

}  // namespace
}  // namespace kestrune
