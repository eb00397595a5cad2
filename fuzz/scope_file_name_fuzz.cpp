// Feeds arbitrary addresses to the scope explorer's file name rule and checks
// what the download thread relies on: the path it saves to is empty or a
// plain name directly inside the target folder, never outside it, and the
// navigation rule downloads only addresses ending in ".kqp".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/scope_download.h"
#include "fuzz/fuzz_folder.h"
#include "platform/files.h"
#include "platform/text.h"

using namespace kestrune;

namespace {

// A folder of its own with one taken name, made once and removed at the end
// (kept alive to the end: the removal runs after static destructors).
const std::u16string& Folder() {
  static const std::u16string* folder = [] {
    auto* made = new std::u16string(platform::Utf8ToUtf16(
        fuzz::MakeProcessFolder(std::filesystem::temp_directory_path().string(), "kestrune-scope-fuzz")));
    platform::NativeFile taken;
    taken.Open(*made + u"birds.kqp", platform::NativeFile::Access::kWrite, true, true);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(std::filesystem::path(Folder()), ignored);
    });
    return made;
  }();
  return *folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string url(reinterpret_cast<const char*>(data), size);
  const std::u16string& folder = Folder();
  const std::u16string path = ScopeDownloadName(url, folder);
  if (!path.empty()) {
    if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) std::abort();
    const std::u16string name = path.substr(folder.size());
    if (name == u"." || name == u".." || name.find_first_of(u"/\\") != std::u16string::npos) std::abort();
    for (char16_t c : name) {
      if (c < 0x20) std::abort();
    }
    if (name == u"birds.kqp") std::abort();  // a taken name is never given
  }
  const TScopeNavigation running = ScopeNavigation(url, true);
  if (!running.Cancel || running.StartDownload) std::abort();
  const TScopeNavigation idle = ScopeNavigation(url, false);
  if (idle.StartDownload != (url.size() >= 4 && url.compare(url.size() - 4, 4, ".kqp") == 0)) std::abort();
  return 0;
}
