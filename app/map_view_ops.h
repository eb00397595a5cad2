// IMapViewOps: what the session asks of the word map's view (the window's
// DrawAndEventMap1, a TCustomDrawAndEventMap). The view draws and animates
// the keys of the session's content map; the session tells it when the keys
// changed, which interaction states hold and how to measure a key's text.
// The window implements it over the widget; tests use a recording fake.
//
// User-interface thread only.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/keys.h"

namespace kestrune {

class IMapViewOps {
 public:
  // Interaction-state bits of the view.
  static constexpr uint32_t kStateBusy = 1;       // a press, or a long map operation
  static constexpr uint32_t kStatePopup = 2;      // the word popup is open (a pending click)
  static constexpr uint32_t kStateAnimation = 4;  // a new-map animation runs
  static constexpr uint32_t kStateInactive = 8;   // the main window is inactive
  static constexpr uint32_t kStateSearch = 16;    // a web search runs

  virtual ~IMapViewOps() = default;

  // Ends the hover of a map word now (the view's hover-out step).
  virtual void HoverOut() = 0;
  // Starts the short hover-out timer.
  virtual void HoverOutSoon() = 0;
  virtual void StopHoverTimers() = 0;
  // Forgets the keys it shows and draws an empty map.
  virtual void ClearMap() = 0;
  virtual void EnterState(uint32_t bits) = 0;
  virtual void LeaveState(uint32_t bits) = 0;
  virtual uint32_t State() const = 0;
  // Draws again what changed; copies the content map's keys in and draws a
  // whole frame; animates from the previous keys to the new ones.
  virtual void RedrawDirty() = 0;
  virtual void LoadKeysAndDraw() = 0;
  virtual void AnimateNewMap() = 0;
  // Gives the view's working copy of the keys back to the content map.
  virtual void StoreKeysInContentMap() = 0;
  // Paints the background of the current map mode again.
  virtual void ResetBackground() = 0;
  // Lays the keys out for the view's size again (its resize step).
  virtual void Relayout() = 0;
  virtual void SetEnabled(bool enabled) = 0;
  // The folder of the view's skin images.
  virtual void SetSkinPath(std::u16string_view folder) = 0;
  // The extent of a key's text as the view draws it; the content map
  // measures its keys with it.
  virtual void MeasureKeyText(const TKey& key, int32_t& width, int32_t& height) = 0;
};

}  // namespace kestrune
