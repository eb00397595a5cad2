// A form drawn over one picture of the skinned controls (the splash form,
// the about box): the form takes the picture's size, a dark ground with
// white text (what shows until the picture is read) and, as its first
// child, the picture control named `name` at (0, 0).
//
// User-interface thread only.
#pragma once

#include <QWidget>

#include "ui/control_pictures.h"
#include "ui/ibitmap.h"

namespace kestrune {

ibitmap* SetUpPictureForm(QWidget& form, TPicture picture, const char* name);

}  // namespace kestrune
