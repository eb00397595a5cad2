// The download thread of the scope explorer against the loopback server.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "app/scope_download.h"
#include "platform/text.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using namespace std::chrono_literals;
using test::HttpReply;
using test::LoopbackHttpServer;

// The server's own socket code: the threads of cpp-httplib are not built for
// the thread checker.
const LoopbackHttpServer::Options kServerOptions{LoopbackHttpServer::Transport::kRawSocket, true};

const std::string kProject = std::string("FPKP\0\0\0\0\4\0\0\0\0\0\0\0", 16) + "project body";

// One download as the explorer runs it: the flag taken, the thread resumed,
// the hooks recorded.
struct Download {
  std::atomic<int> finished{0};
  std::mutex mutex;
  std::vector<int32_t> progress;
  std::unique_ptr<tthreaddownload> thread;

  Download(const std::string& url, const std::u16string& folder) {
    EXPECT_TRUE(BeginDownload());
    thread = std::make_unique<tthreaddownload>(
        url, folder,
        [this](int32_t percent) {
          std::lock_guard lock(mutex);
          progress.push_back(percent);
        },
        [this] { ++finished; });
    thread->Resume();
  }
  // Waits for the end; false after `limit`.
  bool WaitEnd(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!thread->Finished()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(1ms);
    }
    thread->Join();
    return true;
  }
};

std::vector<std::string> FolderNames(const test::TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(tthreaddownload, SavesWhatCameWithStatus200) {
  const struct {
    const char* what;
    const char* target;  // the served address
    HttpReply reply;
    std::vector<const char*> present;
    std::vector<std::string> after;  // the folder's names afterwards
  } cases[] = {
      {"saved under its name", "/scopes/birds.kqp", HttpReply::Text(kProject), {}, {"birds.kqp"}},
      {"a taken name is numbered", "/scopes/birds.kqp", HttpReply::Text(kProject), {"birds.kqp"},
       {"birds(1).kqp", "birds.kqp"}},
      {"404", "/scopes/gone.kqp", HttpReply::Status(404, "<html>no</html>"), {}, {}},
      {"500", "/scopes/broken.kqp", HttpReply::Status(500, "<html>error</html>"), {}, {}},
      {"dot segments stay inside the folder", "/a/../../x.kqp", HttpReply::Text(kProject), {}, {"x.kqp"}},
      {"an encoded slash is refused", "/a/..%2F..%2Fx.kqp", HttpReply::Text(kProject), {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LoopbackHttpServer server(kServerOptions);
    server.SetFallback([&](const test::HttpRequestRecord&) { return c.reply; });
    test::TempDir root;
    const std::string folder = root.Path() + "target/";
    std::filesystem::create_directories(folder);
    for (const char* name : c.present) test::WriteFileBytes(folder + name, "mine");
    Download download(server.Url(c.target), platform::Utf8ToUtf16(folder));
    ASSERT_TRUE(download.WaitEnd(10s));
    EXPECT_FALSE(DownloadRunning.load());
    EXPECT_EQ(download.finished.load(), 1);
    ASSERT_FALSE(download.progress.empty());
    EXPECT_EQ(download.progress.back(), 0);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, c.after);
    // Nothing beside the target folder, and what was there is untouched.
    EXPECT_EQ(FolderNames(root), std::vector<std::string>{"target"});
    for (const char* name : c.present) EXPECT_EQ(test::ReadFileBytes(folder + name), "mine");
    if (!download.thread->SavedFile().empty()) {
      EXPECT_EQ(test::ReadFileBytes(platform::Utf16ToUtf8(download.thread->SavedFile())), kProject);
    }
  }
}

TEST(tthreaddownload, CloseRequestEndsASlowDownloadAtOnce) {
  LoopbackHttpServer server(kServerOptions);
  // 200 blocks of 1 KB, one every 50 ms: ten seconds of body.
  server.Route("/slow.kqp", HttpReply::Text(std::string(200 * 1024, 'k')).Slow(1024, 50ms));
  server.Route("/silent.kqp", HttpReply::Silent());
  for (const char* target : {"/slow.kqp", "/silent.kqp"}) {
    SCOPED_TRACE(target);
    test::TempDir dir;
    Download download(server.Url(target), dir.WPath());
    ASSERT_TRUE(server.WaitForRequests(1, 5s));
    std::this_thread::sleep_for(150ms);  // well into the body
    const auto asked = std::chrono::steady_clock::now();
    download.thread->CloseRequest();
    ASSERT_TRUE(download.WaitEnd(2s));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 200ms);
    EXPECT_EQ(download.finished.load(), 1);
    EXPECT_FALSE(DownloadRunning.load());
    EXPECT_TRUE(FolderNames(dir).empty());
    server.ClearRequests();
  }
}

TEST(tthreaddownload, AnAbortBeforeTheRequestIsOpenStillEndsIt) {
  LoopbackHttpServer server(kServerOptions);
  server.Route("/silent.kqp", HttpReply::Silent());
  test::TempDir dir;
  for (int round = 0; round < 20; ++round) {
    auto download = std::make_unique<Download>(server.Url("/silent.kqp"), dir.WPath());
    download->thread->CloseRequest();  // races the opening of the request
    const auto asked = std::chrono::steady_clock::now();
    download->thread.reset();  // joins
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 500ms) << round;
    EXPECT_FALSE(DownloadRunning.load());
  }
  EXPECT_TRUE(FolderNames(dir).empty());
}

TEST(tthreaddownload, OneDownloadAtATime) {
  LoopbackHttpServer server(kServerOptions);
  server.Route("/a.kqp", HttpReply::Text(kProject).DelayHead(300ms));
  test::TempDir dir;
  Download first(server.Url("/a.kqp"), dir.WPath());
  EXPECT_FALSE(BeginDownload());  // the second is refused while the first runs
  ASSERT_TRUE(first.WaitEnd(10s));
  EXPECT_TRUE(BeginDownload());
  DownloadRunning.store(false);
}

}  // namespace
}  // namespace kestrune
