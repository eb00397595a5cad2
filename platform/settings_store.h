// The settings store: what the registry is to the system, kept in files.
//
// Three hives exist, each one file in the user's config folder
// (UserConfigFolder(), read when the store is created):
//   kHKeyCurrentUser   "current_user.hive"
//   kHKeyLocalMachine  "local_machine.hive"
//   kHKeyClassesRoot   "classes_root.hive"
// The other root keys are known by number only: every key under them reads as
// missing and none can be created.
//
// Keys and names. A key path is a list of key names separated by "\", always
// taken from the root key (never from the open key); empty names are dropped,
// so a leading, trailing or doubled "\" changes nothing, and "" names the root
// key itself. Key and value names are compared without regard to letter case
// (CompareNoCase over their UTF-8 text; bytes that are not UTF-8 compare as
// themselves) and keep the spelling with which they were first created. A key
// lies at most kMaxKeyDepth names deep. The empty value name is the key's
// default value. Names and string data are 8-bit and kept byte for byte (NUL,
// CR and LF included).
//
// Values have one of three types: an 8-bit string (its exact bytes), a 32-bit
// integer, or binary data. A Boolean is an integer 0 or 1 (any non-zero reads
// as true); a date-time (TDateTime: days since 30 December 1899) is 8 bytes of
// binary data, the IEEE double in little-endian order.
//
// Reads, as TRegistry does them. "Missing" covers a missing value, a missing
// key and no open key:
//   call            value missing          stored with another type
//   ReadString      ""                     raises ERegistryException
//   ReadInteger     raises                 raises
//   ReadBool        raises                 raises
//   ReadBinaryData  0, buffer untouched    raises (also when bufSize is too small)
//   ReadDateTime    raises                 raises (also binary data not 8 bytes long)
// Writes raise ERegistryException when no key is open, the key was opened
// read-only or has been deleted since it was opened, or the hive cannot be
// saved. OpenKey, KeyExists, DeleteKey and DeleteValue report by their result
// and never raise. Unlike TRegistry, DeleteKey refuses a key that has sub-keys
// (as the registry itself does); delete the children first.
//
// Sharing. Every call reads the hive file afresh, so a store sees what other
// stores, threads and programs have saved. Every change takes an exclusive
// advisory lock (flock) on "<hive>.lock" beside the hive, reads the hive again,
// applies the change and renames a temporary file of the same folder over the
// hive: changes made at once by several stores or programs are never lost, a
// reader sees the old or the new file whole, and a failed save leaves the old
// file untouched. A write that changes nothing saves nothing. One store object
// must not be used by two threads at once; separate objects may be.
//
// Updates. Between BeginUpdate and EndUpdate the store gathers its changes to
// the hive of its root key instead of saving each: it reads that hive once at
// BeginUpdate, applies every change to its own copy (its reads in between see
// the copy, changes included; other stores see nothing yet), and EndUpdate
// takes the lock once, reads the hive file again, replays the changes in order
// and saves once. A value that another program changed in the meantime and
// the update did not touch survives. Updates nest; the outermost EndUpdate
// saves. A change refused at once (no key open, a read-only key) raises as
// ever; a failed save shows only in EndUpdate's result, and the hive file is
// then left as it was. Calls on another root key during an update go straight
// to their file. A store destroyed with an update open ends it.
//
// Hive file format, version 1: text, one record a line, lines end in LF (a CR
// before the LF is ignored); a UTF-8 byte-order mark before the first line is
// skipped (and not written back):
//   KESTRUNE HIVE 1                      first line: the magic and the version
//   [SOFTWARE\Kestrune Inc\Kestrune Search]   a key by its full path ("[]": the root)
//   @=sz:"text"                          the key's default value
//   "Name"=sz:"text"                     an 8-bit string
//   "Name"=dword:0000001e                a 32-bit integer, 8 hex digits
//   "Name"=hex:00c0e24000000000          binary data, 2 hex digits a byte
// Values follow the line of their key. In key paths and quoted texts the bytes
// below 0x20, 0x7F, '"' and '%' are written "%hh" (two hex digits); every other
// byte stands for itself. A key's line is written when the key has values or
// no sub-keys (the keys above it exist by implication), parents before
// children, names in case-insensitive order.
// Reading is line by line and forgiving: a line that does not parse is
// skipped (after a bad key line, so are the values up to the next key line);
// reading stops after kMaxHiveItems keys and values. A file the store does
// not recognise (without the first line, of a higher version, or larger than
// kMaxHiveSize) reads as an empty hive and is never overwritten: changes to
// that hive fail as a failed save does, and each refusal is reported to the
// log hook, so that the user's file is left for the user to mend; the program
// moves a file that is not a hive aside at its start (SetAsideDamagedHive).
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::platform {

// Root keys, with the numbers of the Windows predefined keys.
using HKEY = uint32_t;
inline constexpr HKEY kHKeyClassesRoot = 0x80000000u;
inline constexpr HKEY kHKeyCurrentUser = 0x80000001u;
inline constexpr HKEY kHKeyLocalMachine = 0x80000002u;
inline constexpr HKEY kHKeyUsers = 0x80000003u;
inline constexpr HKEY kHKeyPerformanceData = 0x80000004u;
inline constexpr HKEY kHKeyCurrentConfig = 0x80000005u;
inline constexpr HKEY kHKeyDynData = 0x80000006u;

inline constexpr int32_t kMaxKeyDepth = 512;
inline constexpr int64_t kMaxHiveSize = 4 * 1024 * 1024;
inline constexpr int32_t kMaxHiveItems = 100000;
// Copies of damaged hives kept beside the hive ("<hive>.damaged", then
// "<hive>.damaged.2" and on).
inline constexpr int32_t kMaxDamagedCopies = 100;

enum class RegDataType { kUnknown, kString, kInteger, kBinary };

// The store's error; the message names the value ("Failed to get data for
// 'X'", "Invalid data type for 'X'", "Failed to set data for 'X'").
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SettingsUpdate;  // the changes an open update gathers

// How the text of a hive file read.
enum class HiveReadState {
  kRead,         // read; lines that do not parse were skipped
  kNotHive,      // no hive header: empty, never overwritten
  kUnsupported,  // a later version, or too large with a hive header: empty, never overwritten
};

// How the hive file read, and where SetAsideDamagedHive moved it.
struct HiveSetAside {
  HiveReadState state = HiveReadState::kRead;  // kRead also when there is no file
  bool readable = true;   // false: the file is there but cannot be read
  std::string copy;       // UTF-8; empty when the file stayed where it was
};

class SettingsStore {
 public:
  // RootKey is kHKeyCurrentUser; no key is open.
  SettingsStore();
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // Gathering of changes (see Updates above). EndUpdate is false when the
  // gathered changes could not be saved; true otherwise (also when nothing
  // changed or an inner update ended).
  void BeginUpdate();
  bool EndUpdate();
  // Ends every open update and drops what it gathered: the hive file stays
  // as it is.
  void CancelUpdate();
  bool InUpdate() const { return updateDepth_ > 0; }

  HKEY RootKey() const { return rootKey_; }
  // The hive file of the root key (UTF-8); empty when the root key has none.
  std::string HivePath() const;
  // Closes the open key.
  void SetRootKey(HKEY rootKey);
  // Moves the root key's hive file aside when it is not a hive (kNotHive: no
  // hive header, also when too large), so that the next change writes a new
  // hive: under the hive's lock it is renamed to "<hive>.damaged", or to
  // "<hive>.damaged.2", ".3", ... up to kMaxDamagedCopies when that name is
  // taken, never over a file. A missing file, a hive that reads, one of a
  // later version or too large with a hive's header, and a file that cannot
  // be read (permissions, a folder) stay where they are.
  HiveSetAside SetAsideDamagedHive();

  // The path of the open key as it was given (without empty names); "" when
  // none or the root is open.
  const std::string& CurrentPath() const { return currentPath_; }
  bool KeyOpen() const { return keyOpen_; }

  // Opens the key for reading and writing; with canCreate, a missing key and
  // the keys above it are created. False, leaving the open key open, when the
  // key is missing and not to be created, cannot be created (the hive cannot
  // be saved, the path is too deep), or the root key has no hive.
  bool OpenKey(std::string_view key, bool canCreate);
  // Opens an existing key; writes to it raise.
  bool OpenKeyReadOnly(std::string_view key);
  void CloseKey();

  bool KeyExists(std::string_view key);
  // Deletes the key with its values. False when it is missing, is the root, or
  // has sub-keys.
  bool DeleteKey(std::string_view key);

  // About the open key: its sub-keys and value names (as spelled when created,
  // in case-insensitive order); empty when missing or none is open.
  bool HasSubKeys();
  std::vector<std::string> GetKeyNames();
  std::vector<std::string> GetValueNames();

  bool ValueExists(std::string_view name);
  RegDataType GetDataType(std::string_view name);  // kUnknown when missing
  int32_t GetDataSize(std::string_view name);      // bytes; -1 when missing
  // False when the value is missing or the key is read-only or missing.
  bool DeleteValue(std::string_view name);

  std::string ReadString(std::string_view name);
  void WriteString(std::string_view name, std::string_view value);
  int32_t ReadInteger(std::string_view name);
  void WriteInteger(std::string_view name, int32_t value);
  bool ReadBool(std::string_view name);
  void WriteBool(std::string_view name, bool value);
  // Copies the data into buffer and returns its size (0 when missing).
  int32_t ReadBinaryData(std::string_view name, void* buffer, int32_t bufSize);
  void WriteBinaryData(std::string_view name, const void* buffer, int32_t bufSize);
  double ReadDateTime(std::string_view name);
  void WriteDateTime(std::string_view name, double value);

 private:
  void WriteValue(std::string_view name, RegDataType type, std::string_view data);

  HKEY rootKey_ = kHKeyCurrentUser;
  std::string folder_;  // UTF-8, with a trailing "/"
  bool keyOpen_ = false;
  bool readOnly_ = false;
  std::vector<std::string> currentKey_;
  std::string currentPath_;
  int32_t updateDepth_ = 0;
  std::unique_ptr<SettingsUpdate> update_;  // null outside an update
};

// Where the store reports a hive file whose changes it refuses: one line of
// text, without a line end, naming the file. Set it at start-up (the program
// points it at its log) before stores are used; nullptr, the default, writes
// the line to the standard error stream. May be called from any thread that
// uses a store.
using SettingsLogHook = void (*)(std::string_view line);
void SetSettingsLogHook(SettingsLogHook hook);

// Reads bytes as the store reads a hive file and returns the text that a save
// of the resulting hive writes (for tests and the fuzzer). Never throws.
std::string RewriteHiveText(std::string_view bytes, HiveReadState* state = nullptr);

}  // namespace kestrune::platform
