#include "core/find_files.h"

#include <algorithm>

#include "core/base.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

namespace {

// The folder's entries in the order every search uses.
bool SortedEntries(std::u16string_view folder, std::vector<platform::FolderEntry>& entries) {
  if (!platform::ListFolder(folder, entries)) return false;
  std::sort(entries.begin(), entries.end(), [](const platform::FolderEntry& a, const platform::FolderEntry& b) {
    const int32_t c = CompareWideNoCase(a.name.c_str(), b.name.c_str());
    if (c != 0) return c < 0;
    return CompareWideOrdinal(a.name.c_str(), b.name.c_str()) < 0;
  });
  return true;
}

uint32_t Attributes(const platform::FolderEntry& entry) {
  uint32_t attributes = 0;
  if (entry.isFolder) attributes |= kFaDirectory;
  if (entry.readOnly) attributes |= kFaReadOnly;
  return attributes;
}

void AddFiles(std::vector<std::u16string>& list, const std::u16string& folder, std::u16string_view mask,
              uint32_t excludedAttributes, bool recurse) {
  std::vector<platform::FolderEntry> entries;
  if (!SortedEntries(folder, entries)) return;
  for (const platform::FolderEntry& entry : entries) {
    if (!entry.isFile || (Attributes(entry) & excludedAttributes) != 0) continue;
    if (MatchesMask(entry.name, mask)) list.push_back(folder + entry.name);
  }
  if (!recurse) return;
  for (const platform::FolderEntry& entry : entries) {
    if (entry.isFolder) AddFiles(list, folder + entry.name + u'/', mask, excludedAttributes, recurse);
  }
}

}  // namespace

bool MatchesMask(std::u16string_view name, std::u16string_view mask) {
  if (mask == u"*.*" || mask == u"*") return true;
  // Greedy match with one backtrack point: the last "*" seen.
  size_t n = 0, m = 0;
  size_t starMask = std::u16string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == u'*') {
      starMask = m++;
      starName = n;
    } else if (m < mask.size() &&
               (mask[m] == u'?' || platform::WideCharLower(mask[m]) == platform::WideCharLower(name[n]))) {
      ++m;
      ++n;
    } else if (starMask != std::u16string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == u'*') ++m;
  return m == mask.size();
}

int32_t WideFindFiles(std::vector<std::u16string>& list, std::u16string_view folder, std::u16string_view mask,
                      uint32_t excludedAttributes, bool recurse) {
  list.clear();
  if (folder.empty()) return 0;
  if (mask.empty()) mask = u"*.*";
  AddFiles(list, AddBackslash(folder), mask, excludedAttributes | kFaDirectory, recurse);
  return static_cast<int32_t>(list.size());
}

int32_t FindFolders(std::vector<std::u16string>& list, std::u16string_view folder, std::u16string_view mask,
                    const std::vector<std::u16string>* exclusionList, uint32_t excludedAttributes) {
  list.clear();
  if (folder.empty()) return 0;
  if (mask.empty()) mask = u"*";
  std::vector<platform::FolderEntry> entries;
  if (!SortedEntries(AddBackslash(folder), entries)) return 0;
  std::vector<std::u16string> excluded;
  if (exclusionList) {
    for (const std::u16string& name : *exclusionList) excluded.push_back(platform::WideLowerCase(name));
  }
  for (const platform::FolderEntry& entry : entries) {
    if (!entry.isFolder || (Attributes(entry) & excludedAttributes) != 0) continue;
    if (!MatchesMask(entry.name, mask)) continue;
    if (exclusionList &&
        std::find(excluded.begin(), excluded.end(), platform::WideLowerCase(entry.name)) != excluded.end()) {
      continue;
    }
    list.push_back(entry.name);
  }
  return static_cast<int32_t>(list.size());
}

}  // namespace kestrune
