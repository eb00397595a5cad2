// TEmbeddedBrowser: the browser control of the main window, where the result
// page and the start page are shown (Qt WebEngine).
//
// Pages are written into it whole (WriteHtml): the UTF-16 text goes in as
// UTF-8, with the template folder as its base address, so that the pages'
// images, styles and local command links resolve inside that folder. A page
// above kLargePageBytes is
// written to a temporary file in the user's cache folder, with a <base>
// element naming the template folder, and loaded from there; the file goes
// with the next page or the control.
//
// The ready state follows the document: READYSTATE_LOADING from the moment a
// page is written or a navigation is let through, READYSTATE_COMPLETE when it
// has loaded (also when the load failed: the control shows what it has).
// A navigation the hook refuses leaves the page and the ready state as they
// were (Chromium reports it as a failed load, which the control swallows).
// A page written (or the blank page asked for) while Chromium still loads
// stops that load (a picture whose server never answers would hold it for
// ever) and goes in once the stop has ended it; only the newest page waiting
// goes in then. Chromium folds a load that starts before the previous one
// has ended into it and reports the pair as one finished load, sometimes
// before the newer document is there; and the end of a load that was over
// before a page was written may still be on its way. Neither is taken for
// the written page's end: the control is complete only once the newest page
// is shown.
//
// Every page gets window.navigate(url), defined as location.href = url by a
// script injected when the document is created: the page builder's links call
// it, and the navigation reaches the hook like a clicked link.
//
// What a page fetches from the network: a page the control wrote from the
// template folder (a file: address) loads its http and https pictures (the
// adverts' among them) and nothing else from the network: remote scripts,
// styles, frames, fonts and a script's own requests are blocked, while its
// local files and its own scripts are as before. Any other local page reaches
// nothing remote; a page from a server (the scope explorer's) loads what it
// names.
//
// The browser's own context menu never shows. A right-click on the page's
// text navigates to "http://contextmenuannotation/" + the word under the
// mouse (or the selection the mouse is on), percent-encoded, so that the
// program shows its page menu for it; an element's own oncontextmenu handler
// that cancels the event (the scope buttons') goes first, and a click beside
// any text does nothing.
//
// Used on the user-interface thread only.
#pragma once

#include <QTemporaryFile>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineView>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kestrune {

// Chromium refuses to start as root with its sandbox on. Run as root, this
// sets QTWEBENGINE_DISABLE_SANDBOX=1 (unless the variable is set already); it
// must run before the application object exists. True when it set it; the
// first browser control then logs it.
bool DisableWebEngineSandboxForRoot();

class TEmbeddedBrowser : public QWebEngineView {
 public:
  enum TReadyState : int32_t {
    READYSTATE_UNINITIALIZED = 0,
    READYSTATE_LOADING = 1,
    READYSTATE_LOADED = 2,
    READYSTATE_INTERACTIVE = 3,
    READYSTATE_COMPLETE = 4,
  };

  // Pages larger than this (in UTF-8 bytes) go through a file. A page goes
  // in whole as a base64 address of at most 2 MB, and pages from about 1.45
  // MB up already fail so: the limit keeps a margin.
  static constexpr size_t kLargePageBytes = 1 << 20;

  explicit TEmbeddedBrowser(QWidget* parent = nullptr);
  ~TEmbeddedBrowser() override;

  // The navigation hook, asked for every navigation a page starts (a clicked
  // link, window.navigate, location.href, a form, a link that wants a new
  // window) in any frame: true lets it go, false refuses it. Not set: every
  // navigation goes. The control's own loads (written pages, about:blank)
  // never reach it.
  std::function<bool(const QUrl& url, QWebEnginePage::NavigationType type, bool isMainFrame)> OnBeforeNavigate;
  // Called when a written page or a navigation that was let through has
  // loaded (ok false: it failed to load).
  std::function<void(bool ok)> OnDocumentComplete;

  // Loads the empty page "about:blank".
  void NavigateBlank();
  int32_t ReadyState() const { return readyState_; }
  // Processes events until the ready state is READYSTATE_COMPLETE or
  // `timeoutMs` have passed; true when it is complete.
  bool WaitForComplete(int timeoutMs);

  // The folder the written pages' addresses are relative to (a "/" is added
  // when missing).
  void SetTemplateFolder(std::u16string_view folder);
  const std::u16string& TemplateFolder() const { return templateFolder_; }
  QUrl BaseUrl() const;

  // Replaces the page by `html`.
  void WriteHtml(std::u16string_view html);
  // The file the last written page was loaded from; empty when it went in
  // whole.
  QString PageFile() const;

  // Scrolls the page to the element whose id (or else name) is `anchor`, or
  // else as ScrollToLink to the link `anchor`; an empty or unknown anchor
  // scrolls to 0, 0. While a page loads, it scrolls once the page is
  // complete.
  void ScrollToAnchor(std::u16string_view anchor);
  // Scrolls the page so that the first link (an `a` element) whose href is
  // `link` stands a quarter of the control's height below the top (its
  // offset tops summed along its offset parents); nothing when there is no
  // such link. While a page loads, it scrolls once the page is complete.
  void ScrollToLink(std::u16string_view link);

 protected:
  // Nothing: the page's script asks for the program's menu.
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  class TPage;
  friend class TPage;
  class TRequestFilter;
  friend class TRequestFilter;

  // TPage's acceptNavigationRequest.
  bool AcceptNavigation(const QUrl& url, QWebEnginePage::NavigationType type, bool isMainFrame);
  // TRequestFilter's decision: false blocks the request.
  bool AllowRequest(const QUrl& url, const QUrl& firstParty, QWebEngineUrlRequestInfo::ResourceType type) const;
  void LoadFinished(bool ok);
  // Writes the waiting page, or stops the load under way first.
  void WriteWaitingPage();
  void BeginOwnLoad();
  // Writes or blanks the page now (once Chromium loads nothing).
  void LoadHtml(const std::u16string& html);
  void LoadBlank();
  void RunScroll(const QString& anchor);
  void RunScrollToLink(const QString& link);

  TPage* page_;
  int32_t readyState_ = READYSTATE_UNINITIALIZED;
  int32_t refusedLoads_ = 0;  // refused navigations whose failed load is still to come
  // The page to load once the stopped load has ended: a written page, or the
  // blank page (`waitingBlank_`).
  bool waiting_ = false;
  bool waitingBlank_ = false;
  std::u16string waitingHtml_;
  // The own loads (written pages, the blank page) handed to Chromium so far,
  // and the newest of them whose mark has come round (BeginOwnLoad).
  uint32_t ownLoads_ = 0;
  uint32_t markedLoad_ = 0;
  bool scrollPending_ = false;
  bool pendingIsLink_ = false;  // the pending scroll is ScrollToLink's
  QString pendingAnchor_;
  std::u16string templateFolder_;
  std::unique_ptr<QTemporaryFile> pageFile_;
  // The address of the page written last (its base, or its file's), while it
  // is shown; empty without a template folder.
  QUrl writtenPage_;
};

}  // namespace kestrune
