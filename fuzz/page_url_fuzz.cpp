// Feeds arbitrary bytes to the in-page command classifier as the URL the
// result page is about to load, once for a web engine and once for a
// desktop-search engine, and checks what the window relies on: a local
// command comes only from a file of the template folder, a web command only
// from its scheme, a refused link has a reason, a page-link rewrite
// classifies as the page switch, and every link the classifier takes for a
// command host is one that documents may not have (AddressHasPageCommandHost).
#include <cstddef>
#include <cstdint>
#include <cctype>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/page_commands.h"
#include "search/page_command_hosts.h"
#include "search/query_url.h"

using namespace kestrune;

namespace {

constexpr std::string_view kFolderUrl = "file:///opt/Kestrune%20Search/templates/en/";
const std::vector<std::string> kFolderSegments = {"opt", "Kestrune Search", "templates", "en"};

bool StartsNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

// The file of the URL lies inside the template folder: read here on its own,
// segment by segment.
bool InsideFolder(std::string_view url) {
  url = url.substr(0, url.find_first_of("?#"));
  if (!StartsNoCase(url, "file:")) return false;
  url.remove_prefix(5);
  if (StartsNoCase(url, "//localhost/")) {
    url.remove_prefix(11);
  } else if (url.substr(0, 3) == "///") {
    url.remove_prefix(2);
  } else if (url.substr(0, 2) == "//" || url.substr(0, 1) != "/") {
    return false;
  }
  std::vector<std::string> segments;
  for (size_t start = 1;;) {
    const size_t end = url.find('/', start);
    segments.push_back(PercentDecode(url.substr(start, end == std::string_view::npos ? end : end - start)));
    if (segments.back() == "." || segments.back() == "..") return false;
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (segments.size() <= kFolderSegments.size()) return false;
  for (size_t i = 0; i < kFolderSegments.size(); ++i) {
    if (segments[i] != kFolderSegments[i]) return false;
  }
  return true;
}

// The rows whose argument is a number of a list.
bool NumberedRow(TPageCommandRow row) {
  switch (row) {
    case kPageCmdSelectScope: case kPageCmdDeleteFromHistory: case kPageCmdSendLastQuery: case kPageCmdLastProject:
    case kPageCmdContextMenuScope: case kPageCmdReanimateStopWord: case kPageCmdExcludeContextFile:
    case kPageCmdExcludeUrl: case kPageCmdAddToFavorites: case kPageCmdDeleteFromFavorites: case kPageCmdRestoreLink:
    case kPageCmdRestoreSite: case kPageCmdEditLink:
      return true;
    default:
      return row >= kPageCmdDocAdd && row <= kPageCmdCluster;
  }
}

void Check(std::string_view url, std::string_view engine) {
  const TPageUrlContext context{std::string(kFolderUrl), std::string(engine), false};
  const TPageCommand command = ClassifyPageUrl(url, context);
  const TPageCommandRow row = command.Row;
  if (IsLocalPageCommand(row) && !InsideFolder(url)) std::abort();
  if (row == kPageCmdDesktopRedirect && (engine == "Google" || !StartsNoCase(url, "http"))) std::abort();
  if (row >= kPageCmdSelectScope && row <= kPageCmdHelp && !StartsNoCase(url, "http://")) std::abort();
  if (row >= kPageCmdSelectScope && row <= kPageCmdHelp && !AddressHasPageCommandHost(url)) std::abort();
  if (row == kPageCmdOpenInBrowser && !StartsNoCase(url, "http://") && !StartsNoCase(url, "https://") &&
      !StartsNoCase(url, "ftp://"))
    std::abort();
  if (row == kPageCmdMail && !StartsNoCase(url, "mailto:")) std::abort();
  if (row == kPageCmdGoAhead && !(url.size() == 11 && StartsNoCase(url, "about:blank"))) std::abort();
  if (row == kPageCmdCancel && command.Reason.empty()) std::abort();
  if (NumberedRow(row) ? command.Number < 0 : command.Number < -1 || (command.Number != -1 && row != kPageCmdEditSubmit))
    std::abort();
  if (!command.Rewrite.empty()) {
    const int32_t page = static_cast<int32_t>(url.size() % 50) + 1;
    const TPageCommand next = ClassifyPageUrl(command.RewriteUrl(page), context);
    if (next.Row != kPageCmdToPage || next.Number != page) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view url(reinterpret_cast<const char*>(data), size);
  Check(url, "Google");
  Check(url, "Google Desktop");
  return 0;
}
