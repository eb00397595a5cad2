#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <random>

#include "platform/text.h"

namespace kestrune::platform {

namespace {

bool LstatExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Finds an entry of `folder` that equals `name` without regard to case.
bool FindNoCase(const std::string& folder, const std::string& name, std::string& found) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return false;
  const std::u16string wanted = Utf8ToUtf16(name);
  bool ok = false;
  while (dirent* e = ::readdir(dir)) {
    std::string entry = e->d_name;
    if (entry == "." || entry == "..") continue;
    if (CompareNoCase(Utf8ToUtf16(entry), wanted) == 0) {
      found = entry;
      ok = true;
      break;
    }
  }
  ::closedir(dir);
  return ok;
}

}  // namespace

std::string ResolvePathUtf8(std::string_view utf8) {
  std::string path(utf8);
  if (path.empty() || LstatExists(path)) return path;
  // Walk the components; keep the exact spelling where it exists.
  std::string result;
  size_t pos = 0;
  if (path[0] == '/') {
    result = "/";
    pos = 1;
  }
  bool resolving = true;
  while (pos <= path.size()) {
    size_t next = path.find('/', pos);
    if (next == std::string::npos) next = path.size();
    std::string part = path.substr(pos, next - pos);
    if (!part.empty()) {
      std::string candidate = result;
      if (!candidate.empty() && candidate.back() != '/') candidate += '/';
      if (resolving && part != "." && part != ".." && !LstatExists(candidate + part)) {
        std::string found;
        if (FindNoCase(result.empty() ? std::string(".") : result, part, found)) {
          part = found;
        } else {
          resolving = false;
        }
      }
      result = candidate + part;
    }
    if (next < path.size() && next == path.size() - 1) result += '/';
    pos = next + 1;
  }
  return result;
}

std::string ResolvePath(std::u16string_view name) { return ResolvePathUtf8(Utf16ToUtf8(name)); }

NativeFile::~NativeFile() { Close(); }

NativeFile::NativeFile(NativeFile&& other) noexcept : fd_(other.fd_), lastError_(other.lastError_) {
  other.fd_ = -1;
}

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    lastError_ = other.lastError_;
    other.fd_ = -1;
  }
  return *this;
}

bool NativeFile::Open(std::u16string_view name, Access access, bool create, bool truncate) {
  Close();
  if (name.empty()) {
    lastError_ = ENOENT;
    return false;
  }
  int flags = O_CLOEXEC;
  switch (access) {
    case Access::kRead: flags |= O_RDONLY; break;
    case Access::kWrite: flags |= O_WRONLY; break;
    case Access::kReadWrite: flags |= O_RDWR; break;
  }
  if (create) flags |= O_CREAT;
  if (truncate) flags |= O_TRUNC;
  const std::string path = ResolvePath(name);
  fd_ = ::open(path.c_str(), flags, 0666);
  if (fd_ < 0) {
    lastError_ = errno;
    return false;
  }
  struct stat st;
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    lastError_ = EISDIR;
    return false;
  }
  lastError_ = 0;
  return true;
}

void NativeFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

int64_t NativeFile::Read(void* buffer, int64_t count) {
  if (fd_ < 0 || count < 0) return -1;
  int64_t done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < count) {
    ssize_t n = ::read(fd_, p + done, static_cast<size_t>(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      lastError_ = errno;
      return done > 0 ? done : -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

int64_t NativeFile::Write(const void* buffer, int64_t count) {
  if (fd_ < 0 || count < 0) return -1;
  int64_t done = 0;
  auto* p = static_cast<const char*>(buffer);
  while (done < count) {
    ssize_t n = ::write(fd_, p + done, static_cast<size_t>(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      lastError_ = errno;
      return done > 0 ? done : -1;
    }
    done += n;
  }
  return done;
}

int64_t NativeFile::Seek(int64_t offset, int whence) {
  if (fd_ < 0) return -1;
  off_t r = ::lseek(fd_, offset, whence == 0 ? SEEK_SET : whence == 1 ? SEEK_CUR : SEEK_END);
  if (r < 0) lastError_ = errno;
  return r;
}

int64_t NativeFile::Size() const {
  if (fd_ < 0) return 0;
  struct stat st;
  if (::fstat(fd_, &st) != 0) return 0;
  return st.st_size;
}

bool NativeFile::SetSize(int64_t size) {
  if (fd_ < 0) return false;
  if (::ftruncate(fd_, size) != 0) {
    lastError_ = errno;
    return false;
  }
  return true;
}

bool NativeFile::Sync() { return fd_ >= 0 && ::fsync(fd_) == 0; }

PathInfo GetPathInfo(std::u16string_view name) {
  PathInfo info;
  if (name.empty()) return info;
  const std::string path = ResolvePath(name);
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return info;
  info.isSymlink = S_ISLNK(st.st_mode);
  if (info.isSymlink && ::stat(path.c_str(), &st) != 0) {
    info.exists = true;  // a dangling link: neither file nor folder
    return info;
  }
  info.exists = true;
  info.isFolder = S_ISDIR(st.st_mode);
  info.isFile = !info.isFolder;
  info.mode = st.st_mode & 07777;
  info.readOnly = (st.st_mode & S_IWUSR) == 0;
  info.size = st.st_size;
  return info;
}

bool ListFolder(std::u16string_view folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  std::string path = ResolvePath(folder);
  if (path.empty()) return false;
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return false;
  if (path.back() != '/') path += '/';
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    FolderEntry entry;
    entry.name = Utf8ToUtf16(name);
    struct stat st;
    const std::string full = path + name;
    if (::lstat(full.c_str(), &st) != 0) continue;
    if (S_ISLNK(st.st_mode)) {
      struct stat target;
      if (::stat(full.c_str(), &target) != 0) continue;
      entry.isFolder = false;  // links to folders are not followed
      entry.isFile = !S_ISDIR(target.st_mode);
      entry.readOnly = (target.st_mode & S_IWUSR) == 0;
    } else {
      entry.isFolder = S_ISDIR(st.st_mode);
      entry.isFile = !entry.isFolder;
      entry.readOnly = (st.st_mode & S_IWUSR) == 0;
    }
    if (!entry.isFolder && !entry.isFile) continue;
    entries.push_back(std::move(entry));
  }
  ::closedir(dir);
  return true;
}

bool ListFolderIdentities(std::u16string_view folder, std::vector<FolderEntryIdentity>& entries) {
  entries.clear();
  const std::string path = Utf16ToUtf8(folder);
  const int fd = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return false;
  }
  while (dirent* e = ::readdir(dir)) {
    const char* name = e->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
    struct stat st;
    if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    FolderEntryIdentity entry;
    entry.name = Utf8ToUtf16(name);
    entry.isFolder = S_ISDIR(st.st_mode);
    entry.device = static_cast<uint64_t>(st.st_dev);
    entry.inode = static_cast<uint64_t>(st.st_ino);
    entry.mode = static_cast<uint32_t>(st.st_mode);
    entries.push_back(std::move(entry));
  }
  ::closedir(dir);  // closes fd
  return true;
}

bool FileExists(std::u16string_view name) {
  PathInfo info = GetPathInfo(name);
  return info.exists && info.isFile;
}

bool RegularFileExists(std::u16string_view name) {
  const std::string path = ResolvePath(name);
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(std::u16string_view name) {
  PathInfo info = GetPathInfo(name);
  return info.exists && info.isFolder;
}

bool RemoveFile(std::u16string_view name) {
  const std::string path = ResolvePath(name);
  return !path.empty() && ::unlink(path.c_str()) == 0;
}

bool CreateFolder(std::u16string_view name) {
  std::string path = ResolvePath(name);
  if (path.empty()) return false;
  for (size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos == path.size() || path[pos] == '/') {
      std::string part = path.substr(0, pos);
      if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
  }
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SetReadOnly(std::u16string_view name, bool readOnly) {
  const std::string path = ResolvePath(name);
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  mode = readOnly ? (mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
  return ::chmod(path.c_str(), mode) == 0;
}

std::u16string CreateTempFileBeside(std::u16string_view target) {
  std::string path = ResolvePath(target);
  if (path.empty()) return {};
  std::string pattern = path + ".tmpXXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  int fd = ::mkstemp(buf.data());
  if (fd < 0) return {};
  ::close(fd);
  return Utf8ToUtf16(std::string(buf.data()));
}

std::u16string CreateTempFolder(std::string_view prefix) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = base && *base ? base : "/tmp";
  if (pattern.back() != '/') pattern += '/';
  pattern.append(prefix);
  pattern += "XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (::mkdtemp(buf.data()) == nullptr) return {};
  return Utf8ToUtf16(std::string(buf.data()) + "/");
}

int CopyFileExactly(std::u16string_view from, std::u16string_view to) {
  const std::string src = Utf16ToUtf8(from), dst = Utf16ToUtf8(to);
  const int in = ::open(src.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);  // a pipe never blocks
  if (in < 0) return errno;
  struct stat st;
  const int kind = ::fstat(in, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EINVAL;
  if (kind != 0) {
    ::close(in);
    return kind;
  }
  const int out = ::open(dst.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
  if (out < 0) {
    const int error = errno;
    ::close(in);
    return error;
  }
  int error = 0;
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t got = ::read(in, buffer, sizeof(buffer));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got < 0) error = errno;
      break;
    }
    for (ssize_t done = 0; done < got && error == 0;) {
      const ssize_t put = ::write(out, buffer + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) error = errno;
      if (put > 0) done += put;
    }
    if (error != 0) break;
  }
  // A full device may show only when the data reach it; and the source of a
  // move goes once the copy is whole.
  if (error == 0 && ::fsync(out) != 0 && errno != EINVAL) error = errno;
  if (::close(out) != 0 && error == 0 && errno != EINTR) error = errno;
  ::close(in);
  if (error != 0) ::unlink(dst.c_str());
  return error;
}

bool ReplaceFile(std::u16string_view from, std::u16string_view to) {
  const std::string src = ResolvePath(from);
  const std::string dst = ResolvePath(to);
  struct stat st;
  if (::stat(dst.c_str(), &st) == 0) {
    ::chmod(src.c_str(), st.st_mode & 07777);
  } else {
    // A new file gets the ordinary mode of a created file.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(src.c_str(), 0666 & ~mask);
  }
  int fd = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return ::rename(src.c_str(), dst.c_str()) == 0;
}

int LastError() { return errno; }

namespace {
std::u16string WithSlash(std::string path) {
  if (!path.empty() && path.back() != '/') path += '/';
  return Utf8ToUtf16(path);
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  return home && *home ? home : "/tmp";
}
}  // namespace

std::u16string ProgramFile() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return {};
  return Utf8ToUtf16(std::string(buf, static_cast<size_t>(n)));
}

std::u16string ProgramFolder() {
  if (const char* home = std::getenv("KESTRUNE_HOME"); home && *home) return WithSlash(home);
  std::string exe = Utf16ToUtf8(ProgramFile());
  size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return u"./";
  return WithSlash(exe.substr(0, slash + 1));
}

std::u16string UserDataFolder() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    base = xdg;
  } else {
    base = HomeFolder() + "/.local/share";
  }
  std::u16string folder = WithSlash(base + "/kestrune");
  CreateFolder(folder);
  return folder;
}

std::u16string UserConfigFolder() {
  if (const char* dir = std::getenv("KESTRUNE_CONFIG_HOME"); dir && *dir) return WithSlash(dir);
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    base = xdg;
  } else {
    base = HomeFolder() + "/.config";
  }
  return WithSlash(base + "/kestrune");
}

uint32_t GetTickCount() {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace kestrune::platform
