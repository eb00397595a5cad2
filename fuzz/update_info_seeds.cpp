// Seeds for the update information reader: "update.txt" files written by the
// tests' writer.
#include "fuzz/seeds.h"
#include "tests/app/update_info_text.h"

using kestrune::test::Release;
using kestrune::test::UpdateInfoText;

KESTRUNE_SEEDS(update_info) {
  WriteSeed(folder, "one.txt", UpdateInfoText({Release("1.5.303.0", "1.5.302.0", "Faster", "patch.zip", "1000")}));
  WriteSeed(folder, "several.txt",
            UpdateInfoText({Release("1.5.99.0", "1.5.98.0", "Old", "old.zip", "12"),
                            Release("1.5.310.0", "1.5.305.0", "Full, \"quoted\"", "p.zip", "5000000000"),
                            Release("2.0.0.0", "1.5.310.0", "Two", "two.zip", "7"),
                            {"1.5.310.0", {{"russian", "\xd0\x9d\xd0\xbe\xd0\xb2\xd0\xbe\xd0\xb5"}}},
                            {"news", {{"file", "n.zip"}}}}));
  WriteSeed(folder, "same.txt", UpdateInfoText({Release("1.5.302.0", "1.5.300.0", "Same", "patch.zip", "1x")}));
}
