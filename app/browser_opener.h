// IBrowserOpener: what the program hands to the desktop. OpenInBrowser sends a
// web address to the user's browser; OpenLocalFile hands one local file to the
// user's program for its type; OpenHelpPage hands the local help page to the
// user's browser. The window implements them over the desktop's opener
// (xdg-open); tests give the session a recording fake.
//
// Only http, https and ftp addresses go to the browser: any other scheme
// (file:, javascript:, a program's own scheme) is refused with a log line, so a
// link from a downloaded page cannot open a local file or start a handler. The
// caller of OpenLocalFile decides which files qualify (IsDocumentFile for a
// file a page names); the opener executes nothing itself. Called on the
// user-interface thread.
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

class IBrowserOpener {
 public:
  virtual ~IBrowserOpener() = default;

  // False when the address is refused or the desktop did not take it.
  bool OpenInBrowser(std::u16string_view url);
  virtual bool OpenLocalFile(std::u16string_view path) = 0;
  // False when the desktop did not take the page. The window's opener watches
  // it as it watches web addresses: a browser that does not answer is told
  // (smCannotOpenHelp) when the opener has ended. Unless overridden: as
  // OpenLocalFile.
  virtual bool OpenHelpPage(std::u16string_view path) { return OpenLocalFile(path); }
  // A file the person chose to open (in the project manager's tree): false
  // when the desktop did not take it. The window's opener watches it as it
  // watches the help page, and tells (smCannotOpenFile) when nothing took
  // it. Unless overridden: as OpenLocalFile.
  virtual bool OpenChosenFile(std::u16string_view path) { return OpenLocalFile(path); }

  // True for an address starting "http://", "https://" or "ftp://" (scheme
  // without regard to case).
  static bool IsBrowserUrl(std::u16string_view url);

  // The MIME type of a local file ("type/subtype", lower case), from its
  // content and its name as the desktop's MIME database decides it;
  // "application/octet-stream" when it knows none.
  virtual std::string MimeTypeOfFile(std::u16string_view path) = 0;
  // A file that is a document by its MIME type (IsDocumentType): one that the
  // desktop shows, never runs.
  bool IsDocumentFile(std::u16string_view path) { return IsDocumentType(MimeTypeOfFile(path)); }
  // Documents: plain text (not its subtypes: scripts, HTML, source code), PDF,
  // the office formats (Word, Excel, PowerPoint and RTF, Office Open XML
  // without macros, OpenDocument), images but SVG (which may hold scripts),
  // audio and video.
  static bool IsDocumentType(std::string_view mimeType);

 protected:
  // Hands an address that passed IsBrowserUrl to the desktop.
  virtual bool OpenUrl(std::u16string_view url) = 0;
};

}  // namespace kestrune
