#include "registrar/registrar.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include "platform/process.h"
#include "platform/text.h"

namespace kestrune::registrar {

using platform::HKEY;

namespace {

const std::string kExtensionsKey = "SoftWare\\Microsoft\\Internet Explorer\\Extensions\\" + std::string(kCls);
const std::string kMenuKey = "SoftWare\\Microsoft\\Internet Explorer\\MenuExt\\Kestrune";
const std::string kClassKey = "CLSID\\" + std::string(kCls);
const std::string kProgIDKey(kProgID);

// The index of the record after which the script file is written.
constexpr size_t kMenuRecord = 1;

std::string RootName(HKEY root) {
  switch (root) {
    case platform::kHKeyClassesRoot: return "HKEY_CLASSES_ROOT";
    case platform::kHKeyCurrentUser: return "HKEY_CURRENT_USER";
    case platform::kHKeyLocalMachine: return "HKEY_LOCAL_MACHINE";
    default: return "HKEY_" + std::to_string(root);
  }
}

std::string ErrorText(int error) { return std::strerror(error); }

std::string ScriptFile(const TRegistrarPaths& paths) { return paths.Dir + std::string(kScriptFileName); }

// Writes one record's values into its open key. False when any failed; the
// first failure of the record is reported.
bool WriteValues(platform::SettingsStore& store, const TRegistrarRecord& record) {
  bool ok = true;
  for (const auto& [name, data] : record.Values) {
    try {
      store.WriteString(name, data);
    } catch (const platform::ERegistryException& e) {
      if (ok) ShowErrorBox(std::string(e.what()) + " in \"" + RootName(record.Root) + "\\" + record.Key + "\"");
      ok = false;
    }
  }
  return ok;
}

void ReportStoreRefusal(std::string_view line) { ShowErrorBox(line); }

std::string AsciiUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

TRegistrarPaths OwnPaths() {
  TRegistrarPaths paths;
  paths.Exe = platform::Utf16ToUtf8(platform::ProgramFile());
  const size_t slash = paths.Exe.rfind('/');
  if (slash == std::string::npos) {
    paths.Exe.clear();
  } else {
    paths.Dir = paths.Exe.substr(0, slash + 1);
  }
  return paths;
}

std::vector<TRegistrarRecord> IntegrationRecords(const TRegistrarPaths& paths) {
  const std::string& exe = paths.Exe;
  return {
      {platform::kHKeyLocalMachine,
       kExtensionsKey,
       {{"ButtonText", "Kestrune Search"},
        {"clsid", std::string(kButtonClass)},
        {"Default Visible", "Yes"},
        {"Exec", exe},
        {"HotIcon", exe + ",1"},
        {"Icon", exe + ",2"},
        {"MenuCustomize", "Tools"},
        {"MenuStatusBar", "Kestrune"},
        {"MenuText", "Kestrune"}}},
      {platform::kHKeyCurrentUser, kMenuKey, {{"", ScriptFile(paths)}}},
      {platform::kHKeyClassesRoot, kClassKey + "\\LocalServer32", {{"", exe}}},
      {platform::kHKeyClassesRoot, kClassKey + "\\ProgID", {{"", std::string(kProgID)}}},
      {platform::kHKeyClassesRoot, kProgIDKey + "\\CLSID", {{"", std::string(kCls)}}},
  };
}

std::vector<std::pair<HKEY, std::string>> IntegrationKeys() {
  return {
      {platform::kHKeyLocalMachine, kExtensionsKey},
      {platform::kHKeyCurrentUser, kMenuKey},
      {platform::kHKeyClassesRoot, kClassKey + "\\LocalServer32"},
      {platform::kHKeyClassesRoot, kClassKey + "\\ProgID"},
      {platform::kHKeyClassesRoot, kClassKey},
      {platform::kHKeyClassesRoot, kProgIDKey + "\\CLSID"},
      {platform::kHKeyClassesRoot, kProgIDKey},
  };
}

void WriteStringToStream(platform::NativeFile& stream, std::string_view text, std::string_view fileName) {
  const auto size = static_cast<int64_t>(text.size());
  if (stream.Write(text.data(), size) != size) {
    throw EWriteError("Cannot write file \"" + std::string(fileName) + "\". " + ErrorText(stream.LastError()));
  }
}

void WriteTextFile(std::string_view text, std::string_view path) {
  const std::u16string target = platform::Utf8ToUtf16(path);
  auto createError = [&](int error) {
    return EFCreateError("Cannot create file \"" + std::string(path) + "\". " + ErrorText(error));
  };
  if (platform::FolderExists(target)) throw createError(EISDIR);
  const std::u16string temp = platform::CreateTempFileBeside(target);
  if (temp.empty()) throw createError(platform::LastError());
  try {
    platform::NativeFile file;
    if (!file.Open(temp, platform::NativeFile::Access::kWrite, false, true)) throw createError(file.LastError());
    WriteStringToStream(file, text, path);
    file.Close();
    if (!platform::ReplaceFile(temp, target)) throw createError(platform::LastError());
  } catch (...) {
    platform::RemoveFile(temp);
    throw;
  }
}

bool RegisterIntegration(const TRegistrarPaths& paths) {
  bool ok = true;
  platform::SettingsStore store;
  const std::vector<TRegistrarRecord> records = IntegrationRecords(paths);
  for (size_t i = 0; i < records.size(); ++i) {
    const TRegistrarRecord& record = records[i];
    store.SetRootKey(record.Root);
    if (!store.OpenKey(record.Key, true)) {
      ShowErrorBox("Cannot create key \"" + RootName(record.Root) + "\\" + record.Key + "\"");
      ok = false;
      continue;
    }
    if (!WriteValues(store, record)) ok = false;
    store.CloseKey();
    if (i == kMenuRecord) WriteTextFile(kScriptText, ScriptFile(paths));
  }
  return ok;
}

void UnregisterIntegration(const TRegistrarPaths& paths) {
  platform::SettingsStore store;
  for (const auto& [root, key] : IntegrationKeys()) {
    store.SetRootKey(root);
    store.DeleteKey(key);
  }
  const std::u16string script = platform::Utf8ToUtf16(ScriptFile(paths));
  if (platform::FileExists(script)) platform::RemoveFile(script);
}

bool LaunchMainProgram(const TRegistrarPaths& paths) {
  const std::string program = paths.Dir + std::string(kMainProgramName);
  // Nobody waits for the main program: the registrar ends at once.
  const int32_t error = platform::StartProcess({program, "/ie"}, false, [](int32_t, int32_t) {});
  if (error == 0) return true;
  ShowErrorBox("Cannot start \"" + program + "\". " + ErrorText(error));
  return false;
}

void ShowErrorBox(std::string_view text) {
  const std::string line = "ravelst: " + std::string(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

int RegistrarMain(const std::vector<std::string>& arguments) {
  platform::SetSettingsLogHook(&ReportStoreRefusal);
  const TRegistrarPaths paths = OwnPaths();
  if (paths.Exe.empty()) {
    ShowErrorBox("Cannot find the path of the running program.");
    return 1;
  }
  const std::string command = arguments.size() == 1 ? AsciiUpper(arguments[0]) : std::string();
  try {
    if (command == "/R") return RegisterIntegration(paths) ? 0 : 1;
    if (command == "/U") {
      UnregisterIntegration(paths);
      return 0;
    }
    return LaunchMainProgram(paths) ? 0 : 1;
  } catch (const std::exception& e) {
    ShowErrorBox(e.what());
    return 1;
  }
}

}  // namespace kestrune::registrar
