// The built `ravelst` runs as a child, copied into a folder whose name holds
// blanks, beside a stub main program that records its arguments, with the
// settings store in a folder of the test's own.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>

#include "platform/process.h"
#include "platform/settings_store.h"
#include "tests/support/temp_dir.h"

namespace kestrune::registrar {
namespace {

using namespace platform;
namespace fs = std::filesystem;

#define CLS "{6D0B3A57-2E91-4C8F-B7A4-91E25F3C08D6}"
const std::string kMenuExt = "SoftWare\\Microsoft\\Internet Explorer\\MenuExt\\Kestrune";
// 28 + 20 + 33 + 9 bytes of text and three line ends.
const std::string kScript =
    "<script language=\"VBScript\">\r\n"
    "On Error Resume Next\r\n"
    "V=CreateObject(\"Kestrune.IELink\")\r\n"
    "</script>";

struct TRecord {
  HKEY root;
  std::string key;
  std::vector<std::pair<std::string, std::string>> values;
};

class Ravelst : public ::testing::Test {
 protected:
  Ravelst() : config_("KESTRUNE_CONFIG_HOME", root_.File("config/")) {
    fs::create_directories(root_.File("program folder"));
    dir_ = fs::canonical(root_.File("program folder")).string() + "/";
    exe_ = dir_ + "ravelst";
    fs::copy_file(KESTRUNE_RAVELST, exe_);
    FreshStore();
  }

  // Runs ravelst to its end; its exit status and standard error.
  std::pair<int32_t, std::string> Run(const std::vector<std::string>& arguments) {
    const std::string errors = root_.File("stderr");
    std::vector<std::string> command = {"/bin/sh", "-c", "e=$1; shift; exec \"$@\" 2>\"$e\"", "sh", errors, exe_};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::promise<int32_t> ended;
    EXPECT_EQ(StartProcess(command, false, [&](int32_t, int32_t status) { ended.set_value(status); }), 0);
    const int32_t status = ended.get_future().get();
    return {status, test::ReadFileBytes(errors)};
  }

  void FreshStore() {
    fs::remove_all(root_.File("config"));
    fs::create_directories(root_.File("config"));
  }
  std::string Hive(const char* name) const { return test::ReadFileBytes(root_.File("config/") + name); }
  std::string Script() const { return dir_ + "Kestrune.htm.ie"; }
  int32_t FilesBesideProgram() const {
    return static_cast<int32_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }

  std::vector<TRecord> Records() const {
    return {
        {kHKeyLocalMachine,
         "SoftWare\\Microsoft\\Internet Explorer\\Extensions\\" CLS,
         {{"ButtonText", "Kestrune Search"},
          {"clsid", "{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}"},
          {"Default Visible", "Yes"},
          {"Exec", exe_},
          {"HotIcon", exe_ + ",1"},
          {"Icon", exe_ + ",2"},
          {"MenuCustomize", "Tools"},
          {"MenuStatusBar", "Kestrune"},
          {"MenuText", "Kestrune"}}},
        {kHKeyCurrentUser, kMenuExt, {{"", dir_ + "Kestrune.htm.ie"}}},
        {kHKeyClassesRoot, "CLSID\\" CLS "\\LocalServer32", {{"", exe_}}},
        {kHKeyClassesRoot, "CLSID\\" CLS "\\ProgID", {{"", "Kestrune.IELink"}}},
        {kHKeyClassesRoot, "Kestrune.IELink\\CLSID", {{"", CLS}}},
    };
  }

  test::TempDir root_;
  test::ScopedEnv config_;
  std::string dir_;
  std::string exe_;
};

bool KeyExists(HKEY root, const std::string& key) {
  SettingsStore store;
  store.SetRootKey(root);
  return store.KeyExists(key);
}

// The record holds exactly its values, each the string's bytes without a NUL.
void ExpectRecord(const TRecord& record) {
  SCOPED_TRACE(record.key);
  SettingsStore store;
  store.SetRootKey(record.root);
  ASSERT_TRUE(store.OpenKeyReadOnly(record.key));
  std::vector<std::string> names;
  for (const auto& [name, data] : record.values) {
    names.push_back(name);
    EXPECT_EQ(store.GetDataType(name), RegDataType::kString) << name;
    EXPECT_EQ(store.ReadString(name), data) << name;
    EXPECT_EQ(store.GetDataSize(name), static_cast<int32_t>(data.size())) << name;
  }
  EXPECT_EQ(store.GetValueNames(), names);
}

TEST_F(Ravelst, RegisterWritesTheFiveRecordsAndTheScript) {
  for (const auto& commands : std::vector<std::vector<std::string>>{{"/R"}, {"/r"}, {"/R", "/R"}}) {
    SCOPED_TRACE(testing::PrintToString(commands));
    FreshStore();
    for (const std::string& command : commands) EXPECT_EQ(Run({command}), std::make_pair(0, std::string()));
    for (const TRecord& record : Records()) ExpectRecord(record);
    EXPECT_EQ(kScript.size(), 96u);
    EXPECT_EQ(test::ReadFileBytes(Script()), kScript);
    EXPECT_EQ(FilesBesideProgram(), 2);  // no temporary file left, no main program started
  }
}

TEST_F(Ravelst, UnregisterDeletesTheSevenKeysAndTheScript) {
  for (const auto& commands : std::vector<std::vector<std::string>>{{"/R", "/U"}, {"/R", "/u"}, {"/U"}}) {
    SCOPED_TRACE(testing::PrintToString(commands));
    const bool registered = commands.size() == 2;
    FreshStore();
    {
      // The main program's settings share the current user's hive.
      SettingsStore store;
      ASSERT_TRUE(store.OpenKey("SOFTWARE\\Kestrune Inc\\Kestrune Search", true));
      store.WriteString("Language", "english.lng");
    }
    const std::string before = Hive("current_user.hive");
    for (const std::string& command : commands) EXPECT_EQ(Run({command}), std::make_pair(0, std::string()));
    std::vector<std::pair<HKEY, std::string>> seven = {{kHKeyClassesRoot, "CLSID\\" CLS},
                                                       {kHKeyClassesRoot, "Kestrune.IELink"}};
    for (const TRecord& record : Records()) seven.emplace_back(record.root, record.key);
    for (const auto& [root, key] : seven) EXPECT_FALSE(KeyExists(root, key)) << key;
    EXPECT_FALSE(fs::exists(Script()));
    SettingsStore store;
    ASSERT_TRUE(store.OpenKeyReadOnly("SOFTWARE\\Kestrune Inc\\Kestrune Search"));
    EXPECT_EQ(store.ReadString("Language"), "english.lng");
    // The keys above the seven stay, empty, once made.
    EXPECT_EQ(KeyExists(kHKeyClassesRoot, "CLSID"), registered);
    EXPECT_EQ(KeyExists(kHKeyCurrentUser, "SoftWare\\Microsoft\\Internet Explorer\\MenuExt"), registered);
    if (!registered) {
      EXPECT_EQ(Hive("current_user.hive"), before);
      EXPECT_EQ(std::distance(fs::directory_iterator(root_.File("config")), fs::directory_iterator()), 2);
    }
  }
}

TEST_F(Ravelst, RegisterReportsWhatItCannotWrite) {
  const std::string laterHive = "KESTRUNE HIVE 2\n[Later]\n\"Kept\"=sz:\"as it is\"\n";
  struct Case {
    const char* name;
    std::function<void()> spoil;
    std::vector<bool> written;  // per record
    std::string error;          // one line of standard error
  } cases[] = {
      {"a current user's hive of a later version",
       [&] { test::WriteFileBytes(root_.File("config/current_user.hive"), laterHive); },
       {true, false, true, true, true},
       "ravelst: Cannot create key \"HKEY_CURRENT_USER\\" + kMenuExt + "\"\n"},
      {"a folder in the script file's place",
       [&] { fs::create_directory(Script()); },
       {true, true, false, false, false},
       "ravelst: Cannot create file \"" + Script() + "\". Is a directory\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FreshStore();
    fs::remove_all(Script());
    c.spoil();
    const std::string hive = Hive("current_user.hive");
    const auto [status, errors] = Run({"/R"});
    EXPECT_EQ(status, 1);
    EXPECT_NE(errors.find(c.error), std::string::npos) << errors;
    const std::vector<TRecord> records = Records();
    for (size_t i = 0; i < records.size(); ++i) {
      if (c.written[i]) {
        ExpectRecord(records[i]);
      } else {
        EXPECT_FALSE(KeyExists(records[i].root, records[i].key)) << records[i].key;
      }
    }
    EXPECT_FALSE(fs::is_regular_file(Script()));
    EXPECT_EQ(FilesBesideProgram(), 1 + fs::exists(Script()));
    if (!c.written[1]) {
      EXPECT_EQ(Hive("current_user.hive"), hive);  // refused, never overwritten
    }
  }
}

TEST_F(Ravelst, AnyOtherCommandLineStartsTheMainProgram) {
  // Stubs beside ravelst and in KESTRUNE_HOME, which must not move ravelst's folder.
  const std::string stub = dir_ + "kestrune";
  const std::string home = root_.File("home/");
  test::ScopedEnv homeEnv("KESTRUNE_HOME", home);
  fs::create_directories(home);
  for (const std::string& path : {stub, home + "kestrune"}) {
    test::WriteFileBytes(path,
                         "#!/bin/sh\n"
                         "{ printf '%s\\n' \"$0\"; printf '[%s]\\n' \"$@\"; } >\"$0.tmp\" "
                         "&& mv \"$0.tmp\" \"$0.args\"\n");
    fs::permissions(path, fs::perms::owner_all);
  }
  const std::vector<std::vector<std::string>> cases = {
      {}, {"/X"}, {"/R", "x"}, {"/U", "/R"}, {"R"}, {"/RU"}, {""}, {"/ie"}, {"/Embedding"}};
  for (const auto& arguments : cases) {
    SCOPED_TRACE(testing::PrintToString(arguments));
    fs::remove(stub + ".args");
    EXPECT_EQ(Run(arguments), std::make_pair(0, std::string()));
    for (int i = 0; i < 1000 && !fs::exists(stub + ".args"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(test::ReadFileBytes(stub + ".args"), stub + "\n[/ie]\n");
    EXPECT_TRUE(fs::is_empty(root_.File("config")));
    EXPECT_FALSE(fs::exists(Script()));
  }
  EXPECT_FALSE(fs::exists(home + "kestrune.args"));

  fs::remove(stub);
  EXPECT_EQ(Run({}), std::make_pair(1, "ravelst: Cannot start \"" + stub + "\". No such file or directory\n"));
}

}  // namespace
}  // namespace kestrune::registrar
