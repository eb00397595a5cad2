// The update check: asks the update server (UpdateServerUrl(), the settings
// value "UpdateServer" over the maker's site) on a thread of its own for the
// news feed in the interface language and for the update information
// "update.txt", offers a newer build of the running major version, and on
// request downloads its installer into the program's "Update" folder.
//
// TUpdateCheck is the session's UpdateCheck; the update form (ui/update_form)
// shows its offer. The server's paths:
//   /news.asp?lang=<language folder>          the news feed (app/news_feed.h)
//   /download/update/update.txt                the update information
//   /download/update/<installer file name>    an installer
// the folder name and the file name percent-encoded. Every request is one
// HTTP/1.0 GET with the user agent UpdateUserAgent() and no Referrer line; a
// download succeeds only for status 200 with a Content-Length that is not 0
// and that many bytes (THttpRead::DownloadToStream). The news and update.txt
// are read up to kMaxUpdateInfoSize bytes each.
//
// "update.txt" is INI-style text read with TIniBath in quote mode: a section
// named by a version ("1.5.303.0", its name beginning with a digit) holds the
// keys "previous" (the version the patch applies to), "english" and the
// interface language's key (the descriptions), "file" and "size" (the patch
// installer), "fullfile" and "fullsize" (the full installer). Names compare in
// lower case; only a key's first value counts; a line of more than 32 values
// and sections not named by a version are skipped. Versions compare part by
// part as numbers (1.5.303 is above 1.5.99); only versions whose first number
// is the running version's count. The highest such version above the running
// one is the offer; the patch is offered unless its "previous" is above the
// running version, when the full installer is.
//
// The check (StartUpdateCheck) runs once: the connection probe of the
// program (TConnectProbe, which may ask for a proxy login), the news, then
// update.txt. Its thread works on copies of the texts it needs and hands its
// results over as one record, through OnResults on that thread, when news
// arrived or an update was found; the owner stores it on its own thread
// (TakeResults), and only then do the result fields below change. Against the
// maker's default site (a reserved name where nothing answers) no check runs:
// one log line says so.
//
// The installer (DownloadInstaller) downloads on a worker thread into a
// temporary file of the "Update" folder that is renamed to the installer's
// own name when complete and, when update.txt lists its size ("size" or
// "fullsize" not 0), of that size; a failed or cancelled download, or one of
// another size than listed, leaves no file. The
// name must be a plain file name (not empty, ".", "..", no "/", "\" or control
// character).
//
// Threads: the object is used on one thread (the user-interface thread); its
// hooks are called on the check's and the installer's threads and must only
// hand their arguments on (a queued call). StopUpdateCheck aborts whatever
// runs (transfers, the probe and its login question) within about 200 ms and
// joins the threads; the destructor does the same. CheckDone and CancelFlag
// may be read from any thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/news_feed.h"
#include "core/message_strings.h"
#include "core/stream.h"

namespace kestrune {

class TConnectProbe;
class THttpRead;

inline constexpr int64_t kMaxUpdateInfoSize = 1 << 20;
inline constexpr const char* kNewsPath = "/news.asp?lang=";
inline constexpr const char* kUpdateInfoPath = "/download/update/update.txt";
inline constexpr const char* kInstallerFolderPath = "/download/update/";
// The longest installer downloaded, in bytes.
inline constexpr int32_t kMaxInstallerSize = INT32_MAX;

// ---- helpers of the check, pure ----

// A dotted version as a text of at least two digits a part: three parts
// before a "." each (a one-character part gets a leading "0"), then the rest;
// "1.5.303.0" gives "01.05.303.00", "2.0.1.12" gives "02.00.01.12". Blanks
// around the text are dropped. The shown version and the section name use
// it; comparisons use CompareVersions.
std::string NormalizeVersion(std::string_view dotted);
// <0, 0 or >0 as `a` is below, equal to or above `b`: the dotted parts
// compared in turn as decimal numbers (a missing part counts as 0; text after
// a part's digits compares as text when the numbers are equal).
int32_t CompareVersions(std::string_view a, std::string_view b);
// The first part of a dotted version as a number's digits without leading
// zeros ("01.05" gives "1", "0.9" gives "0").
std::string VersionMajor(std::string_view dotted);
// The size line's text: n bytes below 1024, else n div 1024 KBytes below
// 1048576, else n div 1048576 MBytes; the number without grouping, a blank,
// the unit's message text (smBytes, smKBytes, smMBytes).
std::u16string SizeToText(int64_t bytes, const TMessageStrings& strings = MessageStrings);
// A size value of update.txt: a decimal number, else 0.
int64_t ParseSize(std::string_view text);
// The platform's number of the user agent's table; 0 ("Unknown") here.
int32_t GetOSVersion();
// The table's name of a platform number: 1 "Windows 95", 2 "Windows 98",
// 3 "Windows ME", 4 "Windows NT 3", 5 "Windows NT 4", 6 "Windows 2000",
// 7 "Windows XP", 8 "Windows 2003", any other "Unknown".
std::string GetOSName(int32_t osVersion);
// "Mozilla/4.0 (compatible; MSIE 5.01; " + GetOSName(GetOSVersion()) + ")".
std::string UpdateUserAgent();
// Every byte but A-Z, a-z, 0-9, "-", ".", "_" and "~" as "%XX".
std::string PercentEncode(std::string_view text);
// True for a name that is one plain file name (see above).
bool IsPlainFileName(std::string_view name);

// ---- the results ----

// What update.txt offers the running version.
struct TUpdateOffer {
  bool UpdateFound = false;      // a newer build of the running major is listed
  std::string BestVersion;       // normalised; the running version when none is newer
  std::string BestSectionName;   // its section's name in lower case
  std::string PreviousVersion;   // normalised "previous" of that section
  std::string EnglishInfo;       // "english"
  std::string LocalizedInfo;     // the interface language's key, else EnglishInfo
  std::string PatchFile, FullFile;
  int64_t PatchSize = 0, FullSize = 0;
  bool NeedFull = false;         // PreviousVersion is above the running version
};

// Reads update.txt for the running version (`currentVersion`, dotted) and
// the interface language's key (`languageKey`, lower case, "english" for
// English). Never throws.
TUpdateOffer ReadUpdateInfo(std::string_view text, std::string_view currentVersion, std::string_view languageKey);

// The check's one record for the main window.
struct TUpdateResults : TUpdateOffer {
  TNewsItemS NewsItems;
};

// The memo text of the update form, its lines in order: smUpdateFound;
// smVersion, a blank and BestVersion; smInformation and a blank; the
// localised description (8-bit text in `codePage`); smSize, a blank and the
// size of the installer offered.
std::vector<std::u16string> UpdateMemoLines(const TUpdateOffer& offer, int32_t codePage,
                                            const TMessageStrings& strings = MessageStrings);

// How an installer's download ended.
struct TInstallerResult {
  bool Ok = false;
  std::u16string Path;  // the installer's full path when Ok
  // A download complete by its own length but of another size than
  // update.txt lists: the size that arrived (else -1), and the listed one.
  int64_t ReceivedSize = -1;
  int64_t ListedSize = 0;
};

// The update form's text after a failed download, its lines in order:
// smErrorDownloadUpdate; smNoUpdateFileFound; for an installer of another
// size than listed, smUpdateFileWrongSize with the two sizes.
std::vector<std::u16string> InstallerFailureLines(const TInstallerResult& result,
                                                  const TMessageStrings& strings = MessageStrings);

// ---- the check ----

class TUpdateInfoThread;

class TUpdateCheck : public TUpdateResults {
 public:
  // probe: the connection probe the check runs first (not owned; null: no
  // probe). programFolder: the folder whose "Update" folder receives
  // installers (empty: the program's folder).
  explicit TUpdateCheck(TConnectProbe* probe, std::u16string programFolder = {});
  TUpdateCheck();  // the program's probe and folder
  ~TUpdateCheck();
  TUpdateCheck(const TUpdateCheck&) = delete;
  TUpdateCheck& operator=(const TUpdateCheck&) = delete;

  // The running version, normalised ("%d.%d.%d.%d" of the program's file
  // version), and its major part up to and including the first ".".
  std::string CurrentVersion;
  std::string CurrentMajor;
  // The lower-cased smLanguage text of the last check.
  std::string LanguageKey;
  // The check's thread has finished.
  std::atomic<bool> CheckDone{false};
  // The installer's download is to stop.
  std::atomic<bool> CancelFlag{false};

  // The thread's record, called on that thread (see above).
  std::function<void(TUpdateResults results)> OnResults;

  // Sets the running version (dotted); the constructor takes the program's.
  void SetFileVersion(std::string_view dotted);
  // Starts the check once: `langFolderName` is the interface language's
  // folder name ("en"), `languageKey` its smLanguage text. A second call, and
  // a call against the maker's default site, do nothing but log.
  void StartUpdateCheck(std::string_view langFolderName, std::u16string_view languageKey);
  // Ends the check's thread and the installer's download, aborting their
  // transfers and the probe, and waits for them.
  void StopUpdateCheck();
  // Stores the thread's record in the fields (the owner's thread).
  void TakeResults(TUpdateResults results);

  // The installer's file name offered: FullFile when NeedFull, else PatchFile.
  const std::string& InstallerName() const { return NeedFull ? FullFile : PatchFile; }
  // Its listed size: FullSize when NeedFull, else PatchSize (0: not listed).
  int64_t InstallerSize() const { return NeedFull ? FullSize : PatchSize; }
  // The "Update" folder of the program folder (its existing spelling, else
  // "Update/"), with a trailing "/".
  std::u16string UpdateFolder() const;
  // Starts downloading the installer `name` (a running download is cancelled
  // first). A `listedSize` above 0 is the size update.txt lists: a download
  // of any other size fails. `progress` gets the percent received, `done`
  // the end: Ok and the installer's full path, or not Ok and an empty path
  // (a refused name, a failed, cancelled or wrongly sized download, the last
  // with its size). Both are called on the worker thread.
  void DownloadInstaller(const std::string& name, int64_t listedSize, std::function<void(int32_t percent)> progress,
                         std::function<void(TInstallerResult result)> done);
  // Sets CancelFlag, aborts a running installer download and waits for it.
  void CancelInstaller();

  // The time-outs of the check's requests in milliseconds (the reader's when
  // 0); the tests' knob.
  int32_t TimeoutMs = 0;

 private:
  void JoinInstaller();

  TConnectProbe* probe_;
  std::u16string programFolder_;
  std::string currentDotted_;  // the running version as given
  bool started_ = false;
  std::unique_ptr<TUpdateInfoThread> thread_;

  // The installer's worker and its reader (for CancelInstaller).
  std::thread installer_;
  std::mutex installerMutex_;
  THttpRead* installerReader_ = nullptr;
};

// The check's thread: one run of the steps above over copies of its inputs.
class TUpdateInfoThread {
 public:
  struct TInput {
    std::string Server;          // UpdateServerUrl()
    std::string LangFolderName;
    std::string LanguageKey;     // lower case
    std::string CurrentVersion;  // normalised
    int32_t TimeoutMs = 0;
  };
  // Starts the thread at once.
  TUpdateInfoThread(TInput input, TConnectProbe* probe, std::atomic<bool>& checkDone,
                    std::function<void(TUpdateResults)> onResults);
  ~TUpdateInfoThread();  // Terminate and WaitFor

  // Asks the thread to end: no record goes over after this.
  void Terminate();
  bool Terminated() const { return terminated_.load(); }
  // Terminates, aborts the running transfer and the probe (again every
  // 20 ms until the thread ends, so a question asked meanwhile is answered
  // too) and joins.
  void WaitFor();

 private:
  void Execute();
  bool Download(const std::string& url, TMemoryStream& stream);

  TInput input_;
  TConnectProbe* probe_;
  std::atomic<bool>& checkDone_;
  std::function<void(TUpdateResults)> onResults_;
  std::atomic<bool> terminated_{false};
  std::mutex mutex_;
  std::condition_variable ended_;
  bool finished_ = false;
  THttpRead* reader_ = nullptr;  // the running download's reader
  std::thread thread_;
};

}  // namespace kestrune
