// The kinds of the map's group event (the map view's OnGroupSelect and the
// main window's answer to it). The values are the ones the view raises.
#pragma once

#include <cstdint>

namespace kestrune {

enum TMapGroupEvent : int32_t {
  kGroupAddToQuery = 0,      // the marked words join the query
  kGroupExclude = 1,         // the marked words are excluded
  kGroupHover = 4,           // the hovered word (not selected: the hover ended)
  kGroupResized = 12,        // the map's size changed: it is built again
  kGroupRebuild = 13,        // the map is built again from its keys
  kGroupMarked = 15,         // the words under a popup (not selected: none)
  kGroupQueryWordOff = 16,   // a query word was clicked off the map
};

}  // namespace kestrune
