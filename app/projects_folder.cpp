#include "app/projects_folder.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "app/project_file.h"
#include "core/message_strings.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

namespace fs = std::filesystem;

namespace {

fs::path NativePath(std::u16string_view path) { return fs::path(platform::Utf16ToUtf8(path)); }

// Anything of that exact name, a dangling link included.
bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::symlink_status(path, error).type() != fs::file_type::not_found && !error;
}

std::u16string Join(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  if (path.empty() || path.back() != u'/') path += u'/';
  return path.append(name);
}

int32_t ErrorNumber(const std::error_code& error) { return error.value() != 0 ? error.value() : EIO; }

// Copies the item `from` to the new name `to`: folders with everything in
// them, links as links, regular files whole. Anything else (a pipe, a device)
// is refused. 0 or the error number of the step that failed.
int32_t CopyItem(const fs::path& from, const fs::path& to) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(from, error);
  if (error) return error.value();
  switch (status.type()) {
    case fs::file_type::regular:
      return platform::CopyFileExactly(platform::Utf8ToUtf16(from.string()), platform::Utf8ToUtf16(to.string()));
    case fs::file_type::symlink: fs::copy_symlink(from, to, error); return error.value();
    case fs::file_type::directory: {
      if (!fs::create_directory(to, from, error) && !error) return EEXIST;
      if (error) return error.value();
      for (fs::directory_iterator it(from, error), end; !error && it != end; it.increment(error)) {
        if (const int32_t failed = CopyItem(it->path(), to / it->path().filename()); failed != 0) return failed;
      }
      return error.value();
    }
    default: return ENOTSUP;
  }
}

}  // namespace

std::u16string NewFolderName(std::u16string_view folder) {
  std::u16string name = u"New folder";
  for (int32_t n = 1; Exists(NativePath(Join(folder, name))); ++n) {
    name = u"New folder(" + platform::Utf8ToUtf16(std::to_string(n)) + u")";
  }
  return name;
}

TNameRefusal CheckItemName(std::u16string_view name) {
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\u00A0' || c == u'\u3000'; };
  if (std::all_of(name.begin(), name.end(), blank)) return TNameRefusal::nrBlank;
  if (name.find(u'/') != std::u16string_view::npos || name == u"." || name == u"..") return TNameRefusal::nrInvalid;
  if (name.front() == u'.') return TNameRefusal::nrHidden;
  return TNameRefusal::nrNone;
}

TNameRefusal CheckProjectName(std::u16string_view name) {
  if (name.ends_with(kProjectFileExtension)) {
    const TNameRefusal base = CheckItemName(name.substr(0, name.size() - kProjectFileExtension.size()));
    if (base == TNameRefusal::nrBlank) return base;
  }
  return CheckItemName(name);
}

const std::u16string& NameRefusalText(TNameRefusal refusal) {
  static const std::u16string kNone;
  switch (refusal) {
    case TNameRefusal::nrBlank: return MessageStrings.smNameBlank;
    case TNameRefusal::nrInvalid: return MessageStrings.smNameInvalid;
    case TNameRefusal::nrHidden: return MessageStrings.smNameHidden;
    case TNameRefusal::nrTaken: return MessageStrings.smNameTaken;
    case TNameRefusal::nrRefused: return MessageStrings.smNameRefused;
    case TNameRefusal::nrNone: break;
  }
  return kNone;
}

std::u16string CleanPath(std::u16string_view path) {
  return WithoutTrailingSlash(platform::Utf8ToUtf16(NativePath(path).lexically_normal().string()));
}

std::u16string MovedPath(std::u16string_view path, std::u16string_view from, std::u16string_view to) {
  const std::u16string item = CleanPath(path), moved = CleanPath(from);
  if (path.empty() || moved.empty() || !IsSameOrInside(item, moved)) return std::u16string(path);
  return CleanPath(to) + item.substr(moved.size());
}

std::u16string WithoutTrailingSlash(std::u16string_view path) {
  while (path.size() > 1 && path.back() == u'/') path.remove_suffix(1);
  return std::u16string(path);
}

std::u16string ParentFolder(std::u16string_view path) {
  const std::u16string clean = WithoutTrailingSlash(path);
  const size_t slash = clean.rfind(u'/');
  if (slash == std::u16string::npos) return {};
  return slash == 0 ? u"/" : clean.substr(0, slash);
}

std::u16string ItemName(std::u16string_view path) {
  const std::u16string clean = WithoutTrailingSlash(path);
  const size_t slash = clean.rfind(u'/');
  return slash == std::u16string::npos ? clean : clean.substr(slash + 1);
}

bool IsSameOrInside(std::u16string_view path, std::u16string_view folder) {
  const std::u16string item = WithoutTrailingSlash(path), outer = WithoutTrailingSlash(folder);
  if (outer.empty() || item.size() < outer.size() || item.compare(0, outer.size(), outer) != 0) return false;
  return item.size() == outer.size() || outer == u"/" || item[outer.size()] == u'/';
}

TDropPlan PlanDrop(std::u16string_view source, std::u16string_view dropPath, bool dropIsFolder) {
  TDropPlan plan;
  const std::u16string item = WithoutTrailingSlash(source), drop = WithoutTrailingSlash(dropPath);
  if (item.empty() || drop.empty() || item == u"/") return plan;
  const std::u16string folder = dropIsFolder ? drop : ParentFolder(drop);
  if (folder.empty() || IsSameOrInside(folder, item)) return plan;
  plan.Target = Join(folder, ItemName(item));
  if (plan.Target == item) {
    plan.Kind = TDropKind::dkNothing;
  } else {
    plan.Kind = Exists(NativePath(plan.Target)) ? TDropKind::dkReplace : TDropKind::dkMove;
  }
  return plan;
}

int32_t MoveProjectItem(std::u16string_view source, std::u16string_view target) {
  const fs::path from = NativePath(WithoutTrailingSlash(source)), to = NativePath(WithoutTrailingSlash(target));
  if (!Exists(from)) return ENOENT;
  if (Exists(to)) return EEXIST;
  std::error_code error;
  fs::rename(from, to, error);
  if (!error) return 0;
  if (error != std::errc::cross_device_link) return ErrorNumber(error);
  // Another device: copy, and delete the source only once the copy is whole;
  // a copy that fails is removed again (it is ours) and the source stays.
  if (const int32_t failed = CopyItem(from, to); failed != 0) {
    std::error_code ignored;
    fs::remove_all(to, ignored);
    return failed;
  }
  fs::remove_all(from, error);
  return error ? ErrorNumber(error) : 0;
}

}  // namespace kestrune
