// The connection probe: finds out whether the way to the maker's web server
// passes a proxy that asks for a login, and if so asks the user for one.
//
// TestConnection sends one GET for "download/update/update.txt" on the update
// server (UpdateServerUrl()) through the HTTP reader (search/http_read.h):
// libcurl, the proxy of the environment, HTTP/1.0, the probe's own user agent,
// the body never read. A proxy's 407 shows the login prompt (IProxyLoginPrompt)
// with empty boxes, and with a line saying that the proxy refused the login
// when it answers 407 again to the one just given; accepted credentials go to
// the reader's process-wide SetProxyCredentials, so that this request, sent
// again, and every later request through the proxy carry them. The user is asked again for each 407
// until the proxy accepts the login or the user cancels. Nothing is written to
// a file or the settings: the login lives in memory for the run.
//
// ConnectState tells the main window whether the network can be used:
//   0  not tested, or no login asked
//   1  a login was given (or an answer without a status line made the probe
//      send the request once more) and the request was sent again
//   2  the proxy asks for a login and none was accepted: searches do not start
//   3  the request could not be sent (no network, server unreachable)
// Any other status leaves 0 and 1 as they are and turns 2 and 3 into 0: the
// way is open again, so a search after a refused login is no longer blocked.
//
// Threads: the update check probes on its own thread and the main window on
// the user-interface thread; the prompt takes care of showing its form on the
// user-interface thread. One probe runs at a time: a probe started while
// another runs returns at once and leaves the state to the running one.
// ConnectState may be read from any thread; ProxyUser and ProxyPassword are
// copies taken under a lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace kestrune {

class THttpRead;

// The login form as the probe sees it.
class IProxyLoginPrompt {
 public:
  virtual ~IProxyLoginPrompt() = default;
  // Shows the login form with empty boxes and waits for the user; `refused`:
  // the proxy refused the login given last, which the form says. True after
  // OK, with the typed user name and password (UTF-8); false after Cancel, or
  // when the form cannot be shown (it is shown already, or it is gone). Any
  // thread may call it.
  virtual bool AskProxyLogin(std::string& user, std::string& password, bool refused) = 0;
  // Answers Cancel to the question showing or waiting to be shown, so that
  // its AskProxyLogin returns false at once; a later question is asked as
  // usual. Any thread may call it.
  virtual void CancelProxyLogin() = 0;
};

// The probe's fixed user agent.
inline constexpr const char* kConnectProbeUserAgent = "Mozilla/4.0 (compatible; MSIE 5.01; Windows 98)";
// The file the probe asks for, under the update server.
inline constexpr const char* kConnectProbePath = "/download/update/update.txt";
// The settings value (in the program's key) that names the update server.
inline constexpr const char* kUpdateServerValue = "UpdateServer";

// The update server's address: scheme, host and port, without a final "/".
// From the settings value kUpdateServerValue when it holds a usable address
// ("127.0.0.1:8080" gets "http://"; a path, query or final "/" is dropped;
// a scheme other than http or https, or no host, is not usable), else the
// maker's site. The update check, the scope explorer and the probe use it.
std::string UpdateServerUrl();
// The same rule over a given value; empty when the value is not usable.
std::string UpdateServerFromValue(std::string_view value);
// The maker's site as UpdateServerUrl() gives it when no update server is set.
std::string MakerSiteServer();

class TConnectProbe {
 public:
  std::atomic<int32_t> ConnectState{0};
  // The login form; null: a login request counts as cancelled. Not owned.
  std::atomic<IProxyLoginPrompt*> Prompt{nullptr};

  // Runs the probe. Always false (the result has no meaning; read
  // ConnectState). With `stop` set (by another thread, followed by Abort) the
  // probe ends at once, asks nothing more and leaves ConnectState as it was
  // at that moment.
  bool TestConnection(const std::atomic<bool>* stop = nullptr);
  // Ends the request of a running probe and answers Cancel to its question
  // (CancelProxyLogin), from any thread; nothing when no probe runs.
  void Abort();

  // The last credentials accepted at the prompt; emptied when the user
  // cancels.
  std::string ProxyUser() const;
  std::string ProxyPassword() const;

  // The probed address; empty (the default): UpdateServerUrl() +
  // kConnectProbePath, read at each probe.
  void SetUrl(std::string url);

  // Time-outs of the probe's request, in milliseconds (the reader's 60 s when
  // 0).
  int32_t TimeoutMs = 0;

 private:
  std::string ProbeUrl() const;

  std::mutex running_;         // held for the length of one probe
  mutable std::mutex fields_;  // guards the texts and the pointer below
  THttpRead* reader_ = nullptr;  // the running probe's reader
  bool asking_ = false;          // the running probe waits for the prompt
  std::string proxyUser_;
  std::string proxyPassword_;
  std::string url_;
};

// The program's probe: the update check and the main window share it, and the
// connection prompt form answers its questions.
TConnectProbe& ConnectProbe();

}  // namespace kestrune
