#include "ui/shell_notification.h"

#include <QStringList>
#include <array>
#include <vector>

#include "app/projects_folder.h"
#include "core/log_file.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

namespace {

constexpr std::array<uint32_t, kNotificationEventCount> kShellEvents = {
    SHCNE_ASSOCCHANGED, SHCNE_ATTRIBUTES,  SHCNE_UPDATEITEM,   SHCNE_CREATE,    SHCNE_DELETE,
    SHCNE_RENAMEITEM,   SHCNE_DRIVEADD,    SHCNE_DRIVEREMOVED, SHCNE_DRIVEADDGUI, SHCNE_FREESPACE,
    SHCNE_MEDIAINSERTED, SHCNE_MEDIAREMOVED, SHCNE_MKDIR,      SHCNE_RMDIR,     SHCNE_RENAMEFOLDER,
    SHCNE_UPDATEDIR,    SHCNE_NETSHARE,    SHCNE_NETUNSHARE,   SHCNE_SERVERDISCONNECT, SHCNE_UPDATEIMAGE,
};

QString ToQString(const std::u16string& text) { return QString::fromStdU16String(text); }

bool IsSameOrBelow(const std::u16string& path, const std::u16string& folder) {
  return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                            (folder == u"/" || path[folder.size()] == u'/'));
}

}  // namespace

uint32_t ShellEventOf(TNotificationEvent event) {
  return event >= 0 && event < kNotificationEventCount ? kShellEvents[event] : 0;
}

uint32_t EventMask(TNotificationEvents events) {
  uint32_t mask = 0;
  for (int32_t n = 0; n < kNotificationEventCount; ++n) {
    if (events.Contains(static_cast<TNotificationEvent>(n))) mask |= kShellEvents[n];
  }
  return mask;
}

TShellNotification::TShellNotification(QObject* parent) : QObject(parent), watcher_(new QFileSystemWatcher(this)) {
  connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this](const QString& folder) {
    const std::u16string path = folder.toStdU16String();
    if (!aboveRoot_.empty() && path == aboveRoot_) {
      AboveRootChanged();
    } else {
      Rescan(path, true);
    }
  });
}

TShellNotification::~TShellNotification() { Deregister(); }

void TShellNotification::SetPath(std::u16string_view path) {
  if (path == path_) return;
  path_ = path;
  Register();
}

void TShellNotification::SetActive(bool active) {
  if (active == active_) return;
  active_ = active;
  if (active) {
    Register();
  } else {
    Deregister();
  }
}

void TShellNotification::SetWatchSubTree(bool watchSubTree) {
  if (watchSubTree == watchSubTree_) return;
  watchSubTree_ = watchSubTree;
  Register();
}

void TShellNotification::SetWatchEvents(TNotificationEvents events) {
  if (events == watchEvents_) return;
  watchEvents_ = events;
  Register();
}

void TShellNotification::Register() {
  const std::u16string root = WithoutTrailingSlash(path_);
  TFolderListing probe;
  if (root.empty() || !ReadFolderListing(root, probe)) return;  // the old registration stays
  Deregister();
  ++generation_;
  mask_ = EventMask(watchEvents_);
  registered_ = true;
  const uint64_t generation = generation_;
  WatchTree(root, false);
  if (generation == generation_) WatchAboveRoot();
}

void TShellNotification::Deregister() {
  const QStringList watched = watcher_->directories();
  if (!watched.isEmpty()) watcher_->removePaths(watched);
  listings_.clear();
  unwatched_.clear();
  aboveRoot_.clear();
  registered_ = false;
}

void TShellNotification::WatchTree(const std::u16string& folder, bool report) {
  // Watched first, then read: nothing made in between is missed.
  const bool watched = watcher_->addPath(ToQString(folder));
  TFolderListing listing;
  if (!ReadFolderListing(folder, listing)) {
    if (watched) watcher_->removePath(ToQString(folder));
    CannotWatch(folder);
    return;
  }
  // A folder read but not watched (the system's limit of watches) keeps its
  // listing, to be compared once it is watched.
  if (watched) {
    unwatched_.erase(folder);
  } else {
    CannotWatch(folder);
  }
  std::vector<TShellReport> made;
  if (report) CompareFolderListings(folder, {}, listing, made);
  std::vector<std::u16string> below;
  if (watchSubTree_) {
    for (const auto& entry : listing) {
      if (entry.isFolder) below.push_back(ItemPath(folder, entry.name));
    }
  }
  listings_[folder] = std::move(listing);
  const uint64_t generation = generation_;
  for (const TShellReport& r : made) {
    Deliver(r);
    if (generation != generation_) return;
  }
  for (const std::u16string& sub : below) {
    if (!listings_.contains(sub)) WatchTree(sub, report);
    if (generation != generation_) return;
  }
}

void TShellNotification::Rescan(const std::u16string& folder, bool updateWhenSame) {
  const auto known = listings_.find(folder);
  if (known == listings_.end()) return;
  TFolderListing now;
  const bool read = ReadFolderListing(folder, now);
  if (folder == WithoutTrailingSlash(path_) && (!read || !watcher_->directories().contains(ToQString(folder)))) {
    // The root has no parent here: gone (or replaced, its watch gone with
    // the old folder), it is waited for.
    RootGone();
    return;
  }
  if (!read) {
    // Gone or renamed: its parent's listing reports it, and a renamed folder
    // keeps this listing to be compared under its new name.
    return;
  }
  std::vector<TShellReport> reports;
  CompareFolderListings(folder, known->second, now, reports);
  known->second = std::move(now);
  const uint64_t generation = generation_;
  if (reports.empty() && updateWhenSame) Deliver({SHCNE_UPDATEDIR, folder, {}});
  for (const TShellReport& r : reports) {
    Deliver(r);
    if (generation != generation_) return;  // a handler registered again
    if (!watchSubTree_) continue;
    if (r.Event == SHCNE_MKDIR) {
      WatchTree(r.Path1, true);
    } else if (r.Event == SHCNE_RMDIR) {
      Forget(r.Path1);
    } else if (r.Event == SHCNE_RENAMEFOLDER) {
      MoveWatches(r.Path1, r.Path2);
    }
    if (generation != generation_) return;
  }
  // The folder changed: the folders in it that could not be watched are
  // tried again (their mode may have changed, or a watch been freed).
  if (generation == generation_) RetryUnwatched(folder);
}

void TShellNotification::CannotWatch(const std::u16string& folder) {
  unwatched_.insert(folder);
  LogCannotWatch(folder);
}

void TShellNotification::LogCannotWatch(const std::u16string& folder) {
  if (!logged_.insert(folder).second) return;
  LogFile.Log("ShellNotification: \"" + platform::Utf16ToUtf8(folder) +
                  "\" cannot be watched (unreadable, or the system's limit of watches); tried again when it changes",
              1);
}

void TShellNotification::RetryUnwatched(const std::u16string& parent) {
  std::vector<std::u16string> children;
  for (const std::u16string& folder : unwatched_) {
    if (ParentFolder(folder) == parent) children.push_back(folder);
  }
  const uint64_t generation = generation_;
  for (const std::u16string& folder : children) {
    if (!TryToWatch(folder)) continue;
    if (generation != generation_) return;
  }
}

bool TShellNotification::TryToWatch(const std::u16string& folder) {
  unwatched_.erase(folder);
  if (NearestExistingFolder(folder) != folder) {
    listings_.erase(folder);  // gone: the listing of its parent has reported it
    return false;
  }
  if (!listings_.contains(folder)) {
    WatchTree(folder, true);  // never read: everything in it is new
  } else if (watcher_->addPath(ToQString(folder))) {
    Rescan(folder, false);  // read before: what changed meanwhile
  } else {
    unwatched_.insert(folder);
  }
  return true;
}

void TShellNotification::WatchAboveRoot() {
  const std::u16string root = WithoutTrailingSlash(path_);
  const std::u16string above = NearestExistingFolder(ParentFolder(root));
  const bool watched = !aboveRoot_.empty() && watcher_->directories().contains(ToQString(aboveRoot_));
  if (above != aboveRoot_ || !watched) {
    if (watched) watcher_->removePath(ToQString(aboveRoot_));
    aboveRoot_ = above;
    if (!aboveRoot_.empty() && !watcher_->addPath(ToQString(aboveRoot_))) {
      LogCannotWatch(aboveRoot_);
      aboveRoot_.clear();
    }
  }
  rootIdentity_ = {};
  if (listings_.contains(root)) ItemIdentity(root, rootIdentity_);
}

void TShellNotification::AboveRootChanged() {
  const std::u16string root = WithoutTrailingSlash(path_);
  if (!listings_.contains(root)) {
    LookForRoot();  // missing: is it back?
    return;
  }
  platform::FolderEntryIdentity now;
  if (!ItemIdentity(root, now) || !now.isFolder || now.device != rootIdentity_.device ||
      now.inode != rootIdentity_.inode) {
    RootGone();  // deleted, renamed away, or another folder put in its place
    return;
  }
  // A sibling changed, or the root's own mode: a root that could not be
  // watched is tried again.
  const uint64_t generation = generation_;
  if (unwatched_.contains(root)) TryToWatch(root);
  if (generation == generation_) WatchAboveRoot();
}

void TShellNotification::RootGone() {
  // Everything below the root went with it; the registration waits for it.
  const QStringList watched = watcher_->directories();
  if (!watched.isEmpty()) watcher_->removePaths(watched);
  listings_.clear();
  unwatched_.clear();
  aboveRoot_.clear();
  const uint64_t generation = generation_;
  Deliver({SHCNE_RMDIR, WithoutTrailingSlash(path_), {}});
  if (generation == generation_) LookForRoot();
}

void TShellNotification::LookForRoot() {
  // The folder above changed: the root is back, or a folder nearer to it was
  // made (or the one watched went) and the watch moves there.
  WatchAboveRoot();
  const std::u16string root = WithoutTrailingSlash(path_);
  TFolderListing probe;
  if (!ReadFolderListing(root, probe)) return;  // still missing (or unreadable): waited for
  // Back: watched again, everything in it new to the owner.
  const uint64_t generation = ++generation_;
  WatchTree(root, true);
  if (generation != generation_) return;
  WatchAboveRoot();
  if (OnPathBack) OnPathBack(*this);
}

void TShellNotification::Forget(const std::u16string& folder) {
  QStringList paths;
  for (auto it = listings_.lower_bound(folder); it != listings_.end() && it->first.starts_with(folder);) {
    if (IsSameOrBelow(it->first, folder)) {
      paths << ToQString(it->first);
      it = listings_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto it = unwatched_.lower_bound(folder); it != unwatched_.end() && it->starts_with(folder);) {
    it = IsSameOrBelow(*it, folder) ? unwatched_.erase(it) : std::next(it);
  }
  // A folder that is gone has left the watcher by itself.
  QStringList watched;
  for (const QString& path : paths) {
    if (watcher_->directories().contains(path)) watched << path;
  }
  if (!watched.isEmpty()) watcher_->removePaths(watched);
}

void TShellNotification::MoveWatches(const std::u16string& from, const std::u16string& to) {
  // The old paths leave the watcher first: the system watches a folder once,
  // whatever its name, and the watcher must know it by its new name.
  std::vector<std::pair<std::u16string, TFolderListing>> moved;
  for (auto it = listings_.lower_bound(from); it != listings_.end() && it->first.starts_with(from); ++it) {
    if (IsSameOrBelow(it->first, from)) moved.emplace_back(to + it->first.substr(from.size()), std::move(it->second));
  }
  std::vector<std::u16string> unwatched;
  for (auto it = unwatched_.lower_bound(from); it != unwatched_.end() && it->starts_with(from); ++it) {
    if (IsSameOrBelow(*it, from)) unwatched.push_back(to + it->substr(from.size()));
  }
  Forget(from);
  for (auto& [folder, listing] : moved) {
    if (!watcher_->addPath(ToQString(folder))) CannotWatch(folder);
    listings_[folder] = std::move(listing);
  }
  unwatched_.insert(unwatched.begin(), unwatched.end());
  const uint64_t generation = generation_;
  for (const auto& entry : moved) {
    Rescan(entry.first, false);
    if (generation != generation_) return;
  }
}

void TShellNotification::Deliver(const TShellReport& report) {
  if ((report.Event & mask_) == 0) return;
  HandleReport(report.Event, report.Path1, report.Path2);
}

void TShellNotification::HandleReport(uint32_t event, const std::u16string& path1, const std::u16string& path2) {
  if (event == last_.Event && path1 == last_.Path1 && path2 == last_.Path2) return;
  last_ = {event, path1, path2};
  auto raise1 = [&](const TEvent1& handler, const std::u16string& path) {
    if (handler) handler(*this, path);
  };
  auto raise2 = [&](const TEvent2& handler) {
    if (handler) handler(*this, path1, path2);
  };
  switch (event) {
    case SHCNE_RENAMEITEM: raise2(OnItemRename); break;
    case SHCNE_CREATE: raise1(OnFileCreate, path1); break;
    case SHCNE_DELETE: raise1(OnFileDelete, path1); break;
    case SHCNE_MKDIR: raise1(OnDirCreate, path1); break;
    case SHCNE_RMDIR: raise1(OnFolderRemove, path1); break;
    case SHCNE_MEDIAINSERTED: raise1(OnMediaInserted, path1); break;
    case SHCNE_MEDIAREMOVED: raise1(OnMediaRemove, path1); break;
    case SHCNE_DRIVEREMOVED: raise1(OnDriveRemove, path1); break;
    case SHCNE_DRIVEADD: raise1(OnDriveAdd, path1); break;
    case SHCNE_NETSHARE: raise1(OnNetShare, path1); break;
    case SHCNE_NETUNSHARE: raise1(OnNetUnShare, path1); break;
    case SHCNE_ATTRIBUTES: raise2(OnAttributesChange); break;
    case SHCNE_UPDATEDIR: raise1(OnFolderUpdate, path_); break;
    case SHCNE_SERVERDISCONNECT: raise1(OnServerDisconnect, path_); break;
    case SHCNE_DRIVEADDGUI: raise1(OnDriveAddGui, path1); break;
    case SHCNE_RENAMEFOLDER: raise2(OnFolderRename); break;
    case SHCNE_ASSOCCHANGED:
      if (watchEvents_.Contains(neAssociationChange) && OnAssociationChange) OnAssociationChange(*this);
      break;
    default: break;  // SHCNE_UPDATEITEM, SHCNE_FREESPACE, SHCNE_UPDATEIMAGE
  }
}

}  // namespace kestrune
