// The mailed map's picture: "map.jpg" of a whole 1920 x 1080 word map (61
// words, drawn by the map view) written through QImage's JPEG writer, beside
// libjpeg called directly on the same pixels (jpeg_write_scanlines, the
// 32-bit rows handed over as they are) at the same quality, in one run.
// Targets: at most 1.5 times libjpeg's time and at most 40 ms.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "map/view/draw_and_event_map.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/map/synthetic_map.h"

using namespace kestrune;

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr size_t kKeys = 61;
constexpr int kQuality = 90;

// The map's picture as the window holds it: its back buffer after a draw.
QImage MapPicture() {
  TContentMap2 map;
  TDrawAndEventMap view;
  view.resize(kWidth, kHeight);
  view.show();
  view.SetSkinPath(u"");
  view.SetContentMap(&map);
  map.OnMeasureKeyHook = view.MeasureKeyHook();
  test::BuildSyntheticMap(map, kWidth, kHeight, kKeys, 61);
  view.LoadKeysAndDraw();
  return view.BackBuffer().copy();
}

std::string Folder() {
  static const std::string folder = platform::Utf16ToUtf8(platform::CreateTempFolder("kestrune-map-bench-"));
  return folder;
}

bool SaveWithQImage(const QImage& picture, const std::string& path) {
  return picture.save(QString::fromStdString(path), "JPG", kQuality);
}

// libjpeg on the picture's own rows: 32-bit pixels in memory order B, G, R, X
// (libjpeg-turbo's extended colour space), baseline, 4:2:0, as its defaults.
bool SaveWithLibjpeg(const QImage& picture, const std::string& path) {
  const QImage rows = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32 ||
                              picture.format() == QImage::Format_ARGB32_Premultiplied
                          ? picture
                          : picture.convertToFormat(QImage::Format_RGB32);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(rows.width());
  info.image_height = static_cast<JDIMENSION>(rows.height());
  info.input_components = 4;
  info.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, kQuality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rows.constScanLine(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(file) == 0;
}

void BM_MapJpgThroughQImage(benchmark::State& state) {
  const QImage picture = MapPicture();
  for (auto _ : state) benchmark::DoNotOptimize(SaveWithQImage(picture, Folder() + "map.jpg"));
}
BENCHMARK(BM_MapJpgThroughQImage)->Unit(benchmark::kMillisecond);

void BM_MapJpgThroughLibjpeg(benchmark::State& state) {
  const QImage picture = MapPicture();
  for (auto _ : state) benchmark::DoNotOptimize(SaveWithLibjpeg(picture, Folder() + "reference.jpg"));
}
BENCHMARK(BM_MapJpgThroughLibjpeg)->Unit(benchmark::kMillisecond);

// The fastest of 15 runs of each, taken in turns.
void Compare() {
  const QImage picture = MapPicture();
  double ours = 1e9, reference = 1e9;
  auto time = [](const std::function<bool()>& write) {
    const auto start = std::chrono::steady_clock::now();
    if (!write()) std::fprintf(stderr, "a picture could not be written\n");
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  };
  for (int i = 0; i < 15; ++i) {
    ours = std::min(ours, time([&] { return SaveWithQImage(picture, Folder() + "map.jpg"); }));
    reference = std::min(reference, time([&] { return SaveWithLibjpeg(picture, Folder() + "reference.jpg"); }));
  }
  const double ratio = ours / reference;
  std::printf("map.jpg of a %dx%d map at quality %d: QImage %.2f ms (target 40 ms: %s, %ju bytes); "
              "libjpeg %.2f ms (%ju bytes); ratio %.2f (target 1.5: %s)\n",
              kWidth, kHeight, kQuality, ours, ours <= 40.0 ? "met" : "missed",
              static_cast<uintmax_t>(std::filesystem::file_size(Folder() + "map.jpg")), reference,
              static_cast<uintmax_t>(std::filesystem::file_size(Folder() + "reference.jpg")), ratio,
              ratio <= 1.5 ? "met" : "missed");
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Compare();
  std::filesystem::remove_all(Folder());
  return 0;
}
