#include "app/window/embedded_browser.h"

#include <unistd.h>

#include <QContextMenuEvent>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTimer>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <cstdlib>
#include <utility>

#include "core/log_file.h"

namespace kestrune {

namespace {

bool sandboxDisabledHere = false;

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The first position after the '>' of the first tag named `tag` (any case),
// searched in the page's head; -1 when there is none.
qsizetype AfterTag(const QByteArray& page, const char* tag) {
  const qsizetype limit = std::min<qsizetype>(page.size(), 64 * 1024);
  const QByteArray head = page.left(limit).toLower();
  qsizetype at = 0;
  const QByteArray wanted = QByteArray("<") + tag;
  while ((at = head.indexOf(wanted, at)) >= 0) {
    const qsizetype next = at + wanted.size();
    if (next < head.size() &&
        (head[next] == '>' || head[next] == ' ' || head[next] == '\t' || head[next] == '\r' || head[next] == '\n')) {
      const qsizetype close = head.indexOf('>', next);
      return close < 0 ? -1 : close + 1;
    }
    at = next;
  }
  return -1;
}

// The page with a <base> element naming `base` first in its head, so that a
// page loaded from a file resolves its addresses as a written page does.
QByteArray WithBase(QByteArray page, const QUrl& base) {
  const QByteArray element = "<base href=\"" + base.toEncoded() + "\">";
  qsizetype at = AfterTag(page, "head");
  if (at < 0) at = AfterTag(page, "html");
  if (at < 0) at = AfterTag(page, "!doctype");
  page.insert(at < 0 ? 0 : at, element);
  return page;
}

QString CacheFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
  if (folder.isEmpty() || !QDir().mkpath(folder)) folder = QDir::tempPath();
  return folder;
}

constexpr char kNavigateScript[] = "window.navigate = function (url) { location.href = url; };";

// The page's right-click: the word under the mouse (or the selection the
// mouse is on) goes to the program's page menu; the browser's menu never
// opens.
constexpr char kContextMenuScript[] = R"(
document.addEventListener('contextmenu', function (e) {
  if (e.defaultPrevented) return;
  e.preventDefault();
  var text = '';
  var selection = window.getSelection();
  if (selection && !selection.isCollapsed) {
    for (var i = 0; i < selection.rangeCount && !text; i++) {
      var rects = selection.getRangeAt(i).getClientRects();
      for (var j = 0; j < rects.length; j++) {
        var r = rects[j];
        if (e.clientX >= r.left && e.clientX <= r.right && e.clientY >= r.top && e.clientY <= r.bottom) {
          text = selection.toString();
          break;
        }
      }
    }
  }
  if (!text && document.caretRangeFromPoint) {
    var range = document.caretRangeFromPoint(e.clientX, e.clientY);
    if (range && range.startContainer.nodeType === 3) {
      var s = range.startContainer.data, a = range.startOffset, b = a;
      var letter = /[\p{L}\p{N}\p{M}'’]/u;
      while (a > 0 && letter.test(s.charAt(a - 1))) a--;
      while (b < s.length && letter.test(s.charAt(b))) b++;
      text = s.substring(a, b);
    }
  }
  text = text.trim();
  if (text) window.navigate('http://contextmenuannotation/' + encodeURIComponent(text));
}, false);
)";

// Called with the anchor: scrolls its element into view, else to the top.
// The first link whose href is `a`, scrolled to its top less `q` pixels;
// false when there is none.
constexpr char kScrollToLinkFunction[] =
    "function (a, q) {"
    " var all = document.getElementsByTagName('*');"
    " for (var i = 0; i < all.length; ++i) {"
    "  var e = all[i];"
    "  if (e.tagName.toLowerCase() !== 'a' || (e.getAttribute('href') !== a && e.href !== a)) continue;"
    "  var top = 0;"
    "  for (var p = e; p; p = p.offsetParent) top += p.offsetTop;"
    "  window.scrollTo(0, top - q);"
    "  return true;"
    " }"
    " return false;"
    "}";
// The element named (or identified by) `a`, else the link `a`, else the top.
constexpr char kScrollScript[] =
    "(function (a, q, link) {"
    " var e = a ? (document.getElementById(a) || document.getElementsByName(a)[0]) : null;"
    " if (e) { e.scrollIntoView(); return; }"
    " if (a && link(a, q)) return;"
    " window.scrollTo(0, 0);"
    "})";

// Addresses inside the machine: files, data held by the page, the empty page.
bool IsLocalUrl(const QUrl& url) {
  static const QStringList kLocalSchemes = {"file", "data", "blob", "about", "qrc", "filesystem"};
  return url.scheme().isEmpty() || kLocalSchemes.contains(url.scheme().toLower());
}

}  // namespace

bool DisableWebEngineSandboxForRoot() {
  if (::geteuid() != 0 || std::getenv("QTWEBENGINE_DISABLE_SANDBOX")) return false;
  ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
  sandboxDisabledHere = true;
  return true;
}

// The page: its navigation requests go to the control.
class TEmbeddedBrowser::TPage : public QWebEnginePage {
 public:
  TPage(TEmbeddedBrowser& browser) : QWebEnginePage(&browser), browser_(browser) {}

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
    return browser_.AcceptNavigation(url, type, isMainFrame);
  }

 private:
  TEmbeddedBrowser& browser_;
};

// Every request of the control's pages passes here (on the user-interface
// thread) after Chromium let it go.
class TEmbeddedBrowser::TRequestFilter : public QWebEngineUrlRequestInterceptor {
 public:
  explicit TRequestFilter(TEmbeddedBrowser& browser) : QWebEngineUrlRequestInterceptor(&browser), browser_(browser) {}

  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    if (!browser_.AllowRequest(info.requestUrl(), info.firstPartyUrl(), info.resourceType())) {
      info.block(true);
    }
  }

 private:
  TEmbeddedBrowser& browser_;
};

TEmbeddedBrowser::TEmbeddedBrowser(QWidget* parent) : QWebEngineView(parent), page_(new TPage(*this)) {
  static bool logged = false;
  if (sandboxDisabledHere && !logged) {
    logged = true;
    LogFile.Log("Running as root: the browser control runs without Chromium's sandbox (QTWEBENGINE_DISABLE_SANDBOX=1)",
                1);
  }
  // The page's own scripts, in every frame as each document is created.
  for (const auto& [name, source] : {std::pair{"kestrune-navigate", kNavigateScript},
                                     std::pair{"kestrune-context-menu", kContextMenuScript}}) {
    QWebEngineScript script;
    script.setName(name);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(true);
    script.setSourceCode(source);
    page_->scripts().insert(script);
  }
  // Local pages may reach the network; the filter keeps that to the written
  // pages' pictures.
  page_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
  page_->setUrlRequestInterceptor(new TRequestFilter(*this));
  setPage(page_);

  connect(page_, &QWebEnginePage::loadFinished, this, [this](bool ok) { LoadFinished(ok); });
  // A link that wants a new window is a navigation like any other; what the
  // hook lets through opens here.
  connect(page_, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest& request) {
    const QUrl url = request.requestedUrl();
    if (OnBeforeNavigate && !OnBeforeNavigate(url, QWebEnginePage::NavigationTypeLinkClicked, true)) return;
    readyState_ = READYSTATE_LOADING;
    page_->load(url);
  });
}

TEmbeddedBrowser::~TEmbeddedBrowser() {
  // The page, a child of the control, outlives this part of it: nothing it
  // signals from now on may reach the control.
  disconnect(page_, nullptr, this, nullptr);
}

bool TEmbeddedBrowser::AcceptNavigation(const QUrl& url, QWebEnginePage::NavigationType type, bool isMainFrame) {
  // The control's own loads (written pages, about:blank) arrive as typed.
  if (type == QWebEnginePage::NavigationTypeTyped) return true;
  const bool go = !OnBeforeNavigate || OnBeforeNavigate(url, type, isMainFrame);
  if (!isMainFrame) return go;
  if (!go) {
    ++refusedLoads_;
    return false;
  }
  // A jump inside the page loads nothing; any other replaces the written page.
  if (!url.matches(page_->url(), QUrl::RemoveFragment)) {
    readyState_ = READYSTATE_LOADING;
    writtenPage_.clear();
  }
  return true;
}

bool TEmbeddedBrowser::AllowRequest(const QUrl& url, const QUrl& firstParty,
                                    QWebEngineUrlRequestInfo::ResourceType type) const {
  // Navigations are the hook's; local addresses and a server's page's
  // requests go as Chromium decides.
  if (type == QWebEngineUrlRequestInfo::ResourceTypeMainFrame || IsLocalUrl(url) || !IsLocalUrl(firstParty)) {
    return true;
  }
  // A local page reaches the network only for the pictures of a written page.
  const QString scheme = url.scheme().toLower();
  const bool written = !writtenPage_.isEmpty() && firstParty.matches(writtenPage_, QUrl::RemoveFragment);
  return written && type == QWebEngineUrlRequestInfo::ResourceTypeImage && (scheme == "http" || scheme == "https");
}

void TEmbeddedBrowser::LoadFinished(bool ok) {
  if (waiting_) {
    // Chromium has stopped (or another load began meanwhile, which is
    // stopped in turn): the newest page goes in now, and the control is
    // complete when it has loaded.
    WriteWaitingPage();
    return;
  }
  // The end of a load that was over before the newest page was written: the
  // newest page's own end is still to come.
  if (markedLoad_ != ownLoads_) return;
  if (!ok && refusedLoads_ > 0) {
    --refusedLoads_;  // a refused navigation: the page stayed as it was
    return;
  }
  readyState_ = READYSTATE_COMPLETE;
  if (scrollPending_) {
    scrollPending_ = false;
    pendingIsLink_ ? RunScrollToLink(pendingAnchor_) : RunScroll(pendingAnchor_);
  }
  if (OnDocumentComplete) OnDocumentComplete(ok);
}

void TEmbeddedBrowser::WriteWaitingPage() {
  readyState_ = READYSTATE_LOADING;
  waiting_ = true;
  if (page_->isLoading()) {
    // A load under way may never end (a picture whose server never answers):
    // it is stopped, and its end, which the stop brings, writes the page.
    page_->triggerAction(QWebEnginePage::Stop);
    return;
  }
  waiting_ = false;
  std::u16string html = std::move(waitingHtml_);
  waitingHtml_.clear();
  waitingBlank_ ? LoadBlank() : LoadHtml(html);
}

void TEmbeddedBrowser::BeginOwnLoad() {
  readyState_ = READYSTATE_LOADING;
  refusedLoads_ = 0;
  // Chromium reports a load's start and end as queued calls. A mark queued
  // now, before this load is handed over, comes round after every report of
  // the loads that ended before it and before any report of this one.
  const uint32_t load = ++ownLoads_;
  QMetaObject::invokeMethod(this, [this, load] { markedLoad_ = load; }, Qt::QueuedConnection);
}

void TEmbeddedBrowser::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

void TEmbeddedBrowser::NavigateBlank() {
  waitingBlank_ = true;
  waitingHtml_.clear();
  WriteWaitingPage();
}

void TEmbeddedBrowser::LoadBlank() {
  BeginOwnLoad();
  pageFile_.reset();
  writtenPage_.clear();
  page_->load(QUrl("about:blank"));
}

bool TEmbeddedBrowser::WaitForComplete(int timeoutMs) {
  if (readyState_ == READYSTATE_COMPLETE) return true;
  QEventLoop loop;
  QTimer tick;
  QDeadlineTimer deadline(timeoutMs);
  connect(&tick, &QTimer::timeout, &loop, [&] {
    if (readyState_ == READYSTATE_COMPLETE || deadline.hasExpired()) loop.quit();
  });
  tick.start(10);
  loop.exec();
  return readyState_ == READYSTATE_COMPLETE;
}

void TEmbeddedBrowser::SetTemplateFolder(std::u16string_view folder) {
  templateFolder_ = folder;
  if (!templateFolder_.empty() && templateFolder_.back() != u'/') templateFolder_ += u'/';
}

QUrl TEmbeddedBrowser::BaseUrl() const {
  return templateFolder_.empty() ? QUrl() : QUrl::fromLocalFile(ToQString(templateFolder_));
}

void TEmbeddedBrowser::WriteHtml(std::u16string_view html) {
  waitingBlank_ = false;
  waitingHtml_.assign(html);
  WriteWaitingPage();
}

void TEmbeddedBrowser::LoadHtml(const std::u16string& html) {
  const QByteArray bytes = ToQString(html).toUtf8();
  BeginOwnLoad();
  if (static_cast<size_t>(bytes.size()) <= kLargePageBytes) {
    pageFile_.reset();
    writtenPage_ = BaseUrl();
    page_->setContent(bytes, "text/html;charset=UTF-8", BaseUrl());
    return;
  }
  auto file = std::make_unique<QTemporaryFile>(CacheFolder() + "/kestrune-page-XXXXXX.html");
  const QByteArray page = BaseUrl().isEmpty() ? bytes : WithBase(bytes, BaseUrl());
  if (!file->open() || file->write(page) != page.size() || !file->flush()) {
    LogFile.Log("The browser control cannot write the page file " + file->fileName().toStdString() + ": " +
                    file->errorString().toStdString(),
                2);
    pageFile_.reset();
    writtenPage_.clear();
    page_->setContent(QByteArray(), "text/html;charset=UTF-8", BaseUrl());
    return;
  }
  file->close();
  writtenPage_ = BaseUrl().isEmpty() ? QUrl() : QUrl::fromLocalFile(file->fileName());
  page_->load(QUrl::fromLocalFile(file->fileName()));
  pageFile_ = std::move(file);  // the last page's file goes now
}

QString TEmbeddedBrowser::PageFile() const { return pageFile_ ? pageFile_->fileName() : QString(); }

void TEmbeddedBrowser::ScrollToAnchor(std::u16string_view anchor) {
  const QString name = ToQString(anchor);
  if (readyState_ != READYSTATE_COMPLETE) {
    scrollPending_ = true;
    pendingIsLink_ = false;
    pendingAnchor_ = name;
    return;
  }
  RunScroll(name);
}

void TEmbeddedBrowser::ScrollToLink(std::u16string_view link) {
  const QString url = ToQString(link);
  if (readyState_ != READYSTATE_COMPLETE) {
    scrollPending_ = true;
    pendingIsLink_ = true;
    pendingAnchor_ = url;
    return;
  }
  RunScrollToLink(url);
}

namespace {

// A text as a JSON string literal: it goes into a script as data, never as
// code.
QString JsonLiteral(const QString& text) {
  return QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact)) + "[0]";
}

}  // namespace

void TEmbeddedBrowser::RunScroll(const QString& anchor) {
  page_->runJavaScript(QString(kScrollScript) + "(" + JsonLiteral(anchor) + ", " + QString::number(height() / 4.0) +
                           ", " + kScrollToLinkFunction + ");",
                       QWebEngineScript::ApplicationWorld);
}

void TEmbeddedBrowser::RunScrollToLink(const QString& link) {
  page_->runJavaScript("(" + QString(kScrollToLinkFunction) + ")(" + JsonLiteral(link) + ", " +
                           QString::number(height() / 4.0) + ");",
                       QWebEngineScript::ApplicationWorld);
}

}  // namespace kestrune
