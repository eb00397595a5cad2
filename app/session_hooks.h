// The hooks of TKestruneSession that the main window and its forms fill: the
// parts of the program that live in widgets (the update form, help, the
// mail action, the splash form, the interface language, the news event, the
// network editor). An unset hook is logged or skipped where it would be
// called, as each says.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "core/keys.h"

namespace kestrune {

class ISendMail;

// The entries of the result page's popup menu.
enum class TPagePopupItem { AddToQuery1, Excludefromquery1, UpdateEntry1, DeleteEntry1 };

struct TSessionHooks {
  std::function<void()> OnShowUpdateForm;                        // the page's update link
  std::function<void()> OnHelp;                                  // the help link
  // A "mailto:" link; unset: the user's mail program (ISendMail).
  std::function<void(std::u16string_view address)> OnMailTo;
  // Progress of LoadDictionaries (the splash form): the percentage of the
  // dictionary being loaded, a text for the splash's label (empty: keep the
  // last), the dictionaries to load and those loaded. First (0, "", 0, 0);
  // at each file's start (0, "Dict " + its name, count, done), then the
  // file's own progress; at the end (100, "", 1, 1).
  std::function<void(int32_t percent, std::u16string_view text, int32_t dictCount, int32_t dictDone)>
      OnDictionaryProgress;
  // The interface language over the live forms: the window binds it.
  std::function<void()> OnApplyLanguage;
  // Asks the window to run TakeNews (its news event); called on the update
  // check's thread. Unset: the view's queued call (IMainView::PostToUi).
  std::function<void()> OnPostNews;
  // "Edit Element" of the map's popup: the network editor opens on this key,
  // the first of the marked group. Unset: logged.
  std::function<void(const TNNKey& key)> OnEditElement;
  // Every mail of the session (the page, the map, "Tell a friend", the about
  // box's and the bug report's when the window passes them on) is handed
  // here filled; unset: ISendMail::Send.
  std::function<void(ISendMail& mail)> OnSendMail;
  // Asked first when the window is to close: True keeps it (the project's
  // save question answered Cancel). Unset: the window closes.
  std::function<bool()> OnSaveQuestion;
  // Step 3 of the close: the update check stops. Unset: StopUpdateCheck.
  std::function<void()> OnStopUpdateCheck;
};

}  // namespace kestrune
