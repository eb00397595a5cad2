// The settings of TKestruneSession: the start-up read, the load while the main
// window is created and the save when it is destroyed.
#include <algorithm>
#include <cmath>
#include <exception>

#include "app/kestrune_session.h"
#include "core/base.h"
#include "core/log_file.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "platform/text.h"

namespace kestrune {

namespace {

using platform::ERegistryException;
using platform::SettingsStore;
using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

// Typed reads over an open key that never raise: a missing value leaves the
// target as it is and returns false; so does a value of another type, with a
// [Warning] line in the log.
class TSettingsReader {
 public:
  explicit TSettingsReader(SettingsStore& store) : store_(store) {}

  bool String(const char* name, std::string& value) {
    return Read(name, [&] { value = store_.ReadString(name); });
  }
  bool Text(const char* name, std::u16string& value) {
    std::string bytes;
    if (!String(name, bytes)) return false;
    value = Utf8ToUtf16(bytes);
    return true;
  }
  bool Integer(const char* name, int32_t& value) {
    return Read(name, [&] { value = store_.ReadInteger(name); });
  }
  bool Bool(const char* name, bool& value) {
    return Read(name, [&] { value = store_.ReadBool(name); });
  }
  bool DateTime(const char* name, double& value) {
    return Read(name, [&] { value = store_.ReadDateTime(name); });
  }

 private:
  template <class F>
  bool Read(const char* name, F read) {
    if (!store_.ValueExists(name)) return false;
    try {
      read();
      return true;
    } catch (const ERegistryException& error) {
      LogFile.Log(std::string("Settings: ") + error.what() + "; the default is used", 1);
      return false;
    }
  }

  SettingsStore& store_;
};

// A folder of the store: absolute, with one trailing "/", or the fallback.
std::u16string StoredFolder(const std::u16string& value, std::u16string_view fallback) {
  if (value.empty() || value[0] != u'/') return std::u16string(fallback);
  return AddBackslash(value);
}

std::string SlotName(const char* base, int32_t slot) { return base + std::to_string(slot); }

}  // namespace

void TKestruneSession::ReadStartupSettings() {
  SettingsStore store;
  TSettingsReader read(store);
  store.BeginUpdate();  // every value from one reading of the hive
  // A missing key reads as a key without values: nothing creates it before
  // the program's first end.
  store.OpenKeyReadOnly(kSettingsKey);

  AllDictionariesActive = !read.String("Dictionaries", Dictionaries);
  if (AllDictionariesActive) Dictionaries.clear();

  std::u16string projects, bases;
  read.Text("ProjectFolder", projects);
  read.Text("BasesFolder", bases);
  const std::u16string userData = platform::UserDataFolder();
  ProjectFolder = StoredFolder(projects, userData + u"Projects/");
  BasesFolder = StoredFolder(bases, userData);

  if (!read.Integer("InterfaceLang", InterfaceLang)) {
    InterfaceLang = kDefaultInterfaceLang;
    if (SystemLangId != 0) {
      for (const TLngHeader& header : LngHeaders) {
        if (header.LangID == SystemLangId) {
          InterfaceLang = SystemLangId;
          break;
        }
      }
    }
  }
}

void TKestruneSession::LoadSettings() {
  // 1. The factory set and the values before the store is read.
  FactoryOptions = TDefaultOptions();
  Settings = TMainSettings();
  Settings.TPCountFromSite = FactoryOptions.LinksToDownload;
  Settings.AutoRefresh = FactoryOptions.AutoRefresh;
  Settings.ExcludeWithContext = FactoryOptions.ExcludeWithContext;
  Settings.DistinguishWordForms = FactoryOptions.WordForms;
  Settings.AdvanceMode = FactoryOptions.AdvanceMode;
  RecentQueries = {};
  RecentProjects = {};

  // 2. The main window's values and the recent slots.
  {
    SettingsStore store;
    TSettingsReader read(store);
    store.BeginUpdate();  // every value from one reading of the hive
    if (store.OpenKeyReadOnly(kSettingsKey)) {
      TMainSettings& s = Settings;
      if (read.DateTime("NewsInReg", s.NewsInReg) && !std::isfinite(s.NewsInReg)) s.NewsInReg = 0;
      if (read.Integer("TrackPosContext", s.TrackPosContext)) {
        s.TrackPosContext = std::clamp(s.TrackPosContext, kMinTrackPosContext, kMaxTrackPosContext);
      }
      if (read.Integer("TrackPosExact", s.TrackPosExact)) {
        s.TrackPosExact = std::clamp(s.TrackPosExact, 0, kMaxTrackPosExact);
      }
      if (read.Integer("TPCountFromSite", s.TPCountFromSite) && s.TPCountFromSite <= 0) {
        s.TPCountFromSite = kDefaultLinksToDownload;
      }
      read.String("website", s.website);
      read.String("Lwebsite", s.Lwebsite);
      read.Bool("AutoRefresh", s.AutoRefresh);
      read.Bool("ExcludeWithContext", s.ExcludeWithContext);
      read.Bool("DistinguishWordForms", s.DistinguishWordForms);
      read.Bool("askforsave", s.askforsave);
      read.Bool("SetAsDefault", s.SetAsDefault);
      read.Bool("AskActivateDict", s.AskActivateDict);
      read.Bool("AutoActivateDictForLng", s.AutoActivateDictForLng);
      read.Bool("AskDownloadDictForLng", s.AskDownloadDictForLng);
      // The advanced mode is read and handed to its writer, which keeps it off.
      bool advanced = false;
      read.Bool("AdvanceMode", advanced);
      s.AdvanceMode = false;
      read.Text("Author", s.Author);
      read.Text("Org", s.Org);
      read.Bool("LoadAllNets", s.LoadAllNets);
      read.Bool("ClustersResult", s.ClustersResult);
      read.Bool("AnalysisMainBlock", s.AnalysisMainBlock);
      for (int32_t slot = 0; slot < kRecentSlots; ++slot) {
        read.Text(SlotName("LastQuery", slot).c_str(), RecentQueries[static_cast<size_t>(slot)]);
        read.Text(SlotName("LastProject", slot).c_str(), RecentProjects[static_cast<size_t>(slot)]);
      }
    }
  }

  // 3. The match setting and the links to download.
  MatchSetting = Settings.TrackPosExact;
  LinksToDownload = Settings.TPCountFromSite;

  // 4. The folders exist from now on.
  for (const std::u16string* folder : {&ProjectFolder, &BasesFolder}) {
    if (!folder->empty() && !platform::FolderExists(*folder) && !platform::CreateFolder(*folder)) {
      LogFile.Log("The folder " + Utf16ToUtf8(*folder) + " could not be created", 1);
    }
  }

  // 5-7. The index list and the dictionary list.
  BuildIndexList();
  BuildDictionaryList();

  // 8. The engine list.
  BuildEngineList();

  // 9. The parts of speech.
  {
    SettingsStore store;
    TSettingsReader read(store);
    Settings.PartsOfSpeech = kDefaultPartsOfSpeech;
    if (store.OpenKeyReadOnly(kSettingsKey) && read.Integer("PartsOfSpeech", Settings.PartsOfSpeech)) {
      Settings.PartsOfSpeech &= kPartsOfSpeechMask;
      if (Settings.PartsOfSpeech == 0) Settings.PartsOfSpeech = kDefaultPartsOfSpeech;
    }
  }

  // 10. The map's colours for the interface language.
  ColorFile = TemplateFolder() + u"color.ini";

  // 11. The saved option set.
  SavedOptions = TDefaultOptions();
  SavedOptions.EnabledEngines = Settings.Lwebsite;
  SavedOptions.CurrentEngine = Utf8ToUtf16(Settings.website);
  SavedOptions.LinksToDownload = Settings.TPCountFromSite;
  SavedOptions.TrackPosContext = Settings.TrackPosContext;
  SavedOptions.TrackPosExact = Settings.TrackPosExact;
  SavedOptions.WordForms = Settings.DistinguishWordForms;
  SavedOptions.ExcludeWithContext = Settings.ExcludeWithContext;
  SavedOptions.AutoRefresh = Settings.AutoRefresh;
  for (const TDictionaryEntry& entry : DictionaryList) {
    if (!entry.Active) continue;
    if (!SavedOptions.ActiveDictionaries.empty()) SavedOptions.ActiveDictionaries += ", ";
    SavedOptions.ActiveDictionaries += entry.Language;
  }
  settingsLoaded_ = true;
}

void TKestruneSession::WriteSettingsValues(SettingsStore& store) {
  const TMainSettings& s = Settings;
  store.WriteString("Dictionaries", ActiveDictionaryIds());
  store.WriteInteger("PartsOfSpeech", s.PartsOfSpeech);
  store.WriteBool("LoadAllNets", s.LoadAllNets);
  store.WriteBool("ClustersResult", s.ClustersResult);
  store.WriteBool("AnalysisMainBlock", s.AnalysisMainBlock);
  store.WriteDateTime("NewsInReg", s.NewsInReg);
  store.WriteInteger("TrackPosContext", s.TrackPosContext);
  store.WriteInteger("TrackPosExact", s.TrackPosExact);
  store.WriteInteger("TPCountFromSite", SavedOptions.LinksToDownload);
  store.WriteString("website", s.website);
  store.WriteString("Lwebsite", s.Lwebsite);
  store.WriteBool("AutoRefresh", SavedOptions.AutoRefresh);
  store.WriteBool("ExcludeWithContext", SavedOptions.ExcludeWithContext);
  store.WriteBool("DistinguishWordForms", SavedOptions.WordForms);
  store.WriteInteger("InterfaceLang", InterfaceLang);
  store.WriteBool("askforsave", s.askforsave);
  store.WriteBool("SetAsDefault", s.SetAsDefault);
  store.WriteBool("AskActivateDict", s.AskActivateDict);
  store.WriteBool("AutoActivateDictForLng", s.AutoActivateDictForLng);
  store.WriteBool("AskDownloadDictForLng", s.AskDownloadDictForLng);
  store.WriteBool("AdvanceMode", false);
  store.WriteString("Author", Utf16ToUtf8(s.Author));
  store.WriteString("Org", Utf16ToUtf8(s.Org));
  for (int32_t slot = 0; slot < kRecentSlots; ++slot) {
    store.WriteString(SlotName("LastQuery", slot), Utf16ToUtf8(RecentQueries[static_cast<size_t>(slot)]));
    store.WriteString(SlotName("LastProject", slot), Utf16ToUtf8(RecentProjects[static_cast<size_t>(slot)]));
  }
}

bool TKestruneSession::SaveSettings() {
  if (!settingsLoaded_) return true;
  // The enabled engines as the list holds them; without a list (no engine
  // template) the stored text stays as it was.
  if (!Engines.empty()) Settings.Lwebsite = EnabledEngineText(Engines);
  SettingsStore store;
  store.BeginUpdate();
  bool saved = false;
  std::string failure = "the key cannot be created";
  try {
    if (store.OpenKey(kSettingsKey, true)) {
      WriteSettingsValues(store);
      saved = true;
    }
  } catch (const std::exception& error) {
    failure = error.what();
  }
  if (!saved) {
    store.CancelUpdate();
  } else if (!store.EndUpdate()) {
    saved = false;
    failure = "the settings file cannot be written";
  }
  if (saved) {
    LogFile.Log("reg save ok");
  } else {
    LogFile.Log("reg save failed: " + failure + "; the settings file is left as it was", 2);
  }
  return saved;
}

}  // namespace kestrune
