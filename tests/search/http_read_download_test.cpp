// THttpRead::DownloadToStream, the update check's GET, against the loopback
// server: what counts as a complete download, where the body goes, and the
// request's own header lines.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "search/http_read.h"
#include "tests/support/loopback_http_server.h"

namespace kestrune {
namespace {

using test::BodyFraming;
using test::HttpReply;
using test::LoopbackHttpServer;

constexpr const char* kAgent = "Mozilla/4.0 (compatible; MSIE 5.01; Unknown)";

// A stream that takes `room` bytes and refuses the rest.
class TFullStream : public TMemoryStream {
 public:
  explicit TFullStream(int64_t room) : room_(room) {}
  int64_t Write(const void* buffer, int64_t count) override {
    const int64_t taken = std::min(count, room_ - Size());
    return taken > 0 ? TMemoryStream::Write(buffer, taken) : 0;
  }

 private:
  int64_t room_;
};

TEST(HttpReadDownload, OnlyACompleteAnnouncedBodyCounts) {
  const std::string body(50000, 'b');
  const struct {
    const char* name;
    HttpReply reply;
    bool ok;
    int64_t contentLength;
    size_t stored;  // bytes in the sink afterwards
    THttpFailure cause;
  } cases[] = {
      {"Complete", HttpReply::Text(body), true, 50000, 50000, hfNone},
      {"ChunkedHasNoLength", HttpReply::Text(body).WithFraming(BodyFraming::kChunked), false, -1, 0, hfRead},
      {"UntilCloseHasNoLength", HttpReply::Text(body).WithFraming(BodyFraming::kUntilClose), false, -1, 0, hfRead},
      {"ShorterThanAnnounced", HttpReply::Text(body).WithFraming(BodyFraming::kShort), false, 50001, 50000, hfRead},
      {"NotFound", HttpReply::Status(404, body), false, 50000, 0, hfStatus},
      {"ServerError", HttpReply::Status(500, body), false, 50000, 0, hfStatus},
      {"Moved", HttpReply::Status(301, body), false, 50000, 0, hfStatus},
      {"LengthZero", HttpReply::Text(""), false, 0, 0, hfNone},
      {"AnnouncedOverTheCap", HttpReply::Text(std::string(4001, 'x')), false, 4001, 0, hfTooLarge},
      {"OverTheCapWithoutLength", HttpReply::Text(std::string(4001, 'x')).WithFraming(BodyFraming::kChunked), false,
       -1, 0, hfRead},
      {"RedirectFollowed", HttpReply::Redirect("/complete"), true, 50000, 50000, hfNone},
  };
  LoopbackHttpServer server;
  server.Route("/complete", HttpReply::Text(body));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server.Route("/file", c.reply);
    THttpRead reader;
    reader.SetMaxBodySize(std::string_view(c.name).find("Cap") != std::string_view::npos ? 4000 : 1 << 20);
    int32_t percent = 0;
    reader.OnProgress = [&](int32_t p) { percent = p; };
    TMemoryStream sink;
    sink.Write("old", 3);
    EXPECT_EQ(reader.DownloadToStream(server.Url("/file"), sink, kAgent), c.ok);
    EXPECT_EQ(reader.ContentLength(), c.contentLength);
    EXPECT_EQ(sink.Bytes().size(), c.stored);
    EXPECT_EQ(reader.FailureCause(), c.cause);
    EXPECT_EQ(reader.Body.Size(), 0);
    if (c.ok) EXPECT_EQ(percent, 100);
  }
}

TEST(HttpReadDownload, TheRequestCarriesTheGivenAgentAndNoReferrer) {
  LoopbackHttpServer server;
  server.Route("/f", HttpReply::Text("abc"));
  THttpRead reader;
  TMemoryStream sink;
  ASSERT_TRUE(reader.DownloadToStream(server.Url("/f"), sink, kAgent));
  const test::HttpRequestRecord request = server.LastRequest();
  EXPECT_EQ(request.version, "HTTP/1.0");
  EXPECT_EQ(request.Header("User-Agent"), kAgent);
  EXPECT_FALSE(request.HasHeader("Referrer"));
  EXPECT_FALSE(request.HasHeader("Accept"));
  // Get afterwards is as it was.
  ASSERT_TRUE(reader.Get(server.Url("/f")));
  EXPECT_EQ(server.LastRequest().Header("User-Agent"), kHttpReadUserAgent);
  EXPECT_TRUE(server.LastRequest().HasHeader("Referrer"));
}

TEST(HttpReadDownload, ASinkThatFailsOrAFlagSetBeforehandEndsIt) {
  LoopbackHttpServer server;
  server.Route("/f", HttpReply::Text(std::string(10000, 'f')));
  THttpRead reader;
  TFullStream full(5000);
  EXPECT_FALSE(reader.DownloadToStream(server.Url("/f"), full, kAgent));
  EXPECT_EQ(server.RequestCount(), 1u);

  std::atomic<bool> cancel{true};
  reader.CancelFlag = &cancel;
  TMemoryStream sink;
  EXPECT_FALSE(reader.DownloadToStream(server.Url("/f"), sink, kAgent));
  EXPECT_FALSE(reader.Get(server.Url("/f")));
  EXPECT_EQ(reader.FailureCause(), hfRead);
  EXPECT_EQ(server.RequestCount(), 1u);  // nothing went out
  cancel = false;
  EXPECT_TRUE(reader.DownloadToStream(server.Url("/f"), sink, kAgent));
}

}  // namespace
}  // namespace kestrune
