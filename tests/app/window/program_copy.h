// The built program folder copied for the end-to-end tests of the main
// window, its engines replaced by the loopback engine of a test server.
#pragma once

#include <filesystem>
#include <string>

#include "platform/settings_store.h"
#include "tests/app/loopback_search.h"

namespace kestrune::test {

// The built program folder without its executables, its engines replaced by
// the loopback engine at `base`.
inline void CopyProgramFolder(const std::filesystem::path& to, const std::string& base) {
  const std::filesystem::path from = KESTRUNE_PROGRAM_DIR;
  for (const std::filesystem::directory_entry& entry : std::filesystem::recursive_directory_iterator(from)) {
    const std::filesystem::path relative = std::filesystem::relative(entry.path(), from);
    if (entry.is_directory()) {
      std::filesystem::create_directories(to / relative);
    } else if (entry.is_regular_file() && relative.parent_path() != "templates/web" &&
               relative != "kestrune" && relative != "ravelst") {
      std::filesystem::copy_file(entry.path(), to / relative);
    }
  }
  WriteEngineTemplate(to.string(), "loopback",
                      LoopbackEngineTemplate(base, LoopbackTemplateOptions().HostName("Loopback")));
}

// A copied program folder that the program block runs over: its home, the
// user's settings, data and cache folders in a temporary folder, and only
// the English dictionary active.
struct TCopiedProgram {
  explicit TCopiedProgram(const std::string& base)
      : program(std::filesystem::path(dir.Path()) / "kestrune"),
        home("KESTRUNE_HOME", program.string() + "/"),
        config("KESTRUNE_CONFIG_HOME", dir.Path() + "config/"),
        data("XDG_DATA_HOME", dir.Path() + "data"),
        cache("XDG_CACHE_HOME", dir.Path() + "cache") {
    CopyProgramFolder(program, base);
    platform::SettingsStore store;
    EXPECT_TRUE(store.OpenKey("SOFTWARE\\Kestrune Inc\\Kestrune Search", true));
    store.WriteString("Dictionaries", "9");
  }

  TempDir dir;
  std::filesystem::path program;
  ScopedEnv home, config, data, cache;
};

}  // namespace kestrune::test
