// What the desktop does with a maximised top-level window.
//
// Under X11 a window is maximised by the window manager: the program asks it,
// and the window manager sets the window's size and reports the state on the
// window. A bare X server (Xvfb without a window manager, say) has nobody
// who does that, and the window keeps the size it had. Elsewhere (Wayland,
// the offscreen platform) the platform maximises the window itself.
//
// User-interface thread only; needs the application object of the user
// interface.
#pragma once

class QWindow;

namespace kestrune::platform {

enum class TMaximiseState {
  Maximised,   // the window manager reports the window maximised
  Pending,     // not yet, but a window manager runs that maximises windows
  NoneWillDo,  // no window manager runs that maximises windows (a bare X server)
  Platform,    // not X11: the platform maximises the window itself
};

// Asks the display server now (a round trip) about `window`, which has been
// asked to be maximised and is shown.
TMaximiseState MaximiseState(const QWindow& window);

}  // namespace kestrune::platform
