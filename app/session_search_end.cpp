// How the last search's download ended, as the result page says it: the
// engine could not be reached, did not answer in time, answered with an
// error, broke off, or the user stopped the search. The items of the pages
// read whole before the end are merged as always; the page says that the
// search ended early.
#include "app/kestrune_session.h"
#include "core/message_strings.h"
#include "platform/text.h"

namespace kestrune {

namespace {

// smEngineHttpError with every "%S" replaced by the status: a language
// file's text is never used as a format.
std::u16string HttpErrorText(int32_t status) {
  std::u16string text = MessageStrings.smEngineHttpError;
  const std::u16string number = platform::Utf8ToUtf16(std::to_string(status));
  for (size_t at = text.find(u"%S"); at != std::u16string::npos; at = text.find(u"%S", at + number.size())) {
    text.replace(at, 2, number);
  }
  return text;
}

}  // namespace

void TKestruneSession::NoteSearchEnd() {
  SearchEnd = TSearchEnd();
  if (!Engine) return;
  SearchEnd.Failure = Engine->DownloadFailure();
  SearchEnd.HttpStatus = Engine->DownloadFailureStatus();
  // The stop request is cleared when the run begins: set now, Stop was
  // pressed (or the window closed) while the engine worked.
  SearchEnd.Stopped = StopRequested;
}

std::u16string TKestruneSession::SearchEndText(const TSearchEnd& end, bool documentsShown) {
  std::u16string text;
  switch (end.Failure) {
    case TDownloadFailure::Unreachable: text = MessageStrings.smEngineUnreachable; break;
    case TDownloadFailure::TimedOut: text = MessageStrings.smEngineTimedOut; break;
    case TDownloadFailure::HttpError: text = HttpErrorText(end.HttpStatus); break;
    case TDownloadFailure::Cut: text = MessageStrings.smEngineAnswerCut; break;
    case TDownloadFailure::None:
      if (end.Stopped) text = MessageStrings.smSearchStopped;
      break;
  }
  if (documentsShown && !text.empty()) text += u" " + MessageStrings.smSearchEndedEarly;
  return text;
}

std::u16string TKestruneSession::SearchNoticeForPage(int32_t mode) const {
  if (mode == kPageModeNoConnection) {
    const std::u16string text = SearchEndText(SearchEnd, false);
    return text.empty() ? MessageStrings.smEngineUnreachable : text;
  }
  return mode == kPageModeResults ? SearchEndText(SearchEnd, true) : std::u16string();
}

}  // namespace kestrune
