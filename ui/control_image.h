// Where the skinned controls find their pictures, and how they load them.
//
// A picture value names a file; only its file-name part counts (everything
// after the last "/", "\" or ":"), so a form may keep the path it was drawn
// with. The file is looked up in the folder "controls/en/" of the program
// folder (the folder does not follow the interface language), without regard
// to letter case.
//
// Pictures are decoded once into premultiplied ARGB in the sRGB colour space
// (a PNG with another embedded colour space is converted). A file that is
// missing or no picture gives an empty image (0 x 0); the load then writes one
// [Warning] line naming the path to the log and shows nothing.
//
// User-interface thread only (QImage needs the application's image plug-ins).
#pragma once

#include <QImage>
#include <QString>
#include <string>
#include <string_view>

namespace kestrune::skin {

// The file-name part of a picture value.
std::u16string FileNamePart(std::u16string_view value);

// The program folder's "controls/en/" with a trailing "/".
std::u16string ControlFolder();

// The path of the file a picture value names, resolved without regard to
// letter case (UTF-8, as the file system takes it).
std::string ControlImagePath(std::u16string_view value);

// The picture at a path (UTF-8); empty, with the log's warning, when unreadable.
QImage LoadControlImage(const std::string& path);

}  // namespace kestrune::skin
