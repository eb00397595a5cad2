// The recent queries and projects of TKestruneSession, their blocks on the
// start page, and the start page itself.
#include <algorithm>
#include <exception>
#include <string>

#include "app/kestrune_session.h"
#include "app/projects_folder.h"
#include "core/log_file.h"
#include "core/message_strings.h"
#include "app/window_commands.h"
#include "platform/files.h"
#include "platform/text.h"
#include "search/page_modes.h"

namespace kestrune {

namespace {

constexpr std::u16string_view kSendLastQueryLink = u"http://kestrunesendlastquery/";

// Moves or inserts `text` at the top: an entry that differs only in letter
// case goes, else the last one. The count stays.
void AddRecent(std::array<std::u16string, kRecentSlots>& list, std::u16string_view text) {
  if (text.empty()) return;
  const std::u16string entry(text);  // `text` may be an entry of the list
  const std::u16string lower = platform::WideLowerCase(entry);
  auto found = std::find_if(list.begin(), list.end(),
                            [&](const std::u16string& item) { return platform::WideLowerCase(item) == lower; });
  if (found == list.end()) found = list.end() - 1;
  std::move_backward(list.begin(), found, found + 1);
  list.front() = entry;
}

// A project's visible name: its file name without folder and extension.
std::u16string ProjectTitle(std::u16string_view path) {
  const size_t slash = path.find_last_of(u"/\\");
  std::u16string_view name = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind(u'.');
  if (dot != std::u16string_view::npos) name = name.substr(0, dot);
  return std::u16string(name);
}

// The block of a list: a heading over one item per non-empty entry, each a
// link of `link` + its index; empty when no entry is.
template <typename TTitle>
std::u16string RecentBlock(const std::array<std::u16string, kRecentSlots>& list, std::u16string_view link,
                           std::u16string_view heading, TTitle title) {
  std::u16string items;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].empty()) continue;
    items += u"<li style=\"list-style-type:square;\"><A href=\"";
    items += link;
    items += platform::Utf8ToUtf16(std::to_string(i));
    items += u"\">" + TPageResults::EscapeText(title(list[i])) + u"</a></li>";
  }
  if (items.empty()) return {};
  return u"<li>" + std::u16string(heading) + u"</li><ul>" + items + u"</ul><br>";
}

}  // namespace

std::u16string TKestruneSession::RecentQueriesHtml(const std::array<std::u16string, kRecentSlots>& queries) {
  return RecentBlock(queries, kSendLastQueryLink, MessageStrings.smTheLatestSearchQueries,
                     [](const std::u16string& query) { return query; });
}

std::u16string TKestruneSession::RecentProjectsHtml(const std::array<std::u16string, kRecentSlots>& projects) {
  return RecentBlock(projects, kLastProjectLink, MessageStrings.smOpenLatestProjects,
                     [](const std::u16string& path) { return ProjectTitle(path); });
}

void TKestruneSession::AddRecentQuery(std::u16string_view text) {
  if (text.empty()) return;
  AddRecent(Config.RecentQueries, text);
  Results.PageResults.LastQueryHtml = RecentQueriesHtml(Config.RecentQueries);
}

void TKestruneSession::AddRecentProject(std::u16string_view path) {
  if (path.empty()) return;
  AddRecent(Config.RecentProjects, path);
  Results.PageResults.LastProjectHtml = RecentProjectsHtml(Config.RecentProjects);
}

void TKestruneSession::RemoveRecentProject(std::u16string_view path) {
  std::array<std::u16string, kRecentSlots>& list = Config.RecentProjects;
  const std::u16string lower = platform::WideLowerCase(path);
  auto found = std::find_if(list.begin(), list.end(),
                            [&](const std::u16string& item) { return platform::WideLowerCase(item) == lower; });
  if (path.empty() || found == list.end()) return;
  std::move(found + 1, list.end(), found);
  list.back().clear();
  Results.PageResults.LastProjectHtml = RecentProjectsHtml(list);
}

void TKestruneSession::FollowMovedProjects(std::u16string_view from, std::u16string_view to) {
  std::array<std::u16string, kRecentSlots>& list = Config.RecentProjects;
  const std::array<std::u16string, kRecentSlots> before = list;
  // What named the target before the move named what it replaced.
  const std::u16string target = CleanPath(to);
  const auto end = std::remove_if(list.begin(), list.end(), [&](const std::u16string& entry) {
    return !entry.empty() && IsSameOrInside(CleanPath(entry), target);
  });
  std::fill(end, list.end(), std::u16string());
  for (std::u16string& entry : list) entry = MovedPath(entry, from, to);
  if (list == before) return;
  Results.PageResults.LastProjectHtml = RecentProjectsHtml(list);
  if (Results.LastPageMode == kPageModeNoQuery) ShowResults(kEditNone, kPageModeChosen);
}

std::u16string TKestruneSession::StartPageFolder() const {
  const std::u16string folder = Config.TemplateFolder();
  if (platform::FileExists(folder + platform::Utf8ToUtf16(BlankPageOfMode(kPageModeNoQuery)))) return folder;
  return ProgramFolder() + u"templates/en/";
}

void TKestruneSession::ShowStartPage() {
  AddRecentQuery(Config.RecentQueries[0]);
  AddRecentProject(Config.RecentProjects[0]);
  try {
    if (Results.PageResults.TemplateLanguage != Config.InterfaceLang || Results.PageResults.TemplatePath().empty()) {
      Results.PageResults.TemplateLanguage = Config.InterfaceLang;
      Results.PageResults.SetTemplatePath(platform::Utf16ToUtf8(Config.TemplateFolder()));
    }
    // The English page stands in for a language without one; the result
    // pages keep the language's folder.
    const std::string folder = platform::Utf16ToUtf8(StartPageFolder());
    const std::string kept = Results.PageResults.TemplatePath();
    if (folder != kept) Results.PageResults.SetTemplatePath(folder);
    Results.LastPageMode = kPageModeNoQuery;
    Results.PageResults.SearchNotice.clear();
    Results.WritePage(Results.PageResults.BuildPage(kPageModeNoQuery, Results.ResultPageNumber, Project.Counters, kEditNone));
    if (folder != kept) Results.PageResults.SetTemplatePath(kept);
  } catch (const std::exception& error) {
    LogFile.Log(std::string("The start page could not be shown: ") + error.what(), 2);
  }
}

}  // namespace kestrune
