// A program folder for the session's and the program block's tests: a
// temporary folder laid out as the build lays out build/kestrune/, with one
// engine template ("Loopback"), tiny dictionaries of our own writer, and the
// settings and user-data folders the program uses pointed into it.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/frame.h"
#include "core/stream.h"
#include "language/word_dictionary.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kestrune::test {

// A dictionary file with the given identifier and words (text, part of
// speech).
inline void WriteDictionary(const std::string& path, int16_t id, std::u16string_view author = u"Author",
                            const std::vector<std::pair<std::u16string, uint8_t>>& words = {{u"word", 0}}) {
  TIWordDictionary dict;
  dict.SetDictID(id);
  dict.SetAuthor(author);
  dict.SetDescription(u"Description");
  for (const auto& [text, partOfSpeech] : words) dict.AddWord(text, partOfSpeech, -1);
  TMemoryStream body;
  dict.SaveToStream(body, false);
  SaveFramedFile(platform::Utf8ToUtf16(path), kMagicDRWS, 0, true, -1, [&](TTagStream& out) -> int32_t {
    return out.WriteRaw(body.Bytes().data(), body.Size()) == body.Size() ? 0 : -1;
  });
}

class TestProgram {
 public:
  // folderName: the program folder's name inside the temporary folder.
  explicit TestProgram(const std::string& folderName = "kestrune")
      : program_(dir_.Path() + folderName + "/"),
        config_(dir_.Path() + "config/"),
        configEnv_("KESTRUNE_CONFIG_HOME", config_),
        dataEnv_("XDG_DATA_HOME", dir_.Path() + "data"),
        homeEnv_("KESTRUNE_HOME", program_) {
    for (const char* folder : {"dictionaries", "templates/en", "templates/web", "update", "Language"}) {
      std::filesystem::create_directories(program_ + folder);
    }
    // One engine, so that the main window can be created.
    WriteFileBytes(program_ + "templates/web/loopback.ini", "[display name]\nhostname=\"Loopback\"\n");
    WriteFileBytes(program_ + "Language/english.lng",
                   "[Header]\nlanguage=English\nlangID=9\nCodePage=1250\nLangFolder=en\n");
  }

  const std::string& Program() const { return program_; }
  std::u16string WProgram() const { return platform::Utf8ToUtf16(program_); }
  std::string Hive() const { return config_ + "current_user.hive"; }
  std::string UserData() const { return dir_.Path() + "data/kestrune/"; }
  const TempDir& Dir() const { return dir_; }

 private:
  TempDir dir_;
  std::string program_;
  std::string config_;
  ScopedEnv configEnv_;
  ScopedEnv dataEnv_;
  ScopedEnv homeEnv_;
};

}  // namespace kestrune::test
