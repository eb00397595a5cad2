// What changed in a folder between two listings, as the reports of the shell's
// change notifications (ui/shell_notification.h raises them as events).
//
// A listing holds every entry of a folder with its kind, device, inode and
// mode, sorted by name (UTF-16 code units, exact case). Comparing two
// listings of one folder gives, per entry:
//   a new name                            SHCNE_CREATE, SHCNE_MKDIR for a folder
//   a name gone                           SHCNE_DELETE, SHCNE_RMDIR for a folder
//   a name gone and a new one of the same kind with the same device and
//   inode                                 SHCNE_RENAMEITEM, SHCNE_RENAMEFOLDER
//   a name kept with another mode         SHCNE_ATTRIBUTES
// A name kept for another item (another inode, or another kind) is the old
// item gone and a new one made. The reports come in that order: deletions,
// renames, creations, attribute changes, each group in name order. Paths are
// the folder and the name joined with "/"; only renames carry a second path.
//
// Plain functions over values; any thread may call them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace kestrune {

// The shell's event codes (the values of the Windows shell's SHCNE_ bits).
inline constexpr uint32_t SHCNE_RENAMEITEM = 0x00000001;
inline constexpr uint32_t SHCNE_CREATE = 0x00000002;
inline constexpr uint32_t SHCNE_DELETE = 0x00000004;
inline constexpr uint32_t SHCNE_MKDIR = 0x00000008;
inline constexpr uint32_t SHCNE_RMDIR = 0x00000010;
inline constexpr uint32_t SHCNE_MEDIAINSERTED = 0x00000020;
inline constexpr uint32_t SHCNE_MEDIAREMOVED = 0x00000040;
inline constexpr uint32_t SHCNE_DRIVEREMOVED = 0x00000080;
inline constexpr uint32_t SHCNE_DRIVEADD = 0x00000100;
inline constexpr uint32_t SHCNE_NETSHARE = 0x00000200;
inline constexpr uint32_t SHCNE_NETUNSHARE = 0x00000400;
inline constexpr uint32_t SHCNE_ATTRIBUTES = 0x00000800;
inline constexpr uint32_t SHCNE_UPDATEDIR = 0x00001000;
inline constexpr uint32_t SHCNE_UPDATEITEM = 0x00002000;
inline constexpr uint32_t SHCNE_SERVERDISCONNECT = 0x00004000;
inline constexpr uint32_t SHCNE_UPDATEIMAGE = 0x00008000;
inline constexpr uint32_t SHCNE_DRIVEADDGUI = 0x00010000;
inline constexpr uint32_t SHCNE_RENAMEFOLDER = 0x00020000;
inline constexpr uint32_t SHCNE_FREESPACE = 0x00040000;
inline constexpr uint32_t SHCNE_ASSOCCHANGED = 0x08000000;

// One report: the event code and its paths.
struct TShellReport {
  uint32_t Event = 0;
  std::u16string Path1;
  std::u16string Path2;
  bool operator==(const TShellReport&) const = default;
};

using TFolderListing = std::vector<platform::FolderEntryIdentity>;

// The listing of the folder named exactly `folder`, sorted by name; false
// (and an empty listing) when the folder cannot be read.
bool ReadFolderListing(std::u16string_view folder, TFolderListing& listing);

// `folder` + "/" + `name` (one "/" after a folder that ends in one).
std::u16string ItemPath(std::u16string_view folder, std::u16string_view name);

// The entry of `path` in the listing of the folder that holds it; false
// when there is none.
bool ItemIdentity(std::u16string_view path, platform::FolderEntryIdentity& identity);

// The folder itself when it exists, else the nearest folder above it that
// exists (names compared exactly); empty when none does.
std::u16string NearestExistingFolder(std::u16string_view folder);

// Appends to `reports` what turns `before` into `after`, both listings of
// `folder` sorted by name.
void CompareFolderListings(std::u16string_view folder, const TFolderListing& before, const TFolderListing& after,
                           std::vector<TShellReport>& reports);

}  // namespace kestrune
