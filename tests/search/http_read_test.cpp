#include "search/http_read.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/loopback_http_server.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using namespace std::chrono_literals;
using test::BodyFraming;
using test::HttpReply;
using test::HttpRequestRecord;
using test::LoopbackHttpServer;

TEST(HttpReadUrl, PartsOfUrls) {
  THttpRead reader;
  struct Case {
    std::string url;
    std::string host;
    std::string path;
    int32_t port;
    std::string fileName;
  };
  const Case cases[] = {
      {"http://H:8080/x?y", "H", "x?y", 8080, "x?y"},
      {"http://H/s/r?q=1", "H", "s/r?q=1", 80, "r?q=1"},
      {"http://H", "H", "", 80, "H"},
      {"http://H/", "H", "", 80, ""},
      {"HTTP://Host.Example/Doc.html", "Host.Example", "Doc.html", 80, "Doc.html"},
      {"https://h/a/b.kqp", "h", "a/b.kqp", 443, "b.kqp"},
      {"HtTpS://h:8443/", "h", "", 8443, ""},
      {"www.example.com/a", "www.example.com", "a", 80, "a"},
      {"nourl", "nourl", "", 80, "nourl"},
      {"", "", "", 80, ""},
      {"http://h:1/", "h", "", 1, ""},
      {"http://h:65535/", "h", "", 65535, ""},
      {"http://h:0/", "h", "", -1, ""},
      {"http://h:65536/", "h", "", -1, ""},
      {"http://h:99999999999/", "h", "", -1, ""},
      {"http://h:/", "h", "", -1, ""},
      {"http://h:8o/", "h", "", -1, ""},
      {"http://h:-1/", "h", "", -1, ""},
      {"http://h:+80/", "h", "", -1, ""},
      {"http://h: 80/", "h", "", -1, ""},
      {"http://h/a:b/c", "h", "a:b/c", 80, "c"},
      {"ftp://h/x", "ftp", "x", -1, "x"},
      // The authority ends at "?" and "#" too; the query stays with the path.
      {"http://H:8080?q=x", "H", "?q=x", 8080, "H:8080?q=x"},
      {"http://H?q=a/b", "H", "?q=a/b", 80, "b"},
      {"http://H#top", "H", "#top", 80, "H#top"},
      {"http://H:81#a/b", "H", "#a/b", 81, "b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(GetUrlHost(c.url), c.host);
    EXPECT_EQ(GetUrlPath(c.url), c.path);
    EXPECT_EQ(reader.GetUrlPort(c.url), c.port);
    EXPECT_EQ(reader.GetUrlFileName(c.url), c.fileName);
    EXPECT_EQ(ExtractUrlFileName(c.url), c.fileName);
  }
}

// ---------------------------------------------------------------- loopback

struct Step {
  // "{srv}" stands for the server's "http://127.0.0.1:<port>", "{port}" for its
  // port, "{closed}" for an address where nothing listens.
  std::string url;
  bool ok;
  std::string body;
  THttpFailure cause;
  bool abort = false;               // another thread calls CloseRequest once the server has the request
  const char* proxyUser = nullptr;  // proxy login set before the step
  bool reconnect = true;
};

struct Outcome {
  const LoopbackHttpServer& server;
  const THttpRead& reader;
  std::vector<int32_t> progress;  // of the last step
  std::time_t before;             // local clock around the last step
  std::time_t after;
};

struct ReaderCase {
  const char* name;
  std::vector<std::pair<std::string, HttpReply>> routes;
  std::vector<Step> steps;
  std::function<void(const Outcome&)> check = nullptr;
  LoopbackHttpServer::Options options = {};
  bool viaProxy = false;
  int32_t receiveTimeoutMs = 10000;
};

std::string Expand(std::string text, const LoopbackHttpServer& server) {
  auto replace = [&](const std::string& key, const std::string& value) {
    for (size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
  };
  replace("{srv}", server.Url(""));
  replace("{closed}", server.ClosedPortUrl(""));
  replace("{port}", std::to_string(server.Port()));
  return text;
}

std::vector<int> ClientPorts(const LoopbackHttpServer& server) {
  std::vector<int> ports;
  for (const HttpRequestRecord& r : server.Requests()) ports.push_back(r.clientPort);
  return ports;
}

std::vector<std::string> Targets(const LoopbackHttpServer& server) {
  std::vector<std::string> targets;
  for (const HttpRequestRecord& r : server.Requests()) targets.push_back(r.target);
  return targets;
}

HttpReply RawReply(std::string bytes) { return HttpReply::Raw(std::move(bytes)); }

const LoopbackHttpServer::Options kRaw{LoopbackHttpServer::Transport::kRawSocket, true};
const LoopbackHttpServer::Options kNoKeepAlive{LoopbackHttpServer::Transport::kHttplib, false};

std::string Pattern(size_t size) {
  std::string text(size, ' ');
  for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i % 26);
  return text;
}

TEST(HttpReadLoopback, Cases) {
  const std::string big = Pattern(10000);
  const std::string huge = Pattern(400000);
  const ReaderCase cases[] = {
      {"Status404Fails",
       {{"/missing", HttpReply::Status(404, "not here")}},
       {{"{srv}/missing", false, "", hfStatus}},
       [](const Outcome& o) { EXPECT_EQ(o.reader.StatusCode(), 404); }},
      {"Status407Fails",
       {{"/login", HttpReply::Status(407, "<html>proxy login</html>")}},
       {{"{srv}/login", false, "", hfStatus}}},
      {"Status500WithBodyIsRead",
       {{"/err", HttpReply::Status(500, "server trouble")}},
       {{"{srv}/err", true, "server trouble", hfNone}},
       [](const Outcome& o) { EXPECT_EQ(o.reader.StatusCode(), 500); }},
      {"NoLengthReadWholeWithoutProgress",
       {{"/nolen", HttpReply::Html(big).WithFraming(BodyFraming::kUntilClose).Slow(1000, 1ms)}},
       {{"{srv}/nolen", true, big, hfNone}},
       [](const Outcome& o) { EXPECT_TRUE(o.progress.empty()); }},
      {"ChunkedReadWholeWithoutProgress",
       {{"/chunked", HttpReply::Html(big).WithFraming(BodyFraming::kChunked).Slow(999, 1ms)}},
       {{"{srv}/chunked", true, big, hfNone}},
       [](const Outcome& o) { EXPECT_TRUE(o.progress.empty()); }},
      {"Http10AnswerEndingByClose",
       {{"/old", RawReply("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\nold server")}},
       {{"{srv}/old", true, "old server", hfNone}, {"{srv}/old", true, "old server", hfNone}},
       [](const Outcome& o) {
         const std::vector<int> ports = ClientPorts(o.server);
         EXPECT_NE(ports[0], ports[1]);
       },
       kRaw},
      {"FramingsOfTheRawTransport",
       {{"/chunked", HttpReply::Html(big).WithFraming(BodyFraming::kChunked).Slow(999, 1ms)},
        {"/nolen", HttpReply::Html(big).WithFraming(BodyFraming::kUntilClose)},
        {"/short", HttpReply::Html(big).WithFraming(BodyFraming::kShort)},
        {"/late", HttpReply::Html("late").DelayHead(50ms)}},
       {{"{srv}/chunked", true, big, hfNone},
        {"{srv}/late", true, "late", hfNone},
        {"{srv}/nolen", true, big, hfNone},
        {"{srv}/short", false, "", hfRead}},
       [](const Outcome& o) {
         const std::vector<int> ports = ClientPorts(o.server);
         EXPECT_EQ(ports[0], ports[1]);  // kept open after a chunked body
         EXPECT_NE(ports[2], ports[3]);  // closed after a body without length
       },
       kRaw},
      {"EmptyBodyGivesFalse", {{"/empty", HttpReply::Html("")}}, {{"{srv}/empty", false, "", hfNone}}},
      {"PortAndPath",
       {{"/p/q.html?x=1&y=2", HttpReply::Html("pq")}},
       {{"http://127.0.0.1:{port}/p/q.html?x=1&y=2", true, "pq", hfNone}},
       [](const Outcome& o) {
         EXPECT_EQ(o.server.LastRequest().target, "/p/q.html?x=1&y=2");
         EXPECT_EQ(o.reader.Host, "127.0.0.1");
         EXPECT_EQ(o.reader.Path, "p/q.html?x=1&y=2");
         EXPECT_EQ(o.reader.Size, 2);
       }},
      {"HostAloneRequestsRoot",
       {{"/", HttpReply::Html("root")}},
       {{"{srv}", true, "root", hfNone},
        {"{srv}/", true, "root", hfNone},
        {"HTTP://127.0.0.1:{port}/", true, "root", hfNone}},
       [](const Outcome& o) {
         EXPECT_EQ(Targets(o.server), (std::vector<std::string>{"/", "/", "/"}));
       }},
      {"BytesOutsideTheRequestLineAreEscaped",
       {{"/a%20b%C3%A9", HttpReply::Html("escaped")}},
       {{"{srv}/a b\xC3\xA9", true, "escaped", hfNone}}},
      {"SameHostOneConnectionOtherHostANewOne",
       {{"/a", HttpReply::Html("a")}, {"/b", HttpReply::Html("b")}},
       {{"{srv}/a", true, "a", hfNone},
        {"{srv}/b", true, "b", hfNone},
        {"http://localhost:{port}/a", true, "a", hfNone},
        {"{srv}/b", true, "b", hfNone}},
       [](const Outcome& o) {
         const std::vector<int> ports = ClientPorts(o.server);
         ASSERT_EQ(ports.size(), 4u);
         EXPECT_EQ(ports[0], ports[1]);
         EXPECT_NE(ports[1], ports[2]);
         EXPECT_NE(ports[2], ports[3]);  // the cache holds one connection
         EXPECT_NE(ports[0], ports[3]);
         EXPECT_EQ(o.reader.ConnectedHost, "127.0.0.1");
       }},
      {"SameHostOtherPortIsAnotherServer",
       {{"/a", HttpReply::Html("a")}},
       {{"{srv}/a", true, "a", hfNone}, {"{closed}/a", false, "", hfRequest}},
       [](const Outcome& o) { EXPECT_EQ(o.server.RequestCount(), 1u); }},
      {"WithoutReconnectTheOpenTargetServes",
       {{"/a", HttpReply::Html("a")}, {"/b", HttpReply::Html("b")}},
       {{"http://localhost:{port}/b", false, "", hfRequest, false, nullptr, false},
        {"{srv}/a", true, "a", hfNone},
        {"http://localhost:{port}/b", true, "b", hfNone, false, nullptr, false}},
       [](const Outcome& o) {
         const std::vector<HttpRequestRecord> log = o.server.Requests();
         ASSERT_EQ(log.size(), 2u);
         EXPECT_EQ(log[1].Header("Host"), o.server.HostAndPort());
         EXPECT_EQ(log[0].clientPort, log[1].clientPort);
         EXPECT_EQ(o.reader.Host, "localhost");
       }},
      {"ServerClosingEveryConnection",
       {{"/a", HttpReply::Html("a")}},
       {{"{srv}/a", true, "a", hfNone}, {"{srv}/a", true, "a", hfNone}},
       [](const Outcome& o) {
         const std::vector<int> ports = ClientPorts(o.server);
         EXPECT_NE(ports[0], ports[1]);
       },
       kNoKeepAlive},
      {"LastModifiedOfTheResponseInUtc",
       {{"/dated", HttpReply::Html("d").WithHeader("Last-Modified", "Tue, 15 Nov 1994 08:12:31 GMT")}},
       {{"{srv}/dated", true, "d", hfNone}},
       [](const Outcome& o) {
         const TSystemTime& t = o.reader.LastModified;
         EXPECT_EQ(std::vector<int>(
                       {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds}),
                   std::vector<int>({1994, 11, 2, 15, 8, 12, 31, 0}));
       }},
      {"LastModifiedAbsentIsTheLocalTime",
       {{"/undated", HttpReply::Html("u")}},
       {{"{srv}/undated", true, "u", hfNone}},
       [](const Outcome& o) {
         const TSystemTime& t = o.reader.LastModified;
         std::tm local{};
         local.tm_year = t.wYear - 1900;
         local.tm_mon = t.wMonth - 1;
         local.tm_mday = t.wDay;
         local.tm_hour = t.wHour;
         local.tm_min = t.wMinute;
         local.tm_sec = t.wSecond;
         local.tm_isdst = -1;
         const std::time_t seen = std::mktime(&local);
         EXPECT_GE(seen, o.before - 1);
         EXPECT_LE(seen, o.after + 1);
       }},
      {"RequestAsTheServerSawIt",
       {{"/who", HttpReply::Html("w")}},
       {{"{srv}/who", true, "w", hfNone}},
       [](const Outcome& o) {
         const HttpRequestRecord r = o.server.LastRequest();
         EXPECT_EQ(r.method, "GET");
         EXPECT_EQ(r.version, "HTTP/1.0");
         EXPECT_EQ(r.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0b; Windows NT 5.0; .NET CLR 1.0.2914)");
         EXPECT_EQ(r.Header("Referrer"), "http://www.kestrune.example/\\n");
         EXPECT_EQ(r.Header("Connection"), "Keep-Alive");
         EXPECT_EQ(r.Header("Host"), o.server.HostAndPort());
         EXPECT_FALSE(r.HasHeader("Cookie"));
         EXPECT_FALSE(r.HasHeader("Referer"));
         EXPECT_FALSE(r.HasHeader("Accept-Encoding"));
         EXPECT_FALSE(r.HasHeader("Accept"));
         EXPECT_FALSE(r.HasHeader("Proxy-Authorization"));
       }},
      {"ProgressPerBlockUpTo100",
       {{"/slow", HttpReply::Html(big).Slow(1000, 5ms)}},
       {{"{srv}/slow", true, big, hfNone}},
       [](const Outcome& o) {
         ASSERT_GE(o.progress.size(), 2u);
         for (size_t i = 1; i < o.progress.size(); ++i) EXPECT_GT(o.progress[i], o.progress[i - 1]);
         EXPECT_GT(o.progress.front(), 0);
         EXPECT_EQ(o.progress.back(), 100);
       }},
      {"RedirectFollowed",
       {{"/old", HttpReply::Redirect("/new")}, {"/new", HttpReply::Html("moved here")}},
       {{"{srv}/old", true, "moved here", hfNone}},
       [](const Outcome& o) {
         EXPECT_EQ(Targets(o.server), (std::vector<std::string>{"/old", "/new"}));
         EXPECT_EQ(o.server.LastRequest().Header("Referrer"), "http://www.kestrune.example/\\n");
         EXPECT_EQ(o.reader.Url, o.server.Url("/old"));
         EXPECT_TRUE(o.reader.Redirected());
         EXPECT_EQ(o.reader.EffectiveUrl(), o.server.Url("/new"));
       }},
      {"NoRedirectKeepsTheAddressAsGiven",
       {{"/old", HttpReply::Redirect("/new")}, {"/new", HttpReply::Html("moved here")}},
       {{"{srv}/old", true, "moved here", hfNone}, {"HTTP://127.0.0.1:{port}/new", true, "moved here", hfNone}},
       [](const Outcome& o) {
         EXPECT_FALSE(o.reader.Redirected());
         EXPECT_EQ(o.reader.EffectiveUrl(), "HTTP://127.0.0.1:" + std::to_string(o.server.Port()) + "/new");
       }},
      {"QueryRightAfterTheHost",
       {{"/", HttpReply::Html("root")}},
       {{"http://127.0.0.1:{port}?q=x", true, "root", hfNone}, {"http://127.0.0.1:{port}#top", true, "root", hfNone}},
       [](const Outcome& o) { EXPECT_EQ(Targets(o.server), (std::vector<std::string>{"/?q=x", "/"})); }},
      {"RedirectLoopEndsAfterTen",
       {{"/loop", HttpReply::Redirect("/loop", 301)}},
       {{"{srv}/loop", false, "", hfRequest}},
       [](const Outcome& o) { EXPECT_EQ(o.server.RequestCount(), 11u); }},
      {"RedirectToAnotherSchemeRefused",
       {{"/file", HttpReply::Redirect("file:///etc/passwd")}, {"/ftp", HttpReply::Redirect("ftp://127.0.0.1/x")}},
       {{"{srv}/file", false, "", hfRequest}, {"{srv}/ftp", false, "", hfRequest}}},
      {"RedirectToA404Fails",
       {{"/old", HttpReply::Redirect("/gone")}, {"/gone", HttpReply::Status(404, "gone")}},
       {{"{srv}/old", false, "", hfStatus}}},
      {"BadPortsNeverConnect",
       {},
       {{"http://127.0.0.1:0/", false, "", hfConnect},
        {"http://127.0.0.1:65536/", false, "", hfConnect},
        {"http://127.0.0.1:8o/", false, "", hfConnect},
        {"http://127.0.0.1:/", false, "", hfConnect},
        {"http://127.0.0.1:-1/", false, "", hfConnect},
        {"http:///path", false, "", hfConnect}},
       [](const Outcome& o) {
         EXPECT_EQ(o.server.RequestCount(), 0u);
         EXPECT_EQ(o.reader.ConnectHandle, nullptr);
         EXPECT_EQ(o.reader.ConnectedHost, "");
       }},
      {"ClosedPortFails", {}, {{"{closed}/x", false, "", hfRequest}}},
      {"ShortBodyFails",
       {{"/short", HttpReply::Html(big).WithFraming(BodyFraming::kShort, 20000)}},
       {{"{srv}/short", false, "", hfRead}}},
      {"NegativeOrTextLengthFailsQuietly",
       {{"/negative", RawReply("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nhello")},
        {"/text", RawReply("HTTP/1.1 200 OK\r\nContent-Length: many\r\n\r\nhello")}},
       {{"{srv}/negative", false, "", hfRequest}, {"{srv}/text", false, "", hfRequest}},
       [](const Outcome& o) { EXPECT_TRUE(o.progress.empty()); },
       kRaw},
      {"DelayedHeadIsWaitedFor",
       {{"/late", HttpReply::Html("late").DelayHead(150ms)}},
       {{"{srv}/late", true, "late", hfNone}}},
      {"AbortDuringSlowBody",
       {{"/slow", HttpReply::Html(huge).Slow(1000, 5ms)}, {"/after", HttpReply::Html("after")}},
       {{"{srv}/slow", false, "", hfRead, true}, {"{srv}/after", true, "after", hfNone}}},
      {"AbortWhileTheServerIsSilent",
       {{"/silent", HttpReply::Silent()}},
       {{"{srv}/silent", false, "", hfRead, true}},
       [](const Outcome& o) { EXPECT_EQ(o.reader.StatusCode(), 0); }},
      {"SilentServerTimesOut",
       {{"/silent", HttpReply::Silent()}},
       {{"{srv}/silent", false, "", hfRequest}},
       nullptr,
       kRaw,
       false,
       300},
      {"StalledBodyTimesOut",
       {{"/stall", HttpReply::Html("x").Slow(1, 5000ms)}},
       {{"{srv}/stall", false, "", hfRead}},
       nullptr,
       {},
       false,
       300},
      {"ProxyAsksForLoginThenGetsIt",
       {},
       {{"http://www.kestrune.example/news", false, "", hfStatus},
        {"http://www.kestrune.example/news", true, "news for ken", hfNone, false, "ken"}},
       [](const Outcome& o) {
         const HttpRequestRecord r = o.server.LastRequest();
         EXPECT_EQ(r.target, "http://www.kestrune.example/news");
         EXPECT_EQ(r.Header("Proxy-Authorization"), "Basic a2VuOnNlY3JldA==");
         EXPECT_EQ(o.reader.Host, "www.kestrune.example");
       },
       {},
       true},
  };
  for (const ReaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    LoopbackHttpServer server(c.options);
    for (const auto& [target, reply] : c.routes) server.Route(target, reply);
    if (c.viaProxy) {
      // The proxy answers 407 until the request carries a login.
      server.Route("http://www.kestrune.example/news", [](const HttpRequestRecord& r) {
        if (r.HasHeader("Proxy-Authorization")) return HttpReply::Html("news for ken");
        return HttpReply::Status(407, "<html>proxy login</html>")
            .WithHeader("Proxy-Authenticate", "Basic realm=\"gate\"");
      });
    }
    std::optional<test::ScopedEnv> proxy, noProxy;
    if (c.viaProxy) {
      proxy.emplace("http_proxy", server.Url(""));
      noProxy.emplace("no_proxy", "");
    }
    THttpRead reader;
    reader.SetReceiveTimeout(c.receiveTimeoutMs);
    std::vector<int32_t> progress;
    reader.OnProgress = [&](int32_t percent) { progress.push_back(percent); };
    std::time_t before = 0, after = 0;
    for (const Step& step : c.steps) {
      SCOPED_TRACE(step.url);
      progress.clear();
      if (step.proxyUser) SetProxyCredentials(step.proxyUser, "secret");
      std::thread aborter;
      std::chrono::steady_clock::time_point abortedAt;
      if (step.abort) {
        const size_t seen = server.RequestCount();
        aborter = std::thread([&, seen] {
          ASSERT_TRUE(server.WaitForRequests(seen + 1));
          std::this_thread::sleep_for(30ms);  // let the transfer run
          abortedAt = std::chrono::steady_clock::now();
          reader.CloseRequest();
        });
      }
      before = std::time(nullptr);
      const bool ok = reader.Get(Expand(step.url, server), step.reconnect);
      after = std::time(nullptr);
      const auto returnedAt = std::chrono::steady_clock::now();
      if (aborter.joinable()) {
        aborter.join();
        // Far below the time-outs: the abort woke the transfer.
        EXPECT_LT(returnedAt - abortedAt, 500ms);
      }
      EXPECT_EQ(ok, step.ok);
      EXPECT_EQ(reader.FailureCause(), step.cause);
      EXPECT_EQ(reader.Size, static_cast<int32_t>(step.body.size()));
      EXPECT_EQ(std::string(reader.Body.Bytes().begin(), reader.Body.Bytes().end()), step.body);
      EXPECT_EQ(reader.Body.Position(), 0);
      EXPECT_EQ(reader.RequestHandle.load(), nullptr);
    }
    SetProxyCredentials("", "");
    if (c.check) c.check(Outcome{server, reader, progress, before, after});
  }
}

// A body over the reader's limit is not read: the read ends with hfTooLarge
// (at the announced length, or when the bytes pass the limit), the reader
// serves the next request, and a 404 is still a 404.
TEST(HttpReadLoopback, BodyLimit) {
  const std::string body = Pattern(5000);
  const struct {
    const char* name;
    int32_t limit;  // -1: the reader's default
    HttpReply reply;
    bool ok;
    THttpFailure cause;
  } cases[] = {
      {"announced over the default limit", -1, HttpReply::Html(body).WithFraming(BodyFraming::kShort, 40 << 20), false,
       hfTooLarge},
      {"announced length at the limit", 5000, HttpReply::Html(body), true, hfNone},
      {"announced length one over", 4999, HttpReply::Html(body), false, hfTooLarge},
      {"chunked over the limit", 1000, HttpReply::Html(body).WithFraming(BodyFraming::kChunked), false,
       hfTooLarge},
      {"until close over the limit", 1000, HttpReply::Html(body).WithFraming(BodyFraming::kUntilClose), false,
       hfTooLarge},
      {"chunked within the limit", 5000, HttpReply::Html(body).WithFraming(BodyFraming::kChunked), true, hfNone},
      {"a 404 with a long body", 1000, HttpReply::Status(404, body), false, hfStatus},
      {"a limit of 0", 0, HttpReply::Html("x"), false, hfTooLarge},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoopbackHttpServer server;
    server.Route("/page", c.reply);
    server.Route("/next", HttpReply::Html("next"));
    THttpRead reader;
    EXPECT_EQ(reader.MaxBodySize(), THttpRead::kDefaultMaxBodySize);
    if (c.limit >= 0) reader.SetMaxBodySize(c.limit);
    EXPECT_EQ(reader.Get(server.Url("/page")), c.ok);
    EXPECT_EQ(reader.FailureCause(), c.cause);
    EXPECT_EQ(reader.Size, c.ok ? 5000 : 0);
    EXPECT_EQ(reader.Body.Bytes().size(), static_cast<size_t>(reader.Size));
    reader.SetMaxBodySize(4);
    EXPECT_TRUE(reader.Get(server.Url("/next")));
    EXPECT_EQ(reader.FailureCause(), hfNone);
  }
}

// A request that is not running is not aborted, and no abort outlives its Get.
TEST(HttpReadLoopback, CloseRequestOnlyAbortsARunningGet) {
  LoopbackHttpServer server;
  server.Route("/a", HttpReply::Html("a"));
  THttpRead reader;
  reader.CloseRequest();
  EXPECT_TRUE(reader.Get(server.Url("/a")));
  reader.CloseRequest();
  EXPECT_TRUE(reader.Get(server.Url("/a")));
}

// A progress handler that throws does not stop the download.
TEST(HttpReadLoopback, ProgressHandlerExceptionsAreSwallowed) {
  LoopbackHttpServer server;
  const std::string body = Pattern(5000);
  server.Route("/p", HttpReply::Html(body).Slow(500, 5ms));
  THttpRead reader;
  int calls = 0;
  reader.OnProgress = [&](int32_t) {
    ++calls;
    throw std::runtime_error("handler trouble");
  };
  EXPECT_TRUE(reader.Get(server.Url("/p")));
  EXPECT_EQ(reader.Size, 5000);
  EXPECT_GE(calls, 2);
}

}  // namespace
}  // namespace kestrune
