// The in-page commands of TKestruneSession: what a link of the result page
// does once ClassifyPageUrl has read it. Every command refuses its navigation
// and acts on the session; the rows that end on a page link switch to that
// page afterwards (a pending build that the reloaded document performs).
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/browser_opener.h"
#include "app/kestrune_session.h"
#include "app/send_mail.h"
#include "app/site_of_url.h"
#include "core/log_file.h"
#include "core/message_strings.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace kestrune {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

namespace {

// "file://" and the folder's path, each byte outside the unreserved set and
// "/" percent-encoded.
std::string FileUrlOf(std::string_view folder) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (const char c : folder) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '/' || b == '-' ||
        b == '.' || b == '_' || b == '~') {
      url += c;
    } else {
      url += '%';
      url += kHex[b >> 4];
      url += kHex[b & 15];
    }
  }
  return url;
}

std::string Shown(std::string_view url) {
  constexpr size_t kMost = 200;
  return url.size() > kMost ? std::string(url.substr(0, kMost)) + "..." : std::string(url);
}

// A desktop-search target that may be handed to the desktop: a regular file
// without any execute bit that is no launcher.
bool OpenableFile(const std::u16string& target, std::u16string& path) {
  path = target;
  if (path.rfind(u"file://", 0) == 0) {
    path.erase(0, 7);
    if (path.rfind(u"localhost/", 0) == 0) path.erase(0, 9);
  }
  std::error_code error;
  const std::filesystem::path file(Utf16ToUtf8(path));
  const std::filesystem::file_status status = std::filesystem::status(file, error);
  if (error || !std::filesystem::is_regular_file(status)) return false;
  using std::filesystem::perms;
  if ((status.permissions() & (perms::owner_exec | perms::group_exec | perms::others_exec)) != perms::none) {
    return false;
  }
  const std::u16string lower = platform::WideLowerCase(path);
  return !(lower.size() >= 8 && lower.compare(lower.size() - 8, 8, u".desktop") == 0);
}

bool TargetExists(const std::u16string& target) {
  std::u16string path = target;
  if (path.rfind(u"file://", 0) == 0) path.erase(0, 7);
  std::error_code error;
  return !path.empty() && std::filesystem::exists(std::filesystem::path(Utf16ToUtf8(path)), error);
}

}  // namespace

TPageUrlContext TKestruneSession::PageUrlContext(bool ownLoad) const {
  TPageUrlContext context;
  const std::string& folder = PageResults.TemplatePath();
  context.TemplateFolderUrl = folder.empty() ? std::string() : FileUrlOf(folder);
  context.EngineName = Settings.website;
  context.OwnLoad = ownLoad;
  return context;
}

bool TKestruneSession::EmbeddedWB1BeforeNavigate2(std::string_view url, bool ownLoad) {
  return ExecutePageCommand(ClassifyPageUrl(url, PageUrlContext(ownLoad)), url);
}

bool TKestruneSession::ExecutePageCommand(const TPageCommand& command, std::string_view url) {
  const TPageCommandRow row = command.Row;
  if (row == kPageCmdGoAhead) return true;
  if (row == kPageCmdCancel) {
    LogFile.Log("A link of the page was refused (" + std::string(command.Reason) + "): " + Shown(url), 1);
    return false;
  }
  if (!command.Reason.empty()) LogFile.Log(std::string(command.Reason) + ": " + Shown(url), 1);
  if (SearchRunning() && row != kPageCmdHelp && row != kPageCmdOpenInBrowser) {
    LogFile.Log("A command link of the page waits for no running search; it is ignored: " + Shown(url), 1);
    return false;
  }
  if (IsLocalPageCommand(row)) LastLocalUrl = url;

  const int32_t n = command.Number;
  const int32_t entries = static_cast<int32_t>(PageList.size());
  auto outOfRange = [&](int32_t count) {
    if (n >= 0 && n < count) return false;
    LogFile.Log("The number of a command link lies outside its list (" + std::to_string(count) +
                    " entries): " + Shown(url),
                1);
    return true;
  };
  auto entryUrl = [&](int32_t e) -> std::string {
    return e >= 0 && e < entries && !PageList[static_cast<size_t>(e)].empty()
               ? PageList[static_cast<size_t>(e)].front().Url
               : std::string();
  };
  // The document behind entry e; -1 when the entry went stale.
  auto entryDocument = [&](int32_t e) -> int32_t {
    if (e < 0 || e >= entries || e >= static_cast<int32_t>(PageDocumentIds.size())) return -1;
    const int32_t id = PageDocumentIds[static_cast<size_t>(e)];
    return id >= 0 && id < static_cast<int32_t>(Project.Documents.size()) &&
                   Project.Documents[static_cast<size_t>(id)].Url == entryUrl(e)
               ? id
               : DocumentOfUrl(entryUrl(e));
  };
  IControlKeys& steps = ContentMap.Steps();
  // A row that ends on page `page`: the page link is classified and
  // performed as if it had been clicked.
  auto goToPage = [&](int32_t page) {
    const std::string link = command.RewriteUrl(page);
    const TPageCommand next = ClassifyPageUrl(link, PageUrlContext());
    if (next.Row == kPageCmdToPage) {
      ResultPageNumber = std::clamp<int32_t>(next.Number, 1, std::max<int32_t>(1, (static_cast<int32_t>(PageList.size()) + 9) / 10));
      PendingBuild = {true, 0, -2};
      if (View) View->ReloadPage();
    } else {
      ExecutePageCommand(next, link);
    }
  };
  // Back to the normal view on page 1 (a restore that emptied its view, or
  // a deletion of documents).
  auto normalView = [&] {
    ViewMode = 0;
    ScrollAnchor.clear();
    LeaveExcludedView();
    if (MapView) MapView->LeaveState(IMapViewOps::kStateBusy);
    ContentMap.SetDimmed(false);
  };
  auto showView = [&](int32_t mode, bool enterState) {
    if (IsQueryBoxVisible()) DrawAndEventMap1Click();
    if (enterState && MapView) MapView->EnterState(IMapViewOps::kStateBusy);
    ViewMode = mode;
    ContentMapReGenerate();
    SavedPageNumber = ResultPageNumber;
    ResultPageNumber = 1;
    ShowResults(-2, 0);
  };

  switch (row) {
    case kPageCmdUpdateLink:
      if (OnShowUpdateForm) {
        OnShowUpdateForm();
      } else {
        LogFile.Log("The update form is not available yet");
      }
      break;
    case kPageCmdDesktopRedirect: {
      // Only documents: a file of any other type could run (xdg-open starts
      // a ".jar" with Java and an ".exe" with Wine, execute bit or not).
      std::u16string path;
      if (OpenableFile(command.Argument, path) && Opener && Opener->IsDocumentFile(path)) {
        Opener->OpenLocalFile(path);
      } else if (!TargetExists(command.Argument)) {
        if (Opener) Opener->OpenInBrowser(Utf8ToUtf16(url));
      } else {
        LogFile.Log("A desktop-search link names a file that is no document; it is not opened: " +
                        Utf16ToUtf8(command.Argument) + (Opener ? " (" + Opener->MimeTypeOfFile(path) + ")" : ""),
                    1);
      }
      break;
    }
    case kPageCmdSelectScope:
      if (outOfRange(Project.Scope.Count())) break;
      SelectScope(n);
      break;
    case kPageCmdAddToHistory:
    case kPageCmdUpdateHistory:
      SnapshotScopes();
      SaveKeysUndoState();
      if (row == kPageCmdAddToHistory) {
        AddSearchScope();
        SetEnabled(TMainControl::fullRefresh, Project.Scope.Count() > 0);
      } else {
        UpdateScope(Project.Scope.CurrentIndex());
      }
      SnapshotScopes();
      ShowResults(-2, 5);
      break;
    case kPageCmdDeleteFromHistory:
      if (outOfRange(Project.Scope.Count())) break;
      DeleteScope(n);
      ShowResults(-2, 5);
      break;
    case kPageCmdSendLastQuery:
      if (outOfRange(kRecentSlots) || RecentQueries[static_cast<size_t>(n)].empty()) break;
      if (View) View->SetQueryText(RecentQueries[static_cast<size_t>(n)]);
      BBtnSearchClick();
      break;
    case kPageCmdLastProject:
      if (outOfRange(kRecentSlots) || RecentProjects[static_cast<size_t>(n)].empty()) break;
      if (OnOpenProject) {
        OnOpenProject(RecentProjects[static_cast<size_t>(n)]);
      } else {
        LogFile.Log("Projects cannot be opened yet: " + Utf16ToUtf8(RecentProjects[static_cast<size_t>(n)]));
      }
      break;
    case kPageCmdContextMenuAnnotation:
      if (MapView && (MapView->State() & IMapViewOps::kStateBusy) != 0) break;
      if (command.Argument.empty()) break;
      PagePopupWord = command.Argument;
      if (View) View->ShowPagePopup(false);
      break;
    case kPageCmdContextMenuScope:
      if (outOfRange(Project.Scope.Count())) break;
      PagePopupScope = n;
      if (View) View->ShowPagePopup(true);
      break;
    case kPageCmdHelp:
      if (OnHelp) {
        OnHelp();
      } else {
        LogFile.Log("Help is not available yet");
      }
      break;
    case kPageCmdShowStopWords:
      if (MapView) MapView->EnterState(IMapViewOps::kStateBusy);
      ViewMode = 6;
      ShowResults(-2, 0);
      break;
    case kPageCmdReanimateStopWord: {
      if (outOfRange(static_cast<int32_t>(Project.StopWords.size()))) break;
      SaveKeysUndoState();
      const std::u16string word = Project.StopWords[static_cast<size_t>(n)];
      const std::u16string lower = platform::WideLowerCase(word);
      TWordVariant hit;
      int32_t found = -1;
      if (WordDictionary.FindFirst(word, hit, 0) > 0 || WordDictionary.FindFirst(lower, hit, 0) > 0) {
        for (int32_t id = hit.WordIndex; id >= 0 && found < 0; id = WordDictionary.FindNext(hit)) {
          const TWDWord* entry = WordDictionary.GetWord(id);
          if (entry && platform::WideLowerCase(entry->GetText()) == lower) found = id;
        }
      }
      if (found >= 0) {
        ReanimateStopWord(found);
        Steps.RecordStopWordTakenOff(found);
      } else {
        // A word the dictionary no longer knows: it only leaves the list.
        Project.StopWords.erase(Project.StopWords.begin() + n);
      }
      ContentMapReGenerate();
      ShowResults(-2, 0);
      break;
    }
    case kPageCmdExcludeContextFile: {
      if (outOfRange(entries)) break;
      steps.SetValue(kKindRemovedLinks, 0, static_cast<float>(Project.Counters.RemovedLinks));
      SaveKeysUndoState();
      const int32_t id = entryDocument(n);
      if (id < 0) {
        ScrollAnchor = entryUrl(n);
        break;
      }
      ExcludeDocumentContext({{id, 1.0f}});
      ScrollAnchor = entryUrl(n - 1);
      ContentMapReGenerate();
      steps.SetValue(kKindRemovedLinks, 0, static_cast<float>(Project.Counters.RemovedLinks));
      goToPage(PageOfEntry(n - 1));
      break;
    }
    case kPageCmdExcludeUrl: {
      if (outOfRange(entries)) break;
      steps.SetValue(kKindHiddenSites, 0, static_cast<float>(Project.Counters.HiddenSites));
      SaveKeysUndoState();
      const std::string site = SiteOfUrl(entryUrl(n));
      if (!site.empty() && std::find(Project.HiddenSites.begin(), Project.HiddenSites.end(), site) == Project.HiddenSites.end()) {
        Project.HiddenSites.push_back(site);
        ++Project.Counters.HiddenSites;
      }
      if (!site.empty()) HideSiteDocuments(site);
      int32_t anchor = n;
      while (anchor >= 0 && SiteOfUrl(entryUrl(anchor)) == site) --anchor;
      steps.SetValue(kKindHiddenSites, 0, static_cast<float>(Project.Counters.HiddenSites));
      ScrollAnchor = entryUrl(anchor);
      ContentMapReGenerate();
      goToPage(PageOfEntry(anchor));
      break;
    }
    case kPageCmdAddToFavorites: {
      if (outOfRange(entries)) break;
      const int32_t id = entryDocument(n);
      if (id >= 0 && (Project.Documents[static_cast<size_t>(id)].Flags & kFlagFavorite) == 0) {
        Project.Documents[static_cast<size_t>(id)].Flags |= kFlagFavorite;
        PageList[static_cast<size_t>(n)].front().Flags |= kFlagFavorite;
        ++Project.Counters.FavoriteLinks;
        RecountDocuments();
      }
      ScrollAnchor = entryUrl(n);
      goToPage(PageOfEntry(n));
      break;
    }
    case kPageCmdDeleteFromFavorites: {
      if (outOfRange(entries)) break;
      const int32_t id = entryDocument(n);
      if (id >= 0 && (Project.Documents[static_cast<size_t>(id)].Flags & kFlagFavorite) != 0) {
        Project.Documents[static_cast<size_t>(id)].Flags &= ~kFlagFavorite;
        PageList[static_cast<size_t>(n)].front().Flags &= ~kFlagFavorite;
        if (n < Project.Counters.FavoriteLinks) --Project.Counters.FavoriteLinks;
        RecountDocuments();
      }
      ScrollAnchor = entryUrl(n - 1);
      const int32_t page = PageOfEntry(n);
      if (ViewMode == 5) ContentMapReGenerate();
      goToPage(page);
      break;
    }
    case kPageCmdExcludeWord: {
      if (command.Argument.empty()) break;
      SaveKeysUndoState();
      // A text of several words is one phrase of the query.
      std::u16string word = command.Argument;
      if (word.find(u' ') != std::u16string::npos) word = u"\"" + word + u"\"";
      if (!ContentMap.ExcludedMode()) word = u"-" + word;
      if (View) View->SetQueryText(word);
      BBtnSearchClick();
      if (View) View->SetQueryText(u"");
      ContentMapReGenerate();
      ShowResults(-2, 0);
      break;
    }
    case kPageCmdDeletedFiles: showView(1, true); break;
    case kPageCmdGoToNormal: SetViewMode(0); break;
    case kPageCmdDeletedSites: showView(2, true); break;
    case kPageCmdNewLinks: showView(3, false); break;
    case kPageCmdOldLinks: showView(4, false); break;
    case kPageCmdFavoriteLinks: showView(5, false); break;
    case kPageCmdDeleteAllOldLinks:
    case kPageCmdDeleteAllExcludedLinks:
    case kPageCmdDeleteAllExcludedSites: {
      const int32_t documentClass = row - kPageCmdDeleteAllOldLinks + 1;
      const std::u16string* texts[][2] = {
          {&MessageStrings.smMesWarningDeleteOldLinks, &MessageStrings.smCapWarningDeleteOldLinks},
          {&MessageStrings.smMesWarningDeleteExcludedLinks, &MessageStrings.smCapWarningDeleteExcludedLinks},
          {&MessageStrings.smMesWarningDeleteExcludedSites, &MessageStrings.smCapWarningDeleteExcludedSites}};
      const auto& [text, caption] = texts[documentClass - 1];
      const int32_t answer = View ? View->MessageBox(*text, *caption, platform::kMbYesNo | platform::kMbIconWarning)
                                  : platform::kIdNo;
      if (answer != platform::kIdYes) break;
      normalView();
      DeleteDocuments(documentClass);
      ContentMapReGenerate();
      SavedPageNumber = ResultPageNumber;
      ResultPageNumber = 1;
      ShowResults(-2, 0);
      break;
    }
    case kPageCmdRestoreLink: {
      if (outOfRange(entries)) break;
      const int32_t id = entryDocument(n);
      steps.SetValue(kKindRemovedLinks, 0, static_cast<float>(Project.Counters.RemovedLinks));
      SaveKeysUndoState();
      for (const TControlKeyCell& cell : steps.GetCurrent()[kKindMarks]) {
        if (cell.Key.Id != id) continue;
        const bool alsoHidden = cell.Key.Weight == kMarkRemovedAndHidden;
        const bool removed = alsoHidden || cell.Key.Weight == kMarkRemovedLink;
        if (alsoHidden) {
          steps.SetValue(kKindMarks, id, kMarkHiddenSite);
        } else {
          steps.Remove(kKindMarks, id);
        }
        if (removed && Project.Counters.RemovedLinks > 0) --Project.Counters.RemovedLinks;
        break;
      }
      steps.SetValue(kKindRemovedLinks, 0, static_cast<float>(Project.Counters.RemovedLinks));
      ScrollAnchor = entryUrl(n - 1);
      if (Project.Counters.RemovedLinks < 1) {
        normalView();
        ContentMapReGenerate();
        SavedPageNumber = ResultPageNumber;
        ResultPageNumber = 1;
        ShowResults(-2, 0);
        break;
      }
      ContentMapReGenerate();
      // The page of the anchor, the entry before the restored one.
      goToPage(PageOfEntry(n - 1));
      break;
    }
    case kPageCmdRestoreSite: {
      if (outOfRange(entries)) break;
      steps.SetValue(kKindHiddenSites, 0, static_cast<float>(Project.Counters.HiddenSites));
      SaveKeysUndoState();
      const std::string site = SiteOfUrl(entryUrl(n));
      const TControlKeyList marks = steps.GetCurrent()[kKindMarks];
      for (const TControlKeyCell& cell : marks) {
        const int32_t id = cell.Key.Id;
        if (id < 0 || id >= static_cast<int32_t>(Project.Documents.size()) ||
            SiteOfUrl(Project.Documents[static_cast<size_t>(id)].Url) != site) {
          continue;
        }
        if (cell.Key.Weight == kMarkRemovedAndHidden) {
          steps.SetValue(kKindMarks, id, kMarkRemovedLink);
        } else if (cell.Key.Weight == kMarkHiddenSite) {
          steps.Remove(kKindMarks, id);
        }
      }
      const auto listed = std::find(Project.HiddenSites.begin(), Project.HiddenSites.end(), site);
      if (listed != Project.HiddenSites.end()) {
        Project.HiddenSites.erase(listed);
        if (Project.Counters.HiddenSites > 0) --Project.Counters.HiddenSites;
      }
      int32_t anchor = n;
      while (anchor >= 0 && SiteOfUrl(entryUrl(anchor)) == site) --anchor;
      // The entry as the page showed it: the rebuild drops the site's
      // documents from the list.
      const std::string anchorUrl = entryUrl(anchor);
      steps.SetValue(kKindHiddenSites, 0, static_cast<float>(Project.Counters.HiddenSites));
      if (Project.Counters.HiddenSites < 1) {
        normalView();
        ContentMapReGenerate();
        SavedPageNumber = ResultPageNumber;
        ResultPageNumber = 1;
        ShowResults(-2, 0);
        break;
      }
      ContentMapReGenerate();
      ScrollAnchor = anchorUrl;
      goToPage(PageOfEntry(anchor));
      break;
    }
    case kPageCmdEditSubmit:
      if (command.Form.Cancelled) {
        ShowResults(-2, 0);
        break;
      }
      if (n != -1 && outOfRange(entries)) break;
      if (AddUserDocument(n, command.Form.Url, command.Form.Title, command.Form.Annotation) != 0 && View) {
        View->RepaintPage();
      }
      break;
    case kPageCmdEditLink:
      if (outOfRange(entries)) break;
      ScrollAnchor = entryUrl(n);
      PendingBuild = {true, 1, n};
      if (View) View->ReloadPage();
      break;
    case kPageCmdAddNewDocument:
      ShowResults(-1, 0);
      break;
    case kPageCmdShowAll:
      ContentMap.SetNoQueryMode(true);
      steps.SetValue(kKindSettings, kSettingNoQuery, 1.0f);
      ContentMapReGenerate();
      ShowResults(-2, 0);
      break;
    case kPageCmdDocAdd:
      if (outOfRange(static_cast<int32_t>(Project.Documents.size()))) break;
      steps.SetKey(kKindDocuments, {n, 1.0f});
      ContentMapReGenerate();
      break;
    case kPageCmdDocRemove: {
      if (outOfRange(static_cast<int32_t>(Project.Documents.size()))) break;
      // A removed link; on a hidden site it stays hidden too (-3).
      float mark = 0.0f;
      for (const TControlKeyCell& cell : steps.GetCurrent()[kKindMarks]) {
        if (cell.Key.Id == n) mark = cell.Key.Weight;
      }
      const float removed = IsHiddenMark(mark) ? kMarkRemovedAndHidden : kMarkRemovedLink;
      if (mark == removed) break;
      steps.SetValue(kKindMarks, n, removed);
      RebuildMarkCounters();
      RecountDocuments();
      ContentMapReGenerate();
      break;
    }
    case kPageCmdDocSimilar:
      if (outOfRange(static_cast<int32_t>(Project.Documents.size()))) break;
      SimilarDocumentKey = {n, 1.0f};
      break;
    case kPageCmdDocBriefcase:
      break;
    case kPageCmdDocUrl:
      if (outOfRange(static_cast<int32_t>(Project.Documents.size()))) break;
      IndexSelection = true;
      steps.ClearKind(kKindHovered);
      steps.SetValue(kKindAnnounced, n, 1.0f);
      break;
    case kPageCmdToPage: {
      const int32_t pages = std::max<int32_t>(1, (entries + 9) / 10);
      if (n < 1 || n > pages) {
        LogFile.Log("A page link names no page of the list (" + std::to_string(pages) + " pages): " + Shown(url), 1);
        break;
      }
      ResultPageNumber = n;
      PendingBuild = {true, 0, -2};
      if (View) View->ReloadPage();
      break;
    }
    case kPageCmdCluster: {
      if (outOfRange(static_cast<int32_t>(ClusterTable.size()))) break;
      SelectedCluster = n;
      const TClusterEntry& cluster = ClusterTable[static_cast<size_t>(n)];
      std::u16string name = cluster.Files.empty() ? std::u16string() : IIndexer1.GetFileName(cluster.Files.front().Id);
      const size_t cut = name.find_last_of(u"/\\|");
      if (cut != std::u16string::npos) name.erase(0, cut + 1);
      if (name.size() > 50) name = name.substr(0, 25) + u"...";
      SelectedClusterName = name;
      IndexSelection = true;
      break;
    }
    case kPageCmdAddQuery: {
      // Words at blanks and "-"; a word right after "-" is excluded.
      std::vector<std::pair<std::u16string, bool>> words;
      std::u16string word;
      bool excluded = false;
      bool nextExcluded = false;
      auto flush = [&] {
        if (!word.empty()) words.emplace_back(word, excluded);
        word.clear();
      };
      for (const char16_t c : command.Argument) {
        if (c == u' ' || c == u'-') {
          flush();
          nextExcluded = c == u'-';
          excluded = nextExcluded;
          continue;
        }
        if (word.empty()) excluded = nextExcluded;
        word += c;
      }
      flush();
      bool changed = false;
      bool pushed = false;
      for (const auto& [text, isExcluded] : words) {
        TWordVariant hit;
        const std::u16string lower = platform::WideLowerCase(text);
        if (WordDictionary.FindFirst(lower, hit, 0) <= 0) continue;
        if (!pushed) {
          SaveKeysUndoState();
          pushed = true;
        }
        for (int32_t id = hit.WordIndex; id >= 0; id = WordDictionary.FindNext(hit)) {
          if (!isExcluded) {
            steps.SetKey(QueryKind(), {id, ContentMap.ExcludedMode() ? kExcludedWeight : 1.0f});
          } else {
            int32_t index = -1;
            for (int32_t k = 0; k < ContentMap.KeyCount(); ++k) {
              if (ContentMap.Keys()[static_cast<size_t>(k)].Id == id) index = k;
            }
            if (index < 0) index = ContentMap.AddKey(id);
            ContentMap.Keys()[static_cast<size_t>(index)].Flags = KF_EXCLUDED;
            ContentMap.Keys()[static_cast<size_t>(index)].Weight = kExcludedWeight;
            steps.Remove(QueryKind(), id);
            steps.SetKey(ExcludedKind(), {id, ContentMap.ExcludedMode() ? 1.0f : kExcludedWeight});
          }
          changed = true;
        }
      }
      if (changed) ContentMapReGenerate();
      break;
    }
    case kPageCmdOpenInBrowser:
      if (Opener) Opener->OpenInBrowser(Utf8ToUtf16(url));
      break;
    case kPageCmdMail:
      if (OnMailTo) {
        OnMailTo(command.Argument);
      } else {
        ISendMail mail;
        mail.Setmailto(command.Argument);
        mail.Send();
      }
      break;
    default:
      break;
  }
  return false;
}

void TKestruneSession::PagePopupClick(TPagePopupItem item) {
  if (OnPagePopupItem) {
    OnPagePopupItem(item);
    return;
  }
  switch (item) {
    case TPagePopupItem::AddToQuery1:
      SubmitPagePopupWord(false);
      break;
    case TPagePopupItem::Excludefromquery1:
      SubmitPagePopupWord(true);
      break;
    case TPagePopupItem::UpdateEntry1:
      // "Set as current": the scope's query, as its link on the page does.
      SelectScope(PagePopupScope);
      break;
    case TPagePopupItem::DeleteEntry1:
      if (!Project.Scope.IsValidIndex(PagePopupScope)) break;
      DeleteScope(PagePopupScope);
      ShowResults(-2, 5);
      break;
  }
}

void TKestruneSession::SubmitPagePopupWord(bool exclude) {
  if (PagePopupWord.empty()) return;
  // Words of a phrase keep their blanks; excluded, each gets its minus.
  std::u16string text = PagePopupWord;
  const std::u16string blank = exclude ? u" -" : u" ";
  for (size_t at = text.find(u"%20"); at != std::u16string::npos; at = text.find(u"%20", at + blank.size())) {
    text.replace(at, 3, blank);
  }
  if (exclude && !text.starts_with(u" -")) text = u" -" + text;
  if (View) View->SetQueryText(text);
  SubmitQuery();
  if (View) View->SetQueryText(u"");
}

void TKestruneSession::ExcludeDocumentContext(const TNNKeys& documents) {
  IControlKeys& steps = ContentMap.Steps();
  for (const TNNKey& key : documents) {
    const int32_t id = key.Id;
    if (id < 0 || id >= static_cast<int32_t>(Project.Documents.size())) continue;
    steps.Remove(kKindDocuments, id);
    float mark = 0.0f;
    for (const TControlKeyCell& cell : steps.GetCurrent()[kKindMarks]) {
      if (cell.Key.Id == id) mark = cell.Key.Weight;
    }
    if (IsRemovedMark(mark)) continue;  // removed already
    steps.SetValue(kKindMarks, id, mark == kMarkHiddenSite ? kMarkRemovedAndHidden : kMarkRemovedLink);
    ++Project.Counters.RemovedLinks;
  }
  // The removed documents keep their flags (a favourite stays one when it is
  // restored); the counters count the documents shown.
  RecountDocuments();
  TNNKeys context;
  GetStepKeys(context, kKindDocuments);
  IContextMS1.ClearContextWords();
  IContextMS1.AddContextWords(context);
}

}  // namespace kestrune
