// IBrowserOpener: what the program hands to the desktop. OpenInBrowser sends a
// web address to the user's browser; OpenLocalFile hands one local file to the
// user's program for its type. The window implements both over the desktop's
// opener (xdg-open); tests give the session a recording fake.
//
// Only http, https and ftp addresses go to the browser: any other scheme
// (file:, javascript:, a program's own scheme) is refused with a log line, so a
// link from a downloaded page cannot open a local file or start a handler. The
// caller of OpenLocalFile decides which files qualify; the opener executes
// nothing itself. Called on the user-interface thread.
#pragma once

#include <string_view>

namespace kestrune {

class IBrowserOpener {
 public:
  virtual ~IBrowserOpener() = default;

  // False when the address is refused or the desktop did not take it.
  bool OpenInBrowser(std::u16string_view url);
  virtual bool OpenLocalFile(std::u16string_view path) = 0;

  // True for an address starting "http://", "https://" or "ftp://" (scheme
  // without regard to case).
  static bool IsBrowserUrl(std::u16string_view url);

 protected:
  // Hands an address that passed IsBrowserUrl to the desktop.
  virtual bool OpenUrl(std::u16string_view url) = 0;
};

}  // namespace kestrune
