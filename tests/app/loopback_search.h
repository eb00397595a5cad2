// A session over the real search worker (TEngineWebAdapter) and the loopback
// engine of a test server, without a screen: the worker's hooks post from its
// thread into a main view whose queue is locked, and the test's thread, the
// session's user-interface thread, runs the posted calls while it waits.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/engine_web_adapter.h"
#include "app/kestrune_session.h"
#include "core/log_file.h"
#include "tests/app/program_folder.h"
#include "tests/app/recording_main_view.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/result_pages.h"

namespace kestrune::test {

class TThreadedMainView : public TRecordingMainView {
 public:
  void PostToUi(std::function<void()> call) override {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(call));
    ready_.notify_all();
  }
  // Runs posted calls until `done` holds (20 s without a call fail the test).
  void WaitUntil(const std::function<bool()>& done) override {
    while (!done()) {
      std::unique_lock lock(mutex_);
      if (!ready_.wait_for(lock, std::chrono::seconds(20), [this] { return !posted_.empty(); })) {
        ADD_FAILURE() << "nothing was posted for 20 s while the session waited";
        return;
      }
      std::function<void()> call = std::move(posted_.front());
      posted_.pop_front();
      lock.unlock();
      call();
    }
  }
  void SetProgress(int32_t position) override {
    TRecordingMainView::SetProgress(position);
    progressLog.push_back(position);
    if (OnProgressShown) OnProgressShown(position);
  }
  // Runs what was posted until nothing is left.
  void RunPosted() {
    WaitUntil([this] {
      std::lock_guard lock(mutex_);
      return posted_.empty();
    });
  }

  std::vector<int32_t> progressLog;  // every position shown, in order
  std::function<void(int32_t)> OnProgressShown;

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> posted_;
};

// The value of a parameter of a request's query ("name=value"; empty when
// the query has none).
inline std::string QueryParameter(const HttpRequestRecord& r, const std::string& name) {
  for (size_t at = 0; (at = r.query.find(name + "=", at)) != std::string::npos; ++at) {
    if (at > 0 && r.query[at - 1] != '&') continue;
    const size_t start = at + name.size() + 1;
    return r.query.substr(start, r.query.find('&', start) - start);
  }
  return "";
}

// The loopback engine's answers at "/search": `items` numbered items
// (NumberedItems), as many a page as the query asks for ("n="), from the item
// "start=" names; a page in blocks of 1000 bytes `pageDelay` apart.
inline void RouteLoopbackEngine(LoopbackHttpServer& server, int items,
                                std::chrono::milliseconds pageDelay = std::chrono::milliseconds(0)) {
  server.Route("/search", [base = server.Url(""), items, pageDelay](const HttpRequestRecord& r) {
    auto parameter = [&r](const std::string& name, int otherwise) {
      const size_t at = r.query.find(name);
      return at == std::string::npos ? otherwise : std::atoi(r.query.c_str() + at + name.size());
    };
    const int start = parameter("start=", 1);
    const int count = std::max(0, std::min(parameter("n=", 10), items - start + 1));
    HttpReply reply = HttpReply::Html(WriteResultPage(NumberedItems(start, count, base)));
    if (pageDelay.count() > 0) reply.Slow(1000, pageDelay);
    return reply;
  });
}

// The loopback engine's answers at "/search" from the given items, as many a
// page as the query asks for ("n="), from the item "start=" names.
inline void RouteLoopbackItems(LoopbackHttpServer& server, std::vector<ResultItem> items) {
  server.Route("/search", [items = std::move(items)](const HttpRequestRecord& r) {
    auto parameter = [&r](const std::string& name, int otherwise) {
      const size_t at = r.query.find(name);
      return at == std::string::npos ? otherwise : std::atoi(r.query.c_str() + at + name.size());
    };
    const int total = static_cast<int>(items.size());
    const int start = std::clamp(parameter("start=", 1), 1, total + 1);
    const int count = std::max(0, std::min(parameter("n=", 10), total - start + 1));
    return HttpReply::Html(WriteResultPage(std::vector<ResultItem>(items.begin() + (start - 1),
                                                                   items.begin() + (start - 1 + count))));
  });
}

class TLoopbackSearch {
 public:
  static constexpr int kServedItems = 30;

  // prepare: fills the program folder before the session starts.
  explicit TLoopbackSearch(std::chrono::milliseconds pageDelay = std::chrono::milliseconds(0),
                           const std::function<void(TestProgram&)>& prepare = {})
      : server({LoopbackHttpServer::Transport::kRawSocket, true}) {
    if (prepare) prepare(program);
    RouteLoopbackEngine(server, kServedItems, pageDelay);
    WriteEngineTemplate(program.Program(), "loopback",
                        LoopbackEngineTemplate(server.Url(""), LoopbackTemplateOptions().HostName("Loopback")));
    LogFile.Open(program.Dir().WFile("kestrune.log"));
    session = std::make_unique<TKestruneSession>(program.WProgram());
    session->ReadLanguageTable();
    session->Config.ReadStartupSettings();
    auto adapter = std::make_unique<TEngineWebAdapter>();
    engine = adapter.get();
    session->Run.EngineObject = &adapter->Engine();
    created = session->Create(&view, &map, std::move(adapter));
    session->ContentMap.SetMapSize(view.mapWidth, view.mapHeight);
    session->Config.LinksToDownload = kServedItems;
  }
  ~TLoopbackSearch() {
    session.reset();
    LogFile.Open(std::u16string());
  }

  // Types the query and presses Enter; returns when the run and all it
  // posted are over.
  void Search(std::u16string_view query) {
    view.queryText = query;
    view.Control(TMainControl::IComboBox1).Visible = true;
    session->QueryKeyUp(13);
    view.RunPosted();
  }
  // A word's dictionary identifier; -1 when the dictionary has none.
  int32_t WordId(std::u16string_view word) {
    TWordVariant hit;
    return session->WordDictionary.FindFirst(word, hit, 0) > 0 ? hit.WordIndex : -1;
  }

  LoopbackHttpServer server;
  TestProgram program;
  TThreadedMainView view;
  TRecordingMapView map;
  std::unique_ptr<TKestruneSession> session;
  TEngineWebAdapter* engine = nullptr;
  bool created = false;
};

}  // namespace kestrune::test
