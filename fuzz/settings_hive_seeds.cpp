// Seeds for the hive reader: hives saved by the settings store itself.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "fuzz/seeds.h"
#include "platform/settings_store.h"

namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace

KESTRUNE_SEEDS(settings_hive) {
  using namespace kestrune::platform;
  std::string temp = std::filesystem::temp_directory_path().string() + "/kestrune-hive-seeds-XXXXXX";
  if (!::mkdtemp(temp.data())) return;
  temp += "/";
  std::optional<std::string> oldEnv;
  if (const char* old = std::getenv("KESTRUNE_CONFIG_HOME")) oldEnv = old;
  ::setenv("KESTRUNE_CONFIG_HOME", temp.c_str(), 1);
  {
    SettingsStore store;
    // The main program's settings.
    if (store.OpenKey("SOFTWARE\\Kestrune Inc\\Kestrune Search", true)) {
      store.WriteString("Dictionaries", "9, 25");
      store.WriteString("ProjectFolder", "/home/user/Kestrune/Projects");
      store.WriteInteger("InterfaceLang", 0x0109);
      store.WriteInteger("TrackPosContext", 30);
      store.WriteBool("askforsave", true);
      store.WriteDateTime("NewsInReg", 45123.5);
      store.WriteString("LastQuery0", "caf\xC3\xA9 \"quoted\" 100%");
      store.WriteString("Author", std::string("line1\r\nline2\0end", 16));
    }
    // The registrar's records.
    store.SetRootKey(kHKeyClassesRoot);
    if (store.OpenKey("CLSID\\{6D0B3A57-2E91-4C8F-B7A4-91E25F3C08D6}\\LocalServer32", true)) {
      store.WriteString("", "/opt/kestrune/ravelst");
    }
    if (store.OpenKey("Kestrune.IELink\\CLSID", true)) {
      store.WriteString("", "{6D0B3A57-2E91-4C8F-B7A4-91E25F3C08D6}");
    }
    store.OpenKey("Empty\\Leaf", true);
    // Odd names and every byte.
    store.SetRootKey(kHKeyLocalMachine);
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    if (store.OpenKey("Odd\\[x]\\%41\\\xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87", true)) {
      store.WriteString(std::string("nul\0name", 8), all);
      store.WriteBinaryData("@", all.data(), static_cast<int32_t>(all.size()));
      store.WriteBinaryData("nothing", nullptr, 0);
      store.WriteInteger("min", INT32_MIN);
    }
    if (store.OpenKey("", false)) store.WriteString("at root", "");
  }
  for (const char* name : {"current_user.hive", "classes_root.hive", "local_machine.hive"}) {
    kestrune::fuzz::WriteSeed(folder, name, ReadWhole(temp + name));
  }
  if (oldEnv) {
    ::setenv("KESTRUNE_CONFIG_HOME", oldEnv->c_str(), 1);
  } else {
    ::unsetenv("KESTRUNE_CONFIG_HOME");
  }
  std::error_code ec;
  std::filesystem::remove_all(temp, ec);
}
