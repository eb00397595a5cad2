#include "core/convertors.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/log_file.h"
#include "platform/settings_store.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

const std::string kPlugins = KESTRUNE_TEST_PLUGINS;

std::string CurrentFolder() {
  char buffer[4096];
  return ::getcwd(buffer, sizeof(buffer)) ? std::string(buffer) : std::string();
}

// A private program folder, settings store and server folder for each test.
class ConvertorsTest : public ::testing::Test {
 protected:
  // Copies a test plug-in ("complete" or "broken") into folder (created) as name.
  static void Install(const std::string& plugin, const std::string& folder, const std::string& name) {
    fs::create_directories(folder);
    fs::copy_file(kPlugins + "imp_" + plugin + ".so", folder + name, fs::copy_options::overwrite_existing);
  }
  // Records the server file in the classes root as the installer would.
  static void RegisterServer(const std::string& file) {
    platform::SettingsStore store;
    store.SetRootKey(platform::kHKeyClassesRoot);
    ASSERT_TRUE(store.OpenKey(kConverterServerKey, true));
    store.WriteString("", file);
  }
  std::string ConvertersFolder() const { return home_.Path() + "Converters/"; }
  std::string ServerFolder() const { return server_.Path(); }

  test::TempDir home_, config_, server_;
  test::ScopedEnv homeEnv_{"KESTRUNE_HOME", home_.Path()};
  test::ScopedEnv configEnv_{"KESTRUNE_CONFIG_HOME", config_.Path()};
  test::ScopedEnv typesEnv_{"KESTRUNE_TEST_CONVERTER_TYPES", "doc;txt"};
};

// Which library each place holds ("" none) and how the server is registered;
// the place the plug-ins must come from (0 none, 1 program folder,
// 2 "Converters/", 3 the server's folder).
TEST_F(ConvertorsTest, SearchOrder_StopsAtTheFirstPlaceThatYieldsAPlugin) {
  enum Server { kNone, kRegistered, kMissingFile, kIntegerValue, kTooLong };
  struct Case {
    const char* name;
    const char* program;
    const char* converters;
    const char* serverLib;
    Server server;
    int expected;
  } cases[] = {
      {"all three: the program folder wins", "complete", "complete", "complete", kRegistered, 1},
      {"Converters and server: Converters wins", "", "complete", "complete", kRegistered, 2},
      {"broken in the program folder: go on", "broken", "complete", "", kNone, 2},
      {"broken in both folders: the server", "broken", "broken", "complete", kRegistered, 3},
      {"only the server", "", "", "complete", kRegistered, 3},
      {"server file missing", "", "", "complete", kMissingFile, 0},
      {"server value not a string", "", "", "complete", kIntegerValue, 0},
      {"server path over 260 characters", "", "", "complete", kTooLong, 0},
      {"server not registered", "", "", "complete", kNone, 0},
      {"nothing anywhere", "", "", "", kNone, 0},
  };
  const std::string cwd = CurrentFolder();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir home, config, server;
    test::ScopedEnv homeEnv("KESTRUNE_HOME", home.Path());
    test::ScopedEnv configEnv("KESTRUNE_CONFIG_HOME", config.Path());
    const std::string folders[] = {home.Path(), home.Path() + "Converters/", server.Path()};
    const char* libs[] = {c.program, c.converters, c.serverLib};
    for (int i = 0; i < 3; ++i) {
      if (*libs[i]) Install(libs[i], folders[i], std::string("imp_") + libs[i] + ".so");
    }
    // A plug-in in a folder that is not one of the places is never found.
    Install("complete", home.Path() + "other/", "imp_other.so");
    std::string serverFile = server.Path() + "server.so";
    test::WriteFileBytes(serverFile, "not a library");
    if (c.server == kMissingFile) serverFile = server.Path() + "gone.so";
    if (c.server == kTooLong) {
      const std::string deep = server.Path() + std::string(240, 'd') + "/";
      fs::create_directories(deep);
      fs::copy_file(kPlugins + "imp_complete.so", deep + "imp_complete.so");
      serverFile = deep + "server.so";
      test::WriteFileBytes(serverFile, "x");
    }
    if (c.server == kRegistered || c.server == kMissingFile || c.server == kTooLong) RegisterServer(serverFile);
    if (c.server == kIntegerValue) {
      platform::SettingsStore store;
      store.SetRootKey(platform::kHKeyClassesRoot);
      ASSERT_TRUE(store.OpenKey(kConverterServerKey, true));
      store.WriteInteger("", 1);
    }

    TVSConvertors convertors;
    if (c.expected == 0) {
      EXPECT_EQ(convertors.PluginCount(), 0);
      EXPECT_TRUE(convertors.Types().empty());
    } else {
      ASSERT_EQ(convertors.PluginCount(), 1);
      EXPECT_EQ(convertors.Plugins(0).Folder, platform::Utf8ToUtf16(folders[c.expected - 1]));
      EXPECT_EQ(convertors.Types(), (Strings{"doc", "txt"}));
    }
    if (*c.program == 'b') {
      EXPECT_FALSE(platform::LibraryLoaded(platform::Utf8ToUtf16(home.Path() + "imp_broken.so")));
    }
    EXPECT_EQ(CurrentFolder(), cwd);
  }
}

TEST_F(ConvertorsTest, ALibraryLackingARequiredEntryPointIsUnloaded) {
  Install("broken", home_.Path(), "imp_broken.so");
  Install("complete", home_.Path(), "imp_complete.so");
  Install("complete", home_.Path(), "notimp.so");  // does not match "imp*.so"
  const std::u16string broken = platform::Utf8ToUtf16(home_.Path() + "imp_broken.so");
  const std::u16string complete = platform::Utf8ToUtf16(home_.Path() + "imp_complete.so");
  {
    TVSConvertors convertors;
    ASSERT_EQ(convertors.PluginCount(), 1);
    const TConverterPlugin& plugin = convertors.Plugins(0);
    EXPECT_TRUE(plugin.Module.Loaded());
    EXPECT_TRUE(platform::LibraryLoaded(complete));
    EXPECT_FALSE(platform::LibraryLoaded(broken));
    EXPECT_FALSE(platform::LibraryLoaded(platform::Utf8ToUtf16(home_.Path() + "notimp.so")));
    // The optional entry points are recorded only when exported.
    EXPECT_NE(plugin.IsFileSupported, nullptr);
    EXPECT_EQ(plugin.GetTypeDescription, nullptr);
    EXPECT_EQ(plugin.ConvertToPureText, nullptr);

    convertors.LoadPlugins();  // reloading replaces, never adds
    EXPECT_EQ(convertors.PluginCount(), 1);
    convertors.UnloadPlugins();
    EXPECT_EQ(convertors.PluginCount(), 0);
    EXPECT_FALSE(platform::LibraryLoaded(complete));
    EXPECT_EQ(convertors.Types(), (Strings{"doc", "txt"}));  // copied, still valid
    convertors.LoadPlugins();
    EXPECT_TRUE(platform::LibraryLoaded(complete));
  }
  EXPECT_FALSE(platform::LibraryLoaded(complete));  // the destructor unloads
}

TEST_F(ConvertorsTest, TypeList_TrimmedSplitSortedWithDuplicatesKept) {
  struct Case {
    const char* text;
    Strings expected;  // of one plug-in; two copies of it are loaded
  } cases[] = {
      {" doc;;rtf", {"doc", "doc", "rtf", "rtf"}},
      {"txt; Doc ;abc;\tDOC\r\n", {"abc", "abc", "Doc", "DOC", "Doc", "DOC", "txt", "txt"}},
      {"  ", {}},
      {";;;", {}},
      {"", {}},
      {"<null>", {}},  // the plug-in returns no list: it supports none
  };
  Install("complete", home_.Path(), "imp_a.so");
  Install("complete", home_.Path(), "imp_b.so");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    test::ScopedEnv types("KESTRUNE_TEST_CONVERTER_TYPES", c.text);
    TVSConvertors convertors;
    EXPECT_EQ(convertors.PluginCount(), 2);
    EXPECT_EQ(convertors.Types(), c.expected);
  }
}

TEST(ConverterTypes, SplitPieces) {
  struct Case {
    std::string text;
    Strings expected;
  } cases[] = {
      {"", {}},
      {"doc", {"doc"}},
      {" doc ; ; rtf ;", {"doc", "rtf"}},
      {";doc;;rtf;;", {"doc", "rtf"}},
      {std::string("a\0b;c", 5), {std::string("a\0b", 3), "c"}},
      {"\x01 pdf \x1f", {"pdf"}},
      {"tar gz;x", {"tar gz", "x"}},
  };
  for (const Case& c : cases) {
    Strings list{"kept"};
    AddConverterTypes(c.text, list);
    Strings expected{"kept"};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(list, expected) << c.text;
  }
}

// More libraries than the table holds: the first 1024 in sorted order are
// kept and the rest ignored with a warning. Hard links of one library keep
// the test cheap (the system maps the file once and counts references).
TEST_F(ConvertorsTest, MorePluginsThanTheTableHoldsAreIgnoredWithALogLine) {
  test::TempDir logDir;
  LogFile.Open(logDir.File("kestrune.log"));
  Install("complete", home_.Path(), "imp0000.so");
  for (int i = 1; i <= kMaxConverterPlugins + 1; ++i) {
    char name[32];
    std::snprintf(name, sizeof(name), "imp%04d.so", i);
    fs::create_hard_link(home_.Path() + "imp0000.so", home_.Path() + name);
  }
  test::ScopedEnv types("KESTRUNE_TEST_CONVERTER_TYPES", "x");
  {
    TVSConvertors convertors;
    EXPECT_EQ(convertors.PluginCount(), kMaxConverterPlugins);
    EXPECT_EQ(convertors.Types().size(), static_cast<size_t>(kMaxConverterPlugins));
  }
  LogFile.Open(std::string());
  const std::string log = test::ReadFileBytes(logDir.File("kestrune.log"));
  EXPECT_NE(log.find("[Warning] Converter plug-ins: the table is full (1024); 2 more libraries in \"" +
                     home_.Path() + "\" are not loaded.\r\n"),
            std::string::npos)
      << log;
  EXPECT_FALSE(platform::LibraryLoaded(platform::Utf8ToUtf16(home_.Path() + "imp0000.so")));
}

TEST_F(ConvertorsTest, TheServerFolderIsTheFolderOfTheRegisteredFile) {
  EXPECT_EQ(ConverterServerFolder(), u"");
  test::WriteFileBytes(ServerFolder() + "server.so", "x");
  RegisterServer(ServerFolder() + "server.so");
  EXPECT_EQ(ConverterServerFolder(), platform::Utf8ToUtf16(ServerFolder()));
  RegisterServer("server.so");  // no folder in it
  EXPECT_EQ(ConverterServerFolder(), u"");
  RegisterServer(ServerFolder());  // a folder, not a file
  EXPECT_EQ(ConverterServerFolder(), u"");
}

}  // namespace
}  // namespace kestrune
