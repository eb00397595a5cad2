#include "platform/gui/window_manager.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

namespace kestrune::platform {

namespace {

struct TFree {
  void operator()(void* reply) const { std::free(reply); }
};
template <class T>
using TReply = std::unique_ptr<T, TFree>;

xcb_atom_t Atom(xcb_connection_t* connection, std::string_view name) {
  TReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.data()), nullptr));
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// The values of a property of type `type` and format 32 (empty when the
// window has none).
template <class T>
std::vector<T> Values(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
  if (property == XCB_ATOM_NONE) return {};
  TReply<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, property, type, 0, 1024), nullptr));
  if (!reply || reply->format != 32 || reply->type != type) return {};
  const auto* values = static_cast<const T*>(xcb_get_property_value(reply.get()));
  return std::vector<T>(values, values + xcb_get_property_value_length(reply.get()) / sizeof(T));
}

bool Holds(const std::vector<xcb_atom_t>& atoms, xcb_atom_t one, xcb_atom_t other) {
  const auto holds = [&](xcb_atom_t atom) {
    return atom != XCB_ATOM_NONE && std::find(atoms.begin(), atoms.end(), atom) != atoms.end();
  };
  return holds(one) && holds(other);
}

}  // namespace

TMaximiseState MaximiseState(const QWindow& window) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return TMaximiseState::Platform;
  const auto id = static_cast<xcb_window_t>(window.winId());
  TReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection, xcb_query_tree(connection, id), nullptr));
  if (!tree) return TMaximiseState::Platform;
  const xcb_window_t root = tree->root;

  const xcb_atom_t vertical = Atom(connection, "_NET_WM_STATE_MAXIMIZED_VERT");
  const xcb_atom_t horizontal = Atom(connection, "_NET_WM_STATE_MAXIMIZED_HORZ");
  if (Holds(Values<xcb_atom_t>(connection, id, Atom(connection, "_NET_WM_STATE"), XCB_ATOM_ATOM), vertical,
            horizontal)) {
    return TMaximiseState::Maximised;
  }
  // A running window manager names a check window of its own on the root
  // window, and the check window names itself (a property left behind by one
  // that ended does not).
  const xcb_atom_t check = Atom(connection, "_NET_SUPPORTING_WM_CHECK");
  const auto named = Values<xcb_window_t>(connection, root, check, XCB_ATOM_WINDOW);
  if (named.empty() || Values<xcb_window_t>(connection, named.front(), check, XCB_ATOM_WINDOW) !=
                           std::vector<xcb_window_t>{named.front()}) {
    return TMaximiseState::NoneWillDo;
  }
  const auto supported = Values<xcb_atom_t>(connection, root, Atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
  return Holds(supported, vertical, horizontal) ? TMaximiseState::Pending : TMaximiseState::NoneWillDo;
}

}  // namespace kestrune::platform
