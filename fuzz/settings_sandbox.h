// A sandbox for the settings fuzz target and its seeds: a temporary program
// folder with a tiny dictionary and a language file, and the settings and
// user-data folders pointed into it through the environment.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "core/frame.h"
#include "core/stream.h"
#include "fuzz/fuzz_folder.h"
#include "language/word_dictionary.h"
#include "platform/text.h"

namespace kestrune::fuzz {

class TSettingsSandbox {
 public:
  TSettingsSandbox() {
    root_ = MakeProcessFolder(std::filesystem::temp_directory_path().string(), "kestrune-settings");
    for (const char* folder : {"program/dictionaries", "program/templates/en", "program/update", "program/Language",
                               "config", "data", "projects"}) {
      std::filesystem::create_directories(root_ + folder);
    }
    std::ofstream(root_ + "program/Language/russian.lng") << "[Header]\nlanguage=Russian\nlangID=1049\n";
    for (int16_t id : {9, 25}) {
      TIWordDictionary dict;
      dict.SetDictID(id);
      dict.AddWord(u"word", 0, -1);
      TMemoryStream body;
      dict.SaveToStream(body, false);
      SaveFramedFile(platform::Utf8ToUtf16(root_ + "program/dictionaries/d" + std::to_string(id) + ".dws"), kMagicDRWS,
                     0, true, -1, [&](TTagStream& out) -> int32_t {
                       return out.WriteRaw(body.Bytes().data(), body.Size()) == body.Size() ? 0 : -1;
                     });
    }
    Set("KESTRUNE_CONFIG_HOME", root_ + "config/");
    Set("XDG_DATA_HOME", root_ + "data");
  }
  ~TSettingsSandbox() {
    for (auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
    std::error_code error;
    std::filesystem::remove_all(root_, error);
  }
  TSettingsSandbox(const TSettingsSandbox&) = delete;
  TSettingsSandbox& operator=(const TSettingsSandbox&) = delete;

  const std::string& Root() const { return root_; }
  std::u16string Program() const { return platform::Utf8ToUtf16(root_ + "program/"); }
  std::string Hive() const { return root_ + "config/current_user.hive"; }

 private:
  void Set(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    ::setenv(name, value.c_str(), 1);
  }

  std::string root_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace kestrune::fuzz
