// TSessionSettings: the main window's settings and the lists built from them.
// It reads the settings store in two stages (ReadStartupSettings before any
// form exists: the active dictionaries, the projects and bases folders, the
// interface language; LoadSettings while the main window is created:
// everything else, then the index, dictionary and engine lists) and writes
// back only what this run changed, in one update, when the window goes
// (SaveSettings). It holds the engine list and the engine box's items, the
// recent queries and projects, the option sets of the options dialog and the
// values derived from the settings (MatchSetting, LinksToDownload, ColorFile).
//
// Reading never raises: a missing value keeps its default, a value stored
// with another type reads as missing with a [Warning] line in the log (it is
// written in its own type at the next save), and numbers are held within
// their ranges. Texts in the store are UTF-8. ProjectFolder and BasesFolder
// are set by the installation and never written by the program; an absent,
// empty or relative one means the user's data folder + "Projects/", and the
// user's data folder itself.
//
// The program folder and the language table belong to the session; the unit
// keeps their addresses and reads them at each call. View may be null.
// Used on the user-interface thread.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/engine_list.h"
#include "app/lng_file.h"
#include "app/main_view.h"
#include "language/word_dictionary.h"

namespace kestrune {

namespace platform {
class SettingsStore;
}

inline constexpr const char* kSettingsKey = "SOFTWARE\\Kestrune Inc\\Kestrune Search";
inline constexpr int32_t kRecentSlots = 5;
inline constexpr int32_t kDefaultInterfaceLang = 0x0109;
inline constexpr int32_t kDefaultPartsOfSpeech = 0x804B;  // Undefined, Verb, Noun, Adjective, Invariant
inline constexpr int32_t kPartsOfSpeechMask = 0x1FFFF;    // the 17 classes
inline constexpr int32_t kMinTrackPosContext = 10;
inline constexpr int32_t kMaxTrackPosContext = 100;       // the track bar's maximum
inline constexpr int32_t kMaxTrackPosExact = 2;
inline constexpr int32_t kDefaultLinksToDownload = 100;

// One set of search options: the options dialog's saved set, and the factory
// set it can restore.
struct TDefaultOptions {
  std::string EnabledEngines;  // the Lwebsite form: each display name followed by ","
  std::u16string CurrentEngine;
  int32_t LinksToDownload = kDefaultLinksToDownload;
  int32_t TrackPosContext = 30;
  int32_t TrackPosExact = 2;
  bool WordForms = false;  // word forms are told apart
  std::string ActiveDictionaries;  // language names of the active dictionaries, joined by ", "
  bool ExcludeWithContext = false;
  bool AutoRefresh = false;
  bool AdvanceMode = false;

  bool operator==(const TDefaultOptions&) const = default;
};

// One word-dictionary file of the dictionaries folder.
struct TDictionaryEntry {
  std::string FileName;  // UTF-8, without the folder
  std::string Language;  // LanguageName of the identifier, UTF-8
  bool Active = false;
  std::u16string Author;
  std::u16string Description;
  TWDFileHeader Header;  // Header.DictID is the dictionary's identifier and language
};

// A dictionary file of the folder that the start could not read.
struct TUnreadDictionary {
  std::string FileName;  // UTF-8, without the folder
  // TIWordDictionary's result code: ReadFileHeaderStatus's, or LoadFromFile's
  // when Listed.
  int32_t Result = 0;
  int32_t DictID = -1;  // the identifier its header names; -1 when the header was not read
  bool Listed = false;  // its header was read and it is in the list; its load failed
};

// One index file of the index list.
struct TIndexEntry {
  std::u16string Path;
  bool Active = false;
  int32_t Value1 = 0;
  int32_t Value2 = 0;
};

// The main window's settings, with the values they have before the store is
// read. Names are the store's value names.
struct TMainSettings {
  double NewsInReg = 0;  // date of the newest news item shown (days since 30 December 1899)
  int32_t TrackPosContext = 30;  // words on the map, kMinTrackPosContext..kMaxTrackPosContext
  int32_t TrackPosExact = 2;     // 0 "any" .. 2 "all" of the query words
  int32_t TPCountFromSite = kDefaultLinksToDownload;
  std::string website;   // the current engine's display name (8-bit, as stored)
  std::string Lwebsite;  // the enabled engines (8-bit, as stored)
  bool AutoRefresh = false;
  bool ExcludeWithContext = false;
  bool DistinguishWordForms = false;
  bool askforsave = true;
  bool SetAsDefault = true;
  bool AskActivateDict = true;
  bool AutoActivateDictForLng = false;
  bool AskDownloadDictForLng = true;
  bool AdvanceMode = false;  // advanced mode stays off: it is read, and written as False
  std::u16string Author;
  std::u16string Org;
  int32_t PartsOfSpeech = kDefaultPartsOfSpeech;
  bool LoadAllNets = false;
  bool ClustersResult = false;
  bool AnalysisMainBlock = false;

  bool operator==(const TMainSettings&) const = default;
};


// One value of the settings key as the session writes it.
struct TSettingValue {
  enum TType : int32_t { kString, kInteger, kBool, kDateTime };
  std::string Name;
  TType Type = kString;
  std::string Text;    // kString
  int32_t Number = 0;  // kInteger, kBool (0 or 1)
  double Date = 0;     // kDateTime

  // Dates by their bits: a stored NaN equals itself.
  bool operator==(const TSettingValue& other) const {
    return Name == other.Name && Type == other.Type && Text == other.Text && Number == other.Number &&
           std::bit_cast<uint64_t>(Date) == std::bit_cast<uint64_t>(other.Date);
  }
};


class TSessionSettings {
 public:
  // programFolder (with a trailing "/") and lngHeaders must outlive the unit.
  TSessionSettings(const std::u16string& programFolder, const TLngHeaders& lngHeaders);

  IMainView* View = nullptr;  // not owned; may be null
  // The message boxes of the engine list (the session's one path for
  // them); unset: ShowMessageBox (core/message.h).
  std::function<int32_t(std::u16string_view text, std::u16string_view caption, uint32_t flags)> ShowMessage;

  // ---- values of the start ----
  int32_t InterfaceLang = 0;
  int32_t SystemLangId = 0;       // the system's language identifier (platform::SystemLangId())
  std::string Dictionaries;       // identifiers of the active dictionaries as stored ("9, 25")
  bool AllDictionariesActive = true;  // no Dictionaries value: every dictionary is active
  std::u16string ProjectFolder;   // with a trailing "/"
  std::u16string BasesFolder;     // with a trailing "/"
  int32_t MatchSetting = 2;       // TrackPosExact, read by the network's document selection

  // ---- the main window's settings and lists ----
  TMainSettings Settings;
  TDefaultOptions SavedOptions;
  TDefaultOptions FactoryOptions;
  std::vector<TDictionaryEntry> DictionaryList;  // in the folder listing's order
  std::vector<TIndexEntry> IndexList;
  // The names (paths) of the active indexes, from the current history file.
  std::vector<std::u16string> ActiveIndexPaths;
  std::array<std::u16string, kRecentSlots> RecentQueries;
  std::array<std::u16string, kRecentSlots> RecentProjects;
  // Empties both recent lists ("Clear history"): what this run stores at
  // its end holds nothing of what it read.
  void ClearRecent();
  // MapPhrases of the current history file: the map shows phrases.
  bool MapPhrases = false;
  // The map's colour file for the interface language: TemplateFolder() +
  // "color.ini".
  std::u16string ColorFile;
  // Result links wanted per search; 0 means 50.
  int32_t LinksToDownload = kDefaultLinksToDownload;
  // The dictionary files the start could not read (their headers when the
  // list is built, the files of the first load), in the order they were
  // found; the first show tells them.
  std::vector<TUnreadDictionary> UnreadDictionaries;
  // Where the start moved a settings file that was no settings hive (UTF-8
  // path as UTF-16); empty when none was moved. The first show tells it.
  std::u16string DamagedSettingsCopy;

  // ---- the engine list (engine_list.h) ----
  // The current engine's display name is Settings.website, the enabled-engine
  // text Settings.Lwebsite.
  TSearchEns Engines;
  std::string CurrentEngineTemplate;  // the current engine's template name
  bool AdvertisingBegun = false;      // "begun.ini" was found
  std::vector<std::u16string> EngineBoxItems;  // as the engine box shows them
  // The options form marked an engine change that the engine box has not
  // carried out yet.
  bool EngineChangePending = false;

  // ---- the store ----
  void ReadStartupSettings();
  void LoadSettings();
  bool SettingsLoaded() const { return settingsLoaded_; }
  // One update of the store; false (logged at [Error], the old hive whole)
  // when it could not be saved. Nothing is written when LoadSettings never
  // ran, so a window that failed early never overwrites the user's settings.
  // Only what this run changed is written, so that another run of the
  // program that changed other settings meanwhile keeps its changes: a value
  // that differs from what the load gave, and a value that the store did
  // not hold in the session's form at the load (missing, of another type,
  // out of range) while the store still holds it as then.
  bool SaveSettings();
  // The values SaveSettings compares and writes, in its order.
  std::vector<TSettingValue> SettingsValues() const;
  // Writes every value of SettingsValues to the open key of a store.
  void WriteSettingsValues(platform::SettingsStore& store);
  // The value of the setting's name and type in the open key of a store;
  // empty when it is missing or of another type.
  static std::optional<TSettingValue> StoredSetting(platform::SettingsStore& store, const TSettingValue& like);
  // The file SaveSettings writes (the current user's hive).
  static std::u16string SettingsFile();
  // Remembers the settings as loaded and as the store holds them (the end of
  // LoadSettings).
  void NoteLoadedSettings();

  // ---- lists built by LoadSettings ----
  void BuildIndexList();
  void BuildDictionaryList();
  // A dictionary file that could not be read joins UnreadDictionaries (once
  // by its name); one whose header could not be read with a line in the log
  // (a failed load logs its own).
  void NoteUnreadDictionary(const std::string& fileName, int32_t result, int32_t dictId, bool listed);
  // The identifiers of the active dictionaries joined by ", ", then those of
  // the dictionaries the start could not read that were active
  // (KeptDictionaryIds), so that a repaired file is used again.
  std::string ActiveDictionaryIds() const;
  // The identifiers a save keeps for the dictionary files the start could
  // not read: the one each header names when the file was active (and no
  // listed dictionary has it); for a file whose header could not be read,
  // every identifier of the stored Dictionaries that no listed dictionary
  // has.
  std::vector<int32_t> KeptDictionaryIds() const;
  // No Dictionaries value was stored (every dictionary active), every listed
  // dictionary is still active and a file could not be read: the value stays
  // unwritten, so that the repaired file is active again.
  bool DictionariesStayUnwritten() const;
  // True when the identifier occurs in the Dictionaries text as a whole number.
  bool DictionaryIdActive(int32_t id) const;
  // The interface language's folder name: its LangFolder, or "en" when the
  // language has none or it is not one plain folder name (empty, ".", "..",
  // holding "/", "\\" or a control character).
  std::string LangFolderName() const;
  // The page templates of the interface language: the program folder +
  // "templates/" + LangFolderName() ("en" when that folder is missing) + "/".
  std::u16string TemplateFolder() const;

  // ---- the engine list (session_engines.cpp) ----
  // The program folder's "templates/web/".
  std::u16string EngineFolder() const;
  // Lists and reads the templates, enables them from Lwebsite, sorts them and
  // chooses the current engine. Without any template the program cannot
  // run: smProgramCorrupted / smErrorTemp, and the window is asked to close.
  void BuildEngineList();
  bool EngineListFailed() const { return engineListFailed_; }
  std::string GetEngineTemplateName(std::string_view displayName) const;
  void SortEngines(bool ascending);
  // The engine box: every enabled engine, then smMoreEngines; the current
  // engine selected (the first item when it is not listed, which then
  // becomes current); the caption.
  void FillEngineBox();
  // The engine becomes current: its template looked up, the caption set.
  void MakeEngineCurrent(std::string_view displayName);
  // smKestruneVia followed by the current engine's name.
  std::u16string MainCaption() const;

 private:
  int32_t Message(std::u16string_view text, std::u16string_view caption, uint32_t flags) const;
  // Moves the current user's hive aside when it is no settings hive
  // (DamagedSettingsCopy), with a line in the log.
  void SetAsideDamagedSettings();
  // The recent slots as this run stores them: merged with what another run
  // stored since the load (MergeRecentLists), read from the open key.
  void MergeRecentSlots(platform::SettingsStore& store);

  const std::u16string& programFolder_;
  const TLngHeaders& lngHeaders_;
  bool settingsLoaded_ = false;
  bool engineListFailed_ = false;
  // The settings as the load left them, and as the store held them then.
  std::vector<TSettingValue> loadedSettings_;
  std::vector<std::optional<TSettingValue>> storedSettings_;
  // The recent slots as the load (or the last save) left them.
  std::array<std::u16string, kRecentSlots> loadedQueries_;
  std::array<std::u16string, kRecentSlots> loadedProjects_;
  bool recentCleared_ = false;  // ClearRecent since the load or the last save
};

}  // namespace kestrune
