#include "search/http_read.h"

#include <sys/time.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <new>

#include "core/log_file.h"
#include "platform/text.h"
#include "platform/version_info.h"

namespace kestrune {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

bool IsSecureUrl(std::string_view url) { return StartsWithNoCase(url, "https://"); }

std::string_view WithoutScheme(std::string_view url) {
  if (StartsWithNoCase(url, "http://")) return url.substr(7);
  if (StartsWithNoCase(url, "https://")) return url.substr(8);
  return url;
}

// The host and port text: the scheme removed, cut before the first "/", "?"
// or "#".
std::string_view Authority(std::string_view url) {
  std::string_view rest = WithoutScheme(url);
  return rest.substr(0, rest.find_first_of("/?#"));
}

// The time libcurl reads the process-wide setup in, once.
bool GlobalInit() {
  static const bool ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ok;
}

struct ProxyLogin {
  std::mutex mutex;
  std::string user;
  std::string password;
};

ProxyLogin& Proxy() {
  static ProxyLogin login;
  return login;
}

TSystemTime ToSystemTime(const std::tm& t, int milliseconds) {
  TSystemTime s;
  s.wYear = static_cast<uint16_t>(t.tm_year + 1900);
  s.wMonth = static_cast<uint16_t>(t.tm_mon + 1);
  s.wDayOfWeek = static_cast<uint16_t>(t.tm_wday);
  s.wDay = static_cast<uint16_t>(t.tm_mday);
  s.wHour = static_cast<uint16_t>(t.tm_hour);
  s.wMinute = static_cast<uint16_t>(t.tm_min);
  s.wSecond = static_cast<uint16_t>(std::min(t.tm_sec, 59));
  s.wMilliseconds = static_cast<uint16_t>(milliseconds);
  return s;
}

TSystemTime LocalNow() {
  timeval now{};
  ::gettimeofday(&now, nullptr);
  std::tm t{};
  const std::time_t seconds = now.tv_sec;
  ::localtime_r(&seconds, &t);
  return ToSystemTime(t, static_cast<int>(now.tv_usec / 1000));
}

// Bytes that cannot stand in a request line are sent %-escaped.
std::string EscapePath(std::string_view path) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x7F) {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string HttpReadReferrerHeader() {
  return "Referrer: " + platform::Utf16ToUtf8(platform::kMakerSite) + "\\n";
}

void SetProxyCredentials(std::string_view user, std::string_view password) {
  ProxyLogin& login = Proxy();
  std::lock_guard lock(login.mutex);
  login.user = user;
  login.password = password;
}

std::string GetUrlHost(std::string_view url) {
  std::string_view host = Authority(url);
  return std::string(host.substr(0, host.find(':')));
}

std::string GetUrlPath(std::string_view url) {
  const size_t slashes = url.find("//");
  std::string_view rest = slashes == std::string_view::npos ? url : url.substr(slashes + 2);
  const size_t end = rest.find_first_of("/?#");
  if (end == std::string_view::npos) return {};
  return std::string(rest.substr(rest[end] == '/' ? end + 1 : end));
}

std::string ExtractUrlFileName(std::string_view url) {
  const size_t slash = url.rfind('/');
  return std::string(slash == std::string_view::npos ? url : url.substr(slash + 1));
}

int32_t THttpRead::GetUrlPort(std::string_view url) const {
  std::string_view authority = Authority(url);
  const size_t colon = authority.find(':');
  if (colon == std::string_view::npos) return IsSecureUrl(url) ? 443 : 80;
  std::string_view digits = authority.substr(colon + 1);
  if (digits.empty() || digits.size() > 5) return -1;
  int32_t port = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    port = port * 10 + (c - '0');
  }
  return port >= 1 && port <= 65535 ? port : -1;
}

THttpRead::THttpRead() {
  if (GlobalInit()) InternetHandle = curl_multi_init();
  if (InternetHandle) {
    // A connection cache of one: the connection to the last host stays open,
    // a connection to another host replaces it.
    curl_multi_setopt(InternetHandle, CURLMOPT_MAXCONNECTS, 1L);
  }
  headers_ = curl_slist_append(headers_, HttpReadReferrerHeader().c_str());
  for (curl_slist** list : {&headers_, &downloadHeaders_}) {
    *list = curl_slist_append(*list, "Connection: Keep-Alive");
    // No accept types: libcurl's default "Accept: */*" line is left out.
    *list = curl_slist_append(*list, "Accept:");
  }
}

THttpRead::~THttpRead() {
  if (ConnectHandle) curl_easy_cleanup(ConnectHandle);
  if (InternetHandle) curl_multi_cleanup(InternetHandle);
  curl_slist_free_all(headers_);
  curl_slist_free_all(downloadHeaders_);
}

bool THttpRead::Connect(std::string_view url) {
  const std::string host = GetUrlHost(url);
  const int32_t port = GetUrlPort(Url);
  if (host.empty() || port < 0 || !InternetHandle) {
    if (ConnectHandle) curl_easy_cleanup(ConnectHandle);
    ConnectHandle = nullptr;
    ConnectedHost.clear();
    return false;
  }
  if (!ConnectHandle) ConnectHandle = curl_easy_init();
  if (!ConnectHandle) {
    ConnectedHost.clear();
    return false;
  }
  ConnectedHost = host;
  connectedPort_ = port;
  connectedSecure_ = IsSecureUrl(Url);
  freshConnection_ = true;
  return true;
}

void THttpRead::CloseRequest() {
  std::lock_guard lock(requestMutex_);
  if (RequestHandle.load() == nullptr) return;
  abortRequested_.store(true);
  curl_multi_wakeup(InternetHandle);
}

bool THttpRead::Get(std::string_view url, bool reconnect) {
  Body.Clear();
  Body.SetPosition(0);
  const THttpFailure cause = Request(url, reconnect);
  if (cause != hfNone) Body.Clear();
  Size = static_cast<int32_t>(Body.Size());
  Body.SetPosition(0);
  failureCause_ = cause;
  return cause == hfNone && Size > 0;
}

bool THttpRead::DownloadToStream(std::string_view url, TStream& sink, std::string_view userAgent) {
  Body.Clear();
  Body.SetPosition(0);
  Size = 0;
  sink.SetSize(0);
  sink.SetPosition(0);
  sink_ = &sink;
  sinkBytes_ = 0;
  downloadUserAgent_ = std::string(userAgent);
  const THttpFailure cause = Request(url, true);
  sink_ = nullptr;
  failureCause_ = cause;
  return cause == hfNone && statusCode_ == 200 && contentLength_ > 0 &&
         sinkBytes_ == static_cast<uint64_t>(contentLength_);
}

THttpFailure THttpRead::Request(std::string_view url, bool reconnect) {
  Url = std::string(url);
  Host = GetUrlHost(url);
  Path = GetUrlPath(url);
  statusCode_ = 0;
  contentLength_ = -1;
  redirected_ = false;
  effectiveUrl_ = Url;
  timedOut_ = false;

  THttpFailure cause = hfNone;
  if (!InternetHandle) {
    cause = hfNoHandle;
  } else {
    // The connection target is kept when host, port and scheme are the same;
    // another port on the same host is another server.
    const bool sameTarget = ConnectHandle && Host == ConnectedHost && GetUrlPort(url) == connectedPort_ &&
                            IsSecureUrl(url) == connectedSecure_;
    if (!sameTarget && reconnect && !Connect(Host)) {
      cause = hfConnect;
    } else if (!ConnectHandle) {
      cause = hfRequest;
    } else {
      std::string requestUrl = connectedSecure_ ? "https://" : "http://";
      requestUrl += ConnectedHost + ":" + std::to_string(connectedPort_) + "/" + EscapePath(Path);
      cause = Transfer(requestUrl);
    }
  }
  return cause;
}

int32_t THttpRead::GetHead(std::string_view url, std::string_view userAgent) {
  headOnly_ = true;
  headUserAgent_ = std::string(userAgent);
  lastResult_ = CURLE_OK;
  Get(url);
  headOnly_ = false;
  if (statusCode_ > 0) return statusCode_;
  // libcurl refuses an answer that does not begin with a status line.
  if (lastResult_ == CURLE_UNSUPPORTED_PROTOCOL || lastResult_ == CURLE_WEIRD_SERVER_REPLY) return 0;
  return -1;
}

THttpFailure THttpRead::Transfer(const std::string& requestUrl) {
  CURL* easy = ConnectHandle;
  lastStatusLine_ = 0;
  locationSeen_ = false;
  headComplete_ = false;
  lastModifiedUtc_ = -1;
  bodyBegun_ = false;
  refused_ = false;
  tooLarge_ = false;
  connected_ = false;
  announcedLength_ = 0;
  lastPercent_ = 0;

  std::string user, password;
  {
    ProxyLogin& login = Proxy();
    std::lock_guard lock(login.mutex);
    user = login.user;
    password = login.password;
  }

  curl_easy_reset(easy);
  curl_easy_setopt(easy, CURLOPT_URL, requestUrl.c_str());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  const char* userAgent = headOnly_ ? headUserAgent_.c_str() : sink_ ? downloadUserAgent_.c_str() : kHttpReadUserAgent;
  curl_easy_setopt(easy, CURLOPT_USERAGENT, userAgent);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headOnly_ ? nullptr : sink_ ? downloadHeaders_ : headers_);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::max(connectTimeoutMs_, 1)));
  curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, freshConnection_ ? 1L : 0L);
  curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(easy, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_ANY));
  proxyLoginSet_ = !user.empty();
  curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, user.empty() ? nullptr : user.c_str());
  curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, user.empty() ? nullptr : password.c_str());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &THttpRead::WriteCallback);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &THttpRead::HeaderCallback);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &THttpRead::PrereqCallback);
  curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
  freshConnection_ = false;

  if (curl_multi_add_handle(InternetHandle, easy) != CURLM_OK) return hfRequest;
  {
    std::lock_guard lock(requestMutex_);
    abortRequested_.store(false);
    RequestHandle.store(easy);
  }

  const auto receiveTimeout = std::chrono::milliseconds(std::max(receiveTimeoutMs_, 1));
  bool aborted = false, timedOut = false, multiFailed = false;
  int running = 1;
  while (true) {
    if (Cancelled()) {
      aborted = true;
      break;
    }
    if (curl_multi_perform(InternetHandle, &running) != CURLM_OK) {
      multiFailed = true;
      break;
    }
    if (running == 0) break;
    int waitMs = 1000;
    if (connected_) {
      const auto idle = std::chrono::steady_clock::now() - lastActivity_;
      if (idle >= receiveTimeout) {
        timedOut = true;
        break;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(receiveTimeout - idle).count() + 1;
      waitMs = static_cast<int>(std::min<int64_t>(waitMs, left));
    }
    curl_multi_poll(InternetHandle, nullptr, 0, waitMs, nullptr);
  }

  CURLcode result = CURLE_OK;
  if (running == 0 && !multiFailed) {
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(InternetHandle, &queued)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy) result = message->data.result;
    }
  }
  lastResult_ = multiFailed ? CURLE_FAILED_INIT : result;
  timedOut_ = timedOut;
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  statusCode_ = static_cast<int32_t>(status);
  long redirects = 0;
  char* effective = nullptr;
  if (curl_easy_getinfo(easy, CURLINFO_REDIRECT_COUNT, &redirects) == CURLE_OK && redirects > 0 &&
      curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective != nullptr) {
    redirected_ = true;
    effectiveUrl_ = effective;
  }
  curl_multi_remove_handle(InternetHandle, easy);
  {
    std::lock_guard lock(requestMutex_);
    RequestHandle.store(nullptr);
    if (abortRequested_.exchange(false)) aborted = true;
  }

  if (!aborted && !timedOut && !multiFailed && result == CURLE_OK && !bodyBegun_) BeginBody();
  if (refused_) return hfStatus;
  if (tooLarge_) {
    LogFile.Log("The page is too large (over " + std::to_string(maxBodySize_) + " bytes): " + Url, 1);
    return hfTooLarge;
  }
  if (aborted) return hfRead;
  if (timedOut || multiFailed || result != CURLE_OK) return headComplete_ ? hfRead : hfRequest;
  return hfNone;
}

bool THttpRead::BeginBody() {
  bodyBegun_ = true;
  long status = 0;
  curl_easy_getinfo(ConnectHandle, CURLINFO_RESPONSE_CODE, &status);
  curl_off_t length = -1;
  curl_easy_getinfo(ConnectHandle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  contentLength_ = length >= 0 ? static_cast<int64_t>(length) : -1;
  if (status == 404 || status == 407 || (sink_ && status != 200)) {
    refused_ = true;
    return false;
  }
  if (lastModifiedUtc_ >= 0) {
    std::tm t{};
    ::gmtime_r(&lastModifiedUtc_, &t);
    LastModified = ToSystemTime(t, 0);
  } else {
    LastModified = LocalNow();
  }
  announcedLength_ = length > 0 ? static_cast<uint64_t>(length) : 0;
  if (!headOnly_ && announcedLength_ > static_cast<uint64_t>(maxBodySize_)) {
    tooLarge_ = true;
    return false;
  }
  if (sink_ && announcedLength_ == 0) return false;  // a download without a length is not read
  if (announcedLength_ > 0 && !sink_) Body.Bytes().reserve(announcedLength_);
  return true;
}

size_t THttpRead::WriteCallback(char* data, size_t size, size_t count, void* self) {
  auto* reader = static_cast<THttpRead*>(self);
  const size_t bytes = size * count;
  reader->lastActivity_ = std::chrono::steady_clock::now();
  if (reader->Cancelled()) return CURL_WRITEFUNC_ERROR;
  if (reader->headOnly_) return CURL_WRITEFUNC_ERROR;  // the head is all a probe reads
  if (!reader->bodyBegun_ && !reader->BeginBody()) return CURL_WRITEFUNC_ERROR;
  uint64_t received = 0;
  if (reader->sink_) {
    if (reader->sinkBytes_ + bytes > static_cast<uint64_t>(reader->maxBodySize_)) {
      reader->tooLarge_ = true;
      return CURL_WRITEFUNC_ERROR;
    }
    if (reader->sink_->Write(data, static_cast<int64_t>(bytes)) != static_cast<int64_t>(bytes)) {
      LogFile.Log("The download could not be stored: " + reader->Url, 1);
      return CURL_WRITEFUNC_ERROR;
    }
    received = reader->sinkBytes_ += bytes;
  } else {
    std::vector<uint8_t>& body = reader->Body.Bytes();
    // A body over the limit (or no memory for it) ends the read.
    if (body.size() + bytes > static_cast<size_t>(reader->maxBodySize_)) {
      reader->tooLarge_ = true;
      return CURL_WRITEFUNC_ERROR;
    }
    try {
      // The block goes in at once (one copy of the bytes, not a loop over
      // them).
      const auto* block = reinterpret_cast<const uint8_t*>(data);
      body.insert(body.end(), block, block + bytes);
    } catch (const std::bad_alloc&) {
      reader->tooLarge_ = true;
      return CURL_WRITEFUNC_ERROR;
    }
    received = body.size();
  }
  if (reader->OnProgress && reader->announcedLength_ != 0) {
    try {
      const uint64_t percent = received * 100 / reader->announcedLength_;
      const auto value = static_cast<int32_t>(std::min<uint64_t>(percent, INT32_MAX));
      if (value != reader->lastPercent_) {
        reader->lastPercent_ = value;
        reader->OnProgress(value);
      }
    } catch (...) {
    }
  }
  return bytes;
}

size_t THttpRead::HeaderCallback(char* data, size_t size, size_t count, void* self) {
  auto* reader = static_cast<THttpRead*>(self);
  reader->lastActivity_ = std::chrono::steady_clock::now();
  try {
    reader->HeaderLine(std::string_view(data, size * count));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  // A probe ends at the final head, unless a proxy asks for the login that
  // libcurl holds: it then sends the request again with it (skipping that
  // answer's body itself).
  if (reader->headOnly_ && reader->headComplete_ && !(reader->lastStatusLine_ == 407 && reader->proxyLoginSet_)) {
    return 0;
  }
  return size * count;
}

int THttpRead::PrereqCallback(void* self, char*, char*, int, int) {
  auto* reader = static_cast<THttpRead*>(self);
  reader->connected_ = true;
  reader->lastActivity_ = std::chrono::steady_clock::now();
  return CURL_PREREQFUNC_OK;
}

void THttpRead::HeaderLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (StartsWithNoCase(line, "http/")) {
    // A new response begins (after a redirect or an interim answer).
    const size_t space = line.find(' ');
    lastStatusLine_ = space == std::string_view::npos ? 0 : std::atoi(std::string(line.substr(space + 1, 3)).c_str());
    locationSeen_ = false;
    headComplete_ = false;
    lastModifiedUtc_ = -1;
    return;
  }
  if (line.empty()) {
    const bool interim = lastStatusLine_ >= 100 && lastStatusLine_ < 200;
    const bool followed = lastStatusLine_ >= 300 && lastStatusLine_ < 400 && lastStatusLine_ != 304 && locationSeen_;
    headComplete_ = !interim && !followed;
    return;
  }
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  std::string_view name = line.substr(0, colon);
  std::string_view value = line.substr(colon + 1);
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  auto is = [&](std::string_view wanted) { return name.size() == wanted.size() && StartsWithNoCase(name, wanted); };
  if (is("last-modified")) {
    const std::time_t t = curl_getdate(std::string(value).c_str(), nullptr);
    lastModifiedUtc_ = t >= 0 ? t : -1;
  } else if (is("location")) {
    locationSeen_ = true;
  }
}

}  // namespace kestrune
