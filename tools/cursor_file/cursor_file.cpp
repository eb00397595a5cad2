// Writes the main window's own cursor, "Cursor1.cur": one 32 x 32 picture of
// an arrow (white, outlined in black) with its hot spot at the tip, in the
// cursor file layout: a 6-byte header (type 2), one 16-byte entry holding the
// hot spot, then a 32-bit device-independent bitmap of twice the height (the
// colour rows, then the 1-bit transparency mask), rows bottom-up, all numbers
// little-endian.
//
//   kestrune_cursor_file <output file>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;

// The arrow's shape, row by row from the top: '#' outline, '.' fill, ' ' clear.
const char* const kArrow[] = {
    "#",
    "##",
    "#.#",
    "#..#",
    "#...#",
    "#....#",
    "#.....#",
    "#......#",
    "#.......#",
    "#........#",
    "#.........#",
    "#..........#",
    "#......#####",
    "#...#..#",
    "#..##..#",
    "#.#  #..#",
    "##   #..#",
    "#     #..#",
    "      #..#",
    "       ##",
};

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

char Cell(int x, int y) {
  const int rows = static_cast<int>(sizeof(kArrow) / sizeof(kArrow[0]));
  if (y >= rows) return ' ';
  const std::string row = kArrow[y];
  return x < static_cast<int>(row.size()) ? row[x] : ' ';
}

std::vector<uint8_t> CursorFile() {
  const uint32_t maskRow = kSize / 8;  // 4 bytes: already a multiple of 4
  const uint32_t imageBytes = 40 + kSize * kSize * 4 + kSize * maskRow;
  std::vector<uint8_t> out;
  Put16(out, 0);  // reserved
  Put16(out, 2);  // a cursor file
  Put16(out, 1);  // one picture
  out.push_back(kSize);
  out.push_back(kSize);
  out.push_back(0);  // no palette
  out.push_back(0);
  Put16(out, 0);  // hot spot x: the tip
  Put16(out, 0);  // hot spot y
  Put32(out, imageBytes);
  Put32(out, 22);  // the picture follows the header and the entry
  Put32(out, 40);
  Put32(out, kSize);
  Put32(out, kSize * 2);
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);  // uncompressed
  Put32(out, kSize * kSize * 4 + kSize * maskRow);
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  for (int y = kSize - 1; y >= 0; --y) {
    for (int x = 0; x < kSize; ++x) {
      const char c = Cell(x, y);
      const uint8_t v = c == '.' ? 0xFF : 0x00;
      const uint8_t alpha = c == ' ' ? 0x00 : 0xFF;
      out.insert(out.end(), {v, v, v, alpha});
    }
  }
  for (int y = kSize - 1; y >= 0; --y) {
    for (uint32_t b = 0; b < maskRow; ++b) {
      uint8_t bits = 0;
      for (int i = 0; i < 8; ++i) {
        if (Cell(static_cast<int>(b * 8) + i, y) == ' ') bits |= static_cast<uint8_t>(0x80 >> i);
      }
      out.push_back(bits);
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kestrune_cursor_file <output file>\n");
    return 2;
  }
  const std::vector<uint8_t> bytes = CursorFile();
  const std::string temp = std::string(argv[1]) + ".tmp";
  FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) {
    std::perror(temp.c_str());
    return 1;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written || std::rename(temp.c_str(), argv[1]) != 0) {
    std::perror(argv[1]);
    std::remove(temp.c_str());
    return 1;
  }
  return 0;
}
