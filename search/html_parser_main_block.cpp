// TIHTMLParser: reduction of the visible text to the page's main block — the
// lines dense with words, found by a smoothed weight per line, scored by
// place and density.
#include <algorithm>

#include "search/html_parser.h"
#include "search/html_parser_tables.h"

namespace kestrune {

namespace {

struct TLine {
  int32_t Start = 0;   // 1-based visible position
  int32_t Length = 0;  // with its CR LF
  int32_t Weight = 0;  // characters that are not separators
  int32_t Smoothed = 0;
};

struct TBlock {
  int32_t FirstLine = 0;
  int32_t LineCount = 0;
  int32_t Characters = 0;
  int64_t Score = 0;
};

// A line's weight counts every character outside the separators, its CR and
// LF included.
bool Counts(char16_t c) {
  if (c >= 0xC0) return true;
  return html::ClassOf(c) != html::kSeparator;
}

int32_t Step(int32_t weight, int32_t running) { return weight + running > 201 ? 100 : (weight + running) / 2; }

}  // namespace

void TIHTMLParser::ReduceToMainBlock(int32_t /*otherChars*/) {
  const int32_t length = std::min(VisibleLength, static_cast<int32_t>(VisibleText.size()));
  // 1. Lines, cut after each LF.
  std::vector<TLine> lines;
  TLine line;
  line.Start = 1;
  for (int32_t i = 0; i < length; ++i) {
    const char16_t c = VisibleText[static_cast<size_t>(i)];
    ++line.Length;
    if (Counts(c)) ++line.Weight;
    if (c == '\n' || i + 1 == length) {
      lines.push_back(line);
      line = TLine{};
      line.Start = i + 2;
    }
  }
  if (lines.empty()) return;
  // 2. Smoothing forward, then backward.
  int32_t running = 0;
  for (TLine& l : lines) {
    running = Step(l.Weight, running);
    l.Smoothed = running;
  }
  running = 0;
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    running = Step(it->Weight, running);
    it->Smoothed = (it->Smoothed + running) / 2;
  }
  // 3. Blocks of lines of 10 or more.
  std::vector<TBlock> blocks;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].Smoothed < 10) continue;
    if (!blocks.empty() && i > 0 && lines[i - 1].Smoothed > 9) {
      ++blocks.back().LineCount;
      blocks.back().Characters += lines[i].Weight;
    } else {
      blocks.push_back({static_cast<int32_t>(i), 1, lines[i].Weight, 0});
    }
  }
  if (blocks.empty()) return;
  // 4. Scores: density, weighted by place (earlier blocks weigh more).
  const int64_t first = blocks.front().FirstLine;
  const int64_t last = blocks.back().FirstLine + blocks.back().LineCount - 1;
  for (size_t b = 0; b < blocks.size(); ++b) {
    TBlock& block = blocks[b];
    const int64_t place = (b == 0 || last == first) ? 100 : (last - block.FirstLine) * 100 / (last - first);
    block.Score = place * block.Characters / block.LineCount;
    if (block.Characters < 150) block.Score /= 10;
  }
  size_t best = 0;
  for (size_t b = 1; b < blocks.size(); ++b) {
    if (blocks[b].Score > blocks[best].Score) best = b;
  }
  int64_t second = -1;
  for (size_t b = 0; b < blocks.size(); ++b) {
    if (b != best) second = std::max(second, blocks[b].Score);
  }
  // 5. Several strong blocks of near equal score are all kept.
  std::vector<size_t> chosen;
  if (second > 0 && blocks[best].Score * 10 / second < 14) {
    for (size_t b = 0; b < blocks.size(); ++b) {
      if (blocks[b].Score > 250) chosen.push_back(b);
    }
  }
  if (chosen.empty()) chosen.push_back(best);
  // 6. The chosen blocks without their short edge lines, with their offsets.
  std::u16string text;
  TOffsets offsets;
  const int32_t offsetCount = std::min(OffsetCount, static_cast<int32_t>(Offsets.size()));
  for (const size_t b : chosen) {
    int32_t from = blocks[b].FirstLine;
    int32_t to = from + blocks[b].LineCount - 1;
    while (from <= to && lines[static_cast<size_t>(from)].Length <= 2) ++from;
    while (to >= from && lines[static_cast<size_t>(to)].Length <= 2) --to;
    if (from > to) continue;
    const int32_t start = lines[static_cast<size_t>(from)].Start;
    int32_t size = 0;
    for (int32_t l = from; l <= to; ++l) size += lines[static_cast<size_t>(l)].Length;
    const int32_t shift = static_cast<int32_t>(text.size()) + 1 - start;
    text.append(VisibleText, static_cast<size_t>(start) - 1, static_cast<size_t>(size));
    // The offsets are ordered by visible position.
    const auto begin = Offsets.begin();
    auto e = std::lower_bound(begin, begin + offsetCount, start,
                              [](const TOffset& entry, int32_t v) { return entry.VisiblePosition < v; });
    for (; e != begin + offsetCount && e->VisiblePosition < start + size; ++e) {
      offsets.push_back({e->SourcePosition, e->VisiblePosition + shift, e->SourceLength});
    }
  }
  offsets.push_back({static_cast<int32_t>(SourceText.size()) + 1, static_cast<int32_t>(text.size()) + 1, 0});
  VisibleText = std::move(text);
  VisibleLength = static_cast<int32_t>(VisibleText.size());
  Offsets = std::move(offsets);
  OffsetCount = static_cast<int32_t>(Offsets.size());
}

}  // namespace kestrune
