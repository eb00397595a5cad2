// TVSConvertors: finds and loads the document-converter plug-ins and lists
// the file types they support (the main window makes its list of document
// extensions from it). The plug-ins' interface is core/convertor_plugin.h.
//
// Plug-ins are shared objects named "imp*.so". Three places are searched in
// this order, and the search stops at the first place that yields at least
// one usable plug-in:
//   1. the program's folder (platform::ProgramFolder(): KESTRUNE_HOME when set);
//   2. its "Converters/" folder;
//   3. the folder of the file recorded as the in-process server of the
//      converter class: the default value of the classes-root key
//      "CLSID\{3F9E2A14-8C07-4B5D-9E61-0A7D52C4B813}\InprocServer32" in the
//      settings store; skipped when the key or value is missing, the value is
//      not a string or longer than 260 characters, or the file it names does
//      not exist.
// A folder's libraries are taken in the sorted order of core/find_files.h,
// each loaded by its full path; a library that cannot be loaded is skipped,
// one that lacks a required entry point is unloaded at once. At most
// kMaxConverterPlugins plug-ins are kept; the rest of that folder is ignored
// with a warning in the log. The process's current folder is never changed.
//
// The loader owns its plug-ins and keeps them loaded until UnloadPlugins or
// its destruction. It takes no lock: one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/convertor_plugin.h"
#include "platform/dynamic_library.h"

namespace kestrune {

inline constexpr int32_t kMaxConverterPlugins = 1024;
inline constexpr char kConverterPluginMask[] = "imp*.so";
inline constexpr char kConverterServerKey[] =
    "CLSID\\{3F9E2A14-8C07-4B5D-9E61-0A7D52C4B813}\\InprocServer32";
inline constexpr size_t kMaxConverterServerPath = 260;

// One loaded plug-in: the folder it was found in (with a trailing "/"), its
// library, and its entry points (the optional ones null when absent).
struct TConverterPlugin {
  std::u16string Folder;
  platform::DynamicLibrary Module;
  TConverterEntryPoint GetCompatibilityFlags = nullptr;
  TConverterEntryPoint ConvertToUnicode = nullptr;
  TConverterEntryPoint ConvertToPureText = nullptr;
  TConverterEntryPoint ConvertMemoryToUnicode = nullptr;
  TConverterEntryPoint ConvertMemoryToPureText = nullptr;
  TConverterEntryPoint GetTypeDescription = nullptr;
  TConverterEntryPoint GetConversionError = nullptr;
  TListSupportedTypes ListSupportedTypes = nullptr;
  TConverterEntryPoint IsFileTypeSupported = nullptr;
  TConverterEntryPoint IsFileSupported = nullptr;
};

class TVSConvertors {
 public:
  // LoadPlugins, then ListTypes.
  TVSConvertors();
  // UnloadPlugins.
  ~TVSConvertors();
  TVSConvertors(const TVSConvertors&) = delete;
  TVSConvertors& operator=(const TVSConvertors&) = delete;

  // Unloads what is loaded, then searches the three places in order.
  void LoadPlugins();
  // Unloads every plug-in and empties the table (the type list stays).
  void UnloadPlugins();
  // Rebuilds and returns the type list: the types every plug-in lists, in
  // table order, trimmed, empty pieces dropped, duplicates kept, then sorted
  // without regard to case (ties keep their order). A plug-in that returns
  // no text supports no types.
  const std::vector<std::string>& ListTypes();

  // The type list as the last ListTypes made it (8-bit, without the dot).
  const std::vector<std::string>& Types() const { return types_; }
  int32_t PluginCount() const { return static_cast<int32_t>(plugins_.size()); }
  const TConverterPlugin& Plugins(int32_t index) const { return plugins_.at(static_cast<size_t>(index)); }

 private:
  // Replaces the table with the usable plug-ins of the folder; a folder that
  // does not exist changes nothing.
  void SearchFolder(const std::u16string& folder);

  std::vector<TConverterPlugin> plugins_;
  std::vector<std::string> types_;
};

// The folder recorded for the converter server in the settings store (with a
// trailing "/"), or empty when that place is to be skipped. Never throws.
std::u16string ConverterServerFolder();

// Splits a plug-in's type text as ListTypes does: trims it, splits it at
// every ";", trims each piece and appends every non-empty piece to the list.
void AddConverterTypes(std::string_view text, std::vector<std::string>& list);

}  // namespace kestrune
