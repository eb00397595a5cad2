#include "core/version.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/files.h"
#include "platform/text.h"
#include "platform/version_info.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

std::string BuildVersion() {
  return std::to_string(platform::kVersionMajor) + "." + std::to_string(platform::kVersionMinor) + "." +
         std::to_string(platform::kVersionRelease) + "." + std::to_string(platform::kVersionBuild);
}

TEST(Version, TheRunningProgramReportsTheBuildVersion) {
  TVSFixedFileInfo info;
  GetFixedFileInfo(platform::Utf16ToUtf8(platform::ProgramFile()), info);
  EXPECT_EQ(info.dwSignature, kVSFixedFileInfoSignature);
  EXPECT_EQ(info.dwFileVersionMS, (uint32_t{platform::kVersionMajor} << 16) | platform::kVersionMinor);
  EXPECT_EQ(info.dwFileVersionLS, (uint32_t{platform::kVersionRelease} << 16) | platform::kVersionBuild);
  EXPECT_EQ(FileVersionToStr(info), BuildVersion());
  EXPECT_EQ(ProductVersionToStr(info), BuildVersion());

  TVSFixedFileInfo wide;
  GetFixedFileInfo(platform::ProgramFile(), wide);
  EXPECT_EQ(std::memcmp(&info, &wide, sizeof(info)), 0);
}

TEST(Version, OtherFilesReportZeros) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("other"), "\x7f" "ELF");
  const TVSFixedFileInfo zero{};
  for (const std::string& name : {dir.File("other"), dir.File("missing"), std::string()}) {
    TVSFixedFileInfo info;
    info.dwSignature = 1;
    GetFixedFileInfo(name, info);
    EXPECT_EQ(std::memcmp(&info, &zero, sizeof(info)), 0) << name;
    EXPECT_EQ(FileVersionToStr(info), "0.0.0.0");
    EXPECT_EQ(ProductVersionToStr(info), "0.0.0.0");
  }
}

TEST(Version, TextsUseAllSixteenBitsOfEachNumber) {
  TVSFixedFileInfo info;
  info.dwFileVersionMS = 0xFFFF0002;
  info.dwFileVersionLS = 0x00030004;
  info.dwProductVersionMS = 0x00050006;
  info.dwProductVersionLS = 0x0007FFFF;
  EXPECT_EQ(FileVersionToStr(info), "65535.2.3.4");
  EXPECT_EQ(ProductVersionToStr(info), "5.6.7.65535");
}

}  // namespace
}  // namespace kestrune
