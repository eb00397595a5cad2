// Seeds for the history file's settings: files written by the session's own
// writer, over an empty file and over one with sections of a user's.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/history_settings.h"
#include "fuzz/seeds.h"
#include "platform/text.h"

KESTRUNE_SEEDS(history_settings) {
  using namespace kestrune;
  std::string dir = std::filesystem::temp_directory_path().string() + "/kestrune-kes-seeds-XXXXXX";
  if (!::mkdtemp(dir.data())) return;
  const std::string path = dir + "/seed.kes";
  auto write = [&](const std::string& name, const std::string& before, bool phrases,
                   std::vector<std::string> indexes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << before;
    TIniText ini;
    ini.Load(platform::Utf8ToUtf16(path));
    ini.EraseSection("Indexes");
    ini.WriteValue("MAIN", "Path", QuoteIniValue("/home/user/My \"Projects\"/"));
    ini.WriteValue("Other", "MapPhrases", phrases ? "true" : "false");
    for (size_t i = 0; i < indexes.size(); ++i) ini.WriteValue("Indexes", QuoteIniValue(indexes[i]), std::to_string(i), true);
    ini.Save(platform::Utf8ToUtf16(path));
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    WriteSeed(folder, name, bytes.str());
  };
  write("new.kes", "", false, {});
  write("kept.kes", "[User]\r\nkey=1, \"two\"\r\n; note\r\n[Indexes]\r\n\"old\"=3\r\n[Other]\r\nMapPhrases=True\r\n", true,
        {"/data/index 1.idx", "/\xd0\xb1/$x;y=z.idx"});
  std::filesystem::remove_all(dir);
}
