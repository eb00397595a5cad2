#include "app/run_temp_folder.h"

#include <filesystem>
#include <system_error>

#include "core/log_file.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

namespace {

std::u16string& Folder() {
  static std::u16string folder;
  return folder;
}

}  // namespace

std::u16string RunTempFolder() {
  std::u16string& folder = Folder();
  if (folder.empty() || !platform::FolderExists(folder)) {
    folder = platform::CreateTempFolder("kestrune-run-");
    if (folder.empty()) LogFile.Log("The run's temporary folder cannot be made", mtWarning);
  }
  return folder;
}

void RemoveRunTempFolder() {
  std::u16string& folder = Folder();
  if (folder.empty()) return;
  std::error_code error;
  std::filesystem::remove_all(std::filesystem::path(platform::Utf16ToUtf8(folder)), error);
  if (error) {
    LogFile.Log("The run's temporary folder " + platform::Utf16ToUtf8(folder) + " cannot be removed: " +
                    error.message(),
                mtWarning);
  }
  folder.clear();
}

}  // namespace kestrune
