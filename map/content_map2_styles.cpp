// Key styles: the built-in style table, StyleKey, and the reader of the colour
// file "color.ini".
//
// The colour file is 8-bit text (UTF-8). Tags and keys are recognised when a
// line contains their text anywhere, case-sensitively, tested in a fixed
// order; leading and trailing text on a line does not matter. So a line
// "MinSize=12" in a block without a size range sets its Size (the "Size="
// test comes first), and a line holding "plus_Mouseover_key>" without the
// "<" opens that block. A fault (a value that is not a number, a block or main
// block whose closing tag never comes, a main block without a "font=" line)
// ends the reading; what was read before it stays.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "map/content_map2.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

// ---- the style table ----

std::string_view StyleBlockName(int32_t block) {
  static constexpr std::string_view kNames[kStyleBlockCount] = {
      "plus_key",      "plus_incontext_key", "plus_innotcontext_key", "plus_Mouseover_key",
      "mouseover_key", "Context_key",        "key",                   "Not_active_key"};
  if (block < 0 || block >= kStyleBlockCount) return {};
  return kNames[block];
}

TStyleTable DefaultStyleTable() {
  constexpr int32_t kRed = 217;          // 217, 0, 0
  constexpr int32_t kBlue = 10698057;    // 73, 61, 163
  constexpr int32_t kSlate = 7168344;    // 88, 97, 109
  constexpr int32_t kGrey = 7631988;     // 116, 116, 116
  const auto block = [](int32_t size, int32_t minSize, int32_t maxSize, int32_t color, int32_t bold,
                        int32_t transparency, bool shadow, int32_t shadowOffSet) {
    TStyleBlock b;
    b.Size = size;
    b.MinSize = minSize;
    b.MaxSize = maxSize;
    b.Color = color;
    b.Bold = bold;
    b.Transparency = transparency;
    b.Shadow = shadow;
    b.ShadowOffSet = shadowOffSet;
    b.ShadowClr = kSlate;
    b.ShadowTrns = 70;
    return b;
  };
  TStyleTable table;
  TStyleSectionBlocks& query = table[ssQuery];
  query[sbPlusKey] = block(16, 0, 0, kRed, 1, 0, true, 2);
  query[sbPlusInContextKey] = block(16, 0, 0, kRed, 1, 0, true, 2);
  query[sbPlusInNotContextKey] = block(12, 0, 0, kRed, 0, 20, false, 0);
  query[sbPlusMouseoverKey] = block(16, 0, 0, kRed, 1, 0, true, 3);
  query[sbMouseoverKey] = block(16, 0, 0, kBlue, 1, 0, true, 3);
  query[sbContextKey] = block(14, 0, 0, kBlue, 0, 0, false, 0);
  query[sbKey] = block(0, 10, 14, kSlate, 0, 0, false, 0);
  query[sbNotActiveKey] = block(0, 10, 10, kSlate, 0, 70, false, 0);
  TStyleSectionBlocks& excluded = table[ssExcluded];
  excluded = query;
  for (TStyleBlock& b : excluded) {
    b.Color = kGrey;
    b.ShadowTrns = 90;
  }
  return table;
}

// ---- StyleKey ----

namespace {

// Opacity 0..255 from a transparency percentage: 255 - Trunc(percent x 255 / 100).
int32_t OpacityOf(int32_t transparency) {
  const double opacity = 255.0 - std::trunc(static_cast<double>(transparency) * 255.0 / 100.0);
  return static_cast<int32_t>(std::clamp(opacity, 0.0, 255.0));
}

// The largest Trunc can give before the size computation counts as failed.
constexpr double kTruncLimit = 9.2e18;

}  // namespace

float TCustomContentMap2::SizedFontSize(float low, float high, float range, float w,
                                        float wLast) const {
  const double reduced = static_cast<double>(low) - sizeReduction_;
  double size;
  if (low == high) {
    size = reduced;
  } else if (range == 0.0f) {
    size = high;
  } else {
    const float step = (w - wLast) * (high - low) / range;
    if (!std::isfinite(step) || std::fabs(step) >= kTruncLimit) {
      // A failed computation takes the largest size of the excluded view.
      return std::max(1.0f, static_cast<float>(styles_[ssExcluded][sbKey].MaxSize));
    }
    size = reduced + std::trunc(static_cast<double>(step));
    // The last key's weight is not always the lightest (hover maps): keep the
    // size within the block's range.
    size = std::clamp(size, std::min(reduced, static_cast<double>(high)),
                      std::max(reduced, static_cast<double>(high)));
  }
  return std::max(1.0f, static_cast<float>(size));
}

void TCustomContentMap2::StyleKey(TKey& key) {
  // 1. The weight range of the keys that are not query words.
  maxWeight_ = 0.0f;
  minWeight_ = 1.0f;
  for (const TKey& k : keys_) {
    if (k.Flags & KF_QUERY) continue;
    if (k.Weight > maxWeight_) maxWeight_ = k.Weight;
    if (k.Weight < minWeight_) minWeight_ = k.Weight;
  }
  const float range = maxWeight_ - minWeight_;

  // 2., 3. The block.
  const TStyleSectionBlocks& section = styles_[excludedMode_ ? ssExcluded : ssQuery];
  const uint32_t flags = key.Flags;
  int32_t kind;
  if (flags & KF_QUERY) {
    if (flags & KF_CONTEXT) {
      kind = sbPlusInContextKey;
    } else if (flags & kMouseOverFlags) {
      kind = sbPlusMouseoverKey;
    } else if (flags & KF_INACTIVE) {
      kind = sbPlusInNotContextKey;
    } else {
      kind = sbPlusKey;
    }
  } else if (flags & kMouseOverFlags) {
    kind = sbMouseoverKey;
  } else if (flags & KF_CONTEXT) {
    kind = sbContextKey;
  } else if (!(flags & KF_INACTIVE)) {
    kind = sbKey;
  } else {
    kind = sbNotActiveKey;
  }
  const TStyleBlock& block = section[static_cast<size_t>(kind)];

  // 4., 5. Colours, opacities, style switches, shadow.
  key.Color = block.Color;
  key.Alpha = OpacityOf(block.Transparency);
  key.ShadowClr = block.ShadowClr;
  key.ShadowAlpha = OpacityOf(block.ShadowTrns);
  key.Regular = block.Regular;
  key.Bold = block.Bold;
  key.Italic = block.Italic;
  key.Underline = block.Underline;
  key.Strikeout = block.Strikeout;
  key.ShadowOffSet = kind <= sbMouseoverKey ? block.ShadowOffSet : 0;

  // 6. The font size. The sized blocks scale from the last key's weight.
  const float wLast = keys_.empty() ? key.Weight : keys_.back().Weight;
  if (!IsSizedBlock(kind)) {
    key.FontSize = static_cast<float>(block.Size);
  } else {
    key.FontSize = SizedFontSize(static_cast<float>(block.MinSize),
                                 static_cast<float>(block.MaxSize), range, key.Weight, wLast);
  }

  // 7. A map without a query: the mouse-over colour for the words around the
  // hovered one, the inactive colour for the rest, and sizes from the query
  // view's key block, the upper half for query words and the lower for others.
  if (noQueryMode_) {
    const TStyleSectionBlocks& query = styles_[ssQuery];
    key.Color = query[sbMouseoverKey].Color;
    if (!(flags & (kMouseOverFlags | KF_CONTEXT))) key.Color = query[sbNotActiveKey].Color;

    float queryMax = 0.0f;
    float queryMin = 1.0f;
    for (const TKey& k : keys_) {
      if (!(k.Flags & KF_QUERY)) continue;
      if (k.Weight > queryMax) queryMax = k.Weight;
      if (k.Weight < queryMin) queryMin = k.Weight;
    }
    const double minSize = query[sbKey].MinSize;
    const double maxSize = query[sbKey].MaxSize;
    float low;
    float high;
    float ownRange;
    if (flags & KF_QUERY) {
      low = static_cast<float>(minSize + (maxSize - minSize) / 2.0);
      high = static_cast<float>(maxSize);
      ownRange = queryMax - queryMin;
    } else {
      low = static_cast<float>(minSize);
      high = static_cast<float>(maxSize - (maxSize - minSize) / 2.0);
      ownRange = range;
    }
    key.FontSize = SizedFontSize(low, high, ownRange, key.Weight, wLast);
  }

  // 8. A dimmed map draws every key in the inactive colour.
  if (dimmed_) key.Color = styles_[ssQuery][sbNotActiveKey].Color;
}

// ---- the colour file ----

namespace {

bool Contains(std::string_view line, std::string_view text) {
  return line.find(text) != std::string_view::npos;
}

// Trims characters up to the space from both ends.
std::string_view Trim(std::string_view s) {
  size_t begin = 0;
  size_t end = s.size();
  while (begin < end && static_cast<unsigned char>(s[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(s[end - 1]) <= ' ') --end;
  return s.substr(begin, end - begin);
}

// The text after the first "=" of the line, trimmed.
std::string_view ValueOf(std::string_view line) {
  const size_t eq = line.find('=');
  return eq == std::string_view::npos ? std::string_view{} : Trim(line.substr(eq + 1));
}

// A signed decimal integer, or with a leading "$" a hexadecimal one of up to
// 32 bits (taken as the Integer with those bits).
bool ParseInteger(std::string_view text, int32_t& value) {
  size_t at = 0;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  const bool hex = at < text.size() && text[at] == '$';
  if (hex) ++at;
  if (at >= text.size()) return false;
  uint64_t magnitude = 0;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (magnitude > 0xFFFFFFFFull) return false;
  }
  if (hex) {
    const uint32_t bits = static_cast<uint32_t>(magnitude);
    value = static_cast<int32_t>(negative ? 0u - bits : bits);
    return true;
  }
  if (negative ? magnitude > 2147483648ull : magnitude > 2147483647ull) return false;
  value = static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude)
                                        : static_cast<int64_t>(magnitude));
  return true;
}

// Lines end at CR LF, LF or CR; a last line without an ending counts.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    if (c == '\r' || c == '\n') {
      lines.push_back(text.substr(start, at - start));
      if (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
      start = ++at;
    } else {
      ++at;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// Block openings in the order they are tested, and their closing tags.
constexpr std::string_view kBlockOpenings[kStyleBlockCount] = {
    "<plus_key>",     "<plus_incontext_key>", "<plus_innotcontext_key>", "plus_Mouseover_key>",
    "<mouseover_key>", "<Context_key>",       "<key>",                   "<Not_active_key>"};
constexpr std::string_view kBlockClosings[kStyleBlockCount] = {
    "</plus_key>",     "</plus_incontext_key>", "</plus_innotcontext_key>", "</plus_Mouseover_key>",
    "</mouseover_key>", "</Context_key>",       "</key>",                   "</Not_active_key>"};

enum TStyleField {
  sfSize, sfColor, sfRegular, sfBold, sfItalic, sfUnderline, sfStrikeout, sfTransparency,
  sfShadow, sfShadowOffSet, sfShadowClr, sfShadowTrns, sfMinSize, sfMaxSize, sfCount
};
// Block keys in the order they are tested; the first match counts.
constexpr std::string_view kFieldKeys[sfCount] = {
    "Size=",         "Color=",   "Regular=",      "Bold=",       "Italic=",
    "Underline=",    "Strikeout=", "Transparency=", "Shadow=",   "ShadowOffSet=",
    "ShadowClr=",    "ShadowTrns=", "MinSize=",    "MaxSize="};

}  // namespace

bool TCustomContentMap2::ParseStyleBlock(std::span<const std::string_view> lines, int32_t section,
                                         int32_t block) {
  if (section < 0 || section >= kStyleSectionCount || block < 0 || block >= kStyleBlockCount) {
    return true;
  }
  TStyleBlock& b = styles_[static_cast<size_t>(section)][static_cast<size_t>(block)];
  const bool sized = IsSizedBlock(block);
  for (std::string_view line : lines) {
    int32_t field = sfCount;
    for (int32_t f = sized ? sfColor : sfSize; f < sfCount; ++f) {
      if (Contains(line, kFieldKeys[f])) {
        field = f;
        break;
      }
    }
    if (field == sfCount) continue;
    int32_t value;
    if (!ParseInteger(ValueOf(line), value)) return false;
    switch (field) {
      case sfSize: b.Size = value; break;
      case sfColor: b.Color = value; break;
      case sfRegular: b.Regular = value; break;
      case sfBold: b.Bold = value; break;
      case sfItalic: b.Italic = value; break;
      case sfUnderline: b.Underline = value; break;
      case sfStrikeout: b.Strikeout = value; break;
      case sfTransparency: b.Transparency = value; break;
      case sfShadow: b.Shadow = value != 0; break;
      case sfShadowOffSet: b.ShadowOffSet = value; break;
      case sfShadowClr: b.ShadowClr = value; break;
      case sfShadowTrns: b.ShadowTrns = value; break;
      case sfMinSize: b.MinSize = value; break;
      case sfMaxSize: b.MaxSize = value; break;
      default: break;
    }
  }
  return true;
}

int32_t TCustomContentMap2::LoadStyleText(std::string_view text) {
  const std::vector<std::string_view> lines = SplitLines(text);
  const size_t count = lines.size();
  // The first line at or after `from` that contains `tag`, or count.
  const auto find = [&](size_t from, std::string_view tag) {
    while (from < count && !Contains(lines[from], tag)) ++from;
    return from;
  };
  int32_t section = -1;
  size_t at = 0;
  while (at < count) {
    const std::string_view line = lines[at];
    if (Contains(line, "<main>")) {
      const size_t fontLine = find(at, "font=");
      if (fontLine == count) return kStyleFileBroken;
      keyFont_ = platform::Utf8ToUtf16(ValueOf(lines[fontLine]));
      const size_t end = find(fontLine + 1, "</main>");
      if (end == count) return kStyleFileBroken;
      at = end + 1;
      continue;
    }
    if (Contains(line, "<query>")) section = ssQuery;
    if (Contains(line, "</query>")) section = -1;
    if (Contains(line, "<excluded>")) section = ssExcluded;
    if (Contains(line, "</excluded>")) section = -1;
    bool inBlock = false;
    if (section >= 0) {
      for (int32_t block = 0; block < kStyleBlockCount; ++block) {
        if (!Contains(line, kBlockOpenings[block])) continue;
        const size_t closing = find(at, kBlockClosings[block]);
        if (closing == count) return kStyleFileBroken;
        const size_t first = at + 1;
        const size_t length = closing > first ? closing - first : 0;
        if (!ParseStyleBlock(std::span(lines).subspan(std::min(first, count), length), section,
                             block)) {
          return kStyleFileBroken;
        }
        at = closing + 1;
        inBlock = true;
        break;
      }
    }
    if (!inBlock) ++at;
  }
  return kStyleFileOk;
}

int32_t TCustomContentMap2::LoadStyleFile(std::u16string_view path) {
  platform::NativeFile file;
  if (!file.Open(path, platform::NativeFile::Access::kRead, false, false)) return kStyleFileMissing;
  std::string text;
  char buffer[16384];
  for (;;) {
    const int64_t got = file.Read(buffer, sizeof buffer);
    if (got < 0) return kStyleFileMissing;
    if (got == 0) break;
    text.append(buffer, static_cast<size_t>(got));
  }
  return LoadStyleText(text);
}

}  // namespace kestrune
