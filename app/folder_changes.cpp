#include "app/folder_changes.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "platform/text.h"

namespace kestrune {

namespace {

bool SameItem(const platform::FolderEntryIdentity& a, const platform::FolderEntryIdentity& b) {
  return a.device == b.device && a.inode == b.inode && a.isFolder == b.isFolder;
}

struct IdentityHash {
  size_t operator()(const std::pair<uint64_t, uint64_t>& id) const {
    return std::hash<uint64_t>()(id.first * 0x9E3779B97F4A7C15ULL ^ id.second);
  }
};

}  // namespace

bool ReadFolderListing(std::u16string_view folder, TFolderListing& listing) {
  if (!platform::ListFolderIdentities(folder, listing)) return false;
  std::sort(listing.begin(), listing.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  return true;
}

std::u16string ItemPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  if (path.empty() || path.back() != u'/') path += u'/';
  return path.append(name);
}

bool ItemIdentity(std::u16string_view path, platform::FolderEntryIdentity& identity) {
  const size_t slash = path.rfind(u'/');
  if (slash == std::u16string_view::npos || slash + 1 == path.size()) return false;
  TFolderListing listing;
  if (!platform::ListFolderIdentities(slash == 0 ? std::u16string_view(u"/") : path.substr(0, slash), listing)) {
    return false;
  }
  const std::u16string_view name = path.substr(slash + 1);
  for (platform::FolderEntryIdentity& entry : listing) {
    if (entry.name == name) {
      identity = std::move(entry);
      return true;
    }
  }
  return false;
}

std::u16string NearestExistingFolder(std::u16string_view folder) {
  std::u16string path(folder);
  while (path.size() > 1 && path.back() == u'/') path.pop_back();
  for (;;) {
    std::error_code error;
    if (!path.empty() && std::filesystem::is_directory(platform::Utf16ToUtf8(path), error)) return path;
    const size_t slash = path.rfind(u'/');
    if (slash == std::u16string::npos || path == u"/") return {};
    path.resize(slash == 0 ? 1 : slash);
  }
}

void CompareFolderListings(std::u16string_view folder, const TFolderListing& before, const TFolderListing& after,
                           std::vector<TShellReport>& reports) {
  std::vector<const platform::FolderEntryIdentity*> gone, added;
  std::vector<const platform::FolderEntryIdentity*> changedMode;
  size_t i = 0, j = 0;
  while (i < before.size() || j < after.size()) {
    if (j == after.size() || (i < before.size() && before[i].name < after[j].name)) {
      gone.push_back(&before[i++]);
    } else if (i == before.size() || after[j].name < before[i].name) {
      added.push_back(&after[j++]);
    } else {
      if (!SameItem(before[i], after[j])) {
        gone.push_back(&before[i]);
        added.push_back(&after[j]);
      } else if (before[i].mode != after[j].mode) {
        changedMode.push_back(&after[j]);
      }
      ++i;
      ++j;
    }
  }

  // A name gone and one made for the same item: a rename.
  std::vector<std::pair<const platform::FolderEntryIdentity*, const platform::FolderEntryIdentity*>> renamed;
  if (!gone.empty() && !added.empty()) {
    std::unordered_map<std::pair<uint64_t, uint64_t>, size_t, IdentityHash> byIdentity;
    for (size_t k = 0; k < added.size(); ++k) byIdentity.emplace(std::make_pair(added[k]->device, added[k]->inode), k);
    std::vector<bool> usedAdded(added.size(), false);
    std::vector<const platform::FolderEntryIdentity*> stillGone;
    for (const auto* old : gone) {
      const auto found = byIdentity.find({old->device, old->inode});
      if (found != byIdentity.end() && !usedAdded[found->second] && added[found->second]->isFolder == old->isFolder) {
        usedAdded[found->second] = true;
        renamed.emplace_back(old, added[found->second]);
      } else {
        stillGone.push_back(old);
      }
    }
    gone.swap(stillGone);
    std::vector<const platform::FolderEntryIdentity*> stillAdded;
    for (size_t k = 0; k < added.size(); ++k) {
      if (!usedAdded[k]) stillAdded.push_back(added[k]);
    }
    added.swap(stillAdded);
  }

  for (const auto* old : gone) reports.push_back({old->isFolder ? SHCNE_RMDIR : SHCNE_DELETE, ItemPath(folder, old->name), {}});
  for (const auto& [old, now] : renamed) {
    reports.push_back({old->isFolder ? SHCNE_RENAMEFOLDER : SHCNE_RENAMEITEM, ItemPath(folder, old->name),
                       ItemPath(folder, now->name)});
  }
  for (const auto* now : added) reports.push_back({now->isFolder ? SHCNE_MKDIR : SHCNE_CREATE, ItemPath(folder, now->name), {}});
  for (const auto* now : changedMode) reports.push_back({SHCNE_ATTRIBUTES, ItemPath(folder, now->name), {}});
}

}  // namespace kestrune
