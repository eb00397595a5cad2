// Seeds for the scope explorer's file name rule: addresses of the maker's
// scope page and its project links, with escapes, dot segments and queries.
#include "fuzz/seeds.h"

KESTRUNE_SEEDS(scope_file_name) {
  WriteSeed(folder, "project", "http://www.kestrune.example/searchscopes/files/birds.kqp");
  WriteSeed(folder, "escaped", "http://127.0.0.1:8080/a/%D0%BF%D1%82%D0%B8%D1%86%D1%8B%20x.kqp");
  WriteSeed(folder, "dots", "http://m.example/a/../../x.kqp");
  WriteSeed(folder, "encoded_slash", "https://m.example/..%2F..%2Fx.kqp");
  WriteSeed(folder, "query", "http://m.example/x.kqp?y=1#top");
  WriteSeed(folder, "page", "http://m.example/searchscopes/?lang=en");
}
