// The settings read at start and while the main window is created, over any
// bytes as the user's settings hive: no exception, no crash, values within
// their ranges; and what a save writes loads back to the same settings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "app/kestrune_session.h"
#include "fuzz/settings_sandbox.h"

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
  std::ofstream(sandbox.Hive(), std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  TKestruneSession first(sandbox.Program());
  Load(first, root);
  const TMainSettings& s = first.Config.Settings;
  if (s.TrackPosContext < kMinTrackPosContext || s.TrackPosContext > kMaxTrackPosContext || s.TrackPosExact < 0 ||
      s.TrackPosExact > kMaxTrackPosExact || s.TPCountFromSite <= 0 || s.PartsOfSpeech == 0 ||
      (s.PartsOfSpeech & ~kPartsOfSpeechMask) != 0 || s.AdvanceMode || first.Config.DictionaryList.size() != 2) {
    std::abort();
  }
  if (!first.Config.SaveSettings()) return 0;  // a hive the store does not recognise stays as it is

  TKestruneSession second(sandbox.Program());
  Load(second, root);
  if (!(second.Config.Settings == first.Config.Settings) || second.Config.RecentQueries != first.Config.RecentQueries ||
      second.Config.RecentProjects != first.Config.RecentProjects || second.Config.InterfaceLang != first.Config.InterfaceLang ||
      second.Config.ActiveDictionaryIds() != first.Config.ActiveDictionaryIds()) {
    std::abort();
  }
  return 0;
}
