#include "app/connect_probe.h"

#include <cctype>

#include "app/kestrune_session.h"
#include "core/log_file.h"
#include "platform/settings_store.h"
#include "platform/text.h"
#include "platform/version_info.h"
#include "search/http_read.h"

namespace kestrune {

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool ValidPort(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return false;
  int32_t port = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    port = port * 10 + (c - '0');
  }
  return port >= 1 && port <= 65535;
}

}  // namespace

std::string MakerSiteServer() {
  std::string site = platform::Utf16ToUtf8(platform::kMakerSite);
  while (!site.empty() && site.back() == '/') site.pop_back();
  return site;
}

std::string UpdateServerFromValue(std::string_view value) {
  value = Trimmed(value);
  std::string scheme = "http";
  const size_t schemeEnd = value.find("://");
  if (schemeEnd != std::string_view::npos) {
    scheme = Lower(value.substr(0, schemeEnd));
    value.remove_prefix(schemeEnd + 3);
  }
  if (scheme != "http" && scheme != "https") return {};
  const std::string_view authority = value.substr(0, value.find_first_of("/\\?#"));
  if (authority.empty() || authority.find_first_of(" \t@") != std::string_view::npos) return {};
  // A port after the host (an IPv6 host stands in brackets).
  const size_t bracket = authority.rfind(']');
  const size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    if (colon == 0 || !ValidPort(authority.substr(colon + 1))) return {};
  } else if (authority.front() == '[' && bracket == std::string_view::npos) {
    return {};
  }
  return scheme + "://" + std::string(authority);
}

std::string UpdateServerUrl() {
  std::string stored;
  try {
    platform::SettingsStore store;
    if (store.OpenKeyReadOnly(kSettingsKey) && store.ValueExists(kUpdateServerValue)) {
      stored = store.ReadString(kUpdateServerValue);
    }
  } catch (const platform::ERegistryException& error) {
    LogFile.Log(std::string("UpdateServerUrl: ") + error.what(), 1);
    stored.clear();
  }
  if (!stored.empty()) {
    std::string server = UpdateServerFromValue(stored);
    if (!server.empty()) return server;
    LogFile.Log(
        "UpdateServerUrl: the stored update server \"" + stored + "\" is not an address; the maker's site is used", 1);
  }
  return MakerSiteServer();
}

bool TConnectProbe::TestConnection(const std::atomic<bool>* stop) {
  std::unique_lock running(running_, std::try_to_lock);
  if (!running.owns_lock()) {
    LogFile.Log("TestConnection: another connection test is running", 0);
    return false;
  }
  const std::string url = ProbeUrl();
  THttpRead reader;
  reader.CancelFlag = stop;
  if (TimeoutMs > 0) {
    reader.SetConnectTimeout(TimeoutMs);
    reader.SetReceiveTimeout(TimeoutMs);
  }
  {
    std::lock_guard lock(fields_);
    reader_ = &reader;
  }
  struct TForgetReader {
    TConnectProbe* probe;
    ~TForgetReader() {
      std::lock_guard lock(probe->fields_);
      probe->reader_ = nullptr;
    }
  } forgetReader{this};
  auto stopped = [stop] { return stop && stop->load(); };
  bool resent = false;
  bool loginGiven = false;  // a 407 after it: the proxy refused that login
  int32_t status = 0;
  while (true) {
    status = reader.GetHead(url, kConnectProbeUserAgent);
    if (stopped()) {
      LogFile.Log("TestConnection: stopped", 0);
      return false;
    }
    if (status < 0) {
      ConnectState = 3;
      break;
    }
    if (status == 0) {
      // An answer without a status line: the request goes out once more.
      if (resent) break;
      resent = true;
      ConnectState = 1;
      continue;
    }
    if (status != 407) {
      // The way is open: a refused login or a failed send no longer holds.
      int32_t blocked = 2;
      if (!ConnectState.compare_exchange_strong(blocked, 0)) {
        int32_t failed = 3;
        ConnectState.compare_exchange_strong(failed, 0);
      }
      break;
    }
    ConnectState = 2;
    std::string user, password;
    IProxyLoginPrompt* prompt = stopped() ? nullptr : Prompt.load();
    bool given = false;
    if (prompt) {
      {
        std::lock_guard lock(fields_);
        asking_ = true;
      }
      given = prompt->AskProxyLogin(user, password, loginGiven) && !stopped();
      std::lock_guard lock(fields_);
      asking_ = false;
    }
    if (!given) {
      {
        std::lock_guard lock(fields_);
        proxyUser_.clear();
        proxyPassword_.clear();
      }
      SetProxyCredentials("", "");
      break;
    }
    {
      std::lock_guard lock(fields_);
      proxyUser_ = user;
      proxyPassword_ = password;
    }
    SetProxyCredentials(user, password);
    loginGiven = true;
    ConnectState = 1;
  }
  LogFile.Log(
      "TestConnection: status " + std::to_string(status) + ", ConnectState " + std::to_string(ConnectState.load()),
      ConnectState == 3 ? 1 : 0);
  return false;
}

void TConnectProbe::Abort() {
  IProxyLoginPrompt* prompt = nullptr;
  {
    std::lock_guard lock(fields_);
    if (reader_) reader_->CloseRequest();
    if (asking_) prompt = Prompt.load();
  }
  if (prompt) prompt->CancelProxyLogin();
}

std::string TConnectProbe::ProxyUser() const {
  std::lock_guard lock(fields_);
  return proxyUser_;
}

std::string TConnectProbe::ProxyPassword() const {
  std::lock_guard lock(fields_);
  return proxyPassword_;
}

void TConnectProbe::SetUrl(std::string url) {
  std::lock_guard lock(fields_);
  url_ = std::move(url);
}

std::string TConnectProbe::ProbeUrl() const {
  {
    std::lock_guard lock(fields_);
    if (!url_.empty()) return url_;
  }
  return UpdateServerUrl() + kConnectProbePath;
}

TConnectProbe& ConnectProbe() {
  static TConnectProbe probe;
  return probe;
}

}  // namespace kestrune
