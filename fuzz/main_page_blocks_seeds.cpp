// Seeds for the main window's page blocks: the English templates we ship.
#include <fstream>
#include <sstream>
#include <string>

#include "fuzz/page_results_fuzz_support.h"
#include "fuzz/seeds.h"

KESTRUNE_SEEDS(main_page_blocks) {
  std::ifstream in(kestrune::fuzz::SourceRoot() + "/data/templates/en/templates.ini", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  WriteSeed(folder, "shipped_templates.ini", text.str());
}
