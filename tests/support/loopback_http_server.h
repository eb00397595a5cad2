// LoopbackHttpServer: the one HTTP server of the tests. Everything that
// downloads is tested against it, never against the internet.
//
// A server listens on 127.0.0.1 on a port the system picks (Port(), Url()) from
// construction until destruction. It answers from a route table: a request
// target (path and query, exactly as the client sent it; for a request through
// a proxy the absolute address) is looked up first whole, then without its
// query; a route holds a canned HttpReply or a Handler that makes one. An
// unknown target gets the fallback reply (404 "Not Found" unless set).
//
//   LoopbackHttpServer server;
//   server.Route("/page", HttpReply::Html("<p>x</p>"));
//   server.Route("/slow", HttpReply::Html(std::string(100000, 'a')).Slow(1000, 20ms));
//   server.Route("/who", [](const HttpRequestRecord& r) { return HttpReply::Text(r.Header("User-Agent")); });
//   reader.Get(server.Url("/page"));
//   EXPECT_EQ(server.LastRequest().version, "HTTP/1.0");
//
// Two transports:
// - kHttplib (the default) serves with cpp-httplib: a pool of 32 worker
//   threads, HTTP/1.1 answers, keep-alive as chosen at construction.
// - kRawSocket serves with the fixture's own socket code, one thread per
//   connection. It writes HttpReply::raw byte for byte (malformed heads, odd
//   lengths, HTTP/1.0 answers), and a silent reply there ends as soon as the
//   client closes its side, so a test may abort hundreds of silent requests.
//   A raw reply closes the connection after its bytes.
// Both transports log alike and pace alike (delayed heads, slow blocks).
//
// Every request is logged, under a lock, when its head has arrived (before any
// delay of its reply): method, target, version, headers, body, client port.
// Handlers run on server threads, possibly several at once; they must not
// touch the test's unlocked state. Destruction wakes every delayed, slow or
// silent reply and joins all server threads.
//
// ClosedPortUrl() is a loopback address on which nothing listens (its port is
// held, bound but not listening, for the server's life): connecting there is
// refused at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrune::test {

// How a reply's body is delimited on the wire.
enum class BodyFraming {
  kContentLength,  // "Content-Length: <body size>"
  kChunked,        // "Transfer-Encoding: chunked"
  kUntilClose,     // no length: the body ends when the server closes the connection
  kShort,          // announces announcedLength (more than the body), sends the body, closes
};

struct HttpReply {
  int status = 200;
  std::string contentType = "text/html";  // empty: no Content-Type header
  std::vector<std::pair<std::string, std::string>> headers;  // more header lines, in order
  std::string body;
  BodyFraming framing = BodyFraming::kContentLength;
  size_t announcedLength = 0;                 // kShort only; 0 means body size + 1
  std::chrono::milliseconds headerDelay{0};   // pause before the status line
  size_t blockSize = 0;                       // with blockDelay: the body in blocks of this size
  std::chrono::milliseconds blockDelay{0};    // pause before each block
  bool silent = false;                        // never answer; hold the connection open
  std::string raw;                            // kRawSocket only: sent verbatim in place of all above

  static HttpReply Html(std::string body, int status = 200);
  static HttpReply Text(std::string body, int status = 200);  // text/plain
  static HttpReply Status(int status, std::string body = {});
  static HttpReply Redirect(std::string location, int status = 302);
  static HttpReply Silent();
  static HttpReply Raw(std::string bytes);

  HttpReply& WithHeader(std::string name, std::string value);
  HttpReply& WithFraming(BodyFraming value, size_t announced = 0);
  HttpReply& Slow(size_t block, std::chrono::milliseconds delay);
  HttpReply& DelayHead(std::chrono::milliseconds delay);
};

struct HttpRequestRecord {
  std::string method;   // "GET"
  std::string target;   // "/a/b?q=1", or "http://host/a" through a proxy
  std::string path;     // target without its query
  std::string query;    // after "?", empty when none
  std::string version;  // "HTTP/1.0"
  // In the order received (the kHttplib transport gives them sorted by name).
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  int clientPort = 0;

  // The first value of a header (name in any case); empty when absent.
  std::string Header(std::string_view name) const;
  bool HasHeader(std::string_view name) const;
};

class LoopbackHttpServer {
 public:
  enum class Transport { kHttplib, kRawSocket };
  struct Options {
    Transport transport = Transport::kHttplib;
    bool keepAlive = true;  // keep connections open between requests
  };
  using Handler = std::function<HttpReply(const HttpRequestRecord& request)>;

  LoopbackHttpServer();
  explicit LoopbackHttpServer(Options options);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  int Port() const { return port_; }
  // "127.0.0.1:<port>"
  std::string HostAndPort() const;
  // "http://127.0.0.1:<port>" + target (target should begin with "/").
  std::string Url(std::string_view target = "/") const;
  // "http://127.0.0.1:<closed port>" + target.
  std::string ClosedPortUrl(std::string_view target = "/") const;

  // Routes may be added and replaced while the server runs.
  void Route(std::string target, HttpReply reply);
  void Route(std::string target, Handler handler);
  void SetFallback(Handler handler);

  // The request log.
  std::vector<HttpRequestRecord> Requests() const;
  size_t RequestCount() const;
  HttpRequestRecord LastRequest() const;  // empty record when none
  void ClearRequests();
  // Waits until at least `count` requests are logged; False after `timeout`.
  bool WaitForRequests(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
  int port_ = 0;
  int closedPort_ = 0;
};

}  // namespace kestrune::test
