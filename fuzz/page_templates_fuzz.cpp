// Feeds arbitrary bytes to the page builder as its "templates.ini" and as
// every blank page, then builds every page mode over a small page list with a
// query word and phrase, in the document and the product layout, with the
// advanced form and without: placeholders and blocks from a hostile file go
// through every replacement of the builder.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/page_results_fuzz_support.h"

using namespace kestrune;

namespace {

fuzz::PageWorld& World() {
  static fuzz::PageWorld* world = [] {
    auto* w = new fuzz::PageWorld();
    for (int32_t k = 0; k < 13; ++k) {
      TMetaSearchList d;
      d.Url = "http://site.example/" + std::to_string(k);
      d.Title = u"alpha beta title";
      d.Annotation = u" alpha beta text";
      d.Label = std::to_string(k + 1) + " - fuzz";
      d.ItemText = u"<p><i class=c>alpha</i><img src=\"http://i.example/a.png\"></p>";
      d.Flags = k % 8;
      w->AddDocument(d);
    }
    w->SetQuery(true);
    w->builder.GetQueryText = [] { return std::u16string(u"alpha \"alpha beta\" -beta"); };
    w->builder.GetContextWordsHtml = [] { return std::u16string(u"<i>context</i>"); };
    return w;
  }();
  return *world;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::PageWorld& w = World();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const char* file : {"templates.ini", "blank.html", "blank1.html", "blank2.html", "blank3.html", "blank4.html"}) {
    fuzz::WriteFile(w.folder + file, bytes);
  }
  w.builder.SetTemplatePath(w.folder);
  for (int layout = 0; layout < 2; ++layout) {
    w.UseEngine("fuzz", layout ? "NumberImage=1\nBeginItemCommentTag=\"<i class=c>\"\nEndItemCommentTag=\"</i>\"\n"
                               : "BeginItemCommentTag=\"<i class=c>\"\nEndItemCommentTag=\"</i>\"\n");
    w.builder.AdvancedMode = layout == 0;
    for (int32_t mode = 0; mode <= 12; ++mode) {
      const TDocumentCounters counters{13, layout, 2, 5, 1, 3, 6, 2, 4};
      w.builder.BuildPage(mode, 1 + (mode % 2), counters, layout ? -1 : 11);
    }
  }
  return 0;
}
