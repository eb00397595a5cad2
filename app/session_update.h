// TUpdateUnit: the update check of the main window's session and the news
// block of the start page. The check runs on its own thread and hands its one
// record over to the user-interface thread (the window's news event, or the
// view's queued call), where TakeNews puts it into the check's fields and
// shows the news block.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "app/update_check.h"

namespace kestrune {

class TKestruneSession;

class TUpdateUnit {
 public:
  // session must outlive the unit.
  explicit TUpdateUnit(TKestruneSession& session) : s_(session) {}
  TUpdateUnit(const TUpdateUnit&) = delete;
  TUpdateUnit& operator=(const TUpdateUnit&) = delete;

  // The check's one record, kept from its thread until TakeNews.
  struct TNewsHandOver {
    std::mutex Mutex;
    std::optional<TUpdateResults> Results;
  };
  TNewsHandOver NewsHandOver;
  // The check of the update server; made by the first Update1Click. It goes
  // (its thread joined) before the hand-over it writes to.
  std::unique_ptr<TUpdateCheck> UpdateCheck;

  // The check, made on first use: its record goes to NewsHandOver.
  TUpdateCheck& MakeUpdateCheck();
  // The check, once, in the interface language.
  void Update1Click();
  // The record kept from the check goes into UpdateCheck's fields, then the
  // news block is shown. Nothing when none is kept.
  void TakeNews();
  // The window closes: the check's thread and a download end.
  void StopUpdateCheck();
  // The news block of the start page (the page builder's NewsString): the
  // update's line when one was found, then up to three items; the start page
  // is shown again when it is up and the block is not empty.
  void ShowNewsBlock(const TNewsItemS& items, bool updateFound, std::u16string_view version);
  static std::u16string NewsBlockHtml(const TNewsItemS& items, bool updateFound, std::u16string_view version);
  // An installer was downloaded: the news block no longer offers the update
  // (its news items stay), and the start page, when it is up, is shown again.
  void InstallerDownloaded();

 private:
  TKestruneSession& s_;
};

}  // namespace kestrune
