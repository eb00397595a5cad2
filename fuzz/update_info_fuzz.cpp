// Feeds arbitrary bytes to the update information reader as "update.txt" of
// a running 1.5.302.0 build: it never fails, and an offer it makes is a
// version of the running major above the running one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/update_check.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const TUpdateOffer offer =
      ReadUpdateInfo(std::string_view(reinterpret_cast<const char*>(data), size), "1.5.302.0", "russian");
  if (offer.PatchSize < 0 || offer.FullSize < 0) std::abort();
  if (offer.NeedFull && !offer.UpdateFound) std::abort();
  if (offer.UpdateFound &&
      (VersionMajor(offer.BestSectionName) != "1" || CompareVersions(offer.BestSectionName, "1.5.302.0") <= 0)) {
    std::abort();
  }
  if (offer.LocalizedInfo.empty() && !offer.EnglishInfo.empty()) std::abort();
  return 0;
}
