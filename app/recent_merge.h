// MergeRecentLists: a list of recent entries (the recent queries and
// projects of the settings, the query box's list in "query.dat") as a run
// stores it when it ends, while another run of the program may have stored
// the same list since this one read it. Nothing of either run is lost that
// its own list still held: this run's new entries come first, the other
// run's after them.
//
// A list is most recent first; empty entries are no entries. Entries are
// compared with `same` (the recent slots ignore letter case, the query box's
// list does not).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

using TSameEntry = std::function<bool(std::u16string_view a, std::u16string_view b)>;

// `loaded`: the list as this run read it (at its start or its last save);
// `mine`: the list as this run holds it now; `stored`: the list as it is
// stored now; `cleared`: this run emptied its list since it read it (every
// entry of `mine` is new). When `stored` is `loaded` (no other run stored it
// meanwhile), the result is `mine` as it stands. Otherwise:
//   - this run's new entries: the entries at the head of `mine` that are
//     not in `loaded` in its order (added, or moved up, by this run), or
//     all of `mine` when cleared;
//   - then the other run's new entries, the head of `stored` found the same
//     way;
//   - then the entries of `stored` that stood in `loaded` and that `mine`
//     still holds (an entry this run removed, or cleared with the history,
//     stays removed);
// without repeats or empty entries, cut to `count`.
std::vector<std::u16string> MergeRecentLists(const std::vector<std::u16string>& loaded,
                                             const std::vector<std::u16string>& mine,
                                             const std::vector<std::u16string>& stored, bool cleared, size_t count,
                                             const TSameEntry& same);

// Letter case aside (the recent slots' comparison).
bool SameIgnoringCase(std::u16string_view a, std::u16string_view b);

}  // namespace kestrune
