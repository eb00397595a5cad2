#include "tools/page_images/gif_writer.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <stdexcept>

namespace kestrune::tools {

namespace {

constexpr int kSamples = 4;

double SegmentDistance(TPoint2 p, TPoint2 a, TPoint2 b) {
  const double dx = b.X - a.X;
  const double dy = b.Y - a.Y;
  const double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / length2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = a.X + t * dx - p.X;
  const double ey = a.Y + t * dy - p.Y;
  return std::sqrt(ex * ex + ey * ey);
}

// Bits written least significant first, as GIF's LZW stream packs them.
class TBitWriter {
 public:
  void Write(uint32_t code, int bits) {
    buffer_ |= code << count_;
    count_ += bits;
    while (count_ >= 8) {
      out_.push_back(static_cast<uint8_t>(buffer_ & 0xFF));
      buffer_ >>= 8;
      count_ -= 8;
    }
  }
  std::vector<uint8_t> Finish() {
    if (count_ > 0) out_.push_back(static_cast<uint8_t>(buffer_ & 0xFF));
    buffer_ = 0;
    count_ = 0;
    return std::move(out_);
  }

 private:
  std::vector<uint8_t> out_;
  uint32_t buffer_ = 0;
  int count_ = 0;
};

void PutWord(std::string& out, int value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

}  // namespace

TGifCanvas::TGifCanvas(int width, int height, bool transparent)
    : width_(width), height_(height), transparent_(transparent) {
  if (width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF) throw std::invalid_argument("canvas size");
  const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
  r_.assign(n, 0.0);
  g_.assign(n, 0.0);
  b_.assign(n, 0.0);
  a_.assign(n, 0.0);
}

void TGifCanvas::Paint(const std::function<bool(double x, double y)>& inside, TRgb color) {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      int hits = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          if (inside(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples)) ++hits;
        }
      }
      if (hits == 0) continue;
      const double cover = static_cast<double>(hits) / (kSamples * kSamples);
      const size_t i = static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
      r_[i] = color.R / 255.0 * cover + r_[i] * (1 - cover);
      g_[i] = color.G / 255.0 * cover + g_[i] * (1 - cover);
      b_[i] = color.B / 255.0 * cover + b_[i] * (1 - cover);
      a_[i] = cover + a_[i] * (1 - cover);
    }
  }
}

void TGifCanvas::FillRect(double left, double top, double right, double bottom, TRgb color) {
  Paint([=](double x, double y) { return x >= left && x < right && y >= top && y < bottom; }, color);
}

void TGifCanvas::FillPolygon(const std::vector<TPoint2>& points, TRgb color) {
  Paint(
      [&points](double x, double y) {
        bool in = false;
        for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
          const TPoint2 a = points[i];
          const TPoint2 b = points[j];
          if ((a.Y > y) != (b.Y > y) && x < (b.X - a.X) * (y - a.Y) / (b.Y - a.Y) + a.X) in = !in;
        }
        return in;
      },
      color);
}

void TGifCanvas::FillDisc(double cx, double cy, double radius, TRgb color) {
  Paint([=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius; }, color);
}

void TGifCanvas::Ring(double cx, double cy, double inner, double outer, TRgb color) {
  Paint(
      [=](double x, double y) {
        const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        return d2 <= outer * outer && d2 >= inner * inner;
      },
      color);
}

void TGifCanvas::Arc(double cx, double cy, double inner, double outer, double from, double to, TRgb color) {
  Paint(
      [=](double x, double y) {
        const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        if (d2 > outer * outer || d2 < inner * inner) return false;
        double angle = std::atan2(cy - y, x - cx) * 180.0 / std::numbers::pi;
        while (angle < from) angle += 360.0;
        return angle <= to;
      },
      color);
}

void TGifCanvas::Line(TPoint2 a, TPoint2 b, double width, TRgb color) {
  Paint([=](double x, double y) { return SegmentDistance(TPoint2{x, y}, a, b) <= width / 2; }, color);
}

bool TGifCanvas::PixelAt(int x, int y, TRgb& color) const {
  const size_t i = static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
  if (transparent_ && a_[i] < 0.5) return false;
  // Blended over the page's white.
  auto channel = [&](double premultiplied) {
    return static_cast<uint8_t>(std::lround(std::clamp(premultiplied + (1 - a_[i]), 0.0, 1.0) * 255.0));
  };
  color = TRgb{channel(r_[i]), channel(g_[i]), channel(b_[i])};
  return true;
}

std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& indexes, int minCodeSize) {
  const uint32_t clearCode = 1u << minCodeSize;
  const uint32_t endCode = clearCode + 1;
  constexpr uint32_t kMaxCode = 4095;
  // next[code * 256 + byte]: the code of the string `code` + byte, 0 when none.
  std::vector<uint16_t> next(static_cast<size_t>(kMaxCode + 1) * 256, 0);
  TBitWriter bits;
  int codeSize = minCodeSize + 1;
  uint32_t lastCode = endCode;
  bits.Write(clearCode, codeSize);
  int64_t current = -1;
  for (uint8_t value : indexes) {
    if (value >= clearCode) throw std::invalid_argument("index outside the colour table");
    if (current < 0) {
      current = value;
      continue;
    }
    const size_t slot = static_cast<size_t>(current) * 256 + value;
    if (next[slot] != 0) {
      current = next[slot];
      continue;
    }
    bits.Write(static_cast<uint32_t>(current), codeSize);
    next[slot] = static_cast<uint16_t>(++lastCode);
    // The reader widens its codes once its table reaches the next power of two.
    if (lastCode >= (1u << codeSize) && codeSize < 12) ++codeSize;
    if (lastCode == kMaxCode) {
      bits.Write(clearCode, codeSize);
      std::fill(next.begin(), next.end(), 0);
      codeSize = minCodeSize + 1;
      lastCode = endCode;
    }
    current = value;
  }
  if (current >= 0) {
    bits.Write(static_cast<uint32_t>(current), codeSize);
    // The reader counts this code like every other one before the end code.
    if (++lastCode >= (1u << codeSize) && codeSize < 12) ++codeSize;
  }
  bits.Write(endCode, codeSize);
  return bits.Finish();
}

std::string EncodeGif(const TGifCanvas& canvas) {
  const int width = canvas.Width();
  const int height = canvas.Height();
  // Pixels, then the colours in use; their precision drops until the table
  // holds them (one slot stays free for the transparent colour).
  std::vector<TRgb> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  std::vector<bool> opaque(pixels.size());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const size_t i = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
      opaque[i] = canvas.PixelAt(x, y, pixels[i]);
    }
  }
  std::map<uint32_t, uint8_t> table;
  for (int dropped = 0;; ++dropped) {
    const uint8_t mask = static_cast<uint8_t>(0xFF << dropped);
    table.clear();
    for (size_t i = 0; i < pixels.size(); ++i) {
      if (!opaque[i]) continue;
      const TRgb c = pixels[i];
      table.emplace((uint32_t{static_cast<uint8_t>(c.R & mask)} << 16) | (uint32_t{static_cast<uint8_t>(c.G & mask)} << 8) |
                        static_cast<uint8_t>(c.B & mask),
                    0);
    }
    if (table.size() <= 255) {
      for (TRgb& c : pixels) c = TRgb{static_cast<uint8_t>(c.R & mask), static_cast<uint8_t>(c.G & mask), static_cast<uint8_t>(c.B & mask)};
      break;
    }
  }
  // Index 0 is the transparent colour when the canvas has one.
  const int first = canvas.Transparent() ? 1 : 0;
  std::vector<TRgb> palette(static_cast<size_t>(first), TRgb{255, 255, 255});
  for (auto& [rgb, index] : table) {
    index = static_cast<uint8_t>(palette.size());
    palette.push_back(TRgb{static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb)});
  }
  int depth = 1;  // the table holds 2^depth colours
  while ((1u << depth) < palette.size()) ++depth;
  palette.resize(size_t{1} << depth, TRgb{0, 0, 0});

  std::vector<uint8_t> indexes(pixels.size());
  for (size_t i = 0; i < pixels.size(); ++i) {
    const TRgb c = pixels[i];
    indexes[i] = opaque[i] ? table.at((uint32_t{c.R} << 16) | (uint32_t{c.G} << 8) | c.B) : 0;
  }

  std::string out = "GIF89a";
  PutWord(out, width);
  PutWord(out, height);
  out.push_back(static_cast<char>(0x80 | 0x70 | (depth - 1)));  // global table, 8-bit colour, its size
  out.push_back(0);                                             // background colour
  out.push_back(0);                                             // no aspect ratio
  for (const TRgb& c : palette) {
    out.push_back(static_cast<char>(c.R));
    out.push_back(static_cast<char>(c.G));
    out.push_back(static_cast<char>(c.B));
  }
  if (canvas.Transparent()) {
    // Graphic control extension: no disposal, no delay, colour 0 transparent.
    out += std::string("\x21\xF9\x04\x01\x00\x00\x00\x00", 8);
  }
  out.push_back(0x2C);
  PutWord(out, 0);
  PutWord(out, 0);
  PutWord(out, width);
  PutWord(out, height);
  out.push_back(0);  // no local table, not interlaced
  const int minCodeSize = std::max(2, depth);
  out.push_back(static_cast<char>(minCodeSize));
  const std::vector<uint8_t> data = LzwEncode(indexes, minCodeSize);
  for (size_t at = 0; at < data.size(); at += 255) {
    const size_t n = std::min<size_t>(255, data.size() - at);
    out.push_back(static_cast<char>(n));
    out.append(reinterpret_cast<const char*>(data.data() + at), n);
  }
  out.push_back(0);     // block terminator
  out.push_back(0x3B);  // trailer
  return out;
}

}  // namespace kestrune::tools
