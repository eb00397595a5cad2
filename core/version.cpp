#include "core/version.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/text.h"
#include "platform/version_info.h"

namespace kestrune {

namespace {

constexpr uint32_t kStrucVersion = 0x00010000;
constexpr uint32_t kFileFlagsMask = 0x3F;
constexpr uint32_t kFileTypeApp = 1;

bool IsProgramFile(const std::string& path) {
  const std::string program = platform::Utf16ToUtf8(platform::ProgramFile());
  if (path.empty() || program.empty()) return false;
  std::error_code ec;
  return std::filesystem::equivalent(path, program, ec) && !ec;
}

std::string VersionText(uint32_t ms, uint32_t ls) {
  char text[64];
  std::snprintf(text, sizeof(text), "%d.%d.%d.%d", static_cast<int>(ms >> 16), static_cast<int>(ms & 0xFFFF),
                static_cast<int>(ls >> 16), static_cast<int>(ls & 0xFFFF));
  return text;
}

}  // namespace

void GetFixedFileInfo(std::string_view fileName, TVSFixedFileInfo& block) {
  block = TVSFixedFileInfo{};
  if (!IsProgramFile(platform::ResolvePathUtf8(fileName))) return;
  const uint32_t ms = (static_cast<uint32_t>(platform::kVersionMajor) << 16) | platform::kVersionMinor;
  const uint32_t ls = (static_cast<uint32_t>(platform::kVersionRelease) << 16) | platform::kVersionBuild;
  block.dwSignature = kVSFixedFileInfoSignature;
  block.dwStrucVersion = kStrucVersion;
  block.dwFileVersionMS = ms;
  block.dwFileVersionLS = ls;
  block.dwProductVersionMS = ms;
  block.dwProductVersionLS = ls;
  block.dwFileFlagsMask = kFileFlagsMask;
  block.dwFileType = kFileTypeApp;
}

void GetFixedFileInfo(std::u16string_view fileName, TVSFixedFileInfo& block) {
  GetFixedFileInfo(platform::Utf16ToUtf8(fileName), block);
}

std::string FileVersionToStr(const TVSFixedFileInfo& block) {
  return VersionText(block.dwFileVersionMS, block.dwFileVersionLS);
}

std::string ProductVersionToStr(const TVSFixedFileInfo& block) {
  return VersionText(block.dwProductVersionMS, block.dwProductVersionLS);
}

}  // namespace kestrune
