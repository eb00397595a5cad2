// An 8 MB download from the loopback server with THttpRead::Get, beside a
// bare libcurl loop (one easy handle, curl_easy_perform into a vector) fetching
// the same page from the same server in the same run. The ratio of the rates
// (ours / bare) is printed after the run; the target is at least 0.8.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "search/http_read.h"
#include "tests/support/loopback_http_server.h"

using namespace kestrune;

namespace {

constexpr size_t kPageSize = 8 << 20;

test::LoopbackHttpServer* g_server = nullptr;  // lives in main

test::LoopbackHttpServer& Server() { return *g_server; }

size_t AppendToVector(char* data, size_t size, size_t count, void* target) {
  auto* bytes = static_cast<std::vector<char>*>(target);
  bytes->insert(bytes->end(), data, data + size * count);
  return size * count;
}

struct BareCurl {
  CURL* easy = curl_easy_init();
  std::vector<char> bytes;
  ~BareCurl() { curl_easy_cleanup(easy); }
  size_t Fetch(const std::string& url) {
    bytes.clear();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &AppendToVector);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &bytes);
    return curl_easy_perform(easy) == CURLE_OK ? bytes.size() : 0;
  }
};

void BM_HttpReadGet(benchmark::State& state) {
  const std::string url = Server().Url("/page");
  THttpRead reader;
  for (auto _ : state) {
    if (!reader.Get(url) || reader.Size != static_cast<int32_t>(kPageSize)) state.SkipWithError("download failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPageSize));
}
BENCHMARK(BM_HttpReadGet)->Unit(benchmark::kMillisecond);

void BM_BareCurl(benchmark::State& state) {
  const std::string url = Server().Url("/page");
  BareCurl curl;
  for (auto _ : state) {
    if (curl.Fetch(url) != kPageSize) state.SkipWithError("download failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPageSize));
}
BENCHMARK(BM_BareCurl)->Unit(benchmark::kMillisecond);

// Times both loops directly, alternating, and prints the rates of the best
// rounds and the median of the per-round ratios.
void PrintRatio() {
  const std::string url = Server().Url("/page");
  THttpRead reader;
  BareCurl curl;
  using Clock = std::chrono::steady_clock;
  constexpr int kRounds = 50;
  double ours = 1e30, bare = 1e30;
  std::vector<double> ratios;
  for (int round = 0; round < kRounds; ++round) {
    auto t0 = Clock::now();
    const bool ok = reader.Get(url);
    auto t1 = Clock::now();
    const size_t got = curl.Fetch(url);
    auto t2 = Clock::now();
    if (!ok || got != kPageSize) {
      std::printf("download failed\n");
      return;
    }
    const double oursRound = std::chrono::duration<double>(t1 - t0).count();
    const double bareRound = std::chrono::duration<double>(t2 - t1).count();
    ours = std::min(ours, oursRound);
    bare = std::min(bare, bareRound);
    ratios.push_back(bareRound / oursRound);
  }
  std::sort(ratios.begin(), ratios.end());
  const double mb = static_cast<double>(kPageSize) / (1 << 20);
  std::printf("8 MB loopback download, best of %d: THttpRead %.0f MB/s, bare libcurl %.0f MB/s, ratio ours/bare %.2f; "
              "median round ratio %.2f (target >= 0.80)\n",
              kRounds, mb / ours, mb / bare, bare / ours, ratios[ratios.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  test::LoopbackHttpServer server;
  std::string page(kPageSize, ' ');
  for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<char>('a' + i * 7 % 26);
  server.Route("/page", test::HttpReply::Html(std::move(page)));
  g_server = &server;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  PrintRatio();
  benchmark::Shutdown();
  return 0;
}
