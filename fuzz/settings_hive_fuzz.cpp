// The settings store's hive reader: any bytes read without a crash, and what a
// save of the hive writes reads back to the same hive.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kestrune::platform;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  HiveReadState state = HiveReadState::kRead;
  const std::string once = RewriteHiveText(bytes, &state);
  if (state != HiveReadState::kRead) {
    if (once != "KESTRUNE HIVE 1\n") __builtin_trap();  // read as empty
    return 0;
  }
  if (static_cast<int64_t>(once.size()) > kMaxHiveSize) return 0;  // a save would refuse it
  HiveReadState again = HiveReadState::kNotHive;
  if (RewriteHiveText(once, &again) != once || again != HiveReadState::kRead) __builtin_trap();
  return 0;
}
