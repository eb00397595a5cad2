#include "app/engine_list.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/app/session_fixture.h"

namespace kestrune {
namespace {

using test::TSessionFixture;
using test::TestProgram;

// The engine list as "name:template:enabled" words, in list order.
std::string Describe(const TSearchEns& engines) {
  std::string text;
  for (const TSearchEn& e : engines) text += (text.empty() ? "" : " ") + e.Name + ":" + e.Template + (e.Enabled ? ":on" : ":off");
  return text;
}

TEST(EngineList, BuiltFromTheTemplateFolder) {
  struct Case {
    std::vector<std::pair<const char*, const char*>> files;  // templates/web/<name>: content
    const char* lwebsite;
    const char* website;
    const char* engines;    // after the settings load
    const char* current;    // after the engine box is filled
    const char* boxItems;   // the engine box, "|"-separated
    bool begun;
  } cases[] = {
      // Sorted by name without regard to case; a template without a host
      // name shows its file name.
      {{{"b.ini", "[display name]\nhostname=\"Bravo\"\n"}, {"a.ini", "[General]\nHostName=alpha\n"}, {"c.ini", ""}},
       "", "", "alpha:a:on Bravo:b:on c:c:on", "alpha", "alpha|Bravo|c|More engines", false},
      // The advertising template in any case, and an extension in capitals.
      {{{"BEGUN.INI", "[general]\nhostname=Begun\n"}, {"x.INI", "[general]\nhostname=X\n"}, {"y.ini", ""}},
       "", "", "y:y:on", "y", "y|More engines", true},
      // An enabled name that ends another engine's name enables only that one.
      {{{"find.ini", "[general]\nhostname=Find\n"}, {"myfind.ini", "[general]\nhostname=MyFind\n"}},
       "MyFind,", "MyFind", "Find:find:off MyFind:myfind:on", "MyFind", "MyFind|More engines", false},
      // A name with a comma in it is enabled by its own entry after a restart.
      {{{"ab.ini", "[general]\nhostname=\"A, B\"\n"}, {"c.ini", "[general]\nhostname=C\n"},
        {"d.ini", "[general]\nhostname=D\n"}},
       "A, B,C,", "C", "A, B:ab:on C:c:on D:d:off", "C", "A, B|C|More engines", false},
      // The stored current engine is no longer enabled: the first item is.
      {{{"old.ini", "[general]\nhostname=Old\n"}, {"new.ini", "[general]\nhostname=New\n"}},
       "New,", "Old", "New:new:on Old:old:off", "New", "New|More engines", false},
      // An enabled text that names no engine enables them all.
      {{{"one.ini", "[general]\nhostname=One\n"}}, "Gone,", "Gone", "One:one:off", "One", "One|More engines", false},
      // Equal names: the last template wins the look-up.
      {{{"p.ini", "[general]\nhostname=Same\npriority=x1\n"}, {"q.ini", "[general]\nhostname=same\npriority=7\n"}},
       "", "SAME", "same:q:on Same:p:on", "same", "same|Same|More engines", false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    TSessionFixture f(
        [&](TestProgram& p) {
          std::filesystem::remove(p.Program() + "templates/web/loopback.ini");
          for (const auto& [name, content] : c.files) test::WriteFileBytes(p.Program() + "templates/web/" + name, content);
        },
        false);
    f.session->Config.Settings.Lwebsite = c.lwebsite;
    f.session->Config.Settings.website = c.website;
    f.session->Config.BuildEngineList();
    EXPECT_EQ(Describe(f.session->Config.Engines), c.engines);
    EXPECT_EQ(f.session->Config.AdvertisingBegun, c.begun);
    f.session->Config.View = &f.view;
    f.session->Config.FillEngineBox();
    EXPECT_EQ(f.session->Config.Settings.website, c.current);
    EXPECT_EQ(f.session->Config.CurrentEngineTemplate, GetEngineTemplateName(f.session->Config.Engines, c.current));
    std::string items;
    for (const std::u16string& item : f.view.engineItems) items += (items.empty() ? "" : "|") + platform::Utf16ToUtf8(item);
    EXPECT_EQ(items, c.boxItems);
    EXPECT_EQ(f.view.caption, u"Kestrune Search\u2122 via " + platform::Utf8ToUtf16(c.current));
    EXPECT_TRUE(f.boxes.empty());
  }
}

TEST(EngineList, HeaderPriorityAndUnreadableTemplate) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("p.ini"), "[settings]\npriority=9\n[General]\npriority=\" 12 \"\nhostname=\"A, B\"\n");
  test::WriteFileBytes(dir.File("bad.ini"), "[general]\npriority=twelve\n");
  int32_t priority = -1;
  std::string name;
  EXPECT_TRUE(ReadEngineHeader(dir.WPath(), "p", priority, name));
  EXPECT_EQ(priority, 12);
  EXPECT_EQ(name, "A, B");
  EXPECT_TRUE(ReadEngineHeader(dir.WPath(), "bad", priority, name));
  EXPECT_EQ(priority, 0);
  EXPECT_EQ(name, "bad");
  EXPECT_FALSE(ReadEngineHeader(dir.WPath(), "missing", priority, name));
  EXPECT_EQ(name, "");
}

TEST(EngineList, SortAndCompareText) {
  TSearchEns engines = {{"b", "1"}, {"A", "2"}, {"a", "3"}, {"_", "4"}};
  SortEngines(engines, true);
  std::string order;
  for (const TSearchEn& e : engines) order += e.Template;
  EXPECT_EQ(order, "2314");  // equal names swap at every pass; "_" (95) sorts after the letters
  SortEngines(engines, false);
  order.clear();
  for (const TSearchEn& e : engines) order += e.Template;
  EXPECT_EQ(order, "4132");
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_EQ(CompareText("\xc3\xa9", "\xc3\xa9"), 0);
  EXPECT_TRUE(EngineEnabledIn("One,Two,", "Two"));
  EXPECT_FALSE(EngineEnabledIn("One,Two,", "Tw"));
  EXPECT_FALSE(EngineEnabledIn("One,,", ""));
}

TEST(EngineList, NoTemplateEndsTheProgramWithoutTouchingTheSettings) {
  TSessionFixture f([](TestProgram& p) { std::filesystem::remove(p.Program() + "templates/web/loopback.ini"); }, false);
  EXPECT_FALSE(f.Create());
  EXPECT_TRUE(f.session->Config.EngineListFailed());
  EXPECT_EQ(f.boxes, std::vector<std::string>{"program corrupted. Try to reinstall or update program / Templates error"});
  EXPECT_EQ(f.view.closeRequests, 1);
  f.session->Destroy();
  EXPECT_FALSE(std::filesystem::exists(f.program.Hive()));
  EXPECT_NE(f.Log().find("no engine template"), std::string::npos);
}

}  // namespace
}  // namespace kestrune
