#include "app/connect_probe.h"

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <thread>
#include <optional>
#include <vector>

#include "app/kestrune_session.h"
#include "platform/settings_store.h"
#include "search/http_read.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using test::HttpReply;
using test::HttpRequestRecord;
using test::LoopbackHttpServer;

struct Answer {
  bool ok;
  const char* user;
  const char* password;
};

// Answers from a script; asked past its end, it cancels.
class ScriptedPrompt : public IProxyLoginPrompt {
 public:
  explicit ScriptedPrompt(std::vector<Answer> script) : script_(std::move(script)) {}
  bool AskProxyLogin(std::string& user, std::string& password) override {
    const size_t turn = asked_++;
    if (turn >= script_.size()) return false;
    user = script_[turn].user;
    password = script_[turn].password;
    return script_[turn].ok;
  }
  size_t Asked() const { return asked_; }

 private:
  std::vector<Answer> script_;
  size_t asked_ = 0;
};

void WriteUpdateServer(const std::string& value) {
  platform::SettingsStore store;
  ASSERT_TRUE(store.OpenKey(kSettingsKey, true));
  store.WriteString(kUpdateServerValue, value);
}

constexpr const char* kGoodLogin = "Basic a2VuOnNlY3JldA==";  // ken:secret

// The proxy: 407 until the request carries ken's login.
HttpReply Proxy(const HttpRequestRecord& r, size_t) {
  if (r.Header("Proxy-Authorization") == kGoodLogin) return HttpReply::Text("version=1");
  return HttpReply::Status(407, "<html>login</html>").WithHeader("Proxy-Authenticate", "Basic realm=\"gate\"");
}

HttpReply Direct(const HttpRequestRecord&, size_t) { return HttpReply::Text("version=1"); }

enum class Where { kDirect, kProxy, kClosedPort };

struct ProbeCase {
  const char* name;
  Where where;
  std::function<HttpReply(const HttpRequestRecord&, size_t n)> answer;
  std::vector<Answer> prompts;
  int probes = 1;
  int32_t initialState = 0;
  int32_t state = 0;
  size_t asked = 0;
  const char* proxyUser = "";
  size_t requests = 0;  // checked when not 0
  std::function<void(const LoopbackHttpServer&)> check = nullptr;
};

TEST(ConnectProbe, Cases) {
  const ProbeCase cases[] = {
      {"DirectAnswerAsksNothing", Where::kDirect, Direct, {}, 1, 0, 0, 0, "", 1,
       [](const LoopbackHttpServer& server) {
         const HttpRequestRecord r = server.LastRequest();
         EXPECT_EQ(r.method, "GET");
         EXPECT_EQ(r.target, "/download/update/update.txt");
         EXPECT_EQ(r.version, "HTTP/1.0");
         EXPECT_EQ(r.Header("User-Agent"), kConnectProbeUserAgent);
         EXPECT_FALSE(r.HasHeader("Referrer"));
       }},
      {"GoodLoginAskedOnce", Where::kProxy, Proxy, {{true, "ken", "secret"}}, 1, 0, 1, 1, "ken"},
      {"WrongLoginAskedAgain", Where::kProxy, Proxy, {{true, "ken", "guess"}, {true, "ken", "secret"}}, 1, 0, 1, 2,
       "ken"},
      {"CancelBlocksAndTheNextProbeAsksAgain", Where::kProxy, Proxy, {{false, "ken", "x"}, {false, "", ""}}, 2, 0, 2,
       2, ""},
      {"CancelAfterAWrongLoginDropsIt", Where::kProxy, Proxy, {{true, "ken", "guess"}, {false, "", ""}}, 1, 0, 2, 2,
       ""},
      {"ClosedPortCannotSend", Where::kClosedPort, Direct, {}, 1, 0, 3, 0, ""},
      {"NoStatusLineSendsOnceMore", Where::kDirect,
       [](const HttpRequestRecord& r, size_t n) { return n == 0 ? HttpReply::Raw("hello\r\n\r\n") : Direct(r, n); },
       {}, 1, 0, 1, 0, "", 2},
      {"NoStatusLineTwiceEnds", Where::kDirect,
       [](const HttpRequestRecord&, size_t) { return HttpReply::Raw("hello\r\n\r\n"); }, {}, 1, 0, 1, 0, "", 2},
      {"AnAnswerAfterARefusedLoginUnblocks", Where::kDirect, Direct, {}, 1, 2, 0, 0, "", 1},
      {"AnAnswerKeepsAGivenLogin", Where::kDirect, Direct, {}, 1, 1, 1, 0, "", 1},
      {"AnAnswerAfterAFailedSendClears", Where::kDirect, Direct, {}, 1, 3, 0, 0, "", 1},
      {"NotFoundIsNoLoginQuestion", Where::kDirect,
       [](const HttpRequestRecord&, size_t) { return HttpReply::Status(404, "none"); }, {}, 1, 0, 0, 0, "", 1},
  };
  for (const ProbeCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    test::ScopedEnv config("KESTRUNE_CONFIG_HOME", dir.Path());
    LoopbackHttpServer server({LoopbackHttpServer::Transport::kRawSocket, true});
    std::optional<test::ScopedEnv> proxy, noProxy;
    if (c.where == Where::kProxy) {
      proxy.emplace("http_proxy", server.Url(""));
      noProxy.emplace("no_proxy", "");
    } else {
      noProxy.emplace("no_proxy", "*");
      WriteUpdateServer(c.where == Where::kDirect ? server.HostAndPort() : server.ClosedPortUrl(""));
    }
    std::atomic<size_t> served{0};
    server.SetFallback([&](const HttpRequestRecord& r) { return c.answer(r, served++); });
    SetProxyCredentials("", "");

    ScriptedPrompt prompt(c.prompts);
    TConnectProbe probe;
    probe.TimeoutMs = 5000;
    probe.Prompt = &prompt;
    probe.ConnectState = c.initialState;
    for (int i = 0; i < c.probes; ++i) EXPECT_FALSE(probe.TestConnection());

    EXPECT_EQ(probe.ConnectState.load(), c.state);
    EXPECT_EQ(prompt.Asked(), c.asked);
    EXPECT_EQ(probe.ProxyUser(), c.proxyUser);
    if (c.requests) {
      EXPECT_EQ(server.RequestCount(), c.requests);
    }
    if (c.where == Where::kProxy) {
      for (const HttpRequestRecord& r : server.Requests()) {
        EXPECT_EQ(r.target, "http://www.kestrune.example/download/update/update.txt");
      }
      // A later download through the proxy carries the accepted login, or none.
      THttpRead reader;
      EXPECT_EQ(reader.Get("http://www.kestrune.example/news"), c.state == 1);
      EXPECT_EQ(server.LastRequest().Header("Proxy-Authorization"), c.state == 1 ? kGoodLogin : "");
    }
    if (c.check) c.check(server);
  }
  SetProxyCredentials("", "");
}

// The probe reads heads only: a server that sends its head and then nothing
// does not hold it (the request's own time-out is a minute).
TEST(ConnectProbe, AStalledBodyDoesNotHoldTheProbe) {
  test::TempDir dir;
  test::ScopedEnv config("KESTRUNE_CONFIG_HOME", dir.Path());
  test::ScopedEnv noProxy("no_proxy", "*");
  for (int status : {200, 404, 407}) {
    SCOPED_TRACE(status);
    LoopbackHttpServer server({LoopbackHttpServer::Transport::kRawSocket, true});
    server.SetFallback([status](const HttpRequestRecord&) {
      return HttpReply::Status(status, std::string(1000, 'x')).Slow(10, std::chrono::minutes(1));
    });
    WriteUpdateServer(server.HostAndPort());
    ScriptedPrompt prompt({});
    TConnectProbe probe;
    probe.Prompt = &prompt;
    std::promise<void> finished;
    std::thread run([&] {
      probe.TestConnection();
      finished.set_value();
    });
    EXPECT_EQ(finished.get_future().wait_for(std::chrono::seconds(20)), std::future_status::ready);
    run.join();
    EXPECT_EQ(probe.ConnectState.load(), status == 407 ? 2 : 0);
  }
}

TEST(ConnectProbe, UpdateServer) {
  const struct {
    const char* value;  // null: none stored
    const char* server;
  } cases[] = {
      {nullptr, "http://www.kestrune.example"},
      {"", "http://www.kestrune.example"},
      {"127.0.0.1:8080", "http://127.0.0.1:8080"},
      {"  HTTPS://updates.example.org/path/?q=1 ", "https://updates.example.org"},
      {"http://[::1]:81/", "http://[::1]:81"},
      {"updates.example.org\\x", "http://updates.example.org"},
      {"ftp://updates.example.org", "http://www.kestrune.example"},
      {"127.0.0.1:99999", "http://www.kestrune.example"},
      {"127.0.0.1:", "http://www.kestrune.example"},
      {"http://user@evil.example", "http://www.kestrune.example"},
      {"http:///x", "http://www.kestrune.example"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(none)");
    test::TempDir dir;
    test::ScopedEnv config("KESTRUNE_CONFIG_HOME", dir.Path());
    if (c.value) WriteUpdateServer(c.value);
    EXPECT_EQ(UpdateServerUrl(), c.server);
  }
  // A value of another type reads as none.
  test::TempDir dir;
  test::ScopedEnv config("KESTRUNE_CONFIG_HOME", dir.Path());
  platform::SettingsStore store;
  ASSERT_TRUE(store.OpenKey(kSettingsKey, true));
  store.WriteInteger(kUpdateServerValue, 5);
  EXPECT_EQ(UpdateServerUrl(), "http://www.kestrune.example");
}

}  // namespace
}  // namespace kestrune
