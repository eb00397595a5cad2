#include "platform/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>

#include "tests/support/temp_dir.h"

namespace kestrune::platform {
namespace {

using namespace std::string_literals;

constexpr const char* kSettingsKey = "SOFTWARE\\Kestrune Inc\\Kestrune Search";

std::string AllBytes() {
  std::string s;
  for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
  return s;
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  std::string config_ = dir_.Path() + "config/";
  test::ScopedEnv env_{"KESTRUNE_CONFIG_HOME", config_};

  std::string HiveFile(const char* name = "current_user.hive") const { return config_ + name; }
  void WriteHive(const std::string& bytes, const char* name = "current_user.hive") {
    std::filesystem::create_directories(config_);
    test::WriteFileBytes(HiveFile(name), bytes);
  }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(config_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(SettingsStoreTest, TypedValues_RoundTripThroughTheFile) {
  const std::string bytes = AllBytes();
  {
    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kSettingsKey, true));
    store.WriteString("AllBytes", bytes);
    store.WriteString("Empty", "");
    store.WriteString("", "default value");
    store.WriteInteger("Min", INT32_MIN);
    store.WriteInteger("Max", INT32_MAX);
    store.WriteInteger("MinusOne", -1);
    store.WriteBool("Flag", true);
    store.WriteBinaryData("Binary", bytes.data(), static_cast<int32_t>(bytes.size()));
    store.WriteBinaryData("NoBytes", nullptr, 0);
    store.WriteDateTime("NewsInReg", 45123.75);
    store.CloseKey();
  }
  SettingsStore store;
  ASSERT_TRUE(store.OpenKeyReadOnly(kSettingsKey));
  EXPECT_EQ(store.ReadString("AllBytes"), bytes);
  EXPECT_EQ(store.GetDataSize("AllBytes"), 256);
  EXPECT_EQ(store.ReadString("Empty"), "");
  EXPECT_TRUE(store.ValueExists("Empty"));
  EXPECT_EQ(store.ReadString(""), "default value");
  EXPECT_EQ(store.ReadInteger("Min"), INT32_MIN);
  EXPECT_EQ(store.ReadInteger("Max"), INT32_MAX);
  EXPECT_EQ(store.ReadInteger("MinusOne"), -1);
  EXPECT_TRUE(store.ReadBool("Flag"));
  EXPECT_EQ(store.ReadInteger("Flag"), 1);
  std::string buffer(300, 'x');
  EXPECT_EQ(store.ReadBinaryData("Binary", buffer.data(), 300), 256);
  EXPECT_EQ(buffer.substr(0, 256), bytes);
  EXPECT_EQ(store.ReadBinaryData("NoBytes", buffer.data(), 300), 0);
  EXPECT_EQ(store.GetDataType("NoBytes"), RegDataType::kBinary);
  EXPECT_EQ(store.ReadDateTime("NewsInReg"), 45123.75);
  EXPECT_EQ(store.GetDataSize("NewsInReg"), 8);
  EXPECT_EQ(store.GetDataType("AllBytes"), RegDataType::kString);
  EXPECT_EQ(store.GetDataType("Max"), RegDataType::kInteger);
  // The date-time is the little-endian IEEE double.
  char raw[8];
  ASSERT_EQ(store.ReadBinaryData("NewsInReg", raw, 8), 8);
  const double expected = 45123.75;
  uint64_t bits;
  std::memcpy(&bits, &expected, 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(static_cast<uint8_t>(raw[i]), (bits >> (8 * i)) & 0xFF);
}

TEST_F(SettingsStoreTest, Names_AnyBytesRoundTripAndNeverCollide) {
  const std::vector<std::string> names = {
      std::string("nul\0inside", 10), "cr\r\nlf", "%41 percent", "\"quoted\"", "[bracket]", "x=y", "@",
      "Cyrillic \xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87", "latin1 \xC4pfel", "latin1 \xE4pfel", "\xFF", "\xFE",
      "\xC3", "\xC3\x83"};
  {
    SettingsStore store;
    ASSERT_TRUE(store.OpenKey("Names", true));
    for (size_t i = 0; i < names.size(); ++i) store.WriteInteger(names[i], static_cast<int32_t>(i));
    for (const std::string& name : names) ASSERT_TRUE(store.OpenKey("Keys\\" + name, true));
  }
  SettingsStore store;
  ASSERT_TRUE(store.OpenKey("Names", false));
  auto valueNames = store.GetValueNames();
  std::sort(valueNames.begin(), valueNames.end());
  auto expected = names;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(valueNames, expected);
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(store.ReadInteger(names[i]), static_cast<int32_t>(i));
  ASSERT_TRUE(store.OpenKey("\\Keys", false));
  auto keyNames = store.GetKeyNames();
  std::sort(keyNames.begin(), keyNames.end());
  EXPECT_EQ(keyNames, expected);
}

TEST_F(SettingsStoreTest, KeyPaths_CaseInsensitiveAndCasePreserving) {
  SettingsStore store;
  ASSERT_TRUE(store.OpenKey(kSettingsKey, true));
  store.WriteInteger("TrackPosContext", 30);
  store.WriteInteger("TRACKPOSCONTEXT", 40);  // the same value; first spelling kept
  store.WriteString("\xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87", "cyrillic");
  store.WriteString("\xC3\x84pfel", "latin");

  SettingsStore other;
  for (const char* path : {"software\\KESTRUNE INC\\kestrune search", "\\SOFTWARE\\Kestrune Inc\\Kestrune Search",
                           "SOFTWARE\\\\Kestrune Inc\\Kestrune Search\\"}) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(other.OpenKeyReadOnly(path));
    EXPECT_EQ(other.ReadInteger("trackposcontext"), 40);
    EXPECT_EQ(other.ReadString("\xD0\x9A\xD0\x9B\xD0\xAE\xD0\xA7"), "cyrillic");  // upper case
    EXPECT_EQ(other.ReadString("\xC3\xA4PFEL"), "latin");
    EXPECT_EQ(other.GetValueNames(), (std::vector<std::string>{"TrackPosContext", "\xC3\x84pfel",
                                                               "\xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87"}));
  }
  ASSERT_TRUE(other.OpenKey("Software", true));
  EXPECT_EQ(other.GetKeyNames(), std::vector<std::string>{"Kestrune Inc"});
  ASSERT_TRUE(other.OpenKey("", false));  // the root key itself
  EXPECT_EQ(other.GetKeyNames(), std::vector<std::string>{"SOFTWARE"});
  EXPECT_TRUE(other.KeyExists("\\software"));
}

TEST_F(SettingsStoreTest, MissingValues_FollowTRegistry) {
  SettingsStore store;
  // No key open: everything is missing.
  EXPECT_EQ(store.ReadString("x"), "");
  EXPECT_THROW(store.ReadInteger("x"), ERegistryException);
  EXPECT_THROW(store.WriteInteger("x", 1), ERegistryException);
  EXPECT_TRUE(store.GetValueNames().empty());
  ASSERT_TRUE(store.OpenKey("K", true));
  char buffer[8] = {'u', 'n', 't', 'o', 'u', 'c', 'h', 'd'};
  EXPECT_EQ(store.ReadString("x"), "");
  EXPECT_THROW(store.ReadInteger("x"), ERegistryException);
  EXPECT_THROW(store.ReadBool("x"), ERegistryException);
  EXPECT_EQ(store.ReadBinaryData("x", buffer, 8), 0);
  EXPECT_EQ(std::string(buffer, 8), "untouchd");
  EXPECT_THROW(store.ReadDateTime("x"), ERegistryException);
  EXPECT_EQ(store.GetDataSize("x"), -1);
  EXPECT_EQ(store.GetDataType("x"), RegDataType::kUnknown);
  EXPECT_FALSE(store.ValueExists("x"));
  EXPECT_FALSE(store.DeleteValue("x"));
}

TEST_F(SettingsStoreTest, TypedRead_OfAnotherTypeRaises) {
  SettingsStore store;
  ASSERT_TRUE(store.OpenKey("K", true));
  store.WriteString("s", "text");
  store.WriteString("empty", "");
  store.WriteInteger("i", 7);
  store.WriteBinaryData("b7", "1234567", 7);
  store.WriteBinaryData("b9", "123456789", 9);
  store.WriteDateTime("d", 1.5);
  char buffer[16];
  struct Case {
    const char* what;
    std::function<void()> read;
  };
  const Case cases[] = {
      {"string as integer", [&] { store.ReadInteger("s"); }},
      {"empty string as integer", [&] { store.ReadInteger("empty"); }},
      {"string as binary", [&] { store.ReadBinaryData("s", buffer, 16); }},
      {"string as date", [&] { store.ReadDateTime("s"); }},
      {"integer as string", [&] { store.ReadString("i"); }},
      {"integer as binary", [&] { store.ReadBinaryData("i", buffer, 16); }},
      {"integer as date", [&] { store.ReadDateTime("i"); }},
      {"binary as string", [&] { store.ReadString("b7"); }},
      {"binary as integer", [&] { store.ReadInteger("b7"); }},
      {"binary as bool", [&] { store.ReadBool("d"); }},
      {"7 bytes as date", [&] { store.ReadDateTime("b7"); }},
      {"9 bytes as date", [&] { store.ReadDateTime("b9"); }},
      {"binary into a small buffer", [&] { store.ReadBinaryData("b9", buffer, 8); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_THROW(c.read(), ERegistryException);
  }
  // The value is untouched by a failed read; a write of another type replaces it.
  EXPECT_EQ(store.ReadString("s"), "text");
  store.WriteInteger("s", 3);
  EXPECT_EQ(store.ReadInteger("s"), 3);
  EXPECT_EQ(store.ReadBinaryData("b9", buffer, 9), 9);
}

TEST_F(SettingsStoreTest, OpenKey_CreateOnlyWhenAskedAndReadOnlyRefusesWrites) {
  SettingsStore store;
  EXPECT_FALSE(store.OpenKey("A\\B", false));
  EXPECT_FALSE(store.OpenKeyReadOnly("A\\B"));
  EXPECT_FALSE(std::filesystem::exists(config_));  // nothing was written
  ASSERT_TRUE(store.OpenKey("A\\B", true));
  EXPECT_EQ(store.CurrentPath(), "A\\B");
  EXPECT_TRUE(store.KeyExists("A"));
  // A failed open leaves the open key open.
  EXPECT_FALSE(store.OpenKey("Missing", false));
  EXPECT_EQ(store.CurrentPath(), "A\\B");
  store.WriteString("v", "1");
  ASSERT_TRUE(store.OpenKeyReadOnly("a\\b"));
  EXPECT_EQ(store.ReadString("v"), "1");
  EXPECT_THROW(store.WriteString("v", "2"), ERegistryException);
  EXPECT_FALSE(store.DeleteValue("v"));
  EXPECT_EQ(store.ReadString("v"), "1");
  store.CloseKey();
  EXPECT_FALSE(store.KeyOpen());
  EXPECT_THROW(store.WriteString("v", "2"), ERegistryException);
  // Too deep a key is refused.
  std::string deep;
  for (int i = 0; i <= kMaxKeyDepth; ++i) deep += "k\\";
  EXPECT_FALSE(store.OpenKey(deep, true));
}

TEST_F(SettingsStoreTest, DeleteKey_RefusedWhileItHasSubKeys) {
  SettingsStore store;
  ASSERT_TRUE(store.OpenKey("CLSID\\{X}\\LocalServer32", true));
  store.WriteString("", "/opt/ravelst");
  ASSERT_TRUE(store.OpenKey("CLSID\\{X}\\ProgID", true));
  store.CloseKey();
  EXPECT_FALSE(store.DeleteKey("CLSID\\{X}"));
  EXPECT_FALSE(store.DeleteKey("CLSID\\{Y}"));
  EXPECT_FALSE(store.DeleteKey(""));
  EXPECT_FALSE(store.DeleteKey("\\"));
  EXPECT_TRUE(store.DeleteKey("clsid\\{x}\\localserver32"));  // with its values
  EXPECT_TRUE(store.DeleteKey("\\CLSID\\{X}\\ProgID"));
  EXPECT_TRUE(store.DeleteKey("CLSID\\{X}"));
  EXPECT_FALSE(store.KeyExists("CLSID\\{X}"));
  EXPECT_TRUE(store.KeyExists("CLSID"));
}

TEST_F(SettingsStoreTest, OpenKeyDeletedElsewhere_WritesRaise) {
  SettingsStore first;
  SettingsStore second;
  ASSERT_TRUE(first.OpenKey("K", true));
  first.WriteInteger("v", 1);
  EXPECT_TRUE(second.DeleteKey("K"));
  EXPECT_FALSE(first.ValueExists("v"));
  EXPECT_THROW(first.WriteInteger("v", 2), ERegistryException);
  EXPECT_FALSE(second.KeyExists("K"));  // not brought back by the write
}

TEST_F(SettingsStoreTest, Roots_ThreeSeparateHivesOthersMissing) {
  SettingsStore store;
  for (HKEY root : {kHKeyCurrentUser, kHKeyLocalMachine, kHKeyClassesRoot}) {
    store.SetRootKey(root);
    ASSERT_TRUE(store.OpenKey("Shared\\Key", true));
    store.WriteInteger("root", static_cast<int32_t>(root & 0xFF));
  }
  for (HKEY root : {kHKeyCurrentUser, kHKeyLocalMachine, kHKeyClassesRoot}) {
    store.SetRootKey(root);
    EXPECT_FALSE(store.KeyOpen());
    ASSERT_TRUE(store.OpenKeyReadOnly("shared\\key"));
    EXPECT_EQ(store.ReadInteger("root"), static_cast<int32_t>(root & 0xFF));
  }
  EXPECT_EQ(FolderEntries(),
            (std::vector<std::string>{"classes_root.hive", "classes_root.hive.lock", "current_user.hive",
                                      "current_user.hive.lock", "local_machine.hive", "local_machine.hive.lock"}));
  for (HKEY root : {kHKeyUsers, kHKeyPerformanceData, kHKeyCurrentConfig, kHKeyDynData, HKEY{0}, HKEY{42}}) {
    store.SetRootKey(root);
    EXPECT_FALSE(store.KeyExists("Shared"));
    EXPECT_FALSE(store.KeyExists(""));
    EXPECT_FALSE(store.OpenKey("Shared", true));
    EXPECT_FALSE(store.OpenKeyReadOnly(""));
    EXPECT_FALSE(store.DeleteKey("Shared"));
    EXPECT_EQ(store.ReadString("root"), "");
  }
}

TEST_F(SettingsStoreTest, Save_IsAtomicKeepsModeAndWritesTheDocumentedText) {
  SettingsStore store;
  ASSERT_TRUE(store.OpenKey(kSettingsKey, true));
  store.WriteString("Author", "A \"B\"\r\n%");
  store.WriteInteger("TrackPosContext", 30);
  store.WriteDateTime("NewsInReg", 0.0);
  store.WriteString("", "d");
  ASSERT_TRUE(store.OpenKey("Empty\\Leaf", true));
  EXPECT_EQ(test::ReadFileBytes(HiveFile()),
            "KESTRUNE HIVE 1\n"
            "[Empty\\Leaf]\n"
            "[SOFTWARE\\Kestrune Inc\\Kestrune Search]\n"
            "@=sz:\"d\"\n"
            "\"Author\"=sz:\"A %22B%22%0d%0a%25\"\n"
            "\"NewsInReg\"=hex:0000000000000000\n"
            "\"TrackPosContext\"=dword:0000001e\n");
  // No temporary file is left behind, and a save keeps the hive's mode.
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"current_user.hive", "current_user.hive.lock"}));
  ASSERT_EQ(::chmod(HiveFile().c_str(), 0600), 0);
  store.WriteInteger("more", 1);
  struct stat st;
  ASSERT_EQ(::stat(HiveFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // A write that changes nothing does not save.
  const auto before = std::filesystem::last_write_time(HiveFile());
  ::usleep(20000);
  store.WriteInteger("more", 1);
  EXPECT_EQ(std::filesystem::last_write_time(HiveFile()), before);
}

TEST_F(SettingsStoreTest, Save_FailureRaisesAndKeepsTheOldFile) {
  SettingsStore store;
  ASSERT_TRUE(store.OpenKey("K", true));
  store.WriteInteger("v", 1);
  const std::string before = test::ReadFileBytes(HiveFile());
  // A hive that would pass the size limit is not saved.
  const std::string big(static_cast<size_t>(kMaxHiveSize / 2), 'b');
  EXPECT_THROW(store.WriteBinaryData("big", big.data(), static_cast<int32_t>(big.size())), ERegistryException);
  EXPECT_EQ(test::ReadFileBytes(HiveFile()), before);
  EXPECT_FALSE(store.ValueExists("big"));
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
  ASSERT_EQ(::chmod(config_.c_str(), 0500), 0);
  EXPECT_THROW(store.WriteInteger("v", 2), ERegistryException);
  EXPECT_FALSE(store.OpenKey("New", true));
  EXPECT_FALSE(store.DeleteValue("v"));
  ::chmod(config_.c_str(), 0700);
  EXPECT_EQ(test::ReadFileBytes(HiveFile()), before);
  EXPECT_EQ(store.ReadInteger("v"), 1);
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"current_user.hive", "current_user.hive.lock"}));
}

// Damaged hive files read as far as they are sound and never throw.
TEST_F(SettingsStoreTest, DamagedHive_ReadsAsEmptyOrPartial) {
  const std::string head = "KESTRUNE HIVE 1\n";
  std::string deep = "[";
  for (int i = 0; i <= kMaxKeyDepth; ++i) deep += "d\\";
  deep += "]\n\"v\"=dword:00000001\n";
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> keys;  // keys present ("" none); value "v" expected as below
    int32_t v;                      // expected integer "v" of key "A", or -1 when missing
  };
  const Case cases[] = {
      {"empty file", "", {}, -1},
      {"byte-order mark alone", "\xEF\xBB\xBF", {}, -1},
      {"CRLF lines", "KESTRUNE HIVE 1\r\n[A]\r\n\"v\"=dword:00000005\r\n", {"A"}, 5},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF" + head + "[A]\n\"v\"=dword:00000006\n", {"A"}, 6},
      {"byte-order mark, CRLF lines", "\xEF\xBB\xBFKESTRUNE HIVE 1\r\n[A]\r\n\"v\"=dword:00000007\r\n", {"A"}, 7},
      {"7 hex digits", head + "[A]\n\"v\"=dword:0000001\n", {"A"}, -1},
      {"9 hex digits", head + "[A]\n\"v\"=dword:000000011\n", {"A"}, -1},
      {"bad hex digit", head + "[A]\n\"v\"=dword:0000000g\n", {"A"}, -1},
      {"unknown type", head + "[A]\n\"v\"=qword:0000000000000001\n", {"A"}, -1},
      {"no equals sign", head + "[A]\n\"v\"dword:00000001\n", {"A"}, -1},
      {"unclosed name", head + "[A]\n\"v=dword:00000001\n", {"A"}, -1},
      {"value before any key", head + "\"v\"=dword:00000001\n[A]\n", {"A"}, -1},
      {"truncated string", head + "[A]\n\"s\"=sz:\"abc", {"A"}, -1},
      {"text after string", head + "[A]\n\"s\"=sz:\"abc\"x\n\"v\"=dword:00000002\n", {"A"}, 2},
      {"bad escape", head + "[A]\n\"s\"=sz:\"%4\"\n\"t\"=sz:\"%zz\"\n\"v\"=dword:00000003\n", {"A"}, 3},
      {"raw control byte", head + "[A]\n\"s\"=sz:\"a\tb\"\n\"v\"=dword:00000004\n", {"A"}, 4},
      {"odd hex", head + "[A]\n\"v\"=hex:123\n", {"A"}, -1},
      {"unclosed key then good key", head + "[B\n\"v\"=dword:00000001\n[A]\n\"v\"=dword:00000007\n", {"A"}, 7},
      {"bad key drops its values", head + "[A]\n[%zz]\n\"v\"=dword:00000001\n", {"A"}, -1},
      {"too deep a key", head + "[A]\n" + deep, {"A"}, -1},
      {"empty names in path", head + "[\\A\\\\B\\]\n\"v\"=dword:00000001\n", {"A\\B"}, -1},
      {"duplicate: last wins", head + "[A]\n\"v\"=dword:00000001\n[a]\n\"V\"=dword:00000009\n", {"A"}, 9},
      {"NUL and junk lines", head + "\0\0junk\n[A]\n\0\n\"v\"=dword:00000008\n"s, {"A"}, 8},
      {"escaped separator", head + "[A%5cB]\n", {"A\\B"}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteHive(c.text);
    SettingsStore store;
    for (const std::string& key : c.keys) EXPECT_TRUE(store.KeyExists(key)) << key;
    if (c.keys.empty()) {
      ASSERT_TRUE(store.OpenKey("", false));
      EXPECT_TRUE(store.GetKeyNames().empty());
    }
    if (store.OpenKeyReadOnly("A")) {
      if (c.v >= 0) {
        EXPECT_EQ(store.ReadInteger("v"), c.v);
      } else {
        EXPECT_FALSE(store.ValueExists("v"));
      }
    }
    // A damaged hive that is still ours is repaired by the next change (the
    // byte-order mark is not written back).
    ASSERT_TRUE(store.OpenKey("Z", true));
    store.WriteInteger("z", 1);
    EXPECT_EQ(test::ReadFileBytes(HiveFile()).substr(0, head.size()), head);
    HiveReadState state;
    RewriteHiveText(test::ReadFileBytes(HiveFile()), &state);
    EXPECT_EQ(state, HiveReadState::kRead);
  }
}

std::vector<std::string> loggedLines;
void KeepLogLine(std::string_view line) { loggedLines.emplace_back(line); }

// A hive file the store does not read (not ours, a later version, too large)
// reads as empty; every change is refused with the store's error and a log
// line, and the file is never overwritten.
TEST_F(SettingsStoreTest, UnrecognisedHive_ReadsEmptyAndIsNeverOverwritten) {
  std::string large = "KESTRUNE HIVE 1\n[A]\n";
  large.resize(static_cast<size_t>(kMaxHiveSize) + 1, '\n');
  struct Case {
    const char* what;
    std::string text;
    HiveReadState state;
  };
  const Case cases[] = {
      {"no header", "[A]\n\"v\"=dword:00000001\n", HiveReadState::kNotHive},
      {"version 0", "KESTRUNE HIVE 0\n[A]\n", HiveReadState::kNotHive},
      {"header with junk", "KESTRUNE HIVE 1x\n[A]\n", HiveReadState::kNotHive},
      {"two byte-order marks", "\xEF\xBB\xBF\xEF\xBB\xBFKESTRUNE HIVE 1\n[A]\n", HiveReadState::kNotHive},
      {"UTF-16 byte-order mark", "\xFF\xFEK\0E\0S\0"s, HiveReadState::kNotHive},
      {"a later version", "KESTRUNE HIVE 2\n[A]\n\"v\"=dword:00000001\n", HiveReadState::kUnsupported},
      {"too large", large, HiveReadState::kUnsupported},
      {"too large, no header", std::string(static_cast<size_t>(kMaxHiveSize) + 1, 'x'), HiveReadState::kNotHive},
  };
  SetSettingsLogHook(&KeepLogLine);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A key opened while the hive was still ours.
    std::filesystem::remove(HiveFile());
    SettingsStore store;
    ASSERT_TRUE(store.OpenKey("A", true));
    WriteHive(c.text);
    loggedLines.clear();
    EXPECT_FALSE(store.KeyExists("A"));
    EXPECT_FALSE(store.ValueExists("v"));
    EXPECT_THROW(store.WriteInteger("v", 2), ERegistryException);
    EXPECT_FALSE(store.DeleteValue("v"));
    EXPECT_FALSE(store.OpenKey("B", true));
    EXPECT_FALSE(store.DeleteKey("A"));
    EXPECT_EQ(test::ReadFileBytes(HiveFile()), c.text);
    ASSERT_FALSE(loggedLines.empty());
    EXPECT_NE(loggedLines[0].find(HiveFile()), std::string::npos) << loggedLines[0];
    HiveReadState state = HiveReadState::kRead;
    EXPECT_EQ(RewriteHiveText(c.text, &state), "KESTRUNE HIVE 1\n");
    EXPECT_EQ(state, c.state);
  }
  SetSettingsLogHook(nullptr);
}

// At the program's start a file that is no hive goes aside, beside the hive
// and never over an earlier copy, and the next change writes a new hive; a
// later version and a file that cannot be read stay (a damaged hive of ours:
// the session's tests).
TEST_F(SettingsStoreTest, SetAsideDamagedHive_MovesOnlyAFileThatIsNoHive) {
  std::string noise(4000, '\0');
  uint32_t seed = 54;
  for (char& c : noise) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
  std::string largeHive = "KESTRUNE HIVE 1\n";
  largeHive.resize(static_cast<size_t>(kMaxHiveSize) + 1, '\n');
  struct Case {
    const char* what;
    std::string text;      // the hive file's bytes
    bool folder;           // a folder stands where the hive goes
    std::vector<std::string> earlier;  // copies there already: ".damaged" and these suffixes
    const char* movedTo;   // the copy's suffix; null: the file stays
    HiveReadState state;
    bool writable;         // a change is saved afterwards
  };
  const Case cases[] = {
      {"not a hive", noise, false, {}, ".damaged", HiveReadState::kNotHive, true},
      {"not a hive, two copies there", noise, false, {"", ".2"}, ".damaged.3", HiveReadState::kNotHive, true},
      {"too large, no header", std::string(static_cast<size_t>(kMaxHiveSize) + 1, 'x'), false, {}, ".damaged",
       HiveReadState::kNotHive, true},
      {"a later version", "KESTRUNE HIVE 2\n", false, {}, nullptr, HiveReadState::kUnsupported, false},
      {"too large, a hive", largeHive, false, {}, nullptr, HiveReadState::kUnsupported, false},
      {"unreadable (a folder)", "", true, {}, nullptr, HiveReadState::kRead, false},
  };
  SetSettingsLogHook(&KeepLogLine);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(config_);
    std::filesystem::create_directories(config_);
    if (c.folder) {
      std::filesystem::create_directories(HiveFile());
    } else {
      WriteHive(c.text);
    }
    std::vector<std::string> copies;
    for (const std::string& suffix : c.earlier) {
      copies.push_back(HiveFile() + ".damaged" + suffix);
      test::WriteFileBytes(copies.back(), "earlier" + suffix);
    }
    SettingsStore store;
    const HiveSetAside aside = store.SetAsideDamagedHive();
    EXPECT_EQ(aside.state, c.state);
    EXPECT_EQ(aside.readable, !c.folder);
    EXPECT_EQ(aside.copy, c.movedTo ? HiveFile() + c.movedTo : "");
    if (c.movedTo) {
      EXPECT_EQ(test::ReadFileBytes(aside.copy), c.text);
      EXPECT_FALSE(std::filesystem::exists(HiveFile()));
    } else if (!c.folder) {
      EXPECT_EQ(test::ReadFileBytes(HiveFile()), c.text);
    }
    for (const std::string& copy : copies) {
      EXPECT_EQ(test::ReadFileBytes(copy), "earlier" + copy.substr(HiveFile().size() + 8));
    }
    // The next change: a new hive, or today's refusal.
    EXPECT_EQ(store.OpenKey("Z", true), c.writable);
    if (c.writable) {
      store.WriteInteger("z", 1);
      HiveReadState state;
      RewriteHiveText(test::ReadFileBytes(HiveFile()), &state);
      EXPECT_EQ(state, HiveReadState::kRead);
      EXPECT_EQ(store.ReadInteger("z"), 1);
    }
  }
  SetSettingsLogHook(nullptr);
}

TEST_F(SettingsStoreTest, Stores_SeeEachOthersChangesAtOnce) {
  SettingsStore writer;
  SettingsStore reader;
  ASSERT_TRUE(writer.OpenKey("K", true));
  ASSERT_TRUE(reader.OpenKeyReadOnly("K"));
  writer.WriteString("s", "one");
  EXPECT_EQ(reader.ReadString("s"), "one");
  writer.WriteString("s", "two");
  EXPECT_EQ(reader.ReadString("s"), "two");
  EXPECT_TRUE(writer.DeleteValue("S"));
  EXPECT_FALSE(reader.ValueExists("s"));
}

// An update reads the hive once, saves once at its end, and replays its
// changes on the file as it is then, so that another program's change made
// meanwhile survives.
TEST_F(SettingsStoreTest, Update_SavesOnceAndKeepsOtherProgramsChanges) {
  SettingsStore other;
  ASSERT_TRUE(other.OpenKey("K", true));
  other.WriteInteger("old", 1);
  other.WriteString("gone", "x");
  SettingsStore store;
  store.BeginUpdate();
  ASSERT_TRUE(store.OpenKey("K\\New", true));
  ASSERT_TRUE(store.OpenKey("K", false));
  store.WriteInteger("v", 7);
  store.BeginUpdate();  // nested: the inner end saves nothing
  store.WriteString("s", "text");
  EXPECT_TRUE(store.EndUpdate());
  EXPECT_TRUE(store.DeleteValue("gone"));
  const std::string unchanged = test::ReadFileBytes(HiveFile());
  EXPECT_EQ(store.ReadInteger("v"), 7);  // the update's reads see its changes
  EXPECT_EQ(store.ReadString("s"), "text");
  EXPECT_FALSE(store.ValueExists("gone"));
  EXPECT_TRUE(store.KeyExists("K\\New"));
  EXPECT_FALSE(other.ValueExists("v"));  // other stores do not, yet
  other.WriteInteger("meanwhile", 2);    // another program writes during the update
  other.WriteInteger("old", 3);
  EXPECT_NE(test::ReadFileBytes(HiveFile()), unchanged);
  ASSERT_TRUE(store.EndUpdate());
  EXPECT_EQ(other.ReadInteger("v"), 7);
  EXPECT_EQ(other.ReadString("s"), "text");
  EXPECT_EQ(other.ReadInteger("meanwhile"), 2);
  EXPECT_EQ(other.ReadInteger("old"), 3);
  EXPECT_FALSE(other.ValueExists("gone"));
  EXPECT_TRUE(other.KeyExists("K\\New"));
  EXPECT_FALSE(store.InUpdate());
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"current_user.hive", "current_user.hive.lock"}));

  // A save that fails, and a cancelled update, leave the file as it was.
  const std::string before = test::ReadFileBytes(HiveFile());
  const std::string big(static_cast<size_t>(kMaxHiveSize), 'b');
  store.BeginUpdate();
  store.WriteInteger("v", 8);
  store.WriteBinaryData("big", big.data(), static_cast<int32_t>(big.size()));
  EXPECT_FALSE(store.EndUpdate());
  store.BeginUpdate();
  store.WriteInteger("v", 9);
  store.CancelUpdate();
  EXPECT_FALSE(store.InUpdate());
  EXPECT_EQ(test::ReadFileBytes(HiveFile()), before);
  EXPECT_EQ(store.ReadInteger("v"), 7);
}

// Several programs write distinct values into one hive at the same time; the
// parent reads meanwhile. No update is lost and no reader sees a torn file.
TEST_F(SettingsStoreTest, SeveralProcesses_WriteOneHiveWithoutLosingUpdates) {
  constexpr int kProcesses = 6;
  constexpr int kWrites = 30;
  {
    SettingsStore store;
    ASSERT_TRUE(store.OpenKey("Race", true));
  }
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int code = 0;
      try {
        SettingsStore store;
        if (!store.OpenKey("Race", false)) code = 2;
        for (int i = 0; i < kWrites && code == 0; ++i) {
          store.WriteInteger("p" + std::to_string(p) + "_" + std::to_string(i), p * 1000 + i);
          if (i % 10 == 0 && !store.OpenKey("Race\\Child" + std::to_string(p) + "_" + std::to_string(i), true))
            code = 3;
          if (!store.OpenKey("Race", false)) code = 4;
        }
      } catch (...) {
        code = 1;
      }
      ::_exit(code);
    }
    children.push_back(pid);
  }
  SettingsStore reader;
  ASSERT_TRUE(reader.OpenKeyReadOnly("Race"));
  size_t seen = 0;
  for (int round = 0; round < 200; ++round) {
    const size_t now = reader.GetValueNames().size();
    EXPECT_GE(now, seen);
    seen = now;
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  EXPECT_EQ(reader.GetValueNames().size(), static_cast<size_t>(kProcesses * kWrites));
  EXPECT_EQ(reader.GetKeyNames().size(), static_cast<size_t>(kProcesses * 3));
  for (int p = 0; p < kProcesses; ++p) {
    for (int i = 0; i < kWrites; ++i) {
      EXPECT_EQ(reader.ReadInteger("p" + std::to_string(p) + "_" + std::to_string(i)), p * 1000 + i);
    }
  }
}

TEST(SettingsHiveText, RewriteIsStableOnItsOwnOutput) {
  const std::string text =
      "KESTRUNE HIVE 1\n[b\\c]\n\"x\"=hex:\n[B\\a]\n@=sz:\"%00%0a\"\n[]\n\"rootvalue\"=dword:FFFFFFFF\n[b]\n\"y\"=sz:\"\"\n";
  HiveReadState state;
  const std::string once = RewriteHiveText(text, &state);
  EXPECT_EQ(state, HiveReadState::kRead);
  EXPECT_EQ(once,
            "KESTRUNE HIVE 1\n[]\n\"rootvalue\"=dword:ffffffff\n[b]\n\"y\"=sz:\"\"\n[b\\a]\n@=sz:\"%00%0a\"\n"
            "[b\\c]\n\"x\"=hex:\n");
  EXPECT_EQ(RewriteHiveText(once), once);
}

TEST(SettingsHiveText, ReadingStopsAtTheItemLimit) {
  std::string text = "KESTRUNE HIVE 1\n[A]\n";
  for (int i = 0; i < kMaxHiveItems + 10; ++i) text += "\"v" + std::to_string(i) + "\"=dword:00000000\n";
  text += "[B]\n";
  const std::string once = RewriteHiveText(text);
  EXPECT_EQ(std::count(once.begin(), once.end(), '\n'), 2 + kMaxHiveItems - 1);  // header, [A], values
  EXPECT_EQ(once.find("[B]"), std::string::npos);
  EXPECT_EQ(RewriteHiveText(once), once);
}

}  // namespace
}  // namespace kestrune::platform
