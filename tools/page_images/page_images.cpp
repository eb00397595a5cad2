// Draws the images that the result page templates name and writes them as
// GIF files into the folder given on the command line:
//   kestrune_page_images <folder>
// Every image is drawn here from simple shapes; nothing is read.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "tools/page_images/gif_writer.h"

namespace kestrune::tools {
namespace {

constexpr TRgb kGrey{0x8C, 0x8C, 0x8C};
constexpr TRgb kDarkGrey{0x55, 0x55, 0x55};
constexpr TRgb kBlue{0x2F, 0x62, 0xC8};
constexpr TRgb kLightBlue{0x9C, 0xC2, 0xF0};
constexpr TRgb kRed{0xD2, 0x2B, 0x2B};
constexpr TRgb kGreen{0x2E, 0x9E, 0x3E};
constexpr TRgb kYellow{0xF6, 0xC3, 0x1C};
constexpr TRgb kOrange{0xF0, 0x7D, 0x1A};
constexpr TRgb kBrown{0xA8, 0x6E, 0x08};
constexpr TRgb kWhite{0xFF, 0xFF, 0xFF};

std::vector<TPoint2> Star(double cx, double cy, double outer, double inner, int points, double turn) {
  std::vector<TPoint2> star;
  for (int i = 0; i < 2 * points; ++i) {
    const double r = i % 2 == 0 ? outer : inner;
    const double a = turn + i * std::numbers::pi / points;
    star.push_back(TPoint2{cx + r * std::sin(a), cy - r * std::cos(a)});
  }
  return star;
}

// A small triangle pointing left (-1) or right (1) in a rounded frame.
TGifCanvas Arrow(int direction, TRgb color) {
  TGifCanvas c(16, 16, true);
  c.FillDisc(8, 8, 7.5, color);
  const double tip = direction < 0 ? 4.5 : 11.5;
  const double base = direction < 0 ? 10.5 : 5.5;
  c.FillPolygon({{tip, 8}, {base, 3.8}, {base, 12.2}}, kWhite);
  return c;
}

TGifCanvas Cross(int size, TRgb color, double width) {
  TGifCanvas c(size, size, true);
  const double m = 2.0;
  c.Line({m, m}, {size - m, size - m}, width, color);
  c.Line({size - m, m}, {m, size - m}, width, color);
  return c;
}

TGifCanvas Clock() {
  TGifCanvas c(16, 16, true);
  c.FillDisc(8, 8, 7, kGrey);
  c.FillDisc(8, 8, 5.6, kWhite);
  c.Line({8, 8}, {8, 4}, 1.3, kDarkGrey);
  c.Line({8, 8}, {11, 9.5}, 1.3, kDarkGrey);
  return c;
}

TGifCanvas NewBurst() {
  TGifCanvas c(16, 16, true);
  c.FillPolygon(Star(8, 8, 7.8, 5.2, 8, 0), kOrange);
  c.FillDisc(8, 8, 3.2, kYellow);
  return c;
}

TGifCanvas Favourite() {
  TGifCanvas c(16, 16, true);
  c.FillPolygon(Star(8, 8.6, 7.8, 3.4, 5, 0), kBrown);
  c.FillPolygon(Star(8, 8.6, 6.2, 2.6, 5, 0), kYellow);
  return c;
}

TGifCanvas DeletedFile() {
  TGifCanvas c(16, 16, true);
  c.FillPolygon({{2.5, 1}, {10, 1}, {13.5, 4.5}, {13.5, 15}, {2.5, 15}}, kGrey);
  c.FillPolygon({{3.5, 2}, {9.5, 2}, {12.5, 5}, {12.5, 14}, {3.5, 14}}, kWhite);
  c.FillPolygon({{9.5, 2}, {12.5, 5}, {9.5, 5}}, kGrey);
  c.Line({5, 7}, {11, 13}, 1.8, kRed);
  c.Line({11, 7}, {5, 13}, 1.8, kRed);
  return c;
}

TGifCanvas HiddenSite() {
  TGifCanvas c(16, 16, true);
  c.FillDisc(8, 8, 7, kBlue);
  c.FillDisc(8, 8, 5.8, kLightBlue);
  c.Line({8, 1.5}, {8, 14.5}, 1.0, kBlue);
  c.Line({1.5, 8}, {14.5, 8}, 1.0, kBlue);
  c.Arc(12.5, 8, 6.0, 7.0, 130, 230, kBlue);
  c.Arc(3.5, 8, 6.0, 7.0, -50, 50, kBlue);
  c.Line({2.5, 13.5}, {13.5, 2.5}, 2.0, kRed);
  return c;
}

TGifCanvas Add() {
  TGifCanvas c(16, 16, true);
  c.FillDisc(8, 8, 7, kGreen);
  c.FillRect(7, 3.5, 9, 12.5, kWhite);
  c.FillRect(3.5, 7, 12.5, 9, kWhite);
  return c;
}

// A circling arrow around a small star: the scope is taken again.
TGifCanvas Refresh() {
  TGifCanvas c(16, 16, true);
  c.Arc(8, 8, 5.2, 7.2, 60, 350, kBlue);
  c.FillPolygon({{15.8, 6.8}, {10.6, 6.8}, {13.6, 1.4}}, kBlue);
  c.FillPolygon(Star(8, 8.3, 3.9, 1.7, 5, 0), kOrange);
  return c;
}

// The advertising partner's logo: a lower-case "b" on an orange square.
TGifCanvas PartnerLogo() {
  TGifCanvas c(18, 18, false);
  c.FillRect(0, 0, 18, 18, kOrange);
  c.FillRect(4.5, 3, 6.8, 15, kWhite);
  c.Ring(9.6, 10.6, 2.3, 4.4, kWhite);
  return c;
}

struct TImage {
  const char* Name;
  std::function<TGifCanvas()> Draw;
};

}  // namespace
}  // namespace kestrune::tools

int main(int argc, char** argv) {
  using namespace kestrune::tools;
  if (argc != 2) {
    std::fprintf(stderr, "usage: kestrune_page_images <folder>\n");
    return 2;
  }
  std::string folder = argv[1];
  if (!folder.empty() && folder.back() != '/') folder += '/';
  const TImage images[] = {
      {"prev_small.gif", [] { return Arrow(-1, kGrey); }},
      {"prev_small_mo.gif", [] { return Arrow(-1, kBlue); }},
      {"next_small.gif", [] { return Arrow(1, kGrey); }},
      {"next_small_mo.gif", [] { return Arrow(1, kBlue); }},
      {"results_ico_old.gif", Clock},
      {"results_ico_new.gif", NewBurst},
      {"results_ico_fav.gif", Favourite},
      {"results_ico_delete_file.gif", DeletedFile},
      {"results_ico_exclude_url.gif", HiddenSite},
      {"00.gif", [] { return TGifCanvas(11, 11, true); }},
      {"x.gif", [] { return Cross(11, kRed, 2.0); }},
      {"add.gif", Add},
      {"scope_star_refresh.gif", Refresh},
      {"begun_logo.gif", PartnerLogo},
  };
  for (const TImage& image : images) {
    const std::string bytes = EncodeGif(image.Draw());
    const std::string path = folder + image.Name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "kestrune_page_images: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
