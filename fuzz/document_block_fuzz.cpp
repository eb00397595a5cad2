// Splits arbitrary bytes at NUL bytes into a title, an annotation, an address
// and an item text and builds result pages of such a document with the
// shipped templates. Without query words the page must have the shape of the
// same page built from plain texts: as many "<", ">" and quote characters and
// the same tags read back; anything else means a value reached the markup.
// With query words, and in the product layout, the page is built for the
// sake of the highlighting and the image and comment paths.
//
// A hash of the bytes chooses the document's flags (new, old, favourite),
// whether it shows as the edit form, whether the new links' page lists it
// among the other results, and one of six pages: the shape test in one of
// three page modes, or one of three pages with query words; every input
// builds one page. The builder, the engines of both layouts and the plain
// pages of every mode, flag set and form are made once per process.
// The two pages of a shape test share the templates' text before and after
// the document: only the parts between, cut at a tag's edge, are read back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>
#include <tuple>

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

Shape ShapeOf(std::u16string_view page) {
  Shape s;
  const char16_t signs[] = {u'<', u'>', u'"', u'\''};
  for (int i = 0; i < 4; ++i) s.marks[i] = static_cast<size_t>(std::count(page.begin(), page.end(), signs[i]));
  TIHTMLParser parser;
  parser.BuildTagTable = true;
  parser.ParseWide(page);
  for (int32_t i = 0; i < parser.TagCount; ++i) s.tags.push_back(parser.Tags[static_cast<size_t>(i)].Name);
  return s;
}

constexpr size_t kBlock = 256;

// The length of the common beginning of two texts.
size_t CommonPrefix(std::u16string_view a, std::u16string_view b) {
  const size_t n = std::min(a.size(), b.size());
  size_t at = 0;
  while (at + kBlock <= n && std::memcmp(a.data() + at, b.data() + at, kBlock * sizeof(char16_t)) == 0) at += kBlock;
  while (at < n && a[at] == b[at]) ++at;
  return at;
}

// The length of the common end of two texts, at most `most`.
size_t CommonSuffix(std::u16string_view a, std::u16string_view b, size_t most) {
  size_t at = 0;
  while (at + kBlock <= most && std::memcmp(a.data() + a.size() - at - kBlock, b.data() + b.size() - at - kBlock,
                                            kBlock * sizeof(char16_t)) == 0) {
    at += kBlock;
  }
  while (at < most && a[a.size() - at - 1] == b[b.size() - at - 1]) ++at;
  return at;
}

// The shapes of the plain pages' parts already read, by page and cut.
using PlainShapes = std::map<std::tuple<const std::u16string*, size_t, size_t>, Shape>;

// True when the two pages have the same shape. Their common beginning up to
// its last ">" and their common end from its first "<" are the same text:
// only the parts between are compared. The plain page's part is read once
// for each cut (the hostile fields are mostly cut alike).
bool SameShape(std::u16string_view page, const std::u16string& plain, PlainShapes& known) {
  const size_t prefix = CommonPrefix(page, plain);
  const size_t suffix = CommonSuffix(page, plain, std::min(page.size(), plain.size()) - prefix);
  const size_t lastClose = page.substr(0, prefix).rfind(u'>');
  const size_t start = lastClose == std::u16string_view::npos ? 0 : lastClose + 1;
  // The first "<" of the common end, counted from the end.
  const std::u16string_view end = page.substr(page.size() - suffix);
  const size_t firstOpen = end.find(u'<');
  const size_t tail = firstOpen == std::u16string_view::npos ? 0 : suffix - firstOpen;
  auto [at, added] = known.try_emplace({&plain, start, tail});
  if (added) at->second = ShapeOf(std::u16string_view(plain).substr(start, plain.size() - tail - start));
  return ShapeOf(page.substr(start, page.size() - tail - start)) == at->second;
}

constexpr char kComments[] = "BeginItemCommentTag=\"<i class=c>\"\nEndItemCommentTag=\"</i>\"\n";
constexpr int32_t kShapeModes[] = {5, 7, 9};
constexpr size_t kModeCount = std::size(kShapeModes);
constexpr int32_t kFlagSets = 8;

struct BlockWorld {
  fuzz::PageWorld page{fuzz::MemoryFolder()};
  EngineWeb documentLayout;
  EngineWeb productLayout;
  std::u16string plain[kModeCount][kFlagSets][2][2];  // [mode][flags][edit form][other results]
  PlainShapes plainShapes;
};

// The page of mode `mode` listing the one document `d` with the flags, as
// the edit form when `edit` is set; with `other` no link counts as new, so
// that the new links' page (mode 9) lists it among the other results.
std::u16string Build(fuzz::PageWorld& w, const TMetaSearchList& d, int32_t flags, int32_t mode, bool edit,
                     bool other) {
  w.documents.assign(1, d);
  w.documents.back().Flags = flags;
  w.pageIds.assign(1, 0);
  const TDocumentCounters counters{8, 1, 1, other ? 0 : 4, 4, 4, 4, 4, 4};
  return w.builder.BuildPage(mode, 1, counters, edit ? 0 : -2);
}

BlockWorld& World() {
  static BlockWorld* world = [] {
    auto* b = new BlockWorld();
    fuzz::PageWorld& w = b->page;
    fuzz::RemoveAtExit(w.folder);
    w.builder.SetTemplatePath(fuzz::SourceRoot() + "/data/templates/en/");
    // Without the shipped blocks every page would be empty, and alike.
    if (w.builder.Block(pbDocAnnounceBlock).empty()) std::abort();
    w.builder.AdvancedMode = true;
    w.LoadEngine(b->documentLayout, "document", kComments);
    w.LoadEngine(b->productLayout, "product", std::string("NumberImage=1\n") + kComments);
    TMetaSearchList plain;
    plain.Title = u"title";
    plain.Annotation = u"text";
    plain.Url = "http://plain.example/";
    plain.Label = "1 - plain";
    plain.ItemText = u"<i class=c>comment</i>";
    w.enginePointer = &b->documentLayout;
    w.SetQuery(false);
    for (size_t m = 0; m < kModeCount; ++m) {
      for (int32_t flags = 0; flags < kFlagSets; ++flags) {
        for (const bool edit : {false, true}) {
          for (const bool other : {false, true}) {
            b->plain[m][flags][edit][other] = Build(w, plain, flags, kShapeModes[m], edit, other);
          }
        }
      }
    }
    return b;
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
  BlockWorld& b = World();
  fuzz::PageWorld& w = b.page;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string_view fields[4];
  std::string_view rest = bytes;
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
  const uint32_t pick = Hash(bytes);
  const int32_t flags = static_cast<int32_t>(pick % kFlagSets);
  const size_t test = (pick / kFlagSets) % (kModeCount + 3);
  const bool edit = (pick / (kFlagSets * (kModeCount + 3))) % 4 == 0;
  const bool other = (pick / (kFlagSets * (kModeCount + 3) * 4)) % 2 != 0;

  w.enginePointer = &b.documentLayout;
  if (test < kModeCount) {
    w.SetQuery(false);
    const std::u16string page = Build(w, hostile, flags, kShapeModes[test], edit, other);
    if (!SameShape(page, b.plain[test][flags][edit][other], b.plainShapes)) std::abort();
    return 0;
  }
  // With the query words: in the document layout, or in the product layout.
  w.SetQuery(true);
  if (test > kModeCount) w.enginePointer = &b.productLayout;
  Build(w, hostile, flags, test == kModeCount + 2 ? 9 : 5, edit, other);
  return 0;
}
