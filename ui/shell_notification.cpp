#include "ui/shell_notification.h"

#include <QStringList>
#include <array>
#include <vector>

#include "app/projects_folder.h"

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
  connect(watcher_, &QFileSystemWatcher::directoryChanged, this,
          [this](const QString& folder) { Rescan(folder.toStdU16String(), true); });
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
  WatchTree(root, false);
}

void TShellNotification::Deregister() {
  const QStringList watched = watcher_->directories();
  if (!watched.isEmpty()) watcher_->removePaths(watched);
  listings_.clear();
  registered_ = false;
}

void TShellNotification::WatchTree(const std::u16string& folder, bool report) {
  // Watched first, then read: nothing made in between is missed.
  watcher_->addPath(ToQString(folder));
  TFolderListing listing;
  if (!ReadFolderListing(folder, listing)) {
    watcher_->removePath(ToQString(folder));
    return;
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
  if (!ReadFolderListing(folder, now)) {
    // Gone or renamed: its parent's listing reports it, and a renamed folder
    // keeps this listing to be compared under its new name.
    return;
  }
  std::vector<TShellReport> reports;
  CompareFolderListings(folder, known->second, now, reports);
  known->second = std::move(now);
  if (reports.empty()) {
    if (updateWhenSame) Deliver({SHCNE_UPDATEDIR, folder, {}});
    return;
  }
  const uint64_t generation = generation_;
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
  Forget(from);
  for (auto& [folder, listing] : moved) {
    watcher_->addPath(ToQString(folder));
    listings_[folder] = std::move(listing);
  }
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
