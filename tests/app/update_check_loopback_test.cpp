// The update check against the tests' loopback server, named by the settings
// value "UpdateServer" (127.0.0.1:<port>): the check's hand-over, its
// requests, failing downloads, stopping it, a proxy that asks for a login,
// and the installer's download.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <mutex>
#include <optional>
#include <string>

#include "app/connect_probe.h"
#include "app/kestrune_session.h"
#include "app/update_check.h"
#include "platform/settings_store.h"
#include "platform/text.h"
#include "search/http_read.h"
#include "tests/app/update_info_text.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using namespace std::chrono_literals;
using test::BodyFraming;
using test::HttpReply;
using test::HttpRequestRecord;
using test::Release;

void WriteUpdateServer(const std::string& value) {
  platform::SettingsStore store;
  ASSERT_TRUE(store.OpenKey(kSettingsKey, true));
  store.WriteString(kUpdateServerValue, value);
}

std::string Feed(int items) {
  std::string feed = "<?xml version=\"1.0\"?><rss><channel>";
  for (int i = 0; i < items; ++i) feed += "<item><title>News " + std::to_string(i) + "</title></item>";
  return feed + "</channel></rss>";
}

const std::string kNewer = test::UpdateInfoText({Release("1.5.303.0", "1.5.300.0", "Faster", "patch.zip", "1000")});
const std::string kSame = test::UpdateInfoText({Release("1.5.302.0", "1.5.300.0", "Same", "patch.zip", "1000")});

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

// One check over its own settings, program folder, server and probe; the
// handed-over records are kept.
struct TCheckRig {
  test::TempDir dir;
  test::ScopedEnv config{"KESTRUNE_CONFIG_HOME", dir.Path()};
  std::optional<test::ScopedEnv> noProxy;
  test::LoopbackHttpServer server;
  TConnectProbe probe;
  std::unique_ptr<TUpdateCheck> check;
  std::mutex mutex;
  std::vector<TUpdateResults> handed;

  explicit TCheckRig(bool direct = true) {
    if (direct) {
      noProxy.emplace("no_proxy", "*");
      WriteUpdateServer(server.HostAndPort());
    }
    std::filesystem::create_directories(dir.Path() + "program/update");
    check = std::make_unique<TUpdateCheck>(&probe, platform::Utf8ToUtf16(dir.Path() + "program/"));
    check->SetFileVersion("1.5.302.0");
    check->TimeoutMs = 10000;
    probe.TimeoutMs = 10000;
    check->OnResults = [this](TUpdateResults results) {
      std::lock_guard lock(mutex);
      handed.push_back(std::move(results));
    };
  }
  // Runs the check to its end (at most 10 s).
  bool Run(std::string_view langFolder = "en", std::u16string_view language = u"English") {
    check->StartUpdateCheck(langFolder, language);
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (!check->CheckDone && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(2ms);
    return check->CheckDone;
  }
  std::string Folder(const std::string& name) const { return dir.Path() + "program/" + name; }
};

TEST(UpdateCheckLoopback, HandOver) {
  const struct {
    const char* name;
    HttpReply news;
    HttpReply info;
    const char* language;
    bool handed;
    size_t newsItems;
    bool found;
    std::string info_, installer;
  } cases[] = {
      {"AnUpdateAndNews", HttpReply::Text(Feed(3)), HttpReply::Text(kNewer), "English", true, 3, true, "Faster",
       "patch.zip"},
      // The running version's own section is read, but offers nothing.
      {"NewsWithoutAnUpdate", HttpReply::Text(Feed(1)), HttpReply::Text(kSame), "English", true, 1, false, "Same",
       "patch.zip"},
      {"AnUpdateWithoutNews", HttpReply::Status(404), HttpReply::Text(kNewer), "English", true, 0, true, "Faster",
       "patch.zip"},
      {"NeitherIsHandedOver", HttpReply::Text(Feed(0)), HttpReply::Text(kSame), "English", false, 0, false, "", ""},
      {"AnotherMajorIsNoUpdate", HttpReply::Status(404),
       HttpReply::Text(test::UpdateInfoText({Release("2.0.0.0", "1.5.302.0", "Two", "two.zip", "5")})), "English",
       false, 0, false, "", ""},
      {"PreviousAboveTheRunningVersionOffersTheFullInstaller", HttpReply::Status(404),
       HttpReply::Text(test::UpdateInfoText({Release("1.5.310.0", "1.5.305.0", "Full", "p.zip", "5", "all.zip")})),
       "English", true, 0, true, "Full", "all.zip"},
      {"EnglishFallback", HttpReply::Status(404),
       HttpReply::Text(test::UpdateInfoText({{"1.5.303.0", {{"english", "In English"}, {"file", "p.zip"}}}})),
       "Deutsch", true, 0, true, "In English", "p.zip"},
      {"TheLanguagesOwnText", HttpReply::Status(404),
       HttpReply::Text(test::UpdateInfoText({{"1.5.303.0", {{"english", "In English"}, {"deutsch", "Auf Deutsch"}}}})),
       "Deutsch", true, 0, true, "Auf Deutsch", ""},
      // Failing downloads of update.txt: no update.
      {"InfoWithoutContentLength", HttpReply::Text(Feed(1)),
       HttpReply::Text(kNewer).WithFraming(BodyFraming::kChunked), "English", true, 1, false, "", ""},
      {"InfoShorterThanAnnounced", HttpReply::Text(Feed(1)), HttpReply::Text(kNewer).WithFraming(BodyFraming::kShort),
       "English", true, 1, false, "", ""},
      {"InfoNotFound", HttpReply::Text(Feed(1)), HttpReply::Status(404, kNewer), "English", true, 1, false, "", ""},
      {"InfoOver1MiB", HttpReply::Text(Feed(1)), HttpReply::Text(kNewer + std::string(1 << 20, ';')), "English", true,
       1, false, "", ""},
      {"NewsOver1MiB", HttpReply::Text(Feed(1) + std::string(1 << 20, ' ')), HttpReply::Text(kNewer), "English", true,
       0, true, "Faster", "patch.zip"},
      {"NewsShorterThanAnnounced", HttpReply::Text(Feed(2)).WithFraming(BodyFraming::kShort), HttpReply::Text(kSame),
       "English", false, 0, false, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TCheckRig rig;
    rig.server.Route("/news.asp?lang=en", c.news);
    rig.server.Route(kUpdateInfoPath, c.info);
    ASSERT_TRUE(rig.Run("en", platform::Utf8ToUtf16(c.language)));
    rig.check->StopUpdateCheck();
    ASSERT_EQ(rig.handed.size(), c.handed ? 1u : 0u);
    EXPECT_EQ(rig.check->LanguageKey, platform::Utf16ToUtf8(platform::WideLowerCase(platform::Utf8ToUtf16(c.language))));
    if (!c.handed) continue;
    rig.check->TakeResults(rig.handed.front());
    EXPECT_EQ(rig.check->NewsItems.size(), c.newsItems);
    EXPECT_EQ(rig.check->UpdateFound, c.found);
    EXPECT_EQ(rig.check->BestVersion, c.found ? NormalizeVersion(rig.check->BestSectionName) : "01.05.302.00");
    EXPECT_EQ(rig.check->LocalizedInfo, c.info_);
    EXPECT_EQ(rig.check->InstallerName(), c.installer);
  }
}

// The requests: the probe's, then the news and update.txt as HTTP/1.0 GETs
// with the check's user agent and no Referrer line; the language folder is
// percent-encoded.
TEST(UpdateCheckLoopback, Requests) {
  TCheckRig rig;
  rig.server.Route(kUpdateInfoPath, HttpReply::Text(kNewer));
  rig.server.Route("/news.asp?lang=pt%20BR%2Fx", HttpReply::Text(Feed(1)));
  ASSERT_TRUE(rig.Run("pt BR/x"));
  ASSERT_EQ(rig.handed.size(), 1u);
  EXPECT_EQ(rig.handed.front().NewsItems.size(), 1u);
  const std::vector<HttpRequestRecord> requests = rig.server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].Header("User-Agent"), kConnectProbeUserAgent);
  EXPECT_EQ(requests[1].target, "/news.asp?lang=pt%20BR%2Fx");
  EXPECT_EQ(requests[2].target, "/download/update/update.txt");
  for (size_t i = 1; i < 3; ++i) {
    EXPECT_EQ(requests[i].method + " " + requests[i].version, "GET HTTP/1.0");
    EXPECT_EQ(requests[i].Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 5.01; Unknown)");
    EXPECT_FALSE(requests[i].HasHeader("Referrer"));
  }
}

// Without an update server the check asks nobody.
TEST(UpdateCheckLoopback, TheDefaultServerIsNotAsked) {
  TCheckRig rig(false);
  test::ScopedEnv proxy("http_proxy", rig.server.Url(""));  // anything sent would reach the server
  test::ScopedEnv noProxy("no_proxy", "");
  rig.check->StartUpdateCheck("en", u"English");
  EXPECT_TRUE(rig.check->CheckDone);
  rig.check->StopUpdateCheck();
  EXPECT_EQ(rig.server.RequestCount(), 0u);
  EXPECT_TRUE(rig.handed.empty());
}

// StopUpdateCheck aborts what the thread waits for and joins it in 200 ms;
// nothing is handed over afterwards.
TEST(UpdateCheckLoopback, StopWhileWaiting) {
  const struct {
    const char* name;
    const char* silentPath;
    HttpReply reply;
    size_t requestsBeforeStop;
  } cases[] = {
      {"ASlowNewsBody", "/news.asp?lang=en", HttpReply::Text(Feed(5)).Slow(20, 1s), 2},
      {"ASlowInfoBody", kUpdateInfoPath, HttpReply::Text(kNewer).Slow(20, 1s), 1},  // the probe reads no body
      {"ASilentProbe", kUpdateInfoPath, HttpReply::Silent(), 1},
      {"ASilentNewsServer", "/news.asp?lang=en", HttpReply::Silent(), 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TCheckRig rig;
    rig.server.Route("/news.asp?lang=en", HttpReply::Text(Feed(1)));
    rig.server.Route(kUpdateInfoPath, HttpReply::Text(kNewer));
    rig.server.Route(c.silentPath, c.reply);
    rig.check->StartUpdateCheck("en", u"English");
    ASSERT_TRUE(rig.server.WaitForRequests(c.requestsBeforeStop));
    std::this_thread::sleep_for(50ms);  // the transfer is waiting now
    const auto start = std::chrono::steady_clock::now();
    rig.check->StopUpdateCheck();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);
    EXPECT_TRUE(rig.check->CheckDone);
    EXPECT_TRUE(rig.handed.empty());
  }
}

// ---------------------------------------------------------------- proxy login

constexpr const char* kGoodLogin = "Basic a2VuOnNlY3JldA==";  // ken:secret

// A proxy on the loopback server: every request needs the login; behind it
// the update server answers by path.
HttpReply Proxy(const HttpRequestRecord& r) {
  if (r.Header("Proxy-Authorization") != kGoodLogin) {
    return HttpReply::Status(407, "login").WithHeader("Proxy-Authenticate", "Basic realm=\"gate\"");
  }
  if (r.target.ends_with("/news.asp?lang=en")) return HttpReply::Text(Feed(2));
  if (r.target.ends_with(kUpdateInfoPath)) return HttpReply::Text(kNewer);
  return HttpReply::Status(404);
}

// A prompt that answers with a script, or waits until it is cancelled.
struct TPrompt : IProxyLoginPrompt {
  bool waitForCancel = false;
  std::mutex mutex;
  std::condition_variable changed;
  int asked = 0, cancels = 0;
  bool AskProxyLogin(std::string& user, std::string& password, bool) override {
    std::unique_lock lock(mutex);
    ++asked;
    changed.notify_all();
    if (!waitForCancel) {
      user = "ken";
      password = "secret";
      return true;
    }
    changed.wait(lock, [this] { return cancels > 0; });
    return false;
  }
  void CancelProxyLogin() override {
    std::lock_guard lock(mutex);
    ++cancels;
    changed.notify_all();
  }
};

TEST(UpdateCheckLoopback, AProxyAsksForALogin) {
  for (const bool stopWhileAsking : {false, true}) {
    SCOPED_TRACE(stopWhileAsking ? "stopped while asking" : "answered");
    SetProxyCredentials("", "");
    TCheckRig rig(false);
    WriteUpdateServer("updates.kestrune.example");  // reached through the proxy only
    test::ScopedEnv proxy("http_proxy", rig.server.Url(""));
    test::ScopedEnv noProxy("no_proxy", "");
    rig.server.SetFallback(Proxy);
    TPrompt prompt;
    prompt.waitForCancel = stopWhileAsking;
    rig.probe.Prompt = &prompt;
    if (!stopWhileAsking) {
      ASSERT_TRUE(rig.Run());
      EXPECT_EQ(rig.probe.ConnectState.load(), 1);
      ASSERT_EQ(rig.handed.size(), 1u);
      EXPECT_EQ(rig.handed.front().NewsItems.size(), 2u);
      EXPECT_TRUE(rig.handed.front().UpdateFound);
      EXPECT_EQ(rig.server.LastRequest().target, "http://updates.kestrune.example/download/update/update.txt");
    } else {
      rig.check->StartUpdateCheck("en", u"English");
      {
        std::unique_lock lock(prompt.mutex);
        ASSERT_TRUE(prompt.changed.wait_for(lock, 10s, [&] { return prompt.asked > 0; }));
      }
      const auto start = std::chrono::steady_clock::now();
      rig.check->StopUpdateCheck();
      EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);
      EXPECT_GE(prompt.cancels, 1);
      EXPECT_TRUE(rig.handed.empty());
      EXPECT_EQ(rig.server.RequestCount(), 1u);  // nothing after the question
    }
    EXPECT_EQ(prompt.asked, 1);
  }
  SetProxyCredentials("", "");
}

// ---------------------------------------------------------------- installer

struct TInstallerEnd {
  std::promise<TInstallerResult> promise;
  int32_t lastPercent = -1;
  bool Download(TUpdateCheck& check, const std::string& name, int64_t listedSize = 0) {
    auto future = promise.get_future();
    check.DownloadInstaller(
        name, listedSize, [this](int32_t percent) { lastPercent = percent; },
        [this](TInstallerResult end) { promise.set_value(std::move(end)); });
    if (future.wait_for(10s) != std::future_status::ready) return false;
    result = future.get();
    return true;
  }
  TInstallerResult result;
};

TEST(UpdateCheckInstaller, Downloads) {
  std::string body(100000, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7);
  const struct {
    const char* name;
    std::string listed;
    int64_t listedSize;  // update.txt's "size" or "fullsize"; 0: not listed
    const char* target;  // empty: no request
    HttpReply reply;
    bool ok;
    const char* reason;  // the form's line after "No update file is found."; empty: none
  } cases[] = {
      {"APlainNameKeepsItsName", "patch.zip", 0, "/download/update/patch.zip", HttpReply::Text(body), true, ""},
      {"ANameWithBlanksIsEncoded", "kestrune setup 1.5.exe", 0, "/download/update/kestrune%20setup%201.5.exe",
       HttpReply::Text(body), true, ""},
      {"UpALevelRefused", "../x", 0, "", HttpReply::Text(body), false, ""},
      {"AFolderRefused", "a/b", 0, "", HttpReply::Text(body), false, ""},
      {"EmptyRefused", "", 0, "", HttpReply::Text(body), false, ""},
      // Part of the body is in the file when the download fails: the file goes.
      {"AShortBody", "patch.zip", 0, "/download/update/patch.zip",
       HttpReply::Text(body).WithFraming(BodyFraming::kShort), false, ""},
      {"AShortBodyOfAListedSize", "patch.zip", 100000, "/download/update/patch.zip",
       HttpReply::Text(body).WithFraming(BodyFraming::kShort), false, ""},
      // The listed size against a body complete by its own Content-Length.
      {"TheListedSize", "patch.zip", 100000, "/download/update/patch.zip", HttpReply::Text(body), true, ""},
      {"LessThanListed", "patch.zip", 250000, "/download/update/patch.zip", HttpReply::Text(body), false,
       "The file that arrived has 100000 bytes where the update list gives 250000."},
      {"MoreThanListed", "patch.zip", 99999, "/download/update/patch.zip", HttpReply::Text(body), false,
       "The file that arrived has 100000 bytes where the update list gives 99999."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TCheckRig rig;
    rig.server.SetFallback([&](const HttpRequestRecord&) { return c.reply; });
    TInstallerEnd end;
    ASSERT_TRUE(end.Download(*rig.check, c.listed, c.listedSize));
    EXPECT_EQ(end.result.Ok, c.ok);
    if (!c.ok) {
      // The form keeps its two lines and adds the reason it knows.
      std::vector<std::string> lines = {platform::Utf16ToUtf8(MessageStrings.smErrorDownloadUpdate),
                                        "No update file is found."};
      if (*c.reason) lines.emplace_back(c.reason);
      std::vector<std::string> shown;
      for (const std::u16string& line : InstallerFailureLines(end.result)) shown.push_back(platform::Utf16ToUtf8(line));
      EXPECT_EQ(shown, lines);
    }
    EXPECT_EQ(rig.server.RequestCount(), *c.target ? 1u : 0u);
    if (*c.target) {
      EXPECT_EQ(rig.server.LastRequest().target, c.target);
      EXPECT_EQ(rig.server.LastRequest().Header("User-Agent"), UpdateUserAgent());
    }
    const std::vector<std::string> files = FilesIn(rig.Folder("update"));
    if (c.ok) {
      EXPECT_EQ(platform::Utf16ToUtf8(end.result.Path), rig.Folder("update/") + c.listed);
      EXPECT_EQ(files, std::vector<std::string>{c.listed});
      EXPECT_EQ(test::ReadFileBytes(rig.Folder("update/") + c.listed), body);
      EXPECT_EQ(end.lastPercent, 100);
    } else {
      EXPECT_TRUE(end.result.Path.empty());
      EXPECT_TRUE(files.empty()) << files.front();
    }
  }
}

TEST(UpdateCheckInstaller, WithoutAnUpdateFolderOneIsMade) {
  TCheckRig rig;
  std::filesystem::remove(rig.Folder("update"));
  rig.server.Route("/download/update/p.zip", HttpReply::Text("installer"));
  TInstallerEnd end;
  ASSERT_TRUE(end.Download(*rig.check, "p.zip"));
  EXPECT_TRUE(end.result.Ok);
  EXPECT_EQ(test::ReadFileBytes(rig.Folder("Update/p.zip")), "installer");
}

TEST(UpdateCheckInstaller, ACancelledDownloadLeavesNoFile) {
  for (const bool byStop : {false, true}) {
    SCOPED_TRACE(byStop ? "StopUpdateCheck" : "CancelInstaller");
    TCheckRig rig;
    rig.server.Route("/download/update/patch.zip", HttpReply::Text(std::string(100000, 'x')).Slow(1000, 200ms));
    std::promise<bool> ended;
    rig.check->DownloadInstaller("patch.zip", 0, nullptr, [&](TInstallerResult end) { ended.set_value(end.Ok); });
    ASSERT_TRUE(rig.server.WaitForRequests(1));
    std::this_thread::sleep_for(300ms);  // some blocks are in the file
    const auto start = std::chrono::steady_clock::now();
    if (byStop) {
      rig.check->StopUpdateCheck();
    } else {
      rig.check->CancelInstaller();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);
    EXPECT_TRUE(rig.check->CancelFlag);
    auto future = ended.get_future();
    ASSERT_EQ(future.wait_for(0s), std::future_status::ready);
    EXPECT_FALSE(future.get());
    EXPECT_TRUE(FilesIn(rig.Folder("update")).empty());
  }
}

}  // namespace
}  // namespace kestrune
