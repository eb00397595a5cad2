// Splits arbitrary bytes at NUL bytes into a title, an annotation, an address
// and an item text and builds result pages of eight such documents with the
// shipped templates. Without query words the page must have the shape of the
// same page built from plain texts: as many "<", ">" and quote characters and
// the same tags read back; anything else means a value reached the markup.
// With query words, and in the product layout, the page is built for the
// sake of the highlighting and the image and comment paths.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/page_results_fuzz_support.h"
#include "search/html_parser.h"

using namespace kestrune;

namespace {

struct Shape {
  size_t marks[4] = {0, 0, 0, 0};
  std::vector<std::u16string> tags;
  bool operator==(const Shape& other) const {
    return std::equal(marks, marks + 4, other.marks) && tags == other.tags;
  }
};

Shape ShapeOf(const std::u16string& page) {
  Shape s;
  const char16_t signs[] = {u'<', u'>', u'"', u'\''};
  for (int i = 0; i < 4; ++i) s.marks[i] = static_cast<size_t>(std::count(page.begin(), page.end(), signs[i]));
  TIHTMLParser parser;
  parser.BuildTagTable = true;
  parser.ParseWide(page);
  for (int32_t i = 0; i < parser.TagCount; ++i) s.tags.push_back(parser.Tags[static_cast<size_t>(i)].Name);
  return s;
}

constexpr char kComments[] = "BeginItemCommentTag=\"<i class=c>\"\nEndItemCommentTag=\"</i>\"\n";

fuzz::PageWorld& World() {
  static fuzz::PageWorld* world = [] {
    auto* w = new fuzz::PageWorld();
    w->builder.SetTemplatePath(fuzz::SourceRoot() + "/data/templates/en/");
    return w;
  }();
  return *world;
}

std::u16string Build(fuzz::PageWorld& w, const TMetaSearchList& d, int32_t mode) {
  w.documents.clear();
  w.pageIds.clear();
  for (int32_t k = 0; k < 8; ++k) {
    w.AddDocument(d);
    w.documents.back().Flags = k % 8;
  }
  w.builder.AdvancedMode = true;
  const TDocumentCounters counters{8, 1, 1, 4, 4, 4, 4, 4, 4};
  return w.builder.BuildPage(mode, 1, counters, 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::PageWorld& w = World();
  std::string_view fields[4];
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  for (int i = 0; i < 4; ++i) {
    const size_t end = i < 3 ? rest.find('\0') : std::string_view::npos;
    fields[i] = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  }
  TMetaSearchList hostile;
  hostile.Title = platform::Utf8ToUtf16(fields[0]);
  hostile.Annotation = platform::Utf8ToUtf16(fields[1]);
  hostile.Url = std::string(fields[2]);
  hostile.Label = std::string(fields[2]);
  hostile.ItemText = platform::Utf8ToUtf16(fields[3]);
  TMetaSearchList plain;
  plain.Title = u"title";
  plain.Annotation = u"text";
  plain.Url = "http://plain.example/";
  plain.Label = "1 - plain";
  plain.ItemText = u"<i class=c>comment</i>";

  w.UseEngine("document", kComments);
  w.SetQuery(false);
  for (int32_t mode : {5, 7, 9}) {
    if (!(ShapeOf(Build(w, hostile, mode)) == ShapeOf(Build(w, plain, mode)))) std::abort();
  }
  w.SetQuery(true);
  Build(w, hostile, 5);
  w.UseEngine("product", std::string("NumberImage=1\n") + kComments);
  Build(w, hostile, 5);
  Build(w, hostile, 9);
  return 0;
}
