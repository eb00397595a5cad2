// TShellNotification: a non-visual component that reports the changes under
// one folder (items created, deleted, renamed, attributes changed) as events
// with the paths concerned. The project manager keeps its tree in step with
// the projects folder through it.
//
// Registering is watching: a QFileSystemWatcher watches the folder and, with
// WatchSubTree, every folder below it (links are not followed). Each time a
// watched folder changes, its listing is read and compared with the last one
// (app/folder_changes.h); every difference becomes a report for HandleReport,
// and a change that shows no difference (the folder's own attributes, an
// entry written over) is SHCNE_UPDATEDIR. A folder made inside the tree is
// watched and compared at once, so the items made in it at the same time are
// reported too; a folder that goes stops being watched. Only events of
// WatchEvents are reported (the shell's mask). Drive, media, share, server,
// association, free-space and image-list events have no counterpart here:
// they are declared and never raised.
//
// Paths in events are UTF-16, without a trailing "/"; a report repeated with
// the same event and the same paths (compared exactly) is dropped.
//
// The folder that holds Path is watched as well. When the folder of a
// registration goes (deleted, renamed away, made unreadable, another folder
// put in its place), the watcher reports it removed (SHCNE_RMDIR) and watches
// the nearest folder above it that exists; once the folder is back it
// registers again by itself (Path unchanged), reports what the folder holds
// as made and raises OnPathBack. A folder that cannot be watched (unreadable, or past the
// system's limit of watches) is logged once and tried again whenever the
// folder that holds it changes, its own mode included.
//
// Unregistered after construction. Writing Path, WatchSubTree or WatchEvents
// with a new value registers (again); a path that is not a readable folder
// leaves the registration as it was. Active reads true while registered with
// the active flag set; writing it registers or ends the registration. The
// destructor ends the registration.
//
// Used on the user-interface thread only: events are raised there.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "app/folder_changes.h"

namespace kestrune {

// The members of WatchEvents, in set order.
enum TNotificationEvent : int32_t {
  neAssociationChange = 0,
  neAttributesChange = 1,
  neFileChange = 2,
  neFileCreate = 3,
  neFileDelete = 4,
  neFileRename = 5,
  neDriveAdd = 6,
  neDriveRemove = 7,
  neShellDriveAdd = 8,
  neDriveSpaceChange = 9,
  neMediaInsert = 10,
  neMediaRemove = 11,
  neFolderCreate = 12,
  neFolderDelete = 13,
  neFolderRename = 14,
  neFolderUpdate = 15,
  neNetShare = 16,
  neNetUnShare = 17,
  neServerDisconnect = 18,
  neImageListChange = 19,
};
inline constexpr int32_t kNotificationEventCount = 20;

// A set of TNotificationEvent (bit n for member n).
class TNotificationEvents {
 public:
  constexpr TNotificationEvents() = default;
  constexpr TNotificationEvents(std::initializer_list<TNotificationEvent> events) {
    for (TNotificationEvent event : events) Include(event);
  }
  constexpr bool Contains(TNotificationEvent event) const { return (bits_ >> event) & 1u; }
  constexpr void Include(TNotificationEvent event) { bits_ |= 1u << event; }
  constexpr void Exclude(TNotificationEvent event) { bits_ &= ~(1u << event); }
  constexpr uint32_t Bits() const { return bits_; }
  constexpr bool operator==(const TNotificationEvents&) const = default;

 private:
  uint32_t bits_ = 0;
};

// The shell event a member asks for, and the mask of a set.
uint32_t ShellEventOf(TNotificationEvent event);
uint32_t EventMask(TNotificationEvents events);

class TShellNotification : public QObject {
 public:
  using TEvent = std::function<void(TShellNotification& sender)>;
  using TEvent1 = std::function<void(TShellNotification& sender, const std::u16string& path)>;
  using TEvent2 =
      std::function<void(TShellNotification& sender, const std::u16string& path1, const std::u16string& path2)>;

  explicit TShellNotification(QObject* parent = nullptr);
  ~TShellNotification() override;

  const std::u16string& Path() const { return path_; }
  void SetPath(std::u16string_view path);
  bool Active() const { return registered_ && active_; }
  void SetActive(bool active);
  bool WatchSubTree() const { return watchSubTree_; }
  void SetWatchSubTree(bool watchSubTree);
  TNotificationEvents WatchEvents() const { return watchEvents_; }
  void SetWatchEvents(TNotificationEvents events);

  // The 17 events.
  TEvent OnAssociationChange;
  TEvent2 OnAttributesChange;
  TEvent2 OnFolderRename;
  TEvent2 OnItemRename;
  TEvent1 OnFileCreate;
  TEvent1 OnFolderUpdate;
  TEvent1 OnFileDelete;
  TEvent1 OnDriveAdd;
  TEvent1 OnFolderRemove;
  TEvent1 OnDriveAddGui;
  TEvent1 OnDriveRemove;
  TEvent1 OnMediaInserted;
  TEvent1 OnMediaRemove;
  TEvent1 OnDirCreate;
  TEvent1 OnNetShare;
  TEvent1 OnNetUnShare;
  TEvent1 OnServerDisconnect;

  // Raised when Path came back after it had gone (or could not be read): the
  // registration watches it again and has reported what it holds as made.
  TEvent OnPathBack;

  // Starts watching Path with the current settings, ending an earlier
  // registration; nothing when Path is not a readable folder.
  void Register();
  // True while a registration exists (whatever the active flag says).
  bool Registered() const { return registered_; }

  // One report: dropped when it repeats the last one, else raised by the
  // dispatch table (SHCNE_UPDATEDIR and SHCNE_SERVERDISCONNECT pass Path;
  // SHCNE_ASSOCCHANGED only with neAssociationChange in WatchEvents;
  // SHCNE_UPDATEITEM, SHCNE_FREESPACE and SHCNE_UPDATEIMAGE raise nothing).
  void HandleReport(uint32_t event, const std::u16string& path1, const std::u16string& path2);

 private:
  void Deregister();
  // Watches `folder` (and, with WatchSubTree, the folders below it) from its
  // present listing; with `report`, everything in it is reported as made.
  void WatchTree(const std::u16string& folder, bool report);
  // Compares a watched folder with its last listing and reports the changes;
  // an unchanged folder gives SHCNE_UPDATEDIR when `updateWhenSame`.
  void Rescan(const std::u16string& folder, bool updateWhenSame);
  // Stops watching `folder` and the folders below it.
  void Forget(const std::u16string& folder);
  // A watched folder renamed: its listings move to the new paths and are
  // compared there.
  void MoveWatches(const std::u16string& from, const std::u16string& to);
  // A report of the comparison: within the mask it goes to HandleReport.
  void Deliver(const TShellReport& report);
  // A folder that could not be watched (or read): remembered, logged once.
  void CannotWatch(const std::u16string& folder);
  void LogCannotWatch(const std::u16string& folder);
  // Tries again to watch the folders in `parent` that could not be watched.
  void RetryUnwatched(const std::u16string& parent);
  // Tries again to watch one such folder; false when it is gone.
  bool TryToWatch(const std::u16string& folder);
  // Watches the folder above the root: its parent while it is there, else
  // the nearest folder above it that exists; notes the root's identity.
  void WatchAboveRoot();
  // The folder above the root changed: the root is checked.
  void AboveRootChanged();
  // The root went (or another folder took its place): reported removed,
  // then waited for.
  void RootGone();
  // Registers again when the root is back (OnPathBack), else waits on the
  // nearest folder above it.
  void LookForRoot();

  std::u16string path_;
  bool active_ = false;
  bool watchSubTree_ = false;
  TNotificationEvents watchEvents_;

  QFileSystemWatcher* watcher_;
  bool registered_ = false;
  uint32_t mask_ = 0;
  uint64_t generation_ = 0;  // counts registrations: a handler may register again
  std::map<std::u16string, TFolderListing> listings_;  // by watched folder
  std::set<std::u16string> unwatched_;  // below the root, not watched (read or not)
  std::set<std::u16string> logged_;     // folders whose failed watch has been logged
  std::u16string aboveRoot_;  // the folder above the root that is watched (see WatchAboveRoot)
  platform::FolderEntryIdentity rootIdentity_;  // the root's device and inode while it is there

  TShellReport last_;
};

}  // namespace kestrune
