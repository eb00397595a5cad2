// The desktop's services for the session: the opener over QDesktopServices
// (xdg-open: the user's browser for web addresses, the user's program for a
// file's type) with the MIME types of QMimeDatabase, and the platform message
// box as a QMessageBox, at least as wide as its caption needs.
//
// A web address, the help page and a file chosen in the project manager go
// to xdg-open, which runs on its own; when it cannot be started or ends with
// a failure (no browser, nothing that takes the address), a message box names
// the address (smCannotOpenLink), the page (smCannotOpenHelp) or the file
// (smCannotOpenFile), as the desktop said nothing.
//
// Used on the user-interface thread only.
#pragma once

#include <QString>

#include "app/browser_opener.h"

namespace kestrune {

class TDesktopOpener : public IBrowserOpener {
 public:
  // The desktop's opener; "xdg-open" (found on PATH) unless set.
  QString OpenerProgram = QStringLiteral("xdg-open");

  bool OpenLocalFile(std::u16string_view path) override;
  bool OpenHelpPage(std::u16string_view path) override;
  bool OpenChosenFile(std::u16string_view path) override;
  // QMimeDatabase: the file's content and its name (the desktop's
  // shared-mime-info database, as xdg-open reads it).
  std::string MimeTypeOfFile(std::u16string_view path) override;

 protected:
  bool OpenUrl(std::u16string_view url) override;

 private:
  // Starts the opener on `argument`; when it fails, `failure` and `shown`
  // go into the message box.
  void StartWatched(const QString& argument, const std::u16string* failure, const QString& shown);
  // The same for a local file.
  void StartWatchedFile(std::u16string_view path, const std::u16string* failure);
};

// While it exists, the mail program's end is told on the user-interface
// thread: ISendMail's poster queues its calls on the application object.
// Made after the application object and gone before it.
class TMailReportQueue {
 public:
  TMailReportQueue();
  ~TMailReportQueue();
  TMailReportQueue(const TMailReportQueue&) = delete;
  TMailReportQueue& operator=(const TMailReportQueue&) = delete;
};

// Installs a QMessageBox as the platform message box (platform/message_box.h)
// unless a handler is installed already (a test's, for example). Buttons,
// icons and answers follow the platform::kMb... and kId... values.
void InstallQtMessageBox();
// The width a message box takes at least, so that the frame's title bar
// shows its caption whole: the caption in the title bar's (bold) font and
// the room of the frame's icon and buttons.
int MessageBoxTitleWidth(const QString& caption);

}  // namespace kestrune
