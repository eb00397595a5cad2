// Feeds arbitrary bytes to the network file readers: the version-1 reader
// (LoadFromStream, which the file loader and the old project chunk use) and
// the version-0 reader; whatever they leave behind is then saved again and
// spread over, which walks every relation list they built.
#include <cstddef>
#include <cstdint>

#include "core/stream.h"
#include "network/asn.h"

using namespace kestrune;

namespace {

void Exercise(TIASN& net) {
  TMemoryStream out;
  net.SaveToStream(out);
  for (int32_t l = 0; l < net.LayerCount() && l < 4; ++l) {
    net.ActivateLayer(l, 0.5f);
    net.Spread(l, (l + 1) % net.LayerCount(), true, -0.5f);
    net.Update((l + 1) % net.LayerCount());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    TIASN net;
    TMemoryStream stream(data, size);
    net.LoadFromStream(stream);
    Exercise(net);
  }
  {
    TIASN net;
    TMemoryStream stream(data, size);
    net.LoadLegacyFromStream(stream);
    Exercise(net);
  }
  return 0;
}
