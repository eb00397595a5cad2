// Seeds for the UTF-8 routines: the encodings of texts of every width, and
// the byte sequences the decoder refuses or reads leniently.
#include <string>

#include "fuzz/seeds.h"
#include "search/utf8.h"

KESTRUNE_SEEDS(utf8) {
  WriteSeed(folder, "mixed", kestrune::WideToUtf8(u"Az \u00e9\u0416\u20ac \xD83D\xDE00 \xDC00 \uFEFF end"));
  WriteSeed(folder, "cyrillic", kestrune::WideToUtf8(u"Поиск по словам и фразам"));
  WriteSeed(folder, "four_byte", "\xF0\x9F\x98\x80");
  WriteSeed(folder, "truncated", "a\xC3");
  WriteSeed(folder, "bad_follower", "a\xC3\x41");
  WriteSeed(folder, "lenient", "\x80\x81\xC1\x81\xE0\x81\x81\xC3\xC0");
  WriteSeed(folder, "bom", "\xEF\xBB\xBF\x41");
}
