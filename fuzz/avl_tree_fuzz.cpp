// Fuzzes the "AVLF" reader: the input as a file image, and the same image with
// its CRC made right so that mutations reach the tagged body. A loaded set
// must be a consistent tree whose every value is found at its own index.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/avl_tree.h"
#include "core/frame.h"

namespace {

void LoadAndCheck(std::vector<uint8_t> bytes, kestrune::TItemType type) {
  kestrune::TMemoryStream stream(std::move(bytes));
  kestrune::TIAVLTree tree;
  tree.SetItemType(type);
  const int32_t result = tree.LoadFromStream(stream);
  if (result > 0 || result < kestrune::TIAVLTree::kCRCMismatch) std::abort();
  const int32_t count = tree.Count();
  for (int32_t i = 0; i < count; ++i) {
    if (tree.Find(tree.GetItem(i)) != i) std::abort();
  }
  // Deleting keeps the indexes dense.
  for (int32_t i = 0; i < count && i < 64; ++i) tree.Delete(i * 7 % tree.Count());
  for (int32_t i = 0; i < tree.Count(); ++i) {
    if (tree.Find(tree.GetItem(i)) != i) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  const kestrune::TItemType type = size > 8 && (data[8] & 1) ? kestrune::TItemType::cDWord
                                                              : kestrune::TItemType::cLongInt;
  LoadAndCheck(bytes, type);
  if (size >= 16) {
    const uint32_t crc = kestrune::CRC32Update(0, data + 16, size - 16);
    std::memcpy(bytes.data() + 4, &crc, 4);
    LoadAndCheck(std::move(bytes), type);
  }
  return 0;
}
