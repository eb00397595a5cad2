// The colour the display server gives a top-level window where the program
// has not painted it yet.
//
// Under X11 Qt's windows have no background of their own: from the moment a
// window is mapped until its first paint reaches the server, and in the part
// a resize adds until that is painted, the screen shows what lay under it
// (black on an X server without a compositor). A window given a background
// colour is filled with it by the server at once, so its first frame is
// already that colour. Elsewhere (Wayland, the offscreen platform) the
// platform composes whole frames itself and nothing is done.
//
// User-interface thread only; needs the application object of the user
// interface.
#pragma once

class QColor;
class QWindow;

namespace kestrune::platform {

// Gives the native window of `window` (created now if it is not yet) the
// opaque background `colour`; call it before the window is shown. False when
// the platform has no such background or the window's visual has no direct
// colours.
bool SetWindowBackground(const QWindow& window, const QColor& colour);

}  // namespace kestrune::platform
