// A writer of the update server's "update.txt" for the update check's tests
// and the seeds of its fuzz target: sections in the given order, each key on
// its own line, a value with blanks, commas, semicolons or quotes written in
// double quotes with its quotes doubled.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kestrune::test {

struct TUpdateSection {
  std::string name;  // "1.5.303.0", or any other section name
  std::vector<std::pair<std::string, std::string>> keys;
};

inline std::string UpdateInfoValue(const std::string& value) {
  if (value.find_first_of(" ,;\"\t$") == std::string::npos) return value;
  std::string quoted = "\"";
  for (char c : value) {
    quoted += c;
    if (c == '"') quoted += c;
  }
  return quoted + "\"";
}

inline std::string UpdateInfoText(const std::vector<TUpdateSection>& sections) {
  std::string text;
  for (const TUpdateSection& section : sections) {
    text += "[" + section.name + "]\r\n";
    for (const auto& [key, value] : section.keys) text += key + "=" + UpdateInfoValue(value) + "\r\n";
    text += "\r\n";
  }
  return text;
}

// One released version with the usual keys.
inline TUpdateSection Release(std::string version, std::string previous, std::string english, std::string file,
                              std::string size, std::string fullFile = "full.zip", std::string fullSize = "9000000") {
  return {std::move(version),
          {{"previous", std::move(previous)},
           {"english", std::move(english)},
           {"file", std::move(file)},
           {"size", std::move(size)},
           {"fullfile", std::move(fullFile)},
           {"fullsize", std::move(fullSize)}}};
}

}  // namespace kestrune::test
