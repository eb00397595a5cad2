#include "tests/support/loopback_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <list>
#include <stdexcept>
#include <thread>

namespace kestrune::test {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool ContainsNoCase(std::string_view text, std::string_view word) {
  for (size_t i = 0; i + word.size() <= text.size(); ++i) {
    if (EqualNoCase(text.substr(i, word.size()), word)) return true;
  }
  return false;
}

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 407: return "Proxy Authentication Required";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

// A TCP socket on 127.0.0.1 with a port the system picks; -1 on failure.
int BindLoopback(int* port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    return -1;
  }
  *port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

// ---------------------------------------------------------------- replies

HttpReply HttpReply::Html(std::string body, int status) {
  HttpReply reply;
  reply.status = status;
  reply.body = std::move(body);
  return reply;
}

HttpReply HttpReply::Text(std::string body, int status) {
  HttpReply reply = Html(std::move(body), status);
  reply.contentType = "text/plain";
  return reply;
}

HttpReply HttpReply::Status(int status, std::string body) { return Html(std::move(body), status); }

HttpReply HttpReply::Redirect(std::string location, int status) {
  HttpReply reply = Html({}, status);
  reply.headers.emplace_back("Location", std::move(location));
  return reply;
}

HttpReply HttpReply::Silent() {
  HttpReply reply;
  reply.silent = true;
  return reply;
}

HttpReply HttpReply::Raw(std::string bytes) {
  HttpReply reply;
  reply.raw = std::move(bytes);
  return reply;
}

HttpReply& HttpReply::WithHeader(std::string name, std::string value) {
  headers.emplace_back(std::move(name), std::move(value));
  return *this;
}

HttpReply& HttpReply::WithFraming(BodyFraming value, size_t announced) {
  framing = value;
  announcedLength = announced;
  return *this;
}

HttpReply& HttpReply::Slow(size_t block, std::chrono::milliseconds delay) {
  blockSize = block;
  blockDelay = delay;
  return *this;
}

HttpReply& HttpReply::DelayHead(std::chrono::milliseconds delay) {
  headerDelay = delay;
  return *this;
}

std::string HttpRequestRecord::Header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (EqualNoCase(key, name)) return value;
  }
  return {};
}

bool HttpRequestRecord::HasHeader(std::string_view name) const {
  return std::any_of(headers.begin(), headers.end(), [&](const auto& h) { return EqualNoCase(h.first, name); });
}

// ---------------------------------------------------------------- server

struct LoopbackHttpServer::Impl {
  Options options;

  mutable std::mutex mutex;  // routes, fallback, log
  mutable std::condition_variable logged;
  std::map<std::string, Handler, std::less<>> routes;
  Handler fallback;
  std::vector<HttpRequestRecord> log;

  // Written once at destruction and never read: every wait polls it.
  int stopPipe[2] = {-1, -1};

  std::unique_ptr<httplib::Server> http;
  std::thread listenThread;

  int listenFd = -1;
  std::thread acceptThread;
  struct Connection {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::list<Connection> connections;  // accept thread and destructor only

  int closedFd = -1;

  // Logs the request and makes its reply.
  HttpReply Answer(const HttpRequestRecord& request);
  // Waits `delay`; False when the server stops first.
  bool Pause(std::chrono::milliseconds delay) const;

  void ServeHttplib(const httplib::Request& request, httplib::Response& response);

  void AcceptLoop();
  void ServeConnection(int fd, int clientPort);
  bool ReadRequest(int fd, std::string& buffer, HttpRequestRecord& record) const;
  bool SendAll(int fd, std::string_view bytes) const;
  bool SendPaced(int fd, std::string_view bytes, const HttpReply& reply, bool chunked) const;
  bool WriteReply(int fd, const HttpRequestRecord& request, const HttpReply& reply) const;
  void WaitForClientClose(int fd) const;
};

HttpReply LoopbackHttpServer::Impl::Answer(const HttpRequestRecord& request) {
  Handler handler;
  {
    std::lock_guard lock(mutex);
    log.push_back(request);
    auto it = routes.find(request.target);
    if (it == routes.end()) it = routes.find(request.path);
    if (it != routes.end()) {
      handler = it->second;
    } else {
      handler = fallback;
    }
  }
  logged.notify_all();
  if (!handler) return HttpReply::Text("Not Found", 404);
  try {
    return handler(request);
  } catch (const std::exception& e) {
    ADD_FAILURE() << "loopback handler for " << request.target << " threw: " << e.what();
  } catch (...) {
    ADD_FAILURE() << "loopback handler for " << request.target << " threw";
  }
  return HttpReply::Text("handler failed", 500);
}

bool LoopbackHttpServer::Impl::Pause(std::chrono::milliseconds delay) const {
  pollfd stop{stopPipe[0], POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + delay;
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const int result = ::poll(&stop, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
    if (result > 0) return false;
    if (result == 0 && left.count() <= 0) return true;
    if (result == 0 && std::chrono::steady_clock::now() >= deadline) return true;
  }
}

// ---- cpp-httplib transport

void LoopbackHttpServer::Impl::ServeHttplib(const httplib::Request& request, httplib::Response& response) {
  HttpRequestRecord record;
  record.method = request.method;
  record.target = request.target;
  const size_t question = record.target.find('?');
  record.path = record.target.substr(0, question);
  record.query = question == std::string::npos ? std::string() : record.target.substr(question + 1);
  record.version = request.version;
  for (const auto& [name, value] : request.headers) {
    // cpp-httplib adds these for its own bookkeeping; the client never sent them.
    if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT") continue;
    record.headers.emplace_back(name, value);
  }
  record.body = request.body;
  record.clientPort = request.remote_port;

  const HttpReply reply = Answer(record);
  if (!reply.raw.empty()) {
    ADD_FAILURE() << "a raw reply for " << record.target << " needs the raw-socket transport";
    response.status = 500;
    return;
  }
  if (reply.silent) {
    Pause(std::chrono::hours(24));  // until the server stops
    response.status = 503;
    return;
  }
  if (!Pause(reply.headerDelay)) {
    response.status = 503;
    return;
  }
  response.status = reply.status;
  for (const auto& [name, value] : reply.headers) response.headers.emplace(name, value);
  auto body = std::make_shared<const std::string>(reply.body);
  const size_t block = reply.blockSize ? reply.blockSize : std::max<size_t>(body->size(), 1);
  const auto delay = reply.blockDelay;
  auto sendBlock = [this, body, block, delay](size_t offset, httplib::DataSink& sink) {
    if (!Pause(delay)) return false;
    return sink.write(body->data() + offset, std::min(block, body->size() - offset));
  };
  const std::string& type = reply.contentType;
  switch (reply.framing) {
    case BodyFraming::kContentLength:
      if (reply.blockSize == 0 && reply.blockDelay.count() == 0) {
        response.body = *body;
        if (!type.empty()) response.set_header("Content-Type", type);
      } else {
        response.set_content_provider(body->size(), type, [sendBlock](size_t offset, size_t, httplib::DataSink& sink) {
          return sendBlock(offset, sink);
        });
      }
      break;
    case BodyFraming::kChunked:
      response.set_chunked_content_provider(type, [sendBlock, body](size_t offset, httplib::DataSink& sink) {
        if (offset >= body->size()) {
          sink.done();
          return true;
        }
        return sendBlock(offset, sink);
      });
      break;
    case BodyFraming::kUntilClose:
      // cpp-httplib would keep the connection after a finished body; a provider
      // that fails after the last byte makes it close the connection instead.
      response.set_header("Connection", "close");
      response.set_content_provider(type, [sendBlock, body](size_t offset, httplib::DataSink& sink) {
        return offset < body->size() && sendBlock(offset, sink);
      });
      break;
    case BodyFraming::kShort: {
      const size_t announced = reply.announcedLength ? reply.announcedLength : body->size() + 1;
      response.set_content_provider(announced, type, [sendBlock, body](size_t offset, size_t, httplib::DataSink& sink) {
        if (offset >= body->size()) return false;  // closes the connection short of the announced length
        return sendBlock(offset, sink);
      });
      break;
    }
  }
}

// ---- raw-socket transport

void LoopbackHttpServer::Impl::AcceptLoop() {
  while (true) {
    pollfd fds[2] = {{listenFd, POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents) break;
    sockaddr_in peer{};
    socklen_t length = sizeof(peer);
    const int fd = ::accept4(listenFd, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    if (fd < 0) continue;
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
    for (auto it = connections.begin(); it != connections.end();) {
      if (it->done->load()) {
        it->thread.join();
        it = connections.erase(it);
      } else {
        ++it;
      }
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    const int clientPort = ntohs(peer.sin_port);
    connections.push_back({std::thread([this, fd, clientPort, done] {
                             ServeConnection(fd, clientPort);
                             done->store(true);
                           }),
                           done});
  }
}

void LoopbackHttpServer::Impl::ServeConnection(int fd, int clientPort) {
  std::string buffer;
  while (true) {
    HttpRequestRecord record;
    record.clientPort = clientPort;
    if (!ReadRequest(fd, buffer, record)) break;
    const HttpReply reply = Answer(record);
    if (!WriteReply(fd, record, reply)) break;
  }
  ::close(fd);
}

bool LoopbackHttpServer::Impl::ReadRequest(int fd, std::string& buffer, HttpRequestRecord& record) const {
  auto fill = [&]() {
    pollfd fds[2] = {{fd, POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) <= 0 || fds[1].revents) return false;
    char chunk[16384];
    const ssize_t got = ::recv(fd, chunk, sizeof(chunk), 0);
    if (got <= 0) return false;
    buffer.append(chunk, static_cast<size_t>(got));
    return true;
  };
  size_t end;
  while ((end = buffer.find("\r\n\r\n")) == std::string::npos) {
    if (!fill()) return false;
  }
  const std::string head = buffer.substr(0, end);
  buffer.erase(0, end + 4);

  size_t lineEnd = head.find("\r\n");
  const std::string requestLine = head.substr(0, lineEnd);
  const size_t space1 = requestLine.find(' ');
  const size_t space2 = requestLine.rfind(' ');
  if (space1 == std::string::npos || space2 == space1) return false;
  record.method = requestLine.substr(0, space1);
  record.target = requestLine.substr(space1 + 1, space2 - space1 - 1);
  record.version = requestLine.substr(space2 + 1);
  const size_t question = record.target.find('?');
  record.path = record.target.substr(0, question);
  record.query = question == std::string::npos ? std::string() : record.target.substr(question + 1);
  while (lineEnd != std::string::npos) {
    const size_t start = lineEnd + 2;
    lineEnd = head.find("\r\n", start);
    const std::string line = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    size_t valueStart = colon + 1;
    while (valueStart < line.size() && (line[valueStart] == ' ' || line[valueStart] == '\t')) ++valueStart;
    record.headers.emplace_back(line.substr(0, colon), line.substr(valueStart));
  }
  const std::string lengthText = record.Header("Content-Length");
  const size_t length = lengthText.empty() ? 0 : std::strtoul(lengthText.c_str(), nullptr, 10);
  while (buffer.size() < length) {
    if (!fill()) return false;
  }
  record.body = buffer.substr(0, length);
  buffer.erase(0, length);
  return true;
}

bool LoopbackHttpServer::Impl::SendAll(int fd, std::string_view bytes) const {
  while (!bytes.empty()) {
    pollfd fds[2] = {{fd, POLLOUT, 0}, {stopPipe[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) <= 0 || fds[1].revents) return false;
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
  return true;
}

bool LoopbackHttpServer::Impl::SendPaced(int fd, std::string_view bytes, const HttpReply& reply, bool chunked) const {
  const size_t block = reply.blockSize ? reply.blockSize : std::max<size_t>(bytes.size(), 1);
  for (size_t offset = 0; offset < bytes.size(); offset += block) {
    if (!Pause(reply.blockDelay)) return false;
    const std::string_view part = bytes.substr(offset, block);
    if (chunked) {
      char size[32];
      std::snprintf(size, sizeof(size), "%zx\r\n", part.size());
      if (!SendAll(fd, size) || !SendAll(fd, part) || !SendAll(fd, "\r\n")) return false;
    } else if (!SendAll(fd, part)) {
      return false;
    }
  }
  return !chunked || SendAll(fd, "0\r\n\r\n");
}

void LoopbackHttpServer::Impl::WaitForClientClose(int fd) const {
  while (true) {
    pollfd fds[2] = {{fd, POLLIN | POLLRDHUP, 0}, {stopPipe[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) <= 0 || fds[1].revents) return;
    char scratch[4096];
    if (::recv(fd, scratch, sizeof(scratch), 0) <= 0) return;
  }
}

// Writes one reply; True when the connection stays open for the next request.
bool LoopbackHttpServer::Impl::WriteReply(int fd, const HttpRequestRecord& request, const HttpReply& reply) const {
  if (reply.silent) {
    WaitForClientClose(fd);
    return false;
  }
  if (!Pause(reply.headerDelay)) return false;
  if (!reply.raw.empty()) {
    SendPaced(fd, reply.raw, reply, false);
    return false;
  }
  const std::string connection = request.Header("Connection");
  const bool clientKeeps = request.version == "HTTP/1.0" ? ContainsNoCase(connection, "keep-alive")
                                                         : !ContainsNoCase(connection, "close");
  const bool keep = options.keepAlive && clientKeeps &&
                    (reply.framing == BodyFraming::kContentLength || reply.framing == BodyFraming::kChunked);
  std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + ReasonPhrase(reply.status) + "\r\n";
  if (!reply.contentType.empty()) head += "Content-Type: " + reply.contentType + "\r\n";
  for (const auto& [name, value] : reply.headers) head += name + ": " + value + "\r\n";
  switch (reply.framing) {
    case BodyFraming::kContentLength:
      head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
      break;
    case BodyFraming::kChunked:
      head += "Transfer-Encoding: chunked\r\n";
      break;
    case BodyFraming::kUntilClose:
      break;
    case BodyFraming::kShort:
      head += "Content-Length: " +
              std::to_string(reply.announcedLength ? reply.announcedLength : reply.body.size() + 1) + "\r\n";
      break;
  }
  head += keep ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
  if (!SendAll(fd, head)) return false;
  if (request.method == "HEAD") return keep;
  return SendPaced(fd, reply.body, reply, reply.framing == BodyFraming::kChunked) && keep;
}

// ---------------------------------------------------------------- the fixture

LoopbackHttpServer::LoopbackHttpServer() : LoopbackHttpServer(Options{}) {}

LoopbackHttpServer::LoopbackHttpServer(Options options) : impl_(std::make_unique<Impl>()) {
  Impl& impl = *impl_;
  impl.options = options;
  if (::pipe2(impl.stopPipe, O_CLOEXEC) != 0) throw std::runtime_error("loopback server: no pipe");
  impl.closedFd = BindLoopback(&closedPort_);
  if (impl.closedFd < 0) throw std::runtime_error("loopback server: cannot reserve a closed port");

  if (options.transport == Transport::kHttplib) {
    impl.http = std::make_unique<httplib::Server>();
    httplib::Server& http = *impl.http;
    http.new_task_queue = [] { return new httplib::ThreadPool(32); };
    http.set_keep_alive_max_count(options.keepAlive ? 100000 : 1);
    http.set_tcp_nodelay(true);
    auto serve = [&impl](const httplib::Request& request, httplib::Response& response) {
      impl.ServeHttplib(request, response);
    };
    http.Get(".*", serve);
    http.Post(".*", serve);
    http.Put(".*", serve);
    http.Delete(".*", serve);
    http.Options(".*", serve);
    port_ = http.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("loopback server: cannot bind");
    impl.listenThread = std::thread([&http] { http.listen_after_bind(); });
    // stop() does nothing before the loop runs: wait for it.
    while (!http.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  } else {
    impl.listenFd = BindLoopback(&port_);
    if (impl.listenFd < 0 || ::listen(impl.listenFd, 128) != 0) throw std::runtime_error("loopback server: cannot listen");
    impl.acceptThread = std::thread([&impl] { impl.AcceptLoop(); });
  }
}

LoopbackHttpServer::~LoopbackHttpServer() {
  Impl& impl = *impl_;
  const char stop = 1;
  [[maybe_unused]] ssize_t written = ::write(impl.stopPipe[1], &stop, 1);
  if (impl.http) {
    impl.http->stop();
    if (impl.listenThread.joinable()) impl.listenThread.join();
  }
  if (impl.acceptThread.joinable()) impl.acceptThread.join();
  for (auto& connection : impl.connections) connection.thread.join();
  if (impl.listenFd >= 0) ::close(impl.listenFd);
  ::close(impl.closedFd);
  ::close(impl.stopPipe[0]);
  ::close(impl.stopPipe[1]);
}

std::string LoopbackHttpServer::HostAndPort() const { return "127.0.0.1:" + std::to_string(port_); }

std::string LoopbackHttpServer::Url(std::string_view target) const {
  return "http://" + HostAndPort() + std::string(target);
}

std::string LoopbackHttpServer::ClosedPortUrl(std::string_view target) const {
  return "http://127.0.0.1:" + std::to_string(closedPort_) + std::string(target);
}

void LoopbackHttpServer::Route(std::string target, HttpReply reply) {
  Route(std::move(target), [reply = std::move(reply)](const HttpRequestRecord&) { return reply; });
}

void LoopbackHttpServer::Route(std::string target, Handler handler) {
  std::lock_guard lock(impl_->mutex);
  impl_->routes[std::move(target)] = std::move(handler);
}

void LoopbackHttpServer::SetFallback(Handler handler) {
  std::lock_guard lock(impl_->mutex);
  impl_->fallback = std::move(handler);
}

std::vector<HttpRequestRecord> LoopbackHttpServer::Requests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->log;
}

size_t LoopbackHttpServer::RequestCount() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->log.size();
}

HttpRequestRecord LoopbackHttpServer::LastRequest() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->log.empty() ? HttpRequestRecord{} : impl_->log.back();
}

void LoopbackHttpServer::ClearRequests() {
  std::lock_guard lock(impl_->mutex);
  impl_->log.clear();
}

bool LoopbackHttpServer::WaitForRequests(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(impl_->mutex);
  return impl_->logged.wait_for(lock, timeout, [&] { return impl_->log.size() >= count; });
}

}  // namespace kestrune::test
