#include "app/projects_folder.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

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

// A free name beside `path` to keep a replaced item until the move is done.
fs::path AsideName(const fs::path& path) {
  for (int n = 0;; ++n) {
    fs::path aside = path.parent_path() / (".kestrune-replaced-" + std::to_string(n) + "-" + path.filename().string());
    if (!Exists(aside) || n > 1000) return aside;
  }
}

int32_t ErrorNumber(const std::error_code& error) { return error.value() != 0 ? error.value() : EIO; }

}  // namespace

std::u16string NewFolderName(std::u16string_view folder) {
  std::u16string name = u"New folder";
  for (int32_t n = 1; Exists(NativePath(Join(folder, name))); ++n) {
    name = u"New folder(" + platform::Utf8ToUtf16(std::to_string(n)) + u")";
  }
  return name;
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

int32_t MoveProjectItem(std::u16string_view source, std::u16string_view target, bool replace) {
  const fs::path from = NativePath(WithoutTrailingSlash(source)), to = NativePath(WithoutTrailingSlash(target));
  if (!Exists(from)) return ENOENT;
  std::error_code error;
  fs::path aside;
  if (Exists(to)) {
    if (!replace) return EEXIST;
    aside = AsideName(to);
    fs::rename(to, aside, error);
    if (error) return ErrorNumber(error);
  }
  auto putBack = [&] {
    std::error_code ignored;
    if (!aside.empty()) fs::rename(aside, to, ignored);
  };
  auto dropAside = [&] {
    std::error_code ignored;
    if (!aside.empty()) fs::remove_all(aside, ignored);
  };

  fs::rename(from, to, error);
  if (!error) {
    dropAside();
    return 0;
  }
  if (error != std::errc::cross_device_link) {
    putBack();
    return ErrorNumber(error);
  }
  // Another device: copy, and delete the source only once the copy is whole.
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
  if (error) {
    std::error_code ignored;
    fs::remove_all(to, ignored);
    putBack();
    return ErrorNumber(error);
  }
  dropAside();
  fs::remove_all(from, error);
  return error ? ErrorNumber(error) : 0;
}

}  // namespace kestrune
