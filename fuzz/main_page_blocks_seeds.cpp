// Seeds for the main window's page blocks: the English templates we ship.
#include <string>

#include "fuzz/seeds.h"
#include "fuzz/source_root.h"

KESTRUNE_SEEDS(main_page_blocks) {
  WriteSeed(folder, "shipped_templates.ini", kestrune::fuzz::ReadSourceFile("data/templates/en/templates.ini"));
}
