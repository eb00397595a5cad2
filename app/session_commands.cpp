// The window's commands outside a search on TKestruneSession: mail, help,
// the status label, closing, the track bars, the options dialog's reset.
#include <algorithm>

#include "app/browser_opener.h"
#include "app/kestrune_session.h"
#include "app/recent_merge.h"
#include "app/run_temp_folder.h"
#include "core/frame.h"
#include "core/log_file.h"
#include "core/message.h"
#include "core/message_strings.h"
#include "core/stream.h"
#include "platform/files.h"
#include "platform/text.h"
#include "search/html_parser.h"
#include "search/page_modes.h"

namespace kestrune {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

namespace {

// The lines of a text whose lines end in CR LF (or LF).
std::vector<std::u16string> TextLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(u'\n', start);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace

void TKestruneSession::SendMail(ISendMail& mail) {
  if (Hooks.OnSendMail) {
    Hooks.OnSendMail(mail);
  } else {
    mail.Send();
  }
}

void TKestruneSession::EmbeddedWB1StatusTextChange(std::u16string_view text) {
  const std::optional<std::u16string> shown = StatusTextFor(text, SearchRunning(), Config.RecentProjects);
  if (shown && View) View->SetText(TMainControl::Label1, *shown);
}

void TKestruneSession::BtnSendmailClick(std::u16string_view pageHtml) {
  // The window's parser (the page builder's keeps the shown page's marks);
  // with AnalysisMainBlock only the page's main block is mailed.
  VSHTMLParser.Clear();
  VSHTMLParser.ParseWide(pageHtml);
  ISendMail mail;
  mail.Text() = TextLines(Utf8ToUtf16(VSHTMLParser.GetPlainText()));
  VSHTMLParser.Clear();
  SendMail(mail);
}

void TKestruneSession::BtnSendMapClick(const std::function<bool(std::u16string_view path)>& writeJpeg) {
  const std::u16string folder = RunTempFolder();
  if (folder.empty()) {
    LogFile.Log("Mail the map: no temporary folder for the picture", 1);
    return;
  }
  const std::u16string path = folder + u"map.jpg";
  if (!writeJpeg || !writeJpeg(path)) {
    LogFile.Log("Mail the map: the picture could not be written: " + Utf16ToUtf8(path), 1);
    return;
  }
  ISendMail mail;
  mail.files().push_back(path);
  SendMail(mail);
}

void TKestruneSession::sfrendClick() {
  ISendMail mail;
  const TMessageStrings& m = MessageStrings;
  mail.Text() = {m.smHello, u"", m.smMail1, u"", m.smMail2, m.smDownload, m.smMail3, m.smKestrune};
  SendMail(mail);
}

std::u16string TKestruneSession::HelpPage() const {
  return HelpPageFile(ProgramFolder(), Utf8ToUtf16(Config.LangFolderName()),
                      [](std::u16string_view path) { return platform::RegularFileExists(path); });
}

void TKestruneSession::BtnHelpClick() {
  const std::u16string page = HelpPage();
  const std::u16string shown = page.empty() ? ProgramFolder() + u"help/" : page;
  if (page.empty()) {
    LogFile.Log("Help: no help page in " + Utf16ToUtf8(shown), 1);
  } else if (!Opener || !Opener->OpenHelpPage(page)) {
    LogFile.Log("Help: the page did not open: " + Utf16ToUtf8(page), 1);
  } else {
    return;
  }
  ShowMessage(MessageStrings.smCannotOpenHelp + u"\n" + shown, MessageStrings.smMes,
              platform::kMbOk | platform::kMbIconWarning);
}

void TKestruneSession::bbbbClick() { SetVisible(TMainControl::IProgressBar1, false); }

void TKestruneSession::ResetKeepQuery() {
  const std::u16string text = GetQueryText();
  ClearProject();
  ShowResults(kEditNone, kPageModeChosen);
  if (View) View->SetQueryText(text);
}

bool TKestruneSession::FormCloseQuery() {
  Run.Closing = true;
  if (Hooks.OnSaveQuestion && Hooks.OnSaveQuestion()) {
    Run.Closing = false;
    return false;
  }
  LogFile.Log("FormCloseQuery", 0);
  return true;
}

bool TKestruneSession::SaveQueryFile() {
  const std::u16string file = Config.BasesFolder + u"query.dat";
  // What another run wrote since the file was read stays, after this run's
  // new queries; a file that is there but cannot be read is not merged.
  std::vector<std::u16string> stored;
  int32_t dropped = 0;
  if (ReadQueryFileItems(file, stored, dropped) || !platform::GetPathInfo(file).exists) {
    Entry.QueryItems = MergeRecentLists(Entry.LoadedQueryItems, Entry.QueryItems, stored, Entry.HistoryCleared,
                                        kMaxSavedQueries, [](std::u16string_view a, std::u16string_view b) { return a == b; });
  }
  const std::string bytes = QueryFileBytes(Entry.QueryItems);
  const int32_t result = SaveFileAtomically(file, -1, [&bytes](TStream& out) -> int32_t {
    out.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    return 0;
  });
  if (result != 0) {
    LogFile.Log("The query list could not be saved: " + Utf16ToUtf8(file), 1);
    return false;
  }
  Entry.LoadedQueryItems = Entry.QueryItems;
  Entry.HistoryCleared = false;
  return true;
}

void TKestruneSession::FormClose() {
  // The query on the map goes to the recent queries.
  AddRecentQuery(GetQueryText());
  // The query box's list, at most kMaxSavedQueries items.
  if (Entry.QueryItems.size() > kMaxSavedQueries) Entry.QueryItems.resize(kMaxSavedQueries);
  SaveQueryFile();
  // The update check, the search and the advertising engine stop.
  if (Hooks.OnStopUpdateCheck) {
    Hooks.OnStopUpdateCheck();
  } else {
    StopUpdateCheck();
  }
  if (Run.Engine && Run.Engine->Busy()) Run.Engine->StopSearch();
  StopAdvertEngine();
  // The busy state goes.
  Run.StopRequested = true;
  SetVisible(TMainControl::IProgressBar1, false);
  SetVisible(TMainControl::ibitmap27, false);
  if (View) View->SetText(TMainControl::TntLabel1, MessageStrings.smStopSearch);
}

void TKestruneSession::TrackBar3Change(int32_t position) {
  position = std::clamp(position, 0, kMaxTrackPosExact);
  Config.MatchSetting = position;
  Config.Settings.TrackPosExact = position;
}

void TKestruneSession::TrackBar3MouseUp() {
  if (Project.Documents.empty()) return;
  ContentMapReGenerate();
  ShowResults(kEditNone, kPageModeChosen);
}

void TKestruneSession::TrackBar2Change(int32_t position) { TrackBar3Change(position); }

void TKestruneSession::TrackBarMouseUp() {
  if (ContentMap.KeyCount() > 0) ContentMapReGenerate();
}

}  // namespace kestrune
