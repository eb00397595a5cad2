// The project manager's operations on the projects folder, without widgets:
// the name of a new folder, where a dropped item goes, and the move itself.
//
// Paths are UTF-16 with "/" and compared exactly: two names that differ only
// in letter case are two items here. Folder paths may end in "/".
//
// A move is a rename; across devices it is a copy followed by the delete of
// the source, and a copy that fails is removed again while the source stays.
// A move never replaces anything: the caller that replaces an item puts the
// old one out of the way first (the project manager moves it to the trash),
// so that nothing is deleted for good. Moves cannot be undone. Any thread may
// call these functions; nothing here raises.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

// The first free name in `folder` of "New folder", "New folder(1)",
// "New folder(2)", ... (no blank before the parenthesis); a name is taken
// when anything of that exact name exists.
std::u16string NewFolderName(std::u16string_view folder);

// `path` without trailing "/" (the root "/" stays).
std::u16string WithoutTrailingSlash(std::u16string_view path);
// The folder that holds `path` (without trailing "/"); empty for a path
// without a "/".
std::u16string ParentFolder(std::u16string_view path);
// The last component of `path`.
std::u16string ItemName(std::u16string_view path);
// True when `path` is `folder` or lies inside it.
bool IsSameOrInside(std::u16string_view path, std::u16string_view folder);

enum class TDropKind : int32_t {
  dkMove = 0,     // the item can be moved to Target
  dkReplace = 1,  // Target exists: the user must agree to replace it
  dkNothing = 2,  // the item is there already
  dkRefused = 3,  // a folder into itself or one of its descendants, or no item
};

struct TDropPlan {
  TDropKind Kind = TDropKind::dkRefused;
  std::u16string Target;  // the item's path after the move
};

// Where `source` goes when it is dropped on the item `dropPath`: into it when
// it is a folder, else into the folder that holds it.
TDropPlan PlanDrop(std::u16string_view source, std::u16string_view dropPath, bool dropIsFolder);

// Moves `source` to `target` (a full path); an existing target is never
// replaced (EEXIST). Returns 0, or the system's error number of the step that
// failed (ENOSPC when the target's device is full).
int32_t MoveProjectItem(std::u16string_view source, std::u16string_view target);

}  // namespace kestrune
