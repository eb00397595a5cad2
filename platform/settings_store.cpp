#include "platform/settings_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

#include "platform/files.h"
#include "platform/text.h"

namespace kestrune::platform {

namespace {

constexpr std::string_view kHiveMagic = "KESTRUNE HIVE ";
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr uint32_t kHiveVersion = 1;
constexpr char kHexDigits[] = "0123456789abcdef";

// The text by which a name is compared: its UTF-8 decoded to UTF-16, each byte
// that is not part of a well-formed sequence mapped to the lone surrogate
// U+DC80..U+DCFF. Distinct byte strings never give the same text, so names
// that are not UTF-8 never collide.
std::u16string NameKey(std::string_view name) {
  std::u16string out;
  out.reserve(name.size());
  size_t i = 0;
  while (i < name.size()) {
    const auto b = static_cast<uint8_t>(name[i]);
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    }
    size_t extra = 0;
    uint32_t cp = 0;
    uint32_t least = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      extra = 1, cp = b & 0x1Fu, least = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2, cp = b & 0x0Fu, least = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3, cp = b & 0x07u, least = 0x10000;
    }
    bool ok = extra > 0 && i + extra < name.size();
    for (size_t k = 1; ok && k <= extra; ++k) {
      const auto c = static_cast<uint8_t>(name[i + k]);
      ok = (c & 0xC0) == 0x80;
      cp = (cp << 6) | (c & 0x3Fu);
    }
    ok = ok && cp >= least && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    if (!ok) {
      out += static_cast<char16_t>(0xDC00 + b);
      ++i;
    } else if (cp < 0x10000) {
      out += static_cast<char16_t>(cp);
      i += extra + 1;
    } else {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      i += extra + 1;
    }
  }
  return out;
}

struct NameLess {
  bool operator()(const std::u16string& a, const std::u16string& b) const { return CompareNoCase(a, b) < 0; }
};

struct HiveValue {
  std::string name;
  RegDataType type = RegDataType::kUnknown;
  std::string data;
};

struct HiveKey {
  std::string name;
  std::map<std::u16string, HiveValue, NameLess> values;
  std::map<std::u16string, std::unique_ptr<HiveKey>, NameLess> subKeys;
};

struct Hive {
  HiveKey root;
  HiveReadState state = HiveReadState::kRead;
  int32_t items = 0;  // keys and values created while reading
};

// Splits a key path into its names, dropping empty ones. False when deeper
// than kMaxKeyDepth.
bool SplitPath(std::string_view path, std::vector<std::string>& names) {
  names.clear();
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t next = path.find('\\', pos);
    if (next == std::string_view::npos) next = path.size();
    if (next > pos) {
      if (names.size() >= static_cast<size_t>(kMaxKeyDepth)) return false;
      names.emplace_back(path.substr(pos, next - pos));
    }
    pos = next + 1;
  }
  return true;
}

std::string JoinPath(const std::vector<std::string>& names) {
  std::string path;
  for (const std::string& name : names) {
    if (!path.empty()) path += '\\';
    path += name;
  }
  return path;
}

const HiveKey* FindKey(const HiveKey& root, const std::vector<std::string>& names, size_t count) {
  const HiveKey* key = &root;
  for (size_t i = 0; i < count; ++i) {
    auto it = key->subKeys.find(NameKey(names[i]));
    if (it == key->subKeys.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

const HiveKey* FindKey(const HiveKey& root, const std::vector<std::string>& names) {
  return FindKey(root, names, names.size());
}

HiveKey* FindKey(HiveKey& root, const std::vector<std::string>& names, size_t count) {
  return const_cast<HiveKey*>(FindKey(static_cast<const HiveKey&>(root), names, count));
}

HiveKey* FindKey(HiveKey& root, const std::vector<std::string>& names) {
  return FindKey(root, names, names.size());
}

// Finds or creates the key; nullptr when that would pass kMaxHiveItems.
HiveKey* CreateKey(Hive& hive, const std::vector<std::string>& names) {
  HiveKey* key = &hive.root;
  for (const std::string& name : names) {
    std::u16string nameKey = NameKey(name);
    auto it = key->subKeys.find(nameKey);
    if (it == key->subKeys.end()) {
      if (hive.items >= kMaxHiveItems) return nullptr;
      ++hive.items;
      auto child = std::make_unique<HiveKey>();
      child->name = name;
      it = key->subKeys.emplace(std::move(nameKey), std::move(child)).first;
    }
    key = it->second.get();
  }
  return key;
}

// ---- Hive text ----

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool NeedsEscape(uint8_t c) { return c < 0x20 || c == 0x7F || c == '"' || c == '%'; }

void AppendEscaped(std::string& out, std::string_view text) {
  for (char ch : text) {
    const auto c = static_cast<uint8_t>(ch);
    if (NeedsEscape(c)) {
      out += '%';
      out += kHexDigits[c >> 4];
      out += kHexDigits[c & 15];
    } else {
      out += ch;
    }
  }
}

// The reverse of AppendEscaped; false on a byte that should have been escaped
// or a "%" without two hex digits.
bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<uint8_t>(text[i]);
    if (c == '%') {
      if (i + 2 >= text.size()) return false;
      const int hi = HexValue(text[i + 1]);
      const int lo = HexValue(text[i + 2]);
      if (hi < 0 || lo < 0) return false;
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else if (NeedsEscape(c)) {
      return false;
    } else {
      out += static_cast<char>(c);
    }
  }
  return true;
}

// A quoted text starting at pos; pos moves past the closing quote.
bool ParseQuoted(std::string_view line, size_t& pos, std::string& out) {
  if (pos >= line.size() || line[pos] != '"') return false;
  const size_t close = line.find('"', pos + 1);
  if (close == std::string_view::npos) return false;
  if (!Unescape(line.substr(pos + 1, close - pos - 1), out)) return false;
  pos = close + 1;
  return true;
}

bool ParseHex(std::string_view digits, std::string& out) {
  if (digits.size() % 2 != 0) return false;
  out.clear();
  out.reserve(digits.size() / 2);
  for (size_t i = 0; i < digits.size(); i += 2) {
    const int hi = HexValue(digits[i]);
    const int lo = HexValue(digits[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
  }
  return true;
}

// One value line into `key`. A line that does not parse is passed over; false
// only when the hive is full.
bool ParseValueLine(std::string_view line, Hive& hive, HiveKey& key) {
  std::string name;
  size_t pos = 0;
  if (line[0] == '@') {
    pos = 1;
  } else if (!ParseQuoted(line, pos, name)) {
    return true;
  }
  if (pos >= line.size() || line[pos] != '=') return true;
  std::string_view rest = line.substr(pos + 1);
  RegDataType type;
  std::string data;
  if (rest.starts_with("sz:")) {
    size_t end = 3;
    if (!ParseQuoted(rest, end, data) || end != rest.size()) return true;
    type = RegDataType::kString;
  } else if (rest.starts_with("dword:")) {
    std::string bytes;
    if (rest.size() != 14 || !ParseHex(rest.substr(6), bytes)) return true;
    data.assign({bytes[3], bytes[2], bytes[1], bytes[0]});  // written most significant first
    type = RegDataType::kInteger;
  } else if (rest.starts_with("hex:")) {
    if (!ParseHex(rest.substr(4), data)) return true;
    type = RegDataType::kBinary;
  } else {
    return true;
  }
  std::u16string nameKey = NameKey(name);
  auto it = key.values.find(nameKey);
  if (it != key.values.end()) {
    it->second.type = type;
    it->second.data = std::move(data);
    return true;
  }
  if (hive.items >= kMaxHiveItems) return false;
  ++hive.items;
  key.values.emplace(std::move(nameKey), HiveValue{std::move(name), type, std::move(data)});
  return true;
}

// The next line of the text from pos, without its LF or a CR before it; pos
// moves past the line's end. False at the end of the text.
bool NextLine(std::string_view bytes, size_t& pos, std::string_view& line) {
  if (pos >= bytes.size()) return false;
  size_t end = bytes.find('\n', pos);
  if (end == std::string_view::npos) end = bytes.size();
  line = bytes.substr(pos, end - pos);
  pos = end + 1;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return true;
}

// What the first line of a hive file (from pos, after a byte-order mark)
// makes of it: kRead for "KESTRUNE HIVE 1", kUnsupported for a later version,
// kNotHive for anything else. pos moves past the line.
HiveReadState HeaderState(std::string_view bytes, size_t& pos) {
  std::string_view line;
  NextLine(bytes, pos, line);
  const std::string_view digits = line.starts_with(kHiveMagic) ? line.substr(kHiveMagic.size()) : std::string_view();
  if (digits.empty() || digits.size() > 9) return HiveReadState::kNotHive;
  uint32_t version = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return HiveReadState::kNotHive;
    version = version * 10 + static_cast<uint32_t>(c - '0');
  }
  if (version == 0) return HiveReadState::kNotHive;
  return version > kHiveVersion ? HiveReadState::kUnsupported : HiveReadState::kRead;
}

// The state of a file's first bytes: a byte-order mark alone or nothing is an
// empty hive (kRead); a file larger than kMaxHiveSize with a hive's header
// is kUnsupported, one without it kNotHive. pos moves past the header line.
HiveReadState FileState(std::string_view head, int64_t fileSize, size_t& pos) {
  pos = 0;
  if (head.empty()) return HiveReadState::kRead;
  if (head.starts_with(kUtf8ByteOrderMark)) {
    // A byte-order mark alone is an empty file.
    if (fileSize == static_cast<int64_t>(kUtf8ByteOrderMark.size())) return HiveReadState::kRead;
    pos = kUtf8ByteOrderMark.size();
  }
  const HiveReadState state = HeaderState(head, pos);
  return state == HiveReadState::kRead && fileSize > kMaxHiveSize ? HiveReadState::kUnsupported : state;
}

void ParseHive(std::string_view bytes, Hive& hive) {
  size_t pos = 0;
  hive.state = FileState(bytes, static_cast<int64_t>(bytes.size()), pos);
  if (hive.state != HiveReadState::kRead) return;

  std::string_view line;
  HiveKey* current = nullptr;
  std::string path;
  std::vector<std::string> names;
  while (NextLine(bytes, pos, line)) {
    if (line.empty()) continue;
    if (line[0] == '[') {
      current = nullptr;
      if (line.size() >= 2 && line.back() == ']' && Unescape(line.substr(1, line.size() - 2), path) &&
          SplitPath(path, names)) {
        current = CreateKey(hive, names);
        if (!current) return;  // full
      }
    } else if ((line[0] == '@' || line[0] == '"') && current) {
      if (!ParseValueLine(line, hive, *current)) return;  // full
    }
  }
}

void AppendValue(std::string& out, const HiveValue& value) {
  if (value.name.empty()) {
    out += '@';
  } else {
    out += '"';
    AppendEscaped(out, value.name);
    out += '"';
  }
  switch (value.type) {
    case RegDataType::kString:
      out += "=sz:\"";
      AppendEscaped(out, value.data);
      out += "\"\n";
      break;
    case RegDataType::kInteger:
      out += "=dword:";
      for (int i = 3; i >= 0; --i) {
        const auto c = static_cast<uint8_t>(value.data[static_cast<size_t>(i)]);
        out += kHexDigits[c >> 4];
        out += kHexDigits[c & 15];
      }
      out += '\n';
      break;
    default:
      out += "=hex:";
      for (char ch : value.data) {
        const auto c = static_cast<uint8_t>(ch);
        out += kHexDigits[c >> 4];
        out += kHexDigits[c & 15];
      }
      out += '\n';
      break;
  }
}

// `path` is the key's path as written (names escaped, joined by "\").
void AppendKey(std::string& out, const HiveKey& key, const std::string& path, bool isRoot, int32_t& items) {
  if (!key.values.empty() || (!isRoot && key.subKeys.empty())) {
    out += '[';
    out += path;
    out += "]\n";
  }
  for (const auto& [nameKey, value] : key.values) AppendValue(out, value);
  items += static_cast<int32_t>(key.values.size());
  for (const auto& [nameKey, child] : key.subKeys) {
    ++items;
    std::string childPath = path;
    if (!isRoot) childPath += '\\';
    AppendEscaped(childPath, child->name);
    AppendKey(out, *child, childPath, false, items);
  }
}

// The hive's text; false when it passes kMaxHiveSize or kMaxHiveItems.
bool SerializeHive(const HiveKey& root, std::string& out) {
  out = std::string(kHiveMagic) + std::to_string(kHiveVersion) + "\n";
  int32_t items = 0;
  AppendKey(out, root, std::string(), true, items);
  return static_cast<int64_t>(out.size()) <= kMaxHiveSize && items <= kMaxHiveItems;
}

// ---- Hive files ----

// Reads the hive file. A missing file is an empty hive; false when the file
// exists but cannot be read.
bool ReadHive(const std::string& path, Hive& hive) {
  hive = Hive();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  if (st.st_size > kMaxHiveSize) {
    // Too large to read: its first line tells a hive from another file.
    char head[64];
    const ssize_t n = ::pread(fd, head, sizeof head, 0);
    ::close(fd);
    if (n < 0) return false;
    size_t pos = 0;
    hive.state = FileState(std::string_view(head, static_cast<size_t>(n)), st.st_size, pos);
    return true;
  }
  // Read up to one byte past the limit, in case the file grew since fstat.
  std::string bytes(static_cast<size_t>(st.st_size) + 1, '\0');
  size_t done = 0;
  bool ok = true;
  while (true) {
    if (done == bytes.size()) {
      if (static_cast<int64_t>(bytes.size()) > kMaxHiveSize) break;
      bytes.resize(std::min<size_t>(bytes.size() * 2, static_cast<size_t>(kMaxHiveSize) + 1));
    }
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  if (!ok) return false;
  bytes.resize(done);
  ParseHive(bytes, hive);
  return true;
}

// Writes the hive to a temporary file beside `path` and renames it over.
bool SaveHive(const std::string& path, const HiveKey& root) {
  std::string text;
  if (!SerializeHive(root, text)) return false;
  const std::u16string target = Utf8ToUtf16(path);
  const std::u16string temp = CreateTempFileBeside(target);
  if (temp.empty()) return false;
  NativeFile file;
  bool ok = file.Open(temp, NativeFile::Access::kWrite, false, true) &&
            file.Write(text.data(), static_cast<int64_t>(text.size())) == static_cast<int64_t>(text.size());
  file.Close();
  ok = ok && ReplaceFile(temp, target);
  if (!ok) RemoveFile(temp);
  return ok;
}

// An exclusive advisory lock on "<hive>.lock", held while the object lives.
// flock locks belong to the open file, so they also part threads of one process.
class HiveLock {
 public:
  explicit HiveLock(const std::string& hivePath) {
    const std::string path = hivePath + ".lock";
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        ::close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~HiveLock() {
    if (fd_ >= 0) ::close(fd_);  // releases the lock
  }
  HiveLock(const HiveLock&) = delete;
  HiveLock& operator=(const HiveLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

std::atomic<SettingsLogHook> logHook{nullptr};

void LogRefusedChange(const std::string& path, HiveReadState state) {
  const std::string line = "Settings: " + path +
                           (state == HiveReadState::kNotHive ? " is not a settings hive"
                                                             : " is of a later version or too large") +
                           "; the change is refused and the file left as it is";
  if (const SettingsLogHook hook = logHook.load()) {
    hook(line);
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}

// Applies `change` to the hive as it stands in its file, under the hive's lock,
// and saves when change returns true. False when the hive cannot be locked,
// read or saved, or is a file the store does not recognise (logged).
template <class Change>
bool ChangeHive(const std::string& folder, const std::string& path, Change&& change) {
  if (!CreateFolder(Utf8ToUtf16(folder))) return false;
  HiveLock lock(path);
  if (!lock.Held()) return false;
  Hive hive;
  if (!ReadHive(path, hive)) return false;
  if (hive.state != HiveReadState::kRead) {
    LogRefusedChange(path, hive.state);
    return false;
  }
  if (!change(hive)) return true;
  return SaveHive(path, hive.root);
}

// Renames `from` to `to` unless `to` exists. False with errno EEXIST when it
// does.
bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: the hive's lock keeps our own programs
  // out between the test and the rename.
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

std::string Quoted(const char* text, std::string_view name) {
  return std::string(text) + " '" + std::string(name) + "'";
}

[[noreturn]] void RaiseGetData(std::string_view name) {
  throw ERegistryException(Quoted("Failed to get data for", name));
}
[[noreturn]] void RaiseInvalidType(std::string_view name) {
  throw ERegistryException(Quoted("Invalid data type for", name));
}
[[noreturn]] void RaiseSetData(std::string_view name) {
  throw ERegistryException(Quoted("Failed to set data for", name));
}


// One change of a hive, as a store call makes it and an update replays it.
struct HiveChange {
  enum class Kind { kCreateKey, kDeleteKey, kWriteValue, kDeleteValue };
  HiveChange(Kind k, std::vector<std::string> keyNames, std::string valueName = {},
             RegDataType valueType = RegDataType::kUnknown, std::string valueData = {})
      : kind(k), key(std::move(keyNames)), name(std::move(valueName)), type(valueType), data(std::move(valueData)) {}
  Kind kind;
  std::vector<std::string> key;  // the key's names
  std::string name;              // the value's name
  RegDataType type;
  std::string data;
};

// Applies the change to the hive. `done` tells whether the call succeeded in
// its own terms (the key exists or was made, the value was written or
// deleted); the result whether the hive changed. With createMissing a value
// written to a missing key creates the key: an update replays a write to a key
// it opened even when another program has deleted the key since.
bool ApplyChange(Hive& hive, const HiveChange& change, bool createMissing, bool& done) {
  done = false;
  switch (change.kind) {
    case HiveChange::Kind::kCreateKey:
      if (FindKey(hive.root, change.key)) {
        done = true;
        return false;
      }
      done = CreateKey(hive, change.key) != nullptr;
      return done;
    case HiveChange::Kind::kDeleteKey: {
      if (change.key.empty()) return false;
      HiveKey* parent = FindKey(hive.root, change.key, change.key.size() - 1);
      if (!parent) return false;
      auto it = parent->subKeys.find(NameKey(change.key.back()));
      if (it == parent->subKeys.end() || !it->second->subKeys.empty()) return false;
      parent->subKeys.erase(it);
      done = true;
      return true;
    }
    case HiveChange::Kind::kWriteValue: {
      HiveKey* key = FindKey(hive.root, change.key);
      if (!key && createMissing) key = CreateKey(hive, change.key);
      if (!key) return false;
      std::u16string nameKey = NameKey(change.name);
      auto it = key->values.find(nameKey);
      if (it != key->values.end()) {
        done = true;
        if (it->second.type == change.type && it->second.data == change.data) return false;
        it->second.type = change.type;
        it->second.data = change.data;
        return true;
      }
      if (hive.items >= kMaxHiveItems) return false;
      ++hive.items;
      key->values.emplace(std::move(nameKey), HiveValue{change.name, change.type, change.data});
      done = true;
      return true;
    }
    case HiveChange::Kind::kDeleteValue: {
      HiveKey* key = FindKey(hive.root, change.key);
      done = key && key->values.erase(NameKey(change.name)) > 0;
      return done;
    }
  }
  return false;
}

}  // namespace

// ---- SettingsStore ----

// An open update: the hive as it was read at BeginUpdate with the update's
// changes applied (what reads of the store see), and those changes in order,
// to be replayed on the hive file as it stands at EndUpdate.
struct SettingsUpdate {
  std::string path;
  Hive hive;
  std::vector<HiveChange> changes;
};

namespace {

// The hive as a store sees it: its open update's copy when the update is of
// that hive, else the file read into `scratch`.
const Hive& ViewHive(const SettingsUpdate* update, const std::string& path, Hive& scratch) {
  if (update && update->path == path) return update->hive;
  ReadHive(path, scratch);
  return scratch;
}

// Makes one change: in the open update when it is of that hive, else in the
// file under its lock. True when the change did what it was asked.
bool MakeChange(SettingsUpdate* update, const std::string& folder, const std::string& path,
                HiveChange change) {
  bool done = false;
  if (update && update->path == path) {
    if (ApplyChange(update->hive, change, false, done)) update->changes.push_back(std::move(change));
    return done;
  }
  const bool saved = ChangeHive(folder, path, [&](Hive& hive) { return ApplyChange(hive, change, false, done); });
  return saved && done;
}

struct ValueCopy {
  RegDataType type;
  std::string data;
};

// The value of the open key as the store sees it.
std::optional<ValueCopy> LookUpValue(const SettingsUpdate* update, const std::string& hivePath, bool keyOpen,
                                     const std::vector<std::string>& keyNames, std::string_view name) {
  if (!keyOpen || hivePath.empty()) return std::nullopt;
  Hive scratch;
  const Hive& hive = ViewHive(update, hivePath, scratch);
  const HiveKey* key = FindKey(hive.root, keyNames);
  if (!key) return std::nullopt;
  auto it = key->values.find(NameKey(name));
  if (it == key->values.end()) return std::nullopt;
  return ValueCopy{it->second.type, it->second.data};
}

}  // namespace

SettingsStore::SettingsStore() : folder_(Utf16ToUtf8(UserConfigFolder())) {}

SettingsStore::~SettingsStore() {
  if (updateDepth_ > 0) {
    updateDepth_ = 1;
    EndUpdate();
  }
}

void SettingsStore::BeginUpdate() {
  if (updateDepth_++ > 0) return;
  const std::string path = HivePath();
  if (path.empty()) return;  // a root without a hive: nothing to gather
  update_ = std::make_unique<SettingsUpdate>();
  update_->path = path;
  ReadHive(path, update_->hive);
}

void SettingsStore::CancelUpdate() {
  updateDepth_ = 0;
  update_.reset();
}

bool SettingsStore::EndUpdate() {
  if (updateDepth_ == 0 || --updateDepth_ > 0) return true;
  std::unique_ptr<SettingsUpdate> update = std::move(update_);
  if (!update || update->changes.empty()) return true;
  return ChangeHive(folder_, update->path, [&](Hive& hive) {
    bool changed = false;
    bool done = false;
    for (const HiveChange& change : update->changes) changed |= ApplyChange(hive, change, true, done);
    return changed;
  });
}

HiveSetAside SettingsStore::SetAsideDamagedHive() {
  HiveSetAside result;
  const std::string path = HivePath();
  struct stat st;
  if (path.empty() || ::lstat(path.c_str(), &st) != 0) return result;  // no file: nothing to move
  HiveLock lock(path);
  Hive hive;
  result.readable = lock.Held() && ReadHive(path, hive);
  result.state = hive.state;
  if (!result.readable || hive.state != HiveReadState::kNotHive) return result;
  for (int32_t n = 1; n <= kMaxDamagedCopies; ++n) {
    const std::string copy = path + ".damaged" + (n == 1 ? std::string() : "." + std::to_string(n));
    if (RenameWithoutReplacing(path, copy)) {
      result.copy = copy;
      break;
    }
    if (errno != EEXIST) break;
  }
  return result;
}

void SettingsStore::SetRootKey(HKEY rootKey) {
  CloseKey();
  rootKey_ = rootKey;
}

std::string SettingsStore::HivePath() const {
  switch (rootKey_) {
    case kHKeyCurrentUser: return folder_ + "current_user.hive";
    case kHKeyLocalMachine: return folder_ + "local_machine.hive";
    case kHKeyClassesRoot: return folder_ + "classes_root.hive";
    default: return {};
  }
}

bool SettingsStore::OpenKey(std::string_view key, bool canCreate) {
  std::vector<std::string> names;
  const std::string path = HivePath();
  if (path.empty() || !SplitPath(key, names)) return false;
  Hive scratch;
  if (!FindKey(ViewHive(update_.get(), path, scratch).root, names)) {
    if (!canCreate || !MakeChange(update_.get(), folder_, path, {HiveChange::Kind::kCreateKey, names})) {
      return false;
    }
  }
  currentKey_ = std::move(names);
  currentPath_ = JoinPath(currentKey_);
  keyOpen_ = true;
  readOnly_ = false;
  return true;
}

bool SettingsStore::OpenKeyReadOnly(std::string_view key) {
  if (!KeyExists(key)) return false;
  SplitPath(key, currentKey_);
  currentPath_ = JoinPath(currentKey_);
  keyOpen_ = true;
  readOnly_ = true;
  return true;
}

void SettingsStore::CloseKey() {
  keyOpen_ = false;
  readOnly_ = false;
  currentKey_.clear();
  currentPath_.clear();
}

bool SettingsStore::KeyExists(std::string_view key) {
  std::vector<std::string> names;
  const std::string path = HivePath();
  if (path.empty() || !SplitPath(key, names)) return false;
  Hive scratch;
  return FindKey(ViewHive(update_.get(), path, scratch).root, names) != nullptr;
}

bool SettingsStore::DeleteKey(std::string_view key) {
  std::vector<std::string> names;
  if (!SplitPath(key, names) || names.empty() || !KeyExists(key)) return false;
  return MakeChange(update_.get(), folder_, HivePath(), {HiveChange::Kind::kDeleteKey, std::move(names)});
}

bool SettingsStore::HasSubKeys() { return !GetKeyNames().empty(); }

std::vector<std::string> SettingsStore::GetKeyNames() {
  std::vector<std::string> result;
  const std::string path = HivePath();
  if (!keyOpen_ || path.empty()) return result;
  Hive scratch;
  if (const HiveKey* key = FindKey(ViewHive(update_.get(), path, scratch).root, currentKey_)) {
    for (const auto& [nameKey, child] : key->subKeys) result.push_back(child->name);
  }
  return result;
}

std::vector<std::string> SettingsStore::GetValueNames() {
  std::vector<std::string> result;
  const std::string path = HivePath();
  if (!keyOpen_ || path.empty()) return result;
  Hive scratch;
  if (const HiveKey* key = FindKey(ViewHive(update_.get(), path, scratch).root, currentKey_)) {
    for (const auto& [nameKey, value] : key->values) result.push_back(value.name);
  }
  return result;
}

bool SettingsStore::ValueExists(std::string_view name) {
  return LookUpValue(update_.get(), HivePath(), keyOpen_, currentKey_, name).has_value();
}

RegDataType SettingsStore::GetDataType(std::string_view name) {
  auto value = LookUpValue(update_.get(), HivePath(), keyOpen_, currentKey_, name);
  return value ? value->type : RegDataType::kUnknown;
}

int32_t SettingsStore::GetDataSize(std::string_view name) {
  auto value = LookUpValue(update_.get(), HivePath(), keyOpen_, currentKey_, name);
  return value ? static_cast<int32_t>(value->data.size()) : -1;
}

bool SettingsStore::DeleteValue(std::string_view name) {
  if (readOnly_ || !ValueExists(name)) return false;
  return MakeChange(update_.get(), folder_, HivePath(),
                    {HiveChange::Kind::kDeleteValue, currentKey_, std::string(name)});
}

void SettingsStore::WriteValue(std::string_view name, RegDataType type, std::string_view data) {
  const std::string path = HivePath();
  if (!keyOpen_ || readOnly_ || path.empty()) RaiseSetData(name);
  if (!MakeChange(update_.get(), folder_, path,
                  {HiveChange::Kind::kWriteValue, currentKey_, std::string(name), type, std::string(data)})) {
    RaiseSetData(name);
  }
}

std::string SettingsStore::ReadString(std::string_view name) {
  auto value = LookUpValue(update_.get(), HivePath(), keyOpen_, currentKey_, name);
  if (!value) return {};
  if (value->type != RegDataType::kString) RaiseInvalidType(name);
  return std::move(value->data);
}

void SettingsStore::WriteString(std::string_view name, std::string_view value) {
  WriteValue(name, RegDataType::kString, value);
}

int32_t SettingsStore::ReadInteger(std::string_view name) {
  auto value = LookUpValue(update_.get(), HivePath(), keyOpen_, currentKey_, name);
  if (!value) RaiseGetData(name);
  if (value->type != RegDataType::kInteger || value->data.size() != 4) RaiseInvalidType(name);
  uint32_t bits = 0;
  for (int i = 3; i >= 0; --i) bits = (bits << 8) | static_cast<uint8_t>(value->data[static_cast<size_t>(i)]);
  return static_cast<int32_t>(bits);
}

void SettingsStore::WriteInteger(std::string_view name, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  const char data[4] = {static_cast<char>(bits & 0xFF), static_cast<char>((bits >> 8) & 0xFF),
                        static_cast<char>((bits >> 16) & 0xFF), static_cast<char>(bits >> 24)};
  WriteValue(name, RegDataType::kInteger, std::string_view(data, 4));
}

bool SettingsStore::ReadBool(std::string_view name) { return ReadInteger(name) != 0; }

void SettingsStore::WriteBool(std::string_view name, bool value) { WriteInteger(name, value ? 1 : 0); }

int32_t SettingsStore::ReadBinaryData(std::string_view name, void* buffer, int32_t bufSize) {
  auto value = LookUpValue(update_.get(), HivePath(), keyOpen_, currentKey_, name);
  if (!value) return 0;
  const auto size = static_cast<int32_t>(value->data.size());
  if (value->type != RegDataType::kBinary || size > bufSize) RaiseInvalidType(name);
  if (size > 0) std::memcpy(buffer, value->data.data(), static_cast<size_t>(size));
  return size;
}

void SettingsStore::WriteBinaryData(std::string_view name, const void* buffer, int32_t bufSize) {
  if (bufSize < 0 || (bufSize > 0 && !buffer)) RaiseSetData(name);
  WriteValue(name, RegDataType::kBinary,
             bufSize > 0 ? std::string_view(static_cast<const char*>(buffer), static_cast<size_t>(bufSize))
                         : std::string_view());
}

double SettingsStore::ReadDateTime(std::string_view name) {
  auto value = LookUpValue(update_.get(), HivePath(), keyOpen_, currentKey_, name);
  if (!value) RaiseGetData(name);
  if (value->type != RegDataType::kBinary || value->data.size() != 8) RaiseInvalidType(name);
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | static_cast<uint8_t>(value->data[static_cast<size_t>(i)]);
  double result;
  std::memcpy(&result, &bits, sizeof(result));
  return result;
}

void SettingsStore::WriteDateTime(std::string_view name, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof(bits));
  char data[8];
  for (char& byte : data) {
    byte = static_cast<char>(bits & 0xFF);
    bits >>= 8;
  }
  WriteValue(name, RegDataType::kBinary, std::string_view(data, 8));
}

void SetSettingsLogHook(SettingsLogHook hook) { logHook.store(hook); }

// ---- Hive text for tests and the fuzzer ----

std::string RewriteHiveText(std::string_view bytes, HiveReadState* state) {
  Hive hive;
  ParseHive(bytes, hive);
  if (state) *state = hive.state;
  std::string text;
  SerializeHive(hive.root, text);
  return text;
}

}  // namespace kestrune::platform
