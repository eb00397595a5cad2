// The first frames of a top-level form on the screen.
//
// Under X11 a Qt form's native window has no background of its own: from its
// map until its first paint reaches the display server the screen shows
// what lay under it (black on an X server without a compositor).
// GiveNativeBackground(form) makes every native window the form gets (Qt
// makes it at the first show, and again when the form's surface changes, as
// the browser control's composition makes it do) carry the form's background
// colour before it is mapped, so its first frame is already that colour
// (platform/gui/window_background.h). The helper is a child of the form.
//
// A window manager maps a shown form a moment after the show: a form shown
// just before work that holds the event loop (the splash form while the
// dictionaries load) would not be painted before that work ends.
// PaintWhenMapped processes events (no user input) until the form is on the
// screen, at most `timeoutMs`, and paints it; false when it did not come in
// time.
//
// User-interface thread only.
#pragma once

class QWidget;

namespace kestrune {

void GiveNativeBackground(QWidget& form);
bool PaintWhenMapped(QWidget& form, int timeoutMs);

}  // namespace kestrune
