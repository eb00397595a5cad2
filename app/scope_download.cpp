#include "app/scope_download.h"

#include <chrono>

#include "core/frame.h"
#include "core/log_file.h"
#include "platform/files.h"
#include "platform/text.h"
#include "search/query_url.h"

namespace kestrune {

std::atomic<bool> DownloadRunning{false};

namespace {

bool IsControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// The path of an address: after the scheme and the authority, up to its
// query or fragment; empty when it has none.
std::string_view UrlPath(std::string_view url) {
  const size_t scheme = url.find("://");
  if (scheme != std::string_view::npos) {
    url.remove_prefix(scheme + 3);
    const size_t path = url.find_first_of("/?#");
    if (path == std::string_view::npos || url[path] != '/') return {};
    url.remove_prefix(path);
  }
  return url.substr(0, url.find_first_of("?#"));
}

}  // namespace

TScopeNavigation ScopeNavigation(std::string_view url, bool downloadRunning) {
  const bool project = url.size() >= kScopeFileExtension.size() && url.ends_with(kScopeFileExtension);
  if (project && !downloadRunning) return {true, true};
  return {downloadRunning, false};
}

std::string ScopePageUrl(std::string_view server, std::string_view langFolder) {
  return std::string(server).append(kScopePagePath).append(UrlEncodeBytes(langFolder));
}

std::u16string ScopeUrlFileName(std::string_view url) {
  const std::string_view path = UrlPath(url);
  const size_t slash = path.rfind('/');
  const std::string_view segment = slash == std::string_view::npos ? path : path.substr(slash + 1);
  std::u16string name;
  if (!PercentDecodeToWide(segment, name) || name.empty() || name == u"." || name == u"..") return {};
  for (const char16_t c : name) {
    if (c == u'/' || c == u'\\' || IsControl(c)) return {};
  }
  return name;
}

std::u16string ScopeDownloadName(std::string_view url, std::u16string_view targetFolder) {
  const std::u16string name = ScopeUrlFileName(url);
  if (name.empty() || targetFolder.empty()) return {};
  std::u16string folder(targetFolder);
  if (folder.back() != u'/') folder += u'/';
  const std::u16string extension = platform::Utf8ToUtf16(kScopeFileExtension);
  const bool project = name.size() > extension.size() && name.ends_with(extension);
  const std::u16string stem = project ? name.substr(0, name.size() - extension.size()) : name;
  const std::u16string tail = project ? extension : std::u16string();
  // The platform resolves names without regard to case: a name counts as
  // taken when any spelling of it exists, so a save never lands on it.
  auto taken = [](const std::u16string& path) {
    const platform::PathInfo info = platform::GetPathInfo(path);
    return info.exists || info.isSymlink;
  };
  std::u16string candidate = folder + name;
  for (int32_t n = 1; taken(candidate); ++n) {
    if (n > 9999) return {};
    candidate = folder + stem + u"(" + platform::Utf8ToUtf16(std::to_string(n)) + u")" + tail;
  }
  return candidate;
}

bool BeginDownload() {
  bool idle = false;
  return DownloadRunning.compare_exchange_strong(idle, true);
}

tthreaddownload::tthreaddownload(std::string url, std::u16string targetFolder,
                                 std::function<void(int32_t percent)> progress, std::function<void()> finish)
    : url_(std::move(url)),
      targetFolder_(std::move(targetFolder)),
      progress_(std::move(progress)),
      finish_(std::move(finish)) {}

tthreaddownload::~tthreaddownload() {
  CloseRequest();
  Join();
}

void tthreaddownload::Resume() {
  if (thread_.joinable() || finished_.load()) return;
  thread_ = std::thread([this] { Execute(); });
}

void tthreaddownload::CloseRequest() {
  aborted_.store(true);
  reader_.CloseRequest();
}

void tthreaddownload::Join() {
  if (!thread_.joinable()) return;
  {
    // An abort asked for before the request was open finds no request to
    // close: it is repeated until the thread has ended.
    std::unique_lock lock(endMutex_);
    while (!finished_.load()) {
      ended_.wait_for(lock, std::chrono::milliseconds(10));
      if (aborted_.load() && !finished_.load()) reader_.CloseRequest();
    }
  }
  thread_.join();
}

void tthreaddownload::Execute() {
  try {
    if (progress_) reader_.OnProgress = progress_;
    if (!aborted_.load() && reader_.Get(url_) && reader_.StatusCode() == 200 && !aborted_.load()) {
      const std::u16string fileName = ScopeDownloadName(url_, targetFolder_);
      const std::vector<uint8_t>& body = reader_.Body.Bytes();
      const int32_t saved = fileName.empty() ? -1 : SaveFileAtomically(fileName, -1, [&](TStream& file) {
        return file.Write(body.data(), static_cast<int64_t>(body.size())) == static_cast<int64_t>(body.size()) ? 0 : -1;
      });
      if (saved == 0) {
        savedFile_ = fileName;
        LogFile.Log("tthreaddownload: saved " + url_ + " as " + platform::Utf16ToUtf8(fileName), 0);
      } else {
        LogFile.Log("tthreaddownload: " + url_ + " was not saved", 1);
      }
    }
    if (progress_) progress_(0);
  } catch (...) {
    LogFile.Log("tthreaddownload: the download of " + url_ + " failed", 1);
  }
  try {
    if (finish_) finish_();
  } catch (...) {
  }
  {
    std::lock_guard lock(endMutex_);
    finished_.store(true);
    DownloadRunning.store(false);
  }
  ended_.notify_all();
}

}  // namespace kestrune
