// Fonts by their Windows names.
//
// The system names its fonts as Windows does ("Tahoma", "Arial"). One table
// maps such names to families that Debian ships: the metric-compatible
// Liberation families where they are installed, DejaVu otherwise. Measuring
// and drawing both make their fonts here, so a word measured for the layout is
// drawn at exactly that size.
//
// Sizes are points at 96 dots per inch, the resolution of every image the
// views paint on (kPaintDpi), so one point is 4/3 pixel everywhere.
#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <string_view>

namespace kestrune::platform {

inline constexpr int kPaintDpi = 96;
// Dots per metre of an image at kPaintDpi (Qt rounds it back to 96).
inline constexpr int kPaintDotsPerMeter = 3780;

// The installed family that stands for a Windows font name; a name the table
// does not know is returned as it is (the font system then picks its nearest).
QString SubstituteFontFamily(std::u16string_view windowsName);

// A scalable, anti-aliased font of the family at the size in points; no
// style. A size that is not above 0 gives a font of 1 point.
QFont MakeFont(std::u16string_view windowsName, double points);

// An image at kPaintDpi, filled with nothing (its pixels are undefined).
QImage MakePaintImage(int width, int height, QImage::Format format = QImage::Format_ARGB32_Premultiplied);

}  // namespace kestrune::platform
