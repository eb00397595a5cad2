// The map view's drawing: a whole frame of a full map (61 words) at
// 1920 x 1080, composed off screen as every frame is, and the frames of one
// new-map animation (400 ms of the system clock), in milliseconds per frame.
// Targets: a frame in at most 8 ms, at least 50 frames in one animation.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>

#include "map/view/draw_and_event_map.h"
#include "tests/map/synthetic_map.h"

using namespace kestrune;

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr size_t kKeys = 61;

struct TFixture {
  TContentMap2 map;
  TDrawAndEventMap view;

  TFixture() {
    view.resize(kWidth, kHeight);
    view.show();
    view.SetSkinPath(u"");
    view.SetContentMap(&map);
    map.OnMeasureKeyHook = view.MeasureKeyHook();
    test::BuildSyntheticMap(map, kWidth, kHeight, kKeys, 61);
    view.LoadKeysAndDraw();
  }
};

void BM_FullFrame1920x1080(benchmark::State& state) {
  TFixture fixture;
  // One word hovered, so the frame has its second pass and anchor icon.
  TKeys keys = fixture.view.KeyArray();
  keys[5].Flags |= KF_HOVERED;
  for (auto _ : state) {
    fixture.view.DrawMap(keys);
    benchmark::DoNotOptimize(fixture.view.BackBuffer().constBits());
  }
  state.counters["keys"] = static_cast<double>(keys.size());
}
BENCHMARK(BM_FullFrame1920x1080)->Unit(benchmark::kMillisecond);

void BM_Animation400ms(benchmark::State& state) {
  TFixture fixture;
  // From one layout of the words to another: every word moves, a few vanish
  // and a few appear.
  TKeys before = fixture.map.Keys();
  for (size_t i = 0; i < 5; ++i) before[before.size() - 1 - i].Id += 1000;
  int64_t frames = 0;
  fixture.view.OnEntryX = [&](QPainter&) { ++frames; };
  int64_t animations = 0;
  for (auto _ : state) {
    fixture.map.SetPreviousKeys(before);
    test::BuildSyntheticMap(fixture.map, kWidth, kHeight, kKeys, static_cast<uint32_t>(62 + animations));
    fixture.view.AnimateNewMap();
    ++animations;
  }
  // Every animation draws its frames and then one frame of the new map.
  const double animationFrames = static_cast<double>(frames - animations) / static_cast<double>(animations);
  state.counters["frames"] = animationFrames;
  state.counters["ms_per_frame"] = 400.0 / animationFrames;
}
BENCHMARK(BM_Animation400ms)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
