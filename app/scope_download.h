// The search-scope explorer's side without widgets: which navigations of the
// maker's scope page start a download, the file a download is saved to, and
// the download thread.
//
// A link whose address ends in ".kqp" (exact case) is a ready-made project.
// ScopeNavigation tells the explorer what to do with a navigation; while a
// download runs every navigation is cancelled. DownloadRunning is the one
// program-wide flag that keeps downloads one at a time: BeginDownload takes
// it (compare-exchange), the download thread gives it back as its last act.
//
// A download is saved under the address's last path segment, percent-decoded,
// in the target folder; a name that would leave the folder (empty, ".", "..",
// a "/" or "\" in it, a control character) is refused, and a name taken
// already gets "(1)", "(2)", ... before ".kqp": nothing of the user's is
// replaced. Only a body that came with status 200 is saved, atomically.
// Nothing downloaded is opened.
//
// tthreaddownload runs one download on a std::thread of its own with its own
// HTTP reader (search/http_read.h). Its hooks are called on that thread: the
// progress hook with the reader's percentages and a final 0, the finish hook
// once at the end in every case. CloseRequest may be called from any thread;
// the destructor aborts a running download and joins the thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "search/http_read.h"

namespace kestrune {

// The extension of a project file, compared with exact case.
inline constexpr std::string_view kScopeFileExtension = ".kqp";
// The path and query of the maker's scope page, before the language folder.
inline constexpr std::string_view kScopePagePath = "/searchscopes/?lang=";

// What the explorer does with a navigation of its page.
struct TScopeNavigation {
  bool Cancel = false;         // the browser does not go there
  bool StartDownload = false;  // the address is downloaded as a project
  bool operator==(const TScopeNavigation&) const = default;
};

// The navigation rule: an address ending in ".kqp" starts a download when
// none runs; while one runs, every navigation is cancelled; anything else
// goes.
TScopeNavigation ScopeNavigation(std::string_view url, bool downloadRunning);

// The address of the scope page on `server` (scheme, host, port) for the
// interface language's folder name, URL-encoded (search/query_url.h).
std::string ScopePageUrl(std::string_view server, std::string_view langFolder);

// The address's last path segment (before any query or fragment),
// percent-decoded from UTF-8 to UTF-16; empty when it is refused as a file
// name (or its bytes are not UTF-8).
std::u16string ScopeUrlFileName(std::string_view url);

// The full path a download of `url` is saved to in `targetFolder` (a "/" is
// added when missing): the file name of ScopeUrlFileName, numbered when the
// name is taken (in any letter case). Empty when the name is refused or the
// folder is empty.
std::u16string ScopeDownloadName(std::string_view url, std::u16string_view targetFolder);

// True from BeginDownload until the download thread has finished.
extern std::atomic<bool> DownloadRunning;
// Takes DownloadRunning; false when a download runs already.
bool BeginDownload();

class tthreaddownload {
 public:
  // The thread is created suspended: Resume starts it.
  tthreaddownload(std::string url, std::u16string targetFolder, std::function<void(int32_t percent)> progress,
                  std::function<void()> finish);
  // Aborts a running download and joins the thread.
  ~tthreaddownload();
  tthreaddownload(const tthreaddownload&) = delete;
  tthreaddownload& operator=(const tthreaddownload&) = delete;

  // Starts the thread (once; later calls do nothing).
  void Resume();
  // Aborts the download from any thread: the request is closed and nothing is
  // saved. The thread ends within a fraction of a second.
  void CloseRequest();
  // True once the thread has called the finish hook and given back
  // DownloadRunning.
  bool Finished() const { return finished_.load(); }
  // Waits for the thread's end (a never-started thread ends at once).
  void Join();
  // The file the download was saved to; empty when nothing was saved. Read it
  // after the thread has finished.
  const std::u16string& SavedFile() const { return savedFile_; }

 private:
  void Execute();

  const std::string url_;
  const std::u16string targetFolder_;
  const std::function<void(int32_t)> progress_;
  const std::function<void()> finish_;
  THttpRead reader_;
  std::thread thread_;
  std::atomic<bool> aborted_{false};
  std::atomic<bool> finished_{false};
  std::mutex endMutex_;
  std::condition_variable ended_;
  std::u16string savedFile_;
};

}  // namespace kestrune
