// A small GIF89a writer and the drawing surface the page images are made on.
//
// TGifCanvas is an RGBA surface with a few antialiased shapes (each pixel is
// sampled 4 x 4 times). EncodeGif turns it into one GIF89a image: the colours
// in use make the global colour table (their precision is lowered until at
// most 255 remain), pixels less than half covered become the transparent
// colour when the canvas asks for one, and the rest are blended over white,
// the page's background. The image data is LZW-coded with variable code
// sizes and a clear code when the table fills.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrune::tools {

struct TRgb {
  uint8_t R = 0;
  uint8_t G = 0;
  uint8_t B = 0;
};

struct TPoint2 {
  double X = 0.0;
  double Y = 0.0;
};

class TGifCanvas {
 public:
  TGifCanvas(int width, int height, bool transparent);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Transparent() const { return transparent_; }

  // Paints every pixel by the share of its samples for which `inside` holds
  // (co-ordinates in pixels, the pixel (0, 0) spanning 0..1).
  void Paint(const std::function<bool(double x, double y)>& inside, TRgb color);

  void FillRect(double left, double top, double right, double bottom, TRgb color);
  void FillPolygon(const std::vector<TPoint2>& points, TRgb color);  // even-odd rule
  void FillDisc(double cx, double cy, double radius, TRgb color);
  void Ring(double cx, double cy, double inner, double outer, TRgb color);
  // A ring sector from angle `from` to `to` (degrees, counter-clockwise from
  // the positive x axis, y pointing up).
  void Arc(double cx, double cy, double inner, double outer, double from, double to, TRgb color);
  void Line(TPoint2 a, TPoint2 b, double width, TRgb color);

  // The final pixel: false for a transparent one.
  bool PixelAt(int x, int y, TRgb& color) const;

 private:
  int width_;
  int height_;
  bool transparent_;
  std::vector<double> r_, g_, b_, a_;  // premultiplied
};

// The GIF89a file of the canvas.
std::string EncodeGif(const TGifCanvas& canvas);

// The LZW-coded image data (minimum code size byte excluded, no sub-blocks)
// of indexes below 2^minCodeSize.
std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& indexes, int minCodeSize);

}  // namespace kestrune::tools
