#include "app/page_commands.h"

#include <algorithm>
#include <limits>

#include "platform/text.h"
#include "search/page_command_hosts.h"
#include "search/query_url.h"
#include "search/utf8.h"

namespace kestrune {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

// Digits only, no sign, at most 2147483647.
bool ParseDecimal(std::string_view text, int32_t& value) {
  if (text.empty()) return false;
  int64_t n = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
    if (n > std::numeric_limits<int32_t>::max()) return false;
  }
  value = static_cast<int32_t>(n);
  return true;
}

// A URL cut at its delimiters; views into the URL, nothing decoded.
struct TUrlParts {
  std::string scheme;  // lower case; empty when the URL has none
  bool hasAuthority = false;
  std::string_view authority;
  std::string_view path;
  bool hasQuery = false;
  std::string_view query;
  bool hasFragment = false;
};

TUrlParts SplitUrl(std::string_view url) {
  TUrlParts parts;
  const size_t colon = url.find(':');
  const auto schemeChar = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
           c == '.';
  };
  if (colon == std::string_view::npos || colon == 0 || !((url[0] | 0x20) >= 'a' && (url[0] | 0x20) <= 'z') ||
      !std::all_of(url.begin(), url.begin() + static_cast<std::string_view::difference_type>(colon), schemeChar)) {
    parts.path = url;
    return parts;
  }
  for (size_t i = 0; i < colon; ++i) parts.scheme += LowerAscii(url[i]);
  std::string_view rest = url.substr(colon + 1);
  const size_t hash = rest.find('#');
  if (hash != std::string_view::npos) {
    parts.hasFragment = true;
    rest = rest.substr(0, hash);
  }
  const size_t question = rest.find('?');
  if (question != std::string_view::npos) {
    parts.hasQuery = true;
    parts.query = rest.substr(question + 1);
    rest = rest.substr(0, question);
  }
  if (rest.substr(0, 2) == "//") {
    parts.hasAuthority = true;
    rest.remove_prefix(2);
    const size_t slash = rest.find('/');
    parts.authority = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  }
  parts.path = rest;
  return parts;
}

// The path of a "file:" URL on this machine; false for any other URL.
bool LocalFilePath(const TUrlParts& parts, std::string_view& path) {
  if (parts.scheme != "file") return false;
  if (parts.hasAuthority && !parts.authority.empty() && !EqualNoCase(parts.authority, "localhost")) return false;
  if (parts.path.empty() || parts.path[0] != '/') return false;
  path = parts.path;
  return true;
}

bool HasDotSegment(std::string_view path) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string segment = PercentDecode(path.substr(start, end - start));
    if (segment == "." || segment == "..") return true;
    start = end + 1;
  }
  return false;
}

// The raw rest of `path` after the folder `folder` (both absolute, the folder
// ending in "/"), comparing the folder's segments percent-decoded. False when
// the path does not lie inside the folder.
bool RestAfterFolder(std::string_view path, std::string_view folder, std::string_view& rest) {
  size_t p = 1;
  size_t f = 1;
  while (f < folder.size()) {
    const size_t folderEnd = folder.find('/', f);  // the folder ends in "/"
    const size_t pathEnd = path.find('/', p);
    if (pathEnd == std::string_view::npos) return false;
    if (PercentDecode(path.substr(p, pathEnd - p)) != PercentDecode(folder.substr(f, folderEnd - f))) return false;
    p = pathEnd + 1;
    f = folderEnd + 1;
  }
  rest = path.substr(std::min(p, path.size()));
  return true;
}

// How a local row reads what follows its keyword.
enum class TArg { None, Number, Word, Form, QueryText };

struct TLocalRow {
  TPageCommandRow row;
  std::string_view keyword;
  TArg arg;
  bool atStart;   // the keyword opens the rest (else: anywhere in it)
  bool anyCase;
  bool rewrites;  // ends on a page link
};

// The local rows in the order they are tested.
constexpr TLocalRow kLocalRows[] = {
    {kPageCmdUpdateLink, "$update_link", TArg::None, false, false, false},
    {kPageCmdShowStopWords, "show_stop_words", TArg::None, false, false, false},
    {kPageCmdReanimateStopWord, "reanimate_stop_word", TArg::Number, false, false, false},
    {kPageCmdExcludeContextFile, "ExcludeContextFile", TArg::Number, false, false, true},
    {kPageCmdExcludeUrl, "ExcludeURL", TArg::Number, false, false, true},
    {kPageCmdAddToFavorites, "AddToFavorites", TArg::Number, false, false, true},
    {kPageCmdDeleteFromFavorites, "DeleteFromFavorites", TArg::Number, false, false, true},
    {kPageCmdExcludeWord, "ExcludeWord_", TArg::Word, false, false, false},
    {kPageCmdDeletedFiles, "deleted_files", TArg::None, false, false, false},
    {kPageCmdGoToNormal, "GoToNormal", TArg::None, false, false, false},
    {kPageCmdDeletedSites, "deleted_sites", TArg::None, false, false, false},
    {kPageCmdNewLinks, "news_links", TArg::None, false, false, false},
    {kPageCmdOldLinks, "old_links", TArg::None, false, false, false},
    {kPageCmdFavoriteLinks, "favorites_links", TArg::None, false, false, false},
    {kPageCmdDeleteAllOldLinks, "delete_all_oldlinks", TArg::None, false, false, false},
    {kPageCmdDeleteAllExcludedLinks, "delete_all_excluded_links", TArg::None, false, false, false},
    {kPageCmdDeleteAllExcludedSites, "delete_all_excluded_sites", TArg::None, false, false, false},
    {kPageCmdRestoreLink, "RestoreLink", TArg::Number, false, false, true},
    {kPageCmdRestoreSite, "RestoreSite", TArg::Number, false, false, true},
    {kPageCmdEditSubmit, "?EditNumerLink=", TArg::Form, false, false, false},
    {kPageCmdEditLink, "EditLink", TArg::Number, false, false, false},
    {kPageCmdAddNewDocument, "AddNewDocument", TArg::None, false, false, false},
    {kPageCmdShowAll, "show_all_new", TArg::None, false, false, false},
    {kPageCmdShowAll, "show_all_old", TArg::None, false, false, false},
    {kPageCmdShowAll, "show_all_fav", TArg::None, false, false, false},
    {kPageCmdDocAdd, "cmap_announce_doc_add", TArg::Number, true, false, false},
    {kPageCmdDocRemove, "cmap_announce_doc_remove", TArg::Number, true, false, false},
    {kPageCmdDocSimilar, "cmap_announce_doc_similar", TArg::Number, true, false, false},
    {kPageCmdDocBriefcase, "cmap_announce_doc_briefcase", TArg::Number, true, false, false},
    {kPageCmdDocUrl, "cmap_announce_doc_url", TArg::Number, true, false, false},
    {kPageCmdToPage, "toPage", TArg::Number, true, false, false},
    {kPageCmdCluster, "CMAP_CLUSTER_URL", TArg::Number, true, true, false},
    {kPageCmdAddQuery, "blank.html?addquery=", TArg::QueryText, true, false, false},
};

constexpr std::string_view kNotDecimal = "the number of a command link is not a decimal integer";
constexpr std::string_view kNotText = "the text of a command link is not UTF-8";

TPageCommand Cancelled(std::string_view reason) {
  TPageCommand command;
  command.Reason = reason;
  return command;
}

// Reads the fields of a submitted document form ("EditNumerLink=…&…").
TPageCommand ReadDocumentForm(std::string_view fields) {
  TPageCommand command;
  command.Row = kPageCmdEditSubmit;
  bool haveNumber = false;
  std::string_view number;
  bool haveUrl = false, haveTitle = false, haveAnnotation = false;
  bool decoded = true;
  while (!fields.empty()) {
    const size_t amp = fields.find('&');
    const std::string_view field = fields.substr(0, amp);
    fields = amp == std::string_view::npos ? std::string_view() : fields.substr(amp + 1);
    const size_t eq = field.find('=');
    const std::string name = PercentDecode(field.substr(0, eq), true);
    const std::string_view value = eq == std::string_view::npos ? std::string_view() : field.substr(eq + 1);
    const auto take = [&](bool& have, std::u16string& out) {
      if (have) return;  // the first of a repeated field counts
      have = true;
      decoded = PercentDecodeToWide(value, out, true) && decoded;
    };
    if (name == "EditNumerLink" && !haveNumber) {
      haveNumber = true;
      number = value;
    } else if (name == "AddDocumentURL") {
      take(haveUrl, command.Form.Url);
    } else if (name == "AddDocumentTitle") {
      take(haveTitle, command.Form.Title);
    } else if (name == "AddDocumentAnnotation") {
      take(haveAnnotation, command.Form.Annotation);
    } else if (name == "AddDocumentCancel") {
      command.Form.Cancelled = true;
    }
  }
  if (command.Form.Cancelled) return command;
  if (!decoded) return Cancelled(kNotText);
  const std::string digits = PercentDecode(number, true);
  if (digits == "-1") {
    command.Number = -1;
  } else if (!ParseDecimal(digits, command.Number)) {
    return Cancelled(kNotDecimal);
  }
  return command;
}

// The prefix of the page links of the folder: its URL up to the last "/" of
// the path, then "toPage".
std::string PageLinkPrefix(std::string_view folderUrl) {
  std::string_view head = folderUrl.substr(0, folderUrl.find_first_of("?#"));
  return std::string(head.substr(0, head.rfind('/') + 1)) + "toPage";
}

TPageCommand ClassifyLocal(std::string_view rest, const TPageUrlContext& context) {
  // The text argument of three rows is user text: the search for keywords
  // stops where the first of them begins its argument.
  size_t span = rest.size();
  for (const std::string_view free : {std::string_view("ExcludeWord_"), std::string_view("?EditNumerLink=")}) {
    const size_t at = rest.find(free);
    if (at != std::string_view::npos) span = std::min(span, at + free.size());
  }
  constexpr std::string_view kAddQuery = "blank.html?addquery=";
  if (rest.substr(0, kAddQuery.size()) == kAddQuery) span = std::min(span, kAddQuery.size());
  const std::string_view searched = rest.substr(0, span);

  for (const TLocalRow& row : kLocalRows) {
    size_t at = std::string_view::npos;
    if (row.atStart) {
      if (row.keyword.size() <= searched.size() &&
          (row.anyCase ? StartsWithNoCase(searched, row.keyword) : searched.substr(0, row.keyword.size()) == row.keyword))
        at = 0;
    } else {
      at = searched.find(row.keyword);
    }
    if (at == std::string_view::npos) continue;
    const std::string_view argument = rest.substr(at + row.keyword.size());

    TPageCommand command;
    command.Row = row.row;
    switch (row.arg) {
      case TArg::None:
        break;
      case TArg::Number:
        if (!ParseDecimal(argument, command.Number)) return Cancelled(kNotDecimal);
        break;
      case TArg::Word:
        if (!PercentDecodeToWide(argument, command.Argument)) return Cancelled(kNotText);
        break;
      case TArg::QueryText:
        if (!PercentDecodeToWide(argument, command.Argument, true)) return Cancelled(kNotText);
        break;
      case TArg::Form:
        // The fields start after the "?" of the keyword.
        command = ReadDocumentForm(rest.substr(at + 1));
        break;
    }
    if (row.rewrites) command.Rewrite = PageLinkPrefix(context.TemplateFolderUrl);
    return command;
  }
  return Cancelled("a file of the template folder that names no command");
}

// Rows 3 to 11: the command hosts of "http:" links.
struct THostRow {
  TPageCommandRow row;
  std::string_view host;
  TArg arg;
};

constexpr THostRow kHostRows[] = {
    {kPageCmdSelectScope, kHostSelectScope, TArg::Number},
    {kPageCmdAddToHistory, kHostAddToHistory, TArg::None},
    {kPageCmdDeleteFromHistory, kHostDeleteFromHistory, TArg::Number},
    {kPageCmdUpdateHistory, kHostUpdateHistory, TArg::None},
    {kPageCmdSendLastQuery, kHostSendLastQuery, TArg::Number},
    {kPageCmdLastProject, kHostLastProject, TArg::Number},
    {kPageCmdContextMenuAnnotation, kHostContextMenuAnnotation, TArg::Word},
    {kPageCmdContextMenuScope, kHostContextMenuScope, TArg::Number},
};

static_assert(std::size(kHostRows) + 1 == kPageCommandHosts.size(), "every command host but help has its row");

bool IsDesktopSearchEngine(std::string_view name) {
  return std::find(std::begin(kDesktopSearchEngines), std::end(kDesktopSearchEngines), name) !=
         std::end(kDesktopSearchEngines);
}

}  // namespace

TPageCommand ClassifyPageUrl(std::string_view url, const TPageUrlContext& context) {
  if (context.OwnLoad) {
    TPageCommand command;
    command.Row = kPageCmdGoAhead;
    return command;
  }
  if (std::any_of(url.begin(), url.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
    return Cancelled("a link holding control characters");

  const TUrlParts parts = SplitUrl(url);
  if (parts.scheme == "about" && !parts.hasAuthority && EqualNoCase(parts.path, "blank") && !parts.hasQuery &&
      !parts.hasFragment) {
    TPageCommand command;
    command.Row = kPageCmdGoAhead;
    return command;
  }

  std::string_view path;
  if (LocalFilePath(parts, path)) {
    const TUrlParts folderParts = SplitUrl(context.TemplateFolderUrl);
    std::string_view folderPath;
    std::string_view rest;
    if (HasDotSegment(path)) return Cancelled("a file link with a \".\" or \"..\" segment");
    if (!LocalFilePath(folderParts, folderPath) || HasDotSegment(folderPath) ||
        !RestAfterFolder(path, folderPath.substr(0, folderPath.rfind('/') + 1), rest)) {
      return Cancelled("a file outside the template folder");
    }
    std::string restWithQuery(rest);
    if (parts.hasQuery) (restWithQuery += '?') += parts.query;
    return ClassifyLocal(restWithQuery, context);
  }

  const bool http = parts.scheme == "http";
  const bool web = http || parts.scheme == "https" || parts.scheme == "ftp";
  std::string_view reason;
  if ((http || parts.scheme == "https") && IsDesktopSearchEngine(context.EngineName)) {
    const size_t at = url.find("?url=");
    if (at != std::string_view::npos) {
      const size_t start = at + 5;
      const size_t end = url.find("&src=", start);
      TPageCommand command;
      command.Row = kPageCmdDesktopRedirect;
      if (PercentDecodeToWide(url.substr(start, end == std::string_view::npos ? end : end - start), command.Argument,
                              true))
        return command;
      reason = "the target of a desktop-search redirect is not UTF-8; the link goes to the browser";
    }
  }

  if (http && parts.hasAuthority) {
    const std::string_view argument = parts.path.empty() ? parts.path : parts.path.substr(1);
    if (EqualNoCase(parts.authority, kHostHelp) && argument.empty() && !parts.hasQuery && !parts.hasFragment) {
      TPageCommand command;
      command.Row = kPageCmdHelp;
      return command;
    }
    for (const THostRow& row : kHostRows) {
      if (!EqualNoCase(parts.authority, row.host)) continue;
      TPageCommand command;
      command.Row = row.row;
      if (row.arg == TArg::Number) {
        int32_t number = 0;
        if (!ParseDecimal(PercentDecode(argument), number)) return Cancelled(kNotDecimal);
        command.Number = number;
      } else if (row.arg == TArg::Word && !PercentDecodeToWide(argument, command.Argument)) {
        return Cancelled(kNotText);
      }
      return command;
    }
  }

  if (web) {
    if (!parts.hasAuthority || parts.authority.empty()) return Cancelled("a web link without a host");
    TPageCommand command;
    command.Row = kPageCmdOpenInBrowser;
    command.Reason = reason;
    return command;
  }
  if (parts.scheme == "mailto") {
    TPageCommand command;
    command.Row = kPageCmdMail;
    if (!PercentDecodeToWide(parts.path, command.Argument)) return Cancelled(kNotText);
    return command;
  }
  if (parts.scheme == "file") return Cancelled("a file outside the template folder");
  return Cancelled("a link of a scheme the page never follows");
}

}  // namespace kestrune
