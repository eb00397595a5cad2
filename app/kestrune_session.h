// TKestruneSession: the program's state without widgets. The main window is a
// thin shell over it: the session owns the settings, the lists built from them
// and the program-wide values of the start, decides what happens, and reaches
// the screen only through IMainView, IBrowserOpener and ISendMail. Tests drive
// it without a screen.
//
// Settings live in the settings store (current user, key kSettingsKey) and are
// read in two stages: ReadStartupSettings before any form exists (the active
// dictionaries, the projects and bases folders, the interface language), and
// LoadSettings while the main window is created (everything else, and the
// dictionary and index lists built from them). SaveSettings writes them back
// in one update of the store when the main window is destroyed; nothing is
// written before. Reading never raises: a missing value keeps its default, a
// value stored with another type reads as missing with a [Warning] line in the
// log (it is written in its own type at the next save), and numbers are held
// within their ranges.
//
// Texts in the store are UTF-8: folders, the author and organisation, the
// recent queries and projects. ProjectFolder and BasesFolder are set by the
// installation and never written by the program; an absent, empty or relative
// one means the user's data folder (UserDataFolder()) + "Projects/", and the
// user's data folder itself.
//
// One session per program run, used on the user-interface thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/lng_file.h"
#include "app/lng_list.h"
#include "language/word_dictionary.h"

namespace kestrune {

class IMainView;
class IBrowserOpener;
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

class TKestruneSession {
 public:
  // programFolder: the program's folder with a trailing "/" (ProgramFolder()
  // when empty).
  explicit TKestruneSession(std::u16string_view programFolder = {});
  TKestruneSession(const TKestruneSession&) = delete;
  TKestruneSession& operator=(const TKestruneSession&) = delete;

  // ---- the screen (not owned; may be null) ----
  IMainView* View = nullptr;
  IBrowserOpener* Opener = nullptr;

  // ---- program-wide values of the start ----
  const std::u16string& ProgramFolder() const { return programFolder_; }
  std::u16string LanguageFolder;  // ProgramFolder() + "Language/"
  TLngHeaders LngHeaders;         // the language table
  TLngList LanguageList;          // the options dialog's list of languages
  int32_t InterfaceLang = 0;
  int32_t SystemLangId = 0;       // the system's language identifier (platform::SystemLangId())
  std::string Dictionaries;       // identifiers of the active dictionaries as stored ("9, 25")
  bool AllDictionariesActive = true;  // no Dictionaries value: every dictionary is active
  std::u16string ProjectFolder;   // with a trailing "/"
  std::u16string BasesFolder;     // with a trailing "/"
  // A downloaded installer, which the program hands to the user's program for
  // it after its message loop; empty when none.
  std::u16string InstallerPath;
  // The project named on the command line (its extension exactly ".kqp"), to
  // open when the main window is first shown; empty when none.
  std::u16string CommandLineProject;
  int32_t MatchSetting = 2;       // TrackPosExact, read by the network's document selection

  // ---- the main window's settings and lists ----
  TMainSettings Settings;
  TDefaultOptions SavedOptions;
  TDefaultOptions FactoryOptions;
  std::vector<TDictionaryEntry> DictionaryList;  // in the folder listing's order
  std::vector<TIndexEntry> IndexList;
  std::vector<std::u16string> ActiveIndexPaths;
  std::array<std::u16string, kRecentSlots> RecentQueries;
  std::array<std::u16string, kRecentSlots> RecentProjects;
  // The map's colour file for the interface language: the program folder +
  // "templates/" + the language's LangFolder ("en" when that folder is
  // missing) + "/color.ini".
  std::u16string ColorFile;

  // ---- the start ----
  // The command line's arguments after the program name: the first names a
  // project when it ends in ".kqp" (exactly); everything else is ignored.
  void SetArguments(const std::vector<std::u16string>& arguments);
  // The language folder and its table.
  void ReadLanguageTable();
  // Before any form exists: the options dialog's language list and the
  // message strings of the chosen language (MessageStrings).
  void LoadStartupMessages();
  // The data folders "dictionaries", "templates/en" and "update" of the
  // program folder, in this order, must be folders (spelled as here or
  // otherwise in letter case). False at the first that is not; its name goes
  // to *missing when given.
  static bool CheckDataFolders(std::u16string_view programFolder, std::u16string* missing = nullptr);
  // After the message loop: a downloaded installer goes to the user's program
  // for it (Opener->OpenLocalFile) only when it is a regular file directly in
  // the program's "Update/" folder; nothing is executed here. A refusal or a
  // failure is logged, not shown.
  void StartInstaller();

  // ---- settings ----
  void ReadStartupSettings();
  void LoadSettings();
  bool SettingsLoaded() const { return settingsLoaded_; }
  // One update of the store; false (logged at [Error], the old hive whole)
  // when it could not be saved. Nothing is written when LoadSettings never
  // ran, so a window that failed early never overwrites the user's settings.
  bool SaveSettings();
  // The values SaveSettings writes, in its order, to the open key of a store.
  void WriteSettingsValues(platform::SettingsStore& store);

  // ---- lists built by LoadSettings ----
  void BuildIndexList();
  void BuildDictionaryList();
  // Stand-in for the engine list: until the program lists its engine
  // templates, the current and enabled engines (website, Lwebsite) stay as
  // they were read, and SaveSettings writes them back unchanged.
  void EngineListStandIn();
  // The identifiers of the active dictionaries joined by ", ".
  std::string ActiveDictionaryIds() const;
  // True when the identifier occurs in the Dictionaries text as a whole number.
  bool DictionaryIdActive(int32_t id) const;

 private:
  std::u16string programFolder_;
  bool settingsLoaded_ = false;
};

}  // namespace kestrune
