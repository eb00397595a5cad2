// The connection probe across threads: the update check's probe waits for the
// user while the main window reads the state and probes too.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/connect_probe.h"
#include "search/http_read.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using test::HttpReply;
using test::HttpRequestRecord;
using test::LoopbackHttpServer;

// A prompt that holds the asking thread until the test answers.
class HeldPrompt : public IProxyLoginPrompt {
 public:
  bool AskProxyLogin(std::string& user, std::string& password) override {
    std::unique_lock lock(mutex_);
    ++asked_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return answered_; });
    answered_ = false;
    user = "ken";
    password = "secret";
    return true;
  }
  void WaitAsked(int count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return asked_ >= count; });
  }
  void Answer() {
    std::lock_guard lock(mutex_);
    answered_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int asked_ = 0;
  bool answered_ = false;
};

TEST(ConnectProbeThreads, TheMainWindowReadsAndProbesWhileTheUpdateCheckAsks) {
  test::TempDir config;
  test::ScopedEnv configHome("KESTRUNE_CONFIG_HOME", config.Path());
  LoopbackHttpServer server({LoopbackHttpServer::Transport::kRawSocket, true});
  test::ScopedEnv proxy("http_proxy", server.Url(""));
  test::ScopedEnv noProxy("no_proxy", "");
  server.SetFallback([](const HttpRequestRecord& r) {
    if (r.Header("Proxy-Authorization") == "Basic a2VuOnNlY3JldA==") return HttpReply::Text("version=1");
    return HttpReply::Status(407).WithHeader("Proxy-Authenticate", "Basic realm=\"gate\"");
  });
  SetProxyCredentials("", "");
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    HeldPrompt prompt;
    TConnectProbe probe;
    probe.TimeoutMs = 5000;
    probe.Prompt = &prompt;
    std::thread updateCheck([&] { probe.TestConnection(); });
    prompt.WaitAsked(1);
    EXPECT_EQ(probe.ConnectState.load(), 2);
    const size_t requests = server.RequestCount();
    probe.TestConnection();  // another probe runs: nothing is sent, the state stays
    EXPECT_EQ(probe.ConnectState.load(), 2);
    EXPECT_EQ(server.RequestCount(), requests);
    EXPECT_EQ(probe.ProxyUser(), "");
    prompt.Answer();
    while (probe.ConnectState.load() != 1) std::this_thread::yield();
    (void)probe.ProxyUser();
    updateCheck.join();
    EXPECT_EQ(probe.ProxyUser(), "ken");
    SetProxyCredentials("", "");
  }
}

}  // namespace
}  // namespace kestrune
