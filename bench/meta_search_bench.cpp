// The meta-search over the loopback engine: a five-page search of 200 KB
// result pages beside a bare libcurl download of the same pages in the same
// run; the per-page cost of reading, cutting and storing one page; and the
// automatic recovery on a page of 20,000 tags beside a stack-based pairing of
// the same tags; and two hostile pages at 1, 4 and 10 MB whose cost must grow
// linearly: the recovery on a page whose links have no closing tag before
// them, and the cutting of a result list whose items lack their end tag and
// carry links that are not accepted. A summary with the ratios and the targets
// (8 ms a page, 50 ms for the recovery, time per MB within 1.5 times the 1 MB
// figure) is printed after the run.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "search/automatic_get_results.h"
#include "search/engine_web.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/result_pages.h"

using namespace kestrune;

namespace {

constexpr int kPages = 5;
constexpr int kItemsPerPage = 10;
constexpr size_t kPageSize = 200 * 1024;

// A result page of the loopback engine's layout filled to about 200 KB with
// the markup around real results: a navigation bar, long snippets, and a
// side column of related links with text.
std::string BigResultPage(int first, const std::string& base) {
  std::vector<test::ResultItem> items = test::NumberedItems(first, kItemsPerPage, base);
  for (test::ResultItem& item : items) {
    while (item.snippet.size() < 600) item.snippet += " <b>query</b> words in a longer snippet of the result";
  }
  std::string page = test::WriteResultPage(items);
  std::string side = "<div class=\"side\">\n";
  for (int n = 0; page.size() + side.size() < kPageSize; ++n) {
    const std::string s = std::to_string(n);
    side += "<div class=\"rel\"><a href=\"/related/" + s + "\">Related search " + s + "</a> <span class=\"c\">about " +
            s + " pages with more words</span></div>\n";
  }
  side += "</div>\n";
  page.insert(page.rfind("</body>"), side);
  return page;
}

// A page the template does not know whose links have no closing tag before
// them (no closing tag at all), about `megabytes` MB.
std::string LinksWithoutClosingTags(int megabytes, const std::string& base) {
  const size_t size = static_cast<size_t>(megabytes) << 20;
  std::string page = "<html><body>\n";
  for (int n = 0; page.size() < size; ++n) {
    const std::string s = std::to_string(n);
    page += "<p><a href=\"" + base + "/doc" + s + ".html\">Title " + s + "<br>Snippet " + s +
            " about the query with a few more words\n";
  }
  return page;
}

// A result list in the loopback engine's layout, about `megabytes` MB, whose
// items lack their end tag and link to addresses that are not accepted.
std::string ItemsWithoutEndTags(int megabytes) {
  const size_t size = static_cast<size_t>(megabytes) << 20;
  std::string page = "<html><body>\n<ol class=\"results\">\n";
  for (int n = 0; page.size() < size; ++n) {
    const std::string s = std::to_string(n);
    page += "<li class=\"result\"><h3><a href=\"page" + s + ".html\">Title " + s +
            "</a></h3><span class=\"snippet\">Snippet " + s + " about the query</span>\n";
  }
  page += "</ol>\n</body></html>\n";
  return page;
}

// A page the template does not know, of about 20,000 tags.
std::string TwentyThousandTags(const std::string& base) {
  std::string page = "<html><body><div class=\"serp\"><h2>Results</h2>\n";
  for (int n = 0; n < 2000; ++n) {
    const std::string s = std::to_string(n);
    page += "<div class=\"hit\"><h3><a href=\"" + base + "/doc" + s + ".html\">Title " + s +
            "</a></h3><div class=\"desc\"><span>Snippet " + s + " about the query</span></div></div>\n";
  }
  page += "</div></body></html>\n";
  return page;
}

struct Fixture {
  Fixture() {
    home = std::filesystem::temp_directory_path() / ("kestrune-bench-" + std::to_string(::getpid()));
    ::setenv("KESTRUNE_HOME", (home.string() + "/").c_str(), 1);
    const std::string base = server.Url("");
    for (int p = 0; p < kPages; ++p) pages.push_back(BigResultPage(1 + p * kItemsPerPage, base));
    server.Route("/search", [this](const test::HttpRequestRecord& r) {
      const size_t at = r.query.find("start=");
      const int start = at == std::string::npos ? 1 : std::atoi(r.query.c_str() + at + 6);
      return test::HttpReply::Html(pages[static_cast<size_t>(((start - 1) / kItemsPerPage) % kPages)]);
    });
    test::WriteEngineTemplate(home.string(), "local",
                              test::LoopbackEngineTemplate(base, test::LoopbackTemplateOptions().Counts("10")));
    engine.LoadTemplate("local");
    for (int p = 0; p < kPages; ++p) {
      urls.push_back(base + "/search?q=x&n=10" +
                     (p == 0 ? std::string() : "&start=" + std::to_string(1 + p * kItemsPerPage)));
    }
    recoveryPage = TwentyThousandTags(base);
  }
  ~Fixture() {
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  }

  std::filesystem::path home;
  test::LoopbackHttpServer server;
  std::vector<std::string> pages;
  std::vector<std::string> urls;
  std::string recoveryPage;
  EngineWeb engine;
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

// One five-page search through the engine's thread.
void SearchFivePages() {
  EngineWeb& engine = TheFixture().engine;
  engine.SetUrlCount(kPages * kItemsPerPage);
  std::u16string first;
  if (!engine.StartSearch(u"x", first) || !engine.WaitUntilIdle(60000) || engine.ItemCount() != 50) {
    std::fprintf(stderr, "the search failed: %d items, %s\n", engine.ItemCount(), engine.ErrorText().c_str());
    std::exit(1);
  }
}

size_t Collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// The same five pages with one bare libcurl handle.
void CurlFivePages(CURL* curl) {
  for (const std::string& url : TheFixture().urls) {
    std::string body;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    if (curl_easy_perform(curl) != CURLE_OK || body.size() < kPageSize / 2) std::exit(1);
  }
}

// Reading, cutting and storing one page without the download.
void ProcessOnePage() {
  Fixture& f = TheFixture();
  f.engine.SetUrlCount(kItemsPerPage);
  std::u16string first;
  f.engine.PrepareSearch(u"x", first);
  if (f.engine.ProcessPage(f.pages[0], f.urls[0]) != kItemsPerPage) std::exit(1);
}

// The recovery alone on the parsed 20,000-tag page.
class RecoveryEngine : public EngineWeb {
 public:
  void Load(const std::string& page) {
    SetUrlCount(5000);
    std::u16string first;
    PrepareSearch(u"x", first);
    pageUrl_ = "http://127.0.0.1/search";
    parser_->Clear();
    parser_->Parse(page);
  }
  void PairOnly() { recovery_->CreateFTree(); }
  int32_t Recover() {
    recovery_->ResetCount();
    recovery_->CorrectTemplate();
    return itemCount_;
  }
  const TIHTMLParser& Parser() const { return *parser_; }
};

// One hostile page parsed, for the recovery or the cutting alone.
class HostilePageEngine : public RecoveryEngine {
 public:
  int32_t Cut() {
    stop_ = false;
    return Parse();
  }
};

std::unique_ptr<HostilePageEngine> LoadHostile(const std::string& page) {
  TheFixture();  // the program folder and the template
  auto engine = std::make_unique<HostilePageEngine>();
  engine->LoadTemplate("local");
  engine->Load(page);
  return engine;
}

constexpr int kHostileSizes[] = {1, 4, 10};

std::string HostilePage(bool recovery, int megabytes) {
  return recovery ? LinksWithoutClosingTags(megabytes, "http://127.0.0.1") : ItemsWithoutEndTags(megabytes);
}

RecoveryEngine& TheRecoveryEngine() {
  static RecoveryEngine* engine = [] {
    TheFixture();  // the program folder and the template
    auto* e = new RecoveryEngine;
    e->LoadTemplate("local");
    e->Load(TheFixture().recoveryPage);
    return e;
  }();
  return *engine;
}

// The textbook pairing: a stack of open tags; a closing tag pops to its
// opening tag, leaving the tags above it open.
int32_t StackPairing(const TIHTMLParser& parser, std::vector<int32_t>& partner, std::vector<int32_t>& stack) {
  partner.assign(static_cast<size_t>(parser.TagCount), -1);
  stack.clear();
  int32_t pairs = 0;
  for (int32_t i = 0; i < parser.TagCount; ++i) {
    const std::u16string& name = parser.Tags[static_cast<size_t>(i)].Name;
    if (name.empty() || name[0] != u'/') {
      stack.push_back(i);
      continue;
    }
    const std::u16string_view opening = std::u16string_view(name).substr(1);
    for (size_t k = stack.size(); k-- > 0;) {
      if (parser.Tags[static_cast<size_t>(stack[k])].Name == opening) {
        partner[static_cast<size_t>(stack[k])] = i;
        partner[static_cast<size_t>(i)] = stack[k];
        stack.resize(k);
        ++pairs;
        break;
      }
    }
  }
  return pairs;
}

void BM_EngineSearchFivePages(benchmark::State& state) {
  for (auto _ : state) SearchFivePages();
  state.SetBytesProcessed(state.iterations() * kPages * static_cast<int64_t>(TheFixture().pages[0].size()));
}
BENCHMARK(BM_EngineSearchFivePages)->Unit(benchmark::kMillisecond);

void BM_CurlFivePages(benchmark::State& state) {
  CURL* curl = curl_easy_init();
  for (auto _ : state) CurlFivePages(curl);
  curl_easy_cleanup(curl);
  state.SetBytesProcessed(state.iterations() * kPages * static_cast<int64_t>(TheFixture().pages[0].size()));
}
BENCHMARK(BM_CurlFivePages)->Unit(benchmark::kMillisecond);

void BM_ProcessPage(benchmark::State& state) {
  for (auto _ : state) ProcessOnePage();
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(TheFixture().pages[0].size()));
}
BENCHMARK(BM_ProcessPage)->Unit(benchmark::kMillisecond);

void BM_CorrectTemplate20000Tags(benchmark::State& state) {
  RecoveryEngine& engine = TheRecoveryEngine();
  for (auto _ : state) benchmark::DoNotOptimize(engine.Recover());
  state.counters["tags"] = engine.Parser().TagCount;
}
BENCHMARK(BM_CorrectTemplate20000Tags)->Unit(benchmark::kMillisecond);

void BM_StackPairing20000Tags(benchmark::State& state) {
  const TIHTMLParser& parser = TheRecoveryEngine().Parser();
  std::vector<int32_t> partner, stack;
  for (auto _ : state) benchmark::DoNotOptimize(StackPairing(parser, partner, stack));
}
BENCHMARK(BM_StackPairing20000Tags)->Unit(benchmark::kMillisecond);

void BM_RecoveryLinksWithoutClosingTags(benchmark::State& state) {
  const auto engine = LoadHostile(HostilePage(true, static_cast<int>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(engine->Recover());
  state.SetBytesProcessed(state.iterations() * (state.range(0) << 20));
}
BENCHMARK(BM_RecoveryLinksWithoutClosingTags)->Arg(1)->Arg(4)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_CutItemsWithoutEndTags(benchmark::State& state) {
  const auto engine = LoadHostile(HostilePage(false, static_cast<int>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(engine->Cut());
  state.SetBytesProcessed(state.iterations() * (state.range(0) << 20));
}
BENCHMARK(BM_CutItemsWithoutEndTags)->Arg(1)->Arg(4)->Arg(10)->Unit(benchmark::kMillisecond);

// The best of `rounds` runs, in milliseconds.
double BestMs(int rounds, const std::function<void()>& run) {
  double best = 1e300;
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

void PrintSummary() {
  CURL* curl = curl_easy_init();
  const double search = BestMs(10, SearchFivePages);
  const double bare = BestMs(10, [curl] { CurlFivePages(curl); });
  curl_easy_cleanup(curl);
  const double page = BestMs(20, ProcessOnePage);
  RecoveryEngine& recovery = TheRecoveryEngine();
  int32_t items = 0;
  const double correct = BestMs(10, [&] { items = recovery.Recover(); });
  std::vector<int32_t> partner, stack;
  const double pairing = BestMs(10, [&] { StackPairing(recovery.Parser(), partner, stack); });
  const double tree = BestMs(10, [&] { recovery.PairOnly(); });
  std::printf("five-page search of %zu KB pages: engine %.2f ms, bare libcurl %.2f ms, ratio %.2f\n",
              TheFixture().pages[0].size() / 1024, search, bare, search / bare);
  std::printf("per page: download + read + cut + store %.2f ms; read + cut + store alone %.2f ms (target 8 ms)\n",
              search / kPages, page);
  std::printf(
      "recovery on %d tags: CorrectTemplate %.2f ms (%d items, target 50 ms); its pairing with depths %.3f ms "
      "beside a stack pairing %.3f ms, ratio %.2f\n",
      recovery.Parser().TagCount, correct, items, tree, pairing, tree / pairing);
  for (const bool recover : {true, false}) {
    std::printf("%s:", recover ? "recovery, links without closing tags" : "cutting, items without end tags");
    double perMbAt1 = 0;
    for (const int megabytes : kHostileSizes) {
      const auto engine = LoadHostile(HostilePage(recover, megabytes));
      const double ms = BestMs(3, [&] { recover ? engine->Recover() : engine->Cut(); });
      const double perMb = ms / megabytes;
      if (megabytes == 1) perMbAt1 = perMb;
      std::printf(" %d MB %.1f ms (%.1f ms/MB, %.2f x the 1 MB figure)%s", megabytes, ms, perMb, perMb / perMbAt1,
                  megabytes == kHostileSizes[std::size(kHostileSizes) - 1] ? "" : ";");
    }
    std::printf(" (target: within 1.5 x)\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  PrintSummary();
  benchmark::Shutdown();
  return 0;
}
