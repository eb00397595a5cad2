#include "platform/gui/window_background.h"

#include <xcb/xcb.h>

#include <QColor>
#include <QGuiApplication>
#include <QWindow>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace kestrune::platform {

namespace {

// `value` (0 to 255) scaled into the bits of `mask`.
uint32_t Channel(uint32_t mask, int value) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const uint32_t top = mask >> shift;
  return ((static_cast<uint32_t>(value) * top + 127) / 255) << shift;
}

// The visual `id` of the screen and the depth it belongs to; null when the
// screen has no such visual.
const xcb_visualtype_t* FindVisual(const xcb_screen_t* screen, xcb_visualid_t id, uint8_t* depth) {
  for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem; xcb_depth_next(&depths)) {
    for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem; xcb_visualtype_next(&visuals)) {
      if (visuals.data->visual_id != id) continue;
      *depth = depths.data->depth;
      return visuals.data;
    }
  }
  return nullptr;
}

}  // namespace

bool SetWindowBackground(const QWindow& window, const QColor& colour) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return false;
  const auto id = static_cast<xcb_window_t>(window.winId());
  const std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
      xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, id), nullptr), &std::free);
  if (!attributes) return false;
  const xcb_visualtype_t* visual = nullptr;
  uint8_t depth = 0;
  for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection)); screens.rem && !visual;
       xcb_screen_next(&screens)) {
    visual = FindVisual(screens.data, attributes->visual, &depth);
  }
  if (!visual || (visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR && visual->_class != XCB_VISUAL_CLASS_DIRECT_COLOR)) {
    return false;
  }
  const QColor rgb = colour.toRgb();
  uint32_t pixel = Channel(visual->red_mask, rgb.red()) | Channel(visual->green_mask, rgb.green()) |
                   Channel(visual->blue_mask, rgb.blue());
  // A visual with more bits than its colours (32 bits over 24) keeps its
  // alpha there: opaque.
  const uint32_t colours = visual->red_mask | visual->green_mask | visual->blue_mask;
  const uint32_t all = depth >= 32 ? 0xFFFFFFFFu : (uint32_t{1} << depth) - 1;
  pixel |= all & ~colours;
  xcb_change_window_attributes(connection, id, XCB_CW_BACK_PIXEL, &pixel);
  xcb_flush(connection);
  return true;
}

}  // namespace kestrune::platform
