// Projects on the session: the save question, New query's question, opening
// a project file of each outcome, the save dialog's default name and the
// modified flag, and the small housekeeping rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "app/project_note.h"
#include "core/message_strings.h"
#include "platform/text.h"
#include "tests/app/project/hand_made_projects.h"
#include "tests/app/session_fixture.h"

namespace kestrune {
namespace {

using test::TSessionFixture;

// Scripted project dialogs.
struct TFakeDialogs : IProjectDialogs {
  bool ExecuteOpen(std::u16string_view folder, std::u16string& fileName) override {
    openFolders.emplace_back(folder);
    fileName = openName;
    return !openName.empty();
  }
  bool ExecuteSave(TProjectSaveRequest& request) override {
    saves.push_back(request);
    if (saveName.empty()) return false;
    request.FileName = saveName;
    request.Note = note;
    return true;
  }
  std::u16string openName;  // empty: the open dialog is cancelled
  std::u16string saveName;  // empty: the save dialog is cancelled
  std::u16string note = u"line one\r\nline two";
  std::vector<std::u16string> openFolders;
  std::vector<TProjectSaveRequest> saves;
};

// A session with dialogs and, when asked, one query word.
struct TProjectSession {
  explicit TProjectSession(bool withQuery = true, const std::function<void(test::TestProgram&)>& prepare = {})
      : f(prepare) {
    s.ProjectFile.Dialogs = &dialogs;
    if (withQuery) AddQueryWord(u"alpha");
  }
  int32_t AddQueryWord(std::u16string_view text, int32_t kind = kKindQuery, float weight = kQueryWeight) {
    const int32_t id = s.WordDictionary.AddWord(text, 0, -1);
    s.ContentMap.Steps().SetValue(kind, id, weight);
    return id;
  }
  std::u16string File(const char* name) const { return f.program.Dir().WFile(name); }
  TSessionFixture f;
  TKestruneSession& s = *f.session;
  TFakeDialogs dialogs;
};

TEST(SessionProjectFile, SaveQuestionAnswersDecideTheFlagAndTheCommand) {
  enum TSave { kNoSave, kSaved, kCancelled, kFailed };
  using At = TKestruneSession::TSaveQuestionAt;
  struct Case {
    const char* name;
    At at;
    bool modified, saveEnabled, askForSave;
    int32_t answer;
    bool dontAsk;
    TSave save;
    bool asked, aborts, modifiedAfter, askForSaveAfter;
  } cases[] = {
      {"not modified", At::Leave, false, true, true, platform::kIdYes, false, kNoSave, false, false, false, true},
      {"saving disabled", At::Leave, true, false, true, platform::kIdYes, false, kNoSave, false, false, true, true},
      {"not asked for", At::Leave, true, true, false, platform::kIdYes, false, kNoSave, false, false, true, false},
      {"yes, saved", At::Leave, true, true, true, platform::kIdYes, false, kSaved, true, false, false, true},
      {"yes, dialog cancelled", At::Leave, true, true, true, platform::kIdYes, false, kCancelled, true, true, true,
       true},
      {"yes, save failed", At::Leave, true, true, true, platform::kIdYes, false, kFailed, true, true, true, true},
      {"no", At::Leave, true, true, true, platform::kIdNo, false, kNoSave, true, false, false, true},
      {"no, don't ask again", At::Leave, true, true, true, platform::kIdNo, true, kNoSave, true, false, false, false},
      {"cancel", At::Leave, true, true, true, platform::kIdCancel, true, kNoSave, true, true, true, true},
      // Closing the window is the last door: unsaved work is asked about
      // also with the question switched off, and the box keeps it off
      // unless it is unticked.
      {"close, not asked for: asked", At::Close, true, true, false, platform::kIdNo, true, kNoSave, true, false, false,
       false},
      {"close, not asked for: yes, saved", At::Close, true, true, false, platform::kIdYes, true, kSaved, true, false,
       false, false},
      {"close, not asked for: cancel keeps the window", At::Close, true, true, false, platform::kIdCancel, true,
       kNoSave, true, true, true, false},
      {"close, not asked for: box unticked", At::Close, true, true, false, platform::kIdNo, false, kNoSave, true,
       false, false, true},
      {"close, asked for", At::Close, true, true, true, platform::kIdNo, false, kNoSave, true, false, false, true},
      {"close, nothing unsaved", At::Close, false, true, false, platform::kIdYes, true, kNoSave, false, false, false,
       false},
      {"close, saving disabled", At::Close, true, false, false, platform::kIdYes, true, kNoSave, false, false, true,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TProjectSession p;
    p.s.ProjectFile.Modified = c.modified;
    p.f.view.SetEnabled(TMainControl::IBitmapButton7, c.saveEnabled);
    p.s.Config.Settings.askforsave = c.askForSave;
    p.f.view.saveAnswer = c.answer;
    p.f.view.saveDontAsk = c.dontAsk;
    const std::u16string target = p.File("saved.kqp");
    if (c.save == kSaved) p.dialogs.saveName = target;
    if (c.save == kFailed) {
      // A folder where the file goes: the save fails, also for root.
      std::filesystem::create_directories(platform::Utf16ToUtf8(target));
      p.dialogs.saveName = target;
    }
    EXPECT_EQ(p.s.SaveQuestion(c.at), c.aborts);
    EXPECT_EQ(p.f.view.saveQuestions, c.asked ? 1 : 0);
    if (c.asked) EXPECT_EQ(p.f.view.saveDontAskShown, !c.askForSave);  // the box shows the setting
    EXPECT_EQ(p.s.ProjectFile.Modified, c.modifiedAfter);
    EXPECT_EQ(p.s.Config.Settings.askforsave, c.askForSaveAfter);
    EXPECT_EQ(platform::RegularFileExists(target), c.save == kSaved);
    EXPECT_EQ(p.f.boxes.size(), c.save == kFailed ? 1u : 0u);
    if (c.save == kSaved) {
      EXPECT_EQ(p.s.Project.ProjectName, u"saved.kqp");
    }
  }
}

// Changing the engine over a query leaves the project as New query does:
// after Yes or No to the change-engine question, unsaved work is offered for
// saving first; a save question that aborts keeps the project, the old
// engine in the box and the pending change, as the change-engine question's
// Cancel does.
TEST(SessionProjectFile, EngineChangeAsksToSaveUnsavedWorkFirst) {
  enum TSave { kNone, kSaved, kDialogCancelled };
  constexpr int32_t kYes = platform::kIdYes, kNo = platform::kIdNo, kCancel = platform::kIdCancel;
  struct Case {
    const char* name;
    bool unsaved;
    int32_t engineAnswer, saveAnswer;
    TSave save;
    bool asked, proceeds;
  } cases[] = {
      {"yes, saved", true, kYes, kYes, kSaved, true, true},
      {"yes, not saved", true, kYes, kNo, kNone, true, true},
      {"yes, save question cancelled", true, kYes, kCancel, kNone, true, false},
      {"yes, save dialog cancelled", true, kYes, kYes, kDialogCancelled, true, false},
      {"no, saved", true, kNo, kYes, kSaved, true, true},
      {"no, not saved", true, kNo, kNo, kNone, true, true},
      {"no, save question cancelled", true, kNo, kCancel, kNone, true, false},
      {"no, save dialog cancelled", true, kNo, kYes, kDialogCancelled, true, false},
      {"cancel", true, kCancel, kYes, kSaved, false, false},
      {"nothing unsaved, yes", false, kYes, kCancel, kNone, false, true},
      {"nothing unsaved, no", false, kNo, kCancel, kNone, false, true},
      {"nothing unsaved, cancel", false, kCancel, kCancel, kNone, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TProjectSession p(false, [](test::TestProgram& program) {
      test::WriteFileBytes(program.Program() + "templates/web/second.ini", "[general]\nhostname=Second\n");
    });
    TKestruneSession& s = p.s;
    test::TRecordingMainView& view = p.f.view;
    s.Config.FillEngineBox();
    auto boxIndex = [&s](std::u16string_view name) {
      const auto& items = s.Config.EngineBoxItems;
      return static_cast<int32_t>(std::find(items.begin(), items.end(), name) - items.begin());
    };
    // A search that found a document, then a step on the map: Save and Undo.
    TMetaSearchList item;
    item.Url = "http://a.example/";
    item.Title = u"alpha";
    p.f.engine->results = {item};
    view.queryText = u"alpha";
    s.QueryKeyUp(13);
    view.RunAllQueued();
    s.SaveKeysUndoState();
    ASSERT_EQ(s.Project.Documents.size(), 1u);
    ASSERT_TRUE(view.Enabled(TMainControl::IBitmapButton7));
    ASSERT_TRUE(s.ContentMap.Steps().CanBack());
    ASSERT_TRUE(s.ProjectFile.Modified);
    if (!c.unsaved) s.ProjectFile.Modified = false;
    p.f.engine->results.clear();

    const std::u16string target = p.File("saved.kqp");
    if (c.save == kSaved) p.dialogs.saveName = target;
    view.changeEngineAnswer = c.engineAnswer;
    view.saveAnswer = c.saveAnswer;
    s.Config.EngineChangePending = true;
    view.engineIndex = boxIndex(u"Second");  // the user's choice in the box
    s.CBWebSite2Change(u"Second");
    view.RunAllQueued();

    EXPECT_EQ(view.questions, 1);
    EXPECT_EQ(view.saveQuestions, c.asked ? 1 : 0);
    EXPECT_EQ(platform::RegularFileExists(target), c.save == kSaved && c.asked);
    EXPECT_EQ(s.Config.Settings.website, c.proceeds ? "Second" : "Loopback");
    EXPECT_EQ(view.engineIndex, boxIndex(c.proceeds ? u"Second" : u"Loopback"));
    EXPECT_EQ(s.Config.EngineChangePending, !c.proceeds);
    // Kept, or cleared as the answer says: Yes searches the query anew, No
    // starts an empty query.
    EXPECT_EQ(s.Project.Documents.size(), c.proceeds ? 0u : 1u);
    EXPECT_EQ(s.ContentMap.Steps().CanBack(), !c.proceeds);
    EXPECT_EQ(p.f.engine->queries.size(), c.proceeds && c.engineAnswer == kYes ? 2u : 1u);
    EXPECT_EQ(s.GetQueryText(), c.proceeds && c.engineAnswer == kNo ? u"" : u"alpha");
    EXPECT_EQ(s.ProjectFile.Modified, c.unsaved && !c.proceeds);
  }
}

TEST(SessionProjectFile, NewQueryAsksFirstWhenAQueryIsShown) {
  struct Case {
    const char* name;
    bool query, markChanged, modified;
    int32_t answer;
    bool asked, cleared;
  } cases[] = {
      {"no query: no question", false, true, false, platform::kIdCancel, false, true},
      {"query, cancel keeps it", true, true, false, platform::kIdCancel, true, false},
      {"query, no clears it", true, true, false, platform::kIdNo, true, true},
      {"query, not marked: no question", true, false, false, platform::kIdCancel, false, true},
      // The options dialog's New query, after its change of dictionaries.
      {"changed project, not marked: no question", true, false, true, platform::kIdCancel, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TProjectSession p(c.query);
    p.s.NewQuery.MarkProjectChanged = c.markChanged;
    p.s.ProjectFile.Modified = c.modified;
    p.f.view.saveAnswer = c.answer;
    p.f.view.SetEnabled(TMainControl::IBitmapButton7, true);
    const int32_t newQueries = p.s.NewQuery.NewQueryCount;
    p.s.IBitmapButtonNewClick();
    EXPECT_EQ(p.f.view.saveQuestions, c.asked ? 1 : 0);
    EXPECT_EQ(p.s.GetQueryText().empty(), c.cleared);
    EXPECT_EQ(p.s.NewQuery.NewQueryCount, newQueries + (c.cleared ? 1 : 0));
  }
}

TEST(SessionProjectFile, OpeningGivesBackTheQueryOrStartsANewQuery) {
  // A project saved by a session whose query word is its own word.
  TProjectSession saver;
  saver.dialogs.saveName = saver.File("project.kqp");
  ASSERT_TRUE(saver.s.SaveProjectAs());
  const std::string bytes = test::ReadFileBytes(platform::Utf16ToUtf8(saver.dialogs.saveName));
  ASSERT_GT(bytes.size(), 16u);

  // The internal format 1, and a file of another kind.
  std::string version1 = bytes;
  version1[8] = 1;
  enum TKind { kLoaded, kVersion1, kOther };
  struct Case {
    const char* name;
    std::string file;
    TKind kind;
  } cases[] = {{"version 4", bytes, kLoaded}, {"version 1", version1, kVersion1}, {"not a project", "plain text, no project", kOther}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TProjectSession p(false);
    const std::u16string file = p.File("open.kqp");
    test::WriteFileBytes(platform::Utf16ToUtf8(file), c.file);
    p.f.view.SetVisible(TMainControl::IComboBox1, true);
    const int32_t newQueries = p.s.NewQuery.NewQueryCount;
    EXPECT_EQ(p.s.OpenProject(file), c.kind == kLoaded);
    if (c.kind == kLoaded) {
      EXPECT_EQ(p.s.GetQueryText(), u"alpha");
      EXPECT_EQ(p.s.Project.ProjectName, u"open.kqp");
      EXPECT_FALSE(p.f.view.Visible(TMainControl::IComboBox1));
      EXPECT_TRUE(p.f.boxes.empty());
      EXPECT_EQ(p.s.NewQuery.NewQueryCount, newQueries);
      continue;
    }
    // The version-1 text has said why.
    const std::u16string reason = c.kind == kVersion1 ? u"" : u"\n" + MessageStrings.smProjectFileDamaged;
    const std::string error = platform::Utf16ToUtf8(MessageStrings.smStringErrorLoadProject + u"\n" + file + reason +
                                                    u" / " + MessageStrings.smErrorLoadProject);
    ASSERT_EQ(p.f.boxes.size(), c.kind == kVersion1 ? 2u : 1u);
    if (c.kind == kVersion1) {
      EXPECT_NE(p.f.boxes.front().find("2.02.06"), std::string::npos);
    }
    EXPECT_EQ(p.f.boxes.back(), error);
    // The failure started a new query: the query box is offered again.
    EXPECT_EQ(p.s.NewQuery.NewQueryCount, newQueries + 1);
    EXPECT_TRUE(p.f.view.Visible(TMainControl::IComboBox1));
    EXPECT_TRUE(p.s.Project.ProjectName.empty());
  }
}

// An active dictionary of the project must be a file of the dictionaries
// folder: a name that leaves it refuses the project, even when a file is
// there.
TEST(SessionProjectFile, ADictionaryOutsideTheDictionariesFolderRefusesTheProject) {
  const struct {
    const char* name;
    bool loaded;
  } cases[] = {{"english.dws", true}, {"../english.dws", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TProjectSession saver;
    TDictionaryEntry entry;
    entry.FileName = c.name;
    entry.Language = "English";
    entry.Active = true;
    saver.s.Config.DictionaryList = {entry};
    saver.dialogs.saveName = saver.File("dictionaries.kqp");
    ASSERT_TRUE(saver.s.SaveProjectAs());
    TProjectSession p(false);
    for (const char* file : {"english.dws", "dictionaries/english.dws"}) {
      test::WriteDictionary(p.f.program.Program() + file, 9);
    }
    EXPECT_EQ(p.s.OpenProject(saver.dialogs.saveName), c.loaded);
    if (c.loaded) continue;
    ASSERT_EQ(p.f.boxes.size(), 2u);
    EXPECT_EQ(p.f.boxes[0], platform::Utf16ToUtf8(MessageStrings.smStringLoadDictionary + u"English" +
                                                  MessageStrings.smStringLoadDictionary1 + u" / " +
                                                  MessageStrings.smLoadDictionary));
  }
}

TEST(SessionProjectFile, ARecentProjectsLinkOpensItAfterTheQuestion) {
  TProjectSession saver;
  saver.dialogs.saveName = saver.File("recent.kqp");
  ASSERT_TRUE(saver.s.SaveProjectAs());
  TProjectSession p;
  p.AddQueryWord(u"beta");
  p.f.view.SetEnabled(TMainControl::IBitmapButton7, true);
  p.f.view.saveAnswer = platform::kIdNo;
  p.s.Config.RecentProjects[1] = saver.dialogs.saveName;
  EXPECT_FALSE(p.s.EmbeddedWB1BeforeNavigate2("http://kestrunelastproject/1"));
  EXPECT_EQ(p.f.view.saveQuestions, 1);
  EXPECT_EQ(p.s.Project.ProjectName, u"recent.kqp");
  EXPECT_EQ(p.s.GetQueryText(), u"alpha");
}

// A recent project that is gone, or that cannot be opened: the box names the
// file and why; only a file that is gone leaves the list, which keeps five.
TEST(SessionProjectFile, ARecentProjectThatFailsSaysWhyAndAGoneOneLeavesTheList) {
  enum TFile { kGone, kLinkLoop, kDamaged };
  struct Case {
    const char* name;
    TFile file;
    const std::u16string* reason;
    bool leaves;
  } cases[] = {
      {"moved or deleted", kGone, &MessageStrings.smProjectFileMissing, true},
      {"cannot be read", kLinkLoop, &MessageStrings.smProjectFileUnreadable, false},
      {"not a project", kDamaged, &MessageStrings.smProjectFileDamaged, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TProjectSession p(false);
    const std::u16string file = p.File("birds.kqp");
    const std::string path = platform::Utf16ToUtf8(file);
    if (c.file == kLinkLoop) std::filesystem::create_symlink(path, path);
    if (c.file == kDamaged) test::WriteFileBytes(path, "plain text, no project");
    p.s.Config.RecentProjects = {u"/p/a.kqp", file, u"/p/c.kqp", u"/p/d.kqp", u"/p/e.kqp"};
    EXPECT_FALSE(p.s.EmbeddedWB1BeforeNavigate2("http://kestrunelastproject/1"));
    ASSERT_EQ(p.f.boxes.size(), 1u);
    EXPECT_EQ(p.f.boxes[0], platform::Utf16ToUtf8(MessageStrings.smStringErrorLoadProject + u"\n" + file + u"\n" +
                                                  *c.reason + u" / " + MessageStrings.smErrorLoadProject));
    const std::array<std::u16string, kRecentSlots> left = {u"/p/a.kqp", u"/p/c.kqp", u"/p/d.kqp", u"/p/e.kqp", u""};
    const std::array<std::u16string, kRecentSlots> kept = {u"/p/a.kqp", file, u"/p/c.kqp", u"/p/d.kqp", u"/p/e.kqp"};
    EXPECT_EQ(p.s.Config.RecentProjects, c.leaves ? left : kept);
    if (c.leaves) {
      // The start page's block follows.
      EXPECT_EQ(p.s.Results.PageResults.LastProjectHtml, TKestruneSession::RecentProjectsHtml(left));
    }
  }
}

TEST(SessionProjectFile, TheLinksCountOfAFileIsKeptInTheOptionsRange) {
  struct Case {
    int32_t stored, opened;
  } cases[] = {{2000000000, 1000}, {1001, 1000}, {1000, 1000}, {250, 250}, {50, 50}, {49, 50}, {0, 50}, {-7, 50}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    TProjectSession saver;
    saver.s.Config.LinksToDownload = c.stored;
    saver.dialogs.saveName = saver.File("links.kqp");
    ASSERT_TRUE(saver.s.SaveProjectAs());
    TProjectSession p(false);
    ASSERT_TRUE(p.s.OpenProject(saver.dialogs.saveName));
    EXPECT_EQ(p.s.Config.LinksToDownload, c.opened);
    EXPECT_EQ(p.s.Config.Settings.TPCountFromSite, c.opened);
  }
}

TEST(SessionProjectFile, TheSavedFileAlwaysEndsInKqp) {
  struct Case {
    std::u16string chosen, saved;
  } cases[] = {{u"coast.kqp", u"coast.kqp"},
               {u"node.js (Loopback)", u"node.js (Loopback).kqp"},
               {u"coast", u"coast.kqp"},
               {u"coast.KQP", u"coast.KQP.kqp"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::Utf16ToUtf8(c.chosen));
    TProjectSession p;
    p.dialogs.saveName = p.f.program.Dir().WFile("") + c.chosen;
    ASSERT_TRUE(p.s.SaveProjectAs());
    const std::u16string saved = p.f.program.Dir().WFile("") + c.saved;
    EXPECT_TRUE(platform::RegularFileExists(saved));
    EXPECT_EQ(p.s.Project.ProjectName, c.saved);
    EXPECT_EQ(p.s.Config.RecentProjects[0], saved);
  }
}

// The save dialog's note and the author written: an opened project's own,
// else the query's note and the options' Name.
TEST(SessionProjectFile, AnOpenedProjectKeepsItsNoteAndAuthor) {
  enum TBefore { kNotOpened, kOpened, kOpenedThenNewQuery, kOpenedAndSaved };
  struct Case {
    const char* name;
    TBefore before;
    std::u16string offered, author;
  } cases[] = {
      {"not opened", kNotOpened, u"", u"Options Name"},
      {"opened", kOpened, u"Gulls of the coast", u"Ana"},
      {"opened, then New query", kOpenedThenNewQuery, u"", u"Options Name"},
      {"opened, saved with another note", kOpenedAndSaved, u"line oneline two", u"Ana"},
  };
  TProjectSession author;
  author.s.Config.Settings.Author = u"Ana";
  author.dialogs.saveName = author.File("gulls.kqp");
  author.dialogs.note = u"Gulls of the coast";
  ASSERT_TRUE(author.s.SaveProjectAs());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TProjectSession p(c.before == kNotOpened);
    p.s.Config.Settings.Author = u"Options Name";
    if (c.before != kNotOpened) ASSERT_TRUE(p.s.OpenProject(author.dialogs.saveName));
    if (c.before == kOpenedThenNewQuery) {
      p.s.IBitmapButtonNewClick();
      p.AddQueryWord(u"alpha");
    }
    p.dialogs.saveName = p.File("again.kqp");
    if (c.before == kOpenedAndSaved) ASSERT_TRUE(p.s.SaveProjectAs());
    ASSERT_TRUE(p.s.SaveProjectAs());
    const std::u16string query = MessageStrings.smSrch + u" \"alpha\" " + MessageStrings.smVia + u" Loopback";
    EXPECT_EQ(p.dialogs.saves.back().Note, c.offered.empty() ? query : c.offered);
    EXPECT_EQ(ReadProjectAuthor(p.dialogs.saveName), c.author);
  }
}

TEST(SessionProjectFile, AnEngineThatIsNotInstalledIsWarnedAboutAndTheCurrentStays) {
  TProjectSession saver;
  saver.dialogs.saveName = saver.File("engine.kqp");
  saver.s.Config.Settings.website = "Gone Engine";
  ASSERT_TRUE(saver.s.SaveProjectAs());
  TProjectSession p(false);
  const std::string current = p.s.Config.Settings.website;
  ASSERT_TRUE(p.s.OpenProject(saver.dialogs.saveName));
  ASSERT_EQ(p.f.boxes.size(), 1u);
  EXPECT_EQ(p.f.boxes[0], platform::Utf16ToUtf8(MessageStrings.smNoSearchEngine + u"Gone Engine" +
                                                MessageStrings.smNoSearchEngine2 + u" / " + MessageStrings.smWarn));
  EXPECT_EQ(p.s.Config.Settings.website, current);
}

// The open button and a project opened in the project manager take one
// road: the save question first, then the project, which joins the recent
// projects; Save, Undo and Redo end disabled.
TEST(SessionProjectFile, OpenButtonAndManagerAskFirstThenOpenTheChosenFile) {
  TProjectSession saver;
  saver.dialogs.saveName = saver.File("chosen.kqp");
  ASSERT_TRUE(saver.s.SaveProjectAs());
  struct Case {
    const char* name;
    bool manager;
    int32_t answer;
    bool chosen, opened;
  } cases[] = {{"cancelled question", false, platform::kIdCancel, true, false},
               {"cancelled dialog", false, platform::kIdNo, false, false},
               {"opened", false, platform::kIdNo, true, true},
               {"manager, cancelled question", true, platform::kIdCancel, true, false},
               {"manager, opened", true, platform::kIdNo, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TProjectSession p;
    p.AddQueryWord(u"beta");
    p.f.view.SetEnabled(TMainControl::IBitmapButton7, true);
    p.f.view.saveAnswer = c.answer;
    if (c.manager) {
      p.s.OpenManagerProject(saver.dialogs.saveName);
    } else {
      if (c.chosen) p.dialogs.openName = saver.dialogs.saveName;
      p.s.IBitmapButton6Click();
    }
    EXPECT_EQ(p.f.view.saveQuestions, 1);
    EXPECT_EQ(p.dialogs.openFolders.size(), c.answer == platform::kIdCancel || c.manager ? 0u : 1u);
    EXPECT_EQ(p.s.GetQueryText(), c.opened ? u"alpha" : u"alpha beta");
    EXPECT_EQ(p.s.Project.ProjectName, c.opened ? u"chosen.kqp" : u"");
    EXPECT_EQ(p.s.Config.RecentProjects[0], c.opened ? saver.dialogs.saveName : u"");
    if (c.opened) {
      EXPECT_FALSE(p.f.view.Enabled(TMainControl::IBitmapButton7));
    }
  }
}

// A damaged project opens with what could be read and says what it lost;
// its Save offers a name of its own, never the damaged file's, until it
// was saved.
TEST(SessionProjectFile, ADamagedProjectSaysWhatItLostAndSaveAsksForANewName) {
  // One search for "alpha" that found three documents.
  TProjectSession saver(false);
  saver.s.Project.StepKeys = {{{saver.AddQueryWord(u"alpha"), 1.0f}}};
  saver.s.Project.StepNumber = 1;
  for (const char* url : {"http://a.example/", "http://b.example/", "http://c.example/"}) {
    TMetaSearchList d;
    d.Url = url;
    d.Title = u"Kestrels";
    d.Step = 1;
    saver.s.Project.Documents.push_back(d);
  }
  saver.dialogs.saveName = saver.File("open.kqp");
  ASSERT_TRUE(saver.s.SaveProjectAs());
  const std::string file = test::ReadFileBytes(platform::Utf16ToUtf8(saver.dialogs.saveName));
  struct Case {
    const char* name;
    std::string bytes;
    const char* told;  // lines of the box; null: no box
    size_t documents;
    std::u16string offered;
  } cases[] = {
      {"whole", file, nullptr, 3, u"open.kqp"},
      {"more documents said than held", test::WithTagInteger(file, kTagProjectDocuments, 30),
       "\ndamaged: 3 of 30 documents read", 3, u"alpha (Loopback)"},
      {"the query lost: the last step's", test::WithTagRenumbered(file, kTagProjectQuery),
       "\ndamaged: query not read", 3, u"alpha (Loopback)"},
      {"the scopes lost", test::WithTagRenumbered(file, kTagProjectScopes), "\ndamaged: scopes not read", 3,
       u"alpha (Loopback)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TProjectSession p(false);
    const std::u16string opened = p.File("open.kqp");
    test::WriteFileBytes(platform::Utf16ToUtf8(opened), c.bytes);
    ASSERT_TRUE(p.s.OpenProject(opened));
    EXPECT_EQ(p.s.Project.Documents.size(), c.documents);
    EXPECT_EQ(p.s.GetQueryText(), u"alpha");
    ASSERT_EQ(p.f.boxes.size(), c.told ? 1u : 0u);
    if (c.told) {
      const std::string box = p.f.boxes[0];
      EXPECT_EQ(box.rfind(platform::Utf16ToUtf8(MessageStrings.smProjectDamagedOpened + u"\n" + opened), 0), 0u) << box;
      EXPECT_NE(box.find(c.told), std::string::npos) << box;
    }
    // Save: a damaged file's name is not offered; after a save, the new one.
    p.dialogs.saveName = p.File("again.kqp");
    ASSERT_TRUE(p.s.SaveProjectAs());
    EXPECT_EQ(p.dialogs.saves[0].DefaultName, c.offered);
    ASSERT_TRUE(p.s.SaveProjectAs());
    EXPECT_EQ(p.dialogs.saves[1].DefaultName, u"again.kqp");
  }
}

TEST(SessionProjectFile, TheSaveDialogOffersANameFromTheQuery) {
  struct Case {
    const char* name;
    std::vector<std::u16string> included, excluded;
    std::u16string projectName, expected;
  } cases[] = {
      {"one word", {u"alpha"}, {}, u"", u"alpha (Loopback)"},
      {"excluded word", {u"alpha"}, {u"beta"}, u"", u"alpha -beta (Loopback)"},
      {"four words: three and a tilde", {u"a1", u"b2", u"c3", u"d4"}, {}, u"", u"a1 b2 c3 ~(Loopback)"},
      {"the remembered name", {u"alpha"}, {}, u"old.kqp", u"old.kqp"},
      {"slash and control characters", {u"a/b\u0001c"}, {}, u"", u"a_b_c (Loopback)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TProjectSession p(false);
    for (const auto& word : c.included) p.AddQueryWord(word);
    for (const auto& word : c.excluded) p.AddQueryWord(word, kKindExcluded, kExcludedWeight);
    p.s.Project.ProjectName = c.projectName;
    EXPECT_EQ(p.s.ProjectDefaultName(), c.expected);
  }
}

TEST(SessionProjectFile, SaveAsStoresTheJoinedNoteAndClearsTheFlagOnlyWhenWritten) {
  TProjectSession p;
  p.s.ProjectFile.Modified = true;
  p.f.view.SetEnabled(TMainControl::IBitmapButton7, true);
  // Cancelled: nothing written, the flag stays.
  EXPECT_FALSE(p.s.SaveProjectAs());
  EXPECT_TRUE(p.s.ProjectFile.Modified);
  ASSERT_EQ(p.dialogs.saves.size(), 1u);
  EXPECT_EQ(p.dialogs.saves[0].Note, MessageStrings.smSrch + u" \"alpha\" " + MessageStrings.smVia + u" Loopback");
  // Saved: the note without its line breaks, the flag cleared, the save
  // button off until the next change.
  p.dialogs.saveName = p.File("note.kqp");
  EXPECT_TRUE(p.s.SaveProjectAs());
  EXPECT_FALSE(p.s.ProjectFile.Modified);
  EXPECT_FALSE(p.f.view.Enabled(TMainControl::IBitmapButton7));
  EXPECT_EQ(ReadProjectNote(p.dialogs.saveName), u"line oneline two");
}

TEST(SessionProjectFile, WindowRules) {
  struct Case {
    int32_t width;
    double percent;
    int32_t expected;
  } widths[] = {{1000, 50.0, 500}, {999, 33.3, 333}, {0, 40.0, 0}, {801, 100.0, 801}};
  for (const Case& c : widths) EXPECT_EQ(TKestruneSession::Panel1CanResize(c.width, c.percent), c.expected) << c.width;

  TProjectSession p(false);
  p.s.WMActivate(false);
  EXPECT_NE(p.f.map.state & IMapViewOps::kStateInactive, 0u);
  p.s.WMActivate(true);
  EXPECT_EQ(p.f.map.state & IMapViewOps::kStateInactive, 0u);
}

TEST(SessionProjectFile, TheInterfaceLanguagesDictionaryIsOfferedOrActivated) {
  enum TDict { kNone, kInactive, kActive };
  struct Case {
    const char* name;
    TDict dictionary;
    bool askDownload, askActivate, autoActivate;
    int32_t answer;
    bool dontAsk;
    int32_t questions;
    bool opened, active, askDownloadAfter, askActivateAfter, autoActivateAfter;
  } cases[] = {
      {"none: download offered, yes", kNone, true, true, false, platform::kIdYes, false, 1, true, false, true, true, false},
      {"none: no, never again", kNone, true, true, false, platform::kIdNo, true, 1, false, false, false, true, false},
      {"none, not asked for", kNone, false, true, false, platform::kIdYes, false, 0, false, false, false, true, false},
      {"inactive: yes, always", kInactive, true, true, false, platform::kIdYes, true, 1, false, true, true, false, true},
      {"inactive: no, never", kInactive, true, true, true, platform::kIdNo, true, 1, false, false, true, false, false},
      {"inactive: no, ask again", kInactive, true, true, false, platform::kIdNo, false, 1, false, false, true, true, false},
      {"inactive, activated unasked", kInactive, true, false, true, platform::kIdNo, false, 0, false, true, true, false, true},
      {"active: nothing asked", kActive, true, true, false, platform::kIdYes, false, 0, false, true, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f([&](test::TestProgram& program) {
      if (c.dictionary != kNone) test::WriteDictionary(program.Program() + "dictionaries/english.dws", 9);
    });
    TKestruneSession& s = *f.session;
    test::TRecordingOpener opener;
    s.Opener = &opener;
    if (c.dictionary == kInactive) s.Config.DictionaryList.at(0).Active = false;
    TMainSettings& settings = s.Config.Settings;
    settings.AskDownloadDictForLng = c.askDownload;
    settings.AskActivateDict = c.askActivate;
    settings.AutoActivateDictForLng = c.autoActivate;
    f.view.noDictionaryAnswer = c.answer;
    f.view.noDictionaryDontAsk = c.dontAsk;
    s.CheckLanguageDictionary();
    EXPECT_EQ(f.view.noDictionaryTexts.size(), static_cast<size_t>(c.questions));
    EXPECT_EQ(opener.urls.size(), c.opened ? 1u : 0u);
    if (c.dictionary != kNone) {
      EXPECT_EQ(s.Config.DictionaryList.at(0).Active, c.active);
    }
    EXPECT_EQ(settings.AskDownloadDictForLng, c.askDownloadAfter);
    EXPECT_EQ(settings.AskActivateDict, c.askActivateAfter);
    EXPECT_EQ(settings.AutoActivateDictForLng, c.autoActivateAfter);
    if (c.dictionary == kInactive && c.active) {
      EXPECT_GT(s.WordDictionary.Count(), 0);
      EXPECT_EQ(s.Config.SavedOptions.ActiveDictionaries, s.Config.DictionaryList.at(0).Language);
    }
  }
}

TEST(SessionProjectFile, MarkedWordsLeaveTheNetworkAndTheQuery) {
  for (const bool stopWords : {true, false}) {
    SCOPED_TRACE(stopWords);
    TProjectSession p;
    const int32_t beta = p.AddQueryWord(u"beta");
    p.s.IContextMS1.AddWord(beta);
    const int32_t element = p.s.IContextMS1.FindWordElement(beta);
    ASSERT_GE(element, 0);
    p.s.Map.MarkedGroup = {{beta, 1.0f}};
    if (stopWords) {
      p.s.setasstopword1Click();
    } else {
      p.s.deleteword1Click();
    }
    EXPECT_EQ(p.s.GetQueryText(), u"alpha");
    // A deleted element keeps its place, marked with the anchor -1.
    const TASNElement* e = p.s.IContextMS1.Network().GetElement({TIContextMS::kWordLayer, element});
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->GetAnchor(), -1.0f);
    EXPECT_EQ(p.s.Project.IsStopWordListed(u"beta"), stopWords);
    EXPECT_EQ((p.s.WordDictionary.GetWord(beta)->GetFlags() & TWDWord::kFlagMark) != 0, stopWords);
    EXPECT_TRUE(p.s.ProjectFile.Modified);
    EXPECT_TRUE(p.f.view.Enabled(TMainControl::IBitmapButton7));
  }
}

TEST(SessionProjectFile, ClearHistoryForgetsQueriesAndProjects) {
  TProjectSession p(false);
  const std::string history = platform::Utf16ToUtf8(p.s.Config.BasesFolder) + "query.dat";
  std::filesystem::create_directories(std::filesystem::path(history).parent_path());
  test::WriteFileBytes(history, test::Utf16Bytes(u"alpha\r\n", true));
  p.s.Entry.QueryItems = {u"alpha"};
  p.s.Config.RecentQueries[0] = u"alpha";
  p.s.Config.RecentProjects[1] = u"/tmp/a.kqp";
  p.s.Results.PageResults.LastQueryHtml = u"<a>alpha</a>";
  p.s.ClearHistory();
  EXPECT_TRUE(p.s.Entry.QueryItems.empty());
  EXPECT_TRUE(p.f.view.queryItems.empty());
  EXPECT_FALSE(std::filesystem::exists(history));
  EXPECT_EQ(p.s.Config.RecentQueries[0], u"");
  EXPECT_EQ(p.s.Config.RecentProjects[1], u"");
  EXPECT_TRUE(p.s.Results.PageResults.LastQueryHtml.empty());
}

}  // namespace
}  // namespace kestrune
