// The update check of the session: its start, the hand-over of its record to
// the user-interface thread, and the news block of the start page.
#include "app/session_update.h"

#include "app/connect_probe.h"
#include "app/kestrune_session.h"
#include "core/log_file.h"
#include "core/message_strings.h"
#include "platform/text.h"
#include "search/page_command_hosts.h"
#include "search/page_modes.h"

namespace kestrune {

namespace {

// A link the page may carry: http or https only (any letter case), and no
// command host of the page (a news item's link is no command).
bool IsWebLink(std::u16string_view link) {
  std::string lower;
  for (char16_t c : link.substr(0, 8)) lower += static_cast<char>(c < 0x80 ? std::tolower(c) : '?');
  return (lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0) &&
         !AddressHasPageCommandHost(platform::Utf16ToUtf8(link));
}

}  // namespace

TUpdateCheck& TUpdateUnit::MakeUpdateCheck() {
  if (!UpdateCheck) {
    UpdateCheck = std::make_unique<TUpdateCheck>(s_.Run.Probe ? s_.Run.Probe : &ConnectProbe(), s_.ProgramFolder());
    UpdateCheck->OnResults = [this](TUpdateResults results) {
      {
        const std::lock_guard lock(NewsHandOver.Mutex);
        NewsHandOver.Results = std::move(results);
      }
      if (s_.Hooks.OnPostNews) {
        s_.Hooks.OnPostNews();
      } else if (s_.View) {
        s_.View->PostToUi([this] { TakeNews(); });
      }
    };
  }
  return *UpdateCheck;
}

void TUpdateUnit::Update1Click() {
  MakeUpdateCheck().StartUpdateCheck(s_.Config.LangFolderName(), MessageStrings.smLanguage);
}

void TUpdateUnit::TakeNews() {
  std::optional<TUpdateResults> results;
  {
    const std::lock_guard lock(NewsHandOver.Mutex);
    results.swap(NewsHandOver.Results);
  }
  if (!results || !UpdateCheck) return;
  UpdateCheck->TakeResults(std::move(*results));
  ShowNewsBlock(UpdateCheck->NewsItems, UpdateCheck->UpdateFound, platform::Utf8ToUtf16(UpdateCheck->BestVersion));
}

void TUpdateUnit::StopUpdateCheck() {
  if (UpdateCheck) UpdateCheck->StopUpdateCheck();
}

void TUpdateUnit::InstallerDownloaded() {
  TResultView& results = s_.Results;
  results.PageResults.NewsString = NewsBlockHtml(UpdateCheck ? UpdateCheck->NewsItems : TNewsItemS{}, false, u"");
  if (results.LastPageMode == kPageModeNoQuery) s_.ShowResults(kEditNone, kPageModeChosen);
}

std::u16string TUpdateUnit::NewsBlockHtml(const TNewsItemS& items, bool updateFound,
                                                std::u16string_view version) {
  std::u16string html;
  if (updateFound) html += MessageStrings.UpdateText(TPageResults::EscapeText(version));
  const size_t count = std::min<size_t>(items.size(), 3);
  for (size_t i = 0; i < count; ++i) {
    const TNewsItem& item = items[i];
    html += u"<p><span style=\"font-weight:bold; color:#888888;\">" + TPageResults::EscapeText(item.Date) +
            u"</span><br>";
    if (!item.Link.empty() && IsWebLink(item.Link)) {
      html += u"<a href=\"" + TPageResults::EscapeText(item.Link) + u"\">" + TPageResults::EscapeText(item.Title) +
              u"</a></p>";
    } else {
      html += TPageResults::EscapeText(item.Title) + u"</p>";
    }
  }
  return html;
}

void TUpdateUnit::ShowNewsBlock(const TNewsItemS& items, bool updateFound, std::u16string_view version) {
  TResultView& results = s_.Results;
  results.PageResults.NewsString = NewsBlockHtml(items, updateFound, version);
  if (results.LastPageMode == kPageModeNoQuery && !results.PageResults.NewsString.empty()) {
    s_.ShowResults(kEditNone, kPageModeChosen);
  }
}

}  // namespace kestrune
