#include "app/kestrune_session.h"

#include <filesystem>
#include <system_error>

#include "app/browser_opener.h"
#include "app/message_loader.h"
#include "core/base.h"
#include "core/errors.h"
#include "core/find_files.h"
#include "core/ini_bath.h"
#include "core/log_file.h"
#include "core/message_strings.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

namespace {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

bool EndsWith(std::u16string_view text, std::u16string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::u16string FileNameOf(std::u16string_view path) {
  const size_t slash = path.rfind(u'/');
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

// The path with every folder resolved (letter case, links), or empty.
std::filesystem::path CanonicalPath(std::u16string_view path) {
  std::error_code error;
  std::filesystem::path canonical = std::filesystem::canonical(platform::ResolvePath(path), error);
  return error ? std::filesystem::path() : canonical;
}

}  // namespace

TKestruneSession::TKestruneSession(std::u16string_view programFolder)
    : SystemLangId(platform::SystemLangId()),
      programFolder_(programFolder.empty() ? platform::ProgramFolder() : AddBackslash(programFolder)) {}

void TKestruneSession::SetArguments(const std::vector<std::u16string>& arguments) {
  CommandLineProject.clear();
  if (!arguments.empty() && EndsWith(arguments[0], u".kqp")) CommandLineProject = arguments[0];
}

void TKestruneSession::ReadLanguageTable() {
  // Spelled as the program names it; a folder spelled otherwise is found by
  // the files layer's case-insensitive fallback.
  LanguageFolder = programFolder_ + u"Language/";
  LoadLngHeaders(LanguageFolder, LngHeaders);
}

void TKestruneSession::LoadStartupMessages() {
  StartupReload(LanguageFolder, LngHeaders, InterfaceLang, nullptr, MessageStrings, LanguageList);
}

bool TKestruneSession::CheckDataFolders(std::u16string_view programFolder, std::u16string* missing) {
  const std::u16string folder = AddBackslash(programFolder);
  for (std::u16string_view name : {u"dictionaries", u"templates/en", u"update"}) {
    if (!platform::FolderExists(folder + std::u16string(name))) {
      if (missing) *missing = name;
      return false;
    }
  }
  return true;
}

void TKestruneSession::StartInstaller() {
  if (InstallerPath.empty()) return;
  const std::string shown = Utf16ToUtf8(InstallerPath);
  const std::filesystem::path updateFolder = CanonicalPath(programFolder_ + u"Update");
  const std::filesystem::path installer = CanonicalPath(InstallerPath);
  if (updateFolder.empty() || installer.empty() || installer.parent_path() != updateFolder ||
      !platform::RegularFileExists(InstallerPath)) {
    LogFile.Log("The installer " + shown + " is no file of the program's Update folder; it is not started", 1);
    return;
  }
  if (!Opener || !Opener->OpenLocalFile(InstallerPath)) {
    LogFile.Log("The installer " + shown + " could not be handed to the desktop", 2);
    return;
  }
  LogFile.Log("The installer " + shown + " was handed to the desktop");
}

void TKestruneSession::BuildIndexList() {
  IndexList.clear();
  const std::u16string file = BasesFolder + u"bases/Indexes.txt";
  if (!platform::RegularFileExists(file)) return;
  try {
    TIniBath ini(file);
    ini.SetQuoteMode(true);
    while (ini.ReadLine()) {
      try {
        if (!ini.ParseLine() || ini.Section() != "Indexes") continue;
      } catch (const ERangeError&) {
        continue;  // more than 32 values: the line is skipped
      }
      TIndexEntry entry;
      entry.Path = Utf8ToUtf16(ini.Key());
      if (entry.Path.empty() || !platform::FileExists(entry.Path)) continue;
      for (const std::u16string& active : ActiveIndexPaths) entry.Active = entry.Active || active == entry.Path;
      entry.Value1 = LngNumber(ini.Values()[1]);
      entry.Value2 = LngNumber(ini.Values()[2]);
      IndexList.push_back(std::move(entry));
    }
  } catch (const std::exception& error) {
    LogFile.Log("The index list " + Utf16ToUtf8(file) + " could not be read: " + error.what(), 1);
  }
}

bool TKestruneSession::DictionaryIdActive(int32_t id) const {
  const std::string test = " " + Dictionaries + ",";
  return (" " + test + ",").find(" " + std::to_string(id) + ",") != std::string::npos;
}

void TKestruneSession::BuildDictionaryList() {
  DictionaryList.clear();
  std::vector<std::u16string> files;
  WideFindFiles(files, programFolder_ + u"dictionaries/", u"*.dws", 0, false);
  TIWordDictionary reader;
  for (const std::u16string& path : files) {
    if (!EndsWith(path, u".dws")) continue;  // the mask matches without regard to case
    TDictionaryEntry entry;
    std::u16string morphologyFile;
    if (!reader.ReadFileHeader(path, entry.Header, morphologyFile, entry.Author, entry.Description)) continue;
    entry.FileName = Utf16ToUtf8(FileNameOf(path));
    entry.Language = Utf16ToUtf8(LanguageName(entry.Header.DictID));
    entry.Active = AllDictionariesActive || DictionaryIdActive(entry.Header.DictID);
    DictionaryList.push_back(std::move(entry));
  }
}

std::string TKestruneSession::ActiveDictionaryIds() const {
  std::string text;
  for (const TDictionaryEntry& entry : DictionaryList) {
    if (!entry.Active) continue;
    if (!text.empty()) text += ", ";
    text += std::to_string(entry.Header.DictID);
  }
  return text;
}

void TKestruneSession::EngineListStandIn() {}

}  // namespace kestrune
