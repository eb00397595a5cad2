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

// Why a name cannot be given to an item of the projects folder.
enum class TNameRefusal : int32_t {
  nrNone = 0,
  nrBlank = 1,    // empty, or blanks only
  nrInvalid = 2,  // holds "/", or is "." or ".."
  nrHidden = 3,   // begins with "." (the project lists do not show it)
  nrTaken = 4,    // something of that name exists (the caller looks)
  nrRefused = 5,  // the file system refused it (the caller tried)
};

// The refusal of a name by its text (the blanks: space, tab, no-break and
// ideographic space); nrNone when it can be given.
TNameRefusal CheckItemName(std::u16string_view name);
// The same for a project's file name: also a name that is blank before its
// ".kqp" is refused as blank.
TNameRefusal CheckProjectName(std::u16string_view name);
// The message of a refusal (MessageStrings); empty for nrNone.
const std::u16string& NameRefusalText(TNameRefusal refusal);

// `path` made clean: "a//b/./c/" is "a/b/c".
std::u16string CleanPath(std::u16string_view path);
// Where `path` is after the item `from` was moved or renamed to `to`: the
// same text when it is neither `from` nor inside it (compared as clean
// paths).
std::u16string MovedPath(std::u16string_view path, std::u16string_view from, std::u16string_view to);

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
