// Version numbers of executable files and their texts.
//
// TVSFixedFileInfo has the layout of the platform's 52-byte fixed version
// record. Each "MS" word holds the major number in its upper 16 bits and the
// minor number in its lower 16 bits; each "LS" word the release and build
// numbers likewise.
//
// ELF files carry no version resource: the running program reports the
// build's version, every other file an all-zero block (texts "0.0.0.0").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

struct TVSFixedFileInfo {
  uint32_t dwSignature = 0;
  uint32_t dwStrucVersion = 0;
  uint32_t dwFileVersionMS = 0;
  uint32_t dwFileVersionLS = 0;
  uint32_t dwProductVersionMS = 0;
  uint32_t dwProductVersionLS = 0;
  uint32_t dwFileFlagsMask = 0;
  uint32_t dwFileFlags = 0;
  uint32_t dwFileOS = 0;
  uint32_t dwFileType = 0;
  uint32_t dwFileSubtype = 0;
  uint32_t dwFileDateMS = 0;
  uint32_t dwFileDateLS = 0;
};
static_assert(sizeof(TVSFixedFileInfo) == 52);

inline constexpr uint32_t kVSFixedFileInfoSignature = 0xFEEF04BD;

// Fills the block for the named file (UTF-8 or UTF-16 name); never fails.
void GetFixedFileInfo(std::string_view fileName, TVSFixedFileInfo& block);
void GetFixedFileInfo(std::u16string_view fileName, TVSFixedFileInfo& block);

// "%d.%d.%d.%d" of major, minor, release and build.
std::string FileVersionToStr(const TVSFixedFileInfo& block);
std::string ProductVersionToStr(const TVSFixedFileInfo& block);

}  // namespace kestrune
