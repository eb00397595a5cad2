// TProject on a ring of its own, without a session: the merge of a result
// array, deleting a class of documents with every reference renumbered,
// hiding a site, the recounts and the stop-word list.
#include "app/project/project.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrune {
namespace {

TMetaSearchList Item(const std::string& url, const std::u16string& annotation = u"a", const std::string& label = "1 - E") {
  TMetaSearchList item;
  item.Url = url;
  item.Title = u"t " + std::u16string(url.begin(), url.end());
  item.Annotation = annotation;
  item.Label = label;
  return item;
}

std::vector<std::string> Urls(const TProject& project) {
  std::vector<std::string> urls;
  for (const TMetaSearchList& d : project.Documents) urls.push_back(d.Url);
  return urls;
}

std::vector<TNNKey> Kind(const IControlKeys& ring, int32_t kind, int32_t step = -1) {
  std::vector<TNNKey> keys;
  for (const TControlKeyCell& cell : (step < 0 ? ring.GetCurrent() : ring.GetStep(step))[kind]) keys.push_back(cell.Key);
  return keys;
}

// A project of documents merged from one search per list, each with the
// given flags afterwards.
struct TFixture {
  TProject project;
  IControlKeys ring;
  void Search(const std::vector<std::string>& urls) {
    TMetaSearchList2 results;
    for (const std::string& url : urls) results.push_back(Item(url));
    project.MergeResults(results, TNNKeys{{static_cast<int32_t>(project.StepKeys.size()), 1.0f}}, ring, nullptr);
  }
};

TEST(ProjectMerge, ItemsJoinTheirDocumentsAndEarlierOnesMoveBehind) {
  struct Case {
    const char* name;
    std::vector<std::vector<TMetaSearchList>> searches;
    std::vector<std::string> urls;        // the documents after the merges
    std::vector<int32_t> positions;
    std::vector<std::u16string> annotations;
    std::vector<std::string> labels;
  };
  const std::vector<Case> cases = {
      {"one search", {{Item("http://a/"), Item("http://b/")}}, {"http://a/", "http://b/"}, {0, 1}, {u"a", u"a"},
       {"1 - E", "1 - E"}},
      {"a known address keeps its document, its annotation grows by new text only",
       {{Item("http://a/", u"x")}, {Item("http://b/"), Item("http://a/", u"y")}, {Item("http://a/", u"y")}},
       {"http://a/", "http://b/"}, {0, 1}, {u"x y", u"a"}, {"1 - E", "1"}},
      {"a refused address is skipped", {{Item("http://a/"), Item("cmd://x/"), Item("http://c/")}},
       {"http://a/", "http://c/"}, {0, 2}, {u"a", u"a"}, {"1 - E", "1 - E"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TProject project;
    IControlKeys ring;
    int32_t searches = 0;
    for (const auto& results : c.searches) {
      const int32_t read = project.MergeResults(results, TNNKeys{{searches, 1.0f}}, ring,
                                                [](std::string_view url) { return url.starts_with("cmd:"); });
      EXPECT_EQ(read, static_cast<int32_t>(results.size()));
      ++searches;
    }
    EXPECT_EQ(Urls(project), c.urls);
    ASSERT_EQ(project.Documents.size(), c.positions.size());
    for (size_t i = 0; i < c.positions.size(); ++i) {
      EXPECT_EQ(project.Documents[i].Position, c.positions[i]) << i;
      EXPECT_EQ(project.Documents[i].Annotation, c.annotations[i]) << i;
      EXPECT_EQ(project.Documents[i].Label, c.labels[i]) << i;
      EXPECT_EQ(project.DocumentOfUrl(c.urls[i]), static_cast<int32_t>(i));
    }
    EXPECT_EQ(project.StepNumber, searches);
    EXPECT_EQ(static_cast<int32_t>(project.StepKeys.size()), searches);
    const std::vector<TNNKey> settings = Kind(ring, kKindSettings);
    ASSERT_EQ(settings.size(), 1u);
    EXPECT_EQ(settings[0].Id, kSettingStepNumber);
    EXPECT_EQ(settings[0].Weight, static_cast<float>(searches));
  }
}

TEST(ProjectMerge, NoItemsChangeNothing) {
  TProject project;
  IControlKeys ring;
  EXPECT_EQ(project.MergeResults({}, TNNKeys{{1, 1.0f}}, ring, nullptr), 0);
  EXPECT_TRUE(project.StepKeys.empty());
  EXPECT_EQ(project.StepNumber, 0);
  EXPECT_TRUE(Kind(ring, kKindSettings).empty());
}

TEST(ProjectDelete, AClassGoesAndTheLastKeptDocumentsFillTheHoles) {
  // Five documents a..e of one search; b is an old link, c a removed link,
  // d of a hidden site, e removed and hidden.
  struct Case {
    const char* name;
    int32_t documentClass;
    int32_t stepNumber;  // below 1: the search is undone
    std::vector<std::string> urls;
    std::vector<int32_t> newIds;
  };
  const std::vector<Case> cases = {
      {"old links", dcOldLinks, 1, {"http://a/", "http://e.x/", "http://c/", "http://d.x/"}, {0, -1, 2, 3, 1}},
      {"removed links", dcRemovedLinks, 1, {"http://a/", "http://b/", "http://d.x/"}, {0, 1, -1, 2, -1}},
      {"hidden sites", dcHiddenSites, 1, {"http://a/", "http://b/", "http://c/"}, {0, 1, 2, -1, -1}},
      {"undone only, nothing undone", dcUndone, 1, {"http://a/", "http://b/", "http://c/", "http://d.x/", "http://e.x/"},
       {0, 1, 2, 3, 4}},
      {"undone searches go with any class", dcRemovedLinks, 0, {}, {-1, -1, -1, -1, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFixture f;
    f.Search({"http://a/", "http://b/", "http://c/", "http://d.x/", "http://e.x/"});
    f.project.Documents[1].Flags = kFlagOld;
    f.ring.SetValue(kKindMarks, 2, kMarkRemovedLink);
    f.ring.SetValue(kKindMarks, 3, kMarkHiddenSite);
    f.ring.SetValue(kKindMarks, 4, kMarkRemovedAndHidden);
    f.ring.SetValue(kKindDocuments, 4, 1.0f);
    f.ring.SetValue(kKindAnnounced, 2, 1.0f);
    f.project.StepNumber = c.stepNumber;

    const std::vector<int32_t> newIds = f.project.DeleteDocuments(c.documentClass, f.ring);
    EXPECT_EQ(newIds, c.newIds);
    EXPECT_EQ(Urls(f.project), c.urls);
    EXPECT_EQ(f.project.LastDeleted(), 5 - static_cast<int32_t>(c.urls.size()));
    EXPECT_EQ(static_cast<int32_t>(f.project.StepKeys.size()), std::max(c.stepNumber, 0));
    // The URL index follows the new order.
    for (size_t i = 0; i < c.urls.size(); ++i) EXPECT_EQ(f.project.DocumentOfUrl(c.urls[i]), static_cast<int32_t>(i));
    // Every reference of the ring follows its document.
    for (const TNNKey& mark : Kind(f.ring, kKindMarks)) {
      const int32_t old = static_cast<int32_t>(std::find(newIds.begin(), newIds.end(), mark.Id) - newIds.begin());
      ASSERT_LT(old, 5);
      const float expected = old == 2 ? kMarkRemovedLink : old == 3 ? kMarkHiddenSite : kMarkRemovedAndHidden;
      EXPECT_EQ(mark.Weight, expected) << "document " << old;
    }
    const std::vector<TNNKey> used = Kind(f.ring, kKindDocuments);
    EXPECT_EQ(used.size(), newIds[4] >= 0 ? 1u : 0u);
    if (!used.empty()) {
      EXPECT_EQ(used[0].Id, newIds[4]);
    }
    const std::vector<TNNKey> announced = Kind(f.ring, kKindAnnounced);
    EXPECT_EQ(announced.size(), newIds[2] >= 0 ? 1u : 0u);
    // The counters from what is left.
    int32_t removed = 0;
    for (const int32_t old : {2, 4}) removed += newIds[static_cast<size_t>(old)] >= 0 ? 1 : 0;
    EXPECT_EQ(f.project.Counters.RemovedLinks, removed);
    EXPECT_EQ(f.project.Counters.Total, std::max(c.stepNumber, 0) > 0 ? static_cast<int32_t>(c.urls.size()) : 0);
  }
}

TEST(ProjectDelete, TheCountersOfOtherStepsCountWhatIsLeftOfTheirMarks) {
  TFixture f;
  f.Search({"http://a/", "http://b.site.org/", "http://c.site.org/"});
  f.ring.SetValue(kKindMarks, 0, kMarkRemovedLink);
  f.ring.SetValue(kKindMarks, 1, kMarkHiddenSite);
  f.ring.SetValue(kKindMarks, 2, kMarkHiddenSite);
  f.ring.SetValue(kKindRemovedLinks, 0, 1.0f);
  f.ring.SetValue(kKindHiddenSites, 0, 1.0f);
  const int32_t older = f.ring.CurrentStep();
  f.ring.PushStep();
  f.project.DeleteDocuments(dcRemovedLinks, f.ring);
  EXPECT_EQ(Kind(f.ring, kKindRemovedLinks, older), (std::vector<TNNKey>{{0, 0.0f}}));
  EXPECT_EQ(Kind(f.ring, kKindHiddenSites, older), (std::vector<TNNKey>{{0, 1.0f}}));
}

TEST(ProjectHideSite, EveryDocumentOfTheSiteIsMarkedOnce) {
  struct Case {
    const char* name;
    std::vector<TNNKey> marks;  // before
    bool usedAsKey;             // document 0 is used as a key
    float expected;             // document 0's mark after
  };
  const std::vector<Case> cases = {
      {"unmarked", {}, false, kMarkHiddenSite},
      {"a removed link becomes both", {{0, kMarkRemovedLink}}, false, kMarkRemovedAndHidden},
      {"hidden already", {{0, kMarkHiddenSite}}, false, kMarkHiddenSite},
      {"both already", {{0, kMarkRemovedAndHidden}}, false, kMarkRemovedAndHidden},
      {"a document used as a key is a key no more", {}, true, kMarkHiddenSite},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFixture f;
    f.Search({"http://www.site.org/1", "http://other.org/", "http://site.org/2"});
    f.project.Documents[0].Flags = kFlagFavorite;
    for (const TNNKey& mark : c.marks) f.ring.SetKey(kKindMarks, mark);
    if (c.usedAsKey) f.ring.SetValue(kKindDocuments, 0, 1.0f);
    f.project.HideSiteDocuments("site.org", f.ring);
    float mark = 0.0f;
    ASSERT_TRUE(TProject::MarkOf(f.ring, 0, mark));
    EXPECT_EQ(mark, c.expected);
    ASSERT_TRUE(TProject::MarkOf(f.ring, 2, mark));
    EXPECT_EQ(mark, kMarkHiddenSite);
    EXPECT_FALSE(TProject::MarkOf(f.ring, 1, mark));
    EXPECT_TRUE(Kind(f.ring, kKindDocuments).empty());
    // The flags stay; only the document shown counts by them.
    EXPECT_EQ(f.project.Documents[0].Flags, kFlagFavorite);
    EXPECT_EQ(f.project.Counters.AllFavoriteLinks, 0);
    EXPECT_EQ(f.project.Counters.Total, 3);
  }
}

// Several sites are hidden site after site: the marks (and so the hidden
// sites' view) take each site's documents in document order, the documents
// used as keys leave kind 2 in its order, a site named twice counts once.
TEST(ProjectHideSite, SeveralSitesSiteAfterSite) {
  TFixture f;
  f.Search({"http://a.org/1", "http://b.org/2", "http://c.org/3", "http://a.org/4", "http://b.org/5",
            "http://a.org/6"});
  for (const int32_t id : {5, 0, 2, 1, 4}) f.ring.SetValue(kKindDocuments, id, 1.0f);
  f.ring.SetValue(kKindMarks, 3, kMarkRemovedLink);
  f.project.HideDocumentsOfSites({"b.org", "a.org", "b.org", "d.org"}, f.ring);
  EXPECT_EQ(Kind(f.ring, kKindMarks), (std::vector<TNNKey>{{3, kMarkRemovedAndHidden},
                                                          {1, kMarkHiddenSite},
                                                          {4, kMarkHiddenSite},
                                                          {0, kMarkHiddenSite},
                                                          {5, kMarkHiddenSite}}));
  EXPECT_EQ(Kind(f.ring, kKindDocuments), (std::vector<TNNKey>{{2, 1.0f}}));
  EXPECT_EQ(f.project.Counters.Total, 6);
}

TEST(ProjectRecount, CountersFollowFlagsMarksAndTheShownSteps) {
  struct Case {
    const char* name;
    std::vector<int32_t> flags;
    std::vector<TNNKey> marks;
    int32_t stepNumber;
    TDocumentCounters expected;  // Total, the All* counters, the mark counters
  };
  auto counters = [](int32_t total, int32_t removed, int32_t hidden, int32_t allNew, int32_t allOld, int32_t allFav) {
    TDocumentCounters c;
    c.Total = total;
    c.RemovedLinks = removed;
    c.HiddenSites = hidden;
    c.AllNewLinks = allNew;
    c.AllOldLinks = allOld;
    c.AllFavoriteLinks = allFav;
    return c;
  };
  const std::vector<Case> cases = {
      {"flags", {kFlagNew, kFlagOld, kFlagFavorite | kFlagNew}, {}, 1, counters(3, 0, 0, 2, 1, 1)},
      {"old wins over new", {kFlagNew | kFlagOld, 0, 0}, {}, 1, counters(3, 0, 0, 0, 1, 0)},
      {"marked documents count in Total only", {kFlagNew, kFlagOld, kFlagFavorite},
       {{0, kMarkRemovedLink}, {2, kMarkHiddenSite}}, 1, counters(3, 1, 1, 0, 1, 0)},
      {"both marks, one hidden site", {0, 0, 0}, {{1, kMarkRemovedAndHidden}, {2, kMarkHiddenSite}}, 1,
       counters(3, 1, 1, 0, 0, 0)},
      {"documents of undone searches are not counted", {kFlagNew, kFlagNew, kFlagNew}, {}, 0, counters(0, 0, 0, 0, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFixture f;
    f.Search({"http://a/", "http://b.site.org/", "http://site.org/"});
    for (size_t i = 0; i < c.flags.size(); ++i) f.project.Documents[i].Flags = c.flags[i];
    for (const TNNKey& mark : c.marks) f.ring.SetKey(kKindMarks, mark);
    f.project.StepNumber = c.stepNumber;
    f.project.RebuildMarkCounters(f.ring);
    f.project.RecountDocuments(f.ring);
    EXPECT_EQ(f.project.Counters, c.expected);
    EXPECT_EQ(Kind(f.ring, kKindRemovedLinks), (std::vector<TNNKey>{{0, static_cast<float>(c.expected.RemovedLinks)}}));
    EXPECT_EQ(Kind(f.ring, kKindHiddenSites), (std::vector<TNNKey>{{0, static_cast<float>(c.expected.HiddenSites)}}));
    EXPECT_EQ(static_cast<int32_t>(f.project.HiddenSites.size()), c.expected.HiddenSites);
  }
}

TEST(ProjectScopes, DocumentsNoScopeReachesAreOldLinks) {
  TFixture f;
  f.Search({"http://a/", "http://b/", "http://c/", "http://d/"});
  f.project.Documents[0].Flags = kFlagOld;
  f.project.Documents[1].Flags = kFlagNew;
  f.project.Documents[3].Flags = kFlagNew;
  f.ring.SetValue(kKindMarks, 3, kMarkRemovedLink);
  f.project.MarkScopeDocuments({0, 1}, f.ring);
  EXPECT_EQ(f.project.Documents[0].Flags, 0);
  EXPECT_EQ(f.project.Documents[1].Flags, kFlagNew);
  EXPECT_EQ(f.project.Documents[2].Flags, kFlagOld);
  EXPECT_EQ(f.project.Documents[3].Flags, kFlagNew);  // marked: left as it is
  EXPECT_EQ(f.project.Counters.AllOldLinks, 1);
  EXPECT_EQ(f.project.Counters.AllNewLinks, 1);
}

TEST(ProjectScopes, AQueryBecomesAScopeOnlyWithQueryWords) {
  struct Case {
    const char* name;
    TNNKeys included;
    TNNKeys excluded;
    bool changed;
    int32_t count;
    int32_t current;
  };
  // The project holds the scope {1} -{2} and then {3}, the second current.
  const std::vector<Case> cases = {
      {"no query words", {}, {{2, kExcludedWeight}}, false, 2, 1},
      {"a new query", {{4, 1.0f}}, {}, true, 3, 2},
      {"an equal scope becomes current", {{1, 1.0f}}, {{2, kExcludedWeight}}, false, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TProject project;
    ASSERT_TRUE(project.AddScope({{1, 1.0f}}, {{2, kExcludedWeight}}));
    ASSERT_TRUE(project.AddScope({{3, 1.0f}}, {}));
    EXPECT_EQ(project.AddScope(c.included, c.excluded), c.changed);
    EXPECT_EQ(project.Scope.Count(), c.count);
    EXPECT_EQ(project.Scope.CurrentIndex(), c.current);
  }
  TProject project;
  project.AddScope({{1, 1.0f}}, {});
  EXPECT_FALSE(project.ReplaceScope(0, {{1, 1.0f}}, {}));
  EXPECT_TRUE(project.ReplaceScope(0, {{5, 1.0f}}, {}));
  EXPECT_EQ(project.Scope.GetIncludedKey(0, 0).Id, 5);
}

TEST(ProjectStopWords, OneEntryPerWordInAnyLetterCase) {
  TProject project;
  project.AddStopWord(u"Word");
  project.AddStopWord(u"WORD");
  project.AddStopWord(u"");
  project.AddStopWord(u"other");
  EXPECT_EQ(project.StopWords, (std::vector<std::u16string>{u"Word", u"other"}));
  EXPECT_TRUE(project.IsStopWordListed(u"word"));
  EXPECT_TRUE(project.RemoveStopWord(u"wOrD"));
  EXPECT_FALSE(project.RemoveStopWord(u"word"));
  EXPECT_EQ(project.StopWords, (std::vector<std::u16string>{u"other"}));
}

TEST(ProjectUserDocument, AddedOrReplacingThePageDocument) {
  TFixture f;
  f.Search({"http://a/", "http://b/"});
  // A new address: a new document at the end, the others one place down.
  EXPECT_EQ(f.project.SetUserDocument(-1, -1, "http://new/", u"T", u"N"), 2);
  EXPECT_EQ(f.project.Documents[2].Label, "User");
  EXPECT_EQ(f.project.Documents[0].Position, 1);
  // A known address is that document.
  EXPECT_EQ(f.project.SetUserDocument(-1, -1, "http://a/", u"T2", u""), 0);
  EXPECT_EQ(f.project.Documents[0].Title, u"T2");
  // An edited entry: the page's document takes the address.
  EXPECT_EQ(f.project.SetUserDocument(0, 1, "http://moved/", u"T3", u""), 1);
  EXPECT_EQ(f.project.DocumentOfUrl("http://moved/"), 1);
  EXPECT_EQ(f.project.DocumentOfUrl("http://b/"), -1);
  // No page document to edit.
  EXPECT_EQ(f.project.SetUserDocument(0, -1, "http://other/", u"T", u""), -1);
  EXPECT_EQ(f.project.Documents.size(), 3u);
}

}  // namespace
}  // namespace kestrune
