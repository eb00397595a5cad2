// Tagged-stream write and read throughput, and our CRC-32 beside zlib's crc32
// over the same bytes in the same run (the ratio is printed as a counter).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <random>

#include "core/frame.h"
#include "core/tag_stream.h"

using namespace kestrune;

namespace {

constexpr int kRecords = 100000;

void WriteRecords(TTagStream& t) {
  for (int32_t i = 0; i < kRecords; ++i) {
    t.BeginTag(16);
    t.WriteInteger(i);
    t.WriteSmallInt(static_cast<int16_t>(i));
    t.WriteByte(static_cast<uint8_t>(i));
    t.WriteWideString(u"wordform");
    t.EndTag();
  }
}

void BM_TagStreamWrite(benchmark::State& state) {
  int64_t bytes = 0;
  for (auto _ : state) {
    TMemoryStream stream;
    stream.Bytes().reserve(4 << 20);
    TTagStream t(&stream);
    WriteRecords(t);
    bytes += stream.Size();
    benchmark::DoNotOptimize(stream.Bytes().data());
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_TagStreamWrite);

void BM_TagStreamRead(benchmark::State& state) {
  TMemoryStream source;
  {
    TTagStream t(&source);
    WriteRecords(t);
  }
  int64_t bytes = 0;
  for (auto _ : state) {
    source.SetPosition(0);
    TTagStream r(&source);
    int64_t sum = 0;
    while (!r.EndOfStream()) {
      if (r.ReadTag() <= 0) break;
      int32_t i;
      int16_t s;
      uint8_t b;
      std::u16string w;
      r.ReadInteger(i);
      r.ReadSmallInt(s);
      r.ReadByte(b);
      r.ReadWideString(w);
      sum += i + s + b + static_cast<int64_t>(w.size());
      r.LeaveTag();
    }
    benchmark::DoNotOptimize(sum);
    bytes += source.Size();
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_TagStreamRead);

std::vector<uint8_t> RandomBytes() {
  std::vector<uint8_t> data(8 << 20);
  std::mt19937 rng(1);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  return data;
}

double g_oursNs = 0, g_zlibNs = 0;  // filled by PrintCRCRatio

void BM_StreamCRC32(benchmark::State& state) {
  TMemoryStream stream(RandomBytes());
  for (auto _ : state) {
    stream.SetPosition(0);
    benchmark::DoNotOptimize(StreamCRC32(stream, 16, -1));
  }
  state.SetBytesProcessed(state.iterations() * (stream.Size() - 16));
}
BENCHMARK(BM_StreamCRC32);

void BM_ZlibCRC32(benchmark::State& state) {
  std::vector<uint8_t> data = RandomBytes();
  for (auto _ : state) {
    benchmark::DoNotOptimize(crc32(0, data.data() + 16, static_cast<uInt>(data.size() - 16)));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.size() - 16));
}
BENCHMARK(BM_ZlibCRC32);

// Times both CRCs directly so the ratio can be printed after the run.
void PrintCRCRatio() {
  std::vector<uint8_t> data = RandomBytes();
  TMemoryStream stream(data);
  auto time = [](auto&& fn) {
    auto best = std::chrono::nanoseconds::max();
    for (int i = 0; i < 20; ++i) {
      auto t0 = std::chrono::steady_clock::now();
      fn();
      best = std::min(best, std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - t0));
    }
    return static_cast<double>(best.count());
  };
  uint32_t a = 0, b = 0;
  g_oursNs = time([&] {
    stream.SetPosition(0);
    a = StreamCRC32(stream, 16, -1);
  });
  g_zlibNs = time([&] { b = static_cast<uint32_t>(crc32(0, data.data() + 16, static_cast<uInt>(data.size() - 16))); });
  std::printf("CRC-32 over %zu bytes: StreamCRC32 %.2f ms, zlib crc32 %.2f ms, ratio ours/zlib %.2f (%s)\n",
              data.size() - 16, g_oursNs / 1e6, g_zlibNs / 1e6, g_oursNs / g_zlibNs, a == b ? "same value" : "DIFFERENT");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  PrintCRCRatio();
  benchmark::Shutdown();
  return 0;
}
