// The settings read at start and while the main window is created, over any
// bytes as the user's settings hive: no exception, no crash, values within
// their ranges; a file that is no hive is moved aside whole and written anew;
// and what a save writes loads back to the same settings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/kestrune_session.h"
#include "fuzz/settings_sandbox.h"
#include "platform/settings_store.h"

using namespace kestrune;

namespace {

// The folders the load creates stay inside the sandbox.
void KeepInside(std::u16string& folder, const std::u16string& root, const std::u16string& fallback) {
  if (folder.compare(0, root.size(), root) != 0 || folder.find(u"..") != std::u16string::npos) folder = fallback;
}

void Load(TKestruneSession& session, const std::u16string& root) {
  session.Config.SystemLangId = 0x0419;
  session.ReadLanguageTable();
  session.Config.ReadStartupSettings();
  KeepInside(session.Config.ProjectFolder, root, root + u"projects/");
  KeepInside(session.Config.BasesFolder, root, root + u"projects/");
  session.Config.LoadSettings();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::TSettingsSandbox sandbox;
  const std::u16string root = platform::Utf8ToUtf16(sandbox.Root());
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string copy = sandbox.Hive() + ".damaged";
  std::filesystem::remove(copy);
  std::ofstream(sandbox.Hive(), std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(size));
  platform::HiveReadState state;
  platform::RewriteHiveText(bytes, &state);

  TKestruneSession first(sandbox.Program());
  Load(first, root);
  const TMainSettings& s = first.Config.Settings;
  if (s.TrackPosContext < kMinTrackPosContext || s.TrackPosContext > kMaxTrackPosContext || s.TrackPosExact < 0 ||
      s.TrackPosExact > kMaxTrackPosExact || s.TPCountFromSite < 50 || s.TPCountFromSite > 1000 || s.PartsOfSpeech == 0 ||
      (s.PartsOfSpeech & ~kPartsOfSpeechMask) != 0 || s.AdvanceMode || first.Config.DictionaryList.size() != 2) {
    std::abort();
  }
  // A file that is no hive went aside whole; the save writes a new hive.
  const bool notHive = state == platform::HiveReadState::kNotHive;
  if (notHive != std::filesystem::exists(copy)) std::abort();
  if (notHive) {
    std::ifstream in(copy, std::ios::binary);
    if (std::string(std::istreambuf_iterator<char>(in), {}) != bytes) std::abort();
  }
  if (!first.Config.SaveSettings()) {
    if (notHive) std::abort();
    return 0;  // a later version of the hive stays as it is
  }

  TKestruneSession second(sandbox.Program());
  Load(second, root);
  if (!(second.Config.Settings == first.Config.Settings) || second.Config.RecentQueries != first.Config.RecentQueries ||
      second.Config.RecentProjects != first.Config.RecentProjects || second.Config.InterfaceLang != first.Config.InterfaceLang ||
      second.Config.ActiveDictionaryIds() != first.Config.ActiveDictionaryIds()) {
    std::abort();
  }
  return 0;
}
