#include "app/update_check.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <exception>
#include <utility>

#include "app/connect_probe.h"
#include "core/code_page.h"
#include "core/errors.h"
#include "core/ini_bath.h"
#include "core/log_file.h"
#include "core/version.h"
#include "platform/files.h"
#include "platform/text.h"
#include "search/http_read.h"

namespace kestrune {

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

// Lower case of UTF-8 text, letters beyond ASCII included.
std::string LowerUtf8(std::string_view text) {
  return platform::Utf16ToUtf8(platform::WideLowerCase(platform::Utf8ToUtf16(text)));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One dotted part as the number of its leading digits (without leading
// zeros) and the text after them.
struct TVersionPart {
  std::string_view digits;
  std::string_view rest;
};

TVersionPart SplitPart(std::string_view part) {
  size_t end = 0;
  while (end < part.size() && IsDigit(part[end])) ++end;
  std::string_view digits = part.substr(0, end);
  while (!digits.empty() && digits.front() == '0') digits.remove_prefix(1);
  return {digits, part.substr(end)};
}

int32_t ComparePart(std::string_view a, std::string_view b) {
  const TVersionPart x = SplitPart(a), y = SplitPart(b);
  if (x.digits.size() != y.digits.size()) return x.digits.size() < y.digits.size() ? -1 : 1;
  if (const int c = x.digits.compare(y.digits); c != 0) return c < 0 ? -1 : 1;
  if (const int c = x.rest.compare(y.rest); c != 0) return c < 0 ? -1 : 1;
  return 0;
}

std::string ProgramVersion() {
  TVSFixedFileInfo info;
  GetFixedFileInfo(platform::ProgramFile(), info);
  return FileVersionToStr(info);
}

}  // namespace

// ---------------------------------------------------------------- helpers

std::string NormalizeVersion(std::string_view dotted) {
  std::string_view rest = Trimmed(dotted);
  std::string out;
  for (int i = 0; i < 3; ++i) {
    const size_t dot = rest.find('.');
    const std::string_view part = dot == std::string_view::npos ? std::string_view() : rest.substr(0, dot);
    if (part.size() == 1) out += '0';
    out.append(part);
    out += '.';
    if (dot != std::string_view::npos) rest.remove_prefix(dot + 1);
  }
  if (rest.size() == 1) out += '0';
  out.append(rest);
  return out;
}

int32_t CompareVersions(std::string_view a, std::string_view b) {
  while (!a.empty() || !b.empty()) {
    const size_t dotA = a.find('.'), dotB = b.find('.');
    if (const int32_t c = ComparePart(a.substr(0, dotA), b.substr(0, dotB)); c != 0) return c;
    a = dotA == std::string_view::npos ? std::string_view() : a.substr(dotA + 1);
    b = dotB == std::string_view::npos ? std::string_view() : b.substr(dotB + 1);
  }
  return 0;
}

std::string VersionMajor(std::string_view dotted) {
  const std::string_view trimmed = Trimmed(dotted);
  std::string major(SplitPart(trimmed.substr(0, trimmed.find('.'))).digits);
  return major.empty() ? "0" : major;
}

std::u16string SizeToText(int64_t bytes, const TMessageStrings& strings) {
  const int64_t n = std::max<int64_t>(bytes, 0);
  const std::u16string* unit = &strings.smBytes;
  int64_t shown = n;
  if (n >= 1048576) {
    shown = n / 1048576;
    unit = &strings.smMBytes;
  } else if (n >= 1024) {
    shown = n / 1024;
    unit = &strings.smKBytes;
  }
  return platform::Utf8ToUtf16(std::to_string(shown)) + u" " + *unit;
}

int64_t ParseSize(std::string_view text) {
  text = Trimmed(text);
  if (text.empty() || text.size() > 18) return 0;  // 18 digits always fit
  int64_t value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

int32_t GetOSVersion() { return 0; }

std::string GetOSName(int32_t osVersion) {
  static const char* const kNames[] = {"Unknown",      "Windows 95",   "Windows 98", "Windows ME",  "Windows NT 3",
                                       "Windows NT 4", "Windows 2000", "Windows XP", "Windows 2003"};
  const bool known = osVersion >= 0 && osVersion < static_cast<int32_t>(std::size(kNames));
  return kNames[known ? osVersion : 0];
}

std::string UpdateUserAgent() { return "Mozilla/4.0 (compatible; MSIE 5.01; " + GetOSName(GetOSVersion()) + ")"; }

std::string PercentEncode(std::string_view text) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (std::isalnum(b) && b < 0x80) {
      out += c;
    } else if (c == '-' || c == '.' || c == '_' || c == '~') {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return c == '/' || c == '\\' || b < 0x20 || b == 0x7F;
  });
}

// ---------------------------------------------------------------- update.txt

TUpdateOffer ReadUpdateInfo(std::string_view text, std::string_view currentVersion, std::string_view languageKey) {
  TUpdateOffer offer;
  currentVersion = Trimmed(currentVersion);
  std::string best(currentVersion);
  std::string previous;
  offer.BestVersion = NormalizeVersion(best);
  offer.BestSectionName = offer.BestVersion;
  const std::string major = VersionMajor(best);
  try {
    TMemoryStream stream(text.data(), text.size());
    TIniBath ini;
    ini.SetQuoteMode(true);
    ini.LoadFromStream(stream);
    while (ini.ReadLine()) {
      try {
        if (!ini.ParseLine()) continue;
      } catch (const ERangeError&) {
        continue;  // more than 32 values: the line is skipped
      }
      const std::string section = LowerUtf8(ini.Section());
      if (section.empty() || !IsDigit(section.front()) || VersionMajor(section) != major) continue;
      const int32_t order = CompareVersions(section, best);
      if (order < 0) continue;
      if (order > 0) {
        // A higher version: its own values only.
        best = section;
        previous.clear();
        const std::string shown = NormalizeVersion(section);
        offer = TUpdateOffer{};
        offer.BestVersion = shown;
        offer.BestSectionName = section;
      }
      const std::string key = LowerUtf8(ini.Key());
      const std::string& value = ini.Values()[1];
      if (key == "previous") {
        previous = Trimmed(value);
        offer.PreviousVersion = NormalizeVersion(value);
      } else if (key == "english") {
        offer.EnglishInfo = value;
      } else if (key == languageKey && languageKey != "english") {
        offer.LocalizedInfo = value;
      } else if (key == "file") {
        offer.PatchFile = value;
      } else if (key == "size") {
        offer.PatchSize = ParseSize(value);
      } else if (key == "fullfile") {
        offer.FullFile = value;
      } else if (key == "fullsize") {
        offer.FullSize = ParseSize(value);
      }
    }
  } catch (const std::exception& error) {
    LogFile.Log(std::string("ReadUpdateInfo: ") + error.what(), 1);
  }
  if (offer.LocalizedInfo.empty()) offer.LocalizedInfo = offer.EnglishInfo;
  offer.UpdateFound = CompareVersions(best, currentVersion) > 0;
  offer.NeedFull = offer.UpdateFound && !previous.empty() && CompareVersions(previous, currentVersion) > 0;
  return offer;
}

std::vector<std::u16string> UpdateMemoLines(const TUpdateOffer& offer, int32_t codePage,
                                            const TMessageStrings& strings) {
  return {strings.smUpdateFound, strings.smVersion + u" " + platform::Utf8ToUtf16(offer.BestVersion),
          strings.smInformation + u" ", CodePageToWide(offer.LocalizedInfo, codePage),
          strings.smSize + u" " + SizeToText(offer.NeedFull ? offer.FullSize : offer.PatchSize, strings)};
}

std::vector<std::u16string> InstallerFailureLines(const TInstallerResult& result, const TMessageStrings& strings) {
  std::vector<std::u16string> lines = {strings.smErrorDownloadUpdate, strings.smNoUpdateFileFound};
  if (result.ReceivedSize >= 0) {
    lines.push_back(FillPlaceholders(strings.smUpdateFileWrongSize,
                                     {platform::Utf8ToUtf16(std::to_string(result.ReceivedSize)),
                                      platform::Utf8ToUtf16(std::to_string(result.ListedSize))}));
  }
  return lines;
}

// ---------------------------------------------------------------- the thread

TUpdateInfoThread::TUpdateInfoThread(TInput input, TConnectProbe* probe, std::atomic<bool>& checkDone,
                                     std::function<void(TUpdateResults)> onResults)
    : input_(std::move(input)), probe_(probe), checkDone_(checkDone), onResults_(std::move(onResults)) {
  thread_ = std::thread([this] { Execute(); });
}

TUpdateInfoThread::~TUpdateInfoThread() { WaitFor(); }

void TUpdateInfoThread::Terminate() { terminated_ = true; }

void TUpdateInfoThread::WaitFor() {
  if (!thread_.joinable()) return;
  Terminate();
  while (true) {
    {
      std::lock_guard lock(mutex_);
      if (reader_) reader_->CloseRequest();
    }
    if (probe_) probe_->Abort();
    std::unique_lock lock(mutex_);
    if (ended_.wait_for(lock, std::chrono::milliseconds(20), [this] { return finished_; })) break;
  }
  thread_.join();
}

bool TUpdateInfoThread::Download(const std::string& url, TMemoryStream& stream) {
  THttpRead reader;
  reader.CancelFlag = &terminated_;
  reader.SetMaxBodySize(static_cast<int32_t>(kMaxUpdateInfoSize));
  if (input_.TimeoutMs > 0) {
    reader.SetConnectTimeout(input_.TimeoutMs);
    reader.SetReceiveTimeout(input_.TimeoutMs);
  }
  {
    std::lock_guard lock(mutex_);
    reader_ = &reader;
  }
  const bool ok = reader.DownloadToStream(url, stream, UpdateUserAgent());
  std::lock_guard lock(mutex_);
  reader_ = nullptr;
  return ok;
}

void TUpdateInfoThread::Execute() {
  TUpdateResults results;
  results.BestVersion = NormalizeVersion(input_.CurrentVersion);
  results.BestSectionName = results.BestVersion;
  std::string infoRead = "not read";
  try {
    // 1. The proxy probe, which may ask for a login.
    if (probe_) probe_->TestConnection(&terminated_);
    // 2-3. The news in the interface language.
    if (!Terminated()) {
      TMemoryStream news;
      if (Download(input_.Server + kNewsPath + PercentEncode(input_.LangFolderName), news)) {
        ReadNewsFeed(news, results.NewsItems);
      }
    }
    // 4-8. The update information.
    if (!Terminated()) {
      TMemoryStream info;
      if (Download(input_.Server + kUpdateInfoPath, info)) {
        const std::vector<uint8_t>& bytes = info.Bytes();
        static_cast<TUpdateOffer&>(results) =
            ReadUpdateInfo(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                           input_.CurrentVersion, input_.LanguageKey);
        infoRead = "read";
      }
    }
  } catch (const std::exception& error) {
    LogFile.Log(std::string("The update check failed: ") + error.what(), 2);
  }
  // 9. The hand-over, unless the owner asked the thread to end.
  LogFile.Log("Update check at " + input_.Server + ": " + std::to_string(results.NewsItems.size()) +
                  " news items, update.txt " + infoRead + ", " +
                  (results.UpdateFound ? "update " + results.BestVersion + " found" : std::string("no update")) +
                  (Terminated() ? " (stopped)" : ""),
              0);
  if (!Terminated() && (!results.NewsItems.empty() || results.UpdateFound) && onResults_) {
    try {
      onResults_(std::move(results));
    } catch (const std::exception& error) {
      LogFile.Log(std::string("The update check's results were not handed over: ") + error.what(), 2);
    }
  }
  checkDone_ = true;
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
  }
  ended_.notify_all();
}

// ---------------------------------------------------------------- the check

TUpdateCheck::TUpdateCheck(TConnectProbe* probe, std::u16string programFolder)
    : probe_(probe), programFolder_(programFolder.empty() ? platform::ProgramFolder() : std::move(programFolder)) {
  if (!programFolder_.empty() && programFolder_.back() != u'/') programFolder_ += u'/';
  SetFileVersion(ProgramVersion());
}

TUpdateCheck::TUpdateCheck() : TUpdateCheck(&ConnectProbe()) {}

TUpdateCheck::~TUpdateCheck() { StopUpdateCheck(); }

void TUpdateCheck::SetFileVersion(std::string_view dotted) {
  currentDotted_ = std::string(Trimmed(dotted));
  CurrentVersion = NormalizeVersion(currentDotted_);
  CurrentMajor = CurrentVersion.substr(0, CurrentVersion.find('.') + 1);
  BestVersion = CurrentVersion;
  BestSectionName = CurrentVersion;
}

void TUpdateCheck::StartUpdateCheck(std::string_view langFolderName, std::u16string_view languageKey) {
  if (started_) {
    LogFile.Log("The update check runs once per start", 0);
    return;
  }
  started_ = true;
  LanguageKey = platform::Utf16ToUtf8(platform::WideLowerCase(languageKey));
  TUpdateInfoThread::TInput input{UpdateServerUrl(), std::string(langFolderName), LanguageKey, currentDotted_,
                                  TimeoutMs};
  if (input.Server == MakerSiteServer()) {
    LogFile.Log("No update server is set (\"" + std::string(kUpdateServerValue) + "\"): no news or update is asked for",
                0);
    CheckDone = true;
    return;
  }
  thread_ = std::make_unique<TUpdateInfoThread>(std::move(input), probe_, CheckDone, OnResults);
}

void TUpdateCheck::StopUpdateCheck() {
  if (thread_) thread_->WaitFor();
  CancelInstaller();
}

void TUpdateCheck::TakeResults(TUpdateResults results) { static_cast<TUpdateResults&>(*this) = std::move(results); }

// ---------------------------------------------------------------- the installer

std::u16string TUpdateCheck::UpdateFolder() const {
  const std::u16string spelled = programFolder_ + u"Update";
  if (platform::FolderExists(spelled)) return platform::Utf8ToUtf16(platform::ResolvePath(spelled)) + u"/";
  return spelled + u"/";
}

void TUpdateCheck::DownloadInstaller(const std::string& name, int64_t listedSize,
                                     std::function<void(int32_t)> progress,
                                     std::function<void(TInstallerResult)> done) {
  CancelInstaller();
  CancelFlag = false;
  std::string url = UpdateServerUrl() + kInstallerFolderPath + PercentEncode(name);
  installer_ = std::thread([this, name, listedSize, url = std::move(url), folder = UpdateFolder(),
                            progress = std::move(progress), done = std::move(done), timeout = TimeoutMs] {
    bool ok = false;
    std::u16string path;
    std::u16string temp;
    int64_t wrongSize = -1;
    if (!IsPlainFileName(name)) {
      LogFile.Log("The installer's name \"" + name + "\" is not a plain file name; nothing is downloaded", 1);
    } else if (!platform::FolderExists(folder) && !platform::CreateFolder(folder)) {
      LogFile.Log("The folder " + platform::Utf16ToUtf8(folder) + " cannot be made; the installer is not downloaded",
                  2);
    } else if (const std::u16string target = folder + platform::Utf8ToUtf16(name);
               (temp = platform::CreateTempFileBeside(target)).empty()) {
      LogFile.Log("No file can be made in " + platform::Utf16ToUtf8(folder) + "; the installer is not downloaded", 2);
    } else {
      {
        TFileStreamW file(temp, TFileStreamW::fmCreate);
        THttpRead reader;
        reader.CancelFlag = &CancelFlag;
        reader.SetMaxBodySize(kMaxInstallerSize);
        if (timeout > 0) {
          reader.SetConnectTimeout(timeout);
          reader.SetReceiveTimeout(timeout);
        }
        if (progress) reader.OnProgress = progress;
        {
          std::lock_guard lock(installerMutex_);
          installerReader_ = &reader;
        }
        ok = file.HandleValid() && reader.DownloadToStream(url, file, UpdateUserAgent()) && file.Flush() &&
             !file.WriteFailed();
        // A server that sends less (or more) than update.txt lists hands on
        // no installer, whatever its own length said.
        if (ok && listedSize > 0 && file.Size() != listedSize) {
          LogFile.Log("The installer " + url + " has " + std::to_string(file.Size()) + " bytes where " +
                          std::to_string(listedSize) + " are listed",
                      1);
          wrongSize = file.Size();
          ok = false;
        }
        std::lock_guard lock(installerMutex_);
        installerReader_ = nullptr;
      }
      ok = ok && !CancelFlag && platform::ReplaceFile(temp, target);
      if (ok) {
        path = target;
        LogFile.Log("The installer was downloaded: " + platform::Utf16ToUtf8(path), 0);
      } else {
        platform::RemoveFile(temp);
        LogFile.Log("The installer " + url + " was not downloaded" + (CancelFlag ? " (cancelled)" : ""), 1);
      }
    }
    if (done) done(TInstallerResult{ok, path, ok ? -1 : wrongSize, listedSize});
  });
}

void TUpdateCheck::CancelInstaller() {
  if (!installer_.joinable()) return;
  CancelFlag = true;
  {
    std::lock_guard lock(installerMutex_);
    if (installerReader_) installerReader_->CloseRequest();
  }
  installer_.join();
}

}  // namespace kestrune
