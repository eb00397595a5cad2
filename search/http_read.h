// THttpRead: downloads one web resource at a time with an HTTP GET into a
// memory stream. The meta-search and advertising threads and the scope
// explorer's download thread each own one reader.
//
// The reader keeps one libcurl easy handle in a multi handle whose connection
// cache holds one connection: consecutive requests to the same host and port
// reuse one TCP connection, a request to another host replaces it. Requests go
// out as HTTP/1.0 with "Connection: Keep-Alive", the reader's fixed user agent
// and its "Referrer" header; no accept types, no cookies, no cache, no
// content decoding.
// Redirects to http and https addresses are followed, at most 10. A proxy is
// taken from the environment (http_proxy, https_proxy, no_proxy) as libcurl
// reads it; SetProxyCredentials gives every reader of the process the proxy
// login (memory only).
//
// Get never throws: any failure gives False, an empty Body and Size 0, and
// FailureCause() tells which step failed. Statuses 404 and 407 fail; every
// other status is read as a body. A body longer than MaxBodySize() (32 MiB
// unless the owner sets another) is not read: the read ends with hfTooLarge
// and a log line, as soon as the announced length or the bytes received pass
// the limit.
//
// DownloadToStream is the update check's GET: the body goes to a stream of
// the caller's (a file), the request carries the caller's user agent and no
// Referrer line, and it succeeds only for status 200 with an announced
// Content-Length that is not 0 and that many bytes received.
//
// Threads: a reader belongs to the thread that calls Get. CloseRequest is the
// one operation another thread may call: it raises a flag and wakes the
// transfer, and the owning thread then ends the request, so that Get returns
// False at once, also while the server sends nothing. Only the owning thread
// touches the libcurl handles. A CancelFlag set by another thread ends the
// requests too (checked before a request goes out and at every wake-up);
// CloseRequest after setting it wakes one that waits.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "core/stream.h"

namespace kestrune {

// A 16-byte calendar time record (day of week 0 = Sunday).
struct TSystemTime {
  uint16_t wYear = 0;
  uint16_t wMonth = 0;
  uint16_t wDayOfWeek = 0;
  uint16_t wDay = 0;
  uint16_t wHour = 0;
  uint16_t wMinute = 0;
  uint16_t wSecond = 0;
  uint16_t wMilliseconds = 0;
};
static_assert(sizeof(TSystemTime) == 16);

// The request's fixed texts. The Referrer line ends with the two characters
// backslash and "n", not a line break.
inline constexpr const char* kHttpReadUserAgent =
    "Mozilla/4.0 (compatible; MSIE 6.0b; Windows NT 5.0; .NET CLR 1.0.2914)";
std::string HttpReadReferrerHeader();  // "Referrer: " + the maker's root address + "\n"

// Why the last Get failed.
enum THttpFailure : int32_t {
  hfNone = 0,          // no failure (Get is still False for an empty body)
  hfNoHandle = 1,      // no transfer handle (libcurl could not start)
  hfConnect = 2,       // no connection: empty host, or a port that is not 1..65535
  hfRequest = 3,       // sending the request or receiving the response head failed
  hfStatus = 4,        // status 404 or 407 (a proxy asking for a login)
  hfRead = 5,          // reading the body failed, timed out or was aborted
  hfTooLarge = 6,      // the body is longer than the reader's limit (or no memory was left for it)
};

// The proxy login used by every reader of the process from its next request
// on (empty user: none). Any thread may call it.
void SetProxyCredentials(std::string_view user, std::string_view password);

// URL parts. A URL is read as ["http://" | "https://"] authority [path], the
// scheme in any letter case; the authority (host [":" port]) ends at the first
// "/", "?" or "#".
// The host: the authority before its first ":".
std::string GetUrlHost(std::string_view url);
// What follows the authority of the text after the first "//" (the whole URL
// when it has none), without a leading "/": "http://H/s/r?q=1" gives
// "s/r?q=1", "http://H?q=1" gives "?q=1"; "http://H" and "http://H/" give "".
// The request goes out for "/" + the path.
std::string GetUrlPath(std::string_view url);
// The text after the last "/"; the whole URL when it has no "/".
std::string ExtractUrlFileName(std::string_view url);

class THttpRead {
 public:
  // Percent of the announced length received, called by Get's thread after a
  // block when the percent changed. Exceptions it throws are swallowed.
  std::function<void(int32_t percent)> OnProgress;
  // The multi handle; null when libcurl could not start (every Get fails).
  CURLM* InternetHandle = nullptr;
  // The easy handle while a connection target is set; null otherwise.
  CURL* ConnectHandle = nullptr;
  // The easy handle while a Get transfers, null otherwise; written only by the
  // owning thread, read by CloseRequest.
  std::atomic<CURL*> RequestHandle{nullptr};
  // Last-Modified of the last response in UTC, else the local time of the
  // request.
  TSystemTime LastModified;
  // The body of the last response; position 0 after Get.
  TMemoryStream Body;
  // The host of the connection target; empty when the last connect failed.
  std::string ConnectedHost;
  // The path of the last URL (without the "/" after the host).
  std::string Path;
  // Bytes in Body after the last Get.
  int32_t Size = 0;
  // The host of the last URL.
  std::string Host;
  // The last URL given to Get; Connect takes its port from here.
  std::string Url;
  // While it points at a true flag, every request of the reader ends at once
  // as aborted (hfRead). Not owned; null: none. Set on the owning thread.
  const std::atomic<bool>* CancelFlag = nullptr;

  THttpRead();
  ~THttpRead();
  THttpRead(const THttpRead&) = delete;
  THttpRead& operator=(const THttpRead&) = delete;

  // Downloads `url` into Body; True when a non-empty body was received. With
  // `reconnect` False the request goes to the current connection target
  // whatever the URL's host.
  bool Get(std::string_view url, bool reconnect = true);
  // Sets the connection target to `url`'s host with the port and scheme of the
  // field Url; the next request opens a new connection. False (no target)
  // for an empty host or a port that is not 1..65535.
  bool Connect(std::string_view url);
  // Aborts a running Get from any thread; nothing when no request is open.
  void CloseRequest();

  // One GET of `url` with `userAgent` and no Referrer line (the other
  // request rules as Get), its body written to `sink` from position 0 (the
  // sink is emptied first; Body stays empty). True exactly when the final
  // status is 200, the response announced a Content-Length that is not 0 and
  // that many bytes were written. Any other status is not read; a body over
  // MaxBodySize() ends the read with hfTooLarge. OnProgress reports as for
  // Get.
  bool DownloadToStream(std::string_view url, TStream& sink, std::string_view userAgent);

  // A connection probe: sends a GET for `url` as Get does (same connection
  // rules, proxy and proxy login), but with `userAgent` in place of the
  // reader's and none of its other header lines, and ends the transfer at the
  // final response's head (a proxy's login request, while a login is set, at
  // its first body byte): the body is never read (Body stays empty). The
  // result is that response's status; 0 when an answer came without a status
  // line; -1 when the request could not be sent or nothing came back.
  int32_t GetHead(std::string_view url, std::string_view userAgent);

  std::string GetUrlFileName(std::string_view url) const { return ExtractUrlFileName(url); }
  // The port after the host's ":" (80 without one, 443 for "https://"); -1
  // when the text after ":" is not a decimal number 1..65535.
  int32_t GetUrlPort(std::string_view url) const;

  // The status of the last response (0 when none arrived).
  int32_t StatusCode() const { return statusCode_; }
  // True when the last Get followed a redirect; EffectiveUrl() is then the
  // address of the final response as libcurl resolved it. Without a redirect
  // it is the address as sent (with its port written out), so callers that
  // resolve links take it only after a redirect.
  bool Redirected() const { return redirected_; }
  const std::string& EffectiveUrl() const { return effectiveUrl_; }
  // Why the last Get failed (hfNone after a success).
  THttpFailure FailureCause() const { return failureCause_; }
  // The last Get ended because the server stayed silent longer than the
  // receive time-out after the connection was made.
  bool TimedOut() const { return timedOut_; }
  // The Content-Length the last response announced; -1 when it announced
  // none (or no response came).
  int64_t ContentLength() const { return contentLength_; }

  // Time-outs in milliseconds: for the connection (60000) and for silence
  // after the request went out (60000).
  void SetConnectTimeout(int32_t ms) { connectTimeoutMs_ = ms; }
  void SetReceiveTimeout(int32_t ms) { receiveTimeoutMs_ = ms; }
  int32_t ConnectTimeout() const { return connectTimeoutMs_; }
  int32_t ReceiveTimeout() const { return receiveTimeoutMs_; }

  // The longest body Get reads, in bytes (kDefaultMaxBodySize unless set;
  // a negative value counts as 0). Set before Get, on the owning thread.
  static constexpr int32_t kDefaultMaxBodySize = 32 << 20;
  void SetMaxBodySize(int32_t bytes) { maxBodySize_ = bytes < 0 ? 0 : bytes; }
  int32_t MaxBodySize() const { return maxBodySize_; }

 private:
  static size_t WriteCallback(char* data, size_t size, size_t count, void* self);
  static size_t HeaderCallback(char* data, size_t size, size_t count, void* self);
  static int PrereqCallback(void* self, char*, char*, int, int);

  void HeaderLine(std::string_view line);
  bool BeginBody();  // the final response's head is in: False refuses it
  THttpFailure Request(std::string_view url, bool reconnect);
  THttpFailure Transfer(const std::string& requestUrl);
  bool Cancelled() const { return abortRequested_.load() || (CancelFlag && CancelFlag->load()); }

  curl_slist* headers_ = nullptr;
  curl_slist* downloadHeaders_ = nullptr;  // DownloadToStream's: no Referrer line
  int32_t connectedPort_ = 0;
  bool connectedSecure_ = false;
  bool freshConnection_ = false;

  // Per-transfer state, owned by Get's thread.
  int32_t statusCode_ = 0;
  THttpFailure failureCause_ = hfNone;
  bool redirected_ = false;
  std::string effectiveUrl_;
  bool timedOut_ = false;
  int32_t lastStatusLine_ = 0;
  bool locationSeen_ = false;
  bool headComplete_ = false;
  std::time_t lastModifiedUtc_ = -1;
  bool bodyBegun_ = false;
  bool refused_ = false;
  bool tooLarge_ = false;
  bool connected_ = false;
  uint64_t announcedLength_ = 0;
  int64_t contentLength_ = -1;
  int32_t lastPercent_ = 0;
  std::chrono::steady_clock::time_point lastActivity_;

  bool headOnly_ = false;         // GetHead's transfer
  bool proxyLoginSet_ = false;    // the transfer carries a proxy login
  std::string headUserAgent_;
  TStream* sink_ = nullptr;       // DownloadToStream's target while it runs
  uint64_t sinkBytes_ = 0;
  std::string downloadUserAgent_;
  CURLcode lastResult_ = CURLE_OK;  // libcurl's result of the last transfer

  int32_t connectTimeoutMs_ = 60000;
  int32_t receiveTimeoutMs_ = 60000;
  int32_t maxBodySize_ = kDefaultMaxBodySize;

  std::mutex requestMutex_;  // orders CloseRequest against opening and closing a request
  std::atomic<bool> abortRequested_{false};
};

}  // namespace kestrune
