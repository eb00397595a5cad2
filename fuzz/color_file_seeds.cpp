// Seeds for the colour-file reader: the colour file we ship and variants of it
// that touch each rule of the reader (line ends, a missing section, sizes in
// the wrong block, a block opening without "<", hexadecimal values, a block
// that never closes).
#include <string>

#include "fuzz/seeds.h"
#include "fuzz/source_root.h"

namespace {

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

}  // namespace

KESTRUNE_SEEDS(color_file) {
  const std::string shipped = kestrune::fuzz::ReadSourceFile("data/templates/en/color.ini");
  WriteSeed(folder, "shipped", shipped);
  WriteSeed(folder, "crlf", ReplaceAll(shipped, "\n", "\r\n"));
  WriteSeed(folder, "cr", ReplaceAll(shipped, "\n", "\r"));
  const size_t excluded = shipped.find("<excluded>");
  if (excluded != std::string::npos) WriteSeed(folder, "query_only", shipped.substr(0, excluded));
  WriteSeed(folder, "sizes_swapped", ReplaceAll(ReplaceAll(shipped, "Size=16", "MinSize=16"),
                                                "MinSize=10", "Size=10"));
  WriteSeed(folder, "open_without_lt", ReplaceAll(shipped, "<plus_Mouseover_key>", "plus_Mouseover_key>"));
  WriteSeed(folder, "hex", ReplaceAll(ReplaceAll(shipped, "Color=217", "Color=$D9"), "Transparency=70",
                                      "Transparency=$FFFFFF9C"));
  WriteSeed(folder, "unclosed", ReplaceAll(shipped, "</Context_key>", ""));
  WriteSeed(folder, "extremes",
            "<main>font= Wide Font \n</main>\n<query>\n<key>\nMinSize=-2147483648\nMaxSize=2147483647\n"
            "Transparency=-300\n</key>\n<Context_key>\nSize=400\n</Context_key>\n"
            "<Not_active_key>\nMinSize=0\nMaxSize=0\n</Not_active_key>\n</query>\n");
}
