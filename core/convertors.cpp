#include "core/convertors.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "core/base.h"
#include "core/find_files.h"
#include "core/log_file.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "platform/text.h"

namespace kestrune {

namespace {

// Trims what Delphi's Trim trims: every unit up to and including the blank.
std::string_view Trim(std::string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

// Looks up the ten entry points; false when a required one is missing.
bool BindEntryPoints(TConverterPlugin& plugin) {
  const platform::DynamicLibrary& module = plugin.Module;
  plugin.GetCompatibilityFlags = module.Lookup<TConverterEntryPoint>("GetCompatibilityFlags");
  plugin.ConvertToUnicode = module.Lookup<TConverterEntryPoint>("ConvertToUnicode");
  plugin.ConvertToPureText = module.Lookup<TConverterEntryPoint>("ConvertToPureText");
  plugin.ConvertMemoryToUnicode = module.Lookup<TConverterEntryPoint>("ConvertMemoryToUnicode");
  plugin.ConvertMemoryToPureText = module.Lookup<TConverterEntryPoint>("ConvertMemoryToPureText");
  plugin.GetTypeDescription = module.Lookup<TConverterEntryPoint>("GetTypeDescription");
  plugin.GetConversionError = module.Lookup<TConverterEntryPoint>("GetConversionError");
  plugin.ListSupportedTypes = module.Lookup<TListSupportedTypes>("ListSupportedTypes");
  plugin.IsFileTypeSupported = module.Lookup<TConverterEntryPoint>("IsFileTypeSupported");
  plugin.IsFileSupported = module.Lookup<TConverterEntryPoint>("IsFileSupported");
  return plugin.GetCompatibilityFlags && plugin.ConvertToUnicode && plugin.GetConversionError &&
         plugin.ListSupportedTypes && plugin.IsFileTypeSupported;
}

}  // namespace

void AddConverterTypes(std::string_view text, std::vector<std::string>& list) {
  text = Trim(text);
  while (!text.empty()) {
    const size_t end = std::min(text.find(';'), text.size());
    const std::string_view piece = Trim(text.substr(0, end));
    if (!piece.empty()) list.emplace_back(piece);
    if (end == text.size()) break;
    text.remove_prefix(end + 1);
  }
}

std::u16string ConverterServerFolder() {
  try {
    platform::SettingsStore store;
    store.SetRootKey(platform::kHKeyClassesRoot);
    if (!store.OpenKeyReadOnly(kConverterServerKey)) return {};
    if (store.GetDataType("") != platform::RegDataType::kString) return {};
    const std::u16string file = platform::Utf8ToUtf16(store.ReadString(""));
    if (file.empty() || file.size() > kMaxConverterServerPath || !platform::FileExists(file)) return {};
    const size_t slash = file.rfind(u'/');
    if (slash == std::u16string::npos) return {};
    return file.substr(0, slash + 1);
  } catch (const std::exception&) {
    return {};
  }
}

TVSConvertors::TVSConvertors() {
  LoadPlugins();
  ListTypes();
}

TVSConvertors::~TVSConvertors() { UnloadPlugins(); }

void TVSConvertors::LoadPlugins() {
  if (!plugins_.empty()) UnloadPlugins();
  const std::u16string programFolder = platform::ProgramFolder();
  SearchFolder(programFolder);
  if (!plugins_.empty()) return;
  SearchFolder(programFolder + u"Converters/");
  if (!plugins_.empty()) return;
  const std::u16string serverFolder = ConverterServerFolder();
  if (!serverFolder.empty()) SearchFolder(serverFolder);
}

void TVSConvertors::UnloadPlugins() {
  // Each plug-in's destructor unloads its library.
  plugins_.clear();
}

void TVSConvertors::SearchFolder(const std::u16string& folder) {
  const std::u16string path = AddBackslash(folder);
  if (!platform::FolderExists(path)) return;
  std::vector<std::u16string> files;
  WideFindFiles(files, path, platform::Utf8ToUtf16(kConverterPluginMask), kFaDirectory, false);

  std::vector<TConverterPlugin> found;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::u16string& file = files[i];
    if (found.size() == static_cast<size_t>(kMaxConverterPlugins)) {
      LogFile.Log("Converter plug-ins: the table is full (" + std::to_string(kMaxConverterPlugins) + "); " +
                      std::to_string(files.size() - i) + " more libraries in \"" + platform::Utf16ToUtf8(path) +
                      "\" are not loaded.",
                  1);
      break;
    }
    TConverterPlugin plugin;
    if (!plugin.Module.Load(file)) continue;
    if (!BindEntryPoints(plugin)) continue;  // the library is unloaded with `plugin`
    plugin.Folder = path;
    found.push_back(std::move(plugin));
  }
  plugins_ = std::move(found);
}

const std::vector<std::string>& TVSConvertors::ListTypes() {
  types_.clear();
  for (const TConverterPlugin& plugin : plugins_) {
    int32_t reserved = 0;
    const char* text = plugin.ListSupportedTypes(&reserved);
    if (text) AddConverterTypes(text, types_);
  }
  // Sorted without regard to case; texts that are equal so keep table order.
  std::vector<std::pair<std::u16string, std::string>> keyed;
  keyed.reserve(types_.size());
  for (std::string& type : types_) keyed.emplace_back(platform::Utf8ToUtf16(type), std::move(type));
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
    return platform::CompareNoCase(a.first, b.first) < 0;
  });
  for (size_t i = 0; i < keyed.size(); ++i) types_[i] = std::move(keyed[i].second);
  return types_;
}

}  // namespace kestrune
