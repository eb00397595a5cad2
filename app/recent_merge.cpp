#include "app/recent_merge.h"

#include <algorithm>

#include "platform/text.h"

namespace kestrune {

namespace {

using TList = std::vector<std::u16string>;

TList WithoutEmpty(const TList& list) {
  TList entries;
  for (const std::u16string& entry : list) {
    if (!entry.empty()) entries.push_back(entry);
  }
  return entries;
}

bool Holds(const TList& list, std::u16string_view entry, const TSameEntry& same) {
  return std::any_of(list.begin(), list.end(), [&](const std::u16string& item) { return same(item, entry); });
}

// True when list[from..] stands in `loaded` in the same order (not
// necessarily side by side).
bool InLoadedOrder(const TList& list, size_t from, const TList& loaded, const TSameEntry& same) {
  size_t at = 0;
  for (size_t i = from; i < list.size(); ++i) {
    while (at < loaded.size() && !same(loaded[at], list[i])) ++at;
    if (at == loaded.size()) return false;
    ++at;
  }
  return true;
}

// The number of entries at the head of `list` that a run added or moved up
// since `loaded`: the shortest head after which the rest stands in `loaded`
// in its order.
size_t NewHead(const TList& list, const TList& loaded, const TSameEntry& same) {
  size_t head = 0;
  while (head < list.size() && !InLoadedOrder(list, head, loaded, same)) ++head;
  return head;
}

}  // namespace

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return platform::WideLowerCase(a) == platform::WideLowerCase(b);
}

std::vector<std::u16string> MergeRecentLists(const TList& loaded, const TList& mine, const TList& stored, bool cleared,
                                             size_t count, const TSameEntry& same) {
  const TList before = WithoutEmpty(loaded);
  const TList now = WithoutEmpty(stored);
  if (now == before) return mine;
  const TList own = WithoutEmpty(mine);
  const size_t ownHead = cleared ? own.size() : NewHead(own, before, same);
  const size_t otherHead = NewHead(now, before, same);

  TList merged;
  auto add = [&](const std::u16string& entry) {
    if (merged.size() < count && !Holds(merged, entry, same)) merged.push_back(entry);
  };
  for (size_t i = 0; i < ownHead; ++i) add(own[i]);
  for (size_t i = 0; i < otherHead; ++i) add(now[i]);
  for (size_t i = otherHead; i < now.size(); ++i) {
    if (Holds(own, now[i], same)) add(now[i]);
  }
  return merged;
}

}  // namespace kestrune
