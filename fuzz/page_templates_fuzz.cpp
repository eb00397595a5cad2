// Feeds arbitrary bytes to the page builder as its "templates.ini" and as the
// blank page of a page mode, then builds that page over a small page list with
// a query word and phrase: placeholders and blocks from a hostile file go
// through every replacement of the builder. A hash of the bytes chooses the
// page mode, the page (the first, of ten documents, or the second, of one
// whose flags the hash chooses too) and the layout (the document layout with
// the advanced form, or the product layout without), so that the file stays
// whole and every input builds one page. The page list and the engines of
// both layouts are set up once per process, in a memory folder.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/page_results_fuzz_support.h"

using namespace kestrune;

namespace {

constexpr int32_t kModes = 13;
constexpr int32_t kDocuments = 11;  // two pages: ten documents and one

struct TemplatesWorld {
  fuzz::PageWorld page{fuzz::MemoryFolder()};
  EngineWeb documentLayout;
  EngineWeb productLayout;
};

TemplatesWorld& World() {
  static TemplatesWorld* world = [] {
    auto* t = new TemplatesWorld();
    fuzz::PageWorld& w = t->page;
    fuzz::RemoveAtExit(w.folder);
    for (int32_t k = 0; k < kDocuments; ++k) {
      TMetaSearchList d;
      d.Url = "http://site.example/" + std::to_string(k);
      d.Title = u"alpha beta title";
      d.Annotation = u" alpha beta text";
      d.Label = std::to_string(k + 1) + " - fuzz";
      d.ItemText = u"<p><i class=c>alpha</i><img src=\"http://i.example/a.png\"></p>";
      d.Flags = k % 8;
      w.AddDocument(d);
    }
    w.SetQuery(true);
    w.builder.GetQueryText = [] { return std::u16string(u"alpha \"alpha beta\" -beta"); };
    w.builder.GetContextWordsHtml = [] { return std::u16string(u"<i>context</i>"); };
    w.LoadEngine(t->documentLayout, "fuzz_document",
                 "BeginItemCommentTag=\"<i class=c>\"\nEndItemCommentTag=\"</i>\"\n");
    w.LoadEngine(t->productLayout, "fuzz_product",
                 "NumberImage=1\nBeginItemCommentTag=\"<i class=c>\"\nEndItemCommentTag=\"</i>\"\n");
    return t;
  }();
  return *world;
}

// FNV-1a over the bytes.
uint32_t Hash(std::string_view bytes) {
  uint32_t h = 2166136261u;
  for (const char c : bytes) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
  return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TemplatesWorld& t = World();
  fuzz::PageWorld& w = t.page;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const uint32_t pick = Hash(bytes);
  const int32_t mode = static_cast<int32_t>(pick % kModes);
  const bool product = (pick / kModes) % 2 != 0;
  const int32_t page = (pick / (kModes * 2)) % 8 == 0 ? 1 : 2;
  // The second page's one document takes each of the flags in turn.
  w.documents.back().Flags = static_cast<int32_t>((pick / (kModes * 2 * 8)) % 8);

  fuzz::WriteFile(w.folder + "templates.ini", bytes);
  const std::string_view blank = BlankPageOfMode(mode);
  if (!blank.empty()) fuzz::WriteFile(w.folder + std::string(blank), bytes);
  w.builder.SetTemplatePath(w.folder);
  w.enginePointer = product ? &t.productLayout : &t.documentLayout;
  w.builder.AdvancedMode = !product;
  const TDocumentCounters counters{kDocuments, product ? 1 : 0, 2, 5, 1, 3, 6, 2, 4};
  w.builder.BuildPage(mode, page, counters, product ? -1 : 10);
  return 0;
}
