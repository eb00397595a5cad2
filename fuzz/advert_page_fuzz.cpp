// Feeds arbitrary bytes to the advertising engine as the answer page of one
// fixed template ("miva" of the tests): the page is cut into at most three
// items, none stored past them, each with an absolute web address; then the
// result page's advertising block is built from it, whose only markup beyond
// its template's is the images it names.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/page_results_fuzz_support.h"
#include "search/advert_engine.h"
#include "search/item_url.h"
#include "search/page_command_hosts.h"
#include "tests/support/advert_pages.h"

using namespace kestrune;

namespace {

constexpr char kBase[] = "http://127.0.0.1:8080";

struct AdvertWorld {
  AdvertWorld() {
    fuzz::RemoveAtExit(page.folder);
    fuzz::WriteFile(page.folder + "templates/web/miva.ini", test::AdvertTemplate(kBase, "miva"));
    engine.UseTemplate("miva");
    page.builder.SetTemplatePath(fuzz::SourceRoot() + "/data/templates/en/");
    // Without the shipped block the check below would hold for anything.
    if (page.builder.Block(pbMiva).empty()) std::abort();
    page.builder.Advertising = &advertising;
  }
  fuzz::PageWorld page;
  TAmazonCom engine;
  TAmazonCom* advertising = &engine;
};

AdvertWorld& World() {
  static AdvertWorld* world = new AdvertWorld();
  return *world;
}

size_t Count(std::u16string_view text, std::u16string_view what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::u16string_view::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

bool StartsNoCase(std::u16string_view text, std::u16string_view lower) {
  if (text.size() < lower.size()) return false;
  for (size_t i = 0; i < lower.size(); ++i) {
    const char16_t c = text[i];
    if ((c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c) != lower[i]) return false;
  }
  return true;
}

// The pictures the block names: an "img" whose address is a web address, in
// whatever letter case its scheme came ("Http://" is one).
size_t CountImages(std::u16string_view block) {
  constexpr std::u16string_view kImage = u"<img src=\"";
  size_t n = 0;
  for (size_t at = block.find(kImage); at != std::u16string_view::npos; at = block.find(kImage, at + 1)) {
    const std::u16string_view address = block.substr(at + kImage.size());
    if (StartsNoCase(address, u"http://") || StartsNoCase(address, u"https://")) ++n;
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  AdvertWorld& w = World();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const int32_t count = w.engine.ProcessAdvertPage(u"key", bytes, std::string(kBase) + "/adv?kw=key");
  if (count < 0 || count > TAmazonCom::kMaxItems) std::abort();
  TParsePage page;
  if (!w.engine.GetCurrentPage(page) || page.ItemCount != count || page.Items.size() != static_cast<size_t>(count)) {
    std::abort();
  }
  // An advert whose address names one of the page's command hosts is left
  // out of the block; a block of no advert is empty.
  size_t shown = 0;
  for (const TMetaSearchList& item : page.Items) {
    if (!IsAbsoluteWebUrl(item.Url)) std::abort();
    if (!AddressHasPageCommandHost(item.Url)) ++shown;
  }
  const std::u16string block = w.page.builder.AdvertisementFromAmazon();
  if (shown == 0) {
    if (!block.empty()) std::abort();
  } else {
    const std::u16string& empty = w.page.builder.Block(pbMiva);
    const size_t images = CountImages(block);
    if (images > 3 || Count(block, u"<") != Count(empty, u"<") + images) std::abort();
  }
  // The cache would grow with every key; one entry is enough.
  w.engine.ResetCache();
  return 0;
}
