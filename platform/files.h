// Files and folders by UTF-16 name.
//
// Names are UTF-16 inside the system and UTF-8 on disk. The system was written
// for a file system that ignores letter case, so a name whose exact spelling
// does not exist is resolved component by component against the folder's
// entries without regard to case (ResolvePath). Paths use "/".
//
// File attributes are the POSIX mode: "read-only" is the absence of the owner's
// write bit; hidden, system and archive do not exist here.
//
// NativeFile is a move-only owner of one open descriptor; it never throws and
// reports failure through its results. Share modes do not exist on Linux: every
// opener may read and write, which is what the widest Windows share mode gives.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::platform {

// The name as a UTF-8 path, with the case-insensitive fallback applied to every
// component that exists under another spelling.
std::string ResolvePath(std::u16string_view name);
std::string ResolvePathUtf8(std::string_view utf8);

class NativeFile {
 public:
  enum class Access { kRead, kWrite, kReadWrite };

  NativeFile() = default;
  ~NativeFile();
  NativeFile(NativeFile&& other) noexcept;
  NativeFile& operator=(NativeFile&& other) noexcept;
  NativeFile(const NativeFile&) = delete;
  NativeFile& operator=(const NativeFile&) = delete;

  // create: make the file when missing; truncate: empty it.
  bool Open(std::u16string_view name, Access access, bool create, bool truncate);
  bool Valid() const { return fd_ >= 0; }
  void Close();

  // Results are byte counts, or -1 on failure (errno kept in LastError()).
  int64_t Read(void* buffer, int64_t count);
  int64_t Write(const void* buffer, int64_t count);
  // whence: 0 from start, 1 from current, 2 from end. Returns the new offset or -1.
  int64_t Seek(int64_t offset, int whence);
  int64_t Size() const;
  bool SetSize(int64_t size);
  bool Sync();
  int LastError() const { return lastError_; }

 private:
  int fd_ = -1;
  int lastError_ = 0;
};

struct PathInfo {
  bool exists = false;
  bool isFolder = false;
  bool isFile = false;
  bool isSymlink = false;
  bool readOnly = false;
  uint32_t mode = 0;
  int64_t size = 0;
};

// Follows symbolic links for the kind and size; isSymlink tells the link itself.
PathInfo GetPathInfo(std::u16string_view name);

struct FolderEntry {
  std::u16string name;
  bool isFolder = false;   // a real folder, not a link to one
  bool isFile = false;     // a regular file, or a link to one
  bool readOnly = false;
};
// Entries of a folder except "." and "..", in the order the system delivers
// them. False when the folder cannot be read.
bool ListFolder(std::u16string_view folder, std::vector<FolderEntry>& entries);

// One entry of a folder with what identifies it: the link itself for a
// symbolic link, never its target.
struct FolderEntryIdentity {
  std::u16string name;
  bool isFolder = false;  // a real folder, not a link to one
  uint64_t device = 0;
  uint64_t inode = 0;
  uint32_t mode = 0;      // the POSIX mode: kind and permission bits
};
// Every entry of the folder named exactly `folder` (no case fallback) except
// "." and "..", in the order the system delivers them; an entry that vanishes
// while it is read is left out. False when the folder cannot be read.
bool ListFolderIdentities(std::u16string_view folder, std::vector<FolderEntryIdentity>& entries);

bool FileExists(std::u16string_view name);    // an existing non-folder
// An existing regular file (after links): not a folder, device, pipe or socket,
// so opening and reading it can neither fail for its kind nor block.
bool RegularFileExists(std::u16string_view name);
bool FolderExists(std::u16string_view name);
bool RemoveFile(std::u16string_view name);
bool CreateFolder(std::u16string_view name);  // with its parents
bool SetReadOnly(std::u16string_view name, bool readOnly);

// A new, empty, uniquely named file in the folder of `target`, for a save that
// renames it over the target afterwards. Empty on failure.
std::u16string CreateTempFileBeside(std::u16string_view target);
// A new, empty folder of the calling user only (mode 0700) in the system's
// temporary folder ($TMPDIR, else /tmp), its name starting with `prefix`;
// returned with a trailing "/". Empty on failure.
std::u16string CreateTempFolder(std::string_view prefix);
// Copies the regular file named exactly `from` to the new file named exactly
// `to` (never an existing one), with the source's permission bits. 0, or the
// system's error number of the step that failed (ENOSPC when the device is
// full); a failed copy leaves no file at `to`.
int CopyFileExactly(std::u16string_view from, std::u16string_view to);
// Rename `from` over `to` atomically; `to` keeps its mode when it exists.
bool ReplaceFile(std::u16string_view from, std::u16string_view to);

// The last error of the calling thread (errno).
int LastError();

// The program's folder with a trailing "/": KESTRUNE_HOME when set, else the
// folder of the running executable.
std::u16string ProgramFolder();
// The running executable's own path.
std::u16string ProgramFile();
// $XDG_DATA_HOME/kestrune/ (or ~/.local/share/kestrune/), created when needed.
std::u16string UserDataFolder();
// KESTRUNE_CONFIG_HOME, else $XDG_CONFIG_HOME/kestrune/ (or ~/.config/kestrune/).
std::u16string UserConfigFolder();

// Milliseconds from an arbitrary start, wrapping at 2^32 like the Windows tick count.
uint32_t GetTickCount();

}  // namespace kestrune::platform
