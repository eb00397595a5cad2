// The update check's threads under the thread checker: the hand-over of the
// results record to the owner's thread, StopUpdateCheck at any moment of the
// check, and an installer download cancelled at any moment.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

#include "app/connect_probe.h"
#include "app/kestrune_session.h"
#include "app/update_check.h"
#include "platform/settings_store.h"
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

struct TRig {
  test::TempDir dir;
  test::ScopedEnv config{"KESTRUNE_CONFIG_HOME", dir.Path()};
  test::ScopedEnv noProxy{"no_proxy", "*"};
  LoopbackHttpServer server{kServerOptions};
  TConnectProbe probe;

  TRig() {
    platform::SettingsStore store;
    EXPECT_TRUE(store.OpenKey(kSettingsKey, true));
    store.WriteString(kUpdateServerValue, server.HostAndPort());
    std::string feed = "<?xml version=\"1.0\"?><rss><channel>";
    for (int i = 0; i < 50; ++i) feed += "<item><title>News " + std::to_string(i) + "</title></item>";
    server.Route("/news.asp?lang=en", HttpReply::Text(feed + "</channel></rss>").Slow(500, 1ms));
    server.Route("/download/update/update.txt", HttpReply::Text("[1.5.303.0]\r\nfile=p.zip\r\nsize=9\r\n"));
    server.Route("/download/update/p.zip", HttpReply::Text(std::string(40000, 'p')).Slow(4000, 2ms));
  }
};

// The window's queue of posted calls, drained on this thread.
struct TPosted {
  std::mutex mutex;
  std::deque<TUpdateResults> queue;
};

TEST(UpdateCheckThreads, HandOverAndStopAtAnyMoment) {
  TRig rig;
  int handed = 0;
  for (int round = 0; round < 16; ++round) {
    SCOPED_TRACE(round);
    TPosted posted;
    TUpdateCheck check(&rig.probe, rig.dir.WPath());
    check.SetFileVersion("1.5.302.0");
    check.OnResults = [&posted](TUpdateResults results) {
      std::lock_guard lock(posted.mutex);
      posted.queue.push_back(std::move(results));
    };
    check.StartUpdateCheck("en", u"English");
    if (round == 15) {
      // The last round lets the check end on its own, so one hand-over happens however slow the
      // machine is.
      while (!check.CheckDone) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(round * 3));
    }
    const bool doneBefore = check.CheckDone;
    check.StopUpdateCheck();
    EXPECT_TRUE(check.CheckDone);
    std::lock_guard lock(posted.mutex);
    EXPECT_LE(posted.queue.size(), 1u);
    if (doneBefore) EXPECT_EQ(posted.queue.size(), 1u);
    for (TUpdateResults& results : posted.queue) {
      check.TakeResults(std::move(results));
      EXPECT_TRUE(check.UpdateFound);
      EXPECT_EQ(check.NewsItems.size(), 50u);
      ++handed;
    }
  }
  EXPECT_GT(handed, 0);
}

TEST(UpdateCheckThreads, AnInstallerCancelledAtAnyMoment) {
  TRig rig;
  const std::u16string program = rig.dir.WPath() + u"program/";
  std::filesystem::create_directories(platform::Utf16ToUtf8(program) + "update");
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    TUpdateCheck check(&rig.probe, program);
    std::atomic<int> progress{0}, ended{0};
    check.DownloadInstaller(
        "p.zip", 0, [&](int32_t) { ++progress; }, [&](TInstallerResult) { ++ended; });
    std::this_thread::sleep_for(std::chrono::milliseconds(round * 3));
    check.CancelInstaller();
    EXPECT_EQ(ended.load(), 1);
    EXPECT_TRUE(check.CancelFlag);
  }
}

}  // namespace
}  // namespace kestrune
