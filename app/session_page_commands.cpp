// The in-page commands: the executor's row groups, and the session's page
// popup and its link forwarder.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/browser_opener.h"
#include "app/kestrune_session.h"
#include "app/page_command_executor.h"
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
  const std::string& folder = Results.PageResults.TemplatePath();
  context.TemplateFolderUrl = folder.empty() ? std::string() : FileUrlOf(folder);
  context.EngineName = Config.Settings.website;
  context.OwnLoad = ownLoad;
  return context;
}

bool TKestruneSession::EmbeddedWB1BeforeNavigate2(std::string_view url, bool ownLoad) {
  return Commands.Execute(ClassifyPageUrl(url, PageUrlContext(ownLoad)), url);
}

bool TKestruneSession::ExecutePageCommand(const TPageCommand& command, std::string_view url) {
  return Commands.Execute(command, url);
}

// ---------------------------------------------------------------------------
// The executor

bool TPageCommandExecutor::Execute(const TPageCommand& command, std::string_view url) {
  const TPageCommandRow row = command.Row;
  if (row == kPageCmdGoAhead) return true;
  if (row == kPageCmdCancel) {
    LogFile.Log("A link of the page was refused (" + std::string(command.Reason) + "): " + Shown(url), 1);
    return false;
  }
  if (!command.Reason.empty()) LogFile.Log(std::string(command.Reason) + ": " + Shown(url), 1);
  if (s_.SearchRunning() && row != kPageCmdHelp && row != kPageCmdOpenInBrowser) {
    LogFile.Log("A command link of the page waits for no running search; it is ignored: " + Shown(url), 1);
    return false;
  }
  const TCall c{command, url, command.Number, static_cast<int32_t>(s_.Results.PageList.size())};
  if (ScopeRow(c) || DocumentRow(c) || RestoreRow(c) || IndexRow(c) || ViewRow(c) || WordRow(c)) return false;
  NavigationRow(c);
  return false;
}

bool TPageCommandExecutor::OutOfRange(const TCall& c, int32_t count) const {
  if (c.N >= 0 && c.N < count) return false;
  LogFile.Log("The number of a command link lies outside its list (" + std::to_string(count) +
                  " entries): " + Shown(c.Url),
              1);
  return true;
}

std::string TPageCommandExecutor::EntryUrl(const TCall& c, int32_t entry) const {
  const TMetaSearchList* document =
      entry >= 0 && entry < c.Entries ? s_.Results.PageList.Entry(static_cast<size_t>(entry)) : nullptr;
  return document ? document->Url : std::string();
}

int32_t TPageCommandExecutor::EntryDocument(const TCall& c, int32_t entry) {
  return entry >= 0 && entry < c.Entries && s_.Results.PageList.Entry(static_cast<size_t>(entry))
             ? s_.Results.PageList.Id(static_cast<size_t>(entry))
             : -1;
}

void TPageCommandExecutor::GoToPage(const TCall& c, int32_t page) {
  const std::string link = c.Command.RewriteUrl(page);
  const TPageCommand next = ClassifyPageUrl(link, s_.PageUrlContext());
  if (next.Row == kPageCmdToPage) {
    s_.Results.ResultPageNumber =
        std::clamp<int32_t>(next.Number, 1,
                            std::max<int32_t>(1, (static_cast<int32_t>(s_.Results.PageList.size()) + 9) / 10));
    s_.Results.PendingBuild = {true, 0, kEditNone};
    if (s_.View) s_.View->ReloadPage();
  } else {
    Execute(next, link);
  }
}

void TPageCommandExecutor::NormalView() {
  s_.Results.ViewMode = kViewNormal;
  s_.Results.ScrollAnchor.clear();
  s_.LeaveExcludedView();
  if (s_.MapView) s_.MapView->LeaveState(IMapViewOps::kStateBusy);
  s_.ContentMap.SetDimmed(false);
}

void TPageCommandExecutor::ShowView(int32_t mode, bool enterState) {
  if (s_.IsQueryBoxVisible()) s_.DrawAndEventMap1Click();
  if (enterState && s_.MapView) s_.MapView->EnterState(IMapViewOps::kStateBusy);
  s_.Results.ViewMode = mode;
  s_.ContentMapReGenerate();
  savedPageNumber_ = s_.Results.ResultPageNumber;
  s_.Results.ResultPageNumber = 1;
  s_.ShowResults(kEditNone, kPageModeChosen);
}

// The scope buttons, the scope popup and the scope view.
bool TPageCommandExecutor::ScopeRow(const TCall& c) {
  IControlKeys& steps = s_.ContentMap.Steps();
  switch (c.Command.Row) {
    case kPageCmdSelectScope:
      if (OutOfRange(c, s_.Project.Scope.Count())) break;
      s_.SelectScope(c.N);
      break;
    case kPageCmdAddToHistory:
    case kPageCmdUpdateHistory:
      s_.SnapshotScopes();
      s_.SaveKeysUndoState();
      if (c.Command.Row == kPageCmdAddToHistory) {
        s_.AddSearchScope();
        if (s_.View) s_.View->SetEnabled(TMainControl::fullRefresh, s_.Project.Scope.Count() > 0);
      } else {
        s_.UpdateScope(s_.Project.Scope.CurrentIndex());
      }
      s_.SnapshotScopes();
      s_.ShowResults(kEditNone, kPageModeResults);
      break;
    case kPageCmdDeleteFromHistory:
      if (OutOfRange(c, s_.Project.Scope.Count())) break;
      s_.DeleteScope(c.N);
      s_.ShowResults(kEditNone, kPageModeResults);
      break;
    case kPageCmdContextMenuScope:
      if (OutOfRange(c, s_.Project.Scope.Count())) break;
      PagePopupScope = c.N;
      if (s_.View) s_.View->ShowPagePopup(true);
      break;
    case kPageCmdShowAll:
      s_.ContentMap.SetNoQueryMode(true);
      steps.SetValue(kKindSettings, kSettingNoQuery, 1.0f);
      s_.ContentMapReGenerate();
      s_.ShowResults(kEditNone, kPageModeChosen);
      break;
    default:
      return false;
  }
  return true;
}

// A document of the page removed, its site hidden, or made a favourite or no
// more one.
bool TPageCommandExecutor::DocumentRow(const TCall& c) {
  IControlKeys& steps = s_.ContentMap.Steps();
  switch (c.Command.Row) {
    case kPageCmdExcludeContextFile: {
      if (OutOfRange(c, c.Entries)) break;
      steps.SetValue(kKindRemovedLinks, 0, static_cast<float>(s_.Project.Counters.RemovedLinks));
      s_.SaveKeysUndoState();
      const int32_t id = EntryDocument(c, c.N);
      if (id < 0) {
        s_.Results.ScrollAnchor = EntryUrl(c, c.N);
        break;
      }
      s_.ExcludeDocumentContext({{id, 1.0f}});
      s_.Results.ScrollAnchor = EntryUrl(c, c.N - 1);
      s_.ContentMapReGenerate();
      steps.SetValue(kKindRemovedLinks, 0, static_cast<float>(s_.Project.Counters.RemovedLinks));
      GoToPage(c, PageOfEntry(c.N - 1));
      break;
    }
    case kPageCmdExcludeUrl: {
      if (OutOfRange(c, c.Entries)) break;
      steps.SetValue(kKindHiddenSites, 0, static_cast<float>(s_.Project.Counters.HiddenSites));
      s_.SaveKeysUndoState();
      const std::string site = SiteOfUrl(EntryUrl(c, c.N));
      if (!site.empty() && std::find(s_.Project.HiddenSites.begin(), s_.Project.HiddenSites.end(), site) == s_.Project.HiddenSites.end()) {
        s_.Project.HiddenSites.push_back(site);
        ++s_.Project.Counters.HiddenSites;
      }
      if (!site.empty()) s_.HideSiteDocuments(site);
      int32_t anchor = c.N;
      while (anchor >= 0 && SiteOfUrl(EntryUrl(c, anchor)) == site) --anchor;
      steps.SetValue(kKindHiddenSites, 0, static_cast<float>(s_.Project.Counters.HiddenSites));
      s_.Results.ScrollAnchor = EntryUrl(c, anchor);
      s_.ContentMapReGenerate();
      GoToPage(c, PageOfEntry(anchor));
      break;
    }
    case kPageCmdAddToFavorites: {
      if (OutOfRange(c, c.Entries)) break;
      const int32_t id = EntryDocument(c, c.N);
      if (id >= 0 && (s_.Project.Documents[static_cast<size_t>(id)].Flags & kFlagFavorite) == 0) {
        s_.Project.Documents[static_cast<size_t>(id)].Flags |= kFlagFavorite;
        ++s_.Project.Counters.FavoriteLinks;
        s_.MarkProjectChanged();
        s_.RecountDocuments();
      }
      s_.Results.ScrollAnchor = EntryUrl(c, c.N);
      GoToPage(c, PageOfEntry(c.N));
      break;
    }
    case kPageCmdDeleteFromFavorites: {
      if (OutOfRange(c, c.Entries)) break;
      const int32_t id = EntryDocument(c, c.N);
      if (id >= 0 && (s_.Project.Documents[static_cast<size_t>(id)].Flags & kFlagFavorite) != 0) {
        s_.Project.Documents[static_cast<size_t>(id)].Flags &= ~kFlagFavorite;
        if (c.N < s_.Project.Counters.FavoriteLinks) --s_.Project.Counters.FavoriteLinks;
        s_.MarkProjectChanged();
        s_.RecountDocuments();
      }
      s_.Results.ScrollAnchor = EntryUrl(c, c.N - 1);
      const int32_t page = PageOfEntry(c.N);
      if (s_.Results.ViewMode == kViewFavorites) s_.ContentMapReGenerate();
      GoToPage(c, page);
      break;
    }
    default:
      return false;
  }
  return true;
}

// Documents given back to the list, or a class of them deleted.
bool TPageCommandExecutor::RestoreRow(const TCall& c) {
  IControlKeys& steps = s_.ContentMap.Steps();
  switch (c.Command.Row) {
    case kPageCmdDeleteAllOldLinks:
    case kPageCmdDeleteAllExcludedLinks:
    case kPageCmdDeleteAllExcludedSites: {
      const int32_t documentClass = c.Command.Row - kPageCmdDeleteAllOldLinks + 1;
      const std::u16string* texts[][2] = {
          {&MessageStrings.smMesWarningDeleteOldLinks, &MessageStrings.smCapWarningDeleteOldLinks},
          {&MessageStrings.smMesWarningDeleteExcludedLinks, &MessageStrings.smCapWarningDeleteExcludedLinks},
          {&MessageStrings.smMesWarningDeleteExcludedSites, &MessageStrings.smCapWarningDeleteExcludedSites}};
      const auto& [text, caption] = texts[documentClass - 1];
      const int32_t answer = s_.View ? s_.View->MessageBox(*text, *caption, platform::kMbYesNo | platform::kMbIconWarning)
                                  : platform::kIdNo;
      if (answer != platform::kIdYes) break;
      NormalView();
      s_.DeleteDocuments(documentClass);
      s_.ContentMapReGenerate();
      savedPageNumber_ = s_.Results.ResultPageNumber;
      s_.Results.ResultPageNumber = 1;
      s_.ShowResults(kEditNone, kPageModeChosen);
      break;
    }
    case kPageCmdRestoreLink: {
      if (OutOfRange(c, c.Entries)) break;
      const int32_t id = EntryDocument(c, c.N);
      steps.SetValue(kKindRemovedLinks, 0, static_cast<float>(s_.Project.Counters.RemovedLinks));
      s_.SaveKeysUndoState();
      for (const TControlKeyCell& cell : steps.GetCurrent()[kKindMarks]) {
        if (cell.Key.Id != id) continue;
        const bool alsoHidden = cell.Key.Weight == kMarkRemovedAndHidden;
        const bool removed = alsoHidden || cell.Key.Weight == kMarkRemovedLink;
        if (alsoHidden) {
          steps.SetValue(kKindMarks, id, kMarkHiddenSite);
        } else {
          steps.Remove(kKindMarks, id);
        }
        if (removed && s_.Project.Counters.RemovedLinks > 0) --s_.Project.Counters.RemovedLinks;
        break;
      }
      steps.SetValue(kKindRemovedLinks, 0, static_cast<float>(s_.Project.Counters.RemovedLinks));
      s_.Results.ScrollAnchor = EntryUrl(c, c.N - 1);
      if (s_.Project.Counters.RemovedLinks < 1) {
        NormalView();
        s_.ContentMapReGenerate();
        savedPageNumber_ = s_.Results.ResultPageNumber;
        s_.Results.ResultPageNumber = 1;
        s_.ShowResults(kEditNone, kPageModeChosen);
        break;
      }
      s_.ContentMapReGenerate();
      // The page of the anchor, the entry before the restored one.
      GoToPage(c, PageOfEntry(c.N - 1));
      break;
    }
    case kPageCmdRestoreSite: {
      if (OutOfRange(c, c.Entries)) break;
      steps.SetValue(kKindHiddenSites, 0, static_cast<float>(s_.Project.Counters.HiddenSites));
      s_.SaveKeysUndoState();
      const std::string site = SiteOfUrl(EntryUrl(c, c.N));
      const TControlKeyList marks = steps.GetCurrent()[kKindMarks];
      for (const TControlKeyCell& cell : marks) {
        const int32_t id = cell.Key.Id;
        if (id < 0 || id >= static_cast<int32_t>(s_.Project.Documents.size()) ||
            SiteOfUrl(s_.Project.Documents[static_cast<size_t>(id)].Url) != site) {
          continue;
        }
        if (cell.Key.Weight == kMarkRemovedAndHidden) {
          steps.SetValue(kKindMarks, id, kMarkRemovedLink);
        } else if (cell.Key.Weight == kMarkHiddenSite) {
          steps.Remove(kKindMarks, id);
        }
      }
      const auto listed = std::find(s_.Project.HiddenSites.begin(), s_.Project.HiddenSites.end(), site);
      if (listed != s_.Project.HiddenSites.end()) {
        s_.Project.HiddenSites.erase(listed);
        if (s_.Project.Counters.HiddenSites > 0) --s_.Project.Counters.HiddenSites;
      }
      int32_t anchor = c.N;
      while (anchor >= 0 && SiteOfUrl(EntryUrl(c, anchor)) == site) --anchor;
      // The entry as the page showed it: the rebuild drops the site's
      // documents from the list.
      const std::string anchorUrl = EntryUrl(c, anchor);
      steps.SetValue(kKindHiddenSites, 0, static_cast<float>(s_.Project.Counters.HiddenSites));
      if (s_.Project.Counters.HiddenSites < 1) {
        NormalView();
        s_.ContentMapReGenerate();
        savedPageNumber_ = s_.Results.ResultPageNumber;
        s_.Results.ResultPageNumber = 1;
        s_.ShowResults(kEditNone, kPageModeChosen);
        break;
      }
      s_.ContentMapReGenerate();
      s_.Results.ScrollAnchor = anchorUrl;
      GoToPage(c, PageOfEntry(anchor));
      break;
    }
    default:
      return false;
  }
  return true;
}

// The document and cluster links of the index views.
bool TPageCommandExecutor::IndexRow(const TCall& c) {
  IControlKeys& steps = s_.ContentMap.Steps();
  switch (c.Command.Row) {
    case kPageCmdDocAdd:
      if (OutOfRange(c, static_cast<int32_t>(s_.Project.Documents.size()))) break;
      steps.SetKey(kKindDocuments, {c.N, 1.0f});
      s_.ContentMapReGenerate();
      break;
    case kPageCmdDocRemove: {
      if (OutOfRange(c, static_cast<int32_t>(s_.Project.Documents.size()))) break;
      // A removed link; on a hidden site it stays hidden too (-3).
      float mark = 0.0f;
      for (const TControlKeyCell& cell : steps.GetCurrent()[kKindMarks]) {
        if (cell.Key.Id == c.N) mark = cell.Key.Weight;
      }
      const float removed = IsHiddenMark(mark) ? kMarkRemovedAndHidden : kMarkRemovedLink;
      if (mark == removed) break;
      steps.SetValue(kKindMarks, c.N, removed);
      s_.MarkProjectChanged();
      s_.RebuildMarkCounters();
      s_.RecountDocuments();
      s_.ContentMapReGenerate();
      break;
    }
    case kPageCmdDocSimilar:
      if (OutOfRange(c, static_cast<int32_t>(s_.Project.Documents.size()))) break;
      Selection.SimilarDocumentKey = {c.N, 1.0f};
      break;
    case kPageCmdDocBriefcase:
      break;
    case kPageCmdDocUrl:
      if (OutOfRange(c, static_cast<int32_t>(s_.Project.Documents.size()))) break;
      Selection.IndexSelection = true;
      steps.ClearKind(kKindHovered);
      steps.SetValue(kKindAnnounced, c.N, 1.0f);
      break;
    case kPageCmdCluster: {
      if (OutOfRange(c, static_cast<int32_t>(s_.Results.ClusterTable.size()))) break;
      Selection.SelectedCluster = c.N;
      const TResultView::TClusterEntry& cluster = s_.Results.ClusterTable[static_cast<size_t>(c.N)];
      std::u16string name = cluster.Files.empty() ? std::u16string() : s_.IIndexer1.GetFileName(cluster.Files.front().Id);
      const size_t cut = name.find_last_of(u"/\\|");
      if (cut != std::u16string::npos) name.erase(0, cut + 1);
      if (name.size() > 50) name = name.substr(0, 25) + u"...";
      Selection.SelectedClusterName = name;
      Selection.IndexSelection = true;
      break;
    }
    default:
      return false;
  }
  return true;
}

// The views of the page.
bool TPageCommandExecutor::ViewRow(const TCall& c) {
  switch (c.Command.Row) {
    case kPageCmdDeletedFiles: ShowView(kViewRemovedLinks, true); break;
    case kPageCmdGoToNormal: s_.SetViewMode(kViewNormal); break;
    case kPageCmdDeletedSites: ShowView(kViewHiddenSites, true); break;
    case kPageCmdNewLinks: ShowView(kViewNewLinks, false); break;
    case kPageCmdOldLinks: ShowView(kViewOldLinks, false); break;
    case kPageCmdFavoriteLinks: ShowView(kViewFavorites, false); break;
    case kPageCmdShowStopWords:
      if (s_.MapView) s_.MapView->EnterState(IMapViewOps::kStateBusy);
      s_.Results.ViewMode = kViewStopWords;
      s_.ShowResults(kEditNone, kPageModeChosen);
      break;
    default:
      return false;
  }
  return true;
}

// Words of the page into the query, out of it, or back from the stop words.
bool TPageCommandExecutor::WordRow(const TCall& c) {
  IControlKeys& steps = s_.ContentMap.Steps();
  switch (c.Command.Row) {
    case kPageCmdSendLastQuery:
      if (OutOfRange(c, kRecentSlots) || s_.Config.RecentQueries[static_cast<size_t>(c.N)].empty()) break;
      if (s_.View) s_.View->SetQueryText(s_.Config.RecentQueries[static_cast<size_t>(c.N)]);
      s_.BBtnSearchClick();
      break;
    case kPageCmdContextMenuAnnotation:
      if (s_.MapView && (s_.MapView->State() & IMapViewOps::kStateBusy) != 0) break;
      if (c.Command.Argument.empty()) break;
      PagePopupWord = c.Command.Argument;
      if (s_.View) s_.View->ShowPagePopup(false);
      break;
    case kPageCmdReanimateStopWord: {
      if (OutOfRange(c, static_cast<int32_t>(s_.Project.StopWords.size()))) break;
      s_.SaveKeysUndoState();
      const std::u16string word = s_.Project.StopWords[static_cast<size_t>(c.N)];
      const std::u16string lower = platform::WideLowerCase(word);
      TWordVariant hit;
      int32_t found = -1;
      if (s_.WordDictionary.FindFirst(word, hit, 0) > 0 || s_.WordDictionary.FindFirst(lower, hit, 0) > 0) {
        for (int32_t id = hit.WordIndex; id >= 0 && found < 0; id = s_.WordDictionary.FindNext(hit)) {
          const TWDWord* entry = s_.WordDictionary.GetWord(id);
          if (entry && platform::WideLowerCase(entry->GetText()) == lower) found = id;
        }
      }
      if (found >= 0) {
        s_.ReanimateStopWord(found);
        s_.Steps.RecordStopWordTakenOff(found);
      } else {
        // A word the dictionary no longer knows: it only leaves the list.
        s_.Project.StopWords.erase(s_.Project.StopWords.begin() + c.N);
      }
      s_.ContentMapReGenerate();
      s_.ShowResults(kEditNone, kPageModeChosen);
      break;
    }
    case kPageCmdExcludeWord: {
      if (c.Command.Argument.empty()) break;
      s_.SaveKeysUndoState();
      // A text of several words is one phrase of the query.
      std::u16string word = c.Command.Argument;
      if (word.find(u' ') != std::u16string::npos) word = u"\"" + word + u"\"";
      if (!s_.ContentMap.ExcludedMode()) word = u"-" + word;
      if (s_.View) s_.View->SetQueryText(word);
      s_.BBtnSearchClick();
      if (s_.View) s_.View->SetQueryText(u"");
      s_.ContentMapReGenerate();
      s_.ShowResults(kEditNone, kPageModeChosen);
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
      for (const char16_t c : c.Command.Argument) {
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
        if (s_.WordDictionary.FindFirst(lower, hit, 0) <= 0) continue;
        if (!pushed) {
          s_.SaveKeysUndoState();
          pushed = true;
        }
        for (int32_t id = hit.WordIndex; id >= 0; id = s_.WordDictionary.FindNext(hit)) {
          if (!isExcluded) {
            steps.SetKey(s_.QueryKind(), {id, s_.ContentMap.ExcludedMode() ? kExcludedWeight : 1.0f});
          } else {
            int32_t index = -1;
            for (int32_t k = 0; k < s_.ContentMap.KeyCount(); ++k) {
              if (s_.ContentMap.Keys()[static_cast<size_t>(k)].Id == id) index = k;
            }
            if (index < 0) index = s_.ContentMap.AddKey(id);
            s_.ContentMap.Keys()[static_cast<size_t>(index)].Flags = KF_EXCLUDED;
            s_.ContentMap.Keys()[static_cast<size_t>(index)].Weight = kExcludedWeight;
            steps.Remove(s_.QueryKind(), id);
            steps.SetKey(s_.ExcludedKind(), {id, s_.ContentMap.ExcludedMode() ? 1.0f : kExcludedWeight});
          }
          changed = true;
        }
      }
      if (changed) s_.ContentMapReGenerate();
      break;
    }
    default:
      return false;
  }
  return true;
}

// The document form, the page links and the links out of the page.
bool TPageCommandExecutor::NavigationRow(const TCall& c) {
  switch (c.Command.Row) {
    case kPageCmdEditSubmit:
      if (c.Command.Form.Cancelled) {
        s_.ShowResults(kEditNone, kPageModeChosen);
        break;
      }
      if (c.N != -1 && OutOfRange(c, c.Entries)) break;
      if (s_.AddUserDocument(c.N, c.Command.Form.Url, c.Command.Form.Title, c.Command.Form.Annotation) != 0 && s_.View) {
        s_.View->RepaintPage();
      }
      break;
    case kPageCmdEditLink:
      if (OutOfRange(c, c.Entries)) break;
      s_.Results.ScrollAnchor = EntryUrl(c, c.N);
      s_.Results.PendingBuild = {true, 1, c.N};
      if (s_.View) s_.View->ReloadPage();
      break;
    case kPageCmdAddNewDocument:
      s_.ShowResults(kEditNewDocument, kPageModeChosen);
      break;
    case kPageCmdToPage: {
      const int32_t pages = std::max<int32_t>(1, (c.Entries + 9) / 10);
      if (c.N < 1 || c.N > pages) {
        LogFile.Log("A page link names no page of the list (" + std::to_string(pages) + " pages): " + Shown(c.Url), 1);
        break;
      }
      s_.Results.ResultPageNumber = c.N;
      s_.Results.PendingBuild = {true, 0, kEditNone};
      if (s_.View) s_.View->ReloadPage();
      break;
    }
    case kPageCmdUpdateLink:
      if (s_.Hooks.OnShowUpdateForm) {
        s_.Hooks.OnShowUpdateForm();
      } else {
        LogFile.Log("The update form is not available yet");
      }
      break;
    case kPageCmdDesktopRedirect: {
      // Only documents: a file of any other type could run (xdg-open starts
      // a ".jar" with Java and an ".exe" with Wine, execute bit or not).
      std::u16string path;
      if (OpenableFile(c.Command.Argument, path) && s_.Opener && s_.Opener->IsDocumentFile(path)) {
        s_.Opener->OpenLocalFile(path);
      } else if (!TargetExists(c.Command.Argument)) {
        if (s_.Opener) s_.Opener->OpenInBrowser(Utf8ToUtf16(c.Url));
      } else {
        LogFile.Log("A desktop-search link names a file that is no document; it is not opened: " +
                        Utf16ToUtf8(c.Command.Argument) + (s_.Opener ? " (" + s_.Opener->MimeTypeOfFile(path) + ")" : ""),
                    1);
      }
      break;
    }
    case kPageCmdLastProject:
      if (OutOfRange(c, kRecentSlots) || s_.Config.RecentProjects[static_cast<size_t>(c.N)].empty()) break;
      s_.OpenNamedProject(std::u16string(s_.Config.RecentProjects[static_cast<size_t>(c.N)]));
      break;
    case kPageCmdHelp:
      if (s_.Hooks.OnHelp) {
        s_.Hooks.OnHelp();
      } else {
        LogFile.Log("Help is not available yet");
      }
      break;
    case kPageCmdOpenInBrowser:
      if (s_.Opener) s_.Opener->OpenInBrowser(Utf8ToUtf16(c.Url));
      break;
    case kPageCmdMail:
      if (s_.Hooks.OnMailTo) {
        s_.Hooks.OnMailTo(c.Command.Argument);
      } else {
        ISendMail mail;
        mail.Setmailto(c.Command.Argument);
        mail.Send();
      }
      break;
    default:
      return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// The page's popup menu

void TKestruneSession::PagePopupClick(TPagePopupItem item) {
  switch (item) {
    case TPagePopupItem::AddToQuery1:
      AddToQuery1Click();
      break;
    case TPagePopupItem::Excludefromquery1:
      Excludefromquery1Click();
      break;
    case TPagePopupItem::UpdateEntry1:
      UpdateEntry1Click();
      break;
    case TPagePopupItem::DeleteEntry1:
      DeleteEntry1Click();
      break;
  }
}

void TKestruneSession::SubmitPagePopupWord(bool exclude) {
  if (Commands.PagePopupWord.empty()) return;
  // Words of a phrase keep their blanks; excluded, each gets its minus.
  std::u16string text = Commands.PagePopupWord;
  const std::u16string blank = exclude ? u" -" : u" ";
  for (size_t at = text.find(u"%20"); at != std::u16string::npos; at = text.find(u"%20", at + blank.size())) {
    text.replace(at, 3, blank);
  }
  if (exclude && !text.starts_with(u" -")) text = u" -" + text;
  if (View) View->SetQueryText(text);
  Entry.SubmitQuery();
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
