// Seeds for the network file readers, written by our own writer: an empty
// two-layer network and a small context-model-like network with relations in
// both layers, a deleted element and a relation list emptied by deletions.
#include <string>

#include "core/stream.h"
#include "fuzz/seeds.h"
#include "network/asn.h"

using namespace kestrune;

namespace {

std::string Save(TIASN& net) {
  TMemoryStream stream;
  net.SaveToStream(stream);
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

}  // namespace

KESTRUNE_SEEDS(asn_file) {
  TIASN net;
  net.AddLayer(0.0f, 5.0f);
  net.AddLayer(0.0f, -1.0f);
  WriteSeed(folder, "empty_layers", Save(net));

  for (int32_t i = 0; i < 12; ++i) net.AddElement(0, i, 0.001f, i == 3 ? 0.0f : 1.0f, 1.0f, 1.0f);
  for (int32_t i = 0; i < 3; ++i) net.AddElement(1, i, 0.001f, 1.0f, 1.0f, 1.0f);
  TRelationPosition p;
  for (int32_t i = 0; i < 12; ++i) {
    const int8_t page = static_cast<int8_t>(i % 3);
    net.SetRelation({0, i}, {1, page}, p, 0.7f);
    net.SetRelation({1, page}, {0, i}, p, 0.7f);
    if (i > 0) {
      net.SetRelation({0, i}, {0, i - 1}, p, 0.16f);
      net.SetRelation({0, i - 1}, {0, i}, p, 0.16f);
    }
  }
  net.DeleteRelation({0, 5}, {0, 4});
  net.DeleteRelation({0, 5}, {0, 6});
  net.DeleteElement({0, 7});
  WriteSeed(folder, "small_network", Save(net));
}
