#include "app/connect_probe.h"

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <optional>

#include "app/kestrune_session.h"
#include "platform/settings_store.h"
#include "search/http_read.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using test::HttpReply;
using test::HttpRequestRecord;

// Answers "ken" with the scripted passwords; null or past the script: Cancel.
// Notes for each question whether it said the last login was refused ("1").
struct ScriptedPrompt : IProxyLoginPrompt {
  std::vector<const char*> passwords;
  size_t asked = 0;
  std::string refusals;
  bool AskProxyLogin(std::string& user, std::string& password, bool refused) override {
    const char* answer = asked < passwords.size() ? passwords[asked] : nullptr;
    ++asked;
    refusals += refused ? '1' : '0';
    user = "ken";
    password = answer ? answer : "";
    return answer;
  }
  void CancelProxyLogin() override {}
};

void WriteUpdateServer(const std::string& value) {
  platform::SettingsStore store;
  ASSERT_TRUE(store.OpenKey(kSettingsKey, true));
  store.WriteString(kUpdateServerValue, value);
}

constexpr const char* kGoodLogin = "Basic a2VuOnNlY3JldA==";  // ken:secret
using Answer = std::function<HttpReply(const HttpRequestRecord&, size_t n)>;
const Answer kProxy = [](const HttpRequestRecord& r, size_t) {
  if (r.Header("Proxy-Authorization") == kGoodLogin) return HttpReply::Text("version=1");
  return HttpReply::Status(407, "<html>login</html>").WithHeader("Proxy-Authenticate", "Basic realm=\"gate\"");
};
const Answer kDirect = [](const HttpRequestRecord&, size_t) { return HttpReply::Text("version=1"); };
const Answer kNoStatusLineFirst = [](const HttpRequestRecord& r, size_t n) {
  return n == 0 ? HttpReply::Raw("hello\r\n\r\n") : kDirect(r, n);
};
// A head, then a body that does not come within the test.
Answer Stalled(int status) {
  return [status](const HttpRequestRecord&, size_t) {
    return HttpReply::Status(status, std::string(100, 'x')).Slow(10, std::chrono::minutes(1));
  };
}

enum Where { kDirectly, kViaProxy, kClosedPort };

TEST(ConnectProbe, Cases) {
  const struct {
    const char* name;
    Where where;
    Answer answer;
    std::vector<const char*> passwords;
    int probes, initialState, state;
    size_t asked, requests;  // requests checked when not 0
    const char* refusals;    // per question: "1" when it said the proxy refused the last login
  } cases[] = {
      {"DirectAsksNothing", kDirectly, kDirect, {}, 1, 0, 0, 0, 1, ""},
      {"GoodLoginAskedOnce", kViaProxy, kProxy, {"secret"}, 1, 0, 1, 1, 0, "0"},
      {"WrongLoginAskedAgainSayingItWasRefused", kViaProxy, kProxy, {"guess", "secret"}, 1, 0, 1, 2, 0, "01"},
      {"TwoWrongLogins", kViaProxy, kProxy, {"guess", "again", "secret"}, 1, 0, 1, 3, 0, "011"},
      {"WrongLoginThenCancel", kViaProxy, kProxy, {"guess", nullptr}, 1, 0, 2, 2, 0, "01"},
      {"CancelBlocksAndTheNextProbeAsksAgain", kViaProxy, kProxy, {nullptr}, 2, 0, 2, 2, 0, "00"},
      {"ClosedPortCannotSend", kClosedPort, kDirect, {}, 1, 0, 3, 0, 0, ""},
      {"NoStatusLineSendsOnceMore", kDirectly, kNoStatusLineFirst, {}, 1, 0, 1, 0, 2, ""},
      {"AnAnswerUnblocksARefusedLogin", kDirectly, kDirect, {}, 1, 2, 0, 0, 1, ""},
      {"AStalledBodyIsNotAwaited", kDirectly, Stalled(200), {}, 1, 3, 0, 0, 1, ""},
      {"AStalledLoginRequestIsNotAwaited", kDirectly, Stalled(407), {}, 1, 1, 2, 1, 1, "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    test::ScopedEnv config("KESTRUNE_CONFIG_HOME", dir.Path());
    test::LoopbackHttpServer server({test::LoopbackHttpServer::Transport::kRawSocket, true});
    test::ScopedEnv noProxy("no_proxy", c.where == kViaProxy ? "" : "*");
    std::optional<test::ScopedEnv> proxy;
    if (c.where == kViaProxy) proxy.emplace("http_proxy", server.Url(""));
    if (c.where != kViaProxy) WriteUpdateServer(c.where == kDirectly ? server.HostAndPort() : server.ClosedPortUrl(""));
    std::atomic<size_t> served{0};
    server.SetFallback([&](const HttpRequestRecord& r) { return c.answer(r, served++); });
    SetProxyCredentials("", "");

    ScriptedPrompt prompt;
    prompt.passwords = c.passwords;
    TConnectProbe probe;
    probe.Prompt = &prompt;
    probe.ConnectState = c.initialState;
    auto run = std::async(std::launch::async, [&] {
      for (int i = 0; i < c.probes; ++i) probe.TestConnection();
    });
    ASSERT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready);  // never a minute-long time-out
    EXPECT_EQ(probe.ConnectState.load(), c.state);
    EXPECT_EQ(prompt.asked, c.asked);
    EXPECT_EQ(prompt.refusals, c.refusals);
    EXPECT_EQ(probe.ProxyUser(), c.state == 1 && c.asked ? "ken" : "");
    if (c.requests) {
      EXPECT_EQ(server.RequestCount(), c.requests);
    }
    for (const HttpRequestRecord& r : server.Requests()) {
      EXPECT_EQ(r.target, c.where == kViaProxy ? "http://www.kestrune.example/download/update/update.txt"
                                               : "/download/update/update.txt");
      EXPECT_EQ(r.version + " " + r.Header("User-Agent") + r.Header("Referrer"),
                std::string("HTTP/1.0 ") + kConnectProbeUserAgent);
    }
    if (c.where == kViaProxy) {
      // A later download through the proxy carries the accepted login, or none.
      THttpRead reader;
      EXPECT_EQ(reader.Get("http://www.kestrune.example/news"), c.state == 1);
      EXPECT_EQ(server.LastRequest().Header("Proxy-Authorization"), c.state == 1 ? kGoodLogin : "");
    }
  }
  SetProxyCredentials("", "");
}

}  // namespace
}  // namespace kestrune
