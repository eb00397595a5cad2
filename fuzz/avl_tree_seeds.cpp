// Seeds for the "AVLF" reader: sets saved by TIAVLTree::SaveToFile, and one
// body of tags 144 inside a container 16384 written by the tag stream.
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/avl_tree.h"
#include "core/frame.h"
#include "core/tag_stream.h"
#include "fuzz/seeds.h"
#include "platform/text.h"

namespace {

void SaveSeed(const std::string& folder, const std::string& name, kestrune::TIAVLTree& tree) {
  tree.SaveToFile(kestrune::platform::Utf8ToUtf16(folder + name));
}

}  // namespace

KESTRUNE_SEEDS(avl_tree) {
  using kestrune::TIAVLTree;
  {
    TIAVLTree empty;
    SaveSeed(folder, "empty.avlf", empty);
  }
  {
    TIAVLTree small;
    for (int32_t v : {5, -1, 1000000, 0, -2147483647 - 1, 2147483647}) small.Add(v);
    SaveSeed(folder, "small.avlf", small);
  }
  {
    TIAVLTree dwords;
    dwords.SetItemType(kestrune::TItemType::cDWord);
    std::mt19937 rng(3);
    for (int i = 0; i < 700; ++i) dwords.Add(static_cast<int32_t>(rng()));
    for (int i = 0; i < 100; ++i) dwords.Delete(static_cast<int32_t>(rng() % dwords.Count()));
    SaveSeed(folder, "dwords.avlf", dwords);
  }
  {
    kestrune::TMemoryStream body;
    kestrune::TTagStream tags(&body);
    tags.BeginTag(TIAVLTree::kContainerTag);
    for (int32_t v = 0; v < 20; ++v) {
      const int32_t value = v * v - 50;
      tags.WriteTag(TIAVLTree::kNodeTag, &value, 4);
    }
    tags.EndTag();
    kestrune::TFrameHeader frame;
    frame.Magic = kestrune::kMagicAVLF;
    frame.CRC = kestrune::CRC32Update(0, body.Bytes().data(), body.Bytes().size());
    std::string bytes(reinterpret_cast<const char*>(&frame), sizeof frame);
    bytes.append(body.Bytes().begin(), body.Bytes().end());
    WriteSeed(folder, "container.avlf", bytes);
  }
}
