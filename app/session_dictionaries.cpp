// The dictionaries, the stop words and the history file's settings of
// TKestruneSession.
#include <algorithm>

#include "app/history_settings.h"
#include "app/kestrune_session.h"
#include "core/find_files.h"
#include "core/log_file.h"
#include "language/stop_list.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

std::u16string TKestruneSession::DictionariesFolder() const { return Start.ProgramFolder + u"dictionaries/"; }

void TKestruneSession::LoadDictionaries(bool reloadStopWords) {
  // 1. Everything that the old dictionaries numbered goes: the words, the
  // phrases and their index, the indexer, the network built over them.
  WordDictionary.Clear();
  WordDictionary.ClearPhrase();
  WordDictionary.FreePhraseIndex();
  IIndexer1.Clear();
  WordDictionary.ClearPhrase();
  Config.ActiveIndexPaths.clear();
  NetworkReset();

  // 2.-4. The history file: the phrase switch and the active indexes (its
  // MAIN/Path is written back from the file's own folder).
  THistorySettings history;
  if (!IHistory1.CurrentFile().empty()) ReadHistorySettings(IHistory1.CurrentFile(), history);
  Config.MapPhrases = history.MapPhrases;
  for (const std::u16string& name : history.IndexNames) {
    if (!platform::FileExists(name)) continue;
    if (std::find(Config.ActiveIndexPaths.begin(), Config.ActiveIndexPaths.end(), name) == Config.ActiveIndexPaths.end()) {
      Config.ActiveIndexPaths.push_back(name);
    }
  }
  for (TIndexEntry& entry : Config.IndexList) {
    entry.Active = std::find(Config.ActiveIndexPaths.begin(), Config.ActiveIndexPaths.end(), entry.Path) != Config.ActiveIndexPaths.end();
  }

  // 5. The indexers' dictionaries folder.
  const std::u16string folder = DictionariesFolder();
  IIndexer1.SetDictionariesPath(folder);

  // 6.-8. The active dictionaries in list order, with progress.
  int32_t active = 0;
  for (const TDictionaryEntry& entry : Config.DictionaryList) active += entry.Active ? 1 : 0;
  int32_t loaded = 0;
  auto report = [&](int32_t percent, std::u16string_view text, int32_t count, int32_t done) {
    if (Hooks.OnDictionaryProgress) Hooks.OnDictionaryProgress(percent, text, count, done);
  };
  report(0, u"", 0, 0);
  // The dictionary's progress hook lives as long as this load.
  struct TProgressHook {
    TIWordDictionary& dictionary;
    ~TProgressHook() { dictionary.OnProgressChange = nullptr; }
  } hook{WordDictionary};
  if (Hooks.OnDictionaryProgress) {
    WordDictionary.OnProgressChange = [&](int32_t progress) { report(progress, u"", active, loaded); };
  }
  for (const TDictionaryEntry& entry : Config.DictionaryList) {
    if (!entry.Active) continue;
    const std::u16string name = Utf8ToUtf16(entry.FileName);
    report(0, u"Dict " + name, active, loaded);
    const int32_t result = WordDictionary.LoadFromFile(folder + name);
    if (result != TIWordDictionary::kFileDone) {
      LogFile.Log("The dictionary " + entry.FileName + " was not loaded (" + std::to_string(result) + ")", 2);
      Config.NoteUnreadDictionary(entry.FileName, result, entry.Header.DictID, true);
    }
    ++loaded;
  }
  report(100, u"", 1, 1);

  // 9.-10.
  if (reloadStopWords) LoadStopWords();
  if (View) View->SetProgress(0);
  SaveHistorySettings();
}

void TKestruneSession::LoadStopWords() {
  std::vector<std::u16string> lists;
  WideFindFiles(lists, DictionariesFolder(), u"stop*.txt", kFaDirectory, false);
  for (const std::u16string& list : lists) {
    if (MarkStopList(WordDictionary, list) < 0) {
      LogFile.Log("The stop-word list " + Utf16ToUtf8(list) + " cannot be read", 1);
    }
  }
}

void TKestruneSession::SaveHistorySettings() {
  const std::u16string& file = IHistory1.CurrentFile();
  if (file.empty()) return;
  TIniText ini;
  // A file that is there but cannot be read is left alone: written from
  // nothing, it would lose every other section.
  if (!ini.Load(file) && platform::GetPathInfo(file).exists) {
    LogFile.Log("The history file " + Utf16ToUtf8(file) + " cannot be read; it is not written", 2);
    return;
  }
  ini.EraseSection("Indexes");
  const size_t slash = file.rfind(u'/');
  const std::u16string folder = slash == std::u16string::npos ? u"" : file.substr(0, slash + 1);
  ini.WriteValue("MAIN", "Path", QuoteIniValue(Utf16ToUtf8(folder)));
  ini.WriteValue("Other", "MapPhrases", Config.MapPhrases ? "true" : "false");
  for (const std::u16string& name : Config.ActiveIndexPaths) {
    const auto entry = std::find_if(Config.IndexList.begin(), Config.IndexList.end(),
                                    [&](const TIndexEntry& e) { return e.Path == name; });
    if (entry == Config.IndexList.end()) continue;
    if (name.find_first_of(u"\r\n") != std::u16string::npos) {
      LogFile.Log("The index name " + Utf16ToUtf8(name) + " holds a line break; it is not written", 1);
      continue;
    }
    ini.WriteValue("Indexes", QuoteIniValue(Utf16ToUtf8(name)), std::to_string(entry->Value1), true);
  }
  if (ini.Save(file) != 0) {
    LogFile.Log("The history file " + Utf16ToUtf8(file) + " could not be written; it is left as it was", 2);
  }
}

void TKestruneSession::IHistory1Menu(std::u16string_view path) {
  IHistory1.Add(path);
  if (!IHistory1.CurrentFile().empty()) LoadDictionaries(true);
}

}  // namespace kestrune
